#include "app/darkappearance.h"
#include "app/mainwindow.h"
#include "app/menupolishfilter.h"

#include "canvas/canvasarea.h"

#include <QApplication>
#include <QFile>
#include <QImageReader>
#include <QMenu>
#include <QRegularExpression>
#include <QResource>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

class TestDarkAppearance : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
    }
    void cleanup() { qApp->setStyleSheet(QString()); }

    void styleSheetIsStoredCompressed()
    {
        // Reading it once registers the library's resources.
        QVERIFY(!DarkAppearance::styleSheet().isEmpty());
        const QResource resource(QLatin1String(DarkAppearance::StyleSheetPath));
        QVERIFY(resource.isValid());
        QVERIFY(resource.compressionAlgorithm() != QResource::NoCompression);
        QVERIFY(resource.size() < resource.uncompressedSize());
        QVERIFY(DarkAppearance::styleSheet().contains(QLatin1String("qproperty-backdropColor")));
    }

    // Every image the style sheet names is in the resources and can be drawn.
    void styleSheetImages_data()
    {
        QTest::addColumn<QString>("path");
        const QRegularExpression url(QStringLiteral(R"(url\(([^)]+)\))"));
        QSet<QString> seen;
        auto it = url.globalMatch(DarkAppearance::styleSheet());
        while (it.hasNext()) {
            const QString path = it.next().captured(1);
            if (!seen.contains(path))
                QTest::newRow(qPrintable(path)) << path;
            seen.insert(path);
        }
        // The indicators, arrows, menu marks and the chooser's buttons at least.
        QVERIFY(seen.size() >= 30);
    }
    void styleSheetImages()
    {
        QFETCH(QString, path);
        QVERIFY2(path.startsWith(QLatin1String(":/styles/controls/")) ||
                     path.startsWith(QLatin1String(":/styles/filedialog/")),
                 qPrintable(path));
        QImageReader reader(path);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(path + QLatin1Char(' ') + reader.errorString()));
        QVERIFY(image.width() >= 8 && image.width() <= 16);
    }

    // The look set on a running window reaches the drawing area's backdrop.
    void backdropOnARealWindow()
    {
        MainWindow window;
        CanvasArea *canvas = window.canvas();
        canvas->setBackdropColor(Qt::red);
        DarkAppearance::apply(*qApp);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(canvas->backdropColor(), QColor(0x30, 0x30, 0x30));
        QCOMPARE(qApp->palette().color(QPalette::Window), QColor(0x39, 0x39, 0x39));
        QVERIFY(!qApp->styleSheet().isEmpty());
    }

    void missingStyleSheetKeepsFusionAndPalette()
    {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("style sheet.*nothing\\.qss")));
        DarkAppearance::apply(*qApp, QStringLiteral(":/styles/nothing.qss"));
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
        const QPalette palette = qApp->palette();
        QCOMPARE(palette.color(QPalette::Base), QColor(0x2B, 0x2B, 0x2B));
        QCOMPARE(palette.color(QPalette::Disabled, QPalette::Text), QColor(0x99, 0x99, 0x99));
        QCOMPARE(palette.color(QPalette::Highlight), QColor(0x0A, 0x84, 0xFF));
    }

    void menusBecomeFramelessAndTranslucent_data()
    {
        QTest::addColumn<bool>("submenu");
        QTest::newRow("menu") << false;
        QTest::newRow("sub-menu") << true;
    }
    void menusBecomeFramelessAndTranslucent()
    {
        QFETCH(bool, submenu);
        DarkAppearance::apply(*qApp);
        DarkAppearance::apply(*qApp);
        // One filter, however often the look is applied.
        QCOMPARE(
            qApp->findChildren<MenuPolishFilter *>(QString(), Qt::FindDirectChildrenOnly).size(),
            1);
        QMenu top;
        QMenu *menu = submenu ? top.addMenu(QStringLiteral("More")) : &top;
        QVERIFY(!menu->testAttribute(Qt::WA_TranslucentBackground));
        menu->ensurePolished();
        QVERIFY(menu->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(menu->windowFlags().testFlag(Qt::NoDropShadowWindowHint));
        QVERIFY(menu->windowFlags().testFlag(Qt::Popup));
        QVERIFY(menu->testAttribute(Qt::WA_TranslucentBackground));
        menu->addAction(QStringLiteral("Entry"));
        menu->popup(QPoint(20, 20));
        QVERIFY(menu->isVisible());
        QVERIFY(menu->windowFlags().testFlag(Qt::FramelessWindowHint));
        menu->hide();

        // Other windows are left as they are.
        QWidget plain;
        plain.ensurePolished();
        QVERIFY(!plain.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!plain.testAttribute(Qt::WA_TranslucentBackground));
    }
};

QTEST_MAIN(TestDarkAppearance)
#include "tst_darkappearance.moc"
