// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Dates are OLE Automation dates: days since 30 December 1899 in local wall-clock time,
// the fraction being the time of day. They are what the data files store.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/locale_text.h"

namespace vireo {

using OleDate = double;

// Now, as an OLE date (a test may replace the clock, see ScopedClock).
OleDate OleNow();

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
