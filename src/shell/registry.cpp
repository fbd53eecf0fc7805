// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/registry.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "store/text_codec.h"

namespace vireo {

namespace {

// Like a conversion that stops at the first character that is not part of a number (the
// stored NUL included); text that is no number, or too large for 32 bits, reads as 0.
std::int32_t TextToNumber(std::string_view stored) {
    std::string t(text::TrimSpaces(stored));
    errno = 0;
    long long n = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE || n < INT32_MIN || n > INT32_MAX)
        return 0;
    return static_cast<std::int32_t>(n);
}

} // namespace

std::string FoldRegName(std::string_view name) {
    return text::AsciiLower(name);
}

std::vector<std::string_view> SplitRegPath(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('\\', i);
        if (j == std::string_view::npos)
            j = path.size();
        if (j > i)
            parts.push_back(path.substr(i, j - i));
        i = j + 1;
    }
    return parts;
}

MemoryRegistry::MemoryRegistry() = default;
MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key& MemoryRegistry::Root(std::uint32_t root) {
    auto& slot = m_roots[root];
    if (!slot)
        slot = std::make_unique<Key>();
    return *slot;
}

const MemoryRegistry::Key* MemoryRegistry::FindKey(std::uint32_t root, std::string_view path) const {
    auto it = m_roots.find(root);
    if (it == m_roots.end())
        return nullptr;
    const Key* key = it->second.get();
    for (std::string_view part : SplitRegPath(path)) {
        auto child = key->children.find(FoldRegName(part));
        if (child == key->children.end())
            return nullptr;
        key = child->second.get();
    }
    return key;
}

MemoryRegistry::Key* MemoryRegistry::FindOrCreate(std::uint32_t root, std::string_view path) {
    Key* key = &Root(root);
    for (std::string_view part : SplitRegPath(path)) {
        auto& child = key->children[FoldRegName(part)];
        if (!child) {
            child = std::make_unique<Key>();
            child->name = std::string(part);
        }
        key = child.get();
    }
    return key;
}

bool MemoryRegistry::KeyExists(std::uint32_t root, std::string_view path) const {
    return FindKey(root, path) != nullptr;
}

bool MemoryRegistry::CreateKey(std::uint32_t root, std::string_view path) {
    FindOrCreate(root, path);
    return true;
}

RegValue MemoryRegistry::QueryValue(std::uint32_t root, std::string_view path, std::string_view name) const {
    const Key* key = FindKey(root, path);
    if (!key)
        return {};
    auto it = key->values.find(FoldRegName(name));
    return it == key->values.end() ? RegValue{} : it->second.second;
}

bool MemoryRegistry::SetValue(std::uint32_t root, std::string_view path, std::string_view name,
                              const RegValue& value) {
    Key* key = FindOrCreate(root, path);
    auto& slot = key->values[FoldRegName(name)];
    if (slot.first.empty())
        slot.first = std::string(name);
    slot.second = value;
    return true;
}

bool MemoryRegistry::DeleteValue(std::uint32_t root, std::string_view path, std::string_view name) {
    const Key* found = FindKey(root, path);
    if (!found)
        return false;
    return const_cast<Key*>(found)->values.erase(FoldRegName(name)) > 0;
}

std::vector<std::string> MemoryRegistry::SubKeys(std::uint32_t root, std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = FindKey(root, path)) {
        // The map is ordered by folded name: case-insensitive alphabetical order.
        for (const auto& [folded, child] : key->children)
            names.push_back(child->name);
    }
    return names;
}

bool MemoryRegistry::DeleteKey(std::uint32_t root, std::string_view path) {
    auto parts = SplitRegPath(path);
    if (parts.empty())
        return false;
    std::string parentPath;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        parentPath += std::string(parts[i]) + "\\";
    const Key* parent = FindKey(root, parentPath);
    if (!parent)
        return false;
    return const_cast<Key*>(parent)->children.erase(FoldRegName(parts.back())) > 0;
}

std::vector<std::string> MemoryRegistry::ValueNames(std::uint32_t root, std::string_view path) const {
    std::vector<std::string> names;
    if (const Key* key = FindKey(root, path)) {
        for (const auto& [folded, entry] : key->values)
            names.push_back(entry.first);
    }
    return names;
}

std::string SettingsPath(std::string_view subkey) {
    return std::string(kSettingsKey) + std::string(subkey);
}

std::int32_t GetRegNumber(const Registry& reg, std::string_view path, std::string_view name,
                          std::uint32_t root) {
    RegValue v = reg.QueryValue(root, path, name);
    switch (v.type) {
    case RegValue::Type::Number:
        return static_cast<std::int32_t>(v.number);
    case RegValue::Type::Text:
        return TextToNumber(v.text);
    default:
        return 0;
    }
}

std::string GetRegText(const Registry& reg, std::string_view path, std::string_view name,
                       std::uint32_t root) {
    RegValue v = reg.QueryValue(root, path, name);
    switch (v.type) {
    case RegValue::Type::Text: {
        std::string_view t = v.text;
        if (auto nul = t.find('\0'); nul != std::string_view::npos)
            t = t.substr(0, nul);
        return std::string(text::TrimSpaces(t));
    }
    case RegValue::Type::Number:
        // Read into a signed 32-bit number, as GetRegNumber does.
        return std::to_string(static_cast<std::int32_t>(v.number));
    default:
        return {};
    }
}

void SetRegValue(Registry& reg, std::string_view path, std::string_view name, std::string_view value,
                 std::uint32_t root) {
    reg.SetValue(root, path, name, RegValue::Text(value));
}

void SetRegValue(Registry& reg, std::string_view path, std::string_view name, std::int64_t number,
                 std::uint32_t root) {
    reg.SetValue(root, path, name, RegValue::Text(std::to_string(number)));
}

RegKey OpenRegKey(Registry& reg, std::string_view path, std::uint32_t root) {
    if (!reg.KeyExists(root, path))
        reg.CreateKey(root, path);
    return RegKey{&reg, root, std::string(path)};
}

std::int32_t ReadRegValue(const RegKey& key, std::string_view name, RegValue& value) {
    value = RegValue{};
    if (!key)
        return kRegInvalidParameter;
    RegValue stored = key.reg->QueryValue(key.root, key.path, name);
    switch (stored.type) {
    case RegValue::Type::Text:
        value = RegValue::Text(stored.text + '\0');
        return kRegOk;
    case RegValue::Type::Number:
        value = stored;
        return kRegOk;
    default:
        return kRegUnsupportedType;
    }
}

std::int32_t WriteRegValue(const RegKey& key, std::string_view name, std::uint32_t type,
                           const RegValue& value) {
    if (!key)
        return kRegInvalidParameter;
    RegValue out;
    if (type == kRegSz) {
        out = RegValue::Text(value.type == RegValue::Type::Number
                                 ? std::to_string(static_cast<std::int32_t>(value.number))
                                 : value.text);
    } else if (type == kRegDword) {
        std::uint32_t n = value.type == RegValue::Type::Text
                              ? static_cast<std::uint32_t>(TextToNumber(value.text))
                              : value.number;
        out = RegValue::Number(n);
    } else {
        return kRegOk;
    }
    return key.reg->SetValue(key.root, key.path, name, out) ? kRegOk : kRegWriteFailed;
}

std::int32_t DeleteRegKey(Registry& reg, std::uint32_t root, std::string_view path) {
    if (SplitRegPath(path).empty())
        return kRegInvalidParameter; // never a whole root
    return reg.DeleteKey(root, path) ? kRegOk : kRegFileNotFound;
}

std::int32_t DeleteRegKey(const RegKey& parent, std::string_view path) {
    if (!parent)
        return kRegInvalidParameter;
    std::string full = parent.path;
    if (!full.empty() && !path.empty())
        full += '\\';
    full += path;
    if (SplitRegPath(path).empty())
        return kRegInvalidParameter;
    return DeleteRegKey(*parent.reg, parent.root, full);
}

std::string RegSubKeyCursor::FirstRegSubKey(Registry& reg, std::string_view path, std::uint32_t root) {
    OpenRegKey(reg, path, root);
    m_names = reg.SubKeys(root, path);
    m_index = 0;
    return NextRegSubKey();
}

std::string RegSubKeyCursor::NextRegSubKey() {
    if (m_index >= m_names.size()) {
        m_names.clear();
        m_index = 0;
        return {};
    }
    return std::string(text::TrimSpaces(m_names[m_index++]));
}

namespace {

struct RootName {
    std::uint32_t root;
    std::string_view name;
    std::string_view shortName;
};

constexpr RootName kRootNames[] = {
    {kHKeyClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},     {kHKeyCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kHKeyLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},   {kHKeyUsers, "HKEY_USERS", "HKU"},
    {kHKeyCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
};

} // namespace

std::string_view RegRootName(std::uint32_t root) {
    for (const auto& r : kRootNames) {
        if (r.root == root)
            return r.name;
    }
    return {};
}

std::uint32_t ParseRegRoot(std::string_view name) {
    std::string folded = text::AsciiUpper(name);
    for (const auto& r : kRootNames) {
        if (folded == r.name || folded == r.shortName)
            return r.root;
    }
    return 0;
}

std::pair<std::uint32_t, std::string> SplitRootedRegPath(std::string_view path, std::uint32_t defaultRoot) {
    std::string_view p = path;
    while (!p.empty() && p.front() == '\\')
        p.remove_prefix(1);
    std::size_t slash = p.find('\\');
    std::string_view first = p.substr(0, slash);
    if (std::uint32_t root = ParseRegRoot(first))
        return {root, slash == std::string_view::npos ? std::string() : std::string(p.substr(slash + 1))};
    return {defaultRoot, std::string(p)};
}

} // namespace vireo
