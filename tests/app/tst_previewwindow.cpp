// The preview window beside the main window: the View entries drive it, F8
// and the view keys work from either window and act on the active one, the
// preview never rotates, and the window comes back as it was left.

#include "windowtesthelpers.h"

#include "canvas/canvasarea.h"
#include "document/viewtransform.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace
{

// The preview counts as part of the main window's activation, so waiting for
// "active" would not wait; the application's active window tells them apart.
bool activate(QWidget *window)
{
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Notes the preview's look at the moment it is shown.
class ShowWatcher : public QObject
{
public:
    QList<std::tuple<bool, bool, bool>> shown; // stay on top, mirror, CRT
    QSize mainSize;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *preview = qobject_cast<PreviewWindow *>(watched)) {
                shown.append({preview->stayOnTop(), preview->area()->mirror(),
                              preview->area()->crtFilter()});
                mainSize = preview->parentWidget()->size();
            }
        return false;
    }
};

} // namespace

class TestPreviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { freshSettings(); }
    void entriesDriveThePreview()
    {
        MainWindow window;
        PreviewWindow *preview = window.findChild<PreviewWindow *>();
        PreviewArea *area = preview->area();
        QCOMPARE(preview->parentWidget(), &window);
        // A first start leaves it closed and plain; each entry turns one thing on.
        QVERIFY(!preview->isVisible() && !area->invertWheel() && !area->bilinearFiltering());
        QAction *show = action(window, "Show Preview Window");
        show->trigger();
        QVERIFY(preview->isVisible());
        action(window, "Preview Stays on Top")->trigger();
        QVERIFY(preview->stayOnTop() && (preview->windowFlags() & Qt::WindowStaysOnTopHint));
        action(window, "Mirror Preview Horizontally")->trigger();
        QVERIFY(area->mirror());
        action(window, "Enable CRT Filter in Preview Window")->trigger();
        QVERIFY(area->crtFilter() && !area->crtImage().isNull());
        action(window, "Bilinear Filtering")->trigger();
        QVERIFY(area->bilinearFiltering() && window.canvas()->bilinearFiltering());

        // The preview shows the document the window holds now.
        action(window, "Multicolor + Top/Bottom Sprites Canvas")->trigger();
        QCOMPARE(area->crtImage().size(), window.canvas()->artworkImage().size());
        QCOMPARE(area->viewTransform().pixelWidth(), 2.0);
        QVERIFY(area->isFitMode());

        // Closing the window takes the check mark away.
        preview->close();
        QVERIFY(!show->isChecked() && !preview->isVisible());
        show->trigger();
        QVERIFY(preview->isVisible());
    }
    void keysDriveTheActiveWindow()
    {
        MainWindow window;
        window.resize(640, 480);
        window.show();
        QVERIFY(activate(&window));
        PreviewWindow *preview = window.findChild<PreviewWindow *>();
        PreviewArea *area = preview->area();
        CanvasArea *canvas = window.canvas();
        QTest::keyClick(canvas, Qt::Key_F8);
        QVERIFY(preview->isVisible());
        preview->resize(416, 301);
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(activate(preview));
        QTest::keyClick(area, Qt::Key_W);
        QVERIFY(area->mirror());
        QTest::keyClick(area, Qt::Key_F8, Qt::AltModifier);
        QVERIFY(area->crtFilter());
        // A turned canvas is left alone by the preview's keys.
        window.project().view().setRotation(30);
        const ViewTransform canvasView = canvas->viewTransform();
        QVERIFY(area->isFitMode() && area->viewTransform().zoom() == 1.0);
        QTest::keyClick(area, Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(area->viewTransform().zoom(), 2.0);
        QTest::keyClick(area, Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(area->viewTransform().zoom(), 1.0);
        QTest::keyClick(area, Qt::Key_Plus, Qt::ControlModifier);
        QTest::keyClick(area, Qt::Key_0, Qt::ControlModifier);
        QVERIFY(area->viewTransform().zoom() == 1.0 && !area->isFitMode());
        QTest::keyClick(area, Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(area->isFitMode());
        QTest::keyClick(area, Qt::Key_Plus, Qt::ControlModifier);
        // The preview never turns: Ctrl+Home only fits it, and Ctrl+R is the
        // main window's alone.
        QTest::keyClick(area, Qt::Key_Home, Qt::ControlModifier);
        QVERIFY(area->isFitMode() && area->viewTransform().zoom() == 1.0);
        QCOMPARE(area->viewTransform().rotation(), 0.0);
        QTest::keyClick(area, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(canvas->viewTransform(), canvasView);

        // Back in the main window the same keys drive the canvas.
        QVERIFY(activate(&window));
        const ViewTransform previewView = area->viewTransform();
        QTest::keyClick(canvas, Qt::Key_Home, Qt::ControlModifier);
        QVERIFY(canvas->viewTransform().rotation() == 0.0 && canvas->isFitMode());
        QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(!canvas->isFitMode());
        QCOMPARE(area->viewTransform(), previewView);
        // F8 from the preview closes it.
        QVERIFY(activate(preview));
        QTest::keyClick(area, Qt::Key_F8);
        QVERIFY(!preview->isVisible() && !action(window, "Show Preview Window")->isChecked());
    }
    // Without a remembered place the preview first shows at the picture's
    // size, clear of the menus, and leaves the keyboard with the main window,
    // also when a dialog has come and gone.
    void firstShowAndFocus()
    {
        MainWindow window;
        window.setGeometry(40, 60, 560, 420);
        window.show();
        QVERIFY(activate(&window));
        PreviewWindow *preview = window.findChild<PreviewWindow *>();
        action(window, "Preview Stays on Top")->trigger();
        action(window, "Show Preview Window")->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(preview->width() >= 384 && preview->height() >= 272);
        const QRect menus(window.menuBar()->mapToGlobal(QPoint(0, 0)), window.menuBar()->size());
        QVERIFY(!preview->frameGeometry().intersects(menus));
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        QTimer::singleShot(0, &window, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        QMessageBox::information(&window, u"KORVEN"_s, u"Noted."_s);
        QTest::qWait(50);
        QCOMPARE(QApplication::activeWindow(), &window);
    }
    // An undone slot edit changes no pixel, yet the preview's border repaints.
    void slotUndoRepaintsThePreview()
    {
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } paints;
        MainWindow window;
        window.show();
        action(window, "Show Preview Window")->trigger();
        PreviewArea *area = window.findChild<PreviewWindow *>()->area();
        QVERIFY(QTest::qWaitForWindowExposed(area));
        area->installEventFilter(&paints);
        window.paintSettings()->setPenIndex(2);
        window.assignColorSlot(ColorSlot::Border, Qt::LeftButton);
        QTRY_VERIFY(paints.count > 0);
        QCOMPARE(window.project().history().nodeCount(), 1);
        for (const bool undo : {true, false}) {
            paints.count = 0;
            undo ? window.undo() : window.redo();
            QTRY_VERIFY(paints.count > 0);
        }
    }
    void rememberedBetweenRuns()
    {
        QRect geometry;
        {
            MainWindow window;
            PreviewWindow *preview = window.findChild<PreviewWindow *>();
            action(window, "Show Preview Window")->trigger();
            preview->setGeometry(120, 90, 333, 222);
            QVERIFY(QTest::qWaitForWindowExposed(preview));
            geometry = preview->geometry();
            action(window, "Preview Stays on Top")->trigger();
            action(window, "Enable CRT Filter in Preview Window")->trigger();
            window.resize(620, 410);
            window.close();
        }
        // Each toggle's key round trip is tst_settings' persistedRoundTrip.
        QSettings settings;
        QVERIFY(!settings.value(u"preview/geometry"_s).toByteArray().isEmpty());
        settings.setValue(u"general/invertZoomWheel"_s, true);
        settings.sync();

        ShowWatcher watcher;
        qApp->installEventFilter(&watcher);
        MainWindow next;
        qApp->removeEventFilter(&watcher);
        PreviewWindow *preview = next.findChild<PreviewWindow *>();
        QVERIFY(preview->isVisible() && action(next, "Show Preview Window")->isChecked());
        // The main window is placed as well, before the preview shows.
        QCOMPARE(watcher.mainSize, QSize(620, 410));
        QCOMPARE(preview->size(), geometry.size());
        // A window restored before it was ever shown may be placed by its frame.
        QVERIFY2(preview->geometry().topLeft() == geometry.topLeft() ||
                     preview->frameGeometry().topLeft() == geometry.topLeft(),
                 qPrintable(u"at %1,%2"_s.arg(preview->x()).arg(preview->y())));
        // Shown last, with its look already chosen.
        QCOMPARE(watcher.shown.value(0), std::tuple(true, false, true));
        QVERIFY(preview->area()->invertWheel() &&
                action(next, "Enable CRT Filter in Preview Window")->isChecked() &&
                !action(next, "Mirror Preview Horizontally")->isChecked());
    }
};

QTEST_MAIN(TestPreviewWindow)
#include "tst_previewwindow.moc"
