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

namespace {

// The shipped schemes share their items' names, fonts and what may be edited.
Scheme MakeScheme(std::int32_t page, std::int32_t tableBack, std::int32_t border, std::int32_t label,
                  std::int32_t links, std::int32_t visited, std::int32_t headline) {
    return Scheme{
        Item("Page Background", page, "", 0, false, false),
        Item("Table Back", tableBack, "", 0, false, false),
        Item("Table Border", border, "", 0, false, false),
        Item("Category Label", label, "Arial", 4, true, true),
        Item("Links", links, "Arial", 3, false, true),
        Item("Visited Links", visited, "", 0, false, false),
        Item("Headline", headline, "Arial", 5, true, true),
    };
}

// WCAG's relative luminance of one sRGB channel.
double Linear(int channel) {
    double c = channel / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(std::int32_t color) {
    return 0.2126 * Linear(color & 0xFF) + 0.7152 * Linear((color >> 8) & 0xFF) +
           0.0722 * Linear((color >> 16) & 0xFF);
}

} // namespace

Scheme DefaultScheme() {
    // Teal around cream boxes, as ever, but light enough behind the page's own text and
    // links that every text reads at 4.5:1 or better.
    return MakeScheme(Rgb(127, 212, 212), Rgb(255, 255, 206), Rgb(0, 0, 0), Rgb(0, 80, 80), Rgb(0, 0, 204),
                      Rgb(153, 0, 0), Rgb(0, 64, 64));
}

const std::vector<NamedScheme>& ShippedSchemes() {
    static const std::vector<NamedScheme> kSchemes{
        {std::string(kDefaultScheme), DefaultScheme()},
        {"Evening", MakeScheme(Rgb(30, 42, 56), Rgb(46, 61, 80), Rgb(0, 0, 0), Rgb(240, 230, 200),
                               Rgb(140, 200, 255), Rgb(224, 168, 255), Rgb(255, 210, 127))},
        {"Paper", MakeScheme(Rgb(244, 241, 234), Rgb(255, 255, 255), Rgb(0, 0, 0), Rgb(59, 59, 59),
                             Rgb(26, 79, 156), Rgb(107, 44, 145), Rgb(34, 34, 34))},
    };
    return kSchemes;
}

const Scheme* ShippedScheme(std::string_view name) {
    std::string trimmed = TrimmedName(name);
    for (const NamedScheme& s : ShippedSchemes())
        if (s.name == trimmed)
            return &s.scheme;
    return nullptr;
}

bool RestoreScheme(const std::string& dbPath, std::string_view name) {
    if (!ShippedScheme(name) || !IsFileName(TrimmedName(name)))
        return false;
    std::error_code ec;
    fs::remove(SchemeFile(dbPath, name), ec);
    return !ec;
}

bool HasOwnCopy(const std::string& dbPath, std::string_view name) {
    std::error_code ec;
    return IsFileName(TrimmedName(name)) && fs::exists(SchemeFile(dbPath, name), ec);
}

double ContrastRatio(std::int32_t a, std::int32_t b) {
    double la = Luminance(a), lb = Luminance(b);
    if (la < lb)
        std::swap(la, lb);
    return (la + 0.05) / (lb + 0.05);
}

std::vector<ContrastProblem> IllegibleTexts(const Scheme& s) {
    // Each text of the page against every background it is written on: the page's own
    // text and links on the page, the boxes' labels and links on the boxes.
    static constexpr std::pair<int, int> kPairs[] = {
        {kCategoryLabel, kPageBackground}, {kCategoryLabel, kTableBack},
        {kLinks, kPageBackground},         {kLinks, kTableBack},
        {kVisitedLinks, kPageBackground},  {kVisitedLinks, kTableBack},
        {kHeadline, kPageBackground},
    };
    std::vector<ContrastProblem> problems;
    for (auto [fore, back] : kPairs) {
        double ratio =
            ContrastRatio(s[static_cast<std::size_t>(fore)].Color, s[static_cast<std::size_t>(back)].Color);
        if (ratio < kMinimumContrast)
            problems.push_back({fore, back, ratio});
    }
    return problems;
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
    if (const Scheme* shipped = ShippedScheme(name))
        return *shipped;
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
    if (!IsFileName(name) || SameNoCase(name, kDefaultScheme) || ShippedScheme(name))
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
    for (const NamedScheme& s : ShippedSchemes())
        if (std::find(names.begin(), names.end(), s.name) == names.end())
            names.push_back(s.name);
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
    line(kCharsetMeta);
    line(kGeneratorMeta);
    line("<title>Vireo Home</title>");
    line("</head>");
    line("<body bgcolor=\"#" + ColorHex(s[kPageBackground].Color) + "\" text=\"#" +
         ColorHex(s[kCategoryLabel].Color) + "\" link=\"#" + ColorHex(s[kLinks].Color) + "\" vlink=\"#" +
         ColorHex(s[kVisitedLinks].Color) + "\">");
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
        line(FontTag(html::Escape(db.Folder(folder).Name.Text()), s[kHeadline]));
        line(kHomeTableStart);
        std::size_t i = 0;
        while (i < subfolders.size()) {
            line("<tr>");
            for (std::size_t end = std::min(i + 3, subfolders.size()); i < end; ++i) {
                std::int16_t sub = subfolders[i];
                line(std::string(kHomeCellStart) + "BGCOLOR=\"#" + ColorHex(s[kTableBack].Color) + "\">" +
                     FontTag(html::Escape(db.Folder(sub).Name.Text()), s[kCategoryLabel]) + "</b>");
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
