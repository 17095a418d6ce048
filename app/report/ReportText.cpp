#include "ReportText.h"

#include "Strings.h"

#include <QRegularExpression>

namespace qm::report {

namespace {

const QString kEnd = QStringLiteral("\r\n");

QString Dash(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; }

// "Y-M-D h:m:s" as stored (fields with or without leading zeros).
std::optional<QDateTime> ParseTime(const QString& text)
{
    static const QRegularExpression fields(QStringLiteral("^\\s*(\\d+)-(\\d+)-(\\d+)\\s+(\\d+):(\\d+):(\\d+)\\s*$"));
    const auto m = fields.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString Stamp(const QDateTime& t, QChar dateSeparator)
{
    return QString::asprintf("%d%c%02d%c%02d %02d:%02d:%02d", t.date().year(), char(dateSeparator.unicode()),
                             t.date().month(), char(dateSeparator.unicode()), t.date().day(), t.time().hour(),
                             t.time().minute(), t.time().second());
}

QString ChannelLabel(const OutputChannel& c) { return MsgF(147, {QString::number(c.number)}); }

} // namespace

QString UtcOffsetText(int seconds)
{
    const QChar sign = seconds < 0 ? u'-' : u'+';
    const int minutes = std::abs(seconds) / 60;
    return QString::asprintf("%c%02d:%02d", char(sign.unicode()), minutes / 60, minutes % 60);
}

QString ReportNoteLine(const QDateTime& now)
{
    const int offset = now.offsetFromUtc();
    if (offset == 8 * 3600)
        return Msg(323);
    return MsgF(6010, {UtcOffsetText(offset)});
}

QString DurationText(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 days = seconds / 86400;
    const qint64 hours = seconds % 86400 / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    return MsgF(332, {QString::number(days), QString::number(hours), QString::number(minutes)});
}

void BuildExportText(const OutputRecord& record, const QString& separator, const QString& headerSeparator,
                     const QDateTime& now, const std::function<bool(const QString&)>& sink, qsizetype chunk)
{
    QString text;
    text += Msg(169) + record.user + kEnd;
    text += Msg(133) + QStringLiteral(":") + record.names.join(u'|') + kEnd;
    text += Msg(171) + Stamp(now, u'/') + kEnd;
    if (!record.Merged())
        text += Msg(182) + record.sn + kEnd;
    text += Msg(172) + QString::number(record.channels.size()) + kEnd;
    text += Msg(173) + QString::number(record.rowCount) + kEnd;
    const QString oldest = record.rowCount > 0 ? record.rowTime(0) : QString();
    const QString newest = record.rowCount > 0 ? record.rowTime(record.rowCount - 1) : QString();
    text += Msg(174) + oldest + kEnd;
    text += Msg(175) + newest + kEnd;
    for (const OutputChannel& c : record.channels) {
        text += QStringLiteral("%1,%2:%3,%4:%5,%6:%7,%8:%9,%10:%11")
                    .arg(ChannelLabel(c), Msg(144), c.maximum, Msg(145), c.minimum, Msg(146), c.average, Msg(141),
                         c.type)
                    .arg(Msg(143), c.unit)
                + kEnd;
    }
    text += kEnd;
    const QString s = headerSeparator.isEmpty() ? separator + separator : separator;
    text += Msg(132) + s + Msg(179) + s;
    for (const OutputChannel& c : record.channels)
        text += ChannelLabel(c) + separator;
    text += kEnd;
    const int channels = int(record.channels.size());
    for (qsizetype row = 0; row < record.rowCount; ++row) {
        text += QString::number(row + 1);
        text += separator;
        text += record.rowTime(row);
        for (int c = 0; c < channels; ++c) {
            text += separator;
            const QString cell = record.rowCell(row, c);
            text += cell.isEmpty() ? QStringLiteral("-") : cell;
        }
        text += kEnd;
        if (text.size() >= chunk) {
            if (!sink(text))
                return;
            text.clear();
        }
    }
    if (!text.isEmpty())
        sink(text);
}

QString BuildExportText(const OutputRecord& record, const QString& separator, const QString& headerSeparator,
                        const QDateTime& now)
{
    QString all;
    BuildExportText(record, separator, headerSeparator, now, [&](const QString& part) {
        all += part;
        return true;
    });
    return all;
}

QString BuildReportText(const OutputRecord& record, const QDateTime& now)
{
    QString text;
    const QString deviceNumber = QStringLiteral("%1:%2").arg(Msg(327), record.sn);
    text += deviceNumber + kEnd;
    text += Msg(322) + QStringLiteral("\t") + QString::number(record.channels.size()) + kEnd;
    text += ReportNoteLine(now) + kEnd;
    text += Msg(324) + Stamp(now, u'-') + kEnd;
    text += Msg(325) + kEnd;
    text += QStringLiteral("%1:%2\t").arg(Msg(136), record.deviceName);
    text += deviceNumber + QStringLiteral("\t");
    text += QStringLiteral("%1:%2\r").arg(Msg(328), Dash(record.interval));
    int i = 1;
    for (const OutputChannel& c : record.channels) {
        text += QStringLiteral("%1:%2%3~%4%5\t")
                    .arg(MsgF(326, {QString::number(i++), c.type}), c.lowerAlarm, c.unit, c.upperAlarm, c.unit);
    }
    text += kEnd;
    text += Msg(329) + kEnd;
    text += QStringLiteral("%1:%2\t").arg(Msg(134), record.timeStart);
    text += QStringLiteral("%1:%2\r").arg(Msg(135), record.timeEnd);
    text += QStringLiteral("%1:%2\t").arg(Msg(330)).arg(record.rowCount);
    const auto start = ParseTime(record.timeStart);
    const auto end = ParseTime(record.timeEnd);
    const qint64 span = start && end ? start->secsTo(*end) : 0;
    text += QStringLiteral("%1:%2\t%3").arg(Msg(331), DurationText(span), kEnd);
    i = 1;
    for (const OutputChannel& c : record.channels) {
        const bool last = i == int(record.channels.size());
        text += QStringLiteral("%1%2(%3)\t").arg(Msg(140)).arg(i).arg(c.type);
        text += QStringLiteral("%1%2:%3%4\t").arg(Msg(333), c.type, c.maximum, c.maximum == u"-" ? QString() : c.unit);
        text += QStringLiteral("%1%2:%3%4\t").arg(Msg(334), c.type, c.minimum, c.minimum == u"-" ? QString() : c.unit);
        text += QStringLiteral("%1%2:%3%4").arg(Msg(335), c.type, c.average, c.average == u"-" ? QString() : c.unit);
        text += last ? QStringLiteral("\t\r\n\r") : QStringLiteral("\r");
        ++i;
    }
    text += Msg(179) + QStringLiteral("\t") + Msg(180) + QStringLiteral("\t\t ");
    QStringList units;
    for (const OutputChannel& c : record.channels)
        units << c.unit;
    text += units.join(QStringLiteral("\t\t")) + kEnd;
    const int channels = int(record.channels.size());
    for (qsizetype row = record.rowCount - 1; row >= 0; --row) {
        text += record.rowTime(row);
        for (int c = 0; c < channels; ++c) {
            const QString cell = record.rowCell(row, c);
            text += QStringLiteral("\t") + (cell.isEmpty() ? QStringLiteral("-") : cell);
        }
        text += kEnd;
    }
    return text;
}

QString BuildAuditExportText(const QString& user, const std::vector<AuditLine>& rows)
{
    QString text = Msg(169) + user + kEnd;
    text += QStringList{Msg(132), Msg(180), Msg(296), Msg(141), Msg(297)}.join(u'\t') + kEnd;
    int number = 1;
    for (const AuditLine& row : rows) {
        // A tab or line break inside a text would split its row.
        QString info = row.text;
        info.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
        text += QStringList{QString::number(number++), row.time, row.user, row.typeText, info}.join(u'\t') + kEnd;
    }
    return text;
}

} // namespace qm::report
