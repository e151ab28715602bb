// The view rules a user feels: zoom steps and their guards, the wheel, best
// fit and fit mode, rotation drags, arrow pans and the widget-to-canvas map.

#include "canvastesthelpers.h"

#include "document/geometry.h"

#include <QSignalSpy>
#include <QWheelEvent>
#include <cmath>

namespace
{

void sendWheel(QWidget *w, QPointF pos, int delta, bool *accepted = nullptr)
{
    QWheelEvent event(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    event.setAccepted(false);
    QApplication::sendEvent(w, &event);
    if (accepted)
        *accepted = event.isAccepted();
}

bool near(QPointF a, QPointF b, double eps = 1e-6)
{
    return std::abs(a.x() - b.x()) < eps && std::abs(a.y() - b.y()) < eps;
}

} // namespace

class TestCanvasView : public QObject
{
    Q_OBJECT

private slots:
    void zoomSteps_data();
    void zoomSteps();
    void wheelZoom_data();
    void wheelZoom();
    void wheelBoundToCanvas();
    void bestFit_data();
    void bestFit();
    void fitModeFollowsResizeUntilZoom();
    void actualSize();
    void aspectAndRotationResetsRefit();
    void rotationDrag_data();
    void rotationDrag();
    void rotationDragTooCloseToCentre();
    void rotationNormalised_data();
    void rotationNormalised();
    void arrowPan_data();
    void arrowPan();
    void canvasPixelMapping_data();
    void canvasPixelMapping();
    void dragPanGestures_data();
    void dragPanGestures();
};

void TestCanvasView::zoomSteps_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("in");
    QTest::addColumn<double>("expected");
    QTest::newRow("fractional in") << 2.37 << true << 3.0;
    QTest::newRow("fractional out") << 2.37 << false << 2.0;
    QTest::newRow("whole in") << 3.0 << true << 4.0;
    QTest::newRow("just under whole in") << 2.9999999999 << true << 4.0;
    QTest::newRow("just over whole out") << 4.0000000001 << false << 3.0;
    QTest::newRow("whole out") << 5.0 << false << 4.0;
    QTest::newRow("at maximum in") << 64.0 << true << 64.0;
    QTest::newRow("near maximum in") << 63.5 << true << 64.0;
    QTest::newRow("at one out") << 1.0 << false << 1.0;
    QTest::newRow("under one out") << 0.5 << false << 0.5;
    QTest::newRow("under one in") << 0.5 << true << 1.0;
    QTest::newRow("just over one out") << 1.5 << false << 1.0;
}

void TestCanvasView::zoomSteps()
{
    QFETCH(double, start);
    QFETCH(bool, in);
    QFETCH(double, expected);
    CanvasFixture f(Project(CanvasMode::Hires));
    f.project.view().setZoom(start);
    f.project.view().setOffset(QPointF(13, 7));
    const QPointF centre(f.canvas->width() / 2.0, f.canvas->height() / 2.0);
    const QPointF canvasAtCentre = f.project.view().toCanvas(centre);
    QSignalSpy status(f.canvas.get(), &CanvasArea::statusChanged);
    in ? f.canvas->zoomIn() : f.canvas->zoomOut();
    QCOMPARE(f.project.view().zoom(), expected);
    const bool changed = expected != start;
    QCOMPARE(status.count(), changed ? 1 : 0);
    QCOMPARE(f.canvas->isFitMode(), !changed);
    // The widget centre keeps showing the same artwork point.
    QVERIFY(near(f.project.view().toWidget(canvasAtCentre), centre));
}

void TestCanvasView::wheelZoom_data()
{
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("invert");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("expected");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("up zooms in") << 120 << false << 2.0 << 3.0 << true;
    QTest::newRow("down zooms out") << -120 << false << 2.0 << 1.0 << true;
    QTest::newRow("inverted up zooms out") << 120 << true << 2.0 << 1.0 << true;
    QTest::newRow("inverted down zooms in") << -120 << true << 2.0 << 3.0 << true;
    QTest::newRow("zero delta ignored") << 0 << false << 2.0 << 2.0 << false;
    QTest::newRow("out at one accepted") << -120 << false << 1.0 << 1.0 << true;
}

void TestCanvasView::wheelZoom()
{
    QFETCH(int, delta);
    QFETCH(bool, invert);
    QFETCH(double, start);
    QFETCH(double, expected);
    QFETCH(bool, accepted);
    CanvasFixture f(Project(CanvasMode::Multicolor));
    f.canvas->setInvertWheel(invert);
    f.project.view().setZoom(start);
    const QPointF pointer(250, 170);
    const QPointF under = f.project.view().toCanvas(pointer);
    bool wasAccepted = !accepted;
    sendWheel(f.canvas.get(), pointer, delta, &wasAccepted);
    QCOMPARE(wasAccepted, accepted);
    QCOMPARE(f.project.view().zoom(), expected);
    // Wheel zooms keep the point under the pointer in place.
    QVERIFY(near(f.project.view().toWidget(under), pointer));
}

void TestCanvasView::wheelBoundToCanvas()
{
    CanvasFixture f(Project(CanvasMode::Hires));
    f.project.view().setZoom(2.0);
    f.project.view().setOffset(QPointF(200, 100));
    // Left of the canvas, over the border: canvas (-50, 50).
    const QPointF pointer(100, 200);
    f.canvas->setBindZoomToCanvas(true);
    sendWheel(f.canvas.get(), pointer, 120);
    QCOMPARE(f.project.view().zoom(), 3.0);
    // The nearest canvas edge point (0, 50), shown at (200, 200), stayed put.
    QVERIFY(near(f.project.view().toWidget(QPointF(0, 50)), QPointF(200, 200)));

    f.canvas->setBindZoomToCanvas(false);
    const QPointF under = f.project.view().toCanvas(pointer);
    sendWheel(f.canvas.get(), pointer, 120);
    QCOMPARE(f.project.view().zoom(), 4.0);
    QVERIFY(near(f.project.view().toWidget(under), pointer));
}

void TestCanvasView::bestFit_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("widget");
    QTest::addColumn<double>("rotation");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<QPointF>("centre"); // the fitted rectangle's centre in canvas pixels

    // A framed one-screen canvas shows 416 x 301 screen pixels.
    QTest::newRow("hires framed") << 0 << 0 << 1 << QSize() << QSize(832, 602) << 0.0 << 1.0 << 2.0
                                  << QPointF(160, 99.5);
    QTest::newRow("multicolor framed")
        << 1 << 0 << 1 << QSize() << QSize(832, 602) << 0.0 << 1.0 << 2.0 << QPointF(80, 99.5);
    QTest::newRow("side sprites") << 0 << 1 << 1 << QSize() << QSize(832, 602) << 0.0 << 1.0 << 2.0
                                  << QPointF(208, 99.5);
    QTest::newRow("top bottom sprites")
        << 0 << 2 << 1 << QSize() << QSize(832, 602) << 0.0 << 1.0 << 2.0 << QPointF(160, 141.5);
    QTest::newRow("rotated quarter") << 0 << 0 << 1 << QSize() << QSize(832, 602) << 90.0 << 1.0
                                     << 602.0 / 416.0 << QPointF(160, 99.5);
    QTest::newRow("ntsc pixels") << 0 << 0 << 1 << QSize() << QSize(832, 602) << 0.0 << 0.75 << 1.5
                                 << QPointF(160, 99.5);
    QTest::newRow("dual unframed")
        << 0 << 0 << 2 << QSize() << QSize(832, 602) << 0.0 << 1.0 << 1.3 << QPointF(320, 100);
    QTest::newRow("free size unframed") << 0 << 0 << 1 << QSize(328, 200) << QSize(656, 1000) << 0.0
                                        << 1.0 << 2.0 << QPointF(164, 100);
    QTest::newRow("huge clamps to minimum") << 0 << 0 << 1 << QSize(4096, 4096) << QSize(200, 100)
                                            << 0.0 << 1.0 << 0.0625 << QPointF(2048, 2048);
}

void TestCanvasView::bestFit()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(int, screens);
    QFETCH(QSize, size);
    QFETCH(QSize, widget);
    QFETCH(double, rotation);
    QFETCH(double, aspect);
    QFETCH(double, zoom);
    QFETCH(QPointF, centre);
    LayoutSpec spec;
    spec.layout = CanvasLayout(layout);
    const int w = size.isValid() ? size.width() : -1;
    const int h = size.isValid() ? size.height() : -1;
    CanvasFixture f(Project(CanvasMode(mode), w, h, spec, screens), widget);
    f.project.view().setRotation(rotation);
    f.project.view().setDisplayAspect(aspect);
    f.project.view().setZoom(7.0);
    f.canvas->zoomBestFit();
    QVERIFY(qFuzzyCompare(f.project.view().zoom(), zoom));
    QVERIFY(f.canvas->isFitMode());
    QVERIFY(near(f.project.view().toWidget(centre),
                 QPointF(widget.width() / 2.0, widget.height() / 2.0), 1e-6));
}

void TestCanvasView::fitModeFollowsResizeUntilZoom()
{
    CanvasFixture f(Project(CanvasMode::Hires));
    QVERIFY(f.canvas->isFitMode());
    QCOMPARE(f.project.view().zoom(), 2.0);
    f.canvas->resize(1664, 1204);
    QCOMPARE(f.project.view().zoom(), 4.0);
    f.canvas->zoomIn();
    QCOMPARE(f.project.view().zoom(), 5.0);
    QVERIFY(!f.canvas->isFitMode());
    f.canvas->resize(832, 602);
    QCOMPARE(f.project.view().zoom(), 5.0);
}

void TestCanvasView::actualSize()
{
    CanvasFixture f(Project(CanvasMode::Multicolor));
    const QPointF centre(f.canvas->width() / 2.0, f.canvas->height() / 2.0);
    const QPointF canvasAtCentre = f.project.view().toCanvas(centre);
    QSignalSpy status(f.canvas.get(), &CanvasArea::statusChanged);
    f.canvas->zoomActualSize();
    QCOMPARE(f.project.view().zoom(), 1.0);
    QVERIFY(!f.canvas->isFitMode());
    QCOMPARE(status.count(), 1);
    QVERIFY(near(f.project.view().toWidget(canvasAtCentre), centre));
    // One multicolor pixel is two screen pixels wide at actual size.
    const QPointF a = f.project.view().toWidget(QPointF(10, 10));
    const QPointF b = f.project.view().toWidget(QPointF(11, 11));
    QVERIFY(near(b - a, QPointF(2, 1)));
}

void TestCanvasView::aspectAndRotationResetsRefit()
{
    CanvasFixture f(Project(CanvasMode::Hires));
    f.canvas->setDisplayPixelAspect(0.75);
    QCOMPARE(f.project.view().displayAspect(), 0.75);
    QCOMPARE(f.project.view().zoom(), 1.5);

    f.project.view().setRotation(90.0);
    f.canvas->zoomBestFit();
    QVERIFY(f.project.view().zoom() < 1.5);
    f.canvas->resetRotation();
    QCOMPARE(f.project.view().rotation(), 0.0);
    QCOMPARE(f.project.view().zoom(), 1.5);

    // Outside fit mode the aspect changes and nothing refits.
    f.canvas->zoomIn();
    f.canvas->setDisplayPixelAspect(1.0);
    QCOMPARE(f.project.view().zoom(), 2.0);
    QVERIFY(!f.canvas->isFitMode());
    f.project.view().setRotation(45.0);
    f.canvas->resetRotationAndBestFit();
    QCOMPARE(f.project.view().rotation(), 0.0);
    QCOMPARE(f.project.view().zoom(), 2.0);
    QVERIFY(f.canvas->isFitMode());
}

void TestCanvasView::rotationDrag_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("dragDegrees");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<double>("expected");
    QTest::newRow("free 30") << 0.0 << 30.0 << false << 30.0;
    QTest::newRow("snap 30 to 22.5") << 0.0 << 30.0 << true << 22.5;
    QTest::newRow("snap 34 to 45") << 0.0 << 34.0 << true << 45.0;
    QTest::newRow("snap -34 to -45") << 0.0 << -34.0 << true << -45.0;
    QTest::newRow("snap from 10 by 5 to 22.5") << 10.0 << 5.0 << true << 22.5;
    QTest::newRow("past 180 wraps") << 170.0 << 20.0 << false << -170.0;
    QTest::newRow("past -180 wraps") << -170.0 << -20.0 << false << 170.0;
    QTest::newRow("snapped onto 180 wraps") << 170.0 << 12.0 << true << -180.0;
}

void TestCanvasView::rotationDrag()
{
    QFETCH(double, start);
    QFETCH(double, dragDegrees);
    QFETCH(bool, shift);
    QFETCH(double, expected);
    CanvasFixture f(Project(CanvasMode::Hires));
    RecordingTool *pen = f.installRecordingPen();
    f.project.view().setRotation(start);
    CanvasArea *c = f.canvas.get();
    const QPointF centre(c->width() / 2.0, c->height() / 2.0);
    const QPointF canvasAtCentre = f.project.view().toCanvas(centre);
    QTest::keyPress(c, Qt::Key_R);
    QVERIFY(c->isRHeld());
    press(c, centre + QPointF(100, 0));
    QVERIFY(c->isRotating());
    const double t = dragDegrees * M_PI / 180.0;
    const QPointF to = centre + QPointF(100 * std::cos(t), 100 * std::sin(t));
    move(c, to, Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier);
    release(c, to);
    QTest::keyRelease(c, Qt::Key_R);
    QVERIFY(std::abs(f.project.view().rotation() - expected) < 1e-9);
    QVERIFY(!c->isRotating());
    QVERIFY(!c->isFitMode());
    QVERIFY(near(f.project.view().toWidget(canvasAtCentre), centre, 1e-6));
    // The gesture never reaches the tool.
    QVERIFY(pen->calls.isEmpty());
}

void TestCanvasView::rotationDragTooCloseToCentre()
{
    CanvasFixture f(Project(CanvasMode::Hires));
    CanvasArea *c = f.canvas.get();
    const QPointF centre(c->width() / 2.0, c->height() / 2.0);
    QTest::keyPress(c, Qt::Key_R);
    // A press on the centre starts from (1, 0).
    press(c, centre);
    move(c, centre + QPointF(0.3, 0.4));
    QCOMPARE(f.project.view().rotation(), 0.0);
    move(c, centre + QPointF(0, 50));
    QVERIFY(std::abs(f.project.view().rotation() - 90.0) < 1e-9);
    release(c, centre + QPointF(0, 50));
}

void TestCanvasView::rotationNormalised_data()
{
    QTest::addColumn<double>("degrees");
    QTest::addColumn<double>("expected");
    QTest::newRow("in range kept exactly") << 0.1 << 0.1;
    QTest::newRow("tiny kept") << 1e-20 << 1e-20;
    QTest::newRow("negative in range kept") << -179.9 << -179.9;
    QTest::newRow("180 wraps") << 180.0 << -180.0;
    QTest::newRow("-180 stays") << -180.0 << -180.0;
    QTest::newRow("past 180") << 190.0 << -170.0;
    QTest::newRow("past -180") << -190.0 << 170.0;
    QTest::newRow("several turns") << 719.5 << -0.5;
    QTest::newRow("not a number") << qQNaN() << 0.0;
}

void TestCanvasView::rotationNormalised()
{
    QFETCH(double, degrees);
    QFETCH(double, expected);
    ViewTransform view;
    view.setRotation(degrees);
    QVERIFY2(view.rotation() == expected, qPrintable(QString::number(view.rotation(), 'g', 17)));
    // Writing the value back changes nothing.
    view.setRotation(view.rotation());
    QVERIFY(view.rotation() == expected);
}

void TestCanvasView::arrowPan_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("rotation");
    QTest::addColumn<double>("aspect");
    QTest::addColumn<int>("key");
    QTest::addColumn<QPointF>("shift"); // on-screen offset change at zoom 2
    QTest::newRow("right") << 0 << 0.0 << 1.0 << int(Qt::Key_Right) << QPointF(16, 0);
    QTest::newRow("up") << 0 << 0.0 << 1.0 << int(Qt::Key_Up) << QPointF(0, -16);
    QTest::newRow("right rotated 90 moves down")
        << 0 << 90.0 << 1.0 << int(Qt::Key_Right) << QPointF(0, 16);
    QTest::newRow("down rotated 90 moves left")
        << 0 << 90.0 << 1.0 << int(Qt::Key_Down) << QPointF(-16, 0);
    QTest::newRow("left rotated 180") << 0 << -180.0 << 1.0 << int(Qt::Key_Left) << QPointF(16, 0);
    // A multicolor cell is 4 double-wide pixels: the same 8 screen pixels.
    QTest::newRow("multicolor right") << 1 << 0.0 << 1.0 << int(Qt::Key_Right) << QPointF(16, 0);
    QTest::newRow("ntsc up") << 0 << 0.0 << 0.75 << int(Qt::Key_Up) << QPointF(0, -16 / 0.75);
}

void TestCanvasView::arrowPan()
{
    QFETCH(int, mode);
    QFETCH(double, rotation);
    QFETCH(double, aspect);
    QFETCH(int, key);
    QFETCH(QPointF, shift);
    CanvasFixture f{Project(CanvasMode(mode))};
    f.project.view().setZoom(2.0);
    f.project.view().setRotation(rotation);
    f.project.view().setDisplayAspect(aspect);
    const QPointF before = f.project.view().offset();
    QTest::keyClick(f.canvas.get(), Qt::Key(key));
    QVERIFY(near(f.project.view().offset() - before, shift, 1e-9));
    QVERIFY(!f.canvas->isFitMode());

    // With a modifier the arrow is left to others.
    const QPointF after = f.project.view().offset();
    QTest::keyClick(f.canvas.get(), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(f.project.view().offset(), after);
}

void TestCanvasView::canvasPixelMapping_data()
{
    QTest::addColumn<double>("rotation");
    QTest::addColumn<QPointF>("offset");
    QTest::addColumn<QPointF>("widget");
    QTest::addColumn<QPoint>("pixel");
    // Zoom 4 on a multicolor canvas with NTSC pixels: one colormap pixel is
    // 8 screen pixels wide and 4 / 0.75 tall.
    QTest::newRow("plain") << 0.0 << QPointF(10, 20) << QPointF(38, 49.3) << QPoint(3, 5);
    QTest::newRow("plain left of origin")
        << 0.0 << QPointF(10, 20) << QPointF(9, 19) << QPoint(-1, -1);
    QTest::newRow("plain pixel edge") << 0.0 << QPointF(10, 20) << QPointF(18, 20) << QPoint(1, 0);
    QTest::newRow("quarter turn") << 90.0 << QPointF(500, 100) << QPointF(470.6, 128)
                                  << QPoint(3, 5);
    QTest::newRow("quarter turn origin")
        << 90.0 << QPointF(500, 100) << QPointF(497.3, 104) << QPoint(0, 0);
    QTest::newRow("half turn") << -180.0 << QPointF(500, 300) << QPointF(472, 270.7)
                               << QPoint(3, 5);
}

void TestCanvasView::canvasPixelMapping()
{
    QFETCH(double, rotation);
    QFETCH(QPointF, offset);
    QFETCH(QPointF, widget);
    QFETCH(QPoint, pixel);
    CanvasFixture f(Project(CanvasMode::Multicolor));
    f.project.view().setZoom(4.0);
    f.project.view().setDisplayAspect(0.75);
    f.project.view().setRotation(rotation);
    f.project.view().setOffset(offset);
    QCOMPARE(f.canvas->canvasPixelAt(widget), pixel);
    move(f.canvas.get(), widget, Qt::NoButton);
    QVERIFY(f.canvas->isHoverValid());
    QCOMPARE(f.canvas->hoverPixel(), pixel);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(f.canvas.get(), &leave);
    QVERIFY(!f.canvas->isHoverValid());
}

void TestCanvasView::dragPanGestures_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("space");
    QTest::addColumn<bool>("panTool");
    QTest::newRow("middle button") << int(Qt::MiddleButton) << false << false;
    QTest::newRow("space and left") << int(Qt::LeftButton) << true << false;
    QTest::newRow("pan tool left") << int(Qt::LeftButton) << false << true;
}

void TestCanvasView::dragPanGestures()
{
    QFETCH(int, button);
    QFETCH(bool, space);
    QFETCH(bool, panTool);
    CanvasFixture f(Project(CanvasMode::Hires));
    RecordingTool *pen = f.installRecordingPen();
    CanvasArea *c = f.canvas.get();
    if (panTool)
        c->setPanTool(true);
    if (space)
        QTest::keyPress(c, Qt::Key_Space);
    const Qt::MouseButton b = Qt::MouseButton(button);
    const QPointF before = f.project.view().offset();
    press(c, QPointF(100, 100), b);
    QVERIFY(c->isPanning());
    move(c, QPointF(120, 95), b);
    move(c, QPointF(130, 90), b);
    release(c, QPointF(130, 90), b);
    QVERIFY(!c->isPanning());
    QVERIFY(near(f.project.view().offset() - before, QPointF(30, -10)));
    QVERIFY(!c->isFitMode());
    QVERIFY(pen->calls.isEmpty());
    if (space)
        QTest::keyRelease(c, Qt::Key_Space);
    QVERIFY(!c->isSpaceHeld());
}

QTEST_MAIN(TestCanvasView)
#include "tst_canvasview.moc"
