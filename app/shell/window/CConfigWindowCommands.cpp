#include "CConfigWindowCommands.h"

#include "BatchWorkers.h"
#include "CBasicAttribute.h"
#include "CConfigAttribute.h"
#include "CDlgAllConfig.h"
#include "CDlgAllNote.h"
#include "CQuillmarkBody.h"
#include "CQuillmarkDlg.h"
#include "CRecordConfig.h"
#include "DeviceConfig.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QPushButton>

namespace qm::window {

CConfigWindowCommands::CConfigWindowCommands(CQuillmarkBody& body, device::CDlgAllNote* note,
                                             device::CBasicAttribute* info)
    : QObject(&body), m_body(body), m_note(note), m_info(info)
{
    m_config = new device::CConfigAttribute;
    body.SetSidePage(kSideDeviceConfig, m_config);
    m_record = new device::CRecordConfig;
    body.SetSidePage(kSideRecordConfig, m_record);
    body.Commands().Install(kBtnConfigAll, [this] { OnBnClickedBconfigAll(); });

    connect(&body, &CQuillmarkBody::deviceSelected, this,
            [this](const QString& sn, const QString&, const QString&) { OnDeviceSelected(sn); });
    connect(m_config, &device::CConfigAttribute::configured, this, &CConfigWindowCommands::OnConfigured);
    connect(&body, &CQuillmarkBody::recordSelected, this, [this](int recordId, bool imported) {
        if (m_record)
            m_record->Fill(imported ? 0 : recordId);
    });
    connect(m_record, &device::CRecordConfig::setDeviceAttributes, this,
            [this] { m_body.SelectSidePage(m_body.CurrentDevice() ? kSideDeviceConfig : kSideEmpty); });
    body.UpdateToolbar();
}

CConfigWindowCommands::~CConfigWindowCommands() = default;

void CConfigWindowCommands::OnDeviceSelected(const QString& sn)
{
    if (!m_config)
        return;
    const device::DevicePtr device = device::DeviceManager().Find(sn);
    if (device)
        m_config->Fill(device);
    else if (m_config->Device())
        m_config->Fill(nullptr);
}

void CConfigWindowCommands::OnConfigured(const QString& sn)
{
    const device::DevicePtr device = device::DeviceManager().Find(sn);
    if (!device)
        return;
    if (m_info)
        m_info->Fill(*device);
    m_body.RenameDeviceItem(sn, device->name);
    // The run or the stop button, as the logger now records or not.
    m_body.UpdateToolbar();
}

void CConfigWindowCommands::OnBnClickedBconfigAll()
{
    if (device::DeviceManager().Count() == 0) {
        ShowMessage(194);
        return;
    }
    const std::optional<device::ConfigForm> form = device::CDlgAllConfig::Run(&m_body.Frame());
    if (!form || !m_note)
        return;
    m_note->Begin(Msg(214), false);
    const std::vector<device::DevicePtr> devices = device::DeviceManager().Devices();
    device::BatchConfigResult result;
    {
        // The loggers are written off the UI thread; the result window follows.
        device::BatchWorkers workers;
        device::CBatchNote* note = &m_note->Note();
        workers.Start([&result, &devices, &form, note] { result = device::ConfigureDevices(devices, *form, note); });
        workers.JoinAll();
    }
    m_note->Refresh();
    // The entry is written when the result window is dismissed with OK.
    connect(
        m_note->OkButton(), &QPushButton::clicked, this,
        [lines = result.lines, settings = *form] { device::WriteBatchConfigLog(lines, settings); },
        Qt::SingleShotConnection);
    const device::DevicePtr current = m_body.CurrentDevice();
    if (current) {
        if (m_info)
            m_info->Fill(*current);
        if (m_config)
            m_config->Refill();
    }
    m_body.UpdateToolbar();
}

} // namespace qm::window
