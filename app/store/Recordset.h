#pragma once
// The in-memory, disconnected result set of a query: named, typed columns and
// rows read in order, values as text, number, null or bytes.
//
// A history table of a million rows must load without waste, so a cell is not
// an object: each column keeps one byte arena (UTF-8 for text, raw for bytes)
// and one 32-bit end offset per row whose top bit marks null. Text is decoded
// when it is read.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstdint>
#include <vector>

namespace qm::store {

// Column type codes (the numbers the callers' data-type tests use).
enum ColumnType {
    kTypeInteger = 3,
    kTypeDate = 7,
    kTypeText = 8,
    kTypeBoolean = 11,
    kTypeVariant = 12,
    kTypeVarText = 200,
    kTypeLongBytes = 205,
};

class CRecordset {
public:
    CRecordset() = default;
    CRecordset(const CRecordset&) = delete;
    CRecordset& operator=(const CRecordset&) = delete;

    // --- columns
    int AppendField(const QString& name, int type, int definedSize);
    int FieldCount() const { return int(m_columns.size()); }
    QString FieldName(int column) const;
    int FieldType(int column) const;
    int DefinedSize(int column) const;
    // Column by name without regard to case; -1 when there is none.
    int FieldIndex(QStringView name) const;

    // --- filling, one row at a time, every column in order
    void BeginRow();
    void AppendNull();
    void AppendUtf8(const char* data, qsizetype size);
    void AppendText(QStringView text);
    void AppendBytes(const QByteArray& bytes);
    // Completes the last row with nulls where its filler stopped short.
    void Finish();
    // Finish() and give back the arenas' spare capacity (after a big load).
    void Compact();
    // False when a column's arena would pass its 2 GiB limit: the set is then
    // incomplete and the filler must treat the load as failed.
    bool Good() const { return m_good; }

    // --- cursor
    qsizetype RecordCount() const { return m_rows; }
    void MoveFirst() { m_row = 0; }
    void MoveLast() { m_row = m_rows > 0 ? m_rows - 1 : 0; }
    void MoveNext() { if (m_row < m_rows) ++m_row; }
    void MovePrevious() { m_row = m_row > 0 ? m_row - 1 : -1; }
    void Move(qsizetype row) { m_row = row < 0 ? -1 : (row > m_rows ? m_rows : row); }
    bool IsEOF() const { return m_row >= m_rows; }
    bool IsBOF() const { return m_row < 0 || m_rows == 0; }
    qsizetype Position() const { return m_row; }

    // --- values of the current row (null/empty when the cursor is off a row)
    bool IsNull(int column) const;
    QString Text(int column) const;          // null value: a null QString
    QByteArray Bytes(int column) const;      // raw bytes (text columns: UTF-8)
    double Number(int column, bool* ok = nullptr) const;
    qint64 Integer(int column, bool* ok = nullptr) const;
    QVariant Value(int column) const;        // null, text, or bytes for byte columns

    bool IsNull(QStringView name) const { return IsNull(FieldIndex(name)); }
    QString Text(QStringView name) const { return Text(FieldIndex(name)); }
    QByteArray Bytes(QStringView name) const { return Bytes(FieldIndex(name)); }
    double Number(QStringView name, bool* ok = nullptr) const { return Number(FieldIndex(name), ok); }
    qint64 Integer(QStringView name, bool* ok = nullptr) const { return Integer(FieldIndex(name), ok); }
    QVariant Value(QStringView name) const { return Value(FieldIndex(name)); }

    // Values of any row without moving the cursor (table models use these).
    bool IsNullAt(qsizetype row, int column) const;
    QString TextAt(qsizetype row, int column) const;
    QByteArray BytesAt(qsizetype row, int column) const;

    // Bytes held by the arenas and offsets (figures, tests).
    qsizetype StorageBytes() const;

private:
    struct Column {
        QString name;
        int type = kTypeText;
        int definedSize = 1;
        std::vector<char> arena;
        std::vector<uint32_t> ends;     // top bit: null
    };
    static constexpr uint32_t kNullBit = 0x80000000u;

    bool Cell(qsizetype row, int column, const char** data, qsizetype* size) const;
    Column* NextColumn();

    std::vector<Column> m_columns;
    qsizetype m_rows = 0;
    qsizetype m_row = 0;
    int m_fill = 0;                     // next column of the row being filled
    bool m_good = true;
};

} // namespace qm::store
