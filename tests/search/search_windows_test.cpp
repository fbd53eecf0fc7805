// SPDX-License-Identifier: GPL-3.0-or-later
// The web search windows driven as a user drives them, over a scripted and over the real library.

#include <filesystem>
#include <tuple>

#include <QApplication>
#include <QProgressDialog>
#include <QTest>

#include "mainwindow/menus.h"
#include "mainwindow/scripted_app.h"
#include "platform/paths.h"
#include "platform/search_library_dl.h"
#include "search/connection_prompt.h"
#include "search/engine_update.h"
#include "search/group_manager.h"
#include "search/loopback_engines.h"
#include "search/scripted_search_library.h"
#include "search/search_settings.h"
#include "search/search_windows.h"
#include "shell/options.h"
#include "store/database.h"
#include "ui/orn_pbar.h"

using namespace vireo;
using vireo::test::ScriptedApp;
using vireo::test::ScriptedHit;
using vireo::test::ScriptedSearchLibrary;

namespace {

// An application whose main window searches through `lib`, or through `real` when given.
struct SearchApp {
    explicit SearchApp(int engines = 3, SearchLibrary* real = nullptr) : app(false) {
        for (int i = 1; i <= engines; ++i)
            lib.AddSite(("Engine " + std::to_string(i)), "engine" + std::to_string(i));
        app.ctx.searchLibrary = real ? real : &lib;
        app.Open();
        app.main->show();
    }
    frmMain& main() { return *app.main; }
    SearchWindows& windows() { return *app.main->searchWindows; }
    std::string Id(int i) const { return lib.sites[static_cast<std::size_t>(i - 1)].id; }
    // A stored group, made as the group manager makes it.
    void SaveGroup(const std::string& name, const std::vector<std::string>& engines) {
        std::int32_t index = 0;
        QCOMPARE(AddGroup(app.program.Search.groups, name, &index), GroupEditResult::Done);
        for (const auto& engine : engines)
            SetGroupEngine(app.program.Search.groups, index, engine, true);
        SaveGroups(app.program.Search.groups, app.reg);
    }
    // Plays the whole script, lets the main thread handle it and sees the search end.
    void Finish() {
        lib.Deliver();
        QCoreApplication::processEvents();
        QTRY_VERIFY(!app.program.Search.searching);
    }
    void QuickSearch(const QString& query) {
        main().WebSearch(1, 0);
        windows().Quick()->comboQuickQuery->setCurrentText(query);
        windows().Quick()->cmdSearch->click();
    }

    ScriptedSearchLibrary lib;
    ScriptedApp app;
};

std::vector<ScriptedHit> Hits(const std::string& site, int n) {
    std::vector<ScriptedHit> hits;
    for (int i = 1; i <= n; ++i)
        hits.push_back({site + " hit " + std::to_string(i),
                        "https://" + site + ".example/" + std::to_string(i), "About " + site});
    return hits;
}

// The status window's rows as "engine: hits, status", and " (done)" where the last lamp is lit.
QStringList Rows(frmSearchStat* stat) {
    QStringList rows;
    for (std::size_t r = 0; r < static_cast<std::size_t>(stat->RowCount()); ++r) {
        bool done = frmSearchStat::LampOf(stat->imgLamps[r][kLampDone]) == StatusLamp::On;
        rows << stat->prgProgress[r]->Caption() + QStringLiteral(": ") + stat->lblHits[r]->text() +
                    QStringLiteral(", ") + stat->lblStatusText[r]->text() +
                    (done ? QStringLiteral(" (done)") : QString());
    }
    return rows;
}

// The group manager's engines in order, each marked "+" when ticked.
QString Ticks(const frmGroupManage& manager) {
    QStringList rows;
    for (int i = 0; i < manager.lstAll->count(); ++i) {
        const QListWidgetItem* item = manager.lstAll->item(i);
        rows << (item->checkState() == Qt::Checked ? QStringLiteral("+") : QString()) + item->text();
    }
    return rows.join(QStringLiteral(", "));
}

// The user's part in the next window of type Window shown through the dialogs facade; a failed
// check in `steps` leaves the window cancelled.
template <typename Window, typename Steps>
void WhenShown(vireo::test::ScriptedDialogs& dialogs, Steps steps) {
    dialogs.runDialog = [steps](QDialog& dialog) mutable {
        [&] {
            auto* window = qobject_cast<Window*>(&dialog);
            QVERIFY2(window, qPrintable(dialog.objectName()));
            steps(*window);
        }();
        return dialog.result();
    };
}

} // namespace

class SearchWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void quickSearchFromF3IsFiledAndSelected();
    void advancedSearchSendsTheTranslatedQueryOverTheGroupAndAsksForAConnection();
    void stopEndsEveryRunningRowAsAbortedAndTheMainWindowWaitsForIt();
    void closeBoxClosesTheWindowAfterTheEndOnlyWhenTicked();
    void switchingDialogsKeepsTheSearchAndRerunRefillsThem();
    void groupManagerRules();
    void aSlowEngineUpdateBeforeASearchNeitherFreezesTheWindowNorHoldsTheSearch();
    void progressBarDrawsTextAndBarAsTheRuleSays();
    void quickSearchThroughTheRealLibraryFilesTheHits();
};

void SearchWindowsTest::quickSearchFromF3IsFiledAndSelected() {
    SearchApp s;
    QVERIFY(s.main().HandleMainKey(Qt::Key_F3));
    frmSearchQuick* quick = s.windows().Quick();
    QVERIFY(quick && quick->isVisible());

    s.lib.AddSiteRun(s.Id(1), Hits("engine1", 3));
    s.lib.AddSiteRun(s.Id(2), Hits("engine2", 2));
    s.lib.AddSearchEnd();
    quick->comboQuickQuery->setCurrentText(QStringLiteral("  golf courses "));
    quick->cmdSearch->click();
    QVERIFY(!quick->isVisible());
    frmSearchStat* stat = s.windows().Status();
    QVERIFY(stat && stat->isVisible());
    QCOMPARE(stat->lblTotalHits->text(), QStringLiteral("Total hits: 0"));
    stat->cmdHelp->click();
    QVERIFY(s.app.documents.opened.back().endsWith(QStringLiteral("search.html")));

    s.Finish();
    QCOMPARE(stat->cmdStop->text(), QStringLiteral("Done"));
    QCOMPARE(stat->lblTotalHits->text(), QStringLiteral("Total hits: 5"));

    // The hits are in a new results folder, which is selected and listed.
    std::int16_t folder = s.main().SelectedFolder();
    QCOMPARE(FolderKindOf(s.app.db().Folder(folder)), FolderKind::SearchResults);
    QCOMPARE(s.main().ListView->topLevelItemCount(), 5);
    // The history offers each query, the last one prefilled (Enter searches it); a quoted phrase is its own.
    auto enter = [&s](const QString& typed) {
        s.main().HandleMainKey(Qt::Key_F3);
        frmSearchQuick* box = s.windows().Quick();
        QVERIFY(box);
        box->activateWindow();
        if (!typed.isEmpty())
            box->comboQuickQuery->setCurrentText(typed);
        s.lib.AddSearchEnd();
        QTest::keyClick(box->comboQuickQuery->lineEdit(), Qt::Key_Return);
        s.Finish();
    };
    enter({});
    enter(QStringLiteral("\"golf courses\""));
    std::vector<std::string> sent;
    for (const auto& call : s.lib.searches)
        sent.push_back(call.query);
    QCOMPARE(sent, (std::vector<std::string>{"golf courses", "golf courses", "\"golf courses\""}));
    s.main().HandleMainKey(Qt::Key_F3);
    QCOMPARE(s.windows().Quick()->comboQuickQuery->itemText(0), QStringLiteral("\"golf courses\""));
    QCOMPARE(s.windows().Quick()->comboQuickQuery->itemText(1), QStringLiteral("golf courses"));
}

void SearchWindowsTest::advancedSearchSendsTheTranslatedQueryOverTheGroupAndAsksForAConnection() {
    SearchApp s(4);
    s.SaveGroup("Golf", {"Engine 2", "Engine 4"});
    s.SaveGroup("Tennis", {"Engine 3"});
    s.main().WebSearch(2, 0);
    frmSearchAdv* adv = s.windows().Advanced();
    QVERIFY(adv && adv->isVisible());

    adv->comboQuery->setCurrentText(QStringLiteral("golf courses"));
    adv->comboExclude->setCurrentText(QStringLiteral("tennis polo"));
    // The caption shows the query as it will be sent, while the user types.
    adv->optFormat[1]->setChecked(true);
    QCOMPARE(adv->windowTitle(), QStringLiteral("Advanced Search - golf OR courses NOT tennis NOT polo"));
    adv->comboGroups->setCurrentIndex(1);
    adv->txtMaxHits->setText(QStringLiteral("30"));
    adv->txtSiteMax->setText(QStringLiteral("7"));
    adv->chkSound->setChecked(true);
    adv->cmdSearch->click();

    QCOMPARE(s.lib.searches.size(), std::size_t(1));
    const auto& call = s.lib.searches[0];
    QCOMPARE((std::tuple{call.query, call.maxHits, call.siteMax, call.scripts}),
             (std::tuple{std::string("golf OR courses NOT tennis NOT polo"), std::int16_t(30),
                         std::int16_t(7), std::vector<std::string>{s.Id(2), s.Id(4)}}));
    QCOMPARE(s.windows().Status()->RowCount(), 2);

    s.lib.CancelSearch();
    s.Finish();
    s.windows().Status()->cmdStop->click();
    QTRY_VERIFY(!s.windows().Status());
    // The dialog opens with the group, the limit and the sound used last.
    s.main().WebSearch(2, 0);
    adv = s.windows().Advanced();
    QVERIFY(adv);
    QCOMPARE(adv->comboGroups->currentText(), QStringLiteral("Golf"));
    QCOMPARE(adv->txtMaxHits->text(), QStringLiteral("30"));
    QVERIFY(adv->chkSound->isChecked());

    // Manage Groups deletes "Golf" while the dialog shows "Tennis", which it keeps for the searches below.
    adv->comboGroups->setCurrentIndex(2);
    WhenShown<frmGroupManage>(s.app.dialogs, [&s](frmGroupManage& manager) {
        manager.comboNames->setCurrentIndex(1);
        QCOMPARE(manager.comboNames->currentText(), QStringLiteral("Golf"));
        s.app.dialogs.answers.push_back(MsgResult::Yes);
        manager.cmdDel_Click();
        manager.cmdOK->click();
    });
    s.windows().ManageGroups();
    QCOMPARE(adv->comboGroups->currentText(), QStringLiteral("Tennis"));

    // No connection: OK lets the search go on and asks again; "don't ask me again" is remembered.
    bool dontAsk = false;
    WhenShown<frmPromptConnection>(s.app.dialogs, [&dontAsk](frmPromptConnection& prompt) {
        prompt.chkConnection->setChecked(dontAsk);
        prompt.cmdOK->click();
    });
    s.lib.connection = 0;
    adv->comboQuery->setCurrentText(QStringLiteral("putting"));
    for (bool tick : {false, true}) {
        dontAsk = tick;
        s.lib.AddSiteRun(s.Id(3), Hits("engine3", 1));
        s.lib.AddSearchEnd();
        adv->cmdSearch->click();
        QCOMPARE(s.lib.searches.size(), std::size_t(tick ? 3 : 2));
        QCOMPARE(s.lib.searches.back().scripts, std::vector<std::string>{s.Id(3)});
        QCOMPARE(GetConnectionAction(s.app.reg), !tick);
        s.Finish();
    }
    QCOMPARE(s.app.dialogs.ran.count(QStringLiteral("frmPromptConnection")), 2);
    QCOMPARE(s.app.db().Folder(s.main().SelectedFolder()).SearchGroup,
             s.app.program.Search.groups.At(FindGroupByName(s.app.program.Search.groups, "Tennis")).number);
}

void SearchWindowsTest::stopEndsEveryRunningRowAsAbortedAndTheMainWindowWaitsForIt() {
    SearchApp s;
    s.lib.AddSiteRun(s.Id(1), Hits("engine1", 2));
    for (int code : {1, 2, 3})
        s.lib.AddStatus(s.Id(2), code);
    s.lib.AddStatus(s.Id(3), 1);
    s.lib.AddSearchEnd();
    s.QuickSearch(QStringLiteral("golf"));
    // Everything up to the end of the search, but not the end itself.
    s.lib.Deliver(s.lib.Pending() - 1);
    QCoreApplication::processEvents();
    QPointer<frmSearchStat> stat = s.windows().Status();
    QVERIFY(s.app.program.Search.searching);
    // The main window does not close under a running search, and starts no second one.
    int rejects = s.app.sounds.Count("reject.wav");
    QVERIFY(!s.main().close());
    QCOMPARE(s.app.sounds.Count("reject.wav"), rejects + 1);
    s.main().WebSearch(2, 0);
    QVERIFY(!s.windows().Advanced());

    stat->cmdStop->click();
    QCOMPARE(s.lib.cancels.load(), 1);
    // No second Stop while the library winds down.
    QVERIFY(!stat->cmdStop->isEnabled());
    s.Finish();
    QCOMPARE(stat->cmdStop->text(), QStringLiteral("Done"));
    QVERIFY(stat->cmdStop->isEnabled());
    QCOMPARE(Rows(stat), (QStringList{QStringLiteral("Engine 1: 2, Search complete. (done)"),
                                      QStringLiteral("Engine 2: 0, User aborted search. (done)"),
                                      QStringLiteral("Engine 3: 0, User aborted search. (done)")}));
    // What arrived before Stop is filed all the same.
    QCOMPARE(s.main().ListView->topLevelItemCount(), 2);
    // Once it ended, closing takes the search windows with it.
    QVERIFY(s.main().close());
    QTRY_VERIFY(!stat || !stat->isVisible());
}

void SearchWindowsTest::closeBoxClosesTheWindowAfterTheEndOnlyWhenTicked() {
    SearchApp s(1);
    s.lib.AddSiteRun(s.Id(1), Hits("engine1", 1));
    s.lib.AddStatus("", 10); // the whole search timed out, then ended
    s.lib.AddSearchEnd();
    s.QuickSearch(QStringLiteral("golf"));
    QPointer<frmSearchStat> stat = s.windows().Status();
    QVERIFY(!stat->chkCloseStat->isChecked());
    s.Finish();
    QTest::qWait(1500);
    QVERIFY(stat && stat->isVisible());
    // Ended is complete, also after the time-out.
    QCOMPARE(stat->windowTitle(), QStringLiteral("Search Status - Search Complete"));
    stat->chkCloseStat->setChecked(true);
    stat->cmdStop->click();
    QTRY_VERIFY(!stat || !stat->isVisible());

    // The box's state is remembered: the next window closes by its one-second timer after the end,
    // the search object and the dialogs with it (the script plays again).
    s.QuickSearch(QStringLiteral("golf"));
    stat = s.windows().Status();
    QVERIFY(stat->chkCloseStat->isChecked());
    s.Finish();
    QTRY_VERIFY_WITH_TIMEOUT(!stat || !stat->isVisible(), 2500);
    QVERIFY(!s.windows().Search());
    QVERIFY(!s.windows().Quick());
}

void SearchWindowsTest::switchingDialogsKeepsTheSearchAndRerunRefillsThem() {
    SearchApp s(2);
    QVERIFY(s.main().HandleMainKey(Qt::Key_F3));
    frmSearchQuick* quick = s.windows().Quick();
    QVERIFY(quick);
    quick->comboQuickQuery->setCurrentText(QStringLiteral("golf courses"));
    // Switching keeps the search both ways; the advanced dialog comes up as when opened directly.
    quick->cmdAdvanced->click();
    QCoreApplication::processEvents();
    frmSearchAdv* adv = s.windows().Advanced();
    QVERIFY(adv && adv->isVisible());
    QVERIFY(!s.windows().Quick() || !s.windows().Quick()->isVisible());
    QVERIFY(s.windows().Search());
    QCOMPARE(adv->comboQuery->currentText(), QStringLiteral("golf courses"));
    QCOMPARE(adv->txtMaxHits->text(), QStringLiteral("100"));
    QCOMPARE(adv->comboGroups->currentText(), QStringLiteral("All Engines"));
    adv->cmdQuick->click();
    QCoreApplication::processEvents();
    quick = s.windows().Quick();
    QVERIFY(quick && quick->isVisible());
    QVERIFY(s.windows().Search());
    quick->cmdAdvanced->click();
    QCoreApplication::processEvents();
    adv = s.windows().Advanced();
    QVERIFY(adv);
    // The dialog reached by switching still searches.
    s.lib.AddSiteRun(s.Id(1), Hits("engine1", 2));
    s.lib.AddSearchEnd();
    adv->optFormat[0]->setChecked(true);
    adv->txtMaxHits->setText(QStringLiteral("40"));
    adv->cmdSearch->click();
    s.Finish();
    s.windows().Status()->cmdStop->click();
    QTRY_VERIFY(!s.windows().Status());
    std::int16_t folder = s.main().SelectedFolder();

    // Rerun Search opens the dialog used last: the advanced one, with the folder's search.
    s.main().Menus().PrepareSearchMenu();
    SetLastSearch(s.app.reg, 1);
    s.main().Menus().mnuSearch[search_menu::kRerunSearch]->trigger();
    adv = s.windows().Advanced();
    QVERIFY(adv);
    QCOMPARE(adv->comboQuery->currentText(), QStringLiteral("golf AND courses"));
    QCOMPARE(adv->txtMaxHits->text(), QStringLiteral("40"));
    adv->cmdCancel->click();
    QVERIFY(!s.windows().Search());

    // "Search for this" searches for the bookmark's title.
    s.main().SelectFolder(folder);
    s.main().FillBookmarkList();
    s.main().ListView->setCurrentItem(s.main().ListView->topLevelItem(0));
    QString title = s.main().ListView->topLevelItem(0)->text(0);
    SetLastSearch(s.app.reg, 0);
    s.main().Menus().mnuMark[bookmark_menu::kSearchForThis]->trigger();
    QVERIFY(s.windows().Quick());
    QCOMPARE(s.windows().Quick()->comboQuickQuery->currentText(), title);
}

void SearchWindowsTest::groupManagerRules() {
    SearchApp s(3);
    // The library lists engines by file name; the manager by their names.
    s.lib.sites.insert(s.lib.sites.begin(), {"Zulu Search", "/engines/aaa.xml", ""});
    s.lib.leftOut = {{"Spare Engine", "/engines/spare.xml", ""}};
    // A search object as the dialogs make one.
    clsSearch search(SearchContext{s.app.db(), s.app.reg, s.lib, s.windows().Messages(),
                                   s.app.program.Sounds(), s.app.program.Search, nullptr,
                                   SearchProgramFolder()});
    s.SaveGroup("Golf", {"Engine 1"});
    // The library must not leave out the stored groups' engines, named as the windows store them.
    QVERIFY(search.Init());
    QCOMPARE(s.lib.kept, std::vector<std::string>{"Engine 1"});
    QCOMPARE(s.lib.keptWidth, std::int16_t(kSiteNameWidth));
    WhenShown<frmGroupManage>(s.app.dialogs, [&](frmGroupManage& manager) {
        // What the library left out is named where the engines are chosen.
        QVERIFY(manager.lblLeftOut->isVisibleTo(&manager));
        QCOMPARE(manager.lblLeftOut->text(),
                 QStringLiteral("At most 61 engines can be used; left out: Spare Engine."));
        // "All Sites" is every engine and cannot be edited, renamed or deleted.
        QVERIFY(!manager.lstAll->isEnabled());
        QVERIFY(!manager.cmdRename->isEnabled());
        QVERIFY(!manager.cmdDel->isEnabled());
        QCOMPARE(Ticks(manager), QStringLiteral("+Engine 1, +Engine 2, +Engine 3, +Zulu Search"));
        // Nothing to visit before an engine with a home page is chosen.
        QVERIFY(!manager.cmdVisitHomePage->isEnabled());
        manager.lstAll->setCurrentRow(3);
        QVERIFY(!manager.cmdVisitHomePage->isEnabled());

        manager.comboNames->setCurrentIndex(1);
        QVERIFY(manager.lstAll->isEnabled());
        QCOMPARE(Ticks(manager), QStringLiteral("+Engine 1, Engine 2, Engine 3, Zulu Search"));

        // A new group starts empty and is selected.
        s.app.dialogs.texts.push_back(QStringLiteral("Tennis"));
        manager.cmdNew_Click();
        QCOMPARE(manager.comboNames->currentText(), QStringLiteral("Tennis"));
        QCOMPARE(Ticks(manager), QStringLiteral("Engine 1, Engine 2, Engine 3, Zulu Search"));
        manager.lstAll->item(2)->setCheckState(Qt::Checked);
        // Clicking an engine names it on the visit button, which opens its home page.
        manager.lstAll->setCurrentRow(2);
        manager.cmdVisitHomePage->click();
        QCOMPARE(s.app.documents.opened.back(), QStringLiteral("https://engine3.example/"));

        // An engine of the user's own SearXNG instance is listed at once and put in the group
        // being edited; an address that is none, or an engine the library does not list, is not.
        const std::string engines = sys::DataHome() + "/Vireo/engines/";
        const std::string made = engines + "searxng-searx-exampl.xml";
        std::filesystem::remove(made);
        s.lib.sites.push_back({"searx.example.net", made, "https://searx.example.net/"});
        s.app.dialogs.texts.push_back(QStringLiteral("ftp://searx.example.net"));
        manager.cmdAddInstance->click();
        QCOMPARE(s.app.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(manager.lstAll->count(), 4);
        s.app.dialogs.texts.push_back(QStringLiteral("searx.example.net/"));
        manager.cmdAddInstance->click();
        QVERIFY2(s.app.dialogs.messages.size() == 1, qPrintable(s.app.dialogs.messages.back().text));
        QVERIFY(std::filesystem::exists(made));
        QCOMPARE(Ticks(manager),
                 QStringLiteral("Engine 1, Engine 2, +Engine 3, +searx.example.net, Zulu Search"));
        QCOMPARE(manager.lstAll->currentItem()->text(), QStringLiteral("searx.example.net"));
        s.app.dialogs.texts.push_back(QStringLiteral("https://unlisted.example"));
        manager.cmdAddInstance->click();
        QCOMPARE(s.app.dialogs.messages.size(), std::size_t(2));
        QVERIFY(!std::filesystem::exists(engines + "searxng-unlisted-example.xml"));
        manager.cmdOK->click();
        std::filesystem::remove(made);
    });
    frmGroupManage manager(s.app.ctx, search, &s.main());
    QCOMPARE(manager.LoadGroupManagerForm(), 0);
    QCOMPARE(search.SearchGroupIndex(), std::int16_t(2));

    // Cancel forgets ticks that were not confirmed, reading the groups OK stored.
    WhenShown<frmGroupManage>(s.app.dialogs, [](frmGroupManage& again) {
        again.lstAll->item(1)->setCheckState(Qt::Checked);
        again.cmdCancel->click();
    });
    frmGroupManage again(s.app.ctx, search, &s.main());
    again.InitialGroup = 1;
    QCOMPARE(again.LoadGroupManagerForm(), 1);
    const SearchGroupTable& groups = s.app.program.Search.groups;
    QCOMPARE(groups.GroupCount(), 2);
    QCOMPARE(groups.entries[1].engines, std::vector<std::string>{"Engine 1"});
    QCOMPARE(groups.entries[2].engines, (std::vector<std::string>{"Engine 3", "searx.example.net"}));
}

void SearchWindowsTest::aSlowEngineUpdateBeforeASearchNeitherFreezesTheWindowNorHoldsTheSearch() {
    SearchApp s(2);
    // Never updated: the check before the first search is due, and the feed is slow.
    s.lib.holdUpdate = true;
    s.lib.AddSiteRun(s.Id(1), Hits("engine1", 1));
    s.lib.AddSearchEnd();
    bool shown = false, waitCursor = false;
    QTimer::singleShot(50, [&] {
        // The program's thread runs on while the update does: this timer fired.
        auto* window = qobject_cast<QProgressDialog*>(s.windows().EngineUpdateWindow());
        shown = window && window->isVisible();
        waitCursor =
            QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        QPushButton* now = window ? window->findChild<QPushButton*>() : nullptr;
        if (now && now->text() == QStringLiteral("&Search Now"))
            now->click();
    });
    s.QuickSearch(QStringLiteral("golf"));
    QVERIFY(shown);
    QVERIFY(waitCursor);
    // The search went on without the update, which still runs and is noted when it ends.
    QCOMPARE(s.lib.searches.size(), std::size_t(1));
    const std::string search = SettingsPath(kSearchSubkey);
    QCOMPARE(GetRegNumber(s.app.reg, search, kLastEngineUpdateValue), 0);
    QVERIFY(!QApplication::overrideCursor());
    s.lib.holdUpdate = false;
    QTRY_VERIFY(GetRegNumber(s.app.reg, search, kLastEngineUpdateValue) > 0);
    s.Finish();

    // Check Engines waits for its answer in the same window, and says what it was.
    s.lib.updateResult = kUpdateNoFeed;
    s.main().WebSearch(1, 0);
    QVERIFY(s.windows().Quick());
    s.windows().Quick()->cmdUpdateScripts->click();
    QCOMPARE(s.lib.updateFolders.size(), std::size_t(2));
    QCOMPARE(s.app.dialogs.messages.back().text, Utf8ToQString(kNoEngineFeedText));
}

void SearchWindowsTest::progressBarDrawsTextAndBarAsTheRuleSays() {
    OrnPBar1 bar;
    bar.resize(200, 24);
    const QColor blue(0, 0, 128);
    bar.SetBackColour(Qt::white);
    bar.SetForeColour(Qt::black);
    // Whether a pixel of the columns [x0, x1) is dark (the text).
    auto any = [](const QImage& img, int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            for (int y = 0; y < img.height(); ++y)
                if (img.pixelColor(x, y).lightness() < 100)
                    return true;
        return false;
    };
    // No bar at 0 %; the caption is the same at every level: under the 50 % bar each pixel is the bar
    // colour OR the inverse of the text's, beside the bar the text as printed.
    bar.SetCaption(QStringLiteral("Search engine"));
    QVERIFY(bar.SetPercent(0));
    const QImage text = bar.Surface();
    QCOMPARE(text.pixelColor(0, 0), QColor(Qt::white));
    QVERIFY(any(text, 0, 100) && any(text, 100, 200));
    QVERIFY(bar.SetPercent(50));
    const QImage half = bar.Surface();
    for (int y = 0; y < half.height(); ++y) {
        for (int x = 0; x < half.width(); ++x) {
            QRgb under = text.pixel(x, y);
            QRgb expected = x < 100 ? (blue.rgb() | ~under) : under;
            QCOMPARE(half.pixel(x, y) & 0xFFFFFFu, expected & 0xFFFFFFu);
        }
    }

    QVERIFY(bar.SetPercent(100));
    QCOMPARE(bar.Surface().pixelColor(0, 0), blue);
    QCOMPARE(bar.Surface().pixelColor(199, 23), blue);
}

void SearchWindowsTest::quickSearchThroughTheRealLibraryFilesTheHits() {
    if (!std::filesystem::exists(VIREO_SEARCH_LIBRARY))
        QSKIP("the search library is not built");
    vireo::test::TempDir tmp;
    // Only the engine of this test: the shipped ones would ask the internet.
    std::filesystem::path program = tmp.path() / "program";
    std::filesystem::create_directories(program / "engines");
    qputenv("VIREO_PROGRAM_DIR", QByteArray::fromStdString(program.string()));
    vireo::test::LocalHttpServer one;
    QVERIFY(one.Listening());
    vireo::test::ServeRssEngine(one,
                                {{"Alpha", "https://golf.example/a"}, {"Beta", "https://golf.example/b"}});
    vireo::test::WriteRssEngine(program / "engines", "loop1", "Loop One", one.Url("/search"));

    MemoryRegistry reg;
    vireo::test::ScriptedMessages messages;
    DlSearchLibrary library(reg, messages, VIREO_SEARCH_LIBRARY);
    SearchApp s(0, &library);
    s.QuickSearch(QStringLiteral("golf courses"));
    QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown.front().text.c_str());
    frmSearchStat* stat = s.windows().Status();
    QVERIFY(stat);
    QTRY_VERIFY_WITH_TIMEOUT(!s.app.program.Search.searching, 20000);
    QCOMPARE(Rows(stat), QStringList{QStringLiteral("Loop One: 2, Search complete. (done)")});
    // The hits are filed in the folder the main window now shows.
    QCOMPARE(FolderKindOf(s.app.db().Folder(s.main().SelectedFolder())), FolderKind::SearchResults);
    QCOMPARE(s.main().ListView->topLevelItemCount(), 2);
    qunsetenv("VIREO_PROGRAM_DIR");
}

QTEST_MAIN(SearchWindowsTest)
#include "search_windows_test.moc"
