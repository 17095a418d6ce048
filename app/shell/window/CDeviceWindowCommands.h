#pragma once
// The device subsystem installed into the main window: connect and disconnect,
// run and stop, batch connect and the serial settings, with the Ctrl+I and
// Ctrl+R items that choose between the pairs by the current device's state;
// the device-information page in side slot 3; the batch result window; and
// the release of every device when the window closes. Owned by the body.
#include "CBasicAttribute.h"
#include "CDevice.h"
#include "DeviceCommands.h"

#include <QObject>
#include <QPointer>

#include <memory>

namespace qm::device {
class CConnectProcedure;
class CDlgAllNote;
}

namespace qm::window {

class CQuillmarkBody;

class CDeviceWindowCommands : public QObject {
    Q_OBJECT
public:
    explicit CDeviceWindowCommands(CQuillmarkBody& body);
    ~CDeviceWindowCommands() override;

    device::CConnectProcedure& Procedure() { return *m_procedure; }
    // The batch result window, shared with the batch download.
    device::CDlgAllNote* BatchNote() const { return m_note.get(); }
    device::CBasicAttribute* InfoPage() const { return m_info; }

    void OnBnClickedBConn();
    void OnBnClickedBcut();
    void OnBnClickedBrun();
    void OnBnClickedBpause();
    void OnBnClickedBconnAll();
    void OnSerialSettings();

private:
    void FillInfo(const QString& sn, const QString& mac, const QString& channelTypes);
    // Start or stop on the current device (194 without one).
    void ChangeRecording(device::CommandOutcome (*command)(device::CDevice&, const QString&));

    CQuillmarkBody& m_body;
    std::unique_ptr<device::CConnectProcedure> m_procedure;
    std::unique_ptr<device::CDlgAllNote> m_note;
    QPointer<device::CBasicAttribute> m_info;
};

} // namespace qm::window
