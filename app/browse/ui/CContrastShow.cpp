#include "CContrastShow.h"

#include "AppEnv.h"
#include "CCustomGraph.h"
#include "CPrintDlg.h"
#include "ChannelInfo.h"
#include "Ciniwell.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "OutputCommands.h"
#include "OutputFile.h"
#include "PathSeam.h"
#include "ReportWriter.h"
#include "Strings.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

namespace qm::browse {

namespace {

const QString kGraph = QStringLiteral("graph");

QDateTime ParseWindowTime(const QString& text)
{
    return QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QDateTimeEdit* NewPicker(QWidget* parent)
{
    auto* edit = new QDateTimeEdit(parent);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setCalendarPopup(true);
    return edit;
}

} // namespace

// The data list over the view's samples: newest first, a tick per row.
class CContrastModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void Reset(const ComparisonView* view, QStringList titles)
    {
        beginResetModel();
        m_view = view;
        m_titles = std::move(titles);
        m_ticked.assign(size_t(view ? view->data.Count() : 0), false);
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() || !m_view ? 0 : int(m_view->data.Count());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 3 + int(m_titles.size());
    }
    qsizetype Sample(int row) const { return m_view->data.Count() - 1 - row; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        const qsizetype i = Sample(index.row());
        if (index.column() == 0)
            return role == Qt::CheckStateRole ? QVariant(m_ticked[size_t(index.row())] ? Qt::Checked : Qt::Unchecked)
                                              : QVariant();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        if (role != Qt::DisplayRole)
            return {};
        if (index.column() == 1)
            return QString::number(i + 1);
        if (index.column() == 2)
            return m_view->data.TimeText(i);
        const int channel = index.column() - 3;
        const SampleColumn* column = m_view->data.Column(channel);
        // A record without a sample at this time: an empty cell.
        return column && column->HasValue(i) ? m_view->data.ValueText(i, channel) : QString();
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (index.column() != 0 || role != Qt::CheckStateRole)
            return false;
        m_ticked[size_t(index.row())] = value.toInt() == Qt::Checked;
        emit dataChanged(index, index);
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        return index.column() == 0 ? f | Qt::ItemIsUserCheckable : f;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        if (section == 1)
            return Msg(132);
        if (section == 2)
            return Msg(5806);
        return section >= 3 ? m_titles.value(section - 3) : QString();
    }
    std::vector<qsizetype> TickedSamples() const
    {
        std::vector<qsizetype> samples;
        for (size_t r = 0; r < m_ticked.size(); ++r)
            if (m_ticked[r])
                samples.push_back(Sample(int(r)));
        return samples;
    }

private:
    const ComparisonView* m_view = nullptr;
    QStringList m_titles;
    std::vector<bool> m_ticked;
};

// ---- CDlgContrastTime

CDlgContrastTime::CDlgContrastTime(const TimeWindow& preset, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(Msg(5818));
    m_start = NewPicker(this);
    m_end = NewPicker(this);
    m_start->setDateTime(ParseWindowTime(preset.start));
    m_end->setDateTime(ParseWindowTime(preset.end));
    auto* form = new QFormLayout(this);
    form->addRow(Msg(134), m_start);
    form->addRow(Msg(135), m_end);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Msg(5050), QDialogButtonBox::AcceptRole);
    buttons->addButton(Msg(5051), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgContrastTime::OnBnClickedOk);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

void CDlgContrastTime::OnBnClickedOk()
{
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    m_window = ComparisonWindow(m_start->dateTime().toString(format), m_end->dateTime().toString(format));
    accept();
}

// ---- CContrastShow

CContrastShow::CContrastShow(QWidget* parent) : QWidget(parent)
{
    resize(785, 639);
    m_channel = new QComboBox(this);
    m_viewSelector = new QComboBox(this);
    m_viewSelector->addItems({Msg(130), Msg(131)});
    m_reticle = new QCheckBox(Msg(5810), this);
    m_axes = new QCheckBox(Msg(5811), this);
    auto* normal = new QPushButton(Msg(150), this);
    auto* drag = new QPushButton(Msg(159), this);
    auto* zoom = new QPushButton(Msg(160), this);
    auto* query = new QPushButton(Msg(5814), this);
    normal->setToolTip(Msg(158));
    drag->setToolTip(Msg(159));
    zoom->setToolTip(Msg(160));
    query->setToolTip(Msg(161));
    m_from = NewPicker(this);
    m_to = NewPicker(this);
    auto* search = new QPushButton(Msg(5040), this);
    auto* remove = new QPushButton(Msg(5053), this);
    auto* shot = new QPushButton(Msg(5813), this);
    shot->setToolTip(Msg(337));
    auto* save = new QPushButton(Msg(5054), this);
    auto* print = new QPushButton(Msg(240), this);
    auto* back = new QPushButton(Msg(5055), this);

    m_list = new QTableView(this);
    m_model = new CContrastModel(this);
    m_list->setModel(m_model);
    m_list->verticalHeader()->hide();
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_graph = new CCustomGraph(this);
    m_graph->SetAxisLimit(1);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_list);
    m_stack->addWidget(m_graph);
    m_stats = new QTableWidget(0, 15, this);
    m_stats->setHorizontalHeaderLabels({Msg(140), Msg(141), Msg(5807), Msg(143), Msg(5806), Msg(144), Msg(145),
                                        Msg(146), "", "", "", "", "", "", ""});
    m_stats->setColumnWidth(0, 240);
    for (int c = 8; c < 15; ++c)
        m_stats->setColumnHidden(c, true);
    m_stats->verticalHeader()->hide();
    m_stats->setFixedHeight(114);

    // Two rows, so the longer English texts fit the record area beside the
    // navigation pane: the view's own controls, then the time window and
    // what leaves the view (export, print, back).
    auto* top = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_channel, m_viewSelector, m_reticle, m_axes, normal, drag, zoom,
                                                      query, shot})
        top->addWidget(w);
    top->addStretch();
    auto* range = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{m_from, m_to, search, remove})
        range->addWidget(w);
    range->addStretch();
    for (QWidget* w : std::initializer_list<QWidget*>{save, print, back})
        range->addWidget(w);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(range);
    layout->addWidget(m_stack, 1);
    layout->addWidget(m_stats);

    Ciniwell& ini = qm::Settings();
    m_reticle->setChecked(ini.GetIniInt(kGraph, QStringLiteral("reticle"), 1, 1, 1, 0) != 0);
    m_axes->setChecked(ini.GetIniInt(kGraph, QStringLiteral("coor"), 1, 1, 1, 0) != 0);
    m_graph->SetReticle(m_reticle->isChecked());
    m_graph->SetAxesShown(m_axes->isChecked());
    m_graph->SetDivisions(int(ini.GetIniInt(kGraph, QStringLiteral("division"), 4, 1, 10, 1)));

    connect(m_channel, &QComboBox::activated, this, &CContrastShow::OnSelectChannel);
    connect(m_viewSelector, &QComboBox::currentIndexChanged, this, &CContrastShow::OnSelectView);
    connect(m_reticle, &QCheckBox::clicked, this, &CContrastShow::OnCurveOption);
    connect(m_axes, &QCheckBox::clicked, this, &CContrastShow::OnCurveOption);
    connect(normal, &QPushButton::clicked, this, [this] { SetMode(kModeShowData); });
    connect(drag, &QPushButton::clicked, this, [this] { SetMode(kModeDrag); });
    connect(zoom, &QPushButton::clicked, this, [this] { SetMode(kModeZoom); });
    connect(query, &QPushButton::clicked, this, [this] {
        CDlgContrastTime dialog({m_from->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                 m_to->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                                this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        m_from->setDateTime(ParseWindowTime(dialog.Window().start));
        m_to->setDateTime(ParseWindowTime(dialog.Window().end));
        OnBnClickedSearch();
    });
    connect(search, &QPushButton::clicked, this, &CContrastShow::OnBnClickedSearch);
    connect(remove, &QPushButton::clicked, this, &CContrastShow::OnBnClickedDelete);
    connect(shot, &QPushButton::clicked, this, &CContrastShow::OnBnClickedScreenshot);
    connect(save, &QPushButton::clicked, this, &CContrastShow::OnBnClickedBdataSave);
    connect(print, &QPushButton::clicked, this, &CContrastShow::OnBnClickedBdataPrint);
    connect(back, &QPushButton::clicked, this, [this] {
        hide();
        if (onBack)
            onBack();
    });
    m_viewSelector->setCurrentIndex(1);
    OnSelectView(1);
}

CContrastShow::~CContrastShow() = default;

QAbstractTableModel* CContrastShow::DataModel() const { return m_model; }

void CContrastShow::TickRow(int row, bool ticked)
{
    m_model->setData(m_model->index(row, 0), ticked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

bool CContrastShow::Load(const std::vector<int>& recordIds, const TimeWindow& window)
{
    auto loaded = std::make_shared<CComparison>();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    // The workers read; this thread keeps the window alive until they end.
    const LoadResult result = LoadComparison(recordIds, window, loaded.get(), [](const std::function<bool()>& done) {
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
    });
    QGuiApplication::restoreOverrideCursor();
    if (result != LoadResult::Loaded) {
        if (result == LoadResult::TooFewSlots)
            ShowMessage(316);
        else
            ShowLoadMessage(result);
        return false;
    }
    m_records = recordIds;
    m_comparison = std::move(loaded);
    return true;
}

bool CContrastShow::Open(const std::vector<int>& recordIds, const TimeWindow& window)
{
    if (!Load(recordIds, window))
        return false;
    m_stats->setRowCount(0);
    m_viewSelector->setCurrentIndex(1);
    m_channel->clear();
    for (int type : m_comparison->Types())
        m_channel->addItem(qm::ChannelName(type), type);
    m_type = -1;
    OnSelectChannel(0);
    const CRecordData& d = m_view.data;
    if (!d.IsEmpty()) {
        m_from->setDateTime(ParseWindowTime(d.TimeText(0)));
        m_to->setDateTime(ParseWindowTime(d.TimeText(d.Count() - 1)));
    }
    show();
    return true;
}

bool CContrastShow::OpenFromTicked(const std::vector<TickedRecord>& ticked)
{
    TimeWindow preset;
    if (!ComparisonPreset(ticked, &preset)) {
        ShowMessage(316);
        return false;
    }
    CDlgContrastTime dialog(preset, this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    std::vector<int> ids;
    for (const TickedRecord& r : ticked)
        ids.push_back(r.id);
    return Open(ids, dialog.Window());
}

void CContrastShow::OnSelectChannel(int index)
{
    const int type = m_channel->itemData(index).isValid() ? m_channel->itemData(index).toInt() : -1;
    if (index >= 0 && m_channel->currentIndex() != index)
        m_channel->setCurrentIndex(index);
    if (type == m_type && type >= 0)
        return;
    m_type = type;
    m_view = m_comparison->View(type);
    Rebuild();
    if (m_view.data.IsEmpty())
        ShowMessage(165);
}

void CContrastShow::Rebuild()
{
    FillDataList();
    FillStatistics();
    LoadCurves();
}

void CContrastShow::FillDataList()
{
    QStringList titles;
    for (int k : m_view.keys)
        titles << m_comparison->keys[size_t(k)].title;
    m_model->Reset(&m_view, titles);
    m_list->setColumnWidth(0, 24);
    m_list->setColumnWidth(1, 50);
    m_list->setColumnWidth(2, 200);
    for (int c = 0; c < titles.size(); ++c)
        m_list->setColumnWidth(3 + c, 200);
}

void CContrastShow::FillStatistics()
{
    const CRecordData& d = m_view.data;
    const std::vector<CurveAxisRow> axes = CurveAxisRows(d, true);
    m_stats->setRowCount(0);
    m_stats->setRowCount(int(d.channels.size()));
    for (size_t r = 0; r < d.channels.size(); ++r) {
        const RecordChannel& ch = d.channels[r];
        const ChannelStatistics& s = d.statistics[r];
        const auto figure = [&](double v) { return s.count > 0 ? QString::asprintf("%.1f", v) : QStringLiteral("-"); };
        const QStringList cells{m_comparison->keys[size_t(m_view.keys[r])].title,
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
                                d.intervalText,
                                QString::asprintf("%.1f", axes[r].top),
                                QString::asprintf("%.1f", axes[r].bottom)};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells.at(c));
            item->setTextAlignment(Qt::AlignCenter);
            if (c == 0) {
                item->setCheckState(Qt::Checked);
                item->setData(Qt::UserRole, ch.position);
            }
            m_stats->setItem(int(r), c, item);
        }
    }
}

void CContrastShow::LoadCurves()
{
    std::vector<CurveAxisRow> rows = CurveAxisRows(m_view.data, true);
    m_graph->LoadAxes(-1, &rows);
    m_graph->LoadSamples(m_view.data.series, int(m_view.data.Count() - 1));
}

void CContrastShow::OnSelectView(int index)
{
    m_stack->setCurrentIndex(index == 0 ? 0 : 1);
    for (int r = 0; r < m_stats->rowCount(); ++r)
        for (int c : {2, 4})
            if (QTableWidgetItem* item = m_stats->item(r, c))
                item->setText(QString());
}

void CContrastShow::OnBnClickedSearch()
{
    const TimeWindow window = SearchWindow(m_from->dateTime(), m_to->dateTime());
    const int keep = m_type;
    if (!Load(m_records, window))
        return;
    m_type = -1;
    const int at = m_channel->findData(keep);
    m_view = m_comparison->View(keep);
    m_type = keep;
    if (at >= 0)
        m_channel->setCurrentIndex(at);
    Rebuild();
    if (m_view.data.IsEmpty())
        ShowMessage(165);
}

void CContrastShow::OnBnClickedDelete()
{
    const std::vector<qsizetype> ticked = m_model->TickedSamples();
    if (ticked.empty()) {
        ShowMessage(154);
        return;
    }
    RemoveSamples(&m_view.data, ticked);
    Rebuild();
    ShowMessage(153);
}

void CContrastShow::OnBnClickedBdataSave()
{
    if (m_view.data.IsEmpty()) {
        ShowMessage(165);
        return;
    }
    PathRequest request;
    request.dialog = PathDialog::SaveFile;
    request.filter = Msg(166);
    const PathAnswer answer = AskPath(request);
    if (answer.Cancelled())
        return;
    QString path = answer.Path();
    const bool pdf = answer.filter == 2;
    const QString extension = pdf ? QStringLiteral(".pdf")
                              : answer.filter == 1 ? QStringLiteral(".doc")
                                                   : QStringLiteral(".csv");
    if (!report::SaveFilePath(extension, &path))
        return;
    const QString text = ComparisonExportFor(path, *m_comparison, m_view);
    const bool written = pdf ? report::WriteTablePdf(path, text) : report::WriteTextFile(path, text);
    if (!written)
        return;
    ShowMessage(183);
    WriteOperationLog(QStringLiteral("CContrastShow::OnBnClickedBdataSave"), ComparisonLogText(*m_comparison, m_view),
                      9, currentUser ? currentUser() : QString());
}

void CContrastShow::OnBnClickedBdataPrint()
{
    if (m_view.data.IsEmpty()) {
        ShowMessage(165);
        return;
    }
    PrintSource source;
    source.data = std::make_shared<CRecordData>(m_view.data);
    QStringList titles;
    for (int k : m_view.keys)
        titles << m_comparison->keys[size_t(k)].title;
    source.channelList = titles.join(u';');
    source.labels = titles;
    source.comparison = true;
    source.curveSnapshot = m_graph->Snapshot();
    source.user = currentUser ? currentUser() : QString();
    PrintWithOptions(this, source);
}

void CContrastShow::OnBnClickedScreenshot()
{
    report::SaveCurveImage([this] { return m_graph->LastBitmap(); });
}

void CContrastShow::OnCurveOption()
{
    m_graph->SetReticle(m_reticle->isChecked());
    m_graph->SetAxesShown(m_axes->isChecked());
    m_graph->Redraw();
    Ciniwell& ini = qm::Settings();
    ini.WriteIniInit(kGraph, QStringLiteral("reticle"), m_reticle->isChecked() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("coor"), m_axes->isChecked() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("coll"), m_graph->AlarmLines() ? 1 : 0);
    ini.WriteIniInit(kGraph, QStringLiteral("division"), m_graph->Divisions());
}

void CContrastShow::SetMode(int mode) { m_graph->SetMode(mode); }

} // namespace qm::browse
