// SPDX-License-Identifier: GPL-3.0-or-later
// Engine scripts, as a downloaded update or a user's file may bring them: read, and when
// usable, asked for two pages of a query taken from the input's last bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vireo::orn::EngineScript s;
    std::string error;
    if (!vireo::orn::ParseEngineScript(bytes, "/fuzz/engine.xml", s, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    if (!s.rules || s.shortName != "engine" || !vireo::text::IsValidUtf8(s.name) ||
        !vireo::text::IsValidUtf8(s.description))
        std::abort();
    std::string_view query = bytes.substr(size > 16 ? size - 16 : 0);
    for (int page = 0; page < 2; ++page) {
        vireo::orn::PageRequest req;
        bool more = false;
        if (vireo::orn::BuildPageRequest(s, query, page * 10, page, 10, req, &more, &error)) {
            if (req.url.rfind("http", 0) != 0 || req.url.find_first_of(" \r\n") != std::string::npos)
                std::abort();
            for (const std::string& h : req.headers) {
                if (h.find_first_of("\r\n") != std::string::npos)
                    std::abort();
            }
        }
    }
    vireo::orn::fuzz::CheckPage(vireo::orn::ExtractHits(s, bytes, "", "https://engine.example/"));
    return 0;
}
