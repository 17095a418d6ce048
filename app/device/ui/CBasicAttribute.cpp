#include "CBasicAttribute.h"

#include "CDevice.h"
#include "ChannelInfo.h"
#include "DeviceText.h"
#include "LostDevice.h"
#include "Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace qm::device {
namespace {

QString VersionText(const int v[3])
{
    return QString::asprintf("%d.%d.%d", v[0], v[1], v[2]);
}

} // namespace

CBasicAttribute::CBasicAttribute(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CBasicAttribute"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    m_sn = AddRow(grid, 0, Msg(137), kSN);
    m_mac = AddRow(grid, 1, Msg(5020), kMac);
    m_state = AddRow(grid, 2, Msg(5021), kState);
    m_history = AddRow(grid, 3, Msg(5022), kHistory);
    m_hardware = AddRow(grid, 4, Msg(5023), kHardware);
    m_software = AddRow(grid, 5, Msg(5024), kSoftware);

    auto* channels = new QGridLayout;
    channels->setHorizontalSpacing(10);
    channels->setVerticalSpacing(8);
    channels->setColumnStretch(1, 1);
    auto* unitHead = new QLabel(Msg(143), this);
    unitHead->setObjectName(QStringLiteral("unitHead"));
    channels->addWidget(unitHead, 0, 2);
    for (int i = 0; i < kChannels; ++i) {
        m_channelLabel[i] = new QLabel(MsgF(147, {QString::number(i + 1)}), this);
        m_channelLabel[i]->setObjectName(QStringLiteral("channelLabel"));
        m_channelName[i] = new QLabel(this);
        m_channelName[i]->setObjectName(QStringLiteral("channelName%1").arg(i + 1));
        m_channelUnit[i] = new QLabel(this);
        m_channelUnit[i]->setObjectName(QStringLiteral("channelUnit%1").arg(i + 1));
        channels->addWidget(m_channelLabel[i], i + 1, 0);
        channels->addWidget(m_channelName[i], i + 1, 1);
        channels->addWidget(m_channelUnit[i], i + 1, 2);
    }

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setObjectName(QStringLiteral("separator"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(12);
    layout->addLayout(grid);
    layout->addWidget(line);
    layout->addLayout(channels);
    layout->addStretch(1);
    Clear();
}

QLabel* CBasicAttribute::AddRow(QGridLayout* grid, int row, const QString& label, int id)
{
    auto* name = new QLabel(label, this);
    name->setObjectName(QStringLiteral("fieldLabel"));
    auto* value = new QLabel(this);
    value->setObjectName(QStringLiteral("c%1").arg(id));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(name, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

void CBasicAttribute::ShowChannels(const QList<int>& types)
{
    for (int i = 0; i < kChannels; ++i) {
        const bool shown = i < types.size();
        m_channelLabel[i]->setVisible(shown);
        m_channelName[i]->setVisible(shown);
        m_channelUnit[i]->setVisible(shown);
        m_channelName[i]->setText(shown ? qm::ChannelName(types.at(i)) : QString());
        m_channelUnit[i]->setText(shown ? qm::ChannelUnit(types.at(i)) : QString());
    }
}

void CBasicAttribute::Fill(const CDevice& device)
{
    m_sn->setText(device.sn.isEmpty() ? SerialOf(device.basic) : device.sn);
    m_mac->setText(device.mac);
    SetWorkingState(device.config.recordingState != 0);
    // The held state is what the logger said before it went away: say that instead.
    if (device.lostFailure) {
        m_state->setText(Msg(5427));
        m_state->setToolTip(LostText(device));
    } else {
        m_state->setToolTip(QString());
    }
    m_history->setText(QString::asprintf("%d/%d", device.basic.storedFrames, device.basic.frameCapacity));
    m_hardware->setText(VersionText(device.basic.hardwareVersion));
    m_software->setText(VersionText(device.basic.softwareVersion));
    QList<int> types;
    const int count = qBound(0, device.config.channelCount, int(kMaxChannels));
    for (int i = 0; i < count; ++i)
        types << device.channels[i].channelType;
    ShowChannels(types);
}

void CBasicAttribute::FillKnown(const QString& sn, const QString& mac, const QString& channelTypes)
{
    Clear();
    m_sn->setText(sn);
    m_mac->setText(mac);
    QList<int> types;
    for (const QString& part : channelTypes.split(u';', Qt::SkipEmptyParts)) {
        bool ok = false;
        const int type = part.trimmed().toInt(&ok);
        if (ok && types.size() < kChannels)
            types << type;
    }
    ShowChannels(types);
}

void CBasicAttribute::Clear()
{
    for (QLabel* value : {m_sn, m_mac, m_state, m_history, m_hardware, m_software})
        value->clear();
    ShowChannels({});
}

void CBasicAttribute::SetWorkingState(bool recording)
{
    m_state->setText(Msg(recording ? 127 : 128));
}

QString CBasicAttribute::Value(Field field) const
{
    switch (field) {
    case kSN: return m_sn->text();
    case kState: return m_state->text();
    case kHistory: return m_history->text();
    case kHardware: return m_hardware->text();
    case kSoftware: return m_software->text();
    case kMac: return m_mac->text();
    }
    return {};
}

QString CBasicAttribute::ChannelName(int index) const
{
    return index >= 0 && index < kChannels ? m_channelName[index]->text() : QString();
}

QString CBasicAttribute::ChannelUnit(int index) const
{
    return index >= 0 && index < kChannels ? m_channelUnit[index]->text() : QString();
}

bool CBasicAttribute::ChannelShown(int index) const
{
    return index >= 0 && index < kChannels && !m_channelName[index]->isHidden();
}

} // namespace qm::device
