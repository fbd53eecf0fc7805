// SPDX-License-Identifier: GPL-3.0-or-later
// The Chromium family keeps its bookmarks in one JSON file, "Bookmarks", in each profile
// folder. The browser replaces it whole when it saves, so a read sees either the old or the
// new file; a file cut short (a full disk, a copy that stopped) fails to parse and is refused.
#include <charconv>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "interchange/browser_import.h"
#include "interchange/browser_tree.h"
#include "interchange/html_text.h"
#include "store/database.h"

namespace vireo {

namespace fs = std::filesystem;
using json = nlohmann::json;

namespace {

constexpr const char* kTitle = "Import from Chromium";

// Seconds from 1601-01-01 (where the browser counts from) to 1970-01-01, both UTC.
constexpr std::int64_t kEpochGap = INT64_C(11644473600);

std::string StringField(const json& node, const char* key) {
    auto it = node.find(key);
    return it != node.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// A date field: microseconds since 1601 written as a decimal string.
std::int64_t DateField(const json& node, const char* key) {
    std::string text = StringField(node, key);
    std::int64_t micros = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), micros);
    if (ec != std::errc() || ptr != text.data() + text.size() || micros <= 0)
        return 0;
    return browser_import::PlausibleSeconds(micros / 1000000 - kEpochGap);
}

bool IsFolderNode(const json& node) {
    if (!node.is_object() || StringField(node, "type") != "folder")
        return false;
    auto children = node.find("children");
    return children != node.end() && children->is_array();
}

// One root with everything below it, each folder's entries in the browser's order.
void AddRoot(const json& root, const char* fallbackName, browser_import::Tree& tree) {
    std::string name = StringField(root, "name");
    const std::size_t mark = tree.nodes.size();
    const std::int32_t folders = tree.folders;
    const std::int32_t bookmarks = tree.bookmarks;
    struct Frame {
        const json* children;
        std::size_t next;
        std::int32_t node;
    };
    std::vector<Frame> stack{{&root["children"], 0, tree.AddFolder(-1, name.empty() ? fallbackName : name)}};
    // Written without recursion: folders may nest very deep.
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.children->size()) {
            stack.pop_back();
            continue;
        }
        const json& child = (*top.children)[top.next++];
        const std::int32_t into = top.node;
        if (IsFolderNode(child)) {
            std::int32_t node = tree.AddFolder(into, StringField(child, "name"));
            stack.push_back({&child["children"], 0, node});
        } else if (child.is_object() && StringField(child, "type") == "url") {
            browser_import::Node n;
            n.parent = into;
            n.title = StringField(child, "name");
            n.url = StringField(child, "url");
            if (n.url.empty())
                continue;
            n.added = DateField(child, "date_added");
            n.touched = std::max(DateField(child, "date_last_used"), DateField(child, "date_modified"));
            tree.AddBookmark(std::move(n));
        }
    }
    if (tree.bookmarks == bookmarks && tree.folders == folders + 1) {
        tree.nodes.resize(mark);
        tree.folders = folders;
    }
}

fs::path BookmarksFile(const std::string& source) {
    std::error_code ec;
    if (fs::is_directory(source, ec))
        return fs::path(source) / "Bookmarks";
    return fs::path(source);
}

} // namespace

ExchangeResult ImportChromium(Database& db, const std::string& source, const ProgressFn& progress) {
    using browser_import::Refusal;
    const fs::path file = BookmarksFile(source);
    const std::string name = "\"" + file.string() + "\"";
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(file, ec))
        return Refusal(kTitle, "There is no Chromium bookmark file (Bookmarks) at " + name +
                                   ". Nothing was imported.");
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(file.string(), bytes, &error))
        return Refusal(kTitle, "The bookmark file " + name + " cannot be read. " + error);
    if (bytes.find_first_not_of(" \t\r\n") == std::string::npos)
        return Refusal(kTitle, "The bookmark file " + name + " is empty. Nothing was imported.");
    if (progress)
        progress(0, bytes.size());
    json doc;
    try {
        doc = json::parse(bytes);
    } catch (const json::parse_error& e) {
        return Refusal(kTitle, "The bookmark file " + name + " is damaged or incomplete (at byte " +
                                   std::to_string(e.byte) + "). Nothing was imported.");
    } catch (const json::exception&) {
        // A number out of range ("1e999") is no parse error to the parser but damage all the same.
        return Refusal(kTitle,
                       "The bookmark file " + name + " is damaged or incomplete. Nothing was imported.");
    }
    bytes = std::string();
    auto roots = doc.is_object() ? doc.find("roots") : doc.end();
    if (roots == doc.end() || !roots->is_object())
        return Refusal(kTitle, "The file " + name +
                                   " is not a Chromium bookmark file (it has no bookmark roots). "
                                   "Nothing was imported.");
    browser_import::Tree tree;
    struct KnownRoot {
        const char* key;
        const char* name;
    };
    static constexpr KnownRoot kRoots[] = {
        {"bookmark_bar", "Bookmarks bar"}, {"other", "Other bookmarks"}, {"synced", "Mobile bookmarks"}};
    for (const KnownRoot& root : kRoots) {
        auto it = roots->find(root.key);
        if (it != roots->end() && IsFolderNode(*it))
            AddRoot(*it, root.name, tree);
    }
    // Browsers of the family that add roots of their own keep them beside these.
    for (auto it = roots->begin(); it != roots->end(); ++it) {
        const std::string& key = it.key();
        if (key == "bookmark_bar" || key == "other" || key == "synced" || key == "trash" ||
            !IsFolderNode(*it))
            continue;
        AddRoot(*it, key.c_str(), tree);
    }
    if (tree.bookmarks == 0)
        return Refusal(kTitle, "The bookmark file " + name + " holds no bookmarks. Nothing was imported.");
    ExchangeResult result;
    result.title = kTitle;
    browser_import::FileTree(db, tree, {kChromiumImportFolder, kChromiumImportDescription, kFlagsChromium},
                             result);
    if (progress)
        progress(1, 1);
    return result;
}

} // namespace vireo
