// rename --record ID --name NAME, delete --record ID --yes: the record list's
// rename and delete, with its messages and audit entries.
#include "CliCommands.h"

#include "RecordList.h"

namespace qm::cli {
namespace {

bool RecordArgument(const QStringList& args, int* id)
{
    return ParseNumber(OptionValue(args, QStringLiteral("--record")), id) && *id > 0;
}

int RunRename(const QStringList& args)
{
    int id = 0;
    const QString name = OptionValue(args, QStringLiteral("--name"));
    if (args.size() != 4 || !RecordArgument(args, &id) || name.isNull()) {
        PrintError(QStringLiteral("usage: quillmark-cli rename --record ID --name NAME"));
        return kExitUsage;
    }
    if (!browse::RenameRecord(id, name, CommandUser()))
        return kExitFailed;
    PrintLine(QStringLiteral("record=%1 name=%2").arg(QString::number(id), name.trimmed()));
    return kExitOk;
}

int RunDelete(const QStringList& args)
{
    int id = 0;
    const QString yes = ConsentFlag(Destroys::Data);
    const bool consent = args.size() == 3 && args.at(2) == yes;
    if (!(args.size() == 2 || consent) || args.at(0) != QLatin1String("--record") || !RecordArgument(args, &id)) {
        PrintError(QStringLiteral("usage: quillmark-cli delete --record ID --yes"));
        return kExitUsage;
    }
    if (consent)
        Consent(Destroys::Data);
    if (!browse::DeleteRecord(id, CommandUser()))
        return kExitFailed;
    PrintLine(QStringLiteral("record=%1 deleted").arg(id));
    return kExitOk;
}

const CliRegistrar g_rename{
    {"rename", RunRename,
     "rename --record ID --name NAME  rename record ID as the record list does (the name is trimmed; an\n"
     "                                empty one is refused); prints record=<id> name=<name>"}};
const CliRegistrar g_delete{
    {"delete", RunDelete,
     "delete --record ID --yes        delete record ID with its history table and folder entries; without\n"
     "                                --yes nothing is deleted (exit 1); needs an administrator or operator",
     ForRoles(Guarded::DeleteRecords)}};

} // namespace
} // namespace qm::cli
