#pragma once
// The audit trail viewer: time window, type and user filters, the rows found.
#include "AuditSearch.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QDateEdit;
class QPushButton;
class QTimeEdit;
class QTreeWidget;

namespace qm {

class CNoteDlg : public QDialog {
    Q_OBJECT
public:
    explicit CNoteDlg(QWidget* parent = nullptr);
    QDateEdit* StartDate() const { return m_startDate; }
    QDateEdit* EndDate() const { return m_endDate; }
    QTimeEdit* StartTime() const { return m_startTime; }
    QTimeEdit* EndTime() const { return m_endTime; }
    QComboBox* TypeCombo() const { return m_type; }
    QComboBox* UserCombo() const { return m_user; }
    QTreeWidget* List() const { return m_list; }
    QPushButton* ExportButton() const { return m_export; }

public slots:
    void OnBnClickedSearch();
    // "导出": the listed rows as a PDF (165 when the list is empty).
    void OnBnClickedExport();

private:
    QDateEdit* m_startDate;
    QDateEdit* m_endDate;
    QTimeEdit* m_startTime;
    QTimeEdit* m_endTime;
    QComboBox* m_type;
    QComboBox* m_user;
    QTreeWidget* m_list;
    QPushButton* m_export;
    QList<NoteRow> m_rows;   // the rows listed, in the list's order
};

} // namespace qm
