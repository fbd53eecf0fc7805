// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/charset.h"

#include <cerrno>
#include <iconv.h>

namespace vireo::sys {

namespace {

// Copies the name into `name`, refusing anything iconv could read as options ("//").
bool CharsetName(std::string_view charset, std::string& name) {
    for (char c : charset) {
        // Names are short ASCII tokens; anything else cannot be a character set.
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                  c == '_' || c == '.' || c == ':';
        if (!ok || name.size() >= 40)
            return false;
        name.push_back(c);
    }
    return !name.empty();
}

bool Convert(std::string_view bytes, const char* to, const char* from, std::string& out) {
    out.clear();
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string result;
    result.resize(bytes.size() * 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t used = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = result.data() + used;
        std::size_t outLeft = result.size() - used;
        std::size_t r = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        used = static_cast<std::size_t>(outPtr - result.data());
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG) {
            result.resize(result.size() * 2);
            continue;
        }
        ok = false; // EILSEQ or EINVAL: not text in that set
        break;
    }
    if (ok) {
        // Flush any shift state.
        char* outPtr = result.data() + used;
        std::size_t outLeft = result.size() - used;
        if (outLeft < 16) {
            result.resize(result.size() + 16);
            outPtr = result.data() + used;
            outLeft = result.size() - used;
        }
        ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        used = static_cast<std::size_t>(outPtr - result.data());
    }
    ::iconv_close(cd);
    if (!ok)
        return false;
    result.resize(used);
    out = std::move(result);
    return true;
}

} // namespace

bool ConvertToUtf8(std::string_view bytes, std::string_view charset, std::string& out) {
    out.clear();
    std::string name;
    return CharsetName(charset, name) && Convert(bytes, "UTF-8", name.c_str(), out);
}

bool ConvertFromUtf8(std::string_view utf8, std::string_view charset, std::string& out) {
    out.clear();
    std::string name;
    // Transliteration gives the nearest character, or "?", for those the set lacks.
    return CharsetName(charset, name) && Convert(utf8, (name + "//TRANSLIT").c_str(), "UTF-8", out);
}

} // namespace vireo::sys
