// SPDX-License-Identifier: GPL-3.0-or-later
// qutebrowser keeps two plain text files in its configuration folder: bookmarks/urls, one
// "ADDRESS TITLE" a line, and quickmarks, one "NAME ADDRESS" a line, where the name may hold
// spaces. Quickmarks go into a folder of their own.
#include <filesystem>

#include "interchange/browser_import.h"
#include "interchange/browser_tree.h"
#include "interchange/html_text.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

bool IsSchemeChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
}

// qutebrowser opens what the user typed, so a quickmark may be "example.org/x" or
// "localhost:8080": it becomes what the browser would open, a web address (or a file
// for a path).
std::string WithScheme(std::string_view address) {
    if (!address.empty() && address.front() == '/')
        return "file://" + std::string(address);
    const std::size_t colon = address.find(':');
    if (colon != std::string_view::npos && colon > 0 &&
        ((address[0] >= 'a' && address[0] <= 'z') || (address[0] >= 'A' && address[0] <= 'Z'))) {
        bool scheme = true;
        for (std::size_t i = 0; i < colon && scheme; ++i)
            scheme = IsSchemeChar(address[i]);
        // "host:8080" is a host and a port, not a scheme.
        const bool port =
            colon + 1 < address.size() && address[colon + 1] >= '0' && address[colon + 1] <= '9';
        if (scheme && !port)
            return std::string(address);
    }
    return "http://" + std::string(address);
}

enum class ListKind { Bookmarks, Quickmarks };

// The entries of one file, into a new folder below the import folder.
void ReadList(std::string_view text, ListKind kind, const char* folderName, browser_import::Tree& tree) {
    const browser_import::Tree::Mark mark = tree.Here();
    const std::int32_t folder = tree.AddFolder(-1, folderName);
    html::ForEachLine(text, [&](std::string_view raw) {
        const std::string line(text::TrimWhite(raw));
        if (line.empty())
            return;
        browser_import::Node n;
        n.parent = folder;
        if (kind == ListKind::Bookmarks) {
            const std::size_t space = line.find_first_of(" \t");
            n.url = line.substr(0, space);
            if (space != std::string::npos)
                n.title = std::string(text::TrimWhite(std::string_view(line).substr(space + 1)));
        } else {
            const std::size_t space = line.find_last_of(" \t");
            if (space == std::string::npos)
                return; // a name without an address
            n.title = std::string(text::TrimWhite(std::string_view(line).substr(0, space)));
            n.url = line.substr(space + 1);
        }
        n.url = WithScheme(n.url);
        n.title = text::DecodeStored(n.title);
        n.url = text::DecodeStored(n.url);
        tree.AddBookmark(std::move(n));
    });
    tree.DropIfEmpty(mark);
}

} // namespace

namespace browser_import {

ExchangeResult ImportQutebrowser(Database& db, const std::string& source, const ProgressFn& progress) {
    constexpr const char* kTitle = "Import from qutebrowser";
    std::error_code ec;
    fs::path urls;
    fs::path quickmarks;
    if (fs::is_directory(source, ec)) {
        urls = fs::path(source) / "bookmarks" / "urls";
        quickmarks = fs::path(source) / "quickmarks";
    } else if (fs::path(source).filename() == "quickmarks") {
        quickmarks = source;
    } else {
        urls = source;
    }
    const bool hasUrls = !urls.empty() && fs::is_regular_file(urls, ec);
    const bool hasQuick = !quickmarks.empty() && fs::is_regular_file(quickmarks, ec);
    if (source.empty() || (!hasUrls && !hasQuick))
        return Refusal(kTitle, "There are no qutebrowser bookmarks or quickmarks at \"" + source +
                                   "\". Nothing was imported.");
    browser_import::Tree tree;
    for (const auto& [file, kind, name] : {std::tuple{urls, ListKind::Bookmarks, "Bookmarks"},
                                           std::tuple{quickmarks, ListKind::Quickmarks, "Quickmarks"}}) {
        if (file.empty() || !fs::is_regular_file(file, ec))
            continue;
        std::string bytes;
        std::string error;
        if (!html::ReadInputFile(file.string(), bytes, &error))
            return Refusal(kTitle, "The file \"" + file.string() + "\" cannot be read. " + error);
        ReadList(bytes, kind, name, tree);
    }
    if (tree.bookmarks == 0)
        return Refusal(kTitle, "The qutebrowser files at \"" + source +
                                   "\" hold no bookmarks. Nothing was imported.");
    ExchangeResult result;
    result.title = kTitle;
    browser_import::FileTree(
        db, tree, {"Imported from qutebrowser", "Imported from qutebrowser", kFlagsQutebrowser}, result);
    if (progress)
        progress(1, 1);
    return result;
}

} // namespace browser_import
} // namespace vireo
