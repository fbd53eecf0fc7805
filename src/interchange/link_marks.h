// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a link check leaves in a bookmark: its Checked date, and a mark in its UserFlags
// while the last check found the link dead or unreachable, with the kind of reason. Nothing
// else of the bookmark is touched, and the other bits of UserFlags are kept as they are.

#include <cstdint>
#include <string>
#include <string_view>

#include "store/ole_date.h"

namespace vireo {

class Database;
struct BookmarkRecord;

// The mark: the last check found the link dead or unreachable.
inline constexpr std::int16_t kUserFlagDeadLink = 0x0001;
// Bits 1 to 3: why (a DeadReason), meaningful only with the mark.
inline constexpr std::int16_t kUserFlagDeadReasonMask = 0x000E;
inline constexpr int kUserFlagDeadReasonShift = 1;

// The kinds of reason a mark remembers; the numbers are stored, so they never change.
enum class DeadReason : std::uint8_t {
    Other = 0,        // the page could not be fetched for another reason
    NotFound = 1,     // the server answered 404, or has no such file
    Gone = 2,         // the server answered 410
    NotFoundPage = 3, // the page says "404 Not Found"
    Refused = 4,      // another 4xx answer
    ServerError = 5,  // a 5xx answer
    NoAnswer = 6,     // no answer in time
    NoConnection = 7, // the host is unknown or refused the connection
};

bool IsDeadLink(std::int16_t userFlags);
DeadReason DeadLinkReason(std::int16_t userFlags);
// UserFlags with the mark set to `reason`, or with the mark cleared.
std::int16_t WithDeadMark(std::int16_t userFlags, DeadReason reason);
std::int16_t WithoutDeadMark(std::int16_t userFlags);
// The reason in a few words, as the summary shows it ("the server answered 404 (not found)").
std::string_view DeadReasonText(DeadReason reason);
// "the server answered 404 (not found), checked 3/5/2024 10:12:00 AM"; without a date
// when the bookmark carries none.
std::string DeadLinkSummary(const BookmarkRecord& record);

// Remembers a check in a bookmark of `folder`: Checked becomes `when`; the mark is set
// (dead or unreachable) or cleared (alive). False when the bookmark is no longer there.
bool RememberLinkCheck(Database& db, std::int16_t folder, std::int32_t key, bool dead, DeadReason reason,
                       OleDate when);

} // namespace vireo
