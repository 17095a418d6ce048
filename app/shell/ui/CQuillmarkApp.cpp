#include "CQuillmarkApp.h"

#include "AppEnv.h"
#include "CQuillmarkDlg.h"
#include "DataFolder.h"
#include "FileDialogHandler.h"
#include "Fonts.h"
#include "InstanceGuard.h"
#include "LoginState.h"
#include "MessageBoxHandler.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Startup.h"
#include "Strings.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QProcess>
#include <QTimer>

namespace qm {

void InstallFontSubstitutions()
{
    RegisterFontSubstitutions();
    const QString hei = QStringLiteral("WenQuanYi Micro Hei");
    if (QFontDatabase::hasFamily(hei)) {
        QFont font(hei);
        font.setPointSize(10);
        QApplication::setFont(font);
    }
}

CQuillmarkApp::CQuillmarkApp()
    : m_messages(std::make_unique<CMessageBoxHandler>()), m_paths(std::make_unique<CFileDialogHandler>())
{
    SetMessageHandler(m_messages.get());
    SetPathHandler(m_paths.get());
}

CQuillmarkApp::~CQuillmarkApp()
{
    if (CurrentMessageHandler() == m_messages.get())
        SetMessageHandler(nullptr);
    if (CurrentPathHandler() == m_paths.get())
        SetPathHandler(nullptr);
}

void CQuillmarkApp::SetMainWindowSetup(std::function<void(CQuillmarkDlg&)> setup)
{
    m_setup = std::move(setup);
}

int CQuillmarkApp::Run()
{
    InitInstance();
    return ExitInstance();
}

bool CQuillmarkApp::InitInstance()
{
    // The program folder is the executable's, the user's data folder when the
    // program is installed, or QUILLMARK_FOLDER.
    m_context = std::make_unique<CCoreContext>();

    m_instance = std::make_unique<CInstanceGuard>(m_lockPath);
    if (!m_instance->Acquire(3, 1000)) {
        ShowMessage(351);
        m_instance.reset();
        return false;
    }

    // Installed, the program folder is the user's data folder: the first
    // start makes it and gives it the shipped settings and initial database.
    const SeedResult seeded = SeedDataFolder();
    if (seeded.outcome == SeedResult::NoFolder) {
        ShowMessageText(110, MsgF(110, {seeded.path}));
        return false;
    }
    if (seeded.outcome == SeedResult::CopyFailed) {
        ShowMessageText(5140, MsgF(5140, {seeded.path}));
        return false;
    }

    if (!QDir().mkpath(ConfigFolder())) {
        ShowMessageText(110, MsgF(110, {ConfigFolder()}));
        return false;
    }
    ClearLogin();

    switch (SelectLanguage()) {
    case LanguageResult::ModuleLoaded:
        break;
    case LanguageResult::BuiltinUsed:
        ShowMessage(354);
        break;
    case LanguageResult::NoResourceFolder:
        ShowMessageText(110, MsgF(110, {ResourceFolder()}));
        return false;
    }

    InstallFontSubstitutions();
    InstallWaitCursorHook();
    QApplication::setApplicationDisplayName(QString());
    // Hiding the window on logout must not end the program; closing it does.
    QApplication::setQuitOnLastWindowClosed(false);

    WriteOperationLog(QString(), Msg(292), 24);

    auto* dialog = new CQuillmarkDlg;
    QObject::connect(dialog, &CQuillmarkDlg::aboutToClose, qApp, [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); });
    if (m_setup)
        m_setup(*dialog);
    QTimer::singleShot(0, dialog, &CQuillmarkDlg::Login);
    QApplication::exec();
    m_restart = dialog->RestartRequested();

    WriteOperationLog(QString(), Msg(268), 3);
    delete dialog;
    return false;
}

int CQuillmarkApp::ExitInstance()
{
    m_context.reset();
    UseBuiltinStrings();
    const bool held = m_instance && m_instance->Held();
    m_instance.reset();
    if (held && m_restart) {
        const QStringList arguments = QCoreApplication::arguments().mid(1);
        QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments, QCoreApplication::applicationDirPath());
    }
    return 0;
}

} // namespace qm
