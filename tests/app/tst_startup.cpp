#include "app/lastfolders.h"
#include "app/startup.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void projectArgument_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("program only") << QStringList{"korven"} << QString();
        QTest::newRow("option, project") << QStringList{"korven", "--x", "a.kvn"} << "a.kvn";
        QTest::newRow("two projects") << QStringList{"korven", "a.kvn", "b.kvn"} << "a.kvn";
        QTest::newRow("options only") << QStringList{"korven", "-a", "--b", "-"} << QString();
        QTest::newRow("dash inside a name") << QStringList{"korven", "my-art.kvn"} << "my-art.kvn";
    }
    void projectArgument()
    {
        QFETCH(QStringList, arguments);
        QTEST(Startup::projectArgument(arguments), "expected");
    }
    void lastDir()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().clear();
        const QString key = QString::fromLatin1(LastFolders::ProjectKey);
        QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
        auto folder = std::make_unique<QTemporaryDir>();
        LastFolders::storeDir(key, folder->filePath(u"art.kvn"_s));
        QCOMPARE(LastFolders::lastDir(key), folder->path());
        QCOMPARE(LastFolders::lastDir(u"files/lastExportDir"_s), QDir::currentPath());
        // A remembered folder that has gone away no longer counts.
        folder.reset();
        QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
