// Shape outlines and their rasterisation through the paint pipeline.

#include "../common/paintrows.h"

#include "paint/shaperenderer.h"

#include "document/project.h"
#include "document/viewtransform.h"

#include <QtTest>

namespace
{

struct Desk {
    Project project;
    StrokeRenderer strokes;
    ShapeRenderer shapes{strokes};

    explicit Desk(CanvasMode mode) : project(mode)
    {
        project.view().setDisplayAspect(1.0);
        strokes.prepare(project);
    }
    QRect paint(const StagedShape &shape, const QList<SymmetryTransform> &copies = {})
    {
        PaintPass pass = strokes.beginEdit(project);
        return shapes.paint(pass, shape, copies);
    }
    // The pixels of `rect` that hold colour 1, as rows of '#' and '.'.
    QStringList rows(const QRect &rect) const
    {
        QStringList out;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QString line;
            for (int x = rect.left(); x <= rect.right(); ++x)
                line += project.colormap().pixel(x, y) == 1 ? u'#' : u'.';
            out << line;
        }
        return out;
    }
};

// The rows of the block `name` in shapemasks.txt.
QStringList maskBlock(const QString &name)
{
    QFile in(QStringLiteral(KORVEN_SOURCE_DIR "/tests/paint/shapemasks.txt"));
    const QString text = in.open(QIODevice::ReadOnly) ? QString::fromUtf8(in.readAll()) : QString();
    const qsizetype start = text.indexOf(QStringLiteral("= ") + name + u'\n');
    if (start < 0)
        return {};
    return text.mid(start)
        .section(QStringLiteral("\n\n"), 0, 0)
        .split(u'\n', Qt::SkipEmptyParts)
        .mid(1);
}

StagedShape shapeOf(ShapeKind kind, QPointF half, double radius = 0.0)
{
    StagedShape s;
    s.kind = kind;
    s.halfSize = half;
    s.cornerRadius = radius;
    return s;
}

} // namespace

class TestShapeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void masks_data() { addTextRows("paint/shaperenderer.txt", "mask"); }
    void masks()
    {
        QFETCH(QStringList, row);
        Desk desk(CanvasMode(row[1].toInt()));
        StagedShape s = shapeOf(ShapeKind(row[0].toInt()), pointFOf(row[4]), row[5].toDouble());
        s.width = row[2].toInt();
        s.centre = pointFOf(row[3]);
        s.cornerOffsets[2] = pointFOf(row[6]);
        const QRect changed = desk.paint(s);
        const QStringList actual = desk.rows(changed);
        QVERIFY2(actual == maskBlock(row[7]), qPrintable(u'\n' + actual.join(u'\n')));
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
        StagedShape s = shapeOf(ShapeKind(kind), {12, 9});
        s.centre = {40.5, 40.5};
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
            StagedShape s = shapeOf(ShapeKind::Circle, {20, 10});
            s.centre = {40.5 * hard.project.view().pixelWidth(), 40.5};
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
        StagedShape s = shapeOf(ShapeKind::Rectangle, {5, 4});
        s.centre = {30.5, 30.5};
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
