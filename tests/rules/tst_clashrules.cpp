#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"

#include <QTest>

using namespace testcanvas;

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(CanvasLayout)
Q_DECLARE_METATYPE(HiresClashResolution)

namespace
{

// "0=6,1=3" sets slot 0 to 6 and slot 1 to 3.
void applySlots(Project &project, const QString &text)
{
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const QStringList kv = part.split(u'=');
        project.setSlot(ColorSlot(kv.value(0).toInt()), quint8(kv.value(1).toInt()));
    }
}

Project makeProject(CanvasMode mode, CanvasLayout layout, const QString &slotText = {})
{
    Project project(mode, -1, -1, LayoutSpec{layout, BorderAlignment::Left, BorderAlignment::Left});
    applySlots(project, slotText);
    return project;
}

const auto H = CanvasMode::Hires;
const auto M = CanvasMode::Multicolor;
const auto Bitmap = CanvasLayout::BitmapOnly;
const auto Side = CanvasLayout::SideBorderSprites;
const auto TopBottom = CanvasLayout::TopBottomBorderSprites;

} // namespace

class TestClashRules : public QObject
{
    Q_OBJECT

private slots:
    void cellClash_data();
    void cellClash();
    void sweepUnit_data();
    void sweepUnit();
    void sweepLeavesLegalCanvasAlone_data();
    void sweepLeavesLegalCanvasAlone();
    void strokeVictim_data();
    void strokeVictim();
    void strokeSprite_data();
    void strokeSprite();
    void wouldClash_data();
    void wouldClash();
    void clashingUnitsInRegionOrder();
    void spriteColorLimit_data();
    void spriteColorLimit();
};

void TestClashRules::cellClash_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<int>("background");
    QTest::addColumn<bool>("clash");

    QTest::newRow("hires one colour") << H << "5:64" << 0 << false;
    QTest::newRow("hires two colours") << H << "5:63,6:1" << 0 << false;
    QTest::newRow("hires three colours") << H << "5:62,6:1,7:1" << 0 << true;
    QTest::newRow("hires third colour last pixel") << H << "1:63,2:0,3:1" << 1 << false;
    QTest::newRow("hires third colour on last pixel") << H << "1:32,2:31,3:1" << 1 << true;
    QTest::newRow("multi background plus three") << M << "0:8,1:8,2:8,3:8" << 0 << false;
    QTest::newRow("multi four besides background") << M << "0:4,1:7,2:7,3:7,4:7" << 0 << true;
    QTest::newRow("multi four without background") << M << "1:8,2:8,3:8,4:8" << 0 << true;
    QTest::newRow("multi four, one is background") << M << "1:8,2:8,3:8,4:8" << 4 << false;
    QTest::newRow("multi five colours") << M << "1:6,2:6,3:6,4:6,5:8" << 5 << true;
}

void TestClashRules::cellClash()
{
    QFETCH(CanvasMode, mode);
    QFETCH(QString, fill);
    QFETCH(int, background);
    QFETCH(bool, clash);
    const QRect cell(QPoint(0, 0), cellSize(mode));
    Colormap colormap(16, 16);
    colormap.fill(quint8(background));
    fillScan(colormap, cell, fill);
    // A neighbouring cell's colours must not count.
    colormap.fillRect(QRect(cell.right() + 1, 0, 4, 8), 12);
    QCOMPARE(cellHasClash(mode, colormap, cell, quint8(background)), clash);
}

void TestClashRules::sweepUnit_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<QString>("slotText");
    QTest::addColumn<int>("variant");
    QTest::addColumn<QRect>("unit");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("expected");

    const QRect hiresCell(8, 16, 8, 8);
    const QRect multiCell(4, 8, 4, 8);
    // Colour 3 lies nearest to 4 in the Pixcen palette but nearest to 1 in CCS64's.
    QTest::newRow("multi keeps three most used, 3 merges into 4")
        << M << Bitmap << "" << 0 << multiCell << "1:10,2:10,3:5,4:7"
        << "1:10,2:10,4:12";
    QTest::newRow("multi merge follows the palette variant")
        << M << Bitmap << "" << 3 << multiCell << "1:10,2:10,3:5,4:7"
        << "1:15,2:10,4:7";
    QTest::newRow("hires count tie keeps the lower index")
        << H << Bitmap << "" << 0 << hiresCell << "3:30,7:17,9:17"
        << "3:30,7:34";
    QTest::newRow("hires survivors chosen by count not by scan order")
        << H << Bitmap << "" << 0 << hiresCell << "9:24,7:20,3:20"
        << "9:24,3:40";
    // Grey 12 lies exactly between greys 11 and 15.
    QTest::newRow("hires distance tie merges into the lower index")
        << H << Bitmap << "" << 0 << hiresCell << "12:14,15:20,11:30"
        << "11:44,15:20";
    QTest::newRow("multi colour merges into the background")
        << M << Bitmap << "0=6" << 0 << multiCell << "1:8,7:8,13:8,14:8"
        << "1:8,7:8,13:8,6:8";
    QTest::newRow("multi absent background still survives")
        << M << Bitmap << "0=6" << 0 << multiCell << "14:5,1:9,7:9,13:9"
        << "1:9,7:9,13:9,6:5";
    QTest::newRow("multi side sprite: second free colour to nearest common")
        << M << Side << "" << 0 << QRect(0, 13, 12, 21) << "7:100,3:50,0:102"
        << "7:100,4:50,0:102";
    QTest::newRow("multi side sprite: right strip, tie of free colours")
        << M << Side << "" << 0 << QRect(196, 181, 12, 19) << "9:50,2:50,0:128"
        << "2:100,0:128";
    QTest::newRow("hires top sprite: free colour merges into the survivor")
        << H << TopBottom << "" << 0 << QRect(0, 0, 24, 42) << "2:60,5:40,0:908"
        << "2:100,0:908";
    QTest::newRow("hires bottom sprite sliver column uses bottom background")
        << H << TopBottom << "7=1" << 0 << QRect(312, 242, 8, 42) << "1:300,5:20,6:16"
        << "1:300,5:36";
    QTest::newRow("hires side sprite with border common")
        << H << Side << "1=1" << 0 << QRect(24, 34, 24, 21) << "1:400,2:50,13:54"
        << "1:400,13:104";
}

void TestClashRules::sweepUnit()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(QString, slotText);
    QFETCH(int, variant);
    QFETCH(QRect, unit);
    QFETCH(QString, fill);
    QFETCH(QString, expected);

    Project project = makeProject(mode, layout, slotText);
    project.setPaletteVariant(variant);
    Colormap &colormap = project.colormap();
    // A clashing cell elsewhere must be left alone by a sweep of this unit.
    const QRect bitmap = bitmapRegionRect(mode, project.size(), project.layoutSpec());
    const QRect far(bitmap.bottomRight() - QPoint(7, 7), bitmap.bottomRight());
    colormap.fillRect(far, 5);
    fillScan(colormap, far, QStringLiteral("8:3,9:3,11:3,12:3,13:3"));
    fillScan(colormap, unit, fill);
    const Colormap before = colormap;

    const ClashContext context = ClashContext::forSweep(project);
    // A one-pixel rectangle inside the unit must still resolve the whole unit.
    const QRect changed = resolveClashes(context, colormap, QRect(unit.center(), QSize(1, 1)));
    QCOMPARE(changed, unit);
    QCOMPARE(describe(histogram(colormap, unit)), describe(expectedHistogram(expected)));
    QVERIFY(sameOutside(before, colormap, unit));
    const QList<QRect> clashing = clashingUnits(context, colormap);
    QVERIFY(!clashing.contains(unit));
    QVERIFY(!clashing.isEmpty());
    QCOMPARE(project.slotBytes(), makeProject(mode, layout, slotText).slotBytes());
}

void TestClashRules::sweepLeavesLegalCanvasAlone_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    for (CanvasMode mode : {H, M})
        for (CanvasLayout layout : {Bitmap, Side, TopBottom})
            QTest::addRow("mode %d layout %d", int(mode), int(layout)) << mode << layout;
}

void TestClashRules::sweepLeavesLegalCanvasAlone()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    Project project = makeProject(mode, layout);
    const ClashContext context = ClashContext::forSweep(project);
    QVERIFY(!canvasHasClash(context, project.colormap()));
    QVERIFY(resolveClashes(context, project.colormap(), project.colormap().rect()).isEmpty());
    // A legal cell of two colours next to a clashing one stays as it is.
    const QRect bitmap = bitmapRegionRect(mode, project.size(), project.layoutSpec());
    const QSize cs = cellSize(mode);
    const QRect legal(bitmap.topLeft(), cs);
    const QRect clashing(bitmap.topLeft() + QPoint(cs.width(), 0), cs);
    fillScan(project.colormap(), legal, QStringLiteral("5:40,6:24"));
    fillScan(project.colormap(), clashing, QStringLiteral("5:10,6:8,7:6,8:4,9:4"));
    QVERIFY(canvasHasClash(context, project.colormap()));
    const Colormap before = project.colormap();
    QCOMPARE(resolveClashes(context, project.colormap(), legal.united(clashing)), clashing);
    QVERIFY(sameOutside(before, project.colormap(), clashing));
    QVERIFY(!canvasHasClash(context, project.colormap()));
}

void TestClashRules::strokeVictim_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<HiresClashResolution>("resolution");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QString>("slotText");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<int>("pen");
    QTest::addColumn<int>("strokeFrom");  // first scan index painted
    QTest::addColumn<int>("strokeCount"); // number of pixels painted in scan order
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("repainted");

    using R = HiresClashResolution;
    // Hires cell of 40 pixels of 1 and 24 of 2; the pen 5 overwrites two 1s.
    QTest::newRow("replace overwritten: overwritten colour goes")
        << H << R::ReplaceOverwritten << false << ""
        << "1:40,2:24" << 5 << 0 << 2 << "2:24,5:40" << true;
    QTest::newRow("preserve most used: least used goes")
        << H << R::PreserveMostUsed << false << ""
        << "1:40,2:24" << 5 << 0 << 2 << "1:38,5:26" << true;
    QTest::newRow("preserve border: the non-border colour goes")
        << H << R::PreserveBorder << false << "1=1"
        << "1:40,2:24" << 5 << 0 << 2 << "1:38,5:26" << true;
    QTest::newRow("preserve border: no border colour falls back")
        << H << R::PreserveBorder << false << "1=3"
        << "1:40,2:24" << 5 << 0 << 2 << "2:24,5:40" << true;
    QTest::newRow("replace overwritten: most overwritten of two")
        << H << R::ReplaceOverwritten << false << ""
        << "1:38,2:26" << 5 << 36 << 5 << "1:36,5:28" << true;
    QTest::newRow("replace overwritten: equal overwrites go to lower index")
        << H << R::ReplaceOverwritten << false << ""
        << "2:32,1:32" << 5 << 31 << 2 << "2:31,5:33" << true;
    QTest::newRow("hires two colours after painting: nothing to repair")
        << H << R::ReplaceOverwritten << false << ""
        << "1:64" << 5 << 0 << 3 << "1:61,5:3" << false;
    // Multicolor cell: background 0, colours 1, 2, 3; the pen 4 makes a fourth.
    QTest::newRow("multi: least used colour goes")
        << M << R::ReplaceOverwritten << false << ""
        << "0:8,1:8,2:10,3:6" << 4 << 16 << 2 << "0:8,1:8,2:8,4:8" << true;
    QTest::newRow("multi one-pixel pen: overwritten colour goes")
        << M << R::ReplaceOverwritten << true << ""
        << "0:8,1:8,2:10,3:6" << 4 << 16 << 2 << "0:8,1:8,3:6,4:10" << true;
    QTest::newRow("multi over background: least used goes")
        << M << R::ReplaceOverwritten << false << ""
        << "0:8,1:8,2:10,3:6" << 4 << 0 << 2 << "0:6,1:8,2:10,4:8" << true;
    QTest::newRow("multi one-pixel pen over background only: left alone")
        << M << R::ReplaceOverwritten << true << ""
        << "0:8,1:8,2:10,3:6" << 4 << 0 << 2 << "0:6,1:8,2:10,3:6,4:2" << false;
    QTest::newRow("multi least used ties to the lower index")
        << M << R::PreserveMostUsed << false << "0=9"
        << "9:2,3:10,2:10,1:10" << 4 << 0 << 2 << "2:10,3:10,4:12" << true;
    QTest::newRow("multi hires strategy is ignored")
        << M << R::PreserveMostUsed << false << ""
        << "0:8,1:6,2:10,3:8" << 4 << 16 << 2 << "0:8,4:8,2:8,3:8" << true;
}

void TestClashRules::strokeVictim()
{
    QFETCH(CanvasMode, mode);
    QFETCH(HiresClashResolution, resolution);
    QFETCH(bool, flag);
    QFETCH(QString, slotText);
    QFETCH(QString, fill);
    QFETCH(int, pen);
    QFETCH(int, strokeFrom);
    QFETCH(int, strokeCount);
    QFETCH(QString, expected);
    QFETCH(bool, repainted);

    Project project = makeProject(mode, Bitmap, slotText);
    project.setHiresClashResolution(resolution);
    const QSize cs = cellSize(mode);
    const QRect cell(QPoint(cs.width() * 3, 16), cs);
    Colormap &colormap = project.colormap();
    fillScan(colormap, cell, fill);

    QRect rect;
    for (int i = strokeFrom; i < strokeFrom + strokeCount; ++i)
        rect |= QRect(cell.left() + i % cs.width(), cell.top() + i / cs.width(), 1, 1);
    const Colormap before = colormap.copy(rect);
    const Colormap untouched = colormap;
    for (int i = strokeFrom; i < strokeFrom + strokeCount; ++i)
        colormap.setPixel(cell.left() + i % cs.width(), cell.top() + i / cs.width(), quint8(pen));
    const Colormap painted = colormap;

    const ClashContext context = ClashContext::forStroke(project, quint8(pen), flag);
    const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
    QCOMPARE(describe(histogram(colormap, cell)), describe(expectedHistogram(expected)));
    QCOMPARE(changed, repainted ? cell : QRect());
    QVERIFY(sameOutside(untouched, colormap, cell));
    // Painted pixels keep the pen colour.
    for (int i = strokeFrom; i < strokeFrom + strokeCount; ++i)
        QCOMPARE(colormap.pixel(cell.left() + i % cs.width(), cell.top() + i / cs.width()),
                 quint8(pen));
    if (!repainted)
        QCOMPARE(colormap, painted);
}

void TestClashRules::strokeSprite_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<QRect>("unit");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<int>("pen");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("repainted");

    // Multicolor side sprites have the commons 0, 4 and 10.
    const QRect multiSide(12, 34, 12, 21);
    QTest::newRow("free colour moves to the pen")
        << M << Side << multiSide << "7:40,4:20,0:192" << 3 << "3:40,4:20,0:192" << true;
    QTest::newRow("painting a common colour repaints nothing else")
        << M << Side << multiSide << "7:40,4:20,0:192" << 10 << "7:38,10:2,4:20,0:192" << false;
    QTest::newRow("painting the sprite's own colour")
        << M << Side << multiSide << "7:40,4:20,0:192" << 7 << "7:40,4:20,0:192" << false;
    QTest::newRow("two free colours already: left alone")
        << M << Side << multiSide << "7:40,9:20,0:192" << 3 << "7:38,9:20,3:2,0:192" << false;
    QTest::newRow("hires top sprite follows the pen")
        << H << TopBottom << QRect(24, 0, 24, 42) << "0:30,6:100" << 2 << "2:102,0:906" << true;
    QTest::newRow("hires bottom sprite on right strip")
        << H << Side << QRect(384, 118, 24, 21) << "0:30,6:100" << 2 << "2:102,0:402" << true;
}

void TestClashRules::strokeSprite()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(QRect, unit);
    QFETCH(QString, fill);
    QFETCH(int, pen);
    QFETCH(QString, expected);
    QFETCH(bool, repainted);

    Project project = makeProject(mode, layout);
    Colormap &colormap = project.colormap();
    fillScan(colormap, unit, fill);
    // The pen overwrites the unit's first two pixels.
    const QRect rect(unit.topLeft(), QSize(2, 1));
    const Colormap before = colormap.copy(rect);
    const Colormap untouched = colormap;
    colormap.fillRect(rect, quint8(pen));
    const ClashContext context = ClashContext::forStroke(project, quint8(pen), false);
    const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
    QCOMPARE(describe(histogram(colormap, unit)), describe(expectedHistogram(expected)));
    QCOMPARE(changed, repainted ? unit : QRect());
    QVERIFY(sameOutside(untouched, colormap, unit));
}

void TestClashRules::wouldClash_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<QRect>("unit");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<int>("pen");
    QTest::addColumn<bool>("clash");

    const QRect cell(8, 8, 4, 8);
    QTest::newRow("hires never") << H << Bitmap << QRect(8, 8, 8, 8) << "1:20,2:20"
                                 << QPoint(15, 15) << 3 << false;
    QTest::newRow("multi fourth colour on background")
        << M << Bitmap << cell << "1:8,2:8,3:8" << QPoint(11, 15) << 4 << true;
    QTest::newRow("multi colour already in the cell")
        << M << Bitmap << cell << "1:8,2:8,3:8" << QPoint(11, 15) << 2 << false;
    QTest::newRow("multi over a non-background pixel")
        << M << Bitmap << cell << "1:8,2:8,3:8" << QPoint(8, 8) << 4 << false;
    QTest::newRow("multi painting the background")
        << M << Bitmap << cell << "1:8,2:8,3:8" << QPoint(11, 15) << 0 << false;
    QTest::newRow("multi cell with two colours")
        << M << Bitmap << cell << "1:8,2:8" << QPoint(11, 15) << 4 << false;
    QTest::newRow("multi neighbour cell's colours do not count")
        << M << Bitmap << cell << "1:8,2:8,3:8" << QPoint(12, 15) << 4 << false;
    QTest::newRow("sprite second free colour")
        << M << Side << QRect(0, 13, 12, 21) << "7:20" << QPoint(5, 30) << 3 << true;
    QTest::newRow("sprite same free colour")
        << M << Side << QRect(0, 13, 12, 21) << "7:20" << QPoint(5, 30) << 7 << false;
    QTest::newRow("sprite common pen")
        << M << Side << QRect(0, 13, 12, 21) << "7:20" << QPoint(5, 30) << 10 << false;
    QTest::newRow("sprite pixel holds the free colour")
        << M << Side << QRect(0, 13, 12, 21) << "7:20" << QPoint(0, 13) << 3 << false;
    QTest::newRow("sprite without free colour")
        << M << Side << QRect(0, 13, 12, 21) << "4:20" << QPoint(5, 30) << 3 << false;
    QTest::newRow("sprite below the unit is another unit")
        << M << Side << QRect(0, 13, 12, 21) << "7:20" << QPoint(5, 34) << 3 << false;
    QTest::newRow("locked border column belongs to no unit")
        << H << Side << QRect(384, 0, 24, 13) << "7:300" << QPoint(410, 5) << 3 << false;
}

void TestClashRules::wouldClash()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(QRect, unit);
    QFETCH(QString, fill);
    QFETCH(QPoint, pixel);
    QFETCH(int, pen);
    QFETCH(bool, clash);
    Project project = makeProject(mode, layout);
    fillScan(project.colormap(), unit, fill);
    const ClashContext context = ClashContext::forStroke(project, quint8(pen), false);
    QCOMPARE(::wouldClash(context, project.colormap(), pixel), clash);
}

void TestClashRules::clashingUnitsInRegionOrder()
{
    Project project = makeProject(H, Side, "1=1");
    Colormap &colormap = project.colormap();
    // Right strip sprite (column 0, colour row 2), a bitmap cell lower down,
    // a bitmap cell higher up and two left-strip sprites: (column 1, row 0)
    // and (column 0, row 1).
    fillScan(colormap, QRect(360, 34, 24, 21), QStringLiteral("1:10,2:5,3:5"));
    fillScan(colormap, QRect(56, 40, 8, 8), QStringLiteral("2:20,3:20,4:24"));
    fillScan(colormap, QRect(104, 8, 8, 8), QStringLiteral("2:20,3:20,4:24"));
    fillScan(colormap, QRect(24, 1, 24, 12), QStringLiteral("2:5,3:5"));
    fillScan(colormap, QRect(0, 13, 24, 21), QStringLiteral("5:5,6:5"));
    const ClashContext context = ClashContext::forSweep(project);
    const QList<QRect> expected = {QRect(24, 0, 24, 13), QRect(0, 13, 24, 21), QRect(104, 8, 8, 8),
                                   QRect(56, 40, 8, 8), QRect(360, 34, 24, 21)};
    QCOMPARE(clashingUnits(context, colormap), expected);
    QVERIFY(canvasHasClash(context, colormap));
    resolveClashes(context, colormap, colormap.rect());
    QVERIFY(clashingUnits(context, colormap).isEmpty());
}

void TestClashRules::spriteColorLimit_data()
{
    QTest::addColumn<BorderAlignment>("alignment");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("over");
    // Two free colours at x = 7 and x = 8 of the top border: one column when
    // left-aligned, two when right-aligned (the sliver ends at x = 7).
    QTest::newRow("left column 0") << BorderAlignment::Left << 0 << true;
    QTest::newRow("left column 1") << BorderAlignment::Left << 1 << false;
    QTest::newRow("right column 0") << BorderAlignment::Right << 0 << false;
    QTest::newRow("right column 1") << BorderAlignment::Right << 1 << false;
}

void TestClashRules::spriteColorLimit()
{
    QFETCH(BorderAlignment, alignment);
    QFETCH(int, column);
    QFETCH(bool, over);
    Project project(H, -1, -1, LayoutSpec{TopBottom, alignment, BorderAlignment::Left});
    project.colormap().setPixel(7, 20, 2);
    project.colormap().setPixel(8, 41, 3);
    const ClashContext context = ClashContext::forSweep(project);
    const CanvasRegion top = project.regions().first();
    QCOMPARE(spriteOverColorLimit(context, project.colormap(), top, column, 0), over);
    QCOMPARE(canvasHasClash(context, project.colormap()), alignment == BorderAlignment::Left);
}

QTEST_GUILESS_MAIN(TestClashRules)
#include "tst_clashrules.moc"
