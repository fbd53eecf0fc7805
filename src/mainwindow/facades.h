// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every question the program asks the user, every file it lets the user pick, every
// document it opens and every program it starts goes through one of these, so that tests
// can script the answers and see what was shown, opened or started.

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "interchange/browser.h"
#include "shell/user_messages.h"

class QDialog;
class QWidget;

namespace vireo {

class Database;

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual MsgResult Message(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                              MsgIcon icon) = 0;
    // `filter` in the "Name|*.a;*.b|Other|*.*" form; "" when cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& directory = {}) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& directory = {}) = 0;
    virtual QString ExistingDirectory(QWidget* parent, const QString& title,
                                      const QString& directory = {}) = 0;
    // nullopt when cancelled.
    virtual std::optional<QString> InputText(QWidget* parent, const QString& prompt, const QString& title,
                                             const QString& defaultText) = 0;
    virtual std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) = 0;
    // One of `items` picked from a list; the index, or nullopt when cancelled.
    virtual std::optional<int> ChooseItem(QWidget* parent, const QString& prompt, const QString& title,
                                          const QStringList& items) = 0;
    // A folder of `db` picked in the folder chooser; 0 when cancelled.
    virtual std::int16_t ChooseFolder(QWidget* parent, Database& db, const QString& prompt) = 0;
    // nullopt when cancelled.
    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& current) = 0;
    // One of the program's own windows, prepared by the caller, shown modally: its result,
    // QDialog::Accepted or QDialog::Rejected.
    virtual int RunDialog(QDialog& dialog) = 0;
};

// Hands a file or URL to the desktop's default handler.
class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    virtual void OpenDocument(const QString& target) = 0;
};

// The size file dialogs open at (smaller on a small screen), wide enough for their columns.
inline constexpr QSize kFileDialogSize(960, 600);
QSize FileDialogSize(QWidget* parent);

// "Name|*.a;*.b|All files (*.*)|*.*" as a Qt file dialog filter.
QString QtFileFilter(const QString& filter);

// The real ones, on the desktop.
class QtDialogs : public Dialogs {
public:
    MsgResult Message(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                      MsgIcon icon) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& directory) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& directory) override;
    QString ExistingDirectory(QWidget* parent, const QString& title, const QString& directory) override;
    std::optional<QString> InputText(QWidget* parent, const QString& prompt, const QString& title,
                                     const QString& defaultText) override;
    std::optional<QFont> ChooseFont(QWidget* parent, const QFont& initial) override;
    std::optional<int> ChooseItem(QWidget* parent, const QString& prompt, const QString& title,
                                  const QStringList& items) override;
    std::int16_t ChooseFolder(QWidget* parent, Database& db, const QString& prompt) override;
    std::optional<QColor> ChooseColor(QWidget* parent, const QColor& current) override;
    int RunDialog(QDialog& dialog) override;
};

// The core's message boxes shown through the dialogs facade, over one parent window.
class DialogsMessages : public UserMessages {
public:
    explicit DialogsMessages(Dialogs& dialogs, QWidget* parent = nullptr)
        : m_dialogs(dialogs), m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }
    MsgResult Message(std::string_view text, std::string_view title, MsgButtons buttons,
                      MsgIcon icon) override;

private:
    Dialogs& m_dialogs;
    QWidget* m_parent;
};

class DesktopDocumentOpener : public DocumentOpener {
public:
    void OpenDocument(const QString& target) override;
};

class QtProcessLauncher : public ProcessLauncher {
public:
    bool StartProgram(const std::string& program, const std::vector<std::string>& args) override;
};

// Shows the busy pointer while alive; nests.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

inline QString Utf8ToQString(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline std::string QStringToUtf8(const QString& s) {
    return s.toStdString();
}

} // namespace vireo
