// The main window with its body on a scratch program folder, simulated
// loggers when a test starts them, the message script and helpers that
// answer modal dialogs and log in.
#pragma once

#include "DeviceFixture.h"

#include "CBasicAttribute.h"
#include "CConnect.h"
#include "CDevManager.h"
#include "CDeviceWindowCommands.h"
#include "CDlgAllNote.h"
#include "CDownloadWindowCommands.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "CTitleBar.h"
#include "StyleSheet.h"
#include "LoginState.h"
#include "TestUsers.h"
#include "MessageSeam.h"
#include "ModalAnswer.h"
#include "OperationLog.h"
#include "Recordset.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <functional>
#include <ostream>
#include <memory>

// Readable texts in failure messages.
#ifndef QM_TEST_PRINTS_QSTRING
#define QM_TEST_PRINTS_QSTRING
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE
#endif

using qmtest::OnNextModal;

namespace wintest {

class WindowFixture : public devtest::DeviceFixture {
protected:
    void SetUp() override
    {
        devtest::DeviceFixture::SetUp();
        // The shipped settings, so that channel types have their names and units.
        const QString ini = qm::SettingsFile();
        QFile::remove(ini);
        ASSERT_TRUE(QFile::copy(qEnvironmentVariable("QM_SOURCE_DIR") + QStringLiteral("/app/res/config/channelInfo.ini"), ini));
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        qm::Settings().SetPath(QString());
        qm::Settings().SetPath(ini);
        SetCom(1, QString(), -1, devtest::kLinkDelay);
        qm::device::DeviceManager().Clear();
    }
    void TearDown() override
    {
        m_frame.reset();
        qm::device::DeviceManager().Clear();
        qm::ReleaseOperationLog();
        devtest::DeviceFixture::TearDown();
    }

    // A new main window (not shown, nobody logged in), put together as
    // main.cpp does; `withDownload` false leaves the download subsystem out.
    qm::window::CQuillmarkBody& Open(bool withDownload = true)
    {
        m_frame = std::make_unique<qm::CQuillmarkDlg>();
        m_body = new qm::window::CQuillmarkBody(*m_frame);
        m_body->setStyleSheet(qm::ui::MainWindowStyleSheet());
        m_devices = new qm::window::CDeviceWindowCommands(*m_body);
        m_downloads = withDownload ? new qm::window::CDownloadWindowCommands(*m_body, m_devices->BatchNote()) : nullptr;
        return *m_body;
    }

    qm::device::CBasicAttribute* InfoPage() const { return m_devices->InfoPage(); }
    qm::device::CDlgAllNote* BatchNote() const { return m_devices->BatchNote(); }

    // Logs a user of `role` in the way the window's login does.
    void LogIn(int role)
    {
        qm::SetLogin(7, QStringLiteral("amy"), QStringLiteral("pw"), role, QString());
        m_frame->show();
        emit m_frame->loginChanged();
    }

    // Lets `w` lay itself out and saves its picture as <name>.png in
    // $QM_SCREENS when that is set (run under xvfb-run for the real look).
    static void SaveScreen(QWidget& w, const QString& name)
    {
        w.show();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString folder = qEnvironmentVariable("QM_SCREENS");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        EXPECT_TRUE(w.grab().save(folder + u'/' + name + QStringLiteral(".png"))) << name.toStdString();
    }

    // Logs `name` in through the login dialog, as a person does, so that the
    // title bar shows the name (LogIn() only sets the state behind it).
    void LogInThroughDialog(const QString& name, int role)
    {
        qmtest::AddUserRow(name, QStringLiteral("password8"), role);
        OnNextModal([name](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("name"))->setText(name);
            w->findChild<QLineEdit*>(QStringLiteral("password"))->setText(QStringLiteral("password8"));
            w->findChild<QPushButton*>(QStringLiteral("ok"))->click();
        });
        m_frame->Login();
    }

    // Answers the connect dialog with OK (it connects there and then).
    static void ConnectOnNextDialog()
    {
        OnNextModal([](QWidget* w) {
            if (auto* dialog = qobject_cast<qm::device::CConnect*>(w))
                dialog->OnBnClickedOk();
            else
                static_cast<QDialog*>(w)->reject();
        });
    }

    // The types of the audit rows written so far, in order.
    QList<int> NoteTypes()
    {
        QList<int> types;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (!db || db->QueryRecordset(QStringLiteral("select * from note order by rowid"), set) != 1 || !set)
            return types;
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            types << int(set->Integer(u"type"));
        return types;
    }
    QStringList NoteTexts()
    {
        QStringList texts;
        auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
        std::unique_ptr<qm::store::CRecordset> set;
        if (!db || db->QueryRecordset(QStringLiteral("select * from note order by rowid"), set) != 1 || !set)
            return texts;
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
            texts << set->Text(u"info");
        return texts;
    }

    QTreeWidgetItem* DeviceItem(int index) const
    {
        QTreeWidgetItem* root = m_body->DeviceTree()->topLevelItem(0);
        return root && index < root->childCount() ? root->child(index) : nullptr;
    }

    std::unique_ptr<qm::CQuillmarkDlg> m_frame;
    qm::window::CQuillmarkBody* m_body = nullptr;
    qm::window::CDeviceWindowCommands* m_devices = nullptr;
    qm::window::CDownloadWindowCommands* m_downloads = nullptr;
    qm::MessageScript m_messages;
};

} // namespace wintest
