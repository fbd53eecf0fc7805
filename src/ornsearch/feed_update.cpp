// SPDX-License-Identifier: GPL-3.0-or-later
// Engine updates from the engine feed: an index that names each script's version, digest
// and address; newer scripts replace the user's copies only when every one of them came
// whole, matched its digest and reads as a script.

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "ornsearch/engine.h"
#include "ornsearch/ornsearch.h"
#include "ornsearch/runtime_support.h"

#ifndef VIREO_ENGINE_FEED_DEFAULT
#define VIREO_ENGINE_FEED_DEFAULT ""
#endif

namespace vireo::orn {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kIndexCap = 1u << 20;
constexpr char kManifest[] = ".feed-versions.json";

std::size_t Append(char* data, std::size_t size, std::size_t n, void* user) {
    auto* out = static_cast<std::string*>(user);
    if (out->size() + size * n > kMaxBody)
        return 0;
    out->append(data, size * n);
    return size * n;
}

bool LoopbackHost(const std::string& url) {
    static const std::regex loopback(R"(^http://(127\.[0-9.]+|localhost|\[::1\])(:[0-9]+)?(/.*)?$)",
                                     std::regex::icase);
    return std::regex_match(url, loopback);
}

// Feeds come over https; plain http only from this machine (for trying a feed out).
bool Fetch(const std::string& url, std::string& body, std::string& error) {
    if (url.rfind("https://", 0) != 0 && !LoopbackHost(url)) {
        error = "not an https address: " + url;
        return false;
    }
    CURL* e = curl_easy_init();
    if (!e) {
        error = "no transfer";
        return false;
    }
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 10L);
    curl_easy_setopt(e, CURLOPT_TIMEOUT, 20L);
    curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Vireo/2.0 engine update");
    CURLcode result = curl_easy_perform(e);
    long http = 0;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &http);
    curl_easy_cleanup(e);
    if (result != CURLE_OK) {
        error = curl_easy_strerror(result);
        return false;
    }
    if (http != 200) {
        error = "the server answered " + std::to_string(http);
        return false;
    }
    return true;
}

std::string Resolve(const std::string& base, const std::string& ref) {
    if (ref.find("://") != std::string::npos)
        return ref;
    std::size_t cut = base.find('?');
    std::string b = base.substr(0, cut);
    return b.substr(0, b.rfind('/') + 1) + ref;
}

bool WriteDurably(const fs::path& path, const std::string& text) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

struct Pending {
    std::string name;
    long version = 0;
    fs::path temp;
    fs::path target;
};

} // namespace

int32_t RunUpdate(const std::string& programFolder, SearchLog& log) {
    const char* env = std::getenv("VIREO_ENGINE_FEED");
    std::string feed = env && *env ? env : VIREO_ENGINE_FEED_DEFAULT;
    if (feed.empty()) {
        log.Line("engine update: no engine feed is set");
        return 0;
    }
    std::string body, error;
    if (!Fetch(feed, body, error)) {
        log.Line("engine update: the feed " + feed + " could not be read: " + error);
        return -1;
    }
    json index = json::parse(body, nullptr, false);
    if (!index.is_object() || !index.contains("engines") || !index["engines"].is_array()) {
        log.Line("engine update: the feed's index is not an engine index");
        return -1;
    }
    fs::path folder = UserEnginesFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    json manifest = json::object();
    {
        std::ifstream in(folder / kManifest);
        if (in) {
            json read = json::parse(in, nullptr, false);
            if (read.is_object())
                manifest = read;
        }
    }
    static const std::regex safeName("^[A-Za-z0-9_-]{1,64}$");
    std::vector<Pending> pending;
    auto discard = [&] {
        for (const Pending& p : pending)
            fs::remove(p.temp, ec);
    };
    for (const json& e : index["engines"]) {
        if (!e.is_object() || !e.value("name", json()).is_string() ||
            !e.value("version", json()).is_number_integer() || !e.value("sha256", json()).is_string() ||
            !e.value("url", json()).is_string())
            continue;
        std::string name = e["name"].get<std::string>();
        long version = e["version"].get<long>();
        if (!std::regex_match(name, safeName)) {
            log.Line("engine update: a script name that is not a plain file name was skipped: " +
                     CutUtf8(name, 80));
            continue;
        }
        long have = manifest.value(name, json(0L)).is_number_integer() ? manifest.value(name, 0L) : 0L;
        if (version <= have)
            continue;
        std::string url = Resolve(feed, e["url"].get<std::string>());
        std::string script;
        if (!Fetch(url, script, error)) {
            log.Line("engine update: " + url + ": " + error);
            discard();
            return -1;
        }
        if (Sha256Hex(script) != e["sha256"].get<std::string>()) {
            log.Line("engine update: " + url + " does not match its digest");
            discard();
            return -1;
        }
        EngineScript parsed;
        if (!ParseEngineScript(script, url, parsed, &error)) {
            log.Line("engine update: " + url + ": " + error);
            discard();
            return -1;
        }
        Pending p{name, version, folder / ("." + name + ".xml.update"), folder / (name + ".xml")};
        if (!WriteDurably(p.temp, script)) {
            log.Line("engine update: cannot write " + p.temp.string());
            discard();
            return -1;
        }
        pending.push_back(p);
    }
    if (pending.empty()) {
        log.Line("engine update: every engine is up to date");
        return 0;
    }
    for (const Pending& p : pending) {
        fs::rename(p.temp, p.target, ec);
        if (ec) {
            log.Line("engine update: cannot replace " + p.target.string() + ": " + ec.message());
            discard();
            return -1;
        }
        manifest[p.name] = p.version;
        log.Line("engine update: " + p.name + " is now version " + std::to_string(p.version));
    }
    fs::path manifestTemp = folder / (std::string(kManifest) + ".tmp");
    if (WriteDurably(manifestTemp, manifest.dump(2) + "\n"))
        fs::rename(manifestTemp, folder / kManifest, ec);
    (void)programFolder;
    return static_cast<int32_t>(pending.size());
}

} // namespace vireo::orn

extern "C" ORNSEARCH_API int32_t UpdateScripts(const char* programFolder) {
    if (!programFolder)
        return -1;
    curl_global_init(CURL_GLOBAL_DEFAULT);
    vireo::orn::SearchLog log;
    return vireo::orn::RunUpdate(programFolder, log);
}
