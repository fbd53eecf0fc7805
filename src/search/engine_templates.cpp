// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/engine_templates.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/durable_file.h"
#include "store/byte_io.h"
#include "store/text_codec.h"

namespace vireo {

namespace {

namespace fs = std::filesystem;

// Templates are small documents of our own; anything larger is not one.
constexpr std::uint64_t kMaxTemplateBytes = 1u << 20;
// The program's site table shows this many characters of a name.
constexpr std::size_t kMaxNameBytes = 20;

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// The text between `open` and `close` in `doc`, from `from` on; npos positions when absent.
bool Element(const std::string& doc, const std::string& open, const std::string& close, std::size_t& start,
             std::size_t& end) {
    start = doc.find(open);
    if (start == std::string::npos)
        return false;
    start += open.size();
    end = doc.find(close, start);
    return end != std::string::npos;
}

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

} // namespace

bool NormalizeInstanceAddress(std::string_view typed, std::string& address, std::string& error) {
    std::string a(text::TrimWhite(typed));
    if (a.empty()) {
        error = "no address given";
        return false;
    }
    if (a.find("://") == std::string::npos)
        a = "https://" + a;
    for (char c : a) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7F || c == '"' || c == '\'' || c == '<' || c == '>' || c == '&' ||
            c == '\\' || c == '{' || c == '}' || c == '|' || c == '^' || c == '`') {
            error = "the address holds characters an address cannot (spaces, quotes, &, <, >, braces)";
            return false;
        }
    }
    if (a.find_first_of("?#") != std::string::npos) {
        error = "give the instance's own address, without a query or a fragment";
        return false;
    }
    std::size_t schemeEnd = a.find("://");
    std::string scheme = text::AsciiLower(a.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https") {
        error = "the address must start with https:// or http://";
        return false;
    }
    std::size_t hostStart = schemeEnd + 3;
    std::size_t pathStart = a.find('/', hostStart);
    std::string host =
        a.substr(hostStart, pathStart == std::string::npos ? std::string::npos : pathStart - hostStart);
    if (host.empty() || host.find('@') != std::string::npos || host.front() == ':' || host.front() == '.') {
        error = "the address names no host (user names and passwords do not belong in it)";
        return false;
    }
    std::string path = pathStart == std::string::npos ? std::string() : a.substr(pathStart);
    while (!path.empty() && path.back() == '/')
        path.pop_back();
    address = scheme + "://" + text::AsciiLower(host) + path;
    return true;
}

bool AddEngineFromTemplate(const std::string& programFolder, const std::string& userFolder,
                           std::string_view templateName, std::string_view typedAddress, TemplateEngine& made,
                           std::string& error) {
    if (templateName.empty() || templateName.size() > 64 ||
        std::any_of(templateName.begin(), templateName.end(), [](char c) { return !IsNameChar(c); })) {
        error = "there is no engine template \"" + std::string(templateName) + "\"";
        return false;
    }
    std::string kind = text::AsciiLower(templateName);
    fs::path templatePath = fs::path(programFolder) / "engines" / "templates" / (kind + ".xml");
    std::string doc;
    std::string readError;
    if (!ReadWholeFile(templatePath.string(), doc, &readError, kMaxTemplateBytes)) {
        error =
            "there is no engine template \"" + kind + "\" (" + templatePath.string() + ": " + readError + ")";
        return false;
    }
    std::string address;
    if (!NormalizeInstanceAddress(typedAddress, address, error))
        return false;

    // The template's home page stands for the instance wherever it appears.
    std::size_t start = 0, end = 0;
    if (!Element(doc, "<vireo:HomePage>", "</vireo:HomePage>", start, end)) {
        error = templatePath.string() + ": the template has no vireo:HomePage to stand for the instance";
        return false;
    }
    std::string placeholder(text::TrimWhite(std::string_view(doc).substr(start, end - start)));
    while (!placeholder.empty() && placeholder.back() == '/')
        placeholder.pop_back();
    if (placeholder.find("://") == std::string::npos) {
        error = templatePath.string() + ": the template's vireo:HomePage is not an address";
        return false;
    }
    ReplaceAll(doc, placeholder, address);

    std::size_t hostStart = address.find("://") + 3;
    std::string where = address.substr(hostStart);
    std::string name = "SearXNG";
    if (Element(doc, "<ShortName>", "</ShortName>", start, end)) {
        name = std::string(text::TrimWhite(std::string_view(doc).substr(start, end - start)));
        // The template's name with the instance's, or the instance's alone where both
        // would not fit in what the program shows.
        std::string shown = name + " " + where;
        if (shown.size() > kMaxNameBytes)
            shown = std::string(text::CutToBytes(where, kMaxNameBytes));
        while (!shown.empty() && shown.back() == ' ')
            shown.pop_back();
        doc.replace(start, end - start, shown);
        name = shown;
    }
    if (Element(doc, "<Description>", "</Description>", start, end))
        doc.replace(start, end - start, "The instance at " + address);
    // The template's own note says how to use it; the engine says where it came from.
    std::size_t note = doc.find("<!--");
    std::size_t noteEnd = note == std::string::npos ? note : doc.find("-->", note);
    std::string origin = "<!--\n  Made by Vireo from engines/templates/" + kind +
                         ".xml for the instance at\n  " + address +
                         ". Edit it freely; delete the file to remove the engine.\n-->";
    if (noteEnd != std::string::npos && note < doc.find("<OpenSearchDescription"))
        doc.replace(note, noteEnd + 3 - note, origin);

    // Short names are how the program tells engines apart, in 20 characters: the template's
    // name and the instance's host, numbered when another instance's is the same.
    std::string base = kind + "-";
    for (char c : where.rfind("www.", 0) == 0 ? where.substr(4) : where)
        base += IsNameChar(c) ? static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c) : '-';
    auto cut = [](std::string s, std::size_t n) {
        s.resize(std::min(s.size(), n));
        while (!s.empty() && s.back() == '-')
            s.pop_back();
        return s;
    };
    std::error_code ec;
    fs::create_directories(userFolder, ec);
    if (ec) {
        error = userFolder + ": " + ec.message();
        return false;
    }
    std::string shortName;
    fs::path target;
    for (int n = 1; n < 100 && shortName.empty(); ++n) {
        std::string suffix = n == 1 ? "" : "-" + std::to_string(n);
        std::string candidate = cut(base, kMaxNameBytes - suffix.size()) + suffix;
        fs::path file = fs::path(userFolder) / (candidate + ".xml");
        if (!fs::exists(file, ec)) {
            shortName = candidate;
            target = file;
            break;
        }
        std::string existing;
        if (ReadWholeFile(file.string(), existing, nullptr, kMaxTemplateBytes) &&
            existing.find(">" + address + "/<") != std::string::npos) {
            error = "the instance has its engine already: " + file.string();
            return false;
        }
    }
    if (shortName.empty()) {
        error = "too many engines of this template for one host";
        return false;
    }
    std::string writeError;
    if (!sys::WriteFileAtomic(target.string(), doc, &writeError)) {
        error = target.string() + ": " + writeError;
        return false;
    }
    made = {target.string(), shortName, name, address};
    return true;
}

} // namespace vireo
