// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/interchange/netscape_gen.h"

#include <vector>

#include "bench/interchange/gen_random.h"
#include "bench/interchange/gen_words.h"

namespace vireo::bench {

namespace {

const char* const kGardenForms[] = {"garden", "Garden", "GARDEN", "Gardens"};

} // namespace

std::string GenerateNetscapeFile(const NetscapeFileSize& size) {
    Random rnd(size.seed);
    // The folder tree: folder 0 is the top list; each new folder goes under a random
    // earlier one that is not yet at the deepest level.
    std::vector<int> depth{0};
    std::vector<std::vector<int>> children(1);
    for (int f = 1; f <= size.folders; ++f) {
        int parent;
        do {
            parent = static_cast<int>(rnd.Below(static_cast<std::uint32_t>(f)));
        } while (depth[static_cast<std::size_t>(parent)] >= size.maxDepth);
        depth.push_back(depth[static_cast<std::size_t>(parent)] + 1);
        children.emplace_back();
        children[static_cast<std::size_t>(parent)].push_back(f);
    }
    std::vector<std::vector<int>> marks(depth.size());
    for (int b = 0; b < size.bookmarks; ++b)
        marks[rnd.Below(static_cast<std::uint32_t>(depth.size()))].push_back(b);

    std::string out;
    out.reserve(static_cast<std::size_t>(size.bookmarks) * 190);
    out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n";
    auto words = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            if (i)
                s += ' ';
            s += kHtmlWords[rnd.Below(kHtmlWordCount)];
        }
        return s;
    };
    const std::string icon = "data:image/png;base64," + std::string(2000, 'Q');
    struct Frame {
        int folder;
        std::size_t next;
    };
    std::vector<Frame> stack;
    auto indent = [&](std::size_t level) { return std::string(level * 4, ' '); };
    auto open = [&](int folder) {
        std::string in = indent(stack.size());
        out += in + "<DL><p>\n";
        for (int b : marks[static_cast<std::size_t>(folder)]) {
            std::string title = words(2 + static_cast<int>(rnd.Below(4)));
            if (rnd.Below(100) == 0)
                title += std::string(" ") + kGardenForms[rnd.Below(4)];
            out += in + "    <DT><A HREF=\"https://www.site" + std::to_string(rnd.Below(5000)) + ".example/" +
                   std::to_string(b) + "/page?id=" + std::to_string(rnd.Next()) +
                   "&amp;ref=bench\" ADD_DATE=\"" + std::to_string(1300000000 + rnd.Below(400000000)) +
                   "\" LAST_MODIFIED=\"" + std::to_string(1500000000 + rnd.Below(200000000)) + "\"";
            if (rnd.Below(50) == 0)
                out += " ICON=\"" + icon + "\"";
            out += ">" + title + "</A>\n";
            if (rnd.Below(3) == 0)
                out += in + "    <DD>" + words(6) + "\n";
        }
        stack.push_back({folder, 0});
    };
    open(0);
    while (!stack.empty()) {
        Frame& top = stack.back();
        const auto& kids = children[static_cast<std::size_t>(top.folder)];
        if (top.next < kids.size()) {
            int child = kids[top.next++];
            out += indent(stack.size()) + "    <DT><H3 ADD_DATE=\"1400000000\">" + words(2) + " " +
                   std::to_string(child) + "</H3>\n";
            open(child);
        } else {
            stack.pop_back();
            out += indent(stack.size()) + "</DL><p>\n";
        }
    }
    return out;
}

} // namespace vireo::bench
