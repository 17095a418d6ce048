#pragma once
// A stored two-channel record (temperature and humidity, a value missing now
// and then) in a scratch program folder, for the output benchmarks.
#include "AppEnv.h"
#include "DBSqlite3.h"
#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqlQuote.h"
#include "Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <memory>
#include <sys/resource.h>

namespace benchreport {

inline long PeakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Makes the program folder `folder` with one record of `samples` rows a
// minute apart; its id, 0 on failure. `context` keeps the folder in force.
inline int MakeRecord(const QString& folder, int samples, const QString& table,
                      std::unique_ptr<qm::CCoreContext>* context)
{
    using namespace qm::store;
    if (CreateInitialProgramFolder(folder) != kInitialCreated)
        return 0;
    QDir().mkpath(folder + QStringLiteral("/config"));
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/config/channelInfo.ini"),
                folder + QStringLiteral("/config/channelInfo.ini"));
    *context = std::make_unique<qm::CCoreContext>(folder);
    const QString sn = QStringLiteral("B00000001");
    auto logger = OpenDatabase(nullptr, LoggerDatabasePath(folder, sn), 1, 0, 0);
    if (!logger)
        return 0;
    logger->SetReportMode(kReportLog);
    CreateConfigTable(*logger);
    CreateHistoryTable(*logger, table);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 0));
    QString text;
    for (int i = 0; i < samples; ++i) {
        const QString data = i % 997 == 5 ? QStringLiteral("-;48.2")
                                          : JoinDecimals({2.0 + (i % 80) * 0.1, 45.0 + (i % 50) * 0.2});
        text += HistoryInsertSql(table, FormatSampleTime(start.addSecs(i * 60)), data, QStringLiteral("1;2"), 0);
        if (text.size() >= 1000000 || i + 1 == samples) {
            logger->SetAutoTransaction(1);
            if (logger->ExeSql(text) == -1)
                return 0;
            logger->SetAutoTransaction(0);
            text.clear();
        }
    }
    auto main = OpenDatabase(nullptr, DatainfoPathIn(folder), 0, 0, 0);
    if (!main)
        return 0;
    main->ExeSql(QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                                "values('bench', %1, %2, %3, %4, 'cold room');")
                     .arg(SqlQuoted(sn), SqlQuoted(FormatSampleTime(start)),
                          SqlQuoted(FormatSampleTime(start.addSecs(qint64(samples - 1) * 60))), SqlQuoted(table)));
    std::unique_ptr<CRecordset> set;
    main->QueryRecordset(QStringLiteral("select max(id) as id from recordtime;"), set);
    const int id = set ? int(set->Integer(u"id")) : 0;
    logger->ExeSql(QStringLiteral("insert into config(his_recordinterval, way_startup, time_startup, way_stop, "
                                  "time_stop, chan_type, chan_alarm, chan_Top, chan_Floor, chan_topLimit, "
                                  "chan_floorLimit, record_id) values('0;1;0',0,'2024-01-01 00:00',0,"
                                  "'2024-12-31 00:00','1;2','1;1','8.0;70.0','2.0;30.0','85;100','-40;0',%1);")
                       .arg(id));
    return id;
}

} // namespace benchreport
