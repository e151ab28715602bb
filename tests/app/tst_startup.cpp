#include "../common/paintrows.h"

#include "app/lastfolders.h"
#include "app/startup.h"
#include "app/statustexts.h"
#include "document/project.h"

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
    void valueTexts()
    {
        // PAL only at its exact ratio; zoom rounds half up; no minus on a zero angle.
        QCOMPARE((QStringList{StatusTexts::aspectText(0.9375), StatusTexts::aspectText(0.9376),
                              StatusTexts::zoomText(0.125), StatusTexts::rotationText(-0.0)}),
                 (QStringList{"Aspect: PAL", "Aspect: Square", "Zoom: 13%", "Rotation: 0.00°"}));
    }
    void hover_data() { addTextRows("app/statustexts.txt", "hover"); }
    void hover()
    {
        QFETCH(QStringList, row);
        const QList<int> canvas = intsOf(row[0]);
        LayoutSpec spec;
        spec.layout = CanvasLayout(canvas[1]);
        if (canvas[3] == 1)
            spec.topAlignment = BorderAlignment::Right;
        if (canvas[3] == 2)
            spec.bottomAlignment = BorderAlignment::Right;
        const Project project{CanvasMode(canvas[0]), -1, -1, spec, canvas[2]};
        const StatusTexts::HoverTexts texts =
            StatusTexts::hoverTexts(project, !row[1].isEmpty(), pointOf(row[1]));
        QCOMPARE((QStringList{texts.charCell, texts.sprite}), row.mid(2));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
