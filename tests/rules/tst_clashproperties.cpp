#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"

#include <QRandomGenerator>
#include <QTest>

using namespace testcanvas;

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(CanvasLayout)
Q_DECLARE_METATYPE(HiresClashResolution)

namespace
{

// A canvas of every mode and layout, scribbled with random rectangles and
// pixels so that most units clash; slots are random too.
Project randomProject(CanvasMode mode, CanvasLayout layout, int screens, quint32 seed)
{
    QRandomGenerator rng(seed);
    const auto alignment = [&] { return BorderAlignment(rng.bounded(2)); };
    Project project(mode, -1, -1, LayoutSpec{layout, alignment(), alignment()}, screens);
    for (int s = 0; s < ColorSlotCount; ++s)
        project.setSlot(ColorSlot(s), quint8(rng.bounded(16)));
    project.setPaletteVariant(int(rng.bounded(PaletteVariantCount)));
    Colormap &colormap = project.colormap();
    const int w = colormap.width();
    const int h = colormap.height();
    for (int i = 0; i < 120; ++i) {
        const QRect r(rng.bounded(w), rng.bounded(h), 1 + rng.bounded(40), 1 + rng.bounded(30));
        colormap.fillRect(r, quint8(rng.bounded(16)));
    }
    for (int i = 0; i < w * h / 6; ++i)
        colormap.setPixel(rng.bounded(w), rng.bounded(h), quint8(rng.bounded(16)));
    return project;
}

// The units of the canvas, one entry per unit with the region it belongs to.
struct Unit {
    QRect rect;
    RegionKind kind;
};

QList<Unit> allUnits(const Project &project)
{
    QList<Unit> units;
    for (const CanvasRegion &region : project.regions()) {
        if (!region.isSprite()) {
            const QSize cs = cellSize(project.mode());
            for (int y = region.rect.top(); y <= region.rect.bottom(); y += cs.height())
                for (int x = region.rect.left(); x <= region.rect.right(); x += cs.width())
                    units.append({QRect(QPoint(x, y), cs) & region.rect, region.kind});
            continue;
        }
        const SpriteGrid grid = spriteGridOf(region, project.mode(), project.layoutSpec());
        for (int row = 0; row < grid.colorRows; ++row)
            for (int c = 0; c < grid.columns; ++c)
                units.append({spriteRect(grid, c, row), region.kind});
    }
    return units;
}

// Colours that count against a unit's limit are all colours but its commons.
quint16 commons(const ClashContext &context, RegionKind kind)
{
    return commonColorMask(context, kind);
}

} // namespace

class TestClashProperties : public QObject
{
    Q_OBJECT

private slots:
    void canvases_data();
    void sweepMakesCanvasLegal_data() { canvases_data(); }
    void sweepMakesCanvasLegal();
    void sweepStaysInsideTouchedUnits_data() { canvases_data(); }
    void sweepStaysInsideTouchedUnits();
    void strokeResolutionKeepsCanvasLegal_data();
    void strokeResolutionKeepsCanvasLegal();
    void resolveAllClashesIsOneUndoableEdit_data() { canvases_data(); }
    void resolveAllClashesIsOneUndoableEdit();
};

void TestClashProperties::canvases_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<quint32>("seed");
    for (CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor}) {
        for (CanvasLayout layout : {CanvasLayout::BitmapOnly, CanvasLayout::SideBorderSprites,
                                    CanvasLayout::TopBottomBorderSprites}) {
            for (quint32 seed : {1u, 2u, 3u})
                QTest::addRow("mode %d layout %d seed %u", int(mode), int(layout), seed)
                    << mode << layout << 1 << seed;
        }
        QTest::addRow("mode %d two screens", int(mode))
            << mode << CanvasLayout::BitmapOnly << 2 << 7u;
    }
}

void TestClashProperties::sweepMakesCanvasLegal()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(int, screens);
    QFETCH(quint32, seed);
    Project project = randomProject(mode, layout, screens, seed);
    const ClashContext context = ClashContext::forSweep(project);
    const Colormap original = project.colormap();
    QVERIFY(canvasHasClash(context, original));

    Colormap &colormap = project.colormap();
    const QRect changed = resolveClashes(context, colormap, colormap.rect());
    QVERIFY(!changed.isEmpty());
    QVERIFY(!canvasHasClash(context, colormap));
    QVERIFY(clashingUnits(context, colormap).isEmpty());
    QVERIFY(sameOutside(original, colormap, changed));

    // Every unit kept at most its allowed number of free colours, and each
    // pixel either kept its colour or took one the unit already held or one
    // of its commons; a unit that was legal did not change at all.
    const int cellLimit = mode == CanvasMode::Multicolor ? 3 : 2;
    for (const Unit &unit : allUnits(project)) {
        const quint16 fixed = commons(context, unit.kind);
        const auto before = histogram(original, unit.rect);
        const auto after = histogram(colormap, unit.rect);
        int freeBefore = 0;
        int freeAfter = 0;
        for (int c = 0; c < 256; ++c) {
            const bool common = c < 16 && ((fixed >> c) & 1);
            if (!common) {
                freeBefore += before[c] > 0;
                freeAfter += after[c] > 0;
            }
            if (after[c] > 0 && before[c] == 0)
                QVERIFY2(common, qPrintable(QStringLiteral("colour %1 appeared").arg(c)));
        }
        const int limit = unit.kind == RegionKind::Bitmap ? cellLimit : 1;
        QVERIFY(freeAfter <= limit);
        if (freeBefore <= limit)
            QCOMPARE(after, before);
        else
            QCOMPARE(freeAfter, limit);
    }

    // A second sweep finds nothing to do.
    const Colormap swept = colormap;
    QVERIFY(resolveClashes(context, colormap, colormap.rect()).isEmpty());
    QCOMPARE(colormap, swept);
    QCOMPARE(project.slotBytes(), randomProject(mode, layout, screens, seed).slotBytes());
}

void TestClashProperties::sweepStaysInsideTouchedUnits()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(int, screens);
    QFETCH(quint32, seed);
    Project project = randomProject(mode, layout, screens, seed);
    const ClashContext context = ClashContext::forSweep(project);
    QRandomGenerator rng(seed * 31 + 5);
    Colormap &colormap = project.colormap();
    for (int round = 0; round < 25; ++round) {
        const QRect rect(rng.bounded(colormap.width()) - 10, rng.bounded(colormap.height()) - 10,
                         1 + rng.bounded(60), 1 + rng.bounded(60));
        const Colormap before = colormap;
        const QRect changed = resolveClashes(context, colormap, rect);
        // Region by region: nothing outside the units the rectangle touches
        // changes, and every touched unit is legal afterwards.
        for (const CanvasRegion &region : project.regions()) {
            const QRect touched =
                unitRectsTouching(rect & region.rect, mode, project.size(), project.layoutSpec());
            QVERIFY(touched.isEmpty() || region.rect.contains(touched));
            for (int y = region.rect.top(); y <= region.rect.bottom(); ++y)
                for (int x = region.rect.left(); x <= region.rect.right(); ++x)
                    if (!touched.contains(x, y))
                        QCOMPARE(colormap.pixel(x, y), before.pixel(x, y));
            for (const QRect &unit : clashingUnits(context, colormap))
                QVERIFY(!touched.intersects(unit));
        }
        QVERIFY(sameOutside(before, colormap, changed));
        if (changed.isEmpty())
            QCOMPARE(colormap, before);
    }
}

void TestClashProperties::strokeResolutionKeepsCanvasLegal_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<HiresClashResolution>("resolution");
    QTest::addColumn<quint32>("seed");
    using R = HiresClashResolution;
    for (CanvasLayout layout : {CanvasLayout::BitmapOnly, CanvasLayout::SideBorderSprites,
                                CanvasLayout::TopBottomBorderSprites}) {
        for (R r : {R::ReplaceOverwritten, R::PreserveBorder, R::PreserveMostUsed})
            QTest::addRow("hires layout %d resolution %d", int(layout), int(r))
                << CanvasMode::Hires << layout << r << quint32(11 + int(r));
        QTest::addRow("multi layout %d", int(layout))
            << CanvasMode::Multicolor << layout << R::ReplaceOverwritten << 21u;
    }
}

void TestClashProperties::strokeResolutionKeepsCanvasLegal()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(HiresClashResolution, resolution);
    QFETCH(quint32, seed);
    Project project = randomProject(mode, layout, 1, seed);
    project.setHiresClashResolution(resolution);
    Colormap &colormap = project.colormap();
    resolveClashes(ClashContext::forSweep(project), colormap, colormap.rect());
    QRandomGenerator rng(seed);
    for (int round = 0; round < 60; ++round) {
        const quint8 pen = quint8(rng.bounded(16));
        const ClashContext context = ClashContext::forStroke(project, pen, false);
        QVERIFY(!canvasHasClash(context, colormap));
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
        QVERIFY(
            changed.isEmpty() ||
            unitRectsTouching(rect, mode, project.size(), project.layoutSpec()).contains(changed));
        // Repairs only ever turn pixels into the pen colour.
        for (int y = changed.top(); y <= changed.bottom(); ++y)
            for (int x = changed.left(); x <= changed.right(); ++x)
                if (colormap.pixel(x, y) != painted.pixel(x, y))
                    QCOMPARE(colormap.pixel(x, y), pen);
    }
}

void TestClashProperties::resolveAllClashesIsOneUndoableEdit()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(int, screens);
    QFETCH(quint32, seed);
    Project project = randomProject(mode, layout, screens, seed);
    const Colormap original = project.colormap();
    const auto slotsBefore = project.slotBytes();

    const QRect changed = resolveAllClashes(project);
    QVERIFY(!changed.isEmpty());
    QVERIFY(!canvasHasClash(ClashContext::forSweep(project), project.colormap()));
    QCOMPARE(project.slotBytes(), slotsBefore);
    QCOMPARE(project.history().nodeCount(), 1);
    const HistoryNode &node = project.history().nodes().first();
    QCOMPARE(node.kind, HistoryEntryKind::ResolveAllClashes);
    QCOMPARE(node.changes.size(), 1);
    QCOMPARE(node.changes.first().type, HistoryChange::Type::RegionChange);
    QVERIFY(changed.contains(node.changes.first().rect));
    QCOMPARE(Colormap::difference(original, project.colormap()), node.changes.first().rect);

    const Colormap resolved = project.colormap();
    // Nothing left to resolve: nothing recorded.
    QVERIFY(resolveAllClashes(project).isEmpty());
    QCOMPARE(project.history().nodeCount(), 1);

    project.history().undo(project);
    QCOMPARE(project.colormap(), original);
    project.history().redo(project);
    QCOMPARE(project.colormap(), resolved);
}

QTEST_GUILESS_MAIN(TestClashProperties)
#include "tst_clashproperties.moc"
