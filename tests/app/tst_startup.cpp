#include "app/darkappearance.h"
#include "app/lastfolders.h"
#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void projectArgument_data();
    void projectArgument();
    void identity();
    void iconHasEverySize();
    void iconIsAPicture();
    void darkPalette_data();
    void darkPalette();
    void darkPaletteDisabledTexts_data();
    void darkPaletteDisabledTexts();
    void applyUsesFusion();
    void lastDirFallsBackToCurrent();
    void storeDirKeepsTheFolder();
};

void TestStartup::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("korvensoft-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_startup"));
    QSettings().clear();
}

void TestStartup::projectArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program only") << QStringList{"korven"} << QString();
    QTest::newRow("no arguments at all") << QStringList{} << QString();
    QTest::newRow("one project") << QStringList{"korven", "art.kvn"} << "art.kvn";
    QTest::newRow("option then project")
        << QStringList{"korven", "--verbose", "art.kvn"} << "art.kvn";
    QTest::newRow("two projects take the first")
        << QStringList{"korven", "first.kvn", "second.kvn"} << "first.kvn";
    QTest::newRow("options only") << QStringList{"korven", "-a", "--b", "-"} << QString();
    QTest::newRow("program name is never the project")
        << QStringList{"/usr/bin/korven", "-x"} << QString();
    QTest::newRow("any file name counts")
        << QStringList{"korven", "-x", "picture.png", "art.kvn"} << "picture.png";
    QTest::newRow("dash inside a name") << QStringList{"korven", "my-art.kvn"} << "my-art.kvn";
}

void TestStartup::projectArgument()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);
    QCOMPARE(Startup::projectArgument(arguments), expected);
}

void TestStartup::identity()
{
    Startup::setApplicationIdentity();
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("korvensoft"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("KORVEN"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("3.2.1"));
    QVERIFY(!QCoreApplication::organizationDomain().isEmpty());
    QVERIFY(!QGuiApplication::desktopFileName().isEmpty());
    // Back to the test's own settings scope.
    initTestCase();
}

void TestStartup::iconHasEverySize()
{
    const QIcon icon = Startup::applicationIcon();
    const QList<QSize> sizes = icon.availableSizes();
    QCOMPARE(sizes.size(), 8);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
    }
}

void TestStartup::iconIsAPicture()
{
    // The smallest size must still carry a drawing, not a flat square.
    const QImage image = QImage(QStringLiteral(":/icons/korven-16.png"));
    QVERIFY(!image.isNull());
    QSet<QRgb> colors;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colors.insert(image.pixel(x, y));
    }
    QVERIFY2(colors.size() >= 6, qPrintable(QString::number(colors.size())));
}

void TestStartup::darkPalette_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<QColor>("color");
    QTest::newRow("window") << int(QPalette::Window) << QColor("#393939");
    QTest::newRow("window text") << int(QPalette::WindowText) << QColor("#EEEEEE");
    QTest::newRow("base") << int(QPalette::Base) << QColor("#2B2B2B");
    QTest::newRow("alternate base") << int(QPalette::AlternateBase) << QColor("#3F3F3F");
    QTest::newRow("text") << int(QPalette::Text) << QColor("#EEEEEE");
    QTest::newRow("button") << int(QPalette::Button) << QColor("#505050");
    QTest::newRow("button text") << int(QPalette::ButtonText) << QColor("#EEEEEE");
    QTest::newRow("bright text") << int(QPalette::BrightText) << QColor(Qt::white);
    QTest::newRow("highlight") << int(QPalette::Highlight) << QColor("#0A84FF");
    QTest::newRow("highlighted text") << int(QPalette::HighlightedText) << QColor(Qt::white);
    QTest::newRow("tooltip base") << int(QPalette::ToolTipBase) << QColor("#1E1E1E");
    QTest::newRow("tooltip text") << int(QPalette::ToolTipText) << QColor("#EEEEEE");
    QTest::newRow("placeholder") << int(QPalette::PlaceholderText) << QColor("#999999");
    QTest::newRow("link") << int(QPalette::Link) << QColor("#0A84FF");
    QTest::newRow("visited link") << int(QPalette::LinkVisited) << QColor("#0A84FF");
}

void TestStartup::darkPalette()
{
    QFETCH(int, role);
    QFETCH(QColor, color);
    const QPalette palette = DarkAppearance::palette();
    const auto r = QPalette::ColorRole(role);
    QCOMPARE(palette.color(QPalette::Active, r), color);
    QCOMPARE(palette.color(QPalette::Inactive, r), color);
    // Roles without a disabled colour of their own keep theirs when disabled.
    const bool greyed = r == QPalette::WindowText || r == QPalette::Text ||
                        r == QPalette::ButtonText || r == QPalette::HighlightedText;
    if (!greyed)
        QCOMPARE(palette.color(QPalette::Disabled, r), color);
}

void TestStartup::darkPaletteDisabledTexts_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("window text") << int(QPalette::WindowText);
    QTest::newRow("text") << int(QPalette::Text);
    QTest::newRow("button text") << int(QPalette::ButtonText);
    QTest::newRow("highlighted text") << int(QPalette::HighlightedText);
}

void TestStartup::darkPaletteDisabledTexts()
{
    QFETCH(int, role);
    const QPalette palette = DarkAppearance::palette();
    QCOMPARE(palette.color(QPalette::Disabled, QPalette::ColorRole(role)), QColor("#999999"));
}

void TestStartup::applyUsesFusion()
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    QVERIFY(app);
    DarkAppearance::apply(*app);
    QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    QCOMPARE(QApplication::palette().color(QPalette::Window), QColor("#393939"));
    QCOMPARE(QApplication::palette().color(QPalette::Disabled, QPalette::Text), QColor("#999999"));
}

void TestStartup::lastDirFallsBackToCurrent()
{
    const QString key = QString::fromLatin1(LastFolders::ProjectKey);
    QSettings().remove(key);
    QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());

    auto folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    const QString path = folder->path();
    QSettings().setValue(key, path);
    QCOMPARE(LastFolders::lastDir(key), path);

    // A remembered folder that has gone away no longer counts.
    folder.reset();
    QVERIFY(!QDir(path).exists());
    QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
}

void TestStartup::storeDirKeepsTheFolder()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString key = QStringLiteral("files/lastExportDir");
    LastFolders::storeDir(key, folder.filePath(QStringLiteral("picture.png")));
    QCOMPARE(QSettings().value(key).toString(), folder.path());
    QCOMPARE(LastFolders::lastDir(key), folder.path());
    // Each purpose keeps its own folder.
    QVERIFY(QSettings().value(QString::fromLatin1(LastFolders::ProjectKey)).toString() !=
            folder.path());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
