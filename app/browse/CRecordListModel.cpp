#include "CRecordListModel.h"

#include "Strings.h"

namespace qm::browse {

int CRecordListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows.size()); }

int CRecordListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant CRecordListModel::data(const QModelIndex& index, int role) const
{
    const RecordRow* row = index.isValid() ? Row(index.row()) : nullptr;
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case kColNumber: return QString::number(int(m_rows.size()) - index.row());
        case kColName: return row->name;
        case kColStart: return row->timeStart;
        case kColEnd: return row->timeEnd;
        case kColDevname: return row->devname;
        case kColSn: return row->sn;
        case kColEntry: return row->entryId ? QString::number(row->entryId) : QString();
        case kColTable: return row->table;
        default: return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == kColTick)
            return IsTicked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::UserRole: return row->id;
    case Qt::ToolTipRole: return index.column() == kColName ? row->name : QVariant();
    default: return {};
    }
}

QVariant CRecordListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case kColNumber: return Msg(132);
    case kColName: return Msg(133);
    case kColStart: return Msg(134);
    case kColEnd: return Msg(135);
    case kColDevname: return Msg(136);
    case kColSn: return Msg(137);
    default: return QString();
    }
}

Qt::ItemFlags CRecordListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kColTick)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool CRecordListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != kColTick || role != Qt::CheckStateRole)
        return false;
    SetTicked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

void CRecordListModel::SetRows(std::vector<RecordRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_ticked.assign(m_rows.size(), 0);
    endResetModel();
    emit tickChanged();
}

const RecordRow* CRecordListModel::Row(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? &m_rows[size_t(row)] : nullptr;
}

int CRecordListModel::RowOfRecord(int id) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return int(i);
    return -1;
}

void CRecordListModel::SetName(int row, const QString& name)
{
    if (!Row(row))
        return;
    m_rows[size_t(row)].name = name;
    emit dataChanged(index(row, kColName), index(row, kColName));
}

void CRecordListModel::RemoveRowAt(int row)
{
    if (!Row(row))
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_rows.erase(m_rows.begin() + row);
    m_ticked.erase(m_ticked.begin() + row);
    endRemoveRows();
    // Every number above it counts one less.
    if (!m_rows.empty())
        emit dataChanged(index(0, kColNumber), index(int(m_rows.size()) - 1, kColNumber));
    emit tickChanged();
}

bool CRecordListModel::IsTicked(int row) const { return Row(row) && m_ticked[size_t(row)]; }

void CRecordListModel::SetTicked(int row, bool ticked)
{
    if (!Row(row) || bool(m_ticked[size_t(row)]) == ticked)
        return;
    m_ticked[size_t(row)] = ticked;
    emit dataChanged(index(row, kColTick), index(row, kColTick), {Qt::CheckStateRole});
    emit tickChanged();
}

void CRecordListModel::SetAllTicked(bool ticked)
{
    if (m_rows.empty())
        return;
    std::fill(m_ticked.begin(), m_ticked.end(), char(ticked));
    emit dataChanged(index(0, kColTick), index(int(m_rows.size()) - 1, kColTick), {Qt::CheckStateRole});
    emit tickChanged();
}

QList<int> CRecordListModel::TickedRows() const
{
    QList<int> rows;
    for (size_t i = 0; i < m_ticked.size(); ++i)
        if (m_ticked[i])
            rows << int(i);
    return rows;
}

} // namespace qm::browse
