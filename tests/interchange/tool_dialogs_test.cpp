// SPDX-License-Identifier: GPL-3.0-or-later
// The find window, the home page options and the colour picker, driven through their
// controls over a scripted application.

#include <QSet>
#include <QTest>
#include <QTextCursor>
#include <filesystem>

#include "interchange/color_dialog.h"
#include "interchange/find_dialog.h"
#include "interchange/home_setup_dialog.h"
#include "interchange/link_marks.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/scripted_app.h"

using namespace vireo;
using vireo::test::ScriptedApp;

namespace {

QStringList Column(QTreeWidget* list, int column) {
    QStringList out;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        out << list->topLevelItem(i)->text(column);
    return out;
}

std::int32_t AddMark(Database& db, std::int16_t folder, const std::string& title, const std::string& url,
                     const std::string& description = "") {
    return db.Marks(folder).Add(db.NewMark(title, url, folder, description, kFlagsFound));
}

// A small tree: "Work" under the top folder with a subfolder "Deep", each with bookmarks.
struct FindData {
    explicit FindData(Database& db) {
        work = db.AddFolder("Work", kRootFolder, FolderKind::Ordinary);
        deep = db.AddFolder("Deep", work, FolderKind::Ordinary);
        AddMark(db, work, "Alpha Site", "https://alpha.example/", "first one");
        AddMark(db, work, "", "https://untitled.example/", "");
        AddMark(db, deep, "ALPHA IN CAPITALS", "https://deep.example/", "described");
    }
    std::int16_t work = 0;
    std::int16_t deep = 0;
};

// Sets the controls as a user would and runs the search.
QStringList Search(frmFind& f, const QString& text, bool name, bool url, bool desc, bool matchCase,
                   bool exact, bool recursive) {
    f.txtFind->setText(text);
    f.chkFind[0]->setChecked(name);
    f.chkFind[1]->setChecked(url);
    f.chkFind[2]->setChecked(desc);
    f.MatchCase->setChecked(matchCase);
    f.optExact[exact ? 1 : 0]->setChecked(true);
    f.recursive->setChecked(recursive);
    f.Find->click();
    return Column(f.listV, 0);
}

const QString kNone = QStringLiteral("There are no items to show in this view");

} // namespace

class ToolDialogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findSearchesOpensCopiesDeletesDeadLinksAndKeepsItsSettings();
    void homeSetupLoadsSavesEditsDeletesAndFinishes();
    void colourPickerDrawsItsPalettesAndShowsWhatThePointerTouches();
};

void ToolDialogsTest::findSearchesOpensCopiesDeletesDeadLinksAndKeepsItsSettings() {
    ScriptedApp app;
    FindData data(app.db());
    Database& db = app.db();
    QStringList& asked = app.dialogs.folderPrompts;
    const std::string key = SettingsPath("\\Find");
    SetRegValue(app.reg, key, "InName", "False");
    SetRegValue(app.reg, key, "MatchCase", "True");
    SetRegValue(app.reg, key, "ExactMatch", "True");
    SetRegValue(app.reg, key, "Recursive", "False");
    {
        frmFind f(*app.main);
        // The stored boxes are shown; the two never stored are on.
        QCOMPARE(
            (QList<bool>{f.chkFind[0]->isChecked(), f.chkFind[1]->isChecked(), f.chkFind[2]->isChecked(),
                         f.MatchCase->isChecked(), f.optExact[1]->isChecked(), f.recursive->isChecked()}),
            (QList<bool>{false, true, true, true, true, false}));
        QCOMPARE(f.FolderName->text(), QStringLiteral("My Bookmarks"));

        // Nothing found yet: nothing to copy or delete, and no chooser; the placeholder row
        // opens nothing.
        QVERIFY(!f.cmdDelete->isEnabled());
        f.CopyTo->click();
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        QCOMPARE(asked.size(), 0);
        f.listV->setCurrentItem(f.listV->topLevelItem(0));
        f.listV_DblClick();
        QVERIFY(app.documents.opened.isEmpty());

        app.dialogs.folders = {data.work, data.work};
        f.Browse->click();
        QCOMPARE(f.FolderName->text(), QStringLiteral("Work"));

        // Each box reaches the search (the rules themselves are the core's): any part, any
        // case, all fields, subfolders: the folder's own first, then deeper.
        QCOMPARE(Search(f, QStringLiteral("alpha"), true, true, true, false, false, true),
                 (QStringList{QStringLiteral("Alpha Site"), QStringLiteral("ALPHA IN CAPITALS")}));
        QCOMPARE(f.statPanel[0]->text(), QStringLiteral("2 bookmark(s) found"));
        QCOMPARE(f.statPanel[1]->text(), QString()); // emptied after the search
        QCOMPARE(f.listV->topLevelItem(1)->text(3), QStringLiteral("My Bookmarks\\Work\\Deep"));
        QCOMPARE(f.listV->topLevelItem(0)->text(1), QStringLiteral("https://alpha.example/"));
        QCOMPARE(f.listV->topLevelItem(0)->text(2), QStringLiteral("first one"));
        // Letter case agreeing, in the name alone; the whole field; in the description alone
        // and without subfolders (Deep's "described" would match).
        QCOMPARE(Search(f, QStringLiteral("ALPHA"), true, false, false, true, false, true),
                 QStringList{QStringLiteral("ALPHA IN CAPITALS")});
        QCOMPARE(Search(f, QStringLiteral("alpha"), true, true, true, false, true, true), QStringList{kNone});
        QCOMPARE(f.statPanel[0]->text(), QStringLiteral("0 bookmark(s) found"));
        QCOMPARE(Search(f, QStringLiteral("E"), false, false, true, false, false, false),
                 QStringList{QStringLiteral("Alpha Site")});

        // Choosing a folder clears the old hits; a cancelled choice changes nothing.
        f.Browse->click();
        QCOMPARE(Column(f.listV, 0), QStringList{kNone});
        f.Browse->click();
        QCOMPARE(f.FolderId->text(), QString::number(data.work));

        Search(f, QStringLiteral("example"), false, true, false, false, false, true);
        QCOMPARE(f.listV->topLevelItemCount(), 3);
        f.listV->setCurrentItem(f.listV->topLevelItem(1));
        f.listV_DblClick();
        QCOMPARE(app.documents.opened, QStringList{QStringLiteral("https://untitled.example/")});

        // A cancelled choice copies nothing.
        std::int16_t before = db.CountSubFolders(kUnsortedFolder);
        f.CopyTo->click();
        QCOMPARE(asked.size(), 4);
        QCOMPARE(db.CountSubFolders(kUnsortedFolder), before);

        app.dialogs.folders.push_back(kUnsortedFolder);
        f.CopyTo->click();
        std::int32_t start = 0;
        std::int16_t copy = db.NextSubFolder(kUnsortedFolder, start);
        QCOMPARE(db.FolderName(copy), std::string("Find Result: example"));
        QVERIFY(app.main->TreeView->Node(Utf8ToQString(FolderNodeKey(copy)))); // the tree shows it at once
        QCOMPARE(db.Marks(copy).Count(), 3);
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1)); // no message when it worked

        // Two dead links, in Work and in Deep, beside a live one.
        std::int32_t live = AddMark(db, data.work, "Alpha live", "https://alive.example/");
        for (auto [folder, position] : {std::pair{data.work, 1}, std::pair{data.deep, 1}}) {
            BookmarkRecord& r = db.Marks(folder).At(position);
            r.UserFlags = WithDeadMark(r.UserFlags, DeadReason::NotFound);
        }
        app.main->SelectFolder(data.work);
        f.chkDead->setChecked(true);
        // No text: all dead links, each with the dead-link icon.
        QCOMPARE(Search(f, QString(), true, true, true, false, false, true),
                 (QStringList{QStringLiteral("Alpha Site"), QStringLiteral("ALPHA IN CAPITALS")}));
        QCOMPARE(f.listV->topLevelItem(0)->icon(0).cacheKey(), ImageListIcon(kImageDeadLink).cacheKey());

        // Gathered, they are deleted at once: into the trash, from wherever they were; one
        // first, and the count says what is left.
        f.listV->topLevelItem(0)->setSelected(true);
        f.cmdDelete->click();
        QCOMPARE(f.statPanel[0]->text(), QStringLiteral("1 bookmark(s) found"));
        f.listV->selectAll();
        QVERIFY(f.cmdDelete->isEnabled());
        f.cmdDelete->click();
        QCOMPARE(f.statPanel[0]->text(), QStringLiteral("0 bookmark(s) found"));
        QCOMPARE(Column(f.listV, 0), QStringList{kNone});
        QVERIFY(!f.cmdDelete->isEnabled());
        QCOMPARE(db.Marks(data.work).Count(), 2);
        QVERIFY(db.Marks(data.work).PositionOf(live) > 0);
        QCOMPARE(db.Marks(kTrashFolder).Count(), 2);
        QCOMPARE(app.main->ListView->topLevelItemCount(), 2); // the main list follows

        // Closing keeps the boxes as the user left them, searched or not.
        f.MatchCase->setChecked(true);
        f.reject();
    }
    // Text and folder start afresh at every opening.
    frmFind f(*app.main);
    QVERIFY(f.MatchCase->isChecked());
    QCOMPARE(f.txtFind->text(), QString());
    QCOMPARE(f.FolderId->text(), QStringLiteral("1"));
    QVERIFY(!f.chkDead->isChecked()); // not kept: the next Find looks at every bookmark again
}

void ToolDialogsTest::homeSetupLoadsSavesEditsDeletesAndFinishes() {
    ScriptedApp app;
    const std::string dbPath = app.db().DBPath();
    Scheme mine = DefaultScheme();
    mine[kPageBackground].Color = Rgb(1, 2, 3);
    QVERIFY(SaveScheme(dbPath, "Mine", mine));
    {
        // No current scheme: "default" (which has no file) is chosen and cannot be deleted;
        // the shipped schemes follow the user's.
        frmHomeSetup h(app.ctx);
        QCOMPARE(h.comboScheme->count(), 4);
        QCOMPARE(h.comboScheme->currentText(), QStringLiteral("default"));
        QVERIFY(!h.cmdDel->isEnabled());
        QVERIFY(!h.cmdRestore->isEnabled());
        QCOMPARE(h.ButtonColor(), QColor(127, 212, 212));
        // The preview shows the page in the scheme's colours, the page's own text too (it
        // takes the body's text colour, as in a browser).
        QVERIFY(h.txtPreview->toHtml().contains(QStringLiteral("#7fd4d4"), Qt::CaseInsensitive));
        QTextCursor footer = h.txtPreview->document()->find(QStringLiteral("This page last updated"));
        QVERIFY(!footer.isNull());
        QCOMPARE(footer.charFormat().foreground().color(), QColor(0, 80, 80));
        QVERIFY(!h.lblContrast->isVisibleTo(&h));
    }
    // A current scheme whose file is gone: nothing chosen, the default colours shown.
    SetCurrentScheme(app.reg, "Vanished");
    namespace fs = std::filesystem;
    fs::remove(SchemeFile(dbPath, "Mine"));
    {
        frmHomeSetup h(app.ctx);
        QCOMPARE(h.comboScheme->currentIndex(), -1);
        QCOMPARE(h.Items(), DefaultScheme());
        QVERIFY(!h.cmdDel->isEnabled());

        app.dialogs.texts.push_back(QStringLiteral("  MyScheme "));
        h.cmdSave->click();
        QCOMPARE(fs::file_size(SchemeFile(dbPath, "MyScheme")), std::uintmax_t(378));
        QCOMPARE(h.comboScheme->currentText(), QStringLiteral("MyScheme"));
        QVERIFY(h.cmdDel->isEnabled());
        // Saving under the same name again makes no second entry.
        app.dialogs.texts.push_back(QStringLiteral("MyScheme"));
        h.cmdSave->click();
        QCOMPARE(h.comboScheme->count(), 4);
        // Cancelled, empty, or a name the list could not show again: nothing saved.
        app.dialogs.texts.push_back(std::nullopt);
        h.cmdSave->click();
        app.dialogs.texts.push_back(QStringLiteral("   "));
        h.cmdSave->click();
        app.dialogs.texts.push_back(QStringLiteral("my.scheme"));
        h.cmdSave->click();
        QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
        QVERIFY(!fs::exists(SchemeFile(dbPath, "my.scheme")));
        QCOMPARE(h.comboScheme->count(), 4);

        // Colour only for the page background; colour and font for the links.
        h.comboItem->setCurrentIndex(kPageBackground);
        QVERIFY(!h.cmdFont->isEnabled());
        h.comboItem->setCurrentIndex(kLinks);
        QVERIFY(h.cmdFont->isEnabled());
        QCOMPARE(h.ButtonColor(), QColor(0, 0, 204));
        app.dialogs.colors.push_back(QColor(206, 0, 0));
        h.cmdColor->click();
        QCOMPARE(app.dialogs.colorsOffered.back(), QColor(0, 0, 204));
        QCOMPARE(h.ButtonColor(), QColor(206, 0, 0));
        QCOMPARE(LoadScheme(dbPath, "MyScheme")[kLinks].Color, Rgb(206, 0, 0));
        QVERIFY(h.txtPreview->document()->defaultStyleSheet().contains(QStringLiteral("CE0000")));
        // Cancelled: the colour stays.
        h.cmdColor->click();
        QCOMPARE(app.dialogs.colorsOffered.size(), std::size_t(2));
        QCOMPARE(LoadScheme(dbPath, "MyScheme")[kLinks].Color, Rgb(206, 0, 0));

        h.comboItem->setCurrentIndex(kCategoryLabel);
        QFont font(QStringLiteral("Courier New"));
        font.setPointSize(12);
        font.setItalic(true);
        app.dialogs.fonts.push_back(font);
        h.cmdFont->click();
        SchemeItem label = LoadScheme(dbPath, "MyScheme")[kCategoryLabel];
        QCOMPARE(label.Size, std::int16_t(4));
        QCOMPARE(label.FontName, std::string("Courier New"));
        QVERIFY(label.Italic);
        QVERIFY(!label.Bold);
        // A cancelled font dialog changes nothing, and the other items stay as they were.
        h.cmdFont->click();
        QCOMPARE(LoadScheme(dbPath, "MyScheme")[kCategoryLabel], label);
        QCOMPARE(LoadScheme(dbPath, "MyScheme")[kHeadline], DefaultScheme()[kHeadline]);

        h.cmdOK->click();
        QCOMPARE(h.result(), int(QDialog::Accepted));
    }
    QCOMPARE(CurrentScheme(app.reg), std::string("MyScheme"));

    frmHomeSetup h(app.ctx);
    QCOMPARE(h.comboScheme->currentText(), QStringLiteral("MyScheme"));
    QCOMPARE(h.Items(), LoadScheme(dbPath, "MyScheme"));
    h.cmdDel->click();
    QVERIFY(!fs::exists(SchemeFile(dbPath, "MyScheme")));
    QCOMPARE(h.comboScheme->count(), 3);
    QCOMPARE(h.comboScheme->currentText(), QStringLiteral("default"));
    QVERIFY(!h.cmdDel->isEnabled());
    // Editing a shipped scheme writes the user's copy; Restore gives the shipped colours
    // back.
    h.comboScheme->setCurrentIndex(h.comboScheme->findText(QStringLiteral("Paper")));
    QVERIFY(!h.cmdRestore->isEnabled());
    QVERIFY(!h.cmdDel->isEnabled());
    h.comboItem->setCurrentIndex(kLinks);
    app.dialogs.colors.push_back(QColor(250, 250, 250));
    h.cmdColor->click();
    QCOMPARE(LoadScheme(dbPath, "Paper")[kLinks].Color, Rgb(250, 250, 250));
    QVERIFY(h.cmdRestore->isEnabled());
    // White links on paper: the dialog says which texts become hard to read.
    QVERIFY(h.lblContrast->isVisibleTo(&h));
    QVERIFY(h.lblContrast->text().contains(QStringLiteral("Links on Page Background")));
    h.cmdRestore->click();
    QVERIFY(!fs::exists(SchemeFile(dbPath, "Paper")));
    QCOMPARE(h.Items(), *ShippedScheme("Paper"));
    QVERIFY(!h.cmdRestore->isEnabled());
    QVERIFY(!h.lblContrast->isVisibleTo(&h));
}

void ToolDialogsTest::colourPickerDrawsItsPalettesAndShowsWhatThePointerTouches() {
    auto colours = [](const QImage& img) {
        QSet<QRgb> set;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x)
                set.insert(img.pixel(x, y) | 0xFF000000u);
        }
        return set;
    };
    // The web grid holds exactly the 216 colours whose parts are multiples of 51.
    QSet<QRgb> web;
    for (int i = 0; i < 216; ++i)
        web.insert(qRgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51));
    QCOMPARE(colours(PaletteImage(Palette::Grid)), web);
    // The honeycomb: 210 colours on black.
    QSet<QRgb> hex = colours(PaletteImage(Palette::Hex));
    QVERIFY(hex.contains(qRgb(0, 0, 0)));
    QCOMPARE(hex.size(), 211);
    // The rainbow: white, black, pure hues and greys between.
    QSet<QRgb> rainbow = colours(PaletteImage(Palette::Rainbow));
    QVERIFY(rainbow.size() > 10000);
    for (QRgb c : {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)})
        QVERIFY2(rainbow.contains(c), qPrintable(QColor(c).name()));

    frmColor c(QColor(0, 156, 156));
    QCOMPARE(c.picPal->Current(), Palette::Rainbow);
    QCOMPARE(c.NewColor(), QColor(0, 156, 156));
    QCOMPARE(
        (QStringList{c.txtRGB[0]->text(), c.txtRGB[1]->text(), c.txtRGB[2]->text(), c.txtRGB[3]->text()}),
        (QStringList{QStringLiteral("0"), QStringLiteral("156"), QStringLiteral("156"),
                     QStringLiteral("009C9C")}));

    c.TabStrip1->setCurrentIndex(2);
    QCOMPARE(c.picPal->Current(), Palette::Grid);
    c.show();
    QVERIFY(QTest::qWaitForWindowExposed(&c));
    // Find a pure red cell and a dark one in the picture and move, then click, there.
    QPoint red, dark;
    const QImage& img = c.picPal->Image();
    for (int y = 0; y < img.height() && (red.isNull() || dark.isNull()); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            if (img.pixel(x, y) == qRgb(255, 0, 0) && red.isNull())
                red = QPoint(x + 2, y + 2);
            if (img.pixel(x, y) == qRgb(0, 51, 102) && dark.isNull())
                dark = QPoint(x + 2, y + 2);
        }
    }
    QVERIFY(!red.isNull() && !dark.isNull());
    QTest::mouseMove(c.picPal, dark);
    QTRY_COMPARE(c.OverColor(), QColor(0, 51, 102));
    QCOMPARE(c.NewColor(), QColor(0, 156, 156)); // only looked at
    QTest::mouseClick(c.picPal, Qt::LeftButton, {}, red);
    QCOMPARE(c.NewColor(), QColor(255, 0, 0));
    QCOMPARE(c.picNew->palette().color(QPalette::Window), QColor(255, 0, 0));
    QCOMPARE(c.txtRGB[3]->text(), QStringLiteral("FF0000"));
}

QTEST_MAIN(ToolDialogsTest)
#include "tool_dialogs_test.moc"
