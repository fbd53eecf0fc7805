// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vireo {

struct AppContext;

// frmAboutNew: the product, its version and the links to its pages.
class frmAboutNew : public QDialog {
    Q_OBJECT
public:
    frmAboutNew(AppContext& ctx, QWidget* parent);
    static QString VersionText();
};

} // namespace vireo
