// print --record ID [--channel N]... [--curve] [--data] (--printer NAME | --pdf FILE) [--force]:
// the main window's print of a record, without the window.
#include "CliCommands.h"

#include "MessageSeam.h"
#include "OperationLog.h"
#include "PrintLayout.h"
#include "Strings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

namespace qm::cli {
namespace {

const char kPrintUsage[] =
    "usage: quillmark-cli print --record ID [--channel N]... [--curve] [--data] (--printer NAME | --pdf FILE) "
    "[--force]";

struct PrintArgs {
    int record = 0;
    std::vector<int> channels; // 1-based positions
    bool curve = false, data = false, force = false;
    QString printer, pdf;
};

bool ParsePrint(const QStringList& args, PrintArgs* a)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& o = args.at(i);
        if (o == QLatin1String("--curve") || o == QLatin1String("--data") || o == QLatin1String("--force")) {
            (o == QLatin1String("--curve") ? a->curve : o == QLatin1String("--data") ? a->data : a->force) = true;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        const QString v = args.at(++i);
        int n = 0;
        if (o == QLatin1String("--record") && ParseNumber(v, &n) && n > 0 && a->record == 0)
            a->record = n;
        else if (o == QLatin1String("--channel") && ParseNumber(v, &n) && n > 0)
            a->channels.push_back(n);
        else if (o == QLatin1String("--printer") && !v.isEmpty() && a->printer.isNull())
            a->printer = v;
        else if (o == QLatin1String("--pdf") && !v.isEmpty() && a->pdf.isNull())
            a->pdf = v;
        else
            return false;
    }
    return a->record > 0 && (a->printer.isNull() != a->pdf.isNull());
}

int RunPrint(const QStringList& args)
{
    PrintArgs a;
    if (!ParsePrint(args, &a)) {
        PrintError(QString::fromLatin1(kPrintUsage));
        return kExitUsage;
    }
    auto data = std::make_shared<browse::CRecordData>();
    const browse::LoadResult loaded = browse::LoadRecord(a.record, {}, data.get());
    if (loaded == browse::LoadResult::UnknownRecord) {
        ShowMessage(189);
        return kExitFailed;
    }
    if (loaded != browse::LoadResult::Loaded) {
        browse::ShowLoadMessage(loaded);
        return kExitFailed;
    }
    browse::PrintJob job;
    job.data = data.get();
    job.user = CommandUser();
    job.now = QDateTime::currentDateTime();
    const QStringList texts = browse::PrintChannelTexts(data->channelList);
    std::vector<int> positions = a.channels;
    if (positions.empty())
        for (size_t c = 0; c < data->channels.size(); ++c)
            positions.push_back(int(c + 1));
    for (int p : positions) {
        if (p > int(data->channels.size())) {
            PrintError(QStringLiteral("print: the record has no channel %1").arg(p));
            return kExitUsage;
        }
        const int c = p - 1;
        job.channels.push_back({c, c < texts.size() ? texts.at(c) : data->channels[size_t(c)].name, MsgF(147, {QString::number(p)})});
    }
    job.curve = a.curve || !a.data;
    job.table = a.data || !a.curve;
    if (const int refusal = browse::PrintOptionsCheck(int(job.channels.size()), job.curve, job.table)) {
        ShowMessage(refusal);
        return kExitFailed;
    }
    job.curveSnapshot = browse::RecordCurveSnapshot(*data, false);

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(browse::PrintDocumentName(job.curve, job.table));
    QString target;
    std::unique_ptr<QTemporaryFile> partial;
    if (!a.printer.isNull()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(a.printer);
        if (info.isNull()) {
            ShowMessage(184);
            return kExitFailed;
        }
        printer.setPrinterName(a.printer);
    } else {
        target = a.pdf;
        if (a.force)
            Consent(Destroys::File);
        if (QFileInfo::exists(target) && ShowMessage(167, MsgButtons::YesNo, MsgIcon::Question) != AnswerYes)
            return kExitFailed;
        // The pages go to a file beside the target that replaces it only when
        // the print is complete: a failed print leaves no half document.
        partial = std::make_unique<QTemporaryFile>(QFileInfo(target).absolutePath() + QStringLiteral("/.print-XXXXXX.pdf"));
        if (!partial->open()) {
            ShowMessage(184);
            return kExitFailed;
        }
        partial->close();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(partial->fileName());
    }
    int pages = 0;
    const browse::PrintResult result = browse::PrintRecordPages(printer, job, {}, &pages);
    if (result != browse::PrintResult::Printed) {
        printer.abort();
        if (const int m = browse::PrintResultMessage(result))
            ShowMessage(m);
        return kExitFailed;
    }
    if (partial) {
        QFile::remove(target);
        if (!QFile::rename(partial->fileName(), target)) {
            ShowMessage(241);
            return kExitFailed;
        }
        partial->setAutoRemove(false);
    }
    ShowMessage(243, MsgButtons::Ok, MsgIcon::Information);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBprint"), JoinWords(Msg(275), data->header.name), 10,
                      CommandUser());
    PrintLine(QStringLiteral("pages=%1").arg(pages));
    return kExitOk;
}

const CliRegistrar g_print{{"print", RunPrint,
                            "print --record ID [--channel N]... [--curve] [--data] (--printer NAME | --pdf FILE) "
                            "[--force]\n"
                            "                                          the print of the record (all channels and "
                            "both parts when none are named)",
                            {}, true}};

} // namespace
} // namespace qm::cli
