// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The settings store: a hierarchy of keys holding named values, addressed like the
// Windows registry (a root handle, a key path with backslashes, a value name; "" is the
// key's default value). Key and value names compare without regard to case and keep
// their case. Every part of the program reads and writes its settings through the free
// functions below, over whichever Registry the program assembled.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vireo {

// Roots by their numeric handles.
inline constexpr std::uint32_t kHKeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHKeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHKeyLocalMachine = 0x80000002u;

struct RegValue {
    enum class Type { None, Text, Number, Binary };
    Type type = Type::None;
    std::string text;        // Text: without its terminating NUL
    std::uint32_t number = 0; // Number (REG_DWORD)
    std::string bytes;       // Binary and other types, as stored

    static RegValue Text(std::string_view t) { return {Type::Text, std::string(t), 0, {}}; }
    static RegValue Number(std::uint32_t n) { return {Type::Number, {}, n, {}}; }
};

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool KeyExists(std::uint32_t root, std::string_view path) const = 0;
    // Creates the key and any missing parents.
    virtual bool CreateKey(std::uint32_t root, std::string_view path) = 0;
    // Type None when the key or the value is missing.
    virtual RegValue QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const = 0;
    // Creates the key when missing.
    virtual bool SetValue(std::uint32_t root, std::string_view path, std::string_view name, const RegValue& value) = 0;
    virtual bool DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) = 0;
    // Names of the direct subkeys in case-insensitive alphabetical order.
    virtual std::vector<std::string> SubKeys(std::uint32_t root, std::string_view path) const = 0;
    // Deletes the key with everything below it; false when it did not exist.
    virtual bool DeleteKey(std::uint32_t root, std::string_view path) = 0;
};

// A registry held in memory: the model the hive file is parsed into, and the store tests
// use.
class MemoryRegistry : public Registry {
public:
    struct Key {
        std::string name; // as first written
        std::map<std::string, std::pair<std::string, RegValue>> values; // folded name -> (name, value)
        std::map<std::string, std::unique_ptr<Key>> children;           // folded name -> key
    };

    MemoryRegistry();
    ~MemoryRegistry() override;

    bool KeyExists(std::uint32_t root, std::string_view path) const override;
    bool CreateKey(std::uint32_t root, std::string_view path) override;
    RegValue QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const override;
    bool SetValue(std::uint32_t root, std::string_view path, std::string_view name, const RegValue& value) override;
    bool DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) override;
    std::vector<std::string> SubKeys(std::uint32_t root, std::string_view path) const override;
    bool DeleteKey(std::uint32_t root, std::string_view path) override;

    // The root key of a hive (created on demand).
    Key& Root(std::uint32_t root);
    const Key* FindKey(std::uint32_t root, std::string_view path) const;

private:
    Key* FindOrCreate(std::uint32_t root, std::string_view path);
    std::map<std::uint32_t, std::unique_ptr<Key>> m_roots;
};

// Case folding for registry names (ASCII letters only, as the names are ASCII).
std::string FoldRegName(std::string_view name);
// Splits a key path at backslashes, ignoring empty parts ("\\DB" and "DB\\" are "DB").
std::vector<std::string_view> SplitRegPath(std::string_view path);

// The program's settings key below HKEY_CURRENT_USER.
inline constexpr std::string_view kSettingsKey = "Software\\Orn\\Vireo!";
// kSettingsKey followed by a subkey path such as "\\location".
std::string SettingsPath(std::string_view subkey = {});

// The settings functions. Missing keys and values read as 0 and "".
std::int32_t GetRegNumber(const Registry& reg, std::string_view path, std::string_view name,
                          std::uint32_t root = kHKeyCurrentUser);
std::string GetRegText(const Registry& reg, std::string_view path, std::string_view name,
                       std::uint32_t root = kHKeyCurrentUser);
// Every value is written as text; numbers in decimal.
void SetRegValue(Registry& reg, std::string_view path, std::string_view name, std::string_view text,
                 std::uint32_t root = kHKeyCurrentUser);
void SetRegValue(Registry& reg, std::string_view path, std::string_view name, std::int64_t number,
                 std::uint32_t root = kHKeyCurrentUser);

} // namespace vireo
