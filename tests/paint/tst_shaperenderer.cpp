// Shape outlines and their rasterisation through the paint pipeline.

#include "../common/paintrows.h"
#include "desk.h"

#include <QtTest>

namespace
{

// Every member without a default named, as -Wextra asks.
StagedShape shapeOf(ShapeKind kind, QPointF half, QPointF centre = {})
{
    return {.kind = kind, .centre = centre, .halfSize = half, .points = {}, .texture = {}};
}

} // namespace

class TestShapeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void tinyMasks_data() { addTextRows("paint/shaperenderer.txt", "tiny"); }
    void tinyMasks()
    {
        // Hand-worked masks of shapes dragged between pixel centres on hires.
        QFETCH(QStringList, row);
        Desk desk(CanvasMode::Hires);
        StagedShape s = shapeOf(ShapeKind(row[0].toInt()), pointFOf(row[2]), {20.5, 20.5});
        s.filled = row[1] == u'1';
        const QRect changed = desk.paint(s);
        QCOMPARE(desk.rows(changed).join(u'/'), row[3]);
    }
    void shapeProperties()
    {
        // Rectangles and ellipses dragged from one pixel centre to another
        // an even number of pixels away, so the centre sits on a
        // pixel: the mask mirrors about it (and a hires circle turns a quarter
        // onto itself), an open outline is one 8-connected ring lying within the
        // filled shape, the filled shape has no holes, and a one-pixel
        // outline spans exactly the pixels from press to release.
        QRandomGenerator random(53);
        // Every half size from 1 to 12 across and down, in both kinds and modes.
        for (int round = 0; round < 576; ++round) {
            const bool circle = round % 2, hires = round < 288;
            const int width = 1 + random.bounded(4);
            const QPoint press(30 + random.bounded(40), 30 + random.bounded(40));
            const QPoint drag((random.bounded(2) ? 2 : -2) * (1 + round / 2 % 12),
                              (random.bounded(2) ? 2 : -2) * (1 + round / 24 % 12));
            const QPointF p = QPointF(press) + QPointF(0.5, 0.5), q = p + QPointF(drag);
            StagedShape s = shapeOf(circle ? ShapeKind::Circle : ShapeKind::Rectangle,
                                    (q - p) / 2.0, (p + q) / 2.0);
            // A multicolor pixel is two display units wide.
            s.centre.rx() *= hires ? 1 : 2;
            s.halfSize.rx() *= hires ? 1 : 2;
            s.width = width;
            const QPoint c = press + drag / 2;
            const CanvasMode mode = hires ? CanvasMode::Hires : CanvasMode::Multicolor;
            Desk open(mode), filled(mode);
            const Pixels ring = open.painted(open.paint(s));
            s.filled = true;
            const QRect filledRect = filled.paint(s);
            const Pixels solid = filled.painted(filledRect);
            const QByteArray what = "round " + QByteArray::number(round);
            const bool turns = circle && hires && std::abs(drag.x()) == std::abs(drag.y());
            for (const Pixels &set : {ring, solid})
                for (const auto &[x, y] : set)
                    QVERIFY2(set.contains({2 * c.x() - x, y}) && set.contains({x, 2 * c.y() - y}) &&
                                 (!turns || set.contains({c.x() + y - c.y(), c.y() + c.x() - x})),
                             what);
            QVERIFY2(eightConnected(ring) && ring - solid == Pixels(), what);
            const QRect frame = filledRect.adjusted(-1, -1, 1, 1);
            const Pixels gaps = pixelsWhere(frame, [&](int x, int y) {
                return !solid.contains({x, y});
            });
            QVERIFY2(reach(gaps, {frame.left(), frame.top()}, false) == gaps, what);
            QRect box;
            for (const auto &[x, y] : solid)
                box |= QRect(x, y, 1, 1);
            QVERIFY2(width > 1 ||
                         box == (QRect(press, QSize(1, 1)) | QRect(press + drag, QSize(1, 1))),
                     what);
        }
    }
    void transformPlacesBox()
    {
        // Seeded random boxes: each corner lands on centre + R(corner +
        // offset), and a line's end follows its corner through a resize.
        QRandomGenerator random(16);
        const auto uniform = [&](double lo, double hi) { return lo + random.bounded(hi - lo); };
        for (int round = 0; round < 50; ++round) {
            StagedShape s = shapeOf(ShapeKind::Line, {uniform(1, 30), uniform(1, 30)});
            s.centre = {uniform(0, 100), uniform(0, 100)};
            s.rotation = uniform(-180, 180);
            const int k = random.bounded(4);
            s.cornerOffsets[size_t(k)] = {uniform(-5, 5), uniform(-5, 5)};
            s.points = {-s.halfSize, s.halfSize};
            s.capturedHalfSize = s.halfSize;
            const QPointF signs[4] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int i = 0; i < 4; ++i) {
                const QPointF local(signs[i].x() * s.halfSize.x(), signs[i].y() * s.halfSize.y());
                const QPointF expected =
                    s.centre +
                    QTransform().rotate(s.rotation).map(local + s.cornerOffsets[size_t(i)]);
                QVERIFY(QLineF(s.corners()[size_t(i)], expected).length() < 1e-6);
            }
            s.halfSize *= 2.0;
            QVERIFY(QLineF(s.outline()[1], s.corners()[2]).length() < 1e-6);
        }
    }
    void filling_data() { addTextRows("paint/shaperenderer.txt", "fill"); }
    void filling()
    {
        QFETCH(QStringList, row);
        const int kind = row[0].toInt();
        const bool fills = row[1] == u'1';
        Desk open(CanvasMode::Hires), filled(CanvasMode::Hires);
        StagedShape s = shapeOf(ShapeKind(kind), {12, 9}, {40.5, 40.5});
        s.points = {{-12, -9}, {0, 9}, {12, -9}};
        s.capturedHalfSize = s.halfSize;
        const QRect openRect = open.paint(s);
        s.filled = true;
        const QRect filledRect = filled.paint(s);
        QCOMPARE(filled.project.colormap().pixel(40, 38) == 1, fills);
        QCOMPARE(filledRect == openRect && open.rows(openRect) == filled.rows(openRect), !fills);
    }
    void antialiasingNeedsMulticolor()
    {
        // A latched anti-aliased shape blends its rim on multicolor only: on
        // hires it paints exactly what the hard-edged one does.
        for (const CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
            Desk hard(mode), soft(mode);
            StagedShape s = shapeOf(ShapeKind::Circle, {20, 10},
                                    {40.5 * hard.project.view().pixelWidth(), 40.5});
            s.width = 4;
            hard.paint(s);
            s.antialiased = true;
            soft.paint(s);
            QCOMPARE(hard.project.colormap() == soft.project.colormap(), mode == CanvasMode::Hires);
        }
    }
    void symmetryCopies()
    {
        // Each copy paints the shape's corner pixel mapped through it.
        Desk desk(CanvasMode::Hires);
        StagedShape s = shapeOf(ShapeKind::Rectangle, {5, 4}, {30.5, 30.5});
        const QList<SymmetryTransform> copies = symmetryTransforms(
            SymmetryMode::Quadrant, SymmetryAxes::centreOf(desk.project.size()), 1, 1.0);
        desk.paint(s, copies);
        for (const SymmetryTransform &copy : copies) {
            const QPoint p = copy.mapPixel(QPoint(25, 26));
            QCOMPARE(desk.project.colormap().pixel(p.x(), p.y()), quint8(1));
        }
    }
};

QTEST_GUILESS_MAIN(TestShapeRenderer)
#include "tst_shaperenderer.moc"
