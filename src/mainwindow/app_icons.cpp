// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/app_icons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace vireo {

namespace {

QString ResourcePath(const QString& name) {
    // Names are looked up without regard to case, as the pictures always were.
    static const QHash<QString, QString> kPaths = [] {
        QHash<QString, QString> map;
        for (const char* folder : {":/icons", ":/buttons"}) {
            QDir dir{QString::fromLatin1(folder)};
            for (const QString& file : dir.entryList({QStringLiteral("*.svg")}, QDir::Files))
                map.insert(file.chopped(4).toLower(), dir.filePath(file));
        }
        return map;
    }();
    return kPaths.value(name.toLower());
}

} // namespace

QPixmap ResourcePixmap(const QString& name, QSize size) {
    static QHash<QString, QPixmap> cache;
    qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QString key = name + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') +
                  QString::number(size.height()) + QLatin1Char('@') + QString::number(dpr);
    auto it = cache.constFind(key);
    if (it != cache.constEnd())
        return *it;
    QSvgRenderer renderer(ResourcePath(name));
    if (!renderer.isValid())
        return {};
    if (size.isEmpty())
        size = renderer.defaultSize();
    QPixmap pixmap(size * dpr);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(dpr);
    cache.insert(key, pixmap);
    return pixmap;
}

QIcon ResourceIcon(const QString& name) {
    QIcon icon;
    for (int s : {16, 24, 32, 48})
        icon.addPixmap(ResourcePixmap(name, QSize(s, s)));
    return icon;
}

QString ImageListKey(int index) {
    static const char* keys[] = {"icon_greencube", "icon_BB",    "icon_search", "icon_root",
                                 "icon_import",    "icon_trash", "icon_app",    "icon_deadlink"};
    if (index < 1 || index > kImageDeadLink)
        return {};
    return QLatin1String(keys[index - 1]);
}

QIcon ImageListIcon(int index) {
    static QHash<int, QIcon> icons;
    auto it = icons.constFind(index);
    if (it != icons.constEnd())
        return *it;
    QIcon icon = ResourceIcon(ImageListKey(index));
    icons.insert(index, icon);
    return icon;
}

} // namespace vireo
