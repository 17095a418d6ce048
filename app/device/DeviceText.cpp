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

namespace {

// `text` in `page` when it has an exact form there (decodes back to itself):
// the encoder substitutes unmappable characters without always saying so.
bool EncodeExact(const char* page, const QString& text, QByteArray* bytes)
{
    QStringEncoder encoder(page);
    const QByteArray encoded = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError())
        return false;
    QStringDecoder decoder(page);
    const QString back = decoder.decode(encoded);
    if (decoder.hasError() || back != text)
        return false;
    *bytes = encoded;
    return true;
}

// `bytes` read in `page` when every byte is defined there and the text
// encodes back to the same bytes.
bool DecodeExact(const char* page, const QByteArray& bytes, QString* text)
{
    QStringDecoder decoder(page);
    const QString decoded = decoder.decode(bytes);
    if (!decoder.isValid() || decoder.hasError())
        return false;
    QStringEncoder encoder(page);
    if (encoder.encode(decoded) != bytes)
        return false;
    // The GBK tables give the code page's unassigned bytes private-use
    // characters: those are not a name anybody wrote.
    for (QChar c : decoded)
        if (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF)
            return false;
    *text = decoded;
    return true;
}

} // namespace

bool ToCodePage(const QString& text, QByteArray* bytes)
{
    // GBK first in either language, so a name reads back the same whichever
    // language the program runs in; the Latin page only for what GBK lacks.
    QByteArray encoded;
    bool exact = EncodeExact("GBK", text, &encoded);
    const QByteArray page = CodePageName();
    if (!exact && page != "GBK")
        exact = EncodeExact(page.constData(), text, &encoded);
    if (bytes)
        *bytes = exact ? encoded : QByteArray();
    return exact;
}

QString FromCodePage(const QByteArray& bytes)
{
    // Loggers carry their names in GBK (Chinese names from any installation):
    // a name that is whole GBK is read as GBK in either language. Reading it
    // in the Latin page would turn 冷库 into "Àä¿â" and store that in devInfo
    // and every record of the logger.
    QString text;
    if (DecodeExact("GBK", bytes, &text))
        return text;
    const QByteArray page = CodePageName();
    if (page != "GBK" && DecodeExact(page.constData(), bytes, &text))
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
            if (!d.hasError() && t.size() == 1 && t.at(0) != QChar(0xFFFD) && t.at(0).category() != QChar::Other_PrivateUse
                && e.encode(t) == piece) {
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
