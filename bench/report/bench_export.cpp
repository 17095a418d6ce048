// CSV export of a 1,000,000-sample record, from the stored record to the
// finished file, against stepping through the same history table and
// writing its rows as plain text in the same run.
//
// Last line: rows=1000000 export_ms=<t> baseline_ms=<t> ratio=<export/baseline>
#include "BenchRecord.h"

#include "LoginState.h"
#include "OutputCommands.h"
#include "ProgramContext.h"
#include "SqliteApi.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// sqlite3_step over the table, each row written as "n,time,data" text.
double Baseline(const QString& loggerPath, const QString& table, const QString& out, qint64* rows)
{
    const auto start = std::chrono::steady_clock::now();
    auto db = qm::store::OpenDatabase(nullptr, loggerPath, 0, 0, 0);
    QFile file(out);
    file.open(QIODevice::WriteOnly);
    sqlite3* handle = db && db->Open() == 1 ? db->Handle() : nullptr;
    if (!handle)
        std::fprintf(stderr, "baseline: cannot open %s\n", qPrintable(loggerPath));
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = QStringLiteral("select his_time, his_data from %1 order by his_time;").arg(table).toUtf8();
    *rows = 0;
    if (handle && sqlite3_prepare_v2(handle, sql.constData(), -1, &statement, nullptr) == SQLITE_OK) {
        QByteArray chunk;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            ++*rows;
            chunk += QByteArray::number(*rows);
            chunk += ',';
            chunk += reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            chunk += ',';
            chunk += reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
            chunk += "\r\n";
            if (chunk.size() > (1 << 20)) {
                file.write(chunk);
                chunk.clear();
            }
        }
        file.write(chunk);
        sqlite3_finalize(statement);
    } else if (handle) {
        std::fprintf(stderr, "baseline: %s\n", sqlite3_errmsg(handle));
    }
    file.close();
    return benchreport::Seconds(start) * 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int samples = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    std::unique_ptr<qm::CCoreContext> context;
    const QString table = QStringLiteral("hB00000001_1");
    const int record = benchreport::MakeRecord(dir.path(), samples, table, &context);
    if (record <= 0) {
        std::fprintf(stderr, "bench_export: cannot make the record\n");
        return 1;
    }
    qm::SetLogin(1, QStringLiteral("admin"), QString(), 0, QString());

    qint64 rows = 0;
    const double baseline = Baseline(qm::store::LoggerDatabasePath(dir.path(), QStringLiteral("B00000001")), table,
                                     dir.filePath(QStringLiteral("plain.txt")), &rows);
    const auto start = std::chrono::steady_clock::now();
    const auto data = qm::report::LoadRecordForOutput(record);
    const double loadMs = benchreport::Seconds(start) * 1000.0;
    const bool ok = data
                    && qm::report::WriteRecordExport(data, qm::report::OutputKind::Csv,
                                                     dir.filePath(QStringLiteral("export.csv")),
                                                     QStringLiteral("admin"), QDateTime::currentDateTime());
    const double exportMs = benchreport::Seconds(start) * 1000.0;
    if (!ok || rows != samples) {
        std::fprintf(stderr, "bench_export: the export failed (export %d, %lld of %d rows read)\n", int(ok), rows, samples);
        return 1;
    }
    std::printf("of the export: loading the record %.0f ms, writing the file %.0f ms; peak_rss_mb=%ld\n", loadMs,
                exportMs - loadMs, benchreport::PeakRssMb());
    std::printf("rows=%d export_ms=%.0f baseline_ms=%.0f ratio=%.2f\n", samples, exportMs, baseline,
                exportMs / baseline);
    return 0;
}
