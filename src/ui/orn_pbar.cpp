// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/orn_pbar.h"

#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "mainwindow/facades.h"

namespace vireo {

OrnPBar1::OrnPBar1(QWidget* parent) : QWidget(parent) {
    m_backColour = palette().color(QPalette::Base);
    m_foreColour = palette().color(QPalette::Text);
    setAttribute(Qt::WA_OpaquePaintEvent);
    InitProperties();
}

void OrnPBar1::Tell(const QString& text) {
    if (m_dialogs)
        m_dialogs->Message(this, text, kMessageTitle, MsgButtons::Ok, MsgIcon::Information);
    else
        QMessageBox::information(this, kMessageTitle, text);
}

bool OrnPBar1::SetPercent(const QVariant& p) {
    bool numeric = false;
    double value = p.toDouble(&numeric);
    if (!numeric || !std::isfinite(value) || value < 0 || value > 100) {
        Tell(kPercentMessage);
        return false;
    }
    // A fraction is rounded as the integer property it is stored in.
    m_percent = static_cast<std::int16_t>(std::lround(value));
    m_percentChanged = true;
    Redraw();
    return true;
}

void OrnPBar1::SetBarColour(const QColor& colour) {
    m_barColour = colour;
    Redraw();
}

void OrnPBar1::SetBackColour(const QColor& colour) {
    m_backColour = colour;
    Redraw();
}

void OrnPBar1::SetForeColour(const QColor& colour) {
    m_foreColour = colour;
    Redraw();
}

void OrnPBar1::SetCaption(const QString& caption) {
    m_caption = caption;
    m_captionSet = true;
    Redraw();
}

bool OrnPBar1::SetValue(double v) {
    if (m_max < 1) {
        Tell(kMaxMessage);
        return false;
    }
    return SetPercent(std::trunc(v / m_max * 100.0));
}

void OrnPBar1::Refresh() {
    Redraw();
}

void OrnPBar1::InitProperties() {
    setEnabled(true);
    m_percent = 50;
    m_barColour = kDefaultBarColour;
    m_percentChanged = false;
    Redraw();
}

void OrnPBar1::ReadProperties(const QVariantMap& bag) {
    setEnabled(bag.value(QStringLiteral("Enabled"), true).toBool());
    bool ok = false;
    int percent = bag.value(QStringLiteral("Percent"), 50).toInt(&ok);
    m_percent = static_cast<std::int16_t>(ok && percent >= 0 && percent <= 100 ? percent : 50);
    QColor bar = bag.value(QStringLiteral("BarColour"), kDefaultBarColour).value<QColor>();
    m_barColour = bar.isValid() ? bar : kDefaultBarColour;
    m_percentChanged = false;
    Redraw();
}

void OrnPBar1::WriteProperties(QVariantMap& bag) const {
    bag.insert(QStringLiteral("Enabled"), isEnabled());
    bag.insert(QStringLiteral("Percent"), static_cast<int>(m_percent));
    bag.insert(QStringLiteral("BarColour"), m_barColour);
}

void OrnPBar1::Redraw() {
    QSize size = this->size();
    if (size.isEmpty())
        size = QSize(1, 1);
    // Raster operations need the raster engine, so the surface is an image of its own.
    m_surface = QImage(size, QImage::Format_RGB32);
    m_surface.fill(m_backColour);
    QPainter painter(&m_surface);
    painter.setFont(font());
    QString text = m_captionSet ? m_caption : QString::number(m_percent) + QStringLiteral(" %");
    QFontMetrics metrics(font());
    int textWidth = metrics.horizontalAdvance(text);
    int x = (size.width() - textWidth) / 2;
    int y = (size.height() - metrics.height()) / 2;
    painter.setPen(m_foreColour);
    painter.drawText(QRect(x, y, textWidth, metrics.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    // Each pixel under the bar becomes the pen OR the inverse of what is there: the
    // background turns into the bar colour, the text into its inverse over the bar.
    int barWidth = static_cast<int>(static_cast<double>(size.width()) / 100.0 * m_percent);
    if (barWidth > 0) {
        painter.setCompositionMode(QPainter::RasterOp_SourceOrNotDestination);
        painter.fillRect(QRect(0, 0, barWidth, size.height()), m_barColour);
    }
    painter.end();
    update();
}

void OrnPBar1::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, m_surface);
}

void OrnPBar1::resizeEvent(QResizeEvent*) {
    Redraw();
}

void OrnPBar1::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT Click();
    QWidget::mouseReleaseEvent(event);
}

void OrnPBar1::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT DblClick();
    QWidget::mouseDoubleClickEvent(event);
}

} // namespace vireo
