// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/interchange/browser_gen.h"

#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "bench/interchange/gen_random.h"
#include "bench/interchange/gen_words.h"
#include "interchange/html_text.h"
#include "interchange/xbel.h"

namespace vireo::bench {

namespace {

// The words of the Netscape generator as plain text, for each writer to escape as its
// format needs; and two that only JSON has to escape or that take four bytes in UTF-8.
std::vector<std::string> PlainWords() {
    std::vector<std::string> words;
    for (const char* w : kHtmlWords)
        words.push_back(html::DecodeEntities(w, true));
    words.insert(words.end(), {"C:\\temp", "\xF0\x9F\x8E\xB5"});
    return words;
}

// Path segments as addresses carry them: ASCII, with the rest percent-encoded.
const char* const kSlugs[] = {"news",        "weather", "recipes", "travel-guide", "music",
                              "linux",       "kernel",  "python",  "reviews",      "forum",
                              "caf%C3%A9",   "photos",  "maps",    "shop",         "library",
                              "stra%C3%9Fe", "wiki",    "docs",    "2024",         "%D0%BC%D0%B8%D1%80"};
constexpr std::uint32_t kSlugCount = sizeof kSlugs / sizeof kSlugs[0];
const char* const kHostPrefixes[] = {"https://www.", "https://",   "https://docs.",
                                     "http://www.",  "https://m.", "https://blog."};
constexpr char kBase64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
const char* const kTags[] = {"linux", "to read", "work", "Caf\xC3\xA9", "recipes", "later", "music", "tools"};

constexpr const char* kRootTitles[kRootCount] = {"Bookmarks Menu", "Bookmarks Toolbar", "Other Bookmarks",
                                                 "Mobile Bookmarks"};

class Generator {
public:
    explicit Generator(const BrowserSize& size) : m_rnd(size.seed), m_size(size) {}

    BrowserBookmarks Run() {
        // The folder tree: 0 .. 3 are the roots; each further folder goes under a random
        // earlier one that is not yet at the deepest level.
        const int count = kRootCount + m_size.folders;
        std::vector<int> depth(kRootCount, 0);
        m_subfolders.assign(static_cast<std::size_t>(count), {});
        for (int f = kRootCount; f < count; ++f) {
            int parent;
            do {
                parent = static_cast<int>(m_rnd.Below(static_cast<std::uint32_t>(f)));
            } while (depth[static_cast<std::size_t>(parent)] >= m_size.maxDepth);
            depth.push_back(depth[static_cast<std::size_t>(parent)] + 1);
            m_subfolders[static_cast<std::size_t>(parent)].push_back(f);
        }
        m_marks.assign(static_cast<std::size_t>(count), 0);
        for (int b = 0; b < m_size.bookmarks; ++b)
            ++m_marks[m_rnd.Below(static_cast<std::uint32_t>(count))];
        m_out.entries.reserve(static_cast<std::size_t>(m_size.bookmarks) * 102 / 100 +
                              static_cast<std::size_t>(count));
        for (int r = 0; r < kRootCount; ++r) {
            m_out.roots[r] = static_cast<std::int32_t>(m_out.entries.size());
            Folder(r, -1, kRootTitles[r]);
        }
        return std::move(m_out);
    }

private:
    std::string Words(int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            s += m_words[m_rnd.Below(static_cast<std::uint32_t>(m_words.size()))];
        }
        return s;
    }

    // Addresses of 40 to 120 characters, one in a hundred far longer (the state some
    // sites carry in the query).
    std::string Url(std::int32_t mark) {
        std::string url = kHostPrefixes[m_rnd.Below(6)];
        url +=
            "site" + std::to_string(m_rnd.Below(5000)) + (m_rnd.Below(4) == 0 ? ".example.org" : ".example");
        for (std::uint32_t n = 1 + m_rnd.Below(3); n > 0; --n)
            url += std::string("/") + kSlugs[m_rnd.Below(kSlugCount)];
        url += "/" + std::to_string(mark);
        switch (m_rnd.Below(4)) {
        case 0:
            url += "?id=" + std::to_string(m_rnd.Next()) + "&ref=bench";
            break;
        case 1:
            url += ".html";
            break;
        case 2:
            url += std::string("?q=") + kSlugs[m_rnd.Below(kSlugCount)] +
                   "&page=" + std::to_string(m_rnd.Below(20));
            break;
        default:
            url += std::string("#") + kSlugs[m_rnd.Below(kSlugCount)];
        }
        if (m_rnd.Below(100) == 0) {
            url += url.find('?') == std::string::npos ? "?state=" : "&state=";
            for (std::uint32_t n = 400 + m_rnd.Below(2500); n > 0; --n)
                url += kBase64Url[m_rnd.Below(64)];
        }
        return url;
    }

    void Dates(BrowserEntry& e) {
        constexpr std::int64_t kMicros = 1000000;
        e.added = (1300000000 + std::int64_t{m_rnd.Below(400000000)}) * kMicros + m_rnd.Below(1000000);
        e.modified = e.added + std::int64_t{m_rnd.Below(100000000)} * kMicros;
        if (e.kind == EntryKind::Bookmark && m_rnd.Below(4) == 0)
            e.visited = e.modified + std::int64_t{m_rnd.Below(10000000)} * kMicros;
    }

    static BrowserEntry Entry(EntryKind kind, std::int32_t parent, std::string title = {}) {
        BrowserEntry e;
        e.kind = kind;
        e.parent = parent;
        e.title = std::move(title);
        return e;
    }

    std::int32_t Add(BrowserEntry e) {
        Dates(e);
        m_out.entries.push_back(std::move(e));
        return static_cast<std::int32_t>(m_out.entries.size()) - 1;
    }

    void Folder(int number, std::int32_t parent, std::string title) {
        const std::int32_t self = Add(Entry(EntryKind::Folder, parent, std::move(title)));
        ++m_out.folders;
        // Subfolders and bookmarks mixed, as they are after years of filing.
        const auto& subs = m_subfolders[static_cast<std::size_t>(number)];
        std::size_t nextSub = 0;
        std::int32_t marks = m_marks[static_cast<std::size_t>(number)];
        while (nextSub < subs.size() || marks > 0) {
            const auto subsLeft = static_cast<std::uint32_t>(subs.size() - nextSub);
            if (marks == 0 || m_rnd.Below(subsLeft + static_cast<std::uint32_t>(marks)) < subsLeft) {
                int sub = subs[nextSub++];
                Folder(sub, self, Words(2) + " " + std::to_string(sub));
                continue;
            }
            --marks;
            Bookmark(self);
        }
    }

    void Bookmark(std::int32_t parent) {
        BrowserEntry e = Entry(EntryKind::Bookmark, parent, Words(2 + static_cast<int>(m_rnd.Below(4))));
        e.url = Url(m_out.bookmarks++);
        if (m_rnd.Below(3) == 0)
            e.description = Words(6);
        if (m_rnd.Below(40) == 0)
            e.tag = kTags[m_rnd.Below(sizeof kTags / sizeof kTags[0])];
        Add(std::move(e));
        if (m_rnd.Below(80) == 0)
            Add(Entry(EntryKind::Separator, parent));
        if (m_rnd.Below(4000) == 0) {
            BrowserEntry q = Entry(EntryKind::Query, parent, "Recently " + Words(1));
            q.url = "place:sort=8&maxResults=" + std::to_string(10 + m_rnd.Below(20));
            Add(std::move(q));
        }
    }

    Random m_rnd;
    const BrowserSize& m_size;
    const std::vector<std::string> m_words = PlainWords();
    std::vector<std::vector<int>> m_subfolders; // by folder number
    std::vector<std::int32_t> m_marks;          // bookmarks by folder number
    BrowserBookmarks m_out;
};

// The entries of every folder, by entry index.
std::vector<std::vector<std::int32_t>> Children(const BrowserBookmarks& b) {
    std::vector<std::vector<std::int32_t>> kids(b.entries.size());
    for (std::size_t i = 0; i < b.entries.size(); ++i) {
        if (b.entries[i].parent >= 0)
            kids[static_cast<std::size_t>(b.entries[i].parent)].push_back(static_cast<std::int32_t>(i));
    }
    return kids;
}

// Distinct n give distinct values for one salt: multiplying by an odd number is a bijection.
std::uint64_t Scramble(std::uint64_t n, std::uint64_t salt) {
    return (n ^ (salt << 40)) * UINT64_C(0x9E3779B97F4A7C15) + salt;
}

std::string Guid12(std::uint64_t n, std::uint64_t salt) {
    std::uint64_t v = Scramble(n, salt);
    std::string g(12, 'A');
    for (int i = 0; i < 11; ++i, v >>= 6)
        g[static_cast<std::size_t>(i)] = kBase64Url[v & 63];
    g[11] = kBase64Url[salt & 63]; // apart from every other salt's
    return g;
}

std::uint64_t Fnv1a(std::string_view s, std::uint64_t h = UINT64_C(14695981039346656037)) {
    for (unsigned char c : s)
        h = (h ^ c) * UINT64_C(1099511628211);
    return h;
}

bool WriteText(const std::string& text, const std::string& path, std::string* error) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out && error)
        *error = "cannot write " + path;
    return static_cast<bool>(out);
}

// --- Netscape bookmark file -------------------------------------------------------------

class NetscapeWriter {
public:
    explicit NetscapeWriter(const BrowserBookmarks& b) : m_b(b), m_kids(Children(b)) {}

    std::string Text() {
        m_out.reserve(m_b.entries.size() * 200);
        m_out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                 "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n\n<DL><p>\n";
        for (std::int32_t root : m_b.roots)
            Entry(root, 1);
        m_out += "</DL>\n";
        return std::move(m_out);
    }

private:
    void Dates(const BrowserEntry& e) {
        m_out += " ADD_DATE=\"" + std::to_string(e.added / 1000000) + "\" LAST_MODIFIED=\"" +
                 std::to_string(e.modified / 1000000) + "\"";
    }

    void Entry(std::int32_t i, std::size_t level) {
        const BrowserEntry& e = m_b.entries[static_cast<std::size_t>(i)];
        const std::string in(level * 4, ' ');
        switch (e.kind) {
        case EntryKind::Folder:
            m_out += in + "<DT><H3";
            Dates(e);
            m_out += ">" + html::Escape(e.title) + "</H3>\n" + in + "<DL><p>\n";
            for (std::int32_t kid : m_kids[static_cast<std::size_t>(i)])
                Entry(kid, level + 1);
            m_out += in + "</DL><p>\n";
            break;
        case EntryKind::Bookmark:
            m_out += in + "<DT><A HREF=\"" + html::Escape(e.url) + "\"";
            Dates(e);
            if (e.visited)
                m_out += " LAST_VISIT=\"" + std::to_string(e.visited / 1000000) + "\"";
            if (!e.tag.empty())
                m_out += " TAGS=\"" + html::Escape(e.tag) + "\"";
            m_out += ">" + html::Escape(e.title) + "</A>\n";
            if (!e.description.empty())
                m_out += in + "<DD>" + html::Escape(e.description) + "\n";
            break;
        case EntryKind::Separator:
            m_out += in + "<HR>\n";
            break;
        case EntryKind::Query:
            break; // a saved search means nothing outside the browser: not a bookmark here
        }
    }

    const BrowserBookmarks& m_b;
    std::vector<std::vector<std::int32_t>> m_kids;
    std::string m_out;
};

// --- places.sqlite ----------------------------------------------------------------------

class Places {
public:
    ~Places() {
        for (sqlite3_stmt* s : {m_origin, m_place, m_mark})
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }

    bool Write(const BrowserBookmarks& b, const std::string& path, const std::string& schemaFile) {
        std::ifstream in(schemaFile, std::ios::binary);
        std::stringstream schema;
        schema << in.rdbuf();
        if (!in || schema.str().empty())
            return Fail("cannot read the schema " + schemaFile);
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            std::filesystem::remove(path + suffix);
        if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            return Fail(path);
        if (!Exec(schema.str().c_str()) || !Exec("PRAGMA synchronous = OFF") || !Exec("BEGIN") ||
            !Prepare("INSERT INTO moz_origins (id, prefix, host, frecency) VALUES (?, ?, ?, ?)", m_origin) ||
            !Prepare(
                "INSERT INTO moz_places (id, url, title, rev_host, visit_count, frecency, last_visit_date, "
                "guid, foreign_count, url_hash, description, origin_id) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                m_place) ||
            !Prepare(
                "INSERT INTO moz_bookmarks (id, type, fk, parent, position, title, dateAdded, lastModified, "
                "guid, syncStatus) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                m_mark))
            return Fail(path);
        return Rows(b) && Exec("COMMIT") ? true : Fail(path);
    }

    std::string error;

private:
    // The ids of the roots the schema made, in RootKind order; the tags root is 4.
    static constexpr std::int64_t kRootIds[kRootCount] = {2, 3, 5, 6};
    static constexpr std::int64_t kTagsRoot = 4;
    static constexpr std::int64_t kFirstId = 7;

    bool Rows(const BrowserBookmarks& b) {
        std::vector<std::int64_t> ids(b.entries.size(), 0);
        for (int r = 0; r < kRootCount; ++r)
            ids[static_cast<std::size_t>(b.roots[r])] = kRootIds[r];
        std::int64_t nextId = kFirstId;
        std::int64_t nextPlace = 1;
        std::unordered_map<std::int64_t, std::int64_t> positions; // by parent id
        std::unordered_map<std::string, std::int64_t> tagFolders;
        struct TagRow {
            std::int64_t parent;
            std::int64_t place;
            std::int64_t added;
        };
        std::vector<TagRow> tagRows;
        for (std::size_t i = 0; i < b.entries.size(); ++i) {
            const BrowserEntry& e = b.entries[i];
            if (e.parent < 0)
                continue;
            const std::int64_t id = ids[i] = nextId++;
            const std::int64_t parent = ids[static_cast<std::size_t>(e.parent)];
            const std::int64_t position = positions[parent]++;
            const std::string guid = Guid12(i, 1);
            std::int64_t place = 0;
            if (e.kind == EntryKind::Bookmark || e.kind == EntryKind::Query) {
                place = nextPlace++;
                if (!e.tag.empty()) {
                    auto [it, added] = tagFolders.emplace(e.tag, 0);
                    if (added) {
                        it->second = nextId++;
                        if (!Mark(it->second, 2, 0, kTagsRoot, positions[kTagsRoot]++, e.tag, e.added,
                                  e.added, Guid12(i, 2)))
                            return false;
                    }
                    tagRows.push_back({it->second, place, e.added});
                }
                if (!Place(place, e, e.tag.empty() ? 1 : 2, Guid12(i, 3)))
                    return false;
            }
            const int type = e.kind == EntryKind::Folder ? 2 : e.kind == EntryKind::Separator ? 3 : 1;
            if (!Mark(id, type, place, parent, position, e.kind == EntryKind::Separator ? "" : e.title,
                      e.added, e.modified, guid))
                return false;
        }
        // Tagging a bookmark files a second, untitled entry for its address under the tag.
        for (std::size_t t = 0; t < tagRows.size(); ++t) {
            const TagRow& row = tagRows[t];
            if (!Mark(nextId++, 1, row.place, row.parent, positions[row.parent]++, {}, row.added, row.added,
                      Guid12(t, 4)))
                return false;
        }
        return true;
    }

    bool Place(std::int64_t id, const BrowserEntry& e, int references, const std::string& guid) {
        sqlite3_reset(m_place);
        sqlite3_bind_int64(m_place, 1, id);
        Text(m_place, 2, e.url);
        Text(m_place, 3, e.title);
        const bool query = e.kind == EntryKind::Query;
        const std::size_t scheme = e.url.find("://");
        std::int64_t origin = 0;
        if (!query && scheme != std::string::npos) {
            const std::size_t hostStart = scheme + 3;
            const std::string host =
                e.url.substr(hostStart, e.url.find_first_of("/?#", hostStart) - hostStart);
            Text(m_place, 4, std::string(host.rbegin(), host.rend()) + ".");
            origin = Origin(e.url.substr(0, hostStart), host);
            if (origin == 0)
                return false;
        } else {
            sqlite3_bind_null(m_place, 4);
        }
        const bool visited = e.visited != 0;
        sqlite3_bind_int(m_place, 5, visited ? 1 + static_cast<int>(id % 7) : 0);
        sqlite3_bind_int(m_place, 6, visited ? 100 + static_cast<int>(id % 1000) : 0);
        if (visited)
            sqlite3_bind_int64(m_place, 7, e.visited);
        else
            sqlite3_bind_null(m_place, 7);
        Text(m_place, 8, guid);
        sqlite3_bind_int(m_place, 9, references);
        sqlite3_bind_int64(m_place, 10, static_cast<std::int64_t>(Fnv1a(e.url) >> 16));
        if (e.description.empty())
            sqlite3_bind_null(m_place, 11);
        else
            Text(m_place, 11, e.description);
        if (origin)
            sqlite3_bind_int64(m_place, 12, origin);
        else
            sqlite3_bind_null(m_place, 12);
        return sqlite3_step(m_place) == SQLITE_DONE;
    }

    // The id of the origin of (prefix, host), added when new; 0 on failure.
    std::int64_t Origin(const std::string& prefix, const std::string& host) {
        auto [it, added] = m_origins.emplace(prefix + host, static_cast<std::int64_t>(m_origins.size()) + 1);
        if (!added)
            return it->second;
        sqlite3_reset(m_origin);
        sqlite3_bind_int64(m_origin, 1, it->second);
        Text(m_origin, 2, prefix);
        Text(m_origin, 3, host);
        sqlite3_bind_int(m_origin, 4, 100);
        return sqlite3_step(m_origin) == SQLITE_DONE ? it->second : 0;
    }

    bool Mark(std::int64_t id, int type, std::int64_t place, std::int64_t parent, std::int64_t position,
              const std::string& title, std::int64_t added, std::int64_t modified, const std::string& guid) {
        sqlite3_reset(m_mark);
        sqlite3_bind_int64(m_mark, 1, id);
        sqlite3_bind_int(m_mark, 2, type);
        if (place)
            sqlite3_bind_int64(m_mark, 3, place);
        else
            sqlite3_bind_null(m_mark, 3);
        sqlite3_bind_int64(m_mark, 4, parent);
        sqlite3_bind_int64(m_mark, 5, position);
        if (title.empty())
            sqlite3_bind_null(m_mark, 6);
        else
            Text(m_mark, 6, title);
        sqlite3_bind_int64(m_mark, 7, added);
        sqlite3_bind_int64(m_mark, 8, modified);
        Text(m_mark, 9, guid);
        sqlite3_bind_int(m_mark, 10, 2); // synced, as in a profile that has been online
        return sqlite3_step(m_mark) == SQLITE_DONE;
    }

    static void Text(sqlite3_stmt* s, int col, const std::string& t) {
        sqlite3_bind_text(s, col, t.data(), static_cast<int>(t.size()), SQLITE_TRANSIENT);
    }
    bool Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }
    bool Prepare(const char* sql, sqlite3_stmt*& s) {
        return sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) == SQLITE_OK;
    }
    bool Fail(const std::string& what) {
        if (error.empty())
            error = what + (m_db ? std::string(": ") + sqlite3_errmsg(m_db) : std::string());
        return false;
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_origin = nullptr;
    sqlite3_stmt* m_place = nullptr;
    sqlite3_stmt* m_mark = nullptr;
    std::unordered_map<std::string, std::int64_t> m_origins;
};

// --- Chromium Bookmarks file ------------------------------------------------------------

class ChromiumWriter {
public:
    explicit ChromiumWriter(const BrowserBookmarks& b) : m_b(b), m_kids(Children(b)) {}

    std::string Text() {
        std::string roots;
        roots.reserve(m_b.entries.size() * 330);
        m_out.swap(roots);
        m_out += "{\n" + Pad(2) + "\"bookmark_bar\": ";
        Folder(Root(RootKind::Toolbar), 3, {});
        // No menu of its own: the menu is the first folder of "other".
        m_out += ",\n" + Pad(2) + "\"other\": ";
        Folder(Root(RootKind::Unfiled), 3, Root(RootKind::Menu));
        m_out += ",\n" + Pad(2) + "\"synced\": ";
        Folder(Root(RootKind::Mobile), 3, {});
        m_out += "\n" + Pad(1) + "}";
        m_out.swap(roots);
        // The reader does not check the sum, so any of the right shape will do.
        char sum[40];
        std::snprintf(sum, sizeof sum, "%016llx%016llx", static_cast<unsigned long long>(Fnv1a(roots)),
                      static_cast<unsigned long long>(Fnv1a(roots, 1)));
        return "{\n" + Pad(1) + "\"checksum\": \"" + sum + "\",\n" + Pad(1) + "\"roots\": " + roots + ",\n" +
               Pad(1) + "\"version\": 1\n}\n";
    }

private:
    // The writer indents by three spaces, one level further for every object and list.
    static std::string Pad(int level) { return std::string(static_cast<std::size_t>(level) * 3, ' '); }

    std::int32_t Root(RootKind r) const { return m_b.roots[static_cast<int>(r)]; }

    void String(std::string_view s) {
        m_out += '"';
        for (char c : s) {
            switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '<': // kept out of the file so that it can never close a script
                m_out += "\\u003C";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(c));
                    m_out += esc;
                } else {
                    m_out += c;
                }
            }
        }
        m_out += '"';
    }

    void Field(int level, std::string_view key, std::string_view value, bool last = false) {
        m_out += Pad(level);
        String(key);
        m_out += ": ";
        String(value);
        m_out += last ? "\n" : ",\n";
    }

    static std::string Date(std::int64_t unixMicros) {
        constexpr std::int64_t kEpochGapMicros = INT64_C(11644473600) * 1000000;
        return unixMicros ? std::to_string(unixMicros + kEpochGapMicros) : "0";
    }

    std::string Guid(std::int32_t i) const {
        char g[40];
        std::uint64_t a = Scramble(static_cast<std::uint64_t>(i), 5);
        std::uint64_t b = Scramble(static_cast<std::uint64_t>(i), 6);
        std::snprintf(
            g, sizeof g, "%08llx-%04llx-4%03llx-%04llx-%012llx", static_cast<unsigned long long>(a >> 32),
            static_cast<unsigned long long>((a >> 16) & 0xFFFF), static_cast<unsigned long long>(a & 0xFFF),
            static_cast<unsigned long long>(0x8000 | ((b >> 48) & 0x3FFF)),
            static_cast<unsigned long long>(b & 0xFFFFFFFFFFFF));
        return g;
    }

    // The fields every node has, after its children.
    void Common(std::int32_t i, int level, const BrowserEntry& e) {
        Field(level, "date_added", Date(e.added));
        Field(level, "date_last_used", Date(e.visited));
        Field(level, "date_modified", Date(e.modified));
        Field(level, "guid", Guid(i));
        Field(level, "id", std::to_string(++m_nextId));
        Field(level, "name", e.title);
    }

    // A folder node whose members are at `level`; `first` is written before its own entries.
    void Folder(std::int32_t i, int level, std::optional<std::int32_t> first) {
        m_out += "{\n" + Pad(level) + "\"children\": [ ";
        bool any = false;
        auto child = [&](std::int32_t kid) {
            // Separators and saved searches have no place in this format.
            EntryKind kind = m_b.entries[static_cast<std::size_t>(kid)].kind;
            if (kind != EntryKind::Folder && kind != EntryKind::Bookmark)
                return;
            if (any)
                m_out += ", ";
            any = true;
            Node(kid, level + 1);
        };
        if (first)
            child(*first);
        for (std::int32_t kid : m_kids[static_cast<std::size_t>(i)])
            child(kid);
        m_out += " ],\n";
        Common(i, level, m_b.entries[static_cast<std::size_t>(i)]);
        Field(level, "type", "folder", true);
        m_out += Pad(level - 1) + "}";
    }

    void Node(std::int32_t i, int level) {
        const BrowserEntry& e = m_b.entries[static_cast<std::size_t>(i)];
        if (e.kind == EntryKind::Folder) {
            Folder(i, level, {});
        } else {
            m_out += "{\n";
            Common(i, level, e);
            Field(level, "type", "url");
            Field(level, "url", e.url, true);
            m_out += Pad(level - 1) + "}";
        }
    }

    const BrowserBookmarks& m_b;
    std::vector<std::vector<std::int32_t>> m_kids;
    std::string m_out;
    int m_nextId = 0;
};

// --- XBEL file ---------------------------------------------------------------------------

xbel::Node XbelNode(const BrowserBookmarks& b, const std::vector<std::vector<std::int32_t>>& kids,
                    std::int32_t i) {
    const BrowserEntry& e = b.entries[static_cast<std::size_t>(i)];
    xbel::Node n;
    n.folder = e.kind == EntryKind::Folder;
    n.id = std::to_string(i + 1);
    n.title = e.title;
    n.added = e.added / 1000000;
    n.modified = e.modified / 1000000;
    if (!n.folder) {
        n.url = e.url;
        n.desc = e.description;
        return n;
    }
    for (std::int32_t kid : kids[static_cast<std::size_t>(i)]) {
        // Separators and saved searches have no place in this format.
        EntryKind kind = b.entries[static_cast<std::size_t>(kid)].kind;
        if (kind == EntryKind::Folder || kind == EntryKind::Bookmark)
            n.children.push_back(XbelNode(b, kids, kid));
    }
    return n;
}

} // namespace

BrowserBookmarks GenerateBrowserBookmarks(const BrowserSize& size) {
    return Generator(size).Run();
}

bool WriteNetscapeBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error) {
    return WriteText(NetscapeWriter(b).Text(), path, error);
}

bool WritePlacesDatabase(const BrowserBookmarks& b, const std::string& path, const std::string& schemaFile,
                         std::string* error) {
    Places places;
    if (places.Write(b, path, schemaFile))
        return true;
    if (error)
        *error = places.error;
    return false;
}

bool WriteChromiumBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error) {
    return WriteText(ChromiumWriter(b).Text(), path, error);
}

bool WriteXbelBookmarks(const BrowserBookmarks& b, const std::string& path, std::string* error) {
    const std::vector<std::vector<std::int32_t>> kids = Children(b);
    xbel::Document doc;
    doc.title = "Bookmarks";
    doc.highestId = static_cast<std::int64_t>(b.entries.size());
    for (std::int32_t root : b.roots)
        doc.items.push_back(XbelNode(b, kids, root));
    return WriteText(xbel::Serialize(doc), path, error);
}

bool WriteBrowserFiles(const std::string& dir, const BrowserSize& size, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const BrowserBookmarks b = GenerateBrowserBookmarks(size);
    return WriteNetscapeBookmarks(b, dir + "/" + kNetscapeFileName, error) &&
           WritePlacesDatabase(b, dir + "/" + kPlacesFileName, VIREO_PLACES_SCHEMA, error) &&
           WriteChromiumBookmarks(b, dir + "/" + kChromiumFileName, error) &&
           WriteXbelBookmarks(b, dir + "/" + kXbelFileName, error);
}

} // namespace vireo::bench
