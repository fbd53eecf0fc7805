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
#include <utility>
#include <vector>

namespace vireo {

// Roots by their numeric handles.
inline constexpr std::uint32_t kHKeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHKeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHKeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kHKeyUsers = 0x80000003u;
inline constexpr std::uint32_t kHKeyCurrentConfig = 0x80000005u;

// Registry value types, by their numbers in the hive format ("hex(2):" is type 2).
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// Statuses of the handle-level functions, as the registry reports them.
inline constexpr std::int32_t kRegOk = 0;
inline constexpr std::int32_t kRegFileNotFound = 2;
inline constexpr std::int32_t kRegInvalidParameter = 87;
inline constexpr std::int32_t kRegNoMoreItems = 259;
inline constexpr std::int32_t kRegUnsupportedType = -1; // ReadRegValue: a type we do not read
inline constexpr std::int32_t kRegWriteFailed = 1021;   // the hive could not be saved

struct RegValue {
    enum class Type { None, Text, Number, Binary };
    Type type = Type::None;
    std::string text;                   // Text: without its terminating NUL
    std::uint32_t number = 0;           // Number (REG_DWORD)
    std::string bytes;                  // Binary and other types, as stored
    std::uint32_t regType = kRegBinary; // Binary: the type it was stored with

    static RegValue Text(std::string_view t) { return {Type::Text, std::string(t), 0, {}, kRegSz}; }
    static RegValue Number(std::uint32_t n) { return {Type::Number, {}, n, {}, kRegDword}; }
    static RegValue Binary(std::string_view b, std::uint32_t type = kRegBinary) {
        return {Type::Binary, {}, 0, std::string(b), type};
    }
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
    virtual bool SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                          const RegValue& value) = 0;
    virtual bool DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) = 0;
    // Names of the direct subkeys in case-insensitive alphabetical order.
    virtual std::vector<std::string> SubKeys(std::uint32_t root, std::string_view path) const = 0;
    // Deletes the key with everything below it; false when it did not exist.
    virtual bool DeleteKey(std::uint32_t root, std::string_view path) = 0;
    // Names of the key's values in case-insensitive alphabetical order ("" is the default
    // value). For listings; the program itself always knows the names it reads.
    virtual std::vector<std::string> ValueNames(std::uint32_t /*root*/, std::string_view /*path*/) const {
        return {};
    }
};

// A registry held in memory: the model the hive file is parsed into, and the store tests
// use.
class MemoryRegistry : public Registry {
public:
    struct Key {
        std::string name;                                               // as first written
        std::map<std::string, std::pair<std::string, RegValue>> values; // folded name -> (name, value)
        std::map<std::string, std::unique_ptr<Key>> children;           // folded name -> key
        std::vector<std::string> kept; // lines of the settings file read with this key but not understood
    };

    MemoryRegistry();
    ~MemoryRegistry() override;

    bool KeyExists(std::uint32_t root, std::string_view path) const override;
    bool CreateKey(std::uint32_t root, std::string_view path) override;
    RegValue QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const override;
    bool SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                  const RegValue& value) override;
    bool DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) override;
    std::vector<std::string> SubKeys(std::uint32_t root, std::string_view path) const override;
    bool DeleteKey(std::uint32_t root, std::string_view path) override;
    std::vector<std::string> ValueNames(std::uint32_t root, std::string_view path) const override;

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
// Where the user's Personal (documents) and Favorites folders are named, below
// HKEY_CURRENT_USER.
inline constexpr std::string_view kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
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

// An open key: the handle-level functions below work on it. Keys need no closing.
struct RegKey {
    Registry* reg = nullptr;
    std::uint32_t root = 0;
    std::string path;
    explicit operator bool() const { return reg != nullptr; }
};

// Opens the key, creating it (and missing parents) when it does not exist.
RegKey OpenRegKey(Registry& reg, std::string_view path, std::uint32_t root = kHKeyCurrentUser);
// Reads a value as stored: text with its terminating NUL (so callers cut at the first
// NUL), a REG_DWORD as a number. kRegOk; kRegUnsupportedType (value left empty) for a
// missing value or any other type.
std::int32_t ReadRegValue(const RegKey& key, std::string_view name, RegValue& value);
// Writes text (kRegSz: the text of `value`, or a number's decimal text) or a 32-bit
// number (kRegDword). Other types write nothing. Returns the status.
std::int32_t WriteRegValue(const RegKey& key, std::string_view name, std::uint32_t type,
                           const RegValue& value);
// Deletes a key with everything below it: kRegOk, or kRegFileNotFound when it is missing.
std::int32_t DeleteRegKey(Registry& reg, std::uint32_t root, std::string_view path);
std::int32_t DeleteRegKey(const RegKey& parent, std::string_view path);

// Enumerates the subkeys of one key in case-insensitive alphabetical order. The names are
// taken when the enumeration starts, so deleting the keys one by one while enumerating
// visits every one of them. Each caller owns its cursor, so enumerations may nest.
class RegSubKeyCursor {
public:
    // Opens (or creates) the key and returns its first subkey, "" when it has none.
    std::string FirstRegSubKey(Registry& reg, std::string_view path, std::uint32_t root = kHKeyCurrentUser);
    // The next subkey, "" when there are no more.
    std::string NextRegSubKey();

private:
    std::vector<std::string> m_names;
    std::size_t m_index = 0;
};

// Root handles and their names in key paths ("HKEY_CURRENT_USER", also "HKCU").
std::string_view RegRootName(std::uint32_t root);
// The handle of a root name; 0 when it is not one.
std::uint32_t ParseRegRoot(std::string_view name);
// Splits "HKEY_LOCAL_MACHINE\Software\x" into its root and the rest; a path that does
// not start with a root name is taken as below `defaultRoot`.
std::pair<std::uint32_t, std::string> SplitRootedRegPath(std::string_view path,
                                                         std::uint32_t defaultRoot = kHKeyCurrentUser);

} // namespace vireo
