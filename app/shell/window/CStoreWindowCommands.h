#pragma once
// Data in and out of the store, installed into the main window: the phone
// import ("导入安卓数据库"), the backup folder ("自动备份"), the manual backup,
// the backup import, and the automatic backup when the window closes.
#include "Backup.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace qm::store {
class CDlgDBDev;
class CPortableDevices;
} // namespace qm::store
namespace qm::device {
class CProgressDlg;
}

namespace qm::window {

class CQuillmarkBody;

class CStoreWindowCommands : public QObject {
    Q_OBJECT
public:
    // Installs the commands and the close hook. Installed before the device
    // and download subsystems, its close hook runs after theirs: the backup
    // is the last work on the data.
    explicit CStoreWindowCommands(CQuillmarkBody& body);
    ~CStoreWindowCommands() override;

    // 32840: phone list, then the loggers of the phone's database; then the
    // search text is cleared and the device tree reloaded.
    void OnImportAndroid();
    // 32821: the backup folder dialog.
    void OnBackupSet();
    // 32823: folder browser (246), the copy with its progress window, 247/123/124.
    void OnBackupManual();
    // 32826: open dialog (251, filter 250), the import, 217/216, both trees reloaded.
    void OnBackupImport();
    // The window closes: the automatic backup into the month folder.
    void OnClose();
    // Runs `copy` on a worker thread behind the progress window titled `title`.
    store::BackupResult CopyBehindProgress(const QString& title, bool cancellable,
                                           const std::function<store::BackupResult(const store::BackupCallbacks&)>& copy);

    // The phones the import lists (default: OpenPortableDevices()).
    void SetPortableDevices(std::function<std::unique_ptr<store::CPortableDevices>()> make);
    // Runs with the loggers dialog before it is shown (tests).
    void SetBeforeImportDialog(std::function<void(store::CDlgDBDev&)> hook) { m_beforeImport = std::move(hook); }
    device::CProgressDlg* Progress() const { return m_progress.get(); }

private:
    CQuillmarkBody& m_body;
    // A window of its own: disabling the main window must leave its Cancel usable.
    std::unique_ptr<device::CProgressDlg> m_progress;
    std::function<std::unique_ptr<store::CPortableDevices>()> m_devices;
    std::function<void(store::CDlgDBDev&)> m_beforeImport;
};

} // namespace qm::window
