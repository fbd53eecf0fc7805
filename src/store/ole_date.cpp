// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/ole_date.h"

#include <cmath>

namespace vireo {

namespace {

std::function<OleDate()>& ClockOverride() {
    static std::function<OleDate()> clock;
    return clock;
}

const std::int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);

} // namespace

// H. Hinnant's algorithms.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t yy = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yy + (m <= 2));
}

OleDate OleNow() {
    if (ClockOverride())
        return ClockOverride()();
    return OleFromUnix(sys::UnixNow());
}

OleDate OleFromCivil(const sys::CivilTime& t) {
    std::int64_t days =
        DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) - kOleEpochDays;
    double seconds = t.hour * 3600.0 + t.minute * 60.0 + t.second;
    return static_cast<double>(days) + seconds / 86400.0;
}

sys::CivilTime OleToCivil(OleDate date) {
    sys::CivilTime t;
    if (!std::isfinite(date) || date < -657434.0 || date > 2958465.99999)
        return t; // outside the years 100..9999 that OLE dates cover
    double dayPart = std::floor(date);
    // Round to whole seconds so that 0.99999999 of a day reads as the next midnight,
    // not as 23:59:59.
    std::int64_t seconds = std::llround((date - dayPart) * 86400.0);
    std::int64_t days = static_cast<std::int64_t>(dayPart);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    CivilFromDays(days + kOleEpochDays, t.year, t.month, t.day);
    t.hour = static_cast<int>(seconds / 3600);
    t.minute = static_cast<int>((seconds / 60) % 60);
    t.second = static_cast<int>(seconds % 60);
    std::int64_t unixDays = days + kOleEpochDays; // 1970-01-01 was a Thursday
    t.weekday = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);
    return t;
}

OleDate OleFromUnix(std::int64_t seconds) {
    return OleFromCivil(sys::LocalFromUnix(seconds));
}

std::int64_t OleToUnix(OleDate date) {
    return sys::UnixFromLocal(OleToCivil(date));
}

std::string FormatGeneralDate(OleDate date) {
    sys::CivilTime t = OleToCivil(date);
    bool hasTime = t.hour || t.minute || t.second;
    bool hasDate = std::floor(date) != 0.0;
    if (hasDate && hasTime)
        return sys::FormatShortDate(t) + " " + sys::FormatLongTime(t);
    if (hasTime)
        return sys::FormatLongTime(t);
    return sys::FormatShortDate(t);
}

std::string FormatLongDate(OleDate date) {
    return sys::FormatLongDate(OleToCivil(date));
}

ScopedClock::ScopedClock(std::function<OleDate()> now) : m_previous(ClockOverride()) {
    ClockOverride() = std::move(now);
}

ScopedClock::~ScopedClock() {
    ClockOverride() = m_previous;
}

namespace {

constexpr std::int64_t kChanging = INT64_MIN;
constexpr std::int64_t kUnixEpochOle = 25569; // 1 January 1970 as an OLE day

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// Local time minus UTC at a moment, in seconds.
std::int64_t UtcOffset(std::int64_t seconds) {
    OleDate local = OleFromUnix(seconds);
    auto localSeconds = static_cast<std::int64_t>(std::llround((local - kUnixEpochOle) * 86400.0));
    return localSeconds - seconds;
}

} // namespace

OleDate OleDateCache::ToOle(std::int64_t seconds) {
    std::int64_t day = FloorDiv(seconds, 86400);
    auto it = m_offsets.find(day);
    if (it == m_offsets.end()) {
        std::int64_t start = UtcOffset(day * 86400);
        std::int64_t end = UtcOffset(day * 86400 + 86399);
        it = m_offsets.emplace(day, start == end ? start : kChanging).first;
    }
    if (it->second == kChanging)
        return OleFromUnix(seconds);
    // The same arithmetic as a conversion through the calendar, so the result is the same
    // to the last bit.
    std::int64_t local = seconds + it->second;
    std::int64_t localDay = FloorDiv(local, 86400);
    return static_cast<double>(localDay + kUnixEpochOle) +
           static_cast<double>(local - localDay * 86400) / 86400.0;
}

std::int64_t OleDateCache::ToUnix(OleDate date) {
    if (!std::isfinite(date) || date <= 0 || date > 2958465.0)
        return 0;
    auto day = static_cast<std::int64_t>(std::floor(date));
    auto it = m_midnights.find(day);
    if (it == m_midnights.end()) {
        std::int64_t midnight = OleToUnix(static_cast<double>(day));
        std::int64_t next = OleToUnix(static_cast<double>(day + 1));
        it = m_midnights.emplace(day, next - midnight == 86400 ? midnight : kChanging).first;
    }
    if (it->second == kChanging)
        return OleToUnix(date);
    return it->second + std::llround((date - static_cast<double>(day)) * 86400.0);
}

} // namespace vireo
