// The view rules a user feels: zoom steps and their guards, the wheel, best
// fit and fit mode, rotation drags, arrow pans and the widget-to-canvas map;
// and the routing of pointer and key input to the tools: clicks against
// drags, the pen fallback, tool switching, the eyedropper, the axes tool and
// cursors.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

#include "canvas/eyedroppertool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"
#include "document/geometry.h"

#include <QSignalSpy>
#include <QWheelEvent>
#include <cmath>

namespace
{

bool sendWheel(QWidget *w, QPointF pos, int delta)
{
    QWheelEvent event(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    event.setAccepted(false);
    QApplication::sendEvent(w, &event);
    return event.isAccepted();
}

bool near(QPointF a, QPointF b, double eps = 1e-6)
{
    return std::abs(a.x() - b.x()) < eps && std::abs(a.y() - b.y()) < eps;
}

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

const QStringList PressDragRelease{"pressed", "dragged", "released"};

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
        const std::pair<double, double> rows[] = {
            {1e-20, 1e-20}, {180.0, -180.0}, {-180.0, -180.0}, {719.5, -0.5}, {qQNaN(), 0.0}};
        for (auto [degrees, expected] : rows) {
            ViewTransform view;
            view.setRotation(degrees);
            QVERIFY2(view.rotation() == expected, qPrintable(QString::number(degrees)));
        }
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
            QVERIFY(!f.c->isPanning() && !f.c->isFitMode());
            QVERIFY(near(f.project.view().offset() - before, QPointF(30, -10)));
            QVERIFY(pen->calls.isEmpty());
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
        QCOMPARE(f.pen->calls, PressDragRelease);
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
        f.c->setEyedropperTool(true);
        // The next press belongs to the eyedropper; switching back to the pen
        // while it samples stops it, and no stroke starts until a new press.
        press(f.c, f.at(9, 9));
        QCOMPARE(f.paint.penIndex(), quint8(7));
        f.c->setEyedropperTool(false);
        QVERIFY(!f.c->eyedropperTool()->isSampling());
        move(f.c, f.at(6, 6));
        release(f.c, f.at(6, 6));
        press(f.c, f.at(2, 2));
        release(f.c, f.at(2, 2));
        QCOMPARE(f.paint.penIndex(), quint8(7));
        QCOMPARE(f.pen->calls.mid(4), (QStringList{"activate", "pressed", "clicked"}));
    }
    void toolSwitching()
    {
        Fixture f;
        // Re-picking the active tool changes nothing.
        f.c->setPanTool(true);
        f.c->setPanTool(true);
        QVERIFY(f.c->panTool()->isActive());
        QCOMPARE(f.c->activeTool(), f.c->panTool());
        QVERIFY(f.pen->calls.isEmpty());
        // Switching the active tool off hands over to the pen.
        f.c->setPanTool(false);
        QCOMPARE(f.c->activeTool(), static_cast<CanvasTool *>(f.pen));
        QCOMPARE(f.pen->calls, QStringList{"activate"});
        // Switching off a tool that is not active leaves the active one alone.
        f.c->setSymmetryAxesTool(true);
        f.c->setPanTool(false);
        QCOMPARE(f.c->activeTool(), f.c->symmetryTool());
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
            press(f.c, pressAt);
            move(f.c, (pressAt + releaseAt) / 2);
            release(f.c, releaseAt);
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
};

QTEST_MAIN(TestCanvasView)
#include "tst_canvasview.moc"
