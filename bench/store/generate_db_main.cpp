// SPDX-License-Identifier: GPL-3.0-or-later
// vireo-bench-gendb DIR [BOOKMARKS [FOLDERS]]: writes the benchmark database into DIR.
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "bench/store/generate_db.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: vireo-bench-gendb DIR [BOOKMARKS [FOLDERS]]\n";
        return 64;
    }
    vireo::bench::GeneratedSize size;
    if (argc > 2)
        size.bookmarks = std::atoi(argv[2]);
    if (argc > 3)
        size.folders = std::atoi(argv[3]);
    if (std::filesystem::exists(std::filesystem::path(argv[1]) / "FOLDERS")) {
        std::cerr << "vireo-bench-gendb: " << argv[1] << " already holds a database\n";
        return 1;
    }
    std::string error;
    if (!vireo::bench::GenerateDatabase(argv[1], size, &error)) {
        std::cerr << "vireo-bench-gendb: " << error << '\n';
        return 1;
    }
    return 0;
}
