// SPDX-License-Identifier: GPL-3.0-or-later
// The Quick Search window over the real search library, loaded as the program loads it,
// against engines served from 127.0.0.1: two that answer, one whose port refuses and one
// that answers "404 Not Found". The hits must reach a new, selected results folder and
// every engine's row must tell how it ended.

#include <QApplication>
#include <QTest>

#include <filesystem>

#include "local_http_server.h"
#include "mainwindow/menus.h"
#include "mainwindow/scripted_app.h"
#include "platform/search_library_dl.h"
#include "search/loopback_engines.h"
#include "search/quick_search_dialog.h"
#include "search/scripted_search_library.h"
#include "search/search_status_window.h"
#include "search/search_windows.h"
#include "store/database.h"
#include "test_support.h"
#include "ui/orn_pbar.h"

using namespace vireo;
namespace fs = std::filesystem;

namespace {

int StatusRow(frmSearchStat* stat, const QString& engine) {
    for (int r = 0; r < stat->RowCount(); ++r) {
        if (stat->prgProgress[static_cast<std::size_t>(r)]->Caption() == engine)
            return r;
    }
    return -1;
}

QString RowText(frmSearchStat* stat, const QString& engine) {
    int row = StatusRow(stat, engine);
    return row < 0 ? QStringLiteral("(no row)") : stat->lblStatusText[static_cast<std::size_t>(row)]->text();
}

} // namespace

class SearchWindowsLibraryTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quickSearchThroughTheLibraryFilesTheHits();
};

void SearchWindowsLibraryTest::quickSearchThroughTheLibraryFilesTheHits() {
    if (!fs::exists(VIREO_SEARCH_LIBRARY))
        QSKIP("the search library is not built");
    test::TempDir tmp;
    // Only the engines of this test: the shipped ones would ask the internet.
    fs::path program = tmp.path() / "program";
    fs::create_directories(program / "engines");
    qputenv("VIREO_PROGRAM_DIR", QByteArray::fromStdString(program.string()));

    test::LocalHttpServer one, two, missing;
    QVERIFY(one.Listening() && two.Listening() && missing.Listening());
    test::ServeRssEngine(one, {{"Alpha", "https://golf.example/a"},
                               {"Beta", "https://golf.example/b"},
                               {"Shared", "https://shared.example/"}});
    test::ServeRssEngine(two,
                         {{"Shared too", "https://shared.example/"}, {"Gamma", "https://golf.example/c"}});
    missing.SetHandler([](const std::string&, test::LocalHttpServer::Response& r) {
        r.status = 404;
        r.headers = "Content-Type: text/html\r\n";
        r.body = "<html><body>Not Found</body></html>";
        return true;
    });
    std::string refused;
    {
        test::LocalHttpServer closed;
        refused = closed.Url("/search");
    }
    test::WriteRssEngine(program / "engines", "loop1", "Loop One", one.Url("/search"));
    test::WriteRssEngine(program / "engines", "loop2", "Loop Two", two.Url("/search"));
    test::WriteRssEngine(program / "engines", "loop3", "Loop Refused", refused);
    test::WriteRssEngine(program / "engines", "loop4", "Loop Missing", missing.Url("/search"));

    test::ScriptedApp app(false);
    test::ScriptedMessages messages;
    DlSearchLibrary library(app.reg, messages, VIREO_SEARCH_LIBRARY);
    app.ctx.searchLibrary = &library;
    QVERIFY(app.Open());
    app.main->show();

    QVERIFY(app.main->HandleMainKey(Qt::Key_F3));
    frmSearchQuick* quick = app.main->searchWindows->Quick();
    QVERIFY(quick && quick->isVisible());
    quick->comboQuickQuery->setCurrentText(QStringLiteral("golf courses"));
    quick->cmdSearch->click();
    QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown.front().text.c_str());
    frmSearchStat* stat = app.main->searchWindows->Status();
    QVERIFY(stat && stat->isVisible());
    QCOMPARE(stat->RowCount(), 4);

    QTRY_VERIFY_WITH_TIMEOUT(!app.program.Search.searching, 20000);
    QCOMPARE(stat->cmdStop->text(), QStringLiteral("Done"));
    QCOMPARE(RowText(stat, QStringLiteral("Loop One")), QStringLiteral("Search complete."));
    QCOMPARE(RowText(stat, QStringLiteral("Loop Two")), QStringLiteral("Search complete."));
    QCOMPARE(RowText(stat, QStringLiteral("Loop Refused")), QStringLiteral("Unable to connect to site."));
    QCOMPARE(RowText(stat, QStringLiteral("Loop Missing")), QStringLiteral("General Error."));
    QCOMPARE(stat->lblHits[static_cast<std::size_t>(StatusRow(stat, QStringLiteral("Loop One")))]->text(),
             QStringLiteral("3"));
    QCOMPARE(stat->lblTotalHits->text(), QStringLiteral("Total hits: 5"));

    // The two engines found one address in common (which hits become one is the session's
    // test): four bookmarks, in the folder the main window now shows.
    std::int16_t folder = app.main->SelectedFolder();
    const FolderRecord& f = app.db().Folder(folder);
    QCOMPARE(FolderKindOf(f), FolderKind::SearchResults);
    QCOMPARE(f.Parent, std::int16_t(kSearchResultsFolder));
    QCOMPARE(QString::fromStdString(f.SearchQuery.Text()), QStringLiteral("golf courses"));
    QCOMPARE(app.db().Marks(folder).Count(), 4);
    QCOMPARE(app.main->ListView->topLevelItemCount(), 4);
    stat->cmdStop->click();
    QTRY_VERIFY(!app.main->searchWindows->Status() || !app.main->searchWindows->Status()->isVisible());
}

QTEST_MAIN(SearchWindowsLibraryTest)
#include "search_windows_library_test.moc"
