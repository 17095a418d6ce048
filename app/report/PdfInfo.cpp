#include "PdfInfo.h"

#include <QDateTime>
#include <QRegularExpression>

namespace qm::report {

namespace {
constexpr qsizetype kTailKept = 8192;
}

qint64 CTailDevice::writeData(const char* data, qint64 size)
{
    const qint64 written = m_target->write(data, size);
    if (written != size)
        m_ok = false;
    m_position += size;
    m_tail.append(data, size);
    if (m_tail.size() > 2 * kTailKept)
        m_tail.remove(0, m_tail.size() - kTailKept);
    return size;
}

QByteArray PdfTextString(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7e) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        QByteArray out = "(";
        for (QChar c : text) {
            if (c == u'(' || c == u')' || c == u'\\')
                out += '\\';
            out += char(c.unicode());
        }
        return out + ")";
    }
    QByteArray utf16 = "\xFE\xFF";
    for (QChar c : text) {
        utf16 += char(c.unicode() >> 8);
        utf16 += char(c.unicode() & 0xff);
    }
    return "<" + utf16.toHex().toUpper() + ">";
}

bool AppendDocumentInfo(CTailDevice& device, const std::map<QString, QString>& info, QString* error)
{
    const QByteArray tail = device.Tail();
    const qsizetype trailerAt = tail.lastIndexOf("trailer");
    const qsizetype startAt = tail.lastIndexOf("startxref");
    if (trailerAt < 0 || startAt < trailerAt) {
        *error = QStringLiteral("the document has no trailer");
        return false;
    }
    const QString trailer = QString::fromLatin1(tail.mid(trailerAt, startAt - trailerAt));
    const QString start = QString::fromLatin1(tail.mid(startAt));
    const auto size = QRegularExpression(QStringLiteral("/Size\\s+(\\d+)")).match(trailer);
    const auto root = QRegularExpression(QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)")).match(trailer);
    const auto id = QRegularExpression(QStringLiteral("/ID\\s*(\\[[^\\]]*\\])")).match(trailer);
    const auto previous = QRegularExpression(QStringLiteral("startxref\\s+(\\d+)")).match(start);
    if (!size.hasMatch() || !root.hasMatch() || !previous.hasMatch()) {
        *error = QStringLiteral("the document's trailer cannot be read");
        return false;
    }
    const int object = size.captured(1).toInt();
    const qint64 objectAt = device.Position();
    QByteArray out = "\n" + QByteArray::number(object) + " 0 obj\n<<\n";
    for (const auto& [key, value] : info)
        out += "/" + key.toLatin1() + " " + PdfTextString(value) + "\n";
    out += "/Producer " + PdfTextString(QStringLiteral("Quillmark")) + "\n";
    out += "/CreationDate (D:" + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1()
           + "Z)\n>>\nendobj\n";
    const qint64 xrefAt = objectAt + out.size();
    out += "xref\n" + QByteArray::number(object) + " 1\n"
           + QByteArray::number(objectAt + 1).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<<\n/Size " + QByteArray::number(object + 1) + "\n/Root " + root.captured(1).toLatin1()
           + "\n/Info " + QByteArray::number(object) + " 0 R\n";
    if (id.hasMatch())
        out += "/ID " + id.captured(1).toLatin1() + "\n";
    out += "/Prev " + previous.captured(1).toLatin1() + "\n>>\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    if (device.write(out) != out.size() || !device.Ok()) {
        *error = QStringLiteral("cannot write the document information");
        return false;
    }
    return true;
}

} // namespace qm::report
