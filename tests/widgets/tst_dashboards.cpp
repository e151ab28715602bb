// The dashboards' widgets on their own: the palette strip, the texture bar
// and the colour slot bar driven with real mouse presses, the dashboard bar
// and its buttons; and the dashboards as the main window builds them:
// placement, the flyouts with their timers, and the colour widgets wired to
// the canvas.

#include "../app/windowtesthelpers.h"
#include "../common/paintrows.h"

#include "app/dashboardcontroller.h"
#include "canvas/canvasarea.h"
#include "document/project.h"
#include "paint/texture.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/dashboardbar.h"
#include "widgets/dashboardbutton.h"
#include "widgets/dashboardicons.h"
#include "widgets/palettewidget.h"
#include "widgets/texturewidget.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>

Q_DECLARE_METATYPE(Qt::MouseButton)

namespace
{

// Counts the mouse presses and moves that fall through to it.
class Backdrop : public QWidget
{
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent *) override { ++presses; }
    void mouseMoveEvent(QMouseEvent *) override { ++presses; }
};

QIcon whiteSquare()
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter(&pixmap).fillRect(QRect(5, 5, 10, 10), Qt::white);
    return QIcon(pixmap);
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

// Rests the pointer on a dashboard button until its flyout shows.
bool opens(QWidget *button, const QWidget *flyout)
{
    enter(button);
    return QTest::qWaitFor([flyout] { return flyout->isVisible(); });
}

QList<DashboardBar *> barsOf(const DashboardController *d)
{
    return {d->toolDashboard(), d->brushDashboard(), d->paletteDashboard()};
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(QSize(24, 24), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
}

Texture randomPattern(QRandomGenerator &random)
{
    std::array<quint16, Texture::Size> rows{};
    for (quint16 &row : rows)
        row = quint16(random.bounded(0xFFFF)); // never all 0xFFFF
    rows[0] = 0x5555;
    return Texture(rows);
}

quint32 rgbAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

} // namespace

class TestDashboards : public QObject
{
    Q_OBJECT

private slots:
    void init() { freshSettings(); }

    // No press or move on a bar reaches the widget beneath it.
    void barSwallowsThePointer()
    {
        Backdrop backdrop;
        backdrop.setMouseTracking(true);
        backdrop.resize(400, 200);
        auto *bar = new DashboardBar(&backdrop);
        bar->setGeometry(10, 10, 300, 40);
        QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(150, 20));
        QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(150, 20));
        QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(150, 20));
        moveTo(bar, bar->mapToGlobal(QPoint(150, 20)));
        QCOMPARE(backdrop.presses, 0);
        // The backdrop itself still hears its own presses.
        QTest::mousePress(&backdrop, Qt::LeftButton, {}, QPoint(350, 150));
        QCOMPARE(backdrop.presses, 1);
    }
    void buttonTints()
    {
        const QColor grey(128, 128, 128), light(232, 234, 237), none;
        // Inactive and active tint, checked, the colour painted; invalid:
        // the icon as drawn.
        using Case = std::tuple<QColor, QColor, bool, QColor>;
        for (const auto &[inactive, active, checked, painted] :
             {Case{none, none, false, none}, Case{grey, light, false, grey},
              Case{grey, light, true, light}, Case{grey, none, true, none},
              Case{none, light, false, none}}) {
            DashboardButton button;
            button.setCheckable(true);
            button.setIconSize(QSize(20, 20));
            button.setIcon(whiteSquare());
            button.setInactiveIconColor(inactive);
            button.setActiveIconColor(active);
            button.setChecked(checked);
            const auto shown = [&button] {
                return button.paintedIcon().pixmap(QSize(20, 20), 1.0).toImage();
            };
            QCOMPARE(QColor(shown().pixel(10, 10)), painted.isValid() ? painted : Qt::white);
            QCOMPARE(qAlpha(shown().pixel(1, 1)), 0); // transparent stays transparent
            // A new icon is tinted afresh, at both device pixel ratios.
            QPixmap other(40, 40);
            other.setDevicePixelRatio(2);
            other.fill(Qt::blue);
            button.setIcon(QIcon(other));
            QCOMPARE(QColor(shown().pixel(10, 10)), painted.isValid() ? painted : Qt::blue);
            QCOMPARE(button.paintedIcon().pixmap(QSize(20, 20), 2.0).size(), QSize(40, 40));
        }
    }

    // The width steps go one at a time; Show Dashboards hides and shows all
    // three bars.
    void buildsTheBars()
    {
        MainWindow window;
        DashboardController *d = window.dashboards();
        const auto button = [d](const char *name) {
            return d->brushDashboard()->findChild<QToolButton *>(QLatin1String(name));
        };
        QToolButton *plus = button("increasePenWidthButton"),
                    *minus = button("decreasePenWidthButton");
        QVERIFY(plus->autoRepeat() && minus->autoRepeat());
        // The limits are the width keys' (tst_mainwindow's penWidthKeys).
        plus->click();
        QCOMPARE(window.paintSettings()->brushSettings().width, 2);
        minus->click();
        QCOMPARE(window.paintSettings()->brushSettings().width, 1);
        for (const bool hidden : {true, false}) {
            entry(window, "showDashboards")->trigger();
            for (const DashboardBar *bar : barsOf(d))
                QCOMPARE(bar->isHidden(), hidden);
        }
    }

    // The settings are in seconds, the timers in rounded milliseconds.
    // Resting on the shape button starts the hover timer, leaving or a press
    // stops it; resting longer opens the flyout, centred under the button.
    void hoverOpensAfterTheDelay()
    {
        for (auto [hover, grace, hoverMs, graceMs] :
             {std::tuple{-1.0, -1.0, 500, 500}, std::tuple{0.1236, 0.0004, 124, 0}}) {
            freshSettings();
            if (hover >= 0) {
                QSettings().setValue(QStringLiteral("general/toolFlyoutHoverDelaySeconds"), hover);
                QSettings().setValue(QStringLiteral("general/toolFlyoutLeaveGraceSeconds"), grace);
            }
            MainWindow window;
            QVERIFY(shownAndExposed(window, QSize(1000, 700)));
            DashboardController *d = window.dashboards();
            QWidget *flyout = d->shapeFlyout();
            QTimer *hoverTimer = window.findChild<QTimer *>(QStringLiteral("flyoutHoverTimer"));
            QCOMPARE(std::pair(d->hoverDelayMs(), d->leaveGraceMs()), std::pair(hoverMs, graceMs));
            enter(d->shapeButton());
            QVERIFY(hoverTimer->isActive() && hoverTimer->interval() == hoverMs);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(d->shapeButton(), &leave);
            QVERIFY(!hoverTimer->isActive());
            // A press stops it too; clicking again leaves the tool on.
            enter(d->shapeButton());
            QTest::mousePress(d->shapeButton(), Qt::LeftButton);
            QVERIFY(!hoverTimer->isActive());
            QTest::mouseRelease(d->shapeButton(), Qt::LeftButton);
            QTest::mouseClick(d->shapeButton(), Qt::LeftButton);
            QVERIFY(entry(window, "shapeTool")->isChecked() && d->shapeButton()->isChecked());
            enter(d->shapeButton());
            QVERIFY(!flyout->isVisible());
            QTRY_VERIFY(flyout->isVisible());
            // Under the button, with the current kind checked.
            const QRect button(d->shapeButton()->mapToGlobal(QPoint(0, 0)),
                               d->shapeButton()->size());
            QVERIFY(std::abs(flyout->geometry().center().x() - button.center().x()) <= 1);
            QVERIFY(flyout->geometry().top() > button.bottom());
            QVERIFY(entry(flyout, QStringLiteral("Line"))->isChecked());
            QTRY_COMPARE(flyout->windowOpacity(), 1.0);
            // Resting on it again while it is open starts nothing.
            enter(d->shapeButton());
            QVERIFY(!hoverTimer->isActive());
        }
    }
    void leavingTheFlyout()
    {
        MainWindow window;
        QVERIFY(shownAndExposed(window, QSize(1000, 700)));
        DashboardController *d = window.dashboards();
        d->setFlyoutTimes(0, 300);
        QWidget *flyout = d->shapeFlyout();
        QTimer *grace = window.findChild<QTimer *>(QStringLiteral("flyoutLeaveGraceTimer"));
        QVERIFY(opens(d->shapeButton(), flyout));

        // Out into the empty canvas: the grace time starts, the flyout stays.
        const QPoint emptyCanvas = window.canvas()->mapToGlobal(QPoint(30, 300));
        moveTo(flyout, emptyCanvas);
        QVERIFY(grace->isActive() && flyout->isVisible());
        // Back within the grace time: it stays open.
        moveTo(flyout, globalCentre(flyout));
        QVERIFY(!grace->isActive());
        moveTo(flyout, globalCentre(d->shapeButton()));
        QVERIFY(!grace->isActive() && flyout->isVisible());
        // Out again and away for good: it closes after the grace time.
        moveTo(flyout, emptyCanvas);
        QVERIFY(grace->isActive());
        QTRY_VERIFY(!flyout->isVisible() && !d->openFlyout());

        // Onto another tool button: closed at once.
        QVERIFY(opens(d->shapeButton(), flyout));
        moveTo(flyout, globalCentre(buttonOf(d->toolDashboard(), entry(window, "penTool"))));
        QVERIFY(!flyout->isVisible() && !grace->isActive());

        // A press on another dashboard button closes the flyout and runs that
        // button's action; the press goes no further.
        QVERIFY(opens(d->selectionButton(), d->selectionFlyout()));
        QAction *eraser = entry(window, "eraserTool");
        QToolButton *eraserButton = buttonOf(d->toolDashboard(), eraser);
        QTest::mousePress(eraserButton, Qt::LeftButton);
        QVERIFY(!d->selectionFlyout()->isVisible() && eraser->isChecked() &&
                !eraserButton->isDown());
    }
    void pickingEntries()
    {
        MainWindow window;
        QVERIFY(shownAndExposed(window, QSize(1000, 700)));
        DashboardController *d = window.dashboards();
        d->setFlyoutTimes(0, 500);
        const qint64 lineFace = d->shapeButton()->icon().cacheKey();
        QVERIFY(opens(d->shapeButton(), d->shapeFlyout()));
        entry(window, "filledShapes")->setChecked(false);
        entry(d->shapeFlyout(), QStringLiteral("Filled Star"))->click();
        QVERIFY(!d->shapeFlyout()->isVisible() && d->shapeButton()->icon().cacheKey() != lineFace);
        QVERIFY(entry(window, "shapeStar")->isChecked() &&
                entry(window, "filledShapes")->isChecked());
        QVERIFY(entry(window, "shapeTool")->isChecked() && d->shapeButton()->isChecked());

        // Rectangle, outlined: the check marks follow when it opens again.
        QVERIFY(opens(d->shapeButton(), d->shapeFlyout()));
        QVERIFY(entry(d->shapeFlyout(), QStringLiteral("Filled Star"))->isChecked());
        entry(d->shapeFlyout(), QStringLiteral("Rectangle"))->click();
        QVERIFY(entry(window, "shapeRectangle")->isChecked() &&
                !entry(window, "filledShapes")->isChecked());

        // The selection button wears the last selection tool used.
        const QImage rectangle = iconImage(DashboardIcons::icon(QStringLiteral("tool_selection")));
        const QImage lasso = iconImage(DashboardIcons::icon(QStringLiteral("tool_selectionlasso")));
        QCOMPARE(iconImage(d->selectionButton()->icon()), rectangle);
        QVERIFY(opens(d->selectionButton(), d->selectionFlyout()));
        entry(d->selectionFlyout(), QStringLiteral("Lasso Select"))->click();
        QVERIFY(entry(window, "lassoSelectTool")->isChecked() && d->selectionButton()->isChecked());
        QCOMPARE(iconImage(d->selectionButton()->icon()), lasso);
        // The pen by its key: the selection button goes out, its face stays.
        entry(window, "penTool")->trigger();
        QVERIFY(!d->selectionButton()->isChecked());
        d->selectionButton()->click();
        QVERIFY(entry(window, "lassoSelectTool")->isChecked());
        // The rectangle tool from the menu becomes the face too.
        entry(window, "rectSelectTool")->trigger();
        QCOMPARE(iconImage(d->selectionButton()->icon()), rectangle);
    }
    // Resting on the shape button opens the flyout, not a tooltip.
    void pointerOverTheBars()
    {
        MainWindow window;
        QVERIFY(shownAndExposed(window, QSize(1000, 700)));
        DashboardController *d = window.dashboards();
        QToolButton *pen = buttonOf(d->toolDashboard(), entry(window, "penTool"));
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
        for (DashboardBar *bar : barsOf(d)) {
            moveTo(canvas, canvas->mapToGlobal(middle));
            QVERIFY(canvas->isHoverValid());
            enter(bar);
            QVERIFY(!canvas->isHoverValid());
        }
    }

    // The colour widgets follow the canvas and the document, and it them.
    void colourWidgetsAndTheCanvas()
    {
        MainWindow window;
        QVERIFY(shownAndExposed(window, QSize(1000, 700)));
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
        QVERIFY(textures->textures() == hires && canvas->paintSettings().texture().isSolid());
        window.newMulticolorSpritesCanvas();
        QVERIFY(textures->textures() == multi && canvas->paintSettings().texture().isSolid());
    }
    // Any width, any x: the left button makes column floor(16 x / width) the
    // primary colour, the right one the secondary, with a signal on every
    // press, the same colour again included; past the sixteen, with the
    // middle button or an index out of range nothing changes or fires.
    void palettePresses()
    {
        QRandomGenerator random(2026);
        Project project;
        PaletteWidget palette(project);
        QSignalSpy primary(&palette, &PaletteWidget::primaryIndexSelected);
        QSignalSpy secondary(&palette, &PaletteWidget::secondaryIndexSelected);
        int width = 0, x = 0;
        for (int round = 0; round < 300; ++round) {
            const bool right = round % 3 == 2;
            if (round % 3 != 1) { // else the press before it again
                width = 160 + random.bounded(900);
                x = random.bounded(width);
                palette.resize(width, 28);
            }
            QTest::mousePress(&palette, right ? Qt::RightButton : Qt::LeftButton, {}, QPoint(x, 5));
            QCOMPARE(primary.size() + secondary.size(), round + 1);
            QCOMPARE(int(right ? palette.secondaryIndex() : palette.primaryIndex()),
                     x * 16 / width);
            QCOMPARE((right ? secondary : primary).last().first().value<uint8_t>(), x * 16 / width);
        }
        const auto indices = std::pair(palette.primaryIndex(), palette.secondaryIndex());
        for (const auto &[x, button] :
             {std::pair{palette.width(), Qt::LeftButton},
              std::pair{palette.width() + 60, Qt::RightButton}, std::pair{10, Qt::MiddleButton}})
            QTest::mousePress(&palette, button, {}, QPoint(x, 5));
        palette.setPrimaryIndex(16);
        palette.setSecondaryIndex(200);
        QCOMPARE(std::pair(palette.primaryIndex(), palette.secondaryIndex()), indices);
        QCOMPARE(primary.size() + secondary.size(), 300);
    }
    void textureClicks_data() { addTextRows("widgets/colorwidgets.txt", "texture"); }
    void textureClicks()
    {
        QFETCH(QStringList, row);
        const int slot = row[1].toInt(), emitted = row[3].toInt();
        const bool negative = row[2] == u'1';

        QRandomGenerator random(7);
        const QList<Texture> textures = {Texture::solid(), randomPattern(random),
                                         randomPattern(random), randomPattern(random)};
        TextureWidget bar;
        bar.setTextures(textures, QList<QImage>(4, QImage(16, 16, QImage::Format_RGB32)));
        bar.resize(bar.sizeHint());
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        for (const QString &click : row[0].split(u' '))
            QTest::mousePress(&bar, click.startsWith(u'R') ? Qt::RightButton : Qt::LeftButton, {},
                              QPoint(click.mid(1).toInt() * 22 + 11, 11));
        QCOMPARE(std::tuple(bar.selectedIndex(), bar.isNegative(), int(spy.size())),
                 std::tuple(slot, negative, emitted));
        if (emitted > 0)
            QCOMPARE(spy.last().first().value<Texture>(),
                     negative ? textures.at(slot).negative() : textures.at(slot));
    }
    // The selected negative slot shows its swatch inverted; new textures start
    // again at the solid pen, and say so.
    void negativeSwatchAndReset()
    {
        QImage swatch(16, 16, QImage::Format_RGB32);
        swatch.fill(Qt::white);
        swatch.setPixel(5, 5, qRgb(0, 0, 0));
        TextureWidget bar;
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        bar.setTextures({}, {});
        QCOMPARE(spy.size(), 0);
        bar.setTextures({Texture::solid(), Texture::fromStrip(swatch).constFirst()},
                        {swatch, swatch});
        bar.resize(bar.sizeHint());
        QCOMPARE(rgbAt(bar.grab().toImage(), 22 + 8, 8), 0xFFFFFFu);
        QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(30, 10));
        const QImage shown = bar.grab().toImage();
        QCOMPARE(rgbAt(shown, 22 + 8, 8), 0x000000u);
        QCOMPARE(rgbAt(shown, 22 + 5, 5), 0xFFFFFFu);

        QRandomGenerator random(11);
        const QList<Texture> second = {randomPattern(random), Texture::solid(),
                                       randomPattern(random)};
        bar.setTextures(second, {});
        QCOMPARE(std::tuple(bar.selectedIndex(), bar.isNegative(), int(spy.size())),
                 std::tuple(0, false, 3));
        QCOMPARE(spy.last().first().value<Texture>(), second.first());
    }

    // Which slots each canvas shows is the project's (tst_project); the bar
    // lays out all of them, or none, each wearing the colour it assigns, and
    // stretched it still splits evenly.
    void slotBar()
    {
        using S = ColorSlot;
        const QList<S> topBottom{S::Background,        S::Border,           S::TopBackground,
                                 S::TopMulticolor0,    S::TopMulticolor1,   S::BottomBackground,
                                 S::BottomMulticolor0, S::BottomMulticolor1};
        for (const auto &[mode, layout, width, expected] :
             {std::tuple{CanvasMode::Multicolor, CanvasLayout::TopBottomBorderSprites, -1,
                         topBottom},
              std::tuple{CanvasMode::Hires, CanvasLayout::BitmapOnly, 400, QList<S>{}}}) {
            Project project(mode, width, -1, LayoutSpec{layout}, 1);
            for (int slot = 0; slot < ColorSlotCount; ++slot)
                project.setSlot(S(slot), quint8(slot + 3));
            ColorAssignmentWidget bar(project);
            QCOMPARE(bar.shownSlots(), expected);
            const auto count = int(expected.size());
            QCOMPARE(bar.sizeHint(), QSize(46 * count, 29));
            bar.resize(bar.sizeHint());
            const QImage image = bar.grab().toImage();
            QSignalSpy spy(&bar, &ColorAssignmentWidget::slotClicked);
            for (int i = 0; i < count; ++i) {
                QCOMPARE(rgbAt(image, i * 46 + 5, 14),
                         paletteRgb(project.paletteVariant(), int(expected[i]) + 3) & 0xFFFFFF);
                // The first and last pixel of each slot, left and right buttons.
                QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(i * 46, 14));
                QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(i * 46 + 45, 14));
            }
            QTest::mousePress(&bar, Qt::MiddleButton, {}, QPoint(10, 14));
            QCOMPARE(spy.size(), 2 * count);
            for (int i = 0; i < 2 * count; ++i) {
                QCOMPARE(spy.at(i).at(0).value<ColorSlot>(), expected.at(i / 2));
                QCOMPARE(spy.at(i).at(1).value<Qt::MouseButton>(),
                         i % 2 ? Qt::RightButton : Qt::LeftButton);
            }
            bar.resize(100, 29);
            for (const auto &[x, index] :
                 {std::pair{12.4, 0}, std::pair{12.6, 1}, std::pair{87.6, 7}, std::pair{100.0, -1}})
                QCOMPARE(bar.slotIndexAt(x), count ? index : -1);
        }
    }
};

QTEST_MAIN(TestDashboards)
#include "tst_dashboards.moc"
