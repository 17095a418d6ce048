#pragma once
// Lays the report text and the export text out into PDF files through the
// report writer: the report (title, note, sections in half cells, the
// analysis, the curve, the sample table) and the plain table of the export.
// Pages are laid out as they are drawn (a long record is never held as pages
// in memory); a first pass only counts them, for "page N / M".
#include "ReportText.h"

#include <QRect>

#include <functional>

class QPainter;

namespace qm::report {

// Draws the curve into `target` (device pixels of `painter`) at `scale`
// device pixels per screen pixel; false when nothing could be drawn.
using CurveDrawer = std::function<bool(QPainter& painter, const QRect& target, double scale)>;

struct ReportExtras {
    // The record's channels for the analysis section (alarm status, times of
    // the extremes, MKT, excursions); none: no analysis section.
    std::vector<OutputChannel> analysis;
    CurveDrawer curve;       // empty: no curve section
    QString title;           // document information "Title" (the file name)
};

// Writes the report. false with `error` set (the PDF writer's text); the
// target is then unchanged.
bool WriteReportPdf(const QString& path, const QString& reportText, const ReportExtras& extras, QString* error,
                    int* pages = nullptr);

// The table PDF of the export text: one row per line, a cell per field
// ("\t"); the line of column names (it begins with "序号") is the header,
// repeated on each page; lines with one field span the row.
bool WriteTablePdfFile(const QString& path, const QString& text, QString* error, int* pages = nullptr);

// The program's calls: on failure message 123 "操作失败:" with the writer's text.
bool WriteReport(const QString& path, const QString& reportText, const ReportExtras& extras);
bool WriteTablePdf(const QString& path, const QString& text);

// The alarm status of a channel in words (within limits, N excursions, no
// alarm values) and its colour.
QString AlarmStatusText(const OutputChannel& channel);
bool AlarmStatusBad(const OutputChannel& channel);

} // namespace qm::report
