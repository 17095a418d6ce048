// Listing 10,000 records: the all-records statement on the keyed main
// database, read into the record list's model as the page shows it.
//
//   bench_record_list [records]
#include "CRecordListModel.h"
#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "ProgramContext.h"
#include "RecordList.h"
#include "Schema.h"
#include "SqlQuote.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace qm;

namespace {

bool Fill(int records)
{
    auto db = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 0);
    if (!db)
        return false;
    db->SetReportMode(store::kReportLog);
    const QDateTime start(QDate(2020, 1, 1), QTime(8, 0, 0));
    QString sql;
    for (int i = 0; i < records; ++i) {
        const QString sn = QStringLiteral("A1B2%1").arg(i % 40, 5, 10, QLatin1Char('0'));
        const QDateTime from = start.addSecs(qint64(i) * 3600 * 5);
        sql += QStringLiteral("insert into recordtime(name, SN, time_start, time_end, hisdata_table, devname) "
                              "values(%1, '%2', '%3', '%4', '%5', %6);")
                   .arg(store::SqlQuoted(store::FormatRecordName(from)), sn, store::FormatSampleTime(from),
                        store::FormatSampleTime(from.addSecs(3600 * 4)),
                        store::HistoryTableName(sn, from.toSecsSinceEpoch()),
                        store::SqlQuoted(QStringLiteral("冷库%1").arg(i % 40)));
    }
    db->SetAutoTransaction(1);
    return db->ExeSql(sql) >= 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir folder;
    if (!folder.isValid() || store::CreateInitialProgramFolder(folder.path()) != store::kInitialCreated) {
        std::fprintf(stderr, "bench_record_list: no scratch program folder\n");
        return 1;
    }
    CProgramContext context(folder.path());
    if (!Fill(records)) {
        std::fprintf(stderr, "bench_record_list: could not store the records\n");
        return 1;
    }
    std::vector<double> times;
    browse::CRecordListModel model;
    for (int run = 0; run < 5; ++run) {
        const auto t0 = std::chrono::steady_clock::now();
        std::vector<browse::RecordRow> rows;
        if (browse::LoadRecordRows(browse::AllRecordsSql(QString()), QStringLiteral("recordtime"), &rows) != 1)
            return 1;
        model.SetRows(std::move(rows));
        const auto t1 = std::chrono::steady_clock::now();
        if (model.rowCount() != records)
            return 1;
        times.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        std::printf("run %d: %.1f ms\n", run + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    // The median of five runs: one cold file read does not decide the figure.
    std::printf("records=%d list_ms=%.1f\n", records, times[times.size() / 2]);
    return 0;
}
