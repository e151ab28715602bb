// Random stroke sequences on random documents. Whatever the artist does,
// the artwork stays within the colour rules, the locked pixels keep the
// border colour, the sprite budget holds under Enforce, the reported
// changed rectangles cover every changed pixel, and undoing every recorded
// stroke gives back the first colormap byte for byte. Random drags at any
// speed land connected: pen, eraser, shape outline and contour band.

#include "../common/borderoccupancy.h"
#include "../common/seedrows.h"
#include "desk.h"
#include "randomdocument.h"

#include "paint/floodfill.h"

#include "document/project.h"
#include "rules/clashrules.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

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

// The coverage's rows, which lie one after another.
QByteArray coverageBytes(const AntialiasCoverage &coverage)
{
    const QSize size = coverage.size();
    return QByteArray(reinterpret_cast<const char *>(coverage.row(0)),
                      size.width() * size.height());
}

// The pixels the last paint with `brush` touched: those it changed, or for
// an anti-aliased paint every pixel it gave some coverage (a faint edge may
// keep its colour).
Pixels paintedPixels(const Colormap &before, const Project &project, StrokeRenderer &renderer,
                     const BrushSettings &brush)
{
    const bool aa = paintIsAntialiased(project, brush);
    return pixelsWhere(before.rect(), [&](int x, int y) {
        return aa ? renderer.realCoverage().coverage(x, y) > 0
                  : before.pixel(x, y) != project.colormap().pixel(x, y);
    });
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

    // A drag at any speed, nib, width, mode, aspect and view turn paints one
    // 8-connected set holding every segment's end pixels and all that the
    // one-pixel pen paints along the same pixels; a shape's outline through
    // the same points paints exactly the same. Every contour band of a
    // rectangle is one ring.
    void connectedDrags_data() { addSeedRows("KORVEN_PAINT_SEEDS", 60, 40503u); }
    void connectedDrags()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Desk desk(dice.chance(50) ? CanvasMode::Multicolor : CanvasMode::Hires);
        Project &project = desk.project;
        StrokeRenderer &renderer = desk.renderer;
        project.view().setDisplayAspect(dice.pick({1.0, 0.9375, 0.75}));
        const bool eraser = dice.chance(25);
        const quint8 ink = eraser ? 0 : 1;
        project.colormap().fillRect(project.colormap().rect(), eraser ? 1 : 0);
        const Colormap blank = project.colormap();

        PenSettings settings;
        settings.brush.setWidth(dice.pick({1, 1, 2, 2, 3, 4, dice.between(5, 32)}));
        settings.brush.shape = dice.chance(50) ? BrushShape::Square : BrushShape::Round;
        settings.brush.antialiased = dice.chance(30);
        settings.viewRotation = dice.pick({0.0, 0.0, 45.0, -90.0, dice.unit() * 360 - 180});
        const int margin = 24;
        QList<QPoint> drag{QPoint(dice.between(margin, project.width() - margin),
                                  dice.between(margin, project.height() - margin))};
        for (int i = dice.between(1, 8); i > 0; --i) {
            const double step = dice.between(1, 60), angle = dice.unit() * 2 * M_PI;
            const QPoint p = drag.last() + QPoint(int(std::lround(step * std::cos(angle))),
                                                  int(std::lround(step * std::sin(angle))));
            drag << QPoint(std::clamp(p.x(), margin, project.width() - margin),
                           std::clamp(p.y(), margin, project.height() - margin));
        }
        const auto stroke = [&](const PenSettings &pen) {
            project.colormap() = blank;
            desk.settings = pen;
            desk.stroke(drag, {ink, ink});
            return paintedPixels(blank, project, renderer, pen.brush);
        };
        const QByteArray what = QByteArray("width ") + QByteArray::number(settings.brush.width);
        const Pixels painted = stroke(settings);
        QVERIFY2(eightConnected(painted), what);
        for (const QPoint p : drag)
            QVERIFY2(painted.contains({p.x(), p.y()}), what);
        PenSettings thin = settings;
        thin.brush.setWidth(1);
        const Pixels line = stroke(thin);
        QVERIFY(eightConnected(line));
        QVERIFY2(painted.contains(line), what);

        // The same path as a staged shape: its points where the pen puts the
        // nib's centre, with the nib upright as the pen's is at no view turn.
        settings.viewRotation = 0.0;
        stroke(settings);
        const Colormap upright = project.colormap();
        const QByteArray uprightCoverage = coverageBytes(renderer.realCoverage());
        const NibOffset offset = nibCentringOffset(
            settings.brush.width, project.view().pixelWidth(), project.view().displayAspect());
        StagedShape path;
        path.kind = ShapeKind::Path;
        path.halfSize = path.capturedHalfSize = QPointF(1, 1);
        for (const QPoint p : drag)
            path.points << QPointF((p.x() + offset.x) * project.view().pixelWidth(),
                                   (p.y() + offset.y) / project.view().displayAspect());
        path.strokeColor = path.otherColor = ink;
        path.width = settings.brush.width;
        path.nib = settings.brush.shape;
        path.antialiased = settings.brush.antialiased;
        project.colormap() = blank;
        desk.paint(path);
        if (paintIsAntialiased(project, settings.brush))
            QCOMPARE(coverageBytes(renderer.realCoverage()), uprightCoverage);
        else
            QCOMPARE(project.colormap(), upright);

        // A contour around a rectangle, on multicolor where contours exist.
        if (project.mode() != CanvasMode::Multicolor)
            return;
        project.colormap() = blank;
        const QRect box(dice.between(30, 80), dice.between(40, 90), dice.between(4, 40),
                        dice.between(4, 60));
        project.colormap().fillRect(box, 2);
        const Colormap withBox = project.colormap();
        FillSettings fill;
        fill.brush = settings.brush;
        fill.placement = ContourPlacement(dice.below(3));
        FloodFill(renderer).apply(project, fill, box.center(), true,
                                  {ink == 0 ? quint8(3) : ink, 0});
        QVERIFY2(eightConnected(paintedPixels(withBox, project, renderer, fill.brush)),
                 what + " contour " + QByteArray::number(int(fill.placement)));
    }
};

QTEST_GUILESS_MAIN(TestStrokeInvariants)
#include "tst_strokeinvariants.moc"
