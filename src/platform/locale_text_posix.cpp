// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/locale_text.h"

#include <array>
#include <ctime>
#include <langinfo.h>

namespace vireo::sys {

namespace {

std::tm ToTm(const CivilTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_wday = t.weekday;
    tm.tm_isdst = -1;
    return tm;
}

std::string Strftime(const std::string& format, const CivilTime& t) {
    std::tm tm = ToTm(t);
    std::array<char, 256> buf{};
    std::size_t n = std::strftime(buf.data(), buf.size(), format.c_str(), &tm);
    return std::string(buf.data(), n);
}

} // namespace

CivilTime LocalFromUnix(std::int64_t seconds) {
    std::time_t tt = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!::localtime_r(&tt, &tm))
        return {};
    CivilTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    t.weekday = tm.tm_wday;
    return t;
}

std::int64_t UnixFromLocal(const CivilTime& local) {
    std::tm tm = ToTm(local);
    return static_cast<std::int64_t>(std::mktime(&tm));
}

std::int64_t UnixNow() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

std::string FormatShortDate(const CivilTime& t) {
    std::string format = ::nl_langinfo(D_FMT);
    // A two-digit year is ambiguous for bookmarks spanning decades.
    for (std::size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] == '%' && format[i + 1] == 'y')
            format[i + 1] = 'Y';
        else if (format[i] == '%')
            ++i;
    }
    if (format.empty())
        format = "%Y-%m-%d";
    return Strftime(format, t);
}

std::string FormatLongTime(const CivilTime& t) {
    std::string format = ::nl_langinfo(T_FMT);
    if (format.empty())
        format = "%H:%M:%S";
    return Strftime(format, t);
}

std::string FormatLongDate(const CivilTime& t) {
    return Strftime("%A, %B ", t) + std::to_string(t.day) + Strftime(", %Y", t);
}

} // namespace vireo::sys
