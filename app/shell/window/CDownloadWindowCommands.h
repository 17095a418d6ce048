#pragma once
// The download subsystem installed into the main window: single download of
// the current device (after the 207 question when it records) and batch
// download into the batch result window, the end of a single download
// (OnDownSuccess), and the end of the download threads when the window closes.
// Owned by the body; it owns the window's download entry.
#include <QObject>

#include <memory>

namespace qm::device {
class CDlgAllNote;
class DownloadEntry;
}

namespace qm::window {

class CQuillmarkBody;

class CDownloadWindowCommands : public QObject {
    Q_OBJECT
public:
    // `note`: the batch result window the batch download reports into.
    CDownloadWindowCommands(CQuillmarkBody& body, device::CDlgAllNote* note);
    ~CDownloadWindowCommands() override;

    device::DownloadEntry& Entry() { return *m_entry; }

    void OnBnClickedBdownload();
    void OnBnClickedBdownloadAll();
    // The end of a single download (stands in for window message 3022).
    void OnDownSuccess(const QString& sn);

private:
    CQuillmarkBody& m_body;
    device::CDlgAllNote* m_note = nullptr;
    std::unique_ptr<device::DownloadEntry> m_entry;
};

} // namespace qm::window
