// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmOptions ("Options"): the user's preferences on four pages (Browsers, Sounds,
// General, Marks). Nothing is stored until OK or Apply.

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <array>

namespace vireo {

struct AppContext;

class frmOptions : public QDialog {
    Q_OBJECT
public:
    // `noBrowser` tells the user why the options opened by themselves.
    explicit frmOptions(AppContext& ctx, QWidget* parent = nullptr, bool noBrowser = false);

    QTabWidget* tbsOptions = nullptr;
    std::array<QWidget*, 4> picOptions{};
    // Browsers
    QGroupBox* fraSample1 = nullptr;
    QRadioButton* Option0 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QLineEdit* BrowserPath = nullptr;
    QPushButton* Browse = nullptr;
    QCheckBox* HomePage = nullptr;
    QLabel* lblNoBrowser = nullptr;
    // Sounds
    QGroupBox* fraSample2 = nullptr;
    QCheckBox* DisableSound = nullptr;
    QPushButton* Sounds = nullptr;
    // General
    QGroupBox* fraSample3 = nullptr;
    QGroupBox* frmConnection = nullptr;
    QRadioButton* optPromptConnection = nullptr;
    QRadioButton* optUseDefault = nullptr;
    QLineEdit* txtDaysToCheck = nullptr;
    QCheckBox* ToolbarTop = nullptr;
    QCheckBox* ShowTips = nullptr;
    // Marks
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    std::array<QRadioButton*, 2> DelBmk{};
    std::array<QRadioButton*, 3> BmkDrop{};
    std::array<QRadioButton*, 3> EmptyTrash{};
    QPushButton* TrashNow = nullptr;

    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;

    void NextTab(); // Ctrl+Tab
    void Browse_Click();
    void Sounds_Click();
    void TrashNow_Click();
    void txtDaysToCheck_LostFocus();
    void cmdOK_Click();
    void cmdApply_Click();
    // Stores every page; false when the browser chosen is not a usable program (the rest
    // is stored all the same).
    bool SaveSettings();

    // Shows the options modally on the browser page. `noBrowser`: no usable browser was
    // found (at start-up or when a page was to be opened).
    static void ShowBrowserConfigError(AppContext& ctx, QWidget* parent, bool noBrowser);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildBrowserPage();
    QWidget* BuildSoundsPage();
    QWidget* BuildGeneralPage();
    QWidget* BuildMarksPage();
    void LoadSettings();
    void BrowserChosen();

    AppContext& m_ctx;
    QButtonGroup* m_browsers = nullptr;
};

// The days between engine checks as the field shows them after editing: below 2 is 2,
// above 7 is 7, and anything that is not a number counts as 0.
QString ClampDaysText(const QString& typed);

} // namespace vireo
