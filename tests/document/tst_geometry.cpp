#include "../common/paintrows.h"

#include "document/canvassizerules.h"
#include "document/geometry.h"

namespace
{

const char *const Rows = "document/geometry.txt";

LayoutSpec layoutOf(int layout, BorderAlignment top = BorderAlignment::Left)
{
    return LayoutSpec{CanvasLayout(layout), top, BorderAlignment::Left};
}

CanvasRegion regionOf(CanvasMode mode, const LayoutSpec &layout, RegionKind kind)
{
    for (const CanvasRegion &region :
         canvasRegions(mode, defaultCanvasSize(mode, layout, 1), layout))
        if (region.kind == kind)
            return region;
    return {};
}

} // namespace

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void regions_data() { addTextRows(Rows, "regions"); }
    void regions()
    {
        QFETCH(QStringList, row);
        const CanvasMode mode = CanvasMode(row[0].toInt());
        const QSize size = defaultCanvasSize(mode, layoutOf(row[1].toInt()), row[2].toInt());
        QCOMPARE(size, QSize(pointOf(row[3]).x(), pointOf(row[3]).y()));
        QStringList rects, kinds;
        for (const CanvasRegion &region : canvasRegions(mode, size, layoutOf(row[1].toInt()))) {
            const QRect &r = region.rect;
            rects << QString::asprintf("%d,%d,%d,%d", r.x(), r.y(), r.width(), r.height());
            kinds << QString::number(int(region.kind));
        }
        QCOMPARE((QStringList{rects.join(u' '), kinds.join(u',')}), row.mid(4, 2));
    }
    void framesAroundTheBitmap()
    {
        for (CanvasMode m : {CanvasMode::Hires, CanvasMode::Multicolor}) {
            for (int layout = 0; layout < 3; ++layout) {
                const QSize size = defaultCanvasSize(m, layoutOf(layout), 1);
                const QPoint corner = bitmapRegionRect(m, size, layoutOf(layout)).topLeft();
                const double pw = modePixelWidth(m);
                const auto measure = [&](const QRect &r) {
                    return QList<double>{r.width() * pw, double(r.height()),
                                         (corner.x() - r.left()) * pw,
                                         double(corner.y() - r.top())};
                };
                // One screen of frame: the bitmap's first line is frame line 51.
                QVERIFY(hasBorderFrame(m, size, layoutOf(layout)));
                const QList<double> frame = measure(borderFrameRect(m, size, layoutOf(layout)));
                QCOMPARE((QList<double>{frame[0], frame[1], frame[3]}),
                         (QList<double>{416, 301, 51}));
                const SafeFrames safe = safeFrames(m, size, layoutOf(layout));
                QCOMPARE(measure(safe.normal), (QList<double>{384, 272, 32, 35}));
                QCOMPARE(measure(safe.full), (QList<double>{408, 293, 48, 43}));
            }
        }
        QVERIFY(!hasBorderFrame(CanvasMode::Multicolor, QSize(168, 200), layoutOf(0)) &&
                !hasBorderFrame(CanvasMode::Hires, QSize(640, 200), layoutOf(0)));
    }
    void topBorderColumns_data() { addTextRows(Rows, "topcol"); }
    void topBorderColumns()
    {
        QFETCH(QStringList, row);
        const CanvasMode m = CanvasMode(row[0].toInt());
        const bool right = row[1] == u'1';
        const LayoutSpec l = layoutOf(2, right ? BorderAlignment::Right : BorderAlignment::Left);
        const SpriteGrid grid = spriteGridOf(regionOf(m, l, RegionKind::TopBorder), m, l);
        QCOMPARE((QList<int>{grid.columns, grid.colorRows, grid.rightAligned}),
                 (QList<int>{14, 1, right}));
        const int column = spriteColumnAt(grid, row[2].toInt());
        QCOMPARE(column, row[3].toInt());
        QCOMPARE(spriteRect(grid, column, 0), rectOf(row[4]));
        // The bottom border follows its own alignment, not the top's.
        QVERIFY(!spriteGridOf(regionOf(m, l, RegionKind::BottomBorder), m, l).rightAligned);
    }
    void sideColorRows_data() { addTextRows(Rows, "siderow"); }
    void sideColorRows()
    {
        QFETCH(QStringList, row);
        const int y = row[0].toInt();
        QCOMPARE(sideColorRowAt(y), row[1].toInt());
        QCOMPARE(hardwareSpriteRowAt(y), row[2].toInt());
        const CanvasRegion right = regionOf(CanvasMode::Hires, layoutOf(1), RegionKind::RightStrip);
        const SpriteGrid grid = spriteGridOf(right, CanvasMode::Hires, layoutOf(1));
        QCOMPARE(spriteColorRowAt(grid, y), row[1].toInt());
        const QRect unit = spriteRect(grid, 1, row[1].toInt());
        QCOMPARE((QList<int>{unit.left(), unit.right(), unit.contains(384, y)}),
                 (QList<int>{384, 407, 1}));
    }
    void unitRects_data() { addTextRows(Rows, "unit"); }
    void unitRects()
    {
        QFETCH(QStringList, row);
        const CanvasMode m = CanvasMode(row[1].toInt());
        const LayoutSpec l = layoutOf(row[2].toInt());
        QRect result;
        if (row[0] == QLatin1String("side"))
            result = sideSpriteRect(regionOf(m, l, RegionKind::LeftStrip), m, pointOf(row[3]).x(),
                                    pointOf(row[3]).y());
        else if (row[0] == QLatin1String("cell"))
            result = cellAlignedRect(m, rectOf(row[3]), rectOf(row[4]));
        else
            result = unitRectsTouching(rectOf(row[3]), m, defaultCanvasSize(m, l, 1), l);
        if (row[5].isEmpty())
            QVERIFY(result.isEmpty());
        else
            QCOMPARE(result, rectOf(row[5]));
    }
    void referenceGrids()
    {
        const ReferenceGrid side = referenceGrid(CanvasMode::Hires, QSize(416, 200), layoutOf(1), 1,
                                                 QRectF(0, 0, 416, 200));
        QList<double> stripRows;
        for (const QLineF &line : side.lines)
            if (line.y1() == line.y2() && line.x1() == 0 && line.x2() == 48)
                stripRows.append(line.y1());
        QCOMPARE(stripRows, (QList<double>{13, 34, 55, 76, 97, 118, 139, 160, 181}));
        QVERIFY(side.seams.isEmpty() && side.brackets.isEmpty());

        const ReferenceGrid grid =
            referenceGrid(CanvasMode::Hires, QSize(320, 284), layoutOf(2, BorderAlignment::Right),
                          1, QRectF(0, 0, 320, 284));
        // Right-aligned top border: the sliver ends at x 8, so a column edge stands there.
        QVERIFY(grid.lines.contains(QLineF(8, 0, 8, 42)) &&
                grid.lines.contains(QLineF(0, 21, 320, 21)));
        QVERIFY(grid.lines.contains(QLineF(312, 242, 312, 284))); // bottom stays left-aligned
        QCOMPARE(grid.brackets.size(), 4);
        QCOMPARE(grid.brackets[0].at(1), QPointF(-2.5, 10.5));
        QCOMPARE(grid.brackets[1].at(2), QPointF(322.5, 31.5));

        const ReferenceGrid dual = referenceGrid(CanvasMode::Multicolor, QSize(480, 200),
                                                 layoutOf(0), 3, QRectF(0, 0, 480, 200));
        QCOMPARE(dual.seams, (QList<QLineF>{QLineF(160, 0, 160, 200), QLineF(320, 0, 320, 200)}));

        // Lines outside the visible part are dropped: cell edges at 104, 112
        // and 120 only, vertical and horizontal.
        const ReferenceGrid part = referenceGrid(CanvasMode::Hires, QSize(320, 200), layoutOf(0), 1,
                                                 QRectF(100, 100, 20, 20));
        QList<double> at;
        for (const QLineF &line : part.lines)
            at.append(line.x1() == line.x2() ? line.x1() : line.y1() + 1000);
        std::sort(at.begin(), at.end());
        QCOMPARE(at, (QList<double>{104, 112, 120, 1104, 1112, 1120}));
    }
    void sizeRules_data() { addTextRows(Rows, "size"); }
    void sizeRules()
    {
        QFETCH(QStringList, row);
        const QList<int> v = intsOf(row.join(u','));
        QCOMPARE(CanvasSizeRules::snapWidth(v[1], CanvasMode(v[0])), v[2]);
        QCOMPARE(CanvasSizeRules::snapHeight(v[3]), v[4]);
    }
    void modeChangeKeepsOnScreenWidth()
    {
        // 81.5 rounds away from zero.
        QCOMPARE(CanvasSizeRules::rescaleWidth(163, CanvasMode::Hires, CanvasMode::Multicolor), 82);
        QCOMPARE(CanvasSizeRules::rescaleWidth(82, CanvasMode::Multicolor, CanvasMode::Hires), 164);
    }
};

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
