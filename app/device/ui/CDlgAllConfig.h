#pragma once
// The batch configuration dialog (批量配置): history interval, start mode
// with its time, stop mode with its time. Its submit runs the batch's checks
// and the question; the caller then configures every connected logger.
//
//   std::optional<ConfigForm> form = CDlgAllConfig::Run(parent);
#include "DeviceConfig.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;

namespace qm::device {

class CDlgAllConfig : public QDialog {
    Q_OBJECT
public:
    enum Id {
        kHours = 1341,
        kMinutes = 1342,
        kSeconds = 1343,
        kStartMode = 1042,
        kStopMode = 1043,
        kStartDate = 1055,
        kStartTime = 1056,
        kStopDate = 1057,
        kStopTime = 1058,
    };

    explicit CDlgAllConfig(QWidget* parent = nullptr);

    // Shows the dialog; the settings once they passed the checks and the question.
    static std::optional<ConfigForm> Run(QWidget* parent);

    ConfigForm Form() const;
    void SetForm(const ConfigForm& form);

    void OnBnClickedOk();
    void OnStartModeChanged(int position);
    void OnStopModeChanged(int position);

    QLineEdit* IntervalEdit(int part) const { return part >= 0 && part < 3 ? m_interval[part] : nullptr; }
    QComboBox* StartModeBox() const { return m_startMode; }
    QComboBox* StopModeBox() const { return m_stopMode; }
    QDateEdit* StartDate() const { return m_startDate; }
    QTimeEdit* StartTime() const { return m_startTime; }
    QDateEdit* StopDate() const { return m_stopDate; }
    QTimeEdit* StopTime() const { return m_stopTime; }
    QPushButton* OkButton() const { return m_ok; }

private:
    void UpdateTimeControls();

    QLineEdit* m_interval[3] = {};
    QComboBox* m_startMode = nullptr;
    QComboBox* m_stopMode = nullptr;
    QDateEdit* m_startDate = nullptr;
    QTimeEdit* m_startTime = nullptr;
    QDateEdit* m_stopDate = nullptr;
    QTimeEdit* m_stopTime = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace qm::device
