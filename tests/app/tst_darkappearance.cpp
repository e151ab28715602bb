#include "app/darkappearance.h"
#include "app/mainwindow.h"
#include "app/menupolishfilter.h"

#include "canvas/canvasarea.h"

#include <QApplication>
#include <QImageReader>
#include <QMenu>
#include <QRegularExpression>
#include <QResource>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>

using namespace Qt::StringLiterals;

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

    // The sheet is stored compressed, and every image it names is in the
    // resources and can be drawn.
    void styleSheetAndImages()
    {
        const QString sheet = DarkAppearance::styleSheet();
        QVERIFY(sheet.contains(u"qproperty-backdropColor"_s));
        const QResource resource(QLatin1String(DarkAppearance::StyleSheetPath));
        QVERIFY(resource.compressionAlgorithm() != QResource::NoCompression);
        QVERIFY(resource.size() < resource.uncompressedSize());
        QSet<QString> seen;
        for (auto it = QRegularExpression(QStringLiteral(R"(url\(([^)]+)\))")).globalMatch(sheet);
             it.hasNext();)
            seen.insert(it.next().captured(1));
        // The indicators, arrows, menu marks and the chooser's buttons at least.
        QVERIFY(seen.size() >= 30);
        for (const QString &path : seen) {
            QVERIFY2(path.startsWith(u":/styles/controls/"_s) ||
                         path.startsWith(u":/styles/filedialog/"_s),
                     qPrintable(path));
            QImageReader reader(path);
            const QImage image = reader.read();
            QVERIFY2(image.width() >= 8 && image.width() <= 16,
                     qPrintable(path + u' ' + reader.errorString()));
        }
    }

    // The look set on a running window reaches the drawing area's backdrop.
    void backdropOnARealWindow()
    {
        MainWindow window;
        window.canvas()->setBackdropColor(Qt::red);
        DarkAppearance::apply(*qApp);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The sheet's dark grey replaces what was set before.
        const QColor backdrop = window.canvas()->backdropColor();
        QVERIFY(backdrop.saturation() == 0 && backdrop.lightness() < 64);
        QVERIFY(qApp->palette().color(QPalette::Window).lightness() < 80);
        QVERIFY(!qApp->styleSheet().isEmpty());
    }

    void missingStyleSheetKeepsFusionAndPalette()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"style sheet.*nothing\\.qss"_s));
        DarkAppearance::apply(*qApp, u":/styles/nothing.qss"_s);
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(QApplication::style()->name(), u"fusion"_s);
        // Still dark, disabled text legible on it, the highlight a colour.
        const QPalette palette = qApp->palette();
        const int base = palette.color(QPalette::Base).lightness();
        QVERIFY(base < 64);
        QVERIFY(palette.color(QPalette::Disabled, QPalette::Text).lightness() > base + 80);
        QVERIFY(palette.color(QPalette::Highlight).hslSaturation() > 128);
    }

    // Menus and sub-menus lose their frame and shadow and draw on a clear
    // background; other windows are left as they are.
    void menusBecomeFramelessAndTranslucent()
    {
        DarkAppearance::apply(*qApp);
        DarkAppearance::apply(*qApp);
        // One filter, however often the look is applied.
        QCOMPARE(
            qApp->findChildren<MenuPolishFilter *>(QString(), Qt::FindDirectChildrenOnly).size(),
            1);
        for (const bool submenu : {false, true}) {
            QMenu top;
            QMenu *menu = submenu ? top.addMenu(u"More"_s) : &top;
            QVERIFY(!menu->testAttribute(Qt::WA_TranslucentBackground));
            menu->ensurePolished();
            QVERIFY(menu->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::Popup |
                                                  Qt::NoDropShadowWindowHint));
            QVERIFY(menu->testAttribute(Qt::WA_TranslucentBackground));
            // Still so once shown.
            menu->addAction(u"Entry"_s);
            menu->popup(QPoint(20, 20));
            QVERIFY(menu->isVisible() && menu->windowFlags().testFlag(Qt::FramelessWindowHint));
        }
        QWidget plain;
        plain.ensurePolished();
        QVERIFY(!plain.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!plain.testAttribute(Qt::WA_TranslucentBackground));
    }
};

QTEST_MAIN(TestDarkAppearance)
#include "tst_darkappearance.moc"
