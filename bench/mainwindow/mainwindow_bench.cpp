// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's costs: filling the list with a 30,000-bookmark folder, undoing and
// redoing the delete of a 10,000-bookmark folder with the redraw that follows, and (with
// --startup DIR) the time from the start of the process to the first shown window over
// the database in DIR.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "bench/store/generate_db.h"
#include "mainwindow/app_context.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "platform/paths.h"
#include "shell/app_main.h"
#include "shell/program.h"
#include "store/database.h"
#include "store/strings.h"
#include "ui/event_sounds.h"

namespace {

using namespace vireo;

const auto g_processStart = std::chrono::steady_clock::now();

class SilentOutput : public SoundOutput {
public:
    void PlayFile(const std::string&) override {}
};

class NoDialogs : public QtDialogs {};

class NoDocuments : public DocumentOpener {
public:
    void OpenDocument(const QString&) override {}
};

// The program over the data in `dir`, as the real start assembles it, with no sound, no
// questions and no documents opened.
struct BenchProgram {
    explicit BenchProgram(const std::string& dir)
        : dataPath((SetRegValue(reg, SettingsPath("\\DB"), "path", dir), dir)) {}
    MemoryRegistry reg;
    std::string dataPath; // set before the program below reads the settings
    SilentOutput output;
    Program program{reg, output, ProgramFolder()};
    NoDialogs dialogs;
    NoDocuments documents;
    QtProcessLauncher launcher;
    AppContext ctx{program, dialogs, documents, launcher};
};

void BM_FillList30000(benchmark::State& state) {
    std::string dir = sys::TempDir() + "/vireo-bench-list-30k";
    std::filesystem::remove_all(dir);
    Database db;
    if (!db.Open(dir, nullptr)) {
        state.SkipWithError("open failed");
        return;
    }
    std::int16_t big = db.AddFolder("Big", 1, FolderKind::Ordinary);
    for (int i = 0; i < 30000; ++i) {
        BookmarkRecord r = db.NewMark(
            "A bookmark title of some sixty characters, number " + std::to_string(i),
            "https://www.example.org/some/path/to/a/page?id=" + std::to_string(i), big, "", kFlagsNetscape);
        r.Rank = static_cast<std::int16_t>(i % 100);
        db.Marks(big).Add(r);
    }
    BookmarkList list;
    list.resize(900, 600);
    for (auto _ : state) {
        list.Fill(db, big);
        benchmark::DoNotOptimize(list.topLevelItemCount());
    }
    db.Close();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_FillList30000)->Unit(benchmark::kMillisecond)->Iterations(10);

// Undo or redo (`redo`) of deleting a folder of 10,000 bookmarks, to the Trash or for good
// (range 1), timed from the command to the window drawn again, the folder selected so that
// the list shows it, as when the user takes back a slip at once.
void UndoRedoFolderDelete(benchmark::State& state, bool redo) {
    const bool forGood = state.range(0) != 0;
    const std::string dir = sys::TempDir() + "/vireo-bench-undo-window";
    std::filesystem::remove_all(dir);
    std::int16_t big = 0;
    {
        Database db;
        if (!db.Open(dir, nullptr)) {
            state.SkipWithError("open failed");
            return;
        }
        big = db.AddFolder("Big", 1, FolderKind::Ordinary);
        for (int i = 0; i < 10000; ++i)
            db.Marks(big).Add(db.NewMark("A bookmark of the big folder, number " + std::to_string(i),
                                         "https://www.example.org/page?id=" + std::to_string(i), big, "",
                                         kFlagsNetscape));
        if (!db.Save()) {
            state.SkipWithError("save failed");
            return;
        }
        db.Close();
    }
    BenchProgram bench(dir);
    AppContext& ctx = bench.ctx;
    if (!OpenDataOrChoose(ctx, false)) {
        state.SkipWithError("the data did not open");
        return;
    }
    auto main = BuildMainWindow(ctx, QRect(0, 0, 1280, 800));
    main->show();
    QApplication::processEvents();
    auto remove = [&] {
        for (int times = forGood ? 2 : 1; times > 0; --times) {
            main->SelectFolder(big);
            main->DeleteFolder(big);
        }
    };
    for (auto _ : state) {
        state.PauseTiming();
        remove();
        if (redo)
            main->UndoCommand();
        main->SelectFolder(big);
        QApplication::processEvents();
        state.ResumeTiming();
        if (redo)
            main->RedoCommand();
        else
            main->UndoCommand();
        QApplication::processEvents();
        state.PauseTiming();
        if (redo)
            main->UndoCommand();
        state.ResumeTiming();
        // Undoing a delete for good brings the folder back to the Trash it was deleted from.
        if (!ctx.db.IsLiveFolder(big) || ctx.db.InTrash(big) != forGood ||
            ctx.db.Marks(big).Count() != 10000) {
            state.SkipWithError("the folder did not come back whole");
            break;
        }
    }
    main.reset();
    std::filesystem::remove_all(dir);
}
void BM_UndoFolderDeleteInWindow(benchmark::State& state) {
    UndoRedoFolderDelete(state, false);
}
void BM_RedoFolderDeleteInWindow(benchmark::State& state) {
    UndoRedoFolderDelete(state, true);
}
BENCHMARK(BM_UndoFolderDeleteInWindow)
    ->ArgName("forGood")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);
BENCHMARK(BM_RedoFolderDeleteInWindow)
    ->ArgName("forGood")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

int Startup(int argc, char** argv, const std::string& dir) {
    QApplication app(argc, argv);
    BenchProgram bench(dir);
    AppContext& ctx = bench.ctx;
    if (!OpenDataOrChoose(ctx, false))
        return 1;
    auto main = BuildMainWindow(ctx, QRect(0, 0, 1280, 800));
    main->show();
    while (!main->windowHandle() || !main->windowHandle()->isExposed())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    QApplication::processEvents();
    auto shown = std::chrono::steady_clock::now();
    std::cout << "start-up to the first shown window: "
              << std::chrono::duration<double, std::milli>(shown - g_processStart).count() << " ms\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--startup") == 0)
        return Startup(argc, argv, argv[2]);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
