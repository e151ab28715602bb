// The view rules a user feels: zoom steps and their guards, the wheel, best
// fit and fit mode, rotation drags, arrow pans and the widget-to-canvas map;
// what the canvas paints, checked pixel by pixel on grabs of the widget and
// on the export image; and the routing of pointer and key input to the
// tools: clicks against drags, the pen fallback, tool switching, the
// eyedropper, the axes tool and cursors.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

#include "canvas/eyedroppertool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"
#include "document/geometry.h"

#include <QPainter>
#include <QSignalSpy>
#include <cmath>

namespace
{

QPointF centreOf(const QWidget *w)
{
    return QPointF(w->width() / 2.0, w->height() / 2.0);
}

// Zoom 4 with the canvas origin at the widget origin: pixel (x, y) spans
// widget x 4x .. 4x + 3.
struct Fixture : CanvasFixture {
    explicit Fixture(QSize size = QSize(832, 602)) : CanvasFixture(Project(CanvasMode::Hires), size)
    {
        project.view().setZoom(4.0);
        project.view().setOffset(QPointF(0, 0));
        pen = installRecordingPen();
    }
    QPointF at(int x, int y) const { return ::at(c, {x, y}); }
    RecordingTool *pen = nullptr;
};

QColor pal(int index)
{
    return QColor::fromRgb(paletteRgb(0, index));
}

// A colour blended over black with the given alpha, as the raster engine does.
int overBlack(int channel, int alpha)
{
    return (channel * alpha + 127) / 255;
}

const QColor PixelGrid(overBlack(64, 128), overBlack(64, 128), overBlack(64, 128));

bool closeTo(QColor actual, QColor expected)
{
    return std::abs(actual.red() - expected.red()) <= 1 &&
           std::abs(actual.green() - expected.green()) <= 1 &&
           std::abs(actual.blue() - expected.blue()) <= 1;
}

// The colours at the given points, to compare with a list in one go.
QList<QColor> colorsAt(const QImage &image, const QList<QPoint> &points)
{
    QList<QColor> list;
    for (QPoint p : points)
        list << image.pixelColor(p);
    return list;
}

// 900 x 602 at best fit puts any framed one-screen canvas at zoom 2, the
// frame's 416 x 301 pixels filling 832 x 602 from x = 34; a bitmap-only
// canvas starts at (130, 102).
constexpr QSize Widget(900, 602);

QImage grabbed(const CanvasFixture &f)
{
    return f.canvas->grab().toImage();
}

} // namespace

class TestCanvasView : public QObject
{
    Q_OBJECT

private slots:
    void viewActions_data() { addTextRows("canvas/canvasview.txt", "view"); }
    void viewActions()
    {
        QFETCH(QStringList, row);
        const QString act = row[0];
        const QList<int> size = intsOf(row[10]), widget = intsOf(row[11]);
        LayoutSpec spec;
        spec.layout = CanvasLayout(row[8].toInt());
        CanvasFixture f(Project(CanvasMode(row[5].toInt()), size.value(0, -1), size.value(1, -1),
                                spec, row[9].toInt()),
                        QSize(widget[0], widget[1]));
        ViewTransform &view = f.project.view();
        view.setRotation(row[6].toDouble());
        view.setDisplayAspect(row[7].toDouble());
        view.setZoom(row[1].toDouble());
        view.setOffset(QPointF(13, 7));
        const QPointF centre = centreOf(f.c), canvasAtCentre = view.toCanvas(centre);
        const QPointF point = pointFOf(row[4]);
        const Qt::Key key = act == u"up" ? Qt::Key_Up : Qt::Key_Right;
        const bool fit = row[3] == u'1', arrow = act == u"up" || act == u"right";
        QSignalSpy status(f.c, &CanvasArea::statusChanged);
        act == u"in"    ? f.c->zoomIn()
        : act == u"out" ? f.c->zoomOut()
        : act == u"fit" ? f.c->zoomBestFit()
                        : QTest::keyClick(f.c, key);
        QVERIFY(qFuzzyCompare(view.zoom(), row[2].toDouble()));
        QCOMPARE(f.c->isFitMode(), fit);
        if (act == u"fit") {
            QVERIFY(near(view.toWidget(point), centre));
        } else if (arrow) {
            QVERIFY(near(view.offset() - QPointF(13, 7), point, 1e-9));
            // With a modifier the arrow is left to others.
            QTest::keyClick(f.c, key, Qt::ControlModifier);
            QVERIFY(near(view.offset() - QPointF(13, 7), point, 1e-9));
        } else {
            QCOMPARE(status.count(), fit ? 0 : 1);
            QVERIFY(near(view.toWidget(canvasAtCentre), centre));
        }
    }

    void wheelZoom()
    {
        CanvasFixture f(Project(CanvasMode::Multicolor));
        ViewTransform &view = f.project.view();
        view.setZoom(2.0);
        // Wheel zooms keep the point under the pointer in place; inverted, up
        // zooms out; a zero delta is left to others.
        const QPointF pointer(250, 170);
        const QPointF under = view.toCanvas(pointer);
        QVERIFY(sendWheel(f.c, pointer, 120));
        QCOMPARE(view.zoom(), 3.0);
        QVERIFY(near(view.toWidget(under), pointer));
        f.canvas->setInvertWheel(true);
        sendWheel(f.c, pointer, 120);
        QCOMPARE(view.zoom(), 2.0);
        QVERIFY(!sendWheel(f.c, pointer, 0));
        // Bound to the canvas, a zoom over the border keeps the nearest canvas
        // edge point in place: (0, 50), left of the pointer at canvas (-50, 50).
        view.setOffset(QPointF(200, 100));
        f.canvas->setBindZoomToCanvas(true);
        sendWheel(f.c, QPointF(100, 200), -120);
        QCOMPARE(view.zoom(), 3.0);
        QVERIFY(near(view.toWidget(QPointF(0, 50)), QPointF(200, 200)));
    }

    void fitModeAndActualSize()
    {
        CanvasFixture f(Project(CanvasMode::Multicolor));
        ViewTransform &view = f.project.view();
        QVERIFY(f.canvas->isFitMode());
        f.canvas->resize(1664, 1204);
        QCOMPARE(view.zoom(), 4.0);
        f.canvas->setDisplayPixelAspect(0.75);
        QCOMPARE(view.zoom(), 3.0);
        view.setRotation(45.0);
        f.canvas->resetRotationAndBestFit();
        QCOMPARE(view.rotation(), 0.0);
        // Any zoom ends fit mode: resizes and aspect changes no longer refit.
        const QPointF centre = centreOf(f.c);
        const QPointF canvasAtCentre = view.toCanvas(centre);
        f.canvas->zoomActualSize();
        QCOMPARE(view.zoom(), 1.0);
        QVERIFY(!f.canvas->isFitMode());
        QVERIFY(near(view.toWidget(canvasAtCentre), centre));
        f.canvas->resize(832, 602);
        f.canvas->setDisplayPixelAspect(1.0);
        QCOMPARE(view.zoom(), 1.0);
        // One multicolor pixel is two screen pixels wide at actual size.
        QVERIFY(
            near(view.toWidget(QPointF(11, 11)) - view.toWidget(QPointF(10, 10)), QPointF(2, 1)));
    }

    void rotationDrag()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        RecordingTool *pen = f.installRecordingPen();
        const QPointF centre = centreOf(f.c);
        QTest::keyPress(f.c, Qt::Key_R);
        // Start, drag, Shift, the rotation after: free, snapped to 22.5
        // degrees from the start's angle plus the drag, wrapped past 180.
        using R = std::tuple<double, double, bool, double>;
        for (auto [start, drag, shift, expected] :
             {R{0, 30, false, 30}, R{0, 30, true, 22.5}, R{10, 5, true, 22.5},
              R{170, 20, false, -170}, R{170, 12, true, -180}}) {
            f.project.view().setRotation(start);
            const QPointF canvasAtCentre = f.project.view().toCanvas(centre);
            press(f.c, centre + QPointF(100, 0));
            QVERIFY(f.c->isRotating());
            const double t = drag * M_PI / 180.0;
            const QPointF to = centre + QPointF(100 * std::cos(t), 100 * std::sin(t));
            move(f.c, to, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier);
            release(f.c, to);
            QVERIFY2(std::abs(f.project.view().rotation() - expected) < 1e-9,
                     qPrintable(QString::number(f.project.view().rotation())));
            QVERIFY(!f.c->isRotating() && !f.c->isFitMode());
            QVERIFY(near(f.project.view().toWidget(canvasAtCentre), centre));
        }
        // The gesture never reaches the tool.
        QVERIFY(pen->calls.isEmpty());
        // A press on the centre starts from (1, 0); moves too close to it are ignored.
        f.project.view().setRotation(0.0);
        press(f.c, centre);
        move(f.c, centre + QPointF(0.3, 0.4));
        QCOMPARE(f.project.view().rotation(), 0.0);
        move(f.c, centre + QPointF(0, 50));
        QVERIFY(std::abs(f.project.view().rotation() - 90.0) < 1e-9);
        release(f.c, centre + QPointF(0, 50));
    }

    void rotationNormalised()
    {
        QList<double> normalised;
        for (const double degrees : {1e-20, 180.0, -180.0, 719.5, qQNaN()}) {
            ViewTransform view;
            view.setRotation(degrees);
            normalised << view.rotation();
        }
        QCOMPARE(normalised, (QList<double>{1e-20, -180.0, -180.0, -0.5, 0.0}));
    }

    void canvasPixelMapping()
    {
        // Zoom 4 on a multicolor canvas with NTSC pixels: one colormap pixel is
        // 8 screen pixels wide and 4 / 0.75 tall.
        CanvasFixture f(Project(CanvasMode::Multicolor));
        ViewTransform &view = f.project.view();
        view.setZoom(4.0);
        view.setDisplayAspect(0.75);
        view.setOffset(QPointF(10, 20));
        QCOMPARE(f.canvas->canvasPixelAt(QPointF(38, 49.3)), QPoint(3, 5));
        QCOMPARE(f.canvas->canvasPixelAt(QPointF(9, 19)), QPoint(-1, -1));
        view.setRotation(90.0);
        view.setOffset(QPointF(500, 100));
        move(f.c, QPointF(470.6, 128), Qt::NoButton);
        QVERIFY(f.canvas->isHoverValid());
        QCOMPARE(f.canvas->hoverPixel(), QPoint(3, 5));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(f.c, &leave);
        QVERIFY(!f.canvas->isHoverValid());
    }

    void dragPanGestures()
    {
        // The middle button, Space with the left button, and the pan tool.
        for (int gesture = 0; gesture < 3; ++gesture) {
            CanvasFixture f(Project(CanvasMode::Hires));
            RecordingTool *pen = f.installRecordingPen();
            f.c->setPanTool(gesture == 2);
            if (gesture == 1)
                QTest::keyPress(f.c, Qt::Key_Space);
            const Qt::MouseButton b = gesture == 0 ? Qt::MiddleButton : Qt::LeftButton;
            const QPointF before = f.project.view().offset();
            press(f.c, QPointF(100, 100), b);
            QVERIFY(f.c->isPanning());
            move(f.c, QPointF(120, 95), b);
            move(f.c, QPointF(130, 90), b);
            release(f.c, QPointF(130, 90), b);
            QVERIFY(near(f.project.view().offset() - before, QPointF(30, -10)));
            QVERIFY(!f.c->isPanning() && !f.c->isFitMode() && pen->calls.isEmpty());
        }
    }
    void clickOrRelease()
    {
        // Press, moves, release: a click, a jitter inside the pixel, a wander
        // off and back.
        const std::pair<QList<QPoint>, QStringList> rows[] = {
            {{{5, 5}}, {"pressed", "clicked"}},
            {{{5, 5}, {5, 5}}, {"pressed", "dragged", "clicked"}},
            {{{5, 5}, {6, 5}, {5, 5}}, {"pressed", "dragged", "dragged", "released"}}};
        for (const auto &[path, calls] : rows) {
            Fixture f;
            stroke(f.c, path);
            QCOMPARE(f.pen->calls, calls);
            QCOMPARE(f.pen->events.last().pixel, path.last());
            QCOMPARE(f.pen->events.last().moved, calls.last() == "released");
            QCOMPARE(f.pen->pressedButton(), Qt::NoButton);
            // The next press starts unmoved, whatever this one did.
            press(f.c, f.at(0, 0));
            QVERIFY(!f.pen->events.last().moved);
        }
    }
    void duringPress()
    {
        // While the right button paints, a release of another button ends
        // nothing, moves without the pressed button held are not drags, and
        // the rotation cannot be reset.
        Fixture f;
        f.project.view().setRotation(30.0);
        press(f.c, f.at(2, 2), Qt::RightButton);
        QCOMPARE(f.pen->events.first().button, Qt::RightButton);
        release(f.c, f.at(3, 2), Qt::LeftButton);
        move(f.c, f.at(4, 2), Qt::LeftButton);
        QCOMPARE(f.pen->calls, QStringList{"pressed"});
        QTest::keyPress(f.c, Qt::Key_R);
        f.c->resetRotation();
        move(f.c, f.at(4, 2), Qt::RightButton);
        release(f.c, f.at(4, 2), Qt::RightButton);
        QCOMPARE(f.pen->calls, (QStringList{"pressed", "dragged", "released"}));
        QCOMPARE(f.project.view().rotation(), 30.0);
        QTest::keyRelease(f.c, Qt::Key_R);
        f.c->resetRotation();
        QCOMPARE(f.project.view().rotation(), 0.0);
    }
    void switchingToolsMidPress()
    {
        Fixture f(QSize(1400, 900));
        f.project.colormap().setPixel(9, 9, 7);
        f.project.colormap().setPixel(6, 6, 9);
        f.paint.setSymmetryMode(int(SymmetryMode::BiQuadrant));
        // A shortcut picks Move Axes while a stroke runs and a second button
        // joins in: the axes tool sees none of it, the (stand-in) pen all.
        press(f.c, f.at(1, 1));
        f.c->setSymmetryAxesTool(true);
        press(f.c, f.at(20, 20), Qt::RightButton);
        move(f.c, f.at(40, 30), Qt::LeftButton | Qt::RightButton);
        release(f.c, f.at(40, 30), Qt::RightButton);
        QCOMPARE(f.paint.symmetryAxes(), (SymmetryAxes{200, 320}));
        QCOMPARE(f.pen->calls, (QStringList{"pressed", "pressed", "dragged", "released"}));
        QVERIFY(!f.c->penStrokeInProgress());
        // Picking the eyedropper twice, or switching off the pan tool that is
        // not active, leaves the eyedropper on: the next press is its own.
        // Switching back to the pen while it samples stops it, and no stroke
        // starts until a new press.
        f.c->setEyedropperTool(true);
        f.c->setEyedropperTool(true);
        f.c->setPanTool(false);
        press(f.c, f.at(9, 9));
        QCOMPARE(f.paint.penIndex(), quint8(7));
        f.c->setEyedropperTool(false);
        QVERIFY(!f.c->eyedropperTool()->isSampling());
        move(f.c, f.at(6, 6));
        release(f.c, f.at(6, 6));
        stroke(f.c, {QPoint(2, 2)});
        QCOMPARE(f.paint.penIndex(), quint8(7));
        QCOMPARE(f.pen->calls.mid(4), (QStringList{"activate", "pressed", "clicked"}));
    }
    void eyedropperSampling()
    {
        Fixture f;
        f.project.colormap().fillRect(QRect(2, 2, 2, 1), 5);
        f.project.colormap().setPixel(4, 2, 12);
        f.c->setEyedropperTool(true);
        // The left button sets the primary colour, the right the secondary.
        stroke(f.c, {QPoint(2, 2)});
        QSignalSpy spy(&f.paint, &PaintSettings::penColorsChanged);
        press(f.c, f.at(2, 2), Qt::RightButton);
        QCOMPARE(f.paint.secondaryIndex(), quint8(5));
        // Dragging keeps sampling, an unchanged colour signals nothing, and
        // outside the canvas nothing is read.
        for (QPointF p : {f.at(3, 2), f.at(4, 2), QPointF(-20, -20)})
            move(f.c, p, Qt::RightButton);
        release(f.c, QPointF(-20, -20), Qt::RightButton);
        QCOMPARE(spy.count(), 2);
        QCOMPARE((QList<quint8>{f.paint.penIndex(), f.paint.secondaryIndex()}),
                 (QList<quint8>{5, 12}));
        QVERIFY(f.pen->calls.isEmpty());
    }
    void symmetryAxesDrag()
    {
        // Hires 320 x 200 at zoom 4 from the widget origin; the axes start at
        // row 200 (y 100, widget 400) and column 320 (x 160, widget 640).
        // Mode, press, release, the axes after: a horizontal axis just within
        // reach and just missed, a quadrant's one axis and both, a bi-quadrant
        // moved by the drag from anywhere, and the kaleidoscope's clamped.
        const std::tuple<int, QPointF, QPointF, SymmetryAxes> rows[] = {
            {1, {100, 406}, {100, 202}, {101, 320}}, {1, {100, 407}, {100, 201}, {200, 320}},
            {3, {638, 100}, {702, 300}, {200, 351}}, {3, {642, 403}, {102, 203}, {100, 50}},
            {4, {100, 100}, {120, 60}, {180, 330}},  {5, {100, 100}, {5000, -5000}, {0, 640}}};
        Fixture f(QSize(1400, 900));
        f.c->setSymmetryAxesTool(true);
        for (auto [mode, pressAt, releaseAt, axes] : rows) {
            f.paint.setSymmetryMode(mode);
            drag(f.c, {pressAt, (pressAt + releaseAt) / 2, releaseAt});
            QCOMPARE(f.paint.symmetryAxes(), axes);
            f.paint.resetSymmetryAxes();
            QCOMPARE(f.paint.symmetryAxes(), (SymmetryAxes{200, 320}));
        }
        QVERIFY(f.pen->calls.isEmpty());
        QCOMPARE(f.project.history().nodeCount(), 0);
    }
    void heldKeysAndCursors()
    {
        // The Alt dropper over the pen is pinned with the real pen; here the
        // keys, the tools and the axes that bring their own cursors.
        Fixture f(QSize(1400, 900));
        for (auto [key, kind] : {std::pair{Qt::Key_Space, ToolCursors::Pan},
                                 std::pair{Qt::Key_R, ToolCursors::Rotate}}) {
            QTest::keyPress(f.c, key);
            QVERIFY(showsCursor(f.c, kind));
            QTest::keyRelease(f.c, key);
            QVERIFY(showsCursor(f.c, ToolCursors::Pen));
        }
        f.c->setEyedropperTool(true);
        QVERIFY(showsCursor(f.c, ToolCursors::Picker));
        f.c->setPanTool(true);
        QVERIFY(showsCursor(f.c, ToolCursors::Pan));
        f.paint.setSymmetryMode(int(SymmetryMode::Quadrant));
        f.c->setSymmetryAxesTool(true);
        using H = std::pair<QPointF, Qt::CursorShape>;
        for (auto [pos, shape] :
             {H{{100, 402}, Qt::SplitVCursor}, H{{643, 100}, Qt::SplitHCursor},
              H{{641, 398}, Qt::SizeAllCursor}, H{{300, 300}, Qt::ArrowCursor}}) {
            move(f.c, pos, Qt::NoButton);
            QCOMPARE(f.c->cursor().shape(), shape);
        }
        // Space keeps its own cursor over an axis.
        QTest::keyPress(f.c, Qt::Key_Space);
        move(f.c, QPointF(100, 402), Qt::NoButton);
        QVERIFY(showsCursor(f.c, ToolCursors::Pan));
        // None mode grabs nothing, even on the axis.
        f.paint.setSymmetryMode(int(SymmetryMode::None));
        QCOMPARE(f.c->symmetryTool()->hitTest(QPointF(641, 398)), SymmetryTool::Hit::None);
        // Z toggles the lighter grids, Ctrl+Z is left to undo; C shows the
        // swap preview while held.
        QTest::keyClick(f.c, Qt::Key_Z);
        QTest::keyClick(f.c, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.c->lighterGrids());
        QTest::keyClick(f.c, Qt::Key_Z);
        QVERIFY(!f.c->lighterGrids());
        QTest::keyPress(f.c, Qt::Key_C);
        QVERIFY(f.c->isSwapPreview());
        QTest::keyRelease(f.c, Qt::Key_C);
        QVERIFY(!f.c->isSwapPreview());
    }
    void cursorImages()
    {
        // Every cursor loads its image, its hot spot on it.
        for (int kind = ToolCursors::Pen; kind <= ToolCursors::PanGrabbing; ++kind) {
            const QCursor cursor = ToolCursors::cursor(ToolCursors::Kind(kind));
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            QVERIFY(cursor.pixmap().rect().contains(cursor.hotSpot()));
        }
        QCOMPARE(ToolCursors::cursor(ToolCursors::Pen).hotSpot(), QPoint(3, 20));
        QTest::ignoreMessage(QtWarningMsg, "ToolCursors: :/cursors/none.png did not load; falling "
                                           "back to the arrow cursor");
        QCOMPARE(ToolCursors::load(":/cursors/none.png", QPoint(1, 1)).shape(), Qt::ArrowCursor);
    }
    void screenAndExport_data() { addTextRows("canvas/canvasrender.txt", "frame"); }
    void screenAndExport()
    {
        QFETCH(QStringList, row);
        const int layout = row[1].toInt(), across = row[3].toInt(), frame = row[4].toInt();
        Project project(CanvasMode(row[0].toInt()), -1, -1, {CanvasLayout(layout)});
        project.setSlot(ColorSlot::Border, 6);
        project.setSlot(ColorSlot::Background, 5);
        project.setSlot(ColorSlot::TopBackground, 3);
        project.setSlot(ColorSlot::BottomBackground, 8);
        project.colormap().fill(0);
        if (layout == 2) { // empty strips: no sprite flags
            project.colormap().fillRect(QRect(0, 0, 320, 42), 3);
            project.colormap().fillRect(QRect(0, 242, 320, 42), 8);
        }
        project.colormap().setPixel(60, 100, 2);
        project.colormap().setPixel(61, 100, 7);
        CanvasFixture f(std::move(project), Widget);
        f.canvas->refreshWholeImage();
        const QImage framed = f.canvas->exportImage(true);
        QCOMPARE(framed.size(), QSize(416, 301));
        QCOMPARE(framed.format(), QImage::Format_RGB32);
        const QPoint o = pointOf(row[2]), a(across, 0), p = o + QPoint(60 * across, 100);
        QCOMPARE(colorsAt(framed, {p - QPoint(1, 0), p, p + a - QPoint(1, 0), p + a}),
                 (QList<QColor>{pal(0), pal(2), pal(2), pal(7)}));
        // Above and below a top/bottom canvas the open border shows the strip
        // backgrounds between the side borders; the side canvas fills the
        // frame's width, elsewhere the left margin is frame.
        const bool bands = layout == 2;
        const QPoint side = layout == 1 ? QPoint(208, 10) : QPoint(0, 150);
        QCOMPARE(colorsAt(framed, {{208, 0}, {208, 300}, {47, 0}, {368, 300}, side}),
                 (QList<QColor>{pal(bands ? 3 : frame), pal(bands ? 8 : frame), pal(frame),
                                pal(frame), pal(frame)}));
        // A workstage frame brings its own border colour.
        QCOMPARE(f.canvas->exportImage(true, 13).pixelColor(side), pal(13));
        // Without borders the export is the canvas part of the framed one.
        const QImage bare = f.canvas->exportImage(false);
        QCOMPARE(bare, framed.copy(QRect(o, bare.size())));
        // The screen shows the framed picture at zoom 2 on the grey backdrop,
        // with the outline on the screen pixels just outside the canvas.
        const QImage screen = grabbed(f).convertToFormat(QImage::Format_RGB32);
        QImage expected = framed.scaled(832, 602);
        const QRect edge(2 * o.x() - 1, 2 * o.y() - 1, 2 * bare.width() + 2, 2 * bare.height() + 2);
        for (int y = edge.top(); y <= edge.bottom(); ++y)
            for (int x = edge.left(); x <= edge.right(); ++x)
                if (expected.valid(x, y) && (x == edge.left() || x == edge.right() ||
                                             y == edge.top() || y == edge.bottom()))
                    expected.setPixelColor(x, y, CanvasArea::outlineColor());
        QCOMPARE(screen.copy(34, 0, 832, 602), expected);
        QCOMPARE(colorsAt(screen, {{10, 300}, {890, 300}}),
                 (QList<QColor>{QColor(48, 48, 48), QColor(48, 48, 48)}));
    }
    void referenceGridAndSymmetryGuide()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        f.canvas->setGridVisible(true);
        // The cell boundaries x = 8 and y = 16 are one screen pixel wide at
        // zoom 2; no line inside a cell.
        const QColor line(96, 96, 96);
        const QList<QPoint> probes{{146, 108}, {145, 108}, {147, 108}, {139, 134}, {140, 112}};
        QCOMPARE(colorsAt(grabbed(f), probes), (QList<QColor>{line, pal(0), pal(0), line, pal(0)}));
        f.canvas->setLighterGrids(true);
        QCOMPARE(grabbed(f).pixelColor(146, 108), QColor(147, 147, 147));
        // The horizontal symmetry axis sits at y = 100, green, yellow for the
        // kaleidoscope.
        f.paint.setSymmetryMode(int(SymmetryMode::Horizontal));
        QCOMPARE(colorsAt(grabbed(f), {{300, 302}, {300, 304}}),
                 (QList<QColor>{QColor(0, 255, 0), pal(0)}));
        f.paint.setSymmetryMode(int(SymmetryMode::Kaleidoscope));
        QCOMPARE(grabbed(f).pixelColor(300, 302), QColor(255, 255, 0));
    }
    void pixelGrid()
    {
        CanvasFixture f(Project(CanvasMode::Hires), Widget);
        ViewTransform &view = f.project.view();
        view.setZoom(3.99);
        view.setOffset(QPointF(0, 0));
        f.canvas->setPixelGridVisible(true);
        QImage image = grabbed(f);
        for (int x = 0; x < 40; ++x)
            QCOMPARE(image.pixelColor(x, 10), pal(0));
        // From zoom 4, on a quarter turn: canvas (x, y) shows at widget
        // (800 - 4y, 4x); the column boundary x = 3 runs across the screen at
        // y = 12, the row boundary y = 2 down the screen at x = 792.
        view.setZoom(4.0);
        view.setRotation(90.0);
        view.setOffset(QPointF(800, 0));
        image = grabbed(f);
        QVERIFY(closeTo(image.pixelColor(790, 12), PixelGrid));
        QVERIFY(closeTo(image.pixelColor(792, 30), PixelGrid));
        QCOMPARE(colorsAt(image, {{790, 13}, {793, 30}}), (QList<QColor>{pal(0), pal(0)}));
        // Turned off the axes the lines are still drawn: some pixel of a short
        // stretch across the artwork carries the grid colour, the rest black.
        view.setRotation(30.0);
        view.setOffset(QPointF(400, 100));
        image = grabbed(f);
        int lineHits = 0;
        for (int x = 380; x < 420; ++x) {
            const QColor c = image.pixelColor(x, 200);
            QVERIFY(c == pal(0) || closeTo(c, PixelGrid));
            lineHits += c != pal(0);
        }
        QVERIFY(lineHits >= 4 && lineHits <= 20);
    }
    void safeFrames()
    {
        CanvasFixture f(Project(CanvasMode::Hires, -1, -1, {CanvasLayout::SideBorderSprites}),
                        Widget);
        // At whole and fractional zooms and offsets, upright or turned, the
        // frames (placed by tst_geometry) cover the pixels of a one-pixel
        // cosmetic outline through the view.
        using View = std::tuple<double, QPointF, double>;
        for (const auto &[zoom, offset, turn] :
             {View{2, {34, 102}, 0}, View{1.37, {61.3, 40.6}, 0}, View{0.91, {120.5, 99.25}, 0},
              View{1.21, {180.5, 20}, 30}, View{0.8, {90, 260}, -67.5}}) {
            f.project.view().setZoom(zoom);
            f.project.view().setOffset(offset);
            f.project.view().setRotation(turn);
            f.canvas->setSafeFramesVisible(false);
            QImage expected = grabbed(f).convertToFormat(QImage::Format_RGB32);
            const SafeFrames frames =
                ::safeFrames(f.project.mode(), f.project.size(), f.project.layoutSpec());
            QPainter painter(&expected);
            painter.setWorldTransform(f.project.view().widgetFromCanvas());
            for (const auto &[rect, color] : {std::pair{frames.full, QColor(255, 191, 0, 102)},
                                              std::pair{frames.normal, QColor(0, 255, 0, 102)}}) {
                QPen pen(color, 1);
                pen.setCosmetic(true);
                painter.setPen(pen);
                painter.drawRect(QRectF(rect));
            }
            painter.end();
            f.canvas->setSafeFramesVisible(true);
            QCOMPARE(grabbed(f).convertToFormat(QImage::Format_RGB32), expected);
        }
        // Bitmap-only canvases have no safe frames.
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        plain.canvas->setSafeFramesVisible(true);
        QCOMPARE(grabbed(plain).pixelColor(98, 300), pal(0));
    }
    void redSpriteFlags()
    {
        // Two free colours in sprite column 0 of the top border, or of the
        // side border (a flip can leave one), break its colour limit; a
        // bitmap canvas draws no flags, whatever the pixels.
        CanvasFixture f(Project(CanvasMode::Hires, -1, -1, {CanvasLayout::TopBottomBorderSprites}),
                        Widget);
        CanvasFixture side(Project(CanvasMode::Hires, -1, -1, {CanvasLayout::SideBorderSprites}),
                           Widget);
        CanvasFixture plain(Project(CanvasMode::Hires), Widget);
        const QColor red(255, 0, 0);
        const auto redPixels = [](const CanvasFixture *x) {
            const QImage image = grabbed(*x).convertToFormat(QImage::Format_RGB32);
            const auto *pixels = reinterpret_cast<const QRgb *>(image.constBits());
            return std::count(pixels, pixels + image.width() * image.height(), qRgb(255, 0, 0));
        };
        for (CanvasFixture *x : {&f, &side, &plain}) {
            x->project.colormap().setPixel(5, 5, 2);
            x->project.colormap().setPixel(6, 5, 5);
            x->canvas->refreshWholeImage();
        }
        // The outline of unit (0, 0)-(23, 41) from the origin (130, 18): left
        // edge x = 0, right edge x = 24.
        QCOMPARE(colorsAt(grabbed(f), {{130, 58}, {178, 58}, {150, 102}, {226, 58}}),
                 (QList<QColor>{red, red, red, pal(0)}));
        QVERIFY(redPixels(&side) > 0);
        QCOMPARE(redPixels(&plain), 0);
        // Repairing the column clears the flag on the next repaint.
        for (CanvasFixture *x : {&f, &side}) {
            x->project.colormap().setPixel(6, 5, 2);
            x->canvas->refreshImageRegion(QRect(6, 5, 1, 1));
            QCOMPARE(redPixels(x), 0);
        }
    }
};

QTEST_MAIN(TestCanvasView)
#include "tst_canvasview.moc"
