// What the canvas paints, checked pixel by pixel on grabs of the widget and
// on the export image.

#include "canvastesthelpers.h"

#include "document/geometry.h"

#include <QPainter>
#include <QSignalSpy>

namespace
{

QColor paletteColor(int index)
{
    return QColor::fromRgb(paletteRgb(0, index));
}

// A colour blended over black with the given alpha, as the raster engine does.
int overBlack(int channel, int alpha)
{
    return (channel * alpha + 127) / 255;
}

bool closeTo(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) <= 1 &&
           std::abs(actual.green() - expected.green()) <= 1 &&
           std::abs(actual.blue() - expected.blue()) <= 1;
}

// 900 x 602 at best fit puts any framed one-screen canvas at zoom 2, the
// frame's 416 x 301 pixels filling 832 x 602 from x = 34.
constexpr QSize Widget(900, 602);

QImage grabbed(CanvasArea *canvas)
{
    return canvas->grab().toImage();
}

} // namespace

class TestCanvasRender : public QObject
{
    Q_OBJECT

private slots:
    void frameArtworkAndBackdrop_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QPoint>("origin");   // widget position of canvas pixel (0, 0)
        QTest::addColumn<int>("screenPixel"); // widget pixels per colormap pixel across
        QTest::addColumn<int>("frameColor");  // the slot the frame shows
        // Frame left at 34; hires margin 48 px, top margin 51 lines (9 on top/bottom).
        QTest::newRow("hires") << 0 << 0 << QPoint(130, 102) << 2 << 1;
        QTest::newRow("multicolor") << 1 << 0 << QPoint(130, 102) << 4 << 1;
        QTest::newRow("hires side") << 0 << 1 << QPoint(34, 102) << 2 << 1;
        QTest::newRow("multicolor side shows background") << 1 << 1 << QPoint(34, 102) << 4 << 0;
        QTest::newRow("hires top bottom") << 0 << 2 << QPoint(130, 18) << 2 << 1;
    }
    void frameArtworkAndBackdrop()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QPoint, origin);
        QFETCH(int, screenPixel);
        QFETCH(int, frameColor);
        LayoutSpec spec;
        spec.layout = CanvasLayout(layout);
        Project project(CanvasMode(mode), -1, -1, spec);
        project.setSlot(ColorSlot::Border, 6);
        project.setSlot(ColorSlot::Background, 5);
        // The locked column of the hires side canvas keeps the old border colour.
        project.colormap().fill(0);
        project.colormap().setPixel(60, 100, 2);
        project.colormap().setPixel(61, 100, 7);
        CanvasFixture f(std::move(project), Widget);
        f.canvas->refreshWholeImage();
        const QImage image = grabbed(f.canvas.get());

        QCOMPARE(image.pixelColor(10, 300), QColor(48, 48, 48));
        QCOMPARE(image.pixelColor(890, 300), QColor(48, 48, 48));
        const QColor frame = paletteColor(frameColor == 1 ? 6 : 5);
        if (spec.layout == CanvasLayout::TopBottomBorderSprites) {
            // Bands above and below the canvas are black; the sides show the border.
            QCOMPARE(image.pixelColor(400, 5), paletteColor(0));
            QCOMPARE(image.pixelColor(400, 598), paletteColor(0));
            QCOMPARE(image.pixelColor(40, 300), frame);
        } else {
            QCOMPARE(image.pixelColor(40, 5), frame);
            QCOMPARE(image.pixelColor(400, 598), frame);
        }
        // Colormap pixel (60, 100) and its neighbour, each screenPixel x 2 large.
        const int x = origin.x() + 60 * screenPixel;
        const int y = origin.y() + 100 * 2;
        QCOMPARE(image.pixelColor(x, y), paletteColor(2));
        QCOMPARE(image.pixelColor(x + screenPixel - 1, y + 1), paletteColor(2));
        QCOMPARE(image.pixelColor(x + screenPixel, y), paletteColor(7));
        QCOMPARE(image.pixelColor(x - 1, y), paletteColor(0));
        QCOMPARE(image.pixelColor(x, y + 2), paletteColor(0));
    }
    void regionRefreshShowsEdit()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        QSignalSpy spy(f.canvas.get(), &CanvasArea::imageRegionChanged);
        f.project.colormap().setPixel(10, 10, 1);
        f.project.colormap().setPixel(200, 150, 1);
        f.canvas->refreshImageRegion(QRect(8, 8, 4, 4));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().first().toRect(), QRect(8, 8, 4, 4));
        const QImage image = grabbed(f.canvas.get());
        QCOMPARE(image.pixelColor(130 + 20, 102 + 20), paletteColor(1));
        // Outside the refreshed rectangle the artwork image is not re-rendered yet.
        QCOMPARE(image.pixelColor(130 + 400, 102 + 300), paletteColor(0));
        f.canvas->refreshWholeImage();
        QCOMPARE(grabbed(f.canvas.get()).pixelColor(130 + 400, 102 + 300), paletteColor(1));
    }
    void referenceGridLine()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        f.canvas->setGridVisible(true);
        QImage image = grabbed(f.canvas.get());
        // The cell boundary x = 8 is one screen pixel wide at zoom 2.
        const int x = 130 + 16;
        const int y = 102 + 2 * 3;
        QCOMPARE(image.pixelColor(x, y), QColor(96, 96, 96));
        QCOMPARE(image.pixelColor(x - 1, y), paletteColor(0));
        QCOMPARE(image.pixelColor(x + 1, y), paletteColor(0));
        // The cell boundary y = 16.
        QCOMPARE(image.pixelColor(130 + 9, 102 + 32), QColor(96, 96, 96));
        // No line inside a cell.
        QCOMPARE(image.pixelColor(130 + 10, 102 + 10), paletteColor(0));

        f.canvas->setLighterGrids(true);
        image = grabbed(f.canvas.get());
        QCOMPARE(image.pixelColor(x, y), QColor(147, 147, 147));
    }
    void pixelGridFromZoomFour_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("at 4") << 4.0 << true;
        QTest::newRow("at 3.99") << 3.99 << false;
        QTest::newRow("at 8") << 8.0 << true;
    }
    void pixelGridFromZoomFour()
    {
        QFETCH(double, zoom);
        QFETCH(bool, drawn);
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        f.project.view().setZoom(zoom);
        f.project.view().setOffset(QPointF(0, 0));
        f.canvas->setPixelGridVisible(true);
        const QImage image = grabbed(f.canvas.get());
        const int z = int(std::floor(zoom));
        const QColor line(overBlack(64, 128), overBlack(64, 128), overBlack(64, 128));
        if (drawn) {
            QVERIFY(closeTo(image.pixelColor(3 * z, 2 * z + 1), line));
            QCOMPARE(image.pixelColor(3 * z + 1, 2 * z + 1), paletteColor(0));
            QVERIFY(closeTo(image.pixelColor(5 * z + 1, 7 * z), line));
        } else {
            for (int x = 0; x < 40; ++x)
                QCOMPARE(image.pixelColor(x, 10), paletteColor(0));
        }
    }
    void pixelGridOnTurnedView()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        // A quarter turn at zoom 4: canvas (x, y) shows at widget (800 - 4y, 4x).
        f.project.view().setZoom(4.0);
        f.project.view().setRotation(90.0);
        f.project.view().setOffset(QPointF(800, 0));
        f.canvas->setPixelGridVisible(true);
        QImage image = grabbed(f.canvas.get());
        const QColor line(overBlack(64, 128), overBlack(64, 128), overBlack(64, 128));
        // The canvas column boundary x = 3 runs across the screen at y = 12.
        QVERIFY(closeTo(image.pixelColor(790, 12), line));
        QCOMPARE(image.pixelColor(790, 13), paletteColor(0));
        // The row boundary y = 2 runs down the screen at x = 792.
        QVERIFY(closeTo(image.pixelColor(792, 30), line));
        QCOMPARE(image.pixelColor(793, 30), paletteColor(0));

        // Turned off the axes the lines are still drawn: some pixel of a short
        // stretch across the artwork carries the grid colour, the rest black.
        f.project.view().setRotation(30.0);
        f.project.view().setOffset(QPointF(400, 100));
        image = grabbed(f.canvas.get());
        int lineHits = 0;
        for (int x = 380; x < 420; ++x) {
            const QColor c = image.pixelColor(x, 200);
            QVERIFY(c == paletteColor(0) || closeTo(c, line));
            lineHits += c != paletteColor(0);
        }
        QVERIFY(lineHits >= 4 && lineHits <= 20);
    }
    void safeFrames()
    {
        LayoutSpec spec;
        spec.layout = CanvasLayout::SideBorderSprites;
        CanvasFixture f(Project(CanvasMode::Hires, -1, -1, spec), Widget);
        QImage image = grabbed(f.canvas.get());
        const QColor artwork = paletteColor(0);
        // Canvas origin at (34, 102). The Normal frame's left edge is at x = 16,
        // the Full frame's at x = 0 (the frame's own left edge).
        QCOMPARE(image.pixelColor(34 + 32, 300), artwork);
        f.canvas->setSafeFramesVisible(true);
        image = grabbed(f.canvas.get());
        QVERIFY(closeTo(image.pixelColor(34 + 32, 300), QColor(0, overBlack(255, 102), 0)));
        QVERIFY(closeTo(image.pixelColor(34, 300),
                        QColor(overBlack(255, 102), overBlack(191, 102), 0)));
        QCOMPARE(image.pixelColor(34 + 33, 300), artwork);
        // The Normal frame's top edge at y = -35, over the black border.
        QVERIFY(closeTo(image.pixelColor(300, 102 - 70), QColor(0, overBlack(255, 102), 0)));

        // Bitmap-only canvases have no safe frames.
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        plain.canvas->setSafeFramesVisible(true);
        QCOMPARE(grabbed(plain.canvas.get()).pixelColor(130 - 32, 300), paletteColor(0));
    }
    void symmetryGuide()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        f.canvas->setSymmetryMode(int(SymmetryMode::Horizontal));
        // The horizontal axis sits at y = 100.
        QImage image = grabbed(f.canvas.get());
        QCOMPARE(image.pixelColor(300, 102 + 200), QColor(0, 255, 0));
        QCOMPARE(image.pixelColor(300, 102 + 202), paletteColor(0));
        f.canvas->setSymmetryMode(int(SymmetryMode::Kaleidoscope));
        image = grabbed(f.canvas.get());
        QCOMPARE(image.pixelColor(300, 102 + 200), QColor(255, 255, 0));
    }
    void redSpriteFlags()
    {
        LayoutSpec spec;
        spec.layout = CanvasLayout::TopBottomBorderSprites;
        CanvasFixture f(Project(CanvasMode::Hires, -1, -1, spec), Widget);
        // Two free colours in top border column 0 break its colour limit.
        f.project.colormap().setPixel(5, 5, 2);
        f.project.colormap().setPixel(6, 5, 5);
        f.canvas->refreshImageRegion(QRect(5, 5, 2, 1));
        const QPoint origin(130, 18);
        QImage image = grabbed(f.canvas.get());
        const QColor red(255, 0, 0);
        // The outline of unit (0, 0)-(23, 41): left edge x = 0, right edge x = 24.
        QCOMPARE(image.pixelColor(origin.x(), origin.y() + 40), red);
        QCOMPARE(image.pixelColor(origin.x() + 48, origin.y() + 40), red);
        QCOMPARE(image.pixelColor(origin.x() + 20, origin.y() + 84), red);
        QCOMPARE(image.pixelColor(origin.x() + 96, origin.y() + 40), paletteColor(0));

        // Repairing the column clears the flag on the next repaint.
        f.project.colormap().setPixel(6, 5, 2);
        f.canvas->refreshImageRegion(QRect(6, 5, 1, 1));
        image = grabbed(f.canvas.get());
        QCOMPARE(image.pixelColor(origin.x() + 48, origin.y() + 40), paletteColor(0));

        // Other layouts draw none, whatever the pixels.
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        plain.project.colormap().setPixel(5, 5, 2);
        plain.project.colormap().setPixel(6, 5, 5);
        plain.canvas->refreshWholeImage();
        QCOMPARE(grabbed(plain.canvas.get()).pixelColor(130 + 48, 102 + 40), paletteColor(0));
    }
    void exportImage_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<bool>("borders");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("origin"); // image position of colormap pixel (0, 0)
        QTest::addColumn<int>("across");    // image pixels per colormap pixel
        QTest::newRow("hires bare") << 0 << 0 << false << QSize(320, 200) << QPoint(0, 0) << 1;
        QTest::newRow("hires framed") << 0 << 0 << true << QSize(416, 301) << QPoint(48, 51) << 1;
        QTest::newRow("multicolor bare") << 1 << 0 << false << QSize(320, 200) << QPoint(0, 0) << 2;
        QTest::newRow("multicolor framed")
            << 1 << 0 << true << QSize(416, 301) << QPoint(48, 51) << 2;
        QTest::newRow("top bottom framed")
            << 0 << 2 << true << QSize(416, 301) << QPoint(48, 9) << 1;
        QTest::newRow("side framed") << 0 << 1 << true << QSize(416, 301) << QPoint(0, 51) << 1;
    }
    void exportImage()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(bool, borders);
        QFETCH(QSize, size);
        QFETCH(QPoint, origin);
        QFETCH(int, across);
        LayoutSpec spec;
        spec.layout = CanvasLayout(layout);
        Project project(CanvasMode(mode), -1, -1, spec);
        project.setSlot(ColorSlot::Border, 6);
        project.colormap().setPixel(1, 0, 7);
        project.colormap().setPixel(2, 0, 2);
        CanvasFixture f(std::move(project), Widget);
        const QImage image = f.canvas->exportImage(borders);
        QCOMPARE(image.size(), size);
        QCOMPARE(image.format(), QImage::Format_RGB32);
        const int y = origin.y();
        QCOMPARE(image.pixelColor(origin.x(), y), paletteColor(0));
        QCOMPARE(image.pixelColor(origin.x() + across, y), paletteColor(7));
        QCOMPARE(image.pixelColor(origin.x() + 2 * across - 1, y), paletteColor(7));
        QCOMPARE(image.pixelColor(origin.x() + 2 * across, y), paletteColor(2));
        if (borders) {
            // Top/bottom canvases have black bands above and below the canvas.
            const QColor band = layout == 2 ? paletteColor(0) : paletteColor(6);
            QCOMPARE(image.pixelColor(size.width() / 2, 0), band);
            QCOMPARE(image.pixelColor(size.width() / 2, size.height() - 1), band);
            // The side canvas fills the frame's width; elsewhere the left margin is border.
            const QPoint side =
                layout == 1 ? QPoint(size.width() / 2, 10) : QPoint(0, size.height() / 2);
            QCOMPARE(image.pixelColor(side), paletteColor(6));
            // A workstage frame brings its own border colour.
            QCOMPARE(f.canvas->exportImage(true, 13).pixelColor(side), paletteColor(13));
        }
    }
    void printPage()
    {
        Project project(CanvasMode::Multicolor);
        project.colormap().setPixel(159, 199, 3);
        CanvasFixture f(std::move(project), Widget);
        QImage page(1000, 1000, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        // 320 x 200 after widening fits a 640-wide viewport at twice its size.
        f.canvas->paintPrintPage(painter, QRect(10, 20, 640, 900));
        painter.end();
        QCOMPARE(page.pixelColor(10, 20), paletteColor(0));
        QCOMPARE(page.pixelColor(10 + 639, 20 + 399), paletteColor(3));
        QCOMPARE(page.pixelColor(10 + 636, 20 + 398), paletteColor(3));
        QCOMPARE(page.pixelColor(10 + 635, 20 + 399), paletteColor(0));
        QCOMPARE(page.pixelColor(10, 20 + 400), QColor(Qt::white));
        QCOMPARE(page.pixelColor(10 + 640, 20), QColor(Qt::white));
    }
};

QTEST_MAIN(TestCanvasRender)
#include "tst_canvasrender.moc"
