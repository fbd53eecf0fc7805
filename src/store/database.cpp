// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/database.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/mapped_file.h"
#include "store/byte_io.h"
#include "store/data_dir.h"
#include "store/text_codec.h"
#include "store/trash_origin.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBookmarksSignature = "ORNBOOKMARKS";
// FOLDERS holds at most 32767 records; anything bigger is not a folder file.
constexpr std::uint64_t kMaxFoldersFileSize = 4 + FolderRecord::kSize * (kMaxFolderSlots + 1) + 4096;

struct StandardFolder {
    const char* name;
    std::int16_t parent;
    FolderKind kind;
};
constexpr StandardFolder kStandardFolders[] = {
    {"My Bookmarks", 0, FolderKind::Standard},
    {"Unsorted Bookmarks", 1, FolderKind::Standard},
    {"Search Results", 1, FolderKind::Standard},
    {"My Homepage", 1, FolderKind::HomePage},
    {"Trash", 1, FolderKind::Trash},
};

std::string DateStamp() {
    sys::CivilTime t = OleToCivil(OleNow());
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d-%02d-%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

} // namespace

Database::Database(StoreServices services) : m_services(services) {}

Database::~Database() = default;

bool Database::Open(const std::string& dirIn, std::string* error, bool* busy) {
    Close();
    if (busy)
        *busy = false;
    std::string dir = dirIn;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) {
        if (error)
            *error = "The data folder \"" + dir + "\" cannot be created" + (ec ? ": " + ec.message() : ".");
        return false;
    }
    bool inUse = false;
    std::string lockError;
    if (!m_lock.Acquire(dir, kLockFile, &inUse, &lockError)) {
        if (busy)
            *busy = inUse;
        if (error)
            *error = inUse ? "The data folder \"" + dir + "\" is in use by another running copy of Vireo."
                           : "The data folder \"" + dir + "\" cannot be locked: " + lockError;
        return false;
    }
    m_memo.DBPath = dir;
    m_loading = true;
    bool loaded = m_memo.Initialize(error) && LoadFolders(error) && LoadBookmarks(error);
    m_loading = false;
    if (!loaded) {
        Close();
        return false;
    }
    m_memo.SetChangeHooks([this] { BeforeChange(); }, [this] { m_history.Clear(); });
    m_memo.SetCommitPartner(
        [this](DataCommit& commit, std::string* err) { return StageRecords(commit, err); });
    if (m_damaged)
        CopyDamagedFiles();
    return true;
}

void Database::Close() {
    m_history.Clear();
    m_memo.SetChangeHooks({}, {});
    m_memo.SetCommitPartner({});
    m_memo.ShutDown();
    m_folders.clear();
    m_collection.clear();
    m_highestFolderId = 0;
    m_freeSlotHint = 1;
    m_keyCounter = 0;
    m_newDatabase = false;
    m_bookmarksFileExisted = false;
    m_foldersStaged = false;
    m_damaged = false;
    m_warnings.clear();
    m_damagedCopy.clear();
    copyBuffer = BookmarkRecord{};
    m_lock.Release();
}

std::int32_t Database::NewKey() {
    BeforeChange();
    return ++m_keyCounter;
}

void Database::RaiseKeyCounter(std::int32_t seen) {
    m_keyCounter = std::max(m_keyCounter, seen);
}

std::string Database::FolderName(std::int16_t id) const {
    return IsSlot(id) ? Folder(id).Name.Text() : std::string();
}

void Database::PlaySound(SoundEvent event) const {
    if (m_services.sounds)
        m_services.sounds->PlayEventSound(event);
}

void Database::RefreshList() const {
    if (m_services.list)
        m_services.list->FillBookmarkList();
}

// ---- loading ---------------------------------------------------------------------------

void Database::MakeStandardFolders() {
    m_folders.assign(6, FolderRecord{});
    m_collection.clear();
    m_collection.emplace_back(*this, 0);
    for (std::int16_t i = 1; i <= 5; ++i) {
        FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        f.ID = i;
        f.Name.Set(kStandardFolders[i - 1].name);
        f.Parent = kStandardFolders[i - 1].parent;
        f.FolderType = static_cast<std::int16_t>(kStandardFolders[i - 1].kind);
        m_collection.emplace_back(*this, i);
    }
    m_highestFolderId = 5;
}

bool Database::LoadFolders(std::string* error) {
    m_freeSlotHint = 1;
    fs::path path = fs::path(DBPath()) / std::string(kFoldersFile);
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        m_newDatabase = true;
        MakeStandardFolders();
        return true;
    }
    m_newDatabase = false;
    sys::MappedFile file;
    std::string readError;
    if (!file.Open(path.string(), &readError, kMaxFoldersFileSize, true)) {
        if (error)
            *error =
                "The folder file of your bookmarks cannot be read, so Vireo cannot open this database. " +
                readError;
        return false;
    }
    ByteReader r(file.View());
    std::int32_t n = r.I32();
    std::size_t fits = r.Remaining() / FolderRecord::kSize;
    if (r.Short() || n < 1 || n > kMaxFolderSlots || fits == 0) {
        if (error)
            *error = "The folder file \"" + path.string() +
                     "\" is damaged and cannot be read, so Vireo cannot open this database. It has not been "
                     "changed.";
        return false;
    }
    if (static_cast<std::size_t>(n) > fits) {
        m_warnings.push_back("The folder file was cut short: " + std::to_string(fits) + " of " +
                             std::to_string(n) + " folders could be read.");
        m_damaged = true;
        n = static_cast<std::int32_t>(fits);
    }
    m_folders.assign(static_cast<std::size_t>(n) + 1, FolderRecord{});
    m_highestFolderId = 0;
    for (std::int32_t i = 1; i <= n; ++i) {
        m_folders[static_cast<std::size_t>(i)] = FolderRecord::Read(r);
        m_highestFolderId = std::max(m_highestFolderId, m_folders[static_cast<std::size_t>(i)].ID);
    }
    RepairFolderTable();
    m_collection.clear();
    m_collection.emplace_back(*this, 0);
    for (std::int32_t i = 1; i <= FolderSlots(); ++i)
        m_collection.emplace_back(*this, static_cast<std::int16_t>(i));
    return true;
}

void Database::RepairFolderTable() {
    auto warn = [this](const std::string& text) {
        m_warnings.push_back(text);
        m_damaged = true;
    };
    if (FolderSlots() < 5)
        m_folders.resize(6);
    for (std::int32_t i = 1; i <= FolderSlots(); ++i) {
        FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        if (f.ID != 0 && f.ID != i) {
            warn("Folder slot " + std::to_string(i) + " carried the number " + std::to_string(f.ID) +
                 "; it was renumbered.");
            f.ID = static_cast<std::int16_t>(i);
        }
    }
    for (std::int16_t i = 1; i <= 5; ++i) {
        FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        if (f.ID == 0) {
            warn("The standard folder \"" + std::string(kStandardFolders[i - 1].name) +
                 "\" was missing; it was restored.");
            f = FolderRecord{};
            f.ID = i;
            f.Name.Set(kStandardFolders[i - 1].name);
            f.Parent = kStandardFolders[i - 1].parent;
            f.FolderType = static_cast<std::int16_t>(kStandardFolders[i - 1].kind);
        }
    }
    if (m_folders[1].Parent != 0) {
        warn("The root folder had a parent; it was made the root again.");
        m_folders[1].Parent = 0;
    }
    // Every live folder's parent chain must end at the root. Chains that point at free
    // slots or run in a circle are cut, and the folder is placed under the root.
    enum : std::uint8_t { kUnknown, kVisiting, kGood };
    std::vector<std::uint8_t> state(m_folders.size(), kUnknown);
    state[1] = kGood;
    std::vector<std::int32_t> path;
    for (std::int32_t start = 2; start <= FolderSlots(); ++start) {
        if (m_folders[static_cast<std::size_t>(start)].ID == 0 ||
            state[static_cast<std::size_t>(start)] != kUnknown)
            continue;
        path.clear();
        std::int32_t cur = start;
        while (true) {
            path.push_back(cur);
            state[static_cast<std::size_t>(cur)] = kVisiting;
            std::int32_t parent = m_folders[static_cast<std::size_t>(cur)].Parent;
            bool live = IsLiveFolder(parent);
            if (live && state[static_cast<std::size_t>(parent)] == kGood)
                break;
            if (!live || state[static_cast<std::size_t>(parent)] == kVisiting) {
                FolderRecord& broken = m_folders[static_cast<std::size_t>(cur)];
                warn("The folder \"" + broken.Name.Text() + "\" had no valid parent; it was placed under \"" +
                     m_folders[1].Name.Text() + "\".");
                broken.Parent = kRootFolder;
                break;
            }
            cur = parent;
        }
        for (std::int32_t id : path)
            state[static_cast<std::size_t>(id)] = kGood;
    }
}

bool Database::LoadBookmarks(std::string* error) {
    fs::path path = fs::path(DBPath()) / std::string(kBookmarksFile);
    std::error_code ec;
    m_bookmarksFileExisted = fs::exists(path, ec);
    if (m_newDatabase) {
        MakeDefaultMarks();
        return true;
    }
    if (!m_bookmarksFileExisted)
        return true;
    sys::MappedFile file;
    std::string readError;
    if (!file.Open(path.string(), &readError, UINT64_C(0x7FFFFFFF), true)) {
        if (error)
            *error =
                "The bookmark file of this database cannot be read, so Vireo cannot open it. " + readError;
        return false;
    }
    ByteReader r(file.View());
    std::string_view signature = r.View(kBookmarksSignature.size());
    std::int32_t blocks = r.I32();
    bool sound = signature == kBookmarksSignature && !r.Short();
    for (std::int32_t i = 1; i <= FolderSlots(); ++i) {
        if (!Marks(static_cast<std::int16_t>(i)).SuckItUp(r) && !(r.AtEnd() && i > blocks))
            sound = false;
    }
    if (!sound || blocks != FolderSlots()) {
        m_warnings.push_back("The bookmark file was damaged; every bookmark that could be read was kept.");
        m_damaged = true;
    }
    return true;
}

void Database::CopyDamagedFiles() {
    fs::path dir = fs::path(DBPath()) / ("Damaged files " + DateStamp());
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec)
        return;
    for (auto name : {kFoldersFile, kBookmarksFile, kMemoIndexFile, kMemoDataFile}) {
        fs::path from = fs::path(DBPath()) / std::string(name);
        if (fs::exists(from, ec))
            fs::copy_file(from, dir / std::string(name), fs::copy_options::overwrite_existing, ec);
    }
    m_damagedCopy = dir.string();
}

// ---- saving ----------------------------------------------------------------------------

bool Database::StageRecords(DataCommit& commit, std::string* error) {
    if (!m_foldersStaged)
        SaveFolders(nullptr);
    std::string bookmarks;
    std::size_t records = 0;
    for (std::int32_t i = 1; i <= FolderSlots(); ++i)
        records += static_cast<std::size_t>(Marks(static_cast<std::int16_t>(i)).Total());
    bookmarks.reserve(16 + 4 * static_cast<std::size_t>(FolderSlots()) + records * BookmarkRecord::kSize);
    ByteWriter w(bookmarks);
    w.Bytes(kBookmarksSignature);
    w.I32(FolderSlots());
    for (std::int32_t i = 1; i <= FolderSlots(); ++i)
        Marks(static_cast<std::int16_t>(i)).Serialize(w);
    bool ok = commit.StageFile(kFoldersFile, m_stagedFolders, error) &&
              commit.StageFile(kBookmarksFile, bookmarks, error);
    m_foldersStaged = false;
    m_stagedFolders.clear();
    return ok;
}

bool Database::SaveFolders(std::string*) {
    m_stagedFolders.clear();
    m_stagedFolders.reserve(4 + FolderRecord::kSize * static_cast<std::size_t>(FolderSlots()));
    ByteWriter w(m_stagedFolders);
    w.I32(FolderSlots());
    for (std::int32_t i = 1; i <= FolderSlots(); ++i)
        m_folders[static_cast<std::size_t>(i)].Write(w);
    m_foldersStaged = true;
    return true;
}

bool Database::SaveBookmarks(std::string* error) {
    std::string err;
    bool ok = false;
    if (m_purged || !IsOpen()) {
        err = "The database is not open.";
    } else {
        DataCommit commit(DBPath());
        ok = StageRecords(commit, &err) && m_memo.StageCommit(commit, &err) && commit.Commit(&err);
        if (ok)
            m_memo.CommitDone();
    }
    m_lastError = ok ? std::string() : "Your bookmarks could not be saved. " + err;
    if (!ok && error)
        *error = m_lastError;
    return ok;
}

bool Database::Save(std::string* error) {
    if (m_purged || !IsOpen()) {
        m_lastError = "Your bookmarks could not be saved. The database is not open.";
        if (error)
            *error = m_lastError;
        return false;
    }
    return SaveFolders(error) && SaveBookmarks(error);
}

// ---- folders ---------------------------------------------------------------------------

std::int16_t Database::AddFolder(std::string_view name, std::int16_t parent, FolderKind kind) {
    // Every slot below the hint is in use, so big imports do not rescan the whole table
    // for each new folder.
    std::int32_t slot = 0;
    for (std::int32_t i = std::max<std::int32_t>(1, m_freeSlotHint); i <= FolderSlots(); ++i) {
        if (m_folders[static_cast<std::size_t>(i)].ID == 0) {
            slot = i;
            break;
        }
    }
    if (slot == 0) {
        if (FolderSlots() >= kMaxFolderSlots)
            return 0;
        BeforeChange();
        m_folders.emplace_back();
        slot = FolderSlots();
        m_collection.emplace_back(*this, static_cast<std::int16_t>(slot));
        m_highestFolderId = static_cast<std::int16_t>(slot);
    }
    m_freeSlotHint = slot + 1;
    const auto id = static_cast<std::int16_t>(slot);
    FolderRecord& f = Folder(id);
    // A reused slot starts afresh: a former search folder's query must not make the new
    // folder look like one.
    f = FolderRecord{};
    f.ID = id;
    std::string trimmed(text::TrimSpaces(text::CutToBytes(name, 128)));
    f.Name.Set(trimmed);
    f.Parent = parent;
    f.FolderType = static_cast<std::int16_t>(kind);
    f.Created = OleNow();
    Marks(id).SetParent(id);
    if (m_services.tree)
        m_services.tree->AddNode(FolderNodeKey(parent), FolderNodeKey(id), f.Name.Text(),
                                 FolderImage(id, kind));
    return id;
}

void Database::ClearFolder(std::int16_t id, bool force) {
    Marks(id).EmptyAll(force);
    FolderRecord& f = Folder(id);
    m_memo.KillMemo(f.Description);
    f.ID = 0;
    m_freeSlotHint = std::min<std::int32_t>(m_freeSlotHint, id);
    f.Name.Set("");
    f.Parent = 0;
    f.FolderType = 0;
    f.Description = 0;
}

std::vector<std::vector<std::int16_t>> Database::ChildLists() const {
    std::vector<std::vector<std::int16_t>> children(m_folders.size());
    for (std::int32_t i = 1; i <= FolderSlots(); ++i) {
        const FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        if (f.ID != 0 && IsSlot(f.Parent) && f.Parent != i)
            children[static_cast<std::size_t>(f.Parent)].push_back(static_cast<std::int16_t>(i));
    }
    return children;
}

void Database::ZapFolder(std::int16_t id, bool force) {
    if (!IsSlot(id))
        return;
    auto children = ChildLists();
    // Depth first, each folder before its own subfolders, the folder itself last.
    std::vector<std::int16_t> stack(children[static_cast<std::size_t>(id)].rbegin(),
                                    children[static_cast<std::size_t>(id)].rend());
    std::vector<std::uint8_t> seen(m_folders.size(), 0);
    seen[static_cast<std::size_t>(id)] = 1;
    while (!stack.empty()) {
        std::int16_t child = stack.back();
        stack.pop_back();
        if (seen[static_cast<std::size_t>(child)])
            continue;
        seen[static_cast<std::size_t>(child)] = 1;
        ClearFolder(child, force);
        const auto& grand = children[static_cast<std::size_t>(child)];
        stack.insert(stack.end(), grand.rbegin(), grand.rend());
    }
    ClearFolder(id, force);
}

void Database::KillFolderNoSave(std::int16_t id, bool force) {
    BusyGuard busy(m_services.busy);
    if (!IsLiveFolder(id))
        return;
    if (id <= kTrashFolder) {
        PlaySound(SoundEvent::RejectBookmark);
        return;
    }
    bool immediately = m_services.options && m_services.options->DeleteBmksImmediately();
    if (!immediately && !force && !InTrash(id)) {
        if (m_services.tree)
            m_services.tree->MoveNode(FolderNodeKey(id), FolderNodeKey(kTrashFolder));
        FolderRecord& f = Folder(id);
        MarkFolderOrigin(*this, f, f.Parent);
        f.Parent = kTrashFolder;
    } else {
        if (m_services.tree)
            m_services.tree->RemoveNode(FolderNodeKey(id));
        ZapFolder(id, true);
    }
}

bool Database::KillFolder(std::int16_t id, bool force) {
    if (!IsLiveFolder(id))
        return true;
    KillFolderNoSave(id, force);
    if (id <= kTrashFolder)
        return true; // refused: nothing changed
    BusyGuard busy(m_services.busy);
    return Save();
}

bool Database::EmptyFolder(std::int16_t id, bool force) {
    if (!IsLiveFolder(id))
        return true;
    PlaySound(SoundEvent::EmptyFolder);
    BusyGuard busy(m_services.busy);
    Marks(id).EmptyAll(force);
    std::vector<std::int16_t> children = ChildLists()[static_cast<std::size_t>(id)];
    for (std::int16_t child : children)
        KillFolderNoSave(child, force);
    bool ok = Save();
    RefreshList();
    return ok;
}

std::string Database::FolderPath(std::int16_t id) const {
    if (id < 1 || !IsSlot(id))
        return {};
    std::string path = Folder(id).Name.Text();
    std::int32_t cur = id;
    for (std::int32_t steps = 0; cur != kRootFolder && steps < FolderSlots(); ++steps) {
        std::int32_t parent = Folder(static_cast<std::int16_t>(cur)).Parent;
        if (!IsSlot(parent))
            break;
        path = Folder(static_cast<std::int16_t>(parent)).Name.Text() + "\\" + path;
        cur = parent;
    }
    return path;
}

bool Database::HasSubFolders(std::int16_t id) const {
    std::int32_t start = 0;
    return NextSubFolder(id, start) != 0;
}

std::int16_t Database::CountSubFolders(std::int16_t id) const {
    std::int16_t n = 0;
    for (std::int32_t i = 1; i <= FolderSlots(); ++i) {
        const FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        if (f.ID != 0 && f.Parent == id)
            ++n;
    }
    return n;
}

std::int16_t Database::NextSubFolder(std::int16_t parent, std::int32_t& start) const {
    if (start < 1)
        start = 1;
    for (std::int32_t i = start; i <= FolderSlots(); ++i) {
        const FolderRecord& f = m_folders[static_cast<std::size_t>(i)];
        if (f.ID != 0 && f.Parent == parent) {
            start = i + 1;
            return f.ID;
        }
    }
    start = FolderSlots() + 1;
    return 0;
}

bool Database::FolderHasMarks(std::int16_t id) const {
    return IsSlot(id) && Marks(id).Count() > 0;
}

std::int32_t Database::NextMarkKey(std::int16_t id, std::int32_t& start) const {
    if (!IsSlot(id))
        return 0;
    const clsBookmark& marks = Marks(id);
    if (start < 1)
        start = 1;
    for (std::int32_t pos = start; pos <= marks.Total(); ++pos) {
        if (std::int32_t k = marks.key(pos)) {
            start = pos + 1;
            return k;
        }
    }
    start = marks.Total() + 1;
    return 0;
}

bool Database::InTrash(std::int16_t id) const {
    return IsSlot(id) && IsWithin(Folder(id).Parent, kTrashFolder);
}

bool Database::IsWithin(std::int16_t folder, std::int16_t ancestor) const {
    std::int32_t cur = folder;
    for (std::int32_t steps = 0; steps <= FolderSlots() + 1 && IsSlot(cur); ++steps) {
        if (cur == ancestor)
            return true;
        if (cur == kRootFolder)
            return false;
        cur = Folder(static_cast<std::int16_t>(cur)).Parent;
    }
    return false;
}

BookmarkRecord Database::NewMark(std::string_view name, std::string_view url, std::int16_t parent,
                                 std::string_view description, std::int16_t flags) {
    BookmarkRecord r;
    r.Name = name.empty() ? 0 : m_memo.Add(name);
    r.url = url.empty() ? 0 : m_memo.Add(text::EncodeLineBreaks(url));
    r.Description = description.empty() ? 0 : m_memo.Add(description);
    r.Parent = parent;
    r.Flags = flags;
    OleDate now = OleNow();
    r.added = now;
    r.Checked = now;
    r.Touched = now;
    return r;
}

void Database::FillTree(FolderTreeView& tree) const {
    tree.ClearNodes();
    // The nodes are added in the order of repeated passes over the slots: a folder is
    // placed in the first pass in which its parent is already placed. That pass number
    // follows from the parent's: the same pass when the parent's slot comes first.
    std::vector<std::int32_t> pass(m_folders.size(), 0);
    std::vector<std::pair<std::int32_t, std::int16_t>> order;
    order.reserve(m_folders.size());
    auto passOf = [&](std::int32_t id) {
        std::vector<std::int32_t> chain;
        std::int32_t cur = id;
        while (pass[static_cast<std::size_t>(cur)] == 0 && cur != kRootFolder) {
            chain.push_back(cur);
            cur = Folder(static_cast<std::int16_t>(cur)).Parent;
        }
        if (pass[static_cast<std::size_t>(kRootFolder)] == 0)
            pass[static_cast<std::size_t>(kRootFolder)] = 1;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            std::int32_t parent = Folder(static_cast<std::int16_t>(*it)).Parent;
            pass[static_cast<std::size_t>(*it)] =
                pass[static_cast<std::size_t>(parent)] + (parent > *it ? 1 : 0);
        }
        return pass[static_cast<std::size_t>(id)];
    };
    for (std::int32_t i = 1; i <= FolderSlots(); ++i) {
        if (m_folders[static_cast<std::size_t>(i)].ID != 0)
            order.emplace_back(passOf(i), static_cast<std::int16_t>(i));
    }
    std::sort(order.begin(), order.end());
    for (const auto& [p, id] : order) {
        const FolderRecord& f = Folder(id);
        std::string parentKey = id == kRootFolder ? std::string() : FolderNodeKey(f.Parent);
        tree.AddNode(parentKey, FolderNodeKey(id), f.Name.Text(), FolderImage(id, FolderKindOf(f)));
    }
    tree.ExpandNode(FolderNodeKey(kRootFolder));
    tree.SelectNode(FolderNodeKey(kRootFolder));
}

bool Database::Purge(std::string* error) {
    m_history.Clear();
    std::string dir = DBPath();
    m_memo.ShutDown();
    for (auto name : {kFoldersFile, kBookmarksFile, kMemoIndexFile, kMemoDataFile}) {
        std::error_code ec;
        fs::remove(fs::path(dir) / std::string(name), ec);
    }
    m_purged = true;
    m_folders.clear();
    m_collection.clear();
    if (error)
        error->clear();
    return true;
}

// ---- the command history ---------------------------------------------------------------

void Database::BeforeChange() {
    if (!m_log && !m_loading && m_history.Enabled() && IsOpen())
        m_history.BeginUnnamed();
}

void Database::NoteFolderChange(std::int16_t id) {
    BeforeChange();
    if (!m_log || id < 1 || id > m_log->slotsBefore)
        return;
    std::size_t k = static_cast<std::size_t>(id);
    if (m_logFolders.size() <= k)
        m_logFolders.resize(static_cast<std::size_t>(m_log->slotsBefore) + 1, 0);
    if (m_logFolders[k])
        return;
    m_logFolders[k] = 1;
    m_log->touchedFolders.push_back(id);
    m_log->foldersBefore.push_back(m_folders[k]);
}

void Database::NoteMarkChange(std::int16_t folder, std::int32_t position) {
    BeforeChange();
    if (!m_log || !IsSlot(folder))
        return;
    auto [it, inserted] = m_logMarks.try_emplace(folder, m_log->marks.size());
    if (inserted) {
        MarkChanges m;
        m.folder = folder;
        m.totalBefore = Marks(folder).Total();
        m_log->marks.push_back(std::move(m));
        m_logMarkPositions.emplace_back();
    }
    MarkChanges& m = m_log->marks[it->second];
    if (position < 1 || position > m.totalBefore)
        return;
    std::vector<std::uint8_t>& seen = m_logMarkPositions[it->second];
    if (seen.empty())
        seen.resize(static_cast<std::size_t>(m.totalBefore), 0);
    if (seen[static_cast<std::size_t>(position - 1)])
        return;
    seen[static_cast<std::size_t>(position - 1)] = 1;
    m.touched.push_back(position);
    m.before.push_back(std::as_const(Marks(folder)).At(position));
}

void Database::BeginChanges(StoreChanges* log) {
    m_log = log;
    m_logFolders.clear();
    m_logMarks.clear();
    m_logMarkPositions.clear();
    if (!log)
        return;
    log->slotsBefore = FolderSlots();
    log->keyBefore = m_keyCounter;
    log->highestBefore = m_highestFolderId;
    m_memo.BeginChanges(&log->memo);
}

void Database::EndChanges() {
    StoreChanges* log = m_log;
    if (!log)
        return;
    m_log = nullptr;
    m_memo.EndChanges();
    log->slotsAfter = FolderSlots();
    log->keyAfter = m_keyCounter;
    log->highestAfter = m_highestFolderId;
    // Only what really differs is kept: commands read records through the writable
    // accessors too.
    std::size_t keep = 0;
    for (std::size_t i = 0; i < log->touchedFolders.size(); ++i) {
        const FolderRecord& now = m_folders[static_cast<std::size_t>(log->touchedFolders[i])];
        if (now == log->foldersBefore[i])
            continue;
        log->touchedFolders[keep] = log->touchedFolders[i];
        log->foldersBefore[keep] = log->foldersBefore[i];
        log->foldersAfter.push_back(now);
        ++keep;
    }
    log->touchedFolders.resize(keep);
    log->foldersBefore.resize(keep);
    for (std::int32_t slot = log->slotsBefore + 1; slot <= log->slotsAfter; ++slot)
        log->addedFolders.push_back(m_folders[static_cast<std::size_t>(slot)]);
    std::vector<MarkChanges> marks;
    for (MarkChanges& m : log->marks) {
        const clsBookmark& c = std::as_const(*this).Marks(m.folder);
        m.totalAfter = c.Total();
        std::size_t kept = 0;
        for (std::size_t i = 0; i < m.touched.size(); ++i) {
            std::int32_t pos = m.touched[i];
            BookmarkRecord now = pos <= m.totalAfter ? c.At(pos) : BookmarkRecord{};
            if (pos <= m.totalAfter && now == m.before[i])
                continue;
            m.touched[kept] = pos;
            m.before[kept] = m.before[i];
            m.after.push_back(now);
            ++kept;
        }
        m.touched.resize(kept);
        m.before.resize(kept);
        for (std::int32_t pos = m.totalBefore + 1; pos <= m.totalAfter; ++pos)
            m.added.push_back(c.At(pos));
        if (!m.touched.empty() || m.totalBefore != m.totalAfter)
            marks.push_back(std::move(m));
    }
    log->marks = std::move(marks);
    m_logFolders.clear();
    m_logMarks.clear();
    m_logMarkPositions.clear();
}

void Database::RevertChanges(const StoreChanges& log) {
    m_memo.RevertChanges(log.memo);
    for (auto it = log.marks.rbegin(); it != log.marks.rend(); ++it) {
        if (IsSlot(it->folder))
            Marks(it->folder).Restore(it->totalBefore, it->touched, it->before);
    }
    for (std::size_t i = 0; i < log.touchedFolders.size(); ++i)
        m_folders[static_cast<std::size_t>(log.touchedFolders[i])] = log.foldersBefore[i];
    while (FolderSlots() > log.slotsBefore) {
        m_folders.pop_back();
        m_collection.pop_back();
    }
    m_keyCounter = log.keyBefore;
    m_highestFolderId = log.highestBefore;
    m_freeSlotHint = 1;
}

void Database::ApplyChanges(const StoreChanges& log) {
    m_memo.ApplyChanges(log.memo);
    for (std::size_t i = 0; i < log.addedFolders.size(); ++i) {
        m_folders.push_back(log.addedFolders[i]);
        m_collection.emplace_back(*this, static_cast<std::int16_t>(FolderSlots()));
    }
    for (std::size_t i = 0; i < log.touchedFolders.size(); ++i)
        m_folders[static_cast<std::size_t>(log.touchedFolders[i])] = log.foldersAfter[i];
    for (const MarkChanges& m : log.marks) {
        if (IsSlot(m.folder))
            Marks(m.folder).Reapply(m.totalBefore, m.totalAfter, m.touched, m.after, m.added);
    }
    m_keyCounter = log.keyAfter;
    m_highestFolderId = log.highestAfter;
    m_freeSlotHint = 1;
}

} // namespace vireo
