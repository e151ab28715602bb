#include "../common/paintrows.h"
#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"

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

} // namespace

class TestClashRules : public QObject
{
    Q_OBJECT

private slots:
    void sweepUnit_data() { addTextRows("rules/clashrules.txt", "sweep"); }
    void sweepUnit()
    {
        QFETCH(QStringList, row);
        const QRect unit = rectOf(row[4]);
        Project project = makeProject(row[0].toInt(), row[1].toInt(), row[2]);
        project.setPaletteVariant(row[3].toInt());
        Colormap &colormap = project.colormap();
        // A clashing cell elsewhere must be left alone by a sweep of this unit.
        const QRect bitmap = bitmapRegionRect(project.mode(), project.size(), project.layoutSpec());
        fillScan(colormap, QRect(bitmap.bottomRight() - QPoint(7, 7), bitmap.bottomRight()),
                 QStringLiteral("8:3,9:3,11:3,12:3,13:3"));
        fillScan(colormap, unit, row[5]);
        const ClashContext context = ClashContext::forSweep(project);
        const qsizetype clashesBefore = clashingUnits(context, colormap).size();
        // A one-pixel rectangle inside the unit still resolves the whole unit.
        QCOMPARE(resolveClashes(context, colormap, QRect(unit.center(), QSize(1, 1))), unit);
        QCOMPARE(histogramText(colormap, unit), row[6]);
        QCOMPARE(clashingUnits(context, colormap).size(), clashesBefore - 1);
    }
    void strokeVictim_data() { addTextRows("rules/clashrules.txt", "victim"); }
    void strokeVictim()
    {
        QFETCH(QStringList, row);
        const QRect unit = rectOf(row[2]);
        const int pen = row[7].toInt(), from = row[8].toInt(), to = from + row[9].toInt();
        Project project = makeProject(row[0].toInt(), row[1].toInt(), row[5]);
        project.setHiresClashResolution(HiresClashResolution(row[3].toInt()));
        const QSize cs = unit.isNull() ? cellSize(project.mode()) : unit.size();
        const QRect cell = unit.isNull() ? QRect(QPoint(cs.width() * 3, 16), cs) : unit;
        Colormap &colormap = project.colormap();
        fillScan(colormap, cell, row[6]);
        auto at = [&](int i) { return cell.topLeft() + QPoint(i % cs.width(), i / cs.width()); };
        QRect rect;
        for (int i = from; i < to; ++i)
            rect |= QRect(at(i), QSize(1, 1));
        const Colormap before = colormap.copy(rect);
        for (int i = from; i < to; ++i)
            colormap.setPixel(at(i).x(), at(i).y(), quint8(pen));
        const Colormap painted = colormap;
        const ClashContext context = ClashContext::forStroke(project, quint8(pen), row[4] == u'1');
        const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
        QCOMPARE(histogramText(colormap, cell), row[10]);
        QCOMPARE(changed, colormap == painted ? QRect() : cell);
        for (int i = from; i < to; ++i)
            QCOMPARE(colormap.pixel(at(i).x(), at(i).y()), quint8(pen));
    }
    void wouldClash_data() { addTextRows("rules/clashrules.txt", "probe"); }
    void wouldClash()
    {
        QFETCH(QStringList, row);
        Project project = makeProject(row[0].toInt(), row[1].toInt());
        fillScan(project.colormap(), rectOf(row[2]), row[3]);
        const ClashContext context =
            ClashContext::forStroke(project, quint8(row[5].toInt()), false);
        QCOMPARE(::wouldClash(context, project.colormap(), pointOf(row[4])), row[6] == u'1');
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
            for (int i = 0; i < size.width() * size.height(); ++i)
                colormap.setPixel(i % size.width(), i / size.width(), quint8(i * 3 % 16));
            const ClashContext context = ClashContext::forStroke(project, 7, false);
            const QList<QRect> clashing = clashingUnits(context, colormap);
            QVERIFY(!clashing.isEmpty());
            for (const QRect &unit : clashing)
                QVERIFY(colormap.rect().contains(unit));
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
