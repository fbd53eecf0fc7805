// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <functional>

#include "mainwindow/app_icons.h"
#include "mainwindow/bookmark_dialog.h"
#include "mainwindow/button_bar.h"
#include "mainwindow/drag_drop.h"
#include "mainwindow/floating_toolbar.h"
#include "mainwindow/toolbar_rules.h"
#include "scripted_app.h"
#include "shell/options.h"

using namespace vireo;
using vireo::test::ScriptedApp;
using vireo::test::WriteText;

namespace {

QPoint NodeCenter(frmMain& w, std::int16_t folder) {
    QTreeWidgetItem* node = w.TreeView->Node(QStringLiteral("x%1").arg(folder));
    return node ? w.TreeView->visualItemRect(node).center() : QPoint();
}

// A link as a browser or a file manager puts it on a drag; `title` the way browsers of the
// Mozilla family add it: UTF-16.
std::unique_ptr<QMimeData> LinkData(const QUrl& url, const QString& title = {}) {
    auto data = std::make_unique<QMimeData>();
    data->setUrls({url});
    data->setText(url.isLocalFile() ? url.toLocalFile() : url.toString());
    if (!title.isEmpty()) {
        QString moz = url.toString() + QLatin1Char('\n') + title;
        data->setData(QStringLiteral("text/x-moz-url"),
                      QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
    }
    return data;
}

std::unique_ptr<QMimeData> LinkData(const char* url) {
    return LinkData(QUrl(QString::fromLatin1(url)));
}

bool Same(const QPixmap& a, const QPixmap& b) {
    return a.toImage() == b.toImage();
}

QPixmap Picture(const char* name) {
    return ResourcePixmap(QString::fromLatin1(name), QSize(48, 48));
}

// Sends a drag over and a drop onto `target` as the window system would; `over` looks at
// the window while the drag hovers. The action the drop was taken with, IgnoreAction when
// it was refused.
Qt::DropAction DropOn(QWidget* target, const QPoint& pos, const QMimeData* data, Qt::DropActions actions,
                      const std::function<void()>& over = {}) {
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return Qt::IgnoreAction;
    if (over)
        over();
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace

// Each test starts with the main window shown over a fresh data folder.
class DragDropTest : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedApp> app;
    frmMain* w = nullptr;
    Database* db = nullptr;

private Q_SLOTS:
    void init() {
        app = std::make_unique<ScriptedApp>();
        w = app->main.get();
        db = &app->db();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
    }
    void cleanup() { app.reset(); }
    void draggedBookmarksAndFoldersRenderFilesOnlyWhenAskedAndMoveInside();
    void dropsFollowTheDropOptionAndKeepTheTitlesGiven();
    void buttonsGlowSinkAndActOnReleaseInsideAndTheToolbarTakesTheWindowsPlace();
    void openedShortcutFilesAreFiledAndShownOnceTheWindowIsFree();
};

void DragDropTest::draggedBookmarksAndFoldersRenderFilesOnlyWhenAskedAndMoveInside() {
    std::int16_t seven = db->AddFolder("Seven", 1, FolderKind::Ordinary);
    std::int32_t keys[3] = {app->AddMark(2, "Same", "https://one.example/"),
                            app->AddMark(2, "Same", "https://two.example/"),
                            app->AddMark(2, "Birds/Owls", "https://owls.example/")};
    app->AddMark(2, "d", "https://d/");
    w->SelectFolder(2);
    for (std::int32_t k : keys)
        w->ListView->Row(k)->setSelected(true);

    // Dragged out: the addresses as text, and shortcut files only once a target asks.
    std::unique_ptr<VireoMimeData> data(w->dragDrop->ListDragData());
    QVERIFY(data);
    QCOMPARE(data->formats(), (QStringList{QStringLiteral("application/x-vireodata"),
                                           QStringLiteral("text/plain"), QStringLiteral("text/uri-list")}));
    QCOMPARE(data->text(),
             QStringLiteral("https://owls.example/\nhttps://one.example/\nhttps://two.example/\n"));
    QCOMPARE(data->FileRenderings(), 0);
    QList<QUrl> urls = data->urls();
    QCOMPARE(data->FileRenderings(), 1);
    // The files' names and contents are the favourites export's; here one table of names
    // serves the whole drag.
    QStringList names;
    for (const QUrl& url : urls)
        names << QFileInfo(url.toLocalFile()).fileName();
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("Birds_Owls.url"), QStringLiteral("Same (2).url"),
                                 QStringLiteral("Same.url")}));
    QString folder = QFileInfo(urls.value(0).toLocalFile()).absolutePath();
    QVERIFY(folder.startsWith(QString::fromStdString(app->program.tempDir) + QStringLiteral("/vireo-drag-")));

    // Dropped on a folder of the tree: moved, silently, and that folder is shown.
    std::unique_ptr<VireoMimeData> inside(w->dragDrop->ListDragData());
    QVERIFY(w->dragDrop->TreeDrop(inside.get(), NodeCenter(*w, seven)));
    QCOMPARE(inside->FileRenderings(), 0); // moving inside never writes shortcut files
    QCOMPARE(db->Marks(2).Count(), 1);
    QCOMPARE(w->SelectedFolder(), seven);
    QCOMPARE(w->ListView->topLevelItemCount(), 3);

    // A folder goes out as a directory of shortcut files named after it.
    std::int16_t top = db->AddFolder("Sea/Shore", 1, FolderKind::Ordinary);
    app->AddMark(top, "Tern", "https://tern.example/");
    app->AddMark(db->AddFolder("Gulls", top, FolderKind::Ordinary), "Herring gull", "https://gull.example/");
    w->SelectFolder(top);
    std::unique_ptr<VireoMimeData> tree(w->dragDrop->TreeDragData());
    QCOMPARE(tree->urls().size(), 1);
    std::filesystem::path dir = tree->urls().value(0).toLocalFile().toStdString();
    QCOMPARE(dir.filename().string(), std::string("Sea_Shore"));
    QVERIFY(std::filesystem::exists(dir / "Tern.url") &&
            std::filesystem::exists(dir / "Gulls/Herring gull.url"));
    QCOMPARE(tree->text(), QStringLiteral("https://tern.example/\nhttps://gull.example/\n"));

    // A folder dragged on the tree: where it would break the tree, refused.
    std::int16_t a = db->AddFolder("A", 1, FolderKind::Ordinary);
    std::int16_t child = db->AddFolder("A child", a, FolderKind::Ordinary);
    std::int16_t other = db->AddFolder("Other", 1, FolderKind::Ordinary);
    w->TreeView->expandAll();
    // Where the folder is in the store and in the tree, which must agree.
    auto parentOf = [&](std::int16_t folder) {
        QTreeWidgetItem* node = w->TreeView->Node(QStringLiteral("x%1").arg(folder));
        return std::pair{db->Folder(folder).Parent, FolderTree::KeyOf(node->parent())};
    };

    // The move rules are tested on their own; into its own subfolder stands for them here.
    w->SelectFolder(a);
    std::unique_ptr<VireoMimeData> refused(w->dragDrop->TreeDragData());
    w->dragDrop->TreeDrop(refused.get(), NodeCenter(*w, child));
    QCOMPARE(app->sounds.Count("reject.wav"), 1);
    QCOMPARE(parentOf(a), std::pair(std::int16_t(1), QStringLiteral("x1")));

    // A real drag over the tree highlights the folder under the pointer; the drop moves.
    w->SelectFolder(child);
    std::unique_ptr<VireoMimeData> dragged(w->dragDrop->TreeDragData());
    QCOMPARE(DropOn(w->TreeView->viewport(), NodeCenter(*w, other), dragged.get(),
                    Qt::MoveAction | Qt::CopyAction,
                    [&] {
                        QCOMPARE(w->TreeView->DropHighlight(),
                                 w->TreeView->Node(QStringLiteral("x%1").arg(other)));
                    }),
             Qt::MoveAction);
    QCOMPARE(parentOf(child), std::pair(other, QStringLiteral("x%1").arg(other)));
    QVERIFY(!w->TreeView->DropHighlight());
    QCOMPARE(app->sounds.Count("reject.wav"), 1);

    // Outside every folder the drop is refused.
    QVERIFY(!w->dragDrop->TreeDrop(LinkData("https://x.example/").get(),
                                   QPoint(5, w->TreeView->viewport()->height() - 3)));
    QCOMPARE(app->sounds.Count("reject.wav"), 2);

    // The files go when the program ends.
    app->main.reset();
    QVERIFY(!QFileInfo::exists(folder));
}

void DragDropTest::dropsFollowTheDropOptionAndKeepTheTitlesGiven() {
    w->SelectFolder(2);
    std::vector<QString> shown;
    app->dialogs.runDialog = [&](QDialog& window) {
        auto& dialog = dynamic_cast<frmBMDialog&>(window);
        shown.push_back(dialog.txtAddress->text());
        if (dialog.txtTitle->text().isEmpty()) {
            dialog.txtTitle->setText(QStringLiteral("Typed"));
            dialog.btnOK_Click();
        } else {
            dialog.reject();
        }
        return dialog.result();
    };

    // 0: filed at once, untitled, in "Unsorted Bookmarks", and the list shows it.
    SetBmkDrop(app->reg, 0);
    QCOMPARE(DropOn(w->centralWidget(), QPoint(3, 3), LinkData("https://a.example/").get(),
                    Qt::CopyAction | Qt::MoveAction),
             Qt::CopyAction);
    QCOMPARE(db->Marks(2).Count(), 1);
    QCOMPARE(db->Marks(2).At(1).Flags, std::int16_t(kFlagsDroppedLink));
    QCOMPARE(db->Marks(2).UrlStr(db->Marks(2).key(1)), std::string("https://a.example/"));
    QCOMPARE(w->ListView->topLevelItem(0)->text(0), QStringLiteral("(No Title)"));
    QCOMPARE(app->sounds.Count("drop.wav"), 1);

    // 2: always asked, once the drop is over (when to ask is the drops' test); two drops in
    // a row each get their dialog, even when a click on a row took the copy buffer
    // meanwhile. Cancel files nothing and gives the texts back; OK files what was typed.
    SetBmkDrop(app->reg, 2);
    std::int32_t texts = db->Memo().InUseCount();
    w->dragDrop->LogoDrop(
        LinkData(QUrl(QStringLiteral("https://c.example/")), QStringLiteral("Cranes")).get());
    w->dragDrop->FormDrop(LinkData("https://d.example/").get());
    QVERIFY(shown.empty());
    db->Marks(2).Copy(db->Marks(2).key(1));
    QTRY_COMPARE(shown.size(), std::size_t(2));
    QCOMPARE(shown, (std::vector<QString>{QStringLiteral("https://c.example/"),
                                          QStringLiteral("https://d.example/")}));
    QCOMPARE(w->dragDrop->PendingLinks(), std::size_t(0));
    QCOMPARE(db->Memo().InUseCount(), texts + 2); // the filed one's title and address
    QCOMPARE(w->ListView->findItems(QStringLiteral("Typed"), Qt::MatchExactly).size(), 1);

    // A shortcut named News, dropped on a folder of the tree, is filed there (its title
    // and flags are the drops' test), copied, never moved: a file manager told "moved"
    // would delete the file.
    SetBmkDrop(app->reg, 0);
    vireo::test::TempDir files;
    WriteText(files.path() / "News.url", "[InternetShortcut]\r\nURL=https://news.example/\r\n");
    QCOMPARE(DropOn(w->TreeView->viewport(), NodeCenter(*w, 3),
                    LinkData(QUrl::fromLocalFile(QString::fromStdString(files.file("News.url")))).get(),
                    Qt::CopyAction | Qt::MoveAction),
             Qt::CopyAction);
    QCOMPARE(db->Marks(3).Count(), 1);
    QCOMPARE(w->SelectedFolder(), std::int16_t(3));

    // A link dragged from a browser keeps the title the browser gave it.
    QString url = QStringLiteral("https://birds.example/warblers?id=7&x=1");
    std::unique_ptr<QMimeData> link = LinkData(QUrl(url), QStringLiteral("Warblers of the World"));
    link->setHtml(QStringLiteral("<a href=\"https://birds.example/warblers?id=7&amp;x=1\">Warblers</a>"));
    w->SelectFolder(4);
    QCOMPARE(DropOn(w->ListView->viewport(), QPoint(10, 10), link.get(), Qt::CopyAction | Qt::LinkAction),
             Qt::CopyAction);
    QTreeWidgetItem* row =
        w->ListView->findItems(QStringLiteral("Warblers of the World"), Qt::MatchExactly).value(0);
    QVERIFY(row);
    QCOMPARE(row->text(1), url);

    // The side picture files into "Unsorted Bookmarks".
    int before = db->Marks(2).Count();
    QCOMPARE(DropOn(w->imgLogo, QPoint(5, 5), LinkData("https://side.example/").get(), Qt::LinkAction),
             Qt::LinkAction);
    QCOMPARE(db->Marks(2).Count(), before + 1);
}

void DragDropTest::buttonsGlowSinkAndActOnReleaseInsideAndTheToolbarTakesTheWindowsPlace() {
    ButtonBars& bars = *w->buttons;
    ButtonBar& bar = *bars.MainBar();
    auto shows = [&](int i, const char* name) {
        return Same(bar.btnBar[static_cast<std::size_t>(i)]->pixmap(), Picture(name));
    };
    QVERIFY(shows(0, "rollup_up"));

    // From one button to the next, and off onto the tree.
    bar.btnBar_MouseMove(2);
    QVERIFY(shows(2, "web_over"));
    bar.btnBar_MouseMove(3);
    QVERIFY(shows(2, "web_up"));
    QVERIFY(shows(3, "local_over"));
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w->TreeView->viewport(), &move);
    QVERIFY(shows(3, "local_up"));

    // Without a browser the home button still glows and opens the page, through the desktop.
    QString homePage = QString::fromStdString(app->dir.file("home.html"));
    QCOMPARE(bars.BrowserIcon(), false);
    QCOMPARE(bar.btnBar[1]->toolTip(), QStringLiteral("Browser not configured"));
    bar.btnBar_MouseMove(1);
    QCOMPARE(bar.GlowIndex(), 1);
    QTest::mouseClick(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(app->documents.opened, QStringList{homePage});
    QVERIFY(app->launcher.started.empty());
    QVERIFY(app->dialogs.ran.isEmpty()); // no browser whose home page could be set
    app->documents.opened.clear();

    // A browser with a desktop entry lends its icon to the button.
    vireo::test::TempDir place;
    std::string program = vireo::test::MakeProgram(place.file("webby"));
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QString icon = QString::fromStdString(place.file("webby.png"));
    QVERIFY(red.save(icon));
    WriteText(std::filesystem::path(qEnvironmentVariable("XDG_DATA_HOME").toStdString()) / "applications" /
                  "webby.desktop",
              "[Desktop Entry]\nType=Application\nExec=" + program + " %u\nIcon=" + icon.toStdString() +
                  "\n");
    // Chosen in the options, it shows once the main window is active again.
    SaveBrowser(app->reg, kBrowserOther, program);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w, &activate);
    QCOMPARE(app->program.CurrentBrowserPath, program);
    QVERIFY(bars.BrowserIcon());
    QCOMPARE(bar.btnBar[1]->toolTip(), QStringLiteral("Open Homepage"));
    const qreal dpr = bars.Image1(0).devicePixelRatio();
    QCOMPARE(bars.Image1(0).toImage().pixelColor(int(8 * dpr), int(8 * dpr)), QColor(Qt::red));
    QVERIFY(!Same(bars.Image1(1), bars.Image1(0))); // pressed, the icon sits lower

    // Pressed it sinks; released elsewhere it does nothing; released on it, the home page
    // opens in the chosen browser.
    QTest::mousePress(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(Same(bar.btnBar[1]->pixmap(), bars.Image1(1)));
    QTest::mouseRelease(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 200));
    QVERIFY(Same(bar.btnBar[1]->pixmap(), bars.Image1(2)));
    QVERIFY(app->launcher.started.empty());
    QTest::mouseClick(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(app->documents.opened.isEmpty());
    QCOMPARE(app->launcher.started, (decltype(app->launcher.started){{program, {homePage.toStdString()}}}));
    QVERIFY(std::filesystem::exists(app->dir.file("home.html")));

    // Find opens the find window; web search has nothing to show.
    QTest::mouseClick(bar.btnBar[3], Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(bar.btnBar[2], Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(app->dialogs.ran, QStringList{QStringLiteral("frmFind")});
    QVERIFY(app->dialogs.messages.empty());
    QCOMPARE(app->launcher.started.size(), std::size_t(1));

    // The first button puts the floating toolbar in the main window's place.
    SaveToolbarPosition(app->reg, {-100, 30});
    SetToolbarTop(app->reg, true);

    QTest::mouseClick(bars.MainBar()->btnBar[0], Qt::LeftButton, {}, QPoint(10, 10));
    frmToolbar* toolbar = bars.Toolbar();
    QVERIFY(toolbar);
    QVERIFY(QTest::qWaitForWindowExposed(toolbar));
    QVERIFY(!w->isVisible());
    QCOMPARE(toolbar->pos(), QPoint(30, 0)); // the top was off the screen
    QVERIFY(toolbar->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(Same(toolbar->btnBar->btnBar[0]->pixmap(), Picture("rolldn_up")));

    // Links dropped on its picture go to "Unsorted Bookmarks".
    SetBmkDrop(app->reg, 0);
    QCOMPARE(
        DropOn(toolbar->imgVireo, QPoint(10, 10), LinkData("https://toolbar.example/").get(), Qt::CopyAction),
        Qt::CopyAction);
    QCOMPARE(db->Marks(2).UrlStr(db->Marks(2).key(1)), std::string("https://toolbar.example/"));

    // A second start brings forward whichever window stands for the program, minimised or not.
    toolbar->showMinimized();
    w->BringForward();
    QVERIFY(!(toolbar->windowState() & Qt::WindowMinimized));
    QVERIFY(toolbar->isVisible());
    QVERIFY(!w->isVisible());

    // Its first button brings the main window back, and the place is kept.
    toolbar->move(40, 50);
    QTest::mouseClick(toolbar->btnBar->btnBar[0], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(w->isVisible());
    QTRY_VERIFY(!bars.Toolbar());
    QCOMPARE(ReadToolbarPosition(app->reg, 1280, 800), (ToolbarPosition{50, 40}));
    QVERIFY(Same(bars.MainBar()->btnBar[0]->pixmap(), Picture("rollup_up")));

    // An ordinary window when the option says so; closing it by its frame brings the main
    // window back too.
    SetToolbarTop(app->reg, false);
    bars.ShowFloatingToolbar();
    QVERIFY(!(bars.Toolbar()->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(bars.Toolbar()->pos(), QPoint(40, 50));
    bars.Toolbar()->close();
    QVERIFY(w->isVisible());
    QTRY_VERIFY(!bars.Toolbar());
}

void DragDropTest::openedShortcutFilesAreFiledAndShownOnceTheWindowIsFree() {
    w->SelectFolder(4);
    vireo::test::TempDir files;
    WriteText(files.path() / "Old.url", "[InternetShortcut]\r\nURL=https://old.example/\r\n");
    WriteText(files.path() / "News.url", "[InternetShortcut]\r\nURL=https://news.example/\r\n");
    WriteText(files.path() / "Owl.url", "[InternetShortcut]\nURL=https://owl.example/\n");
    WriteText(files.path() / "notes.txt", "just words\n");
    std::filesystem::create_directories(files.path() / "Folder.url");
    auto path = [&](const char* name) { return QString::fromStdString(files.file(name)); };

    // Filed as shortcut files dropped on the window: into "Unsorted Bookmarks", titled after
    // the file, and the last one filed is the one the window shows.
    SetBmkDrop(app->reg, 0);
    w->dragDrop->FileShortcuts(
        {path("Old.url"), path("notes.txt"), path("News.url"), path("Gone.url"), path("Folder.url")});
    QCOMPARE(db->Marks(2).Count(), 2);
    std::int32_t news = db->Marks(2).key(2);
    QCOMPARE(db->Marks(2).At(2).Flags, std::int16_t(kFlagsDroppedFile));
    QCOMPARE(w->SelectedFolder(), std::int16_t(2));
    QCOMPARE(w->SelectedBookmark(), news);
    QCOMPARE(app->sounds.Count("drop.wav"), 2);

    // One message names every file that was not filed, with its reason, and no other.
    QCOMPARE(app->dialogs.messages.size(), std::size_t(1));
    QCOMPARE(
        app->dialogs.messages[0].text,
        QStringLiteral("These files could not be filed as bookmarks:\n\n• \"%1\": it holds no web address "
                       "(Vireo files Internet shortcuts, .url files);\n• \"%2\": there is no such file;\n"
                       "• \"%3\": it is a folder, not a shortcut file.")
            .arg(path("notes.txt"), path("Gone.url"), path("Folder.url")));

    // Files handed over from outside while the program starts wait for the main window;
    // then the floating toolbar is up and a modal dialog waits for an answer: nothing is
    // filed under the dialog.
    SetBmkDrop(app->reg, 0);
    w->SelectFolder(4);
    OutsideFiles outside;
    outside.Add({path("News.url")});
    w->buttons->ShowFloatingToolbar();
    QVERIFY(!w->isVisible());
    QDialog modal(w);
    modal.setModal(true);
    modal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&modal));
    outside.SetMainWindow(w);
    outside.Add({path("Owl.url")});
    QTest::qWait(OutsideFiles::kRetryMs * 2);
    QCOMPARE(db->Marks(2).Count(), 2);
    QCOMPARE(outside.Waiting(), 2);

    // Once it is answered, both are filed, in order, and the main window is back to show them.
    modal.accept();
    QTRY_COMPARE(db->Marks(2).Count(), 4);
    QCOMPARE(outside.Waiting(), 0);
    QCOMPARE(db->Marks(2).NameStr(db->Marks(2).key(3)), std::string("News"));
    QCOMPARE(db->Marks(2).NameStr(db->Marks(2).key(4)), std::string("Owl"));
    QVERIFY(w->isVisible());
    QTRY_VERIFY(!w->buttons->Toolbar());
    QCOMPARE(w->SelectedFolder(), std::int16_t(2));
}

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
