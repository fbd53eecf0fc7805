// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/page_opener.h"

#include <QFileInfo>
#include <QUrl>

#include "interchange/browser.h"
#include "mainwindow/app_context.h"
#include "mainwindow/facades.h"

namespace vireo {

bool IsWebPage(const QString& target) {
    QString text = target.trimmed();
    QUrl url(text);
    QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return true;
    QString path;
    if (scheme == QLatin1String("file"))
        path = url.toLocalFile();
    else if (text.startsWith(QLatin1Char('/')))
        path = text;
    else
        return false;
    QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
           suffix == QLatin1String("xhtml") || suffix == QLatin1String("shtml");
}

void OpenPage(AppContext& ctx, const QString& target) {
    // Without a usable browser the page still opens, through the desktop; the options are
    // not forced on the user for every bookmark.
    if (IsWebPage(target) &&
        OpenInBrowser(ctx.reg, ctx.program.CurrentBrowserPath, ctx.launcher, QStringToUtf8(target.trimmed())))
        return;
    ctx.documents.OpenDocument(target);
}

} // namespace vireo
