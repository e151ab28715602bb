// Single strokes whose exact outcome the random stroke test cannot know.

#include "../common/canvasrows.h"

#include "paint/penstroke.h"
#include "paint/strokerenderer.h"

#include "document/project.h"
#include "rules/clashrules.h"

#include <QtTest>

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
    StrokeCommit stroke(const QList<QPoint> &path, StrokeColors colors = {1, 0})
    {
        PenEvent e{path.first()};
        pen.press(project, settings, e, colors, std::nullopt);
        for (QPoint p : path.mid(1)) {
            e.pixel = p;
            pen.move(project, settings, e);
        }
        return pen.release(project, settings, e);
    }
    StrokeCommit click(QPoint p, StrokeColors colors = {1, 0}) { return stroke({p}, colors); }
    quint8 at(int x, int y) const { return project.colormap().pixel(x, y); }
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

struct Dab {
    CanvasMode mode;
    int width;
    BrushShape shape;
    int pixels;
    QSize box;
};
struct Textured {
    CanvasMode mode;
    quint16 bits;
    TextureMode textureMode;
    QPoint centre;
};
struct Edge {
    int width;
    QPoint pixel;
    int alpha;
};

} // namespace

Q_DECLARE_METATYPE(Dab)
Q_DECLARE_METATYPE(Edge)
Q_DECLARE_METATYPE(Textured)

class TestStrokeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void dabPerClick_data()
    {
        const auto H = CanvasMode::Hires, M = CanvasMode::Multicolor;
        const auto R = BrushShape::Round, S = BrushShape::Square;
        // Even widths centre on a pixel corner, odd ones on a pixel centre;
        // multicolor pixels are two display pixels wide.
        addRows<Dab>({{"hires 1", {H, 1, R, 1, {1, 1}}},
                      {"hires 2 round", {H, 2, R, 4, {2, 2}}},
                      {"hires 4 round: corners out", {H, 4, R, 12, {4, 4}}},
                      {"hires 4 square", {H, 4, S, 16, {4, 4}}},
                      {"hires 5 round: corners out", {H, 5, R, 21, {5, 5}}},
                      {"multicolor 4 round", {M, 4, R, 8, {2, 4}}}});
    }
    void dabPerClick()
    {
        QFETCH(Dab, row);
        Desk desk(row.mode, row.width);
        desk.settings.brush.shape = row.shape;
        const QPoint p(60, 100);
        QVERIFY(desk.click(p).recorded);
        QRect bounds;
        QCOMPARE(countPainted(desk.project.colormap(), &bounds), row.pixels);
        QCOMPARE(bounds.size(), row.box);
        QVERIFY(bounds.contains(p));
        const HistoryNode &node = desk.project.history().nodes().first();
        QVERIFY(node.hasConnectPoint && node.connectPoint == p);
        QCOMPARE(node.changes.first().rect, bounds);
    }
    void pixelPerfectCorner()
    {
        // A mouse stroke drops the corner of a right-then-down turn; a light
        // tablet stroke with widening on stays width 1 but is plainly strict.
        for (const auto &[tablet, widening] :
             {std::pair{false, true}, {true, false}, {true, true}}) {
            const bool cornerPainted = tablet && widening;
            Desk desk(CanvasMode::Hires);
            desk.settings.brush.pixelPerfect = true;
            desk.settings.pressureWidening = widening;
            PenEvent e{QPoint(10, 10), tablet, 0.1};
            desk.pen.press(desk.project, desk.settings, e, {1, 0}, std::nullopt);
            QCOMPARE(desk.pen.isPixelPerfect(), !cornerPainted);
            e.pixel = QPoint(11, 10);
            desk.pen.move(desk.project, desk.settings, e);
            if (!cornerPainted) {
                // The corner is only provisional: shown by the preview, not painted.
                QCOMPARE(desk.at(11, 10), quint8(0));
                const auto preview = desk.pen.previewSegment(e, {1, 0}, std::nullopt);
                QVERIFY(preview && preview->from == e.pixel && preview->to == e.pixel);
            }
            e.pixel = QPoint(11, 11);
            desk.pen.move(desk.project, desk.settings, e);
            QVERIFY(desk.pen.release(desk.project, desk.settings, e).recorded);
            QCOMPARE(desk.at(11, 10), quint8(cornerPainted ? 1 : 0));
            QCOMPARE(desk.at(10, 10) + desk.at(11, 11), 2);
            QCOMPARE(countPainted(desk.project.colormap()), cornerPainted ? 3 : 2);
        }
    }
    void textures_data()
    {
        // The texture is anchored to the canvas: at x 104..111 only the clear
        // upper half of 0x00FF applies, whatever the dab's own origin.
        const auto H = CanvasMode::Hires;
        addRows<Textured>(
            {{"hires anchored two-colour", {H, 0x00FF, TextureMode::TwoColor, {108, 100}}},
             {"hires anchored stencil", {H, 0x00FF, TextureMode::Stencil, {108, 100}}},
             {"multicolor stripes stencil",
              {CanvasMode::Multicolor, 0x3333, TextureMode::Stencil, {42, 100}}}});
    }
    void textures()
    {
        QFETCH(Textured, row);
        Desk desk(row.mode, 8);
        desk.settings.brush.shape = BrushShape::Square;
        std::array<quint16, 16> rows;
        rows.fill(row.bits);
        desk.settings.texture = Texture(rows);
        desk.settings.textureMode = row.textureMode;
        desk.click(row.centre, {1, 2});
        // An 8-wide square nib on a corner: 8 display pixels across, 8 rows.
        const int across = row.mode == CanvasMode::Multicolor ? 4 : 8;
        const QRect dab(row.centre.x() - across / 2, row.centre.y() - 4, across, 8);
        const int two = row.textureMode == TextureMode::TwoColor ? 2 : 0;
        for (int y = dab.top() - 1; y <= dab.bottom() + 1; ++y)
            for (int x = dab.left() - 1; x <= dab.right() + 1; ++x)
                QCOMPARE(desk.at(x, y),
                         quint8(dab.contains(x, y) ? ((row.bits >> (x % 16)) & 1 ? 1 : two) : 0));
    }
    void spriteBudget()
    {
        // Six of eight sprite columns of the top border occupied: under Enforce
        // a stroke opens two more columns, then stops; under Flag it goes on.
        for (const auto policy : {SpriteCountPolicy::Enforce, SpriteCountPolicy::Flag}) {
            Desk desk(CanvasMode::Hires, 1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
            desk.project.setSpriteCountPolicy(policy);
            for (int c = 0; c < 6; ++c)
                desk.project.colormap().setPixel(c * 24 + 3, 40, 1);
            desk.stroke({QPoint(0, 20), QPoint(319, 20)});
            for (int x = 0; x < 320; ++x)
                QCOMPARE(desk.at(x, 20),
                         quint8(x < 8 * 24 || policy == SpriteCountPolicy::Flag ? 1 : 0));
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
            bool blended = false;
            for (int y = 30; y < 80; ++y)
                for (int x = 10; x < 100; ++x)
                    blended |= there.at(x, y) > 1;
            QCOMPARE(blended, mode == CanvasMode::Multicolor);
            QVERIFY(there.at(55, 55) != 0);
        }
    }
    void antialiasedEdgeCoverage_data()
    {
        // One round dab at (20, 20) on square pixels, each pixel sampled at its
        // centre: with d the distance to the nib centre and r = width / 2 the
        // byte is round(255 (r + 0.5 - d)) within 0..255. Width 4 centres on
        // the corner (20, 20), width 5 on (20.5, 20.5).
        addRows<Edge>({{"4: inside", {4, {20, 20}, 255}},
                       {"4: side, d 1.5811", {4, {19, 21}, 234}},
                       {"4: diagonal, d 2.1213", {4, {18, 18}, 97}},
                       {"4: beyond, d 2.5495", {4, {22, 20}, 0}},
                       {"5: diagonal, d 2.8284", {5, {22, 22}, 44}},
                       {"5: knight, d 2.2361", {5, {18, 19}, 195}},
                       {"5: side, d 2", {5, {22, 20}, 255}},
                       {"5: beyond, d 3", {5, {23, 20}, 0}}});
    }
    void antialiasedEdgeCoverage()
    {
        QFETCH(Edge, row);
        Desk desk(CanvasMode::Hires, row.width);
        QCOMPARE(desk.project.view().displayAspect(), 1.0);
        PaintParams params;
        params.brush = desk.settings.brush;
        params.brush.antialiased = true;
        const QPoint c(20, 20);
        QVERIFY(desk.renderer.rasterize(desk.project, params, {}, c, c, true).contains(c));
        QCOMPARE(int(desk.renderer.mask().constScanLine(row.pixel.y())[row.pixel.x()]), row.alpha);
    }
    void symmetryCopiesMirrorTheDab()
    {
        // Each copy paints the mirror image of the dab, a turned nib included;
        // the multicolor nib is centred across but not down.
        for (const auto &[mode, width] :
             {std::pair{CanvasMode::Hires, 7}, {CanvasMode::Multicolor, 6}}) {
            Desk one(mode, width), all(mode, width);
            for (Desk *desk : {&one, &all}) {
                desk->settings.brush.shape = BrushShape::Square;
                desk->settings.viewRotation = 30;
            }
            all.settings.transforms = symmetryTransforms(SymmetryMode::Quadrant,
                                                         SymmetryAxes::centreOf(all.project.size()),
                                                         int(all.project.view().pixelWidth()), 1.0);
            one.click(QPoint(30, 40));
            all.click(QPoint(30, 40));
            Colormap expected = one.project.colormap();
            for (int y = 0; y < expected.height(); ++y)
                for (int x = 0; x < expected.width(); ++x)
                    for (const SymmetryTransform &t : all.settings.transforms)
                        if (one.at(x, y)) {
                            const QPoint q = t.mapPixel(QPoint(x, y));
                            expected.setPixel(q.x(), q.y(), 1);
                        }
            QVERIFY(countPainted(one.project.colormap()) > width);
            QCOMPARE(all.project.colormap(), expected);
        }
    }
    void externalMask()
    {
        // Contours and shapes hand their own mask to the same pixel loop: any
        // non-zero byte of a colormap pixel's display bytes covers it.
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
        QCOMPARE(desk.at(3, 5) + desk.at(9, 6), 2);
    }
};

QTEST_GUILESS_MAIN(TestStrokeRenderer)
#include "tst_strokerenderer.moc"
