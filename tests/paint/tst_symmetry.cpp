#include "../common/paintrows.h"

#include "paint/symmetry.h"

#include <QtTest>
#include <cmath>

class TestSymmetry : public QObject
{
    Q_OBJECT

private slots:
    void mapPixel_data() { addTextRows("paint/symmetry.txt", "map"); }
    void mapPixel()
    {
        QFETCH(QStringList, row);
        const QList<SymmetryTransform> list =
            symmetryTransforms(SymmetryMode(row[0].toInt()),
                               SymmetryAxes{row[1].toInt(), row[2].toInt()}, row[3].toInt(), 1.0);
        const QPoint pixel = pointOf(row[5]);
        QCOMPARE(list[row[4].toInt()].mapPixel(pixel), pointOf(row[6]));
    }
    void displaySpaceIsometry()
    {
        // Every copy keeps distances as they look on the display, where a pixel
        // is w wide and 1 / r tall: hires, multicolor PAL and hires NTSC.
        const SymmetryAxes axes{150, 101};
        const QPointF centre = axes.intersection();
        for (int mode = 1; mode <= 5; ++mode) {
            for (const auto &[pixelWidth, aspect] : {std::pair{1, 1.0}, {2, 0.9375}, {1, 0.75}}) {
                auto length = [&](QPointF p) {
                    return std::hypot((p - centre).x() * pixelWidth, (p - centre).y() / aspect);
                };
                const QList<SymmetryTransform> list =
                    symmetryTransforms(SymmetryMode(mode), axes, pixelWidth, aspect);
                QVERIFY(list.size() == (QList<int>{1, 2, 2, 4, 8, 8}[mode]) &&
                        list[0].isIdentity());
                for (const SymmetryTransform &t : list)
                    for (QPointF p : {QPointF(3.0, 7.5), {60.25, 120.0}, {-4.0, 2.0}, centre})
                        QVERIFY(std::abs(length(t.map(p)) - length(p)) < 1e-9);
            }
        }
    }
    void guides()
    {
        // Mode, pixel width and the number of guide lines.
        for (const auto &[mode, pixelWidth, lines] :
             {std::tuple{1, 1, 1}, {3, 1, 2}, {4, 2, 4}, {5, 1, 4}}) {
            const QSizeF canvas(320 / pixelWidth, 200);
            const SymmetryAxes axes{180, pixelWidth == 2 ? 100 : 260};
            const SymmetryGuides guides =
                symmetryGuides(SymmetryMode(mode), axes, canvas.toSize(), pixelWidth, 1.0);
            QCOMPARE(guides.lines.size(), lines);
            const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
            for (const QLineF &line : guides.lines) {
                // Every guide passes through the axes' intersection and ends on
                // the canvas's edge at both ends (clipping is pinned below).
                const QPointF d = line.p2() - line.p1(), c = axes.intersection() - line.p1();
                QVERIFY(near(c.x() * d.y(), c.y() * d.x()));
                for (QPointF end : {line.p1(), line.p2()})
                    QVERIFY(near(end.x(), 0) || near(end.y(), 0) || near(end.x(), canvas.width()) ||
                            near(end.y(), canvas.height()));
                // Diagonals are at 45 degrees as seen: equal display extents.
                const double dx = std::abs(d.x()) * pixelWidth, dy = std::abs(d.y());
                QVERIFY(dx < 1e-9 || dy < 1e-9 || near(dx, dy));
            }
        }
    }
    void clipMisses()
    {
        const QRectF rect(0, 0, 10, 10);
        QVERIFY(clipLineToRect(QPointF(-5, -5), QPointF(1, -1), rect).isNull() &&
                clipLineToRect(QPointF(20, 3), QPointF(0, 1), rect).isNull());
        QCOMPARE(clipLineToRect(QPointF(3, 4), QPointF(1, 0), rect), QLineF(0, 4, 10, 4));
        QCOMPARE(clipLineToRect(QPointF(5, 5), QPointF(1, 1), rect), QLineF(0, 0, 10, 10));
    }
    void modeAndSwitches()
    {
        // Axes clamping and resetting are pinned by the canvas tool tests.
        Symmetry symmetry;
        QVERIFY(symmetry.setMode(SymmetryMode::Quadrant) &&
                !symmetry.setMode(SymmetryMode::Quadrant));
        // Fills and shapes mirror only when their switches are on.
        auto copies = [&] {
            return QList<qsizetype>{symmetry.strokeTransforms(1, 1.0).size(),
                                    symmetry.fillTransforms(1, 1.0).size(),
                                    symmetry.shapeTransforms(1, 1.0).size()};
        };
        QCOMPARE(copies(), (QList<qsizetype>{4, 1, 1}));
        QVERIFY(symmetry.setApplyToFill(true) && !symmetry.setApplyToFill(true));
        QCOMPARE(copies(), (QList<qsizetype>{4, 4, 1}));
        QVERIFY(symmetry.setApplyToShapes(true));
        QCOMPARE(copies(), (QList<qsizetype>{4, 4, 4}));
    }
};

QTEST_GUILESS_MAIN(TestSymmetry)
#include "tst_symmetry.moc"
