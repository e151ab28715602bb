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
    // The pixels of `rect` that hold `color`, as rows of '#' and '.'.
    QStringList rows(const QRect &rect, quint8 color = 1) const
    {
        QStringList out;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QString line;
            for (int x = rect.left(); x <= rect.right(); ++x)
                line += project.colormap().pixel(x, y) == color ? u'#' : u'.';
            out << line;
        }
        return out;
    }
};

QPointF pointFOf(const QString &text)
{
    const QStringList v = text.split(u',');
    return QPointF(v.value(0).toDouble(), v.value(1).toDouble());
}

QStringList maskBlock(const QString &name)
{
    QFile in(QStringLiteral(KORVEN_SOURCE_DIR "/tests/paint/shapemasks.txt"));
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList block;
    bool inBlock = false;
    for (const QString &line : QString::fromUtf8(in.readAll()).split(u'\n')) {
        if (line.startsWith(u'='))
            inBlock = line.mid(1).trimmed() == name;
        else if (inBlock && !line.isEmpty())
            block << line;
    }
    return block;
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
    void outlinePoints_data() { addTextRows("paint/shaperenderer.txt", "points"); }
    void outlinePoints()
    {
        QFETCH(QStringList, row);
        const StagedShape s =
            shapeOf(ShapeKind(row[0].toInt()), pointFOf(row[1]), row[2].toDouble());
        const QPolygonF outline = s.localOutline();
        QCOMPARE(outline.size(), row[3].toInt());
        // Every point stays within the box; a star's odd points lie on the
        // inner ellipse.
        for (qsizetype i = 0; i < outline.size(); ++i) {
            const QPointF p = outline[i];
            const double e = std::hypot(p.x() / s.halfSize.x(), p.y() / s.halfSize.y());
            QVERIFY(std::abs(p.x()) <= s.halfSize.x() + 1e-9 &&
                    std::abs(p.y()) <= s.halfSize.y() + 1e-9);
            if (s.kind == ShapeKind::Star)
                QVERIFY(std::abs(e - (i % 2 ? s.innerRatio : 1.0)) < 1e-9);
        }
    }
    void transformPlacesBox()
    {
        // Seeded random boxes: the corners land on the skewed, rotated
        // quadrilateral, and a line's points follow a resized box.
        QRandomGenerator random(16);
        const auto uniform = [&](double lo, double hi) { return lo + random.bounded(hi - lo); };
        for (int round = 0; round < 50; ++round) {
            StagedShape s = shapeOf(ShapeKind::Line, {uniform(1.0, 30.0), uniform(1.0, 30.0)});
            s.centre = {random.bounded(100.0), random.bounded(100.0)};
            s.rotation = uniform(-180.0, 180.0);
            const int skewed = random.bounded(4);
            s.cornerOffsets[size_t(skewed)] = {uniform(-5.0, 5.0), uniform(-5.0, 5.0)};
            s.points = {-s.halfSize, s.halfSize};
            s.capturedHalfSize = s.halfSize;
            const std::array<QPointF, 4> c = s.corners();
            const double signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
            for (int i = 0; i < 4; ++i) {
                const QPointF local =
                    QPointF(signs[i][0] * s.halfSize.x(), signs[i][1] * s.halfSize.y()) +
                    s.cornerOffsets[size_t(i)];
                const QPointF expected = s.centre + QTransform().rotate(s.rotation).map(local);
                QVERIFY(QLineF(c[size_t(i)], expected).length() < 1e-6);
            }
            QVERIFY(QLineF(s.outline()[1], c[2]).length() < 1e-6);
            s.halfSize *= 2.0;
            QVERIFY(QLineF(s.outline()[1], s.corners()[2]).length() < 1e-6);
        }
    }
    void filling_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("fills");
        QTest::newRow("rectangle") << 1 << true;
        QTest::newRow("circle") << 2 << true;
        QTest::newRow("star") << 3 << true;
        QTest::newRow("line") << 0 << false;
        QTest::newRow("path") << 4 << false;
    }
    void filling()
    {
        QFETCH(int, kind);
        QFETCH(bool, fills);
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
            s.filled = true;
            s.strokeColor = 2;
            hard.paint(s);
            s.antialiased = true;
            soft.paint(s);
            QCOMPARE(hard.project.colormap() == soft.project.colormap(), mode == CanvasMode::Hires);
            QCOMPARE(soft.project.colormap().pixel(40, 40), quint8(2));
        }
    }
    void symmetryCopies()
    {
        Desk desk(CanvasMode::Hires);
        const QSize size = desk.project.size();
        StagedShape s = shapeOf(ShapeKind::Rectangle, {5, 4});
        s.centre = {30.5, 30.5};
        desk.paint(
            s, symmetryTransforms(SymmetryMode::Quadrant, SymmetryAxes::centreOf(size), 1, 1.0));
        const QRect box(25, 26, 11, 9);
        for (const QPoint corner : {box.topLeft(), box.bottomRight()})
            for (const QPoint p : {corner, QPoint(size.width() - 1 - corner.x(), corner.y()),
                                   QPoint(corner.x(), size.height() - 1 - corner.y())})
                QCOMPARE(desk.project.colormap().pixel(p.x(), p.y()), quint8(1));
    }
};

QTEST_GUILESS_MAIN(TestShapeRenderer)
#include "tst_shaperenderer.moc"
