#pragma once
// The record view of the main window (template 207): one record, or two to
// four merged, as a data list or as curves, with the statistics and analysis
// of each channel below. The data comes from CRecordData (no widgets); this
// page shows it and turns the user's choices into loads.
#include "CCustomGraph.h"
#include "RecordData.h"
#include "RecordTableModel.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;
class QTableWidget;
class QTimeEdit;
class QToolButton;

namespace qm::browse {

class CDataShow : public QWidget {
    Q_OBJECT
public:
    // Columns of the statistics table: 0-7 shown, 8-14 the hand-over to the
    // curve control (hidden), then the analysis columns.
    enum StatColumn {
        kStatChannel = 0,
        kStatType,
        kStatSelected,
        kStatUnit,
        kStatTime,
        kStatMax,
        kStatMin,
        kStatAverage,
        kStatUpperAlarm,
        kStatLowerAlarm,
        kStatUpperLimit,
        kStatLowerLimit,
        kStatInterval,
        kStatAxisTop,
        kStatAxisBottom,
        kStatErrors,
        kStatMaxTime,
        kStatMinTime,
        kStatMkt,
        kStatAlarm,
        kStatAbove,
        kStatBelow,
        kStatColumns
    };
    enum View { kViewTable = 0, kViewCurve = 1 };

    explicit CDataShow(QWidget* parent = nullptr);
    ~CDataShow() override;

    // A connected logger's configuration for a record whose file has no
    // config row (by serial number); set by the window.
    using ConnectedConfigFor = std::function<std::optional<store::RecordConfigTexts>(const QString& sn)>;
    void SetConnectedConfigFor(ConnectedConfigFor source) { m_connected = std::move(source); }
    // The loggers of the window's device tree in tree order: (SN, name).
    using DeviceList = std::function<QList<QPair<QString, QString>>()>;
    void SetDeviceList(DeviceList list) { m_devices = std::move(list); }

    // Opens record `recordId`: true when it was loaded (its samples may be
    // none: message 165). On failure message 123 and false.
    bool OpenRecord(int recordId);
    // Merge mode with the records chosen in the list, preselected in their
    // order (2 to 4; fewer shows 303).
    bool OpenMerge(const std::vector<MergeSlot>& records);

    const CRecordData& Data() const { return m_data; }
    bool MergeMode() const { return m_merge; }
    int CurrentView() const;
    void SetView(int view);

    // --- the handlers of the controls
    void OnSearch();           // 1217
    void OnPreciseQuery();     // 1005
    void OnBatchSelect();      // 1000
    void OnSelectAll(bool on); // 1125
    void OnDeleteRows();       // 1001
    void OnCancelBatch();      // 1199
    void OnRefresh();          // 1263 (merge mode)
    void OnSwap(int slot);     // 1260, 1264, 1267: slot and slot + 1 (0-based)
    void OnBack();             // 1006
    void OnPrint();            // 1216
    void SetCurveMode(int mode);

    // --- parts, for the window and for tests
    CRecordTableModel* TableModel() const { return m_model; }
    QTableView* DataList() const { return m_list; }
    QTableWidget* Statistics() const { return m_stats; }
    CCustomGraph* Graph() const { return m_graph; }
    QComboBox* ViewSelector() const { return m_viewSelector; }
    QComboBox* SlotDevice(int slot) const { return m_slotDevice[slot]; }
    QComboBox* SlotRecord(int slot) const { return m_slotRecord[slot]; }
    QCheckBox* ReticleBox() const { return m_reticle; }
    QCheckBox* AxesBox() const { return m_axes; }
    QCheckBox* AlarmBox() const { return m_alarm; }
    QWidget* MergeControls() const { return m_mergeRow; }
    QPushButton* ExportButton() const { return m_export; }
    QPushButton* PrintButton() const { return m_print; }
    void SetRangePickers(const QDateTime& start, const QDateTime& end);
    std::vector<MergeSlot> Slots() const;

signals:
    // Back pressed: the window shows its record list again.
    void backRequested();
    // Save the curve picture (the output subsystem answers).
    void screenshotRequested();
    // Export the rows shown (1215; the output subsystem answers).
    void exportRequested();

private:
    void BuildControls();
    void ApplyViewState();
    void ShowRecord(LoadResult result, bool setPickers);
    void FillStatistics();
    void LoadCurves();
    void LoadAxes();
    void ReadCurveSettings();
    void SaveCurveSettings();
    void FillSlotDevices();
    void FillSlotRecords(int slot, int presetRecord);
    LoadResult LoadMergedData(const TimeWindow& window);
    TimeWindow PickerWindow() const;

    CRecordData m_data;
    bool m_merge = false;
    bool m_batch = false;
    ConnectedConfigFor m_connected;
    DeviceList m_devices;
    bool m_filling = false;

    QComboBox* m_viewSelector = nullptr;
    QWidget* m_rangeRow = nullptr;
    QDateEdit* m_fromDate = nullptr;
    QTimeEdit* m_fromTime = nullptr;
    QDateEdit* m_toDate = nullptr;
    QTimeEdit* m_toTime = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_precise = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_batchButton = nullptr;
    QCheckBox* m_selectAll = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_refresh = nullptr;
    QWidget* m_curveRow = nullptr;
    QCheckBox* m_reticle = nullptr;
    QCheckBox* m_axes = nullptr;
    QCheckBox* m_alarm = nullptr;
    QToolButton* m_modeButtons[3] = {};
    QToolButton* m_screenshot = nullptr;
    QPushButton* m_back = nullptr;
    QLabel* m_title = nullptr;
    QWidget* m_mergeRow = nullptr;
    QComboBox* m_slotDevice[4] = {};
    QComboBox* m_slotRecord[4] = {};
    std::vector<int> m_slotPreset = std::vector<int>(4, 0);
    QStackedWidget* m_views = nullptr;
    QTableView* m_list = nullptr;
    CRecordTableModel* m_model = nullptr;
    CCustomGraph* m_graph = nullptr;
    QTableWidget* m_stats = nullptr;
};

} // namespace qm::browse
