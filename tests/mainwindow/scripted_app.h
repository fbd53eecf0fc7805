// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A whole application assembled for widget tests: an in-memory settings store, a data
// folder of its own, and facades whose answers the test scripts and whose calls it can
// read back.

#include <QDialog>
#include <QRect>
#include <QStringList>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "mainwindow/app_context.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "shell/app_main.h"
#include "shell/program.h"
#include "shell/registry.h"
#include "store/database.h"
#include "store/strings.h"
#include "test_support.h"
#include "ui/event_sounds.h"

namespace vireo::test {

class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        QString text;
    };
    MsgResult Message(QWidget*, const QString& text, const QString&, MsgButtons buttons, MsgIcon) override {
        messages.push_back({text});
        const MsgResult unscripted =
            buttons == MsgButtons::Ok || buttons == MsgButtons::OkCancel ? MsgResult::Ok : MsgResult::No;
        return Next(answers, unscripted);
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return Next(files);
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return Next(files);
    }
    QString ExistingDirectory(QWidget*, const QString&, const QString&) override { return Next(files); }
    std::optional<QString> InputText(QWidget*, const QString&, const QString&, const QString&) override {
        // Not through Next: gcc cannot follow a copy of an optional string (and -Werror).
        if (texts.empty())
            return std::nullopt;
        bool cancelled = !texts.front().has_value();
        QString answer = texts.front().value_or(QString());
        texts.pop_front();
        if (cancelled)
            return std::nullopt;
        return answer;
    }
    std::optional<QFont> ChooseFont(QWidget*, const QFont&) override {
        return Next<QFont, std::optional<QFont>>(fonts);
    }
    std::optional<int> ChooseItem(QWidget*, const QString& prompt, const QString& title,
                                  const QStringList& items) override {
        choices << prompt + QStringLiteral(" | ") + title + QStringLiteral(" | ") +
                       items.join(QLatin1Char(';'));
        return Next(picks);
    }

    std::int16_t ChooseFolder(QWidget*, Database&, const QString& prompt) override {
        folderPrompts << prompt;
        return Next(folders);
    }
    std::optional<QColor> ChooseColor(QWidget*, const QColor& current) override {
        colorsOffered.push_back(current);
        return Next(colors);
    }
    int RunDialog(QDialog& dialog) override {
        ran << dialog.objectName();
        return runDialog ? runDialog(dialog) : int(QDialog::Rejected);
    }

    std::deque<MsgResult> answers;
    std::deque<std::optional<int>> picks;
    QStringList choices;
    std::deque<QString> files;
    std::deque<std::optional<QString>> texts;
    std::deque<QFont> fonts;
    std::vector<Shown> messages;
    std::deque<std::int16_t> folders;
    QStringList folderPrompts;
    std::deque<std::optional<QColor>> colors;
    std::vector<QColor> colorsOffered;
    // What the user does in each of the program's own windows (the window's result);
    // without it each is cancelled at once. `ran` names them in order.
    std::function<int(QDialog&)> runDialog;
    QStringList ran;

private:
    // The next scripted answer; once the script runs out, what a cancelled dialog gives.
    template <typename T, typename R = T>
    static R Next(std::deque<T>& q, R unscripted = R()) {
        if (q.empty())
            return unscripted;
        R r = q.front();
        q.pop_front();
        return r;
    }
};

class RecordingDocuments : public DocumentOpener {
public:
    void OpenDocument(const QString& target) override { opened << target; }
    QStringList opened;
};

class RecordingLauncher : public ProcessLauncher {
public:
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override {
        started.push_back({program, args});
        return true;
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> started;
};

class RecordingSoundOutput : public SoundOutput {
public:
    void PlayFile(const std::string& path) override { played.push_back(path); }
    // How often the shipped file of an event was played.
    int Count(std::string_view file) const {
        int n = 0;
        for (const auto& p : played)
            n += p.ends_with(file);
        return n;
    }
    std::vector<std::string> played;
};

// An executable file at `path` (a stand-in browser); its path.
inline std::string MakeProgram(const std::string& path) {
    WriteText(path, "#!/bin/sh\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

// Program, context and main window over a fresh data folder.
struct ScriptedApp {
    explicit ScriptedApp(bool open = true)
        : program(reg, sounds, ProgramFolder()), ctx(program, dialogs, documents, launcher) {
        SetRegValue(reg, SettingsPath("\\DB"), "path", dir.str());
        if (open)
            Open();
    }
    ~ScriptedApp() { main.reset(); }
    bool Open() {
        std::string error;
        if (!program.OpenData(false, &error))
            return false;
        main = BuildMainWindow(ctx, QRect(0, 0, 1280, 800));
        return true;
    }
    Database& db() { return program.Db(); }
    // A bookmark filed in `folder`, and its key.
    std::int32_t AddMark(std::int16_t folder, const std::string& title, const std::string& url) {
        return db().Marks(folder).Add(db().NewMark(title, url, folder, "", kFlagsStandard));
    }

    TempDir dir;
    MemoryRegistry reg;
    RecordingSoundOutput sounds;
    ScriptedDialogs dialogs;
    RecordingDocuments documents;
    RecordingLauncher launcher;
    Program program;
    AppContext ctx;
    std::unique_ptr<frmMain> main;
};

} // namespace vireo::test
