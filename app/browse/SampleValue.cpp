#include "SampleValue.h"

#include "Strings.h"

#include <cmath>

namespace qm::browse {
namespace {

const char16_t kDegree = u'°';

bool IsWord(QStringView text, int number)
{
    if (text == Msg(number))
        return true;
    return text == BuiltinStrings().value(number);
}

// "%d°%02d′%02d.%02d″": degrees, minutes, seconds and hundredths of a second.
double ParseDegrees(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    double parts[4] = {0, 0, 0, 0};
    int digitsOfLast = 0;
    int part = 0;
    for (; i < text.size() && part < 4; ++i) {
        const QChar c = text[i];
        if (c.isDigit()) {
            parts[part] = parts[part] * 10 + c.digitValue();
            if (part == 3)
                ++digitsOfLast;
        } else if ((part == 0 && c == kDegree) || (part == 1 && c == u'′') || (part == 2 && c == u'.')) {
            ++part;
        } else {
            break;
        }
    }
    const double fraction = digitsOfLast > 0 ? parts[3] / std::pow(10.0, digitsOfLast) : 0.0;
    const double value = parts[0] + parts[1] / 60.0 + (parts[2] + fraction) / 3600.0;
    return negative ? -value : value;
}

} // namespace

double LeadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 0x80) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'-' || text[j] == u'+'))
            ++j;
        const qsizetype expStart = j;
        while (j < text.size() && text[j].isDigit() && text[j].unicode() < 0x80)
            ++j;
        if (j > expStart)
            end = j;
    }
    bool ok = false;
    const double value = text.mid(start, end - start).toString().toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

SampleNumber ParseSampleValue(QStringView reference, QStringView text)
{
    if (text.isEmpty() || text == u"-")
        return {};
    if (text == u"ERR")
        return {kErrorValue, true};
    if (IsWord(text, 148) || IsWord(text, 150))
        return {1.0, true};
    if (IsWord(text, 149) || IsWord(text, 151))
        return {0.0, true};
    // A degree text is only read as one when it is written as one.
    if (reference.contains(kDegree) && text.contains(kDegree))
        return {ParseDegrees(text), true};
    return {LeadingNumber(text), true};
}

int DecimalsOf(QStringView reference)
{
    if (reference.indexOf(kDegree, 1) >= 0)
        return 7;
    const qsizetype dot = reference.indexOf(u'.');
    if (dot >= 0)
        return int(reference.size() - dot - 1);
    return 0;
}

QString FormatSampleValue(QStringView reference, double number, bool switchWords, bool showError)
{
    const int decimals = DecimalsOf(reference);
    if (IsErrorValue(number)) {
        if (!showError && !reference.contains(kDegree))
            return QString::asprintf("%.*f", decimals, 0.0);
        return QStringLiteral("ERR");
    }
    if (switchWords && (IsWord(reference, 148) || IsWord(reference, 149)))
        return Msg(number > 0 ? 148 : 149);
    return QString::asprintf("%.*f", decimals, number);
}

} // namespace qm::browse
