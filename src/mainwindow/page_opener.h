// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Web pages (bookmarks, the home page, views, help) open in the browser the user chose in
// the options; every other document goes to the desktop's handler for its type.

#include <QString>

class QWidget;

namespace vireo {

struct AppContext;

// An http or https address, or a local HTML file (a path or a file: address).
bool IsWebPage(const QString& target);

// Opens `target`: a web page with the chosen browser, anything else, and a page when no
// browser can be started, with the desktop's handler.
void OpenPage(AppContext& ctx, const QString& target);

} // namespace vireo
