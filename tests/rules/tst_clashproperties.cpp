#include "../common/seedrows.h"
#include "../paint/randomdocument.h"
#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"

#include <QRandomGenerator>
#include <QTest>
#include <bit>

using namespace testcanvas;

namespace
{

struct Unit {
    QRect rect;
    quint16 commons;
    int limit;
};

// Every unit of the canvas with its common colours and free-colour limit.
QList<Unit> allUnits(const Project &project, const ClashContext &context)
{
    QList<Unit> units;
    const QSize cs = cellSize(project.mode());
    const int cellLimit = project.mode() == CanvasMode::Multicolor ? 3 : 2;
    for (const CanvasRegion &region : project.regions()) {
        const quint16 commons = commonColorMask(context, region.kind);
        const SpriteGrid grid = spriteGridOf(region, project.mode(), project.layoutSpec());
        for (int y = region.rect.top(); !region.isSprite() && y <= region.rect.bottom(); y += 8)
            for (int x = region.rect.left(); x <= region.rect.right(); x += cs.width())
                units.append({QRect(QPoint(x, y), cs) & region.rect, commons, cellLimit});
        for (int row = 0; region.isSprite() && row < grid.colorRows; ++row)
            for (int c = 0; c < grid.columns; ++c)
                units.append({spriteRect(grid, c, row), commons, 1});
    }
    return units;
}

// The free colours of a unit as a mask.
quint32 freeColors(const Colormap &colormap, const Unit &unit)
{
    quint32 mask = 0;
    for (int y = unit.rect.top(); y <= unit.rect.bottom(); ++y)
        for (int x = unit.rect.left(); x <= unit.rect.right(); ++x)
            mask |= 1u << colormap.pixel(x, y);
    return mask & ~quint32(unit.commons);
}

} // namespace

class TestClashProperties : public QObject
{
    Q_OBJECT

private slots:
    void wholeCanvasSweep_data() { addSeedRows("KORVEN_RULES_SEEDS", 20, 13u); }
    void wholeCanvasSweep()
    {
        // A random document scribbled over until most units clash.
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Project project = randomProject(dice, true, false);
        Colormap &map = project.colormap();
        for (int i = map.width() * map.height() / 6; i > 0; --i)
            map.setPixel(dice.below(map.width()), dice.below(map.height()), quint8(dice.below(16)));
        const ClashContext context = ClashContext::forSweep(project);
        const Colormap original = project.colormap();
        const auto slotsBefore = project.slotBytes();
        QVERIFY(canvasHasClash(context, original));

        const QRect changed = resolveAllClashes(project);
        const Colormap swept = project.colormap();
        const QRect diff = Colormap::difference(original, swept);
        QVERIFY(!canvasHasClash(context, swept) && (diff.isEmpty() || changed.contains(diff)));
        QCOMPARE(project.slotBytes(), slotsBefore);

        // Each unit ends within its limit, keeping exactly `limit` free colours
        // if it had more; a legal unit is untouched; no unit gains a free colour.
        for (const Unit &unit : allUnits(project, context)) {
            const quint32 before = freeColors(original, unit), after = freeColors(swept, unit);
            QCOMPARE(after & ~before, 0u);
            QCOMPARE(std::popcount(after), std::min(std::popcount(before), unit.limit));
            if (std::popcount(before) <= unit.limit)
                QCOMPARE(histogramText(swept, unit.rect), histogramText(original, unit.rect));
        }

        // One undoable edit (the repaired file's history and a second sweep
        // are pinned by the command-line tests).
        QCOMPARE(project.history().nodeCount(), 1);
        project.history().undo(project);
        QCOMPARE(project.colormap(), original);
    }
};

QTEST_GUILESS_MAIN(TestClashProperties)
#include "tst_clashproperties.moc"
