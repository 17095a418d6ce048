#pragma once
// A scratch program folder with its own initial database, the message script
// and helpers that answer the next modal dialog.
#include "AppEnv.h"
#include "InitialDatabase.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "Startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(qm::store::CreateInitialProgramFolder(m_folder.path()), qm::store::kInitialCreated);
        m_context = std::make_unique<qm::CCoreContext>(m_folder.path());
    }
    void TearDown() override { m_context.reset(); }

    // Runs `act` on the next modal dialog once it is up (within two seconds).
    static void OnNextModal(std::function<void(QWidget*)> act)
    {
        auto* timer = new QTimer;
        auto* started = new QElapsedTimer;
        started->start();
        QObject::connect(timer, &QTimer::timeout, [timer, started, act] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal && started->elapsed() < 2000)
                return;
            timer->stop();
            timer->deleteLater();
            delete started;
            if (modal)
                act(modal);
        });
        timer->start(10);
    }

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
