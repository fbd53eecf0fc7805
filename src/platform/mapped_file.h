// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A file mapped into memory as a private copy: reading it costs nothing until a page is
// touched, and changes made through Data() stay in this process.

#include <cstdint>
#include <string>
#include <string_view>

namespace vireo::sys {

class MappedFile {
public:
    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the whole file; an empty file maps to an empty view. False (with `error`) when
    // it cannot be opened or is larger than `maxBytes`. `readAll` maps every page at once,
    // which is far cheaper than one page fault at a time for a file read from end to end.
    bool Open(const std::string& path, std::string* error, std::uint64_t maxBytes, bool readAll = false);
    void Close();

    std::string_view View() const { return {m_data, m_size}; }
    char* Data() { return m_data; }
    std::size_t Size() const { return m_size; }

private:
    char* m_data = nullptr;
    std::size_t m_size = 0;
};

} // namespace vireo::sys
