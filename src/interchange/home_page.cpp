// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/home_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "interchange/exchange_result.h"
#include "interchange/html_text.h"
#include "interchange/html_view.h"
#include "platform/durable_file.h"
#include "shell/registry.h"
#include "store/byte_io.h"
#include "store/database.h"
#include "store/ole_date.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kNameBytes = 20;

SchemeItem Item(std::string_view name, std::int32_t color, std::string_view font, std::int16_t size,
                bool bold, bool fontEditable) {
    SchemeItem item;
    item.ItemName = std::string(name);
    item.Color = color;
    item.FontName = std::string(font);
    item.Size = size;
    item.Bold = bold;
    item.FontEditable = fontEditable;
    item.ColorEditable = true;
    return item;
}

void PutText(std::string& out, std::string_view utf8) {
    char field[kNameBytes];
    text::ToFixedField(text::Utf8ToCp1252(utf8), field, sizeof field);
    out.append(field, sizeof field);
}

std::int16_t Flag(bool b) {
    return b ? -1 : 0;
}

bool FlagValue(std::int16_t v, bool& out) {
    if (v != 0 && v != -1 && v != 1)
        return false;
    out = v != 0;
    return true;
}

bool PlainText(std::string_view field) {
    for (unsigned char c : field) {
        if (c < 0x20 && c != 0)
            return false;
    }
    return true;
}

std::string TrimmedName(std::string_view name) {
    return std::string(text::TrimSpaces(name));
}

bool IsFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    return text::AsciiLower(a) == text::AsciiLower(b);
}

} // namespace

Scheme DefaultScheme() {
    return Scheme{
        Item("Page Background", Rgb(0, 156, 156), "", 0, false, false),
        Item("Table Back", Rgb(255, 255, 206), "", 0, false, false),
        Item("Table Border", Rgb(0, 0, 0), "", 0, false, false),
        Item("Category Label", Rgb(0, 156, 156), "Arial", 4, true, true),
        Item("Links", Rgb(0, 0, 255), "Arial", 3, false, true),
        Item("Visited Links", Rgb(255, 0, 0), "", 0, false, false),
        Item("Headline", Rgb(255, 255, 206), "Arial", 5, true, true),
    };
}

std::string SchemeBytes(const Scheme& scheme) {
    std::string out;
    out.reserve(kSchemeFileBytes);
    ByteWriter w(out);
    for (const SchemeItem& item : scheme) {
        PutText(out, item.ItemName);
        w.I32(item.Color);
        PutText(out, item.FontName);
        w.I16(Flag(item.Bold));
        w.I16(Flag(item.Italic));
        w.I16(item.Size);
        w.I16(Flag(item.FontEditable));
        w.I16(Flag(item.ColorEditable));
    }
    return out;
}

bool ParseScheme(std::string_view bytes, Scheme& scheme) {
    if (bytes.size() != kSchemeFileBytes)
        return false;
    Scheme read;
    ByteReader r(bytes);
    for (SchemeItem& item : read) {
        std::string_view name = r.View(kNameBytes);
        item.Color = r.I32();
        std::string_view font = r.View(kNameBytes);
        std::int16_t bold = r.I16();
        std::int16_t italic = r.I16();
        item.Size = r.I16();
        std::int16_t fontEditable = r.I16();
        std::int16_t colorEditable = r.I16();
        if (r.Short() || !PlainText(name) || !PlainText(font) || item.Size < 0 || item.Size > 7 ||
            !FlagValue(bold, item.Bold) || !FlagValue(italic, item.Italic) ||
            !FlagValue(fontEditable, item.FontEditable) || !FlagValue(colorEditable, item.ColorEditable))
            return false;
        item.ItemName = text::FromFixedField(name);
        item.FontName = text::FromFixedField(font);
    }
    scheme = read;
    return true;
}

std::string SchemeFile(const std::string& dbPath, std::string_view name) {
    return (fs::path(dbPath) / (TrimmedName(name) + ".vsf")).string();
}

Scheme LoadScheme(const std::string& dbPath, std::string_view nameIn) {
    std::string name = TrimmedName(nameIn);
    if (name.empty())
        name = kDefaultScheme;
    if (IsFileName(name)) {
        std::string bytes;
        Scheme scheme;
        if (ReadWholeFile(SchemeFile(dbPath, name), bytes, nullptr, kSchemeFileBytes) &&
            ParseScheme(bytes, scheme))
            return scheme;
    }
    if (name != kDefaultScheme)
        return LoadScheme(dbPath, kDefaultScheme);
    return DefaultScheme();
}

bool SaveScheme(const std::string& dbPath, std::string_view nameIn, const Scheme& scheme,
                std::string* error) {
    std::string name = TrimmedName(nameIn);
    if (!IsFileName(name)) {
        if (error)
            *error = "\"" + name + "\" cannot be the name of a scheme.";
        return false;
    }
    return sys::WriteFileAtomic(SchemeFile(dbPath, name), SchemeBytes(scheme), error);
}

bool DeleteScheme(const std::string& dbPath, std::string_view nameIn) {
    std::string name = TrimmedName(nameIn);
    if (!IsFileName(name) || SameNoCase(name, kDefaultScheme))
        return false;
    std::error_code ec;
    return fs::remove(SchemeFile(dbPath, name), ec);
}

std::vector<std::string> ListSchemes(const std::string& dbPath) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(dbPath, ec), end; !ec && it != end; it.increment(ec)) {
        std::string file = it->path().filename().string();
        if (file.size() < 4 || text::AsciiLower(file.substr(file.size() - 4)) != ".vsf")
            continue;
        names.push_back(file.substr(0, file.find('.')));
    }
    std::sort(names.begin(), names.end());
    if (std::find(names.begin(), names.end(), kDefaultScheme) == names.end())
        names.emplace_back(kDefaultScheme);
    return names;
}

std::string CurrentScheme(const Registry& reg) {
    std::string name = TrimmedName(GetRegText(reg, SettingsPath("\\HomeScheme"), "Current"));
    return name.empty() ? std::string(kDefaultScheme) : name;
}

void SetCurrentScheme(Registry& reg, std::string_view name) {
    SetRegValue(reg, SettingsPath("\\HomeScheme"), "Current", name);
}

std::int16_t FontSizeFromPoints(double points) {
    double whole = std::round(points);
    if (!(whole > 0))
        return 1;
    return static_cast<std::int16_t>(std::clamp(static_cast<int>(whole) / 3, 1, 7));
}

std::string ColorHex(std::int32_t color) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<std::uint32_t>(color));
    std::string six(buf + 2, 6); // BBGGRR
    return six.substr(4, 2) + six.substr(2, 2) + six.substr(0, 2);
}

std::string FontTag(std::string_view textIn, std::string_view fontName, std::int16_t size, std::int32_t color,
                    bool bold, bool italic) {
    std::string tag = "<font face=\"" + html::Escape(text::TrimSpaces(fontName)) + "\" size=\"" +
                      std::to_string(size) + "\" color=\"#" + ColorHex(color) + "\">" + std::string(textIn) +
                      "</font>";
    if (bold)
        tag = "<b>" + tag + "</b>";
    if (italic)
        tag = "<i>" + tag + "</i>";
    return tag;
}

std::string FontTag(std::string_view textIn, const SchemeItem& item) {
    return FontTag(textIn, item.FontName, item.Size, item.Color, item.Bold, item.Italic);
}

std::string HomePageText(const Database& db, std::int16_t folder, const Scheme& s,
                         std::string_view schemeName) {
    std::string out;
    auto line = [&](std::string_view l) {
        out.append(l);
        out.append("\r\n");
    };
    line("<html>");
    line("<head>");
    line("<meta name=GENERATOR content=Vireo 2.0>");
    line("<title>Vireo Home</title>");
    line("</head>");
    line("<body bgcolor=#" + ColorHex(s[kPageBackground].Color) + " text=#" +
         ColorHex(s[kCategoryLabel].Color) + " link=#" + ColorHex(s[kLinks].Color) + " vlink=#" +
         ColorHex(s[kVisitedLinks].Color) + ">");
    line("<center>");
    std::vector<std::int16_t> subfolders;
    std::int32_t cursor = 0;
    while (std::int16_t child = db.NextSubFolder(folder, cursor)) {
        if (child != folder)
            subfolders.push_back(child);
    }
    if (subfolders.empty()) {
        line(FontTag("(No subfolders)", s[kCategoryLabel]));
    } else {
        line(FontTag(html::Escape(db.Folder(folder).Name.text()), s[kHeadline]));
        line("<table width=630 border=0 cellpadding=5 cellspacing=5>");
        std::size_t i = 0;
        while (i < subfolders.size()) {
            line("<tr>");
            for (std::size_t end = std::min(i + 3, subfolders.size()); i < end; ++i) {
                std::int16_t sub = subfolders[i];
                line("<td valign=top width=210 BGCOLOR=#" + ColorHex(s[kTableBack].Color) + ">" +
                     FontTag(html::Escape(db.Folder(sub).Name.text()), s[kCategoryLabel]) + "</b>");
                line(FolderLinkList(db, sub));
                line("</td>");
            }
            line("</tr>");
        }
        line("</table>");
    }
    line("</center>");
    line(FolderLinkList(db, folder));
    line("<br>");
    line("<i>This page last updated: " + FormatLongDate(OleNow()) + "</i> <br>");
    line("<i>PageScheme: " + html::Escape(schemeName) + "</i> </p>");
    line("</body>");
    line("</html>");
    return out;
}

bool BuildHomePage(const Database& db, const Registry& reg, std::string& fileName, std::int16_t& folder,
                   std::string* error) {
    std::string name = CurrentScheme(reg);
    Scheme scheme = LoadScheme(db.DBPath(), name);
    if (fileName.empty())
        fileName = (fs::path(db.DBPath()) / std::string(kHomePageFile)).string();
    if (folder == 0)
        folder = kHomePageFolder;
    if (!db.IsLiveFolder(folder)) {
        if (error)
            *error = NoSuchFolderMessage(folder);
        return false;
    }
    std::string err;
    if (!sys::WriteFileAtomic(fileName, HomePageText(db, folder, scheme, name), &err)) {
        if (error)
            *error = "The home page could not be written. " + err;
        return false;
    }
    return true;
}

} // namespace vireo
