// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/html_view.h"

#include <filesystem>

#include "interchange/html_text.h"
#include "platform/durable_file.h"
#include "store/byte_io.h"
#include "store/database.h"
#include "store/default_content.h"
#include "store/ole_date.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSans = "Verdana, Arial, Helvetica";

class Page {
public:
    void Line(std::string_view s) {
        m_text.append(s);
        m_text.append("\r\n");
    }
    std::string& Text() { return m_text; }

private:
    std::string m_text;
};

void PageHead(Page& p, std::string_view title) {
    p.Line("<html>");
    p.Line("<head>");
    p.Line(kCharsetMeta);
    p.Line(kGeneratorMeta);
    p.Line("<title>" + std::string(title) + "</title>");
    p.Line("</head>");
    p.Line("<body bgcolor=\"#FFFFFF\">");
    p.Line("<p><img src=" + Quoted("MarkHead.gif") + " width=\"268\" height=\"48\"></p>");
}

std::string Divider() {
    return "<p><img src=" + Quoted("div.gif") + " width=\"100%\" height=\"10\"></p>";
}

// Closes the page's table, adds the footer and writes the page.
std::int32_t Finish(const Database& db, Page& page, const std::string& fileName, std::int16_t folder,
                    std::string* error) {
    page.Line("</table></center>");
    page.Line(Divider());
    page.Line(PageFooter());
    page.Line("</body>");
    page.Line("</html>");
    std::string err;
    if (!sys::WriteFileAtomic(fileName, page.Text(), &err)) {
        if (error)
            *error = "The page could not be written. " + err;
        return 0;
    }
    return db.Marks(folder).Count();
}

// The checks both views start with; false when nothing is to be written.
bool Prepare(const Database& db, const std::string& fileName, std::int16_t folder) {
    if (fileName.empty() || !db.IsLiveFolder(folder))
        return false;
    CopyViewImages(db.DBPath(), ProgramFolder());
    if (db.Marks(folder).Count() == 0)
        return false;
    // The page names its pictures by bare file name: a page saved anywhere else needs
    // them beside it too, or it shows broken images.
    std::error_code ec;
    fs::path dir = fs::absolute(fs::path(fileName), ec).parent_path();
    if (!ec && !dir.empty() && !fs::equivalent(dir, fs::path(db.DBPath()), ec))
        CopyViewImages(dir.string(), ProgramFolder());
    return true;
}

} // namespace

std::string Quoted(std::string_view textIn) {
    return "\"" + std::string(textIn) + "\"";
}

std::string PageFooter() {
    return "<p><small><small><small><font face=\"Arial\">Vireo 2.0 from <a href=" +
           Quoted(html::Escape(kMakerSiteUrl)) + ">MERIDEX Inc.</a></font></small></small></small></p>";
}

std::string FolderLinkList(const Database& db, std::int16_t folder) {
    std::string out = "<br>";
    if (!db.IsSlot(folder))
        return out;
    const clsBookmark& marks = db.Marks(folder);
    const clsMemo& memo = db.Memo();
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0)
            continue;
        out += "<a href=" + Quoted(html::Escape(text::EncodeLineBreaks(memo.GetMemo(r.url)))) + ">" +
               html::Escape(memo.GetMemo(r.Name)) + "</a><br>";
    }
    return out;
}

void CopyViewImages(const std::string& dbPath, const std::string& programFolder) {
    std::error_code ec;
    if (dbPath.empty() || fs::exists(fs::path(dbPath) / "div.gif", ec))
        return;
    // div.gif goes last: its presence tells that the copies are complete.
    for (const char* name : {"MarkHead.gif", "tabback.gif", "div.gif"}) {
        std::string bytes;
        if (!ReadWholeFile((fs::path(programFolder) / "image" / name).string(), bytes, nullptr, 1 << 20))
            continue;
        sys::WriteFileAtomic((fs::path(dbPath) / name).string(), bytes, nullptr);
    }
}

std::string NothingToViewMessage(const Database& db, std::int16_t folder) {
    if (!db.IsLiveFolder(folder) || db.Marks(folder).Count() > 0)
        return {};
    std::string name = "\"" + db.Folder(folder).Name.Text() + "\"";
    if (!db.HasSubFolders(folder))
        return name + " holds no bookmarks, so there is nothing to write.";
    return name +
           " holds only folders and no bookmarks of its own, so there is nothing to write: a page lists the "
           "bookmarks of one folder. Export a folder below it, or the whole tree To Netscape.";
}

std::int32_t SaveFolderView(const Database& db, std::string& fileName, std::int16_t folder,
                            std::string* error) {
    if (!Prepare(db, fileName, folder))
        return 0;
    Page p;
    PageHead(p, "Vireo View");
    p.Line("<p><strong><font face=\"Arial\">Exported " + FormatGeneralDate(OleNow()) + " from " +
           Quoted(html::Escape(db.Folder(folder).Name.Text())) + "</font></strong></p>");
    p.Line(Divider());
    p.Line("<center><table border=\"0\" cellpadding=\"4\" width=\"90%\" cellspacing=\"0\">");
    p.Line("<tr>");
    p.Line("<td>");
    p.Line(FolderLinkList(db, folder));
    p.Line("</td>");
    p.Line("</tr>");
    return Finish(db, p, fileName, folder, error);
}

std::int32_t SaveSearchView(const Database& db, std::string& fileName, std::int16_t folder,
                            std::string* error) {
    if (!Prepare(db, fileName, folder))
        return 0;
    const FolderRecord& f = db.Folder(folder);
    const std::string sans = Quoted(kSans);
    Page p;
    PageHead(p, "Vireo Search View");
    p.Line("<p><strong><font face=\"Arial\">Search: " + html::Escape(f.SearchQuery.Text()) +
           "</font></strong><br>");
    p.Line("<strong><font face=\"Arial\">Date: " + FormatGeneralDate(f.Created) + "</font></strong></p>");
    p.Line(Divider());
    p.Line("<center>");
    p.Line("<table border=\"0\" cellpadding=\"1\" cellspacing=\"0\" width=\"600\">");
    p.Line("<tr>");
    p.Line("<td bgcolor=\"#9400D7\" width=\"30\" valign=\"top\" align=\"center\"><font color=\"#000000\" "
           "face=\"Arial\" size=\"2\"><b>#</b></font></td>");
    p.Line("<td bgcolor=\"#0080C0\" valign=\"top\" background=\"tabback.gif\"><font color=\"#000000\" "
           "face=\"Arial\" size=\"2\"><b>Document</b></font></td>");
    p.Line("<td bgcolor=\"#FFFFFF\" width=\"30\" valign=\"top\" align=\"center\"><font face=" + sans +
           " color=\"#000000\" size=\"2\"><b>Rank</b></font></td>");
    p.Line("</tr>");
    const clsBookmark& marks = db.Marks(folder);
    const clsMemo& memo = db.Memo();
    for (std::int32_t pos = 1; pos <= marks.Total(); ++pos) {
        const BookmarkRecord& r = marks.At(pos);
        if (r.key == 0)
            continue;
        std::string url = html::Escape(text::EncodeLineBreaks(memo.GetMemo(r.url)));
        p.Line("<tr>");
        p.Line("<td width=\"30\" valign=\"top\" align=\"center\"><b><font face=" + sans + " size=\"-1\">" +
               std::to_string(pos) + "</font></b></td>");
        p.Line("<td valign=\"top\" width=\"90%\"><font face=\"Arial\"><font size=\"2\"><b>");
        p.Line("<a href=" + Quoted(url) + ">");
        p.Line(html::Escape(memo.GetMemo(r.Name)) + "</a></b></font><br>");
        p.Line("<font size=\"2\">" + html::Escape(memo.GetMemo(r.Description)) + "</font><br>");
        p.Line("<font size=\"-2\">");
        p.Line("<a href=" + Quoted(url) + ">");
        p.Line(url + "</a></font><br>");
        p.Line("</td>");
        p.Line("<td width=\"30\" valign=\"top\" align=\"center\"><font face=" + sans + " size=\"-1\"><b>");
        p.Line(std::to_string(r.Rank));
        p.Line("</b></font></td>");
        p.Line("</tr>");
    }
    return Finish(db, p, fileName, folder, error);
}

std::int32_t SaveView(const Database& db, std::string& fileName, std::int16_t folder, std::string* error) {
    if (db.IsLiveFolder(folder) && !text::TrimSpaces(db.Folder(folder).SearchQuery.Text()).empty())
        return SaveSearchView(db, fileName, folder, error);
    return SaveFolderView(db, fileName, folder, error);
}

} // namespace vireo
