#include "../common/seedrows.h"
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

// A canvas scribbled with random rectangles and pixels so that most units
// clash, with random slots, alignments and palette variant; the seed picks
// the mode and the layout in turn, and two screens for the last seeds.
Project randomProject(quint32 seed)
{
    QRandomGenerator rng(seed);
    const CanvasLayout layout = CanvasLayout(seed / 2 % 3);
    Project project(
        CanvasMode(seed % 2), -1, -1,
        LayoutSpec{layout, BorderAlignment(rng.bounded(2)), BorderAlignment(rng.bounded(2))},
        seed > 16 && layout == CanvasLayout::BitmapOnly ? 2 : 1);
    for (int s = 0; s < ColorSlotCount; ++s)
        project.setSlot(ColorSlot(s), quint8(rng.bounded(16)));
    project.setPaletteVariant(int(rng.bounded(PaletteVariantCount)));
    Colormap &colormap = project.colormap();
    const int w = colormap.width(), h = colormap.height();
    for (int i = 0; i < 120; ++i)
        colormap.fillRect(
            QRect(rng.bounded(w), rng.bounded(h), 1 + rng.bounded(40), 1 + rng.bounded(30)),
            quint8(rng.bounded(16)));
    for (int i = 0; i < w * h / 6; ++i)
        colormap.setPixel(rng.bounded(w), rng.bounded(h), quint8(rng.bounded(16)));
    return project;
}

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
    void wholeCanvasSweep_data() { addSeedRows("KORVEN_RULES_SEEDS", 20, 1); }
    void wholeCanvasSweep()
    {
        QFETCH(quint32, seed);
        Project project = randomProject(seed);
        const ClashContext context = ClashContext::forSweep(project);
        const Colormap original = project.colormap();
        const auto slotsBefore = project.slotBytes();
        QVERIFY(canvasHasClash(context, original));

        const QRect changed = resolveAllClashes(project);
        const Colormap swept = project.colormap();
        QVERIFY(!canvasHasClash(context, swept) && sameOutside(original, swept, changed));
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
    void strokeRepairs_data() { wholeCanvasSweep_data(); }
    void strokeRepairs()
    {
        // Random pen blobs on the legal canvas, each repaired as a stroke.
        QFETCH(quint32, seed);
        Project project = randomProject(seed);
        QRandomGenerator rng(seed * 31 + 5);
        project.setHiresClashResolution(HiresClashResolution(seed % 3));
        Colormap &colormap = project.colormap();
        resolveClashes(ClashContext::forSweep(project), colormap, colormap.rect());
        for (int round = 0; round < 60; ++round) {
            const quint8 pen = quint8(rng.bounded(16));
            const ClashContext context = ClashContext::forStroke(project, pen, false);
            // A random blob of pen pixels inside a brush-sized rectangle.
            const QRect rect(rng.bounded(colormap.width()), rng.bounded(colormap.height()),
                             1 + rng.bounded(12), 1 + rng.bounded(12));
            const Colormap before = colormap.copy(rect);
            for (int i = 0; i < 20; ++i)
                colormap.setPixel(rect.left() + rng.bounded(rect.width()),
                                  rect.top() + rng.bounded(rect.height()), pen);
            const Colormap painted = colormap;
            const QRect changed = resolveStrokeClashes(context, colormap, before, rect);
            QVERIFY(!canvasHasClash(context, colormap));
            QVERIFY(sameOutside(painted, colormap, changed));
            QVERIFY(changed.isEmpty() ||
                    unitRectsTouching(rect, project.mode(), project.size(), project.layoutSpec())
                        .contains(changed));
            // Repairs only ever turn pixels into the pen colour.
            for (int y = changed.top(); y <= changed.bottom(); ++y)
                for (int x = changed.left(); x <= changed.right(); ++x)
                    QVERIFY(colormap.pixel(x, y) == painted.pixel(x, y) ||
                            colormap.pixel(x, y) == pen);
        }
    }
};

QTEST_GUILESS_MAIN(TestClashProperties)
#include "tst_clashproperties.moc"
