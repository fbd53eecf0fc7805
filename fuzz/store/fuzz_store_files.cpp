// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the four data files: loading, walking, checking and saving must
// never crash, hang or read outside the files.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "store/database.h"
#include "store/integrity.h"

namespace {

class NullTree : public vireo::FolderTreeView {
public:
    void ClearNodes() override {}
    void AddNode(std::string_view, std::string_view, std::string_view, int) override {}
    void MoveNode(std::string_view, std::string_view) override {}
    void RemoveNode(std::string_view) override {}
    void SetNodeText(std::string_view, std::string_view) override {}
    void ExpandNode(std::string_view) override {}
    void SelectNode(std::string_view) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    static const fs::path dir =
        fs::temp_directory_path() / ("vireo-fuzz-store-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The input is four files, each prefixed by a 16-bit length (the last takes the rest).
    const char* names[] = {"FOLDERS", "BOOKMARKS", "VIREODEX", "VIREOMEM"};
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t len = size - pos;
        if (i < 3) {
            if (pos + 2 > size)
                len = 0;
            else {
                len = std::min<std::size_t>(size - pos - 2, data[pos] | (data[pos + 1] << 8));
                pos += 2;
            }
        }
        std::ofstream(dir / names[i], std::ios::binary)
            .write(reinterpret_cast<const char*>(data + pos), static_cast<std::streamsize>(len));
        pos += len;
    }
    vireo::CheckDataDirectory(dir.string());
    vireo::Database db;
    if (db.Open(dir.string(), nullptr)) {
        NullTree tree;
        db.FillTree(tree);
        for (std::int32_t f = 1; f <= db.FolderSlots(); ++f) {
            auto id = static_cast<std::int16_t>(f);
            db.FolderPath(id);
            db.InTrash(id);
            std::int32_t start = 0;
            while (std::int32_t k = db.NextMarkKey(id, start)) {
                db.Marks(id).NameStr(k);
                db.Marks(id).UrlStr(k);
                db.Marks(id).DescStr(k);
            }
        }
        db.Save();
    }
    return 0;
}
