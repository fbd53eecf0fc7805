// SPDX-License-Identifier: GPL-3.0-or-later
// Firefox's own bookmark backups, bookmarkbackups/*.jsonlz4 in each profile: the whole tree
// as JSON, compressed as one LZ4 block behind a small header. They are the way back when
// places.sqlite is damaged, and what the browser's "Backup..." command writes (as plain JSON).
#include <lz4.h>

#include <climits>
#include <cstring>
#include <nlohmann/json.hpp>

#include "interchange/browser_tree.h"

namespace vireo::browser_import {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kMagic{"mozLz40\0", 8};
// Backups hold bookmarks only; a header claiming more than this is damaged or hostile.
constexpr std::uint32_t kMaxBackup = std::uint32_t{256} << 20;

constexpr std::string_view kTypeBookmark = "text/x-moz-place";
constexpr std::string_view kTypeFolder = "text/x-moz-place-container";

std::string_view Str(const Json& node, const char* key) {
    auto it = node.find(key);
    return it != node.end() && it->is_string() ? std::string_view(it->get_ref<const std::string&>())
                                               : std::string_view();
}

std::int64_t Micros(const Json& node, const char* key) {
    auto it = node.find(key);
    if (it == node.end() || !it->is_number_integer())
        return 0;
    return PlausibleSeconds(it->get<std::int64_t>() / 1000000);
}

const Json* Children(const Json& node) {
    auto it = node.find("children");
    return it != node.end() && it->is_array() ? &*it : nullptr;
}

// One root with everything below it, in the backup's order.
void AddRoot(const Json& root, const char* name, Tree& tree) {
    const Tree::Mark mark = tree.Here();
    struct Frame {
        const Json* children;
        std::size_t next;
        std::int32_t node;
    };
    std::vector<Frame> stack;
    const std::int32_t top = tree.AddFolder(-1, name);
    if (const Json* kids = Children(root))
        stack.push_back({kids, 0, top});
    // Written without recursion: a damaged file may nest very deep.
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next >= f.children->size()) {
            stack.pop_back();
            continue;
        }
        const Json& child = (*f.children)[f.next++];
        const std::int32_t into = f.node;
        if (!child.is_object())
            continue;
        const std::string_view type = Str(child, "type");
        if (type == kTypeFolder) {
            const std::int32_t node = tree.AddFolder(into, std::string(Str(child, "title")));
            if (const Json* kids = Children(child))
                stack.push_back({kids, 0, node});
        } else if (type == kTypeBookmark) {
            const std::string_view uri = Str(child, "uri");
            if (uri.empty() || IsBrowserInternal(uri))
                continue;
            Node n;
            n.parent = into;
            n.title = std::string(Str(child, "title"));
            n.url = std::string(uri);
            n.added = Micros(child, "dateAdded");
            n.touched = Micros(child, "lastModified");
            tree.AddBookmark(std::move(n));
        }
        // Separators have nothing to keep.
    }
    tree.DropIfEmpty(mark);
}

} // namespace

bool IsMozLz4(std::string_view bytes) {
    return bytes.substr(0, kMagic.size()) == kMagic;
}

bool DecodeMozLz4(std::string_view bytes, std::string& out, std::string& error) {
    if (!IsMozLz4(bytes) || bytes.size() < kMagic.size() + 4) {
        error = "it is not an LZ4-compressed backup";
        return false;
    }
    const auto* size = reinterpret_cast<const unsigned char*>(bytes.data() + kMagic.size());
    const std::uint32_t length =
        static_cast<std::uint32_t>(size[0]) | static_cast<std::uint32_t>(size[1]) << 8 |
        static_cast<std::uint32_t>(size[2]) << 16 | static_cast<std::uint32_t>(size[3]) << 24;
    const std::string_view block = bytes.substr(kMagic.size() + 4);
    // LZ4 expands at most 255-fold, so a header claiming more than that is lying.
    if (length > kMaxBackup || length / 255 > block.size() ||
        block.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "its size header is impossible";
        return false;
    }
    out.assign(length, '\0');
    const int got = LZ4_decompress_safe(block.data(), out.data(), static_cast<int>(block.size()),
                                        static_cast<int>(length));
    if (got < 0 || static_cast<std::uint32_t>(got) != length) {
        out.clear();
        error = "its compressed data is damaged or cut short";
        return false;
    }
    return true;
}

bool ReadFirefoxBackup(std::string_view bytes, Tree& tree, std::string& error) {
    std::string inflated;
    if (IsMozLz4(bytes)) {
        if (!DecodeMozLz4(bytes, inflated, error))
            return false;
        bytes = inflated;
    }
    Json doc = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        error = "it is not a Firefox bookmark backup (no JSON object)";
        return false;
    }
    const Json* roots = Children(doc);
    if (!roots || Str(doc, "type") != kTypeFolder) {
        error = "it is not a Firefox bookmark backup (no bookmark roots)";
        return false;
    }
    struct RootName {
        std::string_view guid;
        std::string_view root;
        const char* name;
    };
    static constexpr RootName kRoots[] = {{"menu________", "bookmarksMenuFolder", "Bookmarks Menu"},
                                          {"toolbar_____", "toolbarFolder", "Bookmarks Toolbar"},
                                          {"unfiled_____", "unfiledBookmarksFolder", "Other Bookmarks"},
                                          {"mobile______", "mobileFolder", "Mobile Bookmarks"}};
    for (const RootName& known : kRoots) {
        for (const Json& root : *roots) {
            if (root.is_object() && (Str(root, "guid") == known.guid || Str(root, "root") == known.root)) {
                AddRoot(root, known.name, tree);
                break;
            }
        }
    }
    return true;
}

} // namespace vireo::browser_import
