// Reading a 1,000,000-row history table: GetTable and QueryRecordset against a
// bare sqlite3_step loop. Each way runs in its own process so that its peak
// memory (getrusage max RSS) is its own.
//
//   bench_store_read [rows]          build the table once, then run every way
//   bench_store_read <way> <file>    one way (gettable | recordset | step)
#include "DBSqlite3.h"
#include "OpenDatabase.h"
#include "Recordset.h"
#include "Schema.h"
#include "SqliteApi.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

using namespace qm::store;

namespace {

const QString kTable = QStringLiteral("h1A2B00001_1700000000");

long MaxRssKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

bool Build(const QString& path, int rows)
{
    auto db = OpenDatabase(nullptr, path, 1, 0, 0);
    if (!db)
        return false;
    db->SetReportMode(kReportLog);
    CreateHistoryTable(*db, kTable);
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 0));
    QString text;
    for (int i = 0; i < rows; ++i) {
        text += HistoryInsertSql(kTable, FormatSampleTime(start.addSecs(i * 60)),
                                 JoinDecimals({20.0 + (i % 100) * 0.1, 45.0 + (i % 50) * 0.2}), QStringLiteral("1;2"),
                                 0);
        if (text.size() >= 1000000 || i + 1 == rows) {
            db->SetAutoTransaction(1);
            if (db->ExeSql(text) == -1)
                return false;
            text.clear();
        }
    }
    return true;
}

// Touches every value so that no way gets away without reading it.
size_t g_checksum = 0;

void TableCallback(void*, char** result, int rows, int columns)
{
    for (int i = columns; i < (rows + 1) * columns; ++i)
        if (result[i])
            g_checksum += size_t(result[i][0]);
}

int RunOne(const QString& way, const QString& path)
{
    auto db = OpenDatabase(nullptr, path, 0, 0, 0);
    if (!db)
        return 1;
    db->SetReportMode(kReportLog);
    db->ExeSql(QStringLiteral("select count(*) from sqlite_master"));   // key derived, schema read
    const long before = MaxRssKb();
    const QString sql = QStringLiteral("select * from '%1' order by his_time;").arg(kTable);
    const auto start = std::chrono::steady_clock::now();
    qsizetype rows = 0;
    double loaded = 0;
    qsizetype arena = 0;
    if (way == QLatin1String("gettable")) {
        if (db->GetTable(sql, TableCallback) != 1)
            return 1;
    } else if (way == QLatin1String("recordset")) {
        std::unique_ptr<CRecordset> set;
        if (db->QueryRecordset(sql, set) != 1)
            return 1;
        loaded = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        arena = set->StorageBytes();
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext(), ++rows)
            for (int c = 0; c < set->FieldCount(); ++c)
                g_checksum += size_t(set->Text(c).size());
    } else {
        sqlite3_stmt* st = nullptr;
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db->Handle(), utf8.constData(), -1, &st, nullptr) != SQLITE_OK)
            return 1;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char* t = sqlite3_column_text(st, c);
                if (t)
                    g_checksum += t[0];
            }
            ++rows;
        }
        sqlite3_finalize(st);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long after = MaxRssKb();
    std::printf("%-10s %6.2f s", way.toLatin1().constData(), seconds);
    if (loaded > 0)
        std::printf(" (load %.2f s, %.1f MB in arenas)", loaded, double(arena) / 1e6);
    std::printf("  peak RSS +%ld MB (max %ld MB)  [%zu]\n", (after - before) / 1024, after / 1024, g_checksum % 10);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2)
        return RunOne(args[0], args[1]);

    const int rows = args.isEmpty() ? 1000000 : args[0].toInt();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("1A2B00001.db3"));
    const auto start = std::chrono::steady_clock::now();
    if (!Build(path, rows)) {
        std::fprintf(stderr, "cannot build %s\n", path.toUtf8().constData());
        return 1;
    }
    std::printf("%d rows built in %.1f s, file %.1f MB (keyed)\n", rows,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                double(QFileInfo(path).size()) / 1e6);
    std::fflush(stdout);
    for (const char* way : {"step", "gettable", "recordset"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(way), path});
        child.waitForFinished(-1);
    }
    return 0;
}
