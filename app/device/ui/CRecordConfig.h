#pragma once
// The record-configuration page of the side panel: the settings in force when
// a stored record was downloaded (its config row), read only, with the button
// 1000 "设置设备属性" that switches the panel to the device-configuration page.
#include <QWidget>

class QLabel;
class QPushButton;

namespace qm::device {

class CRecordConfig : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = 4;
    enum Field { kName, kInterval, kStartMode, kStartTime, kStopMode, kStopTime, kFieldCount };

    explicit CRecordConfig(QWidget* parent = nullptr);

    // Shows the configuration of record `recordId` (0 or unknown: empty, with
    // 5485 when the record has no configuration). true when one is shown.
    bool Fill(int recordId);
    int RecordId() const { return m_recordId; }

    QString Value(Field field) const;
    bool ChannelShown(int channel) const;
    QString ChannelSwitch(int channel) const; // "%s报警开关" label, then 开/关
    QString ChannelLimits(int channel) const;
    QString ChannelRange(int channel) const;
    QString Notice() const;
    QPushButton* SetButton() const { return m_set; }

signals:
    // Button 1000: the side panel shows the device-configuration page.
    void setDeviceAttributes();

private:
    void Clear();

    int m_recordId = 0;
    QLabel* m_value[kFieldCount] = {};
    QWidget* m_channelRow[kChannels] = {};
    QLabel* m_switchLabel[kChannels] = {};
    QLabel* m_switch[kChannels] = {};
    QLabel* m_range[kChannels] = {};
    QLabel* m_limits[kChannels] = {};
    QLabel* m_notice = nullptr;
    QPushButton* m_set = nullptr;
};

} // namespace qm::device
