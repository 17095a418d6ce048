#include "CSelectData.h"

#include "MessageSeam.h"
#include "RecordData.h"
#include "Strings.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeEdit>

namespace qm::browse {
namespace {

QDateEdit* DateEdit(const QDate& date, QWidget* parent)
{
    auto* edit = new QDateEdit(date, parent);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}

QTimeEdit* TimeEdit(const QTime& time, QWidget* parent)
{
    auto* edit = new QTimeEdit(time, parent);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return edit;
}

} // namespace

CSelectData::CSelectData(const QDateTime& start, const QDateTime& end, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(161));
    m_startDate = DateEdit(start.date(), this);
    m_startTime = TimeEdit(start.time(), this);
    m_endDate = DateEdit(end.date(), this);
    m_endTime = TimeEdit(end.time(), this);
    auto* form = new QFormLayout;
    auto* startRow = new QHBoxLayout;
    startRow->addWidget(m_startDate);
    startRow->addWidget(m_startTime);
    auto* endRow = new QHBoxLayout;
    endRow->addWidget(m_endDate);
    endRow->addWidget(m_endTime);
    form->addRow(Msg(134), startRow);
    form->addRow(Msg(135), endRow);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSelectData::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QDateTime CSelectData::Start() const { return QDateTime(m_startDate->date(), m_startTime->time()); }
QDateTime CSelectData::End() const { return QDateTime(m_endDate->date(), m_endTime->time()); }

void CSelectData::OnBnClickedOk()
{
    if (const int refusal = PreciseQueryCheck(Start(), End())) {
        ShowMessage(refusal);
        m_startDate->setFocus();
        return;
    }
    accept();
}

} // namespace qm::browse
