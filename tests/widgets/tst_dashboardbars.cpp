// The dashboard bar and its buttons.

#include "widgets/dashboardbar.h"
#include "widgets/dashboardbutton.h"

#include <QAction>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

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

} // namespace

class TestDashboardBars : public QObject
{
    Q_OBJECT

private slots:
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
        QMouseEvent move(QEvent::MouseMove, QPointF(150, 20), QPointF(160, 30), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QCOMPARE(backdrop.presses, 0);
        // The backdrop itself still hears its own presses.
        QTest::mousePress(&backdrop, Qt::LeftButton, {}, QPoint(350, 150));
        QCOMPARE(backdrop.presses, 1);
    }
    void buttonTints()
    {
        const QColor grey(128, 128, 128), light(232, 234, 237), none;
        // The colour painted; invalid: the icon as drawn.
        const struct {
            QColor inactive, active;
            bool checked;
            QColor painted;
        } cases[] = {{none, none, false, none},
                     {grey, light, false, grey},
                     {grey, light, true, light},
                     {grey, none, true, none},
                     {none, light, false, none}};
        for (const auto &c : cases) {
            DashboardButton button;
            button.setCheckable(true);
            button.setIconSize(QSize(20, 20));
            button.setIcon(whiteSquare());
            button.setInactiveIconColor(c.inactive);
            button.setActiveIconColor(c.active);
            button.setChecked(c.checked);
            const auto shown = [&button] {
                return button.paintedIcon().pixmap(QSize(20, 20), 1.0).toImage();
            };
            QCOMPARE(QColor(shown().pixel(10, 10)), c.painted.isValid() ? c.painted : Qt::white);
            QCOMPARE(qAlpha(shown().pixel(1, 1)), 0); // transparent stays transparent
            // A new icon is tinted afresh, at both device pixel ratios.
            QPixmap other(40, 40);
            other.setDevicePixelRatio(2);
            other.fill(Qt::blue);
            button.setIcon(QIcon(other));
            QCOMPARE(QColor(shown().pixel(10, 10)), c.painted.isValid() ? c.painted : Qt::blue);
            QCOMPARE(button.paintedIcon().pixmap(QSize(20, 20), 2.0).size(), QSize(40, 40));
        }
    }
};

QTEST_MAIN(TestDashboardBars)
#include "tst_dashboardbars.moc"
