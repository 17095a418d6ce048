#pragma once
// The output commands apart from their windows: the main window's save
// ("另存为", filter 357) and report ("生成PDF报告", filter 336), the record
// view's export (filter 166) and quillmark-cli's export and report run the
// same steps with the same messages and audit entries; only where the path
// comes from differs (the save dialog or the command line).
#include "OutputFile.h"
#include "RecordData.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace qm::report {

// The file types in the order of the filters (the filter index, 1-based).
enum class OutputKind { Csv = 1, Doc = 2, Pdf = 3, Gdb = 4 };
QString OutputExtension(OutputKind kind);   // ".csv", ".doc", ".pdf", ".gdb"
std::optional<OutputKind> OutputKindOf(const QString& name);   // "csv", "doc", "pdf", "gdb"

// Loads a whole record for output; null after message 123 (unknown record,
// failed read) or 165 (no samples).
std::shared_ptr<browse::CRecordData> LoadRecordForOutput(int recordId);

// Writes the export file of `data` (csv, doc or table pdf) to `path` without
// asking anything; false after message 181 or 123.
bool WriteRecordExport(const std::shared_ptr<const browse::CRecordData>& data, OutputKind kind, const QString& path,
                       const QString& user, const QDateTime& now, std::optional<TextEncoding> encoding = {},
                       const QStringList& mergedNames = {});

// Writes the report of `data` to `path` without asking anything; false after message 123.
bool WriteRecordReport(const std::shared_ptr<const browse::CRecordData>& data, const QString& path,
                       const QString& user, const QDateTime& now);

struct SaveOptions {
    std::optional<TextEncoding> encoding;   // text files; empty: the settings
};

// The save of record `recordId` to `path` (as chosen: SaveFilePath adds the
// extension and asks 167): 165 for an empty record, 183 and the audit entry
// (type 9, "记录保存" and the record name) when saved. The path written is
// returned in `written`.
bool SaveRecordTo(int recordId, OutputKind kind, QString path, const SaveOptions& options = {},
                  QString* written = nullptr);
// The report of record `recordId` to `path`: 165, 167, 183, audit type 28.
bool ReportRecordTo(int recordId, QString path, QString* written = nullptr);

// The main window's commands on the selected record (`recordId` <= 0: none,
// message 236): the save dialog, then as above. `busy` is told when the
// writing starts (true) and ends (false): the window shows a wait cursor.
using BusyHint = std::function<void(bool)>;
void SaveSelectedRecord(int recordId, const BusyHint& busy = {});     // OnBnClickedBsave
void ReportSelectedRecord(int recordId, const BusyHint& busy = {});   // OnMenuPdf

// The record view's export of what it shows (rows removed from the view are
// not exported): 165 when empty, the save dialog with filter 166, then the
// audit entry "%s %s~%s" (name, first and last sample) with source
// "CDataShow::OnBnClickedBdataSave".
void ExportShownRecord(const std::shared_ptr<const browse::CRecordData>& shown, const QStringList& mergedNames = {});

// The curve image (button 1007, filter 338): PNG or JPEG of the curve
// control's kept bitmap, which `takeBitmap` copies under the control's mutex.
// A bitmap that cannot be encoded or written is reported (181), never
// shown as saved. true when saved (183).
bool SaveCurveImage(const std::function<QImage()>& takeBitmap);
// Writes `image` as PNG or JPEG by the extension of `path`; false when it fails.
bool WriteImageFile(const QImage& image, const QString& path);

} // namespace qm::report
