// The dashboards as the main window builds them: placement, the flyouts
// with their timers, and the colour widgets wired to the canvas.

#include "app/dashboardcontroller.h"
#include "app/mainwindow.h"
#include "canvas/canvasarea.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/dashboardbar.h"
#include "widgets/dashboardbutton.h"
#include "widgets/dashboardicons.h"
#include "widgets/palettewidget.h"
#include "widgets/texturewidget.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

namespace
{

QAction *action(const MainWindow &window, const char *name)
{
    QAction *found = window.findChild<QAction *>(QLatin1String(name));
    return found ? found : (qFatal("no action %s", name), nullptr);
}

QTimer *timer(const MainWindow &window, const char *name)
{
    return window.findChild<QTimer *>(QLatin1String(name));
}

QToolButton *buttonOf(DashboardBar *bar, QAction *defaultAction)
{
    for (QToolButton *button : bar->findChildren<QToolButton *>())
        if (button->defaultAction() == defaultAction)
            return button;
    return nullptr;
}

QToolButton *entry(QWidget *flyout, const QString &toolTip)
{
    for (QToolButton *button : flyout->findChildren<QToolButton *>())
        if (button->toolTip() == toolTip)
            return button;
    return nullptr;
}

void enter(QWidget *widget)
{
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(widget, &event);
}

// A pointer move seen by the open flyout, at a global position.
void moveTo(QWidget *receiver, QPoint global)
{
    QMouseEvent move(QEvent::MouseMove, receiver->mapFromGlobal(QPointF(global)), QPointF(global),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &move);
}

QPoint globalCentre(const QWidget *widget)
{
    return widget->mapToGlobal(widget->rect().center());
}

bool shown(MainWindow &window, QSize size = QSize(1000, 700))
{
    window.resize(size);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestDashboards : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("canvasSize");
        QTest::newRow("odd width") << QSize(1333, 555);
        QTest::newRow("narrow") << QSize(300, 400);
    }
    void placement()
    {
        QFETCH(QSize, canvasSize);
        MainWindow window;
        QVERIFY(shown(window, QSize(800, 600)));
        DashboardController *d = window.dashboards();
        CanvasArea *canvas = window.canvas();
        // A visible widget hears of its new size at once.
        canvas->resize(canvasSize);
        const int w = canvas->width();
        const int h = canvas->height();
        const int m = std::max(d->toolDashboard()->minimumSizeHint().width(),
                               d->paletteDashboard()->minimumSizeHint().width());
        QVERIFY(m > 200);
        const int width = std::max(w * 8 / 10, m);
        QCOMPARE(canvas->minimumWidth(), m + 24);
        QCOMPARE(d->toolDashboard()->geometry(),
                 QRect((w - width) / 2, 12, width, d->toolDashboard()->sizeHint().height()));
        const int paletteHeight = d->paletteDashboard()->sizeHint().height();
        const int paletteTop = h - 12 - paletteHeight;
        QCOMPARE(d->paletteDashboard()->geometry(),
                 QRect((w - width) / 2, paletteTop, width, paletteHeight));
        const QSize brush = d->brushDashboard()->sizeHint();
        QCOMPARE(d->brushDashboard()->geometry(),
                 QRect((w - brush.width()) / 2, paletteTop - brush.height(), brush.width(),
                       brush.height()));
    }
    void buildsTheBars()
    {
        MainWindow window;
        DashboardController *d = window.dashboards();
        const QList<DashboardButton *> tools =
            d->toolDashboard()->findChildren<DashboardButton *>();
        QStringList order;
        for (DashboardButton *button : tools)
            order << (button->defaultAction() ? button->defaultAction()->objectName() : QString());
        QCOMPARE(order,
                 (QStringList{
                     "penTool", "eraserTool", "fillTool", {}, "eyedropperTool", "panTool", {}}));
        QCOMPARE(tools.at(3), d->shapeButton());
        QCOMPARE(tools.at(6), d->selectionButton());
        QVERIFY(d->brushDashboard()->isFlatBottom());
        // The width steps go one at a time and stop at the limits.
        auto *plus =
            d->brushDashboard()->findChild<QToolButton *>(QStringLiteral("increasePenWidthButton"));
        auto *minus =
            d->brushDashboard()->findChild<QToolButton *>(QStringLiteral("decreasePenWidthButton"));
        QVERIFY(plus && minus && plus->autoRepeat() && minus->autoRepeat());
        minus->click();
        QCOMPARE(window.paintSettings()->brushSettings().width, 1);
        for (int i = 0; i < 40; ++i)
            plus->click();
        QCOMPARE(window.paintSettings()->brushSettings().width, 32);
        minus->click();
        QCOMPARE(window.paintSettings()->brushSettings().width, 31);
        // Show Dashboards hides and shows all three.
        action(window, "showDashboards")->trigger();
        QVERIFY(d->toolDashboard()->isHidden() && d->brushDashboard()->isHidden() &&
                d->paletteDashboard()->isHidden());
        action(window, "showDashboards")->trigger();
        QVERIFY(!d->toolDashboard()->isHidden() && !d->paletteDashboard()->isHidden());
    }

    // The settings are in seconds, the timers in rounded milliseconds.
    void flyoutTimesFromSettings()
    {
        QSettings().setValue(QStringLiteral("general/toolFlyoutHoverDelaySeconds"), 0.1236);
        QSettings().setValue(QStringLiteral("general/toolFlyoutLeaveGraceSeconds"), 0.0004);
        MainWindow window;
        QCOMPARE(window.dashboards()->hoverDelayMs(), 124);
        QCOMPARE(window.dashboards()->leaveGraceMs(), 0);
        // Resting on the button starts the hover timer with that delay.
        enter(window.dashboards()->shapeButton());
        QTimer *hoverTimer = timer(window, "flyoutHoverTimer");
        QVERIFY(hoverTimer->isActive());
        QCOMPARE(hoverTimer->interval(), 124);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(window.dashboards()->shapeButton(), &leave);
        QVERIFY(!hoverTimer->isActive());
    }

    // Resting on the shape button opens its flyout after the delay, centred
    // under the button.
    void hoverOpensAfterTheDelay()
    {
        MainWindow window;
        QVERIFY(shown(window));
        DashboardController *d = window.dashboards();
        QWidget *flyout = d->shapeFlyout();
        QCOMPARE(d->leaveGraceMs(), 500);
        enter(d->shapeButton());
        QVERIFY(timer(window, "flyoutHoverTimer")->isActive());
        QCOMPARE(timer(window, "flyoutHoverTimer")->interval(), 500);
        QVERIFY(!flyout->isVisible());
        QTRY_VERIFY(flyout->isVisible());
        const QRect button(d->shapeButton()->mapToGlobal(QPoint(0, 0)), d->shapeButton()->size());
        QVERIFY(std::abs(flyout->geometry().center().x() - button.center().x()) <= 1);
        QCOMPARE(flyout->geometry().top(), button.top() + button.height() + 5);
        // The entries, in order, with the current kind checked.
        const QStringList tips = {"Line",          "Rectangle", "Filled Rectangle", "Circle",
                                  "Filled Circle", "Star",      "Filled Star",      "Path"};
        const QList<QToolButton *> entries = flyout->findChildren<QToolButton *>();
        QCOMPARE(entries.size(), tips.size());
        for (int i = 0; i < tips.size(); ++i) {
            QCOMPARE(entries.at(i)->toolTip(), tips.at(i));
            QCOMPARE(entries.at(i)->isChecked(), i == 0);
        }
        QTRY_COMPARE(flyout->windowOpacity(), 1.0);
        // Resting on it again while it is open starts nothing.
        enter(d->shapeButton());
        QVERIFY(!timer(window, "flyoutHoverTimer")->isActive());
    }
    void pressStopsTheHoverTimer()
    {
        MainWindow window;
        DashboardController *d = window.dashboards();
        enter(d->shapeButton());
        QTest::mousePress(d->shapeButton(), Qt::LeftButton);
        QVERIFY(!timer(window, "flyoutHoverTimer")->isActive());
        QTest::mouseRelease(d->shapeButton(), Qt::LeftButton);
        // Clicking again leaves the tool on.
        QTest::mouseClick(d->shapeButton(), Qt::LeftButton);
        QVERIFY(action(window, "shapeTool")->isChecked());
        QVERIFY(d->shapeButton()->isChecked());
        QVERIFY(!d->shapeFlyout()->isVisible());
    }

    void leavingTheFlyout()
    {
        MainWindow window;
        QVERIFY(shown(window));
        DashboardController *d = window.dashboards();
        d->setFlyoutTimes(0, 300);
        QWidget *flyout = d->shapeFlyout();
        QTimer *grace = timer(window, "flyoutLeaveGraceTimer");
        enter(d->shapeButton());
        QTRY_VERIFY(flyout->isVisible());

        // Out into the empty canvas: the grace time starts, the flyout stays.
        const QPoint emptyCanvas = window.canvas()->mapToGlobal(QPoint(30, 300));
        moveTo(flyout, emptyCanvas);
        QVERIFY(grace->isActive());
        QVERIFY(flyout->isVisible());
        // Back within the grace time: it stays open.
        moveTo(flyout, globalCentre(flyout));
        QVERIFY(!grace->isActive());
        moveTo(flyout, globalCentre(d->shapeButton()));
        QVERIFY(!grace->isActive());
        QVERIFY(flyout->isVisible());
        // Out again and away for good: it closes after the grace time.
        moveTo(flyout, emptyCanvas);
        QVERIFY(grace->isActive());
        QTRY_VERIFY(!flyout->isVisible());
        QVERIFY(!d->openFlyout());

        // Onto another tool button: closed at once.
        enter(d->shapeButton());
        QTRY_VERIFY(flyout->isVisible());
        moveTo(flyout, globalCentre(buttonOf(d->toolDashboard(), action(window, "penTool"))));
        QVERIFY(!flyout->isVisible());
        QVERIFY(!grace->isActive());

        // A press on another dashboard button closes the flyout and runs that
        // button's action; the press goes no further.
        enter(d->selectionButton());
        QTRY_VERIFY(d->selectionFlyout()->isVisible());
        QAction *eraser = action(window, "eraserTool");
        QToolButton *eraserButton = buttonOf(d->toolDashboard(), eraser);
        QTest::mousePress(eraserButton, Qt::LeftButton);
        QVERIFY(!d->selectionFlyout()->isVisible());
        QVERIFY(eraser->isChecked());
        QVERIFY(!eraserButton->isDown());
    }
    void pickingEntries()
    {
        MainWindow window;
        QVERIFY(shown(window));
        DashboardController *d = window.dashboards();
        d->setFlyoutTimes(0, 500);
        const qint64 lineFace = d->shapeButton()->icon().cacheKey();
        enter(d->shapeButton());
        QTRY_VERIFY(d->shapeFlyout()->isVisible());
        action(window, "filledShapes")->setChecked(false);
        entry(d->shapeFlyout(), QStringLiteral("Filled Star"))->click();
        QVERIFY(!d->shapeFlyout()->isVisible());
        QVERIFY(action(window, "shapeStar")->isChecked() &&
                action(window, "filledShapes")->isChecked());
        QVERIFY(action(window, "shapeTool")->isChecked() && d->shapeButton()->isChecked());
        QVERIFY(d->shapeButton()->icon().cacheKey() != lineFace);

        // Rectangle, outlined: the check marks follow when it opens again.
        enter(d->shapeButton());
        QTRY_VERIFY(d->shapeFlyout()->isVisible());
        QVERIFY(entry(d->shapeFlyout(), QStringLiteral("Filled Star"))->isChecked());
        entry(d->shapeFlyout(), QStringLiteral("Rectangle"))->click();
        QVERIFY(action(window, "shapeRectangle")->isChecked());
        QVERIFY(!action(window, "filledShapes")->isChecked());

        // The selection button wears the last selection tool used.
        const QImage rectangle = iconImage(DashboardIcons::icon(QStringLiteral("tool_selection")));
        const QImage lasso = iconImage(DashboardIcons::icon(QStringLiteral("tool_selectionlasso")));
        QCOMPARE(iconImage(d->selectionButton()->icon()), rectangle);
        enter(d->selectionButton());
        QTRY_VERIFY(d->selectionFlyout()->isVisible());
        entry(d->selectionFlyout(), QStringLiteral("Lasso Select"))->click();
        QVERIFY(action(window, "lassoSelectTool")->isChecked() &&
                d->selectionButton()->isChecked());
        QCOMPARE(iconImage(d->selectionButton()->icon()), lasso);
        // The pen by its key: the selection button goes out, its face stays.
        action(window, "penTool")->trigger();
        QVERIFY(!d->selectionButton()->isChecked());
        d->selectionButton()->click();
        QVERIFY(action(window, "lassoSelectTool")->isChecked());
        // The rectangle tool from the menu becomes the face too.
        action(window, "rectSelectTool")->trigger();
        QCOMPARE(iconImage(d->selectionButton()->icon()), rectangle);
    }
    // Resting on the shape button opens the flyout, not a tooltip.
    void pointerOverTheBars()
    {
        MainWindow window;
        QVERIFY(shown(window));
        DashboardController *d = window.dashboards();
        QToolButton *pen = buttonOf(d->toolDashboard(), action(window, "penTool"));
        for (QToolButton *button : {pen, static_cast<QToolButton *>(d->shapeButton()),
                                    static_cast<QToolButton *>(d->selectionButton())}) {
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
            QHelpEvent help(QEvent::ToolTip, QPoint(3, 3), button->mapToGlobal(QPoint(3, 3)));
            QApplication::sendEvent(button, &help);
            QCOMPARE(QToolTip::isVisible(), button == pen);
        }
        // Over a dashboard the brush preview goes: the canvas forgets its hover pixel.
        CanvasArea *canvas = window.canvas();
        const QPoint middle = canvas->rect().center();
        for (DashboardBar *bar :
             {window.dashboards()->toolDashboard(), window.dashboards()->brushDashboard(),
              window.dashboards()->paletteDashboard()}) {
            QMouseEvent move(QEvent::MouseMove, QPointF(middle),
                             canvas->mapToGlobal(QPointF(middle)), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(canvas, &move);
            QVERIFY(canvas->isHoverValid());
            enter(bar);
            QVERIFY(!canvas->isHoverValid());
        }
    }

    // The colour widgets follow the canvas and the document, and it them.
    void colourWidgetsAndTheCanvas()
    {
        MainWindow window;
        QVERIFY(shown(window));
        PaletteWidget *palette = window.dashboards()->paletteWidget();
        CanvasArea *canvas = window.canvas();
        // Clicks on the strip set the pen colours.
        const int column = palette->width() / 16;
        QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(column * 9 + column / 2, 10));
        QCOMPARE(int(canvas->paintSettings().penIndex()), 9);
        QTest::mousePress(palette, Qt::RightButton, {}, QPoint(column * 4 + column / 2, 10));
        QCOMPARE(int(canvas->paintSettings().secondaryIndex()), 4);
        // The eyedropper's pick moves the markers.
        window.project().colormap().setPixel(3, 3, 11);
        canvas->setEyedropperTool(true);
        const QPoint at = canvas->viewTransform().toWidget(QPointF(3.5, 3.5)).toPoint();
        QTest::mouseClick(canvas, Qt::LeftButton, {}, at);
        QCOMPARE(int(palette->primaryIndex()), 11);
        QTest::mouseClick(canvas, Qt::RightButton, {}, at);
        QCOMPARE(int(palette->secondaryIndex()), 11);

        TextureWidget *textures = window.dashboards()->textureWidget();
        const QList<Texture> hires = Texture::fromStripFile(textureSheetPath(false));
        const QList<Texture> multi = Texture::fromStripFile(textureSheetPath(true));
        QVERIFY(hires.size() > 4 && hires != multi);
        QCOMPARE(textures->textures(),
                 window.project().mode() == CanvasMode::Multicolor ? multi : hires);
        textures->resize(textures->sizeHint());
        QTest::mousePress(textures, Qt::RightButton, {}, QPoint(3 * 22 + 5, 5));
        QCOMPARE(canvas->paintSettings().texture(), textures->textures().at(3).negative());
        window.newHiresCanvas();
        QCOMPARE(textures->textures(), hires);
        QVERIFY(canvas->paintSettings().texture().isSolid());
        window.newMulticolorSpritesCanvas();
        QCOMPARE(textures->textures(), multi);
        QVERIFY(canvas->paintSettings().texture().isSolid());
        // The slot bar follows the new layout.
        QCOMPARE(window.dashboards()->slotWidget()->shownSlots().size(), 3);
    }
};

QTEST_MAIN(TestDashboards)
#include "tst_dashboards.moc"
