// SPDX-License-Identifier: GPL-3.0-or-later
// The Chromium family keeps its bookmarks in one JSON file, "Bookmarks", in each profile
// folder. The browser replaces it whole when it saves, so a read sees either the old or the
// new file; a file cut short (a full disk, a copy that stopped) fails to parse and is refused.
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "interchange/browser_import.h"
#include "interchange/browser_tree.h"
#include "interchange/html_text.h"
#include "interchange/json_scan.h"
#include "store/database.h"

namespace vireo {

namespace fs = std::filesystem;
using Json = nlohmann::json;

namespace {

// Seconds from 1601-01-01 (where the browser counts from) to 1970-01-01, both UTC.
constexpr std::int64_t kEpochGap = INT64_C(11644473600);

// A date field: microseconds since 1601 written as a decimal string.
std::int64_t DateText(std::string_view text) {
    std::int64_t micros = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), micros);
    if (ec != std::errc() || ptr != text.data() + text.size() || micros <= 0)
        return 0;
    return browser_import::PlausibleSeconds(micros / 1000000 - kEpochGap);
}

// What the import reads of one node: a field that is missing or no string counts as empty.
struct RawNode {
    std::string type;
    std::string name;
    std::string url;
    std::int64_t added = 0; // Unix seconds, as the other dates
    std::int64_t lastUsed = 0;
    std::int64_t modified = 0;
    std::string description;            // Falkon's
    bool hasChildren = false;           // "children" is a list
    std::vector<std::int32_t> children; // the objects in that list
    // Of a root that is no folder but an object holding folders (Opera's "custom_root"):
    // those folders by key, in the file's order.
    std::vector<std::pair<std::string, std::int32_t>> members;
};

bool IsFolderNode(const RawNode& node) {
    return node.hasChildren && node.type == "folder";
}

// Takes the file as a stream of events and keeps only the nodes, their few fields and the
// roots: building the whole document of a big file took most of the import's time. What
// it keeps is what the document would say: of two equal keys the later counts; objects
// anywhere else (meta_info and the like) are passed over whole.
class BookmarksReader {
public:
    explicit BookmarksReader(std::size_t bytes) { m_nodes.reserve(bytes / 256); }

    // The parser's events.
    bool null() { return Value(Kind::Other, nullptr); }
    bool boolean(bool) { return Value(Kind::Other, nullptr); }
    bool number_integer(Json::number_integer_t) { return Value(Kind::Other, nullptr); }
    bool number_unsigned(Json::number_unsigned_t) { return Value(Kind::Other, nullptr); }
    bool number_float(Json::number_float_t, const std::string&) { return Value(Kind::Other, nullptr); }
    bool string(std::string& text) { return Value(Kind::String, &text); }
    bool binary(Json::binary_t&) { return Value(Kind::Other, nullptr); }
    bool start_object(std::size_t) { return Value(Kind::Object, nullptr); }
    bool start_array(std::size_t) { return Value(Kind::Array, nullptr); }
    bool end_object() { return Close(); }
    bool end_array() { return Close(); }
    bool key(std::string& key) {
        if (m_stack.empty())
            return true;
        switch (m_stack.back().scope) {
        case Scope::Document:
            m_field = key == "roots" ? Field::Roots : Field::None;
            break;
        case Scope::Roots:
            m_rootKey = std::move(key);
            break;
        case Scope::Root:
            m_field = NodeField(key);
            if (m_field == Field::None)
                m_memberKey = std::move(key);
            break;
        case Scope::Node:
            m_field = NodeField(key);
            break;
        default:
            break;
        }
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const Json::exception&) {
        errorByte = position;
        return false;
    }

    std::size_t errorByte = 0;
    bool isObject = false; // the document is an object
    bool hasRoots = false; // whose (last) "roots" is an object
    std::vector<RawNode>& Nodes() { return m_nodes; }
    // Each root by its key, -1 for one that is no object; in key order.
    const std::map<std::string, std::int32_t>& Roots() const { return m_roots; }

private:
    enum class Kind : std::uint8_t { Other, String, Object, Array };
    enum class Scope : std::uint8_t { Document, Roots, Root, Node, Children, Skipped };
    enum class Field : std::uint8_t {
        None,
        Roots,
        Children,
        Type,
        Name,
        Url,
        Added,
        LastUsed,
        Modified,
        Description
    };
    struct Frame {
        Scope scope;
        std::int32_t node; // the node of a Node or Children scope
    };

    static Field NodeField(std::string_view key) {
        static constexpr std::pair<std::string_view, Field> kFields[] = {
            {"children", Field::Children},
            {"type", Field::Type},
            {"name", Field::Name},
            {"url", Field::Url},
            {"date_added", Field::Added},
            {"date_last_used", Field::LastUsed},
            {"date_modified", Field::Modified},
            {"description", Field::Description},
        };
        for (const auto& [name, field] : kFields) {
            if (key == name)
                return field;
        }
        return Field::None;
    }

    std::int32_t NewNode() {
        m_nodes.emplace_back();
        return static_cast<std::int32_t>(m_nodes.size()) - 1;
    }

    // A value begins: it goes where the key before it (or the list it is in) says; an
    // object or list opens a scope that ends with it.
    bool Value(Kind kind, std::string* text) {
        Frame opened{Scope::Skipped, -1};
        if (m_stack.empty()) {
            isObject = kind == Kind::Object;
            if (isObject)
                opened.scope = Scope::Document;
        } else {
            const Frame top = m_stack.back();
            switch (top.scope) {
            case Scope::Document:
                if (m_field == Field::Roots) {
                    m_roots.clear();
                    hasRoots = kind == Kind::Object;
                    if (hasRoots)
                        opened.scope = Scope::Roots;
                }
                break;
            case Scope::Roots:
                if (kind == Kind::Object)
                    opened = {Scope::Root, NewNode()};
                m_roots.insert_or_assign(std::move(m_rootKey), opened.node);
                break;
            case Scope::Root:
                if (m_field == Field::None) {
                    if (kind == Kind::Object)
                        opened = {Scope::Node, NewNode()};
                    AddMember(m_nodes[static_cast<std::size_t>(top.node)], std::move(m_memberKey),
                              opened.node);
                    break;
                }
                [[fallthrough]];
            case Scope::Node:
                SetField(m_nodes[static_cast<std::size_t>(top.node)], kind, text);
                if (m_field == Field::Children && kind == Kind::Array)
                    opened = {Scope::Children, top.node};
                break;
            case Scope::Children:
                if (kind == Kind::Object) {
                    opened = {Scope::Node, NewNode()};
                    m_nodes[static_cast<std::size_t>(top.node)].children.push_back(opened.node);
                }
                break;
            case Scope::Skipped:
                break;
            }
        }
        if (kind == Kind::Object || kind == Kind::Array)
            m_stack.push_back(opened);
        return true;
    }

    void SetField(RawNode& node, Kind kind, std::string* text) {
        const bool isString = kind == Kind::String;
        switch (m_field) {
        case Field::Children:
            node.hasChildren = kind == Kind::Array;
            node.children.clear();
            break;
        case Field::Type:
            node.type = isString ? std::move(*text) : std::string();
            break;
        case Field::Name:
            node.name = isString ? std::move(*text) : std::string();
            break;
        case Field::Url:
            node.url = isString ? std::move(*text) : std::string();
            break;
        case Field::Added:
            node.added = isString ? DateText(*text) : 0;
            break;
        case Field::LastUsed:
            node.lastUsed = isString ? DateText(*text) : 0;
            break;
        case Field::Modified:
            node.modified = isString ? DateText(*text) : 0;
            break;
        case Field::Description:
            node.description = isString ? std::move(*text) : std::string();
            break;
        default:
            break;
        }
    }

    // Of two equal keys the later counts, in the place of the first.
    static void AddMember(RawNode& root, std::string key, std::int32_t node) {
        for (auto& [k, n] : root.members) {
            if (k == key) {
                n = node;
                return;
            }
        }
        root.members.emplace_back(std::move(key), node);
    }

    bool Close() {
        m_stack.pop_back();
        return true;
    }

    std::vector<RawNode> m_nodes;
    std::map<std::string, std::int32_t> m_roots;
    std::vector<Frame> m_stack;
    Field m_field = Field::None; // what the last key of a Document, Root or Node scope names
    std::string m_rootKey;
    std::string m_memberKey;
};

// One root with everything below it, each folder's entries in the browser's order. Every
// node is reached once, so its texts are moved out.
void AddRoot(std::vector<RawNode>& nodes, std::int32_t rootIndex, const char* fallbackName,
             browser_import::Tree& tree) {
    RawNode& root = nodes[static_cast<std::size_t>(rootIndex)];
    const browser_import::Tree::Mark mark = tree.Here();
    struct Frame {
        const std::vector<std::int32_t>* children;
        std::size_t next;
        std::int32_t node;
    };
    std::vector<Frame> stack{
        {&root.children, 0, tree.AddFolder(-1, root.name.empty() ? fallbackName : std::move(root.name))}};
    // Written without recursion: folders may nest very deep.
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next >= top.children->size()) {
            stack.pop_back();
            continue;
        }
        RawNode& child = nodes[static_cast<std::size_t>((*top.children)[top.next++])];
        const std::int32_t into = top.node;
        if (IsFolderNode(child)) {
            std::int32_t node = tree.AddFolder(into, std::move(child.name));
            stack.push_back({&child.children, 0, node});
        } else if (child.type == "url" && !child.url.empty()) {
            browser_import::Node n;
            n.parent = into;
            n.title = std::move(child.name);
            n.url = std::move(child.url);
            n.added = child.added;
            n.touched = std::max(child.lastUsed, child.modified);
            n.description = std::move(child.description);
            tree.AddBookmark(std::move(n));
        }
    }
    tree.DropIfEmpty(mark);
}

// The names of the roots some browsers of the family leave unnamed.
const char* RootName(std::string_view key) {
    static constexpr std::pair<std::string_view, const char*> kNames[] = {
        {"bookmark_bar", "Bookmarks bar"},   {"other", "Other bookmarks"}, {"synced", "Mobile bookmarks"},
        {"bookmark_menu", "Bookmarks menu"}, {"userRoot", "Bookmarks"},    {"unsorted", "Unsorted bookmarks"},
        {"speedDial", "Speed Dial"},
    };
    for (const auto& [k, name] : kNames) {
        if (k == key)
            return name;
    }
    return nullptr;
}

// Deleted bookmarks (Vivaldi's and Opera's trash) are not brought back by an import.
bool IsTrash(std::string_view key) {
    return key == "trash";
}

} // namespace

namespace browser_import {

ExchangeResult ImportChromiumStore(Database& db, const std::string& source, const char* fileName,
                                   const BrowserTexts& texts, const ProgressFn& progress) {
    const std::string& title = texts.title;
    const std::string& browser = texts.browser;
    const fs::path file = StoreFile(source, fileName);
    const std::string name = "\"" + file.string() + "\"";
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(file, ec))
        return Refusal(title, "There is no " + browser + " bookmark file (" + fileName + ") at " + name +
                                  ". Nothing was imported.");
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(file.string(), bytes, &error))
        return Refusal(title, "The bookmark file " + name + " cannot be read. " + error);
    if (bytes.find_first_not_of(" \t\r\n") == std::string::npos)
        return Refusal(title, "The bookmark file " + name + " is empty. Nothing was imported.");
    if (progress)
        progress(0, bytes.size());
    BookmarksReader reader(bytes.size());
    if (!json_scan::Scanner<BookmarksReader>(bytes, reader).Run()) {
        // Damaged, or unlike what a browser writes: the general parser decides, from the start.
        reader = BookmarksReader(bytes.size());
        if (!Json::sax_parse(bytes.data(), bytes.data() + bytes.size(), &reader))
            return Refusal(title, "The bookmark file " + name + " is damaged or incomplete (at byte " +
                                      std::to_string(reader.errorByte) + "). Nothing was imported.");
    }
    bytes = std::string();
    if (!reader.isObject || !reader.hasRoots)
        return Refusal(title, "The file " + name + " is not a " + browser +
                                  " bookmark file (it has no bookmark roots). Nothing was imported.");
    std::vector<RawNode>& nodes = reader.Nodes();
    const std::map<std::string, std::int32_t>& roots = reader.Roots();
    Tree tree;
    auto isFolder = [&](std::int32_t node) {
        return node >= 0 && IsFolderNode(nodes[static_cast<std::size_t>(node)]);
    };
    auto addRoot = [&](const std::string& key, std::int32_t node) {
        if (IsTrash(key) || node < 0)
            return;
        if (isFolder(node)) {
            const char* known = RootName(key);
            AddRoot(nodes, node, known ? known : key.c_str(), tree);
            return;
        }
        // An untyped object holding roots of its own: each is a root beside the others.
        const auto members = nodes[static_cast<std::size_t>(node)].members;
        for (const auto& [memberKey, member] : members) {
            if (!IsTrash(memberKey) && isFolder(member)) {
                const char* known = RootName(memberKey);
                AddRoot(nodes, member, known ? known : memberKey.c_str(), tree);
            }
        }
    };
    static constexpr const char* kFirst[] = {"bookmark_bar", "bookmark_menu", "other", "synced"};
    for (const char* key : kFirst) {
        if (auto it = roots.find(key); it != roots.end())
            addRoot(it->first, it->second);
    }
    // Browsers of the family that add roots of their own keep them beside these.
    for (const auto& [key, node] : roots) {
        if (std::find(std::begin(kFirst), std::end(kFirst), key) == std::end(kFirst))
            addRoot(key, node);
    }
    if (tree.bookmarks == 0)
        return Refusal(title, "The bookmark file " + name + " holds no bookmarks. Nothing was imported.");
    ExchangeResult result;
    result.title = title;
    FileTree(db, tree, texts.Filing(), result);
    if (progress)
        progress(1, 1);
    return result;
}

} // namespace browser_import

ExchangeResult ImportChromium(Database& db, const std::string& source, const ProgressFn& progress) {
    return browser_import::ImportChromiumStore(db, source, "Bookmarks",
                                               browser_import::TextsOf("Chromium", kFlagsChromium), progress);
}

} // namespace vireo
