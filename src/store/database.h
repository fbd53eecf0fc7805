// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The database: the memo store, the folder table, one bookmark collection per folder
// slot, the copy buffer and the bookmark key counter. One instance lives from start-up to
// the end of the program and is passed by reference to whatever needs it.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/durable_file.h"
#include "store/bookmark_collection.h"
#include "store/history.h"
#include "store/memo.h"
#include "store/records.h"
#include "store/store_services.h"

namespace vireo {

class DataCommit;

class Database {
public:
    explicit Database(StoreServices services = {});
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void SetServices(const StoreServices& services) { m_services = services; }
    const StoreServices& Services() const { return m_services; }

    // Locks the data directory, finishes an interrupted save, opens the memo store and
    // loads folders and bookmarks (or builds a new database when FOLDERS is missing).
    // `busy` is set when another process holds the directory.
    bool Open(const std::string& dir, std::string* error, bool* busy = nullptr);
    // Forgets everything in memory (without saving) and releases the directory.
    void Close();
    bool IsOpen() const { return m_memo.IsOpen(); }

    const std::string& DBPath() const { return m_memo.DBPath; }
    clsMemo& Memo() { return m_memo; }
    const clsMemo& Memo() const { return m_memo; }

    // True when FOLDERS was missing, so a new database was built in memory.
    bool IsNewDatabase() const { return m_newDatabase; }
    // True on the very first run: neither FOLDERS nor BOOKMARKS existed.
    bool IsFirstRun() const { return m_newDatabase && !m_bookmarksFileExisted; }
    // Repairs made while loading a damaged database (one line each) and where the
    // damaged files were copied before anything was changed.
    const std::vector<std::string>& LoadWarnings() const { return m_warnings; }
    const std::string& DamagedCopyFolder() const { return m_damagedCopy; }

    // The folder table: slots 1 .. FolderSlots(); a slot whose ID is 0 is free.
    std::int32_t FolderSlots() const {
        return m_folders.empty() ? 0 : static_cast<std::int32_t>(m_folders.size()) - 1;
    }
    bool IsSlot(std::int32_t id) const { return id >= 1 && id <= FolderSlots(); }
    bool IsLiveFolder(std::int32_t id) const {
        return IsSlot(id) && m_folders[static_cast<std::size_t>(id)].ID != 0;
    }
    // The writable record: a change through it belongs to the open history step.
    FolderRecord& Folder(std::int16_t id) {
        NoteFolderChange(id);
        return m_folders[static_cast<std::size_t>(id)];
    }
    const FolderRecord& Folder(std::int16_t id) const { return m_folders[static_cast<std::size_t>(id)]; }
    std::string FolderName(std::int16_t id) const;
    clsBookmark& Marks(std::int16_t id) { return m_collection[static_cast<std::size_t>(id)]; }
    const clsBookmark& Marks(std::int16_t id) const { return m_collection[static_cast<std::size_t>(id)]; }
    std::int16_t HighestFolderID() const { return m_highestFolderId; }

    // The copy buffer through which bookmarks are moved, pasted and dropped.
    BookmarkRecord copyBuffer;
    std::int32_t NewKey();
    std::int32_t HighestKey() const { return m_keyCounter; }
    void RaiseKeyCounter(std::int32_t seen);

    bool LoadFolders(std::string* error);
    bool LoadBookmarks(std::string* error);
    // SaveFolders prepares FOLDERS; SaveBookmarks prepares BOOKMARKS and commits both with
    // the memo store as one unit. Save does both.
    bool SaveFolders(std::string* error = nullptr);
    bool SaveBookmarks(std::string* error = nullptr);
    bool Save(std::string* error = nullptr);
    const std::string& LastError() const { return m_lastError; }

    // Folder operations. AddFolder returns the new ID, 0 when the table is full.
    std::int16_t AddFolder(std::string_view name, std::int16_t parent, FolderKind kind);
    // Returns false only when the save that follows failed (see LastError).
    bool KillFolder(std::int16_t id, bool force);
    void ZapFolder(std::int16_t id, bool force);
    bool EmptyFolder(std::int16_t id, bool force);
    std::string FolderPath(std::int16_t id) const;
    bool HasSubFolders(std::int16_t id) const;
    std::int16_t CountSubFolders(std::int16_t id) const;
    std::int16_t NextSubFolder(std::int16_t parent, std::int32_t& start) const;
    bool FolderHasMarks(std::int16_t id) const;
    std::int32_t NextMarkKey(std::int16_t id, std::int32_t& start) const;
    bool InTrash(std::int16_t id) const;
    // True when `folder` is `ancestor` or lies below it.
    bool IsWithin(std::int16_t folder, std::int16_t ancestor) const;
    BookmarkRecord NewMark(std::string_view name, std::string_view url, std::int16_t parent,
                           std::string_view description, std::int16_t flags);
    // The subfolders of every live folder at once, indexed by folder slot, each list in
    // folder-table order (the order NextSubFolder hands them out).
    std::vector<std::vector<std::int16_t>> ChildLists() const;
    // Rebuilds a tree view from the folder table, then expands and selects the root.
    void FillTree(FolderTreeView& tree) const;

    // The standard bookmarks of a new database.
    void MakeDefaultMarks();
    // Deletes the four data files after closing the store. The caller must end without
    // saving anything (Purged() tells).
    bool Purge(std::string* error);
    bool Purged() const { return m_purged; }

    // The undo and redo history of this database (cleared when it is opened or closed).
    CommandHistory& History() { return m_history; }
    const CommandHistory& History() const { return m_history; }
    // For the history and the collections: noting what a step changes, and going back
    // and forth between the states before and after a step.
    void NoteMarkChange(std::int16_t folder, std::int32_t position);
    void BeginChanges(StoreChanges* log);
    void EndChanges();
    void RevertChanges(const StoreChanges& log);
    void ApplyChanges(const StoreChanges& log);

    // Plays an event sound through the services (no sound when none are set).
    void PlaySound(SoundEvent event) const;
    void RefreshList() const;

private:
    void MakeStandardFolders();
    void RepairFolderTable();
    void CopyDamagedFiles();
    void ClearFolder(std::int16_t id, bool force);
    void KillFolderNoSave(std::int16_t id, bool force);
    bool StageRecords(DataCommit& commit, std::string* error);
    void BeforeChange();
    void NoteFolderChange(std::int16_t id);

    StoreServices m_services;
    clsMemo m_memo;
    sys::DirectoryLock m_lock;
    std::vector<FolderRecord> m_folders;  // index 0 unused
    std::deque<clsBookmark> m_collection; // index 0 unused; a deque keeps references stable
    std::int16_t m_highestFolderId = 0;
    std::int32_t m_freeSlotHint = 1; // no free slot below it
    std::int32_t m_keyCounter = 0;
    bool m_newDatabase = false;
    bool m_bookmarksFileExisted = false;
    bool m_foldersStaged = false;
    bool m_purged = false;
    bool m_damaged = false;
    std::vector<std::string> m_warnings;
    std::string m_damagedCopy;
    std::string m_lastError;
    std::string m_stagedFolders;

    CommandHistory m_history{*this};
    StoreChanges* m_log = nullptr;
    bool m_loading = false;
    std::vector<std::uint8_t> m_logFolders;
    std::unordered_map<std::int16_t, std::size_t> m_logMarks;
    std::vector<std::vector<std::uint8_t>> m_logMarkPositions;
};

} // namespace vireo
