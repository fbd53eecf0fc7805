// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the browser import benchmark's three files (bookmarks.html, places.sqlite,
// Bookmarks) into a folder: vireo-bench-gen-browser DIR [BOOKMARKS FOLDERS]. Small sizes
// make seeds for the fuzzers.
#include <iostream>
#include <string>

#include "bench/interchange/browser_gen.h"

int main(int argc, char** argv) {
    vireo::bench::BrowserSize size;
    try {
        if (argc == 4) {
            size.bookmarks = std::stoi(argv[2]);
            size.folders = std::stoi(argv[3]);
        }
    } catch (const std::exception&) {
        argc = 0;
    }
    if ((argc != 2 && argc != 4) || size.bookmarks < 0 || size.folders < 0) {
        std::cerr << "usage: vireo-bench-gen-browser DIR [BOOKMARKS FOLDERS]\n";
        return 64;
    }
    std::string error;
    if (!vireo::bench::WriteBrowserFiles(argv[1], size, &error)) {
        std::cerr << error << '\n';
        return 1;
    }
    return 0;
}
