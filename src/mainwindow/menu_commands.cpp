// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/menu_commands.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <functional>

#include "interchange/browser_import.h"
#include "interchange/favorites.h"
#include "interchange/home_page.h"
#include "interchange/home_setup_dialog.h"
#include "interchange/html_import.h"
#include "interchange/html_view.h"
#include "interchange/netscape.h"
#include "interchange/xbel_exchange.h"
#include "mainwindow/about_dialog.h"
#include "mainwindow/bookmark_dialog.h"
#include "mainwindow/facades.h"
#include "mainwindow/folder_dialogs.h"
#include "mainwindow/folder_moves.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_entries.h"
#include "mainwindow/menus.h"
#include "platform/paths.h"
#include "search/search_windows.h"
#include "store/database.h"
#include "store/strings.h"
#include "sync/sync_windows.h"
#include "ui/link_check_dialog.h"
#include "ui/options_dialog.h"

namespace vireo {

namespace {

QString DataFile(frmMain& main, std::string_view name) {
    return Utf8ToQString(main.Db().DBPath()) + QLatin1Char('/') + Utf8ToQString(name);
}

void Tell(frmMain& main, const ExchangeResult& result) {
    if (result.message.empty())
        return;
    main.Context().dialogs.Message(&main, Utf8ToQString(result.message), Utf8ToQString(result.title),
                                   MsgButtons::Ok,
                                   result.warning ? MsgIcon::Exclamation : MsgIcon::Information);
}

void TellError(frmMain& main, const std::string& error) {
    if (!error.empty())
        main.Context().dialogs.Message(&main, Utf8ToQString(error), {}, MsgButtons::Ok, MsgIcon::Critical);
}

// After an import: the new folders are in the tree already; show the list, play the
// sound and keep the result.
void AfterImport(frmMain& main, const ExchangeResult& result) {
    Tell(main, result);
    main.Context().sounds.PlayEventSound(SoundEvent::Import);
    main.FillBookmarkList();
    if (result.folder || result.bookmarks)
        main.ScheduleSave();
}

// A progress window for imports that take a while.
class ImportProgress {
public:
    ImportProgress(QWidget* parent, const QString& label) : m_dialog(label, QString(), 0, 1000, parent) {
        m_dialog.setWindowTitle(QStringLiteral("Vireo!"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(400);
        m_dialog.setCancelButton(nullptr);
        m_dialog.setAutoClose(true);
    }
    ProgressFn Callback() {
        return [this](std::uint64_t done, std::uint64_t total) {
            if (total)
                m_dialog.setValue(static_cast<int>(done * 1000 / total));
        };
    }
    ~ImportProgress() { m_dialog.setValue(m_dialog.maximum()); }

private:
    QProgressDialog m_dialog;
};

void ImportNetscapeCommand(frmMain& main) {
    AppContext& ctx = main.Context();
    std::string file;
    if (!GetNetscapeBookmarkFile(ctx.reg, file) || !QFileInfo::exists(Utf8ToQString(file)))
        file = QStringToUtf8(ctx.dialogs.OpenFileName(&main, Utf8ToQString(kNetscapeImportDialogTitle),
                                                      Utf8ToQString(kHtmlFileFilter)));
    if (file.empty() || !QFileInfo(Utf8ToQString(file)).isFile())
        return;
    ExchangeResult result;
    {
        WaitCursor wait;
        HistoryStep step(main.Db(), "Import from Netscape");
        ImportProgress progress(&main, QStringLiteral("Importing bookmarks..."));
        result = ImportNetscape(main.Db(), file, progress.Callback());
    }
    AfterImport(main, result);
}

// What the browser imports ask: which profile, or which file when none is found or the
// user would rather pick one.
struct BrowserImportTexts {
    const char* title;
    const char* fileDialogTitle;
    const char* fileFilter;
};

BrowserImportTexts TextsFor(BrowserFamily kind) {
    if (kind == BrowserFamily::Firefox)
        return {"Import from Firefox", "Select Firefox Bookmark Database to Import",
                "Firefox Bookmarks|places.sqlite|All files (*.*)|*.*"};
    return {"Import from Chrome/Chromium", "Select Chromium Bookmarks File to Import",
            "Chromium Bookmarks|Bookmarks|All files (*.*)|*.*"};
}

QString ProfileItem(const BrowserProfile& p) {
    return Utf8ToQString(p.browser) + QStringLiteral(": ") + Utf8ToQString(p.name) +
           (p.isDefault ? QStringLiteral(" (default)") : QString()) + QStringLiteral(" - ") +
           Utf8ToQString(p.path);
}

// Runs an import with the hourglass and a progress window, then shows its folder, whose
// bookmarks sit in the browser's roots below it.
void RunBrowserImport(frmMain& main, const std::function<ExchangeResult(const ProgressFn&)>& import) {
    ExchangeResult result;
    {
        WaitCursor wait;
        HistoryStep step(main.Db(), "Import");
        ImportProgress progress(&main, QStringLiteral("Importing bookmarks..."));
        result = import(progress.Callback());
        if (!result.title.empty())
            step.SetLabel(result.title);
    }
    AfterImport(main, result);
    if (result.folder) {
        main.TreeView->ExpandNode(FolderNodeKey(result.folder));
        main.SelectFolder(result.folder);
    }
}

void ImportBrowserCommand(frmMain& main, BrowserFamily kind) {
    AppContext& ctx = main.Context();
    BrowserImportTexts texts = TextsFor(kind);
    std::string home = sys::HomeDir();
    std::vector<BrowserProfile> profiles = FindBrowserProfiles(kind, home);
    if (!profiles.empty()) {
        QStringList items;
        for (const auto& p : profiles)
            items << ProfileItem(p);
        items << QStringLiteral("Browse for a file...");
        std::optional<int> pick =
            ctx.dialogs.ChooseItem(&main, QStringLiteral("Choose the profile whose bookmarks to import:"),
                                   Utf8ToQString(texts.title), items);
        if (!pick || *pick < 0 || *pick > static_cast<int>(profiles.size()))
            return;
        if (*pick < static_cast<int>(profiles.size())) {
            ImportProfileCommand(main, profiles[static_cast<std::size_t>(*pick)]);
            return;
        }
    }
    std::string source = QStringToUtf8(ctx.dialogs.OpenFileName(
        &main, Utf8ToQString(texts.fileDialogTitle), Utf8ToQString(texts.fileFilter), Utf8ToQString(home)));
    if (source.empty())
        return;
    RunBrowserImport(main, [&](const ProgressFn& progress) {
        return ImportFromBrowser(main.Db(), kind, source, progress);
    });
}

void ImportXbelCommand(frmMain& main) {
    AppContext& ctx = main.Context();
    std::string file = QStringToUtf8(ctx.dialogs.OpenFileName(&main, Utf8ToQString(kXbelImportDialogTitle),
                                                              Utf8ToQString(kXbelFileFilter),
                                                              Utf8ToQString(sys::HomeDir())));
    if (file.empty())
        return;
    RunBrowserImport(main, [&](const ProgressFn& progress) { return ImportXbel(main.Db(), file, progress); });
}

void ExportXbelCommand(frmMain& main) {
    AppContext& ctx = main.Context();
    std::int16_t folder = main.ChooseFolder(&main, QString::fromUtf8(kExportXbelPrompt));
    if (folder < 1)
        return;
    QString file =
        ctx.dialogs.SaveFileName(&main, Utf8ToQString(kXbelExportTitle), Utf8ToQString(kXbelFileFilter));
    if (file.isEmpty())
        return;
    WaitCursor wait;
    Tell(main, ExportXbel(main.Db(), folder, QStringToUtf8(file)));
}

void ImportHtmlCommand(frmMain& main) {
    AppContext& ctx = main.Context();
    if (ctx.dialogs.Message(&main, Utf8ToQString(kImportHtmlQuestion), Utf8ToQString(kImportHtmlTitle),
                            MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    QString file = ctx.dialogs.OpenFileName(&main, Utf8ToQString(kImportHtmlDialogTitle),
                                            Utf8ToQString(kHtmlFileFilter));
    if (file.isEmpty())
        return;
    ExchangeResult result;
    {
        WaitCursor wait;
        HistoryStep step(main.Db(), "Import from HTML");
        result = ImportHtml(main.Db(), QStringToUtf8(file), main.SelectedFolder());
    }
    AfterImport(main, result);
}

void ExportNetscapeCommand(frmMain& main) {
    AppContext& ctx = main.Context();
    std::int16_t folder = main.ChooseFolder(&main, QString::fromUtf8(kExportNetscapePrompt));
    if (folder < 1)
        return;
    std::string file;
    bool found = GetNetscapeBookmarkFile(ctx.reg, file);
    if (!found) {
        if (ctx.dialogs.Message(&main, Utf8ToQString(kNetscapeBrowseQuestion),
                                Utf8ToQString(kNetscapeExportTitle), MsgButtons::YesNo,
                                MsgIcon::Question) != MsgResult::Yes)
            return;
        file = QStringToUtf8(ctx.dialogs.SaveFileName(&main, Utf8ToQString(kNetscapeExportTitle),
                                                      Utf8ToQString(kHtmlFileFilter)));
        if (file.empty())
            return;
    }
    WaitCursor wait;
    // An existing bookmark file gets the folder appended; a new one is written as a
    // complete file that browsers can import.
    ExchangeResult result = QFileInfo::exists(Utf8ToQString(file))
                                ? ExportNetscape(main.Db(), folder, file)
                                : ExportNetscapeFile(main.Db(), folder, file);
    Tell(main, result);
}

void ViewAsWebPage(frmMain& main, std::int16_t folder) {
    WaitCursor wait;
    std::string file = QStringToUtf8(DataFile(main, kViewFileName));
    std::string error;
    std::int32_t written = SaveView(main.Db(), file, folder, &error);
    if (written > 0)
        main.OpenDocument(Utf8ToQString(file));
    TellError(main, error);
}

void ViewHomePage(frmMain& main, std::int16_t folder, const QString& file) {
    WaitCursor wait;
    std::string name = QStringToUtf8(file);
    std::string error;
    if (BuildHomePage(main.Db(), main.Context().reg, name, folder, &error))
        main.OpenDocument(Utf8ToQString(name));
    else
        TellError(main, error);
}

} // namespace

void FolderMenuCommand(frmMain& main, int index) {
    Database& db = main.Db();
    std::int16_t folder = main.SelectedFolder();
    switch (index) {
    case folder_menu::kNewFolder: {
        std::int16_t id;
        {
            HistoryStep step(db, "New Folder");
            id = db.AddFolder("New", folder, FolderKind::Ordinary);
        }
        if (id == 0) {
            main.Context().dialogs.Message(&main, Utf8ToQString(FolderTableFullMessage(0, 0)), {},
                                           MsgButtons::Ok, MsgIcon::Exclamation);
            return;
        }
        main.TreeView->ExpandNode(FolderNodeKey(folder));
        main.TreeView->SelectNode(FolderNodeKey(id));
        main.EditFolderLabel(id);
        main.FillBookmarkList();
        main.ScheduleSave();
        break;
    }
    case folder_menu::kRerunSearch:
        main.WebSearch(0, folder);
        break;
    case folder_menu::kRename:
        main.EditFolderLabel(folder);
        break;
    case folder_menu::kViewAsWebPage:
        ViewAsWebPage(main, folder);
        break;
    case folder_menu::kViewAsHomePage:
        ViewHomePage(main, folder, DataFile(main, kViewHomeFile));
        break;
    case folder_menu::kCut:
    case folder_menu::kCopy:
        main.CutOrCopyFolder(folder, index == folder_menu::kCut);
        break;
    case folder_menu::kPaste:
        main.PasteInto(folder);
        break;
    case folder_menu::kMove: {
        std::int16_t target = main.ChooseFolder(&main, QString::fromUtf8(kMoveFolderPrompt));
        bool moved = false;
        if (target > 0) {
            HistoryStep step(db, "Move Folder");
            moved = MoveFolder(db, folder, target);
        }
        if (moved) {
            main.SelectFolder(folder);
            main.ScheduleSave();
        }
        break;
    }
    case folder_menu::kEmpty:
        main.EmptyFolderCommand(folder);
        break;
    case folder_menu::kDelete:
        main.DeleteFolder(folder);
        break;
    case folder_menu::kRestore:
        main.RestoreFolderCommand(folder);
        break;
    case folder_menu::kProperties:
        if (db.IsLiveFolder(folder)) {
            HistoryStep step(db, "Folder Properties");
            frmFolderProp dialog(main, folder);
            main.Context().dialogs.RunDialog(dialog);
        }
        break;
    case folder_menu::kCheckLinks:
        CheckFolderLinks(main, folder);
        break;
    default:
        break;
    }
}

void BookmarkMenuCommand(frmMain& main, int index) {
    Database& db = main.Db();
    switch (index) {
    case bookmark_menu::kNewBookmark: {
        std::int16_t folder = main.SelectedFolder();
        // The texts made for the dialog go again when it is cancelled.
        HistoryStep step(db, "New Bookmark");
        db.copyBuffer = db.NewMark("", "", db.IsLiveFolder(folder) ? folder : std::int16_t{kUnsortedFolder},
                                   "", kFlagsStandard);
        frmBMDialog dialog(main);
        dialog.DropInFolder_Click(); // a new bookmark needs its folder: show the tree
        if (main.Context().dialogs.RunDialog(dialog) != QDialog::Accepted)
            step.Cancel();
        break;
    }
    case bookmark_menu::kOpen:
        if (QTreeWidgetItem* item = main.ListView->currentItem(); item && main.SelectedBookmark())
            main.OpenDocument(item->text(1));
        break;
    case bookmark_menu::kSearchForThis:
        if (QTreeWidgetItem* item = main.ListView->currentItem(); item && main.SelectedBookmark())
            main.WebSearch(0, 0, item->text(0).trimmed());
        break;
    case bookmark_menu::kCut:
    case bookmark_menu::kCopy:
        main.CutOrCopyBookmarks(index == bookmark_menu::kCut);
        break;
    case bookmark_menu::kPaste:
        main.PasteInto(main.SelectedFolder());
        break;
    case bookmark_menu::kDelete:
        main.DeleteSelectedBookmarks();
        break;
    case bookmark_menu::kRestore:
        main.RestoreSelectedBookmarks();
        break;
    case bookmark_menu::kProperties:
        if (db.copyBuffer.key != 0) {
            HistoryStep step(db, "Bookmark Properties");
            frmBMDialog dialog(main);
            main.Context().dialogs.RunDialog(dialog);
        }
        break;
    default:
        break;
    }
}

void FileMenuCommand(frmMain& main, int index) {
    switch (index) {
    case file_menu::kViewMyHomepage:
        ViewHomePage(main, 0, QString());
        break;
    case file_menu::kExit:
        main.close();
        break;
    default:
        break;
    }
}

void ImportProfileCommand(frmMain& main, const BrowserProfile& profile) {
    RunBrowserImport(main,
                     [&](const ProgressFn& progress) { return ImportProfile(main.Db(), profile, progress); });
}

void EditMenuCommand(frmMain& main, int index) {
    switch (index) {
    case edit_menu::kUndo:
        main.UndoCommand();
        break;
    case edit_menu::kRedo:
        main.RedoCommand();
        break;
    case edit_menu::kCut:
    case edit_menu::kCopy:
    case edit_menu::kPaste:
    case edit_menu::kDelete:
        main.EditCommand(index);
        break;
    default:
        break;
    }
}

void ImportMenuCommand(frmMain& main, int index) {
    switch (index) {
    case import_menu::kFavorites: {
        ExchangeResult result;
        {
            WaitCursor wait;
            HistoryStep step(main.Db(), "Import from Favorites");
            result = ImportFavorites(main.Db(), FavoritesFolder(main.Context().reg));
        }
        AfterImport(main, result);
        break;
    }
    case import_menu::kNetscape:
        ImportNetscapeCommand(main);
        break;
    case import_menu::kHtml:
        ImportHtmlCommand(main);
        break;
    case import_menu::kFirefox:
        ImportBrowserCommand(main, BrowserFamily::Firefox);
        break;
    case import_menu::kChromium:
        ImportBrowserCommand(main, BrowserFamily::Chromium);
        break;
    case import_menu::kXbel:
        ImportXbelCommand(main);
        break;
    default:
        break;
    }
}

void ExportMenuCommand(frmMain& main, int index) {
    switch (index) {
    case export_menu::kFavorites: {
        std::int16_t folder = main.ChooseFolder(&main, QString::fromUtf8(kExportFavoritesPrompt));
        if (folder < 1)
            return;
        WaitCursor wait;
        Tell(main, ExportFavorites(main.Db(), folder, FavoritesFolder(main.Context().reg)));
        break;
    }
    case export_menu::kNetscape:
        ExportNetscapeCommand(main);
        break;
    case export_menu::kHtml: {
        // Said before a file is asked for: there would be nothing to put in it.
        if (std::string nothing = NothingToViewMessage(main.Db(), main.SelectedFolder()); !nothing.empty()) {
            main.Context().dialogs.Message(&main, Utf8ToQString(nothing), Utf8ToQString(kSaveHtmlDialogTitle),
                                           MsgButtons::Ok, MsgIcon::Information);
            return;
        }
        QString file = main.Context().dialogs.SaveFileName(&main, Utf8ToQString(kSaveHtmlDialogTitle),
                                                           Utf8ToQString(kHtmlFileFilter));
        if (file.isEmpty())
            return;
        WaitCursor wait;
        std::string name = QStringToUtf8(file);
        std::string error;
        SaveFolderView(main.Db(), name, main.SelectedFolder(), &error);
        TellError(main, error);
        break;
    }
    case export_menu::kXbel:
        ExportXbelCommand(main);
        break;
    default:
        break;
    }
}

void SearchMenuCommand(frmMain& main, int index) {
    switch (index) {
    case search_menu::kRerunSearch:
    case search_menu::kUpdateResults:
        main.WebSearch(0, main.SelectedFolder());
        break;
    case search_menu::kManageGroups:
        if (main.searchWindows)
            main.searchWindows->ManageGroups();
        break;
    case search_menu::kUpdateEngines:
        if (main.searchWindows)
            main.searchWindows->UpdateEngines();
        break;
    default:
        break;
    }
}

void RunSearchMenuCommand(frmMain& main, int index) {
    // The entry's index is the mode of the dialog it opens.
    if (index == run_search_menu::kQuick || index == run_search_menu::kAdvanced)
        main.WebSearch(index, 0);
}

void ToolsMenuCommand(frmMain& main, int index) {
    switch (index) {
    case tools_menu::kFind:
        main.ShowFind();
        break;
    case tools_menu::kEmptyTrash:
        main.EmptyFolderCommand(kTrashFolder);
        break;
    case tools_menu::kHomepageOptions: {
        frmHomeSetup setup(main.Context(), &main);
        main.Context().dialogs.RunDialog(setup);
        break;
    }
    case tools_menu::kVerifyLinks:
        CheckFolderLinks(main, main.SelectedFolder());
        break;
    case tools_menu::kOptions:
        frmOptions::ShowBrowserConfigError(main.Context(), &main, false);
        // "Empty Now" may have emptied the trash meanwhile.
        main.FillBookmarkList();
        break;
    case tools_menu::kSync:
        if (main.syncWindows)
            main.syncWindows->ShowWindow();
        break;
    default:
        break;
    }
}

void HelpMenuCommand(frmMain& main, int index) {
    switch (index) {
    case help_menu::kHelpTopics:
        main.OpenDocument(Utf8ToQString(LoadResString(102)));
        break;
    case help_menu::kSkylark: {
        std::string exe =
            GetRegText(main.Context().reg, std::string(kAppPathsKey) + "Skylark.exe", "", kHKeyLocalMachine);
        main.OpenDocument(exe.empty() ? Utf8ToQString(LoadResString(5)) : Utf8ToQString(exe));
        break;
    }
    case help_menu::kWebSite:
        main.OpenDocument(Utf8ToQString(LoadResString(3)));
        break;
    case help_menu::kSupportOnline:
        main.OpenDocument(Utf8ToQString(LoadResString(101)));
        break;
    case help_menu::kAbout: {
        frmAboutNew about(main.Context(), &main);
        main.Context().dialogs.RunDialog(about);
        break;
    }
    default:
        break;
    }
}

void TestMenuCommand(frmMain& main, int index) {
    if (index != test_menu::kPurgeDatabase)
        return;
    if (main.Context().dialogs.Message(&main, QStringLiteral("Delete all bookmarks and folders?"), {},
                                       MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    main.Db().Purge(nullptr);
    main.SetPurged();
    main.close();
}

} // namespace vireo
