// download --port N --name NAME, download --all --name NAME, records [--sn SN].
#include "CliCommands.h"

#include "AppEnv.h"
#include "CBatchConnect.h"
#include "CBatchNote.h"
#include "CConnectProcedure.h"
#include "CDownload.h"
#include "ComSettings.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "Recordset.h"
#include "Schema.h"
#include "SingleDownload.h"
#include "SqlQuote.h"
#include "Strings.h"

#include <condition_variable>
#include <mutex>

namespace qm::cli {
namespace {

int DownloadPort(int port, const QString& name)
{
    qm::device::CConnectProcedure procedure;
    const qm::device::DevicePtr device = ConnectLogger(procedure, port);
    if (!device)
        return kExitFailed;
    qm::device::DeviceManager().SetCurrentSN(device->sn);

    qm::device::SingleDownload& download = qm::device::SingleDownload::Instance();
    qm::device::BasicConfig basic{};
    const qm::device::DevicePtr current = download.CheckDevice(qm::device::DeviceManager(), &basic);
    if (!current || !download.Prepare(current, basic, name))
        return kExitFailed;

    std::mutex lock;
    std::condition_variable ended;
    bool done = false;
    int recordId = 0;
    QString table;
    int message = 0;
    qm::device::FailReason why;
    qm::device::SingleDownload::Events events;
    events.finished = [&](const QString&, int id, const QString& t) {
        std::lock_guard<std::mutex> hold(lock);
        recordId = id;
        table = t;
        done = true;
        ended.notify_all();
    };
    events.failed = [&](const QString&, int m, const qm::device::FailReason& w) {
        std::lock_guard<std::mutex> hold(lock);
        message = m;
        why = w;
        done = true;
        ended.notify_all();
    };
    download.Start(events);
    {
        std::unique_lock<std::mutex> hold(lock);
        ended.wait(hold, [&] { return done; });
    }
    const qint64 samples = download.LoggerTotal();
    download.Shutdown();
    if (recordId <= 0) {
        if (message)
            ShowMessageText(message, qm::device::FailureText(Msg(message), why));
        return kExitFailed;
    }
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnDownSuccess"), JoinWords(device->sn, Msg(199)), 8,
                      CommandUser());
    PrintLine(QStringLiteral("record=%1 table=%2 samples=%3").arg(recordId).arg(table).arg(samples));
    return kExitOk;
}

int DownloadAll(const QString& name)
{
    qm::device::CConnectProcedure procedure;
    if (!procedure.EnsureDatabase())
        return kExitFailed;
    qm::device::BatchConnectOptions options;
    options.startPauseMs = 0;
    options.logUser = CommandUser();
    qm::device::BatchConnect(procedure, nullptr, options);

    qm::device::CBatchNote note;
    note.Reset(Msg(219), true);
    qm::device::CDownload batch(name);
    if (!batch.RunBatchDownload(&note))
        return kExitFailed;
    for (const QString& line : note.Lines())
        PrintLine(line);
    QString text = note.Text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral(";"));
    WriteOperationLog(QStringLiteral("CConfigAttribute::OnBnClickedBdownloadAll"), text, 8, CommandUser());
    return batch.Failures() == 0 ? kExitOk : kExitFailed;
}

int RunDownload(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: quillmark-cli download --port N --name NAME | --all --name NAME");
    const QString name = OptionValue(args, QStringLiteral("--name"));
    if (name.isEmpty()) {
        PrintError(usage);
        return kExitUsage;
    }
    if (args.size() == 3 && args.contains(QStringLiteral("--all")))
        return DownloadAll(name);
    int port = 0;
    if (args.size() == 4 && ParseNumber(OptionValue(args, QStringLiteral("--port")), &port) && port > 0)
        return DownloadPort(port, name);
    PrintError(usage);
    return kExitUsage;
}

int RunRecords(const QStringList& args)
{
    const QString sn = OptionValue(args, QStringLiteral("--sn"));
    if (!(args.isEmpty() || (args.size() == 2 && !sn.isEmpty()))) {
        PrintError(QStringLiteral("usage: quillmark-cli records [--sn SN]"));
        return kExitUsage;
    }
    auto db = qm::store::OpenDatabase(nullptr, qm::DatabasePath(), 0, 0, 1);
    if (!db)
        return kExitFailed;
    QString sql = QStringLiteral("select * from recordtime");
    if (!sn.isEmpty())
        sql += QStringLiteral(" where SN = ") + qm::store::SqlQuoted(sn);
    sql += QStringLiteral(" order by ") + qm::store::RecordListOrder() + u';';
    std::unique_ptr<qm::store::CRecordset> set;
    const int rc = db->QueryRecordset(sql, set);
    if (rc < 0)
        return kExitFailed;
    if (rc == 1 && set) {
        for (set->MoveFirst(); !set->IsEOF(); set->MoveNext()) {
            QStringList cells;
            for (const char16_t* column : {u"id", u"name", u"SN", u"time_start", u"time_end", u"hisdata_table",
                                           u"devname"})
                cells << set->Text(QStringView(column));
            PrintLine(cells.join(u'\t'));
        }
    }
    return kExitOk;
}

const CliRegistrar g_download{
    {"download", RunDownload,
     "download --port N --name NAME   connect COM<N> and download its history into a record named\n"
     "                                NAME; prints record=<id> table=<name> samples=<n>; exit 0 on success\n"
     "download --all --name NAME      batch connect, then batch download; prints the batch lines in order;\n"
     "                                exit 0 when no logger failed"}};
const CliRegistrar g_records{
    {"records", RunRecords,
     "records [--sn SN]               the stored records in the program's order (latest end time first,\n"
     "                                then latest start time, then device name, then record name):\n"
     "                                id, name, SN, time_start, time_end, hisdata_table, devname\n"
     "                                (tab-separated)"}};

} // namespace
} // namespace qm::cli
