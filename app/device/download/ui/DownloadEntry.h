#pragma once
// The main window's entry points into the download pipeline.
#include "DownloadRecord.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qm::device {

class CDlgAllNote;
class CProgressDlg;
class SingleDownload;

// Entry points of the main window into the download pipeline (single and
// batch). The window owns one; it lives as long as the window, with its dialog.
class DownloadEntry : public QObject {
    Q_OBJECT
public:
    DownloadEntry();
    ~DownloadEntry() override;
    // Single download of the current device (DeviceManager().Current()):
    // shows messages 195/186/165 and returns false when it cannot start; asks the
    // record name (CDowmload; false on cancel); otherwise disables `mainWindow`,
    // shows CProgressDlg and returns true. The end arrives as singleFinished().
    bool StartSingleDownload(QWidget* mainWindow);
    // Batch download over every connected device, with CDowmload and the batch
    // window `note` (Cancel offered, message 221). Blocks (UI stays alive) until
    // phase 3 is done; writes the type-8 log entry unless cancelled. Returns false
    // when the name dialog was cancelled or the batch could not start.
    bool RunBatchDownload(QWidget* mainWindow, CDlgAllNote* note);
    // The main window's handler of the single download's end: message 199,
    // re-enable, log type 8 (source "CQuillmarkDlg::OnDownSuccess"), then emits
    // recordsChanged(sn).
    void OnDownSuccess(QWidget* mainWindow, const QString& sn);
signals:
    // Stands in for window message 3022: a single download registered its record.
    void singleFinished(const QString& sn);
    // A single download ended without a record (failure message shown or cancelled);
    // the main window is already re-enabled.
    void singleFailed(const QString& sn);
    void recordsChanged(const QString& sn);

public:
    // The progress dialog of the single download (created on first use).
    CProgressDlg* ProgressDialog() const { return m_progress.get(); }
    // The cancel of the progress dialog: stops and discards the running
    // download, re-enables the main window and hides the dialog.
    void CancelSingleDownload();
    // Hooks for tests: the record name the name dialog would return (no
    // dialog is shown while set); an empty text stands for its cancel.
    void SetNameOverride(std::function<QString()> name) { m_nameOverride = std::move(name); }

private:
    bool AskName(QWidget* parent, QString* name);
    void OnSingleFinished(const QString& sn);
    void OnSingleFailed(const QString& sn, int message, const FailReason& why);
    void EnableMainWindow();

    std::unique_ptr<CProgressDlg> m_progress;
    QPointer<QWidget> m_mainWindow;
    QString m_runningSN;
    bool m_singleRunning = false;   // a single download has started and not yet ended here
    std::function<QString()> m_nameOverride;
};

} // namespace qm::device
