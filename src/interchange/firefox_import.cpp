// SPDX-License-Identifier: GPL-3.0-or-later
// Firefox keeps its bookmarks in places.sqlite, which the running browser holds open and
// writes through a write-ahead log. We never touch that file with SQLite: we copy it and
// its log into a private folder and read the copy.
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "interchange/browser_import.h"
#include "interchange/browser_tree.h"
#include "interchange/html_text.h"
#include "platform/paths.h"
#include "store/database.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// A folder of our own for the copy, removed with everything in it at the end.
class PrivateDir {
public:
    PrivateDir() {
        std::string pattern = sys::TempDir() + "/vireo-places-XXXXXX";
        if (::mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~PrivateDir() {
        if (!m_path.empty()) {
            std::error_code ec;
            fs::remove_all(m_path, ec);
        }
    }
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;
    fs::file_time_type time{};
    bool operator==(const FileStamp&) const = default;
};

FileStamp Stamp(const fs::path& p) {
    FileStamp s;
    std::error_code ec;
    s.size = fs::file_size(p, ec);
    if (ec)
        return {};
    s.time = fs::last_write_time(p, ec);
    s.exists = !ec;
    return s;
}

// The database with its log and any rollback journal, copied while neither changed, so
// that the copy is one state of the browser's store and not a mix of two.
bool CopyStore(const fs::path& places, const fs::path& dir, std::string& error) {
    const std::string companions[] = {"-wal", "-journal"};
    for (int attempt = 0; attempt < 5; ++attempt) {
        FileStamp before[3] = {Stamp(places), Stamp(places.string() + companions[0]),
                               Stamp(places.string() + companions[1])};
        std::error_code ec;
        fs::copy_file(places, dir / "places.sqlite", fs::copy_options::overwrite_existing, ec);
        if (ec) {
            error = "The bookmark database \"" + places.string() + "\" cannot be read: " + ec.message() + ".";
            return false;
        }
        for (int i = 0; i < 2; ++i) {
            fs::path from = places.string() + companions[i];
            fs::path to = dir / ("places.sqlite" + companions[i]);
            fs::remove(to, ec);
            if (before[i + 1].exists) {
                fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
                // A log that went away meanwhile was folded into the database: copy again.
                if (ec)
                    before[i + 1] = {};
            }
        }
        FileStamp after[3] = {Stamp(places), Stamp(places.string() + companions[0]),
                              Stamp(places.string() + companions[1])};
        if (std::equal(std::begin(before), std::end(before), std::begin(after)))
            return true;
    }
    error = "The browser kept changing its bookmarks while they were being read. Nothing was imported; "
            "please try again in a moment.";
    return false;
}

class Sqlite {
public:
    ~Sqlite() {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        if (m_db)
            sqlite3_close(m_db);
    }
    bool Open(const std::string& file) {
        // The copy is ours alone, so it is opened for writing: SQLite must be free to roll
        // back a transaction the browser left half-done in the journal, or to rebuild the
        // index of the log. Our own statements only read (query_only).
        int rc = sqlite3_open_v2(file.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        return rc == SQLITE_OK && Exec("PRAGMA query_only = ON");
    }
    bool Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    bool Prepare(const char* sql) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        return sqlite3_prepare_v2(m_db, sql, -1, &m_stmt, nullptr) == SQLITE_OK;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return sqlite3_step(m_stmt); }
    std::int64_t Int(int col) const { return sqlite3_column_int64(m_stmt, col); }
    bool IsNull(int col) const { return sqlite3_column_type(m_stmt, col) == SQLITE_NULL; }
    std::string Text(int col) const {
        const unsigned char* t = sqlite3_column_text(m_stmt, col);
        return t ? std::string(reinterpret_cast<const char*>(t),
                               static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, col)))
                 : std::string();
    }
    std::string Error() const { return m_db ? sqlite3_errmsg(m_db) : "out of memory"; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

struct Row {
    std::int64_t id = 0;
    std::int64_t type = 0;
    std::int64_t parent = 0;
    std::int64_t position = 0;
    std::string title;
    std::int64_t added = 0;
    std::int64_t modified = 0;
    std::string guid;
    std::string url;
    bool hasUrl = false;
};

constexpr std::int64_t kTypeBookmark = 1;
constexpr std::int64_t kTypeFolder = 2;

std::int64_t MicrosToSeconds(std::int64_t micros) {
    return browser_import::PlausibleSeconds(micros / 1000000);
}

// Reads the bookmark rows of the copy; false with the reason.
bool ReadRows(Sqlite& sql, std::vector<Row>& rows, const ProgressFn& progress, std::string& error) {
    // A damaged file often opens fine and fails only at a page deep inside. Every page that
    // holds a bookmark or its address is met below, SQLite reports damage where it meets it,
    // and nothing is filed before the last row is read; so no check of the whole file first.
    // History and the rest, most of a long-used profile, may be damaged without keeping a
    // bookmark out.
    std::uint64_t total = 0;
    if (!sql.Prepare("SELECT count(*) FROM moz_bookmarks") || sql.Step() != SQLITE_ROW) {
        error = sql.Error();
        return false;
    }
    total = static_cast<std::uint64_t>(std::max<std::int64_t>(sql.Int(0), 0));
    if (!sql.Prepare("SELECT b.id, b.type, b.parent, b.position, b.title, b.dateAdded, b.lastModified, "
                     "b.guid, p.url FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk")) {
        error = sql.Error();
        return false;
    }
    rows.reserve(total);
    int rc;
    while ((rc = sql.Step()) == SQLITE_ROW) {
        Row r;
        r.id = sql.Int(0);
        r.type = sql.Int(1);
        r.parent = sql.Int(2);
        r.position = sql.Int(3);
        r.title = sql.Text(4);
        r.added = sql.Int(5);
        r.modified = sql.Int(6);
        r.guid = sql.Text(7);
        r.hasUrl = !sql.IsNull(8);
        r.url = sql.Text(8);
        rows.push_back(std::move(r));
        if (progress && rows.size() % 8192 == 0)
            progress(rows.size(), std::max<std::uint64_t>(total, rows.size()));
    }
    if (rc != SQLITE_DONE) {
        error = sql.Error();
        return false;
    }
    return true;
}

// Builds the tree under the four roots, each folder's entries in the browser's order.
void BuildTree(const std::vector<Row>& rows, browser_import::Tree& tree) {
    std::unordered_map<std::int64_t, std::vector<std::size_t>> children;
    children.reserve(rows.size());
    std::unordered_map<std::string_view, std::size_t> roots;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        children[rows[i].parent].push_back(i);
        if (rows[i].type == kTypeFolder)
            roots.emplace(rows[i].guid, i);
    }
    for (auto& [parent, list] : children) {
        std::sort(list.begin(), list.end(), [&](std::size_t a, std::size_t b) {
            return rows[a].position != rows[b].position ? rows[a].position < rows[b].position
                                                        : rows[a].id < rows[b].id;
        });
    }
    struct RootName {
        std::string_view guid;
        const char* name;
    };
    static constexpr RootName kRoots[] = {{"menu________", "Bookmarks Menu"},
                                          {"toolbar_____", "Bookmarks Toolbar"},
                                          {"unfiled_____", "Other Bookmarks"},
                                          {"mobile______", "Mobile Bookmarks"}};
    std::unordered_set<std::int64_t> seen;
    struct Frame {
        const std::vector<std::size_t>* list;
        std::size_t next;
        std::int32_t node; // the tree folder its entries go into
    };
    for (const RootName& root : kRoots) {
        auto found = roots.find(root.guid);
        if (found == roots.end())
            continue;
        const Row& rootRow = rows[found->second];
        auto kids = children.find(rootRow.id);
        if (kids == children.end() || !seen.insert(rootRow.id).second)
            continue;
        const browser_import::Tree::Mark mark = tree.Here();
        std::vector<Frame> stack{{&kids->second, 0, tree.AddFolder(-1, root.name)}};
        // Written without recursion: a damaged or hostile file may nest very deep.
        while (!stack.empty()) {
            Frame& top = stack.back();
            if (top.next >= top.list->size()) {
                stack.pop_back();
                continue;
            }
            const Row& r = rows[(*top.list)[top.next++]];
            const std::int32_t into = top.node;
            if (r.type == kTypeFolder) {
                if (!seen.insert(r.id).second)
                    continue; // a loop in a damaged file
                std::int32_t node = tree.AddFolder(into, r.title);
                if (auto sub = children.find(r.id); sub != children.end())
                    stack.push_back({&sub->second, 0, node});
            } else if (r.type == kTypeBookmark && r.hasUrl && !r.url.empty() &&
                       !browser_import::IsBrowserInternal(r.url)) {
                browser_import::Node n;
                n.parent = into;
                n.title = r.title;
                n.url = r.url;
                n.added = MicrosToSeconds(r.added);
                n.touched = MicrosToSeconds(r.modified);
                tree.AddBookmark(std::move(n));
            }
        }
        tree.DropIfEmpty(mark);
    }
}

// The backup the browser made last, in the profile of `places`; "" when there is none.
fs::path NewestBackup(const fs::path& places) {
    fs::path newest;
    fs::file_time_type newestTime{};
    std::error_code ec;
    for (fs::directory_iterator it(places.parent_path() / "bookmarkbackups", ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const bool backup = name.size() > 8 && (name.ends_with(".jsonlz4") || name.ends_with(".json"));
        std::error_code timeError;
        const fs::file_time_type t = fs::last_write_time(it->path(), timeError);
        if (backup && !timeError && it->is_regular_file(timeError) && (newest.empty() || t > newestTime)) {
            newest = it->path();
            newestTime = t;
        }
    }
    return newest;
}

bool IsBackupFile(const fs::path& file) {
    const std::string name = file.filename().string();
    if (name.ends_with(".jsonlz4") || name.ends_with(".json"))
        return true;
    char head[8] = {};
    std::ifstream in(file, std::ios::binary);
    in.read(head, sizeof head);
    return browser_import::IsMozLz4(std::string_view(head, static_cast<std::size_t>(in.gcount())));
}

// Reads a backup file into `tree`; false with the message to show.
bool ReadBackupFile(const fs::path& file, browser_import::Tree& tree, std::string& message) {
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(file.string(), bytes, &error)) {
        message = "The bookmark backup \"" + file.string() + "\" cannot be read. " + error;
        return false;
    }
    if (!browser_import::ReadFirefoxBackup(bytes, tree, error)) {
        message =
            "The file \"" + file.string() + "\" cannot be imported: " + error + ". Nothing was imported.";
        return false;
    }
    if (tree.bookmarks == 0) {
        message = "The bookmark backup \"" + file.string() + "\" holds no bookmarks. Nothing was imported.";
        return false;
    }
    return true;
}

ExchangeResult FileBackup(Database& db, const browser_import::Tree& tree,
                          const browser_import::BrowserTexts& texts, const ProgressFn& progress) {
    ExchangeResult result;
    result.title = texts.title;
    browser_import::FileTree(db, tree, texts.Filing(), result);
    if (progress)
        progress(1, 1);
    return result;
}

} // namespace

namespace browser_import {

ExchangeResult ImportFirefoxStore(Database& db, const std::string& source, const BrowserTexts& texts,
                                  const ProgressFn& progress) {
    const std::string& title = texts.title;
    const fs::path places = browser_import::StoreFile(source, "places.sqlite");
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(places, ec))
        return Refusal(title, "There is no " + texts.browser + " bookmark database (places.sqlite) at \"" +
                                  places.string() + "\". Nothing was imported.");
    if (IsBackupFile(places)) {
        Tree tree;
        std::string message;
        if (!ReadBackupFile(places, tree, message))
            return Refusal(title, message);
        return FileBackup(db, tree, texts, progress);
    }
    std::string failure;
    if (fs::file_size(places, ec) == 0 || ec)
        failure = "The " + texts.browser + " bookmark database \"" + places.string() + "\" is empty.";
    PrivateDir dir;
    if (failure.empty() && dir.Path().empty())
        return Refusal(title, "No private copy of the " + texts.browser +
                                  " bookmark database could be made in \"" + sys::TempDir() +
                                  "\". Nothing was imported.");
    std::string error;
    if (failure.empty() && !CopyStore(places, dir.Path(), error))
        return Refusal(title, error);
    std::vector<Row> rows;
    if (failure.empty()) {
        Sqlite sql;
        if (!sql.Open((dir.Path() / "places.sqlite").string()) || !ReadRows(sql, rows, progress, error)) {
            if (error.empty())
                error = sql.Error();
            failure = "The " + texts.browser + " bookmark database \"" + places.string() +
                      "\" cannot be read (" + error + ").";
        }
    }
    Tree tree;
    if (failure.empty()) {
        BuildTree(rows, tree);
        rows = {};
        if (tree.bookmarks == 0)
            failure =
                "The " + texts.browser + " bookmark database \"" + places.string() + "\" holds no bookmarks.";
    }
    if (!failure.empty()) {
        // The browser keeps backups of its bookmarks beside a damaged database: the newest
        // brings back what it held.
        const fs::path backup = NewestBackup(places);
        Tree fromBackup;
        std::string ignored;
        if (backup.empty() || !ReadBackupFile(backup, fromBackup, ignored))
            return Refusal(title, failure + " Nothing was imported.");
        ExchangeResult result = FileBackup(db, fromBackup, texts, progress);
        if (result.ok) {
            result.message = failure + " The bookmarks were taken from the browser's latest backup, \"" +
                             backup.string() + "\"." + (result.message.empty() ? "" : "\n" + result.message);
            result.warning = true;
        }
        return result;
    }
    ExchangeResult result;
    result.title = title;
    browser_import::FileTree(db, tree, texts.Filing(), result);
    if (progress)
        progress(1, 1);
    return result;
}

} // namespace browser_import

ExchangeResult ImportFirefox(Database& db, const std::string& source, const ProgressFn& progress) {
    return browser_import::ImportFirefoxStore(db, source, browser_import::TextsOf("Firefox", kFlagsFirefox),
                                              progress);
}

} // namespace vireo
