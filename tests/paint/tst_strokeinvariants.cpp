// Random stroke sequences on random documents. Whatever the artist does,
// the artwork stays within the colour rules, the locked pixels keep the
// border colour, the sprite budget holds under Enforce, the reported
// changed rectangles cover every changed pixel, and undoing every recorded
// stroke gives back the first colormap byte for byte.

#include "../common/borderoccupancy.h"
#include "../common/seedrows.h"
#include "randomdocument.h"

#include "paint/penstroke.h"
#include "paint/strokerenderer.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <QRandomGenerator>
#include <QtTest>
#include <bit>

namespace
{

PenSettings randomSettings(Dice &dice, const Project &project, const QList<Texture> &textures)
{
    PenSettings settings;
    settings.brush.setWidth(dice.pick({1, 1, 1, 2, 3, 4, 5, 7, 8, 13, 32, 65}));
    settings.brush.shape = dice.chance(50) ? BrushShape::Square : BrushShape::Round;
    settings.brush.pixelPerfect = dice.chance(40);
    settings.brush.antialiased = dice.chance(40);
    const Texture t = textures[dice.below(int(textures.size()))];
    if (dice.chance(50))
        settings.texture = dice.chance(30) ? t.negative() : t;
    settings.textureMode = dice.chance(50) ? TextureMode::TwoColor : TextureMode::Stencil;
    settings.pressureWidening = dice.chance(50);
    settings.viewRotation =
        dice.pick({0.0, 0.0, 30.0, 45.0, 90.0, -135.0, dice.unit() * 360 - 180});
    const SymmetryMode mode =
        dice.chance(40) ? SymmetryMode::None : SymmetryMode(dice.between(1, 5));
    const SymmetryAxes axes = dice.chance(50) ? SymmetryAxes::centreOf(project.size())
                                              : SymmetryAxes{dice.between(0, 2 * project.height()),
                                                             dice.between(0, 2 * project.width())};
    const int pw = int(std::lround(project.view().pixelWidth()));
    settings.transforms = symmetryTransforms(mode, axes, pw, project.view().displayAspect());
    return settings;
}

// Slot colours half the time, so common colours get painted too.
quint8 randomColor(Dice &dice, const Project &project)
{
    return dice.chance(50) ? project.slot(ColorSlot(dice.below(ColorSlotCount)))
                           : quint8(dice.below(16));
}

} // namespace

class TestStrokeInvariants : public QObject
{
    Q_OBJECT

private slots:
    void randomStrokes_data() { addSeedRows("KORVEN_PAINT_SEEDS", 40, 2654435761u); }
    void randomStrokes()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Project project = randomProject(dice);
        const ClashContext rules = ClashContext::forSweep(project);
        QVERIFY2(!canvasHasClash(rules, project.colormap()), "the start must be legal");

        const QList<Texture> textures = Texture::fromStripFile(textureSheetPath(false)) +
                                        Texture::fromStripFile(textureSheetPath(true));

        StrokeRenderer renderer;
        renderer.prepare(project);
        PenStroke pen(renderer);
        const Colormap first = project.colormap();
        std::optional<QPoint> connect;

        int recorded = 0;
        for (int s = 0; s < 30; ++s) {
            const PenSettings settings = randomSettings(dice, project, textures);
            const StrokeColors colors{randomColor(dice, project), randomColor(dice, project)};
            const Colormap before = project.colormap();
            const BorderOccupancy occupiedBefore = borderOccupancyOf(project);

            // Points may stray a little off the canvas; top and bottom borders
            // get more than their share of the strokes.
            const bool borders = project.layout() == CanvasLayout::TopBottomBorderSprites;
            auto randomPoint = [&] {
                const int h = project.height(), y = dice.between(-12, h + 12);
                return QPoint(dice.between(-12, project.width() + 12), !borders || dice.chance(60)
                                                                           ? y
                                                                       : y < h / 2 ? y % 46
                                                                                   : h - y % 46);
            };
            PenEvent e{randomPoint(), dice.chance(30), dice.unit(), dice.chance(20),
                       dice.chance(20)};
            pen.press(project, settings, e, colors, connect);
            for (int m = dice.below(6); m > 0; --m) {
                QPoint next = randomPoint();
                if (dice.chance(50)) // short freehand steps as well as long jumps
                    next = e.pixel + QPoint(dice.between(-3, 3), dice.between(-3, 3));
                e.pixel = next;
                e.pressure = dice.unit();
                pen.move(project, settings, e);
            }
            const StrokeCommit commit = pen.release(project, settings, e);
            connect = commit.endPoint;

            // No clash, no locked pixel painted, every change reported and
            // recorded; under Enforce a stroke may open a sprite column only
            // while the border stays within the budget.
            const QByteArray where = "stroke " + QByteArray::number(s);
            QVERIFY2(!canvasHasClash(rules, project.colormap()), where);
            QVERIFY2(lockedPixelsHold(project.colormap(), project.lockedRects(),
                                      project.slot(ColorSlot::Border)),
                     where);
            const QRect diff = Colormap::difference(before, project.colormap());
            QVERIFY2(diff.isEmpty() || commit.changed.contains(diff), where);
            QCOMPARE(commit.recorded, !diff.isEmpty());
            recorded += commit.recorded;
            QCOMPARE(project.history().nodeCount(), recorded);
            QVERIFY2(project.spriteCountPolicy() == SpriteCountPolicy::Flag ||
                         !opensColumnOverBudget(occupiedBefore, borderOccupancyOf(project)),
                     where);
        }
        QVERIFY(recorded > 0);
        while (project.history().canUndo())
            project.history().undo(project);
        QCOMPARE(project.colormap(), first);
    }
};

QTEST_GUILESS_MAIN(TestStrokeInvariants)
#include "tst_strokeinvariants.moc"
