// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/button_bar.h"

#include <QApplication>
#include <QBoxLayout>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "interchange/browser_home_dialog.h"
#include "interchange/home_page.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/floating_toolbar.h"
#include "mainwindow/main_window.h"
#include "platform/desktop_icon.h"
#include "platform/paths.h"
#include "shell/options.h"
#include "store/database.h"
#include "store/strings.h"

namespace vireo {

namespace {

constexpr QSize kButtonSize(48, 48);
// The browser's icon sits in the plain middle of the browse_ pictures.
constexpr QPoint kIconAt(8, 8);
constexpr int kIconSize = 32;

QPixmap ButtonPicture(std::string_view prefix, std::string_view state) {
    return ResourcePixmap(Utf8ToQString(std::string(prefix) + std::string(state)), kButtonSize);
}

QPixmap WithIcon(QPixmap base, const QIcon& icon, QPoint at) {
    if (icon.isNull())
        return base;
    QPainter p(&base);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    icon.paint(&p, QRect(at, QSize(kIconSize, kIconSize)));
    return base;
}

// Icons named in desktop entries that no theme knows are often plain files here.
QIcon PixmapsFolderIcon(const QString& name) {
    for (const char* ext : {".svg", ".png", ".xpm"}) {
        QString file = QStringLiteral("/usr/share/pixmaps/") + name + QLatin1String(ext);
        if (QFileInfo(file).isFile())
            return QIcon(file);
    }
    return {};
}

bool Usable(const QIcon& icon) {
    return !icon.isNull() && !icon.pixmap(kIconSize, kIconSize).isNull();
}

} // namespace

QIcon ProgramIcon(const std::string& executable) {
    if (executable.empty())
        return {};
    QString name = Utf8ToQString(DesktopEntryIcon(executable, DesktopApplicationDirs(), sys::GetEnv("PATH")));
    if (!name.isEmpty()) {
        QIcon icon = name.startsWith(QLatin1Char('/')) ? QIcon(name) : QIcon::fromTheme(name);
        if (!Usable(icon) && !name.startsWith(QLatin1Char('/')))
            icon = PixmapsFolderIcon(name);
        if (Usable(icon))
            return icon;
    }
    QString base = QFileInfo(Utf8ToQString(executable)).fileName();
    QIcon icon = QIcon::fromTheme(base);
    if (!Usable(icon))
        icon = PixmapsFolderIcon(base);
    return Usable(icon) ? icon : QIcon();
}

ButtonBar::ButtonBar(ButtonBars& owner, bool onToolbar, QWidget* parent)
    : QWidget(parent), m_owner(owner), m_onToolbar(onToolbar) {
    setObjectName(QStringLiteral("btnBarColumn"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QLabel(this);
        button->setObjectName(QStringLiteral("btnBar%1").arg(i));
        button->setFixedSize(kButtonSize);
        button->setMouseTracking(true);
        button->installEventFilter(this);
        btnBar[static_cast<std::size_t>(i)] = button;
        column->addWidget(button);
    }
    setFixedSize(kButtonSize.width(), kButtonSize.height() * kButtonCount);
    Refresh();
}

QPixmap ButtonBar::Resting(int index) const {
    return index == kButtonHome ? m_owner.Image1(0) : ButtonPicture(m_owner.Name(index), kPictureUp);
}

QPixmap ButtonBar::Pressed(int index) const {
    return index == kButtonHome ? m_owner.Image1(1) : ButtonPicture(m_owner.Name(index), kPictureDown);
}

QPixmap ButtonBar::Over(int index) const {
    return index == kButtonHome ? m_owner.Image1(2) : ButtonPicture(m_owner.Name(index), kPictureOver);
}

void ButtonBar::Refresh() {
    for (int i = 0; i < kButtonCount; ++i)
        btnBar[static_cast<std::size_t>(i)]->setPixmap(i == m_glow ? Over(i) : Resting(i));
    btnBar[kButtonWindow]->setToolTip(Utf8ToQString(LoadResString(24)));
    btnBar[kButtonHome]->setToolTip(m_owner.BrowserTip());
    btnBar[kButtonWeb]->setToolTip(Utf8ToQString(LoadResString(20)));
    btnBar[kButtonFind]->setToolTip(Utf8ToQString(LoadResString(21)));
}

void ButtonBar::btnBar_MouseMove(int index) {
    if (index == m_glow)
        return;
    ClearGlow();
    btnBar[static_cast<std::size_t>(index)]->setPixmap(Over(index));
    m_glow = index;
}

// The home button works with or without the browser's icon on it: the page opens in the
// chosen browser, or through the desktop when there is none.
void ButtonBar::btnBar_MouseDown(int index) {
    btnBar[static_cast<std::size_t>(index)]->setPixmap(Pressed(index));
}

void ButtonBar::btnBar_MouseUp(int index, bool inside) {
    btnBar[static_cast<std::size_t>(index)]->setPixmap(Over(index));
    m_glow = index;
    if (inside)
        m_owner.RunButton(index, m_onToolbar);
}

void ButtonBar::ClearGlow() {
    if (m_glow == -1)
        return;
    btnBar[static_cast<std::size_t>(m_glow)]->setPixmap(Resting(m_glow));
    m_glow = -1;
}

bool ButtonBar::eventFilter(QObject* watched, QEvent* event) {
    auto it = std::find(btnBar.begin(), btnBar.end(), watched);
    if (it == btnBar.end())
        return QWidget::eventFilter(watched, event);
    int index = static_cast<int>(it - btnBar.begin());
    switch (event->type()) {
    case QEvent::Enter:
        btnBar_MouseMove(index);
        break;
    case QEvent::MouseMove:
        if (!(static_cast<QMouseEvent*>(event)->buttons() & Qt::LeftButton))
            btnBar_MouseMove(index);
        return true;
    case QEvent::Leave:
        // Moving off a button ends its glow, wherever the mouse goes.
        if (m_glow == index)
            ClearGlow();
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            btnBar_MouseDown(index);
        return true;
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton)
            return true;
        bool inside = btnBar[static_cast<std::size_t>(index)]->rect().contains(me->position().toPoint());
        // The action may take this bar away (the toolbar closes): nothing after it.
        btnBar_MouseUp(index, inside);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        return true;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

ButtonBars::ButtonBars(frmMain& main)
    : QObject(&main), m_main(main), m_rollName(kButtonNames[kButtonWindow]) {
    setObjectName(QStringLiteral("ButtonBars"));
    BuildBrowseButtonImages(main.Context().program.CurrentBrowserPath);
    m_mainBar = new ButtonBar(*this, false, main.toolframe);
    if (auto* strip = qobject_cast<QBoxLayout*>(main.toolframe->layout()))
        strip->insertWidget(0, m_mainBar, 0, Qt::AlignHCenter | Qt::AlignTop);
    connect(&main, &frmMain::pointerMovedOffButtons, m_mainBar, &ButtonBar::ClearGlow);
    // The browser may be chosen in the options only after this (at the first start, say).
    main.installEventFilter(this);
}

bool ButtonBars::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_main && event->type() == QEvent::WindowActivate)
        FollowBrowserChoice();
    return QObject::eventFilter(watched, event);
}

void ButtonBars::FollowBrowserChoice() {
    AppContext& ctx = m_main.Context();
    std::int32_t which = 0;
    std::string userDefined;
    GetBrowserChoice(ctx.reg, which, userDefined);
    std::string choice = std::to_string(which) + '\n' + userDefined;
    if (choice == m_browserChoice)
        return;
    m_browserChoice = choice;
    std::string path;
    if (!GetBrowser(ctx.reg, path))
        path.clear();
    ctx.program.CurrentBrowserPath = path;
    if (path != m_browserPath)
        BuildBrowseButtonImages(path);
}

ButtonBars::~ButtonBars() {
    // The main window is going: the toolbar goes with it.
    delete m_toolbar.data();
}

std::string ButtonBars::Name(int index) const {
    if (index == kButtonWindow)
        return m_rollName;
    return std::string(kButtonNames[static_cast<std::size_t>(index)]);
}

void ButtonBars::BuildBrowseButtonImages(const std::string& browserPath) {
    m_browserPath = browserPath;
    QIcon icon = ProgramIcon(browserPath);
    m_browserIcon = !icon.isNull();
    std::string prefix(kButtonNames[kButtonHome]);
    m_image1[0] = WithIcon(ButtonPicture(prefix, kPictureUp), icon, kIconAt);
    // Pressed, the icon sinks by a pixel with the button.
    m_image1[1] = WithIcon(ButtonPicture(prefix, kPictureDown), icon, kIconAt + QPoint(1, 1));
    m_image1[2] = WithIcon(ButtonPicture(prefix, kPictureOver), icon, kIconAt);
    if (m_mainBar)
        m_mainBar->Refresh();
    if (m_toolbar)
        m_toolbar->btnBar->Refresh();
}

QString ButtonBars::BrowserTip() const {
    if (m_browserPath.empty() || !QFileInfo(Utf8ToQString(m_browserPath)).isFile())
        return Utf8ToQString(kBrowserNotConfigured);
    return Utf8ToQString(LoadResString(23));
}

void ButtonBars::RunButton(int index, bool onToolbar) {
    switch (index) {
    case kButtonWindow:
        if (onToolbar)
            ShowMainWindow();
        else
            ShowFloatingToolbar();
        break;
    case kButtonHome:
        OpenHomePage();
        break;
    case kButtonWeb:
        m_main.WebSearch(0, 0);
        break;
    case kButtonFind:
        m_main.ShowFind();
        break;
    default:
        break;
    }
}

void ButtonBars::OpenHomePage() {
    AppContext& ctx = m_main.Context();
    std::string file;
    std::int16_t folder = 0;
    std::string error;
    bool built;
    {
        WaitCursor wait;
        built = BuildHomePage(ctx.db, ctx.reg, file, folder, &error);
    }
    if (!built) {
        ctx.dialogs.Message(&m_main, Utf8ToQString(error), {}, MsgButtons::Ok, MsgIcon::Critical);
        return;
    }
    frmBrowserHome::SetBrowserHome(ctx.reg, ctx.db.DBPath(), &m_main, ctx.dialogs);
    m_main.OpenDocument(Utf8ToQString(ctx.db.DBPath() + "/" + std::string(kHomePageFile)));
}

void ButtonBars::ShowFloatingToolbar() {
    if (m_toolbar)
        return;
    m_mainBar->ClearGlow();
    m_rollName = kRollDownName;
    QScreen* screen = m_main.screen() ? m_main.screen() : QGuiApplication::primaryScreen();
    QSize size = screen ? screen->geometry().size() : QSize(1280, 800);
    ToolbarPosition pos = ReadToolbarPosition(m_main.Context().reg, size.width(), size.height());
    m_toolbar = new frmToolbar(*this);
    m_toolbar->move(pos.left, pos.top);
    m_main.hide();
    m_toolbar->show();
}

void ButtonBars::ShowMainWindow() {
    m_rollName = kButtonNames[kButtonWindow];
    m_mainBar->Refresh();
    QPointer<frmToolbar> toolbar = m_toolbar;
    if (toolbar)
        toolbar->hide();
    m_main.show();
    m_main.raise();
    m_main.activateWindow();
    if (toolbar)
        toolbar->close();
    m_toolbar = nullptr;
}

} // namespace vireo
