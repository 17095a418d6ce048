#pragma once
// The comparison view ("同比"): one channel type of several records side by
// side, one data-list column, statistics row and curve per record-channel
// key, all curves on one shared axis. Loads off the user-interface thread
// (one worker per record) while the window stays responsive.
#include "Comparison.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QPushButton;
class QStackedWidget;
class QAbstractTableModel;
class QTableView;
class QTableWidget;

namespace qm::browse {

class CCustomGraph;

// "选择同比时间": the comparison window, preset; OK joins date and time and
// swaps a reversed window without a word.
class CDlgContrastTime : public QDialog {
    Q_OBJECT
public:
    CDlgContrastTime(const TimeWindow& preset, QWidget* parent = nullptr);
    QDateTimeEdit* StartEdit() const { return m_start; }
    QDateTimeEdit* EndEdit() const { return m_end; }
    TimeWindow Window() const { return m_window; }
    void OnBnClickedOk();

private:
    QDateTimeEdit* m_start = nullptr;
    QDateTimeEdit* m_end = nullptr;
    TimeWindow m_window;
};

class CContrastShow : public QWidget {
    Q_OBJECT
public:
    explicit CContrastShow(QWidget* parent = nullptr);
    ~CContrastShow() override;

    // Loads the records for `window` and shows the first channel type: false
    // (and its message: 316, 123, 165) when nothing can be shown.
    bool Open(const std::vector<int>& recordIds, const TimeWindow& window);
    // The main window's compare button: 316 with fewer than two ticked
    // records, the time dialog preset with their span, then Open.
    bool OpenFromTicked(const std::vector<TickedRecord>& ticked);

    // The channel selector (1314): rebuild for the type at `index`.
    void OnSelectChannel(int index);
    void OnSelectView(int index);       // 0 data list, 1 curves
    void OnBnClickedSearch();           // the window of the pickers
    void OnBnClickedDelete();           // ticked data rows out of the view (154, 153)
    void OnBnClickedBdataSave();        // export (165, 167, 181, 183, audit 9)
    void OnBnClickedBdataPrint();       // CPrintDlg
    void OnBnClickedScreenshot();       // the curve image (PNG/JPEG)
    void OnCurveOption();               // reticle and axes, kept in "graph"
    void SetMode(int mode);

    const CComparison& Comparison() const { return *m_comparison; }
    const ComparisonView& View() const { return m_view; }
    QComboBox* ChannelSelector() const { return m_channel; }
    QAbstractTableModel* DataModel() const;
    // Ticks data-list row `row` (newest first) for the batch delete.
    void TickRow(int row, bool ticked);
    QTableWidget* StatisticsTable() const { return m_stats; }
    CCustomGraph* Graph() const { return m_graph; }
    QCheckBox* ReticleBox() const { return m_reticle; }
    QCheckBox* AxesBox() const { return m_axes; }

    // Back (1285): the owner shows its record list again.
    std::function<void()> onBack;
    // The user that audit entries and prints carry.
    std::function<QString()> currentUser;

private:
    void Rebuild();
    void FillDataList();
    void FillStatistics();
    void LoadCurves();
    bool Load(const std::vector<int>& recordIds, const TimeWindow& window);

    std::vector<int> m_records;
    std::shared_ptr<CComparison> m_comparison = std::make_shared<CComparison>();
    ComparisonView m_view;
    int m_type = -1;
    QComboBox* m_channel = nullptr;
    QComboBox* m_viewSelector = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTableView* m_list = nullptr;
    class CContrastModel* m_model = nullptr;
    QTableWidget* m_stats = nullptr;
    CCustomGraph* m_graph = nullptr;
    QCheckBox* m_reticle = nullptr;
    QCheckBox* m_axes = nullptr;
    QDateTimeEdit* m_from = nullptr;
    QDateTimeEdit* m_to = nullptr;
};

} // namespace qm::browse
