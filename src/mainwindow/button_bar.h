// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The column of four picture buttons in the main window's left strip and in the floating
// toolbar: switch between the two, the home page, web search, find. A button glows while
// the mouse is over it, sinks while pressed and acts when released over itself. The
// browser button wears the icon of the user's browser.

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <string>

#include "mainwindow/floating_toolbar.h"
#include "mainwindow/toolbar_rules.h"

namespace vireo {

class ButtonBars;
class frmBrowserHome;
class frmMain;

// The icon the desktop shows for a program (null when it has none): the icon of the
// desktop entry that starts it, else the themed icon of its file name.
QIcon ProgramIcon(const std::string& executable);

// One column of buttons, on the main window or on the floating toolbar.
class ButtonBar : public QWidget {
    Q_OBJECT
public:
    ButtonBar(ButtonBars& owner, bool onToolbar, QWidget* parent);

    std::array<QLabel*, kButtonCount> btnBar{};
    bool OnToolbar() const { return m_onToolbar; }
    // The glowing button, -1 for none.
    int GlowIndex() const { return m_glow; }

    void btnBar_MouseMove(int index);
    void btnBar_MouseDown(int index);
    // `inside`: the button was released over itself, which is when it acts.
    void btnBar_MouseUp(int index, bool inside);
    // The glowing button back to rest.
    void ClearGlow();
    // Pictures and tool tips as they are now (after the browser changed, say).
    void Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPixmap Resting(int index) const;
    QPixmap Pressed(int index) const;
    QPixmap Over(int index) const;

    ButtonBars& m_owner;
    bool m_onToolbar;
    int m_glow = -1;
};

// What the button bars share, and what their buttons do.
class ButtonBars : public QObject {
    Q_OBJECT
public:
    // Builds the main window's bar in its left strip, with the browser's pictures.
    explicit ButtonBars(frmMain& main);
    ~ButtonBars() override;

    frmMain& Main() { return m_main; }
    ButtonBar* MainBar() const { return m_mainBar; }
    // The floating toolbar while it is up, else nullptr.
    frmToolbar* Toolbar() const { return m_toolbar; }

    // A button's picture name prefix; the first button's follows the window shown.
    std::string Name(int index) const;

    // Composes the browser button's three pictures with the icon of `browserPath`.
    void BuildBrowseButtonImages(const std::string& browserPath);
    // Follows a browser chosen in the options meanwhile (checked when the main window
    // becomes active): the browser in use and the button's pictures.
    void FollowBrowserChoice();
    // True when the browser's icon was found: only then does the browser button glow
    // and act.
    bool BrowserIcon() const { return m_browserIcon; }
    // The browser button's pictures: 0 resting, 1 pressed, 2 mouse over.
    const QPixmap& Image1(int index) const { return m_image1[static_cast<std::size_t>(index)]; }
    // The browser button's tool tip: "Browser not configured" without a browser.
    QString BrowserTip() const;

    // The buttons' actions.
    void RunButton(int index, bool onToolbar);
    void OpenHomePage();
    // Hides the main window and shows the floating toolbar, and back.
    void ShowFloatingToolbar();
    void ShowMainWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMain& m_main;
    ButtonBar* m_mainBar = nullptr;
    QPointer<frmToolbar> m_toolbar;
    std::string m_rollName;
    std::string m_browserPath;
    std::string m_browserChoice; // the stored choice the pictures were made for
    bool m_browserIcon = false;
    std::array<QPixmap, 3> m_image1;
};

} // namespace vireo
