// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the store needs from the program around it. The core declares these; the
// application implements them on its windows, and tests record what was asked.

#include <array>
#include <string_view>

namespace vireo {

// A tree view of the folder table: nodes keyed "x" + folder ID.
class FolderTreeView {
public:
    virtual ~FolderTreeView() = default;
    virtual void ClearNodes() = 0;
    // Adds a node; an empty parent key makes it a top-level node.
    virtual void AddNode(std::string_view parentKey, std::string_view key, std::string_view text,
                         int image) = 0;
    // Moves a node (with its children) under another node.
    virtual void MoveNode(std::string_view key, std::string_view newParentKey) = 0;
    virtual void RemoveNode(std::string_view key) = 0;
    virtual void SetNodeText(std::string_view key, std::string_view text) = 0;
    virtual void ExpandNode(std::string_view key) = 0;
    virtual void SelectNode(std::string_view key) = 0;
};

// The seven event sounds.
enum class SoundEvent : int {
    DropBookmark = 1,
    RejectBookmark = 2,
    SearchStart = 3,
    SearchComplete = 4,
    EmptyFolder = 5,
    Import = 6,
    Startup = 7,
};

// Every event, in the order of their numbers.
inline constexpr std::array<SoundEvent, 7> kSoundEvents = {
    SoundEvent::DropBookmark, SoundEvent::RejectBookmark, SoundEvent::SearchStart, SoundEvent::SearchComplete,
    SoundEvent::EmptyFolder,  SoundEvent::Import,         SoundEvent::Startup,
};

class EventSoundPlayer {
public:
    virtual ~EventSoundPlayer() = default;
    virtual void PlayEventSound(SoundEvent event) = 0;
};

// The busy pointer shown during long operations.
class BusyIndicator {
public:
    virtual ~BusyIndicator() = default;
    virtual void BeginBusy() = 0;
    virtual void EndBusy() = 0;
};

// The main window's bookmark list, refilled after the selected folder changed.
class BookmarkListView {
public:
    virtual ~BookmarkListView() = default;
    virtual void FillBookmarkList() = 0;
};

// The options the store reads at the moment it acts.
class StoreOptions {
public:
    virtual ~StoreOptions() = default;
    // True when deleting removes at once instead of moving to the trash.
    virtual bool DeleteBmksImmediately() const = 0;
};

struct StoreServices {
    FolderTreeView* tree = nullptr; // the main window's tree, which AddFolder and KillFolder change
    EventSoundPlayer* sounds = nullptr;
    BusyIndicator* busy = nullptr;
    BookmarkListView* list = nullptr;
    const StoreOptions* options = nullptr;
};

// Shows the busy pointer for the lifetime of the object.
class BusyGuard {
public:
    explicit BusyGuard(BusyIndicator* busy) : m_busy(busy) {
        if (m_busy)
            m_busy->BeginBusy();
    }
    ~BusyGuard() {
        if (m_busy)
            m_busy->EndBusy();
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    BusyIndicator* m_busy;
};

} // namespace vireo
