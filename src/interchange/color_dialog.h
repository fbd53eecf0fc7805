// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// frmColor ("Color Picker"): three palettes to pick a colour from with the mouse, a
// preview of the colour under the pointer and of the colour picked, and the picked
// colour's parts as numbers.

#include <QDialog>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <array>
#include <optional>

namespace vireo {

// The palette pictures, drawn here rather than shipped: "pal_rainbow" (every hue from
// white through the pure colour to black, and a grey ramp), "pal_hex" (210 colours in a
// honeycomb) and "pal_grid" (the 216 web colours in six blocks). Each is 352 x 240.
enum class Palette { Rainbow = 0, Hex = 1, Grid = 2 };
inline constexpr QSize kPaletteSize(352, 240);
QImage PaletteImage(Palette which);

// The picture box: shows a palette and tells which pixel the mouse is over or pressed.
class PalettePicture : public QWidget {
    Q_OBJECT
public:
    explicit PalettePicture(QWidget* parent = nullptr);
    void SetPalette(Palette which);
    Palette Current() const { return m_which; }
    const QImage& Image() const { return m_image; }
    // The colour of a pixel of the picture (black outside it).
    QColor ColorAt(const QPoint& pos) const;

Q_SIGNALS:
    void hovered(const QColor& color);
    void pressed(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Palette m_which = Palette::Rainbow;
    QImage m_image;
};

class frmColor : public QDialog {
    Q_OBJECT
public:
    // `current` is the colour being changed; it starts as the new colour.
    explicit frmColor(const QColor& current, QWidget* parent = nullptr);

    QTabBar* TabStrip1 = nullptr;
    PalettePicture* picPal = nullptr;
    QFrame* picOver = nullptr;
    QFrame* picNew = nullptr;
    // Red, green, blue and the hexadecimal text.
    std::array<QLineEdit*, 4> txtRGB{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    QColor NewColor() const { return m_new; }
    QColor OverColor() const { return m_over; }

    void TabStrip1_Click(int index);
    void picPal_MouseMove(const QColor& color);
    void picPal_MouseDown(const QColor& color);

    // Shows the picker modally; the colour chosen, or nothing when cancelled.
    static std::optional<QColor> Pick(const QColor& current, QWidget* parent);

private:
    void ShowNumbers(const QColor& color);

    QColor m_new;
    QColor m_over;
};

// Fills a frame with a colour (the colour boxes of the picker and the setup dialog).
void PaintSwatch(QFrame* box, const QColor& color);

} // namespace vireo
