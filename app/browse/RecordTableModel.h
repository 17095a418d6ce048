#pragma once
// The data list of the record view as a model over the record's arrays: the
// newest sample first, "序号" counting down to 1, the time, one column per
// value position. Nothing is copied per row or cell, so a record of a million
// samples scrolls like one of ten. Values above the channel's upper alarm
// value are red, below the lower one blue, sensor errors are marked. In batch
// mode column 0 carries the check boxes.
#include "RecordData.h"

#include <QAbstractTableModel>
#include <vector>

namespace qm::browse {

class CRecordTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kCheckColumn = 0;
    static constexpr int kNumberColumn = 1;
    static constexpr int kTimeColumn = 2;
    static constexpr int kFirstValueColumn = 3;

    explicit CRecordTableModel(QObject* parent = nullptr);

    // The record shown (not owned; null: nothing). Call again after the
    // record's samples changed; ticks are cleared.
    void SetRecord(const CRecordData* data);
    const CRecordData* Record() const { return m_data; }

    // Sample index (ascending time) of a row, and back.
    qsizetype SampleOf(int row) const { return m_rows - 1 - row; }
    int RowOf(qsizetype sample) const { return int(m_rows - 1 - sample); }

    void SetBatchMode(bool on);
    bool BatchMode() const { return m_batch; }
    void SetAllTicked(bool ticked);
    // Ticked samples, ascending.
    std::vector<qsizetype> TickedSamples() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // How a value of channel `channel` at sample i stands against its alarm values.
    enum class Mark { Inside, Above, Below, Error, None };
    Mark MarkOf(qsizetype sample, int channel) const;

private:
    struct Limits {
        bool hasUpper = false;
        bool hasLower = false;
        double upper = 0.0;
        double lower = 0.0;
    };
    const CRecordData* m_data = nullptr;
    qsizetype m_rows = 0;
    std::vector<Limits> m_limits;
    std::vector<quint8> m_ticks; // per sample
    bool m_batch = false;
};

} // namespace qm::browse
