// SPDX-License-Identifier: GPL-3.0-or-later
// Engine updates from the engine feed: an index that names each script's version, digest
// and address, signed by its publisher; newer scripts replace the user's copies only when
// the index carries the signature of a trusted key and every script came whole, matched
// its digest and reads as a script.

#include <curl/curl.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <algorithm>
#include <memory>

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
#include "platform/durable_file.h"

#ifndef VIREO_ENGINE_FEED_DEFAULT
#define VIREO_ENGINE_FEED_DEFAULT ""
#endif

namespace vireo::orn {

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr std::size_t kIndexCap = 1u << 20;
constexpr std::size_t kSignatureCap = 4096;
constexpr std::size_t kKeyFileCap = 64u << 10;
constexpr std::size_t kEd25519SignatureBytes = 64;
constexpr char kManifest[] = ".feed-versions.json";
constexpr char kKeysFolder[] = "engine-keys";

struct Sink {
    std::string* body;
    std::size_t cap;
};

std::size_t Append(char* data, std::size_t size, std::size_t n, void* user) {
    auto* sink = static_cast<Sink*>(user);
    if (sink->body->size() + size * n > sink->cap)
        return 0;
    sink->body->append(data, size * n);
    return size * n;
}

bool LoopbackHost(const std::string& url) {
    static const std::regex kLoopback(R"(^http://(127\.[0-9.]+|localhost|\[::1\])(:[0-9]+)?(/.*)?$)",
                                      std::regex::icase);
    return std::regex_match(url, kLoopback);
}

// Feeds come over https; plain http only from this machine (for trying a feed out).
bool Fetch(const std::string& url, std::string& body, std::string& error, std::size_t cap = kMaxBody) {
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
    Sink sink{&body, cap};
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Append);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
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

// The signature lies beside the index: its address with ".sig" added to the path.
std::string SignatureUrl(const std::string& index) {
    std::size_t query = index.find_first_of("?#");
    if (query == std::string::npos)
        return index + ".sig";
    return index.substr(0, query) + ".sig" + index.substr(query);
}

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

struct TrustedKey {
    std::string file;
    KeyPtr key{nullptr, &EVP_PKEY_free};
};

// The Ed25519 public keys (PEM files ending in ".pem") of the folders, in name order. A
// file that holds no such key is named in the log and not used.
std::vector<TrustedKey> LoadKeys(const std::vector<fs::path>& folders, SearchLog& log) {
    std::vector<TrustedKey> keys;
    for (const fs::path& folder : folders) {
        std::error_code ec;
        std::vector<fs::path> files;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->path().extension() == ".pem" && it->is_regular_file(typeError))
                files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const fs::path& f : files) {
            std::string pem;
            {
                std::ifstream in(f, std::ios::binary);
                pem.resize(kKeyFileCap);
                in.read(pem.data(), static_cast<std::streamsize>(pem.size()));
                pem.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
            }
            std::unique_ptr<BIO, decltype(&BIO_free)> bio(
                BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
            KeyPtr key(bio ? PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr) : nullptr,
                       &EVP_PKEY_free);
            if (!key || EVP_PKEY_id(key.get()) != EVP_PKEY_ED25519) {
                // Left on the thread's queue, the reason would be reported by the next
                // transfer's TLS as its own.
                ERR_clear_error();
                log.Line("engine update: " + f.string() + " holds no Ed25519 public key and is not used");
                continue;
            }
            keys.push_back({f.string(), std::move(key)});
        }
    }
    return keys;
}

bool SignedBy(const std::string& data, const std::string& signature, EVP_PKEY* key) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    // Ed25519 signs the message itself: no separate digest is named.
    bool ok = ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key) == 1 &&
              EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                               signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                               data.size()) == 1;
    ERR_clear_error();
    return ok;
}

// Whether JSON text nests no deeper than `limit` arrays and objects. Checked before
// parsing, since the parser itself descends without bound.
bool NestsWithin(std::string_view text, int limit) {
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

bool IsEngineEntry(const json& e) {
    return e.is_object() && e.value("name", json()).is_string() &&
           e.value("version", json()).is_number_integer() && e.value("sha256", json()).is_string() &&
           e.value("url", json()).is_string();
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
        return ORN_UPDATE_NO_FEED;
    }
    std::string body, error;
    if (!Fetch(feed, body, error, kIndexCap)) {
        log.Line("engine update: the feed " + feed + " could not be read: " + error);
        return -1;
    }
    // Nothing in the index is believed before its publisher's signature is checked: the
    // digests it lists are only worth what the index is.
    const std::string sigUrl = SignatureUrl(feed);
    std::string signature;
    if (!Fetch(sigUrl, signature, error, kSignatureCap)) {
        log.Line("engine update: the feed's index is not signed (its signature " + sigUrl +
                 " could not be read: " + error + "); nothing was changed");
        return -1;
    }
    if (signature.size() != kEd25519SignatureBytes) {
        log.Line("engine update: " + sigUrl + " is not an Ed25519 signature (" +
                 std::to_string(signature.size()) + " bytes instead of 64); nothing was changed");
        return -1;
    }
    const fs::path userKeys = fs::path(UserEnginesFolder()).parent_path() / kKeysFolder;
    std::vector<TrustedKey> keys = LoadKeys({fs::path(programFolder) / kKeysFolder, userKeys}, log);
    if (keys.empty()) {
        log.Line("engine update: there is no public key to check the feed's signature with (put the "
                 "publisher's key into " +
                 userKeys.string() + "); nothing was changed");
        return -1;
    }
    auto signer = std::find_if(keys.begin(), keys.end(),
                               [&](const TrustedKey& k) { return SignedBy(body, signature, k.key.get()); });
    if (signer == keys.end()) {
        log.Line(
            "engine update: the feed's index is not signed by any of the " + std::to_string(keys.size()) +
            (keys.size() == 1 ? " trusted key" : " trusted keys") +
            " (a forged or damaged index, or a publisher whose key you have not added); nothing was changed");
        return -1;
    }
    log.Line("engine update: the feed's index is signed by " + signer->file);
    if (!NestsWithin(body, kMaxJsonDepth)) {
        log.Line("engine update: the feed's index is nested deeper than " + std::to_string(kMaxJsonDepth) +
                 " levels; nothing was changed");
        return -1;
    }
    json index = json::parse(body, nullptr, false);
    if (!index.is_object() || !index.contains("engines") || !index["engines"].is_array()) {
        log.Line("engine update: the feed's index is not an engine index");
        return -1;
    }
    for (std::size_t i = 0; i < index["engines"].size(); ++i) {
        if (!IsEngineEntry(index["engines"][i])) {
            log.Line("engine update: entry " + std::to_string(i + 1) +
                     " of the feed's index is not an engine (an object with a name, a whole-number "
                     "version, a sha256 and a url); nothing was changed");
            return -1;
        }
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
    static const std::regex kSafeName("^[A-Za-z0-9_-]{1,64}$");
    std::vector<Pending> pending;
    auto discard = [&] {
        for (const Pending& p : pending)
            fs::remove(p.temp, ec);
    };
    for (const json& e : index["engines"]) {
        std::string name = e["name"].get<std::string>();
        long version = e["version"].get<long>();
        if (!std::regex_match(name, kSafeName)) {
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
        // Pushed first, so that a write that fails half-way is discarded with the rest.
        pending.push_back(p);
        if (!sys::WriteFileSynced(p.temp.string(), script, &error)) {
            log.Line("engine update: cannot write " + p.temp.string() + ": " + error);
            discard();
            return -1;
        }
    }
    if (pending.empty()) {
        log.Line("engine update: every engine is up to date");
        return 0;
    }
    for (const Pending& p : pending) {
        if (!sys::RenameReplacing(p.temp.string(), p.target.string(), &error)) {
            log.Line("engine update: cannot replace " + p.target.string() + ": " + error);
            discard();
            return -1;
        }
        manifest[p.name] = p.version;
        log.Line("engine update: " + p.name + " is now version " + std::to_string(p.version));
    }
    // The scripts are in place even when the versions cannot be noted: the next update
    // then fetches them again, which costs a transfer and loses nothing.
    if (!sys::SyncDirectory(folder.string(), &error) ||
        !sys::WriteFileAtomic((folder / kManifest).string(), manifest.dump(2) + "\n", &error))
        log.Line("engine update: the versions could not be noted: " + error);
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
