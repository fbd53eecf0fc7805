// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/rtf_view.h"

#include <vector>

namespace vireo {

QString RtfToHtml(const QString& rtf) {
    QString html;
    std::vector<bool> bold{false};
    bool spanBold = false;
    auto setBold = [&](bool on) {
        if (on != spanBold) {
            html += on ? QStringLiteral("<b>") : QStringLiteral("</b>");
            spanBold = on;
        }
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        QChar c = rtf[i];
        if (c == QLatin1Char('{')) {
            bold.push_back(bold.back());
        } else if (c == QLatin1Char('}')) {
            if (bold.size() > 1)
                bold.pop_back();
            setBold(bold.back());
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 >= rtf.size())
                break;
            QChar next = rtf[i + 1];
            if (next == QLatin1Char('\\') || next == QLatin1Char('{') || next == QLatin1Char('}')) {
                setBold(bold.back());
                html += QString(next).toHtmlEscaped();
                ++i;
                continue;
            }
            qsizetype j = i + 1;
            while (j < rtf.size() && rtf[j].isLetter())
                ++j;
            QString word = rtf.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < rtf.size() && (rtf[k] == QLatin1Char('-') || rtf[k].isDigit())) {
                ++k;
                while (k < rtf.size() && rtf[k].isDigit())
                    ++k;
            }
            QString param = rtf.mid(j, k - j);
            // One space after a control word belongs to the word.
            if (k < rtf.size() && rtf[k] == QLatin1Char(' '))
                ++k;
            if (word == QLatin1String("b"))
                bold.back() = param != QLatin1String("0");
            else if (word == QLatin1String("par"))
                html += QStringLiteral("<br>");
            i = k - 1;
        } else {
            setBold(bold.back());
            html += QString(c).toHtmlEscaped();
        }
    }
    setBold(false);
    return html;
}

RtfPane::RtfPane(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setFrameShape(QFrame::StyledPanel);
}

void RtfPane::SetRtf(const QString& rtf) {
    m_rtf = rtf;
    setHtml(RtfToHtml(rtf));
}

} // namespace vireo
