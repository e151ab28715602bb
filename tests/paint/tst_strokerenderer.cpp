#include "paint/penstroke.h"
#include "paint/strokerenderer.h"

#include "document/project.h"
#include "rules/clashrules.h"

#include <QtTest>

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(BrushShape)
Q_DECLARE_METATYPE(TextureMode)
Q_DECLARE_METATYPE(SpriteCountPolicy)
Q_DECLARE_METATYPE(QList<QPoint>)

namespace
{

// A document with the pen on it, driven the way the canvas tool drives it.
struct Desk {
    Project project;
    StrokeRenderer renderer;
    PenStroke pen{renderer};
    PenSettings settings;

    explicit Desk(CanvasMode mode, LayoutSpec layout = {}) : project(mode, -1, -1, layout)
    {
        renderer.prepare(project);
    }

    PenEvent at(QPoint p) const
    {
        PenEvent e;
        e.pixel = p;
        return e;
    }

    StrokeCommit stroke(const QList<QPoint> &path, StrokeColors colors = {1, 0},
                        std::optional<QPoint> connect = std::nullopt, PenEvent base = {})
    {
        base.pixel = path.first();
        pen.press(project, settings, base, colors, connect);
        for (qsizetype i = 1; i < path.size(); ++i) {
            base.pixel = path[i];
            pen.move(project, settings, base);
        }
        base.pixel = path.last();
        return pen.release(project, settings, base);
    }
    StrokeCommit click(QPoint p, StrokeColors colors = {1, 0}) { return stroke({p}, colors); }

    quint8 at(int x, int y) const { return project.colormap().pixel(x, y); }
};

// Pixels that differ from `color`, and their bounding box.
int countOther(const Colormap &map, quint8 color, QRect *box = nullptr)
{
    int n = 0;
    QRect bounds;
    for (int y = 0; y < map.height(); ++y) {
        for (int x = 0; x < map.width(); ++x) {
            if (map.pixel(x, y) != color) {
                ++n;
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    if (box)
        *box = bounds;
    return n;
}

Texture rowsOf(quint16 bits)
{
    std::array<quint16, 16> rows;
    rows.fill(bits);
    return Texture(rows);
}

} // namespace

class TestStrokeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void dabPerClick_data();
    void dabPerClick();
    void unchangedPaintRecordsNothing();
    void pixelPerfectCorner_data();
    void pixelPerfectCorner();
    void pressureWidening_data();
    void pressureWidening();
    void textures_data();
    void textures();
    void shiftLine_data();
    void shiftLine();
    void symmetricCopies_data();
    void symmetricCopies();
    void lockedPixels();
    void spriteBudget_data();
    void spriteBudget();
    void antialiasing_data();
    void antialiasing();
    void singlePixelRefusesClash_data();
    void singlePixelRefusesClash();
    void previewLeavesDocumentAlone();
    void penAndEraserColors_data();
    void penAndEraserColors();
    void connectPoint();
    void externalMask_data();
    void externalMask();
};

void TestStrokeRenderer::dabPerClick_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<BrushShape>("shape");
    QTest::addColumn<int>("pixels");
    QTest::addColumn<QSize>("box");
    const auto H = CanvasMode::Hires, M = CanvasMode::Multicolor;
    const auto R = BrushShape::Round, S = BrushShape::Square;
    QTest::newRow("hires 1") << H << 1 << R << 1 << QSize(1, 1);
    // Even widths centre on a pixel corner: a 2 x 2 block.
    QTest::newRow("hires 2 round") << H << 2 << R << 4 << QSize(2, 2);
    QTest::newRow("hires 3 round") << H << 3 << R << 9 << QSize(3, 3);
    // Radius 2 from a corner: the four corner pixels of the 4 x 4 fall out.
    QTest::newRow("hires 4 round") << H << 4 << R << 12 << QSize(4, 4);
    QTest::newRow("hires 4 square") << H << 4 << S << 16 << QSize(4, 4);
    QTest::newRow("hires 3 square") << H << 3 << S << 9 << QSize(3, 3);
    // Radius 2.5 from a centre: the 5 x 5 less its four corners.
    QTest::newRow("hires 5 round") << H << 5 << R << 21 << QSize(5, 5);
    // Multicolor pixels are two display pixels wide: width 4 is 2 x 4.
    QTest::newRow("multicolor 4 round") << M << 4 << R << 8 << QSize(2, 4);
    QTest::newRow("multicolor 4 square") << M << 4 << S << 8 << QSize(2, 4);
    QTest::newRow("multicolor 2") << M << 2 << R << 2 << QSize(1, 2);
    QTest::newRow("multicolor 1") << M << 1 << R << 1 << QSize(1, 1);
}

void TestStrokeRenderer::dabPerClick()
{
    QFETCH(CanvasMode, mode);
    QFETCH(int, width);
    QFETCH(BrushShape, shape);
    QFETCH(int, pixels);
    QFETCH(QSize, box);
    Desk desk(mode);
    desk.settings.brush.setWidth(width);
    desk.settings.brush.shape = shape;
    const QPoint p(60, 100);
    const StrokeCommit commit = desk.click(p);
    QRect bounds;
    QCOMPARE(countOther(desk.project.colormap(), 0, &bounds), pixels);
    QCOMPARE(bounds.size(), box);
    QVERIFY(bounds.contains(p));
    QVERIFY(commit.changed.contains(bounds));
    QVERIFY(commit.recorded);
    QCOMPARE(commit.endPoint, p);
    QCOMPARE(desk.project.history().nodeCount(), 1);
    const HistoryNode &node = desk.project.history().nodes().first();
    QCOMPARE(node.kind, HistoryEntryKind::Stroke);
    QVERIFY(node.hasConnectPoint);
    QCOMPARE(node.connectPoint, p);
    QCOMPARE(node.changes.size(), 1);
    QCOMPARE(node.changes.first().rect, bounds);
}

void TestStrokeRenderer::unchangedPaintRecordsNothing()
{
    Desk desk(CanvasMode::Hires);
    desk.settings.brush.setWidth(6);
    const StrokeCommit black = desk.click(QPoint(50, 50), {0, 0});
    QVERIFY(black.changed.isEmpty());
    QVERIFY(!black.recorded);
    QCOMPARE(black.endPoint, QPoint(50, 50));
    QCOMPARE(desk.project.history().nodeCount(), 0);

    QVERIFY(desk.click(QPoint(50, 50)).recorded);
    // The same dab again changes nothing and is not recorded.
    const StrokeCommit again = desk.click(QPoint(50, 50));
    QVERIFY(!again.recorded);
    QCOMPARE(desk.project.history().nodeCount(), 1);
}

void TestStrokeRenderer::pixelPerfectCorner_data()
{
    QTest::addColumn<bool>("tablet");
    QTest::addColumn<bool>("widening");
    QTest::addColumn<bool>("cornerPainted");
    QTest::newRow("mouse") << false << true << false;
    QTest::newRow("tablet, widening off") << true << false << false;
    // A light tablet stroke with widening on stays width 1 but is plainly
    // strict: no corner dropping.
    QTest::newRow("tablet, widening on") << true << true << true;
}

void TestStrokeRenderer::pixelPerfectCorner()
{
    QFETCH(bool, tablet);
    QFETCH(bool, widening);
    QFETCH(bool, cornerPainted);
    Desk desk(CanvasMode::Hires);
    desk.settings.brush.pixelPerfect = true;
    desk.settings.pressureWidening = widening;
    PenEvent e;
    e.tablet = tablet;
    e.pressure = 0.1;
    e.pixel = QPoint(10, 10);
    desk.pen.press(desk.project, desk.settings, e, {1, 0}, std::nullopt);
    QCOMPARE(desk.pen.isPixelPerfect(), !cornerPainted);
    e.pixel = QPoint(11, 10);
    desk.pen.move(desk.project, desk.settings, e);
    if (!cornerPainted) {
        // The corner is only provisional: shown by the preview, not painted.
        QCOMPARE(desk.at(11, 10), quint8(0));
        const auto preview = desk.pen.previewSegment(e, {1, 0}, std::nullopt);
        QVERIFY(preview.has_value());
        QCOMPARE(preview->from, QPoint(11, 10));
        QCOMPARE(preview->to, QPoint(11, 10));
    }
    e.pixel = QPoint(11, 11);
    desk.pen.move(desk.project, desk.settings, e);
    const StrokeCommit commit = desk.pen.release(desk.project, desk.settings, e);
    QVERIFY(commit.recorded);
    QCOMPARE(desk.at(10, 10), quint8(1));
    QCOMPARE(desk.at(11, 11), quint8(1));
    QCOMPARE(desk.at(11, 10), quint8(cornerPainted ? 1 : 0));
    QCOMPARE(countOther(desk.project.colormap(), 0), cornerPainted ? 3 : 2);
}

void TestStrokeRenderer::pressureWidening_data()
{
    QTest::addColumn<double>("pressure");
    QTest::addColumn<bool>("widening");
    QTest::addColumn<int>("sameAsWidth");
    // 3 + 16 x 1 = 19 and 3 + 16 x 0.25 = 7.
    QTest::newRow("full press") << 1.0 << true << 19;
    QTest::newRow("half press") << 0.5 << true << 7;
    QTest::newRow("no pressure") << 0.0 << true << 3;
    QTest::newRow("widening off") << 1.0 << false << 3;
}

// A tablet dab paints exactly what a mouse dab of the effective width does.
void TestStrokeRenderer::pressureWidening()
{
    QFETCH(double, pressure);
    QFETCH(bool, widening);
    QFETCH(int, sameAsWidth);
    Desk tablet(CanvasMode::Hires);
    tablet.settings.brush.setWidth(3);
    tablet.settings.pressureWidening = widening;
    PenEvent e;
    e.tablet = true;
    e.pressure = pressure;
    tablet.stroke({QPoint(100, 100)}, {1, 0}, std::nullopt, e);

    Desk mouse(CanvasMode::Hires);
    mouse.settings.brush.setWidth(sameAsWidth);
    mouse.click(QPoint(100, 100));
    QCOMPARE(tablet.project.colormap(), mouse.project.colormap());
    QVERIFY(countOther(tablet.project.colormap(), 0) >= 9);
}

void TestStrokeRenderer::textures_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<quint16>("bits");
    QTest::addColumn<TextureMode>("textureMode");
    QTest::addColumn<QPoint>("centre");
    const auto H = CanvasMode::Hires, M = CanvasMode::Multicolor;
    // Hires: an 8-wide square dab centred on a corner fills one whole cell.
    QTest::newRow("hires stripes two-colour")
        << H << quint16(0x5555) << TextureMode::TwoColor << QPoint(100, 100);
    QTest::newRow("hires stripes stencil")
        << H << quint16(0x5555) << TextureMode::Stencil << QPoint(100, 100);
    // The texture is anchored to the canvas: at x 104..111 only the clear
    // upper half of 0x00FF applies, whatever the dab's own origin.
    QTest::newRow("hires anchored two-colour")
        << H << quint16(0x00FF) << TextureMode::TwoColor << QPoint(108, 100);
    QTest::newRow("hires anchored stencil")
        << H << quint16(0x00FF) << TextureMode::Stencil << QPoint(108, 100);
    QTest::newRow("multicolor stripes two-colour")
        << M << quint16(0x5555) << TextureMode::TwoColor << QPoint(40, 100);
    QTest::newRow("multicolor stripes stencil")
        << M << quint16(0x3333) << TextureMode::Stencil << QPoint(42, 100);
}

void TestStrokeRenderer::textures()
{
    QFETCH(CanvasMode, mode);
    QFETCH(quint16, bits);
    QFETCH(TextureMode, textureMode);
    QFETCH(QPoint, centre);
    Desk desk(mode);
    desk.settings.brush.setWidth(8);
    desk.settings.brush.shape = BrushShape::Square;
    desk.settings.texture = rowsOf(bits);
    desk.settings.textureMode = textureMode;
    desk.click(centre, {1, 2});
    // An 8-wide square nib on a corner: 8 display pixels across, 8 rows.
    const int across = mode == CanvasMode::Multicolor ? 4 : 8;
    const QRect dab(centre.x() - across / 2, centre.y() - 4, across, 8);
    for (int y = dab.top() - 1; y <= dab.bottom() + 1; ++y) {
        for (int x = dab.left() - 1; x <= dab.right() + 1; ++x) {
            quint8 expected = 0;
            if (dab.contains(x, y)) {
                const bool set = (bits >> (x % 16)) & 1;
                expected = set ? 1 : (textureMode == TextureMode::TwoColor ? 2 : 0);
            }
            QCOMPARE(desk.at(x, y), expected);
        }
    }
    QVERIFY(!canvasHasClash(ClashContext::forSweep(desk.project), desk.project.colormap()));
}

void TestStrokeRenderer::shiftLine_data()
{
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("painted");
    QTest::newRow("shift connects") << false << 11;
    // Shift with Ctrl paints a plain dab at the pointer.
    QTest::newRow("shift and ctrl") << true << 2;
}

void TestStrokeRenderer::shiftLine()
{
    QFETCH(bool, ctrl);
    QFETCH(int, painted);
    Desk desk(CanvasMode::Hires);
    const StrokeCommit first = desk.click(QPoint(5, 5));
    QCOMPARE(first.endPoint, QPoint(5, 5));

    PenEvent e;
    e.shift = true;
    e.ctrl = ctrl;
    e.pixel = QPoint(15, 5);
    desk.pen.press(desk.project, desk.settings, e, {1, 0}, first.endPoint);
    QCOMPARE(desk.pen.isConnecting(), !ctrl);
    if (!ctrl) {
        // While connecting nothing is painted; the preview shows the line.
        e.pixel = QPoint(12, 9);
        QVERIFY(desk.pen.move(desk.project, desk.settings, e).isEmpty());
        const auto preview = desk.pen.previewSegment(e, {1, 0}, first.endPoint);
        QCOMPARE(preview->from, QPoint(5, 5));
        QCOMPARE(preview->to, QPoint(12, 9));
        e.pixel = QPoint(15, 5);
    }
    const StrokeCommit second = desk.pen.release(desk.project, desk.settings, e);
    QVERIFY(second.recorded);
    QCOMPARE(second.endPoint, QPoint(15, 5));
    QCOMPARE(countOther(desk.project.colormap(), 0), painted);
    QCOMPARE(desk.at(10, 5), quint8(ctrl ? 0 : 1));
    QCOMPARE(desk.at(12, 9), quint8(0));
    QCOMPARE(desk.project.history().lastConnectPoint(), std::optional<QPoint>(QPoint(15, 5)));
}

void TestStrokeRenderer::symmetricCopies_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<QPoint>>("pixels");
    QTest::newRow("horizontal") << 1 << QList<QPoint>{{10, 20}, {10, 179}};
    QTest::newRow("vertical") << 2 << QList<QPoint>{{10, 20}, {309, 20}};
    QTest::newRow("quadrant") << 3 << QList<QPoint>{{10, 20}, {10, 179}, {309, 20}, {309, 179}};
    // Hires quarter turns about (160, 100): offset (-149.5, -79.5) turns to
    // (79.5, -149.5) and (-79.5, 149.5); the diagonals swap the offsets.
    QTest::newRow("bi-quadrant") << 4
                                 << QList<QPoint>{{10, 20},  {10, 179},  {309, 20},  {309, 179},
                                                  {80, -50}, {239, 249}, {239, -50}, {80, 249}};
}

void TestStrokeRenderer::symmetricCopies()
{
    QFETCH(int, mode);
    QFETCH(QList<QPoint>, pixels);
    Desk desk(CanvasMode::Hires);
    desk.settings.transforms =
        symmetryTransforms(SymmetryMode(mode), SymmetryAxes::centreOf(desk.project.size()), 1, 1.0);
    const Colormap start = desk.project.colormap();
    const StrokeCommit commit = desk.click(QPoint(10, 20));
    int onCanvas = 0;
    for (QPoint p : pixels) {
        if (!desk.project.colormap().rect().contains(p))
            continue; // copies off the canvas are clipped away
        ++onCanvas;
        QCOMPARE(desk.at(p.x(), p.y()), quint8(1));
    }
    QCOMPARE(countOther(desk.project.colormap(), 0), onCanvas);
    QCOMPARE(commit.endPoint, QPoint(10, 20));
    // All copies are one history entry, and one undo takes them all back.
    QCOMPARE(desk.project.history().nodeCount(), 1);
    desk.project.history().undo(desk.project);
    QCOMPARE(desk.project.colormap(), start);
    desk.project.history().redo(desk.project);
    QCOMPARE(countOther(desk.project.colormap(), 0), onCanvas);
}

void TestStrokeRenderer::lockedPixels()
{
    Desk desk(CanvasMode::Hires, LayoutSpec{CanvasLayout::SideBorderSprites});
    QCOMPARE(desk.project.width(), 416);
    desk.settings.brush.setWidth(12);
    desk.stroke({QPoint(390, 10), QPoint(415, 100), QPoint(380, 199)}, {0, 0});
    desk.stroke({QPoint(0, 0), QPoint(60, 0)});
    desk.settings.brush.setWidth(30);
    desk.stroke({QPoint(380, 50), QPoint(415, 60)}, {1, 0});
    for (int y = 0; y < 200; ++y)
        for (int x = 408; x < 416; ++x)
            QCOMPARE(desk.at(x, y), quint8(0));
    for (int x = 0; x < 48; ++x) {
        QCOMPARE(desk.at(x, 0), quint8(0));
        QCOMPARE(desk.at(x, 1), quint8(1));
    }
    QCOMPARE(desk.at(48, 0), quint8(1)); // the bitmap's top line is not locked
    QCOMPARE(desk.at(407, 55), quint8(1));
}

void TestStrokeRenderer::spriteBudget_data()
{
    QTest::addColumn<SpriteCountPolicy>("policy");
    QTest::addColumn<int>("occupied");
    QTest::addColumn<bool>("ninthPainted");
    QTest::newRow("enforce, 8 occupied") << SpriteCountPolicy::Enforce << 8 << false;
    // With 6 occupied the stroke may open two more, then stops.
    QTest::newRow("enforce, 6 occupied") << SpriteCountPolicy::Enforce << 6 << false;
    QTest::newRow("flag") << SpriteCountPolicy::Flag << 8 << true;
}

void TestStrokeRenderer::spriteBudget()
{
    QFETCH(SpriteCountPolicy, policy);
    QFETCH(int, occupied);
    QFETCH(bool, ninthPainted);
    Desk desk(CanvasMode::Hires, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    desk.project.setSpriteCountPolicy(policy);
    for (int c = 0; c < occupied; ++c)
        desk.project.colormap().setPixel(c * 24 + 3, 40, 1);
    desk.stroke({QPoint(0, 20), QPoint(319, 20)});
    // Columns 0..7 are paintable, the 9th and later are not under Enforce.
    for (int x = 0; x < 8 * 24; ++x)
        QCOMPARE(desk.at(x, 20), quint8(1));
    for (int x = 8 * 24; x < 320; ++x)
        QCOMPARE(desk.at(x, 20), quint8(ninthPainted ? 1 : 0));
    // The bitmap below the border is not budgeted.
    desk.stroke({QPoint(0, 100), QPoint(319, 100)});
    QCOMPARE(desk.at(300, 100), quint8(1));
    // Painting the border's background is never blocked.
    desk.project.colormap().setPixel(300, 30, 1);
    desk.stroke({QPoint(300, 30)}, {0, 0});
    QCOMPARE(desk.at(300, 30), quint8(0));
}

void TestStrokeRenderer::antialiasing_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("soft");
    QTest::newRow("multicolor 8") << CanvasMode::Multicolor << 8 << true;
    QTest::newRow("multicolor 1 is hard") << CanvasMode::Multicolor << 1 << false;
    QTest::newRow("hires is hard") << CanvasMode::Hires << 8 << false;
}

void TestStrokeRenderer::antialiasing()
{
    QFETCH(CanvasMode, mode);
    QFETCH(int, width);
    QFETCH(bool, soft);
    Desk desk(mode);
    desk.settings.brush.setWidth(width);
    desk.settings.brush.antialiased = true;
    desk.stroke({QPoint(20, 40), QPoint(60, 90), QPoint(100, 60)});
    const Colormap &map = desk.project.colormap();
    bool blended = false;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            blended |= map.pixel(x, y) != 0 && map.pixel(x, y) != 1;
    QCOMPARE(blended, soft);
    QVERIFY(countOther(map, 0) > 0);
    QVERIFY(!canvasHasClash(ClashContext::forSweep(desk.project), map));
    // Within one stroke, going back over a segment keeps its edges: the
    // coverage does not add up and blends against the original colours.
    Desk there(mode), andBack(mode);
    for (Desk *d : {&there, &andBack}) {
        d->settings.brush.setWidth(width);
        d->settings.brush.antialiased = true;
    }
    there.stroke({QPoint(20, 40), QPoint(90, 70)});
    andBack.stroke({QPoint(20, 40), QPoint(90, 70), QPoint(20, 40)});
    QCOMPARE(andBack.project.colormap(), there.project.colormap());
}

void TestStrokeRenderer::singlePixelRefusesClash_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("painted");
    QTest::newRow("one pixel refuses") << 1 << false;
    QTest::newRow("wider paints and repairs") << 2 << true;
}

void TestStrokeRenderer::singlePixelRefusesClash()
{
    QFETCH(int, width);
    QFETCH(bool, painted);
    Desk desk(CanvasMode::Multicolor);
    // The cell at (40..43, 96..103) already holds three colours besides
    // the background 0.
    desk.project.colormap().setPixel(40, 96, 2);
    desk.project.colormap().setPixel(41, 96, 3);
    desk.project.colormap().setPixel(42, 96, 4);
    desk.settings.brush.setWidth(width);
    desk.click(QPoint(42, 100), {5, 0});
    QCOMPARE(desk.at(42, 100) == 5, painted);
    QVERIFY(!canvasHasClash(ClashContext::forSweep(desk.project), desk.project.colormap()));
}

void TestStrokeRenderer::previewLeavesDocumentAlone()
{
    Desk desk(CanvasMode::Hires);
    desk.settings.transforms = symmetryTransforms(
        SymmetryMode::Vertical, SymmetryAxes::centreOf(desk.project.size()), 1, 1.0);
    const Colormap start = desk.project.colormap();
    Colormap copy = start;
    PenEvent e;
    e.pixel = QPoint(10, 10);
    const QRect area =
        desk.pen.renderPreview(desk.project, copy, desk.settings, e, {1, 0}, std::nullopt);
    QCOMPARE(desk.project.colormap(), start);
    QCOMPARE(copy.pixel(10, 10), quint8(1));
    QCOMPARE(copy.pixel(309, 10), quint8(1));
    QCOMPARE(countOther(copy, 0), 2);
    // The repaint area covers both copies' whole cells.
    QVERIFY(area.contains(QRect(8, 8, 8, 8)));
    QVERIFY(area.contains(QRect(304, 8, 8, 8)));
    QCOMPARE(desk.project.history().nodeCount(), 0);

    // Idle with Shift and a connect point: the connecting line.
    Colormap line = start;
    e.shift = true;
    desk.pen.renderPreview(desk.project, line, desk.settings, e, {1, 0}, QPoint(10, 30));
    for (int y = 10; y <= 30; ++y)
        QCOMPARE(line.pixel(10, y), quint8(1));
}

void TestStrokeRenderer::penAndEraserColors_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<bool>("right");
    QTest::addColumn<int>("pen");
    QTest::addColumn<int>("penOther");
    QTest::addColumn<int>("eraser");
    // Primary 7, secondary 3, background slot 6.
    QTest::newRow("hires left") << CanvasMode::Hires << false << 7 << 3 << 3;
    QTest::newRow("hires right") << CanvasMode::Hires << true << 3 << 7 << 3;
    QTest::newRow("multicolor left") << CanvasMode::Multicolor << false << 7 << 3 << 6;
    QTest::newRow("multicolor right") << CanvasMode::Multicolor << true << 3 << 7 << 6;
}

void TestStrokeRenderer::penAndEraserColors()
{
    QFETCH(CanvasMode, mode);
    QFETCH(bool, right);
    QFETCH(int, pen);
    QFETCH(int, penOther);
    QFETCH(int, eraser);
    Desk desk(mode);
    desk.project.setSlot(ColorSlot::Background, 6);
    const StrokeColors colors = penColors(7, 3, right);
    QCOMPARE(int(colors.stroke), pen);
    QCOMPARE(int(colors.other), penOther);
    // The eraser ignores the button.
    const StrokeColors erase = eraserColors(desk.project, 3);
    QCOMPARE(int(erase.stroke), eraser);
    QCOMPARE(int(erase.other), eraser);
    desk.click(QPoint(20, 20), erase);
    QCOMPARE(int(desk.at(20, 20)), eraser);
}

void TestStrokeRenderer::connectPoint()
{
    Desk desk(CanvasMode::Hires);
    History &history = desk.project.history();
    QCOMPARE(connectPointFor(std::nullopt, history), std::nullopt);
    desk.click(QPoint(4, 9));
    QCOMPARE(connectPointFor(std::nullopt, history), std::optional<QPoint>(QPoint(4, 9)));
    // A pending point left by a stroke that recorded nothing wins.
    QCOMPARE(connectPointFor(QPoint(30, 2), history), std::optional<QPoint>(QPoint(30, 2)));
    desk.click(QPoint(50, 60));
    history.undo(desk.project);
    QCOMPARE(connectPointFor(std::nullopt, history), std::optional<QPoint>(QPoint(4, 9)));
    HistoryNode clear;
    clear.kind = HistoryEntryKind::ClearScreen;
    clear.changes.append(HistoryChange::colorIndex(0, 0, 1));
    history.push(clear);
    QCOMPARE(connectPointFor(std::nullopt, history), std::nullopt);
}

void TestStrokeRenderer::externalMask_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::newRow("hires") << CanvasMode::Hires;
    QTest::newRow("multicolor") << CanvasMode::Multicolor;
}

// Contours and shapes hand their own mask to the same pixel loop: any
// non-zero byte of a colormap pixel's display bytes covers it.
void TestStrokeRenderer::externalMask()
{
    QFETCH(CanvasMode, mode);
    Desk desk(mode);
    const int pw = mode == CanvasMode::Multicolor ? 2 : 1;
    QImage mask(StrokeRenderer::maskSize(desk.project), QImage::Format_Alpha8);
    QCOMPARE(mask.size(), QSize(desk.project.width() * pw, desk.project.height()));
    mask.fill(0);
    mask.scanLine(5)[3 * pw + pw - 1] = 1; // the last display byte of (3, 5)
    mask.scanLine(6)[9 * pw] = 200;
    mask.scanLine(7)[40 * pw] = 255; // outside the bounds below
    PaintPass pass = desk.renderer.beginEdit(desk.project);
    const QRect changed = desk.renderer.paintMask(pass, mask, QRect(0, 0, 20, 20), {1, 0}, false,
                                                  Texture(), TextureMode::Stencil, nullptr);
    QCOMPARE(changed, QRect(QPoint(3, 5), QPoint(9, 6)));
    QCOMPARE(pass.changed(), changed);
    QCOMPARE(countOther(desk.project.colormap(), 0), 2);
    QCOMPARE(desk.at(3, 5), quint8(1));
    QCOMPARE(desk.at(9, 6), quint8(1));

    const QImage small(10, 10, QImage::Format_Alpha8);
    QVERIFY(desk.renderer
                .paintMask(pass, small, QRect(0, 0, 10, 10), {2, 0}, false, Texture(),
                           TextureMode::Stencil, nullptr)
                .isEmpty());
}

QTEST_GUILESS_MAIN(TestStrokeRenderer)
#include "tst_strokerenderer.moc"
