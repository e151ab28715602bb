// The preview window as an artist uses it beside the canvas: fitted until
// zoomed by hand, mirrored about the picture's own centre, following strokes
// with the CRT filter refreshed only where they landed, and stepping out of
// the way of dialogs when it floats on top.

#include "widgets/crtfilter.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/toolcursors.h"
#include "document/palette.h"
#include "document/project.h"

#include <QDialog>
#include <QPaintEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace
{

// Remembers which parts of the widget were painted.
class RecordingArea : public PreviewArea
{
public:
    using PreviewArea::PreviewArea;
    QRegion painted;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        painted += event->region();
        PreviewArea::paintEvent(event);
    }
};

// A hires screen with its frame (416 x 301 with the border) in random colours.
Project randomHires(quint32 seed)
{
    Project project;
    QRandomGenerator random(seed);
    for (int y = 0; y < project.height(); ++y)
        for (int x = 0; x < project.width(); ++x)
            project.colormap().setPixel(x, y, quint8(random.bounded(16)));
    project.setSlot(ColorSlot::Border, 2);
    return project;
}

bool sendWheel(QWidget *widget, QPointF position, int delta)
{
    QWheelEvent event(position, widget->mapToGlobal(position), QPoint(), QPoint(0, delta),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
    return event.isAccepted();
}

void sendMouse(QWidget *widget, QEvent::Type type, QPointF position, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

QRgb paletteColor(const Project &project, int x, int y)
{
    return paletteRgb(project.paletteVariant(), project.colormap().pixel(x, y)) | 0xff000000;
}

} // namespace

class TestPreviewArea : public QObject
{
    Q_OBJECT

private slots:
    void startsFittedAndFollowsTheDocument()
    {
        Project project(CanvasMode::Multicolor);
        CanvasArea canvas(project);
        PreviewWindow window(&canvas);
        PreviewArea *area = window.area();
        QCOMPARE(window.windowTitle(), QStringLiteral("Preview"));
        QVERIFY(window.isWindow());
        QVERIFY(area->isFitMode());
        // The framed picture at zoom 1, double-wide pixels made whole.
        QCOMPARE(area->sizeHint(), QSize(2 * (160 + 2 * 24), 200 + 51 + 50));
        QCOMPARE(area->viewTransform().pixelWidth(), 2.0);
        window.resize(416, 301);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(area->size(), QSize(416, 301));
        QCOMPARE(area->viewTransform().zoom(), 1.0);
        // PAL pixels on the canvas: the preview takes them and fits again.
        canvas.setDisplayPixelAspect(0.9375);
        QCOMPARE(area->viewTransform().displayAspect(), 0.9375);
        QCOMPARE(area->viewTransform().zoom(), 0.9375);
        QCOMPARE(area->viewTransform().rotation(), 0.0);
    }
    void resizeKeepsFitUntilZoomed()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.refreshImage();
        area.resize(416, 301);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        area.resize(832, 602);
        QVERIFY(area.isFitMode());
        QCOMPARE(area.viewTransform().zoom(), 2.0);
        QCOMPARE(area.viewTransform().offset(), QPointF(96, 102));

        // A wheel zoom keeps the picture point under the pointer.
        const QPointF pointer(300, 200);
        const QPointF before = area.paintTransform().inverted().map(pointer);
        QVERIFY(sendWheel(&area, pointer, 120));
        QCOMPARE(area.viewTransform().zoom(), 3.0);
        QVERIFY(!area.isFitMode());
        const QPointF after = area.paintTransform().inverted().map(pointer);
        QVERIFY(std::abs(after.x() - before.x()) < 1e-9 && std::abs(after.y() - before.y()) < 1e-9);
        area.resize(416, 301);
        QCOMPARE(area.viewTransform().zoom(), 3.0);

        area.zoomBestFit();
        QVERIFY(area.isFitMode());
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        area.resize(900, 602);
        QVERIFY(area.isFitMode());
        QCOMPARE(area.viewTransform().zoom(), 2.0);
    }
    void wheelDirectionAndLimits()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        area.refreshImage();
        // No vertical delta is not taken.
        QVERIFY(!sendWheel(&area, QPointF(10, 10), 0));
        QVERIFY(area.isFitMode());
        // Out at zoom 1 is taken and does nothing, fit mode included.
        QVERIFY(sendWheel(&area, QPointF(10, 10), -120));
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        QVERIFY(area.isFitMode());
        QVERIFY(sendWheel(&area, QPointF(10, 10), 120));
        QCOMPARE(area.viewTransform().zoom(), 2.0);
        area.setInvertWheel(true);
        QVERIFY(sendWheel(&area, QPointF(10, 10), 120));
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        QVERIFY(sendWheel(&area, QPointF(10, 10), -240));
        QCOMPARE(area.viewTransform().zoom(), 2.0);
    }
    void zoomCommands()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(1000, 301 * 2 + 67);
        area.refreshImage();
        const double fitted = area.viewTransform().zoom();
        QVERIFY(fitted > 2.0 && fitted < 3.0);
        area.zoomOut();
        QCOMPARE(area.viewTransform().zoom(), 2.0);
        QVERIFY(!area.isFitMode());
        area.zoomIn();
        area.zoomIn();
        QCOMPARE(area.viewTransform().zoom(), 4.0);
        // The widget centre stays on the same picture point.
        const QPointF center(500, area.height() / 2.0);
        const QPointF before = area.paintTransform().inverted().map(center);
        area.zoomActualSize();
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        const QPointF after = area.paintTransform().inverted().map(center);
        QVERIFY(std::abs(after.x() - before.x()) < 1e-9 && std::abs(after.y() - before.y()) < 1e-9);
        area.zoomOut();
        QCOMPARE(area.viewTransform().zoom(), 1.0);
        for (int i = 0; i < 70; ++i)
            area.zoomIn();
        QCOMPARE(area.viewTransform().zoom(), 64.0);
    }
    void dragPans()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        area.refreshImage();
        const QPointF start = area.viewTransform().offset();
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
            const QPointF origin = area.viewTransform().offset();
            sendMouse(&area, QEvent::MouseButtonPress, QPointF(50, 50), button, button);
            QVERIFY(area.isPanning());
            sendMouse(&area, QEvent::MouseMove, QPointF(60, 45), Qt::NoButton, button);
            sendMouse(&area, QEvent::MouseMove, QPointF(70, 47), Qt::NoButton, button);
            sendMouse(&area, QEvent::MouseButtonRelease, QPointF(70, 47), button, Qt::NoButton);
            QVERIFY(!area.isPanning());
            QCOMPARE(area.viewTransform().offset(), origin + QPointF(20, -3));
            QVERIFY(!area.isFitMode());
        }
        QCOMPARE(area.viewTransform().offset(), start + QPointF(40, -6));
        // The right button does not pan.
        sendMouse(&area, QEvent::MouseButtonPress, QPointF(50, 50), Qt::RightButton,
                  Qt::RightButton);
        QVERIFY(!area.isPanning());
    }
    void mirrorFlipsAboutThePicture()
    {
        Project project = randomHires(0x4d495252);
        const Colormap original = project.colormap();
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        area.refreshImage();
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QCOMPARE(area.viewTransform().offset(), QPointF(48, 51));

        const QImage plain = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        area.setMirror(true);
        const QImage mirrored = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(plain.size(), QSize(416, 301));
        const QRgb border = paletteRgb(project.paletteVariant(), 2) | 0xff000000;
        // The canvas's first column sits right of the left border, and ends up
        // just left of the right border when mirrored.
        for (int y = 0; y < project.height(); y += 7) {
            QCOMPARE(plain.pixel(47, 51 + y), border);
            QCOMPARE(plain.pixel(48, 51 + y), paletteColor(project, 0, y));
            QCOMPARE(mirrored.pixel(367, 51 + y), paletteColor(project, 0, y));
            QCOMPARE(mirrored.pixel(48, 51 + y), paletteColor(project, 319, y));
            QCOMPARE(mirrored.pixel(368, 51 + y), border);
        }
        QCOMPARE(mirrored, plain.mirrored(true, false));
        QCOMPARE(project.colormap(), original);
        area.setMirror(false);
        QCOMPARE(area.grab().toImage().convertToFormat(QImage::Format_RGB32), plain);
    }
    void mirrorKeepsWheelAnchor()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        area.refreshImage();
        area.setMirror(true);
        const QPointF pointer(100, 80);
        const QPointF before = area.paintTransform().inverted().map(pointer);
        QVERIFY(sendWheel(&area, pointer, 120));
        const QPointF after = area.paintTransform().inverted().map(pointer);
        QVERIFY(std::abs(after.x() - before.x()) < 1e-9 && std::abs(after.y() - before.y()) < 1e-9);
    }
    void crtFollowsStrokes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("hires") << int(CanvasMode::Hires);
        QTest::newRow("multicolor") << int(CanvasMode::Multicolor);
    }
    void crtFollowsStrokes()
    {
        QFETCH(int, mode);
        Project project{CanvasMode(mode)};
        CanvasArea canvas(project);
        PreviewWindow window(&canvas);
        PreviewArea *area = window.area();
        QVERIFY(area->crtImage().isNull());
        area->setCrtFilter(true);
        QCOMPARE(area->crtImage(), CrtFilter::apply(canvas.artworkImage()));
        QRandomGenerator random(0x5354524b + mode);
        for (int stroke = 0; stroke < 25; ++stroke) {
            const QRect rect(random.bounded(project.width()), random.bounded(project.height()),
                             1 + random.bounded(6), 1 + random.bounded(4));
            project.colormap().fillRect(rect, quint8(1 + random.bounded(15)));
            canvas.refreshImageRegion(rect);
            QCOMPARE(area->crtImage(), CrtFilter::apply(canvas.artworkImage()));
        }
        // A new palette re-renders the whole artwork.
        canvas.setPaletteVariant(4);
        QCOMPARE(area->crtImage(), CrtFilter::apply(canvas.artworkImage()));
        area->setCrtFilter(false);
        QVERIFY(area->crtImage().isNull());
    }
    void crtShowsFilteredPicture()
    {
        Project project = randomHires(0x435254);
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        area.refreshImage();
        const QRect canvasOnScreen(48, 51, 320, 200);
        const QImage plain = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(plain.copy(canvasOnScreen), canvas.artworkImage());
        area.setCrtFilter(true);
        // At zoom 1 the smooth scaling leaves the filtered pixels as they are.
        const QImage filtered = area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(filtered.copy(canvasOnScreen), CrtFilter::apply(canvas.artworkImage()));
        area.setCrtFilter(false);
        QCOMPARE(area.grab().toImage().convertToFormat(QImage::Format_RGB32), plain);
    }
    void regionRefreshRepaintsItsRectangle_data()
    {
        QTest::addColumn<bool>("crt");
        QTest::addColumn<bool>("bilinear");
        QTest::addColumn<bool>("mirror");
        QTest::addColumn<int>("margin");
        QTest::newRow("plain") << false << false << false << 0;
        QTest::newRow("bilinear") << false << true << false << 1;
        QTest::newRow("crt") << true << false << false << 3;
        QTest::newRow("crt and bilinear") << true << true << false << 3;
        QTest::newRow("mirrored") << false << false << true << 0;
    }
    void regionRefreshRepaintsItsRectangle()
    {
        QFETCH(bool, crt);
        QFETCH(bool, bilinear);
        QFETCH(bool, mirror);
        QFETCH(int, margin);
        Project project;
        CanvasArea canvas(project);
        RecordingArea area(project, canvas.artworkImage());
        area.resize(832, 602);
        area.refreshImage();
        area.setCrtFilter(crt);
        area.setBilinearFiltering(bilinear);
        area.setMirror(mirror);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QCoreApplication::processEvents();
        QCOMPARE(area.viewTransform().zoom(), 2.0);
        area.painted = QRegion();

        const QRect rect(20, 30, 5, 3);
        area.refreshImageRegion(rect);
        QTRY_VERIFY(!area.painted.isEmpty());
        // Zoom 2 with the canvas at (96, 102); mirrored, canvas column x is
        // drawn at 96 + 2 * (320 - x - 1).
        const int left = mirror ? 96 + 2 * (320 - 25) : 96 + 2 * (20 - margin);
        const QRect expected(left, 102 + 2 * (30 - margin), 2 * (5 + 2 * margin),
                             2 * (3 + 2 * margin));
        QCOMPARE(area.painted, QRegion(expected));
    }
    void stayOnTopStepsAsideForDialogs()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewWindow window(&canvas);
        window.setStayOnTop(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        const QRect geometry = window.geometry();

        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QVERIFY(window.isSuspended());
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(window.isVisible());
        dialog.hide();
        QVERIFY(!window.isSuspended());
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());
        QCOMPARE(window.geometry(), geometry);

        // Not chosen: a dialog changes nothing and the hint stays away.
        window.setStayOnTop(false);
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        dialog.show();
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        // Chosen while the dialog is open: it waits for the dialog to close.
        window.setStayOnTop(true);
        QVERIFY(!(window.windowFlags() & Qt::WindowStaysOnTopHint));
        dialog.hide();
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    }
    void closingIsReported()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewWindow window(&canvas);
        QSignalSpy closed(&window, &PreviewWindow::closedByUser);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.hide();
        QCOMPARE(closed.count(), 0);
        window.show();
        window.close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }
    void panCursor()
    {
        Project project;
        CanvasArea canvas(project);
        PreviewArea area(project, canvas.artworkImage());
        area.resize(416, 301);
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), area.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&area, &enter);
        const QImage pan = ToolCursors::cursor(ToolCursors::Pan).pixmap().toImage();
        QVERIFY(!pan.isNull());
        QCOMPARE(area.cursor().pixmap().toImage(), pan);
        sendMouse(&area, QEvent::MouseButtonPress, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton);
        sendMouse(&area, QEvent::MouseButtonRelease, QPointF(5, 5), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(area.cursor().pixmap().toImage(), pan);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&area, &leave);
        QCOMPARE(area.cursor().shape(), Qt::ArrowCursor);
        // Leaving while panning keeps the pan cursor until the release.
        QApplication::sendEvent(&area, &enter);
        sendMouse(&area, QEvent::MouseButtonPress, QPointF(5, 5), Qt::MiddleButton,
                  Qt::MiddleButton);
        QApplication::sendEvent(&area, &leave);
        QCOMPARE(area.cursor().pixmap().toImage(), pan);
        sendMouse(&area, QEvent::MouseMove, QPointF(-40, 5), Qt::NoButton, Qt::MiddleButton);
        sendMouse(&area, QEvent::MouseButtonRelease, QPointF(-40, 5), Qt::MiddleButton,
                  Qt::NoButton);
        QCOMPARE(area.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(TestPreviewArea)
#include "tst_previewarea.moc"
