#include "OutputCommands.h"

#include "AppEnv.h"
#include "Clock.h"
#include "DBSqlite3.h"
#include "LoginState.h"
#include "MessageSeam.h"
#include "OpenDatabase.h"
#include "OperationLog.h"
#include "PathSeam.h"
#include "ProgramContext.h"
#include "RecordFile.h"
#include "RecordOutput.h"
#include "ReportWriter.h"
#include "Strings.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>

namespace qm::report {

QString OutputExtension(OutputKind kind)
{
    switch (kind) {
    case OutputKind::Csv: return QStringLiteral(".csv");
    case OutputKind::Doc: return QStringLiteral(".doc");
    case OutputKind::Pdf: return QStringLiteral(".pdf");
    case OutputKind::Gdb: return QStringLiteral(".gdb");
    }
    return QString();
}

std::optional<OutputKind> OutputKindOf(const QString& name)
{
    for (OutputKind kind : {OutputKind::Csv, OutputKind::Doc, OutputKind::Pdf, OutputKind::Gdb}) {
        if (OutputExtension(kind).mid(1) == name)
            return kind;
    }
    return std::nullopt;
}

std::shared_ptr<browse::CRecordData> LoadRecordForOutput(int recordId)
{
    auto data = std::make_shared<browse::CRecordData>();
    const browse::LoadResult result = browse::LoadRecord(recordId, {}, data.get());
    if (result != browse::LoadResult::Loaded) {
        browse::ShowLoadMessage(result);
        return nullptr;
    }
    return data;
}

namespace {

// The export text goes out in pieces: a record of a million rows is never
// held as one text. A piece GBK cannot hold starts the file again in UTF-8.
bool WriteExportTextFile(const OutputRecord& record, const QString& separator, const QString& headerSeparator,
                         const QString& path, const QDateTime& now, TextEncoding wanted)
{
    TextEncoding used = wanted;
    const auto write = [&](TextEncoding encoding, bool* needsUtf8) {
        return WriteFileAtomically(path, [&](QIODevice& out) {
            bool ok = true;
            if (encoding == TextEncoding::Utf8Bom)
                ok = out.write("\xEF\xBB\xBF", 3) == 3;
            BuildExportText(record, separator, headerSeparator, now, [&](const QString& part) {
                QByteArray bytes;
                if (encoding == TextEncoding::Gbk) {
                    bool exact = false;
                    bytes = EncodeGbk(part, &exact);
                    if (!exact) {
                        *needsUtf8 = true;
                        ok = false;
                        return false;
                    }
                } else {
                    bytes = part.toUtf8();
                }
                ok = ok && out.write(bytes) == bytes.size();
                return ok;
            });
            return ok;
        });
    };
    bool needsUtf8 = false;
    bool ok = write(wanted, &needsUtf8);
    if (!ok && needsUtf8) {
        used = TextEncoding::Utf8Bom;
        bool again = false;
        ok = write(used, &again);
    }
    if (!ok) {
        ShowMessageText(181, MsgF(181, {path}));
        return false;
    }
    if (used != wanted)
        WriteOperationLog(QStringLiteral("WriteTextFile"), MsgF(6021, {path}), kTextLineOnly);
    return true;
}

// The type of the chosen filter (0-based index), unless the name typed ends
// in another type the dialog offers: the user said what they want.
OutputKind ChosenKind(const PathAnswer& answer, int offered)
{
    const QString suffix = QFileInfo(answer.Path()).suffix().toLower();
    if (const auto typed = OutputKindOf(suffix); typed && int(*typed) <= offered)
        return *typed;
    return answer.filter >= 0 && answer.filter < offered ? OutputKind(answer.filter + 1) : OutputKind::Csv;
}

QString RecordName(const browse::CRecordData& data) { return data.header.name; }

bool WriteGdb(int recordId, const QString& path)
{
    auto datainfo = store::OpenDatabase(nullptr, DatabasePath(), 0, 0, 1);
    if (datainfo && store::ExportRecordFile(*datainfo, ProgramFolder(), recordId, path) == 1)
        return true;
    ShowMessageText(181, MsgF(181, {path}));
    return false;
}

} // namespace

bool WriteRecordExport(const std::shared_ptr<const browse::CRecordData>& data, OutputKind kind, const QString& path,
                       const QString& user, const QDateTime& now, std::optional<TextEncoding> encoding,
                       const QStringList& mergedNames)
{
    const OutputRecord record = OutputFromRecord(data, user, mergedNames);
    switch (kind) {
    case OutputKind::Csv:
        return WriteExportTextFile(record, QStringLiteral(","), QStringLiteral(","), path, now,
                                   encoding.value_or(ConfiguredTextEncoding()));
    case OutputKind::Doc:
        return WriteExportTextFile(record, QStringLiteral("\t"), QString(), path, now,
                                   encoding.value_or(ConfiguredTextEncoding()));
    case OutputKind::Pdf:
        return WriteTablePdf(path, BuildExportText(record, QStringLiteral("\t"), QString(), now));
    case OutputKind::Gdb:
        return WriteGdb(data->header.id, path);
    }
    return false;
}

bool WriteRecordReport(const std::shared_ptr<const browse::CRecordData>& data, const QString& path,
                       const QString& user, const QDateTime& now)
{
    const OutputRecord record = OutputFromRecord(data, user);
    ReportExtras extras;
    extras.analysis = record.channels;
    extras.curve = ReportCurveDrawer(data);
    extras.title = QFileInfo(path).fileName();
    return WriteReport(path, BuildReportText(record, now), extras);
}

namespace {

// After 236 (nothing selected), the record's load and the save dialog: the
// record and the user's answer; null when any of them stops the command.
std::shared_ptr<browse::CRecordData> ChooseOutputPath(int recordId, const QString& filter, PathAnswer* answer)
{
    if (recordId <= 0) {
        ShowMessage(236);
        return nullptr;
    }
    auto data = LoadRecordForOutput(recordId);
    if (!data)
        return nullptr;
    PathRequest request;
    request.dialog = PathDialog::SaveFile;
    request.filter = filter;
    request.start = RecordName(*data);
    *answer = AskPath(request);
    return answer->Cancelled() ? nullptr : data;
}

// `write` with the busy hint shown around it.
bool WriteWhileBusy(const BusyHint& busy, const std::function<bool()>& write)
{
    if (busy)
        busy(true);
    const bool ok = write();
    if (busy)
        busy(false);
    return ok;
}

// The save of a loaded record to `path` (its extension added, an existing
// file replaced only after 167), 183 and the audit entry.
bool SaveLoadedRecord(const std::shared_ptr<const browse::CRecordData>& data, OutputKind kind, QString path,
                      std::optional<TextEncoding> encoding, const BusyHint& busy, QString* written)
{
    if (!SaveFilePath(OutputExtension(kind), &path))
        return false;
    if (!WriteWhileBusy(busy, [&] { return WriteRecordExport(data, kind, path, LoginUserName(), Now(), encoding); }))
        return false;
    if (written)
        *written = path;
    ShowMessage(183);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnBnClickedBsave"), JoinWords(Msg(274), RecordName(*data)), 9);
    return true;
}

// The report of a loaded record to `path`, 183 and the audit entry.
bool ReportLoadedRecord(const std::shared_ptr<const browse::CRecordData>& data, QString path, const BusyHint& busy,
                        QString* written)
{
    if (!SaveFilePath(QStringLiteral(".pdf"), &path))
        return false;
    if (!WriteWhileBusy(busy, [&] { return WriteRecordReport(data, path, LoginUserName(), Now()); }))
        return false;
    if (written)
        *written = path;
    ShowMessage(183);
    WriteOperationLog(QStringLiteral("CQuillmarkDlg::OnMenuPdf"), JoinWords(Msg(339), RecordName(*data)), 28);
    return true;
}

} // namespace

bool SaveRecordTo(int recordId, OutputKind kind, QString path, const SaveOptions& options, QString* written)
{
    const auto data = LoadRecordForOutput(recordId);
    return data && SaveLoadedRecord(data, kind, path, options.encoding, {}, written);
}

bool ReportRecordTo(int recordId, QString path, QString* written)
{
    const auto data = LoadRecordForOutput(recordId);
    return data && ReportLoadedRecord(data, path, {}, written);
}

void SaveSelectedRecord(int recordId, const BusyHint& busy)
{
    PathAnswer answer;
    if (const auto data = ChooseOutputPath(recordId, Msg(357), &answer))
        SaveLoadedRecord(data, ChosenKind(answer, 4), answer.Path(), std::nullopt, busy, nullptr);
}

void ReportSelectedRecord(int recordId, const BusyHint& busy)
{
    PathAnswer answer;
    if (const auto data = ChooseOutputPath(recordId, Msg(336), &answer))
        ReportLoadedRecord(data, answer.Path(), busy, nullptr);
}

void ExportShownRecord(const std::shared_ptr<const browse::CRecordData>& shown, const QStringList& mergedNames)
{
    if (!shown || shown->IsEmpty()) {
        ShowMessage(165);
        return;
    }
    PathRequest request;
    request.dialog = PathDialog::SaveFile;
    request.filter = Msg(166);
    const PathAnswer answer = AskPath(request);
    if (answer.Cancelled())
        return;
    const OutputKind kind = ChosenKind(answer, 3);
    QString path = answer.Path();
    if (!SaveFilePath(OutputExtension(kind), &path))
        return;
    if (!WriteRecordExport(shown, kind, path, LoginUserName(), Now(), std::nullopt, mergedNames))
        return;
    ShowMessage(183);
    const QString name = mergedNames.isEmpty() ? shown->header.name : mergedNames.join(u'|');
    WriteOperationLog(QStringLiteral("CDataShow::OnBnClickedBdataSave"),
                      QStringLiteral("%1 %2~%3").arg(name, shown->TimeText(0), shown->TimeText(shown->Count() - 1)), 9);
}

bool WriteImageFile(const QImage& image, const QString& path)
{
    if (image.isNull())
        return false;
    const bool jpeg = QFileInfo(path).suffix().compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0
                      || QFileInfo(path).suffix().compare(QLatin1String("jpeg"), Qt::CaseInsensitive) == 0;
    return WriteFileAtomically(path, [&](QIODevice& out) { return image.save(&out, jpeg ? "JPEG" : "PNG"); });
}

bool SaveCurveImage(const std::function<QImage()>& takeBitmap)
{
    PathRequest request;
    request.dialog = PathDialog::SaveFile;
    request.filter = Msg(338);
    const PathAnswer answer = AskPath(request);
    if (answer.Cancelled())
        return false;
    QString path = answer.Path();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool typed = suffix == u"png" || suffix == u"jpg";
    const QString extension = typed ? QStringLiteral(".") + suffix
                                    : (answer.filter == 1 ? QStringLiteral(".jpg") : QStringLiteral(".png"));
    if (!SaveFilePath(extension, &path))
        return false;
    if (!WriteImageFile(takeBitmap ? takeBitmap() : QImage(), path)) {
        ShowMessageText(181, MsgF(181, {path}));
        return false;
    }
    ShowMessage(183);
    return true;
}

} // namespace qm::report
