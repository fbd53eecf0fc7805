// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The generated home page ("home.html"): a folder's subfolders as coloured boxes of
// links, three to a row, and the folder's own links below, in the colours and fonts of a
// named scheme. Schemes live beside the database as 378-byte ".vsf" files.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

class Database;
class Registry;

struct SchemeItem {
    std::string ItemName;   // at most 20 bytes on disk
    std::int32_t Color = 0; // 0x00BBGGRR
    std::string FontName;   // at most 20 bytes on disk
    bool Bold = false;
    bool Italic = false;
    std::int16_t Size = 0; // HTML font size 1..7
    bool FontEditable = false;
    bool ColorEditable = false;

    bool operator==(const SchemeItem&) const = default;
};

// The seven items, always in this order.
using Scheme = std::array<SchemeItem, 7>;
enum SchemeItems : int {
    kPageBackground = 0,
    kTableBack = 1,
    kTableBorder = 2,
    kCategoryLabel = 3,
    kLinks = 4,
    kVisitedLinks = 5,
    kHeadline = 6,
};

inline constexpr std::size_t kSchemeItemBytes = 54;
inline constexpr std::size_t kSchemeFileBytes = 7 * kSchemeItemBytes;
inline constexpr std::string_view kDefaultScheme = "default";
inline constexpr std::string_view kHomePageFile = "home.html";
inline constexpr std::string_view kViewHomeFile = "viewhome.htm";

// Red, green and blue as the 0x00BBGGRR colour value.
constexpr std::int32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

// The built-in "default" scheme.
Scheme DefaultScheme();

// The schemes that ship with the program, "default" first. The user's file of the same
// name (written when the user edits one) takes its place; deleting that file restores
// the shipped colours.
struct NamedScheme {
    std::string name;
    Scheme scheme;
};
const std::vector<NamedScheme>& ShippedSchemes();
// The shipped scheme of that name, nullptr when none ships.
const Scheme* ShippedScheme(std::string_view name);
// Removes the user's copy of a shipped scheme. False for a scheme that does not ship.
bool RestoreScheme(const std::string& dbPath, std::string_view name);
// Whether the data folder holds a scheme file of that name.
bool HasOwnCopy(const std::string& dbPath, std::string_view name);

// Legibility: WCAG's contrast ratio of two colours (1 to 21), and the texts of a scheme
// that fall below the ratio of normal text against a background they are written on.
inline constexpr double kMinimumContrast = 4.5;
double ContrastRatio(std::int32_t a, std::int32_t b);
struct ContrastProblem {
    int text = 0;       // the item index of the text
    int background = 0; // and of its background
    double ratio = 0;
};
std::vector<ContrastProblem> IllegibleTexts(const Scheme& scheme);

// How the page's table and its boxes start (the preview makes their widths relative).
inline constexpr std::string_view kHomeTableStart =
    "<table width=\"630\" border=\"0\" cellpadding=\"5\" cellspacing=\"5\">";
inline constexpr std::string_view kHomeCellStart = "<td valign=\"top\" width=\"210\" ";

// The file bytes of a scheme, and back. Reading fails on anything but 378 bytes or on
// values no scheme can hold.
std::string SchemeBytes(const Scheme& scheme);
bool ParseScheme(std::string_view bytes, Scheme& scheme);

// The scheme file of a name: data folder + "/" + trimmed name + ".vsf".
std::string SchemeFile(const std::string& dbPath, std::string_view name);
// Loads a scheme: its file; else (missing, short or corrupt) the "default" file; else the
// built-in scheme.
Scheme LoadScheme(const std::string& dbPath, std::string_view name);
// Writes a scheme file, replacing one of that name. False for a name that cannot be a
// file name (empty, or holding a path separator) or when the write failed.
bool SaveScheme(const std::string& dbPath, std::string_view name, const Scheme& scheme,
                std::string* error = nullptr);
// Deletes a scheme file; "default" (in any letter case) and the shipped schemes are never
// deleted (their copies are restored instead).
bool DeleteScheme(const std::string& dbPath, std::string_view name);
// The names of the scheme files in the data folder (the text before the first "."), with
// "default" added when it has no file.
std::vector<std::string> ListSchemes(const std::string& dbPath);

// The scheme the home page uses ("default" when none is set) and setting it.
std::string CurrentScheme(const Registry& reg);
void SetCurrentScheme(Registry& reg, std::string_view name);

// The HTML size of a point size chosen in a font dialog (9 to 11 points give 3).
std::int16_t FontSizeFromPoints(double points);

// RRGGBB of a 0x00BBGGRR colour.
std::string ColorHex(std::int32_t color);
// The item's font tag around `text` (which the caller has escaped), in <b> and <i> as the
// item says.
std::string FontTag(std::string_view text, const SchemeItem& item);
std::string FontTag(std::string_view text, std::string_view fontName, std::int16_t size, std::int32_t color,
                    bool bold, bool italic);

// Writes the home page of `folder` (0: the home-page folder) into `fileName` (empty: the
// data folder's home.html), filling both in. False with `error` when the file could not
// be written.
bool BuildHomePage(const Database& db, const Registry& reg, std::string& fileName, std::int16_t& folder,
                   std::string* error = nullptr);
// The page's text, for a scheme of that name.
std::string HomePageText(const Database& db, std::int16_t folder, const Scheme& scheme,
                         std::string_view schemeName);

} // namespace vireo
