// A download of synthetic samples that stops at a chosen step and waits there
// to be killed, so tests can end a download at any moment as a crash or a
// power loss would.
//
//   download_steps FOLDER SN SAMPLES STEP
//
// STEP: "tables" (history table made in both files), "samples" (samples
// written), "commit" (inside the registration, before its commit) or
// "registered" (record registered, files still locked). At the step it
// prints "at STEP" and sleeps until killed; "none" runs to the end.
#include "AppEnv.h"
#include "DownloadRecord.h"
#include "OpenDatabase.h"
#include "Schema.h"
#include "Startup.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

void Stop(const char* step, const QString& wanted)
{
    if (wanted != QLatin1String(step))
        return;
    std::printf("at %s\n", step);
    std::fflush(stdout);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 5)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString sn = QString::fromLatin1(argv[2]);
    const int samples = std::atoi(argv[3]);
    const QString step = QString::fromLatin1(argv[4]);
    const qm::CCoreContext context(QDir::cleanPath(folder));

    using namespace qm::device;
    const QString month = CurrentBackupMonthFolder();
    QDir().mkpath(month);
    RecordFiles files;
    if (OpenRecordFiles(sn, month, 1700000000, false, &files, QStringLiteral("download_steps")) != FilesResult::Ok)
        return 1;
    Stop("tables", step);

    QString sql;
    for (int i = 0; i < samples; ++i)
        sql += qm::store::HistoryInsertSql(files.table,
                                           qm::store::FormatSampleTime(2024, 5, 17, 8 + i / 60, i % 60, 0),
                                           QStringLiteral("21.5;48.0"), QStringLiteral("1;2"), 0);
    files.logger->SetAutoTransaction(1);
    files.backup->SetAutoTransaction(1);
    if (files.logger->ExeSql(sql) < 0 || files.backup->ExeSql(sql) < 0)
        return 1;
    Stop("samples", step);

    auto datainfo = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 0);
    if (!datainfo)
        return 1;
    datainfo->SetReportMode(qm::store::kReportLog);
    RecordInfo record;
    record.name = QStringLiteral("steps");
    record.sn = sn;
    record.devname = QStringLiteral("steps");
    record.channelCount = 2;
    record.channels[0].channelType = 1;
    record.channels[1].channelType = 2;
    SetBeforeCommitHook([&step] { Stop("commit", step); });
    const int id = FinishDownload(*datainfo, files, record);
    if (id <= 0)
        return 1;
    Stop("registered", step);
    files.Close();
    std::printf("record=%d table=%s\n", id, qPrintable(files.table));
    return 0;
}
