// SPDX-License-Identifier: GPL-3.0-or-later
// XBEL files from anywhere. The reader must never crash or hang, a refusal always says why,
// and what it takes must come back unchanged through the writer (else an export, or a
// sync that rewrites the file, would change bookmarks it never touched).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interchange/xbel.h"

namespace {

bool Same(const vireo::xbel::Node& a, const vireo::xbel::Node& b) {
    if (a.folder != b.folder || a.id != b.id || a.title != b.title || a.url != b.url || a.desc != b.desc ||
        a.added != b.added || (!a.folder && a.modified != b.modified) ||
        a.children.size() != b.children.size())
        return false;
    for (std::size_t i = 0; i < a.children.size(); ++i) {
        if (!Same(a.children[i], b.children[i]))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vireo::xbel::Document doc;
    std::string error;
    if (!vireo::xbel::Parse(text, doc, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    vireo::xbel::Document back;
    if (!vireo::xbel::Parse(vireo::xbel::Serialize(doc), back, error) || back.title != doc.title ||
        back.highestId != doc.highestId || back.items.size() != doc.items.size())
        std::abort();
    for (std::size_t i = 0; i < doc.items.size(); ++i) {
        if (!Same(doc.items[i], back.items[i]))
            std::abort();
    }
    return 0;
}
