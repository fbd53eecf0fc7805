// SPDX-License-Identifier: GPL-3.0-or-later
// The settings hive parser on arbitrary bytes: it must never crash, hang or grow without
// bound, and what it writes must read back to the very same file (so a save never loses
// or changes what an earlier save kept).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/hive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    vireo::HiveDocument doc;
    if (!vireo::ParseHive(bytes, doc, nullptr))
        return 0;
    std::string first = vireo::WriteHive(doc);

    vireo::HiveDocument again;
    if (!vireo::ParseHive(first, again, nullptr))
        std::abort(); // we wrote something we cannot read
    if (vireo::WriteHive(again) != first)
        std::abort(); // a second save would change the file

    // The settings functions over what was read.
    for (auto root : {vireo::kHKeyCurrentUser, vireo::kHKeyLocalMachine}) {
        for (const auto& key : doc.Keys().SubKeys(root, ""))
            for (const auto& name : doc.Keys().ValueNames(root, key))
                (void)vireo::GetRegText(doc.Keys(), key, name, root);
    }
    return 0;
}
