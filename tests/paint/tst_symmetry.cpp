#include "paint/symmetry.h"

#include <QtTest>
#include <cmath>

class TestSymmetry : public QObject
{
    Q_OBJECT

private slots:
    void mapPixel_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("axisRow");
        QTest::addColumn<int>("axisColumn");
        QTest::addColumn<int>("pixelWidth");
        QTest::addColumn<int>("copy");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<QPoint>("expected");
        // An axis on a pixel boundary (row 200 = y 100) mirrors y to 199 - y.
        QTest::newRow("boundary axis")
            << 1 << 200 << 320 << 1 << 1 << QPoint(10, 20) << QPoint(10, 179);
        // An axis through a pixel centre (row 201 = y 100.5) keeps that row.
        QTest::newRow("centre axis row")
            << 1 << 201 << 320 << 1 << 1 << QPoint(7, 100) << QPoint(7, 100);
        QTest::newRow("centre axis other")
            << 1 << 201 << 320 << 1 << 1 << QPoint(7, 98) << QPoint(7, 102);
        QTest::newRow("half turn")
            << 3 << 200 << 320 << 1 << 3 << QPoint(10, 20) << QPoint(309, 179);
        // Hires diagonal mirror about (160, 100): offsets swap.
        QTest::newRow("hires diagonal")
            << 4 << 200 << 320 << 1 << 4 << QPoint(110, 80) << QPoint(140, 50);
        // Multicolor, pixels twice as wide: an offset of (-9.5, -19.5) becomes
        // (-19.5 / 2, -9.5 x 2) = (-9.75, -19) about (80, 100).
        QTest::newRow("multicolor diagonal")
            << 4 << 200 << 160 << 2 << 4 << QPoint(70, 80) << QPoint(70, 81);
        // Hires quarter turn (0, -1, 1, 0): offset (dx, dy) -> (-dy, dx).
        QTest::newRow("kaleidoscope 90")
            << 5 << 200 << 320 << 1 << 2 << QPoint(170, 100) << QPoint(159, 110);
    }
    void mapPixel()
    {
        QFETCH(int, mode);
        QFETCH(int, axisRow);
        QFETCH(int, axisColumn);
        QFETCH(int, pixelWidth);
        QFETCH(int, copy);
        QFETCH(QPoint, pixel);
        QFETCH(QPoint, expected);
        const QList<SymmetryTransform> list = symmetryTransforms(
            SymmetryMode(mode), SymmetryAxes{axisRow, axisColumn}, pixelWidth, 1.0);
        QCOMPARE(list[copy].mapPixel(pixel), expected);
        QCOMPARE(list[0].mapPixel(pixel), pixel);
    }
    void displaySpaceIsometry_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pixelWidth");
        QTest::addColumn<double>("aspect");
        QTest::addColumn<int>("copies");
        const int copies[] = {1, 2, 2, 4, 8, 8};
        for (int mode = 1; mode <= 5; ++mode) {
            QTest::addRow("mode %d hires", mode) << mode << 1 << 1.0 << copies[mode];
            QTest::addRow("mode %d multicolor pal", mode) << mode << 2 << 0.9375 << copies[mode];
            QTest::addRow("mode %d hires ntsc", mode) << mode << 1 << 0.75 << copies[mode];
        }
    }
    void displaySpaceIsometry()
    {
        QFETCH(int, mode);
        QFETCH(int, pixelWidth);
        QFETCH(double, aspect);
        const SymmetryAxes axes{150, 101};
        const QPointF centre = axes.intersection();
        auto displayLength = [&](QPointF p) {
            const QPointF d = p - centre;
            return std::hypot(d.x() * pixelWidth, d.y() / aspect);
        };
        const QList<QPointF> probes = {{3.0, 7.5}, {60.25, 120.0}, {-4.0, 2.0}, {50.5, 75.0}};
        const QList<SymmetryTransform> list =
            symmetryTransforms(SymmetryMode(mode), axes, pixelWidth, aspect);
        QTEST(int(list.size()), "copies");
        QVERIFY(list[0].isIdentity());
        for (const SymmetryTransform &t : list) {
            for (QPointF p : probes)
                QVERIFY(std::abs(displayLength(t.map(p)) - displayLength(p)) < 1e-9);
            QCOMPARE(t.map(centre), centre);
        }
    }
    void guides_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pixelWidth");
        QTest::addColumn<int>("lines");
        QTest::newRow("none") << 0 << 1 << 0;
        QTest::newRow("horizontal") << 1 << 1 << 1;
        QTest::newRow("quadrant") << 3 << 1 << 2;
        QTest::newRow("bi-quadrant multicolor") << 4 << 2 << 4;
        QTest::newRow("kaleidoscope") << 5 << 1 << 4;
    }
    void guides()
    {
        QFETCH(int, mode);
        QFETCH(int, pixelWidth);
        const QSize canvas = pixelWidth == 2 ? QSize(160, 200) : QSize(320, 200);
        const SymmetryAxes axes{180, pixelWidth == 2 ? 100 : 260};
        const SymmetryGuides guides =
            symmetryGuides(SymmetryMode(mode), axes, canvas, pixelWidth, 1.0);
        QTEST(int(guides.lines.size()), "lines");
        const QPointF centre = axes.intersection();
        const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
        for (const QLineF &line : guides.lines) {
            // Every guide passes through the axes' intersection (or runs along
            // an axis) and ends on the canvas's edge at both ends.
            const QPointF d = line.p2() - line.p1();
            const QPointF c = centre - line.p1();
            QVERIFY(near(c.x() * d.y(), c.y() * d.x()));
            for (QPointF end : {line.p1(), line.p2()}) {
                QVERIFY(end.x() >= -1e-9 && end.x() <= canvas.width() + 1e-9);
                QVERIFY(end.y() >= -1e-9 && end.y() <= canvas.height() + 1e-9);
                QVERIFY(near(end.x(), 0) || near(end.y(), 0) || near(end.x(), canvas.width()) ||
                        near(end.y(), canvas.height()));
            }
            // Diagonals are at 45 degrees as seen: equal display extents.
            const double dx = std::abs(d.x()) * pixelWidth;
            const double dy = std::abs(d.y());
            QVERIFY(dx < 1e-9 || dy < 1e-9 || near(dx, dy));
        }
    }
    void clipMisses()
    {
        const QRectF rect(0, 0, 10, 10);
        QVERIFY(clipLineToRect(QPointF(-5, -5), QPointF(1, -1), rect).isNull());
        QVERIFY(clipLineToRect(QPointF(20, 3), QPointF(0, 1), rect).isNull());
        const QLineF across = clipLineToRect(QPointF(3, 4), QPointF(1, 0), rect);
        QCOMPARE(across.p1(), QPointF(0, 4));
        QCOMPARE(across.p2(), QPointF(10, 4));
        const QLineF diagonal = clipLineToRect(QPointF(5, 5), QPointF(1, 1), rect);
        QCOMPARE(diagonal.p1(), QPointF(0, 0));
        QCOMPARE(diagonal.p2(), QPointF(10, 10));
    }
    void axesClampAndSwitches()
    {
        Symmetry symmetry;
        QVERIFY(symmetry.resetAxes(QSize(320, 200)));
        QCOMPARE(symmetry.axes(), (SymmetryAxes{200, 320}));
        QVERIFY(!symmetry.resetAxes(QSize(320, 200)));
        QVERIFY(symmetry.setAxes(SymmetryAxes{-5, 1000}, QSize(320, 200)));
        QCOMPARE(symmetry.axes(), (SymmetryAxes{0, 640}));
        QVERIFY(!symmetry.setAxes(SymmetryAxes{-1, 641}, QSize(320, 200)));

        QVERIFY(symmetry.setMode(SymmetryMode::Quadrant));
        QVERIFY(!symmetry.setMode(SymmetryMode::Quadrant));
        QCOMPARE(symmetry.strokeTransforms(1, 1.0).size(), 4);
        // Fills and shapes mirror only when their switches are on.
        QCOMPARE(symmetry.fillTransforms(1, 1.0).size(), 1);
        QCOMPARE(symmetry.shapeTransforms(1, 1.0).size(), 1);
        QVERIFY(symmetry.setApplyToFill(true));
        QVERIFY(!symmetry.setApplyToFill(true));
        QCOMPARE(symmetry.fillTransforms(1, 1.0).size(), 4);
        QCOMPARE(symmetry.shapeTransforms(1, 1.0).size(), 1);
        QVERIFY(symmetry.setApplyToShapes(true));
        QCOMPARE(symmetry.shapeTransforms(1, 1.0).size(), 4);
    }
};

// Every copy keeps distances as they look on the display, where a pixel is
// w wide and 1 / r tall.
QTEST_GUILESS_MAIN(TestSymmetry)
#include "tst_symmetry.moc"
