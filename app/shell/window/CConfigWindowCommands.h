#pragma once
// The configuration subsystem installed into the main window: the
// device-configuration page in side slot 2 (filled when a connected logger
// becomes current, refreshed after a submit together with the information
// page, the tree item and the run/stop button), the record-configuration page
// in side slot 1 (filled when the record list selects a record), and the
// batch configuration behind button 1335 with its audit entry when the batch
// result window closes with OK. Owned by the body.
#include "CBasicAttribute.h"
#include "CConfigAttribute.h"
#include "CDlgAllNote.h"
#include "CRecordConfig.h"

#include <QObject>
#include <QPointer>

namespace qm::window {

class CQuillmarkBody;

class CConfigWindowCommands : public QObject {
    Q_OBJECT
public:
    CConfigWindowCommands(CQuillmarkBody& body, device::CDlgAllNote* note, device::CBasicAttribute* info);
    ~CConfigWindowCommands() override;

    device::CConfigAttribute* ConfigPage() const { return m_config; }
    device::CRecordConfig* RecordPage() const { return m_record; }

    void OnBnClickedBconfigAll();

private:
    void OnDeviceSelected(const QString& sn);
    void OnConfigured(const QString& sn);

    CQuillmarkBody& m_body;
    QPointer<device::CDlgAllNote> m_note;
    QPointer<device::CBasicAttribute> m_info;
    QPointer<device::CConfigAttribute> m_config;
    QPointer<device::CRecordConfig> m_record;
};

} // namespace qm::window
