// SPDX-License-Identifier: GPL-3.0-or-later
// Filing what the browsers' readers built, and the import of each browser by its kind of store.
#include "interchange/browser_import.h"

#include <filesystem>

#include "interchange/browser_tree.h"
#include "interchange/xbel_exchange.h"
#include "store/database.h"
#include "store/ole_date.h"

namespace vireo {

namespace fs = std::filesystem;

namespace browser_import {

bool IsBrowserInternal(std::string_view url) {
    // Saved searches and smart folders: queries into the browser's own history.
    constexpr std::string_view kPlace = "place:";
    if (url.size() < kPlace.size())
        return false;
    for (std::size_t i = 0; i < kPlace.size(); ++i) {
        char c = url[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kPlace[i])
            return false;
    }
    return true;
}

fs::path StoreFile(const std::string& source, const char* fileName) {
    std::error_code ec;
    if (fs::is_directory(source, ec))
        return fs::path(source) / fileName;
    return fs::path(source);
}

BrowserTexts TextsOf(std::string_view browserName, std::int16_t flags) {
    const std::string name(browserName);
    return {name, "Import from " + name, "Imported from " + name, flags};
}

ExchangeResult Refusal(std::string title, std::string message) {
    ExchangeResult r;
    r.title = std::move(title);
    r.message = std::move(message);
    r.warning = true;
    return r;
}

void FileTree(Database& db, const Tree& tree, const FilingTexts& texts, ExchangeResult& result) {
    std::int16_t root = db.AddFolder(texts.folderName, kRootFolder, FolderKind::Imported);
    if (root == 0) {
        result.message = FolderTableFullMessage(0, 0);
        result.warning = true;
        return;
    }
    BusyGuard busy(db.Services().busy);
    const std::int64_t cutsBefore = db.Memo().CutTexts();
    OleDateCache dates;
    // Folder IDs by node index; every node comes after its parent.
    std::vector<std::int16_t> ids(tree.nodes.size(), 0);
    std::int32_t folders = 1;
    std::int32_t bookmarks = 0;
    bool full = false;
    for (std::size_t i = 0; i < tree.nodes.size() && !full; ++i) {
        const Node& n = tree.nodes[i];
        std::int16_t parent = n.parent < 0 ? root : ids[static_cast<std::size_t>(n.parent)];
        if (parent == 0)
            continue; // under a folder that could not be made
        if (n.folder) {
            ids[i] = db.AddFolder(n.title, parent, FolderKind::Imported);
            if (ids[i] == 0)
                full = true;
            else
                ++folders;
            continue;
        }
        // A bookmark without a name would be a blank line in the list: its address names it.
        BookmarkRecord r = db.NewMark(
            n.title.empty() ? std::string_view(n.url) : std::string_view(n.title), n.url, parent,
            n.description.empty() ? texts.description : std::string_view(n.description), texts.flags);
        if (n.added > 0)
            r.added = dates.ToOle(n.added);
        if (n.touched > 0)
            r.Touched = dates.ToOle(n.touched);
        else if (n.added > 0)
            r.Touched = r.added;
        db.Marks(parent).Add(r);
        ++bookmarks;
    }
    result.ok = true;
    result.warning = false;
    result.folder = root;
    result.folders = folders;
    result.bookmarks = bookmarks;
    if (full) {
        result.message = FolderTableFullMessage(folders, bookmarks);
        result.warning = true;
    }
    NoteCutTexts(result, db.Memo().CutTexts() - cutsBefore);
}

} // namespace browser_import

ExchangeResult ImportBrowser(Database& db, const BrowserInfo& browser, const std::string& source,
                             const ProgressFn& progress) {
    using namespace browser_import;
    const std::string name(browser.name);
    switch (browser.family) {
    case BrowserFamily::Firefox:
        return ImportFirefoxStore(db, source, TextsOf(name, kFlagsFirefox), progress);
    case BrowserFamily::Chromium:
        return ImportChromiumStore(db, source, "Bookmarks", TextsOf(name, kFlagsChromium), progress);
    case BrowserFamily::Falkon:
        return ImportChromiumStore(db, source, "bookmarks.json", TextsOf(name, kFlagsFalkon), progress);
    case BrowserFamily::Qutebrowser:
        return ImportQutebrowser(db, source, progress);
    case BrowserFamily::Konqueror: {
        const BrowserTexts texts = TextsOf(name, kFlagsKonqueror);
        return ImportXbelAs(db, StoreFile(source, "bookmarks.xml").string(),
                            {texts.title, texts.folderName, texts.folderName, texts.flags}, progress);
    }
    }
    return Refusal("Import", "Nothing was imported.");
}

ExchangeResult ImportProfile(Database& db, const BrowserProfile& profile, const ProgressFn& progress) {
    const BrowserInfo* browser = FindBrowser(profile.browserId);
    return ImportBrowser(db, browser ? *browser : FamilyBrowser(profile.kind), profile.path, progress);
}

ExchangeResult ImportFromBrowser(Database& db, BrowserFamily family, const std::string& source,
                                 const ProgressFn& progress) {
    return ImportBrowser(db, FamilyBrowser(family), source, progress);
}

bool IsBrowserImportDescription(std::string_view description) {
    constexpr std::string_view kPrefix = "Imported from ";
    if (!description.starts_with(kPrefix))
        return false;
    description.remove_prefix(kPrefix.size());
    for (const BrowserInfo& b : KnownBrowsers()) {
        if (b.name == description)
            return true;
    }
    return false;
}

} // namespace vireo
