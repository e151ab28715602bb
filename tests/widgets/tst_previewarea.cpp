// The preview window as an artist uses it beside the canvas: fitted until
// zoomed by hand, mirrored about the picture's own centre, following strokes
// with the CRT filter refreshed only where they landed, and stepping out of
// the way of dialogs when it floats on top. The CRT filter itself on the
// pixels an artist can check by eye: a single white pixel on black fans out
// into red, green and blue columns with faint halos, dimmed on the even
// scanlines; and refiltering a rectangle after a stroke gives exactly what
// filtering the whole picture would.

#include "../canvas/canvastesthelpers.h"
#include "../common/paintrows.h"

#include "widgets/crtfilter.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/toolcursors.h"
#include "document/palette.h"
#include "document/project.h"

#include <QDialog>
#include <QPaintEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

namespace
{

QImage filled(int width, int height, QRgb color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A hires screen in random colours with a border frame in colour 2, its
// canvas, and a preview of it best-fitted at the given size (416 x 301 is
// the framed screen at zoom 1).
struct Rig {
    explicit Rig(QSize size = QSize(416, 301))
    {
        QRandomGenerator random(0x4d495252);
        for (int y = 0; y < project.height(); ++y)
            for (int x = 0; x < project.width(); ++x)
                project.colormap().setPixel(x, y, quint8(random.bounded(16)));
        project.setSlot(ColorSlot::Border, 2);
        canvas.refreshWholeImage();
        area.resize(size);
        area.refreshImage();
    }
    double zoom() const { return area.viewTransform().zoom(); }

    Project project;
    PaintSettings paint;
    CanvasArea canvas{project, paint};
    PreviewArea area{project, canvas.artworkImage()};
};

// Whether the picture point under the widget position stays there across the change.
template <typename Change>
bool keepsPointAt(const PreviewArea &area, QPointF position, Change change)
{
    const QPointF before = area.paintTransform().inverted().map(position);
    change();
    return near(area.paintTransform().inverted().map(position), before, 1e-9);
}

} // namespace

class TestPreviewArea : public QObject
{
    Q_OBJECT

private slots:
    void singleWhitePixel()
    {
        // On an odd and an even row; B the full channel after dimming and blur.
        for (const auto &[row, B] : {std::pair{5, 251}, std::pair{4, 201}}) {
            const int column = 6;
            QImage source = filled(13, 11, qRgb(0, 0, 0));
            source.setPixel(column, row, qRgb(255, 255, 255));
            // Left of the pixel red, on it green, right of it blue; 1 of the same
            // channel above and below, and the red and blue columns' 1 beside them.
            const int cells[][5] = {{-2, 0, 1, 0, 0}, {-1, 0, B, 1, 0}, {0, 0, 1, B, 1},
                                    {1, 0, 0, 1, B},  {2, 0, 0, 0, 1},  {-1, -1, 1, 0, 0},
                                    {0, -1, 0, 1, 0}, {1, -1, 0, 0, 1}, {-1, 1, 1, 0, 0},
                                    {0, 1, 0, 1, 0},  {1, 1, 0, 0, 1}};
            QImage expected = source;
            for (const auto &[dx, dy, r, g, b] : cells)
                expected.setPixel(column + dx, row + dy, qRgb(r, g, b));
            QCOMPARE(CrtFilter::apply(source), expected);
        }
    }
    void edgesAndUnsupportedSources()
    {
        // A white first column: in the buffer column 0 is (0, 255, 255) and
        // column 1 (0, 0, 255) on the odd row 1, both at 204 on the dimmed rows
        // 0 and 2. The blur of row 1 gathers 2 x 204 x 0.00384 + 255 x 0.99233
        // = 254.61 from each buffer column; the clamp makes column -1 column 0.
        QImage source = filled(4, 3, qRgb(0, 0, 0));
        for (int y = 0; y < 3; ++y)
            source.setPixel(0, y, qRgb(255, 255, 255));
        const QImage crt = CrtFilter::apply(source);
        QCOMPARE(crt.pixel(0, 1), qRgb(0, 254, 255));
        QCOMPARE(crt.pixel(1, 1), qRgb(0, 1, 254));
        // Only 32-bit RGB is filtered.
        for (const QImage &image : {QImage(), QImage(4, 4, QImage::Format_Indexed8),
                                    QImage(4, 4, QImage::Format_ARGB32_Premultiplied)})
            QVERIFY(CrtFilter::apply(image).isNull());
    }
    void regionEqualsWholeImage()
    {
        QRandomGenerator random(0x43525421);
        for (int round = 0; round < 60; ++round) {
            QImage source = filled(1 + random.bounded(40), 1 + random.bounded(30), 0);
            for (int y = 0; y < source.height(); ++y)
                random.fillRange(reinterpret_cast<quint32 *>(source.scanLine(y)), source.width());
            // Rectangles that may stick out of the image or miss it entirely.
            const QRect rect(
                random.bounded(-3, source.width() + 2), random.bounded(-3, source.height() + 2),
                1 + random.bounded(source.width() + 2), 1 + random.bounded(source.height() + 2));
            QImage target = filled(source.width(), source.height(), qRgb(7, 77, 177));
            QImage expected = target;
            QPainter painter(&expected);
            painter.setClipRect(rect);
            painter.drawImage(0, 0, CrtFilter::apply(source));
            painter.end();
            CrtFilter::applyRegion(source, target, rect);
            QCOMPARE(target, expected);
        }
    }
    void windowFollowsTheCanvasAndStepsAside_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("pixelWidth");
        QTest::newRow("hires") << int(CanvasMode::Hires) << 1.0;
        QTest::newRow("multicolor") << int(CanvasMode::Multicolor) << 2.0;
    }
    void windowFollowsTheCanvasAndStepsAside()
    {
        QFETCH(int, mode);
        QFETCH(double, pixelWidth);
        Project project{CanvasMode(mode)};
        PaintSettings paint;
        CanvasArea canvas(project, paint);
        PreviewWindow window(&canvas);
        PreviewArea *area = window.area();
        QCOMPARE(window.windowTitle(), QStringLiteral("Preview"));
        QVERIFY(window.isWindow() && area->isFitMode());
        // The framed picture at zoom 1, double-wide pixels made whole.
        QCOMPARE(area->sizeHint(), QSize(416, 301));
        QCOMPARE(area->viewTransform().pixelWidth(), pixelWidth);

        // Strokes on the canvas refilter the CRT image as if it were all redone.
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

        window.resize(416, 301);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const ViewTransform &view = area->viewTransform();
        QVERIFY(area->size() == QSize(416, 301) && view.zoom() == 1.0);
        // PAL pixels on the canvas: the preview takes them and fits again.
        canvas.setDisplayPixelAspect(0.9375);
        QCOMPARE(std::tuple(view.displayAspect(), view.zoom(), view.rotation()),
                 std::tuple(0.9375, 0.9375, 0.0));

        // Floating on top, it steps aside while a modal dialog is open.
        const auto onTop = [&] { return bool(window.windowFlags() & Qt::WindowStaysOnTopHint); };
        window.setStayOnTop(true);
        QVERIFY(window.isVisible() && onTop());
        const QRect geometry = window.geometry();
        QDialog dialog;
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QVERIFY(window.isSuspended() && !onTop() && window.isVisible());
        dialog.hide();
        QVERIFY(!window.isSuspended() && onTop() && window.isVisible());
        QCOMPARE(window.geometry(), geometry);
        // Not chosen: a dialog changes nothing and the hint stays away.
        window.setStayOnTop(false);
        QVERIFY(!onTop());
        dialog.show();
        QVERIFY(!onTop());
        // Chosen while the dialog is open: it waits for the dialog to close.
        window.setStayOnTop(true);
        QVERIFY(!onTop());
        dialog.hide();
        QVERIFY(onTop());

        // Only the close button counts as the user closing it.
        QSignalSpy closed(&window, &PreviewWindow::closedByUser);
        window.hide();
        QCOMPARE(closed.count(), 0);
        window.show();
        window.close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());
    }
    void fitHoldsUntilZoomedByHand()
    {
        Rig rig;
        PreviewArea &area = rig.area;
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        // No vertical delta is not taken; out at zoom 1 is, and changes nothing.
        QVERIFY(!sendWheel(&area, QPointF(10, 10), 0));
        QVERIFY(sendWheel(&area, QPointF(10, 10), -120));
        QVERIFY(rig.zoom() == 1.0 && area.isFitMode());
        area.resize(832, 602);
        QVERIFY(rig.zoom() == 2.0 && area.isFitMode());
        QCOMPARE(area.viewTransform().offset(), QPointF(96, 102));

        // The wheel zooms about the pointer, mirrored or not.
        for (bool mirror : {false, true}) {
            area.setMirror(mirror);
            QVERIFY(keepsPointAt(area, QPointF(300, 200),
                                 [&] { QVERIFY(sendWheel(&area, QPointF(300, 200), 120)); }));
        }
        area.setMirror(false);
        QVERIFY(rig.zoom() == 4.0 && !area.isFitMode());
        area.resize(416, 301);
        QCOMPARE(rig.zoom(), 4.0);
        // Inverted, a step each way whatever the delta's size.
        area.setInvertWheel(true);
        QVERIFY(sendWheel(&area, QPointF(10, 10), 120) && rig.zoom() == 3.0);
        QVERIFY(sendWheel(&area, QPointF(10, 10), -240) && rig.zoom() == 4.0);
        area.zoomBestFit();
        QVERIFY(rig.zoom() == 1.0 && area.isFitMode());
        // Still fitted, the zoom commands step from 2.22 to whole zooms.
        area.resize(1000, 301 * 2 + 67);
        QVERIFY(rig.zoom() > 2.0 && rig.zoom() < 3.0);
        area.zoomIn();
        QVERIFY(rig.zoom() == 3.0 && !area.isFitMode());
        area.zoomBestFit();
        area.zoomOut();
        QVERIFY(rig.zoom() == 2.0 && !area.isFitMode());
        area.zoomIn();
        area.zoomIn();
        QVERIFY(keepsPointAt(area, QPointF(area.width(), area.height()) / 2,
                             [&] { area.zoomActualSize(); }));
        QCOMPARE(rig.zoom(), 1.0);
    }
    void dragPansUnderThePanCursor()
    {
        Rig rig;
        PreviewArea &area = rig.area;
        QEnterEvent enter(QPointF(50, 50), QPointF(50, 50), area.mapToGlobal(QPointF(50, 50)));
        QApplication::sendEvent(&area, &enter);
        QVERIFY(showsCursor(&area, ToolCursors::Pan));
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
            const QPointF origin = area.viewTransform().offset();
            QTest::mousePress(&area, button, {}, QPoint(50, 50));
            QVERIFY(area.isPanning());
            QTest::mouseMove(&area, QPoint(60, 45));
            QTest::mouseMove(&area, QPoint(70, 47));
            QTest::mouseRelease(&area, button, {}, QPoint(70, 47));
            QVERIFY(!area.isPanning() && !area.isFitMode());
            QCOMPARE(area.viewTransform().offset(), origin + QPointF(20, -3));
            QVERIFY(showsCursor(&area, ToolCursors::Pan));
        }
        QTest::mousePress(&area, Qt::RightButton, {}, QPoint(50, 50));
        QVERIFY(!area.isPanning());
        QTest::mouseRelease(&area, Qt::RightButton, {}, QPoint(50, 50));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&area, &leave);
        QCOMPARE(area.cursor().shape(), Qt::ArrowCursor);
        // Leaving while panning keeps the pan cursor until the release.
        QApplication::sendEvent(&area, &enter);
        QTest::mousePress(&area, Qt::MiddleButton, {}, QPoint(5, 5));
        QApplication::sendEvent(&area, &leave);
        QVERIFY(showsCursor(&area, ToolCursors::Pan));
        QTest::mouseMove(&area, QPoint(-40, 5));
        QTest::mouseRelease(&area, Qt::MiddleButton, {}, QPoint(-40, 5));
        QCOMPARE(area.cursor().shape(), Qt::ArrowCursor);
    }
    void mirrorAndCrtChangeOnlyThePicture()
    {
        Rig rig;
        const Colormap original = rig.project.colormap();
        const QImage artwork = rig.canvas.artworkImage();
        const auto grabbed = [&] {
            return rig.area.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const QRect canvasOnScreen(48, 51, 320, 200);
        const QImage plain = grabbed();
        QCOMPARE(plain.copy(canvasOnScreen), artwork);
        const QRgb border = paletteRgb(rig.project.paletteVariant(), 2) | 0xff000000;
        for (int y = 0; y < 301; y += 7)
            QVERIFY(plain.pixel(47, y) == border && plain.pixel(368, y) == border);

        // The picture flips about its own centre: the leftmost border column
        // lands at the right edge.
        rig.area.setMirror(true);
        QCOMPARE(grabbed(), plain.mirrored(true, false));
        rig.area.setMirror(false);
        QCOMPARE(grabbed(), plain);
        // At zoom 1 the smooth scaling leaves the filtered pixels as they are.
        rig.area.setCrtFilter(true);
        QCOMPARE(grabbed().copy(canvasOnScreen), CrtFilter::apply(artwork));
        rig.area.setCrtFilter(false);
        QCOMPARE(grabbed(), plain);
        QCOMPARE(rig.project.colormap(), original);
        QCOMPARE(rig.canvas.artworkImage(), artwork);
    }
    void regionRefreshRepaintsItsRectangle_data()
    {
        addTextRows("widgets/previewarea.txt", "region");
    }
    void regionRefreshRepaintsItsRectangle()
    {
        QFETCH(QStringList, row);
        const bool mirror = row[2] == u'1';
        const int margin = row[3].toInt();
        Rig rig(QSize(832, 602));
        PreviewArea &area = rig.area;
        PaintRecorder painted;
        area.installEventFilter(&painted);
        area.setCrtFilter(row[0] == u'1');
        area.setBilinearFiltering(row[1] == u'1');
        area.setMirror(mirror);
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QCoreApplication::processEvents();
        painted.region = QRegion();

        area.refreshImageRegion(QRect(20, 30, 5, 3));
        QTRY_VERIFY(!painted.region.isEmpty());
        // Zoom 2 with the canvas at (96, 102); mirrored, canvas column x is
        // drawn at 96 + 2 * (320 - x - 1).
        const int left = mirror ? 96 + 2 * (320 - 25) : 96 + 2 * (20 - margin);
        const QRect expected(left, 102 + 2 * (30 - margin), 2 * (5 + 2 * margin),
                             2 * (3 + 2 * margin));
        QCOMPARE(painted.region, QRegion(expected));
    }
};

QTEST_MAIN(TestPreviewArea)
#include "tst_previewarea.moc"
