// korven-cli is a quick front end that converts plain PNG pictures itself and
// hands everything else to korven-cli-full: both routes must give the same
// project, and the front end must start without Qt GUI.
#include "../common/programrun.h"
#include "../common/wholefiles.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestQuickCli : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_picture;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Converts `picture` through both programs; they must write the same bytes.
    void compareRoutes(const QString &picture, const QStringList &options)
    {
        const QStringList args = QStringList{"convert", picture} << QString() << options;
        QStringList quick = args, full = args;
        quick[2] = path("quick.kvn");
        full[2] = path("full.kvn");
        const auto viaQuick = runProgram(QStringLiteral(KORVEN_CLI), quick);
        const auto viaFull = runProgram(QStringLiteral(KORVEN_CLI_FULL), full);
        QVERIFY(viaQuick.exitCode == 0 && viaFull.exitCode == 0);
        QCOMPARE(viaQuick.out, viaFull.out);
        const QByteArray written = readBytes(path("quick.kvn"));
        QVERIFY(written.size() > 100 && written == readBytes(path("full.kvn")));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_picture = path("photo.png");
        const QImage photo(QStringLiteral(KORVEN_TESTDATA_DIR "/photos/kodim01.png"));
        QVERIFY(!photo.isNull());
        QVERIFY(photo.scaled(320, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .save(m_picture));
    }

    // A picture of the canvas's size, read by the front end's own decoder,
    // converts exactly as the full program converts it through Qt's reader.
    void sameProjectAsTheFullProgram_data()
    {
        QTest::addColumn<QStringList>("options");
        for (const char *mode : {"hires", "multicolor"})
            for (const char *dither : {"none", "floyd-steinberg", "bayer4"})
                for (const char *layout : {"0", "1", "2"})
                    QTest::addRow("%s, %s, layout %s", mode, dither, layout)
                        << QStringList{"--mode", mode, "--dither", dither, "--layout", layout};
    }
    void sameProjectAsTheFullProgram()
    {
        QFETCH(QStringList, options);
        compareRoutes(m_picture, options);
    }

    // What the front end cannot read goes to the full program untouched.
    void otherPicturesGoToTheFullProgram_data()
    {
        QTest::addColumn<QString>("picture");
        QTest::newRow("jpeg") << QStringLiteral(KORVEN_TESTDATA_DIR "/photos/board.jpg");
        QTest::newRow("png of another size")
            << QStringLiteral(KORVEN_TESTDATA_DIR "/photos/kodim01.png");
    }
    void otherPicturesGoToTheFullProgram()
    {
        QFETCH(QString, picture);
        compareRoutes(picture, {"--mode", "hires", "--fit"});
    }

    // Every command is still there, and an unreadable file still fails.
    void everyCommandAnswers()
    {
        const auto help = runProgram(QStringLiteral(KORVEN_CLI), {"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *command : {"convert IMAGE", "render ", "export-prg ", "info "})
            QVERIFY2(help.out.contains(QLatin1String("\n  ") + QLatin1String(command)), command);
        const QStringList missing{"convert", path("missing.png"), path("x.kvn"), "--mode", "hires"};
        QCOMPARE(runProgram(QStringLiteral(KORVEN_CLI), missing).exitCode, 1);
        QVERIFY(!QFile::exists(path("x.kvn")));
    }

    // The front end's point: it does not load Qt GUI.
    void startsWithoutQtGui()
    {
        const auto ldd = runProgram(QStringLiteral("ldd"), {QStringLiteral(KORVEN_CLI)});
        if (ldd.exitCode != 0)
            QSKIP("ldd is not available to list the libraries a program loads");
        QVERIFY(ldd.out.contains(QLatin1String("libQt6Core")));
        QVERIFY2(!ldd.out.contains(QLatin1String("libQt6Gui")), qPrintable(ldd.out));
    }
};

QTEST_GUILESS_MAIN(TestQuickCli)
#include "tst_quickcli.moc"
