#include "CRecordConfig.h"

#include "ChannelInfo.h"
#include "RecordSettings.h"
#include "Strings.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm::device {
namespace {

QString TimeText(const QDateTime& t)
{
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

} // namespace

CRecordConfig::CRecordConfig(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CRecordConfig"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);
    const int labels[kFieldCount] = {136, 307, 114, 115, 116, 117};
    for (int i = 0; i < kFieldCount; ++i) {
        auto* label = new QLabel(Msg(labels[i]), this);
        label->setObjectName(QStringLiteral("fieldLabel"));
        m_value[i] = new QLabel(this);
        m_value[i]->setObjectName(QStringLiteral("recordValue%1").arg(i));
        m_value[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(label, i, 0);
        grid->addWidget(m_value[i], i, 1);
    }
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setObjectName(QStringLiteral("separator"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 14);
    layout->setSpacing(10);
    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("notice"));
    m_notice->setWordWrap(true);
    layout->addWidget(m_notice);
    layout->addLayout(grid);
    layout->addWidget(line);
    for (int i = 0; i < kChannels; ++i) {
        m_channelRow[i] = new QWidget(this);
        auto* row = new QGridLayout(m_channelRow[i]);
        row->setContentsMargins(0, 0, 0, 0);
        row->setVerticalSpacing(4);
        row->setColumnStretch(0, 1);
        m_switchLabel[i] = new QLabel(m_channelRow[i]);
        m_switch[i] = new QLabel(m_channelRow[i]);
        m_switch[i]->setObjectName(QStringLiteral("recordSwitch%1").arg(i + 1));
        m_range[i] = new QLabel(m_channelRow[i]);
        m_limits[i] = new QLabel(m_channelRow[i]);
        m_limits[i]->setObjectName(QStringLiteral("recordLimits%1").arg(i + 1));
        row->addWidget(m_switchLabel[i], 0, 0);
        row->addWidget(m_switch[i], 0, 1);
        row->addWidget(m_range[i], 1, 0, 1, 2);
        row->addWidget(m_limits[i], 2, 0, 1, 2);
        layout->addWidget(m_channelRow[i]);
    }
    layout->addStretch(1);
    m_set = new QPushButton(Msg(5421), this);
    m_set->setObjectName(QStringLiteral("c1000"));
    layout->addWidget(m_set);
    connect(m_set, &QPushButton::clicked, this, &CRecordConfig::setDeviceAttributes);
    Clear();
}

void CRecordConfig::Clear()
{
    for (QLabel* v : m_value)
        v->clear();
    for (QWidget* row : m_channelRow)
        row->hide();
    m_notice->clear();
    m_notice->hide();
}

bool CRecordConfig::Fill(int recordId)
{
    m_recordId = recordId;
    Clear();
    if (recordId <= 0)
        return false;
    RecordSettings settings;
    if (!ReadRecordSettings(recordId, &settings)) {
        m_notice->setText(Msg(5485));
        m_notice->show();
        return false;
    }
    const ConfigForm& f = settings.form;
    m_value[kName]->setText(f.name);
    m_value[kInterval]->setText(QStringLiteral("%1:%2:%3").arg(f.hours, f.minutes, f.seconds));
    m_value[kStartMode]->setText(Msg(StartModeMessage(f.startMode)));
    m_value[kStartTime]->setText(f.startMode == kStartTimed ? TimeText(f.startTime) : QString());
    m_value[kStopMode]->setText(Msg(StopModeMessage(f.stopMode)));
    const bool stopSet = f.stopMode == kStopTimed || f.stopMode == kStopWhenFull;
    m_value[kStopTime]->setText(stopSet ? TimeText(f.stopTime) : QString());
    for (int i = 0; i < kChannels && i < f.channels.size(); ++i) {
        const ConfigChannelRow& row = f.channels.at(i);
        m_switchLabel[i]->setText(MsgF(198, {ChannelName(row.type)}));
        m_switch[i]->setText(Msg(row.alarm ? 148 : 149));
        m_range[i]->setText(MsgF(235, {QString::number(row.lowerBound), QString::number(row.upperBound)}));
        m_limits[i]->setText(row.low + QStringLiteral(" ~ ") + row.high);
        m_channelRow[i]->show();
    }
    return true;
}

QString CRecordConfig::Value(Field field) const
{
    return field >= 0 && field < kFieldCount ? m_value[field]->text() : QString();
}

bool CRecordConfig::ChannelShown(int channel) const
{
    return channel >= 0 && channel < kChannels && !m_channelRow[channel]->isHidden();
}

QString CRecordConfig::ChannelSwitch(int channel) const
{
    return ChannelShown(channel) ? m_switchLabel[channel]->text() + u':' + m_switch[channel]->text() : QString();
}

QString CRecordConfig::ChannelLimits(int channel) const
{
    return ChannelShown(channel) ? m_limits[channel]->text() : QString();
}

QString CRecordConfig::ChannelRange(int channel) const
{
    return ChannelShown(channel) ? m_range[channel]->text() : QString();
}

QString CRecordConfig::Notice() const { return m_notice->isHidden() ? QString() : m_notice->text(); }

} // namespace qm::device
