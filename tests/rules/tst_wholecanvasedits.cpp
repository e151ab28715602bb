// The whole-canvas edits: legal results, one history node or none, exact
// undo and redo, and the slot and alignment rules they follow.

#include "../common/borderoccupancy.h"
#include "../common/projectstate.h"
#include "../common/seedrows.h"
#include "../paint/randomdocument.h"

#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"
#include "rules/spritebudget.h"
#include "rules/wholecanvasedits.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{

QList<QRect> sortedRects(QList<QRect> rects)
{
    std::sort(rects.begin(), rects.end(), [](const QRect &a, const QRect &b) {
        return std::pair(a.top(), a.left()) < std::pair(b.top(), b.left());
    });
    return rects;
}

// A flip never writes a locked pixel and keeps cells and top/bottom strips
// legal (side-strip colour rows are uneven, so only those may clash); a
// second flip restores everything, and both undo and redo exactly.
void flipTwice(Project &project, Qt::Orientation orientation)
{
    const auto before = projectState(project);
    const Colormap &pixels = std::get<Colormap>(before);
    const int nodes = project.history().nodeCount();
    flipCanvas(project, orientation);
    const auto flipped = projectState(project);
    // Cells tile a bitmap canvas exactly, so its flip is a plain mirror (seen
    // through a palette of sixteen different colours).
    if (project.layout() == CanvasLayout::BitmapOnly)
        QCOMPARE(
            project.colormap().toImage(0),
            pixels.toImage(0).mirrored(orientation == Qt::Horizontal, orientation == Qt::Vertical));
    if (project.history().nodeCount() == nodes) { // a symmetric canvas: nothing to record
        QVERIFY(flipped == before);
        return;
    }
    for (const QRect &locked : project.lockedRects())
        QVERIFY(project.colormap().copy(locked) == pixels.copy(locked));
    const ClashContext context = ClashContext::forSweep(project);
    if (project.layout() != CanvasLayout::SideBorderSprites)
        QVERIFY(!canvasHasClash(context, project.colormap()));
    else // every side sprite a flip leaves over its limit is framed in red, and only those
        QCOMPARE(sortedRects(redFrameSet(context, project.colormap()).sides),
                 sortedRects(clashingUnits(context, project.colormap())));
    flipCanvas(project, orientation);
    QVERIFY(projectState(project) == before);
    QCOMPARE(project.history().nodeCount(), nodes + 2);
    // Undo, undo, redo, redo: flipped, as before, flipped, flipped back.
    for (int step = 0; step < 4; ++step) {
        step < 2 ? project.history().undo(project) : project.history().redo(project);
        QVERIFY(projectState(project) == (step % 2 ? before : flipped));
    }
}

} // namespace

class TestWholeCanvasEdits : public QObject
{
    Q_OBJECT

private slots:
    void editsKeepTheRules_data()
    {
        addSeedRows("KORVEN_EDIT_SOAK", 24, 7919);
        // Long soaks found these: slot assignment on hires side canvases.
        for (quint32 n : {240u, 252u})
            QTest::addRow("found seed %u", n) << n * 7919;
    }
    void editsKeepTheRules()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Project project = randomProject(dice, true);
        QRandomGenerator &rng = dice.random;
        flipTwice(project, Qt::Horizontal);
        flipTwice(project, Qt::Vertical);
        for (int step = 0; step < 12; ++step) {
            const auto before = projectState(project);
            const int nodes = project.history().nodeCount();
            const quint8 a = quint8(rng.bounded(16)), b = quint8(rng.bounded(16));
            const QRect pick(rng.bounded(project.width()), rng.bounded(project.height()),
                             1 + rng.bounded(200), 1 + rng.bounded(150));
            // The draws from the generator keep their order, so the found seeds stay found.
            const int op = rng.bounded(6);
            if (op == 3) {
                flipTwice(project, rng.bounded(2) ? Qt::Horizontal : Qt::Vertical);
                continue;
            }
            if (op == 0)
                assignColorSlot(project, ColorSlot(rng.bounded(ColorSlotCount)), a);
            else if (op < 3)
                swapOrReplaceColors(project, rng.bounded(2), a, b,
                                    op == 2 ? QList<QRect>{pick} : QList<QRect>{});
            else if (op == 4)
                clearScreen(project, a);
            else
                setBorderAlignment(project, rng.bounded(2), BorderAlignment(rng.bounded(2)), true);
            QVERIFY(!canvasHasClash(ClashContext::forSweep(project), project.colormap()));
            QVERIFY(lockedPixelsHold(project.colormap(), project.lockedRects(),
                                     project.slot(ColorSlot::Border)));
            const int recorded = project.history().nodeCount() - nodes;
            QVERIFY(recorded == 0 || recorded == 1);
            if (recorded == 0) {
                QVERIFY(projectState(project) == before);
                continue;
            }
            QVERIFY(undoesAndRedoes(project, before));
        }
    }

    void swapAndReplace()
    {
        Project project(CanvasMode::Multicolor);
        project.colormap().fillRect(QRect(0, 0, 4, 8), 6);
        QVERIFY(swapOrReplaceColors(project, false, 5, 5).isNull());
        // The background follows the swap, so former background stays background.
        QVERIFY(!swapOrReplaceColors(project, true, 0, 6).isNull());
        QCOMPARE((QList<int>{project.slot(ColorSlot::Background), project.colormap().pixel(0, 0),
                             project.colormap().pixel(9, 9), project.history().nodeCount()}),
                 (QList<int>{6, 0, 6, 1}));
        QCOMPARE(project.history().nodes()[0].kind, HistoryEntryKind::SwapColors);
        // Replace moves only b: a slot holding a keeps it.
        project.setSlot(ColorSlot::Border, 9);
        swapOrReplaceColors(project, false, 9, 6);
        QCOMPARE((QList<int>{project.slot(ColorSlot::Border), project.slot(ColorSlot::Background)}),
                 (QList<int>{9, 9}));

        // A selection over one strip only leaves the shared sprite colours alone.
        Project side(CanvasMode::Multicolor, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        side.setSlot(ColorSlot::SpriteMulticolor0, 3);
        swapOrReplaceColors(side, true, 3, 7, {side.regionRect(RegionKind::LeftStrip)});
        QCOMPARE(side.slot(ColorSlot::SpriteMulticolor0), quint8(3));
        swapOrReplaceColors(
            side, true, 3, 7,
            {side.regionRect(RegionKind::LeftStrip), side.regionRect(RegionKind::RightStrip)});
        QCOMPARE(side.slot(ColorSlot::SpriteMulticolor0), quint8(7));

        // A selection over the locked columns swaps around them: they keep the border.
        Project hires(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        hires.setSlot(ColorSlot::Border, 6);
        hires.colormap().fillRect(QRect(400, 0, 8, 200), 1);
        hires.repaintLockedPixels();
        swapOrReplaceColors(hires, true, 6, 1, {QRect(400, 0, 16, 200)});
        QCOMPARE((QList<int>{hires.colormap().pixel(402, 5), hires.colormap().pixel(410, 5)}),
                 (QList<int>{6, 6}));
    }

    void flipsOnTopBottomCanvas()
    {
        Project project(CanvasMode::Multicolor, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        project.colormap().fillRect(QRect(0, 0, 9, 5), 2);
        flipCanvas(project, Qt::Horizontal);
        QCOMPARE(project.layoutSpec(),
                 (LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                             BorderAlignment::Right}));
        flipCanvas(project, Qt::Horizontal); // back as it was, which flipTwice checks
        QCOMPARE(project.history().nodeCount(), 2);

        // Top (0, 4, 10) and bottom (2, 4, 10): only slots 4 and 7 really change.
        project.setSlot(ColorSlot::TopBackground, 0);
        project.setSlot(ColorSlot::BottomBackground, 2);
        project.layoutSpec().bottomAlignment = BorderAlignment::Right;
        flipCanvas(project, Qt::Vertical);
        QCOMPARE(project.layoutSpec(), (LayoutSpec{CanvasLayout::TopBottomBorderSprites,
                                                   BorderAlignment::Right, BorderAlignment::Left}));
        QList<quint8> slotsChanged;
        for (const HistoryChange &change : project.history().nodes()[2].changes)
            if (change.type == HistoryChange::Type::ColorIndexChange)
                slotsChanged << change.slot;
        QCOMPARE(slotsChanged, (QList<quint8>{4, 7}));
        QCOMPARE(project.slot(ColorSlot::TopBackground), quint8(2));
    }

    void clearAlignAndAssign()
    {
        Project hires(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        hires.setSlot(ColorSlot::Border, 6);
        clearScreen(hires, 1);
        for (int y = 0; y < hires.height(); y += 7)
            for (int x = 0; x < hires.width(); ++x)
                QCOMPARE(hires.colormap().pixel(x, y), quint8(hires.isLocked(x, y) ? 6 : 1));
        // The border colour recolours the strips and the locked pixels.
        assignColorSlot(hires, ColorSlot::Border, 9);
        QCOMPARE(hires.colormap().pixel(hires.width() - 1, 0), quint8(9));
        // Hires strips share only the border, so a background or sprite
        // multicolor of the same colour moves no strip or locked pixel.
        const Colormap kept = hires.colormap();
        for (ColorSlot s : {ColorSlot::SpriteMulticolor0, ColorSlot::Background}) {
            hires.setSlot(s, 9);
            assignColorSlot(hires, s, 12);
            QCOMPARE(hires.colormap(), kept);
        }

        Project top(CanvasMode::Multicolor, -1, -1,
                    LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        QVERIFY(setBorderAlignment(top, 0, BorderAlignment::Left, true).isNull());
        QCOMPARE(top.history().nodeCount(), 0);
        setBorderAlignment(top, 1, BorderAlignment::Right, true);
        QCOMPARE(top.history().nodeCount(), 1);
        // A slot only recolours the region it governs.
        top.colormap().fill(top.slot(ColorSlot::TopBackground));
        assignColorSlot(top, ColorSlot::TopBackground, 12);
        const QRect border = top.regionRect(RegionKind::TopBorder);
        QCOMPARE(top.colormap().pixel(border.left(), border.top()), quint8(12));
        QCOMPARE(top.colormap().pixel(border.left(), border.bottom() + 1), quint8(0));
    }

    void importIntoADualCanvas()
    {
        Project dual(CanvasMode::Multicolor, -1, -1, {}, 2);
        Colormap composed = dual.colormap();
        composed.fillRect(dual.screenRect(1).adjusted(0, 0, -80, -100), 5);
        importImage(dual, composed, 11, std::nullopt, 1, true);
        // First import: the file's background, and the undrawn screen follows it.
        QCOMPARE(dual.slot(ColorSlot::Background), quint8(11));
        QCOMPARE(dual.colormap().pixel(0, 0), quint8(11));
        QCOMPARE(dual.history().nodeCount(), 1);
        // Screen 1 is drawn on now, so the next import keeps the background
        // and its colours merge into the cells: a fourth colour there is swept.
        composed = dual.colormap();
        for (int i = 0; i < 32; ++i)
            composed.setPixel(i % 4, i / 4, quint8(1 + i / 8));
        importImage(dual, composed, 3, std::nullopt, 0, true);
        QCOMPARE(dual.slot(ColorSlot::Background), quint8(11));
        QVERIFY(!canvasHasClash(ClashContext::forSweep(dual), dual.colormap()));
        QCOMPARE(dual.history().nodeCount(), 2);
    }
};

QTEST_APPLESS_MAIN(TestWholeCanvasEdits)
#include "tst_wholecanvasedits.moc"
