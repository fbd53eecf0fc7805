// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The summary pane renders the small piece of RTF the program writes: groups, bold
// (\b, \b0), paragraph breaks (\par) and escaped characters. Anything else is skipped.

#include <QString>
#include <QTextBrowser>

namespace vireo {

// The RTF subset as HTML for a rich-text widget.
QString RtfToHtml(const QString& rtf);

class RtfPane : public QTextBrowser {
public:
    explicit RtfPane(QWidget* parent = nullptr);
    void SetRtf(const QString& rtf);
    const QString& Rtf() const { return m_rtf; }
    // What the pane shows (see summary.h); empty when blank.
    QString Tag;

private:
    QString m_rtf;
};

} // namespace vireo
