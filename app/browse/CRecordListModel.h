#pragma once
// The rows of the record list as a table model: one record per row in the
// order of the loader, with a tick per row for batch mode. Columns as the list
// shows them: 0 tick, 1 number counting down from the row count, 2 name,
// 3 start, 4 end, 5 device name, 6 SN, 7 folder entry id, 8 history table.
// The record id is every cell's Qt::UserRole.
#include "RecordList.h"

#include <QAbstractTableModel>

#include <vector>

namespace qm::browse {

class CRecordListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        kColTick,
        kColNumber,
        kColName,
        kColStart,
        kColEnd,
        kColDevname,
        kColSn,
        kColEntry,
        kColTable,
        kColumnCount
    };

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Replaces every row (ticks cleared).
    void SetRows(std::vector<RecordRow> rows);
    const std::vector<RecordRow>& Rows() const { return m_rows; }
    const RecordRow* Row(int row) const;
    // The list row of record `id`; -1 when it is not listed.
    int RowOfRecord(int id) const;
    void SetName(int row, const QString& name);
    void RemoveRowAt(int row);

    bool IsTicked(int row) const;
    void SetTicked(int row, bool ticked);
    void SetAllTicked(bool ticked);
    QList<int> TickedRows() const;

signals:
    void tickChanged();

private:
    std::vector<RecordRow> m_rows;
    std::vector<char> m_ticked;
};

} // namespace qm::browse
