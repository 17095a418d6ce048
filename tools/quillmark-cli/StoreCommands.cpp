// backup [--to FOLDER], import FILE..., import-phone --db KVR.DB [--sn SN]...
#include "CliCommands.h"

#include "AppEnv.h"
#include "DataTransfer.h"
#include "ImportSupport.h"
#include "OpenDatabase.h"
#include "Strings.h"

#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace qm::cli {
namespace {

bool AsksForHelp(const QStringList& args)
{
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}

int RunBackup(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: quillmark-cli backup [--to FOLDER [--force]]");
    if (AsksForHelp(args)) {
        PrintLine(usage);
        return kExitOk;
    }
    if (args.isEmpty()) {
        const store::BackupResult result = RunAutomaticBackup(CommandUser());
        switch (result.outcome) {
        case store::BackupOutcome::Copied: PrintLine(result.folder); return kExitOk;
        case store::BackupOutcome::NoFolder: ShowMessageText(110, MsgF(110, {result.folder})); break;
        case store::BackupOutcome::Failed: ShowMessageText(123, Msg(123) + u'\n' + result.failed.join(u'\n')); break;
        case store::BackupOutcome::Aborted: ShowMessage(247); break;
        }
        return kExitFailed;
    }
    const QString folder = OptionValue(args, QStringLiteral("--to"));
    const bool force = args.contains(QStringLiteral("--force"));
    if (folder.isEmpty() || args.size() != (force ? 3 : 2)) {
        PrintError(usage);
        return kExitUsage;
    }
    // Replacing an earlier copy in that folder needs --force.
    if (force)
        Consent(Destroys::File);
    const QString target = QFileInfo(folder).absoluteFilePath();
    if (!ConfirmManualBackup(target))
        return kExitFailed;
    const store::BackupResult result = CopyForManualBackup(target, {});
    ReportManualBackup(result, CommandUser());
    if (result.outcome != store::BackupOutcome::Copied)
        return kExitFailed;
    PrintLine(result.folder);
    return kExitOk;
}

int RunImport(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: quillmark-cli import FILE...");
    if (AsksForHelp(args)) {
        PrintLine(usage);
        return kExitOk;
    }
    if (args.isEmpty() || std::any_of(args.begin(), args.end(), [](const QString& a) { return a.startsWith(u'-'); })) {
        PrintError(usage);
        return kExitUsage;
    }
    QStringList files;
    for (const QString& file : args)
        files << QFileInfo(file).absoluteFilePath();
    auto datainfo = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 1);
    if (!datainfo)
        return kExitFailed;
    datainfo->SetReportMode(store::kReportLog);
    const store::BackupImportResult result = RunBackupImport(*datainfo, files, {}, CommandUser());
    ReportBackupImport(result);
    PrintLine(QStringLiteral("imported=%1 failed=%2").arg(result.imported).arg(result.failedNames.join(u',')));
    return result.AllImported() ? kExitOk : kExitFailed;
}

int RunImportPhone(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: quillmark-cli import-phone --db KVR.DB [--sn SN]...");
    if (AsksForHelp(args)) {
        PrintLine(usage);
        return kExitOk;
    }
    QString database;
    QStringList wanted;
    for (int i = 0; i < args.size(); i += 2) {
        const QString value = args.value(i + 1);
        if (value.isEmpty() || value.startsWith(u'-')) {
            PrintError(usage);
            return kExitUsage;
        }
        if (args[i] == QLatin1String("--db") && database.isEmpty())
            database = value;
        else if (args[i] == QLatin1String("--sn"))
            wanted << value;
        else {
            PrintError(usage);
            return kExitUsage;
        }
    }
    if (database.isEmpty()) {
        PrintError(usage);
        return kExitUsage;
    }

    store::CImportCopy copy;
    QList<store::PhoneLogger> loggers;
    if (!ReadPhoneDatabase(copy, QFileInfo(database).absoluteFilePath(), &loggers))
        return kExitFailed;
    // The loggers asked for, in the phone's order; a serial number matches
    // whatever its case, as the phone's entries do.
    if (!wanted.isEmpty()) {
        QSet<QString> asked;
        for (const QString& sn : wanted)
            asked.insert(sn.toLower());
        QList<store::PhoneLogger> chosen;
        for (const store::PhoneLogger& logger : loggers)
            if (asked.remove(logger.sn.toLower()))
                chosen << logger;
        if (!asked.isEmpty()) {
            for (const QString& sn : wanted)
                if (asked.contains(sn.toLower()))
                    ShowMessageText(6215, MsgF(6215, {sn}));
            return kExitFailed;
        }
        loggers = chosen;
    }
    if (loggers.isEmpty()) {
        ShowMessage(152);
        return kExitFailed;
    }
    const store::PhoneImportResult result = RunPhoneImport(copy, loggers, {}, CommandUser());
    ReportPhoneImport(result, int(loggers.size()));
    for (const store::PhoneImportItem& item : result.items) {
        if (item.ok)
            PrintLine(QStringLiteral("sn=%1 record=%2 table=%3 samples=%4")
                          .arg(item.sn)
                          .arg(item.recordId)
                          .arg(item.table)
                          .arg(item.samples));
        else
            PrintLine(QStringLiteral("sn=%1 failed").arg(item.sn));
    }
    return result.AllImported() && result.items.size() == loggers.size() ? kExitOk : kExitFailed;
}

const CliRegistrar g_backup{
    {"backup", RunBackup,
     "backup [--to FOLDER [--force]]  the automatic backup (month folder of the backup folder) or a manual\n"
     "                                one into FOLDER; prints the folder of the copy. An earlier copy in\n"
     "                                FOLDER is replaced only with --force"}};
const CliRegistrar g_import{
    {"import", RunImport,
     "import FILE...                  the backup import of \".db3\" and \".gdb\" files; prints\n"
     "                                imported=<files> failed=<names joined by \",\">; exit 0 when every\n"
     "                                file was imported, 1 otherwise"}};
const CliRegistrar g_importPhone{
    {"import-phone", RunImportPhone,
     "import-phone --db KVR.DB [--sn SN]...   import loggers (all, or those named) from a phone database\n"
     "                                copied by other means; one line per logger:\n"
     "                                sn=<SN> record=<id> table=<table> samples=<n>, or sn=<SN> failed"}};

} // namespace
} // namespace qm::cli
