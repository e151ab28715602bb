// The pen and the eraser on a live canvas, driven through real mouse and
// tablet events: what an artist would notice after a click, a drag or a
// Shift line, and a random soak that must never break the colour rules.

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
#include <bit>

namespace
{

using PixelList = QList<QPoint>;

QPointF at(const CanvasArea *canvas, QPoint pixel)
{
    return canvas->viewTransform().toWidget(QPointF(pixel) + QPointF(0.5, 0.5));
}

void stroke(CanvasArea *canvas, const PixelList &path, Qt::MouseButton button = Qt::LeftButton,
            Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    press(canvas, at(canvas, path.first()), button, modifiers);
    for (qsizetype i = 1; i < path.size(); ++i)
        move(canvas, at(canvas, path[i]), button, modifiers);
    release(canvas, at(canvas, path.last()), button, modifiers);
}

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

bool sameCursor(const QCursor &a, const QCursor &b)
{
    return a.shape() == b.shape() &&
           (a.shape() != Qt::BitmapCursor || a.pixmap().toImage() == b.pixmap().toImage());
}

} // namespace

class TestPenTools : public QObject
{
    Q_OBJECT

private slots:
    void clickPaintsOneDab_data();
    void clickPaintsOneDab();
    void pixelPerfectCorner_data();
    void pixelPerfectCorner();
    void pressureWidening_data();
    void pressureWidening();
    void textures_data();
    void textures();
    void shiftLines();
    void squareNibOnTurnedView_data();
    void squareNibOnTurnedView();
    void reloadForgetsStrokeAndConnectPoint();
    void symmetricCopies_data();
    void symmetricCopies();
    void eraser_data();
    void eraser();
    void altSamples_data();
    void altSamples();
    void randomStrokesKeepTheRules_data();
    void randomStrokesKeepTheRules();
};

void TestPenTools::clickPaintsOneDab_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("shape");
    QTest::addColumn<bool>("antialiased");
    QTest::addColumn<int>("color");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QRect>("dab");
    QTest::addColumn<int>("count");

    QTest::newRow("hires 1") << 0 << 1 << 0 << false << 1 << QPoint(100, 80) << QRect(100, 80, 1, 1)
                             << 1;
    // An odd round nib centres on the pixel: a 5 x 5 disc without its corners.
    QTest::newRow("hires round 5")
        << 0 << 5 << 0 << false << 1 << QPoint(100, 80) << QRect(98, 78, 5, 5) << 21;
    // Hires has no blends: anti-aliasing keeps the edges hard.
    QTest::newRow("hires round 5 anti-aliased")
        << 0 << 5 << 0 << true << 1 << QPoint(100, 80) << QRect(98, 78, 5, 5) << 21;
    // Multicolor: width 8 spans 4 double-wide pixels and 8 rows.
    QTest::newRow("multicolor square 8")
        << 1 << 8 << 1 << false << 1 << QPoint(80, 100) << QRect(78, 96, 4, 8) << 32;
    // Black on the black canvas changes nothing and records nothing.
    QTest::newRow("unchanged") << 0 << 5 << 0 << false << 0 << QPoint(100, 80) << QRect() << 0;
}

void TestPenTools::clickPaintsOneDab()
{
    QFETCH(int, mode);
    QFETCH(int, width);
    QFETCH(int, shape);
    QFETCH(bool, antialiased);
    QFETCH(int, color);
    QFETCH(QPoint, pixel);
    QFETCH(QRect, dab);
    QFETCH(int, count);

    CanvasFixture f(blankProject(mode));
    CanvasArea *canvas = f.canvas.get();
    canvas->setPenWidth(width);
    canvas->setBrushShape(BrushShape(shape));
    canvas->setAntialiasedStrokes(antialiased);
    canvas->setPenIndex(quint8(color));
    QSignalSpy history(canvas, &CanvasArea::historyChanged);
    const Colormap before = f.project.colormap();

    stroke(canvas, {pixel});
    const PixelList changed = changedPixels(before, f.project.colormap());
    QCOMPARE(boundsOf(changed), dab);
    QCOMPARE(changed.size(), count);
    for (QPoint p : changed)
        QCOMPARE(f.project.colormap().pixel(p.x(), p.y()), quint8(color));
    const int entries = count > 0 ? 1 : 0;
    QCOMPARE(f.project.history().nodeCount(), entries);
    QCOMPARE(history.count(), entries);
    if (entries)
        QCOMPARE(f.project.history().nodes().first().kind, HistoryEntryKind::Stroke);
    QVERIFY(!canvas->penStrokeInProgress());
    QCOMPARE(canvas->artworkImage(),
             artworkImage(f.project.colormap(), f.project.paletteVariant(), mode + 1));

    // The same dab again paints nothing new.
    stroke(canvas, {pixel});
    QCOMPARE(f.project.history().nodeCount(), entries);
}

void TestPenTools::pixelPerfectCorner_data()
{
    QTest::addColumn<bool>("pixelPerfect");
    QTest::addColumn<bool>("tabletStroke");
    QTest::addColumn<bool>("cornerPainted");

    QTest::newRow("pixel-perfect") << true << false << false;
    QTest::newRow("plain") << false << false << true;
    // A widening tablet stroke cannot stay one pixel thick: no filtering.
    QTest::newRow("pixel-perfect tablet") << true << true << true;
}

void TestPenTools::pixelPerfectCorner()
{
    QFETCH(bool, pixelPerfect);
    QFETCH(bool, tabletStroke);
    QFETCH(bool, cornerPainted);

    CanvasFixture f(blankProject(0));
    CanvasArea *canvas = f.canvas.get();
    canvas->setPixelPerfectStrokes(pixelPerfect);
    const QPoint start(60, 60), corner(61, 60), end(61, 61);
    if (tabletStroke)
        tablet(canvas, QEvent::TabletPress, start, 0.0); // no pressure: still width 1
    press(canvas, at(canvas, start));
    move(canvas, at(canvas, corner));
    if (pixelPerfect && !tabletStroke) {
        // Not decided yet: only the preview shows it.
        QCOMPARE(f.project.colormap().pixel(corner.x(), corner.y()), quint8(0));
        QCOMPARE(shown(canvas, corner), rgb(f.project, 1));
    }
    move(canvas, at(canvas, end));
    release(canvas, at(canvas, end));

    const Colormap &map = f.project.colormap();
    QCOMPARE(map.pixel(start.x(), start.y()), quint8(1));
    QCOMPARE(map.pixel(end.x(), end.y()), quint8(1));
    QCOMPARE(map.pixel(corner.x(), corner.y()), quint8(cornerPainted ? 1 : 0));
    QCOMPARE(f.project.history().nodeCount(), 1);
}

void TestPenTools::pressureWidening_data()
{
    QTest::addColumn<bool>("widening");
    QTest::addColumn<double>("pressure");
    QTest::addColumn<int>("dabWidth");

    // width 8 + 16 p², rounded
    QTest::newRow("full press") << true << 1.0 << 24;
    QTest::newRow("half press") << true << 0.5 << 12;
    QTest::newRow("light press") << true << 0.1 << 8;
    QTest::newRow("widening off") << false << 1.0 << 8;
}

void TestPenTools::pressureWidening()
{
    QFETCH(bool, widening);
    QFETCH(double, pressure);
    QFETCH(int, dabWidth);

    CanvasFixture f(blankProject(0));
    CanvasArea *canvas = f.canvas.get();
    canvas->setPenWidth(8);
    canvas->setPressureWidening(widening);
    const QPoint pixel(100, 100);
    // The tablet events come before the mouse events made of them.
    tablet(canvas, QEvent::TabletPress, pixel, pressure);
    press(canvas, at(canvas, pixel));
    tablet(canvas, QEvent::TabletRelease, pixel, 0.0);
    release(canvas, at(canvas, pixel));
    const Colormap afterTablet = f.project.colormap();
    QCOMPARE(boundsOf(changedPixels(Colormap(320, 200), afterTablet)).width(), dabWidth);

    // A mouse click afterwards paints the stored width.
    stroke(canvas, {QPoint(200, 100)});
    QCOMPARE(boundsOf(changedPixels(afterTablet, f.project.colormap())).width(), 8);
}

void TestPenTools::textures_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("textureMode");
    QTest::addColumn<QRect>("block");

    // Square nibs about the corner of pixel (16, 16) cover whole cells.
    QTest::newRow("hires two-colour") << 0 << 0 << QRect(8, 8, 16, 16);
    QTest::newRow("hires stencil") << 0 << 1 << QRect(8, 8, 16, 16);
    QTest::newRow("multicolor two-colour") << 1 << 0 << QRect(8, 0, 16, 32);
    QTest::newRow("multicolor stencil") << 1 << 1 << QRect(8, 0, 16, 32);
}

void TestPenTools::textures()
{
    QFETCH(int, mode);
    QFETCH(int, textureMode);
    QFETCH(QRect, block);

    CanvasFixture f(blankProject(mode));
    CanvasArea *canvas = f.canvas.get();
    canvas->setPenWidth(mode == 0 ? 16 : 32);
    canvas->setBrushShape(BrushShape::Square);
    std::array<quint16, Texture::Size> checks;
    for (int y = 0; y < Texture::Size; ++y)
        checks[size_t(y)] = y % 2 ? 0xAAAA : 0x5555;
    canvas->setTexture(Texture(checks));
    canvas->setTextureMode(TextureMode(textureMode));
    canvas->setSecondaryIndex(6);

    stroke(canvas, {QPoint(16, 16)});
    const Colormap &map = f.project.colormap();
    const quint8 clear = textureMode == int(TextureMode::TwoColor) ? 6 : 0;
    for (int y = 0; y < map.height(); ++y)
        for (int x = 0; x < map.width(); ++x) {
            const quint8 expected = !block.contains(x, y) ? 0 : (x + y) % 2 ? clear : 1;
            QVERIFY2(map.pixel(x, y) == expected, qPrintable(QString("%1,%2").arg(x).arg(y)));
        }
}

void TestPenTools::shiftLines()
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
    for (int x = a.x(); x <= b.x(); ++x)
        QCOMPARE(project.colormap().pixel(x, 50), quint8(1));

    // Undo takes the line back and with it the line's start.
    project.history().undo(project);
    canvas->refreshWholeImage();
    stroke(canvas, {c}, Qt::LeftButton, Qt::ShiftModifier);
    for (int y = a.y(); y <= c.y(); ++y)
        QCOMPARE(project.colormap().pixel(40, y), quint8(1));
    QCOMPARE(project.colormap().pixel(60, 50), quint8(0));

    // Shift with Ctrl paints a plain dab.
    stroke(canvas, {QPoint(100, 90)}, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    QCOMPARE(project.colormap().pixel(100, 90), quint8(1));
    QCOMPARE(project.colormap().pixel(70, 90), quint8(0));
}

void TestPenTools::squareNibOnTurnedView_data()
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

void TestPenTools::squareNibOnTurnedView()
{
    QFETCH(bool, ctrl);
    QFETCH(QPoint, covered);
    QFETCH(QPoint, bare);
    CanvasFixture f(blankProject(0));
    CanvasArea *canvas = f.canvas.get();
    f.project.view().setRotation(45.0);
    canvas->setPenWidth(5);
    canvas->setBrushShape(BrushShape::Square);
    stroke(canvas, {QPoint(100, 80)}, Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QCOMPARE(f.project.colormap().pixel(100, 80), quint8(1));
    QCOMPARE(f.project.colormap().pixel(covered.x(), covered.y()), quint8(1));
    QCOMPARE(f.project.colormap().pixel(bare.x(), bare.y()), quint8(0));
}

void TestPenTools::reloadForgetsStrokeAndConnectPoint()
{
    CanvasFixture f(blankProject(0));
    CanvasArea *canvas = f.canvas.get();
    // Black on black records nothing but leaves a pending connect point.
    canvas->setPenIndex(0);
    stroke(canvas, {QPoint(40, 50)});
    QCOMPARE(f.project.history().nodeCount(), 0);
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

void TestPenTools::symmetricCopies_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<PixelList>("expected");

    // Axes at the centre of 320 x 200: x' = 319 - x, y' = 199 - y.
    const QPoint p(150, 95);
    QTest::newRow("horizontal") << 1 << PixelList{p, {150, 104}};
    QTest::newRow("vertical") << 2 << PixelList{p, {169, 95}};
    QTest::newRow("quadrant") << 3 << PixelList{p, {169, 95}, {150, 104}, {169, 104}};
    // The diagonals swap the offsets (-9.5, -4.5) from the centre.
    QTest::newRow("bi-quadrant") << 4 << PixelList{{155, 90},  {164, 90},  p,          {169, 95},
                                                   {150, 104}, {169, 104}, {155, 109}, {164, 109}};
}

void TestPenTools::symmetricCopies()
{
    QFETCH(int, mode);
    QFETCH(PixelList, expected);

    CanvasFixture f(blankProject(0));
    f.canvas->setSymmetryMode(mode);
    const Colormap first = f.project.colormap();
    stroke(f.canvas.get(), {QPoint(150, 95)});
    QCOMPARE(changedPixels(first, f.project.colormap()), expected);
    QCOMPARE(f.project.history().nodeCount(), 1);
    // One undo takes every copy back.
    f.project.history().undo(f.project);
    QCOMPARE(f.project.colormap(), first);
}

void TestPenTools::eraser_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("right");
    QTest::addColumn<bool>("switchMidStroke");
    QTest::addColumn<int>("blank");

    // Hires erases to the secondary colour (2), multicolor to the
    // background (6), whatever the button.
    QTest::newRow("hires left") << 0 << false << false << 2;
    QTest::newRow("hires right") << 0 << true << false << 2;
    QTest::newRow("multicolor left") << 1 << false << false << 6;
    QTest::newRow("multicolor right") << 1 << true << false << 6;
    // A shortcut switching tools mid-stroke lets the stroke finish.
    QTest::newRow("switched to the eyedropper") << 0 << false << true << 2;
}

void TestPenTools::eraser()
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
    for (int x = 20; x <= 26; ++x)
        QCOMPARE(f.project.colormap().pixel(x, 20), quint8(blank));
    QCOMPARE(f.project.colormap().pixel(20, 21), quint8(1));
    QCOMPARE(f.project.history().nodeCount(), 1);
    QCOMPARE(canvas->penIndex(), quint8(5)); // nothing sampled

    // Back on the pen, it paints its own colour.
    canvas->setEyedropperTool(false);
    canvas->setEraserTool(false);
    stroke(canvas, {QPoint(20, 30)});
    QCOMPARE(f.project.colormap().pixel(20, 30), quint8(5));
}

void TestPenTools::altSamples_data()
{
    QTest::addColumn<bool>("eraser");
    QTest::addColumn<bool>("right");

    QTest::newRow("pen left") << false << false;
    QTest::newRow("pen right") << false << true;
    QTest::newRow("eraser left") << true << false;
}

void TestPenTools::altSamples()
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
    QVERIFY(sameCursor(c->cursor(), own));
    release(c, at(c, QPoint(42, 40)), Qt::LeftButton, Qt::AltModifier);
    QVERIFY(sameCursor(c->cursor(), picker));
}

void TestPenTools::randomStrokesKeepTheRules_data()
{
    addSeedRows("KORVEN_PEN_SEEDS", 24, 40503u);
}

void TestPenTools::randomStrokesKeepTheRules()
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
    start.setSpriteCountPolicy(chance(75) ? SpriteCountPolicy::Enforce : SpriteCountPolicy::Flag);
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
        canvas->setTexture(chance(50) ? Texture::solid() : textures[below(int(textures.size()))]);
        canvas->setTextureMode(chance(50) ? TextureMode::TwoColor : TextureMode::Stencil);
        canvas->setSymmetryMode(chance(40) ? 0 : 1 + below(5));
        canvas->setSymmetryAxes({below(2 * project.height() + 1), below(2 * project.width() + 1)});
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
        QVERIFY2(showsDocument(), qPrintable(QStringLiteral("stroke %1: stale artwork").arg(s)));
        if (stylus)
            tablet(canvas, QEvent::TabletRelease, p, 0.0);
        release(canvas, at(canvas, p), button, modifiers);

        const QString where = QStringLiteral("stroke %1").arg(s);
        QVERIFY2(!canvas->penStrokeInProgress(), qPrintable(where));
        QVERIFY2(!canvasHasClash(rules, project.colormap()), qPrintable(where + ": clash"));
        for (const QRect &r : locked)
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    QVERIFY2(project.colormap().pixel(x, y) == border,
                             qPrintable(where + ": locked pixel painted"));
        if (project.spriteCountPolicy() == SpriteCountPolicy::Enforce) {
            QVERIFY2(!opensColumnOverBudget(occupiedBefore, borderOccupancyOf(project)),
                     qPrintable(where + ": a ninth sprite column was opened"));
        }
        QVERIFY2(showsDocument(), qPrintable(where + ": stale artwork"));
    }

    QVERIFY(project.history().nodeCount() > 0);
    while (project.history().canUndo())
        project.history().undo(project);
    QCOMPARE(project.colormap(), first);
}

QTEST_MAIN(TestPenTools)
#include "tst_pentools.moc"
