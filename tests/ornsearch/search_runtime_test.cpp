// SPDX-License-Identifier: GPL-3.0-or-later
// The search library as the program meets it: the built libornsearch.so loaded with dlopen
// and driven through its functions against engines served from 127.0.0.1, with the
// order of every callback checked against the library's contract.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <sys/resource.h>
#include <zlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "engine_test_support.h"
#include "local_http_server.h"
#include "ornsearch/ornsearch.h"
#include "ornsearch/runtime_support.h"
#include "platform/durable_file.h"
#include "test_support.h"

namespace vireo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Library {
    void* handle = dlopen(ORNSEARCH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    template <class F>
    F Symbol(const char* name) const {
        return handle ? reinterpret_cast<F>(dlsym(handle, name)) : nullptr;
    }
    decltype(&GetSites) getSites = Symbol<decltype(&GetSites)>("GetSites");
    decltype(&InternetSearchMT) search = Symbol<decltype(&InternetSearchMT)>("InternetSearchMT");
    decltype(&CancelSearch) cancel = Symbol<decltype(&CancelSearch)>("CancelSearch");
    decltype(&UpdateScripts) update = Symbol<decltype(&UpdateScripts)>("UpdateScripts");
};
Library& Lib() {
    static Library lib;
    return lib;
}

// Everything one search reported, with the contract's checks made as reports arrive.
struct Recorder {
    std::mutex mutex;
    std::condition_variable ended;
    std::map<std::string, std::vector<int>> codes;
    std::map<std::string, std::vector<std::string>> hits;
    std::vector<std::string> faults;
    std::atomic<int> inside{0};
    bool done = false;
    Clock::time_point endedAt;
    bool cancelInCallback = false;
};
Recorder* g_rec = nullptr;
// Waits, as a server that never answers does, until the test lets it go (or 20 s pass).
std::atomic<bool> g_release{false};

int32_t OnResult(const char* site, const char* description, const char* title, const char* address) {
    // The recorder of this search, even when the test has moved on to the next one.
    Recorder* const r = g_rec;
    if (r->inside.fetch_add(1) != 0)
        r->faults.push_back("two callbacks at once");
    {
        std::lock_guard lock(r->mutex);
        if (r->done)
            r->faults.push_back("a hit after the end");
        if (!description || !title || !address)
            r->faults.push_back("a hit with a missing text");
        else
            r->hits[site].push_back(address);
    }
    r->inside.fetch_sub(1);
    return 0;
}

int32_t OnStatus(const char* site, int32_t status) {
    Recorder* const r = g_rec;
    if (r->inside.fetch_add(1) != 0)
        r->faults.push_back("two callbacks at once");
    std::this_thread::sleep_for(1ms); // gives overlapping calls a chance to show
    bool cancel = false;
    {
        std::lock_guard lock(r->mutex);
        if (r->done)
            r->faults.push_back("a report after the end");
        std::string s = site ? site : "(null)";
        if (!s.empty()) {
            r->codes[s].push_back(status);
        } else if (status != 0 && status != 10) {
            r->faults.push_back("search-wide code " + std::to_string(status));
        } else if (status == 0) {
            r->done = true;
            r->endedAt = Clock::now();
            r->ended.notify_all();
        }
        cancel = r->cancelInCallback && status == 3;
    }
    if (cancel)
        Lib().cancel(); // allowed from inside a callback
    r->inside.fetch_sub(1);
    return 0;
}

// The codes of one site in a permitted order: 1, 2, (3, 4)*, 5, one end; it may end early.
bool InOrder(const std::vector<int>& codes) {
    if (codes.empty() || codes.front() != 1)
        return false;
    int last = 1;
    for (std::size_t i = 1; i < codes.size(); ++i) {
        int c = codes[i];
        bool ending = c >= 6 && c != 10 && c != 12;
        if (ending)
            return i == codes.size() - 1;
        // 3 after 3: a page given up for the script's next Url.
        bool ok = (c == 2 && last == 1) || (c == 3 && (last == 2 || last == 3 || last == 4)) ||
                  (c == 4 && last == 3) || (c == 5 && (last == 4 || last == 2));
        if (!ok)
            return false;
        last = c;
    }
    return false; // no ending code
}

// A script named `name` whose Urls are `urls`.
std::string Script(const std::string& name, const std::string& urls) {
    return orn::test::ScriptText("<ShortName>" + name + "</ShortName>" + urls);
}
std::string RssUrl(const std::string& url) {
    return "<Url type=\"application/rss+xml\" indexOffset=\"0\" template=\"" + url + "\"/>";
}

struct SearchRuntime : ::testing::Test {
    void SetUp() override {
        if (!Lib().handle)
            GTEST_SKIP() << "the search library is not built: " << ORNSEARCH_LIBRARY;
        fs::create_directories(engines);
        setenv("XDG_CACHE_HOME", tmp.file("cache").c_str(), 1);
        setenv("XDG_DATA_HOME", tmp.file("data").c_str(), 1);
        rec = std::make_unique<Recorder>();
        g_rec = rec.get();
        g_release = false;
    }
    void TearDown() override {
        g_release = true;
        if (Lib().handle && rec && searched && !rec->done) {
            Lib().cancel();
            Wait(5s);
        }
    }
    std::string Engine(const std::string& name, const std::string& text) {
        std::string path = (engines / (name + ".xml")).string();
        test::WriteText(path, text);
        return path;
    }
    std::string Rss(const std::string& name, const std::string& url) {
        return Engine(name, Script(name, RssUrl(url)));
    }
    bool Start(const std::vector<std::string>& ids, int siteMax = 10, int maxHits = 100, int timeout = 5,
               int transfers = 20) {
        std::vector<const char*> list;
        for (const auto& id : ids)
            list.push_back(id.c_str());
        list.push_back(nullptr);
        searched = true;
        return Lib().search(list.data(), "golf", static_cast<int16_t>(siteMax), static_cast<int16_t>(maxHits),
                            static_cast<int16_t>(timeout), &OnResult, &OnStatus,
                            static_cast<int16_t>(transfers), 0) == 1;
    }
    // Until the search ended and its last callback returned: only then may the recorder go.
    bool Wait(std::chrono::milliseconds limit) {
        const auto until = Clock::now() + limit;
        {
            std::unique_lock lock(rec->mutex);
            if (!rec->ended.wait_until(lock, until, [&] { return rec->done; }))
                return false;
        }
        while (rec->inside.load() != 0) {
            if (Clock::now() > until)
                return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    int End(const std::string& id) {
        std::lock_guard lock(rec->mutex);
        const auto& c = rec->codes[id];
        return c.empty() ? -1 : c.back();
    }
    void ExpectContract() {
        std::lock_guard lock(rec->mutex);
        // A second end, or a report after it, is one of the faults.
        EXPECT_TRUE(rec->faults.empty()) << rec->faults.front();
        for (const auto& [id, codes] : rec->codes)
            EXPECT_TRUE(InOrder(codes)) << id << ": " << ::testing::PrintToString(codes);
    }

    test::TempDir tmp;
    fs::path engines = fs::path(tmp.path()) / "program" / "engines";
    std::unique_ptr<Recorder> rec;
    bool searched = false;
};

std::string RssPage(int from, int n, const std::string& host = "golf.example") {
    std::string body =
        "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>r</title><link>http://x/</link>"
        "<description>d</description>";
    for (int i = from; i < from + n; ++i)
        body += "<item><title>Hit " + std::to_string(i) + "</title><link>https://" + host + "/" +
                std::to_string(i) + "</link><description>About hit</description></item>";
    return body + "</channel></rss>";
}

void Hang() {
    for (int i = 0; i < 2000 && !g_release; ++i)
        std::this_thread::sleep_for(10ms);
}

// Declared after a server, lets its hanging answers go before the server waits for them.
struct ReleaseHangs {
    ~ReleaseHangs() { g_release = true; }
};

int StartOf(const std::string& target) {
    std::size_t at = target.find("start=");
    return at == std::string::npos ? 0 : std::atoi(target.c_str() + at + 6);
}

// `head` and then `fill` blanks, gzip-compressed a piece at a time so the
// test itself never holds the whole page.
std::string Gzip(const std::string& head, std::size_t fill = 0) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out, chunk(1 << 20, ' ');
    char buf[1 << 16];
    auto feed = [&](const char* data, std::size_t n, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = static_cast<uInt>(n);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buf);
            z.avail_out = sizeof buf;
            deflate(&z, flush);
            out.append(buf, sizeof buf - z.avail_out);
        } while (z.avail_out == 0);
    };
    feed(head.data(), head.size(), Z_NO_FLUSH);
    for (std::size_t done = 0; done < fill; done += chunk.size())
        feed(chunk.data(), std::min(chunk.size(), fill - done), Z_NO_FLUSH);
    feed(nullptr, 0, Z_FINISH);
    deflateEnd(&z);
    return out;
}

TEST_F(SearchRuntime, EverySiteEndsHonestlyAndTheContractHolds) {
    // 256 MB of white space after the start of a feed: about 250 KB on the wire, 128 times
    // the cap once inflated.
    const std::string packed = Gzip(RssPage(0, 5)), packedEmpty = Gzip(RssPage(0, 0));
    const std::string bomb = Gzip(RssPage(0, 3).substr(0, RssPage(0, 3).size() - 17), std::size_t(256) << 20);
    ASSERT_LT(bomb.size(), 1u << 20);
    test::LocalHttpServer server;
    ReleaseHangs release;
    ASSERT_TRUE(server.Listening());
    server.SetHandler([&](const std::string& target, test::LocalHttpServer::Response& r) {
        auto at = [&](const char* path) { return target.rfind(path, 0) == 0; };
        const int start = StartOf(target);
        r.headers = "Content-Type: application/rss+xml\r\n";
        if (at("/rss"))
            r.body = RssPage(start, start < 8 ? 4 : 0);
        else if (at("/endless"))
            r.body = RssPage(start, 2);
        else if (at("/packed") || at("/bomb")) {
            r.headers += "Content-Encoding: gzip\r\n";
            r.body = at("/bomb") ? bomb : start == 0 ? packed : packedEmpty;
        } else if (at("/html-for-json") || at("/changed")) {
            r.headers = "Content-Type: text/html\r\n";
            r.body = at("/changed") ? "<html><body><p>A new design</p></body></html>"
                                    : "<html><body>Please confirm you are human</body></html>";
        } else if (at("/busy")) {
            r.status = 429;
            r.body = "Too Many Requests";
        } else if (at("/broken")) {
            r.status = 500;
            r.body = "oops";
        } else if (at("/loop")) {
            r.status = 302;
            r.headers = "Location: " + target + "\r\n";
        } else if (at("/silent")) {
            Hang();
            r.status = 504;
        } else {
            return false;
        }
        return true;
    });
    // A port nothing listens on: a server's that has gone.
    const std::string closed = test::LocalHttpServer().Url("");
    const std::string base = server.Url("");
    auto rss = [&](const std::string& name, const std::string& path) { return Rss(name, base + path); };
    struct Site {
        std::string id;
        int end;
        std::size_t hits = 0;
    };
    std::map<std::string, Site> sites = {
        // Paged by the engine's start index until it ran dry: 4 + 4, then an empty page.
        {"rss", {rss("rss", "/rss?q={searchTerms}&amp;start={startIndex}"), 6, 8}},
        // Never runs dry: asked for ten pages of two at most.
        {"endless", {rss("endless", "/endless?q={searchTerms}&amp;start={startIndex}"), 6, 20}},
        {"packed", {rss("packed", "/packed?q={searchTerms}&amp;start={startIndex}"), 6, 5}},
        // The bomb's site ends like any other, with what the cap held of it.
        {"bomb", {rss("bomb", "/bomb?q={searchTerms}&amp;start={startIndex}"), 6, 3}},
        {"broken", {rss("broken", "/broken?q={searchTerms}"), 7}},
        {"loop", {rss("loop", "/loop?q={searchTerms}"), 7}},
        {"silent", {rss("silent", "/silent?q={searchTerms}"), 8}},
        {"refused", {Rss("refused", closed + "/?q={searchTerms}"), 15}},
        {"badurl", {Rss("badurl", "ftp://127.0.0.1/?q={searchTerms}"), 16}},
        // A bot check or a 429 is the site refusing the search: the program shows the code's
        // own text, the bit above it says why.
        {"json",
         {Engine("json",
                 Script("Json", "<Url type=\"application/json\" template=\"" + base +
                                    "/html-for-json?q={searchTerms}\"><vireo:Json><vireo:Results>results"
                                    "</vireo:Results><vireo:Title>name</vireo:Title><vireo:Address>link"
                                    "</vireo:Address></vireo:Json></Url>")),
          7 | 0x10000}},
        {"busy", {rss("busy", "/busy?q={searchTerms}"), 7 | 0x10000}},
        // The feed fails, then its HTML page is a page the rules no longer fit: that is the
        // end, and a changed page, not a refusal.
        {"changed",
         {Engine("changed",
                 Script("C", RssUrl(base + "/broken?q={searchTerms}") +
                                 "<Url type=\"text/html\" template=\"" + base +
                                 "/changed?q={searchTerms}\"><vireo:Html><vireo:ResultPage>//ol</"
                                 "vireo:ResultPage><vireo:Result>//li</vireo:Result><vireo:Title>a</"
                                 "vireo:Title><vireo:Address>a</vireo:Address></vireo:Html></Url>")),
          11}},
        // The first Url's server fails; the second one's answer is read.
        {"fallback",
         {Engine("fallback", Script("F", RssUrl(base + "/broken?q={searchTerms}&amp;start={startIndex}") +
                                             RssUrl(base + "/rss?q={searchTerms}&amp;start={startIndex}"))),
          6, 8}},
        {"garbage", {Engine("garbage", "this is not a script"), 11}},
    };
    // Only where this machine's resolver fails a .invalid name at once.
    addrinfo* ai = nullptr;
    const auto t0 = Clock::now();
    if (getaddrinfo("engine.invalid", "80", nullptr, &ai) == EAI_NONAME && Clock::now() - t0 < 1s)
        sites["nowhere"] = {Rss("nowhere", "http://engine.invalid/?q={searchTerms}"), 14};
    if (ai)
        freeaddrinfo(ai);
    std::vector<std::string> list;
    for (const auto& [name, site] : sites)
        list.push_back(site.id);
    list.push_back("");              // skipped
    list.push_back(sites["rss"].id); // runs once
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const long before = usage.ru_maxrss;
    ASSERT_TRUE(Start(list, 100, 200, 2));
    // One search at a time.
    EXPECT_FALSE(Start({sites["rss"].id}));
    ASSERT_TRUE(Wait(15s));
    ExpectContract();
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss - before, 64 * 1024) << "the inflated page was kept";
    for (const auto& [name, site] : sites) {
        EXPECT_EQ(End(site.id), site.end) << name;
        EXPECT_EQ(rec->hits[site.id].size(), site.hits) << name;
    }
    EXPECT_EQ(rec->codes.size(), sites.size());
    // A redirection loop is followed five times, not until the time-out.
    const std::vector<std::string> asked = server.Requests();
    EXPECT_EQ(std::count_if(asked.begin(), asked.end(),
                            [](const std::string& t) { return t.rfind("/loop", 0) == 0; }),
              6);
    // Every request went out with our user agent.
    EXPECT_NE(server.Agent().find("Vireo/"), std::string::npos);
    // The search log tells why an engine found nothing.
    const std::string log = test::ReadText(tmp.file("cache") + "/Vireo/search.log");
    for (const char* line :
         {"search \"golf\" in All Engines", "the server answered 500", "/rss?q=golf&start=4 -> HTTP 200",
          "refused: the site refused an automated search (a bot check)",
          "refused an automated search (HTTP 429, too many requests)",
          "fallback: trying the engine's Url 2 for page 1"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    // A new search starts normally once the last one ended.
    rec = std::make_unique<Recorder>();
    g_rec = rec.get();
    ASSERT_TRUE(Start({sites["rss"].id}, 3, 2));
    ASSERT_TRUE(Wait(10s));
    ExpectContract();
    // The engine's own limit bounds what it delivers, not the search's (the program keeps
    // the best of every engine's hits).
    EXPECT_EQ(rec->hits[sites["rss"].id].size(), 3u);
    EXPECT_EQ(End(sites["rss"].id), 6);
}

TEST_F(SearchRuntime, GetSitesAndCancelEndsEveryRunningSiteAtOnce) {
    test::LocalHttpServer server;
    ReleaseHangs release;
    server.SetHandler([](const std::string&, test::LocalHttpServer::Response& r) {
        Hang();
        r.status = 504;
        return true;
    });
    std::vector<std::string> ids;
    for (int i = 0; i < 5; ++i)
        ids.push_back(
            Engine("slow" + std::to_string(i),
                   Script("Slow " + std::to_string(i), RssUrl(server.Url("/silent?q={searchTerms}")))));
    // The program's site table is filled in the caller's buffers.
    static char names[ORN_MAX_SITES][ORN_NAME_BYTES], sites[ORN_MAX_SITES][ORN_ID_BYTES],
        homes[ORN_MAX_SITES][ORN_HOME_BYTES];
    int16_t count = -1;
    const std::string program = (fs::path(tmp.path()) / "program").string();
    EXPECT_EQ(Lib().getSites(names, sites, homes, &count, program.c_str()), ORN_SITES_OK);
    ASSERT_EQ(count, 5);
    EXPECT_STREQ(names[0], "Slow 0");
    EXPECT_EQ(sites[0], ids[0]);
    EXPECT_EQ(homes[0], server.Url("/"));
    EXPECT_EQ(Lib().getSites(names, sites, homes, &count, tmp.file("empty").c_str()), ORN_SITES_NO_SCRIPTS);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(Lib().getSites(names, sites, homes, nullptr, program.c_str()), ORN_SITES_FAILED);
    ASSERT_TRUE(Start(ids, 10, 100, 20));
    std::this_thread::sleep_for(300ms);
    auto asked = Clock::now();
    EXPECT_EQ(Lib().cancel(), 1);
    ASSERT_TRUE(Wait(5s));
    // A quarter of a second is the promise; the margin keeps a loaded machine from failing.
    EXPECT_LT(rec->endedAt - asked, 1s);
    ExpectContract();
    for (const auto& id : ids)
        EXPECT_EQ(End(id), 9) << id;
    EXPECT_EQ(Lib().cancel(), 0); // nothing runs now
}

// Every engine's "Connected." while the engines still hold their answers.
std::atomic<int> g_connectedBeforeAnswer{0};
// First pages the server is holding at the moment.
std::atomic<int> g_heldFirstPages{0};

int ConnectedSites() {
    std::lock_guard lock(g_rec->mutex);
    int n = 0;
    for (const auto& [id, codes] : g_rec->codes)
        n += std::find(codes.begin(), codes.end(), ORN_STATUS_CONNECTED) != codes.end();
    return n;
}

TEST_F(SearchRuntime, EveryEngineAtOnceEachToItsOwnLimitAndCancelFromACallback) {
    constexpr int kEngines = 25;
    test::LocalHttpServer server;
    ReleaseHangs release;
    g_connectedBeforeAnswer = 0;
    g_heldFirstPages = 0;
    // Each first page is held back until every engine's first page is being held and every
    // engine has been told it is connected: a library that runs fewer at once, or reports
    // the connection only with the page, never gets there and the engines answer late.
    server.SetHandler([](const std::string& target, test::LocalHttpServer::Response& r) {
        if (StartOf(target) == 0) {
            ++g_heldFirstPages;
            for (int i = 0;
                 i < 500 && !g_release && (g_heldFirstPages < kEngines || ConnectedSites() < kEngines); ++i)
                std::this_thread::sleep_for(10ms);
            if (ConnectedSites() == kEngines)
                ++g_connectedBeforeAnswer;
        }
        r.headers = "Content-Type: application/rss+xml\r\n";
        r.body = RssPage(StartOf(target), StartOf(target) < 10 ? 5 : 0, target.substr(1, 4));
        return true;
    });
    std::vector<std::string> ids;
    for (int i = 0; i < kEngines; ++i)
        ids.push_back(Rss("e" + std::to_string(i), server.Url("/e" + std::to_string(i % 10) +
                                                              "x?q={searchTerms}&amp;start={startIndex}")));
    // The search keeps 12 hits; still every engine delivers its own 10 (two pages), and the
    // slowest is not cut short by the quickest.
    ASSERT_TRUE(Start(ids, 10, 12, 5, 20));
    ASSERT_TRUE(Wait(15s));
    ExpectContract();
    EXPECT_EQ(server.MostAtOnce(), kEngines);
    EXPECT_EQ(g_connectedBeforeAnswer, kEngines);
    for (const auto& id : ids) {
        EXPECT_EQ(End(id), 6) << id;
        EXPECT_EQ(rec->hits[id].size(), 10u) << id;
    }

    rec = std::make_unique<Recorder>();
    g_rec = rec.get();
    rec->cancelInCallback = true;
    ASSERT_TRUE(Start(ids, 5, 200, 5, 4));
    ASSERT_TRUE(Wait(5s));
    ExpectContract();
    int cancelled = 0;
    for (const auto& id : ids)
        cancelled += End(id) == 9;
    EXPECT_GT(cancelled, 0);
}

// An Ed25519 key pair made for one test, as a publisher's would be.
struct FeedKey {
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key{EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"),
                                                            &EVP_PKEY_free};
    // The public key as a PEM file, as `openssl pkey -pubout` writes it.
    std::string PublicPem() const {
        std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
        PEM_write_bio_PUBKEY(bio.get(), key.get());
        char* data = nullptr;
        long n = BIO_get_mem_data(bio.get(), &data);
        return std::string(data, static_cast<std::size_t>(n));
    }
    std::string Sign(const std::string& message) const {
        std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
        std::string sig(64, '\0');
        std::size_t len = sig.size();
        EXPECT_EQ(EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()), 1);
        EXPECT_EQ(EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(sig.data()), &len,
                                 reinterpret_cast<const unsigned char*>(message.data()), message.size()),
                  1);
        sig.resize(len);
        return sig;
    }
};

TEST_F(SearchRuntime, EngineUpdatesReplaceScriptsOnlyWhenSignedAndSound) {
    test::LocalHttpServer server;
    const std::string good = Script("Fresh", RssUrl("https://fresh.example/s?q={searchTerms}"));
    const std::string digest = orn::Sha256Hex(good);
    FeedKey publisher, stranger;
    std::mutex mutex;
    std::string index, signature; // no signature: none is served
    auto publish = [&](const std::string& text, const std::string& sig) {
        std::lock_guard lock(mutex);
        index = text;
        signature = sig;
    };
    auto entries = [&](const std::string& sha, int version) {
        return R"({"engines":[{"name":"fresh","version":)" + std::to_string(version) + R"(,"sha256":")" +
               sha + R"(","url":"fresh.xml"},{"name":"../evil","version":9,"sha256":"x","url":"evil.xml"}]})";
    };
    server.SetHandler([&](const std::string& target, test::LocalHttpServer::Response& r) {
        std::lock_guard lock(mutex);
        if (target == "/feed/index.json")
            r.body = index;
        else if (target == "/feed/index.json.sig" && !signature.empty())
            r.body = signature;
        else if (target == "/feed/fresh.xml")
            r.body = good;
        else
            return false;
        return true;
    });
    fs::path user = fs::path(tmp.file("data")) / "Vireo" / "engines";
    fs::path userKeys = user.parent_path() / "engine-keys";
    fs::path program = tmp.path() / "program";
    fs::create_directories(program);
    const std::string programArg = program.string() + "/";
    const std::string logPath = tmp.file("cache") + "/Vireo/search.log";
    auto logHas = [&](const std::string& what) {
        return test::ReadText(logPath).find(what) != std::string::npos;
    };
    unsetenv("VIREO_ENGINE_FEED");
    // No feed: nothing was checked, which is not "nothing to update".
    EXPECT_EQ(Lib().update(programArg.c_str()), ORN_UPDATE_NO_FEED);
    setenv("VIREO_ENGINE_FEED", server.Url("/feed/index.json").c_str(), 1);

    // Before any key is trusted, even a well-signed feed changes nothing.
    const std::string sound = entries(digest, 2);
    publish(sound, publisher.Sign(sound));
    EXPECT_LT(Lib().update(programArg.c_str()), 0);
    EXPECT_TRUE(logHas("there is no public key to check the feed's signature with"));
    test::WriteText(userKeys / "publisher.pem", publisher.PublicPem());
    test::WriteText(userKeys / "notes.pem", "not a key");

    // Forged feeds (digests that match, but signed by someone else, as a feed changed on the
    // way is, not signed at all, or with a signature that is not one) and signed feeds that are
    // wrong inside (a script that does not match its digest, an index nested without end,
    // an entry that is no engine): refused with the reason, and nothing is installed.
    std::string cut = publisher.Sign(sound), nonEngine = sound;
    cut.pop_back();
    nonEngine.replace(nonEngine.find(",{\"name\":\"../evil\""), std::string::npos, ", \"fresh\"]}");
    const std::string deep = R"({"engines":[)" + std::string(100000, '[') + std::string(100000, ']') + "]}";
    const struct {
        std::string index, signature, reason;
    } forged[] = {
        {sound, stranger.Sign(sound), "is not signed by any of the 1 trusted key"},
        {sound, "", "the feed's index is not signed (its signature " + server.Url("/feed/index.json.sig")},
        {sound, cut, "is not an Ed25519 signature (63 bytes"},
        {entries(std::string(64, '0'), 2), publisher.Sign(entries(std::string(64, '0'), 2)),
         "does not match its digest"},
        {deep, publisher.Sign(deep), "nested deeper than 64 levels"},
        {nonEngine, publisher.Sign(nonEngine), "entry 2 of the feed's index is not an engine"},
    };
    for (const auto& f : forged) {
        SCOPED_TRACE(f.reason);
        const std::size_t logged = test::ReadText(logPath).size();
        publish(f.index, f.signature);
        EXPECT_LT(Lib().update(programArg.c_str()), 0);
        EXPECT_NE(test::ReadText(logPath).find(f.reason, logged), std::string::npos);
        EXPECT_FALSE(fs::exists(user / "fresh.xml"));
    }
    EXPECT_TRUE(logHas("notes.pem holds no Ed25519 public key"));

    // Signed by the trusted publisher and sound: the script is put in place.
    publish(sound, publisher.Sign(sound));
    EXPECT_EQ(Lib().update(programArg.c_str()), 1);
    EXPECT_EQ(test::ReadText(user / "fresh.xml"), good);
    EXPECT_FALSE(fs::exists(user.parent_path() / "evil.xml"));
    EXPECT_EQ(Lib().update(programArg.c_str()), 0); // already current

    // The key the program ships counts as well as the user's own.
    fs::remove_all(userKeys);
    test::WriteText(program / "engine-keys" / "vireo-engines.pem", publisher.PublicPem());
    publish(entries(digest, 3), publisher.Sign(entries(digest, 3)));
    EXPECT_EQ(Lib().update(programArg.c_str()), 1);

    // A disk that fills up while a script is written leaves the user's scripts and the
    // noted versions as they were, and no half-written file behind; one that fills up
    // just after the scripts are in place costs only a second transfer next time.
    auto userFiles = [&] {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(user))
            names.insert(entry.path().filename().string());
        return names;
    };
    const std::set<std::string> installed{"fresh.xml", ".feed-versions.json"};
    publish(entries(digest, 4), publisher.Sign(entries(digest, 4)));
    for (std::int64_t budget : {std::int64_t{0}, static_cast<std::int64_t>(good.size() / 2)}) {
        sys::testing::FailWritesAfter(budget);
        {
            orn::SearchLog log;
            EXPECT_LT(orn::RunUpdate(programArg, log), 0);
        }
        sys::testing::FailWritesAfter(-1);
        EXPECT_TRUE(logHas("cannot write " + (user / ".fresh.xml.update").string()));
        EXPECT_EQ(userFiles(), installed);
    }
    sys::testing::FailWritesAfter(static_cast<std::int64_t>(good.size()) + 4);
    {
        orn::SearchLog log;
        EXPECT_EQ(orn::RunUpdate(programArg, log), 1);
    }
    sys::testing::FailWritesAfter(-1);
    EXPECT_TRUE(logHas("the versions could not be noted"));
    EXPECT_EQ(userFiles(), installed);
    EXPECT_EQ(Lib().update(programArg.c_str()), 1);
    EXPECT_EQ(Lib().update(programArg.c_str()), 0);

    setenv("VIREO_ENGINE_FEED", server.Url("/nothing-here").c_str(), 1);
    EXPECT_LT(Lib().update(programArg.c_str()), 0);
    unsetenv("VIREO_ENGINE_FEED");
}

TEST(SearchLibraryExports, ExactlyTheNineFunctions) {
    std::string command = "nm -D --defined-only --format=posix '" + std::string(ORNSEARCH_LIBRARY) + "'";
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    ASSERT_TRUE(pipe);
    std::set<std::string> names;
    char name[512], type;
    while (std::fscanf(pipe, "%511s %c%*[^\n]", name, &type) == 2) {
        if (type != 'A') // the version node
            names.insert(name);
    }
    if (pclose(pipe) != 0 && names.empty())
        GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(names, (std::set<std::string>{"AddHash", "CancelSearch", "ClearHashTable", "ConnectionExists",
                                            "GetSites", "InternetSearchMT", "KeepSites", "LeftOutSites",
                                            "UpdateScripts"}));
}

TEST(SearchSupport, DigestsRoutesAndCuts) {
    EXPECT_EQ(orn::Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string head = "Iface\tDestination\tGateway\tFlags\tRefCnt\tUse\tMetric\tMask\n";
    EXPECT_TRUE(orn::HasDefaultRoute(head + "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\n", ""));
    EXPECT_FALSE(orn::HasDefaultRoute(head + "eth0\t0002A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n", ""));
    // A default route that is down is no route.
    EXPECT_FALSE(orn::HasDefaultRoute(head + "eth0\t00000000\t0102A8C0\t0002\t0\t0\t100\t00000000\n", ""));
    const std::string zero(32, '0');
    EXPECT_TRUE(orn::HasDefaultRoute(head, zero + " 00 " + zero +
                                               " 00 fe800000000000000000000000000001 00000400 "
                                               "00000001 00000000 00000003 wlan0\n"));
    // The kernel's unreachable default on loopback does not count.
    EXPECT_FALSE(orn::HasDefaultRoute(head, zero + " 00 " + zero + " 00 " + zero +
                                                " ffffffff 00000001 00000000 00200200 lo\n"));
    EXPECT_EQ(orn::CutUtf8("aé", 2), "a");
    EXPECT_EQ(orn::CutUtf8("aé", 3), "aé");
}

} // namespace
} // namespace vireo
