// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmBMDialog: edits the bookmark in the copy buffer (an existing bookmark, or a dropped
// link waiting to be filed) and files it into the folder chosen in its fold-out tree.

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <array>
#include <string_view>

#include "mainwindow/folder_tree.h"

namespace vireo {

class frmMain;

inline constexpr std::string_view kEmptyAddressMessage =
    "A bookmark needs an address. Please type the address of the page.";

// The origin shown for a bookmark's Flags.
QString OriginText(std::int16_t flags);

class frmBMDialog : public QDialog {
    Q_OBJECT
public:
    explicit frmBMDialog(frmMain& main);

    QLineEdit* txtTitle = nullptr;            // txtBMDialog(0)
    QPlainTextEdit* txtDescription = nullptr; // txtBMDialog(1)
    QLineEdit* txtAddress = nullptr;          // txtBMDialog(2)
    std::array<QLabel*, 2> lblDate{};
    QLabel* lblOrigin = nullptr; // Label1(5)
    QPushButton* DropInFolder = nullptr;
    FolderTree* TreeView = nullptr;
    QLabel* lblDestination = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    bool FoldedOut() const;
    void DropInFolder_Click();
    void btnOK_Click();
    // Cancel: nothing is filed, and the texts made for a new bookmark are given back.
    void reject() override;

private:
    void Fold(bool out);
    frmMain& m_main;
    bool m_newRecord = false;
};

} // namespace vireo
