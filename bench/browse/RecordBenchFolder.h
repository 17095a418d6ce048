// A program folder for the record benchmarks: one logger file with a
// two-channel history table of `rows` samples in the stored formats (a sensor
// error and a missing value now and then), its config row, and 10,000
// records in the main database.
#pragma once

#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace benchrecord {

using namespace qm::store;

inline const QString kSn = QStringLiteral("A1B200001");
inline const QString kTable = QStringLiteral("hA1B200001_1700000000");
inline constexpr int kListedRecords = 10000;

inline bool Build(const QString& folder, int rows)
{
    if (CreateInitialProgramFolder(folder) == kInitialFailed)
        return false;
    QDir().mkpath(folder + QStringLiteral("/config"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/config/channelInfo.ini"),
                folder + QStringLiteral("/config/channelInfo.ini"));
    auto logger = OpenDatabase(nullptr, LoggerDatabasePath(folder, kSn), 1, 0, 0);
    auto main = OpenDatabase(nullptr, DatainfoPathIn(folder), 0, 0, 0);
    if (!logger || !main)
        return false;
    logger->SetReportMode(kReportLog);
    main->SetReportMode(kReportLog);
    CreateConfigTable(*logger);
    CreateHistoryTable(*logger, kTable);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 0));
    QString text;
    for (int i = 0; i < rows; ++i) {
        // A sensor error or a missing value now and then, as real records have.
        const QString data =
            i % 9973 == 0 ? QStringLiteral("ERR;-") : JoinDecimals({20.0 + (i % 100) * 0.1, 45.0 + (i % 50) * 0.2});
        text +=
            HistoryInsertSql(kTable, FormatSampleTime(start.addSecs(qint64(i) * 60)), data, QStringLiteral("1;2"), 0);
        if (text.size() >= 1000000 || i + 1 == rows) {
            logger->SetAutoTransaction(1);
            if (logger->ExeSql(text) == -1)
                return false;
            text.clear();
        }
    }
    logger->SetAutoTransaction(0);
    logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, way_stop, "
                                  "time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, "
                                  "chan_floorLimit, record_id) values('0;1;0',0,'2024-01-01 00:00',0,"
                                  "'2024-01-02 00:00','1;2','1;1','29.0;80.0','20.5;50.0','85;100','-40;0',1);"));
    QString records;
    for (int r = 0; r < kListedRecords; ++r) {
        const QString table = r == 0 ? kTable : HistoryTableName(kSn, 1700000000 + r);
        records += QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                                  "values('%1','%2','%3','%4','%5','dev');")
                       .arg(FormatRecordName(start.addSecs(r)), kSn, FormatSampleTime(start.addDays(r % 400)),
                            FormatSampleTime(start.addDays(r % 400 + 1)), table);
    }
    main->SetAutoTransaction(1);
    return main->ExeSql(records) != -1;
}

} // namespace benchrecord
