// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/favorites.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "interchange/folder_walk.h"
#include "platform/durable_file.h"
#include "shell/registry.h"
#include "store/database.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// A shortcut file is a few lines, but its address may be as long as the longest text a
// memo keeps (data: addresses, bookmarklets); a little more is read so that an address
// longer still is cut, and counted, by the memo store rather than here.
constexpr std::size_t kShortcutReadLimit = kMaxMemoBytes + 64 * 1024;
// Names are cut to 128 characters; this keeps them within the file system's 255 bytes
// even with a " (99999)" and ".url" added.
constexpr std::size_t kMaxNameBytes = 240;
// Deeper than this the system refuses paths anyway.
constexpr std::size_t kMaxPathBytes = 4000;

std::size_t FindNoCase(std::string_view hay, std::string_view needle) {
    if (needle.empty() || hay.size() < needle.size())
        return std::string_view::npos;
    std::string upperHay = text::AsciiUpper(hay);
    return upperHay.find(text::AsciiUpper(needle));
}

void Fail(FavExportProgress& progress, const std::string& error) {
    if (progress.failures++ == 0)
        progress.firstError = error;
}

bool EnsureDirectory(const std::string& path, std::string* error) {
    std::error_code ec;
    std::string dir = path;
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    if (fs::exists(dir, ec)) {
        if (fs::is_directory(dir, ec))
            return true;
        if (error)
            *error = "\"" + dir + "\" is not a folder.";
        return false;
    }
    fs::create_directory(dir, ec);
    if (ec && error)
        *error = "The folder \"" + dir + "\" cannot be made: " + ec.message();
    return !ec;
}

} // namespace

std::string FavoritesFolder(const Registry& reg) {
    return GetRegText(reg, kShellFoldersKey, "Favorites");
}

std::string SafeFileName(std::string_view textIn) {
    std::string out(textIn);
    for (char& c : out) {
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
        case '*':
            c = '_';
            break;
        case '\0':
            c = '_'; // no file name can hold it
            break;
        default:
            break;
        }
    }
    return out;
}

std::string SafeDirName(std::string_view name) {
    std::string safe(text::CutToBytes(SafeFileName(name), kMaxNameBytes));
    if (safe.find_first_not_of('.') == std::string::npos)
        std::replace(safe.begin(), safe.end(), '.', '_');
    // A leading dot hides a directory, and hidden directories are not imported: the
    // folder would be lost on its way back.
    if (!safe.empty() && safe[0] == '.')
        safe[0] = '_';
    return safe.empty() ? std::string("_") : safe;
}

std::string UrlFromShortcutText(std::string_view textIn) {
    std::string_view rest = textIn.substr(0, kShortcutReadLimit);
    for (int line = 0; line < 6 && !rest.empty(); ++line) {
        std::size_t end = rest.find_first_of("\r\n");
        std::string_view current = rest.substr(0, end);
        std::size_t key = current.find("URL=");
        if (key != std::string_view::npos)
            return std::string(current.substr(key + 4));
        if (end == std::string_view::npos)
            break;
        // CR LF is one line end; CR alone and LF alone are one each.
        std::size_t skip = (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n') ? 2 : 1;
        rest.remove_prefix(end + skip);
    }
    return {};
}

std::string ReadUrlFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::string buf(kShortcutReadLimit, '\0');
    in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
    buf.resize(static_cast<std::size_t>(in.gcount()));
    return UrlFromShortcutText(buf);
}

std::string ShortcutFileText(std::string_view url) {
    std::string out = "[InternetShortcut]\nURL=";
    out.append(text::EncodeLineBreaks(url));
    out.append("\n\r\n");
    return out;
}

bool ScanFavorites(Database& db, const std::string& dir, std::string_view pattern, std::int16_t parent,
                   std::int32_t* folders, std::int32_t* bookmarks) {
    std::string_view cut = pattern.size() > 1 ? pattern.substr(1) : std::string_view(".url");
    std::error_code ec;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return true;
    // The system lists entries in no particular order; alphabetical order makes an
    // import the same every time.
    std::vector<fs::directory_entry> entries;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        entries.push_back(*it);
    }
    std::sort(entries.begin(), entries.end(),
              [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
    std::vector<std::pair<std::string, std::int16_t>> subdirs;
    for (const auto& e : entries) {
        std::string name = e.path().filename().string();
        // A linked directory could lead back up the tree: only real ones are followed.
        if (e.is_directory(ec) && !e.is_symlink(ec)) {
            if (name.empty() || name[0] == '.')
                continue;
            std::int16_t id = db.AddFolder(name, parent, FolderKind::Imported);
            if (id == 0)
                return false;
            if (folders)
                ++*folders;
            subdirs.emplace_back(name, id);
            continue;
        }
        if (!e.is_regular_file(ec))
            continue;
        // Only shortcut files have a title rule; other files are left alone.
        std::size_t ext = FindNoCase(name, cut);
        if (ext == std::string::npos)
            continue;
        std::string url = ReadUrlFile(e.path().string());
        if (url.empty())
            continue;
        BookmarkRecord r =
            db.NewMark(name.substr(0, ext), url, parent, kFavoritesImportDescription, kFlagsFavorites);
        db.Marks(parent).Add(r);
        if (bookmarks)
            ++*bookmarks;
    }
    for (const auto& [name, id] : subdirs) {
        if (!ScanFavorites(db, dir + name + "/", pattern, id, folders, bookmarks))
            return false;
    }
    return true;
}

ExchangeResult ImportFavorites(Database& db, const std::string& favoritesDir) {
    ExchangeResult result;
    result.title = "Import from Explorer";
    if (favoritesDir.empty())
        return result;
    std::error_code ec;
    if (!fs::is_directory(favoritesDir, ec)) {
        result.message =
            "The Favorites folder \"" + favoritesDir + "\" does not exist, so nothing was imported.";
        result.warning = true;
        return result;
    }
    BusyGuard busy(db.Services().busy);
    std::int16_t root = db.AddFolder(kFavoritesImportFolder, kRootFolder, FolderKind::Imported);
    if (root == 0) {
        result.message = FolderTableFullMessage(0, 0);
        result.warning = true;
        return result;
    }
    std::string dir = favoritesDir;
    if (dir.back() != '/')
        dir += '/';
    std::int32_t folders = 1;
    std::int32_t bookmarks = 0;
    const std::int64_t cutsBefore = db.Memo().CutTexts();
    bool complete = ScanFavorites(db, dir, "*.url", root, &folders, &bookmarks);
    db.RefreshList();
    result.ok = true;
    result.folder = root;
    result.folders = folders;
    result.bookmarks = bookmarks;
    if (!complete) {
        result.message = FolderTableFullMessage(folders, bookmarks);
        result.warning = true;
    }
    NoteCutTexts(result, db.Memo().CutTexts() - cutsBefore);
    return result;
}

std::string FavNameTable::Claim(const std::string& dir, const std::string& base) {
    auto& used = m_used[dir];
    std::string name = base;
    for (int n = 2; used.count(name); ++n)
        name = base + " (" + std::to_string(n) + ")";
    used.insert(name);
    return name;
}

std::string WriteUrlFile(const Database& db, std::int16_t folder, std::int32_t key, const std::string& dirIn,
                         FavNameTable* names, std::string* error) {
    if (!db.IsSlot(folder))
        return {};
    const clsBookmark& marks = db.Marks(folder);
    std::string dir = dirIn;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    std::string base(text::CutToChars(SafeFileName(marks.NameStr(key)), 128));
    base = std::string(text::CutToBytes(base, kMaxNameBytes));
    if (base.empty())
        base = "(No Title)";
    std::string name = names ? names->Claim(dir, base) : base;
    std::string path = dir + name + ".url";
    if (!sys::WriteFileAtomic(path, ShortcutFileText(marks.UrlStr(key)), error))
        return {};
    return path;
}

void WriteFavBookmarks(const Database& db, std::int16_t folder, const std::string& dir, FavNameTable& names,
                       FavExportProgress& progress) {
    const clsBookmark& marks = db.Marks(folder);
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        std::int32_t key = marks.key(pos);
        if (key == 0)
            continue;
        std::string error;
        if (WriteUrlFile(db, folder, key, dir, &names, &error).empty())
            Fail(progress, error);
        else
            ++progress.files;
    }
}

namespace {

// ExportFavFolder with the subfolders of every folder found once for the whole tree;
// asking the folder table for each folder's subfolders costs a pass over all its slots.
void ExportFavTree(const Database& db, const FolderChildren& children, std::int16_t folder, std::string& path,
                   int& depth, FavNameTable& names, FavExportProgress& progress) {
    ++depth;
    if (path.empty() || path.back() != '/')
        path += '/';
    std::string error;
    if (path.size() > kMaxPathBytes) {
        Fail(progress, "The folder \"" + path + "\" lies too deep to be made.");
    } else if (!EnsureDirectory(path, &error)) {
        Fail(progress, error);
    } else {
        ++progress.folders;
        WriteFavBookmarks(db, folder, path, names, progress);
        for (std::int16_t child : children.Of(folder)) {
            path += SafeDirName(text::TrimSpaces(db.Folder(child).Name.Text()));
            path += '/';
            ExportFavTree(db, children, child, path, depth, names, progress);
        }
    }
    // Drop this folder's own component again.
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    std::size_t slash = path.rfind('/');
    path.erase(slash == std::string::npos ? 0 : slash + 1);
    --depth;
}

} // namespace

void ExportFavFolder(const Database& db, std::int16_t folder, std::string& path, int& depth,
                     FavNameTable& names, FavExportProgress& progress) {
    ExportFavTree(db, FolderChildren(db), folder, path, depth, names, progress);
}

ExchangeResult ExportFavorites(const Database& db, std::int16_t folder, const std::string& favoritesDir) {
    ExchangeResult result;
    result.title = "Export to Explorer";
    if (folder < 1)
        return result;
    result.warning = true;
    std::error_code ec;
    if (favoritesDir.empty() || !fs::is_directory(favoritesDir, ec)) {
        result.message = std::string(kNoFavoritesMessage);
        return result;
    }
    if (!db.IsLiveFolder(folder)) {
        result.message = NoSuchFolderMessage(folder);
        return result;
    }
    BusyGuard busy(db.Services().busy);
    std::string path = favoritesDir;
    if (path.back() != '/')
        path += '/';
    path += std::string(kFavoritesExportFolder) + "/";
    result.path = path;
    int depth = 0;
    FavNameTable names;
    FavExportProgress progress;
    ExportFavFolder(db, folder, path, depth, names, progress);
    result.ok = true;
    result.folders = progress.folders;
    result.bookmarks = progress.files;
    if (progress.failures > 0) {
        result.message = std::to_string(progress.failures) +
                         " shortcut files or folders could not be written. " + progress.firstError;
    } else {
        result.warning = false;
    }
    return result;
}

} // namespace vireo
