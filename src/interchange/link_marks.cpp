// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/link_marks.h"

#include "store/database.h"

namespace vireo {

bool IsDeadLink(std::int16_t userFlags) {
    return (userFlags & kUserFlagDeadLink) != 0;
}

DeadReason DeadLinkReason(std::int16_t userFlags) {
    return static_cast<DeadReason>((userFlags & kUserFlagDeadReasonMask) >> kUserFlagDeadReasonShift);
}

std::int16_t WithDeadMark(std::int16_t userFlags, DeadReason reason) {
    int bits = (userFlags & ~kUserFlagDeadReasonMask) | kUserFlagDeadLink |
               ((static_cast<int>(reason) << kUserFlagDeadReasonShift) & kUserFlagDeadReasonMask);
    return static_cast<std::int16_t>(bits);
}

std::int16_t WithoutDeadMark(std::int16_t userFlags) {
    return static_cast<std::int16_t>(userFlags & ~(kUserFlagDeadLink | kUserFlagDeadReasonMask));
}

std::string_view DeadReasonText(DeadReason reason) {
    switch (reason) {
    case DeadReason::NotFound:
        return "the server answered 404 (not found)";
    case DeadReason::Gone:
        return "the server answered 410 (gone)";
    case DeadReason::NotFoundPage:
        return "the page says \"404 Not Found\"";
    case DeadReason::Refused:
        return "the server refused the page";
    case DeadReason::ServerError:
        return "the server failed to send the page";
    case DeadReason::NoAnswer:
        return "no answer in time";
    case DeadReason::NoConnection:
        return "the server could not be reached";
    case DeadReason::Other:
        break;
    }
    return "the page could not be fetched";
}

std::string DeadLinkSummary(const BookmarkRecord& record) {
    std::string text(DeadReasonText(DeadLinkReason(record.UserFlags)));
    if (record.Checked > 0)
        text += ", checked " + FormatGeneralDate(record.Checked);
    return text;
}

bool RememberLinkCheck(Database& db, std::int16_t folder, std::int32_t key, bool dead, DeadReason reason,
                       OleDate when) {
    if (!db.IsLiveFolder(folder))
        return false;
    BookmarkRecord* r = db.Marks(folder).Find(key);
    if (!r)
        return false;
    r->Checked = when;
    r->UserFlags = dead ? WithDeadMark(r->UserFlags, reason) : WithoutDeadMark(r->UserFlags);
    return true;
}

} // namespace vireo
