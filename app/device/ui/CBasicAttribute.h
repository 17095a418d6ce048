#pragma once
// The device-information page of the side panel: serial number, MAC, working
// state, history count, hardware and software versions and the name and unit
// of each channel. Read only. Filled from a connected device, or from what
// devInfo remembers of a logger that is not connected (the rest stays empty).
#include <QWidget>

class QGridLayout;
class QLabel;

namespace qm::device {

class CDevice;

class CBasicAttribute : public QWidget {
    Q_OBJECT
public:
    // Value controls by their identifiers.
    enum Field { kSN = 1097, kState = 1098, kHistory = 1101, kHardware = 1102, kSoftware = 1103, kMac = 1188 };
    static constexpr int kChannels = 4;

    explicit CBasicAttribute(QWidget* parent = nullptr);

    void Fill(const CDevice& device);
    // A logger known from devInfo: its SN, MAC text and channel types (";"-joined).
    void FillKnown(const QString& sn, const QString& mac, const QString& channelTypes);
    void Clear();
    // 127 "运行状态" or 128 "停止状态".
    void SetWorkingState(bool recording);

    QString Value(Field field) const;
    QString ChannelName(int index) const;   // 0-3
    QString ChannelUnit(int index) const;
    bool ChannelShown(int index) const;

private:
    QLabel* AddRow(QGridLayout* grid, int row, const QString& label, int id);
    void ShowChannels(const QList<int>& types);

    QLabel* m_sn = nullptr;
    QLabel* m_mac = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_history = nullptr;
    QLabel* m_hardware = nullptr;
    QLabel* m_software = nullptr;
    QLabel* m_channelLabel[kChannels] = {};
    QLabel* m_channelName[kChannels] = {};
    QLabel* m_channelUnit[kChannels] = {};
};

} // namespace qm::device
