// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/mapped_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vireo::sys {

MappedFile::~MappedFile() {
    Close();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

bool MappedFile::Open(const std::string& path, std::string* error, std::uint64_t maxBytes, bool readAll) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = "Cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = "Cannot read \"" + path + "\"";
        ::close(fd);
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        if (error)
            *error = "The file \"" + path + "\" is too large (" + std::to_string(st.st_size) + " bytes)";
        ::close(fd);
        return false;
    }
    if (st.st_size > 0) {
        void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | (readAll ? MAP_POPULATE : 0), fd, 0);
        if (p == MAP_FAILED) {
            if (error)
                *error = "Cannot read \"" + path + "\": " + std::strerror(errno);
            ::close(fd);
            return false;
        }
        m_data = static_cast<char*>(p);
        m_size = static_cast<std::size_t>(st.st_size);
    }
    ::close(fd);
    return true;
}

void MappedFile::Close() {
    if (m_data)
        ::munmap(m_data, m_size);
    m_data = nullptr;
    m_size = 0;
}

} // namespace vireo::sys
