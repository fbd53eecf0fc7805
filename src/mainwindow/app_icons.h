// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's pictures, drawn from the SVG resources compiled into the application.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace vireo {

// A picture by resource name ("icon_trash", "vireo_side", "rollup_over", ...) at a size
// in device-independent pixels; the SVG's own size when `size` is empty.
QPixmap ResourcePixmap(const QString& name, QSize size = {});
QIcon ResourceIcon(const QString& name);

// The image list of tree and list, 1-based as the folder types refer to it:
// 1 icon_greencube, 2 icon_BB, 3 icon_search, 4 icon_root, 5 icon_import, 6 icon_trash,
// 7 icon_app, and 8 icon_deadlink for a bookmark a link check found dead.
inline constexpr int kImageBookmark = 2;
inline constexpr int kImageDeadLink = 8;
QIcon ImageListIcon(int index);
QString ImageListKey(int index);

} // namespace vireo
