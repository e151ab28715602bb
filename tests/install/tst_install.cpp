// An installed copy: every file where the desktop looks for it, the desktop
// entry and metainfo valid, the project type recognised by its header, and
// the installed command line making thumbnails of real projects.

#include "../common/paintrows.h"

#include <QImage>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Runs a program to its end; returns its exit code, or -1 when it could not run.
int run(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitCode();
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QString file(const QString &relative) const { return m_prefix.filePath(relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        QString output;
        QCOMPARE(run(QStringLiteral(KORVEN_CMAKE),
                     {"--install", KORVEN_BUILD_DIR, "--prefix", m_prefix.path()}, &output),
                 0);
    }

    void files_data()
    {
        addTextRows("install/install.txt", "file");
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
            QTest::addRow("icon %d", size) << QStringList{
                QStringLiteral("share/icons/hicolor/%1x%1/apps/net.korvensoft.korven.png")
                    .arg(size)};
    }
    void files()
    {
        QFETCH(QStringList, row);
        const QString &path = row[0];
        const QFileInfo info(file(path));
        QVERIFY2(info.isFile(), qPrintable(path));
        if (path.startsWith(QLatin1String("bin/")))
            QVERIFY(info.isExecutable());
        if (path.endsWith(QLatin1String(".png"))) {
            const int size = path.section(u'/', 3, 3).section(u'x', 0, 0).toInt();
            QCOMPARE(QImage(info.filePath()).size(), QSize(size, size));
        }
    }

    void validators_data() { addTextRows("install/install.txt", "validator"); }
    void validators()
    {
        QFETCH(QStringList, row);
        const QString &program = row[0];
        QStringList args = row[1].split(u' ');
        for (QString &arg : args)
            arg = arg.startsWith(QLatin1String("share/")) ? file(arg) : arg;
        if (QStandardPaths::findExecutable(program).isEmpty())
            QFAIL(qPrintable(program + QStringLiteral(" is missing; scripts/test installs it")));
        QString output;
        QCOMPARE(run(program, args, &output), 0);
        // The validators pass with remarks; warnings and errors are not accepted.
        QVERIFY2(!output.contains(QLatin1String("W:")) && !output.contains(QLatin1String("E:")) &&
                     !output.contains(QLatin1String("warning:")),
                 qPrintable(output));
    }

    // The installed type matches a project by its header whatever its name,
    // and the installed command makes its thumbnail.
    void projectFiles()
    {
        const QString cli = file("bin/korven-cli");
        const QString project = file("abydos.kvn");
        QCOMPARE(run(cli, {"import", KORVEN_TESTDATA_DIR "/real/koala/abydos.koa", project}), 0);
        QCOMPARE(run(cli, {"thumbnail", project, file("thumb.png"), "128"}), 0);
        QCOMPARE(QImage(file("thumb.png")).size(), QSize(128, 80));

        qputenv("XDG_DATA_DIRS", file("share").toLocal8Bit());
        qputenv("XDG_DATA_HOME", file("nowhere").toLocal8Bit());
        QFile bytes(project);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        const QMimeDatabase mime;
        QCOMPARE(mime.mimeTypeForData(bytes.read(64)).name(), "application/x-korven-project");
        QCOMPARE(mime.mimeTypeForFile("picture.kvn", QMimeDatabase::MatchExtension).name(),
                 "application/x-korven-project");
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
