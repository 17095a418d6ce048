#include "RecordTableModel.h"

#include "SampleValue.h"
#include "Strings.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <cmath>

namespace qm::browse {

CRecordTableModel::CRecordTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CRecordTableModel::SetRecord(const CRecordData* data)
{
    beginResetModel();
    m_data = data;
    m_rows = data ? data->Count() : 0;
    m_ticks.assign(size_t(m_rows), 0);
    m_limits.clear();
    if (data) {
        for (const RecordChannel& ch : data->channels) {
            Limits l;
            const SampleNumber upper = ParseSampleValue(ch.upperAlarm, ch.upperAlarm);
            const SampleNumber lower = ParseSampleValue(ch.upperAlarm, ch.lowerAlarm);
            l.hasUpper = upper.valid;
            l.upper = upper.value;
            l.hasLower = lower.valid;
            l.lower = lower.value;
            m_limits.push_back(l);
        }
    }
    endResetModel();
}

void CRecordTableModel::SetBatchMode(bool on)
{
    if (m_batch == on)
        return;
    m_batch = on;
    if (!on)
        std::fill(m_ticks.begin(), m_ticks.end(), 0);
    if (m_rows > 0)
        emit dataChanged(index(0, kCheckColumn), index(int(m_rows - 1), kCheckColumn));
}

void CRecordTableModel::SetAllTicked(bool ticked)
{
    std::fill(m_ticks.begin(), m_ticks.end(), ticked ? 1 : 0);
    if (m_rows > 0)
        emit dataChanged(index(0, kCheckColumn), index(int(m_rows - 1), kCheckColumn), {Qt::CheckStateRole});
}

std::vector<qsizetype> CRecordTableModel::TickedSamples() const
{
    std::vector<qsizetype> ticked;
    for (size_t i = 0; i < m_ticks.size(); ++i)
        if (m_ticks[i])
            ticked.push_back(qsizetype(i));
    return ticked;
}

int CRecordTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_rows); }

int CRecordTableModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return kFirstValueColumn + (m_data ? int(m_data->channels.size()) : 0);
}

CRecordTableModel::Mark CRecordTableModel::MarkOf(qsizetype sample, int channel) const
{
    const double v = m_data->Value(sample, channel);
    if (std::isnan(v))
        return Mark::None;
    if (IsErrorValue(v))
        return Mark::Error;
    const Limits& l = m_limits[size_t(channel)];
    if (l.hasUpper && v > l.upper)
        return Mark::Above;
    if (l.hasLower && v < l.lower)
        return Mark::Below;
    return Mark::Inside;
}

QVariant CRecordTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_data || !index.isValid() || index.row() >= m_rows)
        return {};
    const qsizetype sample = SampleOf(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        if (column == kNumberColumn)
            return QString::number(sample + 1);
        if (column == kTimeColumn)
            return m_data->TimeText(sample);
        if (column >= kFirstValueColumn)
            return m_data->ValueText(sample, column - kFirstValueColumn);
        return {};
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::CheckStateRole:
        if (column == kCheckColumn && m_batch)
            return m_ticks[size_t(sample)] ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::ForegroundRole:
        if (column >= kFirstValueColumn) {
            switch (MarkOf(sample, column - kFirstValueColumn)) {
            case Mark::Above: return QBrush(QColor(220, 0, 0));
            case Mark::Below: return QBrush(QColor(0, 70, 230));
            case Mark::Error: return QBrush(QColor(150, 90, 0));
            default: return {};
            }
        }
        return {};
    case Qt::BackgroundRole:
        if (column >= kFirstValueColumn && MarkOf(sample, column - kFirstValueColumn) == Mark::Error)
            return QBrush(QColor(255, 236, 179));
        return {};
    case Qt::FontRole:
        if (column >= kFirstValueColumn) {
            const Mark mark = MarkOf(sample, column - kFirstValueColumn);
            if (mark == Mark::Above || mark == Mark::Below || mark == Mark::Error) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
        }
        return {};
    default: return {};
    }
}

bool CRecordTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_batch || !index.isValid() || index.column() != kCheckColumn || role != Qt::CheckStateRole)
        return false;
    m_ticks[size_t(SampleOf(index.row()))] = value.toInt() == Qt::Checked ? 1 : 0;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

QVariant CRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (section == kNumberColumn)
        return Msg(132);
    if (section == kTimeColumn)
        return Msg(5806);
    if (section >= kFirstValueColumn)
        return MsgF(147, {QString::number(section - kFirstValueColumn + 1)});
    return QString();
}

Qt::ItemFlags CRecordTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == kCheckColumn && m_batch)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

} // namespace qm::browse
