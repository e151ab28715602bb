// The pen and the eraser on a live canvas, driven through real mouse and
// tablet events: what an artist would notice after a click, a drag or a
// Shift line, and a random soak that must never break the colour rules.
// The dab shapes, textures and symmetry maps themselves are pinned by the
// paint tests; here the canvas's wiring of them.

#include "../common/borderoccupancy.h"
#include "../common/seedrows.h"
#include "canvastesthelpers.h"

#include "canvas/artworkimage.h"
#include "canvas/drawtool.h"
#include "canvas/erasertool.h"
#include "canvas/toolcursors.h"

#include "document/geometry.h"
#include "document/history.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <QPointingDevice>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTabletEvent>
#include <cmath>

namespace
{

using PixelList = QList<QPoint>;

void tablet(CanvasArea *canvas, QEvent::Type type, QPoint pixel, double pressure)
{
    const QPointF pos = at(canvas, pixel);
    const bool down = type != QEvent::TabletRelease;
    QTabletEvent event(type, QPointingDevice::primaryPointingDevice(), pos,
                       canvas->mapToGlobal(pos), pressure, 0, 0, 0, 0, 0, Qt::NoModifier,
                       type == QEvent::TabletMove ? Qt::NoButton : Qt::LeftButton,
                       down ? Qt::LeftButton : Qt::NoButton);
    QApplication::sendEvent(canvas, &event);
}

// Every pixel that differs, row by row.
PixelList changedPixels(const Colormap &before, const Colormap &after)
{
    PixelList list;
    for (int y = 0; y < before.height(); ++y)
        for (int x = 0; x < before.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y))
                list << QPoint(x, y);
    return list;
}

QRect boundsOf(const PixelList &pixels)
{
    QRect r;
    for (QPoint p : pixels)
        r |= QRect(p, QSize(1, 1));
    return r;
}

Project blankProject(int mode)
{
    Project project{CanvasMode(mode)};
    project.view().setDisplayAspect(1.0);
    return project;
}

// A canvas pixel as the screen shows it now, previews included.
QRgb shown(CanvasArea *canvas, QPoint pixel)
{
    return canvas->grab().toImage().pixel(at(canvas, pixel).toPoint()) & RGB_MASK;
}

QRgb rgb(const Project &project, int index)
{
    return paletteRgb(project.paletteVariant(), index) & RGB_MASK;
}

// The copies a symmetry mode makes of an offset from the axes' crossing,
// as plain 2 x 2 matrices on square pixels: the eight turns by 45 degrees,
// or the four mirrors and four quarter turns of the square.
QList<std::array<double, 4>> copyMatrices(int symmetry)
{
    QList<std::array<double, 4>> list;
    if (symmetry == int(SymmetryMode::Kaleidoscope)) {
        for (int t = 0; t < 360; t += 45) {
            const double a = t * M_PI / 180.0;
            list.append({std::cos(a), -std::sin(a), std::sin(a), std::cos(a)});
        }
        return list;
    }
    for (int sx : {1, -1})
        for (int sy : {1, -1}) {
            list.append({double(sx), 0, 0, double(sy)});
            list.append({0, double(sx), double(sy), 0});
        }
    return list;
}

} // namespace

class TestPenTools : public QObject
{
    Q_OBJECT

private slots:
    void clickPaintsOneDab()
    {
        // Multicolor: a square nib of width 8 spans 4 double-wide pixels and 8 rows.
        CanvasFixture f(blankProject(1));
        CanvasArea *canvas = f.canvas.get();
        canvas->setPenWidth(8);
        canvas->setBrushShape(BrushShape::Square);
        canvas->setPenIndex(3);
        QSignalSpy history(canvas, &CanvasArea::historyChanged);
        const Colormap before = f.project.colormap();
        stroke(canvas, {QPoint(80, 80)});
        const PixelList changed = changedPixels(before, f.project.colormap());
        QCOMPARE(boundsOf(changed), QRect(78, 76, 4, 8));
        QCOMPARE(changed.size(), 32);
        QCOMPARE(f.project.colormap().pixel(78, 76), quint8(3));
        QCOMPARE(history.count(), 1);
        QCOMPARE(f.project.history().nodes().first().kind, HistoryEntryKind::Stroke);
        QVERIFY(!canvas->penStrokeInProgress());
        QCOMPARE(canvas->artworkImage(),
                 artworkImage(f.project.colormap(), f.project.paletteVariant(), 2));
        // The same dab again, or black on black, records nothing.
        stroke(canvas, {QPoint(80, 80)});
        canvas->setPenIndex(0);
        stroke(canvas, {QPoint(20, 20)});
        QCOMPARE(f.project.history().nodeCount(), 1);
    }

    void texturedDab()
    {
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        canvas->setPenWidth(2);
        canvas->setBrushShape(BrushShape::Square);
        std::array<quint16, Texture::Size> checks;
        for (int y = 0; y < Texture::Size; ++y)
            checks[size_t(y)] = y % 2 ? 0xAAAA : 0x5555;
        canvas->setTexture(Texture(checks));
        canvas->setTextureMode(TextureMode::TwoColor);
        canvas->setSecondaryIndex(6);
        const Colormap before = f.project.colormap();
        stroke(canvas, {QPoint(16, 16)});
        QCOMPARE(boundsOf(changedPixels(before, f.project.colormap())), QRect(15, 15, 2, 2));
        for (int y = 15; y <= 16; ++y)
            for (int x = 15; x <= 16; ++x)
                QCOMPARE(f.project.colormap().pixel(x, y), quint8((x + y) % 2 ? 6 : 1));
    }

    void pixelPerfectCorner_data()
    {
        // A widening tablet stroke cannot stay one pixel thick: no filtering.
        QTest::addColumn<bool>("tabletStroke");
        QTest::newRow("mouse") << false;
        QTest::newRow("tablet") << true;
    }
    void pixelPerfectCorner()
    {
        QFETCH(bool, tabletStroke);
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        canvas->setPixelPerfectStrokes(true);
        const QPoint start(60, 60), corner(61, 60), end(61, 61);
        if (tabletStroke)
            tablet(canvas, QEvent::TabletPress, start, 0.0); // no pressure: still width 1
        press(canvas, at(canvas, start));
        move(canvas, at(canvas, corner));
        // Not decided yet: only the preview shows it.
        if (!tabletStroke)
            QCOMPARE(f.project.colormap().pixel(corner.x(), corner.y()), quint8(0));
        QCOMPARE(shown(canvas, corner), rgb(f.project, 1));
        move(canvas, at(canvas, end));
        release(canvas, at(canvas, end));
        QCOMPARE(changedPixels(Colormap(320, 200), f.project.colormap()).size(),
                 tabletStroke ? 3 : 2);
        QCOMPARE(f.project.colormap().pixel(corner.x(), corner.y()), quint8(tabletStroke));
    }

    void pressureWidening_data()
    {
        QTest::addColumn<bool>("widening");
        QTest::addColumn<int>("dabWidth");
        QTest::newRow("half press: 8 + 16 x 0.25") << true << 12;
        QTest::newRow("widening off") << false << 8;
    }
    void pressureWidening()
    {
        QFETCH(bool, widening);
        QFETCH(int, dabWidth);
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        canvas->setPenWidth(8);
        canvas->setPressureWidening(widening);
        const QPoint pixel(100, 100);
        // The tablet events come before the mouse events made of them.
        tablet(canvas, QEvent::TabletPress, pixel, 0.5);
        press(canvas, at(canvas, pixel));
        tablet(canvas, QEvent::TabletRelease, pixel, 0.0);
        release(canvas, at(canvas, pixel));
        const Colormap afterTablet = f.project.colormap();
        QCOMPARE(boundsOf(changedPixels(Colormap(320, 200), afterTablet)).width(), dabWidth);
        // A mouse click afterwards paints the stored width.
        stroke(canvas, {QPoint(200, 100)});
        QCOMPARE(boundsOf(changedPixels(afterTablet, f.project.colormap())).width(), 8);
    }

    void shiftLines()
    {
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        Project &project = f.project;
        const QPoint a(40, 50), b(80, 50), c(40, 90);
        stroke(canvas, {a});
        // Shift over the canvas previews the line from the connect point, with
        // Ctrl only a dab; neither touches the document.
        move(canvas, at(canvas, b), Qt::NoButton, Qt::ShiftModifier);
        QCOMPARE(shown(canvas, QPoint(60, 50)), rgb(project, 1));
        move(canvas, at(canvas, b), Qt::NoButton, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(shown(canvas, QPoint(60, 50)), rgb(project, 0));
        QCOMPARE(shown(canvas, b), rgb(project, 1));
        QCOMPARE(project.colormap().pixel(b.x(), b.y()), quint8(0));
        // Held for a pan or for sampling, Space and Alt hide it.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Alt}) {
            QTest::keyPress(canvas, key);
            QCOMPARE(shown(canvas, b), rgb(project, 0));
            QTest::keyRelease(canvas, key);
            QCOMPARE(shown(canvas, b), rgb(project, 1));
        }
        stroke(canvas, {b}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(project.history().nodeCount(), 2);
        QCOMPARE(changedPixels(Colormap(320, 200), project.colormap()).size(), 41);
        // Undo takes the line back and with it the line's start.
        project.history().undo(project);
        canvas->refreshWholeImage();
        stroke(canvas, {c}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(boundsOf(changedPixels(Colormap(320, 200), project.colormap())),
                 QRect(40, 50, 1, 41));
    }

    void squareNibOnTurnedView_data()
    {
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QPoint>("covered");
        QTest::addColumn<QPoint>("bare");
        // A 5-wide square about pixel (100, 80) on a view turned by 45 degrees:
        // upright on screen it is a diamond in the canvas, reaching 3 pixels
        // straight down but not the diagonal (2, 2); with Ctrl it follows the
        // canvas axes, the other way round.
        QTest::newRow("upright on screen") << false << QPoint(100, 83) << QPoint(102, 82);
        QTest::newRow("ctrl follows canvas") << true << QPoint(102, 82) << QPoint(100, 83);
    }
    void squareNibOnTurnedView()
    {
        QFETCH(bool, ctrl);
        QFETCH(QPoint, covered);
        QFETCH(QPoint, bare);
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        f.project.view().setRotation(45.0);
        canvas->setPenWidth(5);
        canvas->setBrushShape(BrushShape::Square);
        stroke(canvas, {QPoint(100, 80)}, Qt::LeftButton,
               ctrl ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(f.project.colormap().pixel(covered.x(), covered.y()), quint8(1));
        QCOMPARE(f.project.colormap().pixel(bare.x(), bare.y()), quint8(0));
    }

    void reloadForgetsStrokeAndConnectPoint()
    {
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        // Black on black records nothing but leaves a pending connect point.
        canvas->setPenIndex(0);
        stroke(canvas, {QPoint(40, 50)});
        canvas->reloadProject();
        canvas->setPenIndex(1);
        // After a reload a Shift click paints a dab, not a line from before.
        stroke(canvas, {QPoint(80, 50)}, Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(f.project.colormap().pixel(80, 50), quint8(1));
        QCOMPARE(f.project.colormap().pixel(60, 50), quint8(0));
        // A stroke under way when the document is reloaded is dropped.
        press(canvas, at(canvas, QPoint(100, 100)));
        move(canvas, at(canvas, QPoint(110, 100)));
        canvas->reloadProject();
        QVERIFY(!canvas->penStrokeInProgress());
    }

    void symmetricSquareNibsOnTurnedView_data()
    {
        QTest::addColumn<int>("symmetry");
        QTest::addColumn<int>("width");
        QTest::newRow("kaleidoscope odd") << int(SymmetryMode::Kaleidoscope) << 5;
        QTest::newRow("kaleidoscope even") << int(SymmetryMode::Kaleidoscope) << 6;
        QTest::newRow("bi-quadrant even") << int(SymmetryMode::BiQuadrant) << 4;
    }
    void symmetricSquareNibsOnTurnedView()
    {
        // Each copy of a square dab is the user's dab carried over by the
        // copy's turn or mirror: taking a covered pixel of a copy back through
        // that move must land inside the square that stands upright on the
        // turned screen. Expected pixels come from the widget mapping alone.
        QFETCH(int, symmetry);
        QFETCH(int, width);
        CanvasFixture f(blankProject(0));
        CanvasArea *canvas = f.canvas.get();
        f.project.view().setRotation(30.0);
        canvas->setPenWidth(width);
        canvas->setBrushShape(BrushShape::Square);
        canvas->setSymmetryMode(symmetry);
        const Colormap before = f.project.colormap();
        const QPoint pixel(141, 87);
        stroke(canvas, {pixel});

        // An odd width centres on the pixel, an even one on its corner.
        const double off = width % 2 ? 0.5 : 0.0;
        const QPointF centre(160, 100), nib = QPointF(pixel) + QPointF(off, off);
        const ViewTransform &view = canvas->viewTransform();
        const double reach = (width / 2.0 + 1e-6) * view.zoom();
        QSet<QPoint> expected;
        for (const auto &m : copyMatrices(symmetry)) {
            const QPointF d = nib - centre;
            const QPointF exact =
                centre + QPointF(m[0] * d.x() + m[1] * d.y(), m[2] * d.x() + m[3] * d.y());
            // The copy's own nib sits on the pixel its centre falls in.
            const QPointF mapped(std::round(exact.x() - off) + off,
                                 std::round(exact.y() - off) + off);
            // The inverse of a turn or mirror of the square is its transpose.
            for (int y = 0; y < 200; ++y)
                for (int x = 0; x < 320; ++x) {
                    const QPointF s = QPointF(x + 0.5, y + 0.5) - mapped;
                    const QPointF back =
                        nib + QPointF(m[0] * s.x() + m[2] * s.y(), m[1] * s.x() + m[3] * s.y());
                    const QPointF onScreen = view.toWidget(back) - view.toWidget(nib);
                    if (std::abs(onScreen.x()) <= reach && std::abs(onScreen.y()) <= reach)
                        expected.insert(QPoint(x, y));
                }
        }
        const PixelList changed = changedPixels(before, f.project.colormap());
        QCOMPARE(QSet<QPoint>(changed.begin(), changed.end()), expected);
        QVERIFY(expected.size() > 8 * width * width / 2);
        // One undo takes every copy back.
        f.project.history().undo(f.project);
        QCOMPARE(f.project.colormap(), before);
    }

    void eraser_data()
    {
        // Hires erases to the secondary colour (2), multicolor to the
        // background (6), whatever the button; a shortcut switching tools
        // mid-stroke lets the stroke finish.
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("switchMidStroke");
        QTest::addColumn<int>("blank");
        QTest::newRow("hires right") << 0 << true << false << 2;
        QTest::newRow("multicolor left") << 1 << false << false << 6;
        QTest::newRow("switched to the eyedropper") << 0 << false << true << 2;
    }
    void eraser()
    {
        QFETCH(int, mode);
        QFETCH(bool, right);
        QFETCH(bool, switchMidStroke);
        QFETCH(int, blank);
        Project project = blankProject(mode);
        project.setSlot(ColorSlot::Background, 6);
        project.colormap().fill(1);
        CanvasFixture f(std::move(project));
        CanvasArea *canvas = f.canvas.get();
        canvas->setPenIndex(5);
        canvas->setSecondaryIndex(2);
        canvas->setEraserTool(true);
        const Colormap before = f.project.colormap();
        QVERIFY(sameCursor(canvas->cursor(), ToolCursors::cursor(ToolCursors::Eraser)));
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        press(canvas, at(canvas, QPoint(20, 20)), button);
        if (switchMidStroke) {
            canvas->setEraserTool(false);
            canvas->setEyedropperTool(true);
        }
        move(canvas, at(canvas, QPoint(26, 20)), button);
        release(canvas, at(canvas, QPoint(26, 20)), button);
        QVERIFY(!canvas->penStrokeInProgress());
        PixelList row;
        for (int x = 20; x <= 26; ++x)
            row << QPoint(x, 20);
        QCOMPARE(changedPixels(before, f.project.colormap()), row);
        QCOMPARE(f.project.colormap().pixel(23, 20), quint8(blank));
        QCOMPARE(f.project.history().nodeCount(), 1);
        QCOMPARE(canvas->penIndex(), quint8(5)); // nothing sampled
        // Back on the pen, it paints its own colour.
        canvas->setEyedropperTool(false);
        canvas->setEraserTool(false);
        stroke(canvas, {QPoint(20, 30)});
        QCOMPARE(f.project.colormap().pixel(20, 30), quint8(5));
    }

    void altSamples_data()
    {
        QTest::addColumn<bool>("eraser");
        QTest::addColumn<bool>("right");
        QTest::newRow("pen right") << false << true;
        QTest::newRow("eraser left") << true << false;
    }
    void altSamples()
    {
        QFETCH(bool, eraser);
        QFETCH(bool, right);
        Project project = blankProject(0);
        project.colormap().fillRect(QRect(8, 8, 8, 8), 7);
        project.colormap().fillRect(QRect(16, 8, 8, 8), 3);
        CanvasFixture f(std::move(project));
        CanvasArea *c = f.canvas.get();
        c->setEraserTool(eraser);
        QSignalSpy colors(c, &CanvasArea::penColorsChanged);
        const Colormap before = f.project.colormap();
        const QCursor own = ToolCursors::cursor(eraser ? ToolCursors::Eraser : ToolCursors::Pen);
        const QCursor picker = ToolCursors::cursor(ToolCursors::Picker);
        const Qt::MouseButton button = right ? Qt::RightButton : Qt::LeftButton;
        auto sampled = [&] { return right ? c->secondaryIndex() : c->penIndex(); };
        // Alt alone shows the dropper; letting it go brings the tool back.
        QTest::keyPress(c, Qt::Key_Alt, Qt::AltModifier);
        QVERIFY(sameCursor(c->cursor(), picker));
        QTest::keyRelease(c, Qt::Key_Alt);
        QVERIFY(sameCursor(c->cursor(), own));
        // Dragging keeps sampling, with the dropper shown, while the button is
        // held, even after Alt is let go.
        press(c, at(c, QPoint(10, 10)), button, Qt::AltModifier);
        QCOMPARE(sampled(), quint8(7));
        move(c, at(c, QPoint(18, 10)), button);
        QVERIFY(sameCursor(c->cursor(), picker));
        release(c, at(c, QPoint(18, 10)), button);
        QCOMPARE(sampled(), quint8(3));
        QCOMPARE(colors.count(), 2);
        QCOMPARE(f.project.colormap(), before);
        QCOMPARE(f.project.history().nodeCount(), 0);
        QVERIFY(sameCursor(c->cursor(), own));
        // Alt pressed mid-stroke keeps the tool's cursor until the stroke ends.
        press(c, at(c, QPoint(40, 40)));
        QTest::keyPress(c, Qt::Key_Alt, Qt::AltModifier);
        move(c, at(c, QPoint(42, 40)), Qt::LeftButton, Qt::AltModifier);
        QVERIFY(c->isAltHeld());
        QVERIFY(sameCursor(c->cursor(), own));
        release(c, at(c, QPoint(42, 40)), Qt::LeftButton, Qt::AltModifier);
        QVERIFY(sameCursor(c->cursor(), picker));
    }

    void randomStrokesKeepTheRules_data() { addSeedRows("KORVEN_PEN_SEEDS", 24, 40503u); }
    void randomStrokesKeepTheRules()
    {
        QFETCH(quint32, seed);
        QRandomGenerator dice(seed);
        auto below = [&](int n) { return int(dice.bounded(n)); };
        auto chance = [&](int percent) { return below(100) < percent; };

        LayoutSpec layout;
        layout.layout = CanvasLayout(below(3));
        layout.topAlignment = BorderAlignment(below(2));
        layout.bottomAlignment = BorderAlignment(below(2));
        Project start(chance(50) ? CanvasMode::Multicolor : CanvasMode::Hires, -1, -1, layout, 1);
        start.setSpriteCountPolicy(chance(75) ? SpriteCountPolicy::Enforce
                                              : SpriteCountPolicy::Flag);
        start.setHiresClashResolution(HiresClashResolution(below(3)));
        start.view().setDisplayAspect(chance(50) ? 1.0 : 0.9375);
        for (int s = 0; s < ColorSlotCount; ++s)
            if (chance(40))
                start.setSlot(ColorSlot(s), quint8(below(16)));
        // Scattered artwork, made legal the way an import would be.
        Colormap &map = start.colormap();
        const int specks = chance(50) ? 0 : below(3000);
        for (int i = 0; i < specks; ++i)
            map.setPixel(below(map.width()), below(map.height()), quint8(below(16)));
        start.repaintLockedPixels();
        resolveClashes(ClashContext::forSweep(start), map, map.rect());

        CanvasFixture f(std::move(start), QSize(700, 500));
        CanvasArea *canvas = f.canvas.get();
        Project &project = f.project;
        const ClashContext rules = ClashContext::forSweep(project);
        QVERIFY2(!canvasHasClash(rules, project.colormap()), "the start must be legal");
        QList<Texture> textures = Texture::fromStripFile(textureSheetPath(false));
        textures += Texture::fromStripFile(textureSheetPath(true));
        QVERIFY(!textures.isEmpty());

        const Colormap first = project.colormap();
        const QList<QRect> locked = project.lockedRects();
        const quint8 border = project.slot(ColorSlot::Border);
        const int scale = project.mode() == CanvasMode::Multicolor ? 2 : 1;
        // Every changed part of the artwork image has been re-rendered.
        auto showsDocument = [&] {
            return canvas->artworkImage() ==
                   artworkImage(project.colormap(), project.paletteVariant(), scale);
        };
        auto randomPixel = [&] {
            // A little beyond the edges too.
            return QPoint(below(project.width() + 16) - 8, below(project.height() + 16) - 8);
        };

        for (int s = 0; s < 20; ++s) {
            const int widths[] = {1, 1, 2, 3, 5, 8, 13, 32};
            canvas->setPenWidth(widths[below(8)]);
            canvas->setBrushShape(chance(50) ? BrushShape::Square : BrushShape::Round);
            canvas->setPixelPerfectStrokes(chance(30));
            canvas->setAntialiasedStrokes(chance(40));
            canvas->setTexture(chance(50) ? Texture::solid()
                                          : textures[below(int(textures.size()))]);
            canvas->setTextureMode(chance(50) ? TextureMode::TwoColor : TextureMode::Stencil);
            canvas->setSymmetryMode(chance(40) ? 0 : 1 + below(5));
            canvas->setSymmetryAxes(
                {below(2 * project.height() + 1), below(2 * project.width() + 1)});
            canvas->setEraserTool(chance(20));
            canvas->setPenIndex(quint8(below(16)));
            canvas->setSecondaryIndex(quint8(below(16)));
            const Qt::MouseButton button = chance(70) ? Qt::LeftButton : Qt::RightButton;
            const Qt::KeyboardModifiers modifiers =
                chance(15) ? Qt::KeyboardModifiers(Qt::ShiftModifier) : Qt::NoModifier;
            const BorderOccupancy occupiedBefore = borderOccupancyOf(project);
            // A turned view turns the nib with it.
            project.view().setRotation(chance(20) ? below(360) - 180 : 0);
            const bool stylus = chance(25);

            QPoint p = randomPixel();
            if (stylus)
                tablet(canvas, QEvent::TabletPress, p, below(101) / 100.0);
            press(canvas, at(canvas, p), button, modifiers);
            for (int m = below(7); m > 0; --m) {
                p = chance(50) ? p + QPoint(below(7) - 3, below(7) - 3) : randomPixel();
                if (stylus)
                    tablet(canvas, QEvent::TabletMove, p, below(101) / 100.0);
                move(canvas, at(canvas, p), button, modifiers);
            }
            // Mid-stroke the canvas already shows what has been painted.
            QVERIFY2(showsDocument(), qPrintable(QStringLiteral("stroke %1: stale").arg(s)));
            if (stylus)
                tablet(canvas, QEvent::TabletRelease, p, 0.0);
            release(canvas, at(canvas, p), button, modifiers);

            const QString where = QStringLiteral("stroke %1").arg(s);
            QVERIFY2(!canvas->penStrokeInProgress(), qPrintable(where));
            QVERIFY2(!canvasHasClash(rules, project.colormap()), qPrintable(where + ": clash"));
            QVERIFY2(lockedPixelsHold(project.colormap(), locked, border),
                     qPrintable(where + ": locked pixel painted"));
            if (project.spriteCountPolicy() == SpriteCountPolicy::Enforce)
                QVERIFY2(!opensColumnOverBudget(occupiedBefore, borderOccupancyOf(project)),
                         qPrintable(where + ": a ninth sprite column was opened"));
            QVERIFY2(showsDocument(), qPrintable(where + ": stale artwork"));
        }
        QVERIFY(project.history().nodeCount() > 0);
        while (project.history().canUndo())
            project.history().undo(project);
        QCOMPARE(project.colormap(), first);
    }
};

QTEST_MAIN(TestPenTools)
#include "tst_pentools.moc"
