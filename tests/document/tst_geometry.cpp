#include "document/canvassizerules.h"
#include "document/geometry.h"

#include <QTest>

namespace
{

LayoutSpec spec(CanvasLayout layout, BorderAlignment top = BorderAlignment::Left,
                BorderAlignment bottom = BorderAlignment::Left)
{
    return LayoutSpec{layout, top, bottom};
}

QRect r(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}

CanvasRegion regionOf(CanvasMode mode, const LayoutSpec &layout, RegionKind kind)
{
    const QSize size = defaultCanvasSize(mode, layout, 1);
    for (const CanvasRegion &region : canvasRegions(mode, size, layout)) {
        if (region.kind == kind)
            return region;
    }
    return {};
}

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void regions_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("screens");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<QRect>>("rects");
        QTest::addColumn<QList<int>>("kinds");

        using K = RegionKind;
        QTest::newRow("hires bitmap")
            << 0 << 0 << 1 << QSize(320, 200) << QList<QRect>{r(0, 0, 319, 199)}
            << QList<int>{int(K::Bitmap)};
        QTest::newRow("multicolor dual")
            << 1 << 0 << 2 << QSize(320, 200) << QList<QRect>{r(0, 0, 319, 199)}
            << QList<int>{int(K::Bitmap)};
        QTest::newRow("hires side")
            << 0 << 1 << 1 << QSize(416, 200)
            << QList<QRect>{r(0, 0, 47, 199), r(48, 0, 359, 199), r(360, 0, 407, 199)}
            << QList<int>{int(K::LeftStrip), int(K::Bitmap), int(K::RightStrip)};
        QTest::newRow("multicolor side")
            << 1 << 1 << 1 << QSize(208, 200)
            << QList<QRect>{r(0, 0, 23, 199), r(24, 0, 183, 199), r(184, 0, 207, 199)}
            << QList<int>{int(K::LeftStrip), int(K::Bitmap), int(K::RightStrip)};
        QTest::newRow("hires top/bottom")
            << 0 << 2 << 1 << QSize(320, 284)
            << QList<QRect>{r(0, 0, 319, 41), r(0, 42, 319, 241), r(0, 242, 319, 283)}
            << QList<int>{int(K::TopBorder), int(K::Bitmap), int(K::BottomBorder)};
        // Sprite layouts never take more than one screen, whatever the caller asks.
        QTest::newRow("side ignores screens")
            << 0 << 1 << 3 << QSize(1056, 200)
            << QList<QRect>{r(0, 0, 47, 199), r(48, 0, 999, 199), r(1000, 0, 1047, 199)}
            << QList<int>{int(K::LeftStrip), int(K::Bitmap), int(K::RightStrip)};
    }
    void regions()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(int, screens);
        QFETCH(QSize, size);
        QFETCH(QList<QRect>, rects);
        QFETCH(QList<int>, kinds);
        const LayoutSpec l = spec(CanvasLayout(layout));
        QCOMPARE(defaultCanvasSize(CanvasMode(mode), l, screens), size);
        const QList<CanvasRegion> regions = canvasRegions(CanvasMode(mode), size, l);
        QCOMPARE(regions.size(), rects.size());
        for (int i = 0; i < regions.size(); ++i) {
            QCOMPARE(regions[i].rect, rects[i]);
            QCOMPARE(int(regions[i].kind), kinds[i]);
            QCOMPARE(regions[i].isSprite(), regions[i].kind != RegionKind::Bitmap);
        }
    }
    void borderFrameIsOneScreenOfFrame_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("bitmapTopLine");
        for (int mode = 0; mode < 2; ++mode) {
            for (int layout = 0; layout < 3; ++layout) {
                // The bitmap's first line is always frame line 51.
                const int top = layout == 2 ? 42 : 0;
                QTest::addRow("mode %d layout %d", mode, layout) << mode << layout << top;
            }
        }
    }
    void borderFrameIsOneScreenOfFrame()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(int, bitmapTopLine);
        const CanvasMode m = CanvasMode(mode);
        const LayoutSpec l = spec(CanvasLayout(layout));
        const QSize size = defaultCanvasSize(m, l, 1);
        QVERIFY(hasBorderFrame(m, size, l));
        const QRect frame = borderFrameRect(m, size, l);
        QCOMPARE(frame.width() * modePixelWidth(m), 416.0);
        QCOMPARE(frame.height(), 301);
        QCOMPARE(bitmapTopLine - frame.top(), 51);
    }
    void borderFrameOnlyForExactScreens()
    {
        const LayoutSpec bitmap = spec(CanvasLayout::BitmapOnly);
        QVERIFY(hasBorderFrame(CanvasMode::Multicolor, QSize(160, 200), bitmap));
        QVERIFY(!hasBorderFrame(CanvasMode::Multicolor, QSize(168, 200), bitmap));
        QVERIFY(!hasBorderFrame(CanvasMode::Hires, QSize(160, 200), bitmap));
        QVERIFY(!hasBorderFrame(CanvasMode::Hires, QSize(640, 200), bitmap));
    }
    void topBorderColumns_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("right");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("column");
        QTest::addColumn<QRect>("unit");

        QTest::newRow("right sliver") << 0 << true << 0 << 0 << r(0, 0, 7, 41);
        QTest::newRow("right sliver edge") << 0 << true << 7 << 0 << r(0, 0, 7, 41);
        QTest::newRow("right first whole") << 0 << true << 8 << 1 << r(8, 0, 31, 41);
        QTest::newRow("right last") << 0 << true << 319 << 13 << r(296, 0, 319, 41);
        QTest::newRow("left first") << 0 << false << 0 << 0 << r(0, 0, 23, 41);
        QTest::newRow("left sliver start") << 0 << false << 312 << 13 << r(312, 0, 319, 41);
        QTest::newRow("left sliver end") << 0 << false << 319 << 13 << r(312, 0, 319, 41);
        QTest::newRow("left before sliver") << 0 << false << 311 << 12 << r(288, 0, 311, 41);
        QTest::newRow("mc right sliver") << 1 << true << 3 << 0 << r(0, 0, 3, 41);
        QTest::newRow("mc right first whole") << 1 << true << 4 << 1 << r(4, 0, 15, 41);
        QTest::newRow("mc left sliver") << 1 << false << 156 << 13 << r(156, 0, 159, 41);
        QTest::newRow("clamped left of region") << 0 << false << -40 << 0 << r(0, 0, 23, 41);
        QTest::newRow("clamped right of region") << 0 << true << 900 << 13 << r(296, 0, 319, 41);
    }
    void topBorderColumns()
    {
        QFETCH(int, mode);
        QFETCH(bool, right);
        QFETCH(int, x);
        QFETCH(int, column);
        QFETCH(QRect, unit);
        const CanvasMode m = CanvasMode(mode);
        const LayoutSpec l = spec(CanvasLayout::TopBottomBorderSprites,
                                  right ? BorderAlignment::Right : BorderAlignment::Left);
        const SpriteGrid grid = spriteGridOf(regionOf(m, l, RegionKind::TopBorder), m, l);
        QCOMPARE(grid.columns, 14);
        QCOMPARE(grid.colorRows, 1);
        QCOMPARE(grid.rightAligned, right);
        QCOMPARE(spriteColumnAt(grid, x), column);
        QCOMPARE(spriteRect(grid, column, 0), unit);

        // The bottom border follows its own alignment, not the top's.
        const SpriteGrid bottom = spriteGridOf(regionOf(m, l, RegionKind::BottomBorder), m, l);
        QVERIFY(!bottom.rightAligned);
    }
    void sideColorRows_data()
    {
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("colorRow");
        QTest::addColumn<int>("hardwareRow");
        QTest::newRow("top") << 0 << 0 << 0;
        QTest::newRow("cropped first row end") << 12 << 0 << 0;
        QTest::newRow("row 1") << 13 << 1 << 1;
        QTest::newRow("row 4 start") << 76 << 4 << 4;
        QTest::newRow("row 4 second sprite") << 97 << 4 << 5;
        QTest::newRow("row 4 end") << 117 << 4 << 5;
        QTest::newRow("row 5") << 118 << 5 << 6;
        QTest::newRow("row 6 second sprite") << 160 << 6 << 8;
        QTest::newRow("row 7") << 181 << 7 << 9;
        QTest::newRow("bottom") << 199 << 7 << 9;
    }
    void sideColorRows()
    {
        QFETCH(int, y);
        QFETCH(int, colorRow);
        QFETCH(int, hardwareRow);
        QCOMPARE(sideColorRowAt(y), colorRow);
        QCOMPARE(hardwareSpriteRowAt(y), hardwareRow);
        const LayoutSpec l = spec(CanvasLayout::SideBorderSprites);
        const CanvasRegion right = regionOf(CanvasMode::Hires, l, RegionKind::RightStrip);
        const SpriteGrid grid = spriteGridOf(right, CanvasMode::Hires, l);
        QCOMPARE(grid.columns, 2);
        QCOMPARE(spriteColorRowAt(grid, y), colorRow);
        const QRect unit = spriteRect(grid, 1, colorRow);
        QVERIFY(unit.contains(384, y));
        QCOMPARE(unit.left(), 384);
        QCOMPARE(unit.right(), 407);
    }
    void sideSpriteRectClipped()
    {
        const LayoutSpec l = spec(CanvasLayout::SideBorderSprites);
        const CanvasRegion left = regionOf(CanvasMode::Multicolor, l, RegionKind::LeftStrip);
        QCOMPARE(sideSpriteRect(left, CanvasMode::Multicolor, 1, 4), r(12, 76, 23, 117));
        QCOMPARE(sideSpriteRect(left, CanvasMode::Multicolor, 0, 7), r(0, 181, 11, 199));
        QCOMPARE(sideSpriteRect(left, CanvasMode::Multicolor, 0, -1), r(0, 0, 11, 12));
        QVERIFY(sideSpriteRect(left, CanvasMode::Multicolor, 0, 8).isEmpty());
    }
    void cellAlignedRectFollowsRegion()
    {
        // Cells start at the region's corner: y 42 on a top/bottom canvas, x 48 on a hires side
        // canvas.
        QCOMPARE(cellAlignedRect(CanvasMode::Hires, r(10, 45, 10, 45), r(0, 42, 319, 241)),
                 r(8, 42, 15, 49));
        QCOMPARE(cellAlignedRect(CanvasMode::Hires, r(50, 3, 57, 3), r(48, 0, 359, 199)),
                 r(48, 0, 63, 7));
        QCOMPARE(cellAlignedRect(CanvasMode::Multicolor, r(25, 0, 25, 0), r(24, 0, 183, 199)),
                 r(24, 0, 27, 7));
        QCOMPARE(cellAlignedRect(CanvasMode::Hires, r(0, 0, 319, 199), r(0, 0, 319, 199)),
                 r(0, 0, 319, 199));
        QVERIFY(cellAlignedRect(CanvasMode::Hires, r(0, 0, 5, 5), r(48, 0, 359, 199)).isEmpty());
    }
    void unitsTouched_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("expected");

        QTest::newRow("one pixel, one cell") << 0 << 0 << r(9, 9, 9, 9) << r(8, 8, 15, 15);
        QTest::newRow("clipped to canvas") << 0 << 0 << r(-20, -20, 3, 3) << r(0, 0, 7, 7);
        QTest::newRow("outside") << 0 << 0 << r(400, 0, 410, 5) << QRect();
        QTest::newRow("locked column touches nothing") << 0 << 1 << r(408, 10, 415, 20) << QRect();
        QTest::newRow("side strip unit") << 0 << 1 << r(5, 80, 5, 80) << r(0, 76, 23, 117);
        QTest::newRow("strip and bitmap") << 0 << 1 << r(46, 5, 49, 5) << r(24, 0, 55, 12);
        QTest::newRow("top border column and first cell row")
            << 0 << 2 << r(30, 40, 30, 43) << r(24, 0, 47, 49);
        QTest::newRow("bottom border") << 1 << 2 << r(20, 250, 20, 250) << r(12, 242, 23, 283);
    }
    void unitsTouched()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QRect, rect);
        QFETCH(QRect, expected);
        const CanvasMode m = CanvasMode(mode);
        const LayoutSpec l = spec(CanvasLayout(layout));
        const QRect result = unitRectsTouching(rect, m, defaultCanvasSize(m, l, 1), l);
        if (expected.isNull())
            QVERIFY(result.isEmpty());
        else
            QCOMPARE(result, expected);
    }
    void safeFramesMatchScreenSizes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QPoint>("bitmapCorner");
        QTest::newRow("hires") << 0 << 0 << QPoint(0, 0);
        QTest::newRow("multicolor side") << 1 << 1 << QPoint(24, 0);
        QTest::newRow("hires top/bottom") << 0 << 2 << QPoint(0, 42);
    }
    void safeFramesMatchScreenSizes()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QPoint, bitmapCorner);
        const CanvasMode m = CanvasMode(mode);
        const LayoutSpec l = spec(CanvasLayout(layout));
        const SafeFrames frames = safeFrames(m, defaultCanvasSize(m, l, 1), l);
        const double pw = modePixelWidth(m);
        QCOMPARE(frames.normal.width() * pw, 384.0);
        QCOMPARE(frames.normal.height(), 272);
        QCOMPARE(frames.full.width() * pw, 408.0);
        QCOMPARE(frames.full.height(), 293);
        QCOMPARE((bitmapCorner.x() - frames.normal.left()) * pw, 32.0);
        QCOMPARE(bitmapCorner.y() - frames.normal.top(), 35);
        QCOMPARE((bitmapCorner.x() - frames.full.left()) * pw, 48.0);
        QCOMPARE(bitmapCorner.y() - frames.full.top(), 43);
    }
    void referenceGridSideStrip()
    {
        const LayoutSpec l = spec(CanvasLayout::SideBorderSprites);
        const ReferenceGrid grid =
            referenceGrid(CanvasMode::Hires, QSize(416, 200), l, 1, QRectF(0, 0, 416, 200));
        QList<double> stripRows;
        for (const QLineF &line : grid.lines) {
            if (line.y1() == line.y2() && line.x1() == 0 && line.x2() == 48)
                stripRows.append(line.y1());
        }
        QCOMPARE(stripRows, (QList<double>{13, 34, 55, 76, 97, 118, 139, 160, 181}));
        QVERIFY(grid.seams.isEmpty());
        QVERIFY(grid.brackets.isEmpty());
    }
    void referenceGridTopBorderAndSeams()
    {
        const LayoutSpec l = spec(CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right);
        const ReferenceGrid grid =
            referenceGrid(CanvasMode::Hires, QSize(320, 284), l, 1, QRectF(0, 0, 320, 284));
        // Right-aligned top border: the sliver ends at x 8, so a column edge stands there.
        QVERIFY(grid.lines.contains(QLineF(8, 0, 8, 42)));
        QVERIFY(grid.lines.contains(QLineF(0, 21, 320, 21)));
        QVERIFY(grid.lines.contains(QLineF(312, 242, 312, 284))); // bottom stays left-aligned
        QCOMPARE(grid.brackets.size(), 4);
        QCOMPARE(grid.brackets[0].at(1), QPointF(-2.5, 10.5));
        QCOMPARE(grid.brackets[1].at(2), QPointF(322.5, 31.5));

        const ReferenceGrid dual =
            referenceGrid(CanvasMode::Multicolor, QSize(480, 200), spec(CanvasLayout::BitmapOnly),
                          3, QRectF(0, 0, 480, 200));
        QCOMPARE(dual.seams, (QList<QLineF>{QLineF(160, 0, 160, 200), QLineF(320, 0, 320, 200)}));
    }
    void referenceGridDropsInvisibleLines()
    {
        const LayoutSpec l = spec(CanvasLayout::BitmapOnly);
        const ReferenceGrid grid =
            referenceGrid(CanvasMode::Hires, QSize(320, 200), l, 1, QRectF(100, 100, 20, 20));
        QVERIFY(!grid.lines.isEmpty());
        for (const QLineF &line : grid.lines) {
            const QRectF box = QRectF(line.p1(), line.p2()).normalized();
            QVERIFY2(box.right() >= 100 && box.left() <= 120 && box.bottom() >= 100 &&
                         box.top() <= 120,
                     qPrintable(QStringLiteral("line at %1,%2").arg(line.x1()).arg(line.y1())));
        }
        // Vertical cell edges at 104, 112, 120 and horizontal ones at 104, 112, 120.
        QCOMPARE(grid.lines.size(), 6);
    }
    void sizeRules_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("snappedWidth");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("snappedHeight");
        QTest::newRow("13 hires snaps up") << 0 << 13 << 16 << 13 << 16;
        QTest::newRow("12 is a half: up") << 0 << 12 << 16 << 12 << 16;
        QTest::newRow("11 snaps down") << 0 << 11 << 8 << 11 << 8;
        QTest::newRow("multicolor half") << 1 << 6 << 8 << 8 << 8;
        QTest::newRow("never below a cell") << 1 << 1 << 4 << 0 << 8;
        QTest::newRow("never above 4096") << 0 << 5000 << 4096 << 4100 << 4096;
    }
    void sizeRules()
    {
        QFETCH(int, mode);
        QFETCH(int, width);
        QFETCH(int, snappedWidth);
        QFETCH(int, height);
        QFETCH(int, snappedHeight);
        QCOMPARE(CanvasSizeRules::snapWidth(width, CanvasMode(mode)), snappedWidth);
        QCOMPARE(CanvasSizeRules::snapHeight(height), snappedHeight);
    }
    void modeChangeKeepsOnScreenWidth()
    {
        using namespace CanvasSizeRules;
        QCOMPARE(rescaleWidth(320, CanvasMode::Hires, CanvasMode::Multicolor), 160);
        QCOMPARE(onScreenWidth(160, CanvasMode::Multicolor), 320);
        QCOMPARE(rescaleWidth(163, CanvasMode::Hires, CanvasMode::Multicolor),
                 82); // 81.5 away from zero
        QCOMPARE(rescaleWidth(82, CanvasMode::Multicolor, CanvasMode::Hires), 164);
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
