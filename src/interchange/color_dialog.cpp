// SPDX-License-Identifier: GPL-3.0-or-later
#include "interchange/color_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>
#include <QVBoxLayout>
#include <cmath>

#include "interchange/home_page.h"
#include "mainwindow/app_icons.h"
#include "mainwindow/facades.h"

namespace vireo {

namespace {

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto part = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(part(a.red(), b.red()), part(a.green(), b.green()), part(a.blue(), b.blue()));
}

// Every hue across, from white at the top through the pure colour to black at the bottom;
// a grey ramp at the right edge.
QImage Rainbow() {
    QImage img(kPaletteSize, QImage::Format_RGB32);
    img.fill(Qt::black);
    const int hues = 336;
    const int h = kPaletteSize.height();
    for (int x = 0; x < hues; ++x) {
        QColor pure = QColor::fromHsvF(static_cast<float>(x) / hues, 1.0f, 1.0f);
        // The pure colour sits on the last row of the upper half.
        const int middle = h / 2 - 1;
        for (int y = 0; y < h; ++y) {
            QColor c = y <= middle ? Mix(Qt::white, pure, static_cast<double>(y) / middle)
                                   : Mix(pure, Qt::black, static_cast<double>(y - middle) / (h - 1 - middle));
            img.setPixel(x, y, c.rgb());
        }
    }
    for (int y = 0; y < h; ++y) {
        int v = 255 - static_cast<int>(std::lround(255.0 * y / (h - 1)));
        for (int x = hues + 2; x < kPaletteSize.width(); ++x)
            img.setPixel(x, y, qRgb(v, v, v));
    }
    return img;
}

// A honeycomb of 15 x 14 cells: 13 rows of 15 hues from light to dark, then 15 greys.
QImage Honeycomb() {
    QImage img(kPaletteSize, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(Qt::black, 1));
    const int cols = 15;
    const int rows = 14;
    const double w = 22.0;
    const double hgt = 22.0;
    const double left = (kPaletteSize.width() - (cols + 0.5) * w) / 2;
    const double top = (kPaletteSize.height() - (hgt + (rows - 1) * 0.75 * hgt)) / 2;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            QColor color;
            if (r < rows - 1) {
                double lightness = 0.88 - 0.76 * r / (rows - 2);
                color = QColor::fromHslF(static_cast<float>(c) / cols, 1.0f, static_cast<float>(lightness));
            } else {
                int v = 255 - 17 * c;
                color = QColor(v, v, v);
            }
            double cx = left + w / 2 + c * w + (r % 2 ? w / 2 : 0);
            double cy = top + hgt / 2 + r * 0.75 * hgt;
            QPolygonF hex;
            for (int k = 0; k < 6; ++k) {
                double a = (60.0 * k - 90.0) * M_PI / 180.0;
                hex << QPointF(cx + w / 2 * std::cos(a) / std::cos(M_PI / 6), cy + hgt / 2 * std::sin(a));
            }
            p.setBrush(color);
            p.drawPolygon(hex);
        }
    }
    return img;
}

// The 216 colours whose parts are multiples of 51: one block of 6 x 6 per red level.
QImage WebGrid() {
    QImage img(kPaletteSize, QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    const int pitch = 19;
    const int left = (kPaletteSize.width() - 18 * pitch) / 2;
    const int top = (kPaletteSize.height() - 12 * pitch) / 2;
    for (int red = 0; red < 6; ++red) {
        int bx = left + (red % 3) * 6 * pitch;
        int by = top + (red / 3) * 6 * pitch;
        for (int green = 0; green < 6; ++green) {
            for (int blue = 0; blue < 6; ++blue)
                p.fillRect(bx + blue * pitch, by + green * pitch, pitch - 1, pitch - 1,
                           QColor(red * 51, green * 51, blue * 51));
        }
    }
    return img;
}

} // namespace

QImage PaletteImage(Palette which) {
    switch (which) {
    case Palette::Rainbow:
        return Rainbow();
    case Palette::Hex:
        return Honeycomb();
    case Palette::Grid:
        return WebGrid();
    }
    return {};
}

void PaintSwatch(QFrame* box, const QColor& color) {
    box->setAutoFillBackground(true);
    QPalette pal = box->palette();
    pal.setColor(QPalette::Window, color);
    box->setPalette(pal);
}

PalettePicture::PalettePicture(QWidget* parent) : QWidget(parent) {
    setFixedSize(kPaletteSize);
    setMouseTracking(true);
    setCursor(Qt::CrossCursor);
    SetPalette(Palette::Rainbow);
}

void PalettePicture::SetPalette(Palette which) {
    m_which = which;
    m_image = PaletteImage(which);
    update();
}

QColor PalettePicture::ColorAt(const QPoint& pos) const {
    if (!m_image.rect().contains(pos))
        return QColor(Qt::black);
    return QColor(m_image.pixel(pos));
}

void PalettePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, m_image);
}

void PalettePicture::mouseMoveEvent(QMouseEvent* event) {
    Q_EMIT hovered(ColorAt(event->position().toPoint()));
}

void PalettePicture::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Q_EMIT pressed(ColorAt(event->position().toPoint()));
}

frmColor::frmColor(const QColor& current, QWidget* parent)
    : QDialog(parent), m_new(current), m_over(current) {
    setObjectName(QStringLiteral("frmColor"));
    setWindowTitle(Utf8ToQString("Color Picker"));
    setWindowIcon(ResourceIcon(QStringLiteral("icon_app")));

    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(QStringLiteral("TabStrip1"));
    TabStrip1->addTab(Utf8ToQString("Rainbow"));
    TabStrip1->addTab(Utf8ToQString("Hex 210"));
    TabStrip1->addTab(Utf8ToQString("Grid 216"));
    TabStrip1->setDrawBase(false);
    picPal = new PalettePicture(this);
    picPal->setObjectName(QStringLiteral("picPal"));

    auto swatch = [this](const char* name, const QColor& color) {
        auto* box = new QFrame(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setFrameShape(QFrame::Box);
        box->setFixedSize(72, 40);
        PaintSwatch(box, color);
        return box;
    };
    picOver = swatch("picOver", current);
    picOver->setToolTip(Utf8ToQString("The colour under the pointer"));
    picNew = swatch("picNew", current);
    auto* newLabel = new QLabel(Utf8ToQString("New Color"), this);

    const char* parts[] = {"Red", "Green", "Blue", "Hex"};
    auto* numbers = new QGridLayout;
    numbers->setVerticalSpacing(4);
    for (int i = 0; i < 4; ++i) {
        txtRGB[i] = new QLineEdit(this);
        txtRGB[i]->setObjectName(QStringLiteral("txtRGB%1").arg(i));
        // They show the colour picked; the palettes are how a colour is chosen.
        txtRGB[i]->setReadOnly(true);
        txtRGB[i]->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("WWWWWW")) + 10);
        numbers->addWidget(new QLabel(Utf8ToQString(parts[i]), this), i, 0);
        numbers->addWidget(txtRGB[i], i, 1);
    }
    ShowNumbers(current);

    cmdOK = new QPushButton(Utf8ToQString("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(Utf8ToQString("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* paletteColumn = new QVBoxLayout;
    paletteColumn->setSpacing(0);
    paletteColumn->addWidget(TabStrip1);
    paletteColumn->addWidget(picPal);
    paletteColumn->addStretch(1);

    auto* side = new QVBoxLayout;
    side->setSpacing(6);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(picOver);
    boxes->addWidget(picNew);
    side->addLayout(boxes);
    side->addWidget(newLabel, 0, Qt::AlignRight);
    side->addSpacing(8);
    side->addLayout(numbers);
    side->addStretch(1);
    side->addWidget(cmdOK);
    side->addWidget(cmdCancel);

    auto* layout = new QHBoxLayout(this);
    layout->setSpacing(14);
    layout->addLayout(paletteColumn);
    layout->addLayout(side);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(TabStrip1, &QTabBar::currentChanged, this, &frmColor::TabStrip1_Click);
    connect(picPal, &PalettePicture::hovered, this, &frmColor::picPal_MouseMove);
    connect(picPal, &PalettePicture::pressed, this, &frmColor::picPal_MouseDown);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmColor::TabStrip1_Click(int index) {
    picPal->SetPalette(static_cast<Palette>(std::clamp(index, 0, 2)));
}

void frmColor::picPal_MouseMove(const QColor& color) {
    m_over = color;
    PaintSwatch(picOver, color);
}

void frmColor::picPal_MouseDown(const QColor& color) {
    m_new = color;
    PaintSwatch(picNew, color);
    picPal_MouseMove(color);
    ShowNumbers(color);
}

void frmColor::ShowNumbers(const QColor& color) {
    txtRGB[0]->setText(QString::number(color.red()));
    txtRGB[1]->setText(QString::number(color.green()));
    txtRGB[2]->setText(QString::number(color.blue()));
    txtRGB[3]->setText(Utf8ToQString(ColorHex(Rgb(color.red(), color.green(), color.blue()))));
}

std::optional<QColor> frmColor::Pick(const QColor& current, QWidget* parent) {
    frmColor picker(current, parent);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.NewColor();
}

} // namespace vireo
