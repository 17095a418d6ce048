// Insert rate of history rows, keyed against unkeyed files in the same run.
//
//   bench_store_insert [rows per file] [cache pages]
//
// Like the download writer: batches of about 1 MB of "insert or ignore" texts,
// each executed with the auto-transaction flag, first into one file and then
// into its twin (logger file and month backup copy). Two keyed files, then the
// same statements into two unkeyed files.
#include "DBSqlite3.h"
#include "OpenDatabase.h"
#include "Schema.h"

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace qm::store;

namespace {

QStringList Batches(int rows, const QString& table)
{
    QStringList batches;
    QString text;
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0, 0));
    for (int i = 0; i < rows; ++i) {
        const double t = 20.0 + (i % 100) * 0.1;
        text += HistoryInsertSql(table, FormatSampleTime(start.addSecs(i)), JoinDecimals({t, 45.0 + (i % 50) * 0.2}),
                                 QStringLiteral("1;2"), i % 97 == 0 ? 1 : 0);
        if (text.size() >= 1000000) {
            batches << text;
            text.clear();
        }
    }
    if (!text.isEmpty())
        batches << text;
    return batches;
}

double Run(const QStringList& batches, CDBSqlite3& a, CDBSqlite3& b)
{
    const auto begin = std::chrono::steady_clock::now();
    for (const QString& batch : batches) {
        for (CDBSqlite3* db : {&a, &b}) {
            db->SetAutoTransaction(1);
            if (db->ExeSql(batch) == -1) {
                std::fprintf(stderr, "insert failed\n");
                std::exit(1);
            }
        }
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

std::unique_ptr<CDBSqlite3> Make(const QString& path, bool keyed, int cachePages, const QString& table)
{
    auto db = std::make_unique<CDBSqlite3>(nullptr, path);
    db->SetKeyFlag(keyed ? 1 : 0);
    db->SetReportMode(kReportLog);
    if (cachePages > 0)
        db->ExeSql(QStringLiteral("PRAGMA cache_size = %1;").arg(cachePages));
    db->ExeSql(HistoryCreateSql(table));
    return db;
}

} // namespace

int main(int argc, char** argv)
{
    const int rows = argc > 1 ? std::atoi(argv[1]) : 300000;
    const int cachePages = argc > 2 ? std::atoi(argv[2]) : 0;
    QTemporaryDir dir;
    const QString table = HistoryTableName(QStringLiteral("1A2B00001"), 1700000000);
    const QStringList batches = Batches(rows, table);
    qsizetype bytes = 0;
    for (const QString& b : batches)
        bytes += b.size();
    std::printf("%d rows per file in %lld batches of ~%lld chars; cache_size %s\n", rows,
                static_cast<long long>(batches.size()), static_cast<long long>(bytes / batches.size()),
                cachePages > 0 ? QByteArray::number(cachePages).constData() : "default");

    auto k1 = Make(dir.filePath(QStringLiteral("k1.db3")), true, cachePages, table);
    auto k2 = Make(dir.filePath(QStringLiteral("k2.db3")), true, cachePages, table);
    auto p1 = Make(dir.filePath(QStringLiteral("p1.db3")), false, cachePages, table);
    auto p2 = Make(dir.filePath(QStringLiteral("p2.db3")), false, cachePages, table);
    const double keyed = Run(batches, *k1, *k2);
    const double plain = Run(batches, *p1, *p2);
    const double keyedRate = 2.0 * rows / keyed;
    const double plainRate = 2.0 * rows / plain;
    std::printf("keyed:   %.2f s, %.0f rows/s\n", keyed, keyedRate);
    std::printf("unkeyed: %.2f s, %.0f rows/s\n", plain, plainRate);
    std::printf("keyed / unkeyed: %.2f\n", keyedRate / plainRate);
    return 0;
}
