// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/tips.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "shell/options.h"
#include "store/strings.h"
#include "store/text_codec.h"

namespace vireo {

namespace fs = std::filesystem;

namespace {

// The shipped file is a few kilobytes; anything this large is not a tips file.
constexpr std::uintmax_t kMaxTipsFile = 1u << 20;

TipList Failure(const std::string& why, const std::string& path) {
    TipList list;
    list.tips.push_back(why + "\n" + path);
    list.references.emplace_back();
    return list;
}

// A line as shown: the file may come from an editor that wrote Windows-1252.
std::string LineText(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return text::DecodeStored(line);
}

} // namespace

std::string TipsFilePath(const std::string& programFolder) {
    return (fs::path(programFolder) / "help" / std::string(kTipsFile)).string();
}

TipList ReadTips(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        return Failure("File not found", path);
    if (!fs::is_regular_file(path, ec))
        return Failure("Path/File access error", path);
    if (fs::file_size(path, ec) > kMaxTipsFile)
        return Failure("The tips file is too large to be a tips file", path);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        int err = errno;
        return Failure(err ? std::string(std::strerror(err)) : std::string("Permission denied"), path);
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        bytes.erase(0, 3);

    std::vector<std::string_view> lines;
    std::string_view rest(bytes);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        lines.push_back(rest.substr(0, end));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }

    TipList list;
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        std::string tip = LineText(lines[i]);
        std::string reference = i + 1 < lines.size() ? LineText(lines[i + 1]) : std::string();
        if (!tip.empty() && tip.front() == '\'')
            continue;
        list.tips.push_back(std::move(tip));
        list.references.emplace_back(text::TrimSpaces(reference));
    }
    return list;
}

std::int32_t NextTipIndex(std::int32_t lastTip, std::int32_t count) {
    if (count < 1)
        return 0;
    if (lastTip >= 0 && lastTip < count)
        return lastTip + 1;
    return 1;
}

std::int32_t AdvanceTip(Registry& reg, const TipList& tips) {
    std::int32_t index = NextTipIndex(GetLastTip(reg), tips.Count());
    if (index > 0)
        SetLastTip(reg, index);
    return index;
}

std::string TipTarget(std::string_view reference, const std::string& programFolder) {
    reference = text::TrimSpaces(reference);
    if (reference.empty())
        return {};
    if (text::StartsWithNoCase(reference, "http"))
        return std::string(reference);
    std::string page(reference);
    for (char& c : page) {
        if (c == '\\')
            c = '/';
    }
    return FileUrl((fs::path(programFolder) / "help" / page).string());
}

} // namespace vireo
