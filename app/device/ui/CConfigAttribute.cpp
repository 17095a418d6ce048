#include "CConfigAttribute.h"

#include "ChannelInfo.h"
#include "Clock.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "Strings.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleValidator>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::device {
namespace {

QString ControlName(int id) { return QStringLiteral("c%1").arg(id); }

QLabel* FieldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("fieldLabel"));
    return label;
}

} // namespace

QIcon AlarmSwitchIcon(bool on)
{
    QPixmap pixmap(34, 18);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(on ? QColor(0x2e, 0xa0, 0x5a) : QColor(0xb8, 0xbe, 0xc6));
    p.drawRoundedRect(QRectF(1, 1, 32, 16), 8, 8);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(on ? 18 : 3, 3, 12, 12));
    p.end();
    QIcon icon;
    icon.addPixmap(pixmap, QIcon::Normal);
    icon.addPixmap(pixmap, QIcon::Disabled);
    return icon;
}

CConfigAttribute::CConfigAttribute(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CConfigAttribute"));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(1, 1);

    m_name = new QLineEdit(this);
    m_name->setObjectName(ControlName(kName));
    grid->addWidget(FieldLabel(Msg(136), this), 0, 0);
    grid->addWidget(m_name, 0, 1);

    auto* interval = new QHBoxLayout;
    interval->setSpacing(3);
    const int ids[3] = {kHours, kMinutes, kSeconds};
    const int units[3] = {5482, 5483, 5484};
    for (int i = 0; i < 3; ++i) {
        m_interval[i] = new QLineEdit(this);
        m_interval[i]->setObjectName(ControlName(ids[i]));
        m_interval[i]->setMaxLength(2);
        m_interval[i]->setValidator(new QIntValidator(0, 99, m_interval[i]));
        m_interval[i]->setFixedWidth(30);
        m_interval[i]->setAlignment(Qt::AlignCenter);
        interval->addWidget(m_interval[i]);
        interval->addWidget(new QLabel(Msg(units[i]), this));
    }
    interval->addStretch(1);
    grid->addWidget(FieldLabel(Msg(307), this), 1, 0, 1, 2);
    grid->addLayout(interval, 2, 0, 1, 2);

    m_startMode = new QComboBox(this);
    m_startMode->setObjectName(ControlName(kStartMode));
    m_startMode->addItems({Msg(253), Msg(254)});
    grid->addWidget(FieldLabel(Msg(114), this), 3, 0);
    grid->addWidget(m_startMode, 3, 1);

    const auto pickers = [this](QDateEdit*& date, QTimeEdit*& time, int dateId, int timeId) {
        date = new QDateEdit(this);
        date->setObjectName(ControlName(dateId));
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        time = new QTimeEdit(this);
        time->setObjectName(ControlName(timeId));
        time->setDisplayFormat(QStringLiteral("HH:mm"));
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(date, 3);
        row->addWidget(time, 2);
        return row;
    };
    grid->addWidget(FieldLabel(Msg(115), this), 4, 0, 1, 2);
    grid->addLayout(pickers(m_startDate, m_startTime, kStartDate, kStartTime), 5, 0, 1, 2);

    m_stopMode = new QComboBox(this);
    m_stopMode->setObjectName(ControlName(kStopMode));
    m_stopMode->addItems({Msg(258), Msg(255), Msg(256), Msg(257)});
    grid->addWidget(FieldLabel(Msg(116), this), 6, 0);
    grid->addWidget(m_stopMode, 6, 1);
    grid->addWidget(FieldLabel(Msg(117), this), 7, 0, 1, 2);
    grid->addLayout(pickers(m_stopDate, m_stopTime, kStopDate, kStopTime), 8, 0, 1, 2);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setObjectName(QStringLiteral("separator"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addLayout(grid);
    layout->addWidget(line);

    for (int i = 0; i < kChannels; ++i) {
        m_channelRow[i] = new QWidget(this);
        m_channelRow[i]->setObjectName(QStringLiteral("channelRow%1").arg(i + 1));
        auto* rowGrid = new QGridLayout(m_channelRow[i]);
        rowGrid->setContentsMargins(0, 0, 0, 0);
        rowGrid->setHorizontalSpacing(4);
        rowGrid->setVerticalSpacing(4);
        m_switch[i] = new QToolButton(m_channelRow[i]);
        m_switch[i]->setObjectName(ControlName(kSwitchIds[i]));
        m_switch[i]->setCheckable(true);
        m_switch[i]->setAutoRaise(true);
        m_switch[i]->setIconSize(QSize(34, 18));
        m_switch[i]->setIcon(AlarmSwitchIcon(false));
        m_switchLabel[i] = new QLabel(m_channelRow[i]);
        m_switchLabel[i]->setObjectName(ControlName(kSwitchLabelIds[i]));
        m_range[i] = new QLabel(m_channelRow[i]);
        m_range[i]->setObjectName(ControlName(kRangeIds[i]));
        m_low[i] = new QLineEdit(m_channelRow[i]);
        m_low[i]->setObjectName(ControlName(kLowIds[i]));
        m_high[i] = new QLineEdit(m_channelRow[i]);
        m_high[i]->setObjectName(ControlName(kHighIds[i]));
        for (QLineEdit* edit : {m_low[i], m_high[i]}) {
            auto* validator = new QDoubleValidator(edit);
            validator->setLocale(QLocale::c());
            validator->setNotation(QDoubleValidator::StandardNotation);
            edit->setValidator(validator);
            edit->setAlignment(Qt::AlignCenter);
        }
        auto* limits = new QHBoxLayout;
        limits->setSpacing(4);
        limits->addWidget(m_low[i], 1);
        limits->addWidget(new QLabel(QStringLiteral("~"), m_channelRow[i]));
        limits->addWidget(m_high[i], 1);
        rowGrid->addWidget(m_switchLabel[i], 0, 0);
        rowGrid->addWidget(m_switch[i], 0, 1, Qt::AlignRight);
        rowGrid->addWidget(m_range[i], 1, 0, 1, 2);
        rowGrid->addLayout(limits, 2, 0, 1, 2);
        rowGrid->setColumnStretch(0, 1);
        layout->addWidget(m_channelRow[i]);
        connect(m_switch[i], &QToolButton::toggled, this, [this, i](bool on) { OnAlarmToggled(i, on); });
    }
    layout->addStretch(1);

    m_ok = new QPushButton(Msg(5052), this);
    m_ok->setObjectName(ControlName(kOk));
    layout->addWidget(m_ok);

    connect(m_ok, &QPushButton::clicked, this, &CConfigAttribute::OnBnClickedOk);
    connect(m_startMode, &QComboBox::activated, this, &CConfigAttribute::OnStartModeChanged);
    connect(m_stopMode, &QComboBox::activated, this, &CConfigAttribute::OnStopModeChanged);
    // The predicted end follows what it is computed from.
    for (QLineEdit* edit : m_interval)
        connect(edit, &QLineEdit::textEdited, this, &CConfigAttribute::ShowPredictedEnd);
    connect(m_startDate, &QDateEdit::dateChanged, this, &CConfigAttribute::ShowPredictedEnd);
    connect(m_startTime, &QTimeEdit::timeChanged, this, &CConfigAttribute::ShowPredictedEnd);
    Fill(nullptr);
}

QLineEdit* CConfigAttribute::IntervalEdit(int part) const { return part >= 0 && part < 3 ? m_interval[part] : nullptr; }

bool CConfigAttribute::ChannelShown(int channel) const
{
    return channel >= 0 && channel < kChannels && !m_channelRow[channel]->isHidden();
}

void CConfigAttribute::Fill(const DevicePtr& device)
{
    m_device = device;
    if (!device) {
        m_before.clear();
        ConfigForm empty;
        empty.startTime = empty.stopTime = Now();
        SetForm(empty);
        setEnabled(false);
        return;
    }
    setEnabled(true);
    m_frameCapacity = device->basic.frameCapacity;
    const ConfigForm form = ReadConfigForm(*device);
    m_before = SettingsText(form);
    SetForm(form);
}

void CConfigAttribute::Refill()
{
    const DevicePtr device = Device();
    if (!device)
        return;
    m_frameCapacity = device->basic.frameCapacity;
    const ConfigForm form = FormFromDevice(*device, device->name, Now());
    m_before = SettingsText(form);
    SetForm(form);
}

void CConfigAttribute::SetForm(const ConfigForm& form)
{
    m_filling = true;
    m_name->setText(form.name);
    m_interval[0]->setText(form.hours);
    m_interval[1]->setText(form.minutes);
    m_interval[2]->setText(form.seconds);
    m_startMode->setCurrentIndex(StartModePosition(form.startMode));
    m_stopMode->setCurrentIndex(StopModePosition(form.stopMode));
    SetStart(form.startTime);
    SetStop(form.stopTime);
    m_rows = form.channels;
    for (int i = 0; i < kChannels; ++i) {
        const bool shown = i < form.channels.size();
        m_channelRow[i]->setVisible(shown);
        const ConfigChannelRow row = shown ? form.channels.at(i) : ConfigChannelRow();
        m_switchLabel[i]->setText(shown ? MsgF(198, {ChannelName(row.type)}) : QString());
        m_range[i]->setText(shown ? MsgF(235, {QString::number(row.lowerBound), QString::number(row.upperBound)})
                                  : QString());
        m_low[i]->setText(row.low);
        m_high[i]->setText(row.high);
        const QSignalBlocker block(m_switch[i]);
        m_switch[i]->setChecked(row.alarm);
        OnAlarmToggled(i, row.alarm);
    }
    UpdateTimeControls();
    // An ordinary user sees the settings but cannot submit them.
    m_ok->setEnabled(Device() && CurrentRole() != kRoleUser);
    m_filling = false;
    if (form.stopMode == kStopWhenFull)
        ShowPredictedEnd();
}

ConfigForm CConfigAttribute::Form() const
{
    ConfigForm form;
    form.name = m_name->text();
    form.hours = m_interval[0]->text();
    form.minutes = m_interval[1]->text();
    form.seconds = m_interval[2]->text();
    form.startMode = StartModeFromPosition(m_startMode->currentIndex());
    form.startTime = StartPicked();
    form.stopMode = StopModeFromPosition(m_stopMode->currentIndex());
    form.stopTime = StopPicked();
    for (int i = 0; i < m_rows.size() && i < kChannels; ++i) {
        ConfigChannelRow row = m_rows.at(i);
        row.alarm = m_switch[i]->isChecked();
        row.low = m_low[i]->text();
        row.high = m_high[i]->text();
        form.channels << row;
    }
    return form;
}

QDateTime CConfigAttribute::StartPicked() const
{
    return QDateTime(m_startDate->date(), QTime(m_startTime->time().hour(), m_startTime->time().minute()));
}

QDateTime CConfigAttribute::StopPicked() const
{
    return QDateTime(m_stopDate->date(), QTime(m_stopTime->time().hour(), m_stopTime->time().minute()));
}

void CConfigAttribute::SetStart(const QDateTime& t)
{
    const QDateTime v = t.isValid() ? t : Now();
    m_startDate->setDate(v.date());
    m_startTime->setTime(v.time());
}

void CConfigAttribute::SetStop(const QDateTime& t)
{
    const QDateTime v = t.isValid() ? t : Now();
    m_stopDate->setDate(v.date());
    m_stopTime->setTime(v.time());
}

void CConfigAttribute::UpdateTimeControls()
{
    const bool timedStart = m_startMode->currentIndex() == 0;
    m_startDate->setEnabled(timedStart);
    m_startTime->setEnabled(timedStart);
    const bool timedStop = StopModeFromPosition(m_stopMode->currentIndex()) == kStopTimed;
    m_stopDate->setEnabled(timedStop);
    m_stopTime->setEnabled(timedStop);
}

void CConfigAttribute::OnStartModeChanged(int position)
{
    m_startMode->setCurrentIndex(position);
    if (StartModeFromPosition(position) == kStartTimed)
        SetStart(TimedStartDefault(Now()));
    UpdateTimeControls();
    ShowPredictedEnd();
}

void CConfigAttribute::OnStopModeChanged(int position)
{
    m_stopMode->setCurrentIndex(position);
    const int mode = StopModeFromPosition(position);
    if (mode == kStopTimed)
        SetStop(TimedStopDefault(Now()));
    UpdateTimeControls();
    ShowPredictedEnd();
}

void CConfigAttribute::ShowPredictedEnd()
{
    if (m_filling || !Device() || StopModeFromPosition(m_stopMode->currentIndex()) != kStopWhenFull)
        return;
    ConfigForm form = Form();
    const QDateTime end = FormPredictedEnd(form, m_frameCapacity);
    const QSignalBlocker blockDate(m_stopDate);
    const QSignalBlocker blockTime(m_stopTime);
    SetStop(end);
}

void CConfigAttribute::OnAlarmToggled(int channel, bool on)
{
    if (channel < 0 || channel >= kChannels)
        return;
    m_switch[channel]->setIcon(AlarmSwitchIcon(on));
    m_low[channel]->setEnabled(on);
    m_high[channel]->setEnabled(on);
}

void CConfigAttribute::OnBnClickedOk()
{
    const DevicePtr device = Device();
    if (!device) {
        ShowMessage(194);
        return;
    }
    ConfigForm form = Form();
    const SubmitResult result = SubmitConfig(*device, form, m_before);
    // Reversed limits come back swapped.
    for (int i = 0; i < form.channels.size() && i < kChannels; ++i) {
        m_low[i]->setText(form.channels.at(i).low);
        m_high[i]->setText(form.channels.at(i).high);
    }
    if (result.outcome == SubmitOutcome::Refused && result.check.field == ConfigField::Name) {
        m_name->setFocus();
        m_name->selectAll();
        return;
    }
    if (result.outcome != SubmitOutcome::Done)
        return;
    Refill();
    emit configured(device->sn);
}

} // namespace qm::device
