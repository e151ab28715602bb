#include "paint/symmetry.h"

#include <QtTest>
#include <cmath>

class TestSymmetry : public QObject
{
    Q_OBJECT

private slots:
    void copies_data();
    void copies();
    void mapPixel_data();
    void mapPixel();
    void displaySpaceIsometry_data();
    void displaySpaceIsometry();
    void exactQuarterTurns();
    void guides_data();
    void guides();
    void clipMisses();
    void axesClampAndSwitches();
};

void TestSymmetry::copies_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<double>>("angles");
    QTest::addColumn<QList<bool>>("mirrored");
    QTest::newRow("none") << 0 << 1 << QList<double>{0} << QList<bool>{false};
    QTest::newRow("horizontal") << 1 << 2 << QList<double>{0, 0} << QList<bool>{false, true};
    QTest::newRow("vertical") << 2 << 2 << QList<double>{0, 180} << QList<bool>{false, true};
    QTest::newRow("quadrant") << 3 << 4 << QList<double>{0, 0, 180, 180}
                              << QList<bool>{false, true, true, false};
    QTest::newRow("bi-quadrant") << 4 << 8 << QList<double>{0, 0, 180, 180, 90, 270, 90, 270}
                                 << QList<bool>{false, true, true, false, true, true, false, false};
    QTest::newRow("kaleidoscope") << 5 << 8 << QList<double>{0, 45, 90, 135, 180, 225, 270, 315}
                                  << QList<bool>{false, false, false, false,
                                                 false, false, false, false};
}

void TestSymmetry::copies()
{
    QFETCH(int, mode);
    QFETCH(int, count);
    QFETCH(QList<double>, angles);
    QFETCH(QList<bool>, mirrored);
    const QList<SymmetryTransform> list =
        symmetryTransforms(SymmetryMode(mode), SymmetryAxes{200, 320}, 1, 1.0);
    QCOMPARE(list.size(), count);
    QVERIFY(list[0].isIdentity());
    for (int i = 0; i < count; ++i) {
        QCOMPARE(list[i].angle, angles[i]);
        QCOMPARE(list[i].mirrored, mirrored[i]);
        QCOMPARE(list[i].cx, 160.0);
        QCOMPARE(list[i].cy, 100.0);
    }
}

void TestSymmetry::mapPixel_data()
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
    QTest::newRow("boundary axis neighbour")
        << 1 << 200 << 320 << 1 << 1 << QPoint(10, 99) << QPoint(10, 100);
    // An axis through a pixel centre (row 201 = y 100.5) keeps that row.
    QTest::newRow("centre axis row")
        << 1 << 201 << 320 << 1 << 1 << QPoint(7, 100) << QPoint(7, 100);
    QTest::newRow("centre axis other")
        << 1 << 201 << 320 << 1 << 1 << QPoint(7, 98) << QPoint(7, 102);
    QTest::newRow("vertical") << 2 << 200 << 320 << 1 << 1 << QPoint(0, 5) << QPoint(319, 5);
    QTest::newRow("half turn") << 3 << 200 << 320 << 1 << 3 << QPoint(10, 20) << QPoint(309, 179);
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

void TestSymmetry::mapPixel()
{
    QFETCH(int, mode);
    QFETCH(int, axisRow);
    QFETCH(int, axisColumn);
    QFETCH(int, pixelWidth);
    QFETCH(int, copy);
    QFETCH(QPoint, pixel);
    QFETCH(QPoint, expected);
    const QList<SymmetryTransform> list =
        symmetryTransforms(SymmetryMode(mode), SymmetryAxes{axisRow, axisColumn}, pixelWidth, 1.0);
    QCOMPARE(list[copy].mapPixel(pixel), expected);
    QCOMPARE(list[0].mapPixel(pixel), pixel);
}

void TestSymmetry::displaySpaceIsometry_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("pixelWidth");
    QTest::addColumn<double>("aspect");
    for (int mode = 1; mode <= 5; ++mode) {
        QTest::addRow("mode %d hires", mode) << mode << 1 << 1.0;
        QTest::addRow("mode %d multicolor", mode) << mode << 2 << 1.0;
        QTest::addRow("mode %d multicolor pal", mode) << mode << 2 << 0.9375;
        QTest::addRow("mode %d hires ntsc", mode) << mode << 1 << 0.75;
    }
}

// Every copy keeps distances as they look on the display, where a pixel is
// w wide and 1 / r tall.
void TestSymmetry::displaySpaceIsometry()
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
    for (const SymmetryTransform &t :
         symmetryTransforms(SymmetryMode(mode), axes, pixelWidth, aspect)) {
        for (QPointF p : probes)
            QVERIFY(std::abs(displayLength(t.map(p)) - displayLength(p)) < 1e-9);
        QCOMPARE(t.map(centre), centre);
    }
}

void TestSymmetry::exactQuarterTurns()
{
    const QList<SymmetryTransform> list =
        symmetryTransforms(SymmetryMode::Kaleidoscope, SymmetryAxes{10, 10}, 2, 0.9375);
    // Copies 2, 4 and 6 are the turns by 90, 180 and 270 degrees.
    QCOMPARE(list[2].a, 0.0);
    QCOMPARE(list[2].d, 0.0);
    QCOMPARE(list[4].a, -1.0);
    QCOMPARE(list[4].b, 0.0);
    QCOMPARE(list[4].c, 0.0);
    QCOMPARE(list[4].d, -1.0);
    QCOMPARE(list[6].a, 0.0);
    QCOMPARE(list[6].d, 0.0);
    // A half turn maps pixels back onto pixels exactly.
    QCOMPARE(list[4].mapPixel(QPoint(2, 3)), QPoint(7, 6));
}

void TestSymmetry::guides_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("pixelWidth");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QColor>("color");
    QTest::newRow("none") << 0 << 1 << 0 << QColor();
    QTest::newRow("horizontal") << 1 << 1 << 1 << QColor(0, 255, 0);
    QTest::newRow("vertical") << 2 << 1 << 1 << QColor(0, 255, 0);
    QTest::newRow("quadrant") << 3 << 1 << 2 << QColor(0, 255, 0);
    QTest::newRow("bi-quadrant hires") << 4 << 1 << 4 << QColor(0, 255, 0);
    QTest::newRow("bi-quadrant multicolor") << 4 << 2 << 4 << QColor(0, 255, 0);
    QTest::newRow("kaleidoscope") << 5 << 2 << 4 << QColor(255, 255, 0);
}

void TestSymmetry::guides()
{
    QFETCH(int, mode);
    QFETCH(int, pixelWidth);
    QFETCH(int, lines);
    QFETCH(QColor, color);
    const QSize canvas = pixelWidth == 2 ? QSize(160, 200) : QSize(320, 200);
    const SymmetryAxes axes{180, pixelWidth == 2 ? 100 : 260};
    const SymmetryGuides guides = symmetryGuides(SymmetryMode(mode), axes, canvas, pixelWidth, 1.0);
    QCOMPARE(guides.lines.size(), lines);
    if (lines == 0)
        return;
    QCOMPARE(guides.color, color);
    const QRectF rect(0, 0, canvas.width(), canvas.height());
    const QPointF centre = axes.intersection();
    for (const QLineF &line : guides.lines) {
        // Every guide passes through the axes' intersection (or runs along
        // an axis) and stays on the canvas, reaching its edge at both ends.
        const QPointF d = line.p2() - line.p1();
        const double cross =
            (centre.x() - line.p1().x()) * d.y() - (centre.y() - line.p1().y()) * d.x();
        QVERIFY(std::abs(cross) < 1e-6);
        for (QPointF end : {line.p1(), line.p2()}) {
            QVERIFY(end.x() >= -1e-9 && end.x() <= rect.right() + 1e-9);
            QVERIFY(end.y() >= -1e-9 && end.y() <= rect.bottom() + 1e-9);
            const bool onEdge = std::abs(end.x()) < 1e-9 || std::abs(end.y()) < 1e-9 ||
                                std::abs(end.x() - rect.right()) < 1e-9 ||
                                std::abs(end.y() - rect.bottom()) < 1e-9;
            QVERIFY(onEdge);
        }
        // Diagonals are at 45 degrees as seen: equal display extents.
        const double dx = std::abs(d.x()) * pixelWidth;
        const double dy = std::abs(d.y());
        if (dx > 1e-9 && dy > 1e-9)
            QVERIFY(std::abs(dx - dy) < 1e-6);
    }
}

void TestSymmetry::clipMisses()
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

void TestSymmetry::axesClampAndSwitches()
{
    Symmetry symmetry;
    QCOMPARE(symmetry.mode(), SymmetryMode::None);
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

QTEST_GUILESS_MAIN(TestSymmetry)
#include "tst_symmetry.moc"
