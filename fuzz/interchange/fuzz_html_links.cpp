// SPDX-License-Identifier: GPL-3.0-or-later
// Links of web pages: ParseLink and StripTags on every line, entities and tag bounds.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interchange/html_import.h"
#include "interchange/html_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string address, text;
    vireo::html::ForEachLine(bytes, [&](std::string_view line) {
        if (vireo::ParseLink(line, address, text)) {
            if (address.empty() || address.size() > line.size() || text.size() > line.size())
                std::abort();
            std::string title = vireo::StripTags(text);
            if (title.size() > text.size() || title.find('<') != std::string::npos)
                std::abort();
            vireo::html::DecodeEntities(address, false);
            vireo::html::DecodeEntities(title, true);
        }
        std::string upper;
        vireo::html::AsciiUpperInto(line, upper);
        std::size_t tag = vireo::html::FindTag(upper, "A", 0);
        if (tag != std::string_view::npos) {
            std::size_t end = vireo::html::TagEnd(line, tag);
            if (end != std::string_view::npos) {
                std::string_view value;
                vireo::html::TagAttribute(line.substr(tag, end - tag + 1), "HREF", value);
            }
        }
    });
    return 0;
}
