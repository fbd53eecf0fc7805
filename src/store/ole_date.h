// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Dates are OLE Automation dates: days since 30 December 1899 in local wall-clock time,
// the fraction being the time of day. They are what the data files store.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/locale_text.h"

namespace vireo {

using OleDate = double;

// Now, as an OLE date (a test may replace the clock, see ScopedClock).
OleDate OleNow();

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d);
void CivilFromDays(std::int64_t z, int& y, int& m, int& d);

OleDate OleFromCivil(const sys::CivilTime& t);
sys::CivilTime OleToCivil(OleDate date);

// Conversions to and from Unix seconds go through the local time zone.
OleDate OleFromUnix(std::int64_t seconds);
std::int64_t OleToUnix(OleDate date);

// "General Date": the short date and the long time; a date without a time of day shows
// the date alone and a time without a date the time alone.
std::string FormatGeneralDate(OleDate date);
// "Long Date": weekday, month, day and year.
std::string FormatLongDate(OleDate date);

// Converting between Unix seconds and local OLE dates asks the time zone database, which
// is slow. A day whose offset from UTC is the same at both ends has no clock change in it,
// so one answer per day serves every date of that day; days with a change are converted
// one date at a time. For imports and exports that convert thousands of dates.
class OleDateCache {
public:
    OleDate ToOle(std::int64_t seconds);
    // 0 for no date (0 or less) and for one past the year 9999.
    std::int64_t ToUnix(OleDate date);

private:
    std::unordered_map<std::int64_t, std::int64_t> m_offsets;
    std::unordered_map<std::int64_t, std::int64_t> m_midnights;
};

// Replaces the clock for the lifetime of the object (tests only; not thread-safe).
class ScopedClock {
public:
    explicit ScopedClock(std::function<OleDate()> now);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    std::function<OleDate()> m_previous;
};

} // namespace vireo
