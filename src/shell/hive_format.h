// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings hive as a text file, in the registry editor's export format:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Orn\Vireo!\DB]
//   "path"="/home/ann/Documents/Vireo Data"
//   @="the key's default value"
//   "Count"=dword:0000002a
//   "Blob"=hex:01,02,03
//
// Users edit this file by hand and other tools may write to it, so reading keeps every
// line it does not understand (comments, malformed values, keys under roots we do not
// know) and writing puts them back: nothing a user wrote is ever dropped silently. Only a
// file that is not such a file at all (wrong first line, binary bytes, absurd size) is
// refused, and the caller keeps it aside.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/registry.h"

namespace vireo {

inline constexpr std::string_view kHiveHeader = "Windows Registry Editor Version 5.00";
// Larger files are not settings files we could have written.
inline constexpr std::size_t kMaxHiveBytes = 4u << 20;
// The registry's own limits on names and depth; deeper or longer keys are kept as lines.
inline constexpr std::size_t kMaxRegKeyName = 255;
inline constexpr std::size_t kMaxRegValueName = 16383;
inline constexpr std::size_t kMaxRegDepth = 512;

class HiveDocument {
public:
    HiveDocument() = default;
    HiveDocument(const HiveDocument&) = delete;
    HiveDocument& operator=(const HiveDocument&) = delete;

    MemoryRegistry& Keys() { return m_keys; }
    const MemoryRegistry& Keys() const { return m_keys; }

    // Lines kept as they were written: `preamble` before the first key, `foreign` whole
    // sections (header line first) under roots we do not know or keys we cannot hold.
    // Lines read with a key are kept with it (MemoryRegistry::Key::kept) and go when it
    // is deleted.
    std::vector<std::string> preamble;
    std::vector<std::vector<std::string>> foreign;

private:
    MemoryRegistry m_keys;
};

// Parses `bytes` into an empty document. False (with the reason) when the bytes are not a
// hive file; an empty file is an empty hive.
bool ParseHive(std::string_view bytes, HiveDocument& doc, std::string* error);

// The file text of a document, UTF-8 with LF line ends.
std::string WriteHive(const HiveDocument& doc);

// One value as a line of the file ("name"=data, without the line end).
std::string FormatHiveValue(std::string_view name, const RegValue& value);

// True when a key or value name can be written to the file (UTF-8 without control
// characters, within the registry's length limits).
bool IsStorableRegKeyName(std::string_view name);
bool IsStorableRegValueName(std::string_view name);

} // namespace vireo
