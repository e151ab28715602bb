// What the canvas paints, checked pixel by pixel on grabs of the widget and
// on the export image.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

#include "document/geometry.h"

#include <QPainter>

namespace
{

QColor pal(int index)
{
    return QColor::fromRgb(paletteRgb(0, index));
}

// A colour blended over black with the given alpha, as the raster engine does.
int overBlack(int channel, int alpha)
{
    return (channel * alpha + 127) / 255;
}

const QColor PixelGrid(overBlack(64, 128), overBlack(64, 128), overBlack(64, 128));
const QColor NormalFrame(0, overBlack(255, 102), 0);

bool closeTo(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) <= 1 &&
           std::abs(actual.green() - expected.green()) <= 1 &&
           std::abs(actual.blue() - expected.blue()) <= 1;
}

// The colours at the given points, to compare with a list in one go.
QList<QColor> colorsAt(const QImage &image, const QList<QPoint> &points)
{
    QList<QColor> list;
    for (QPoint p : points)
        list << image.pixelColor(p);
    return list;
}

// 900 x 602 at best fit puts any framed one-screen canvas at zoom 2, the
// frame's 416 x 301 pixels filling 832 x 602 from x = 34; a bitmap-only
// canvas starts at (130, 102).
constexpr QSize Widget(900, 602);

Project withLayout(CanvasMode mode, CanvasLayout layout)
{
    LayoutSpec spec;
    spec.layout = layout;
    return Project(mode, -1, -1, spec);
}

QImage grabbed(const CanvasFixture &f)
{
    return f.canvas->grab().toImage();
}

} // namespace

class TestCanvasRender : public QObject
{
    Q_OBJECT

private slots:
    void screenAndExport_data() { addTextRows("canvas/canvasrender.txt", "frame"); }
    void screenAndExport()
    {
        QFETCH(QStringList, row);
        const int layout = row[1].toInt(), across = row[3].toInt(), frame = row[4].toInt();
        Project project = withLayout(CanvasMode(row[0].toInt()), CanvasLayout(layout));
        project.setSlot(ColorSlot::Border, 6);
        project.setSlot(ColorSlot::Background, 5);
        project.setSlot(ColorSlot::TopBackground, 3);
        project.setSlot(ColorSlot::BottomBackground, 8);
        project.colormap().fill(0);
        if (layout == 2) { // empty strips: no sprite flags
            project.colormap().fillRect(QRect(0, 0, 320, 42), 3);
            project.colormap().fillRect(QRect(0, 242, 320, 42), 8);
        }
        project.colormap().setPixel(60, 100, 2);
        project.colormap().setPixel(61, 100, 7);
        CanvasFixture f(std::move(project), Widget);
        f.canvas->refreshWholeImage();
        const QImage framed = f.canvas->exportImage(true);
        QCOMPARE(framed.size(), QSize(416, 301));
        QCOMPARE(framed.format(), QImage::Format_RGB32);
        const QPoint o = pointOf(row[2]), a(across, 0), p = o + QPoint(60 * across, 100);
        QCOMPARE(colorsAt(framed, {p - QPoint(1, 0), p, p + a - QPoint(1, 0), p + a}),
                 (QList<QColor>{pal(0), pal(2), pal(2), pal(7)}));
        // Above and below a top/bottom canvas the open border shows the strip
        // backgrounds between the side borders; the side canvas fills the
        // frame's width, elsewhere the left margin is frame.
        const bool bands = layout == 2;
        const QPoint side = layout == 1 ? QPoint(208, 10) : QPoint(0, 150);
        QCOMPARE(colorsAt(framed, {{208, 0}, {208, 300}, {47, 0}, {368, 300}, side}),
                 (QList<QColor>{pal(bands ? 3 : frame), pal(bands ? 8 : frame), pal(frame),
                                pal(frame), pal(frame)}));
        // A workstage frame brings its own border colour.
        QCOMPARE(f.canvas->exportImage(true, 13).pixelColor(side), pal(13));
        // Without borders the export is the canvas part of the framed one.
        const QImage bare = f.canvas->exportImage(false);
        QCOMPARE(bare, framed.copy(QRect(o, bare.size())));
        // The screen shows the framed picture at zoom 2 on the grey backdrop,
        // with the outline on the screen pixels just outside the canvas.
        const QImage screen = grabbed(f).convertToFormat(QImage::Format_RGB32);
        QImage expected = framed.scaled(832, 602);
        const QRect edge(2 * o.x() - 1, 2 * o.y() - 1, 2 * bare.width() + 2, 2 * bare.height() + 2);
        for (int y = edge.top(); y <= edge.bottom(); ++y)
            for (int x = edge.left(); x <= edge.right(); ++x)
                if (expected.valid(x, y) && (x == edge.left() || x == edge.right() ||
                                             y == edge.top() || y == edge.bottom()))
                    expected.setPixelColor(x, y, CanvasArea::outlineColor());
        QCOMPARE(screen.copy(34, 0, 832, 602), expected);
        QCOMPARE(colorsAt(screen, {{10, 300}, {890, 300}}),
                 (QList<QColor>{QColor(48, 48, 48), QColor(48, 48, 48)}));
    }
    void referenceGridAndSymmetryGuide()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        f.canvas->setGridVisible(true);
        // The cell boundaries x = 8 and y = 16 are one screen pixel wide at
        // zoom 2; no line inside a cell.
        const QColor line(96, 96, 96);
        const QList<QPoint> probes{{146, 108}, {145, 108}, {147, 108}, {139, 134}, {140, 112}};
        QCOMPARE(colorsAt(grabbed(f), probes), (QList<QColor>{line, pal(0), pal(0), line, pal(0)}));
        f.canvas->setLighterGrids(true);
        QCOMPARE(grabbed(f).pixelColor(146, 108), QColor(147, 147, 147));
        // The horizontal symmetry axis sits at y = 100, green, yellow for the
        // kaleidoscope.
        f.paint.setSymmetryMode(int(SymmetryMode::Horizontal));
        QCOMPARE(colorsAt(grabbed(f), {{300, 302}, {300, 304}}),
                 (QList<QColor>{QColor(0, 255, 0), pal(0)}));
        f.paint.setSymmetryMode(int(SymmetryMode::Kaleidoscope));
        QCOMPARE(grabbed(f).pixelColor(300, 302), QColor(255, 255, 0));
    }
    void pixelGrid()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        ViewTransform &view = f.project.view();
        view.setZoom(3.99);
        view.setOffset(QPointF(0, 0));
        f.canvas->setPixelGridVisible(true);
        QImage image = grabbed(f);
        for (int x = 0; x < 40; ++x)
            QCOMPARE(image.pixelColor(x, 10), pal(0));
        // From zoom 4, on a quarter turn: canvas (x, y) shows at widget
        // (800 - 4y, 4x); the column boundary x = 3 runs across the screen at
        // y = 12, the row boundary y = 2 down the screen at x = 792.
        view.setZoom(4.0);
        view.setRotation(90.0);
        view.setOffset(QPointF(800, 0));
        image = grabbed(f);
        QVERIFY(closeTo(image.pixelColor(790, 12), PixelGrid));
        QVERIFY(closeTo(image.pixelColor(792, 30), PixelGrid));
        QCOMPARE(colorsAt(image, {{790, 13}, {793, 30}}), (QList<QColor>{pal(0), pal(0)}));
        // Turned off the axes the lines are still drawn: some pixel of a short
        // stretch across the artwork carries the grid colour, the rest black.
        view.setRotation(30.0);
        view.setOffset(QPointF(400, 100));
        image = grabbed(f);
        int lineHits = 0;
        for (int x = 380; x < 420; ++x) {
            const QColor c = image.pixelColor(x, 200);
            QVERIFY(c == pal(0) || closeTo(c, PixelGrid));
            lineHits += c != pal(0);
        }
        QVERIFY(lineHits >= 4 && lineHits <= 20);
    }
    void safeFrames()
    {
        CanvasFixture f(withLayout(CanvasMode::Hires, CanvasLayout::SideBorderSprites), Widget);
        // Canvas origin at (34, 102). The Normal frame's left edge is at x = 16,
        // its top at y = -35 over the black border; the Full frame's left edge
        // at x = 0 (the frame's own left edge).
        QCOMPARE(grabbed(f).pixelColor(66, 300), pal(0));
        f.canvas->setSafeFramesVisible(true);
        const QImage image = grabbed(f);
        QVERIFY(closeTo(image.pixelColor(66, 300), NormalFrame));
        QVERIFY(closeTo(image.pixelColor(300, 32), NormalFrame));
        QVERIFY(closeTo(image.pixelColor(34, 300),
                        QColor(overBlack(255, 102), overBlack(191, 102), 0)));
        QCOMPARE(image.pixelColor(67, 300), pal(0));
        // At fractional zooms and offsets, upright or turned, the frames
        // cover the pixels of a one-pixel cosmetic outline through the view.
        using View = std::tuple<double, QPointF, double>;
        for (const auto &[zoom, offset, turn] :
             {View{1.37, {61.3, 40.6}, 0}, View{0.91, {120.5, 99.25}, 0},
              View{1.21, {180.5, 20}, 30}, View{0.8, {90, 260}, -67.5}}) {
            f.project.view().setZoom(zoom);
            f.project.view().setOffset(offset);
            f.project.view().setRotation(turn);
            f.canvas->setSafeFramesVisible(false);
            QImage expected = grabbed(f).convertToFormat(QImage::Format_RGB32);
            const SafeFrames frames =
                ::safeFrames(f.project.mode(), f.project.size(), f.project.layoutSpec());
            QPainter painter(&expected);
            painter.setWorldTransform(f.project.view().widgetFromCanvas());
            for (const auto &[rect, color] : {std::pair{frames.full, QColor(255, 191, 0, 102)},
                                              std::pair{frames.normal, QColor(0, 255, 0, 102)}}) {
                QPen pen(color, 1);
                pen.setCosmetic(true);
                painter.setPen(pen);
                painter.drawRect(QRectF(rect));
            }
            painter.end();
            f.canvas->setSafeFramesVisible(true);
            QCOMPARE(grabbed(f).convertToFormat(QImage::Format_RGB32), expected);
        }
        // Bitmap-only canvases have no safe frames.
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        plain.canvas->setSafeFramesVisible(true);
        QCOMPARE(grabbed(plain).pixelColor(98, 300), pal(0));
    }
    void redSpriteFlags()
    {
        // Two free colours in sprite column 0 of the top border, or of the
        // side border (a flip can leave one), break its colour limit; a
        // bitmap canvas draws no flags, whatever the pixels.
        CanvasFixture f(withLayout(CanvasMode::Hires, CanvasLayout::TopBottomBorderSprites),
                        Widget);
        CanvasFixture side(withLayout(CanvasMode::Hires, CanvasLayout::SideBorderSprites), Widget);
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        const QColor red(255, 0, 0);
        const auto redPixels = [&](const CanvasFixture *x) {
            const QImage image = grabbed(*x).convertToFormat(QImage::Format_RGB32);
            int count = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    count += image.pixelColor(x, y) == red;
            return count;
        };
        for (CanvasFixture *x : {&f, &side, &plain}) {
            x->project.colormap().setPixel(5, 5, 2);
            x->project.colormap().setPixel(6, 5, 5);
            x->canvas->refreshWholeImage();
        }
        // The outline of unit (0, 0)-(23, 41) from the origin (130, 18): left
        // edge x = 0, right edge x = 24.
        QCOMPARE(colorsAt(grabbed(f), {{130, 58}, {178, 58}, {150, 102}, {226, 58}}),
                 (QList<QColor>{red, red, red, pal(0)}));
        QVERIFY(redPixels(&side) > 0);
        QCOMPARE(redPixels(&plain), 0);
        // Repairing the column clears the flag on the next repaint.
        for (CanvasFixture *x : {&f, &side}) {
            x->project.colormap().setPixel(6, 5, 2);
            x->canvas->refreshImageRegion(QRect(6, 5, 1, 1));
            QCOMPARE(redPixels(x), 0);
        }
    }
};

QTEST_MAIN(TestCanvasRender)
#include "tst_canvasrender.moc"
