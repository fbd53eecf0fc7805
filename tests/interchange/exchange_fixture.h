// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A fresh database in a throw-away folder, and small helpers to look at what the
// interchange code filed or wrote.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/database.h"
#include "test_support.h"

namespace vireo::test {

// Lines ended by CR LF; a missing CR before an LF is a fault the caller sees as "\n".
inline std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start) + "<no line end>");
    return lines;
}

struct ExchangeFixture : ::testing::Test {
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(db.Open(tmp.file("data"), &error)) << error;
    }

    std::int32_t AddMark(std::int16_t folder, std::string_view name, std::string_view url,
                         std::string_view desc = "") {
        return db.Marks(folder).Add(db.NewMark(name, url, folder, desc, kFlagsFound));
    }

    // The live subfolders of a folder, in table order.
    std::vector<std::int16_t> Children(std::int16_t parent) const {
        std::vector<std::int16_t> out;
        std::int32_t cursor = 0;
        while (std::int16_t id = db.NextSubFolder(parent, cursor))
            out.push_back(id);
        return out;
    }

    std::int16_t Child(std::int16_t parent, std::string_view name) const {
        for (std::int16_t id : Children(parent)) {
            if (db.Folder(id).Name.Text() == name)
                return id;
        }
        return 0;
    }

    std::vector<std::string> Titles(std::int16_t folder) const {
        return Texts(folder, &clsBookmark::NameStr);
    }
    std::vector<std::string> Urls(std::int16_t folder) const { return Texts(folder, &clsBookmark::UrlStr); }
    std::vector<std::string> Texts(std::int16_t folder,
                                   std::string (clsBookmark::*text)(std::int32_t) const) const {
        std::vector<std::string> out;
        const clsBookmark& m = db.Marks(folder);
        for (std::int32_t pos = 1; pos <= m.Total(); ++pos) {
            if (m.key(pos))
                out.push_back((m.*text)(m.key(pos)));
        }
        return out;
    }

    const BookmarkRecord& First(std::int16_t folder) const { return db.Marks(folder).At(1); }

    // A folder's tree as one text: its live bookmarks, then each subfolder with its own in
    // braces, in table order ("One; Sub {Two}"); with addresses, "One <http://one/>".
    std::string Outline(std::int16_t folder, bool addresses = false) const {
        std::string out;
        auto add = [&](const std::string& item) { out += (out.empty() ? "" : "; ") + item; };
        const clsBookmark& m = db.Marks(folder);
        for (std::int32_t pos = 1; pos <= m.Total(); ++pos) {
            if (std::int32_t key = m.key(pos))
                add(m.NameStr(key) + (addresses ? " <" + m.UrlStr(key) + ">" : ""));
        }
        for (std::int16_t id : Children(folder))
            add(db.Folder(id).Name.Text() + " {" + Outline(id, addresses) + "}");
        return out;
    }

    TempDir tmp;
    Database db;
};

} // namespace vireo::test
