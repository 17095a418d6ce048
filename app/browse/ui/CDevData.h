#pragma once
// The record list page (template 193) of the main window's record area: the
// records of all loggers, of one logger or of one folder, their searches,
// rename and delete, batch mode with its ticks, and filing into folders. The
// window tells it what to list (ListAllRecords, ListDeviceRecords,
// ListFolderRecords); it tells the window which record is selected and which
// one to open. The work is RecordList; this page only shows it.
#include "CRecordListModel.h"

#include <QHash>
#include <QWidget>

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QToolButton;

namespace qm::browse {

class CDevData : public QWidget {
    Q_OBJECT
public:
    explicit CDevData(QWidget* parent = nullptr);

    // --- the loaders
    void ListAllRecords(const QString& condition);
    void ListDeviceRecords(const QString& sn);
    void ListFolderRecords(int folderId);
    // Runs the statement of the list shown again (after a download, a change).
    void Reload();

    ListKind Kind() const { return m_kind; }
    bool BatchMode() const { return m_batch; }
    // The record ids of the ticked rows, in list order (merge, compare).
    QList<int> TickedRecords() const;
    // The record of the selected row; 0 when none.
    int SelectedRecord() const;

    // --- handlers of the page's controls and of the row menu
    void OnBnClickedSearch();     // 1090
    void OnBnClickedNameSearch(); // 1201
    void OnBnClickedBatch();      // 1088
    void OnBnClickedSelectAll();  // 1316
    void OnBnClickedDelete();     // 1089
    void OnBnClickedCancel();     // 1175
    void OnBnClickedAddToFile();  // 1091
    void OnUpdRecordName();       // 4003
    void OnDelRecord();           // 4004
    void OnAddtoFile();           // 4005
    // Selects list row `row` as a click does.
    void SelectRow(int row);
    // The row menu (only on the device tab), at `pos` of the list's viewport.
    void ShowRowMenu(const QPoint& pos);

    // --- parts, for the window and for tests
    CRecordListModel* Model() const { return m_model; }
    QTableView* List() const { return m_list; }
    QDateEdit* FromDate() const { return m_from; }
    QDateEdit* ToDate() const { return m_to; }
    QLineEdit* KeywordEdit() const { return m_keyword; }
    QLineEdit* NameEdit() const { return m_name; }
    QCheckBox* SelectAllBox() const { return m_selectAll; }
    QToolButton* Button(int id) const;

signals:
    // A row was clicked (`imported`: the record came from an import), or the
    // list lost its selection (0).
    void recordSelected(int recordId, bool imported);
    // A row was double-clicked: the record view opens it.
    void recordOpenRequested(int recordId);
    // Records were deleted (the window's other pages follow).
    void recordsDeleted();

private:
    // Runs `sql` and shows its rows; 1 rows, 0 none, -1 error.
    int Load(const QString& sql, const QString& table);
    void SetColumnWidth(int column, int width);
    void ShowControls();
    void AddToFolder(const QList<int>& ids);
    void OnCurrentRowChanged();

    CRecordListModel* m_model = nullptr;
    QTableView* m_list = nullptr;
    QWidget* m_timeSearch = nullptr;
    QWidget* m_nameSearch = nullptr;
    QWidget* m_batchBar = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QLineEdit* m_keyword = nullptr;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_selectAll = nullptr;
    QHash<int, QToolButton*> m_buttons;

    ListKind m_kind = ListKind::All;
    QString m_sn;
    int m_folderId = 0;
    QString m_sql; // the statement of the list shown
    QString m_table;
    bool m_batch = false;
    int m_selected = 0;
};

} // namespace qm::browse
