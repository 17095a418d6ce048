#include "CDevData.h"

#include "MessageSeam.h"
#include "RecordDialogs.h"
#include "RecordFolders.h"
#include "Strings.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace qm::browse {
namespace {

using M = CRecordListModel;

QDateEdit* MakeDate(QWidget* parent, int id)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QStringLiteral("c%1").arg(id));
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setCalendarPopup(true);
    return edit;
}

QLabel* MakeLabel(QWidget* parent, int id, int text)
{
    auto* label = new QLabel(Msg(text), parent);
    label->setObjectName(QStringLiteral("c%1").arg(id));
    return label;
}

// The date part (first 11 characters) of a stored time.
QDate DateOf(const QString& time)
{
    const QStringList parts = time.left(11).trimmed().split(u'-');
    if (parts.size() != 3)
        return {};
    return QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
}

} // namespace

CDevData::CDevData(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CDevData"));
    const auto makeButton = [this](QWidget* owner, int id, int text) {
        auto* b = new QToolButton(owner);
        b->setObjectName(QStringLiteral("c%1").arg(id));
        b->setText(Msg(text));
        b->setMinimumHeight(26);
        m_buttons.insert(id, b);
        return b;
    };

    // The time and keyword search of the all-records list.
    m_timeSearch = new QWidget(this);
    auto* timeRow = new QHBoxLayout(m_timeSearch);
    timeRow->setContentsMargins(0, 0, 0, 0);
    m_from = MakeDate(m_timeSearch, 1111);
    m_to = MakeDate(m_timeSearch, 1087);
    m_keyword = new QLineEdit(m_timeSearch);
    m_keyword->setObjectName(QStringLiteral("c1040"));
    m_keyword->setClearButtonEnabled(true);
    m_keyword->setMaximumWidth(320);
    timeRow->addWidget(MakeLabel(m_timeSearch, 1113, 180));
    timeRow->addWidget(m_from);
    timeRow->addWidget(MakeLabel(m_timeSearch, 1117, 5805));
    timeRow->addWidget(m_to);
    timeRow->addSpacing(12);
    timeRow->addWidget(MakeLabel(m_timeSearch, 1198, 5802));
    timeRow->addWidget(m_keyword, 1);
    timeRow->addWidget(makeButton(m_timeSearch, 1090, 5040));
    timeRow->addStretch(1);
    connect(m_keyword, &QLineEdit::returnPressed, this, &CDevData::OnBnClickedSearch);

    // The name search of a device or folder list.
    m_nameSearch = new QWidget(this);
    auto* nameRow = new QHBoxLayout(m_nameSearch);
    nameRow->setContentsMargins(0, 0, 0, 0);
    m_name = new QLineEdit(m_nameSearch);
    m_name->setObjectName(QStringLiteral("c1203"));
    m_name->setClearButtonEnabled(true);
    m_name->setMaximumWidth(320);
    nameRow->addWidget(MakeLabel(m_nameSearch, 1202, 133));
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(makeButton(m_nameSearch, 1201, 5040));
    nameRow->addStretch(1);
    connect(m_name, &QLineEdit::returnPressed, this, &CDevData::OnBnClickedNameSearch);

    // Batch mode.
    m_batchBar = new QWidget(this);
    auto* batchRow = new QHBoxLayout(m_batchBar);
    batchRow->setContentsMargins(0, 0, 0, 0);
    m_selectAll = new QCheckBox(Msg(5804), m_batchBar);
    m_selectAll->setObjectName(QStringLiteral("c1316"));
    batchRow->addWidget(m_selectAll);
    batchRow->addWidget(makeButton(m_batchBar, 1089, 5053));
    batchRow->addWidget(makeButton(m_batchBar, 1091, 314));
    batchRow->addWidget(makeButton(m_batchBar, 1175, 5051));
    batchRow->addStretch(1);
    connect(m_selectAll, &QCheckBox::clicked, this, &CDevData::OnBnClickedSelectAll);

    auto* top = new QHBoxLayout;
    top->setContentsMargins(10, 8, 10, 4);
    top->addWidget(m_timeSearch, 1);
    top->addWidget(m_nameSearch, 1);
    top->addWidget(m_batchBar, 1);
    top->addWidget(makeButton(this, 1088, 5803));

    m_model = new CRecordListModel(this);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("c1109"));
    m_list->setModel(m_model);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(24);
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_list->horizontalHeader()->setMinimumSectionSize(20);
    m_list->horizontalHeader()->setStretchLastSection(false);
    m_list->setAlternatingRowColors(true);
    m_list->setWordWrap(false);
    for (const auto& [column, width] : {std::pair{M::kColTick, 0},
                                        {M::kColNumber, 50},
                                        {M::kColName, 135},
                                        {M::kColStart, 150},
                                        {M::kColEnd, 150},
                                        {M::kColDevname, 80},
                                        {M::kColSn, 100},
                                        {M::kColEntry, 0},
                                        {M::kColTable, 0}})
        SetColumnWidth(column, width);
    // Names are what people tell records by: theirs is the room the window has to spare.
    m_list->horizontalHeader()->setSectionResizeMode(M::kColName, QHeaderView::Stretch);

    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &CDevData::OnCurrentRowChanged);
    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (const RecordRow* row = m_model->Row(index.row()))
            emit recordOpenRequested(row->id);
    });
    connect(m_list, &QWidget::customContextMenuRequested, this, &CDevData::ShowRowMenu);
    connect(m_model, &CRecordListModel::modelReset, this, [this] { OnCurrentRowChanged(); });

    connect(Button(1090), &QToolButton::clicked, this, &CDevData::OnBnClickedSearch);
    connect(Button(1201), &QToolButton::clicked, this, &CDevData::OnBnClickedNameSearch);
    connect(Button(1088), &QToolButton::clicked, this, &CDevData::OnBnClickedBatch);
    connect(Button(1089), &QToolButton::clicked, this, &CDevData::OnBnClickedDelete);
    connect(Button(1175), &QToolButton::clicked, this, &CDevData::OnBnClickedCancel);
    connect(Button(1091), &QToolButton::clicked, this, &CDevData::OnBnClickedAddToFile);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    ShowControls();
}

QToolButton* CDevData::Button(int id) const { return m_buttons.value(id); }

void CDevData::SetColumnWidth(int column, int width)
{
    m_list->setColumnHidden(column, width == 0);
    if (width > 0)
        m_list->setColumnWidth(column, width);
}

void CDevData::ShowControls()
{
    m_timeSearch->setVisible(!m_batch && m_kind == ListKind::All);
    m_nameSearch->setVisible(!m_batch && m_kind != ListKind::All);
    m_batchBar->setVisible(m_batch);
    Button(1088)->setVisible(!m_batch);
    // Only records of the devices tab go into folders.
    Button(1091)->setVisible(m_batch && m_kind != ListKind::Folder);
}

// ---------------------------------------------------------------- loaders

int CDevData::Load(const QString& sql, const QString& table)
{
    std::vector<RecordRow> rows;
    const int rc = LoadRecordRows(sql, table, &rows);
    m_selectAll->setChecked(false);
    m_model->SetRows(rc == 1 ? std::move(rows) : std::vector<RecordRow>());
    m_sql = sql;
    m_table = table;
    return rc;
}

void CDevData::ListAllRecords(const QString& condition)
{
    m_kind = ListKind::All;
    m_sn.clear();
    SetColumnWidth(M::kColDevname, 80);
    SetColumnWidth(M::kColSn, 100);
    ShowControls();
    if (Load(AllRecordsSql(condition), QStringLiteral("recordtime")) != 1)
        return;
    // The search starts out covering every record listed.
    const QDate to = DateOf(m_model->Rows().front().timeEnd);
    const QDate from = DateOf(m_model->Rows().back().timeStart);
    if (to.isValid())
        m_to->setDate(to);
    if (from.isValid())
        m_from->setDate(from);
}

void CDevData::ListDeviceRecords(const QString& sn)
{
    m_kind = ListKind::Device;
    m_sn = sn;
    m_name->clear();
    SetColumnWidth(M::kColDevname, 0);
    SetColumnWidth(M::kColSn, 0);
    ShowControls();
    Load(DeviceRecordsSql(sn), QStringLiteral("recordtime"));
}

void CDevData::ListFolderRecords(int folderId)
{
    m_kind = ListKind::Folder;
    m_folderId = folderId;
    m_sn.clear();
    SetColumnWidth(M::kColDevname, 80);
    SetColumnWidth(M::kColSn, 80);
    ShowControls();
    Load(FolderRecordsSql(folderId), QStringLiteral("filerecord"));
}

void CDevData::Reload()
{
    if (!m_sql.isEmpty())
        Load(m_sql, m_table);
}

// ---------------------------------------------------------------- searches

void CDevData::OnBnClickedSearch()
{
    QDate from = m_from->date();
    QDate to = m_to->date();
    if (from > to) {
        std::swap(from, to);
        m_from->setDate(from);
        m_to->setDate(to);
    }
    const int rc = Load(SearchSql(from, to, m_keyword->text().trimmed()), QStringLiteral("recordtime"));
    if (rc < 0)
        ShowMessage(123);
    else if (rc == 0)
        ShowMessage(155);
}

void CDevData::OnBnClickedNameSearch()
{
    const QString name = m_name->text().trimmed();
    const int rc = m_kind == ListKind::Folder
                       ? Load(FolderNameSearchSql(m_folderId, name), QStringLiteral("filerecord"))
                       : Load(DeviceNameSearchSql(m_sn, name), QStringLiteral("recordtime"));
    if (rc < 0)
        ShowMessage(123);
    else if (rc == 0)
        ShowMessage(155);
}

// ---------------------------------------------------------------- selection

void CDevData::OnCurrentRowChanged()
{
    const QModelIndex current = m_list->selectionModel()->currentIndex();
    const RecordRow* row = current.isValid() ? m_model->Row(current.row()) : nullptr;
    const int id = row ? row->id : 0;
    if (id == m_selected && id != 0)
        return;
    m_selected = id;
    bool imported = row && row->imported;
    // A folder list does not carry the import flag: the record's row does.
    RecordRow record;
    if (row && m_kind == ListKind::Folder && ReadRecord(id, &record))
        imported = record.imported;
    emit recordSelected(id, imported);
}

void CDevData::SelectRow(int row)
{
    if (!m_model->Row(row))
        return;
    m_selected = 0; // a click on the selected row tells the window again
    m_list->setCurrentIndex(m_model->index(row, M::kColName));
    m_list->scrollTo(m_model->index(row, M::kColName));
    OnCurrentRowChanged();
}

int CDevData::SelectedRecord() const { return m_selected; }

QList<int> CDevData::TickedRecords() const
{
    QList<int> ids;
    for (int row : m_model->TickedRows())
        ids << m_model->Row(row)->id;
    return ids;
}

// ---------------------------------------------------------------- batch mode

void CDevData::OnBnClickedBatch()
{
    m_batch = true;
    SetColumnWidth(M::kColTick, 24);
    ShowControls();
}

void CDevData::OnBnClickedSelectAll() { m_model->SetAllTicked(m_selectAll->isChecked()); }

void CDevData::OnBnClickedCancel()
{
    m_model->SetAllTicked(false);
    m_selectAll->setChecked(false);
    m_batch = false;
    SetColumnWidth(M::kColTick, 0);
    ShowControls();
}

void CDevData::OnBnClickedDelete()
{
    if (m_kind == ListKind::Folder) {
        QList<int> entries;
        for (int row : m_model->TickedRows())
            entries << m_model->Row(row)->entryId;
        if (RemoveFolderEntries(entries))
            Reload();
        return;
    }
    if (DeleteRecords(TickedRecords()) > 0) {
        Reload();
        emit recordsDeleted();
    }
}

void CDevData::OnBnClickedAddToFile()
{
    const QList<int> ids = TickedRecords();
    if (ids.isEmpty()) {
        ShowMessage(154);
        return;
    }
    AddToFolder(ids);
}

// ---------------------------------------------------------------- row menu

void CDevData::ShowRowMenu(const QPoint& pos)
{
    if (m_kind == ListKind::Folder)
        return;
    const QModelIndex index = m_list->indexAt(pos);
    if (!index.isValid())
        return;
    SelectRow(index.row());
    QMenu menu(this);
    menu.addAction(Msg(121), this, &CDevData::OnUpdRecordName);
    menu.addAction(Msg(122), this, &CDevData::OnDelRecord);
    menu.addAction(Msg(314), this, &CDevData::OnAddtoFile);
    menu.exec(m_list->viewport()->mapToGlobal(pos));
}

void CDevData::OnUpdRecordName()
{
    const int row = m_model->RowOfRecord(m_selected);
    const RecordRow* record = m_model->Row(row);
    if (!record)
        return;
    CUpdRecordName dialog(record->name, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString name = dialog.Name();
    if (!RenameRecord(record->id, name))
        return;
    m_model->SetName(row, name);
    SelectRow(row);
}

void CDevData::OnDelRecord()
{
    const int row = m_model->RowOfRecord(m_selected);
    const RecordRow* record = m_model->Row(row);
    if (!record || !DeleteRecord(record->id))
        return;
    m_model->RemoveRowAt(row);
    m_list->selectionModel()->clearCurrentIndex();
    m_selected = -1;
    OnCurrentRowChanged();
    emit recordsDeleted();
}

void CDevData::OnAddtoFile()
{
    if (m_selected > 0)
        AddToFolder({m_selected});
}

void CDevData::AddToFolder(const QList<int>& ids)
{
    std::vector<FolderRow> folders;
    const int rc = LoadFolders(QString(), &folders);
    if (rc < 0) {
        ShowMessage(123);
        return;
    }
    if (rc == 0) {
        ShowMessage(319);
        return;
    }
    CAddtoFile dialog(folders, this);
    if (dialog.exec() == QDialog::Accepted)
        AddRecordsToFolder(dialog.FolderId(), ids);
}

} // namespace qm::browse
