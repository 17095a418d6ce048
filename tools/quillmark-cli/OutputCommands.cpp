// export, report, audit: the main window's save and report commands on a
// whole record, and the audit trail viewer's search and export.
#include "CliCommands.h"

#include "AuditExport.h"
#include "AuditSearch.h"
#include "LoginState.h"
#include "OperationLog.h"
#include "OutputCommands.h"

#include <QDateTime>
#include <QSet>

namespace qm::cli {
namespace {

// Splits `args` into options with a value (`valued`) and flags; false for
// anything else (a usage error).
bool ParseOptions(const QStringList& args, const QSet<QString>& valued, const QSet<QString>& flags,
                  QHash<QString, QString>* values)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (valued.contains(a) && i + 1 < args.size() && !values->contains(a)) {
            values->insert(a, args.at(++i));
        } else if (flags.contains(a) && !values->contains(a)) {
            values->insert(a, QString());
        } else {
            return false;
        }
    }
    return true;
}

bool RecordArgument(const QHash<QString, QString>& values, int* record)
{
    return values.contains(QStringLiteral("--record")) && ParseNumber(values.value(QStringLiteral("--record")), record)
           && *record > 0;
}

int RunExport(const QStringList& args)
{
    const QString usage = QStringLiteral(
        "usage: quillmark-cli export --record ID --format csv|doc|pdf|gdb --out FILE [--encoding gbk|utf-8] [--force]");
    QHash<QString, QString> v;
    int record = 0;
    const bool parsed = ParseOptions(args, {"--record", "--format", "--out", "--encoding"}, {"--force"}, &v);
    const auto kind = report::OutputKindOf(v.value(QStringLiteral("--format")));
    const QString encoding = v.value(QStringLiteral("--encoding"));
    if (!parsed || !RecordArgument(v, &record) || !kind || v.value(QStringLiteral("--out")).isEmpty()
        || (v.contains(QStringLiteral("--encoding")) && encoding != u"gbk" && encoding != u"utf-8")) {
        PrintError(usage);
        return kExitUsage;
    }
    if (v.contains(QStringLiteral("--force")))
        Consent(Destroys::File);
    report::SaveOptions options;
    if (!encoding.isEmpty())
        options.encoding = encoding == u"gbk" ? report::TextEncoding::Gbk : report::TextEncoding::Utf8Bom;
    QString written;
    if (!report::SaveRecordTo(record, *kind, v.value(QStringLiteral("--out")), options, &written))
        return kExitFailed;
    PrintLine(written);
    return kExitOk;
}

int RunReport(const QStringList& args)
{
    QHash<QString, QString> v;
    int record = 0;
    if (!ParseOptions(args, {"--record", "--out"}, {"--force"}, &v) || !RecordArgument(v, &record)
        || v.value(QStringLiteral("--out")).isEmpty()) {
        PrintError(QStringLiteral("usage: quillmark-cli report --record ID --out FILE.pdf [--force]"));
        return kExitUsage;
    }
    if (v.contains(QStringLiteral("--force")))
        Consent(Destroys::File);
    QString written;
    if (!report::ReportRecordTo(record, v.value(QStringLiteral("--out")), &written))
        return kExitFailed;
    PrintLine(written);
    return kExitOk;
}

// "Y-M-D h:m" as the viewer's minutes ("yyyy-MM-dd HH:mm"); empty when it is not one.
QString Minute(const QString& text)
{
    const QDateTime t = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-M-d H:m"));
    return t.isValid() ? t.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString();
}

int RunAudit(const QStringList& args)
{
    const QString usage = QStringLiteral(
        "usage: quillmark-cli audit [--from \"Y-M-D h:m\" --to \"Y-M-D h:m\"] [--user NAME] [--type N] [--pdf FILE] "
        "[--force]");
    QHash<QString, QString> v;
    const bool parsed = ParseOptions(args, {"--from", "--to", "--user", "--type", "--pdf"}, {"--force"}, &v);
    const bool window = v.contains(QStringLiteral("--from")) || v.contains(QStringLiteral("--to"));
    QString from = window ? Minute(v.value(QStringLiteral("--from"))) : QStringLiteral("1900-01-01 00:00");
    QString to = window ? Minute(v.value(QStringLiteral("--to"))) : QStringLiteral("9999-12-31 23:59");
    int type = 0;
    const bool typeOk = !v.contains(QStringLiteral("--type"))
                        || (ParseNumber(v.value(QStringLiteral("--type")), &type) && type >= kFirstOperationType
                            && type <= kLastOperationType);
    if (!parsed || from.isEmpty() || to.isEmpty() || !typeOk
        || (v.contains(QStringLiteral("--pdf")) && v.value(QStringLiteral("--pdf")).isEmpty())) {
        PrintError(usage);
        return kExitUsage;
    }
    const auto rows = SearchNotes(from, to, v.value(QStringLiteral("--user")), type);
    if (!rows) {
        ShowMessage(123);
        return kExitFailed;
    }
    if (v.contains(QStringLiteral("--pdf"))) {
        if (rows->isEmpty()) {
            ShowMessage(165);
            return kExitFailed;
        }
        if (v.contains(QStringLiteral("--force")))
            Consent(Destroys::File);
        QString path = v.value(QStringLiteral("--pdf"));
        if (!report::SaveFilePath(QStringLiteral(".pdf"), &path)
            || !report::ExportAuditTrail(path, LoginUserName(), *rows))
            return kExitFailed;
        ShowMessage(183);
        PrintLine(path);
        return kExitOk;
    }
    PrintLine(QStringLiteral("number\tuser\ttype\ttime\ttext"));
    int number = 1;
    for (const NoteRow& row : *rows) {
        QString text = row.info;
        text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        PrintLine(QStringList{QString::number(number++), row.user, OperationTypeText(row.type), row.handleTime, text}
                      .join(u'\t'));
    }
    return kExitOk;
}

CliCommand Drawing(CliCommand command)
{
    command.draws = true;
    return command;
}

const CliRegistrar g_export{Drawing(
    {"export", RunExport,
     "export --record ID --format csv|doc|pdf|gdb --out FILE [--encoding gbk|utf-8] [--force]\n"
     "                                the main window's save of a whole record: the same file, messages\n"
     "                                and audit entry; prints the path written; an existing file is\n"
     "                                replaced only with --force (167 otherwise)",
     ForRoles(Guarded::Save)})};
const CliRegistrar g_report{Drawing(
    {"report", RunReport,
     "report --record ID --out FILE.pdf [--force]\n"
     "                                the PDF report of a whole record as \"生成PDF报告\" writes it; prints\n"
     "                                the path written",
     ForRoles(Guarded::PdfReport)})};
const CliRegistrar g_audit{Drawing(
    {"audit", RunAudit,
     "audit [--from \"Y-M-D h:m\" --to \"Y-M-D h:m\"] [--user NAME] [--type N] [--pdf FILE] [--force]\n"
     "                                the audit trail search: a header line, then one line per row,\n"
     "                                tab-separated (number, user, type text, time, text), the latest entry first;\n"
     "                                --pdf writes the viewer's export instead",
     ForRoles(Guarded::AuditTrail)})};

} // namespace
} // namespace qm::cli
