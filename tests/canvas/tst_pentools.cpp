// The pen, the eraser and the fill tool on a live canvas, driven through
// real mouse and tablet events: what an artist would notice after a click,
// a drag or a Shift line, and a random soak that must never break the
// colour rules. The dab shapes, textures and symmetry maps themselves are
// pinned by the paint tests; here the canvas's wiring of them. The fill:
// which colour each button floods with, Ctrl contours on multicolor only,
// clicks that must record nothing, symmetric copies, and the preview's
// switch.

#include "../common/borderoccupancy.h"
#include "../common/paintrows.h"
#include "../common/seedrows.h"
#include "../paint/randomdocument.h"
#include "canvastesthelpers.h"

#include "canvas/filltool.h"

#include "document/geometry.h"
#include "document/history.h"
#include "paint/penstroke.h"
#include "paint/symmetry.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <QPointingDevice>
#include <QSignalSpy>
#include <QTabletEvent>

namespace
{

using PixelList = QList<QPoint>;

void tablet(CanvasArea *canvas, QEvent::Type type, QPoint pixel, double pressure)
{
    const QPointF pos = at(canvas, pixel);
    QTabletEvent event(type, QPointingDevice::primaryPointingDevice(), pos,
                       canvas->mapToGlobal(pos), pressure, 0, 0, 0, 0, 0, Qt::NoModifier,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       type != QEvent::TabletRelease ? Qt::LeftButton : Qt::NoButton);
    QApplication::sendEvent(canvas, &event);
}

// Every pixel that is no longer blank, row by row.
PixelList changedPixels(const Colormap &map)
{
    PixelList list;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x)
            if (map.pixel(x, y) != 0)
                list << QPoint(x, y);
    return list;
}

// A shown canvas on square pixels, with the pen active.
struct PenFixture : CanvasFixture {
    explicit PenFixture(int mode = 0) : CanvasFixture(Project(CanvasMode(mode)))
    {
        project.view().setDisplayAspect(1.0);
    }
    quint8 pixel(QPoint p) const { return project.colormap().pixel(p.x(), p.y()); }
    // Whether the screen shows a palette colour at a canvas pixel, previews included.
    bool shows(QPoint p, int index) const
    {
        return (c->grab().toImage().pixel(at(c, p).toPoint()) & RGB_MASK) ==
               (paletteRgb(project.paletteVariant(), index) & RGB_MASK);
    }
};

// A hires canvas with sprites over the top and bottom borders.
struct BorderFixture : CanvasFixture {
    BorderFixture()
        : CanvasFixture(Project(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites}))
    {
    }
    // Sprite (column, row) of the top border.
    QRect sprite(int column, int row = 0) const
    {
        const SpriteGrid grid =
            spriteGridOf(project.regions().first(), CanvasMode::Hires, project.layoutSpec());
        return spriteRect(grid, column, row);
    }
};

// A square of colour 2 at (16, 16) and its mirror image across the middle;
// on multicolor a cell at the origin that holds three colours besides the
// background. The fill tool is active with colours 5 and 6.
Project shapes(bool multicolor)
{
    Project p(multicolor ? CanvasMode::Multicolor : CanvasMode::Hires);
    p.colormap().fillRect(QRect(16, 16, 16, 16), 2);
    p.colormap().fillRect(QRect(p.width() - 32, 16, 16, 16), 2);
    for (int x = 0; x < 3 && multicolor; ++x)
        p.colormap().setPixel(x, 0, quint8(x + 1));
    return p;
}

struct FillFixture : CanvasFixture {
    explicit FillFixture(bool multicolor) : CanvasFixture(shapes(multicolor), QSize(800, 600))
    {
        canvas->setFillTool(true);
        paint.setPenIndex(5);
        paint.setSecondaryIndex(6);
    }
};

} // namespace

class TestPenTools : public QObject
{
    Q_OBJECT

private slots:
    void spriteFramesRepaintWhereverTheyChange()
    {
        // Eight top-border sprites of one pixel each; a stroke through a ninth
        // column pushes the eighth out of the budget, far from the stroke:
        // its new red frame is repainted at once, not at the next redraw.
        BorderFixture f;
        QCOMPARE(f.project.regions().first().kind, RegionKind::TopBorder);
        for (int column = 0; column < 8; ++column)
            f.project.colormap().setPixel(f.sprite(column).x() + 2, f.sprite(column).y() + 2, 1);
        f.c->refreshWholeImage();
        QCoreApplication::processEvents();
        PaintRecorder painted;
        f.c->installEventFilter(&painted);
        const ClashContext rules = ClashContext::forSweep(f.project);
        QCOMPARE(redFrameSet(rules, f.project.colormap()).top, QList<QRect>{});
        const QPoint corner = f.sprite(10).topLeft();
        stroke(f.c, {corner + QPoint(1, 1), corner + QPoint(12, 16), corner + QPoint(3, 18)});
        QCoreApplication::processEvents();
        const QRect frame = f.sprite(7) | f.sprite(7, 1);
        QCOMPARE(redFrameSet(rules, f.project.colormap()).top, QList<QRect>{frame});
        const QRect shown =
            f.c->viewTransform().widgetFromCanvas().mapRect(QRectF(frame)).toAlignedRect();
        QVERIFY((QRegion(shown) - painted.region).isEmpty());
    }

    void refusalsAreExplainedOncePerStroke()
    {
        // A top-border sprite that already has its own colour refuses another
        // one from the one-pixel pen; the status says so once per stroke,
        // naming the sprite, its colour and the colours it can take.
        BorderFixture f;
        const QPoint corner = f.sprite(3).topLeft(), p = corner + QPoint(4, 2);
        f.project.colormap().setPixel(corner.x() + 1, corner.y() + 1, 2);
        QSignalSpy said(f.c, &CanvasArea::statusMessage);
        f.paint.setPenIndex(5);
        for (int strokes = 1; strokes <= 2; ++strokes) {
            stroke(f.c, {p, corner + QPoint(12, 9), corner + QPoint(6, 14)});
            QCOMPARE(said.count(), strokes);
        }
        QCOMPARE(f.project.colormap().pixel(p.x(), p.y()), quint8(0));
        const QString refusal =
            QStringLiteral("Nothing painted in the top border sprite in column 3 "
                           "at (%1, %2): it already has its own colour red and "
                           "can take only black or red, not green.");
        QCOMPARE(said.last().first().toString(), refusal.arg(p.x()).arg(p.y()));
        // Painting its own colour is fine and says nothing.
        f.paint.setPenIndex(2);
        stroke(f.c, {p, corner + QPoint(12, 9)});
        QCOMPARE(said.count(), 2);
        // A locked pixel of the hires side canvas.
        CanvasFixture side{Project(CanvasMode::Hires, -1, -1, {CanvasLayout::SideBorderSprites})};
        QSignalSpy sideSaid(side.c, &CanvasArea::statusMessage);
        side.paint.setPenIndex(1);
        stroke(side.c, {QPoint(410, 50), QPoint(412, 60)});
        QCOMPARE(sideSaid.count(), 1);
        QVERIFY(sideSaid.first().first().toString().startsWith(
            QStringLiteral("Nothing painted at (410, 50): ")));
    }

    void settingsReachTheStroke()
    {
        // A textured square dab with kaleidoscope copies on a turned view of
        // NTSC multicolor pixels, by mouse, with Ctrl, and by a half-pressed
        // stylus with widening on and off, then a fast drag of a few pointer
        // events far apart: the canvas paints what the stroke engine paints
        // when handed those settings and events itself (the paint tests pin
        // what that is, the drag's connected line included).
        std::array<quint16, Texture::Size> checks;
        for (int y = 0; y < Texture::Size; ++y)
            checks[size_t(y)] = y % 2 ? 0xAAAA : 0x5555;
        const QPoint p(50, 70);
        const QList<QPoint> path{{120, 40}, {60, 130}, {140, 180}, {20, 195}};
        const std::tuple<bool, double, bool> rows[] = {
            {false, -1, true}, {true, -1, true}, {false, 0.5, true}, {false, 0.5, false}};
        for (auto [ctrl, pressure, widening] : rows) {
            PenFixture f(1);
            f.project.view().setDisplayAspect(0.75);
            f.project.view().setRotation(30.0);
            f.paint.setPenWidth(6);
            f.paint.setBrushShape(BrushShape::Square);
            f.paint.setTexture(Texture(checks));
            f.paint.setTextureMode(TextureMode::TwoColor);
            f.paint.setPenIndex(3);
            f.paint.setSecondaryIndex(6);
            f.paint.setSymmetryMode(int(SymmetryMode::Kaleidoscope));
            f.paint.setPressureWidening(widening);
            const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
            // The tablet events come before the mouse events made of them.
            if (pressure >= 0)
                tablet(f.c, QEvent::TabletPress, p, pressure);
            press(f.c, at(f.c, p), Qt::LeftButton, mods);
            if (pressure >= 0)
                tablet(f.c, QEvent::TabletRelease, p, 0.0);
            release(f.c, at(f.c, p), Qt::LeftButton, mods);
            stroke(f.c, path);

            Project expected{CanvasMode::Multicolor};
            expected.view().setDisplayAspect(0.75);
            StrokeRenderer renderer;
            renderer.prepare(expected);
            PenStroke pen(renderer);
            const QList<SymmetryTransform> sym = symmetryTransforms(
                SymmetryMode::Kaleidoscope, SymmetryAxes::centreOf(expected.size()), 2, 0.75);
            const BrushSettings brush{6, BrushShape::Square};
            const PenSettings s{brush, Texture(checks), TextureMode::TwoColor, widening, 30, sym};
            const PenEvent click{p, pressure >= 0, pressure, false, ctrl};
            pen.press(expected, s, click, {3, 6}, std::nullopt);
            pen.release(expected, s, click);
            pen.press(expected, s, {path.first()}, {3, 6}, std::nullopt);
            for (const QPoint q : path.mid(1))
                pen.move(expected, s, {q});
            pen.release(expected, s, {path.last()});
            QCOMPARE(f.project.colormap(), expected.colormap());
        }
    }

    void shiftLines()
    {
        PenFixture f;
        const QPoint a(40, 50), b(80, 50), c(40, 90);
        QSignalSpy history(f.c, &CanvasArea::historyChanged);
        // A click records one stroke of one pixel, shown at once; the same
        // dab again records nothing.
        stroke(f.c, {a});
        stroke(f.c, {a});
        QCOMPARE(changedPixels(f.project.colormap()), PixelList{a});
        QCOMPARE(history.count(), 1);
        QCOMPARE(f.project.history().nodes().first().kind, HistoryEntryKind::Stroke);
        QVERIFY(f.showsDocument());
        // Shift over the canvas previews the line from the connect point, with
        // Ctrl only a dab; neither touches the document.
        move(f.c, at(f.c, b), Qt::NoButton, Qt::ShiftModifier);
        QVERIFY(f.shows({60, 50}, 1));
        move(f.c, at(f.c, b), Qt::NoButton, Qt::ShiftModifier | Qt::ControlModifier);
        QVERIFY(f.shows({60, 50}, 0) && f.shows(b, 1));
        QCOMPARE(f.pixel(b), quint8(0));
        // Held for a pan or for sampling, Space and Alt hide it.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Alt}) {
            QTest::keyPress(f.c, key);
            QVERIFY(f.shows(b, 0));
            QTest::keyRelease(f.c, key);
            QVERIFY(f.shows(b, 1));
        }
        stroke(f.c, {b}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(f.project.history().nodeCount(), 2);
        QCOMPARE(Colormap::difference(Colormap(320, 200), f.project.colormap()),
                 QRect(40, 50, 41, 1));
        // Undo takes the line back and with it the line's start.
        f.project.history().undo(f.project);
        f.c->refreshWholeImage();
        stroke(f.c, {c}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(Colormap::difference(Colormap(320, 200), f.project.colormap()),
                 QRect(40, 50, 1, 41));
    }

    void reloadForgetsStrokeAndConnectPoint()
    {
        PenFixture f;
        // Black on black records nothing but leaves a pending connect point.
        f.paint.setPenIndex(0);
        stroke(f.c, {QPoint(40, 50)});
        QCOMPARE(f.project.history().nodeCount(), 0);
        f.c->reloadProject();
        f.paint.setPenIndex(1);
        // After a reload a Shift click paints a dab, not a line from before.
        stroke(f.c, {QPoint(80, 50)}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(changedPixels(f.project.colormap()), PixelList{QPoint(80, 50)});
        // A stroke under way when the document is reloaded is dropped.
        press(f.c, at(f.c, {100, 100}));
        move(f.c, at(f.c, {110, 100}));
        f.c->reloadProject();
        QVERIFY(!f.c->penStrokeInProgress());
    }

    void eraser()
    {
        // Hires erases to the secondary colour (2), multicolor to the
        // background (6), whatever the button; a shortcut switching to the
        // eyedropper mid-stroke lets the stroke finish.
        using R = std::tuple<int, Qt::MouseButton, bool, int>;
        for (auto [mode, button, switchMidStroke, blank] :
             {R{0, Qt::RightButton, false, 2}, R{1, Qt::LeftButton, false, 6},
              R{0, Qt::LeftButton, true, 2}}) {
            PenFixture f(mode);
            f.project.setSlot(ColorSlot::Background, 6);
            f.project.colormap().fill(1);
            const Colormap before = f.project.colormap();
            f.paint.setPenIndex(5);
            f.paint.setSecondaryIndex(2);
            f.c->setEraserTool(true);
            QVERIFY(showsCursor(f.c, ToolCursors::Eraser));
            press(f.c, at(f.c, {20, 20}), button);
            f.c->setEyedropperTool(switchMidStroke);
            move(f.c, at(f.c, {26, 20}), button);
            release(f.c, at(f.c, {26, 20}), button);
            QVERIFY(!f.c->penStrokeInProgress());
            QCOMPARE(Colormap::difference(before, f.project.colormap()), QRect(20, 20, 7, 1));
            QCOMPARE(f.pixel({23, 20}), quint8(blank));
            // One entry, and nothing sampled.
            QVERIFY(f.project.history().nodeCount() == 1 && f.paint.penIndex() == 5);
            // Back on the pen, it paints its own colour.
            f.c->setEyedropperTool(false);
            f.c->setEraserTool(false);
            stroke(f.c, {QPoint(20, 30)});
            QCOMPARE(f.pixel({20, 30}), quint8(5));
        }
    }

    void altSamples()
    {
        PenFixture f;
        f.project.colormap().fillRect(QRect(8, 8, 8, 8), 7);
        f.project.colormap().fillRect(QRect(16, 8, 8, 8), 3);
        f.c->refreshWholeImage();
        const Colormap before = f.project.colormap();
        // Alt alone shows the dropper; letting it go brings the tool back.
        QTest::keyPress(f.c, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(showsCursor(f.c, ToolCursors::Picker));
        QTest::keyRelease(f.c, Qt::Key_Alt);
        QVERIFY(showsCursor(f.c, ToolCursors::Pen));
        // The right button samples into the secondary colour; dragging keeps
        // sampling, with the dropper shown, while the button is held, even
        // after Alt is let go.
        press(f.c, at(f.c, {10, 10}), Qt::RightButton, Qt::AltModifier);
        QCOMPARE(f.paint.secondaryIndex(), quint8(7));
        move(f.c, at(f.c, {18, 10}), Qt::RightButton);
        QVERIFY(showsCursor(f.c, ToolCursors::Picker));
        release(f.c, at(f.c, {18, 10}), Qt::RightButton);
        QCOMPARE(f.paint.secondaryIndex(), quint8(3));
        QCOMPARE(f.project.colormap(), before);
        QVERIFY(showsCursor(f.c, ToolCursors::Pen));
        // Alt pressed mid-stroke keeps the tool's cursor until the stroke ends.
        press(f.c, at(f.c, {40, 40}));
        QTest::keyPress(f.c, Qt::Key_Alt, Qt::AltModifier);
        move(f.c, at(f.c, {42, 40}), Qt::LeftButton, Qt::AltModifier);
        QVERIFY(f.c->isAltHeld() && showsCursor(f.c, ToolCursors::Pen));
        release(f.c, at(f.c, {42, 40}), Qt::LeftButton, Qt::AltModifier);
        QVERIFY(showsCursor(f.c, ToolCursors::Picker));
    }

    void randomStrokesKeepTheRules_data() { addSeedRows("KORVEN_PEN_SEEDS", 24, 40503u); }
    void randomStrokesKeepTheRules()
    {
        // The stroke engine's own soak covers the settings in depth; this one
        // drives it through the canvas's events, tools and refreshes.
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        CanvasFixture f(randomProject(dice), QSize(700, 500));
        Project &project = f.project;
        const ClashContext rules = ClashContext::forSweep(project);
        const QList<Texture> textures = Texture::fromStripFile(textureSheetPath(false));
        const Colormap first = project.colormap();
        // A little beyond the edges too.
        auto randomPixel = [&] {
            return QPoint(dice.below(project.width() + 16) - 8,
                          dice.below(project.height() + 16) - 8);
        };
        for (int s = 0; s < 20; ++s) {
            f.paint.setPenWidth(1 + dice.below(2) * dice.below(33));
            f.paint.setBrushShape(dice.chance(50) ? BrushShape::Square : BrushShape::Round);
            f.paint.setPixelPerfectStrokes(dice.chance(30));
            f.paint.setAntialiasedStrokes(dice.chance(40));
            f.paint.setTexture(dice.chance(50) ? Texture::solid()
                                               : textures[dice.below(textures.size())]);
            f.paint.setTextureMode(dice.chance(50) ? TextureMode::TwoColor : TextureMode::Stencil);
            f.paint.setSymmetryMode(dice.chance(40) ? 0 : 1 + dice.below(5));
            f.paint.setSymmetryAxes(
                {dice.below(2 * project.height() + 1), dice.below(2 * project.width() + 1)});
            f.c->setEraserTool(dice.chance(20));
            f.paint.setPenIndex(quint8(dice.below(16)));
            f.paint.setSecondaryIndex(quint8(dice.below(16)));
            const Qt::MouseButton button = dice.chance(70) ? Qt::LeftButton : Qt::RightButton;
            const Qt::KeyboardModifiers modifiers =
                dice.chance(15) ? Qt::KeyboardModifiers(Qt::ShiftModifier) : Qt::NoModifier;
            const BorderOccupancy occupiedBefore = borderOccupancyOf(project);
            project.view().setRotation(dice.chance(20) ? dice.below(360) - 180 : 0);
            const bool stylus = dice.chance(25);
            QPoint p = randomPixel();
            if (stylus)
                tablet(f.c, QEvent::TabletPress, p, dice.below(101) / 100.0);
            press(f.c, at(f.c, p), button, modifiers);
            for (int m = dice.below(7); m > 0; --m) {
                p = dice.chance(50) ? p + QPoint(dice.below(7) - 3, dice.below(7) - 3)
                                    : randomPixel();
                if (stylus)
                    tablet(f.c, QEvent::TabletMove, p, dice.below(101) / 100.0);
                move(f.c, at(f.c, p), button, modifiers);
            }
            const QString where = QStringLiteral("stroke %1").arg(s);
            QVERIFY2(f.showsDocument(), qPrintable(where + ": stale mid-stroke"));
            if (stylus)
                tablet(f.c, QEvent::TabletRelease, p, 0.0);
            release(f.c, at(f.c, p), button, modifiers);
            QVERIFY2(!f.c->penStrokeInProgress(), qPrintable(where));
            QVERIFY2(!canvasHasClash(rules, project.colormap()), qPrintable(where + ": clash"));
            QVERIFY2(lockedPixelsHold(project.colormap(), project.lockedRects(),
                                      project.slot(ColorSlot::Border)),
                     qPrintable(where + ": locked pixel painted"));
            if (project.spriteCountPolicy() == SpriteCountPolicy::Enforce)
                QVERIFY2(!opensColumnOverBudget(occupiedBefore, borderOccupancyOf(project)),
                         qPrintable(where + ": a ninth sprite column was opened"));
            QVERIFY2(f.showsDocument(), qPrintable(where + ": stale artwork"));
        }
        while (project.history().canUndo())
            project.history().undo(project);
        QCOMPARE(project.colormap(), first);
    }
    void fillClicks_data() { addTextRows("canvas/filltool.txt", "fill"); }
    void fillClicks()
    {
        QFETCH(QStringList, row);
        const QString flags = row[3];
        const int expected = row[5].toInt();
        FillFixture f(row[1] == u'1');
        const Colormap first = f.project.colormap();
        f.paint.setPenIndex(quint8(row[2].toInt()));
        f.paint.setSymmetryMode(int(SymmetryMode::Vertical));
        f.paint.setSymmetryApplyToFill(flags.contains(u'm'));
        QSignalSpy history(f.c, &CanvasArea::historyChanged);
        stroke(f.c, {pointOf(row[0])}, flags.contains(u'r') ? Qt::RightButton : Qt::LeftButton,
               flags.contains(u'c') ? Qt::ControlModifier : Qt::NoModifier);
        const Colormap &map = f.project.colormap();
        QCOMPARE(history.count(), expected < 0 ? 0 : 1);
        if (expected < 0) {
            QCOMPARE(map, first);
            return;
        }
        QCOMPARE(f.project.history().nodes().first().kind, HistoryEntryKind::Fill);
        const QPoint p = pointOf(row[4]), mirror(map.width() - 1 - p.x(), p.y());
        const quint8 copy = flags.contains(u'm') ? quint8(expected) : quint8(2);
        QCOMPARE(map.pixel(p.x(), p.y()), quint8(expected));
        QCOMPARE(map.pixel(mirror.x(), mirror.y()), copy);
        // The artwork shows the fill at once.
        QVERIFY(f.showsDocument());
        f.project.history().undo(f.project);
        QCOMPARE(map, first);
    }
    void fillPreview()
    {
        FillFixture f(true);
        FillTool *tool = f.canvas->fillTool();
        move(f.c, at(f.c, QPoint(20, 20)), Qt::NoButton);
        QVERIFY(tool->previewArea().contains(QRect(16, 16, 16, 16)));
        QCOMPARE(f.canvas->previewRect(), tool->previewArea());
        f.paint.setFillPreviewEnabled(false);
        QVERIFY(tool->previewArea().isEmpty());
        // Ctrl still shows the contour that a click would draw.
        QTest::keyPress(f.c, Qt::Key_Control);
        QVERIFY(!tool->previewArea().isEmpty());
        QTest::keyRelease(f.c, Qt::Key_Control);
        QVERIFY(tool->previewArea().isEmpty());
        QCOMPARE(f.project.history().nodeCount(), 0);
    }
};

QTEST_MAIN(TestPenTools)
#include "tst_pentools.moc"
