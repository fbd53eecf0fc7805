// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the benchmark bookmark file: vireo-bench-gen-netscape FILE [BOOKMARKS FOLDERS]
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "bench/interchange/netscape_gen.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::cerr << "usage: vireo-bench-gen-netscape FILE [BOOKMARKS FOLDERS]\n";
        return 64;
    }
    vireo::bench::NetscapeFileSize size;
    if (argc == 4) {
        size.bookmarks = std::atoi(argv[2]);
        size.folders = std::atoi(argv[3]);
    }
    std::string text = vireo::bench::GenerateNetscapeFile(size);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        std::cerr << "cannot write " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
