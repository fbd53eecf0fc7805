// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/store/generate_db.h"

#include <random>
#include <vector>

#include "store/database.h"

namespace vireo::bench {

namespace {

const char* kWords[] = {"garden", "river",    "linux",  "recipe",  "travel", "music",   "photo",   "science",
                        "bird",   "mountain", "coffee", "library", "news",   "weather", "museum",  "history",
                        "Zürich", "café",     "Łódź",   "naïve",   "Straße", "東京",    "données", "ümlaut"};
const char* kHosts[] = {"www.example.org", "docs.example.com", "blog.example.net",
                        "shop.example",    "wiki.example.org", "news.example.com"};

std::string Words(std::mt19937& rng, std::size_t targetLength) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
    std::string s;
    while (s.size() < targetLength) {
        if (!s.empty())
            s += ' ';
        s += kWords[pick(rng)];
    }
    return s;
}

std::string Address(std::mt19937& rng, std::int32_t n) {
    std::uniform_int_distribution<std::size_t> host(0, std::size(kHosts) - 1);
    std::string path = Words(rng, 40);
    for (char& c : path) {
        if (c == ' ')
            c = '/';
    }
    return "https://" + std::string(kHosts[host(rng)]) + "/" + path + "?id=" + std::to_string(n);
}

} // namespace

bool GenerateDatabase(const std::string& dir, const GeneratedSize& size, std::string* error) {
    Database db;
    if (!db.Open(dir, error))
        return false;
    std::mt19937 rng(size.seed);
    std::vector<std::int16_t> folders{kRootFolder, kUnsortedFolder};
    std::vector<int> depth(static_cast<std::size_t>(kMaxFolderSlots) + 1, 0);
    while (static_cast<std::int32_t>(folders.size()) < size.folders) {
        std::uniform_int_distribution<std::size_t> pick(0, folders.size() - 1);
        std::int16_t parent = folders[pick(rng)];
        if (depth[static_cast<std::size_t>(parent)] >= 6)
            parent = kRootFolder;
        std::int16_t id = db.AddFolder(Words(rng, 14), parent, FolderKind::Ordinary);
        if (id == 0)
            break;
        depth[static_cast<std::size_t>(id)] = depth[static_cast<std::size_t>(parent)] + 1;
        folders.push_back(id);
    }
    std::uniform_int_distribution<std::size_t> pickFolder(0, folders.size() - 1);
    for (std::int32_t i = 0; i < size.bookmarks; ++i) {
        std::int16_t folder = folders[pickFolder(rng)];
        BookmarkRecord r =
            db.NewMark(Words(rng, 60), Address(rng, i), folder, Words(rng, 40), kFlagsNetscape);
        db.Marks(folder).Add(r);
    }
    return db.Save(error);
}

} // namespace vireo::bench
