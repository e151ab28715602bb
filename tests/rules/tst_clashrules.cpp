#include "../common/canvasrows.h"
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
Project makeProject(int mode, int layout, const QString &slotText = {})
{
    Project project(CanvasMode(mode), -1, -1, LayoutSpec{CanvasLayout(layout)});
    for (const auto &[slot, color] : parseCounts(QString(slotText).replace(u'=', u':')))
        project.setSlot(ColorSlot(slot), quint8(color));
    return project;
}

// Modes and layouts are 0 hires / 1 multicolor and 0 bitmap / 1 side / 2
// top and bottom sprites; colours are written "colour:count,...".
struct Sweep {
    int mode, layout;
    const char *slotText;
    int variant;
    QRect unit;
    const char *fill, *expected;
};
// The pen paints scan positions from .. from + count - 1 of the unit (a
// bitmap cell when null) and the stroke's clashes are resolved.
struct Victim {
    int mode, layout;
    QRect unit;
    int resolution;
    bool onePixelPen;
    const char *slotText, *fill;
    int pen, from, count;
    const char *expected;
};
struct Probe {
    int mode, layout;
    QRect unit;
    const char *fill;
    QPoint pixel;
    int pen;
    bool clash;
};

} // namespace

Q_DECLARE_METATYPE(Sweep)
Q_DECLARE_METATYPE(Victim)
Q_DECLARE_METATYPE(Probe)

class TestClashRules : public QObject
{
    Q_OBJECT

private slots:
    void sweepUnit_data()
    {
        const QRect hc(8, 16, 8, 8), mc(4, 8, 4, 8);
        addRows<Sweep>({
            // Colour 3 lies nearest to 4 in the Pixcen palette (0) but to 1 in CCS64's (3).
            {"multi: 3 merges into 4", {1, 0, "", 0, mc, "1:10,2:10,3:5,4:7", "1:10,2:10,4:12"}},
            {"multi: merge follows the palette",
             {1, 0, "", 3, mc, "1:10,2:10,3:5,4:7", "1:15,2:10,4:7"}},
            {"hires: count tie keeps the lower index",
             {0, 0, "", 0, hc, "3:30,7:17,9:17", "3:30,7:34"}},
            {"hires: survivors by count, not scan order",
             {0, 0, "", 0, hc, "9:24,7:20,3:20", "3:40,9:24"}},
            // Grey 12 lies exactly between greys 11 and 15.
            {"hires: distance tie merges into the lower index",
             {0, 0, "", 0, hc, "12:14,15:20,11:30", "11:44,15:20"}},
            {"multi: merge into the background",
             {1, 0, "0=6", 0, mc, "1:8,7:8,13:8,14:8", "1:8,6:8,7:8,13:8"}},
            {"multi: absent background still survives",
             {1, 0, "0=6", 0, mc, "14:5,1:9,7:9,13:9", "1:9,6:5,7:9,13:9"}},
            {"multi side sprite: free colour to the nearest common",
             {1, 1, "", 0, {0, 13, 12, 21}, "7:100,3:50,0:102", "0:102,4:50,7:100"}},
            {"hires bottom sliver: bottom background is common",
             {0, 2, "7=1", 0, {312, 242, 8, 42}, "1:300,5:20,6:16", "1:300,5:36"}},
            {"hires side sprite: border is common",
             {0, 1, "1=1", 0, {24, 34, 24, 21}, "1:400,2:50,13:54", "1:400,13:104"}},
        });
    }
    void sweepUnit()
    {
        QFETCH(Sweep, row);
        Project project = makeProject(row.mode, row.layout, row.slotText);
        project.setPaletteVariant(row.variant);
        Colormap &colormap = project.colormap();
        // A clashing cell elsewhere must be left alone by a sweep of this unit.
        const QRect bitmap = bitmapRegionRect(project.mode(), project.size(), project.layoutSpec());
        fillScan(colormap, QRect(bitmap.bottomRight() - QPoint(7, 7), bitmap.bottomRight()),
                 QStringLiteral("8:3,9:3,11:3,12:3,13:3"));
        fillScan(colormap, row.unit, row.fill);
        const ClashContext context = ClashContext::forSweep(project);
        const qsizetype clashesBefore = clashingUnits(context, colormap).size();
        // A one-pixel rectangle inside the unit still resolves the whole unit.
        QCOMPARE(resolveClashes(context, colormap, QRect(row.unit.center(), QSize(1, 1))),
                 row.unit);
        QCOMPARE(histogramText(colormap, row.unit), row.expected);
        QCOMPARE(clashingUnits(context, colormap).size(), clashesBefore - 1);
    }
    void strokeVictim_data()
    {
        // A hires cell of 40 pixels of 1 and 24 of 2 where the pen 5 overwrites two 1s;
        // a multicolor cell of background 0 and colours 1, 2, 3 where the pen 4 is a fourth.
        const char *hires = "1:40,2:24", *multi = "0:8,1:8,2:10,3:6";
        // Multicolor side sprites have the commons 0, 4 and 10.
        const QRect none, ms(12, 34, 12, 21);
        addRows<Victim>({
            {"replace overwritten", {0, 0, none, 0, false, "", hires, 5, 0, 2, "2:24,5:40"}},
            {"preserve most used", {0, 0, none, 2, false, "", hires, 5, 0, 2, "1:38,5:26"}},
            {"preserve border", {0, 0, none, 1, false, "1=1", hires, 5, 0, 2, "1:38,5:26"}},
            {"preserve border falls back",
             {0, 0, none, 1, false, "1=3", hires, 5, 0, 2, "2:24,5:40"}},
            {"most overwritten of two",
             {0, 0, none, 0, false, "", "1:38,2:26", 5, 36, 5, "1:36,5:28"}},
            {"equal overwrites: lower index",
             {0, 0, none, 0, false, "", "2:32,1:32", 5, 31, 2, "2:31,5:33"}},
            {"multi: least used", {1, 0, none, 0, false, "", multi, 4, 16, 2, "0:8,1:8,2:8,4:8"}},
            {"multi one-pixel pen: overwritten",
             {1, 0, none, 0, true, "", multi, 4, 16, 2, "0:8,1:8,3:6,4:10"}},
            {"multi over background",
             {1, 0, none, 0, false, "", multi, 4, 0, 2, "0:6,1:8,2:10,4:8"}},
            {"multi one-pixel pen, background only: no victim",
             {1, 0, none, 0, true, "", multi, 4, 0, 2, "0:6,1:8,2:10,3:6,4:2"}},
            {"multi least used tie: lower index",
             {1, 0, none, 2, false, "0=9", "9:2,3:10,2:10,1:10", 4, 0, 2, "2:10,3:10,4:12"}},
            {"free colour moves to the pen",
             {1, 1, ms, 0, false, "", "7:40,4:20,0:192", 3, 0, 2, "0:192,3:40,4:20"}},
            {"a common pen repaints nothing else",
             {1, 1, ms, 0, false, "", "7:40,4:20,0:192", 10, 0, 2, "0:192,4:20,7:38,10:2"}},
            {"two free colours: left alone",
             {1, 1, ms, 0, false, "", "7:40,9:20,0:192", 3, 0, 2, "0:192,3:2,7:38,9:20"}},
        });
    }
    void strokeVictim()
    {
        QFETCH(Victim, row);
        Project project = makeProject(row.mode, row.layout, row.slotText);
        project.setHiresClashResolution(HiresClashResolution(row.resolution));
        const QSize cs = row.unit.isNull() ? cellSize(project.mode()) : row.unit.size();
        const QRect cell = row.unit.isNull() ? QRect(QPoint(cs.width() * 3, 16), cs) : row.unit;
        Colormap &colormap = project.colormap();
        fillScan(colormap, cell, row.fill);
        auto at = [&](int i) { return cell.topLeft() + QPoint(i % cs.width(), i / cs.width()); };
        QRect rect;
        for (int i = row.from; i < row.from + row.count; ++i)
            rect |= QRect(at(i), QSize(1, 1));
        const Colormap before = colormap.copy(rect);
        for (int i = row.from; i < row.from + row.count; ++i)
            colormap.setPixel(at(i).x(), at(i).y(), quint8(row.pen));
        const Colormap painted = colormap;
        const ClashContext context =
            ClashContext::forStroke(project, quint8(row.pen), row.onePixelPen);
        const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
        QCOMPARE(histogramText(colormap, cell), row.expected);
        QCOMPARE(changed, colormap == painted ? QRect() : cell);
        for (int i = row.from; i < row.from + row.count; ++i)
            QCOMPARE(colormap.pixel(at(i).x(), at(i).y()), quint8(row.pen));
    }
    void wouldClash_data()
    {
        const QRect mc(8, 8, 4, 8), ms(0, 13, 12, 21);
        const char *three = "1:8,2:8,3:8";
        addRows<Probe>({
            {"hires never", {0, 0, {8, 8, 8, 8}, "1:20,2:20", {15, 15}, 3, false}},
            {"multi fourth colour", {1, 0, mc, three, {11, 15}, 4, true}},
            {"multi colour already there", {1, 0, mc, three, {11, 15}, 2, false}},
            {"multi over a non-background pixel", {1, 0, mc, three, {8, 8}, 4, false}},
            {"sprite second free colour", {1, 1, ms, "7:20", {5, 30}, 3, true}},
            {"sprite common pen", {1, 1, ms, "7:20", {5, 30}, 10, false}},
            {"sprite pixel holds the free colour", {1, 1, ms, "7:20", {0, 13}, 3, false}},
            {"multi clashing cell: pen is its sixth colour",
             {1, 0, mc, "1:5,2:5,3:5,5:5,6:5,4:5", {11, 15}, 4, false}},
            {"locked border column", {0, 1, {384, 0, 24, 13}, "7:300", {410, 5}, 3, false}},
        });
    }
    void wouldClash()
    {
        QFETCH(Probe, row);
        Project project = makeProject(row.mode, row.layout);
        fillScan(project.colormap(), row.unit, row.fill);
        const ClashContext context = ClashContext::forStroke(project, quint8(row.pen), false);
        QCOMPARE(::wouldClash(context, project.colormap(), row.pixel), row.clash);
    }
    void canvasTooSmallForItsStrips()
    {
        // A project file may hold any size with any layout; the strips then
        // reach past the colormap, and no unit may be read or changed there.
        for (const auto &[mode, layout, size] :
             {std::tuple{0, 2, QSize(24, 20)}, {0, 1, QSize(40, 30)}, {1, 1, QSize(20, 10)}}) {
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
            const QRect changed =
                resolveStrokeClashes(context, colormap, before, QRect(0, 0, 2, 1));
            QCOMPARE(colormap.pixel(5, 5), quint8(7));
            QVERIFY(colormap.rect().contains(changed));
        }
    }
};

QTEST_GUILESS_MAIN(TestClashRules)
#include "tst_clashrules.moc"
