#include "CDownloadWindowCommands.h"

#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "DeviceCommands.h"
#include "DownloadEntry.h"
#include "LostDevice.h"
#include "MessageSeam.h"
#include "SingleDownload.h"

namespace qm::window {

CDownloadWindowCommands::CDownloadWindowCommands(CQuillmarkBody& body, device::CDlgAllNote* note)
    : QObject(&body), m_body(body), m_note(note), m_entry(std::make_unique<device::DownloadEntry>())
{
    CCommandTable& commands = body.Commands();
    commands.Install(kBtnDownload, [this] { OnBnClickedBdownload(); });
    commands.Install(int(MenuCmd::Download), [this] { OnBnClickedBdownload(); });
    commands.Install(kBtnDownloadAll, [this] { OnBnClickedBdownloadAll(); });

    connect(m_entry.get(), &device::DownloadEntry::singleFinished, this, &CDownloadWindowCommands::OnDownSuccess);
    connect(m_entry.get(), &device::DownloadEntry::singleFailed, this, [this](const QString& sn) {
        // A logger lost during the transfer is shown so in the tree.
        const device::DevicePtr device = device::DeviceManager().Find(sn);
        if (device && device->lostFailure)
            m_body.ReloadDeviceTree(sn);
        m_body.UpdateToolbar();
    });
    connect(m_entry.get(), &device::DownloadEntry::recordsChanged, &body, &CQuillmarkBody::NotifyRecordsChanged);
    // The download's threads end before the devices they work with (installed
    // earlier, released later).
    body.OnClose([] { device::SingleDownload::Instance().Shutdown(); });
    body.UpdateToolbar();
}

CDownloadWindowCommands::~CDownloadWindowCommands() = default;

void CDownloadWindowCommands::OnBnClickedBdownload()
{
    device::DevicePtr device = m_body.CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    // The question below is asked on what the logger says now; a logger that
    // no longer answers is named with its port instead.
    const bool wasLost = device->lostFailure != 0;
    if (!device::RefreshRecords(*device) && device->lostFailure) {
        device::ShowLost(*device);
        if (!wasLost)
            m_body.ReloadDeviceTree(device->sn);
        m_body.UpdateToolbar();
        return;
    }
    if (wasLost)
        m_body.ReloadDeviceTree(device->sn);
    if (device->config.recordingState == 1 && ShowMessage(207, MsgButtons::OkCancel) != AnswerOk)
        return;
    device.reset();
    m_entry->StartSingleDownload(&m_body.Frame());
    m_body.UpdateToolbar();
}

void CDownloadWindowCommands::OnDownSuccess(const QString& sn)
{
    m_entry->OnDownSuccess(&m_body.Frame(), sn);
    m_body.UpdateToolbar();
}

void CDownloadWindowCommands::OnBnClickedBdownloadAll()
{
    m_entry->RunBatchDownload(&m_body.Frame(), m_note);
    m_body.ReloadDeviceTree(device::DeviceManager().CurrentSN());
    m_body.UpdateToolbar();
}

} // namespace qm::window
