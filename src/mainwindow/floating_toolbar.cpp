// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/floating_toolbar.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMouseEvent>

#include "mainwindow/app_icons.h"
#include "mainwindow/button_bar.h"
#include "mainwindow/drag_drop.h"
#include "mainwindow/facades.h"
#include "mainwindow/main_window.h"
#include "mainwindow/toolbar_rules.h"
#include "shell/options.h"
#include "store/strings.h"

namespace vireo {

frmToolbar::frmToolbar(ButtonBars& owner)
    : QWidget(nullptr), m_owner(owner), m_reg(owner.Main().Context().reg) {
    setObjectName(QStringLiteral("frmToolbar"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Utf8ToQString(LoadResString(4)));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint;
    if (GetToolbarTop(m_reg))
        flags |= Qt::WindowStaysOnTopHint;
    setWindowFlags(flags);
    setAutoFillBackground(true);
    QPalette back = palette();
    back.setColor(QPalette::Window, QColor(123, 170, 255));
    setPalette(back);

    btnBar = new ButtonBar(owner, true, this);
    imgVireo = new QLabel(this);
    imgVireo->setObjectName(QStringLiteral("imgVireo"));
    imgVireo->setPixmap(ResourcePixmap(QStringLiteral("vireo_side"), QSize(48, 240)));
    imgVireo->setToolTip(Utf8ToQString(LoadResString(24)));
    imgVireo->setAcceptDrops(true);
    imgVireo->installEventFilter(this);

    // The buttons beside the picture; the window is exactly as big as the two.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(btnBar, 0, Qt::AlignTop);
    row->addWidget(imgVireo, 0, Qt::AlignTop);
    row->setSizeConstraint(QLayout::SetFixedSize);
}

frmToolbar::~frmToolbar() {
    // Also when the program ends with the toolbar up.
    SavePosition();
}

void frmToolbar::SavePosition() {
    if (m_saved)
        return;
    m_saved = true;
    SaveToolbarPosition(m_reg, {pos().y(), pos().x()});
}

void frmToolbar::imgVireo_MouseUp() {
    m_owner.ShowMainWindow();
}

void frmToolbar::closeEvent(QCloseEvent* event) {
    SavePosition();
    // Closed by its own frame: the main window must not stay hidden with nothing to
    // bring it back.
    if (!m_owner.Main().isVisible())
        m_owner.ShowMainWindow();
    event->accept();
}

bool frmToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != imgVireo)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return true;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            imgVireo->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            imgVireo_MouseUp();
        return true;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        DragDrop::AcceptUsable(static_cast<QDragMoveEvent*>(event));
        return true;
    case QEvent::Drop: {
        auto* de = static_cast<QDropEvent*>(event);
        if (DragDrop::AcceptUsable(de))
            m_owner.Main().dragDrop->LogoDrop(de->mimeData());
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vireo
