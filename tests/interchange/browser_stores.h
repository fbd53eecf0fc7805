// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Browser bookmark stores as the browsers leave them: a places.sqlite made from Firefox's
// own schema, and a Chromium Bookmarks file.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace vireo::test {

// A connection to a places.sqlite, kept open for as long as the object lives, as the
// running browser keeps its own.
class PlacesDb {
public:
    explicit PlacesDb(const std::string& file) {
        std::ifstream in(VIREO_PLACES_SCHEMA);
        std::ostringstream schema;
        schema << in.rdbuf();
        EXPECT_FALSE(schema.str().empty()) << "no schema at " << VIREO_PLACES_SCHEMA;
        EXPECT_EQ(sqlite3_open(file.c_str(), &m_db), SQLITE_OK);
        Exec(schema.str());
    }
    ~PlacesDb() { sqlite3_close(m_db); }
    PlacesDb(const PlacesDb&) = delete;
    PlacesDb& operator=(const PlacesDb&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << (error ? error : "") << "\n in: " << sql.substr(0, 200);
        sqlite3_free(error);
    }

    // Root folder ids as the browser numbers them.
    static constexpr std::int64_t kMenu = 2, kToolbar = 3, kTags = 4, kUnfiled = 5, kMobile = 6;
    static constexpr std::int64_t kAdded = 1700000000000000; // microseconds since 1970

    std::int64_t Folder(std::int64_t parent, std::int64_t position, const std::string& title) {
        return Item(2, 0, parent, position, title.c_str(), kAdded, kAdded);
    }
    // No title is stored as NULL, as the browser stores a bookmark never given a name.
    std::int64_t Bookmark(std::int64_t parent, std::int64_t position, const std::optional<std::string>& title,
                          const std::string& url, std::int64_t addedMicros = kAdded,
                          std::int64_t modifiedMicros = kAdded) {
        return Item(1, Place(url), parent, position, title ? title->c_str() : nullptr, addedMicros,
                    modifiedMicros);
    }
    void Separator(std::int64_t parent, std::int64_t position) { Item(3, 0, parent, position, "", 0, 0); }

    // Many bookmarks in one transaction, left open: with a small cache it spills to disk
    // before any commit, as a big write of the browser's does.
    void BeginMany(std::int64_t parent, int n) {
        Exec("PRAGMA cache_size = 5");
        Exec("BEGIN EXCLUSIVE");
        for (int i = 0; i < n; ++i)
            Bookmark(parent, i, std::string(300, 'u'), "https://example.org/u" + std::to_string(i));
    }

    std::int64_t Number(const std::string& sql) {
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr), SQLITE_OK) << sql;
        EXPECT_EQ(sqlite3_step(st), SQLITE_ROW) << sql;
        const std::int64_t n = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return n;
    }

private:
    // Texts go in through SQLite's own quoting (%Q), which writes NULL for a null pointer.
    std::int64_t Insert(char* sql) {
        Exec(sql);
        sqlite3_free(sql);
        return sqlite3_last_insert_rowid(m_db);
    }
    std::int64_t Place(const std::string& url) {
        return Insert(sqlite3_mprintf("INSERT INTO moz_places (url, title, rev_host, guid, url_hash, "
                                      "foreign_count) VALUES (%Q, NULL, 'moc.elpmaxe.', %Q, 0, 1)",
                                      url.c_str(), Guid().c_str()));
    }
    std::int64_t Item(int type, std::int64_t fk, std::int64_t parent, std::int64_t position,
                      const char* title, std::int64_t added, std::int64_t modified) {
        const std::string place = fk ? std::to_string(fk) : "NULL";
        return Insert(sqlite3_mprintf(
            "INSERT INTO moz_bookmarks (type, fk, parent, position, title, dateAdded, "
            "lastModified, guid) VALUES (%d, %s, %lld, %lld, %Q, %lld, %lld, %Q)",
            type, place.c_str(), static_cast<long long>(parent), static_cast<long long>(position), title,
            static_cast<long long>(added), static_cast<long long>(modified), Guid().c_str()));
    }
    std::string Guid() {
        std::string g = "guid" + std::to_string(++m_guids);
        g.resize(12, '_');
        return g;
    }

    sqlite3* m_db = nullptr;
    int m_guids = 0;
};

// A Chromium Bookmarks file with one bookmark in the bookmark bar.
inline std::string OneBookmarkJson(const std::string& title, const std::string& url) {
    return R"({"roots":{"bookmark_bar":{"children":[{"name":")" + title + R"(","type":"url","url":")" + url +
           R"("}],"type":"folder"}},"version":1})";
}

} // namespace vireo::test
