// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/byte_io.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace vireo {

bool ReadWholeFile(const std::string& path, std::string& out, std::string* error, std::uint64_t maxBytes) {
    out.clear();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        if (error)
            *error = "Cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    std::streamoff size = in.tellg();
    if (size < 0) {
        if (error)
            *error = "Cannot read \"" + path + "\"";
        return false;
    }
    if (static_cast<std::uint64_t>(size) > maxBytes) {
        if (error)
            *error = "The file \"" + path + "\" is too large (" + std::to_string(size) + " bytes)";
        return false;
    }
    out.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(out.data(), size)) {
        if (error)
            *error = "Cannot read \"" + path + "\": " + std::strerror(errno);
        out.clear();
        return false;
    }
    return true;
}

} // namespace vireo
