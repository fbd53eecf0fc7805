// SPDX-License-Identifier: GPL-3.0-or-later
// Internet shortcut files and colour scheme files, both read from folders anyone can write.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "interchange/favorites.h"
#include "interchange/home_page.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string url = vireo::UrlFromShortcutText(bytes);
    if (url.size() > bytes.size() || url.find_first_of("\r\n") != std::string::npos)
        std::abort();
    // What we write reads back the same.
    if (vireo::UrlFromShortcutText(vireo::ShortcutFileText(url)) != url)
        std::abort();
    std::string safe = vireo::SafeFileName(bytes);
    if (safe.find_first_of(std::string("\\/:?\"<>|*\0", 10)) != std::string::npos)
        std::abort();
    vireo::Scheme scheme;
    if (vireo::ParseScheme(bytes, scheme)) {
        vireo::Scheme again;
        if (!vireo::ParseScheme(vireo::SchemeBytes(scheme), again))
            std::abort();
        for (const auto& item : scheme)
            vireo::FontTag("x", item);
    }
    return 0;
}
