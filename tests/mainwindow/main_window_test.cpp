// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <fstream>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>

#include "mainwindow/bookmark_dialog.h"
#include "mainwindow/folder_dialogs.h"
#include "mainwindow/menu_commands.h"
#include "mainwindow/menus.h"
#include "mainwindow/summary.h"
#include "mainwindow/trash_query.h"
#include "scripted_app.h"
#include "shell/options.h"
#include "shell/startup.h"

using namespace vireo;
using vireo::test::ScriptedApp;

namespace {

// The cells of one column, top to bottom, joined by '|'.
QString Column(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(column);
    return out.join(QLatin1Char('|'));
}

// A home folder that the program is pointed at through HOME for the test's length.
struct FakeHome {
    test::TempDir dir;
    QByteArray old = qgetenv("HOME");
    FakeHome() { qputenv("HOME", QByteArray::fromStdString(dir.str())); }
    ~FakeHome() { qputenv("HOME", old); }
};

QString Status(frmMain& w) {
    return w.statusBar()->currentMessage();
}

QStringList FolderNames(Database& db, std::int16_t parent) {
    QStringList out;
    std::int32_t start = 0;
    for (std::int16_t id = db.NextSubFolder(parent, start); id > 0; id = db.NextSubFolder(parent, start))
        out << QString::fromStdString(db.Folder(id).Name.Text());
    return out;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsOnAFreeDataFolderWithTheStandardContent();
    void browserAndXbelFilesComeInAndGoOutThroughTheFileMenu();
    void listAndTreeShowAndEditWhatTheUserAsks();
    void editCommandsFollowTheFocusAndEveryStepUndoes();
    void menuCommandsAndDialogsReachTheirTargetsAndClosingSavesEverything();
};

void MainWindowTest::startsOnAFreeDataFolderWithTheStandardContent() {
    // A data folder in use offers another one.
    ScriptedApp app(false);
    Database holder;
    QVERIFY(holder.Open(app.dir.str(), nullptr));
    app.dialogs.answers.push_back(MsgResult::No);
    QVERIFY(!OpenDataOrChoose(app.ctx, false));
    QVERIFY(app.dialogs.messages.back().text.contains(QStringLiteral("in use")));
    vireo::test::TempDir other;
    app.dialogs.answers.push_back(MsgResult::Yes);
    app.dialogs.files.push_back(QString::fromStdString(other.str()));
    QVERIFY(OpenDataOrChoose(app.ctx, false));
    QCOMPARE(app.db().DBPath(), other.str());
    QCOMPARE(GetRegText(app.reg, SettingsPath("\\DB"), "path"), other.str());

    // The new one holds the standard content.
    app.main = BuildMainWindow(app.ctx, QRect(0, 0, 1280, 800));
    frmMain& w = *app.main;
    QTreeWidgetItem* root = w.TreeView->topLevelItem(0);
    QCOMPARE(root->text(0), QStringLiteral("My Bookmarks"));
    QVERIFY(root->isExpanded());
    QCOMPARE(w.SelectedFolder(), std::int16_t(1));
    QCOMPARE(Column(w.ListView, 0), QStringLiteral("MERIDEX Inc.|Orn Products"));
    // The tree's images follow the folder types.
    QVERIFY(!w.TreeView->Node(QStringLiteral("x5"))->icon(0).isNull());
}

void MainWindowTest::browserAndXbelFilesComeInAndGoOutThroughTheFileMenu() {
    // The questions of other finds are the start-up test's.
    FakeHome home;
    const std::string profile = home.dir.file(".config/chromium/Default/Bookmarks");
    test::WriteText(profile, R"({"roots":{"bookmark_bar":{"type":"folder","children":[{"name":"Debian",)"
                             R"("type":"url","url":"https://www.example.org/"}]}},"version":1})");
    // At the first run the profile found is offered; Yes brings its bookmarks in, No nothing.
    {
        ScriptedApp taken;
        taken.dialogs.answers.push_back(MsgResult::Yes);
        OfferFirstRunImport(*taken.main);
        QVERIFY(FolderNames(taken.db(), 1).contains(QStringLiteral("Imported from Chromium")));
    }
    ScriptedApp app;
    frmMain& w = *app.main;
    Database& db = app.db();
    const std::int16_t before = db.CountSubFolders(1);
    auto added = [&] { return db.CountSubFolders(1) - before; };
    app.dialogs.answers.push_back(MsgResult::No);
    OfferFirstRunImport(w);
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
    QCOMPARE(app.dialogs.messages[0].text,
             QStringLiteral("Vireo! has determined that you have Chromium installed.  Would you like to "
                            "import the bookmarks from this browser into Vireo!?\n\nThe profile found:\n"
                            "    Chromium: Default"));
    QCOMPARE(added(), 0);

    // File › Import offers the profile found with a way out to any file; picking it imports
    // it and shows the new folder.
    app.dialogs.picks.push_back(0);
    ImportMenuCommand(w, import_menu::kChromium);
    QCOMPARE(app.dialogs.choices.size(), 1);
    QVERIFY(app.dialogs.choices[0].contains(QString::fromStdString(profile)));
    QVERIFY(app.dialogs.choices[0].endsWith(QStringLiteral("Browse for a file...")));
    QCOMPARE(added(), 1);
    QCOMPARE(db.FolderName(w.SelectedFolder()), std::string("Imported from Chromium"));
    QVERIFY(w.TreeView->currentItem()->isExpanded());

    // A half-written file picked by hand is refused with a message and changes nothing.
    std::string torn = home.dir.file("Bookmarks");
    std::ofstream(torn) << R"({"roots":{"bookmark_bar":{"children":[{"name":"Deb)";
    app.dialogs.picks.push_back(1);
    app.dialogs.files.push_back(QString::fromStdString(torn));
    ImportMenuCommand(w, import_menu::kChromium);
    QCOMPARE(app.dialogs.messages.size(), std::size_t(2));
    QCOMPARE(added(), 1);

    // Every profile found is listed in the Import menu, and one click imports it.
    QMenu* profiles = w.Menus().ProfileMenu();
    w.Menus().PrepareProfileMenu();
    QCOMPARE(profiles->actions().size(), 1);
    QCOMPARE(profiles->actions()[0]->text(), QStringLiteral("Chromium: Default (default)"));
    profiles->actions()[0]->trigger();
    QCOMPARE(added(), 2);

    // An XBEL file comes in as a folder of its own and goes out again, without a word.
    const std::string file = home.dir.file("bookmarks.xml");
    test::WriteText(file,
                    R"(<?xml version="1.0"?><!DOCTYPE xbel><xbel><folder><title>KDE</title>)"
                    R"(<bookmark href="https://kde.example/"><title>K</title></bookmark></folder></xbel>)");
    app.dialogs.files.push_back(QString::fromStdString(file));
    ImportMenuCommand(w, import_menu::kXbel);
    QCOMPARE(added(), 3);
    QCOMPARE(db.FolderName(w.SelectedFolder()), std::string("Imported from XBEL"));
    app.dialogs.folders.push_back(w.SelectedFolder());
    const std::string out = home.dir.file("out.xbel");
    app.dialogs.files.push_back(QString::fromStdString(out));
    ExportMenuCommand(w, export_menu::kXbel);
    QVERIFY(test::ReadText(out).find("<bookmark href=\"https://kde.example/\"") != std::string::npos);
    QCOMPARE(app.dialogs.messages.size(), std::size_t(2)); // the question and the torn file's
}

void MainWindowTest::listAndTreeShowAndEditWhatTheUserAsks() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    for (auto [title, rank] : {std::pair{"", 7}, {"b", 1}, {"a", 3}, {"c", 0}})
        db.Marks(2).Find(app.AddMark(2, title, "https://a.example/"))->Rank = std::int16_t(rank);
    db.Marks(2).Find(db.Marks(2).key(1))->Touched = 0;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SelectFolder(2);
    BookmarkList* list = w.ListView;
    QCOMPARE(Column(list, 0), QStringLiteral("(No Title)|a|b|c"));
    // Never touched: no date, rather than the calendar's day zero.
    QCOMPARE(list->topLevelItem(0)->text(3), QString());
    QVERIFY(!list->topLevelItem(3)->text(3).isEmpty());

    QHeaderView* header = list->header();
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    click(2);
    QCOMPARE(Column(list, 2), QStringLiteral("|0001|0003|0007"));
    click(2);
    QCOMPARE(Column(list, 2), QStringLiteral("0007|0003|0001|"));
    click(0); // another column keeps the reversed order
    QCOMPARE(Column(list, 0), QStringLiteral("c|b|a|(No Title)"));
    // A refill keeps the chosen order.
    w.FillBookmarkList();
    QCOMPARE(Column(list, 0), QStringLiteral("c|b|a|(No Title)"));

    // A new folder is selected with its name open for editing; the name is cut to what a
    // folder holds, an empty one is not taken, and the standard folders keep theirs.
    FolderMenuCommand(w, folder_menu::kNewFolder);
    std::int16_t id = w.SelectedFolder();
    QCOMPARE(db.Folder(id).Parent, std::int16_t(2));
    QCOMPARE(w.TreeView->currentItem()->text(0), QStringLiteral("New"));
    QVERIFY(w.TreeView->Node(QStringLiteral("x2"))->isExpanded());
    QCOMPARE(w.TreeView->IsEditing(), true);
    auto* editor = w.TreeView->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QString(200, QLatin1Char('n')));
    // The editor hands its text over once the event loop runs.
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(db.Folder(id).Name.Text(), std::string(128, 'n'));
    w.EditFolderLabel(id);
    editor = w.TreeView->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->clear();
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_VERIFY(!w.TreeView->IsEditing());
    QCOMPARE(db.Folder(id).Name.Text(), std::string(128, 'n'));
    QCOMPARE(w.TreeView->currentItem()->text(0), QString(128, QLatin1Char('n')));
    w.EditFolderLabel(5);
    QVERIFY(!w.TreeView->IsEditing());
    // The new folder and its name are two steps of the history.
    QCOMPARE(db.History().UndoLabel(), std::string("Rename Folder"));
    EditMenuCommand(w, edit_menu::kUndo);
    QCOMPARE(db.FolderName(id), std::string("New"));
    QCOMPARE(db.History().UndoLabel(), std::string("New Folder"));
    EditMenuCommand(w, edit_menu::kUndo);
    QCOMPARE(FolderNames(app.db(), 2).count(QStringLiteral("New")), 0);
}

void MainWindowTest::menuCommandsAndDialogsReachTheirTargetsAndClosingSavesEverything() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    // The menu whose first entry purges the whole database stays out of the user's reach.
    QVERIFY(!w.Menus().mnuMain[main_menu::kTest]->isVisible());
    // Exporting with the folder chooser cancelled does nothing.
    ExportMenuCommand(w, export_menu::kNetscape);
    QCOMPARE(app.dialogs.folderPrompts.size(), 1);
    QVERIFY(app.dialogs.messages.empty());

    // The web-page view of a folder opens the page written into the data folder.
    w.SelectFolder(1);
    FolderMenuCommand(w, folder_menu::kViewAsWebPage);
    QCOMPARE(app.documents.opened.value(0), QString::fromStdString(app.dir.file("view.htm")));
    FileMenuCommand(w, file_menu::kViewMyHomepage);
    QCOMPARE(app.documents.opened.value(1), QString::fromStdString(app.dir.file("home.html")));
    // An empty folder has no page (nothing joins the list below).
    w.SelectFolder(3);
    FolderMenuCommand(w, folder_menu::kViewAsWebPage);
    // Nor does one holding only folders: Export › To HTML says so instead of asking for a
    // file and writing nothing.
    std::int16_t outer = db.AddFolder("Outer", 1, FolderKind::Ordinary);
    app.AddMark(db.AddFolder("Inner", outer, FolderKind::Ordinary), "inside", "https://a.example/");
    w.SelectFolder(outer);
    app.dialogs.files.push_back(QString::fromStdString(app.dir.file("outer.html")));
    ExportMenuCommand(w, export_menu::kHtml);
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
    QVERIFY(app.dialogs.messages[0].text.contains(QStringLiteral("holds only folders")));
    QCOMPARE(app.dialogs.files.size(), std::size_t(1)); // no file was asked for

    // Help opens the local pages; the sibling product falls back to its page.
    HelpMenuCommand(w, help_menu::kSkylark);
    QVERIFY(app.documents.opened.value(2).endsWith(QStringLiteral("/help/skylark.html")));

    // With a browser chosen, pages open in it; other documents still go to the desktop.
    const std::string browser = vireo::test::MakeProgram(app.dir.file("mybrowser"));
    SaveBrowser(app.reg, kBrowserOther, browser);
    FileMenuCommand(w, file_menu::kViewMyHomepage);
    w.OpenDocument(QStringLiteral("https://bookmark.example/"));
    w.OpenDocument(QStringLiteral("mailto:ann@example.org"));
    w.OpenDocument(Utf8ToQString(app.dir.str()));
    using Started = decltype(app.launcher.started);
    QCOMPARE(app.launcher.started,
             (Started{{browser, {app.dir.file("home.html")}}, {browser, {"https://bookmark.example/"}}}));
    QCOMPARE(app.documents.opened.mid(3),
             (QStringList{QStringLiteral("mailto:ann@example.org"), Utf8ToQString(app.dir.str())}));

    // Move inside the trash asks for a target (the move rules are tested on their own).
    std::int16_t a = db.AddFolder("A", 1, FolderKind::Ordinary);
    db.KillFolder(a, false);
    w.SelectFolder(a);
    app.dialogs.folders.push_back(2);
    FolderMenuCommand(w, folder_menu::kMove);
    QCOMPARE(db.Folder(a).Parent, std::int16_t(2));

    std::int32_t key = app.AddMark(2, "Imported one", "https://a.example/");
    db.Marks(2).Find(key)->Flags = kFlagsNetscape;
    w.SelectFolder(2);
    db.Marks(2).Copy(key);
    {
        frmBMDialog dialog(w);
        QCOMPARE(dialog.lblOrigin->text(), QStringLiteral("Imported from Netscape"));
        QCOMPARE(dialog.txtTitle->text(), QStringLiteral("Imported one"));
        dialog.DropInFolder_Click();
        QVERIFY(dialog.FoldedOut());
        dialog.TreeView->SelectNode("x3");
        QCOMPARE(dialog.lblDestination->text(), QStringLiteral("Search Results"));
        dialog.txtTitle->setText(QStringLiteral("Renamed"));
        dialog.btnOK_Click();
    }
    QCOMPARE(db.Marks(2).Count(), 0);
    QCOMPARE(db.Marks(3).NameStr(key), std::string("Renamed")); // same key, new folder
    // A dropped link is filed under a new key (Cancel is the drops' test), though not
    // without an address: the dialog says so and stays open.
    db.copyBuffer = db.NewMark("", "https://dropped.example/", 2, "", kFlagsDroppedLink);
    std::int32_t before = db.HighestKey();
    {
        frmBMDialog dialog(w);
        QCOMPARE(dialog.lblOrigin->text(), QStringLiteral("Dropped from a browser link"));
        QCOMPARE(dialog.txtAddress->text(), QStringLiteral("https://dropped.example/"));
        QCOMPARE(dialog.lblDestination->text(), QStringLiteral("Unsorted Bookmarks"));
        dialog.txtAddress->setText(QStringLiteral("   "));
        dialog.btnOK_Click();
        QCOMPARE(db.Marks(2).Count(), 0);
        QCOMPARE(app.dialogs.messages.size(), std::size_t(2)); // after Export's
        QCOMPARE(app.dialogs.messages[1].text, Utf8ToQString(kEmptyAddressMessage));
        QCOMPARE(dialog.result(), 0);
        dialog.txtAddress->setText(QStringLiteral("https://dropped.example/"));
        dialog.btnOK_Click();
    }
    std::int32_t start = 0;
    QCOMPARE(db.NextMarkKey(2, start), before + 1);
    QCOMPARE(Column(w.ListView, 0), QStringLiteral("(No Title)"));

    // Folder properties: the name and description change; a search folder shows its query.
    std::int16_t plain = db.AddFolder("Plain", 1, FolderKind::Ordinary);
    std::int16_t search = db.AddFolder("Found", 1, FolderKind::SearchResults);
    db.Folder(search).SearchQuery.Set("birds near water");
    {
        frmFolderProp dialog(w, plain);
        dialog.txtName->setText(QStringLiteral("Renamed"));
        dialog.txtDescription->setPlainText(QStringLiteral("About birds"));
        dialog.btnOK_Click();
    }
    QCOMPARE(db.Folder(plain).Name.Text(), std::string("Renamed"));
    QCOMPARE(db.Memo().GetMemo(db.Folder(plain).Description), std::string("About birds"));
    QCOMPARE(w.TreeView->Node(QStringLiteral("x%1").arg(plain))->text(0), QStringLiteral("Renamed"));
    {
        frmFolderProp dialog(w, search);
        QVERIFY(!dialog.txtSearch->isHidden());
        QVERIFY(dialog.txtSearch->isReadOnly());
        QCOMPARE(dialog.txtSearch->text(), QStringLiteral("birds near water"));
    }
    {
        frmSelFolder chooser(db, &w);
        QTimer::singleShot(0, &chooser, [&] {
            chooser.tView->SelectNode("x4");
            chooser.OK->click();
        });
        QCOMPARE(chooser.GetFolderId(QStringLiteral("Pick one")), std::int16_t(4));
        // Cancelled, it gives no folder; a long prompt is cut to what the label holds.
        QTimer::singleShot(0, &chooser, [&] { chooser.Cancel->click(); });
        QCOMPARE(chooser.GetFolderId(QString(300, QLatin1Char('p'))), std::int16_t(0));
        QCOMPARE(chooser.Descrip->text().size(), 256);
    }

    app.AddMark(5, "in the trash", "https://a.example/");
    // The trash question: No (0) keeps it, Yes (1) empties it; with the box ticked the answer is kept.
    for (int answer : {0, 1}) {
        frmTrashQuery query(db, app.reg, app.main.get());
        query.Check->setChecked(true);
        query.cmdTrash_Click(answer);
        QCOMPARE(GetTrash(app.reg), answer);
        QCOMPARE(db.Marks(5).Count(), 1 - answer);
    }
    // With "ask" stored, saving shows the question (here answered No).
    SetTrash(app.reg, 2);
    app.AddMark(5, "again", "https://a.example/");
    app.dialogs.runDialog = [](QDialog& dialog) {
        dynamic_cast<frmTrashQuery&>(dialog).cmdTrash_Click(0);
        return dialog.result();
    };
    QVERIFY(app.main->SaveData());
    QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmTrashQuery")});
    QCOMPARE(db.Marks(5).Count(), 1);

    // Closing compacts the texts when much space is dead, and keeps the window's place.
    std::int16_t folder = db.AddFolder("Big", 1, FolderKind::Ordinary);
    for (int i = 0; i < 300; ++i)
        app.AddMark(folder, std::string(700, 'x') + std::to_string(i), "https://a.example/");
    QVERIFY(app.main->SaveNow());
    db.Marks(folder).EmptyAll(true);
    QVERIFY(db.Memo().DeadSpace() > 200000);
    app.main->setGeometry(40, 30, 800, 600);
    QVERIFY(app.main->close());
    QCOMPARE(app.main->rtDetail->Rtf(), QString::fromUtf8(kCompactedText.data()));
    QCOMPARE(db.Memo().DeadSpace(), 0);
    QVERIFY(std::filesystem::exists(app.dir.file("home.html")));
    // The next start opens the window where it was.
    app.main.reset();
    app.program.Db().Close();
    QVERIFY(app.Open());
    QCOMPARE(app.main->geometry(), QRect(40, 30, 800, 600));
}

void MainWindowTest::editCommandsFollowTheFocusAndEveryStepUndoes() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    MainMenus& menus = w.Menus();
    QVERIFY(menus.mnuMain[main_menu::kEdit]->isVisible()); // unlike the test menu beside it
    QVERIFY(!menus.mnuEdit[edit_menu::kUndo]->isEnabled());

    std::int16_t doomed = db.AddFolder("Doomed", 2, FolderKind::Ordinary);
    app.AddMark(doomed, "inside", "https://inside.example/");
    std::int32_t mark = app.AddMark(2, "loose", "https://loose.example/");
    w.RefreshViews();
    db.History().Clear();

    // Delete a folder with its key: the status bar says where it went and how to undo.
    w.SelectFolder(doomed);
    w.TreeView->setFocus();
    QTest::keyClick(w.TreeView, Qt::Key_Delete);
    QCOMPARE(db.Folder(doomed).Parent, std::int16_t(5));
    QCOMPARE(Status(w), Utf8ToQString("Folder \u201CDoomed\u201D moved to the Trash \u2014 Ctrl+Z undoes"));
    QCOMPARE(menus.mnuEdit[edit_menu::kUndo]->text(),
             Utf8ToQString("&Undo Delete Folder \u201CDoomed\u201D"));
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(db.Folder(doomed).Parent, std::int16_t(2));
    QCOMPARE(FolderTree::KeyOf(w.TreeView->Node(QStringLiteral("x%1").arg(doomed))->parent()),
             QStringLiteral("x2"));
    QCOMPARE(Status(w), Utf8ToQString("Undone: Delete Folder \u201CDoomed\u201D \u2014 Ctrl+Y redoes"));
    QCOMPARE(menus.mnuEdit[edit_menu::kRedo]->text(),
             Utf8ToQString("&Redo Delete Folder \u201CDoomed\u201D"));
    QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(db.Folder(doomed).Parent, std::int16_t(5));
    // The standard folders refuse with the reject sound.
    int rejects = app.sounds.Count("reject.wav");
    w.SelectFolder(3);
    w.TreeView->setFocus();
    QTest::keyClick(w.TreeView, Qt::Key_Delete);
    QVERIFY(db.IsLiveFolder(3));
    QCOMPARE(db.Folder(3).Parent, std::int16_t(1));
    QCOMPARE(app.sounds.Count("reject.wav"), rejects + 1);

    // Delete a bookmark from the list: its summary is not left on show, and the one
    // placeholder row left has no key behind it.
    w.SelectFolder(2);
    w.ListView->setFocus();
    w.ListView->setCurrentItem(w.ListView->topLevelItem(0));
    w.ShowBookmarkSummary(2, mark);
    QVERIFY(!w.rtDetail->Rtf().isEmpty());
    QTest::keyClick(w.ListView, Qt::Key_Delete);
    QCOMPARE(Status(w), Utf8ToQString("1 bookmark moved to the Trash \u2014 Ctrl+Z undoes"));
    QCOMPARE(db.Marks(2).Count(), 0);
    QCOMPARE(db.Marks(5).NameStr(mark), std::string("loose"));
    QCOMPARE(Column(w.ListView, 0), QStringLiteral("(Empty)"));
    QCOMPARE(w.SelectedBookmark(), 0);
    QVERIFY(w.rtDetail->Rtf().isEmpty());
    // In the summary pane the key deletes nothing.
    w.rtDetail->setFocus();
    QTest::keyClick(w.rtDetail, Qt::Key_Delete);
    QCOMPARE(app.sounds.Count("reject.wav"), rejects + 2);
    QCOMPARE(db.Marks(5).Count(), 1);

    // The trash's menus offer Restore; it puts each back where it was deleted from.
    w.SelectFolder(5);
    w.ListView->setCurrentItem(w.ListView->topLevelItem(0));
    BookmarkMenuCommand(w, bookmark_menu::kRestore);
    QCOMPARE(db.Marks(2).NameStr(mark), std::string("loose"));
    QCOMPARE(Status(w),
             Utf8ToQString("1 bookmark restored to \u201CUnsorted Bookmarks\u201D \u2014 Ctrl+Z undoes"));
    w.SelectFolder(doomed);
    FolderMenuCommand(w, folder_menu::kRestore);
    QCOMPARE(db.Folder(doomed).Parent, std::int16_t(2));
    EditMenuCommand(w, edit_menu::kUndo);
    EditMenuCommand(w, edit_menu::kUndo);
    QCOMPARE(db.Folder(doomed).Parent, std::int16_t(5));
    QCOMPARE(db.Marks(5).NameStr(mark), std::string("loose"));

    // Empty the trash for good: its summary follows, and undoing the purge brings the
    // folder, both bookmarks and their texts back.
    w.ShowFolderSummary(kTrashFolder);
    ToolsMenuCommand(w, tools_menu::kEmptyTrash);
    QCOMPARE(db.Marks(5).Count(), 0);
    QVERIFY(!db.IsLiveFolder(doomed));
    QCOMPARE(Status(w),
             Utf8ToQString("The Trash was emptied: 1 bookmark and 1 folder deleted \u2014 Ctrl+Z undoes"));
    QCOMPARE(w.rtDetail->Rtf(), Utf8ToQString(FolderSummaryRtf(db, kTrashFolder)));
    EditMenuCommand(w, edit_menu::kUndo);
    QVERIFY(db.IsLiveFolder(doomed));
    QCOMPARE(db.Marks(5).UrlStr(mark), std::string("https://loose.example/"));
    QVERIFY(w.TreeView->Node(QStringLiteral("x%1").arg(doomed)));
    // Changes no command named still undo, as one step per event.
    db.Folder(doomed).Name.Set("Renamed behind the menus");
    QTRY_VERIFY(db.History().UndoLabel() == CommandHistory::kUnnamedStep);
    EditMenuCommand(w, edit_menu::kUndo);
    QCOMPARE(db.FolderName(doomed), std::string("Doomed"));

    // The clipboard, both ways.
    std::int16_t source = db.AddFolder("Source", 1, FolderKind::Ordinary);
    std::int16_t sub = db.AddFolder("Sub", source, FolderKind::Ordinary);
    std::int32_t alpha = app.AddMark(source, "Alpha & Co", "https://alpha.example/");
    std::int32_t beta = app.AddMark(source, "Beta", "https://beta.example/");
    app.AddMark(sub, "Gamma", "https://gamma.example/");
    std::int16_t target = db.AddFolder("Target", 1, FolderKind::Ordinary);
    w.RefreshViews();

    // Copy two bookmarks: every format a browser, a mail or an editor reads.
    w.SelectFolder(source);
    w.ListView->setFocus();
    w.ListView->selectAll();
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* clip = QApplication::clipboard()->mimeData();
    QCOMPARE(clip->urls(), (QList<QUrl>{QUrl(QStringLiteral("https://alpha.example/")),
                                        QUrl(QStringLiteral("https://beta.example/"))}));
    QCOMPARE(clip->text(), QStringLiteral("https://alpha.example/\nhttps://beta.example/"));
    QByteArray moz = clip->data(QStringLiteral("text/x-moz-url"));
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t*>(moz.constData()), moz.size() / 2),
             QStringLiteral("https://alpha.example/\nAlpha & Co\nhttps://beta.example/\nBeta"));
    QVERIFY(clip->html().contains(QStringLiteral("<DT><A HREF=\"https://alpha.example/\"")));
    QVERIFY(clip->html().contains(QStringLiteral(">Alpha &amp; Co</A>")));
    QCOMPARE(Status(w), QStringLiteral("2 bookmarks copied"));

    // Paste copies them (texts of their own), one step.
    w.SelectFolder(target);
    w.ListView->setFocus();
    QTest::keyClick(&w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(db.Marks(source).Count(), 2);
    QCOMPARE(Column(w.ListView, 0), QStringLiteral("Alpha & Co|Beta"));
    QCOMPARE(Status(w), Utf8ToQString("2 bookmarks pasted into \u201CTarget\u201D \u2014 Ctrl+Z undoes"));
    QCOMPARE(db.History().UndoLabel(), std::string("Paste"));
    EditMenuCommand(w, edit_menu::kUndo);
    QCOMPARE(db.Marks(target).Count(), 0);

    // Cut then paste moves them under their keys.
    w.SelectFolder(source);
    w.ListView->setFocus();
    w.ListView->selectAll();
    EditMenuCommand(w, edit_menu::kCut);
    QCOMPARE(db.Marks(source).Count(), 2); // still there until pasted
    w.SelectFolder(target);
    w.ListView->setFocus();
    EditMenuCommand(w, edit_menu::kPaste);
    QCOMPARE(db.Marks(target).NameStr(alpha), std::string("Alpha & Co"));
    QCOMPARE(db.Marks(target).NameStr(beta), std::string("Beta"));
    QCOMPARE(db.Marks(source).Count(), 0);

    // A copied folder pastes as a new folder tree; it reads in a browser as a list.
    w.SelectFolder(source);
    w.TreeView->setFocus();
    EditMenuCommand(w, edit_menu::kCopy);
    QCOMPARE(QApplication::clipboard()->mimeData()->urls().size(), 1); // Gamma, below Sub
    w.SelectFolder(target);
    FolderMenuCommand(w, folder_menu::kPaste);
    QCOMPARE(FolderNames(db, target), QStringList{QStringLiteral("Source")});
    std::int32_t start = 0;
    std::int16_t copy = db.NextSubFolder(target, start);
    QCOMPARE(FolderNames(db, copy), QStringList{QStringLiteral("Sub")});
    QVERIFY(db.IsLiveFolder(sub) && db.Folder(sub).Parent == source);

    // An address another program copied (the browser formats are the drops' test).
    QApplication::clipboard()->setText(QStringLiteral("https://news.example/today"));
    w.SelectFolder(2);
    w.ListView->setFocus();
    EditMenuCommand(w, edit_menu::kPaste);
    QCOMPARE(Column(w.ListView, 1), QStringLiteral("https://news.example/today"));
    // Nothing usable: refused with the sound, nothing filed.
    QApplication::clipboard()->setMimeData(new QMimeData);
    rejects = app.sounds.Count("reject.wav");
    EditMenuCommand(w, edit_menu::kPaste);
    QCOMPARE(app.sounds.Count("reject.wav"), rejects + 1);
    QCOMPARE(db.Marks(2).Count(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
