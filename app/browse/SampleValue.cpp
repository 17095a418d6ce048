#include "SampleValue.h"

#include "Strings.h"

#include <charconv>
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
    // The longest prefix that reads as a number: sign, digits, ".", digits, exponent.
    char buffer[64];
    int used = 0;
    const auto take = [&](QChar c) {
        if (used < int(sizeof buffer) - 1)
            buffer[used++] = char(c.unicode());
    };
    const auto digit = [&](qsizetype at) { return at < text.size() && text[at] >= u'0' && text[at] <= u'9'; };
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int digits = 0;
    for (; digit(i); ++i, ++digits)
        take(text[i]);
    if (i < text.size() && text[i] == u'.') {
        take(text[i++]);
        for (; digit(i); ++i, ++digits)
            take(text[i]);
    }
    if (digits == 0)
        return 0.0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'-' || text[j] == u'+'))
            ++j;
        if (digit(j)) {
            for (qsizetype k = i; k < j; ++k)
                take(text[k]);
            for (; digit(j); ++j)
                take(text[j]);
        }
    }
    double value = 0.0;
    // from_chars reads "." whatever the process locale says.
    const std::from_chars_result result = std::from_chars(buffer, buffer + used, value);
    if (result.ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return negative ? -value : value;
}

SampleNumber ParseSampleValue(QStringView reference, QStringView text)
{
    if (text.isEmpty() || (text.size() == 1 && text.front() == u'-'))
        return {};
    if (text.size() == 3 && text[0] == u'E' && text[1] == u'R' && text[2] == u'R')
        return {kErrorValue, true};
    const QChar lead = text.front();
    const bool numeric = (lead.unicode() < 0x80 && (lead.isDigit() || lead == u'-' || lead == u'+' || lead == u'.'));
    if (numeric) {
        if (reference.contains(kDegree) && text.contains(kDegree))
            return {ParseDegrees(text), true};
        return {LeadingNumber(text), true};
    }
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
