// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmHomeSetup ("HomePage Options"): the colour schemes of the generated home page. The
// user picks a scheme and one of its seven items, changes the item's colour (with
// frmColor) or font, keeps a copy under a new name, deletes schemes, and chooses the one
// the home page uses. Every change is written to the scheme's file at once.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <optional>

#include "interchange/home_page.h"

namespace vireo {

struct AppContext;

class frmHomeSetup : public QDialog {
    Q_OBJECT
public:
    explicit frmHomeSetup(AppContext& ctx, QWidget* parent = nullptr);

    QComboBox* comboScheme = nullptr;
    QComboBox* comboItem = nullptr;
    QPushButton* cmdColor = nullptr;
    QPushButton* cmdFont = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdDel = nullptr;
    // Gives a shipped scheme back its shipped colours (removes the user's copy).
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdHelp = nullptr;
    // How the home page looks in the scheme being edited.
    QTextBrowser* txtPreview = nullptr;
    // Names the texts the scheme makes hard to read.
    QLabel* lblContrast = nullptr;

    void comboScheme_Click();
    void comboItem_Click();
    void cmdColor_Click();
    void cmdFont_Click();
    void cmdSave_Click();
    void cmdDel_Click();
    void cmdRestore_Click();
    void cmdOK_Click();
    void cmdHelp_Click();

    // The colour the colour button shows.
    QColor ButtonColor() const { return m_buttonColor; }
    void SetButtonColor(const QColor& color);
    const Scheme& Items() const { return m_items; }
    // The item chosen in comboItem (0-based), -1 when none.
    int ItemIndex() const;

private:
    bool SaveScheme(const QString& name);
    void UpdatePreview();
    void UpdateSchemeButtons();

    AppContext& m_ctx;
    Scheme m_items;
    QColor m_buttonColor;
    bool m_loading = false; // the lists are being filled or set by the program
};

} // namespace vireo
