#include "CDataShow.h"

#include "AppEnv.h"
#include "CSelectCurve.h"
#include "CPrintDlg.h"
#include "CSelectData.h"
#include "Ciniwell.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "PrintLayout.h"
#include "Strings.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::browse {
namespace {

const QString kGraph = QStringLiteral("graph");
constexpr int kStatisticsHeight = 136; // 114 and room for the horizontal scroll bar of the analysis columns

// While alive: the wait cursor.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

QString Duration(qint64 seconds)
{
    return QString::asprintf("%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                             static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
}

QString ExcursionText(const CRecordData& data, const Excursions& e)
{
    if (e.count == 0)
        return QStringLiteral("-");
    return MsgF(5909, {QString::number(e.count), data.TimeText(e.first), Duration(e.seconds)});
}

QDateTime PickerTime(qint64 seconds)
{
    const SampleTime t = CurveSampleTime(seconds);
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

QDateEdit* DateEdit(QWidget* parent)
{
    auto* edit = new QDateEdit(parent);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}

QTimeEdit* TimeEdit(QWidget* parent)
{
    auto* edit = new QTimeEdit(parent);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return edit;
}

} // namespace

CDataShow::CDataShow(QWidget* parent) : QWidget(parent)
{
    BuildControls();
    ReadCurveSettings();
    ApplyViewState();
}

CDataShow::~CDataShow() = default;

void CDataShow::BuildControls()
{
    // Tooltips of the mode and screenshot buttons: white, in the program's pink.
    setStyleSheet(QStringLiteral("QToolTip { background-color: white; color: rgb(255,129,156); }"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(4);

    // First row: the view selector, the record, back.
    auto* top = new QHBoxLayout;
    m_viewSelector = new QComboBox(this);
    m_viewSelector->addItem(Msg(130));
    m_viewSelector->addItem(Msg(131));
    m_title = new QLabel(this);
    m_back = new QPushButton(Msg(5055), this);
    top->addWidget(m_viewSelector);
    top->addWidget(m_title, 1);
    top->addWidget(m_back);
    layout->addLayout(top);

    // Merge mode: label 1170 and the four slots with their swap buttons.
    m_mergeRow = new QWidget(this);
    auto* merge = new QVBoxLayout(m_mergeRow);
    merge->setContentsMargins(0, 0, 0, 0);
    auto* mergeLabel = new QLabel(Msg(5809), m_mergeRow);
    mergeLabel->setWordWrap(true);
    merge->addWidget(mergeLabel);
    auto* slotRow = new QHBoxLayout;
    for (int s = 0; s < 4; ++s) {
        m_slotDevice[s] = new QComboBox(m_mergeRow);
        m_slotRecord[s] = new QComboBox(m_mergeRow);
        m_slotDevice[s]->setMinimumWidth(150);
        m_slotDevice[s]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        m_slotRecord[s]->setMinimumWidth(130);
        slotRow->addWidget(new QLabel(QString::number(s + 1) + u'.', m_mergeRow));
        slotRow->addWidget(m_slotDevice[s]);
        slotRow->addWidget(m_slotRecord[s]);
        connect(m_slotDevice[s], &QComboBox::currentIndexChanged, this, [this, s] {
            if (!m_filling)
                FillSlotRecords(s, 0);
        });
        if (s < 3) {
            auto* swap = new QToolButton(m_mergeRow);
            swap->setText(QStringLiteral("⇄"));
            swap->setToolTip(Msg(5910));
            connect(swap, &QToolButton::clicked, this, [this, s] { OnSwap(s); });
            slotRow->addWidget(swap);
        }
    }
    slotRow->addStretch(1);
    merge->addLayout(slotRow);
    layout->addWidget(m_mergeRow);

    // Second row, data list: the time range, search, precise query, batch.
    m_rangeRow = new QWidget(this);
    auto* range = new QHBoxLayout(m_rangeRow);
    range->setContentsMargins(0, 0, 0, 0);
    m_fromDate = DateEdit(m_rangeRow);
    m_fromTime = TimeEdit(m_rangeRow);
    m_toDate = DateEdit(m_rangeRow);
    m_toTime = TimeEdit(m_rangeRow);
    m_search = new QPushButton(Msg(5040), m_rangeRow);
    m_precise = new QPushButton(Msg(5814), m_rangeRow);
    m_precise->setToolTip(Msg(161));
    m_batchButton = new QPushButton(Msg(5803), m_rangeRow);
    m_selectAll = new QCheckBox(Msg(5804), m_rangeRow);
    m_delete = new QPushButton(Msg(5053), m_rangeRow);
    m_cancel = new QPushButton(Msg(5051), m_rangeRow);
    m_refresh = new QPushButton(Msg(5808), m_rangeRow);
    m_export = new QPushButton(Msg(5054), m_rangeRow);
    m_print = new QPushButton(Msg(240), m_rangeRow);
    for (QWidget* w :
         std::initializer_list<QWidget*>{new QLabel(Msg(180), m_rangeRow), m_fromDate, m_fromTime,
                                         new QLabel(Msg(5805), m_rangeRow), m_toDate, m_toTime, m_search, m_precise})
        range->addWidget(w);
    range->addStretch(1);
    for (QWidget* w :
         std::initializer_list<QWidget*>{m_refresh, m_batchButton, m_selectAll, m_delete, m_cancel, m_export, m_print})
        range->addWidget(w);
    layout->addWidget(m_rangeRow);

    // Second row, curves: the options and the mode buttons.
    m_curveRow = new QWidget(this);
    auto* curve = new QHBoxLayout(m_curveRow);
    curve->setContentsMargins(0, 0, 0, 0);
    m_reticle = new QCheckBox(Msg(5810), m_curveRow);
    m_axes = new QCheckBox(Msg(5811), m_curveRow);
    m_alarm = new QCheckBox(Msg(5812), m_curveRow);
    curve->addWidget(m_reticle);
    curve->addWidget(m_axes);
    curve->addWidget(m_alarm);
    curve->addStretch(1);
    auto* modes = new QButtonGroup(this);
    const int modeText[3] = {150, 160, 159};
    const int modeTip[3] = {158, 160, 159};
    const int modeOf[3] = {kModeShowData, kModeZoom, kModeDrag};
    for (int i = 0; i < 3; ++i) {
        m_modeButtons[i] = new QToolButton(m_curveRow);
        m_modeButtons[i]->setText(Msg(modeText[i]));
        m_modeButtons[i]->setToolTip(Msg(modeTip[i]));
        m_modeButtons[i]->setCheckable(true);
        modes->addButton(m_modeButtons[i], modeOf[i]);
        curve->addWidget(m_modeButtons[i]);
    }
    m_modeButtons[0]->setChecked(true);
    connect(modes, &QButtonGroup::idClicked, this, &CDataShow::SetCurveMode);
    m_screenshot = new QToolButton(m_curveRow);
    m_screenshot->setText(Msg(5813));
    m_screenshot->setToolTip(Msg(337));
    connect(m_screenshot, &QToolButton::clicked, this, &CDataShow::screenshotRequested);
    curve->addWidget(m_screenshot);
    layout->addWidget(m_curveRow);

    // The data list and the curve.
    m_views = new QStackedWidget(this);
    m_model = new CRecordTableModel(this);
    m_list = new QTableView(m_views);
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->verticalHeader()->hide();
    // Fixed row heights: a million rows scroll without measuring any of them.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(22);
    m_list->horizontalHeader()->setDefaultSectionSize(100);
    m_list->setWordWrap(false);
    m_graph = new CCustomGraph(m_views);
    m_views->addWidget(m_list);
    m_views->addWidget(m_graph);
    layout->addWidget(m_views, 1);

    // The statistics table.
    m_stats = new QTableWidget(0, kStatColumns, this);
    m_stats->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_stats->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_stats->verticalHeader()->hide();
    m_stats->setFixedHeight(kStatisticsHeight);
    m_stats->setStyleSheet(QStringLiteral("QTableWidget { background: white; }"));
    const std::pair<int, int> headers[] = {
        {kStatChannel, 140},  {kStatType, 141}, {kStatSelected, 5807}, {kStatUnit, 143},    {kStatTime, 5806},
        {kStatMax, 144},      {kStatMin, 145},  {kStatAverage, 146},   {kStatErrors, 5900}, {kStatMaxTime, 5901},
        {kStatMinTime, 5902}, {kStatMkt, 5903}, {kStatAlarm, 5904},    {kStatAbove, 5907},  {kStatBelow, 5908}};
    for (const auto& [column, text] : headers)
        m_stats->setHorizontalHeaderItem(column, new QTableWidgetItem(Msg(text)));
    const std::pair<int, int> widths[] = {
        {kStatChannel, 100}, {kStatType, 100}, {kStatSelected, 100}, {kStatUnit, 60},   {kStatTime, 150},
        {kStatMax, 80},      {kStatMin, 80},   {kStatAverage, 80},   {kStatErrors, 60}, {kStatMaxTime, 150},
        {kStatMinTime, 150}, {kStatMkt, 100},  {kStatAlarm, 100},    {kStatAbove, 260}, {kStatBelow, 260}};
    for (const auto& [column, width] : widths)
        m_stats->setColumnWidth(column, width);
    for (int c = kStatUpperAlarm; c <= kStatAxisBottom; ++c)
        m_stats->setColumnHidden(c, true);
    layout->addWidget(m_stats);

    connect(m_viewSelector, &QComboBox::currentIndexChanged, this, [this] { ApplyViewState(); });
    connect(m_back, &QPushButton::clicked, this, &CDataShow::OnBack);
    connect(m_search, &QPushButton::clicked, this, &CDataShow::OnSearch);
    connect(m_export, &QPushButton::clicked, this, &CDataShow::exportRequested);
    connect(m_print, &QPushButton::clicked, this, &CDataShow::OnPrint);
    connect(m_precise, &QPushButton::clicked, this, &CDataShow::OnPreciseQuery);
    connect(m_batchButton, &QPushButton::clicked, this, &CDataShow::OnBatchSelect);
    connect(m_selectAll, &QCheckBox::clicked, this, &CDataShow::OnSelectAll);
    connect(m_delete, &QPushButton::clicked, this, &CDataShow::OnDeleteRows);
    connect(m_cancel, &QPushButton::clicked, this, &CDataShow::OnCancelBatch);
    connect(m_refresh, &QPushButton::clicked, this, &CDataShow::OnRefresh);
    for (QCheckBox* box : {m_reticle, m_axes, m_alarm}) {
        connect(box, &QCheckBox::clicked, this, [this] {
            m_graph->SetReticle(m_reticle->isChecked());
            m_graph->SetAxesShown(m_axes->isChecked());
            m_graph->SetAlarmLines(m_alarm->isChecked());
            m_graph->Redraw();
            SaveCurveSettings();
        });
    }
    connect(m_stats, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (!m_filling && item->column() == kStatChannel && m_stats->rowCount() > 0) {
            LoadAxes();
            m_graph->Redraw();
        }
    });
    m_graph->SetReadoutCallback([this](CCustomGraph*, QWidget*, int axis, const QDateTime& time, const QString& text) {
        if (axis < 0 || axis >= m_stats->rowCount())
            return;
        m_stats->item(axis, kStatSelected)->setText(time.isValid() ? text : QString());
        m_stats->item(axis, kStatTime)
            ->setText(time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString());
    });
    m_graph->SetDoubleClickCallback([this](CCustomGraph* graph, QWidget*) {
        CSelectCurve dialog(graph, m_stats->model(), this);
        if (dialog.exec() == QDialog::Accepted)
            graph->Redraw();
    });
}

// ---------------------------------------------------------------- settings

void CDataShow::ReadCurveSettings()
{
    const Ciniwell& ini = Settings();
    m_graph->SetReticle(ini.GetIniInt(kGraph, QStringLiteral("reticle"), 1, 1, 1, 0) != 0);
    m_graph->SetAlarmLines(ini.GetIniInt(kGraph, QStringLiteral("coll"), 0, 1, 1, 0) != 0);
    m_graph->SetAxesShown(ini.GetIniInt(kGraph, QStringLiteral("coor"), 1, 1, 1, 0) != 0);
    m_graph->SetDivisions(int(ini.GetIniInt(kGraph, QStringLiteral("division"), 4, 1, 10, 1)));
    m_reticle->setChecked(m_graph->Reticle());
    m_alarm->setChecked(m_graph->AlarmLines());
    m_axes->setChecked(m_graph->AxesShown());
}

void CDataShow::SaveCurveSettings()
{
    Ciniwell& ini = Settings();
    ini.WriteIniInit(kGraph, QStringLiteral("reticle"), m_graph->Reticle() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("coll"), m_graph->AlarmLines() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("coor"), m_graph->AxesShown() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("division"), qBound(1, m_graph->Divisions(), 10));
}

// ---------------------------------------------------------------- views and modes

int CDataShow::CurrentView() const { return m_viewSelector->currentIndex(); }

void CDataShow::SetView(int view) { m_viewSelector->setCurrentIndex(view); }

void CDataShow::ApplyViewState()
{
    const bool curve = CurrentView() == kViewCurve;
    m_views->setCurrentIndex(curve ? 1 : 0);
    m_curveRow->setVisible(curve);
    m_rangeRow->setVisible(!curve);
    m_alarm->setVisible(!m_merge);
    m_mergeRow->setVisible(m_merge);
    for (QWidget* w : std::initializer_list<QWidget*>{m_fromDate, m_fromTime, m_toDate, m_toTime, m_search, m_precise})
        w->setVisible(!m_batch);
    m_batchButton->setVisible(!curve && !m_merge && !m_batch);
    m_refresh->setVisible(!curve && m_merge);
    for (QWidget* w : std::initializer_list<QWidget*>{m_selectAll, m_delete, m_cancel})
        w->setVisible(m_batch);
    m_list->setColumnWidth(CRecordTableModel::kCheckColumn, m_batch ? 24 : 0);
    m_list->setColumnHidden(CRecordTableModel::kCheckColumn, !m_batch);
    for (int r = 0; r < m_stats->rowCount(); ++r) {
        m_stats->item(r, kStatSelected)->setText(QString());
        m_stats->item(r, kStatTime)->setText(QString());
    }
}

void CDataShow::SetCurveMode(int mode)
{
    m_graph->SetMode(mode);
    for (int i = 0; i < 3; ++i)
        m_modeButtons[i]->setChecked((i == 0 && mode == kModeShowData) || (i == 1 && mode == kModeZoom)
                                     || (i == 2 && mode == kModeDrag));
}

void CDataShow::OnBack()
{
    SetCurveMode(kModeShowData);
    emit backRequested();
}

// ---------------------------------------------------------------- loading

bool CDataShow::OpenRecord(int recordId)
{
    LoadResult result;
    {
        WaitCursor wait;
        const auto connected = [this, recordId]() -> std::optional<store::RecordConfigTexts> {
            RecordHeader header;
            if (!m_connected || ReadRecordHeader(recordId, &header) <= 0)
                return std::nullopt;
            return m_connected(header.sn);
        };
        CRecordData data;
        result = LoadRecord(recordId, {}, &data, connected);
        if (result == LoadResult::Loaded || result == LoadResult::NoData)
            m_data = std::move(data);
    }
    if (result != LoadResult::Loaded && result != LoadResult::NoData) {
        ShowLoadMessage(result == LoadResult::UnknownRecord ? LoadResult::Failed : result);
        return false;
    }
    m_merge = false;
    m_batch = false;
    m_model->SetBatchMode(false);
    m_title->setText(MsgF(5911, {m_data.header.name, m_data.header.sn}));
    m_viewSelector->setCurrentIndex(kViewCurve);
    ApplyViewState();
    ShowRecord(result, true);
    return true;
}

bool CDataShow::OpenMerge(const std::vector<MergeSlot>& records)
{
    m_merge = true;
    m_batch = false;
    m_model->SetBatchMode(false);
    m_filling = true;
    FillSlotDevices();
    for (int s = 0; s < 4; ++s) {
        const MergeSlot slot = s < int(records.size()) ? records[size_t(s)] : MergeSlot{};
        int at = slot.sn.isEmpty() ? 0 : m_slotDevice[s]->findData(slot.sn);
        if (at < 0) {
            // A logger no longer in the tree still has its records.
            m_slotDevice[s]->addItem(slot.sn, slot.sn);
            at = m_slotDevice[s]->count() - 1;
        }
        m_slotDevice[s]->setCurrentIndex(at);
        FillSlotRecords(s, slot.recordId);
    }
    m_filling = false;
    m_viewSelector->setCurrentIndex(kViewCurve);
    ApplyViewState();
    const LoadResult result = LoadMergedData({});
    if (result == LoadResult::Failed || result == LoadResult::TooFewSlots) {
        ShowLoadMessage(result);
        return result != LoadResult::Failed;
    }
    ShowRecord(result, true);
    return true;
}

LoadResult CDataShow::LoadMergedData(const TimeWindow& window)
{
    WaitCursor wait;
    CRecordData data;
    const LoadResult result = LoadMerged(Slots(), window, &data);
    if (result == LoadResult::Loaded || result == LoadResult::NoData) {
        m_data = std::move(data);
        int taken = 0;
        for (const MergeSlot& s : Slots())
            taken += s.IsComplete() ? 1 : 0;
        m_title->setText(MsgF(5912, {QString::number(taken)}));
    }
    return result;
}

void CDataShow::ShowRecord(LoadResult result, bool setPickers)
{
    m_model->SetRecord(&m_data);
    for (int c = CRecordTableModel::kFirstValueColumn; c < m_model->columnCount(); ++c)
        m_list->setColumnWidth(c, 100);
    // 50 wide, or as wide as the highest number needs (a million rows has seven digits).
    m_list->setColumnWidth(CRecordTableModel::kNumberColumn,
                           qMax(50, m_list->fontMetrics().horizontalAdvance(QString::number(m_data.Count())) + 16));
    m_list->setColumnWidth(CRecordTableModel::kTimeColumn, 200);
    m_list->setColumnHidden(CRecordTableModel::kCheckColumn, !m_batch);
    FillStatistics();
    LoadCurves();
    if (result == LoadResult::NoData) {
        ShowLoadMessage(result);
        return;
    }
    if (setPickers && !m_data.IsEmpty())
        SetRangePickers(PickerTime(m_data.Seconds(0)), PickerTime(m_data.Seconds(m_data.Count() - 1)));
}

void CDataShow::FillStatistics()
{
    m_filling = true;
    m_stats->setRowCount(0);
    const int n = int(m_data.channels.size());
    m_stats->setRowCount(n);
    for (int i = 0; i < n; ++i) {
        const RecordChannel& ch = m_data.channels[size_t(i)];
        const ChannelStatistics& s = m_data.statistics[size_t(i)];
        const bool counted = s.count > 0;
        const QString none = QStringLiteral("-");
        const auto figure = [&](double v) { return counted ? QString::asprintf("%.1f", v) : none; };
        QString alarm = none;
        if (counted)
            alarm = s.above.count + s.below.count == 0 ? Msg(5905)
                                                       : MsgF(5906, {QString::number(s.above.count + s.below.count)});
        const QString texts[kStatColumns] = {
            MsgF(147, {QString::number(i + 1)}),
            ch.name,
            QString(),
            ch.unit,
            QString(),
            figure(s.max),
            figure(s.min),
            figure(s.Average()),
            ch.upperAlarm,
            ch.lowerAlarm,
            ch.upperLimit,
            ch.lowerLimit,
            m_data.intervalText,
            QString::asprintf("%.1f", (counted ? s.max : 0.0) + 2),
            QString::asprintf("%.1f", (counted ? s.min : 0.0) - 2),
            QString::number(s.errors),
            counted ? m_data.TimeText(s.maxIndex) : none,
            counted ? m_data.TimeText(s.minIndex) : none,
            s.hasMkt ? QString::asprintf("%.1f", s.mkt) : none,
            alarm,
            ExcursionText(m_data, s.above),
            ExcursionText(m_data, s.below),
        };
        for (int c = 0; c < kStatColumns; ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(Qt::AlignCenter);
            m_stats->setItem(i, c, item);
        }
        QTableWidgetItem* first = m_stats->item(i, kStatChannel);
        first->setFlags(first->flags() | Qt::ItemIsUserCheckable);
        first->setCheckState(Qt::Checked);
        first->setData(Qt::UserRole, ch.position);
        if (counted && s.above.count + s.below.count > 0)
            m_stats->item(i, kStatAlarm)->setForeground(s.above.count > 0 ? QColor(220, 0, 0) : QColor(0, 70, 230));
    }
    m_filling = false;
}

void CDataShow::LoadAxes()
{
    m_graph->LoadAxes(-1, m_stats->model(), kStatUpperAlarm, kStatLowerAlarm, kStatAxisTop, kStatAxisBottom, kStatUnit,
                      kStatType);
    // Each row's text in the colour of its curve.
    m_filling = true;
    for (int r = 0; r < m_stats->rowCount(); ++r)
        for (int c : {int(kStatChannel), int(kStatType), int(kStatMax), int(kStatMin), int(kStatAverage)})
            m_stats->item(r, c)->setForeground(m_graph->GetCurveColour(r));
    m_filling = false;
}

void CDataShow::LoadCurves()
{
    LoadAxes();
    if (m_data.IsEmpty()) {
        m_graph->ResetGraph();
        return;
    }
    m_graph->LoadSamples(m_data.series, int(m_data.Count() - 1));
}

// ---------------------------------------------------------------- search, rows

void CDataShow::SetRangePickers(const QDateTime& start, const QDateTime& end)
{
    m_fromDate->setDate(start.date());
    m_fromTime->setTime(start.time());
    m_toDate->setDate(end.date());
    m_toTime->setTime(end.time());
}

TimeWindow CDataShow::PickerWindow() const
{
    return SearchWindow(QDateTime(m_fromDate->date(), m_fromTime->time()),
                        QDateTime(m_toDate->date(), m_toTime->time()));
}

void CDataShow::OnSearch()
{
    const TimeWindow window = PickerWindow();
    LoadResult result;
    if (m_merge) {
        result = LoadMergedData(window);
    } else {
        WaitCursor wait;
        result = ReloadWindow(&m_data, window);
    }
    if (result == LoadResult::Failed || result == LoadResult::TooFewSlots) {
        ShowLoadMessage(result);
        return;
    }
    ShowRecord(result, false);
}

void CDataShow::OnPreciseQuery()
{
    CSelectData dialog(QDateTime(m_fromDate->date(), m_fromTime->time()), QDateTime(m_toDate->date(), m_toTime->time()),
                       this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SetRangePickers(dialog.Start(), dialog.End());
    OnSearch();
}

void CDataShow::OnBatchSelect()
{
    m_batch = true;
    m_model->SetBatchMode(true);
    ApplyViewState();
}

void CDataShow::OnSelectAll(bool on)
{
    m_selectAll->setChecked(on);
    m_model->SetAllTicked(on);
}

void CDataShow::OnCancelBatch()
{
    m_model->SetAllTicked(false);
    m_model->SetBatchMode(false);
    m_selectAll->setChecked(false);
    m_batch = false;
    ApplyViewState();
}

void CDataShow::OnDeleteRows()
{
    const std::vector<qsizetype> ticked = m_model->TickedSamples();
    if (ticked.empty()) {
        ShowMessage(154);
        return;
    }
    RemoveSamples(&m_data, ticked);
    m_model->SetRecord(&m_data);
    m_selectAll->setChecked(false);
    FillStatistics();
    LoadCurves();
    ShowMessage(153);
}

// ---------------------------------------------------------------- merge slots

std::vector<MergeSlot> CDataShow::Slots() const
{
    std::vector<MergeSlot> list;
    for (int s = 0; s < 4; ++s)
        list.push_back({m_slotDevice[s]->currentData().toString(), m_slotRecord[s]->currentData().toInt()});
    return list;
}

void CDataShow::FillSlotDevices()
{
    const QList<QPair<QString, QString>> devices = m_devices ? m_devices() : QList<QPair<QString, QString>>();
    for (QComboBox* combo : m_slotDevice) {
        combo->clear();
        combo->addItem(QString(), QString());
        for (const auto& [sn, name] : devices)
            combo->addItem(name.isEmpty() ? sn : name + QStringLiteral(" (") + sn + u')', sn);
    }
}

void CDataShow::FillSlotRecords(int slot, int presetRecord)
{
    const bool filling = m_filling;
    m_filling = true;
    QComboBox* combo = m_slotRecord[slot];
    combo->clear();
    combo->addItem(QString(), 0);
    const QString sn = m_slotDevice[slot]->currentData().toString();
    if (!sn.isEmpty()) {
        for (const RecordChoice& r : RecordsOfLogger(sn)) {
            combo->addItem(r.name, r.id);
            if (r.id == presetRecord)
                combo->setCurrentIndex(combo->count() - 1);
        }
    }
    m_slotPreset[size_t(slot)] = presetRecord;
    m_filling = filling;
}

void CDataShow::OnSwap(int slot)
{
    if (slot < 0 || slot > 2)
        return;
    const std::vector<MergeSlot> now = Slots();
    m_filling = true;
    for (int k : {slot, slot + 1}) {
        const MergeSlot& other = now[size_t(k == slot ? slot + 1 : slot)];
        int at = m_slotDevice[k]->findData(other.sn);
        if (at < 0) {
            m_slotDevice[k]->addItem(other.sn, other.sn);
            at = m_slotDevice[k]->count() - 1;
        }
        m_slotDevice[k]->setCurrentIndex(at);
        FillSlotRecords(k, other.recordId);
    }
    m_filling = false;
}

void CDataShow::OnRefresh()
{
    const LoadResult result = LoadMergedData(m_data.window);
    if (result == LoadResult::Failed || result == LoadResult::TooFewSlots) {
        ShowLoadMessage(result);
        return;
    }
    ShowRecord(result, m_data.window.IsEmpty());
}

void CDataShow::OnPrint()
{
    if (m_data.IsEmpty()) {
        ShowMessage(165);
        return;
    }
    // The rows shown (a search or deleted rows included), with their curve.
    PrintSource source;
    auto shown = std::make_shared<const CRecordData>(m_data);
    source.data = shown;
    source.channelList = shown->channelList;
    source.curveSnapshot = RecordCurveSnapshot(*shown, false);
    source.user = LoginUserName();
    PrintWithOptions(this, source);
}

} // namespace qm::browse
