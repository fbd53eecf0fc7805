// SPDX-License-Identifier: GPL-3.0-or-later
// The options, the sound scheme, the tip of the day and the link check, driven the way a
// user drives them, over a scripted application.

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include "interchange/browser.h"
#include "interchange/link_marks.h"
#include "local_http_server.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/menus.h"
#include "mainwindow/scripted_app.h"
#include "platform/url_fetch.h"
#include "shell/options.h"
#include "ui/link_check_dialog.h"
#include "ui/options_dialog.h"
#include "ui/sounds_dialog.h"
#include "ui/tips_dialog.h"

using namespace vireo;
using vireo::test::MakeProgram;
using vireo::test::ScriptedApp;
using vireo::test::TempDir;
using vireo::test::WriteText;

class ToolWindowsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void optionsShowAndStoreEveryControlClampDaysAndCycleTabs();
    void optionsBrowserPageFollowsTheInstalledBrowsersAndRefusesOtherFiles();
    void soundSchemeIsEditedAndWrittenOnOk();
    void tipsRotateOpenTheirReferencesAndRememberTheCheckBox();
    void linkCheckListsDeadLinksWithoutBlockingAndCanBeCancelled();
    void toolsAndFolderMenusReachTheToolWindows();
};

void ToolWindowsTest::optionsShowAndStoreEveryControlClampDaysAndCycleTabs() {
    ScriptedApp app;
    Registry& reg = app.reg;
    SetToolbarTop(reg, false);
    SetShowTips(reg, false);
    SetDeleteBmks(reg, 1);
    SetBmkDrop(reg, 2);
    SetTrash(reg, 1);
    SetDisableSound(reg, true);
    SetAskHome(reg, 1);
    SetConnectionAction(reg, 1);
    SetDaysToCheck(reg, 6);
    {
        frmOptions o(app.ctx);
        // In the order the settings were stored above.
        QCOMPARE((std::vector<bool>{o.ToolbarTop->isChecked(), o.ShowTips->isChecked(),
                                    o.DelBmk[1]->isChecked(), o.BmkDrop[2]->isChecked(),
                                    o.EmptyTrash[1]->isChecked(), o.DisableSound->isChecked(),
                                    o.HomePage->isChecked(), o.optUseDefault->isChecked()}),
                 (std::vector<bool>{false, false, true, true, true, true, false, true}));
        QCOMPARE(o.txtDaysToCheck->text(), QStringLiteral("6"));
        // Nothing is stored before Apply (Cancel after a change is the browser page's test).
        for (QAbstractButton* b :
             std::initializer_list<QAbstractButton*>{o.ToolbarTop, o.ShowTips, o.DelBmk[0], o.BmkDrop[1],
                                                     o.EmptyTrash[2], o.HomePage, o.optPromptConnection})
            b->setChecked(true);
        o.DisableSound->setChecked(false);
        o.txtDaysToCheck->setText(QStringLiteral("4"));
        QCOMPARE(GetDaysToCheck(reg), 6);
        o.cmdApply->click();
        QVERIFY(app.dialogs.messages.empty());
    }
    QCOMPARE(std::tuple(GetToolbarTop(reg), GetShowTips(reg), GetDeleteBmks(reg), GetBmkDrop(reg),
                        GetTrash(reg), GetDisableSound(reg), GetAskHome(reg), GetConnectionAction(reg),
                        GetDaysToCheck(reg)),
             std::tuple(true, true, 0, 1, 2, false, true, true, 4));
    QCOMPARE(GetRegText(reg, SettingsPath(), "DisableSound"), std::string("0"));

    // The trash is emptied at once, without asking.
    frmOptions o(app.ctx);
    Database& db = app.db();
    std::int32_t key = app.AddMark(kUnsortedFolder, "Doomed", "https://doomed.example/");
    db.Marks(kUnsortedFolder).Copy(key);
    db.Marks(kUnsortedFolder).Kill(key, false);
    QVERIFY(db.FolderHasMarks(kTrashFolder));
    o.TrashNow->click();
    QVERIFY(!db.FolderHasMarks(kTrashFolder));
    QVERIFY(app.dialogs.messages.empty());
    o.Sounds->click();
    QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmSounds")});

    // The days are kept to 2 to 7; OK pressed straight from the field stores what the field
    // then shows.
    for (auto [typed, kept] : {std::pair{"0", "2"}, {"1", "2"}, {"99", "7"}, {"5", "5"}, {"", "2"}})
        QCOMPARE(ClampDaysText(QString::fromUtf8(typed)), QString::fromUtf8(kept));
    o.txtDaysToCheck->setText(QStringLiteral("99"));
    QVERIFY(o.SaveSettings());
    QCOMPARE(o.txtDaysToCheck->text(), QStringLiteral("7"));
    QCOMPARE(GetDaysToCheck(app.reg), 7);

    // Ctrl+Tab moves to the next page and from the last to the first, wherever the focus is.
    o.tbsOptions->setCurrentIndex(2);
    QTest::keyClick(&o, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(o.tbsOptions->currentIndex(), 3);
    QTest::keyClick(o.cmdApply, Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(o.tbsOptions->currentIndex(), 0);
}

void ToolWindowsTest::optionsBrowserPageFollowsTheInstalledBrowsersAndRefusesOtherFiles() {
    ScriptedApp app;
    Registry& reg = app.reg;
    TempDir programs;
    std::string explorer = MakeProgram(programs.file("ie/iexplore.exe"));
    SetRegValue(reg, std::string(kAppPathsKey) + "iexplore.exe", "", explorer, kHKeyLocalMachine);
    // The desktop opens pages with that same Explorer.
    SetRegValue(reg, ".htm", "", "htmlfile", kHKeyClassesRoot);
    SetRegValue(reg, "htmlfile\\Shell\\Open\\Command", "", "\"" + explorer + "\" %1", kHKeyClassesRoot);
    SaveBrowser(reg, kBrowserOther, "/no/such/browser");
    auto choice = [&] {
        std::int32_t which = -1;
        std::string path;
        GetBrowserChoice(reg, which, path);
        return std::pair{which, path};
    };
    {
        frmOptions o(app.ctx);
        QCOMPARE(o.Option1->text(), QStringLiteral("Microsoft Internet Explorer (System Default)"));
        QVERIFY(o.Option1->isEnabled());
        QCOMPARE(o.Option2->text(), QStringLiteral("Netscape Navigator (Not Installed)"));
        QVERIFY(!o.Option2->isEnabled());
        // The user's browser is gone: no choice is shown.
        QVERIFY(!o.Option0->isChecked() && !o.Option1->isChecked() && !o.Option2->isChecked());
        QCOMPARE(o.BrowserPath->text(), QStringLiteral("/no/such/browser"));

        o.Option1->setChecked(true);
        QVERIFY(!o.BrowserPath->isEnabled());
        QVERIFY(!o.Browse->isEnabled());
        o.cmdOK->click();
        QCOMPARE(o.result(), int(QDialog::Accepted));
    }
    QCOMPARE(choice(), std::pair(kBrowserExplorer, explorer));
    QCOMPARE(app.program.CurrentBrowserPath, explorer);

    // Explorer no longer the default: no suffix; its choice is shown again.
    SetRegValue(reg, "htmlfile\\Shell\\Open\\Command", "", "", kHKeyClassesRoot);
    std::string text = programs.file("notes.txt");
    WriteText(text, "not a program");
    std::string browser;
    {
        frmOptions o(app.ctx);
        QCOMPARE(o.Option1->text(), QStringLiteral("Microsoft Internet Explorer"));
        QVERIFY(o.Option1->isChecked());

        // A file that is not a program is refused, and the dialog stays open.
        o.Option0->setChecked(true);
        QVERIFY(o.BrowserPath->isEnabled() && o.Browse->isEnabled());
        app.dialogs.files.push_back(Utf8ToQString(text));
        o.Browse->click();
        QCOMPARE(o.BrowserPath->text(), Utf8ToQString(text));
        o.cmdOK->click();
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        QVERIFY(app.dialogs.messages[0].text.contains(Utf8ToQString(text)));
        QCOMPARE(o.result(), int(QDialog::Rejected)); // still open
        // A refused path is not stored: the browser chosen before stays in force.
        QCOMPARE(choice(), std::pair(kBrowserExplorer, explorer));

        // A program is accepted; a cancelled file dialog changes nothing.
        browser = MakeProgram(programs.file("bin/mybrowser"));
        o.BrowserPath->setText(Utf8ToQString(browser));
        o.Browse->click();
        QCOMPARE(o.BrowserPath->text(), Utf8ToQString(browser));
        o.cmdOK->click();
        QCOMPARE(o.result(), int(QDialog::Accepted));
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(app.program.CurrentBrowserPath, browser);
    }
    // Refused, then cancelled: nothing of it is kept.
    const bool tips = GetShowTips(reg);
    {
        frmOptions o(app.ctx);
        o.BrowserPath->setText(Utf8ToQString(text));
        o.ShowTips->setChecked(!tips);
        o.cmdOK->click();
        QCOMPARE(o.result(), int(QDialog::Rejected));
        o.cmdCancel->click();
    }
    QCOMPARE(choice(), std::pair(kBrowserOther, browser));
    QCOMPARE(GetShowTips(reg), tips);
}

void ToolWindowsTest::soundSchemeIsEditedAndWrittenOnOk() {
    ScriptedApp app;
    Registry& reg = app.reg;
    app.program.Sounds().RegisterSounds();
    TempDir sounds;
    std::string mine = sounds.file("my drop.wav");
    WriteText(mine, "RIFF");
    const std::string shippedDrop = GetRegText(reg, SoundEventKey(SoundEvent::DropBookmark), "");
    {
        frmSounds s(reg, app.program.Sounds(), app.dialogs);
        QCOMPARE(s.lstEvents->topLevelItemCount(), 7); // every event can be set
        QVERIFY(s.CurrentEvent() == SoundEvent::DropBookmark);
        QCOMPARE(s.txtFile->text(), Utf8ToQString(shippedDrop));

        app.dialogs.files.push_back(Utf8ToQString(mine));
        s.cmdBrowse->click();
        QCOMPARE(s.txtFile->text(), Utf8ToQString(mine));
        QCOMPARE(s.lstEvents->topLevelItem(0)->text(1), QStringLiteral("my drop.wav"));
        // Tried out even with all sounds off.
        SetDisableSound(reg, true);
        s.cmdPlay->click();
        QCOMPARE(app.sounds.played.back(), mine);
        // Nothing is written before OK, and Cancel forgets it.
        s.cmdCancel->click();
    }
    QCOMPARE(GetRegText(reg, SoundEventKey(SoundEvent::DropBookmark), ""), shippedDrop);
    {
        frmSounds s(reg, app.program.Sounds(), app.dialogs);
        app.dialogs.files.push_back(Utf8ToQString(mine));
        s.cmdBrowse->click();
        // A file that is not there is said so when played.
        s.SelectEvent(SoundEvent::Import);
        QTest::keyClicks(s.txtFile, QStringLiteral("x"));
        std::size_t played = app.sounds.played.size();
        s.cmdPlay->click();
        QCOMPARE(app.sounds.played.size(), played);
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        s.cmdDefault->click();
        QVERIFY(s.FileOf(SoundEvent::Import).ends_with("/Sound/import.wav"));
        // An emptied box stands for the shipped sound.
        s.SelectEvent(SoundEvent::Startup);
        s.txtFile->selectAll();
        QTest::keyClick(s.txtFile, Qt::Key_Delete);
        QCOMPARE(s.FileOf(SoundEvent::Startup), std::string());
        s.cmdOK->click();
        QCOMPARE(s.result(), int(QDialog::Accepted));
    }
    QCOMPARE(GetRegText(reg, SoundEventKey(SoundEvent::DropBookmark), ""), mine);
    QVERIFY(GetRegText(reg, SoundEventKey(SoundEvent::Startup), "").ends_with("/Sound/vireo.wav"));
}

void ToolWindowsTest::tipsRotateOpenTheirReferencesAndRememberTheCheckBox() {
    ScriptedApp app;
    TempDir folder;
    {
        frmTips t(app.ctx, nullptr, folder.str());
        QVERIFY(!t.chkPissoff->isChecked());
        t.chkPissoff->setChecked(true);
        t.cmdOK->click();
    }
    QVERIFY(!GetShowTips(app.reg));
    QCOMPARE(GetRegText(app.reg, SettingsPath(), "ShowTips"), std::string("1"));
    // Switched off: nothing shows at start-up, and the box starts ticked when opened.
    frmTips::ShowAtStartup(app.ctx, app.main.get());
    QVERIFY(!app.main->findChild<frmTips*>());
    {
        frmTips t(app.ctx, nullptr, folder.str());
        QVERIFY(t.chkPissoff->isChecked());
        t.chkPissoff->setChecked(false);
        t.reject(); // closed any other way, the box counts all the same
    }
    QVERIFY(GetShowTips(app.reg));
    frmTips::ShowAtStartup(app.ctx, app.main.get());
    auto* shown = app.main->findChild<frmTips*>();
    QVERIFY(shown);
    QVERIFY(shown->isVisible());
    QVERIFY(!shown->isModal());
    QVERIFY(shown->Tips().Count() >= 20); // the shipped file
    shown->close();

    // A tips file of its own: rotation from the stored tip, and the references opened.
    WriteText(folder.file("help/tips.vro"),
              "' header\n'\nFirst\nfaq.html\nSecond\n\nThird\nhttp://example.org/more\n");
    SetLastTip(app.reg, 1);
    std::string browser = MakeProgram(folder.file("bin/browser"));
    SaveBrowser(app.reg, kBrowserOther, browser);
    {
        frmTips t(app.ctx, nullptr, folder.str());
        QCOMPARE(t.lblTip->text(), QStringLiteral("Second"));
        QCOMPARE(GetLastTip(app.reg), 2);
        QVERIFY(t.cmdHelp->isHidden()); // no reference
        t.cmdMore->click();
        QCOMPARE(t.lblTip->text(), QStringLiteral("Third"));
        QVERIFY(!t.cmdHelp->isHidden());
        QCOMPARE(t.cmdHelp->toolTip(), QStringLiteral("http://example.org/more"));
        t.cmdHelp->click();
        QCOMPARE(app.launcher.started,
                 (decltype(app.launcher.started){{browser, {"http://example.org/more"}}}));

        // With no browser at all the options are offered first.
        SaveBrowser(app.reg, kBrowserOther, "");
        app.dialogs.ran.clear();
        t.cmdHelp->click();
        QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmOptions")});
    }
}

void ToolWindowsTest::linkCheckListsDeadLinksWithoutBlockingAndCanBeCancelled() {
    vireo::test::LocalHttpServer server;
    ScriptedApp app;
    Database& db = app.db();
    const OleDate checkTime = OleFromCivil({2024, 6, 1, 9, 30, 0});
    ScopedClock clock([&] { return checkTime; });
    std::int16_t folder = db.AddFolder("Links", kRootFolder, FolderKind::Ordinary);
    std::int32_t live = app.AddMark(folder, "Live page", server.Url("/ok"));
    std::int32_t dead = app.AddMark(folder, "Dead page", server.Url("/gone"));
    std::int32_t says = app.AddMark(folder, "Says so", server.Url("/moved-gone"));
    app.AddMark(folder, "", "mailto:someone@example.org");
    app.main->SelectFolder(folder);

    frmLinkCheck check(*app.main, folder);
    QSignalSpy ended(&check, &frmLinkCheck::checkEnded);
    check.Start();
    QVERIFY(check.Running());
    QVERIFY(!check.cmdRecheck->isEnabled());
    // The window keeps answering while the pages are fetched.
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 20000);
    QVERIFY(!check.Running());
    QCOMPARE(check.prgProgress->value(), 4);
    QCOMPARE(check.lblStatus->text(),
             QStringLiteral("1 alive, 2 dead, 0 unreachable, 1 without a web address."));
    QVERIFY2(check.lblProgress->text().startsWith(QStringLiteral("Checked 4 links on 1 host in ")),
             qPrintable(check.lblProgress->text()));
    QCOMPARE(check.lstResults->topLevelItemCount(), 2);
    // In the folder's order, whichever page answered first.
    QTreeWidgetItem* deadRow = check.lstResults->topLevelItem(0);
    QCOMPARE(deadRow->text(0), QStringLiteral("Dead page"));
    QCOMPARE(deadRow->text(2), QStringLiteral("Dead: the server answered 404 (not found)"));
    QCOMPARE(check.lstResults->topLevelItem(1)->text(0), QStringLiteral("Says so"));
    QVERIFY(!check.cmdDelete->isEnabled());

    // What was found is remembered in the bookmarks (the marks' rules are the library's
    // tests) and shown in the main window.
    const clsBookmark& marks = db.Marks(folder);
    QCOMPARE(marks.At(marks.PositionOf(dead)).Checked, checkTime);
    const qint64 deadIcon = ImageListIcon(kImageDeadLink).cacheKey();
    QCOMPARE(app.main->ListView->Row(dead)->icon(0).cacheKey(), deadIcon);
    QVERIFY(app.main->ListView->Row(live)->icon(0).cacheKey() != deadIcon);

    // A second check clears the mark of a page that came back, summary and icon included.
    BookmarkRecord* back = db.Marks(folder).Find(says);
    back->url = db.Memo().SetMemo(back->url, server.Url("/moved"));
    app.main->ShowBookmarkSummary(folder, says);
    QVERIFY(app.main->rtDetail->Rtf().contains(QStringLiteral("Dead link")));
    QVERIFY(check.cmdRecheck->isEnabled());
    check.cmdRecheck->click();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, 20000);
    QVERIFY(app.main->ListView->Row(says)->icon(0).cacheKey() != deadIcon);
    QVERIFY(!app.main->rtDetail->Rtf().contains(QStringLiteral("Dead link")));
    QCOMPARE(check.lstResults->topLevelItemCount(), 1);
    deadRow = check.lstResults->topLevelItem(0);

    check.lstResults->setCurrentItem(deadRow);
    QVERIFY(check.cmdDelete->isEnabled());
    check.cmdOpen->click();
    QCOMPARE(app.documents.opened.last(), Utf8ToQString(server.Url("/gone")));
    check.cmdSelect->click();
    QCOMPARE(app.main->SelectedFolder(), folder);
    QCOMPARE(app.main->ListView->SelectedBookmarks(), std::vector<std::int32_t>{dead});

    check.cmdDelete->click();
    QCOMPARE(check.lstResults->topLevelItemCount(), 0);
    QCOMPARE(db.Marks(folder).PositionOf(dead), 0);
    QVERIFY(db.Marks(folder).PositionOf(live) > 0);
    QVERIFY(db.FolderHasMarks(kTrashFolder));                    // deleted the usual way, into the trash
    QVERIFY(IsDeadLink(db.Marks(kTrashFolder).At(1).UserFlags)); // and still known to be dead
    QVERIFY(!app.main->ListView->Row(dead));
    // The window's setting is kept for the next check.
    check.spnJobs->setValue(7);
    check.reject();
    QCOMPARE(GetLinkCheckJobs(app.reg), 7);

    // A check of pages that never answer, cancelled.
    std::int16_t slow = db.AddFolder("Slow", kRootFolder, FolderKind::Ordinary);
    for (int i = 0; i < 10; ++i)
        app.AddMark(slow, "Silent " + std::to_string(i), server.Url("/silent"));
    const BookmarkRecord before = db.Marks(slow).At(1);
    frmLinkCheck cancelled(*app.main, slow);
    QSignalSpy stopped(&cancelled, &frmLinkCheck::checkEnded);
    cancelled.Start();
    QTest::qWait(200);
    QCOMPARE(stopped.count(), 0);
    QVERIFY(
        cancelled.lblProgress->text().startsWith(QStringLiteral("0 of 10 links checked, 0 of 1 hosts done")));
    cancelled.cmdCancel->click();
    QVERIFY(!cancelled.cmdCancel->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
    QVERIFY(cancelled.lblProgress->text().startsWith(QStringLiteral("Cancelled after 0 of 10 links")));
    QCOMPARE(cancelled.lstResults->topLevelItemCount(), 0);
    QVERIFY(db.Marks(slow).At(1) == before); // nothing checked, nothing remembered

    // Closing a window while it checks stops the check with it.
    auto* second = new frmLinkCheck(*app.main, slow);
    second->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<frmLinkCheck> alive(second);
    second->show();
    second->Start();
    QTest::qWait(100);
    second->close();
    QTRY_VERIFY(alive.isNull());
}

void ToolWindowsTest::toolsAndFolderMenusReachTheToolWindows() {
    ScriptedApp app;
    MainMenus& menus = app.main->Menus();
    QAction* check = menus.mnuNode[folder_menu::kCheckLinks];
    // Offered only for a folder with bookmarks (the trash's menu is the rules' test).
    Database& db = app.db();
    std::int16_t empty = db.AddFolder("Empty", kRootFolder, FolderKind::Ordinary);
    app.main->SelectFolder(empty);
    menus.ApplyFolderMenu(PrepareFolderMenu(db, empty, true));
    QVERIFY(check->isVisible() && !check->isEnabled());
    app.main->SelectFolder(kRootFolder);
    menus.ApplyFolderMenu(PrepareFolderMenu(db, kRootFolder, true));
    QVERIFY(check->isVisible() && check->isEnabled());

    // Nothing to check: said so, no window.
    app.main->SelectFolder(empty);
    menus.mnuTools[tools_menu::kVerifyLinks]->trigger();
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
    QCOMPARE(app.dialogs.messages[0].text,
             QStringLiteral("The folder \"Empty\" holds no bookmarks to check."));
    QVERIFY(!app.main->findChild<frmLinkCheck*>());

    // The home page options. The options and the browser page opened by the start-up hook
    // are the same window, saying at start-up that no browser was found.
    std::vector<std::pair<int, bool>> options; // page shown, "no browser" said
    app.dialogs.runDialog = [&](QDialog& dialog) {
        if (auto* o = qobject_cast<frmOptions*>(&dialog))
            options.emplace_back(o->tbsOptions->currentIndex(), o->lblNoBrowser->isVisibleTo(o));
        return int(QDialog::Rejected);
    };
    menus.mnuTools[tools_menu::kHomepageOptions]->trigger();
    menus.mnuTools[tools_menu::kOptions]->trigger();
    frmOptions::ShowBrowserConfigError(app.ctx, app.main.get(), true);
    QCOMPARE(app.dialogs.ran, (QStringList{QStringLiteral("frmHomeSetup"), QStringLiteral("frmOptions"),
                                           QStringLiteral("frmOptions")}));
    QCOMPARE(options, (std::vector<std::pair<int, bool>>{{0, false}, {0, true}}));
}

QTEST_MAIN(ToolWindowsTest)
#include "tool_windows_test.moc"
