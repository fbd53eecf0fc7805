// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "mainwindow/app_context.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"
#include "mainwindow/page_opener.h"
#include "store/strings.h"

namespace vireo {

QString frmAboutNew::VersionText() {
    return QStringLiteral("Version %1.%2 Build (%3)")
        .arg(VersionMajor())
        .arg(VersionMinor())
        .arg(VersionRevision());
}

frmAboutNew::frmAboutNew(AppContext& ctx, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAboutNew"));
    setWindowTitle(QStringLiteral("About Vireo!"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));

    auto* picture = new QLabel(this);
    picture->setPixmap(ResourcePixmap(QStringLiteral("vireo_side"), QSize(48, 240)));
    auto* title = new QLabel(QStringLiteral("<h2>Vireo!</h2>"), this);
    auto* version = new QLabel(VersionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    auto* text =
        new QLabel(QStringLiteral("A bookmark manager: keep, sort, find and check your web bookmarks, "
                                  "exchange them with your browsers and publish them as web pages."),
                   this);
    text->setWordWrap(true);
    auto* links = new QLabel(QStringLiteral("<a href=\"site\">Vireo! Web Site</a> &nbsp; · &nbsp; "
                                            "<a href=\"support\">Support</a> &nbsp; · &nbsp; "
                                            "<a href=\"faq\">FAQ</a>"),
                             this);
    links->setTextInteractionFlags(Qt::TextBrowserInteraction);
    connect(links, &QLabel::linkActivated, this, [&ctx](const QString& which) {
        int id = which == QLatin1String("site") ? 3 : which == QLatin1String("support") ? 101 : 102;
        OpenPage(ctx, Utf8ToQString(LoadResString(id)));
    });
    auto* maker = new QLabel(QStringLiteral("© MERIDEX Inc. — Orn Products"), this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* column = new QVBoxLayout;
    column->addWidget(title);
    column->addWidget(version);
    column->addSpacing(8);
    column->addWidget(text);
    column->addWidget(links);
    column->addStretch(1);
    column->addWidget(maker);
    column->addWidget(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addLayout(column, 1);
    setFixedWidth(420);
}

} // namespace vireo
