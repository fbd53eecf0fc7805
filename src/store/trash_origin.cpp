// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/trash_origin.h"

#include <cstring>
#include <utility>

#include "store/database.h"

namespace vireo {

namespace {

std::uint16_t CreatedCheck(const FolderRecord& f) {
    std::uint64_t bits = 0;
    static_assert(sizeof bits == sizeof f.Created);
    std::memcpy(&bits, &f.Created, sizeof bits);
    return static_cast<std::uint16_t>(bits ^ (bits >> 16) ^ (bits >> 32) ^ (bits >> 48));
}

} // namespace

std::int32_t TrashOriginOf(const Database& db, std::int16_t folder) {
    if (!db.IsLiveFolder(folder) || folder == kTrashFolder)
        return 0;
    auto packed = static_cast<std::uint32_t>(CreatedCheck(db.Folder(folder))) << 16 |
                  static_cast<std::uint16_t>(folder);
    return static_cast<std::int32_t>(packed);
}

void MarkFolderOrigin(const Database& db, FolderRecord& record, std::int16_t parent) {
    auto origin = static_cast<std::uint32_t>(TrashOriginOf(db, parent));
    record.Reserved1 = static_cast<std::uint16_t>(origin & 0xFFFF);
    record.Reserved2[0] = static_cast<std::uint8_t>((origin >> 16) & 0xFF);
    record.Reserved2[1] = static_cast<std::uint8_t>(origin >> 24);
}

std::int16_t RestoreTarget(const Database& db, std::int32_t origin) {
    auto packed = static_cast<std::uint32_t>(origin);
    auto folder = static_cast<std::int16_t>(packed & 0xFFFF);
    if (origin != 0 && db.IsLiveFolder(folder) && folder != kTrashFolder && !db.InTrash(folder) &&
        CreatedCheck(db.Folder(folder)) == static_cast<std::uint16_t>(packed >> 16))
        return folder;
    return kRootFolder;
}

std::int16_t FolderRestoreTarget(const Database& db, std::int16_t folder) {
    if (!db.IsLiveFolder(folder))
        return kRootFolder;
    const FolderRecord& f = db.Folder(folder);
    std::uint32_t origin = f.Reserved1 | static_cast<std::uint32_t>(f.Reserved2[0]) << 16 |
                           static_cast<std::uint32_t>(f.Reserved2[1]) << 24;
    std::int16_t target = RestoreTarget(db, static_cast<std::int32_t>(origin));
    // A folder never goes back below itself.
    return db.IsWithin(target, folder) ? std::int16_t{kRootFolder} : target;
}

bool RestoreBookmark(Database& db, std::int16_t folder, std::int32_t key) {
    if (!db.IsLiveFolder(folder) || !db.IsWithin(folder, kTrashFolder))
        return false;
    const clsBookmark& from = std::as_const(db).Marks(folder);
    std::int32_t pos = from.PositionOf(key);
    if (pos == 0)
        return false;
    std::int16_t target = RestoreTarget(db, from.At(pos).Reserved);
    db.Marks(folder).Copy(key);
    db.Marks(target).AddPaste();
    db.Marks(folder).Zap(key);
    return true;
}

bool RestoreFolder(Database& db, std::int16_t folder) {
    if (!db.IsLiveFolder(folder) || folder <= kTrashFolder || !db.InTrash(folder))
        return false;
    std::int16_t target = FolderRestoreTarget(db, folder);
    if (const StoreServices& services = db.Services(); services.tree)
        services.tree->MoveNode(FolderNodeKey(folder), FolderNodeKey(target));
    FolderRecord& f = db.Folder(folder);
    f.Parent = target;
    MarkFolderOrigin(db, f, 0);
    return true;
}

} // namespace vireo
