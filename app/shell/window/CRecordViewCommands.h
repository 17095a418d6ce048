#pragma once
// The record view installed into the main window: the record area shows the
// record view (CDataShow) when a record is opened from the record list or
// when the merge button (1005) merges the list's ticked records; back shows
// the list again. The record list page tells which records are ticked
// (SetTickedRecords) and asks to open a record (OpenRecord).
#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace qm::browse {
class CDataShow;
}

namespace qm::window {

class CQuillmarkBody;

class CRecordViewCommands : public QObject {
    Q_OBJECT
public:
    explicit CRecordViewCommands(CQuillmarkBody& body);

    browse::CDataShow* Page() const { return m_page; }

    // Opens record `recordId` in the record view (the list's double click).
    void OpenRecord(int recordId);
    // 1005: 2 to 4 ticked records of the list merged in the record view (else 303).
    void OnBnClickedBmerge();
    void OpenMerge(const std::vector<int>& recordIds);
    // Where the merge button finds the ticked records: the record list page's
    // TickedRecords(), joined where both pages are installed (main.cpp).
    void SetTickedRecords(std::function<std::vector<int>()> source) { m_ticked = std::move(source); }
    // Back: the page shown before the record view.
    void ShowList();
    // 1215: the rows shown (the merged records' names in merge mode) to a file.
    void ExportShown();

private:
    void ShowView();

    CQuillmarkBody& m_body;
    browse::CDataShow* m_page = nullptr;
    QWidget* m_previous = nullptr;
    bool m_added = false;
    std::function<std::vector<int>()> m_ticked;
};

} // namespace qm::window
