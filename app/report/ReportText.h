#pragma once
// What the export, the report and the audit export are made of, and the texts
// they are built from. The record view, the main window and quillmark-cli fill
// an OutputRecord from the record they show; the builders here only format.
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qm::report {

// Alarm excursions of one side of a channel.
struct OutputExcursions {
    qint64 count = 0;
    QString firstTime;       // empty: none
    qint64 seconds = 0;      // total time outside
};

struct OutputChannel {
    int number = 0;          // 1-based, "通道%d"
    QString type;            // channel type name
    QString unit;
    QString upperAlarm;      // alarm value texts, "-" when there is none
    QString lowerAlarm;
    // Statistics texts of the counted samples; "-" when none was counted.
    QString maximum = QStringLiteral("-");
    QString minimum = QStringLiteral("-");
    QString average = QStringLiteral("-");
    // Analysis: times of the first maximum and minimum, MKT (temperature
    // channels only, else empty), excursions above and below the alarm values.
    QString maximumTime;
    QString minimumTime;
    QString mkt;
    bool hasAlarms = false;  // at least one alarm value to judge against
    OutputExcursions above;
    OutputExcursions below;
};

struct OutputRecord {
    QString user;            // the logged-in user
    QStringList names;       // the record name; merged records: every name
    QString sn;
    QString deviceName;
    QString interval = QStringLiteral("-");
    QString timeStart;       // the record's bounds (recordtime)
    QString timeEnd;
    std::vector<OutputChannel> channels;
    // The rows as the view lists them, oldest first: time text and the cell
    // text of channel c (index into channels), "" or "-" for none.
    qsizetype rowCount = 0;
    std::function<QString(qsizetype)> rowTime;
    std::function<QString(qsizetype, int)> rowCell;

    bool Merged() const { return names.size() > 1; }
};

// The export text of the file export (lines end "\r\n"): `separator` between
// fields, `headerSeparator` (may be empty) after "序号" and "日期".
// `now` is the export time.
QString BuildExportText(const OutputRecord& record, const QString& separator, const QString& headerSeparator,
                        const QDateTime& now);
// The same, handed over in pieces of about `chunk` characters (long records
// are written without holding the whole text).
void BuildExportText(const OutputRecord& record, const QString& separator, const QString& headerSeparator,
                     const QDateTime& now, const std::function<bool(const QString&)>& sink,
                     qsizetype chunk = 1 << 16);

// The report text (sections "\r\n", lines in a section "\r", cells "\t").
QString BuildReportText(const OutputRecord& record, const QDateTime& now);

// The note line: all times Beijing time (323) on a PC at UTC+8, else the
// variant that names the PC's offset.
QString ReportNoteLine(const QDateTime& now);
// "+08:00", "-05:30", "+00:00".
QString UtcOffsetText(int seconds);
// "%d天%d时%d分" of a span in seconds.
QString DurationText(qint64 seconds);

// The audit export's text: user line, the five-column header and one line
// per listed row (already in the viewer's order).
struct AuditLine {
    QString user;
    QString typeText;
    QString time;
    QString text;
};
QString BuildAuditExportText(const QString& user, const std::vector<AuditLine>& rows);

} // namespace qm::report
