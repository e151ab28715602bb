// Routing of pointer and key input to the tools: clicks against drags, the
// pen fallback, tool switching, the eyedropper, the axes tool and cursors.

#include "canvastesthelpers.h"

#include "canvas/eyedroppertool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"
#include "canvas/toolcursors.h"

#include <QSignalSpy>

namespace
{

// Zoom 4 with the canvas origin at the widget origin: pixel (x, y) spans
// widget x 4x .. 4x + 3.
QPointF at(int x, int y)
{
    return QPointF(4 * x + 1.5, 4 * y + 1.5);
}

void placeView(Project &project)
{
    project.view().setZoom(4.0);
    project.view().setRotation(0.0);
    project.view().setOffset(QPointF(0, 0));
}

} // namespace

class TestCanvasTools : public QObject
{
    Q_OBJECT

private slots:
    void clickOrRelease_data()
    {
        QTest::addColumn<QList<QPoint>>("path"); // press, moves..., release
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<bool>("moved");
        QTest::newRow("click") << QList<QPoint>{{5, 5}, {5, 5}} << QStringList{"pressed", "clicked"}
                               << false;
        QTest::newRow("jitter inside the pixel")
            << QList<QPoint>{{5, 5}, {5, 5}, {5, 5}} << QStringList{"pressed", "dragged", "clicked"}
            << false;
        QTest::newRow("drag") << QList<QPoint>{{5, 5}, {6, 5}, {7, 5}}
                              << QStringList{"pressed", "dragged", "released"} << true;
        QTest::newRow("wander off and back")
            << QList<QPoint>{{5, 5}, {6, 5}, {5, 5}, {5, 5}}
            << QStringList{"pressed", "dragged", "dragged", "released"} << true;
    }
    void clickOrRelease()
    {
        QFETCH(QList<QPoint>, path);
        QFETCH(QStringList, calls);
        QFETCH(bool, moved);
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        press(c, at(path.first().x(), path.first().y()));
        for (int i = 1; i + 1 < path.size(); ++i)
            move(c, at(path[i].x(), path[i].y()));
        release(c, at(path.last().x(), path.last().y()));
        QCOMPARE(pen->calls, calls);
        QCOMPARE(pen->events.first().pixel, path.first());
        QCOMPARE(pen->events.last().pixel, path.last());
        QCOMPARE(pen->events.last().moved, moved);
        QCOMPARE(pen->pressedButton(), Qt::NoButton);
        // The next press starts unmoved, whatever this one did.
        press(c, at(0, 0));
        QVERIFY(!pen->events.last().moved);
        release(c, at(0, 0));
    }
    void otherButtonsIgnoredDuringPress()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        press(c, at(2, 2), Qt::RightButton);
        QCOMPARE(pen->events.first().button, Qt::RightButton);
        // A left release that is not the press's button ends nothing.
        release(c, at(3, 2), Qt::LeftButton);
        QCOMPARE(pen->calls, QStringList{"pressed"});
        // Moves without the pressed button held are not drags.
        move(c, at(4, 2), Qt::LeftButton);
        QCOMPARE(pen->calls, QStringList{"pressed"});
        move(c, at(4, 2), Qt::RightButton);
        release(c, at(4, 2), Qt::RightButton);
        QCOMPARE(pen->calls, (QStringList{"pressed", "dragged", "released"}));
    }
    void penFallbackAfterSwitchMidStroke()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        f.project.colormap().setPixel(9, 9, 7);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        press(c, at(1, 1));
        QVERIFY(c->penStrokeInProgress());
        // A shortcut switches to the eyedropper while the stroke runs.
        c->setEyedropperTool(true);
        QCOMPARE(c->activeTool(), c->eyedropperTool());
        move(c, at(9, 9));
        release(c, at(9, 9));
        QCOMPARE(pen->calls, (QStringList{"pressed", "dragged", "released"}));
        // The eyedropper saw none of it.
        QCOMPARE(c->penIndex(), quint8(1));
        QVERIFY(!c->penStrokeInProgress());

        // The next press belongs to the eyedropper.
        press(c, at(9, 9));
        release(c, at(9, 9));
        QCOMPARE(c->penIndex(), quint8(7));
        QCOMPARE(pen->calls.size(), 3);

        // A press the active tool refuses falls through to the pen.
        press(c, at(2, 2), Qt::MiddleButton); // middle pans; the pen sees nothing
        release(c, at(2, 2), Qt::MiddleButton);
        QCOMPARE(pen->calls.size(), 3);
    }
    void toolSwitching()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        QCOMPARE(c->activeTool(), static_cast<CanvasTool *>(pen));

        c->setPanTool(true);
        QCOMPARE(c->activeTool(), c->panTool());
        QVERIFY(c->panTool()->isActive());
        // Re-picking the active tool changes nothing.
        c->setPanTool(true);
        QVERIFY(c->panTool()->isActive());
        QCOMPARE(c->activeTool(), c->panTool());
        QVERIFY(pen->calls.isEmpty());

        // Switching the active tool off hands over to the pen.
        c->setPanTool(false);
        QVERIFY(!c->panTool()->isActive());
        QCOMPARE(c->activeTool(), static_cast<CanvasTool *>(pen));
        QCOMPARE(pen->calls, QStringList{"activate"});

        // Switching off a tool that is not active leaves the active one alone.
        c->setSymmetryAxesTool(true);
        c->setPanTool(false);
        QCOMPARE(c->activeTool(), c->symmetryTool());
        // The window's radio group switches the old tool off before the new one on.
        c->setSymmetryAxesTool(false);
        c->setEyedropperTool(true);
        QCOMPARE(c->activeTool(), c->eyedropperTool());
        QVERIFY(!c->symmetryTool()->isActive());
    }
    void switchToPenWhileButtonHeld()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        f.project.colormap().setPixel(6, 6, 9);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        c->setEyedropperTool(true);
        press(c, at(1, 1));
        QVERIFY(c->eyedropperTool()->isSampling());
        // A shortcut goes back to the pen while the button is still down.
        c->setEyedropperTool(false);
        pen->calls.clear();
        QVERIFY(!c->eyedropperTool()->isSampling());
        move(c, at(6, 6));
        release(c, at(6, 6));
        // No stroke starts until the next press, and nothing more is sampled.
        QVERIFY(pen->calls.isEmpty());
        QCOMPARE(c->penIndex(), quint8(0));
        press(c, at(2, 2));
        release(c, at(2, 2));
        QCOMPARE(pen->calls, (QStringList{"pressed", "clicked"}));
    }
    void rotationRefusedDuringStroke()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        press(c, at(3, 3));
        QTest::keyPress(c, Qt::Key_R);
        c->resetRotation(); // refused mid-stroke: nothing to check but no crash
        move(c, at(4, 3));
        QVERIFY(!c->isRotating());
        release(c, at(4, 3));
        QCOMPARE(pen->calls, (QStringList{"pressed", "dragged", "released"}));
        QTest::keyRelease(c, Qt::Key_R);

        f.project.view().setRotation(30.0);
        press(c, at(3, 3));
        c->resetRotation();
        QCOMPARE(f.project.view().rotation(), 30.0);
        release(c, at(3, 3));
        c->resetRotation();
        QCOMPARE(f.project.view().rotation(), 0.0);
    }
    void eyedropperSampling_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("secondary");
        QTest::newRow("left sets primary") << int(Qt::LeftButton) << false;
        QTest::newRow("right sets secondary") << int(Qt::RightButton) << true;
    }
    void eyedropperSampling()
    {
        QFETCH(int, button);
        QFETCH(bool, secondary);
        CanvasFixture f(Project(CanvasMode::Hires));
        placeView(f.project);
        f.project.colormap().setPixel(2, 2, 5);
        f.project.colormap().setPixel(3, 2, 5);
        f.project.colormap().setPixel(4, 2, 12);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        c->setEyedropperTool(true);
        QSignalSpy spy(c, &CanvasArea::penColorsChanged);
        const Qt::MouseButton b = Qt::MouseButton(button);
        const quint8 other = secondary ? c->penIndex() : c->secondaryIndex();
        auto sampled = [&] { return secondary ? c->secondaryIndex() : c->penIndex(); };

        press(c, at(2, 2), b);
        QCOMPARE(sampled(), quint8(5));
        QCOMPARE(spy.count(), 1);
        // Dragging keeps sampling; an unchanged colour signals nothing.
        move(c, at(3, 2), b);
        QCOMPARE(spy.count(), 1);
        move(c, at(4, 2), b);
        QCOMPARE(sampled(), quint8(12));
        QCOMPARE(spy.count(), 2);
        // Outside the canvas nothing is read.
        move(c, QPointF(-20, -20), b);
        QCOMPARE(sampled(), quint8(12));
        release(c, QPointF(-20, -20), b);
        QCOMPARE(secondary ? c->penIndex() : c->secondaryIndex(), other);
        QVERIFY(pen->calls.isEmpty());
        QCOMPARE(f.project.history().nodeCount(), 0);
    }
    void symmetryAxesDrag_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPointF>("pressAt");
        QTest::addColumn<QPointF>("releaseAt");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        // Hires 320 x 200 at zoom 4 from the widget origin; the axes start at
        // row 200 (y 100, widget 400) and column 320 (x 160, widget 640).
        QTest::newRow("horizontal grabbed")
            << 1 << QPointF(100, 404) << QPointF(100, 200) << 100 << 320;
        QTest::newRow("horizontal on the reach")
            << 1 << QPointF(100, 406) << QPointF(100, 202) << 101 << 320;
        QTest::newRow("horizontal missed")
            << 1 << QPointF(100, 407) << QPointF(100, 201) << 200 << 320;
        QTest::newRow("vertical grabbed")
            << 2 << QPointF(635, 50) << QPointF(402, 50) << 200 << 201;
        QTest::newRow("vertical ignores far press")
            << 2 << QPointF(600, 400) << QPointF(402, 50) << 200 << 320;
        QTest::newRow("quadrant one axis")
            << 3 << QPointF(638, 100) << QPointF(702, 300) << 200 << 351;
        QTest::newRow("quadrant both") << 3 << QPointF(642, 403) << QPointF(102, 203) << 100 << 50;
        QTest::newRow("bi-quadrant anywhere moves by the drag")
            << 4 << QPointF(100, 100) << QPointF(120, 60) << 180 << 330;
        QTest::newRow("kaleidoscope clamps")
            << 5 << QPointF(100, 100) << QPointF(5000, -5000) << 0 << 640;
    }
    void symmetryAxesDrag()
    {
        QFETCH(int, mode);
        QFETCH(QPointF, pressAt);
        QFETCH(QPointF, releaseAt);
        QFETCH(int, row);
        QFETCH(int, column);
        CanvasFixture f(Project(CanvasMode::Hires), QSize(1400, 900));
        placeView(f.project);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        c->setSymmetryMode(mode);
        c->setSymmetryAxesTool(true);
        QCOMPARE(c->symmetryAxes(), (SymmetryAxes{200, 320}));
        press(c, pressAt);
        move(c, (pressAt + releaseAt) / 2);
        release(c, releaseAt);
        QCOMPARE(c->symmetryAxes().row, row);
        QCOMPARE(c->symmetryAxes().column, column);
        QVERIFY(pen->calls.isEmpty());
        QCOMPARE(f.project.history().nodeCount(), 0);

        c->resetSymmetryAxes();
        QCOMPARE(c->symmetryAxes(), (SymmetryAxes{200, 320}));
    }
    void symmetryToolLeavesPenStroke()
    {
        CanvasFixture f(Project(CanvasMode::Hires), QSize(1400, 900));
        placeView(f.project);
        RecordingTool *pen = f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        c->setSymmetryMode(int(SymmetryMode::BiQuadrant));
        press(c, at(10, 10));
        // A shortcut picks Move Axes mid-stroke; a second button joins in.
        c->setSymmetryAxesTool(true);
        press(c, at(20, 20), Qt::RightButton);
        QCOMPARE(c->symmetryTool()->pressedButton(), Qt::NoButton);
        move(c, at(40, 30), Qt::LeftButton | Qt::RightButton);
        QCOMPARE(c->symmetryAxes(), (SymmetryAxes{200, 320}));
        QCOMPARE(pen->calls.last(), QStringLiteral("dragged"));
    }
    void symmetryHoverCursor()
    {
        CanvasFixture f(Project(CanvasMode::Hires), QSize(1400, 900));
        placeView(f.project);
        CanvasArea *c = f.canvas.get();
        c->setSymmetryMode(int(SymmetryMode::Quadrant));
        c->setSymmetryAxesTool(true);
        move(c, QPointF(100, 402), Qt::NoButton);
        QCOMPARE(c->cursor().shape(), Qt::SplitVCursor);
        move(c, QPointF(643, 100), Qt::NoButton);
        QCOMPARE(c->cursor().shape(), Qt::SplitHCursor);
        move(c, QPointF(641, 398), Qt::NoButton);
        QCOMPARE(c->cursor().shape(), Qt::SizeAllCursor);
        move(c, QPointF(300, 300), Qt::NoButton);
        QCOMPARE(c->cursor().shape(), Qt::ArrowCursor);
        // Space and R keep their own cursors over an axis.
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_R}) {
            QTest::keyPress(c, key);
            const QCursor held = c->cursor();
            QCOMPARE(held.shape(), Qt::BitmapCursor);
            move(c, QPointF(100, 402), Qt::NoButton);
            QVERIFY(sameCursor(c->cursor(), held));
            QTest::keyRelease(c, key);
            QCOMPARE(c->cursor().shape(), Qt::ArrowCursor);
        }
        // None mode grabs nothing, even on the axis.
        c->setSymmetryMode(int(SymmetryMode::None));
        QCOMPARE(c->symmetryTool()->hitTest(QPointF(641, 398)), SymmetryTool::Hit::None);
    }
    void cursorsLoad_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QPoint>("hotspot");
        QTest::newRow("pen") << int(ToolCursors::Pen) << ":/cursors/pen.png" << QPoint(3, 20);
        QTest::newRow("crosshair")
            << int(ToolCursors::Crosshair) << ":/cursors/crosshair.png" << QPoint(11, 11);
        QTest::newRow("drag") << int(ToolCursors::Drag) << ":/cursors/drag.png" << QPoint(2, 2);
        QTest::newRow("eraser") << int(ToolCursors::Eraser) << ":/cursors/eraser.png"
                                << QPoint(4, 18);
        QTest::newRow("fill") << int(ToolCursors::Fill) << ":/cursors/fill.png" << QPoint(18, 19);
        QTest::newRow("pan") << int(ToolCursors::Pan) << ":/cursors/pan.png" << QPoint(12, 12);
        QTest::newRow("picker") << int(ToolCursors::Picker) << ":/cursors/picker.png"
                                << QPoint(3, 20);
        QTest::newRow("rotate") << int(ToolCursors::Rotate) << ":/cursors/rotate.png"
                                << QPoint(11, 11);
        QTest::newRow("grabbing") << int(ToolCursors::PanGrabbing) << ":/cursors/pan.png"
                                  << QPoint(12, 12);
    }
    void cursorsLoad()
    {
        QFETCH(int, kind);
        QFETCH(QString, path);
        QFETCH(QPoint, hotspot);
        const QCursor cursor = ToolCursors::cursor(ToolCursors::Kind(kind));
        QCOMPARE(ToolCursors::resourcePath(ToolCursors::Kind(kind)), path);
        QCOMPARE(cursor.shape(), Qt::BitmapCursor);
        QCOMPARE(cursor.hotSpot(), hotspot);
        const QImage image(path);
        QVERIFY(!image.isNull());
        QVERIFY(QRect(QPoint(0, 0), image.size()).contains(hotspot));
        // Readable on light and dark artwork: the drawing has both black and
        // white opaque pixels.
        bool dark = false;
        bool light = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (qAlpha(p) < 200)
                    continue;
                dark |= qGray(p) < 40;
                light |= qGray(p) > 215;
            }
        QVERIFY(dark && light);
    }
    void missingCursorFallsBack()
    {
        QTest::ignoreMessage(QtWarningMsg, "ToolCursors: :/cursors/none.png did not load; falling "
                                           "back to the arrow cursor");
        const QCursor cursor =
            ToolCursors::load(QStringLiteral(":/cursors/none.png"), QPoint(1, 1));
        QCOMPARE(cursor.shape(), Qt::ArrowCursor);
    }
    void heldKeyAndToolCursors()
    {
        // The Alt dropper over the pen is pinned with the real pen; here the
        // keys and tools that bring their own cursors.
        CanvasFixture f(Project(CanvasMode::Hires));
        f.installRecordingPen();
        CanvasArea *c = f.canvas.get();
        auto shows = [&](ToolCursors::Kind kind) {
            return sameCursor(c->cursor(), ToolCursors::cursor(kind));
        };
        QVERIFY(shows(ToolCursors::Pen));
        for (auto [key, kind] : {std::pair{Qt::Key_Space, ToolCursors::Pan},
                                 std::pair{Qt::Key_R, ToolCursors::Rotate}}) {
            QTest::keyPress(c, key);
            QVERIFY(shows(kind));
            QTest::keyRelease(c, key);
            QVERIFY(shows(ToolCursors::Pen));
        }
        c->setEyedropperTool(true);
        QVERIFY(shows(ToolCursors::Picker));
        c->setEyedropperTool(false);
        c->setPanTool(true);
        QVERIFY(shows(ToolCursors::Pan));
    }
    void keyToggles()
    {
        CanvasFixture f(Project(CanvasMode::Hires));
        CanvasArea *c = f.canvas.get();
        QVERIFY(!c->lighterGrids());
        QTest::keyClick(c, Qt::Key_Z);
        QVERIFY(c->lighterGrids());
        QTest::keyClick(c, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(c->lighterGrids());
        QTest::keyClick(c, Qt::Key_Z);
        QVERIFY(!c->lighterGrids());

        QTest::keyPress(c, Qt::Key_C);
        QVERIFY(c->isSwapPreview());
        QTest::keyRelease(c, Qt::Key_C);
        QVERIFY(!c->isSwapPreview());
        QTest::keyPress(c, Qt::Key_Shift, Qt::ShiftModifier);
        QTest::keyPress(c, Qt::Key_Control, Qt::ControlModifier);
        QVERIFY(c->isShiftHeld() && c->isCtrlHeld());
        QTest::keyRelease(c, Qt::Key_Shift);
        QTest::keyRelease(c, Qt::Key_Control);
        QVERIFY(!c->isShiftHeld() && !c->isCtrlHeld());
    }
};

QTEST_MAIN(TestCanvasTools)
#include "tst_canvastools.moc"
