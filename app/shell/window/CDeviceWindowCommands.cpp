#include "CDeviceWindowCommands.h"

#include "CBasicAttribute.h"
#include "CBatchConnect.h"
#include "CConnect.h"
#include "CConnectProcedure.h"
#include "CDlgAllNote.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "CSelCOM.h"
#include "DeviceCommands.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "Strings.h"

namespace qm::window {

CDeviceWindowCommands::CDeviceWindowCommands(CQuillmarkBody& body)
    : QObject(&body), m_body(body),
      m_procedure(std::make_unique<device::CConnectProcedure>(device::DeviceManager())),
      m_note(std::make_unique<device::CDlgAllNote>(&body.Frame()))
{
    m_info = new device::CBasicAttribute;
    body.SetSidePage(kSideDeviceInfo, m_info);

    CCommandTable& commands = body.Commands();
    commands.Install(kBtnConnect, [this] { OnBnClickedBConn(); });
    commands.Install(kBtnDisconnect, [this] { OnBnClickedBcut(); });
    commands.Install(kBtnRun, [this] { OnBnClickedBrun(); });
    commands.Install(kBtnStop, [this] { OnBnClickedBpause(); });
    commands.Install(kBtnConnectAll, [this] { OnBnClickedBconnAll(); });
    commands.Install(int(MenuCmd::SerialSettings), [this] { OnSerialSettings(); });
    // The accelerators choose the member of each pair by what the current
    // device is, never by what the menu text says.
    commands.Install(int(MenuCmd::Connect), [this] { m_body.Route(m_body.CurrentDevice() ? kBtnDisconnect : kBtnConnect); });
    commands.Install(int(MenuCmd::RunPause), [this] {
        const device::DevicePtr device = m_body.CurrentDevice();
        m_body.Route(device && device->config.recordingState == 1 ? kBtnStop : kBtnRun);
    });

    connect(&body, &CQuillmarkBody::deviceSelected, this, &CDeviceWindowCommands::FillInfo);
    connect(&body, &CQuillmarkBody::recordsChanged, this, [this](const QString& sn) {
        // The information page shows the frame count the download left.
        const device::DevicePtr d = device::DeviceManager().Find(sn);
        if (d && m_info && m_body.SidePageShown() == kSideDeviceInfo && device::DeviceManager().CurrentSN() == sn)
            m_info->Fill(*d);
    });
    // The devices (and their ports) end with the program.
    body.OnClose([] { device::DeviceManager().Clear(); });
    body.UpdateToolbar();
}

CDeviceWindowCommands::~CDeviceWindowCommands() = default;

void CDeviceWindowCommands::FillInfo(const QString& sn, const QString& mac, const QString& channelTypes)
{
    if (!m_info)
        return;
    if (const device::DevicePtr device = device::DeviceManager().Find(sn))
        m_info->Fill(*device);
    else
        m_info->FillKnown(sn, mac, channelTypes);
}

void CDeviceWindowCommands::OnBnClickedBConn()
{
    const int connected = device::CConnect::Run(*m_procedure, &m_body.Frame());
    const device::DevicePtr device = connected == 1 ? m_procedure->LastConnected() : nullptr;
    if (!device) {
        m_body.UpdateToolbar();
        const device::PortProblem problem = m_procedure->LastOpenProblem();
        if (problem.number)
            ShowMessageText(problem.number, problem.text);
        else
            ShowMessage(186);
        return;
    }
    m_body.ReloadDeviceTree(device->sn);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBConn"), JoinWords(Msg(269), device->name), 4);
    m_body.UpdateToolbar();
    ShowMessage(187);
}

void CDeviceWindowCommands::OnBnClickedBcut()
{
    device::DevicePtr device = m_body.CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    if (ShowMessage(210, MsgButtons::OkCancel) != AnswerOk)
        return;
    const QString sn = device->sn;
    const QString name = device->name;
    device.reset();
    m_procedure->Disconnect(sn);
    ShowMessage(190);
    m_body.ReloadDeviceTree(sn);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBcut"), JoinWords(Msg(270), name), 5);
    m_body.UpdateToolbar();
}

void CDeviceWindowCommands::OnBnClickedBrun() { ChangeRecording(&device::StartRecording); }

void CDeviceWindowCommands::OnBnClickedBpause() { ChangeRecording(&device::StopRecording); }

void CDeviceWindowCommands::ChangeRecording(device::CommandOutcome (*command)(device::CDevice&, const QString&))
{
    const device::DevicePtr device = m_body.CurrentDevice();
    if (!device) {
        ShowMessage(194);
        return;
    }
    const bool wasLost = device->lostFailure != 0;
    // The information page shows what the logger read back.
    if (command(*device, QString()) == device::CommandOutcome::Done && m_info)
        m_info->Fill(*device);
    // A logger found lost (or back) changes its tree item and information page.
    if ((device->lostFailure != 0) != wasLost)
        m_body.ReloadDeviceTree(device->sn);
    m_body.UpdateToolbar();
}

void CDeviceWindowCommands::OnBnClickedBconnAll()
{
    m_procedure->EnsureDatabase();
    m_note->Begin(Msg(5038), false);
    device::BatchConnect(*m_procedure, &m_note->Note());
    m_note->Refresh();
    m_body.ReloadDeviceTree(device::DeviceManager().CurrentSN());
    m_body.UpdateToolbar();
}

void CDeviceWindowCommands::OnSerialSettings()
{
    device::CSelCOM::Run(&m_body.Frame());
}

} // namespace qm::window
