#include "document/palette.h"
#include "document/project.h"
#include "history/projectfile.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(KORVEN_CLI), args);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void paintNode(Project &project, const QRect &rect, quint8 color)
{
    const Colormap before = project.colormap().copy(rect);
    project.colormap().fillRect(rect, color);
    HistoryNode node;
    recordRegionChange(project, node, rect, before);
    project.history().push(node);
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpListsCommandsSorted();
    void unknownCommand();
    void info_data();
    void info();
    void infoReportsTheReadersMessage_data();
    void infoReportsTheReadersMessage();
    void render_data();
    void render();
    void renderRejectsBadArguments_data();
    void renderRejectsBadArguments();

private:
    QTemporaryDir m_dir;
    QString m_multicolor;
    Project m_multicolorProject;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Three strokes and a border change, one stroke undone.
    Project project(CanvasMode::Multicolor, 160, 100,
                    LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                               BorderAlignment::Left});
    project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    project.setHiresClashResolution(HiresClashResolution::PreserveMostUsed);
    project.colormap().fill(6);
    paintNode(project, QRect(0, 0, 10, 10), 1);
    paintNode(project, QRect(5, 5, 10, 10), 2);
    HistoryNode border;
    border.kind = HistoryEntryKind::AssignSlot;
    border.changes.append(HistoryChange::colorIndex(4, 0, 7));
    project.setSlot(ColorSlot::TopBackground, 7);
    project.history().push(border);
    paintNode(project, QRect(100, 50, 3, 3), 5);
    project.history().undo(project);
    m_multicolorProject = project;
    m_multicolor = m_dir.filePath(QStringLiteral("multi.kvn"));
    QVERIFY(saveProjectFile(project, m_multicolor).ok);
}

void TestCli::helpListsCommandsSorted()
{
    const Run run = runCli({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QStringList names;
    for (const QByteArray &line : run.out.split('\n')) {
        if (line.startsWith("  "))
            names.append(QString::fromUtf8(line.trimmed().split(' ').first()));
    }
    QVERIFY2(names.contains(QStringLiteral("info")), run.out.constData());
    QVERIFY(names.contains(QStringLiteral("render")));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    QCOMPARE(names.removeDuplicates(), 0);
}

void TestCli::unknownCommand()
{
    const Run run = runCli({QStringLiteral("no-such-command")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.contains("no-such-command"));
}

void TestCli::info_data()
{
    QTest::addColumn<int>("undos");

    QTest::newRow("as saved") << 0;
    QTest::newRow("undone to the start") << 3;
}

void TestCli::info()
{
    QFETCH(int, undos);

    Project project = m_multicolorProject;
    for (int i = 0; i < undos; ++i)
        project.history().undo(project);
    const QString path = m_dir.filePath(QStringLiteral("info.kvn"));
    QVERIFY(saveProjectFile(project, path).ok);

    const Run run = runCli({QStringLiteral("info"), path});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    QCOMPARE(run.out.count('\n'), 1);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);

    const int position = 3 - undos;
    QCOMPARE(json.value("version").toInt(), 11);
    QCOMPARE(json.value("mode").toString(), QStringLiteral("multicolor"));
    QCOMPARE(json.value("layout").toInt(), 2);
    QCOMPARE(json.value("screens").toInt(), 1);
    QCOMPARE(json.value("width").toInt(), 160);
    QCOMPARE(json.value("height").toInt(), 100);
    QCOMPARE(json.value("slots").toArray(),
             QJsonArray({0, 0, 4, 10, undos ? 0 : 7, 4, 10, 0, 4, 10}));
    QCOMPARE(json.value("topAlignment").toInt(), 1);
    QCOMPARE(json.value("bottomAlignment").toInt(), 0);
    QCOMPARE(json.value("spriteCountPolicy").toInt(), 0);
    QCOMPARE(json.value("hiresClashResolution").toInt(), 2);
    QCOMPARE(json.value("nodes").toInt(), 4);
    QCOMPARE(json.value("position").toInt(), position);
    QCOMPARE(json.value("records").toInt(), 9);
    QCOMPARE(json.value("workstages").toInt(), position + 1);
    QCOMPARE(json.keys().size(), 15);
    // The keys come in the documented order.
    QVERIFY(run.out.startsWith("{\"version\":11,\"mode\":\"multicolor\",\"layout\":2,"));
    QVERIFY(run.out.trimmed().endsWith(
        QStringLiteral("\"workstages\":%1}").arg(position + 1).toUtf8()));
}

void TestCli::infoReportsTheReadersMessage_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("bad signature") << QByteArray("not a project at all");
    QTest::newRow("old version") << QByteArray("\xFEkvprj\x00\x09", 8);
    QTest::newRow("no records") << QByteArray("\xFEkvprj\x00\x0b", 8);
    QTest::newRow("bad record size") << QByteArray("\xFEkvprj\x00\x0b\x01\x00\x00\x00\x01\x00", 14);
}

void TestCli::infoReportsTheReadersMessage()
{
    QFETCH(QByteArray, bytes);

    const QString path = m_dir.filePath(QStringLiteral("bad.kvn"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    Project ignored;
    const ProjectFileResult expected = loadProjectFile(path, ignored);
    QVERIFY(!expected.ok);

    for (const QString &command : {QStringLiteral("info"), QStringLiteral("render")}) {
        QStringList args{command, path};
        if (command == QLatin1String("render"))
            args.append(m_dir.filePath(QStringLiteral("never.png")));
        const Run run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(QString::fromUtf8(run.err).trimmed(), expected.errorMessage);
    }
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.png"))));

    const Run missing = runCli({QStringLiteral("info"), m_dir.filePath(QStringLiteral("nope"))});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.startsWith("cannot read "));
}

void TestCli::render_data()
{
    QTest::addColumn<bool>("multicolor");
    QTest::addColumn<int>("palette");
    QTest::addColumn<int>("stage"); // -1: the canvas as it is

    QTest::newRow("multicolor, palette 0") << true << 0 << -1;
    QTest::newRow("multicolor, palette 4") << true << 4 << -1;
    QTest::newRow("multicolor, stage 0") << true << 0 << 0;
    QTest::newRow("multicolor, stage 1") << true << 2 << 1;
    QTest::newRow("multicolor, last stage") << true << 0 << 3;
    QTest::newRow("hires") << false << 7 << -1;
    QTest::newRow("hires, stage 1") << false << 1 << 1;
}

void TestCli::render()
{
    QFETCH(bool, multicolor);
    QFETCH(int, palette);
    QFETCH(int, stage);

    QString path = m_multicolor;
    Project project = m_multicolorProject;
    if (!multicolor) {
        project = Project(CanvasMode::Hires, 33, 17);
        for (int y = 0; y < 17; ++y) {
            for (int x = 0; x < 33; ++x)
                project.colormap().setPixel(x, y, quint8((x * y + x) % 16));
        }
        paintNode(project, QRect(3, 3, 20, 4), 14);
        paintNode(project, QRect(0, 10, 33, 2), 0);
        path = m_dir.filePath(QStringLiteral("hires.kvn"));
        QVERIFY(saveProjectFile(project, path).ok);
    }
    // The expected picture: undo back to the stage on our own copy.
    Project expected = project;
    if (stage >= 0) {
        while (expected.history().position() > stage)
            expected.history().undo(expected);
    }

    const QString out = m_dir.filePath(QStringLiteral("out.png"));
    QFile::remove(out);
    QStringList args{QStringLiteral("render"), path, out, QStringLiteral("--palette"),
                     QString::number(palette)};
    if (stage >= 0)
        args << QStringLiteral("--stage") << QString::number(stage);
    const Run run = runCli(args);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());

    const QImage image(out);
    QVERIFY(!image.isNull());
    const int widen = multicolor ? 2 : 1;
    QCOMPARE(image.size(), QSize(project.width() * widen, project.height()));
    const Colormap &pixels = expected.colormap();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb want = paletteRgb(palette, pixels.pixel(x / widen, y));
            if (qRgb(qRed(image.pixel(x, y)), qGreen(image.pixel(x, y)),
                     qBlue(image.pixel(x, y))) != want)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
        }
    }
}

void TestCli::renderRejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("stage past the position") << QStringList{"--stage", "4"} << 1;
    QTest::newRow("palette 10") << QStringList{"--palette", "10"} << 1;
    QTest::newRow("palette without value") << QStringList{"--palette"} << 2;
    QTest::newRow("stage not a number") << QStringList{"--stage", "x"} << 2;
    QTest::newRow("unknown option") << QStringList{"--smooth"} << 2;
}

void TestCli::renderRejectsBadArguments()
{
    QFETCH(QStringList, extra);
    QFETCH(int, exitCode);

    const QString out = m_dir.filePath(QStringLiteral("rejected.png"));
    const Run run = runCli(QStringList{QStringLiteral("render"), m_multicolor, out} + extra);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
