#pragma once
// Comparison and printing, installed into the main window: the compare
// button (1006) opens the comparison page with the ticked records of the
// record list; the print command (32804, button 1001) prints the selected
// record. The record list joins through the two sources below.
#include "Comparison.h"

#include <QObject>
#include <functional>
#include <vector>

class QWidget;

namespace qm::browse {
class CContrastShow;
class CDevData;
}

namespace qm::window {

class CQuillmarkBody;

class CCompareWindowCommands : public QObject {
    Q_OBJECT
public:
    explicit CCompareWindowCommands(CQuillmarkBody& body);

    // The record list's ticked records, in tick order (its TickedRecords()).
    void SetTickedRecords(std::function<std::vector<browse::TickedRecord>()> source) { m_ticked = std::move(source); }
    // The record list's selected record id, 0 when none.
    void SetSelectedRecord(std::function<int()> source) { m_selected = std::move(source); }

    // Both sources from the record list page: its ticked rows (with their
    // start and end) and its selected row.
    void JoinRecordList(browse::CDevData* list);

    // 1006: 316 with fewer than two ticks, the time dialog, the comparison page.
    void OnBnClickedCompare();
    // 32804 / 1001: 189 without a selected record, 165 without samples, the
    // print dialog; a print is logged as type 10 "记录打印" + record name.
    void OnBnClickedBprint();

    browse::CContrastShow* Page() const { return m_page; }

private:
    CQuillmarkBody& m_body;
    browse::CContrastShow* m_page = nullptr;
    QWidget* m_before = nullptr; // the record page the comparison covers
    std::function<std::vector<browse::TickedRecord>()> m_ticked;
    std::function<int()> m_selected;
};

} // namespace qm::window
