// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/folder_moves.h"

#include "store/database.h"
#include "store/trash_origin.h"

namespace vireo {

bool MoveFolder(Database& db, std::int16_t source, std::int16_t target) {
    const StoreServices& services = db.Services();
    bool refused = source <= kTrashFolder || target < 1 || source == target || !db.IsLiveFolder(source) ||
                   !db.IsLiveFolder(target) || db.Folder(source).Parent == target ||
                   db.IsWithin(target, source);
    if (refused) {
        db.PlaySound(SoundEvent::RejectBookmark);
        return false;
    }
    if (services.tree)
        services.tree->MoveNode(FolderNodeKey(source), FolderNodeKey(target));
    FolderRecord& f = db.Folder(source);
    // Into the trash a folder remembers where it came from; out of it it forgets.
    MarkFolderOrigin(db, f, target == kTrashFolder ? f.Parent : std::int16_t{0});
    f.Parent = target;
    return true;
}

} // namespace vireo
