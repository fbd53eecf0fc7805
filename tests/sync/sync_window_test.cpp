// SPDX-License-Identifier: GPL-3.0-or-later
// Tools > Sync and the status bar, driven as a user would, against a real WebDAV server.

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <map>

#include "../mainwindow/scripted_app.h"
#include "sync/password_store.h"
#include "sync/sync_dialogs.h"
#include "sync/sync_profiles.h"
#include "sync/sync_windows.h"
#include "webdav_server.h"

using namespace vireo;

namespace {

class MapPasswords : public sync::PasswordStore {
public:
    bool Lookup(const std::string& profile, std::string& password, std::string&) override {
        password = stored[profile];
        return true;
    }
    bool Store(const std::string& profile, const std::string&, const std::string&,
               const std::string& password, std::string&) override {
        stored[profile] = password;
        return true;
    }
    bool Remove(const std::string& profile, std::string&) override {
        stored.erase(profile);
        return true;
    }
    std::map<std::string, std::string> stored;
};

} // namespace

class SyncWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aProfileIsAddedInToolsSyncedOffTheWindowThreadAndShown();
};

void SyncWindowTest::aProfileIsAddedInToolsSyncedOffTheWindowThreadAndShown() {
    test::TempDir share;
    test::WriteText(
        share.file("bookmarks.xbel"),
        "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\">\n<!--- highestId :2: for Floccus bookmark sync "
        "browser extension -->\n<folder id=\"1\"><title>From the browser</title><bookmark "
        "href=\"https://browser.example/\" id=\"2\"><title>Browser</title></bookmark></folder>\n</xbel>\n");
    test::WebDavServer server(share.str(), "ann", "pw");
    QVERIFY2(server.ready(), server.why().c_str());
    test::ScriptedApp app;
    MapPasswords passwords;
    app.ctx.passwords = &passwords;
    frmMain& w = *app.main;
    QVERIFY(w.syncWindows);

    frmSync tools(*w.syncWindows, &w);
    tools.show();
    QCOMPARE(tools.lstProfiles->topLevelItemCount(), 0);
    QVERIFY(!tools.cmdSync->isEnabled());
    // The profile dialog: a bad name is refused with a message, then a good one is kept.
    int round = 0;
    app.dialogs.runDialog = [&](QDialog& window) {
        auto& dialog = dynamic_cast<frmSyncProfile&>(window);
        for (const char* name : {"../home", "home"}) {
            ++round;
            dialog.txtName->setText(QString::fromUtf8(name));
            dialog.txtUrl->setText(QString::fromStdString(server.url()));
            dialog.txtUser->setText(QStringLiteral("ann"));
            dialog.txtPassword->setText(QStringLiteral("pw"));
            dialog.cboWhen->setCurrentIndex(2);
            dialog.cmdOK->click();
            if (dialog.result() == QDialog::Accepted)
                break;
        }
        return dialog.result();
    };
    QTest::mouseClick(tools.cmdAdd, Qt::LeftButton);
    QCOMPARE(round, 2);
    QCOMPARE(app.dialogs.ran, QStringList{QStringLiteral("frmSyncProfile")});
    QCOMPARE(app.dialogs.messages.size(), std::size_t(1));
    QCOMPARE(tools.lstProfiles->topLevelItemCount(), 1);
    QCOMPARE(tools.lstProfiles->topLevelItem(0)->text(4), QStringLiteral("Every 30 min"));
    QCOMPARE(passwords.stored["home"], std::string("pw"));
    QVERIFY(GetRegText(app.reg, SettingsPath("\\sync\\home"), "url") == server.url());
    for (const auto& name : app.reg.ValueNames(kHKeyCurrentUser, SettingsPath("\\sync\\home")))
        QVERIFY(GetRegText(app.reg, SettingsPath("\\sync\\home"), name) != "pw");

    // Sync now: the window stays responsive, the status bar and the list tell the result,
    // the share's folder appears in the tree.
    QSignalSpy done(w.syncWindows, &SyncWindows::runFinished);
    QTest::mouseClick(tools.cmdSync, Qt::LeftButton);
    QVERIFY(w.syncWindows->Running());
    QVERIFY(done.wait(20000));
    QVERIFY2(done.at(0).at(1).toBool(), qPrintable(done.at(0).at(2).toString()));
    QVERIFY(!w.syncWindows->lblSync->isHidden());
    QVERIFY(w.syncWindows->lblSync->text().contains(QStringLiteral("home: synced")));
    QVERIFY(tools.lstProfiles->topLevelItem(0)->text(6).startsWith(QStringLiteral("Synced:")));
    bool found = false;
    for (std::int16_t f = 1; f <= app.db().FolderSlots(); ++f)
        if (app.db().IsLiveFolder(f) && app.db().FolderName(f) == "From the browser")
            found = w.TreeView->Node(QStringLiteral("x%1").arg(f)) != nullptr;
    QVERIFY(found);
    QVERIFY(test::ReadText(share.file("bookmarks.xbel")).find("MERIDEX") != std::string::npos);

    // The share emptied elsewhere: the question comes on the window's thread; No keeps all.
    test::WriteText(share.file("bookmarks.xbel"), "<?xml version=\"1.0\"?><xbel version=\"1.0\"/>");
    std::size_t before = app.db().Marks(kRootFolder).Count();
    app.dialogs.answers.push_back(MsgResult::No);
    QTest::mouseClick(tools.cmdSync, Qt::LeftButton);
    QVERIFY(done.wait(20000));
    QVERIFY(!done.at(1).at(1).toBool());
    QVERIFY(app.dialogs.messages.back().text.contains(QStringLiteral("would delete")));
    QCOMPARE(std::size_t(app.db().Marks(kRootFolder).Count()), before);
    QVERIFY(w.syncWindows->lblSync->text().contains(QStringLiteral("stopped")));

    // Removing the profile forgets its password too.
    app.dialogs.answers.push_back(MsgResult::Yes);
    QTest::mouseClick(tools.cmdRemove, Qt::LeftButton);
    QCOMPARE(tools.lstProfiles->topLevelItemCount(), 0);
    QVERIFY(passwords.stored.empty());
}

QTEST_MAIN(SyncWindowTest)
#include "sync_window_test.moc"
