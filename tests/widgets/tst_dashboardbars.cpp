// The dashboard bar, its buttons and separators.

#include "widgets/dashboardbar.h"
#include "widgets/dashboardbutton.h"
#include "widgets/dashboardseparator.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

namespace
{

// Counts the mouse presses that fall through to it.
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
    QIcon icon;
    for (const int ratio : {1, 2}) {
        QPixmap pixmap(20 * ratio, 20 * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.fillRect(QRect(5, 5, 10, 10), Qt::white);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QRgb centreOf(const QIcon &icon)
{
    return icon.pixmap(QSize(20, 20), 1.0).toImage().pixel(10, 10);
}

} // namespace

class TestDashboardBars : public QObject
{
    Q_OBJECT

private slots:
    void separatorWidth_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("right");
        QTest::addColumn<int>("width");
        QTest::newRow("defaults") << 4 << 1 << 13 << 18;
        QTest::newRow("wide line") << 2 << 5 << 3 << 10;
        QTest::newRow("negative left") << -7 << 1 << 13 << 14;
        QTest::newRow("negative line") << 4 << -2 << 13 << 17;
        QTest::newRow("all negative") << -1 << -1 << -1 << 0;
        QTest::newRow("no gaps") << 0 << 3 << 0 << 3;
    }
    void separatorWidth()
    {
        QFETCH(int, left);
        QFETCH(int, line);
        QFETCH(int, right);
        QFETCH(int, width);
        DashboardSeparator separator;
        QCOMPARE(separator.width(), 18);
        QCOMPARE(separator.minimumWidth(), 18);
        separator.setLeftGap(left);
        separator.setLineWidth(line);
        separator.setRightGap(right);
        QCOMPARE(separator.minimumWidth(), width);
        QCOMPARE(separator.maximumWidth(), width);
        QCOMPARE(separator.leftGap(), std::max(left, 0));
        QCOMPARE(separator.lineWidth(), std::max(line, 0));
        QCOMPARE(separator.rightGap(), std::max(right, 0));
        separator.setVerticalInset(-4);
        QCOMPARE(separator.verticalInset(), 0);
    }
    void separatorPaintsItsLine()
    {
        DashboardSeparator separator;
        separator.setLineColor(Qt::red);
        separator.setLineWidth(2);
        separator.resize(separator.minimumWidth(), 20);
        QImage image(separator.size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        separator.render(&image, {}, {}, QWidget::DrawChildren);
        QCOMPARE(image.pixel(4, 10), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(5, 10), qRgb(255, 0, 0));
        QCOMPARE(qAlpha(image.pixel(6, 10)), 0);
        QCOMPARE(qAlpha(image.pixel(3, 10)), 0);
        QCOMPARE(qAlpha(image.pixel(4, 2)), 0); // the inset of 3
        QCOMPARE(image.pixel(4, 3), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(4, 16), qRgb(255, 0, 0));
        QCOMPARE(qAlpha(image.pixel(4, 17)), 0);
    }
    void barDefaultsAndButtons()
    {
        DashboardBar bar;
        QCOMPARE(bar.pillFill(), QColor(53, 53, 53));
        QCOMPARE(bar.pillEdge(), QColor(38, 38, 38));
        QCOMPARE(bar.pillRadius(), 12);
        QCOMPARE(bar.pillOpacity(), 0.8);
        QCOMPARE(bar.focusPolicy(), Qt::NoFocus);
        QCOMPARE(bar.boxLayout()->contentsMargins(), QMargins(10, 5, 10, 5));
        QCOMPARE(bar.boxLayout()->spacing(), 2);
        bar.growVerticalMargins(5);
        QCOMPARE(bar.boxLayout()->contentsMargins(), QMargins(10, 10, 10, 10));

        QAction action(whiteSquare(), QStringLiteral("Pen Tool"));
        action.setCheckable(true);
        DashboardButton *button = bar.addAction(&action);
        QCOMPARE(button->defaultAction(), &action);
        QCOMPARE(button->iconSize(), QSize(20, 20));
        QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        DashboardButton *plain = bar.addButton(whiteSquare(), QStringLiteral("Shapes"));
        QCOMPARE(plain->toolTip(), QStringLiteral("Shapes"));
        QVERIFY(!plain->defaultAction());
        QCOMPARE(bar.boxLayout()->count(), 2);
    }
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
    void flatBottomSquaresTheLowerCorners()
    {
        DashboardBar bar;
        bar.setPillOpacity(1.0);
        bar.setPillFill(Qt::red);
        bar.setPillEdge(Qt::red);
        bar.resize(100, 40);
        const auto corners = [&bar] {
            QImage image(bar.size(), QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            bar.render(&image, {}, {}, QWidget::DrawChildren);
            return std::pair(qAlpha(image.pixel(1, 1)), qAlpha(image.pixel(1, 38)));
        };
        QCOMPARE(corners(), std::pair(0, 0));
        bar.setFlatBottom(true);
        QVERIFY(bar.isFlatBottom());
        const auto flat = corners();
        QCOMPARE(flat.first, 0);
        QCOMPARE(flat.second, 255);
    }
    void buttonTints_data()
    {
        QTest::addColumn<QColor>("inactive");
        QTest::addColumn<QColor>("active");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QColor>("painted");
        QTest::newRow("no colours") << QColor() << QColor() << false << QColor(Qt::white);
        QTest::newRow("inactive colour, unchecked")
            << QColor(128, 128, 128) << QColor(232, 234, 237) << false << QColor(128, 128, 128);
        QTest::newRow("active colour, checked")
            << QColor(128, 128, 128) << QColor(232, 234, 237) << true << QColor(232, 234, 237);
        QTest::newRow("checked without an active colour")
            << QColor(128, 128, 128) << QColor() << true << QColor(Qt::white);
        QTest::newRow("unchecked without an inactive colour")
            << QColor() << QColor(0, 200, 0) << false << QColor(Qt::white);
    }
    void buttonTints()
    {
        QFETCH(QColor, inactive);
        QFETCH(QColor, active);
        QFETCH(bool, checked);
        QFETCH(QColor, painted);
        DashboardButton button;
        button.setCheckable(true);
        button.setIconSize(QSize(20, 20));
        button.setIcon(whiteSquare());
        button.setInactiveIconColor(inactive);
        button.setActiveIconColor(active);
        button.setChecked(checked);
        QCOMPARE(QColor(centreOf(button.paintedIcon())), painted);
        // Transparent stays transparent.
        QCOMPARE(qAlpha(button.paintedIcon().pixmap(QSize(20, 20), 1.0).toImage().pixel(1, 1)), 0);
        // A new icon is tinted afresh.
        QPixmap other(40, 40);
        other.setDevicePixelRatio(2);
        other.fill(Qt::blue);
        button.setIcon(QIcon(other));
        const QColor expected = painted == QColor(Qt::white) ? QColor(Qt::blue) : painted;
        QCOMPARE(QColor(centreOf(button.paintedIcon())), expected);
        // Both device pixel ratios are there.
        QCOMPARE(button.paintedIcon().pixmap(QSize(20, 20), 2.0).size(), QSize(40, 40));
    }
};

QTEST_MAIN(TestDashboardBars)
#include "tst_dashboardbars.moc"
