// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Calendar and locale services of the system: local time zone conversions and the
// locale's date and time texts. The core formats its dates through these.

#include <cstdint>
#include <string>

namespace vireo::sys {

struct CivilTime {
    int year = 1899;
    int month = 12; // 1..12
    int day = 30;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 6; // 0 = Sunday
};

// Local wall-clock time of a moment given in seconds since 1970 (UTC).
CivilTime LocalFromUnix(std::int64_t seconds);
// The moment (seconds since 1970, UTC) of a local wall-clock time.
std::int64_t UnixFromLocal(const CivilTime& local);
// Seconds since 1970 now.
std::int64_t UnixNow();

// The locale's short date ("12/06/2026"), always with a four-digit year.
std::string FormatShortDate(const CivilTime& t);
// The locale's time with seconds ("17:25:13" or "05:25:13 PM").
std::string FormatLongTime(const CivilTime& t);
// Weekday, month name, day and year ("Sunday, December 6, 2026").
std::string FormatLongDate(const CivilTime& t);

} // namespace vireo::sys
