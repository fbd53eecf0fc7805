// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmToolbar: the small window the main window rolls up into, with the button bar and
// the side picture, which takes dropped links into "Unsorted Bookmarks". It stays above
// other windows unless the options say otherwise.

#include <QLabel>
#include <QWidget>

namespace vireo {

class ButtonBar;
class ButtonBars;
class Registry;

class frmToolbar : public QWidget {
    Q_OBJECT
public:
    explicit frmToolbar(ButtonBars& owner);
    ~frmToolbar() override;

    ButtonBar* btnBar = nullptr;
    QLabel* imgVireo = nullptr;

    // Back to the main window (the first button and the side picture).
    void imgVireo_MouseUp();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SavePosition();

    ButtonBars& m_owner;
    Registry& m_reg;
    bool m_saved = false;
};

} // namespace vireo
