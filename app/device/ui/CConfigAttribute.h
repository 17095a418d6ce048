#pragma once
// The device-configuration page of the side panel: name, history interval,
// start and stop modes with their times, and per channel the alarm switch,
// the measuring range and the alarm limits of a connected logger. Submit
// (1000) runs the checks, the question and the writes of DeviceConfig.h.
//
// Controls carry the object names "c<id>" of the page's identifiers.
#include "CDevManager.h"
#include "DeviceConfig.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QToolButton;

namespace qm::device {

class CConfigAttribute : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;
    enum Id {
        kOk = 1000,
        kName = 1040,
        kStartMode = 1042,
        kStopMode = 1043,
        kHours = 1047,
        kMinutes = 1048,
        kSeconds = 1049,
        kStartDate = 1055,
        kStartTime = 1056,
        kStopDate = 1057,
        kStopTime = 1058,
    };
    // Per channel: switch, switch label, range text, low and high limit.
    static constexpr int kSwitchIds[kChannels] = {1053, 1054, 1059, 1060};
    static constexpr int kSwitchLabelIds[kChannels] = {1160, 1161, 1162, 1163};
    static constexpr int kRangeIds[kChannels] = {1112, 1113, 1114, 1115};
    static constexpr int kLowIds[kChannels] = {1064, 1067, 1068, 1071};
    static constexpr int kHighIds[kChannels] = {1065, 1066, 1069, 1070};

    explicit CConfigAttribute(QWidget* parent = nullptr);

    // Fills the page from a connected logger: reads its card name, keeps the
    // "before" text. A null device clears the page.
    void Fill(const DevicePtr& device);
    // Fills from the device's records as they are held (after a submit).
    void Refill();
    // The logger shown, while it is still connected.
    DevicePtr Device() const { return m_device.lock(); }
    QString Before() const { return m_before; }

    // The settings as the controls hold them.
    ConfigForm Form() const;
    void SetForm(const ConfigForm& form);

    void OnBnClickedOk();
    void OnStartModeChanged(int position);
    void OnStopModeChanged(int position);
    void OnAlarmToggled(int channel, bool on);

    // The controls, for the window and for tests.
    QLineEdit* NameEdit() const { return m_name; }
    QLineEdit* IntervalEdit(int part) const; // 0 hours, 1 minutes, 2 seconds
    QComboBox* StartModeBox() const { return m_startMode; }
    QComboBox* StopModeBox() const { return m_stopMode; }
    QDateEdit* StartDate() const { return m_startDate; }
    QTimeEdit* StartTime() const { return m_startTime; }
    QDateEdit* StopDate() const { return m_stopDate; }
    QTimeEdit* StopTime() const { return m_stopTime; }
    QToolButton* AlarmSwitch(int channel) const { return m_switch[channel]; }
    QLabel* RangeText(int channel) const { return m_range[channel]; }
    QLineEdit* LowEdit(int channel) const { return m_low[channel]; }
    QLineEdit* HighEdit(int channel) const { return m_high[channel]; }
    bool ChannelShown(int channel) const;
    QPushButton* OkButton() const { return m_ok; }

signals:
    // A submit wrote the logger and the device holds its new records.
    void configured(const QString& sn);

private:
    QDateTime StartPicked() const;
    QDateTime StopPicked() const;
    void SetStart(const QDateTime& t);
    void SetStop(const QDateTime& t);
    // The stop pickers follow the predicted end while the stop mode is stop-when-full.
    void ShowPredictedEnd();
    void UpdateTimeControls();

    // Not an owner: a disconnected logger's port must close, whatever page showed it.
    std::weak_ptr<CDevice> m_device;
    qint64 m_frameCapacity = 0;
    QString m_before;
    QList<ConfigChannelRow> m_rows; // type and range of each channel shown
    bool m_filling = false;

    QLineEdit* m_name = nullptr;
    QLineEdit* m_interval[3] = {};
    QComboBox* m_startMode = nullptr;
    QComboBox* m_stopMode = nullptr;
    QDateEdit* m_startDate = nullptr;
    QTimeEdit* m_startTime = nullptr;
    QDateEdit* m_stopDate = nullptr;
    QTimeEdit* m_stopTime = nullptr;
    QWidget* m_channelRow[kChannels] = {};
    QToolButton* m_switch[kChannels] = {};
    QLabel* m_switchLabel[kChannels] = {};
    QLabel* m_range[kChannels] = {};
    QLineEdit* m_low[kChannels] = {};
    QLineEdit* m_high[kChannels] = {};
    QPushButton* m_ok = nullptr;
};

// The two pictures of an alarm switch.
QIcon AlarmSwitchIcon(bool on);

} // namespace qm::device
