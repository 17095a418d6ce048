#include "CDlgAllConfig.h"

#include "Clock.h"
#include "Strings.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace qm::device {
namespace {

QString ControlName(int id) { return QStringLiteral("c%1").arg(id); }

QDateTime Picked(const QDateEdit* date, const QTimeEdit* time)
{
    return QDateTime(date->date(), QTime(time->time().hour(), time->time().minute()));
}

void Show(QDateEdit* date, QTimeEdit* time, const QDateTime& t)
{
    date->setDate(t.date());
    time->setTime(t.time());
}

} // namespace

CDlgAllConfig::CDlgAllConfig(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgAllConfig"));
    setWindowTitle(Msg(214));
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(10);
    grid->setColumnStretch(1, 1);

    auto* interval = new QHBoxLayout;
    interval->setSpacing(4);
    const int ids[3] = {kHours, kMinutes, kSeconds};
    const int units[3] = {5482, 5483, 5484};
    for (int i = 0; i < 3; ++i) {
        m_interval[i] = new QLineEdit(this);
        m_interval[i]->setObjectName(ControlName(ids[i]));
        m_interval[i]->setMaxLength(2);
        m_interval[i]->setValidator(new QIntValidator(0, 99, m_interval[i]));
        m_interval[i]->setFixedWidth(36);
        m_interval[i]->setAlignment(Qt::AlignCenter);
        interval->addWidget(m_interval[i]);
        interval->addWidget(new QLabel(Msg(units[i]), this));
    }
    interval->addStretch(1);
    grid->addWidget(new QLabel(Msg(307), this), 0, 0);
    grid->addLayout(interval, 0, 1);

    const auto pickers = [this](QDateEdit*& date, QTimeEdit*& time, int dateId, int timeId) {
        date = new QDateEdit(this);
        date->setObjectName(ControlName(dateId));
        date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        date->setCalendarPopup(true);
        time = new QTimeEdit(this);
        time->setObjectName(ControlName(timeId));
        time->setDisplayFormat(QStringLiteral("HH:mm"));
        auto* row = new QHBoxLayout;
        row->addWidget(date, 3);
        row->addWidget(time, 2);
        return row;
    };
    m_startMode = new QComboBox(this);
    m_startMode->setObjectName(ControlName(kStartMode));
    m_startMode->addItems({Msg(253), Msg(254)});
    grid->addWidget(new QLabel(Msg(114), this), 1, 0);
    grid->addWidget(m_startMode, 1, 1);
    grid->addWidget(new QLabel(Msg(115), this), 2, 0);
    grid->addLayout(pickers(m_startDate, m_startTime, kStartDate, kStartTime), 2, 1);
    m_stopMode = new QComboBox(this);
    m_stopMode->setObjectName(ControlName(kStopMode));
    m_stopMode->addItems({Msg(258), Msg(255), Msg(256), Msg(257)});
    grid->addWidget(new QLabel(Msg(116), this), 3, 0);
    grid->addWidget(m_stopMode, 3, 1);
    grid->addWidget(new QLabel(Msg(117), this), 4, 0);
    grid->addLayout(pickers(m_stopDate, m_stopTime, kStopDate, kStopTime), 4, 1);

    m_ok = new QPushButton(Msg(5052), this);
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(Msg(5051), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 18, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &CDlgAllConfig::OnBnClickedOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_startMode, &QComboBox::activated, this, &CDlgAllConfig::OnStartModeChanged);
    connect(m_stopMode, &QComboBox::activated, this, &CDlgAllConfig::OnStopModeChanged);

    // A sensible start: one minute, timed start soon, first in first out.
    ConfigForm form;
    form.hours = QStringLiteral("0");
    form.minutes = QStringLiteral("1");
    form.seconds = QStringLiteral("0");
    form.startTime = TimedStartDefault(Now());
    form.stopTime = TimedStopDefault(Now());
    SetForm(form);
}

std::optional<ConfigForm> CDlgAllConfig::Run(QWidget* parent)
{
    CDlgAllConfig dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Form();
}

ConfigForm CDlgAllConfig::Form() const
{
    ConfigForm form;
    form.hours = m_interval[0]->text();
    form.minutes = m_interval[1]->text();
    form.seconds = m_interval[2]->text();
    form.startMode = StartModeFromPosition(m_startMode->currentIndex());
    form.startTime = Picked(m_startDate, m_startTime);
    form.stopMode = StopModeFromPosition(m_stopMode->currentIndex());
    form.stopTime = Picked(m_stopDate, m_stopTime);
    return form;
}

void CDlgAllConfig::SetForm(const ConfigForm& form)
{
    m_interval[0]->setText(form.hours);
    m_interval[1]->setText(form.minutes);
    m_interval[2]->setText(form.seconds);
    m_startMode->setCurrentIndex(StartModePosition(form.startMode));
    m_stopMode->setCurrentIndex(StopModePosition(form.stopMode));
    Show(m_startDate, m_startTime, form.startTime.isValid() ? form.startTime : Now());
    Show(m_stopDate, m_stopTime, form.stopTime.isValid() ? form.stopTime : Now());
    UpdateTimeControls();
}

void CDlgAllConfig::UpdateTimeControls()
{
    const bool timedStart = m_startMode->currentIndex() == 0;
    m_startDate->setEnabled(timedStart);
    m_startTime->setEnabled(timedStart);
    // Each logger's own capacity decides where stop-when-full ends: the
    // pickers only serve a timed stop.
    const bool timedStop = StopModeFromPosition(m_stopMode->currentIndex()) == kStopTimed;
    m_stopDate->setEnabled(timedStop);
    m_stopTime->setEnabled(timedStop);
}

void CDlgAllConfig::OnStartModeChanged(int position)
{
    m_startMode->setCurrentIndex(position);
    if (StartModeFromPosition(position) == kStartTimed)
        Show(m_startDate, m_startTime, TimedStartDefault(Now()));
    UpdateTimeControls();
}

void CDlgAllConfig::OnStopModeChanged(int position)
{
    m_stopMode->setCurrentIndex(position);
    if (StopModeFromPosition(position) == kStopTimed)
        Show(m_stopDate, m_stopTime, TimedStopDefault(Now()));
    UpdateTimeControls();
}

void CDlgAllConfig::OnBnClickedOk()
{
    ConfigForm form = Form();
    if (ConfirmBatchConfig(form))
        accept();
}

} // namespace qm::device
