#include "paint/symmetry.h"

#include <QtTest>
#include <cmath>

class TestSymmetry : public QObject
{
    Q_OBJECT

private slots:
    void mapPixel()
    {
        struct {
            const char *name;
            int mode, axisRow, axisColumn, pixelWidth, copy;
            QPoint pixel, expected;
        } rows[] = {
            // An axis on a pixel boundary (row 200 = y 100) mirrors y to 199 - y;
            // one through a pixel centre (row 201 = y 100.5) keeps that row.
            {"boundary axis", 1, 200, 320, 1, 1, {10, 20}, {10, 179}},
            {"centre axis", 1, 201, 320, 1, 1, {7, 98}, {7, 102}},
            {"half turn", 3, 200, 320, 1, 3, {10, 20}, {309, 179}},
            // Hires diagonal mirror about (160, 100): offsets swap.
            {"hires diagonal", 4, 200, 320, 1, 4, {110, 80}, {140, 50}},
            // Multicolor, pixels twice as wide: an offset of (-9.5, -19.5) becomes
            // (-19.5 / 2, -9.5 x 2) = (-9.75, -19) about (80, 100).
            {"multicolor diagonal", 4, 200, 160, 2, 4, {70, 80}, {70, 81}},
            // Hires quarter turn (0, -1, 1, 0): offset (dx, dy) -> (-dy, dx).
            {"kaleidoscope 90", 5, 200, 320, 1, 2, {170, 100}, {159, 110}},
        };
        for (const auto &r : rows) {
            const QList<SymmetryTransform> list = symmetryTransforms(
                SymmetryMode(r.mode), SymmetryAxes{r.axisRow, r.axisColumn}, r.pixelWidth, 1.0);
            QVERIFY2(list[r.copy].mapPixel(r.pixel) == r.expected, r.name);
            QCOMPARE(list[0].mapPixel(r.pixel), r.pixel);
        }
    }
    void displaySpaceIsometry_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("pixelWidth");
        QTest::addColumn<double>("aspect");
        for (int mode = 1; mode <= 5; ++mode) {
            QTest::addRow("mode %d hires", mode) << mode << 1 << 1.0;
            QTest::addRow("mode %d multicolor pal", mode) << mode << 2 << 0.9375;
            QTest::addRow("mode %d hires ntsc", mode) << mode << 1 << 0.75;
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
        QCOMPARE(list.size(), (QList<int>{1, 2, 2, 4, 8, 8}[mode]));
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
        QCOMPARE(clipLineToRect(QPointF(3, 4), QPointF(1, 0), rect), QLineF(0, 4, 10, 4));
        QCOMPARE(clipLineToRect(QPointF(5, 5), QPointF(1, 1), rect), QLineF(0, 0, 10, 10));
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
        // Fills and shapes mirror only when their switches are on.
        auto copies = [&] {
            return QList<qsizetype>{symmetry.strokeTransforms(1, 1.0).size(),
                                    symmetry.fillTransforms(1, 1.0).size(),
                                    symmetry.shapeTransforms(1, 1.0).size()};
        };
        QCOMPARE(copies(), (QList<qsizetype>{4, 1, 1}));
        QVERIFY(symmetry.setApplyToFill(true));
        QVERIFY(!symmetry.setApplyToFill(true));
        QCOMPARE(copies(), (QList<qsizetype>{4, 4, 1}));
        QVERIFY(symmetry.setApplyToShapes(true));
        QCOMPARE(copies(), (QList<qsizetype>{4, 4, 4}));
    }
};

// Every copy keeps distances as they look on the display, where a pixel is
// w wide and 1 / r tall.
QTEST_GUILESS_MAIN(TestSymmetry)
#include "tst_symmetry.moc"
