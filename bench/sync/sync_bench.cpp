// SPDX-License-Identifier: GPL-3.0-or-later
// A sync of 10,000 bookmarks (100 folders of 100) with 100 changes on each side since the
// last sync, through rclone's WebDAV server on loopback: the time of the sync that merges
// both sides' changes (read, merge, backups, upload, database changes and save).

#include <benchmark/benchmark.h>

#include <filesystem>

#include "platform/webdav_curl.h"
#include "store/database.h"
#include "sync/sync_engine.h"
#include "sync/sync_local.h"
#include "sync/webdav_server.h" // tests/sync
#include "test_support.h"

namespace {

using namespace vireo;

struct Side {
    Database db;
    std::string state;
    std::vector<std::pair<std::int16_t, std::int32_t>> marks;
};

sync::SyncReport Sync(Side& s, const std::string& url) {
    auto share = sys::MakeWebDavShare({url, "", ""});
    sync::DatabaseSide local(s.db, kRootFolder);
    sync::SyncOptions o;
    o.stateDir = s.state;
    o.confirmDeletions = [](int, int, bool) { return true; };
    return sync::RunSync(*share, local, o);
}

void BM_SyncTenThousandWithHundredChangesEachSide(benchmark::State& state) {
    test::TempDir tmp;
    std::filesystem::create_directories(tmp.file("share"));
    test::WebDavServer server(tmp.file("share"));
    if (!server.ready()) {
        state.SkipWithError(server.why().c_str());
        return;
    }
    Side a, b;
    std::string error;
    a.db.Open(tmp.file("a"), &error);
    b.db.Open(tmp.file("b"), &error);
    a.state = tmp.file("a-sync");
    b.state = tmp.file("b-sync");
    for (int f = 0; f < 100; ++f) {
        std::int16_t folder =
            a.db.AddFolder("Folder " + std::to_string(f), kRootFolder, FolderKind::Ordinary);
        for (int i = 0; i < 100; ++i) {
            std::string n = std::to_string(f * 100 + i);
            a.db.Marks(folder).Add(
                a.db.NewMark("Bookmark " + n, "https://site" + n + ".example/page", folder, "", kFlagsFound));
        }
    }
    a.db.Save();
    Sync(a, server.url());
    Sync(b, server.url());
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // 100 changes here: 50 new bookmarks, 50 renamed; 100 there likewise.
        for (Side* s : {&a, &b}) {
            std::int16_t first = 0;
            for (std::int16_t f = 6; f <= s->db.FolderSlots() && !first; ++f)
                if (s->db.IsLiveFolder(f) && !s->db.InTrash(f))
                    first = f;
            for (int i = 0; i < 50; ++i) {
                std::string n = std::to_string(round) + "-" + std::to_string(i) + (s == &a ? "a" : "b");
                s->db.Marks(first).Add(
                    s->db.NewMark("New " + n, "https://new" + n + ".example/", first, "", 0));
                clsBookmark& m = s->db.Marks(static_cast<std::int16_t>(first + 1 + i % 20));
                BookmarkRecord& r = m.At(1 + (i + (s == &a ? 0 : 50)) % m.Total());
                if (r.key)
                    r.Name = s->db.Memo().SetMemo(r.Name, "Renamed " + n);
            }
        }
        Sync(a, server.url()); // a's changes go up
        state.ResumeTiming();
        sync::SyncReport r = Sync(b, server.url()); // b merges a's with its own: the measured sync
        state.PauseTiming();
        if (!r.Ok())
            state.SkipWithError(r.message.c_str());
        Sync(a, server.url());
        ++round;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SyncTenThousandWithHundredChangesEachSide)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
