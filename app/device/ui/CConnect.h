#pragma once
// The connect dialog ("连接"): USB or Bluetooth, then OK connects the logger
// selected in the main window (or the configured port) through
// CConnectProcedure::ConnectSelected, asking for the name of a logger the
// database does not know yet. The result is 1 connected, 0 not.
#include "CConnectProcedure.h"

#include <QDialog>

class QToolButton;

namespace qm::device {

class CConnect : public QDialog {
    Q_OBJECT
public:
    enum Link { LinkUsb = 0, LinkBluetooth = 1 };

    CConnect(CConnectProcedure& procedure, QWidget* parent = nullptr);
    ~CConnect() override;

    // Shows the dialog modally: 1 connected (the device is registered and
    // current), 0 not; `cancelled` tells whether the user gave up before trying.
    static int Run(CConnectProcedure& procedure, QWidget* parent, bool* cancelled = nullptr);

    Link Chosen() const { return m_link; }
    void Choose(Link link);
    int Result() const { return m_result; }
    bool Tried() const { return m_tried; }

    QToolButton* UsbButton() const { return m_usb; }
    QToolButton* BluetoothButton() const { return m_bluetooth; }

    void OnBnClickedOk();

private:
    CConnectProcedure& m_procedure;
    QToolButton* m_usb = nullptr;
    QToolButton* m_bluetooth = nullptr;
    Link m_link = LinkUsb;
    int m_result = 0;
    bool m_tried = false;
};

} // namespace qm::device
