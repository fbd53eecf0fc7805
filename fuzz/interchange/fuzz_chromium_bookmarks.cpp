// SPDX-License-Identifier: GPL-3.0-or-later
// Chromium Bookmarks files from anywhere. The fast JSON reader must take nothing the general
// parser refuses and give the same events for what it takes (else the import would file
// what a damaged file never said); the import must never crash or hang, and a refusal
// always says why.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unistd.h>

#include "interchange/browser_import.h"
#include "interchange/json_scan.h"
#include "store/database.h"

namespace {

namespace fs = std::filesystem;

// Every event written down, so that two readers of one text can be compared.
struct EventLog {
    bool null() { return Tag('n'); }
    bool boolean(bool b) { return Tag(b ? 't' : 'f'); }
    bool number_integer(std::int64_t v) { return Text('i', std::to_string(v)); }
    bool number_unsigned(std::uint64_t v) { return Text('u', std::to_string(v)); }
    bool number_float(double, const std::string& s) { return Text('d', s); }
    bool string(std::string& s) { return Text('s', s); }
    bool binary(nlohmann::json::binary_t&) { return Tag('b'); }
    bool start_object(std::size_t) { return Tag('{'); }
    bool key(std::string& k) { return Text('k', k); }
    bool end_object() { return Tag('}'); }
    bool start_array(std::size_t) { return Tag('['); }
    bool end_array() { return Tag(']'); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception&) { return false; }

    bool Tag(char c) {
        log += c;
        return true;
    }
    bool Text(char c, const std::string& s) {
        log.append(1, c).append(std::to_string(s.size())).append(1, ':').append(s);
        return true;
    }
    std::string log;
};

const fs::path& Dir() {
    static const fs::path dir =
        fs::temp_directory_path() / ("vireo-fuzz-chromium-" + std::to_string(::getpid()));
    return dir;
}

// Opened once; made new now and then, so that what the imports leave behind stays small.
vireo::Database& Db(bool renew) {
    static vireo::Database db;
    if (renew || !db.IsOpen()) {
        db.Close();
        fs::remove_all(Dir() / "data");
        if (!db.Open((Dir() / "data").string(), nullptr))
            std::abort();
    }
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    EventLog fast;
    if (vireo::json_scan::Scanner<EventLog>(text, fast).Run()) {
        EventLog general;
        if (!nlohmann::json::sax_parse(text.data(), text.data() + text.size(), &general) ||
            general.log != fast.log)
            std::abort();
    }

    static int runs = 0;
    vireo::Database& db = Db(++runs % 1024 == 0);
    const std::string file = (Dir() / "Bookmarks").string();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(size));
    vireo::ExchangeResult r = vireo::ImportChromium(db, file);
    if (r.ok) {
        if (r.bookmarks < 1 || !db.IsLiveFolder(r.folder))
            std::abort();
        db.ZapFolder(r.folder, true);
    } else if (r.message.empty()) {
        std::abort();
    }
    return 0;
}
