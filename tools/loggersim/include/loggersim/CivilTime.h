// Calendar arithmetic for the simulated loggers. A logger keeps local wall-clock
// time without a time zone, so everything here counts plain civil seconds from
// 2000-01-01 00:00:00 and never consults the C library's time zone rules.
#pragma once

#include <cstdint>
#include <string>

namespace loggersim {

struct DateTime {
    int year = 0; // full year, 2000..2099 on a logger; 0 in an all-zero (unset) field
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool IsZero() const { return year == 0 && month == 0 && day == 0 && hour == 0 && minute == 0 && second == 0; }
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Seconds since 2000-01-01 00:00:00 of a civil date and time (proleptic Gregorian).
int64_t ToCivilSeconds(const DateTime& t);
DateTime FromCivilSeconds(int64_t seconds);
// 0 = Sunday, as the logger's clock register counts.
int DayOfWeek(const DateTime& t);
// The host's local time now, as the logger's clock starts when nobody sets it.
DateTime LocalNow();

// "YYYY-MM-DD HH:MM[:SS]"; false when the text is not such a time or names an impossible date.
bool ParseDateTime(const std::string& text, DateTime& out);
std::string FormatDateTime(const DateTime& t);

uint8_t ToBcd(int v);   // 0..99
int FromBcd(uint8_t b); // -1 when a nibble is above 9

} // namespace loggersim
