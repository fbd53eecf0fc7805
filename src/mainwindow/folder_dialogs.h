// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmFolderProp (a folder's name, description and search string) and frmSelFolder (the
// folder chooser of the export commands and the find window).

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "mainwindow/folder_tree.h"
#include "store/records.h"

namespace vireo {

class Database;
class frmMain;

class frmFolderProp : public QDialog {
    Q_OBJECT
public:
    // Edits a copy of the folder's record; OK writes it back.
    frmFolderProp(frmMain& main, std::int16_t folder);

    QLineEdit* txtName = nullptr;             // txtfpDialog(0)
    QPlainTextEdit* txtDescription = nullptr; // txtfpDialog(1)
    QLineEdit* txtSearch = nullptr;           // txtfpDialog(2)
    QLabel* lblDate = nullptr;
    QLabel* lblSearch = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    void btnOK_Click();

private:
    frmMain& m_main;
    std::int16_t m_folder;
    FolderRecord m_buffer;
};

class frmSelFolder : public QDialog {
    Q_OBJECT
public:
    frmSelFolder(Database& db, QWidget* parent);

    QLabel* Descrip = nullptr;
    FolderTree* tView = nullptr;
    QPushButton* OK = nullptr;
    QPushButton* Cancel = nullptr;

    // Shows the dialog with the prompt; the chosen folder, 0 when cancelled or closed.
    std::int16_t GetFolderId(const QString& prompt);
    std::int16_t ChosenFolder() const { return m_chosen; }

private:
    std::int16_t m_chosen = 0;
};

} // namespace vireo
