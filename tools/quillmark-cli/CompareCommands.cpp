// compare --record ID --record ID... [--from T --to T] --type CODE --format csv|doc|pdf --out FILE [--force]:
// the comparison view's export, without the window.
#include "CliCommands.h"

#include "Comparison.h"
#include "MessageSeam.h"
#include "OperationLog.h"
#include "OutputFile.h"
#include "ReportWriter.h"
#include "Strings.h"

#include <QFileInfo>

namespace qm::cli {
namespace {

const char kCompareUsage[] =
    "usage: quillmark-cli compare --record ID --record ID [--record ID]... [--from \"Y-M-D h:m:s\" --to "
    "\"Y-M-D h:m:s\"] --type CODE --format csv|doc|pdf --out FILE [--force]";

struct CompareArgs {
    std::vector<int> records;
    QString from, to, format, out;
    int type = 0;
    bool force = false;
};

bool ParseCompare(const QStringList& args, CompareArgs* a)
{
    bool haveType = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& o = args.at(i);
        if (o == QLatin1String("--force")) {
            a->force = true;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const QString v = args.at(++i);
        int n = 0;
        if (o == QLatin1String("--record") && ParseNumber(v, &n) && n > 0)
            a->records.push_back(n);
        else if (o == QLatin1String("--type") && ParseNumber(v, &n))
            a->type = n, haveType = true;
        else if (o == QLatin1String("--from"))
            a->from = v;
        else if (o == QLatin1String("--to"))
            a->to = v;
        else if (o == QLatin1String("--format") && (v == "csv" || v == "doc" || v == "pdf"))
            a->format = v;
        else if (o == QLatin1String("--out") && !v.isEmpty())
            a->out = v;
        else
            return false;
    }
    // A window needs both ends.
    return haveType && !a->format.isEmpty() && !a->out.isEmpty() && a->from.isEmpty() == a->to.isEmpty();
}

int RunCompare(const QStringList& args)
{
    CompareArgs a;
    if (!ParseCompare(args, &a)) {
        PrintError(QString::fromLatin1(kCompareUsage));
        return kExitUsage;
    }
    if (a.records.size() < 2) {
        ShowMessage(316);
        return kExitFailed;
    }
    const browse::TimeWindow window = a.from.isEmpty() ? browse::TimeWindow{} : browse::ComparisonWindow(a.from, a.to);
    browse::CComparison comparison;
    const browse::LoadResult loaded = browse::LoadComparison(a.records, window, &comparison);
    if (loaded != browse::LoadResult::Loaded) {
        browse::ShowLoadMessage(loaded);
        return kExitFailed;
    }
    const browse::ComparisonView view = comparison.View(a.type);
    if (view.data.IsEmpty()) {
        ShowMessage(165);
        return kExitFailed;
    }
    QString path = a.out;
    const QString extension = QLatin1Char('.') + a.format;
    if (!path.endsWith(extension, Qt::CaseInsensitive))
        path += extension;
    if (a.force)
        Consent(Destroys::File);
    if (QFileInfo::exists(path) && ShowMessage(167, MsgButtons::YesNo, MsgIcon::Question) != AnswerYes)
        return kExitFailed;
    const QString text = browse::ComparisonExportFor(path, comparison, view);
    const bool written =
        a.format == QLatin1String("pdf") ? report::WriteTablePdf(path, text) : report::WriteTextFile(path, text);
    if (!written)
        return kExitFailed;
    ShowMessage(183);
    WriteOperationLog(QStringLiteral("CContrastShow::OnBnClickedBdataSave"), browse::ComparisonLogText(comparison, view),
                      9, CommandUser());
    PrintLine(path);
    return kExitOk;
}

const CliRegistrar g_compare{{"compare", RunCompare,
                              "compare --record ID --record ID [--record ID]... [--from \"Y-M-D h:m:s\" --to "
                              "\"Y-M-D h:m:s\"]\n"
                              "        --type CODE --format csv|doc|pdf --out FILE [--force]\n"
                              "                                          the comparison of records as the comparison "
                              "view exports it",
                              {},
                              true}};

} // namespace
} // namespace qm::cli
