#include "Recordset.h"

#include <cstring>

namespace qm::store {

int CRecordset::AppendField(const QString& name, int type, int definedSize)
{
    Column c;
    c.name = name;
    c.type = type;
    c.definedSize = definedSize < 1 ? 1 : definedSize;
    m_columns.push_back(std::move(c));
    return int(m_columns.size()) - 1;
}

QString CRecordset::FieldName(int column) const
{
    return column >= 0 && column < FieldCount() ? m_columns[size_t(column)].name : QString();
}

int CRecordset::FieldType(int column) const
{
    return column >= 0 && column < FieldCount() ? m_columns[size_t(column)].type : 0;
}

int CRecordset::DefinedSize(int column) const
{
    return column >= 0 && column < FieldCount() ? m_columns[size_t(column)].definedSize : 0;
}

int CRecordset::FieldIndex(QStringView name) const
{
    for (int i = 0; i < FieldCount(); ++i)
        if (QStringView(m_columns[size_t(i)].name).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void CRecordset::BeginRow()
{
    // A row left short by its filler is completed with nulls so that every
    // column keeps one entry per row.
    Finish();
    m_fill = 0;
    ++m_rows;
}

void CRecordset::Finish()
{
    if (m_rows > 0)
        while (m_fill < FieldCount())
            AppendNull();
}

void CRecordset::Compact()
{
    Finish();
    for (Column& c : m_columns) {
        c.arena.shrink_to_fit();
        c.ends.shrink_to_fit();
    }
}

CRecordset::Column* CRecordset::NextColumn()
{
    if (m_rows == 0 || m_fill >= FieldCount())
        return nullptr;
    return &m_columns[size_t(m_fill++)];
}

void CRecordset::AppendNull()
{
    Column* c = NextColumn();
    if (!c)
        return;
    c->ends.push_back(uint32_t(c->arena.size()) | kNullBit);
}

void CRecordset::AppendUtf8(const char* data, qsizetype size)
{
    Column* c = NextColumn();
    if (!c)
        return;
    if (qsizetype(c->arena.size()) + size >= qsizetype(kNullBit)) {
        m_good = false;
        c->ends.push_back(uint32_t(c->arena.size()) | kNullBit);
        return;
    }
    c->arena.insert(c->arena.end(), data, data + size);
    c->ends.push_back(uint32_t(c->arena.size()));
}

void CRecordset::AppendText(QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    AppendUtf8(utf8.constData(), utf8.size());
}

void CRecordset::AppendBytes(const QByteArray& bytes)
{
    AppendUtf8(bytes.constData(), bytes.size());
}

bool CRecordset::Cell(qsizetype row, int column, const char** data, qsizetype* size) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= FieldCount())
        return false;
    const Column& c = m_columns[size_t(column)];
    if (size_t(row) >= c.ends.size())
        return false;
    const uint32_t end = c.ends[size_t(row)];
    if (end & kNullBit)
        return false;
    const uint32_t begin = row == 0 ? 0 : (c.ends[size_t(row) - 1] & ~kNullBit);
    *data = c.arena.data() + begin;
    *size = qsizetype(end - begin);
    return true;
}

bool CRecordset::IsNullAt(qsizetype row, int column) const
{
    const char* d = nullptr;
    qsizetype n = 0;
    return !Cell(row, column, &d, &n);
}

QString CRecordset::TextAt(qsizetype row, int column) const
{
    const char* d = nullptr;
    qsizetype n = 0;
    if (!Cell(row, column, &d, &n))
        return QString();
    return QString::fromUtf8(d, n);
}

QByteArray CRecordset::BytesAt(qsizetype row, int column) const
{
    const char* d = nullptr;
    qsizetype n = 0;
    if (!Cell(row, column, &d, &n))
        return QByteArray();
    return QByteArray(d, n);
}

bool CRecordset::IsNull(int column) const { return IsNullAt(m_row, column); }
QString CRecordset::Text(int column) const { return TextAt(m_row, column); }
QByteArray CRecordset::Bytes(int column) const { return BytesAt(m_row, column); }

double CRecordset::Number(int column, bool* ok) const
{
    return Text(column).trimmed().toDouble(ok);
}

qint64 CRecordset::Integer(int column, bool* ok) const
{
    const QString t = Text(column).trimmed();
    bool intOk = false;
    const qint64 v = t.toLongLong(&intOk);
    if (intOk) {
        if (ok)
            *ok = true;
        return v;
    }
    return qint64(t.toDouble(ok));
}

QVariant CRecordset::Value(int column) const
{
    if (IsNull(column))
        return QVariant();
    if (FieldType(column) == kTypeLongBytes)
        return Bytes(column);
    return Text(column);
}

qsizetype CRecordset::StorageBytes() const
{
    qsizetype total = 0;
    for (const Column& c : m_columns)
        total += qsizetype(c.arena.capacity() + c.ends.capacity() * sizeof(uint32_t));
    return total;
}

} // namespace qm::store
