// SPDX-License-Identifier: GPL-3.0-or-later
// Bookmark files from anywhere: decoding, line splitting, tags, entities, the list nesting.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interchange/html_text.h"
#include "interchange/netscape.h"
#include "store/text_codec.h"

namespace {

class CheckingBuilder : public vireo::NetscapeBuilder {
public:
    std::int32_t AddFolder(std::int32_t parent, std::string_view name) override {
        Check(parent);
        Check(name);
        // Stop at some point, as a full folder table does.
        return m_next < 5000 ? ++m_next : 0;
    }
    bool AddBookmark(std::int32_t folder, const vireo::NetscapeBookmark& m) override {
        Check(folder);
        Check(m.title);
        Check(m.url);
        Check(m.description);
        return true;
    }

private:
    void Check(std::int32_t handle) const {
        if (handle < 1 || handle > m_next)
            std::abort(); // a folder that was never made
    }
    static void Check(std::string_view text) {
        if (!vireo::text::IsValidUtf8(text))
            std::abort(); // everything filed must be UTF-8
    }
    std::int32_t m_next = 1; // 1 is the root
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string text = vireo::html::DecodeHtmlBytes(bytes);
    if (!vireo::text::IsValidUtf8(text))
        std::abort();
    CheckingBuilder builder;
    vireo::ReadNetscapeText(text, 1, builder);
    return 0;
}
