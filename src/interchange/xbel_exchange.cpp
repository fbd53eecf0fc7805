// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/xbel_exchange.h"

#include <algorithm>
#include <filesystem>

#include "interchange/browser_tree.h"
#include "interchange/folder_walk.h"
#include "interchange/html_text.h"
#include "interchange/netscape.h"
#include "platform/durable_file.h"
#include "store/database.h"
#include "store/ole_date.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// Files what the reader finds straight into the import's tree, taking its texts rather
// than copying them.
class TreeSink : public xbel::Sink {
public:
    explicit TreeSink(browser_import::Tree& tree) : m_tree(tree) {}

    void Title(std::string&&) override {}
    void HighestId(std::int64_t) override {}
    void OpenFolder(xbel::Node&&) override { m_open.push_back(m_tree.AddFolder(m_open.back(), {})); }
    void FolderTitle(std::string&& title) override {
        m_tree.nodes[static_cast<std::size_t>(m_open.back())].title = std::move(title);
    }
    void FolderDesc(std::string&&) override {}
    void CloseFolder() override { m_open.pop_back(); }
    void Bookmark(xbel::Node&& item) override {
        if (text::TrimWhite(item.url).empty())
            return;
        browser_import::Node n;
        n.parent = m_open.back();
        n.title = std::move(item.title);
        n.url = std::move(item.url);
        n.added = browser_import::PlausibleSeconds(item.added);
        n.touched = browser_import::PlausibleSeconds(item.modified);
        if (!text::TrimWhite(item.desc).empty())
            n.description = std::move(item.desc);
        m_tree.AddBookmark(std::move(n));
    }

private:
    browser_import::Tree& m_tree;
    std::vector<std::int32_t> m_open{-1}; // the tree's index of each open folder
};

// Depth of the deepest folder below `folder` (the folder itself counting 0), or -1 when
// it passes `limit`.
int FolderDepth(const FolderChildren& children, std::int16_t folder, int limit) {
    struct Frame {
        std::int16_t id;
        std::size_t next;
    };
    std::vector<Frame> stack{{folder, 0}};
    int deepest = 0;
    while (!stack.empty()) {
        Frame& top = stack.back();
        const auto& list = children.Of(top.id);
        if (top.next >= list.size()) {
            stack.pop_back();
            continue;
        }
        const std::int16_t child = list[top.next++];
        if (child == kTrashFolder)
            continue;
        stack.push_back({child, 0});
        deepest = std::max(deepest, static_cast<int>(stack.size()) - 1);
        if (deepest > limit)
            return -1;
    }
    return deepest;
}

void AddFolderContents(const Database& db, const FolderChildren& children, std::int16_t folder,
                       std::vector<xbel::Node>& out, OleDateCache& dates, std::int32_t& folders,
                       std::int32_t& bookmarks) {
    const clsBookmark& marks = db.Marks(folder);
    const clsMemo& memo = db.Memo();
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0)
            continue;
        xbel::Node n;
        n.title = memo.GetMemo(r.Name);
        n.url = text::EncodeLineBreaks(memo.GetMemo(r.url));
        std::string desc = memo.GetMemo(r.Description);
        // What the program filed by itself means nothing to another program.
        if (!IsStandInDescription(desc))
            n.desc = std::move(desc);
        n.added = dates.ToUnix(r.added);
        n.modified = dates.ToUnix(r.Touched);
        out.push_back(std::move(n));
        ++bookmarks;
    }
    for (std::int16_t child : children.Of(folder)) {
        if (child == kTrashFolder || !db.IsLiveFolder(child))
            continue;
        xbel::Node f;
        f.folder = true;
        f.title = db.Folder(child).Name.Text();
        f.added = dates.ToUnix(db.Folder(child).Created);
        AddFolderContents(db, children, child, f.children, dates, folders, bookmarks);
        out.push_back(std::move(f));
        ++folders;
    }
}

xbel::Document BuildDocument(const Database& db, const FolderChildren& children, std::int16_t folder,
                             std::int32_t& folders, std::int32_t& bookmarks) {
    xbel::Document doc;
    if (!db.IsLiveFolder(folder))
        return doc;
    doc.title = db.Folder(folder).Name.Text();
    OleDateCache dates;
    AddFolderContents(db, children, folder, doc.items, dates, folders, bookmarks);
    return doc;
}

} // namespace

ExchangeResult ImportXbelAs(Database& db, const std::string& path, const XbelImportTexts& texts,
                            const ProgressFn& progress) {
    using browser_import::Refusal;
    const std::string title(texts.title);
    const std::string name = "\"" + path + "\"";
    std::error_code ec;
    if (path.empty() || !fs::is_regular_file(path, ec))
        return Refusal(title, "There is no bookmark file at " + name + ". Nothing was imported.");
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(path, bytes, &error))
        return Refusal(title, "The bookmark file " + name + " cannot be read. " + error);
    if (progress)
        progress(0, 2);
    browser_import::Tree tree;
    TreeSink sink(tree);
    if (!xbel::Parse(bytes, sink, error))
        return Refusal(title, "The file " + name + " is not an XBEL bookmark file: " + error +
                                  ". Nothing was imported.");
    bytes = std::string();
    if (tree.bookmarks == 0)
        return Refusal(title, "The bookmark file " + name + " holds no bookmarks. Nothing was imported.");
    if (progress)
        progress(1, 2);
    ExchangeResult result;
    result.title = title;
    browser_import::FileTree(db, tree, {texts.folderName, texts.description, texts.flags}, result);
    if (progress)
        progress(2, 2);
    return result;
}

ExchangeResult ImportXbel(Database& db, const std::string& path, const ProgressFn& progress) {
    return ImportXbelAs(db, path, {kXbelImportTitle, kXbelImportFolder, kXbelImportDescription, kFlagsXbel},
                        progress);
}

xbel::Document XbelFromFolder(const Database& db, std::int16_t folder) {
    std::int32_t folders = 0;
    std::int32_t bookmarks = 0;
    return BuildDocument(db, FolderChildren(db), folder, folders, bookmarks);
}

ExchangeResult ExportXbel(const Database& db, std::int16_t folder, const std::string& path) {
    ExchangeResult result;
    result.title = std::string(kXbelExportTitle);
    result.warning = true;
    if (!db.IsLiveFolder(folder)) {
        result.message = NoSuchFolderMessage(folder);
        return result;
    }
    BusyGuard busy(db.Services().busy);
    FolderChildren children(db);
    if (FolderDepth(children, folder, xbel::kMaxDepth) < 0) {
        result.message = "The folder \"" + db.Folder(folder).Name.Text() +
                         "\" holds folders nested more than " + std::to_string(xbel::kMaxDepth) +
                         " levels deep, which XBEL readers refuse. Nothing was exported.";
        return result;
    }
    const std::string contents =
        xbel::Serialize(BuildDocument(db, children, folder, result.folders, result.bookmarks));
    std::string error;
    if (contents.empty()) {
        result.message = "The XBEL file could not be made (out of memory). Nothing was exported.";
        return result;
    }
    if (!sys::WriteFileAtomic(path, contents, &error)) {
        result.message = "The XBEL file \"" + path + "\" could not be written. " + error;
        return result;
    }
    result.ok = true;
    result.warning = false;
    result.path = path;
    return result;
}

} // namespace vireo
