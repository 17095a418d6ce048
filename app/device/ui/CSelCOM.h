#pragma once
// The serial settings dialog ("串口设置"): connection mode, port, baud rate and
// command interval, stored in section "com_port". Port, baud and interval
// can be chosen only in manual mode.
#include "PortList.h"

#include <QDialog>

class QComboBox;

namespace qm::device {

class CSelCOM : public QDialog {
    Q_OBJECT
public:
    explicit CSelCOM(QWidget* parent = nullptr);
    ~CSelCOM() override;

    // The main menu's entry: shows the dialog modally. QDialog::Accepted when
    // the settings were stored.
    static int Run(QWidget* parent);

    // Lists the ports again (the combo and the global port list); returns their number.
    int EnumeratePorts();

    // OK: stores the choice and closes; stays open when it was refused.
    void OnBnClickedOk();

    QComboBox* ModeCombo() const { return m_mode; }
    QComboBox* PortCombo() const { return m_port; }
    QComboBox* BaudCombo() const { return m_baud; }
    QComboBox* IntervalCombo() const { return m_interval; }

private:
    void UpdateEnabling();
    void SelectStored();

    QComboBox* m_mode = nullptr;
    QComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_interval = nullptr;
};

} // namespace qm::device
