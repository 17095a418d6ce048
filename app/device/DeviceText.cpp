#include "DeviceText.h"

#include "AppEnv.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstring>

namespace qm::device {

QByteArray CodePageName()
{
    return CurrentLanguageName() == QLatin1String(kChineseModule) ? QByteArrayLiteral("GBK")
                                                                    : QByteArrayLiteral("windows-1252");
}

bool ToCodePage(const QString& text, QByteArray* bytes)
{
    const QByteArray page = CodePageName();
    QStringEncoder encoder(page.constData());
    QByteArray encoded = encoder.encode(text);
    // The encoder substitutes unmappable characters without always saying so:
    // only a text that decodes back to itself has an exact form.
    bool exact = encoder.isValid() && !encoder.hasError();
    if (exact) {
        QStringDecoder decoder(page.constData());
        const QString back = decoder.decode(encoded);
        exact = !decoder.hasError() && back == text;
    }
    if (bytes)
        *bytes = exact ? encoded : QByteArray();
    return exact;
}

QString FromCodePage(const QByteArray& bytes)
{
    const QByteArray page = CodePageName();
    QStringDecoder decoder(page.constData());
    const QString text = decoder.decode(bytes);
    QStringEncoder encoder(page.constData());
    if (!decoder.hasError() && encoder.encode(text) == bytes)
        return text;
    // The decoder let something through that it does not define (a lone lead
    // byte, an unassigned pair): decode piece by piece so only the bad bytes
    // become U+FFFD and the readable rest stays.
    QString out;
    qsizetype i = 0;
    while (i < bytes.size()) {
        bool matched = false;
        for (qsizetype len = 1; len <= 2 && i + len <= bytes.size() && !matched; ++len) {
            const QByteArray piece = bytes.mid(i, len);
            QStringDecoder d(page.constData());
            const QString t = d.decode(piece);
            QStringEncoder e(page.constData());
            if (!d.hasError() && t.size() == 1 && t.at(0) != QChar(0xFFFD) && e.encode(t) == piece) {
                out += t;
                i += len;
                matched = true;
            }
        }
        if (!matched) {
            out += QChar(0xFFFD);
            ++i;
        }
    }
    return out;
}

int CodePageLength(const QString& text)
{
    QByteArray bytes;
    return ToCodePage(text, &bytes) ? int(bytes.size()) : -1;
}

bool IsValidCardName(const QString& name, QByteArray* bytes)
{
    QByteArray encoded;
    const bool ok = ToCodePage(name.trimmed(), &encoded) && !encoded.isEmpty() && encoded.size() <= kCardNameBytes;
    if (bytes)
        *bytes = ok ? encoded : QByteArray();
    return ok;
}

QString MacText(const int mac[6])
{
    return QString::asprintf("%02X:%02X:%02X:%02X:%02X:%02X", mac[0] & 0xFF, mac[1] & 0xFF, mac[2] & 0xFF,
                             mac[3] & 0xFF, mac[4] & 0xFF, mac[5] & 0xFF);
}

QString SerialOf(const CKelvane::struct_basic_config& basic)
{
    return QString::fromLatin1(basic.sn, qsizetype(strnlen(basic.sn, sizeof basic.sn)));
}

SYSTEMTIME ToSystemTime(const QDateTime& time)
{
    const QDate d = time.date();
    const QTime t = time.time();
    SYSTEMTIME st{};
    st.wYear = uint16_t(d.year());
    st.wMonth = uint16_t(d.month());
    st.wDayOfWeek = uint16_t(d.dayOfWeek() % 7);
    st.wDay = uint16_t(d.day());
    st.wHour = uint16_t(t.hour());
    st.wMinute = uint16_t(t.minute());
    st.wSecond = uint16_t(t.second());
    st.wMilliseconds = uint16_t(t.msec());
    return st;
}

} // namespace qm::device
