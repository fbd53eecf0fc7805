// SPDX-License-Identifier: GPL-3.0-or-later
// The program draws its pictures from SVG files by name with Qt's SVG renderer. These
// checks render them the same way and look for what a user would see go wrong: a picture
// that does not load or uses what the renderer cannot draw, artwork cut off at the edge,
// buttons whose pressed and glowing states look like the resting one, a browser button
// whose icon area is not plain.

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtTest>

namespace {

const QString kResources = QStringLiteral(VIREO_RESOURCES_DIR);
const QString kAppId = QStringLiteral(VIREO_APP_ID);

QStringList g_warnings;

void CollectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings.append(message);
}

struct Picture {
    QString file;
    QSize box;
};

QList<Picture> AllPictures() {
    QList<Picture> pictures;
    for (const char* name : {"icon_greencube", "icon_BB", "icon_search", "icon_root", "icon_import",
                             "icon_trash", "icon_app", "icon_deadlink"})
        pictures.append({QStringLiteral("icons/%1.svg").arg(QLatin1String(name)), QSize(32, 32)});
    pictures.append({QStringLiteral("icons/icon_bigtrash.svg"), QSize(64, 64)});
    pictures.append({QStringLiteral("icons/vireo_side.svg"), QSize(48, 240)});
    pictures.append({QStringLiteral("icons/findlogo.svg"), QSize(48, 48)});
    pictures.append({QStringLiteral("icons/tiplogo.svg"), QSize(48, 48)});
    pictures.append({QStringLiteral("hicolor/scalable/apps/%1.svg").arg(kAppId), QSize(128, 128)});
    for (const char* prefix : {"rollup_", "rolldn_", "browse_", "web_", "local_"})
        for (const char* state : {"up", "dn", "over"})
            pictures.append(
                {QStringLiteral("buttons/%1%2.svg").arg(QLatin1String(prefix), QLatin1String(state)),
                 QSize(48, 48)});
    return pictures;
}

QImage Render(const QString& file, QSize size, QRectF viewBox = {}) {
    QSvgRenderer renderer(kResources + QLatin1Char('/') + file);
    if (viewBox.isValid())
        renderer.setViewBox(viewBox);
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    return image;
}

// The sum of f(x, y) over the pixels of an area.
template <class F>
double Sum(QRect area, F f) {
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += f(x, y);
    return sum;
}

double MeanLightness(const QImage& image, QRect area) {
    return Sum(area,
               [&](int x, int y) {
                   QColor c = image.pixelColor(x, y);
                   return c.alphaF() * (0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue());
               }) /
           (area.width() * area.height());
}

// Opaque and within `tolerance` of `colour` in each channel.
bool Near(const QColor& c, const QColor& colour, int tolerance) {
    return c.alpha() == 255 && std::abs(c.red() - colour.red()) <= tolerance &&
           std::abs(c.green() - colour.green()) <= tolerance &&
           std::abs(c.blue() - colour.blue()) <= tolerance;
}

} // namespace

class PictureResourcesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyPictureLoadsAndStaysInsideItsBox();
    void buttonStatesLookPressedAndGlowing();
    void applicationIconFilesMatchTheirPictures();
};

void PictureResourcesTest::everyPictureLoadsAndStaysInsideItsBox() {
    QtMessageHandler previous = qInstallMessageHandler(CollectWarnings);
    for (const Picture& picture : AllPictures()) {
        g_warnings.clear();
        QString path = kResources + QLatin1Char('/') + picture.file;
        QSvgRenderer renderer(path);
        QVERIFY2(renderer.isValid(), qPrintable(picture.file));
        QCOMPARE(renderer.viewBoxF(), QRectF(QPointF(0, 0), picture.box));
        QCOMPARE(renderer.defaultSize(), picture.box);

        // Something is drawn at the small size the tree uses as well as at full size.
        for (QSize size : {picture.box, picture.box / 2}) {
            QImage image = Render(picture.file, size);
            double opaque = Sum(image.rect(), [&](int x, int y) { return qAlpha(image.pixel(x, y)) > 128; });
            QVERIFY2(opaque > size.width() * size.height() / 8, qPrintable(picture.file));
        }

        // Drawn with a margin of a quarter of the box around it, nothing may fall more
        // than one unit outside the box: that part would be cut off in the program.
        QSizeF box = picture.box;
        QRectF wide(-box.width() / 4, -box.height() / 4, box.width() * 1.5, box.height() * 1.5);
        QSize canvas = (box * 1.5 * 4).toSize(); // 4 pixels to the unit
        QImage image = Render(picture.file, canvas, wide);
        QRect inside(int((box.width() / 4 - 1) * 4), int((box.height() / 4 - 1) * 4),
                     int((box.width() + 2) * 4), int((box.height() + 2) * 4));
        double outside = Sum(image.rect(), [&](int x, int y) {
            return !inside.contains(x, y) && qAlpha(image.pixel(x, y)) > 24;
        });
        QVERIFY2(outside == 0,
                 qPrintable(QStringLiteral("%1: %2 pixels outside the box").arg(picture.file).arg(outside)));

        QVERIFY2(g_warnings.isEmpty(),
                 qPrintable(picture.file + QStringLiteral(": ") + g_warnings.join(u'\n')));
    }
    qInstallMessageHandler(previous);
}

void PictureResourcesTest::buttonStatesLookPressedAndGlowing() {
    const QRect tile(8, 8, 32, 32);
    for (const char* prefix : {"rollup_", "rolldn_", "browse_", "web_", "local_"}) {
        auto file = [&](const char* state) {
            return QStringLiteral("buttons/%1%2.svg").arg(QLatin1String(prefix), QLatin1String(state));
        };
        QImage up = Render(file("up"), QSize(48, 48));
        QImage dn = Render(file("dn"), QSize(48, 48));
        QImage over = Render(file("over"), QSize(48, 48));
        // Pressed is darker than resting; the glow is lighter, around the tile too.
        QVERIFY2(MeanLightness(dn, tile) < MeanLightness(up, tile) - 5, prefix);
        QVERIFY2(MeanLightness(over, tile) > MeanLightness(up, tile) + 5, prefix);
        QRect beside(0, 20, 3, 8);
        QVERIFY2(MeanLightness(over, beside) > MeanLightness(up, beside) + 5, prefix);
        if (std::string_view(prefix) != "browse_")
            continue;
        // The browser's own 32x32 icon is drawn at (8, 8), or at (9, 9) when pressed: under it
        // the picture must be an even background, or the icon would sit on a clutter.
        for (const QImage* image : {&up, &dn, &over}) {
            const QColor middle = image->pixelColor(24, 24);
            QCOMPARE(Sum(QRect(9, 9, 32, 32),
                         [&](int x, int y) { return !Near(image->pixelColor(x, y), middle, 24); }),
                     0.0);
        }
    }
}

void PictureResourcesTest::applicationIconFilesMatchTheirPictures() {
    // The desktop's icon theme gets PNG files rendered from the SVG pictures: the small
    // sizes from icon_app, the others from the scalable icon. A PNG that no longer looks
    // like its picture was not rendered again after the picture changed.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QString name = QStringLiteral("hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId);
        QImage png(kResources + QLatin1Char('/') + name);
        QVERIFY2(!png.isNull(), qPrintable(name));
        QCOMPARE(png.size(), QSize(size, size));

        QString source = size <= 32 ? QStringLiteral("icons/icon_app.svg")
                                    : QStringLiteral("hicolor/scalable/apps/%1.svg").arg(kAppId);
        QImage drawn = Render(source, QSize(size, size)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        png = png.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        double mean = Sum(png.rect(),
                          [&](int x, int y) {
                              QRgb a = png.pixel(x, y), b = drawn.pixel(x, y);
                              return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                     std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
                          }) /
                      (4.0 * size * size);
        QVERIFY2(
            mean < 6,
            qPrintable(QStringLiteral("%1 differs from %2 by %3 on average").arg(name, source).arg(mean)));
    }
}

QTEST_MAIN(PictureResourcesTest)
#include "picture_resources_test.moc"
