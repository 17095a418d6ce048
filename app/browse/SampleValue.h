#pragma once
// The text form of one sample value, as history rows store it and as the
// curve shows it: "-" or empty (no value), "ERR" (sensor error, −1000), the
// switch and state words, degree-minute-second values, decimal numbers.
#include <QString>
#include <QStringView>

namespace qm::browse {

// Any number at or below this one is a sensor error.
constexpr double kErrorValue = -1000.0;
inline bool IsErrorValue(double value) { return value <= kErrorValue; }

struct SampleNumber {
    double value = 0.0;
    bool valid = false;
};

// `reference` is the channel's reference text (its upper alarm text): a "°" in
// it marks degree-minute-second values ("%d°%02d′%02d.%02d″").
// The switch and state words are read in the current language and in the
// built-in Chinese one, so stored texts read the same after a language switch.
SampleNumber ParseSampleValue(QStringView reference, QStringView text);

// Number of decimals a value of the channel is shown with: 7 for degree
// references, else the characters after the first "." of the reference, else 0.
int DecimalsOf(QStringView reference);

// The text of `number`: "ERR" at or below −1000 (0 with the channel's
// decimals when `showError` is off and the reference is not a degree text);
// with `switchWords`, a reference that is the on or off word gives the on
// word for a positive number and the off word otherwise.
QString FormatSampleValue(QStringView reference, double number, bool switchWords, bool showError);

// The decimal number at the start of `text` (leading blanks skipped), 0 when
// the text does not start with one: how history texts are read as numbers.
double LeadingNumber(QStringView text);

} // namespace qm::browse
