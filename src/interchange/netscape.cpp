// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/netscape.h"

#include <charconv>
#include <filesystem>
#include <unordered_set>
#include <vector>

#include "interchange/browser_import.h"
#include "interchange/favorites.h"
#include "interchange/find.h"
#include "interchange/folder_walk.h"
#include "interchange/html_import.h"
#include "interchange/html_text.h"
#include "interchange/xbel_exchange.h"
#include "platform/durable_file.h"
#include "store/database.h"
#include "store/default_content.h"
#include "store/ole_date.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

std::string FolderTableFullMessage(std::int32_t folders, std::int32_t bookmarks) {
    return "Vireo can hold no more than " + std::to_string(kMaxFolderSlots) +
           " folders, so the import stopped there. The " + std::to_string(folders) + " folders and " +
           std::to_string(bookmarks) + " bookmarks read until then were kept.";
}

std::string NoSuchFolderMessage(std::int32_t folder) {
    return "There is no folder number " + std::to_string(folder) + ".";
}

void NoteCutTexts(ExchangeResult& result, std::int64_t cuts) {
    if (cuts <= 0)
        return;
    std::string line =
        cuts == 1 ? std::string("1 text was longer than 1 MiB and was cut to that length.")
                  : std::to_string(cuts) + " texts were longer than 1 MiB and were cut to that length.";
    if (!result.message.empty())
        result.message += '\n';
    result.message += line;
    result.warning = true;
}

bool IsStandInDescription(std::string_view description) {
    // What the program files as a description when the source had none.
    static constexpr std::string_view kStandIns[] = {
        kNetscapeImportDescription,  kFavoritesImportDescription,
        kHtmlImportDescription,      kFromFind,
        kDefaultBookmarkDescription, kFirefoxImportDescription,
        kChromiumImportDescription,  kXbelImportDescription,
    };
    std::string_view trimmed = text::TrimWhite(description);
    for (std::string_view s : kStandIns) {
        if (trimmed == s)
            return true;
    }
    return IsBrowserImportDescription(trimmed);
}

namespace {

// A description a little longer than a memo keeps is read on, so that the memo store
// sees it is too long and counts the cut.
constexpr std::size_t kMaxDescriptionBytes = kMaxMemoBytes + 4;
constexpr std::uint64_t kProgressStep = 1 << 20;

// A date attribute as Unix seconds; 0 when absent or not a plausible date. Some browsers
// write milliseconds or microseconds.
std::int64_t DateAttribute(std::string_view tag, std::string_view name) {
    std::string_view v;
    if (!html::TagAttribute(tag, name, v))
        return 0;
    v = text::TrimWhite(v);
    std::int64_t n = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || ptr != v.data() + v.size() || n <= 0)
        return 0;
    if (n > INT64_C(100000000000000))
        n /= 1000000;
    else if (n > INT64_C(100000000000))
        n /= 1000;
    // OLE dates end with the year 9999.
    return n < INT64_C(253402300799) ? n : 0;
}

class NetscapeReader {
public:
    NetscapeReader(std::int32_t root, NetscapeBuilder& builder) : m_builder(builder) {
        m_folders.push_back(root);
        m_parents.push_back(0);
    }

    bool Line(std::string_view line) {
        html::AsciiUpperInto(line, m_upper);
        const std::string_view upper = m_upper;
        std::size_t firstDt = html::FindTag(upper, "DT", 0);
        std::size_t start = 0;
        if (m_pending) {
            if (m_inDescription) {
                if (IsContinuation(upper)) {
                    std::string& d = m_pendingMark.description;
                    if (d.size() < kMaxDescriptionBytes) {
                        d += '\n';
                        d.append(
                            line.substr(0, kMaxDescriptionBytes - std::min(d.size(), kMaxDescriptionBytes)));
                    }
                    return true;
                }
            } else {
                std::size_t dd = html::FindTag(upper, "DD", 0);
                if (dd != std::string_view::npos && (firstDt == std::string_view::npos || dd < firstDt)) {
                    std::size_t end = html::TagEnd(line, dd);
                    std::size_t from = end == std::string_view::npos ? dd + 3 : end + 1;
                    std::size_t to = firstDt == std::string_view::npos ? line.size() : firstDt;
                    if (from < to)
                        m_pendingMark.description.assign(
                            line.substr(from, std::min(to - from, kMaxDescriptionBytes)));
                    m_inDescription = true;
                    if (firstDt == std::string_view::npos)
                        return true;
                    start = firstDt;
                }
            }
            if (!Flush())
                return false;
        }
        return Entries(line, upper, start, firstDt);
    }

    bool Finish() { return !m_pending || Flush(); }

private:
    static bool IsContinuation(std::string_view upper) {
        for (std::string_view tag : {"DT", "DD", "DL", "/DL", "HR"}) {
            if (html::FindTag(upper, tag, 0) != std::string_view::npos)
                return false;
        }
        return true;
    }

    bool Flush() {
        m_pending = false;
        m_inDescription = false;
        NetscapeBookmark& m = m_pendingMark;
        if (!m.description.empty()) {
            m.description = html::DecodeEntities(text::TrimWhite(m.description), true);
            m.description.assign(text::TrimWhite(m.description));
        }
        m.hasDescription = !m.description.empty();
        return m_builder.AddBookmark(m_pendingFolder, m);
    }

    // The list markers in [from, to): "<DL" opens the list of the folder read last,
    // "</DL" goes back to the parent's list.
    void Lists(std::string_view upper, std::size_t from, std::size_t to) {
        std::size_t p = upper.find('<', from);
        while (p != std::string_view::npos && p < to) {
            if (html::IsTagAt(upper, p, "DL")) {
                m_current = m_folders.size() - 1;
            } else if (html::IsTagAt(upper, p, "/DL")) {
                m_current = m_parents[m_current];
            }
            p = upper.find('<', p + 1);
        }
    }

    bool Entries(std::string_view line, std::string_view upper, std::size_t pos, std::size_t dt) {
        while (true) {
            if (dt == std::string_view::npos) {
                Lists(upper, pos, upper.size());
                return true;
            }
            Lists(upper, pos, dt);
            std::size_t next = html::FindTag(upper, "DT", dt + 3);
            std::size_t segEnd = next == std::string_view::npos ? upper.size() : next;
            std::size_t after = segEnd;
            if (!Entry(line, upper.substr(0, segEnd), dt, after))
                return false;
            pos = after;
            dt = next;
        }
    }

    // One <DT> entry, from `dt` to the end of `upper`. `after` is set to the end of
    // what the entry used.
    bool Entry(std::string_view line, std::string_view upper, std::size_t dt, std::size_t& after) {
        std::size_t h3 = html::FindTag(upper, "H3", dt);
        if (h3 != std::string_view::npos) {
            std::size_t end = html::TagEnd(upper, h3);
            std::size_t close = end == std::string_view::npos ? end : upper.find("</H3>", end + 1);
            std::int32_t handle = m_folders[m_current];
            if (close != std::string_view::npos) {
                std::string name = html::DecodeEntities(line.substr(end + 1, close - end - 1), true);
                handle = m_builder.AddFolder(m_folders[m_current], name);
                if (handle == 0)
                    return false;
                after = close + 5;
            } else {
                // A folder line we cannot read: its list still opens below, so that the
                // nesting of everything after it stays right; its entries go to its parent.
                after = end == std::string_view::npos ? upper.size() : end + 1;
            }
            m_folders.push_back(handle);
            m_parents.push_back(m_current);
            return true;
        }
        std::size_t a = html::FindTag(upper, "A", dt);
        while (a != std::string_view::npos) {
            std::size_t end = html::TagEnd(upper, a);
            if (end == std::string_view::npos)
                return true; // the tag does not end on this line: skip it
            std::string_view tag = line.substr(a, end - a + 1);
            std::string_view href;
            if (html::TagAttribute(tag, "HREF", href)) {
                std::size_t close = upper.find("</A>", end + 1);
                if (close == std::string_view::npos)
                    return true;
                m_pendingMark = NetscapeBookmark{};
                m_pendingMark.url = html::DecodeEntities(href, false);
                m_pendingMark.title = html::DecodeEntities(line.substr(end + 1, close - end - 1), true);
                m_pendingMark.added = DateAttribute(tag, "ADD_DATE");
                m_pendingMark.touched =
                    std::max(DateAttribute(tag, "LAST_VISIT"), DateAttribute(tag, "LAST_MODIFIED"));
                m_pendingFolder = m_folders[m_current];
                m_pending = true;
                after = close + 4;
                return true;
            }
            a = html::FindTag(upper, "A", end + 1);
        }
        return true;
    }

    NetscapeBuilder& m_builder;
    std::vector<std::int32_t> m_folders; // folder list: handles of every folder read, root first
    std::vector<std::size_t> m_parents;  // for each entry, the entry of its parent
    std::size_t m_current = 0;
    std::string m_upper;
    bool m_pending = false;
    bool m_inDescription = false;
    NetscapeBookmark m_pendingMark;
    std::int32_t m_pendingFolder = 0;
};

class DatabaseBuilder : public NetscapeBuilder {
public:
    explicit DatabaseBuilder(Database& db, std::int16_t flags = kFlagsNetscape,
                             FolderKind folderKind = FolderKind::Imported,
                             std::string_view noDescription = kNetscapeImportDescription)
        : m_db(db), m_flags(flags), m_folderKind(folderKind), m_noDescription(noDescription) {}

    std::int32_t AddFolder(std::int32_t parent, std::string_view name) override {
        std::int16_t id = m_db.AddFolder(name, static_cast<std::int16_t>(parent), m_folderKind);
        if (id == 0) {
            full = true;
            return 0;
        }
        ++folders;
        return id;
    }

    bool AddBookmark(std::int32_t folder, const NetscapeBookmark& m) override {
        BookmarkRecord r =
            m_db.NewMark(m.title, m.url, static_cast<std::int16_t>(folder),
                         m.hasDescription ? std::string_view(m.description) : m_noDescription, m_flags);
        if (m.added > 0)
            r.added = m_dates.ToOle(m.added);
        if (m.touched > 0)
            r.Touched = m_dates.ToOle(m.touched);
        m_db.Marks(static_cast<std::int16_t>(folder)).Add(r);
        ++bookmarks;
        return true;
    }

    bool full = false;
    std::int32_t folders = 0;
    std::int32_t bookmarks = 0;

private:
    Database& m_db;
    std::int16_t m_flags;
    FolderKind m_folderKind;
    std::string_view m_noDescription;
    OleDateCache m_dates;
};

std::string Indent(int depth) {
    return std::string(static_cast<std::size_t>(std::max(depth - 1, 0)) * 4, ' ');
}

// A description goes on a "<DD>" line after its bookmark, as browsers write it; a
// description of several lines keeps its line breaks, each line ended by CR LF.
void AppendDescription(std::string_view indent, std::string_view description, std::string& out) {
    std::string_view trimmed = text::TrimWhite(description);
    if (trimmed.empty() || IsStandInDescription(trimmed))
        return;
    out.append(indent).append("    <DD>");
    std::string escaped = html::Escape(trimmed);
    html::ForEachLine(escaped, [&](std::string_view line) {
        if (line.data() != escaped.data())
            out.append("\r\n");
        out.append(line);
    });
    out.append("\r\n");
}

void AppendBookmarkLines(const Database& db, std::int16_t folder, std::string_view indent, std::string& out,
                         OleDateCache& dates, const std::unordered_set<std::int32_t>* only = nullptr) {
    const clsBookmark& marks = db.Marks(folder);
    const clsMemo& memo = db.Memo();
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0 || (only && !only->contains(r.key)))
            continue;
        auto date = [&](OleDate d) {
            std::int64_t u = dates.ToUnix(d);
            return u > 0 ? std::to_string(u) : std::string();
        };
        std::string touched = date(r.Touched);
        out.append(indent);
        out.append("    <DT><A HREF=\"");
        out.append(html::Escape(text::EncodeLineBreaks(memo.GetMemo(r.url))));
        out.append("\" ADD_DATE=\"");
        out.append(date(r.added));
        out.append("\" LAST_VISIT=\"");
        out.append(touched);
        out.append("\" LAST_MODIFIED=\"");
        out.append(touched);
        out.append("\">");
        out.append(html::Escape(memo.GetMemo(r.Name)));
        out.append("</A>\r\n");
        AppendDescription(indent, memo.GetMemo(r.Description), out);
    }
}

void AppendFolderLists(const Database& db, std::int16_t folder, std::string& out, int& depth,
                       OleDateCache& dates) {
    if (!db.IsLiveFolder(folder))
        return;
    // Written without recursion: imported trees can nest thousands of levels deep.
    FolderChildren children(db);
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(db.FolderSlots()) + 1, 0);
    struct Frame {
        std::int16_t id;
        std::size_t next;
    };
    std::vector<Frame> stack;
    auto open = [&](std::int16_t id) {
        seen[static_cast<std::size_t>(id)] = 1;
        ++depth;
        std::string indent = Indent(depth);
        out.append(indent).append("<DL><p>\r\n");
        AppendBookmarkLines(db, id, indent, out, dates);
        stack.push_back({id, 0});
    };
    open(folder);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const auto& list = children.Of(top.id);
        if (top.next < list.size()) {
            std::int16_t child = list[top.next++];
            if (seen[static_cast<std::size_t>(child)])
                continue;
            const FolderRecord& f = db.Folder(child);
            // Seconds since 1970, as on the bookmark lines: what every reader of the
            // format expects (a date text reads as no date, or a wrong one).
            std::int64_t created = dates.ToUnix(f.Created);
            out.append(Indent(depth)).append("    <DT><H3 FOLDED ADD_DATE=\"");
            out.append(created > 0 ? std::to_string(created) : std::string("0")).append("\">");
            out.append(html::Escape(f.Name.Text())).append("</H3>\r\n");
            open(child);
        } else {
            out.append(Indent(depth)).append("</DL><p>\r\n");
            --depth;
            stack.pop_back();
        }
    }
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

} // namespace

bool ReadNetscapeText(std::string_view text, std::int32_t root, NetscapeBuilder& builder,
                      const ProgressFn& progress) {
    NetscapeReader reader(root, builder);
    bool going = true;
    std::uint64_t nextReport = kProgressStep;
    html::ForEachLine(text, [&](std::string_view line) {
        if (!going)
            return;
        going = reader.Line(line);
        auto done = static_cast<std::uint64_t>(line.data() + line.size() - text.data());
        if (progress && done >= nextReport) {
            progress(done, text.size());
            nextReport = done + kProgressStep;
        }
    });
    if (going)
        going = reader.Finish();
    if (progress)
        progress(text.size(), text.size());
    return going;
}

ExchangeResult ImportNetscape(Database& db, const std::string& path, const ProgressFn& progress) {
    ExchangeResult result;
    result.title = "Import from Netscape";
    if (path.empty() || !Exists(path) || fs::is_directory(path))
        return result;
    BusyGuard busy(db.Services().busy);
    std::string bytes;
    std::string error;
    if (!html::ReadInputFile(path, bytes, &error)) {
        result.message = "The bookmark file cannot be read. " + error;
        result.warning = true;
        return result;
    }
    std::string text = html::DecodeHtmlBytes(bytes);
    bytes = std::string();
    std::int16_t root = db.AddFolder(kNetscapeImportFolder, kRootFolder, FolderKind::Imported);
    if (root == 0) {
        result.message = FolderTableFullMessage(0, 0);
        result.warning = true;
        return result;
    }
    const std::int64_t cutsBefore = db.Memo().CutTexts();
    DatabaseBuilder builder(db);
    ReadNetscapeText(text, root, builder, progress);
    result.ok = true;
    result.folder = root;
    result.folders = builder.folders + 1;
    result.bookmarks = builder.bookmarks;
    if (builder.full) {
        result.message = FolderTableFullMessage(result.folders, result.bookmarks);
        result.warning = true;
    }
    NoteCutTexts(result, db.Memo().CutTexts() - cutsBefore);
    return result;
}

void WriteNetscapeBookmarks(const Database& db, std::int16_t folder, std::string_view indent,
                            std::string& out) {
    if (!db.IsSlot(folder))
        return;
    OleDateCache dates;
    AppendBookmarkLines(db, folder, indent, out, dates);
}

void WriteNetscapeFolder(const Database& db, std::int16_t folder, std::string& out, int& depth) {
    OleDateCache dates;
    AppendFolderLists(db, folder, out, depth, dates);
}

std::string NetscapeExportBlock(const Database& db, std::int16_t folder) {
    std::string out;
    out.append("<DL><p>\r\n");
    out.append("    <DT><H3 FOLDED ADD_DATE=\"0\">Vireo</H3>\r\n");
    int depth = 1;
    OleDateCache dates;
    AppendFolderLists(db, folder, out, depth, dates);
    out.append("</DL><p>\r\n");
    return out;
}

ExchangeResult ExportNetscape(const Database& db, std::int16_t folder, const std::string& bookmarkFile) {
    ExchangeResult result;
    result.title = std::string(kNetscapeExportTitle);
    if (folder < 1)
        return result;
    result.warning = true;
    if (!db.IsLiveFolder(folder)) {
        result.message = NoSuchFolderMessage(folder);
        return result;
    }
    if (bookmarkFile.empty())
        return result;
    BusyGuard busy(db.Services().busy);
    // The first export keeps the browser's own file as the backup; later ones append
    // and leave that first backup alone.
    if (bookmarkFile.size() >= 4) {
        std::string backup = bookmarkFile.substr(0, bookmarkFile.size() - 4) + ".bak";
        if (!Exists(backup) && Exists(bookmarkFile)) {
            std::error_code ec;
            fs::rename(bookmarkFile, backup, ec);
            if (ec) {
                result.message = "The bookmark file \"" + bookmarkFile + "\" could not be kept as \"" +
                                 backup + "\", so nothing was exported: " + ec.message();
                return result;
            }
        }
    }
    std::string contents;
    std::string error;
    if (Exists(bookmarkFile) && !html::ReadInputFile(bookmarkFile, contents, &error)) {
        result.message = "The bookmark file cannot be read, so nothing was exported. " + error;
        return result;
    }
    contents += NetscapeExportBlock(db, folder);
    if (!sys::WriteFileAtomic(bookmarkFile, contents, &error)) {
        result.message = "The bookmark file could not be written. " + error;
        return result;
    }
    result.ok = true;
    result.warning = false;
    result.path = bookmarkFile;
    return result;
}

ExchangeResult ExportNetscapeFile(const Database& db, std::int16_t folder, const std::string& path) {
    ExchangeResult result;
    result.title = std::string(kNetscapeExportTitle);
    result.warning = true;
    if (!db.IsLiveFolder(folder)) {
        result.message = NoSuchFolderMessage(folder);
        return result;
    }
    BusyGuard busy(db.Services().busy);
    std::string contents =
        "<!DOCTYPE NETSCAPE-Bookmark-file-1>\r\n"
        "<!-- This file was written by Vireo. Web browsers import it as a bookmark file. -->\r\n"
        "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\r\n"
        "<TITLE>Bookmarks</TITLE>\r\n"
        "<H1>Bookmarks</H1>\r\n";
    contents += NetscapeExportBlock(db, folder);
    std::string error;
    if (!sys::WriteFileAtomic(path, contents, &error)) {
        result.message = "The bookmark file could not be written. " + error;
        return result;
    }
    result.ok = true;
    result.warning = false;
    result.path = path;
    return result;
}

std::string NetscapeFragment(const Database& db, std::int16_t folder, std::span<const std::int32_t> keys) {
    std::string out;
    if (!db.IsLiveFolder(folder))
        return out;
    OleDateCache dates;
    if (!keys.empty()) {
        std::unordered_set<std::int32_t> only(keys.begin(), keys.end());
        out.append("<DL><p>\r\n");
        AppendBookmarkLines(db, folder, "", out, dates, &only);
        out.append("</DL><p>\r\n");
        return out;
    }
    // The folder itself, under its heading, as browsers copy a folder.
    out.append("<DL><p>\r\n    <DT><H3 ADD_DATE=\"");
    out.append(std::to_string(std::max<std::int64_t>(0, dates.ToUnix(db.Folder(folder).Created))));
    out.append("\">").append(html::Escape(db.FolderName(folder))).append("</H3>\r\n");
    int depth = 1;
    AppendFolderLists(db, folder, out, depth, dates);
    out.append("</DL><p>\r\n");
    return out;
}

bool LooksLikeBookmarkList(std::string_view html) {
    std::string upper;
    html::AsciiUpperInto(html, upper);
    return html::FindTag(upper, "DT", 0) != std::string_view::npos &&
           (upper.find("<A ") != std::string::npos || upper.find("<H3") != std::string::npos);
}

ExchangeResult PasteNetscapeText(Database& db, std::string_view html, std::int16_t folder) {
    ExchangeResult result;
    result.title = "Paste";
    if (!db.IsLiveFolder(folder))
        return result;
    DatabaseBuilder builder(db, kFlagsDroppedLink, FolderKind::Ordinary, "");
    ReadNetscapeText(html, folder, builder);
    result.ok = builder.folders + builder.bookmarks > 0;
    result.folders = builder.folders;
    result.bookmarks = builder.bookmarks;
    if (builder.full) {
        result.message = FolderTableFullMessage(result.folders, result.bookmarks);
        result.warning = true;
    }
    return result;
}

} // namespace vireo
