// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QTest>
#include <filesystem>
#include <sys/stat.h>

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

const QString kPayload = QStringLiteral("application/x-vireodata");

std::int32_t AddMark(Database& db, std::int16_t folder, const std::string& title, const std::string& url) {
    BookmarkRecord r = db.NewMark(title, url, folder, "", kFlagsStandard);
    return db.Marks(folder).Add(r);
}

QPoint NodeCenter(frmMain& w, std::int16_t folder) {
    QTreeWidgetItem* node = w.TreeView->Node(QStringLiteral("x%1").arg(folder));
    return node ? w.TreeView->visualItemRect(node).center() : QPoint();
}

QMimeData* LinkData(const QString& url) {
    auto* data = new QMimeData;
    data->setUrls({QUrl(url)});
    data->setText(url);
    return data;
}

QMimeData* FileData(const std::string& path) {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    data->setText(QString::fromStdString(path));
    return data;
}

// Address and title the way browsers of the Mozilla family put them on a drag: UTF-16.
void SetMozUrl(QMimeData* data, const QString& url, const QString& title) {
    QString moz = url + QLatin1Char('\n') + title;
    data->setData(QStringLiteral("text/x-moz-url"),
                  QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
}

QString ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool Same(const QPixmap& a, const QPixmap& b) {
    return a.toImage() == b.toImage();
}

QPixmap Picture(const char* name) {
    return ResourcePixmap(QString::fromLatin1(name), QSize(48, 48));
}

// Sends a drag over and a drop onto `target` as the window system would.
bool DropOn(QWidget* target, const QPoint& pos, const QMimeData* data, Qt::DropActions actions) {
    QDragEnterEvent enter(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(pos, actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), actions, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void listDragsRenderFilesOnlyWhenAskedAndMoveInside();
    void folderDragsThatWouldBreakTheTreeAreRefused();
    void dropsFollowTheDropOptionAndKeepTheTitlesGiven();
    void buttonsGlowSinkAndActOnReleaseInside();
    void toolbarTakesThePlaceOfTheMainWindow();
    void openedShortcutFilesAreFiledAndShownOnceTheWindowIsFree();
};

void DragDropTest::listDragsRenderFilesOnlyWhenAskedAndMoveInside() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    std::int16_t seven = db.AddFolder("Seven", 1, FolderKind::Ordinary);
    std::int32_t keys[3] = {AddMark(db, 2, "Same", "https://one.example/"),
                            AddMark(db, 2, "Same", "https://two.example/"),
                            AddMark(db, 2, "Birds/Owls", "https://owls.example/")};
    std::int32_t stays = AddMark(db, 2, "d", "https://d/");
    w.SelectFolder(2);
    for (std::int32_t k : keys)
        w.ListView->Row(k)->setSelected(true);

    // Dragged out: the addresses as text, and shortcut files only once a target asks.
    std::unique_ptr<VireoMimeData> data(w.dragDrop->ListDragData());
    QVERIFY(data);
    QCOMPARE(data->formats(),
             (QStringList{kPayload, QStringLiteral("text/plain"), QStringLiteral("text/uri-list")}));
    QStringList lines = data->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines.sort();
    QCOMPARE(lines,
             (QStringList{QStringLiteral("https://one.example/"), QStringLiteral("https://owls.example/"),
                          QStringLiteral("https://two.example/")}));
    QCOMPARE(data->FileRenderings(), 0);
    QList<QUrl> urls = data->urls();
    QCOMPARE(data->FileRenderings(), 1);
    QCOMPARE(urls.size(), 3);
    QStringList names;
    QString folder;
    for (const QUrl& url : urls) {
        QFileInfo file(url.toLocalFile());
        names << file.fileName();
        folder = file.absolutePath();
        QVERIFY(ReadAll(file.filePath()).startsWith(QStringLiteral("[InternetShortcut]\nURL=https://")));
    }
    names.sort();
    QCOMPARE(names, (QStringList{QStringLiteral("Birds_Owls.url"), QStringLiteral("Same (2).url"),
                                 QStringLiteral("Same.url")}));
    QVERIFY(folder.startsWith(QString::fromStdString(app.program.tempDir) + QStringLiteral("/vireo-drag-")));
    // Asking again hands out the same files.
    QCOMPARE(data->urls(), urls);
    QCOMPARE(data->FileRenderings(), 1);

    // Dropped on a folder of the tree: moved, silently, and that folder is shown.
    std::unique_ptr<VireoMimeData> inside(w.dragDrop->ListDragData());
    QVERIFY(w.dragDrop->TreeDrop(inside.get(), NodeCenter(w, seven)));
    QCOMPARE(inside->FileRenderings(), 0); // moving inside never writes shortcut files
    QCOMPARE(db.Marks(seven).Count(), 3);
    for (std::int32_t k : keys)
        QVERIFY(db.Marks(seven).PositionOf(k) != 0);
    QCOMPARE(db.Marks(2).Count(), 1);
    QVERIFY(db.Marks(2).PositionOf(stays) != 0);
    QCOMPARE(w.SelectedFolder(), seven);
    QCOMPARE(w.ListView->topLevelItemCount(), 3);
    QVERIFY(!w.TreeView->DropHighlight());
    QCOMPARE(app.sounds.Count("reject.wav") + app.sounds.Count("drop.wav"), 0);

    // A folder goes out as a directory of shortcut files named after it.
    std::int16_t top = db.AddFolder("Sea/Shore", 1, FolderKind::Ordinary);
    std::int16_t below = db.AddFolder("Gulls", top, FolderKind::Ordinary);
    AddMark(db, top, "Tern", "https://tern.example/");
    AddMark(db, below, "Herring gull", "https://gull.example/");
    w.SelectFolder(top);
    std::unique_ptr<VireoMimeData> tree(w.dragDrop->TreeDragData());
    QCOMPARE(tree->urls().size(), 1);
    QString dir = tree->urls().value(0).toLocalFile();
    QCOMPARE(QFileInfo(dir).fileName(), QStringLiteral("Sea_Shore"));
    QVERIFY(ReadAll(dir + QStringLiteral("/Tern.url")).contains(QStringLiteral("URL=https://tern.example/")));
    QVERIFY(
        ReadAll(dir + QStringLiteral("/Gulls/Herring gull.url")).contains(QStringLiteral("gull.example")));
    QVERIFY(tree->text().contains(QStringLiteral("https://gull.example/")));

    // The files go when the program ends.
    app.main.reset();
    QVERIFY(!QFileInfo::exists(folder));
}

void DragDropTest::folderDragsThatWouldBreakTheTreeAreRefused() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    std::int16_t a = db.AddFolder("A", 1, FolderKind::Ordinary);
    std::int16_t child = db.AddFolder("A child", a, FolderKind::Ordinary);
    std::int16_t other = db.AddFolder("Other", 1, FolderKind::Ordinary);
    w.TreeView->expandAll();
    auto parentKey = [&](std::int16_t folder) {
        return FolderTree::KeyOf(w.TreeView->Node(QStringLiteral("x%1").arg(folder))->parent());
    };

    // The move rules are tested on their own; into its own subfolder stands for them here.
    w.SelectFolder(a);
    std::unique_ptr<VireoMimeData> refused(w.dragDrop->TreeDragData());
    w.dragDrop->TreeDrop(refused.get(), NodeCenter(w, child));
    int rejects = app.sounds.Count("reject.wav");
    QCOMPARE(rejects, 1);
    QCOMPARE(db.Folder(a).Parent, std::int16_t(1));
    QCOMPARE(db.Folder(child).Parent, a);
    QCOMPARE(parentKey(a), QStringLiteral("x1"));
    QCOMPARE(parentKey(child), QStringLiteral("x%1").arg(a));

    // A real drag over the tree highlights the folder under the pointer; the drop moves.
    w.SelectFolder(child);
    std::unique_ptr<VireoMimeData> data(w.dragDrop->TreeDragData());
    QPoint onOther = NodeCenter(w, other);
    QDragEnterEvent enter(NodeCenter(w, 1), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.TreeView->viewport(), &enter);
    QDragMoveEvent over(onOther, Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.TreeView->viewport(), &over);
    QVERIFY(over.isAccepted());
    QCOMPARE(over.dropAction(), Qt::MoveAction);
    QCOMPARE(w.TreeView->DropHighlight(), w.TreeView->Node(QStringLiteral("x%1").arg(other)));
    QDropEvent drop(QPointF(onOther), Qt::MoveAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.TreeView->viewport(), &drop);
    QCOMPARE(db.Folder(child).Parent, other);
    QCOMPARE(parentKey(child), QStringLiteral("x%1").arg(other));
    QVERIFY(!w.TreeView->DropHighlight());
    QCOMPARE(app.sounds.Count("reject.wav"), rejects);

    // Outside every folder the drop is refused.
    std::unique_ptr<QMimeData> link(LinkData(QStringLiteral("https://x.example/")));
    QVERIFY(!w.dragDrop->TreeDrop(link.get(), QPoint(5, w.TreeView->viewport()->height() - 3)));
    QCOMPARE(app.sounds.Count("reject.wav"), rejects + 1);
}

void DragDropTest::dropsFollowTheDropOptionAndKeepTheTitlesGiven() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SelectFolder(2);
    std::vector<QString> shown;
    app.dialogs.runDialog = [&](QDialog& window) {
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
    SetBmkDrop(app.reg, 0);
    std::unique_ptr<QMimeData> a(LinkData(QStringLiteral("https://a.example/")));
    QVERIFY(DropOn(w.centralWidget(), QPoint(3, 3), a.get(), Qt::CopyAction | Qt::MoveAction));
    QCOMPARE(db.Marks(2).Count(), 1);
    QCOMPARE(db.Marks(2).At(1).Flags, std::int16_t(kFlagsDroppedLink));
    QCOMPARE(db.Marks(2).UrlStr(db.Marks(2).key(1)), std::string("https://a.example/"));
    QCOMPARE(w.ListView->topLevelItem(0)->text(0), QStringLiteral("(No Title)"));
    QCOMPARE(app.sounds.Count("drop.wav"), 1);
    QVERIFY(shown.empty());

    // 1: no title, so the dialog opens once the drop is over.
    SetBmkDrop(app.reg, 1);
    std::unique_ptr<QMimeData> b(LinkData(QStringLiteral("https://b.example/")));
    w.dragDrop->FormDrop(b.get());
    QCOMPARE(db.Marks(2).Count(), 1);
    QVERIFY(w.Timer->isActive());
    QTRY_COMPARE(shown.size(), std::size_t(1));
    QCOMPARE(shown[0], QStringLiteral("https://b.example/"));
    QCOMPARE(db.Marks(2).Count(), 2);
    QCOMPARE(w.ListView->findItems(QStringLiteral("Typed"), Qt::MatchExactly).size(), 1);

    // 2: always asked; two drops in a row each get their dialog, even when a click on a
    // row took the copy buffer meanwhile. Cancel files nothing and gives the texts back.
    SetBmkDrop(app.reg, 2);
    std::int32_t texts = db.Memo().InUseCount();
    auto* titled = new QMimeData;
    titled->setText(QStringLiteral("https://c.example/"));
    SetMozUrl(titled, QStringLiteral("https://c.example/"), QStringLiteral("Cranes"));
    std::unique_ptr<QMimeData> c(titled);
    std::unique_ptr<QMimeData> d(LinkData(QStringLiteral("https://d.example/")));
    w.dragDrop->LogoDrop(c.get());
    w.dragDrop->FormDrop(d.get());
    db.Marks(2).Copy(db.Marks(2).key(1));
    QTRY_COMPARE(shown.size(), std::size_t(3));
    QCOMPARE(shown[1], QStringLiteral("https://c.example/"));
    QCOMPARE(shown[2], QStringLiteral("https://d.example/"));
    QCOMPARE(w.dragDrop->PendingLinks(), std::size_t(0));
    QCOMPARE(db.Marks(2).Count(), 3);
    QCOMPARE(db.Memo().InUseCount(), texts + 2); // the filed one's title and address

    vireo::test::TempDir files;
    WriteText(files.path() / "News.url", "[InternetShortcut]\r\nURL=https://news.example/\r\n");
    app.dialogs.runDialog = {};
    app.dialogs.ran.clear();
    const QStringList& asked = app.dialogs.ran;

    // A shortcut named News, dropped on a folder of the tree: its name is the title, so
    // option 1 files it at once (the title and flags it gets are the drops' test).
    SetBmkDrop(app.reg, 1);
    std::unique_ptr<QMimeData> news(FileData(files.file("News.url")));
    QVERIFY(DropOn(w.TreeView->viewport(), NodeCenter(w, 3), news.get(), Qt::CopyAction | Qt::MoveAction));
    QCOMPARE(db.Marks(3).Count(), 1);
    QCOMPARE(w.SelectedFolder(), std::int16_t(3));
    QVERIFY(QFileInfo::exists(QString::fromStdString(files.file("News.url")))); // copied, never moved

    // A link dragged from a browser keeps the title the browser gave it.
    auto* firefox = new QMimeData;
    QString url = QStringLiteral("https://birds.example/warblers?id=7&x=1");
    firefox->setUrls({QUrl(url)});
    firefox->setText(url);
    SetMozUrl(firefox, url, QStringLiteral("Warblers of the World"));
    firefox->setHtml(QStringLiteral("<a href=\"https://birds.example/warblers?id=7&amp;x=1\">Warblers</a>"));
    std::unique_ptr<QMimeData> link(firefox);
    w.SelectFolder(4);
    QVERIFY(DropOn(w.ListView->viewport(), QPoint(10, 10), link.get(), Qt::CopyAction | Qt::LinkAction));
    QVERIFY(asked.isEmpty());
    QTreeWidgetItem* row =
        w.ListView->findItems(QStringLiteral("Warblers of the World"), Qt::MatchExactly).value(0);
    QVERIFY(row);
    QCOMPARE(row->text(1), url);

    // The side picture files into "Unsorted Bookmarks".
    SetBmkDrop(app.reg, 0);
    std::unique_ptr<QMimeData> side(LinkData(QStringLiteral("https://side.example/")));
    int before = db.Marks(2).Count();
    QVERIFY(DropOn(w.imgLogo, QPoint(5, 5), side.get(), Qt::CopyAction));
    QCOMPARE(db.Marks(2).Count(), before + 1);
}

void DragDropTest::buttonsGlowSinkAndActOnReleaseInside() {
    ScriptedApp app;
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ButtonBars& bars = *w.buttons;
    ButtonBar& bar = *bars.MainBar();
    auto shows = [&](int i, const char* name) {
        return Same(bar.btnBar[static_cast<std::size_t>(i)]->pixmap(), Picture(name));
    };
    QVERIFY(shows(0, "rollup_up"));

    // From one button to the next, and off onto the tree.
    bar.btnBar_MouseMove(2);
    QCOMPARE(bar.GlowIndex(), 2);
    QVERIFY(shows(2, "web_over"));
    bar.btnBar_MouseMove(3);
    QVERIFY(shows(2, "web_up"));
    QVERIFY(shows(3, "local_over"));
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w.TreeView->viewport(), &move);
    QCOMPARE(bar.GlowIndex(), -1);
    QVERIFY(shows(3, "local_up"));

    // Without a browser the home button still glows and opens the page, through the desktop.
    QString homePage = QString::fromStdString(app.dir.file("home.html"));
    QCOMPARE(bars.BrowserIcon(), false);
    QCOMPARE(bar.btnBar[1]->toolTip(), QStringLiteral("Browser not configured"));
    bar.btnBar_MouseMove(3);
    bar.btnBar_MouseMove(1);
    QCOMPARE(bar.GlowIndex(), 1);
    QVERIFY(shows(3, "local_up"));
    QTest::mouseClick(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(app.documents.opened, QStringList{homePage});
    QVERIFY(app.launcher.started.empty());
    QVERIFY(app.dialogs.ran.isEmpty()); // no browser whose home page could be set
    app.documents.opened.clear();

    // A browser with a desktop entry lends its icon to the button.
    vireo::test::TempDir place;
    std::string program = place.file("webby");
    WriteText(program, "#!/bin/sh\n");
    ::chmod(program.c_str(), 0755);
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QString icon = QString::fromStdString(place.file("webby.png"));
    QVERIFY(red.save(icon));
    WriteText(std::filesystem::path(qEnvironmentVariable("XDG_DATA_HOME").toStdString()) / "applications" /
                  "webby.desktop",
              "[Desktop Entry]\nType=Application\nExec=" + program + " %u\nIcon=" + icon.toStdString() +
                  "\n");
    // Chosen in the options, it shows once the main window is active again.
    SaveBrowser(app.reg, kBrowserOther, program);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QCOMPARE(app.program.CurrentBrowserPath, program);
    QVERIFY(bars.BrowserIcon());
    QCOMPARE(bar.btnBar[1]->toolTip(), QStringLiteral("Open Homepage"));
    QImage resting = bars.Image1(0).toImage();
    QImage pressed = bars.Image1(1).toImage();
    qreal dpr = bars.Image1(0).devicePixelRatio();
    auto at = [dpr](const QImage& image, int x, int y) {
        return image.pixelColor(static_cast<int>(x * dpr), static_cast<int>(y * dpr));
    };
    QCOMPARE(at(resting, 24, 24), QColor(Qt::red));
    QCOMPARE(at(resting, 8, 8), QColor(Qt::red));
    QVERIFY(at(pressed, 8, 8) != QColor(Qt::red)); // the pressed icon sits a pixel lower
    QCOMPARE(at(pressed, 40, 40), QColor(Qt::red));

    // Pressed it sinks; released elsewhere it does nothing; released on it, the home page
    // opens in the chosen browser.
    QTest::mousePress(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(Same(bar.btnBar[1]->pixmap(), bars.Image1(1)));
    QTest::mouseRelease(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 200));
    QVERIFY(Same(bar.btnBar[1]->pixmap(), bars.Image1(2)));
    QVERIFY(app.launcher.started.empty());
    QTest::mouseClick(bar.btnBar[1], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(app.documents.opened.isEmpty());
    QCOMPARE(app.launcher.started.size(), std::size_t(1));
    QCOMPARE(app.launcher.started[0].first, program);
    QCOMPARE(app.launcher.started[0].second, std::vector<std::string>{homePage.toStdString()});
    QVERIFY(std::filesystem::exists(app.dir.file("home.html")));

    // Find opens the find window; web search has nothing to show.
    app.dialogs.ran.clear();
    QTest::mouseClick(bar.btnBar[3], Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmFind")});
    QTest::mouseClick(bar.btnBar[2], Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmFind")});
    QVERIFY(app.dialogs.messages.empty());
    QCOMPARE(app.launcher.started.size(), std::size_t(1));
}

void DragDropTest::toolbarTakesThePlaceOfTheMainWindow() {
    ScriptedApp app;
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ButtonBars& bars = *w.buttons;
    SaveToolbarPosition(app.reg, {-100, 30});
    SetToolbarTop(app.reg, true);

    QTest::mouseClick(bars.MainBar()->btnBar[0], Qt::LeftButton, {}, QPoint(10, 10));
    frmToolbar* toolbar = bars.Toolbar();
    QVERIFY(toolbar);
    QVERIFY(QTest::qWaitForWindowExposed(toolbar));
    QVERIFY(!w.isVisible());
    QCOMPARE(toolbar->pos(), QPoint(30, 0)); // the top was off the screen
    QVERIFY(toolbar->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(Same(toolbar->btnBar->btnBar[0]->pixmap(), Picture("rolldn_up")));

    // Links dropped on its picture go to "Unsorted Bookmarks".
    SetBmkDrop(app.reg, 0);
    std::unique_ptr<QMimeData> link(LinkData(QStringLiteral("https://toolbar.example/")));
    QVERIFY(DropOn(toolbar->imgVireo, QPoint(10, 10), link.get(), Qt::CopyAction));
    QCOMPARE(app.db().Marks(2).UrlStr(app.db().Marks(2).key(1)), std::string("https://toolbar.example/"));

    // A second start brings forward whichever window stands for the program, minimised or not.
    toolbar->showMinimized();
    w.BringForward();
    QVERIFY(!(toolbar->windowState() & Qt::WindowMinimized));
    QVERIFY(toolbar->isVisible());
    QVERIFY(!w.isVisible());

    // Its first button brings the main window back, and the place is kept.
    toolbar->move(40, 50);
    QTest::mouseClick(toolbar->btnBar->btnBar[0], Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(w.isVisible());
    QTRY_VERIFY(!bars.Toolbar());
    QCOMPARE(ReadToolbarPosition(app.reg, 1280, 800), (ToolbarPosition{50, 40}));
    QVERIFY(Same(bars.MainBar()->btnBar[0]->pixmap(), Picture("rollup_up")));

    // An ordinary window when the option says so; closing it by its frame, or a click on
    // its picture, brings the main window back too.
    SetToolbarTop(app.reg, false);
    bars.ShowFloatingToolbar();
    QVERIFY(bars.Toolbar());
    QVERIFY(!(bars.Toolbar()->windowFlags() & Qt::WindowStaysOnTopHint));
    QCOMPARE(bars.Toolbar()->pos(), QPoint(40, 50));
    bars.Toolbar()->close();
    QVERIFY(w.isVisible());
    QTRY_VERIFY(!bars.Toolbar());
    bars.ShowFloatingToolbar();
    QTest::mouseClick(bars.Toolbar()->imgVireo, Qt::LeftButton, {}, QPoint(10, 10));
    QVERIFY(w.isVisible());
    QTRY_VERIFY(!bars.Toolbar());
}

void DragDropTest::openedShortcutFilesAreFiledAndShownOnceTheWindowIsFree() {
    ScriptedApp app;
    Database& db = app.db();
    frmMain& w = *app.main;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.SelectFolder(4);
    vireo::test::TempDir files;
    WriteText(files.path() / "Old.url", "[InternetShortcut]\r\nURL=https://old.example/\r\n");
    WriteText(files.path() / "News.url", "[InternetShortcut]\r\nURL=https://news.example/\r\n");
    WriteText(files.path() / "notes.txt", "just words\n");
    std::filesystem::create_directories(files.path() / "Folder.url");
    auto path = [&](const char* name) { return QString::fromStdString(files.file(name)); };

    // Filed as shortcut files dropped on the window: into "Unsorted Bookmarks", titled after
    // the file, and the last one filed is the one the window shows.
    SetBmkDrop(app.reg, 0);
    w.dragDrop->FileShortcuts(
        {path("Old.url"), path("notes.txt"), path("News.url"), path("Gone.url"), path("Folder.url")});
    QCOMPARE(db.Marks(2).Count(), 2);
    std::int32_t news = db.Marks(2).key(2);
    QCOMPARE(db.Marks(2).NameStr(news), std::string("News"));
    QCOMPARE(db.Marks(2).UrlStr(news), std::string("https://news.example/"));
    QCOMPARE(db.Marks(2).At(2).Flags, std::int16_t(kFlagsDroppedFile));
    QCOMPARE(w.SelectedFolder(), std::int16_t(2));
    QCOMPARE(w.SelectedBookmark(), news);
    QCOMPARE(w.ListView->selectedItems().size(), 1);
    QCOMPARE(app.sounds.Count("drop.wav"), 2);

    // One message names every file that was not filed, with its reason, and no other.
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
    const QString& text = app.dialogs.messages[0].text;
    QVERIFY(text.contains(path("notes.txt") + QStringLiteral("\": it holds no web address")));
    QVERIFY(text.contains(path("Gone.url") + QStringLiteral("\": there is no such file")));
    QVERIFY(text.contains(path("Folder.url") + QStringLiteral("\": it is a folder")));
    QVERIFY(!text.contains(QLatin1String("News.url")));

    // With "always ask" the bookmark dialog comes first, as for a drop.
    SetBmkDrop(app.reg, 2);
    const QStringList& asked = app.dialogs.ran;
    w.dragDrop->FileShortcuts({path("Old.url")});
    QTRY_COMPARE(asked, QStringList{QStringLiteral("frmBMDialog")});
    QCOMPARE(db.Marks(2).Count(), 2);
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));

    // Files handed over from outside while the program starts wait for the main window.
    SetBmkDrop(app.reg, 0);
    WriteText(files.path() / "Owl.url", "[InternetShortcut]\nURL=https://owl.example/\n");
    w.SelectFolder(4);
    OutsideFiles outside;
    outside.Add({path("News.url")});
    QCOMPARE(outside.Waiting(), 1);
    QCOMPARE(db.Marks(2).Count(), 2);

    // The floating toolbar is up and a modal dialog waits for an answer: nothing is filed
    // under the dialog.
    w.buttons->ShowFloatingToolbar();
    QVERIFY(!w.isVisible());
    QDialog modal(&w);
    modal.setModal(true);
    modal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&modal));
    outside.SetMainWindow(&w);
    outside.Add({path("Owl.url")});
    QTest::qWait(OutsideFiles::kRetryMs * 2);
    QCOMPARE(db.Marks(2).Count(), 2);
    QCOMPARE(outside.Waiting(), 2);

    // Once it is answered, both are filed, in order, and the main window is back to show them.
    modal.accept();
    QTRY_COMPARE(db.Marks(2).Count(), 4);
    QCOMPARE(outside.Waiting(), 0);
    QCOMPARE(db.Marks(2).NameStr(db.Marks(2).key(3)), std::string("News"));
    QCOMPARE(db.Marks(2).NameStr(db.Marks(2).key(4)), std::string("Owl"));
    QVERIFY(w.isVisible());
    QTRY_VERIFY(!w.buttons->Toolbar());
    QCOMPARE(w.SelectedFolder(), std::int16_t(2));
}

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
