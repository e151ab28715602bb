#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"

#include <QDebug>
#include <QTest>

using namespace testcanvas;

namespace
{

// `slotText` like "0=6,7=1" sets slot 0 to colour 6 and slot 7 to colour 1.
Project makeProject(CanvasMode mode, CanvasLayout layout, const QString &slotText = {})
{
    Project project(mode, -1, -1, LayoutSpec{layout});
    for (const QString &part : slotText.split(u',', Qt::SkipEmptyParts))
        project.setSlot(ColorSlot(part.section(u'=', 0, 0).toInt()),
                        quint8(part.section(u'=', 1, 1).toInt()));
    return project;
}

} // namespace

class TestClashRules : public QObject
{
    Q_OBJECT

private slots:
    void sweepUnit_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("slotText");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QRect>("unit");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<QString>("expected");

        const QRect hc(8, 16, 8, 8);
        const QRect mc(4, 8, 4, 8);
        // Colour 3 lies nearest to 4 in the Pixcen palette (0) but to 1 in CCS64's (3).
        QTest::newRow("multi: 3 merges into 4") << 1 << 0 << "" << 0 << mc << "1:10,2:10,3:5,4:7"
                                                << "1:10,2:10,4:12";
        QTest::newRow("multi: merge follows the palette variant")
            << 1 << 0 << "" << 3 << mc << "1:10,2:10,3:5,4:7"
            << "1:15,2:10,4:7";
        QTest::newRow("hires: count tie keeps the lower index")
            << 0 << 0 << "" << 0 << hc << "3:30,7:17,9:17"
            << "3:30,7:34";
        QTest::newRow("hires: survivors by count, not scan order")
            << 0 << 0 << "" << 0 << hc << "9:24,7:20,3:20"
            << "3:40,9:24";
        // Grey 12 lies exactly between greys 11 and 15.
        QTest::newRow("hires: distance tie merges into the lower index")
            << 0 << 0 << "" << 0 << hc << "12:14,15:20,11:30"
            << "11:44,15:20";
        QTest::newRow("multi: merge into the background")
            << 1 << 0 << "0=6" << 0 << mc << "1:8,7:8,13:8,14:8"
            << "1:8,6:8,7:8,13:8";
        QTest::newRow("multi: absent background still survives")
            << 1 << 0 << "0=6" << 0 << mc << "14:5,1:9,7:9,13:9"
            << "1:9,6:5,7:9,13:9";
        QTest::newRow("multi side sprite: free colour to the nearest common")
            << 1 << 1 << "" << 0 << QRect(0, 13, 12, 21) << "7:100,3:50,0:102"
            << "0:102,4:50,7:100";
        QTest::newRow("multi right strip, last row: tie of free colours")
            << 1 << 1 << "" << 0 << QRect(196, 181, 12, 19) << "9:50,2:50,0:128"
            << "0:128,2:100";
        QTest::newRow("hires top sprite")
            << 0 << 2 << "" << 0 << QRect(0, 0, 24, 42) << "2:60,5:40,0:908"
            << "0:908,2:100";
        QTest::newRow("hires bottom sliver: bottom background is common")
            << 0 << 2 << "7=1" << 0 << QRect(312, 242, 8, 42) << "1:300,5:20,6:16"
            << "1:300,5:36";
        QTest::newRow("hires side sprite: border is common")
            << 0 << 1 << "1=1" << 0 << QRect(24, 34, 24, 21) << "1:400,2:50,13:54"
            << "1:400,13:104";
    }
    void sweepUnit()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QString, slotText);
        QFETCH(int, variant);
        QFETCH(QRect, unit);
        QFETCH(QString, fill);
        QFETCH(QString, expected);

        Project project = makeProject(CanvasMode(mode), CanvasLayout(layout), slotText);
        project.setPaletteVariant(variant);
        Colormap &colormap = project.colormap();
        // A clashing cell elsewhere must be left alone by a sweep of this unit.
        const QRect bitmap = bitmapRegionRect(project.mode(), project.size(), project.layoutSpec());
        const QRect far(bitmap.bottomRight() - QPoint(7, 7), bitmap.bottomRight());
        fillScan(colormap, far, QStringLiteral("8:3,9:3,11:3,12:3,13:3"));
        fillScan(colormap, unit, fill);
        const Colormap before = colormap;
        const auto slotsBefore = project.slotBytes();
        const ClashContext context = ClashContext::forSweep(project);
        const qsizetype clashesBefore = clashingUnits(context, colormap).size();
        // A one-pixel rectangle inside the unit still resolves the whole unit.
        QCOMPARE(resolveClashes(context, colormap, QRect(unit.center(), QSize(1, 1))), unit);
        QCOMPARE(histogramText(colormap, unit), expected);
        QVERIFY(sameOutside(before, colormap, unit));
        QCOMPARE(clashingUnits(context, colormap).size(), clashesBefore - 1);
        QCOMPARE(project.slotBytes(), slotsBefore);
    }
    void strokeVictim_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout"); // with a null unit: a bitmap cell
        QTest::addColumn<QRect>("unit");
        QTest::addColumn<int>("resolution");
        QTest::addColumn<bool>("onePixelPen");
        QTest::addColumn<QString>("slotText");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<int>("pen");  // paints scan positions
        QTest::addColumn<int>("from"); // from .. from + count - 1
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("expected");

        // Hires cell of 40 pixels of 1 and 24 of 2; the pen 5 overwrites two 1s.
        QTest::newRow("replace overwritten") << 0 << 0 << QRect() << 0 << false << ""
                                             << "1:40,2:24" << 5 << 0 << 2 << "2:24,5:40";
        QTest::newRow("preserve most used") << 0 << 0 << QRect() << 2 << false << ""
                                            << "1:40,2:24" << 5 << 0 << 2 << "1:38,5:26";
        QTest::newRow("preserve border") << 0 << 0 << QRect() << 1 << false << "1=1"
                                         << "1:40,2:24" << 5 << 0 << 2 << "1:38,5:26";
        QTest::newRow("preserve border falls back") << 0 << 0 << QRect() << 1 << false << "1=3"
                                                    << "1:40,2:24" << 5 << 0 << 2 << "2:24,5:40";
        QTest::newRow("most overwritten of two") << 0 << 0 << QRect() << 0 << false << ""
                                                 << "1:38,2:26" << 5 << 36 << 5 << "1:36,5:28";
        QTest::newRow("equal overwrites: lower index")
            << 0 << 0 << QRect() << 0 << false << ""
            << "2:32,1:32" << 5 << 31 << 2 << "2:31,5:33";
        QTest::newRow("hires, no clash") << 0 << 0 << QRect() << 0 << false << ""
                                         << "1:64" << 5 << 0 << 3 << "1:61,5:3";
        // Multicolor cell: background 0 and colours 1, 2, 3; the pen 4 is a fourth.
        QTest::newRow("multi: least used")
            << 1 << 0 << QRect() << 0 << false << ""
            << "0:8,1:8,2:10,3:6" << 4 << 16 << 2 << "0:8,1:8,2:8,4:8";
        QTest::newRow("multi one-pixel pen: overwritten")
            << 1 << 0 << QRect() << 0 << true << ""
            << "0:8,1:8,2:10,3:6" << 4 << 16 << 2 << "0:8,1:8,3:6,4:10";
        QTest::newRow("multi over background")
            << 1 << 0 << QRect() << 0 << false << ""
            << "0:8,1:8,2:10,3:6" << 4 << 0 << 2 << "0:6,1:8,2:10,4:8";
        QTest::newRow("multi one-pixel pen, background only: no victim")
            << 1 << 0 << QRect() << 0 << true << ""
            << "0:8,1:8,2:10,3:6" << 4 << 0 << 2 << "0:6,1:8,2:10,3:6,4:2";
        QTest::newRow("multi least used tie: lower index")
            << 1 << 0 << QRect() << 2 << false << "0=9"
            << "9:2,3:10,2:10,1:10" << 4 << 0 << 2 << "2:10,3:10,4:12";
        // Sprite units: the pen overwrites their first two pixels. Multicolor
        // side sprites have the commons 0, 4 and 10.
        const QRect ms(12, 34, 12, 21);
        QTest::newRow("free colour moves to the pen")
            << 1 << 1 << ms << 0 << false << ""
            << "7:40,4:20,0:192" << 3 << 0 << 2 << "0:192,3:40,4:20";
        QTest::newRow("a common pen repaints nothing else")
            << 1 << 1 << ms << 0 << false << ""
            << "7:40,4:20,0:192" << 10 << 0 << 2 << "0:192,4:20,7:38,10:2";
        QTest::newRow("two free colours: left alone")
            << 1 << 1 << ms << 0 << false << ""
            << "7:40,9:20,0:192" << 3 << 0 << 2 << "0:192,3:2,7:38,9:20";
        QTest::newRow("hires top sprite") << 0 << 2 << QRect(24, 0, 24, 42) << 0 << false << ""
                                          << "0:30,6:100" << 2 << 0 << 2 << "0:906,2:102";
    }
    void strokeVictim()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QRect, unit);
        QFETCH(int, resolution);
        QFETCH(bool, onePixelPen);
        QFETCH(QString, slotText);
        QFETCH(QString, fill);
        QFETCH(int, pen);
        QFETCH(int, from);
        QFETCH(int, count);
        QFETCH(QString, expected);

        Project project = makeProject(CanvasMode(mode), CanvasLayout(layout), slotText);
        project.setHiresClashResolution(HiresClashResolution(resolution));
        const QSize cs = unit.isNull() ? cellSize(project.mode()) : unit.size();
        const QRect cell = unit.isNull() ? QRect(QPoint(cs.width() * 3, 16), cs) : unit;
        Colormap &colormap = project.colormap();
        fillScan(colormap, cell, fill);
        auto at = [&](int i) { return cell.topLeft() + QPoint(i % cs.width(), i / cs.width()); };
        QRect rect;
        for (int i = from; i < from + count; ++i)
            rect |= QRect(at(i), at(i));
        const Colormap before = colormap.copy(rect);
        for (int i = from; i < from + count; ++i)
            colormap.setPixel(at(i).x(), at(i).y(), quint8(pen));
        const Colormap painted = colormap;

        const ClashContext context = ClashContext::forStroke(project, quint8(pen), onePixelPen);
        const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
        QCOMPARE(histogramText(colormap, cell), expected);
        QCOMPARE(changed, colormap == painted ? QRect() : cell);
        QVERIFY(sameOutside(painted, colormap, cell));
        for (int i = from; i < from + count; ++i)
            QCOMPARE(colormap.pixel(at(i).x(), at(i).y()), quint8(pen));
    }
    void wouldClash_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QRect>("unit");
        QTest::addColumn<QString>("fill");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("pen");
        QTest::addColumn<bool>("clash");

        const QRect mc(8, 8, 4, 8);
        const QRect ms(0, 13, 12, 21);
        QTest::newRow("hires never")
            << 0 << 0 << QRect(8, 8, 8, 8) << "1:20,2:20" << QPoint(15, 15) << 3 << false;
        QTest::newRow("multi fourth colour")
            << 1 << 0 << mc << "1:8,2:8,3:8" << QPoint(11, 15) << 4 << true;
        QTest::newRow("multi colour already there")
            << 1 << 0 << mc << "1:8,2:8,3:8" << QPoint(11, 15) << 2 << false;
        QTest::newRow("multi over a non-background pixel")
            << 1 << 0 << mc << "1:8,2:8,3:8" << QPoint(8, 8) << 4 << false;
        QTest::newRow("multi next cell")
            << 1 << 0 << mc << "1:8,2:8,3:8" << QPoint(12, 15) << 4 << false;
        QTest::newRow("sprite second free colour")
            << 1 << 1 << ms << "7:20" << QPoint(5, 30) << 3 << true;
        QTest::newRow("sprite common pen")
            << 1 << 1 << ms << "7:20" << QPoint(5, 30) << 10 << false;
        QTest::newRow("sprite pixel holds the free colour")
            << 1 << 1 << ms << "7:20" << QPoint(0, 13) << 3 << false;
        QTest::newRow("multi clashing cell: pen is its sixth colour")
            << 1 << 0 << mc << "1:5,2:5,3:5,5:5,6:5,4:5" << QPoint(11, 15) << 4 << false;
        QTest::newRow("locked border column")
            << 0 << 1 << QRect(384, 0, 24, 13) << "7:300" << QPoint(410, 5) << 3 << false;
    }
    void wouldClash()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QRect, unit);
        QFETCH(QString, fill);
        QFETCH(QPoint, pixel);
        QFETCH(int, pen);
        QFETCH(bool, clash);
        Project project = makeProject(CanvasMode(mode), CanvasLayout(layout));
        fillScan(project.colormap(), unit, fill);
        const ClashContext context = ClashContext::forStroke(project, quint8(pen), false);
        QCOMPARE(::wouldClash(context, project.colormap(), pixel), clash);
    }
    void canvasTooSmallForItsStrips_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QSize>("size");
        QTest::newRow("hires top/bottom, 20 lines") << 0 << 2 << QSize(24, 20);
        QTest::newRow("hires side, 40 wide") << 0 << 1 << QSize(40, 30);
        QTest::newRow("multi side, 20 wide") << 1 << 1 << QSize(20, 10);
    }
    void canvasTooSmallForItsStrips()
    {
        // A project file may hold any size with any layout; the strips then
        // reach past the colormap, and no unit may be read or changed there.
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QSize, size);
        Project project(CanvasMode(mode), size.width(), size.height(),
                        LayoutSpec{CanvasLayout(layout)});
        Colormap &colormap = project.colormap();
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                colormap.setPixel(x, y, quint8((x + 3 * y) % 16));
        const ClashContext context = ClashContext::forStroke(project, 7, false);
        const QList<QRect> clashing = clashingUnits(context, colormap);
        QVERIFY(!clashing.isEmpty());
        for (const QRect &unit : clashing)
            QVERIFY2(colormap.rect().contains(unit), qPrintable(QDebug::toString(unit)));
        QVERIFY(colormap.rect().contains(resolveClashes(context, colormap, colormap.rect())));
        // A stroke of 7 into a sprite whose one free colour is 9 moves the 9.
        colormap.fill(0);
        colormap.setPixel(5, 5, 9);
        const Colormap before = colormap.copy(QRect(0, 0, 2, 1));
        colormap.fillRect(QRect(0, 0, 2, 1), 7);
        const QRect changed = resolveStrokeClashes(context, colormap, before, QRect(0, 0, 2, 1));
        QCOMPARE(colormap.pixel(5, 5), quint8(7));
        QVERIFY(colormap.rect().contains(changed));
    }
};

QTEST_GUILESS_MAIN(TestClashRules)
#include "tst_clashrules.moc"
