// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/facades.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QUrl>
#include <algorithm>

#include "interchange/color_dialog.h"
#include "mainwindow/folder_dialogs.h"

namespace vireo {

QString QtFileFilter(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns == QLatin1String("*.*"))
            patterns = QStringLiteral("*");
        QString name = parts[i];
        // The name often repeats the patterns in brackets already.
        if (name.contains(QLatin1Char('(')))
            name = name.left(name.indexOf(QLatin1Char('('))).trimmed();
        out << name + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

MsgResult DialogsMessages::Message(std::string_view text, std::string_view title, MsgButtons buttons,
                                   MsgIcon icon) {
    return m_dialogs.Message(m_parent, Utf8ToQString(text), Utf8ToQString(title), buttons, icon);
}

MsgResult QtDialogs::Message(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                             MsgIcon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? QStringLiteral("Vireo!") : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MsgIcon::None:
        break;
    }
    switch (buttons) {
    case MsgButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MsgButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    default:
        return MsgResult::Ok;
    }
}

QSize FileDialogSize(QWidget* parent) {
    // Qt's own dialog opens too small to show its name, size, type and date columns.
    QScreen* screen = parent && parent->screen() ? parent->screen() : QGuiApplication::primaryScreen();
    QSize room = screen ? screen->availableGeometry().size() : QSize(1280, 800);
    return QSize(std::min(kFileDialogSize.width(), room.width() * 9 / 10),
                 std::min(kFileDialogSize.height(), room.height() * 9 / 10));
}

namespace {

QString RunFileDialog(QWidget* parent, const QString& title, const QString& directory, const QString& filter,
                      QFileDialog::AcceptMode accept, QFileDialog::FileMode mode) {
    QFileDialog dialog(parent, title, directory, filter);
    dialog.setObjectName(QStringLiteral("fileDialog"));
    dialog.setAcceptMode(accept);
    dialog.setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setViewMode(QFileDialog::Detail);
    dialog.resize(FileDialogSize(parent));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& directory) {
    return RunFileDialog(parent, title, directory, QtFileFilter(filter), QFileDialog::AcceptOpen,
                         QFileDialog::ExistingFile);
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& directory) {
    return RunFileDialog(parent, title, directory, QtFileFilter(filter), QFileDialog::AcceptSave,
                         QFileDialog::AnyFile);
}

QString QtDialogs::ExistingDirectory(QWidget* parent, const QString& title, const QString& directory) {
    return RunFileDialog(parent, title, directory, QString(), QFileDialog::AcceptOpen,
                         QFileDialog::Directory);
}

std::optional<QString> QtDialogs::InputText(QWidget* parent, const QString& prompt, const QString& title,
                                            const QString& defaultText) {
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<QFont> QtDialogs::ChooseFont(QWidget* parent, const QFont& initial) {
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return font;
}

std::optional<int> QtDialogs::ChooseItem(QWidget* parent, const QString& prompt, const QString& title,
                                         const QStringList& items) {
    if (items.isEmpty())
        return std::nullopt;
    bool ok = false;
    QString picked = QInputDialog::getItem(parent, title, prompt, items, 0, false, &ok);
    if (!ok)
        return std::nullopt;
    int index = static_cast<int>(items.indexOf(picked));
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

std::int16_t QtDialogs::ChooseFolder(QWidget* parent, Database& db, const QString& prompt) {
    frmSelFolder chooser(db, parent);
    return chooser.GetFolderId(prompt);
}

std::optional<QColor> QtDialogs::ChooseColor(QWidget* parent, const QColor& current) {
    return frmColor::Pick(current, parent);
}

int QtDialogs::RunDialog(QDialog& dialog) {
    return dialog.exec();
}

void DesktopDocumentOpener::OpenDocument(const QString& target) {
    WaitCursor wait;
    QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}

bool QtProcessLauncher::StartProgram(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args)
        list << Utf8ToQString(a);
    return QProcess::startDetached(Utf8ToQString(program), list);
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace vireo
