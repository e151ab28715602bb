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
    void icon();
    void darkAppearance_data();
    void darkAppearance();
    void lastDir();
};

void TestStartup::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();
}

void TestStartup::projectArgument_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");
    QTest::newRow("program only") << QStringList{"korven"} << QString();
    QTest::newRow("option, project") << QStringList{"korven", "--x", "a.kvn"} << "a.kvn";
    QTest::newRow("two projects") << QStringList{"korven", "a.kvn", "b.kvn"} << "a.kvn";
    QTest::newRow("options only") << QStringList{"korven", "-a", "--b", "-"} << QString();
    QTest::newRow("program name skipped") << QStringList{"/bin/korven", "-x"} << QString();
    QTest::newRow("dash inside a name") << QStringList{"korven", "my-art.kvn"} << "my-art.kvn";
}

void TestStartup::projectArgument()
{
    QFETCH(QStringList, arguments);
    QTEST(Startup::projectArgument(arguments), "expected");
}

void TestStartup::icon()
{
    const QIcon icon = Startup::applicationIcon();
    QCOMPARE(icon.availableSizes().size(), 8);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
    // Even the smallest size carries a drawing, not a flat square.
    const QImage image(QStringLiteral(":/icons/korven-16.png"));
    QCOMPARE(image.size(), QSize(16, 16));
    QSet<QRgb> colors;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            colors.insert(image.pixel(x, y));
    }
    QVERIFY(colors.size() >= 6);
}

void TestStartup::darkAppearance_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("role");
    QTest::addColumn<QColor>("color");
    const auto row = [](const char *name, QPalette::ColorGroup group, QPalette::ColorRole role,
                        const char *color) {
        QTest::newRow(name) << int(group) << int(role) << QColor(QLatin1String(color));
    };
    row("window", QPalette::Active, QPalette::Window, "#393939");
    row("inactive text", QPalette::Inactive, QPalette::Text, "#EEEEEE");
    row("highlight", QPalette::Active, QPalette::Highlight, "#0A84FF");
    row("disabled window text", QPalette::Disabled, QPalette::WindowText, "#999999");
    row("disabled highlighted text", QPalette::Disabled, QPalette::HighlightedText, "#999999");
    row("disabled highlight", QPalette::Disabled, QPalette::Highlight, "#0A84FF");
}

void TestStartup::darkAppearance()
{
    QFETCH(int, group);
    QFETCH(int, role);
    QFETCH(QColor, color);
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    DarkAppearance::apply(*app);
    QCOMPARE(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    QCOMPARE(QApplication::palette().color(QPalette::ColorGroup(group), QPalette::ColorRole(role)),
             color);
}

void TestStartup::lastDir()
{
    const QString key = QString::fromLatin1(LastFolders::ProjectKey);
    QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
    auto folder = std::make_unique<QTemporaryDir>();
    const QString path = folder->path();
    LastFolders::storeDir(key, folder->filePath(QStringLiteral("art.kvn")));
    QCOMPARE(QSettings().value(key).toString(), path);
    QCOMPARE(LastFolders::lastDir(key), path);
    QCOMPARE(LastFolders::lastDir(QStringLiteral("files/lastExportDir")), QDir::currentPath());
    // A remembered folder that has gone away no longer counts.
    folder.reset();
    QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
