// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

namespace vireo {

class DocumentOpener;

// frmAboutNew: the product, its version and the links to its pages.
class frmAboutNew : public QDialog {
    Q_OBJECT
public:
    frmAboutNew(DocumentOpener& documents, QWidget* parent);
    static QString VersionText();
};

} // namespace vireo
