// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Bounds-checked little-endian reading and writing of the binary file formats. A reader
// never reads past its span: reads beyond the end yield zeros and set the short flag, so
// a truncated or hostile file can never make us read outside its bytes.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vireo {

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t Position() const { return m_pos; }
    std::size_t Remaining() const { return m_bytes.size() - m_pos; }
    bool Short() const { return m_short; }
    bool AtEnd() const { return m_pos >= m_bytes.size(); }

    std::uint8_t U8() { return Read<std::uint8_t>(); }
    std::int16_t I16() { return Read<std::int16_t>(); }
    std::uint16_t U16() { return Read<std::uint16_t>(); }
    std::int32_t I32() { return Read<std::int32_t>(); }
    double F64() { return Read<double>(); }

    // The next n bytes (fewer, zero-padded in `out`, when the span ends first).
    void Bytes(char* out, std::size_t n) {
        std::size_t avail = std::min(n, Remaining());
        std::memcpy(out, m_bytes.data() + m_pos, avail);
        std::memset(out + avail, 0, n - avail);
        if (avail < n)
            m_short = true;
        m_pos += avail;
    }
    std::string_view View(std::size_t n) {
        std::size_t avail = std::min(n, Remaining());
        if (avail < n)
            m_short = true;
        std::string_view v = m_bytes.substr(m_pos, avail);
        m_pos += avail;
        return v;
    }
    void Skip(std::size_t n) { View(n); }

private:
    template <typename T>
    T Read() {
        T value{};
        if (Remaining() < sizeof(T)) {
            m_short = true;
            m_pos = m_bytes.size();
            return value;
        }
        // The files are little-endian, as is every machine we build for.
        std::memcpy(&value, m_bytes.data() + m_pos, sizeof(T));
        m_pos += sizeof(T);
        return value;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
    bool m_short = false;
};

class ByteWriter {
public:
    explicit ByteWriter(std::string& out) : m_out(out) {}

    void U8(std::uint8_t v) { Write(v); }
    void I16(std::int16_t v) { Write(v); }
    void U16(std::uint16_t v) { Write(v); }
    void I32(std::int32_t v) { Write(v); }
    void F64(double v) { Write(v); }
    void Bytes(const char* p, std::size_t n) { m_out.append(p, n); }
    void Bytes(std::string_view s) { m_out.append(s); }

private:
    template <typename T>
    void Write(T v) {
        char buf[sizeof(T)];
        std::memcpy(buf, &v, sizeof(T));
        m_out.append(buf, sizeof(T));
    }

    std::string& m_out;
};

// Reads a whole file. False when it cannot be opened or read, or is larger than
// `maxBytes` (the formats' own limits keep hostile files from exhausting memory).
bool ReadWholeFile(const std::string& path, std::string& out, std::string* error,
                   std::uint64_t maxBytes = UINT64_C(0x7FFFFFFF));

} // namespace vireo
