#pragma once
// Records made up for the output tests, and the poppler tools that read PDFs back.
#include "ReportText.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace reporttest {

struct Rows {
    std::vector<QString> times;
    std::vector<QStringList> cells;
};

// A record over `rows` (oldest first); the rows live as long as the record's functions.
inline qm::report::OutputRecord MakeRecord(std::shared_ptr<Rows> rows, int channels)
{
    qm::report::OutputRecord r;
    r.user = QStringLiteral("admin");
    r.names = {QStringLiteral("冷库一号")};
    r.sn = QStringLiteral("A12345678");
    r.deviceName = QStringLiteral("库房");
    r.interval = QStringLiteral("00:05:00");
    r.timeStart = QStringLiteral("2024-05-06 08:00:00");
    r.timeEnd = QStringLiteral("2024-05-07 10:05:00");
    const QString types[] = {QStringLiteral("温度"), QStringLiteral("湿度")};
    const QString units[] = {QStringLiteral("℃"), QStringLiteral("%RH")};
    for (int c = 0; c < channels; ++c) {
        qm::report::OutputChannel ch;
        ch.number = c + 1;
        ch.type = types[c % 2];
        ch.unit = units[c % 2];
        ch.upperAlarm = c == 0 ? QStringLiteral("8.0") : QStringLiteral("80.0");
        ch.lowerAlarm = c == 0 ? QStringLiteral("2.0") : QStringLiteral("20.0");
        r.channels.push_back(ch);
    }
    r.rowCount = qsizetype(rows->times.size());
    r.rowTime = [rows](qsizetype i) { return rows->times[size_t(i)]; };
    r.rowCell = [rows](qsizetype i, int c) { return rows->cells[size_t(i)].value(c); };
    return r;
}

// Runs a poppler tool; its standard output.
inline QString Run(const QString& program, const QStringList& args, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// In the order the page was written (the report's two-column sections would
// otherwise be read column by column).
inline QString PdfText(const QString& path)
{
    return Run(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
}
inline QString PdfInfo(const QString& path) { return Run(QStringLiteral("pdfinfo"), {path}); }
inline int PdfPages(const QString& path)
{
    for (const QString& line : PdfInfo(path).split(u'\n')) {
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}
// The value of one pdfinfo field ("Title").
inline QString PdfInfoField(const QString& path, const QString& field)
{
    for (const QString& line : PdfInfo(path).split(u'\n')) {
        if (line.startsWith(field + u':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return QString();
}

} // namespace reporttest
