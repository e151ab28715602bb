// Single strokes whose exact outcome the random stroke test cannot know.

#include "paint/penstroke.h"
#include "paint/strokerenderer.h"

#include "document/project.h"
#include "rules/clashrules.h"

#include <QtTest>

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(BrushShape)
Q_DECLARE_METATYPE(TextureMode)

namespace
{

// A document with the pen on it, driven the way the canvas tool drives it.
struct Desk {
    Project project;
    StrokeRenderer renderer;
    PenStroke pen{renderer};
    PenSettings settings;

    explicit Desk(CanvasMode mode, int width = 1, LayoutSpec layout = {})
        : project(mode, -1, -1, layout)
    {
        renderer.prepare(project);
        settings.brush.setWidth(width);
    }
    StrokeCommit stroke(const QList<QPoint> &path, StrokeColors colors = {1, 0},
                        std::optional<QPoint> connect = std::nullopt, PenEvent e = {})
    {
        e.pixel = path.first();
        pen.press(project, settings, e, colors, connect);
        for (QPoint p : path.mid(1)) {
            e.pixel = p;
            pen.move(project, settings, e);
        }
        return pen.release(project, settings, e);
    }
    StrokeCommit click(QPoint p, StrokeColors colors = {1, 0}) { return stroke({p}, colors); }
    quint8 at(int x, int y) const { return project.colormap().pixel(x, y); }
    bool legal() const
    {
        return !canvasHasClash(ClashContext::forSweep(project), project.colormap());
    }
};

// Pixels that differ from 0, and their bounding box.
int countPainted(const Colormap &map, QRect *box = nullptr)
{
    int n = 0;
    QRect bounds;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            if (map.pixel(x, y) != 0) {
                ++n;
                bounds |= QRect(x, y, 1, 1);
            }
    if (box)
        *box = bounds;
    return n;
}

} // namespace

class TestStrokeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void dabPerClick_data()
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
        // Radius 2 from a corner: the four corner pixels of the 4 x 4 fall out.
        QTest::newRow("hires 4 round") << H << 4 << R << 12 << QSize(4, 4);
        QTest::newRow("hires 4 square") << H << 4 << S << 16 << QSize(4, 4);
        // Radius 2.5 from a centre: the 5 x 5 less its four corners.
        QTest::newRow("hires 5 round") << H << 5 << R << 21 << QSize(5, 5);
        // Multicolor pixels are two display pixels wide: width 4 is 2 x 4.
        QTest::newRow("multicolor 4 round") << M << 4 << R << 8 << QSize(2, 4);
        QTest::newRow("multicolor 2") << M << 2 << R << 2 << QSize(1, 2);
    }
    void dabPerClick()
    {
        QFETCH(CanvasMode, mode);
        QFETCH(int, width);
        QFETCH(BrushShape, shape);
        Desk desk(mode, width);
        desk.settings.brush.shape = shape;
        const QPoint p(60, 100);
        const StrokeCommit commit = desk.click(p);
        QRect bounds;
        QTEST(countPainted(desk.project.colormap(), &bounds), "pixels");
        QTEST(bounds.size(), "box");
        QVERIFY(bounds.contains(p));
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
    void unchangedPaintRecordsNothing()
    {
        Desk desk(CanvasMode::Hires, 6);
        const StrokeCommit black = desk.click(QPoint(50, 50), {0, 0});
        QVERIFY(black.changed.isEmpty());
        QVERIFY(!black.recorded);
        QCOMPARE(black.endPoint, QPoint(50, 50));
        QVERIFY(desk.click(QPoint(50, 50)).recorded);
        // The same dab again changes nothing and is not recorded.
        QVERIFY(!desk.click(QPoint(50, 50)).recorded);
        QCOMPARE(desk.project.history().nodeCount(), 1);
    }
    void pixelPerfectCorner_data()
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
    void pixelPerfectCorner()
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
        QVERIFY(desk.pen.release(desk.project, desk.settings, e).recorded);
        QCOMPARE(desk.at(10, 10), quint8(1));
        QCOMPARE(desk.at(11, 11), quint8(1));
        QCOMPARE(desk.at(11, 10), quint8(cornerPainted ? 1 : 0));
        QCOMPARE(countPainted(desk.project.colormap()), cornerPainted ? 3 : 2);
    }
    void textures_data()
    {
        QTest::addColumn<CanvasMode>("mode");
        QTest::addColumn<quint16>("bits");
        QTest::addColumn<TextureMode>("textureMode");
        QTest::addColumn<QPoint>("centre");
        const auto H = CanvasMode::Hires;
        // Hires: an 8-wide square dab centred on a corner fills one whole cell.
        QTest::newRow("hires stripes two-colour")
            << H << quint16(0x5555) << TextureMode::TwoColor << QPoint(100, 100);
        // The texture is anchored to the canvas: at x 104..111 only the clear
        // upper half of 0x00FF applies, whatever the dab's own origin.
        QTest::newRow("hires anchored two-colour")
            << H << quint16(0x00FF) << TextureMode::TwoColor << QPoint(108, 100);
        QTest::newRow("hires anchored stencil")
            << H << quint16(0x00FF) << TextureMode::Stencil << QPoint(108, 100);
        QTest::newRow("multicolor stripes stencil")
            << CanvasMode::Multicolor << quint16(0x3333) << TextureMode::Stencil << QPoint(42, 100);
    }
    void textures()
    {
        QFETCH(CanvasMode, mode);
        QFETCH(quint16, bits);
        QFETCH(TextureMode, textureMode);
        QFETCH(QPoint, centre);
        Desk desk(mode, 8);
        desk.settings.brush.shape = BrushShape::Square;
        std::array<quint16, 16> rows;
        rows.fill(bits);
        desk.settings.texture = Texture(rows);
        desk.settings.textureMode = textureMode;
        desk.click(centre, {1, 2});
        // An 8-wide square nib on a corner: 8 display pixels across, 8 rows.
        const int across = mode == CanvasMode::Multicolor ? 4 : 8;
        const QRect dab(centre.x() - across / 2, centre.y() - 4, across, 8);
        for (int y = dab.top() - 1; y <= dab.bottom() + 1; ++y) {
            for (int x = dab.left() - 1; x <= dab.right() + 1; ++x) {
                const bool set = (bits >> (x % 16)) & 1;
                const int two = textureMode == TextureMode::TwoColor ? 2 : 0;
                QCOMPARE(desk.at(x, y), quint8(dab.contains(x, y) ? (set ? 1 : two) : 0));
            }
        }
        QVERIFY(desk.legal());
    }
    void spriteBudget()
    {
        // Six of eight sprite columns of the top border occupied.
        for (const auto policy : {SpriteCountPolicy::Enforce, SpriteCountPolicy::Flag}) {
            Desk desk(CanvasMode::Hires, 1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
            desk.project.setSpriteCountPolicy(policy);
            for (int c = 0; c < 6; ++c)
                desk.project.colormap().setPixel(c * 24 + 3, 40, 1);
            desk.stroke({QPoint(0, 20), QPoint(319, 20)});
            // Under Enforce the stroke opens two more columns, then stops.
            const bool enforce = policy == SpriteCountPolicy::Enforce;
            for (int x = 0; x < 320; ++x)
                QCOMPARE(desk.at(x, 20), quint8(x < 8 * 24 || !enforce ? 1 : 0));
            // The bitmap below the border is not budgeted.
            desk.stroke({QPoint(0, 100), QPoint(319, 100)});
            QCOMPARE(desk.at(300, 100), quint8(1));
        }
    }
    void antialiasing()
    {
        // Soft edges in multicolor only; going back over a segment within one
        // stroke keeps its edges, as coverage does not add up.
        for (const CanvasMode mode : {CanvasMode::Multicolor, CanvasMode::Hires}) {
            Desk there(mode, 8), andBack(mode, 8);
            there.settings.brush.antialiased = andBack.settings.brush.antialiased = true;
            there.stroke({QPoint(20, 40), QPoint(90, 70)});
            andBack.stroke({QPoint(20, 40), QPoint(90, 70), QPoint(20, 40)});
            QCOMPARE(andBack.project.colormap(), there.project.colormap());
            const Colormap &map = there.project.colormap();
            bool blended = false;
            for (int y = 0; y < map.height(); ++y)
                for (int x = 0; x < map.width(); ++x)
                    blended |= map.pixel(x, y) > 1;
            QCOMPARE(blended, mode == CanvasMode::Multicolor);
            QVERIFY(countPainted(map) > 0);
            QVERIFY(there.legal());
        }
    }
    void antialiasedEdgeCoverage_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("alpha");
        // One round dab at (20, 20) on square pixels. Each pixel is sampled at its
        // centre; with d the distance to the nib centre and r = width / 2 the
        // edge term is e = r + 0.5 - d, and the byte is round(255 e) within 0..1.
        // Width 4 centres on the corner (20, 20), r = 2.
        QTest::newRow("4: inside") << 4 << QPoint(20, 20) << 255;
        // d = sqrt(1.5^2 + 0.5^2) = 1.5811, e = 0.9189.
        QTest::newRow("4: side") << 4 << QPoint(21, 20) << 234;
        QTest::newRow("4: side, other quadrant") << 4 << QPoint(19, 21) << 234;
        // d = 1.5 sqrt 2 = 2.1213, e = 0.3787.
        QTest::newRow("4: diagonal") << 4 << QPoint(21, 21) << 97;
        QTest::newRow("4: opposite diagonal") << 4 << QPoint(18, 18) << 97;
        // d = sqrt(2.5^2 + 0.5^2) = 2.5495: just outside.
        QTest::newRow("4: beyond") << 4 << QPoint(22, 20) << 0;
        // Width 5 centres on the pixel, at (20.5, 20.5), r = 2.5.
        // d = 2 sqrt 2 = 2.8284, e = 0.1716.
        QTest::newRow("5: diagonal") << 5 << QPoint(22, 22) << 44;
        // d = sqrt 5 = 2.2361, e = 0.7639.
        QTest::newRow("5: knight") << 5 << QPoint(22, 21) << 195;
        QTest::newRow("5: knight, other quadrant") << 5 << QPoint(18, 19) << 195;
        // d = 2, e = 1.
        QTest::newRow("5: side") << 5 << QPoint(22, 20) << 255;
        // d = 3, e = 0.
        QTest::newRow("5: beyond") << 5 << QPoint(23, 20) << 0;
    }
    void antialiasedEdgeCoverage()
    {
        QFETCH(int, width);
        QFETCH(QPoint, pixel);
        Desk desk(CanvasMode::Hires, width);
        QCOMPARE(desk.project.view().pixelWidth(), 1.0);
        QCOMPARE(desk.project.view().displayAspect(), 1.0);
        PaintParams params;
        params.brush = desk.settings.brush;
        params.brush.antialiased = true;
        const QPoint centre(20, 20);
        const QRect bounds = desk.renderer.rasterize(desk.project, params, SymmetryTransform(),
                                                     centre, centre, true);
        QVERIFY(bounds.contains(centre));
        const QImage &mask = desk.renderer.mask();
        QTEST(int(mask.constScanLine(pixel.y())[pixel.x()]), "alpha");
    }
    void previewLeavesDocumentAlone()
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
        QCOMPARE(desk.project.history().nodeCount(), 0);
        QCOMPARE(copy.pixel(10, 10), quint8(1));
        QCOMPARE(copy.pixel(309, 10), quint8(1));
        QCOMPARE(countPainted(copy), 2);
        // The repaint area covers both copies' whole cells.
        QVERIFY(area.contains(QRect(8, 8, 8, 8)));
        QVERIFY(area.contains(QRect(304, 8, 8, 8)));
        // Idle with Shift and a connect point: the connecting line.
        Colormap line = start;
        e.shift = true;
        desk.pen.renderPreview(desk.project, line, desk.settings, e, {1, 0}, QPoint(10, 30));
        for (int y = 10; y <= 30; ++y)
            QCOMPARE(line.pixel(10, y), quint8(1));
    }
    void colorsAndConnectPoint()
    {
        QCOMPARE(penColors(7, 3, true).stroke, quint8(3));
        QCOMPARE(penColors(7, 3, true).other, quint8(7));
        // The eraser paints the background slot in multicolor, the secondary in hires.
        for (const CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
            Desk desk(mode);
            desk.project.setSlot(ColorSlot::Background, 6);
            const quint8 blank = mode == CanvasMode::Hires ? 3 : 6;
            const StrokeColors erase = eraserColors(desk.project, 3);
            QCOMPARE(erase.stroke, blank);
            QCOMPARE(erase.other, blank);
        }

        // The Shift line starts at a pending point left by a stroke that recorded
        // nothing, else where the history's last stroke ended.
        Desk desk(CanvasMode::Hires);
        const History &history = desk.project.history();
        QCOMPARE(connectPointFor(std::nullopt, history), std::nullopt);
        desk.click(QPoint(4, 9));
        QCOMPARE(connectPointFor(std::nullopt, history), std::optional<QPoint>(QPoint(4, 9)));
        QCOMPARE(connectPointFor(QPoint(30, 2), history), std::optional<QPoint>(QPoint(30, 2)));
    }
    void externalMask()
    {
        Desk desk(CanvasMode::Multicolor);
        QImage mask(StrokeRenderer::maskSize(desk.project), QImage::Format_Alpha8);
        QCOMPARE(mask.size(), QSize(desk.project.width() * 2, desk.project.height()));
        mask.fill(0);
        mask.scanLine(5)[3 * 2 + 1] = 1; // the second display byte of (3, 5)
        mask.scanLine(6)[9 * 2] = 200;
        mask.scanLine(7)[40 * 2] = 255; // outside the bounds below
        PaintPass pass = desk.renderer.beginEdit(desk.project);
        const QRect changed =
            desk.renderer.paintMask(pass, mask, QRect(0, 0, 20, 20), {1, 0}, false, Texture(),
                                    TextureMode::Stencil, nullptr);
        QCOMPARE(changed, QRect(QPoint(3, 5), QPoint(9, 6)));
        QCOMPARE(pass.changed(), changed);
        QCOMPARE(countPainted(desk.project.colormap()), 2);
        QCOMPARE(desk.at(3, 5), quint8(1));
        QCOMPARE(desk.at(9, 6), quint8(1));
    }
};

// Contours and shapes hand their own mask to the same pixel loop: any
// non-zero byte of a colormap pixel's display bytes covers it.
QTEST_GUILESS_MAIN(TestStrokeRenderer)
#include "tst_strokerenderer.moc"
