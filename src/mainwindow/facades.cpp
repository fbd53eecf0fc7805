// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/facades.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

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
    return m_dialogs.Message(m_parent, Q(text), Q(title), buttons, icon);
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

QString QtDialogs::OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& directory) {
    return QFileDialog::getOpenFileName(parent, title, directory, QtFileFilter(filter));
}

QString QtDialogs::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& directory) {
    return QFileDialog::getSaveFileName(parent, title, directory, QtFileFilter(filter));
}

QString QtDialogs::ExistingDirectory(QWidget* parent, const QString& title, const QString& directory) {
    return QFileDialog::getExistingDirectory(parent, title, directory);
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

void DesktopDocumentOpener::OpenDocument(const QString& target) {
    WaitCursor wait;
    QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    QDesktopServices::openUrl(url);
}

bool QtProcessLauncher::StartProgram(const std::string& program, const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args)
        list << Q(a);
    return QProcess::startDetached(Q(program), list);
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}
WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}

} // namespace vireo
