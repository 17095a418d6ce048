// Opening a record of 1,000,000 two-channel samples, against the bare step
// through its history table on the same keyed file. Each way runs in its own
// process, so that its peak memory (getrusage max RSS) is its own.
//
//   bench_record_open [samples]          build a program folder once, then run both ways
//   bench_record_open <way> <folder>     one way: raw | open | list
//
// Last line: samples=<n> raw_ms=<t> open_ms=<t> ratio=<open/raw> peak_rss_mb=<m>
// (peak_rss_mb: the open process). The line before it times the listing of
// 10,000 records.
#include "DBSqlite3.h"
#include "InitialDatabase.h"
#include "OpenDatabase.h"
#include "RecordBenchFolder.h"
#include "RecordData.h"
#include "RecordTableModel.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqliteApi.h"
#include "Startup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <sys/resource.h>

using namespace qm::store;

namespace {

using benchrecord::Build;
using benchrecord::kListedRecords;
using benchrecord::kSn;
using benchrecord::kTable;

long MaxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double MsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

int RunRaw(const QString& folder)
{
    auto db = OpenDatabase(nullptr, LoggerDatabasePath(folder, kSn), 0, 0, 0);
    if (!db)
        return 1;
    db->ExeSql(QStringLiteral("select count(*) from sqlite_master")); // key derived, schema read
    const auto start = std::chrono::steady_clock::now();
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("select * from '%1' order by his_time;").arg(kTable).toUtf8();
    if (sqlite3_prepare_v2(db->Handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return 1;
    size_t checksum = 0;
    qint64 rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            if (const unsigned char* t = sqlite3_column_text(st, c))
                checksum += t[0];
        ++rows;
    }
    sqlite3_finalize(st);
    std::printf("raw_ms=%.0f rows=%lld [%zu]\n", MsSince(start), static_cast<long long>(rows), checksum % 10);
    return 0;
}

int RunOpen(const QString& folder)
{
    qm::CCoreContext context(folder);
    const auto start = std::chrono::steady_clock::now();
    qm::browse::CRecordData data;
    if (qm::browse::LoadRecord(1, {}, &data) != qm::browse::LoadResult::Loaded)
        return 1;
    qm::browse::CRecordTableModel model;
    model.SetRecord(&data);
    const double ms = MsSince(start);
    // The first screen of the data list, to show the model is ready.
    size_t checksum = 0;
    for (int r = 0; r < 40; ++r)
        for (int c = 1; c < model.columnCount(); ++c)
            checksum += size_t(model.data(model.index(r, c)).toString().size());
    const qm::browse::ChannelStatistics& s = data.statistics.at(0);
    std::printf("open_ms=%.0f rows=%d count=%lld errors=%lld max=%.1f mkt=%.2f above=%lld peak_rss_mb=%ld [%zu]\n", ms,
                model.rowCount(), static_cast<long long>(s.count), static_cast<long long>(s.errors), s.max, s.mkt,
                static_cast<long long>(s.above.count), MaxRssKb() / 1024, checksum % 10);
    return 0;
}

int RunList(const QString& folder)
{
    qm::CCoreContext context(folder);
    auto db = OpenDatabase(nullptr, DatainfoPathIn(folder), 0, 0, 0);
    if (!db)
        return 1;
    db->ExeSql(QStringLiteral("select count(*) from sqlite_master"));
    const auto start = std::chrono::steady_clock::now();
    std::unique_ptr<CRecordset> set;
    if (db->QueryRecordset(QStringLiteral("select * from recordtime order by %1;").arg(RecordListOrder()), set) != 1)
        return 1;
    size_t checksum = 0;
    for (set->MoveFirst(); !set->IsEOF(); set->MoveNext())
        checksum += size_t(set->Text(u"name").size() + set->Text(u"time_end").size());
    std::printf("list_ms=%.0f records=%lld [%zu]\n", MsSince(start), static_cast<long long>(set->RecordCount()),
                checksum % 10);
    return 0;
}

// Runs one way in a child and returns the value of `key` from its output.
double Child(const QString& way, const QString& folder, const char* key, QString* line)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(), {way, folder});
    child.waitForFinished(-1);
    *line = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
    std::printf("%s\n", line->toUtf8().constData());
    std::fflush(stdout);
    for (const QString& pair : line->split(u' ')) {
        if (pair.startsWith(QLatin1String(key) + u'='))
            return pair.mid(int(qstrlen(key)) + 1).toDouble();
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2) {
        if (args[0] == QLatin1String("raw"))
            return RunRaw(args[1]);
        if (args[0] == QLatin1String("open"))
            return RunOpen(args[1]);
        if (args[0] == QLatin1String("list"))
            return RunList(args[1]);
        return 2;
    }
    const int rows = args.isEmpty() ? 1000000 : args[0].toInt();
    QTemporaryDir dir;
    const auto start = std::chrono::steady_clock::now();
    if (!Build(dir.path(), rows)) {
        std::fprintf(stderr, "cannot build the program folder in %s\n", dir.path().toUtf8().constData());
        return 1;
    }
    std::printf("%d samples and %d records built in %.1f s\n", rows, kListedRecords, MsSince(start) / 1000);
    std::fflush(stdout);
    QString line;
    const double raw = Child(QStringLiteral("raw"), dir.path(), "raw_ms", &line);
    const double open = Child(QStringLiteral("open"), dir.path(), "open_ms", &line);
    double peak = -1;
    for (const QString& pair : line.split(u' '))
        if (pair.startsWith(QLatin1String("peak_rss_mb=")))
            peak = pair.mid(12).toDouble();
    Child(QStringLiteral("list"), dir.path(), "list_ms", &line);
    if (raw <= 0 || open <= 0)
        return 1;
    std::printf("samples=%d raw_ms=%.0f open_ms=%.0f ratio=%.2f peak_rss_mb=%.0f\n", rows, raw, open, open / raw, peak);
    return 0;
}
