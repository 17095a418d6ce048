#include "CStoreWindowCommands.h"

#include "CBackupSet.h"
#include "CDlgDBDev.h"
#include "CDlgPhonelist.h"
#include "CProgressDlg.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "DataTransfer.h"
#include "EventLock.h"
#include "PortableDevice.h"

#include "AppEnv.h"
#include "MessageSeam.h"
#include "PathSeam.h"
#include "Strings.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include <atomic>
#include <thread>

namespace qm::window {

CStoreWindowCommands::CStoreWindowCommands(CQuillmarkBody& body)
    : QObject(&body), m_body(body), m_devices([] { return store::OpenPortableDevices(); })
{
    m_progress = std::make_unique<device::CProgressDlg>();
    CCommandTable& commands = body.Commands();
    commands.Install(int(MenuCmd::ImportAndroid), [this] { OnImportAndroid(); });
    commands.Install(int(MenuCmd::AutoBackup), [this] { OnBackupSet(); });
    commands.Install(int(MenuCmd::ManualBackup), [this] { OnBackupManual(); });
    commands.Install(int(MenuCmd::BackupImport), [this] { OnBackupImport(); });
    body.OnClose([this] { OnClose(); });
    body.UpdateToolbar();
}

CStoreWindowCommands::~CStoreWindowCommands() = default;

void CStoreWindowCommands::SetPortableDevices(std::function<std::unique_ptr<store::CPortableDevices>()> make)
{
    m_devices = std::move(make);
}

void CStoreWindowCommands::OnImportAndroid()
{
    QWidget* frame = &m_body.Frame();
    const std::unique_ptr<store::CPortableDevices> devices = m_devices();
    store::CDlgPhonelist phones(*devices, frame);
    if (phones.exec() == QDialog::Accepted) {
        store::CDlgDBDev loggers(frame, frame);
        if (loggers.Load(PhoneDatabaseCopyPath())) {
            if (m_beforeImport)
                m_beforeImport(loggers);
            loggers.exec();
        }
    }
    m_body.SearchEdit()->clear();
    m_body.ReloadDeviceTree(device::DeviceManager().CurrentSN());
}

void CStoreWindowCommands::OnBackupSet()
{
    store::CBackupSet dialog(&m_body.Frame());
    dialog.exec();
}

void CStoreWindowCommands::OnBackupManual()
{
    PathRequest request;
    request.dialog = PathDialog::Folder;
    request.caption = Msg(246);
    const PathAnswer answer = AskPath(request);
    if (answer.Cancelled())
        return;
    const QString folder = answer.Path();
    if (!ConfirmManualBackup(folder))
        return;

    // The window stays alive and Cancel stops between files.
    const store::BackupResult result =
        CopyBehindProgress(Msg(6218), true, [&folder](const store::BackupCallbacks& callbacks) {
            return CopyForManualBackup(folder, callbacks);
        });
    ReportManualBackup(result);
}

void CStoreWindowCommands::OnBackupImport()
{
    PathRequest request;
    request.dialog = PathDialog::OpenFiles;
    request.caption = Msg(251);
    request.filter = BackupImportFilter();
    const PathAnswer answer = AskPath(request);
    if (answer.Cancelled())
        return;
    store::CDBSqlite3* datainfo = m_body.Database();
    if (!datainfo) {
        ShowMessage(123);
        return;
    }

    // Merges write through the window's own connection, so they run here,
    // file after file, with the wait cursor and the files counted in the
    // progress window (which has nothing to cancel: each file is one
    // transaction that is never left half done).
    QWidget& frame = m_body.Frame();
    frame.setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    qint64 done = 0;
    m_progress->setWindowTitle(Msg(286));
    m_progress->CancelButton()->hide();
    m_progress->Begin(answer.paths.size(), [&done] { return done; });
    m_progress->show();
    const store::BackupImportResult result = RunBackupImport(*datainfo, answer.paths, [this, &done](int files, int) {
        done = files;
        m_progress->Poll();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    m_progress->Stop();
    m_progress->hide();
    m_progress->CancelButton()->show();
    QApplication::restoreOverrideCursor();
    frame.setEnabled(true);

    // The loggers and folders the files brought; the record list follows the
    // device tree's current item.
    m_body.ReloadFolderTree();
    m_body.ReloadDeviceTree(device::DeviceManager().CurrentSN());
    if (result.AllImported())
        m_body.NotifyRecordsChanged(QString());
    ReportBackupImport(result);
}

store::BackupResult CStoreWindowCommands::CopyBehindProgress(
    const QString& title, bool cancellable, const std::function<store::BackupResult(const store::BackupCallbacks&)>& copy)
{
    // The copy runs on a thread of its own behind the progress window, which
    // counts the files.
    QWidget& frame = m_body.Frame();
    std::atomic<bool> cancel{false};
    std::atomic<qint64> done{0};
    store::BackupCallbacks callbacks;
    callbacks.cancelled = [&cancel] { return cancel.load(); };
    callbacks.progress = [&done](int files, int, const QString&) { done.store(files); };
    frame.setEnabled(false);
    m_progress->setWindowTitle(title);
    m_progress->CancelButton()->setVisible(cancellable);
    m_progress->SetCancelHandler([&cancel] { cancel.store(true); });
    m_progress->Begin(qMax<qint64>(1, store::DatabaseFolderFiles(DatabaseFolder()).size()),
                      [&done] { return done.load(); });
    m_progress->show();

    store::BackupResult result;
    store::CEventLock finished(false);
    std::thread worker([&] {
        result = copy(callbacks);
        finished.Set();
    });
    store::WaitWithMessagePump(finished, -1, false);
    worker.join();

    m_progress->Stop();
    m_progress->SetCancelHandler({});
    m_progress->hide();
    frame.setEnabled(true);
    return result;
}

void CStoreWindowCommands::OnClose()
{
    // The copy of every close runs to its end (a backup cut short is no
    // backup); the progress window shows how far it is.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CopyBehindProgress(Msg(284), false, [](const store::BackupCallbacks& callbacks) {
        return RunAutomaticBackup(QString(), callbacks);
    });
    QApplication::restoreOverrideCursor();
}

} // namespace qm::window
