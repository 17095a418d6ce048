#pragma once
// The precise query of the record view (template 216 "精确查询"): a start and
// an end, each a date and a time. OK refuses an end before the start with
// message 156 and puts the focus on the start date.
#include <QDateTime>
#include <QDialog>

class QDateEdit;
class QTimeEdit;

namespace qm::browse {

class CSelectData : public QDialog {
    Q_OBJECT
public:
    CSelectData(const QDateTime& start, const QDateTime& end, QWidget* parent = nullptr);

    QDateTime Start() const;
    QDateTime End() const;
    QDateEdit* StartDate() const { return m_startDate; }
    QTimeEdit* StartTime() const { return m_startTime; }
    QDateEdit* EndDate() const { return m_endDate; }
    QTimeEdit* EndTime() const { return m_endTime; }

    void OnBnClickedOk();

private:
    QDateEdit* m_startDate = nullptr; // 1136
    QTimeEdit* m_startTime = nullptr; // 1135
    QDateEdit* m_endDate = nullptr;   // 1138
    QTimeEdit* m_endTime = nullptr;   // 1137
};

} // namespace qm::browse
