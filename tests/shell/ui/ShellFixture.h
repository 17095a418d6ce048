#pragma once
// A scratch program folder with its own initial database, the message script
// and helpers that answer the next modal dialog.
#include "AppEnv.h"
#include "InitialDatabase.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"
#include "Startup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

using qmtest::OnNextModal;

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(qm::store::CreateInitialProgramFolder(m_folder.path()), qm::store::kInitialCreated);
        m_context = std::make_unique<qm::CCoreContext>(m_folder.path());
    }
    void TearDown() override { m_context.reset(); }

    static void Type(QWidget* dialog, const char* edit, const QString& text)
    {
        auto* line = dialog->findChild<QLineEdit*>(QLatin1String(edit));
        ASSERT_TRUE(line) << edit;
        line->setText(text);
    }
    static void Click(QWidget* dialog, const char* button)
    {
        auto* b = dialog->findChild<QPushButton*>(QLatin1String(button));
        ASSERT_TRUE(b) << button;
        b->click();
    }

    QTemporaryDir m_folder;
    std::unique_ptr<qm::CCoreContext> m_context;
    qm::MessageScript m_messages;
};
