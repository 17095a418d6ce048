#pragma once
// The printed record: curve pages (the one curve renderer, only the chosen
// channels, under the heading "曲线图") and data pages (header lines, one
// statistics line per chosen channel, then the samples oldest first in
// centred blocks that continue across blocks and pages). Drawn on any paged
// device: the printer, or a PDF file in its place. The caller owns the
// device and aborts the job when this reports anything but Printed.
#include "CurveState.h"
#include "RecordData.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPagedPaintDevice;

namespace qm::browse {

// Curve axes from a record's channels: top and bottom 2 beyond the maximum
// and minimum. With `sharedAxis` (the comparison: one axis drawn for all
// curves) every axis gets the common range, so each curve is drawn on the
// scale that is shown.
std::vector<CurveAxisRow> CurveAxisRows(const CRecordData& data, bool sharedAxis);
// What the curve control shows for the record: every channel a series (or
// only `channels`, indices into data.channels, when given), the whole range.
CurveSnapshot RecordCurveSnapshot(const CRecordData& data, bool sharedAxis, const std::vector<int>& channels = {});
// `snapshot` with only the series of `channels` (axis indices).
CurveSnapshot SnapshotOfChannels(CurveSnapshot snapshot, const std::vector<int>& channels);

// One chosen channel: its index in the record's channels, the text of the
// print dialog's list and the label of its statistics row.
struct PrintChannel {
    int channel = 0;
    QString text;
    QString label;
};

struct PrintJob {
    const CRecordData* data = nullptr;
    std::vector<PrintChannel> channels;
    bool curve = true;
    bool table = true;
    bool comparison = false; // channel columns 14 units wide instead of 7.2
    QString user;
    QDateTime now;
    CurveSnapshot curveSnapshot; // the shown curve; only the chosen channels are printed
};

// "打印" + "曲线" (curve) + "和" (both) + "数据" (data).
QString PrintDocumentName(bool curve, bool table);
// Options of the print dialog: 244 no channel, 311 nothing to print, else 0.
int PrintOptionsCheck(int channels, bool curve, bool table);
// The channel list of the dialog from "code;code": the channel name, or the
// entry itself when it holds "-".
QStringList PrintChannelTexts(const QString& channelList);

QStringList DataSheetHeaderLines(const PrintJob& job);
QString DataSheetStatisticsLine(const PrintJob& job, const PrintChannel& channel);

// The sample table's geometry on a device, in device pixels.
struct DataSheetGeometry {
    double unit = 0;              // device width / screen pixels per inch
    std::vector<double> columns;  // running number, time, one per channel
    double tableWidth = 0;
    double rowHeight = 0;
    int blocksAcross = 1;         // blocks side by side on a page
};
DataSheetGeometry DataSheetLayout(QPagedPaintDevice& device, int channels, bool comparison,
                                  double screenDpi = 0 /* 0: the screen's */);

// NotStarted: the document could not be begun (344); Failed: a page could not
// be made (241); Cancelled: the user stopped it (no message).
enum class PrintResult { Printed, Cancelled, Failed, NotStarted };
// 243 when printed, 344, 241, or 0 for a cancel.
int PrintResultMessage(PrintResult result);
// Asked between pages with the pages done and the rows printed of all rows;
// false cancels.
using PrintProgress = std::function<bool(int pages, qsizetype rows, qsizetype total)>;
// Draws the job on `device` (the document already begun by the caller's
// painter setup is not needed: this opens its own painter). `pages` receives
// the number of pages drawn.
PrintResult PrintRecordPages(QPagedPaintDevice& device, const PrintJob& job, const PrintProgress& progress = {},
                             int* pages = nullptr);

} // namespace qm::browse
