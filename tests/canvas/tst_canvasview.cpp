// The view rules a user feels: zoom steps and their guards, the wheel, best
// fit and fit mode, rotation drags, arrow pans and the widget-to-canvas map.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

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
        const std::tuple<double, double, bool, double> rows[] = {{0, 30, false, 30},
                                                                 {0, 30, true, 22.5},
                                                                 {10, 5, true, 22.5},
                                                                 {170, 20, false, -170},
                                                                 {170, 12, true, -180}};
        for (auto [start, drag, shift, expected] : rows) {
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
};

QTEST_MAIN(TestCanvasView)
#include "tst_canvasview.moc"
