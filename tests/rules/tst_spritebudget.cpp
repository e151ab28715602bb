#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/ruleedits.h"
#include "rules/spritebudget.h"

#include <QTest>

using namespace testcanvas;

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(BorderAlignment)

namespace
{

const auto Left = BorderAlignment::Left;
const auto Right = BorderAlignment::Right;

Project topBottomProject(CanvasMode mode, BorderAlignment top, BorderAlignment bottom)
{
    return Project(mode, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites, top, bottom});
}

CanvasRegion borderRegion(const Project &project, RegionKind kind)
{
    for (const CanvasRegion &region : project.regions())
        if (region.kind == kind)
            return region;
    return {};
}

QRect columnRect(const Project &project, RegionKind kind, int column)
{
    const SpriteGrid grid =
        spriteGridOf(borderRegion(project, kind), project.mode(), project.layoutSpec());
    return spriteRect(grid, column, 0);
}

// "0:3,5:3" paints 3 pixels of colour `color` into column 0 and 5 of a
// border, spread down the column's left edge and into both 21-line rows.
void occupyColumns(Project &project, RegionKind kind, const QString &counts, quint8 color)
{
    for (const auto &[column, count] : parseCounts(counts)) {
        const QRect r = columnRect(project, kind, column);
        for (int i = 0; i < count; ++i)
            project.colormap().setPixel(r.left() + i % r.width(), r.bottom() - i / r.width(),
                                        color);
    }
}

QList<int> parseList(const QString &text)
{
    QList<int> list;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts))
        list.append(part.toInt());
    return list;
}

} // namespace

class TestSpriteBudget : public QObject
{
    Q_OBJECT

private slots:
    void overBudget_data();
    void overBudget();
    void overBudgetIgnoresOtherRegions();
    void redFrames();
    void redFramesOnlyOnTopBottomCanvases();
    void alignmentSplitsAColumn();
    void enforce_data();
    void enforce();
    void enforceOpensColumnsUpToTheBudget();
    void flagNeverBlocks();
    void reduceBorders_data();
    void reduceBorders();
    void reduceWithinBudgetRecordsNothing();
};

void TestSpriteBudget::overBudget_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<BorderAlignment>("alignment");
    QTest::addColumn<int>("background");
    QTest::addColumn<QString>("counts");
    QTest::addColumn<QString>("over");

    const QString nine = QStringLiteral("0:3,1:5,2:5,3:5,4:5,5:3,6:5,7:5,8:5");
    QTest::newRow("left: tie goes to the column further right")
        << CanvasMode::Hires << Left << 0 << nine << "5";
    QTest::newRow("right: tie goes to the column further left")
        << CanvasMode::Hires << Right << 0 << nine << "0";
    QTest::newRow("exactly eight columns")
        << CanvasMode::Hires << Left << 0 << "0:1,2:1,4:1,6:1,8:1,10:1,12:1,13:1"
        << "";
    QTest::newRow("ten columns, two smallest")
        << CanvasMode::Multicolor << Left << 0 << "0:9,1:2,2:9,3:9,4:9,5:9,6:9,7:1,8:9,9:9"
        << "1,7";
    QTest::newRow("three-way tie at the cut, left")
        << CanvasMode::Hires << Left << 0 << "0:1,1:1,13:1,3:5,4:5,5:5,6:5,7:5,8:5,9:5"
        << "1,13";
    QTest::newRow("three-way tie at the cut, right")
        << CanvasMode::Multicolor << Right << 0 << "0:1,1:1,13:1,3:5,4:5,5:5,6:5,7:5,8:5,9:5"
        << "0,1";
    QTest::newRow("fullest columns survive whatever their place")
        << CanvasMode::Hires << Right << 0
        << "0:20,1:2,2:20,3:3,4:20,5:20,6:20,7:20,8:20,9:4,10:1,11:1,12:1,13:20"
        << "1,3,9,10,11,12";
    QTest::newRow("background other than 0") << CanvasMode::Hires << Left << 6 << nine << "5";
}

void TestSpriteBudget::overBudget()
{
    QFETCH(CanvasMode, mode);
    QFETCH(BorderAlignment, alignment);
    QFETCH(int, background);
    QFETCH(QString, counts);
    QFETCH(QString, over);

    for (RegionKind kind : {RegionKind::TopBorder, RegionKind::BottomBorder}) {
        const bool top = kind == RegionKind::TopBorder;
        Project project = topBottomProject(mode, top ? alignment : Left, top ? Right : alignment);
        project.setSlot(ColorSlot::TopBackground, quint8(background));
        project.setSlot(ColorSlot::BottomBackground, quint8(background));
        project.colormap().fill(quint8(background));
        // Colour 0 counts as a sprite pixel unless it is the background.
        occupyColumns(project, kind, counts, background == 0 ? 5 : 0);
        // The bitmap and the other border never count.
        project.colormap().fillRect(bitmapRegionRect(mode, project.size(), project.layoutSpec()),
                                    3);
        const ClashContext context = ClashContext::forSweep(project);
        const CanvasRegion region = borderRegion(project, kind);
        QCOMPARE(overBudgetColumns(context, project.colormap(), region), parseList(over));
        QList<QRect> rects;
        for (int c : parseList(over))
            rects.append(columnRect(project, kind, c));
        QCOMPARE(overBudgetSprites(context, project.colormap(), region), rects);
        const RedFrameSet frames = redFrameSet(context, project.colormap());
        QCOMPARE(top ? frames.top : frames.bottom, rects);
        QVERIFY((top ? frames.bottom : frames.top).isEmpty());
    }
}

void TestSpriteBudget::overBudgetIgnoresOtherRegions()
{
    Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
    project.colormap().fill(7);
    const ClashContext context = ClashContext::forSweep(project);
    for (const CanvasRegion &region : project.regions())
        QVERIFY(overBudgetColumns(context, project.colormap(), region).isEmpty());
    QVERIFY(redFrameSet(context, project.colormap()).isEmpty());
}

void TestSpriteBudget::redFrames()
{
    Project project = topBottomProject(CanvasMode::Multicolor, Left, Left);
    // Top border: column 2 holds two free colours (commons 0, 4, 10), nine
    // columns are occupied and column 6 is the smallest. Bottom: a sprite
    // multicolour alone still occupies its column, but no clash.
    occupyColumns(project, RegionKind::TopBorder, QStringLiteral("0:9,1:9,2:9,3:9,4:9,5:9,6:2"), 7);
    occupyColumns(project, RegionKind::TopBorder, QStringLiteral("7:9,8:9"), 4);
    project.colormap().setPixel(columnRect(project, RegionKind::TopBorder, 2).center().x(), 20, 9);
    occupyColumns(project, RegionKind::BottomBorder, QStringLiteral("3:4"), 10);
    const ClashContext context = ClashContext::forSweep(project);
    const RedFrameSet frames = redFrameSet(context, project.colormap());
    const QList<QRect> top = {columnRect(project, RegionKind::TopBorder, 2),
                              columnRect(project, RegionKind::TopBorder, 6)};
    QCOMPARE(frames.top, top);
    QVERIFY(frames.bottom.isEmpty());
    QCOMPARE(frames.all(), top);

    // A column both over its colour limit and over the budget appears twice.
    project.colormap().setPixel(columnRect(project, RegionKind::TopBorder, 6).left(), 0, 13);
    const RedFrameSet twice = redFrameSet(context, project.colormap());
    QCOMPARE(twice.top, QList<QRect>({top[0], top[1], top[1]}));
}

void TestSpriteBudget::redFramesOnlyOnTopBottomCanvases()
{
    for (CanvasLayout layout : {CanvasLayout::BitmapOnly, CanvasLayout::SideBorderSprites}) {
        Project project(CanvasMode::Hires, -1, -1, LayoutSpec{layout});
        fillScan(project.colormap(), QRect(0, 0, 48, 30), QStringLiteral("1:400,2:400,3:400"));
        QVERIFY(redFrameSet(ClashContext::forSweep(project), project.colormap()).isEmpty());
    }
}

void TestSpriteBudget::alignmentSplitsAColumn()
{
    // Eight occupied columns on a left-aligned border, column 0 holding
    // pixels at x = 7 and x = 8; right-aligned, those fall into the sliver
    // and the empty column 1, making nine, and the sliver loses the tie.
    Project project = topBottomProject(CanvasMode::Hires, Left, Left);
    occupyColumns(project, RegionKind::TopBorder, QStringLiteral("2:5,3:5,4:5,5:5,6:5,7:5,8:5"), 2);
    project.colormap().setPixel(7, 3, 2);
    project.colormap().setPixel(8, 3, 2);
    QVERIFY(redFrameSet(ClashContext::forSweep(project), project.colormap()).isEmpty());
    project.layoutSpec().topAlignment = Right;
    const ClashContext context = ClashContext::forSweep(project);
    const QRect sliver = columnRect(project, RegionKind::TopBorder, 0);
    QCOMPARE(sliver, QRect(0, 0, 8, 42));
    QCOMPARE(redFrameSet(context, project.colormap()).top, QList<QRect>({sliver}));
}

void TestSpriteBudget::enforce_data()
{
    QTest::addColumn<BorderAlignment>("alignment");
    QTest::addColumn<QString>("occupied");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("color");
    QTest::addColumn<bool>("blocked");

    const QString eight = QStringLiteral("0:3,1:3,2:3,3:3,4:3,5:3,6:3,7:3");
    QTest::newRow("ninth column") << Left << eight << QPoint(8 * 24 + 3, 10) << 2 << true;
    QTest::newRow("ninth column, lower row") << Left << eight << QPoint(8 * 24, 41) << 2 << true;
    QTest::newRow("ninth column, background")
        << Left << eight << QPoint(8 * 24 + 3, 10) << 0 << false;
    QTest::newRow("occupied column") << Left << eight << QPoint(5 * 24 + 20, 30) << 9 << false;
    QTest::newRow("seven occupied")
        << Left << "0:3,1:3,2:3,3:3,4:3,5:3,6:3" << QPoint(13 * 24 - 1, 0) << 2 << false;
    QTest::newRow("sliver is a ninth column") << Left << eight << QPoint(315, 5) << 2 << true;
    QTest::newRow("right-aligned sliver") << Right << eight << QPoint(4, 5) << 2 << false;
    QTest::newRow("right-aligned ninth") << Right << eight << QPoint(8 + 7 * 24, 5) << 2 << true;
    QTest::newRow("bitmap pixel") << Left << eight << QPoint(200, 100) << 2 << false;
    QTest::newRow("bottom border counts apart") << Left << eight << QPoint(200, 250) << 2 << false;
    QTest::newRow("ten occupied stay paintable")
        << Left << "0:3,1:3,2:3,3:3,4:3,5:3,6:3,7:3,8:3,9:3" << QPoint(9 * 24 + 1, 1) << 2 << false;
    QTest::newRow("ten occupied block an eleventh")
        << Left << "0:3,1:3,2:3,3:3,4:3,5:3,6:3,7:3,8:3,9:3" << QPoint(10 * 24 + 1, 1) << 2 << true;
}

void TestSpriteBudget::enforce()
{
    QFETCH(BorderAlignment, alignment);
    QFETCH(QString, occupied);
    QFETCH(QPoint, pixel);
    QFETCH(int, color);
    QFETCH(bool, blocked);
    Project project = topBottomProject(CanvasMode::Hires, alignment, Left);
    occupyColumns(project, RegionKind::TopBorder, occupied, 6);
    SpriteBudgetState state(ClashContext::forStroke(project, quint8(color), false),
                            project.colormap());
    QCOMPARE(state.blocked(pixel, quint8(color)), blocked);
    QCOMPARE(state.occupiedCount(0), parseCounts(occupied).size());
    QCOMPARE(state.occupiedCount(1), 0);
}

void TestSpriteBudget::enforceOpensColumnsUpToTheBudget()
{
    // A stroke across the whole top border with six columns occupied opens
    // two new ones and then leaves the rest empty.
    Project project = topBottomProject(CanvasMode::Multicolor, Left, Left);
    occupyColumns(project, RegionKind::TopBorder, QStringLiteral("2:1,4:1,6:1,8:1,10:1,12:1"), 3);
    project.setSlot(ColorSlot::TopBackground, 0);
    const ClashContext context = ClashContext::forStroke(project, 3, false);
    // Built before the stroke but reading the colormap only on first use.
    SpriteBudgetState state(context, project.colormap());
    const Colormap before = project.colormap();
    const int y = 20;
    for (int x = 0; x < project.width(); ++x) {
        if (state.blocked(QPoint(x, y), 3))
            continue;
        project.colormap().setPixel(x, y, 3);
        state.markPainted(QPoint(x, y), 3);
    }
    QCOMPARE(state.occupiedCount(0), 8);
    const SpriteGrid grid = spriteGridOf(borderRegion(project, RegionKind::TopBorder),
                                         project.mode(), project.layoutSpec());
    QList<int> painted;
    for (int c = 0; c < grid.columns; ++c) {
        const QRect r = spriteRect(grid, c, 0);
        bool any = false;
        for (int x = r.left(); x <= r.right(); ++x)
            any = any || project.colormap().pixel(x, y) == 3;
        if (any)
            painted.append(c);
        QCOMPARE(state.isOccupied(0, c), c <= 2 || c % 2 == 0);
    }
    QCOMPARE(painted, QList<int>({0, 1, 2, 4, 6, 8, 10, 12}));
    // Erasing is never blocked, even in an empty ninth column.
    QVERIFY(!state.blocked(QPoint(13 * 12 + 1, y), 0));
    QVERIFY(redFrameSet(context, project.colormap()).isEmpty());
    QVERIFY(before != project.colormap());
}

void TestSpriteBudget::flagNeverBlocks()
{
    for (CanvasLayout layout : {CanvasLayout::TopBottomBorderSprites,
                                CanvasLayout::SideBorderSprites, CanvasLayout::BitmapOnly}) {
        Project project(CanvasMode::Hires, -1, -1, LayoutSpec{layout});
        project.colormap().fill(2);
        const ClashContext context = ClashContext::forStroke(project, 5, false);
        SpriteBudgetState flag(context, project.colormap(), SpriteCountPolicy::Flag);
        SpriteBudgetState enforce(context, project.colormap(), SpriteCountPolicy::Enforce);
        // All 14 columns are occupied: every column stays paintable anyway.
        for (int x = 0; x < project.width(); x += 7) {
            QVERIFY(!flag.blocked(QPoint(x, 3), 5));
            QVERIFY(!enforce.blocked(QPoint(x, 3), 5));
        }
        QCOMPARE(flag.occupiedCount(0), 0);
        QCOMPARE(enforce.occupiedCount(0), layout == CanvasLayout::TopBottomBorderSprites ? 14 : 0);
    }
}

void TestSpriteBudget::reduceBorders_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<BorderAlignment>("alignment");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("bottom");
    QTest::addColumn<QString>("erasedTop");
    QTest::addColumn<QString>("erasedBottom");

    QTest::newRow("ten columns lose the two smallest")
        << CanvasMode::Hires << Left << "0:9,1:2,2:9,3:9,4:9,5:9,6:9,7:1,8:9,9:9"
        << ""
        << "1,7"
        << "";
    QTest::newRow("both borders, right-aligned")
        << CanvasMode::Multicolor << Right << "0:4,1:9,2:9,3:9,4:9,5:9,6:9,7:9,8:9"
        << "13:1,12:1,11:1,10:1,9:1,8:1,7:1,6:1,5:1"
        << "0"
        << "5";
    QTest::newRow("only the bottom border") << CanvasMode::Hires << Left << "0:1,1:1"
                                            << "0:5,1:5,2:5,3:5,4:5,5:5,6:5,7:5,8:1,13:5"
                                            << ""
                                            << "8,13";
}

void TestSpriteBudget::reduceBorders()
{
    QFETCH(CanvasMode, mode);
    QFETCH(BorderAlignment, alignment);
    QFETCH(QString, top);
    QFETCH(QString, bottom);
    QFETCH(QString, erasedTop);
    QFETCH(QString, erasedBottom);

    Project project = topBottomProject(mode, alignment, alignment);
    project.setSlot(ColorSlot::TopBackground, 6);
    project.setSlot(ColorSlot::BottomBackground, 11);
    project.colormap().fillRect(borderRegion(project, RegionKind::TopBorder).rect, 6);
    project.colormap().fillRect(borderRegion(project, RegionKind::BottomBorder).rect, 11);
    occupyColumns(project, RegionKind::TopBorder, top, 2);
    occupyColumns(project, RegionKind::BottomBorder, bottom, 6);
    const Colormap original = project.colormap();

    const QRect changed = reduceBorderSprites(project);
    QRect erased;
    Colormap expected = original;
    for (int c : parseList(erasedTop)) {
        expected.fillRect(columnRect(project, RegionKind::TopBorder, c), 6);
        erased |= columnRect(project, RegionKind::TopBorder, c);
    }
    for (int c : parseList(erasedBottom)) {
        expected.fillRect(columnRect(project, RegionKind::BottomBorder, c), 11);
        erased |= columnRect(project, RegionKind::BottomBorder, c);
    }
    QCOMPARE(project.colormap(), expected);
    QVERIFY(erased.contains(changed));
    QVERIFY(!changed.isEmpty());
    QVERIFY(sameOutside(original, project.colormap(), changed));
    QVERIFY(redFrameSet(ClashContext::forSweep(project), project.colormap()).isEmpty());

    QCOMPARE(project.history().nodeCount(), 1);
    const HistoryNode &node = project.history().nodes().first();
    QCOMPARE(node.kind, HistoryEntryKind::ReduceBorderSprites);
    QCOMPARE(node.changes.size(),
             qsizetype((erasedTop.isEmpty() ? 0 : 1) + (erasedBottom.isEmpty() ? 0 : 1)));
    project.history().undo(project);
    QCOMPARE(project.colormap(), original);
    project.history().redo(project);
    QCOMPARE(project.colormap(), expected);
}

void TestSpriteBudget::reduceWithinBudgetRecordsNothing()
{
    Project project = topBottomProject(CanvasMode::Hires, Left, Right);
    occupyColumns(project, RegionKind::TopBorder,
                  QStringLiteral("0:1,2:1,4:1,6:1,8:1,10:1,12:1,13:1"), 2);
    occupyColumns(project, RegionKind::BottomBorder, QStringLiteral("0:1,13:1"), 2);
    const Colormap original = project.colormap();
    QVERIFY(reduceBorderSprites(project).isEmpty());
    QCOMPARE(project.colormap(), original);
    QCOMPARE(project.history().nodeCount(), 0);

    Project side(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
    side.colormap().fill(3);
    QVERIFY(reduceBorderSprites(side).isEmpty());
    QCOMPARE(side.history().nodeCount(), 0);
}

QTEST_GUILESS_MAIN(TestSpriteBudget)
#include "tst_spritebudget.moc"
