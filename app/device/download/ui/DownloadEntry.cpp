#include "DownloadEntry.h"

#include "CDevManager.h"
#include "CDlgAllNote.h"
#include "CDowmload.h"
#include "CDownload.h"
#include "CProgressDlg.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "SingleDownload.h"
#include "Strings.h"

#include <QApplication>
#include <QWidget>

namespace qm::device {

DownloadEntry::DownloadEntry() = default;
DownloadEntry::~DownloadEntry() = default;

bool DownloadEntry::AskName(QWidget* parent, QString* name)
{
    if (m_nameOverride) {
        *name = m_nameOverride();
        return !name->isEmpty();
    }
    CDowmload dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    *name = dialog.Name();
    return true;
}

void DownloadEntry::EnableMainWindow()
{
    if (m_mainWindow)
        m_mainWindow->setEnabled(true);
}

bool DownloadEntry::StartSingleDownload(QWidget* mainWindow)
{
    if (m_singleRunning)
        return false;   // one single download at a time
    m_mainWindow = mainWindow;
    SingleDownload& download = SingleDownload::Instance();
    BasicConfig basic{};
    const DevicePtr device = download.CheckDevice(DeviceManager(), &basic);
    QString name;
    if (!device || !AskName(mainWindow, &name) || !download.Prepare(device, basic, name)) {
        EnableMainWindow();
        return false;
    }

    if (mainWindow)
        mainWindow->setEnabled(false);
    if (!m_progress) {
        m_progress = std::make_unique<CProgressDlg>();
        m_progress->SetCancelHandler([this] { CancelSingleDownload(); });
    }
    m_runningSN = device->sn;
    m_singleRunning = true;
    m_progress->Begin(download.Expected(), [&download] { return download.Received(); });
    m_progress->show();
    m_progress->raise();

    SingleDownload::Events events;
    events.finished = [this](const QString& sn, int, const QString&) {
        QMetaObject::invokeMethod(this, [this, sn] { OnSingleFinished(sn); }, Qt::QueuedConnection);
    };
    events.failed = [this](const QString& sn, int message, const FailReason& why) {
        QMetaObject::invokeMethod(this, [this, sn, message, why] { OnSingleFailed(sn, message, why); },
                                  Qt::QueuedConnection);
    };
    download.Start(std::move(events));
    return true;
}

void DownloadEntry::OnSingleFinished(const QString& sn)
{
    m_singleRunning = false;
    if (m_progress) {
        m_progress->Stop();
        m_progress->hide();
    }
    emit singleFinished(sn);
}

void DownloadEntry::OnSingleFailed(const QString& sn, int message, const FailReason& why)
{
    if (!m_singleRunning)
        return;   // already ended by the user's cancel
    m_singleRunning = false;
    if (m_progress) {
        m_progress->Stop();
        m_progress->hide();
    }
    // A logger that went away during the transfer is named with its port.
    const DevicePtr device = DeviceManager().Find(sn);
    if (message && device && device->lostFailure)
        ShowMessageText(message, Msg(message) + QStringLiteral("\r\n") + LostText(*device));
    else if (message)
        ShowMessageText(message, FailureText(Msg(message), why));
    EnableMainWindow();
    emit singleFailed(sn);
}

void DownloadEntry::CancelSingleDownload()
{
    if (!m_singleRunning || !SingleDownload::Instance().Cancel())
        return;   // already registered: the end arrives as usual
    m_singleRunning = false;
    if (m_progress) {
        m_progress->Stop();
        m_progress->hide();
    }
    EnableMainWindow();
    emit singleFailed(m_runningSN);
}

void DownloadEntry::OnDownSuccess(QWidget* mainWindow, const QString& sn)
{
    ShowMessage(199);
    if (mainWindow)
        mainWindow->setEnabled(true);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnDownSuccess"), JoinWords(sn, Msg(199)), 8);
    emit recordsChanged(sn);
}

bool DownloadEntry::RunBatchDownload(QWidget* mainWindow, CDlgAllNote* note)
{
    QString name;
    if (!AskName(mainWindow, &name))
        return false;
    if (mainWindow)
        mainWindow->setEnabled(false);
    if (note)
        note->Begin(Msg(219), true);

    CDownload batch(name);
    CDownload::Hooks hooks;
    int busyDepth = 0;
    hooks.busy = [&busyDepth](bool on) {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        if (on && busyDepth == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            busyDepth = 1;
        } else if (!on && busyDepth == 1) {
            QApplication::restoreOverrideCursor();
            busyDepth = 0;
        }
    };
    hooks.showWindow = [note] {
        if (note && !note->Note().CancelRequested()) {
            note->show();
            note->raise();
        }
    };
    const int ran = batch.RunBatchDownload(note ? &note->Note() : nullptr, hooks);
    hooks.busy(false);
    if (!ran) {
        if (note)
            note->OnBnClickedOk();
        if (mainWindow)
            mainWindow->setEnabled(true);
        return false;
    }
    if (!batch.Cancelled()) {
        QString text = batch.Note().Text();
        text.replace(QStringLiteral("\r\n"), QStringLiteral(";"));
        WriteOperationLog(QStringLiteral("CConfigAttribute::OnBnClickedBdownloadAll"), text, 8);
    }
    for (const CDownload::LoggerResult& r : batch.Results()) {
        if (r.recordId > 0)
            emit recordsChanged(r.sn);
    }
    if (!note && mainWindow)
        mainWindow->setEnabled(true);
    return true;
}

} // namespace qm::device
