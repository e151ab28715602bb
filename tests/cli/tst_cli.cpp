#include "document/geometry.h"
#include "document/palette.h"
#include "document/project.h"
#include "history/projectfile.h"
#include "rules/clashrules.h"

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
    QString out;
    QString err;
};

Run runCli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(KORVEN_CLI), args);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
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

QString listJson(const QList<QRect> &rects)
{
    QStringList parts;
    for (const QRect &r : rects)
        parts << QStringLiteral("[%1,%2,%3,%4]")
                     .arg(r.left())
                     .arg(r.top())
                     .arg(r.right())
                     .arg(r.bottom());
    return QLatin1Char('[') + parts.join(u',') + QLatin1Char(']');
}

// A canvas with two free colours in one sprite (left strip column 1, colour
// row 2, or top border column 3) and two clashing bitmap cells, the lower
// one filled first; `units` gets them in the order the report lists them.
Project clashingProject(int mode, int layout, QList<QRect> &units)
{
    Project project(CanvasMode(mode), -1, -1, LayoutSpec{CanvasLayout(layout)});
    Colormap &colormap = project.colormap();
    const int sw = spriteWidth(project.mode());
    const QSize cs = cellSize(project.mode());
    const QPoint corner =
        bitmapRegionRect(project.mode(), project.size(), project.layoutSpec()).topLeft();
    const QRect lower(corner + QPoint(cs.width() * 2, 16), cs);
    const QRect upper(corner + QPoint(cs.width() * 5, 8), cs);
    units.clear();
    if (layout != 0) {
        const QRect sprite = layout == 1 ? QRect(sw, 34, sw, 21) : QRect(3 * sw, 0, sw, 42);
        colormap.setPixel(sprite.left(), sprite.top() + 2, 2);
        colormap.setPixel(sprite.right(), sprite.bottom(), 5);
        units << sprite;
    }
    for (const QRect &cell : {lower, upper})
        for (int i = 0; i < cs.width() * 8; ++i)
            colormap.setPixel(cell.left() + i % cs.width(), cell.top() + i / cs.width(),
                              quint8(1 + i % 5));
    units << upper << lower;
    return project;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void helpListsCommandsSorted();
    void usageAndErrors_data();
    void usageAndErrors();
    void info_data();
    void info();
    void readersMessageOnStderr_data();
    void readersMessageOnStderr();
    void render_data();
    void render();
    void clashesAndResolve_data();
    void clashesAndResolve();
    void redFramesAndReduce();

private:
    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
    Project m_project;
};

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Three strokes and a border change, one stroke undone.
    m_project = Project(CanvasMode::Multicolor, 160, 100,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                                   BorderAlignment::Left});
    m_project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    m_project.setHiresClashResolution(HiresClashResolution::PreserveMostUsed);
    m_project.colormap().fill(6);
    paintNode(m_project, QRect(0, 0, 10, 10), 1);
    paintNode(m_project, QRect(5, 5, 10, 10), 2);
    HistoryNode border;
    border.kind = HistoryEntryKind::AssignSlot;
    border.changes.append(HistoryChange::colorIndex(4, 0, 7));
    m_project.setSlot(ColorSlot::TopBackground, 7);
    m_project.history().push(border);
    paintNode(m_project, QRect(100, 50, 3, 3), 5);
    m_project.history().undo(m_project);
    QVERIFY(saveProjectFile(m_project, path("multi.kvn")).ok);
}

void TestCli::helpListsCommandsSorted()
{
    const Run run = runCli({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QStringList names;
    for (const QString &line : run.out.split(u'\n'))
        if (line.startsWith(QLatin1String("  ")))
            names.append(line.trimmed().section(u' ', 0, 0));
    for (const char *name : {"clashes", "info", "reduce-borders", "render", "resolve"})
        QVERIFY2(names.contains(QLatin1String(name)), qPrintable(run.out));
    QStringList sorted = names;
    sorted.sort();
    QCOMPARE(names, sorted);
    QCOMPARE(names.removeDuplicates(), 0);
}

void TestCli::usageAndErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    // "@" is the saved multicolor project.
    QTest::newRow("unknown command") << QStringList{"no-such-command"} << 2;
    QTest::newRow("clashes without file") << QStringList{"clashes"} << 2;
    QTest::newRow("resolve with one file") << QStringList{"resolve", "a.kvn"} << 2;
    QTest::newRow("reduce-borders with three") << QStringList{"reduce-borders", "a", "b", "c"} << 2;
    QTest::newRow("missing file") << QStringList{"resolve", "/nonexistent/x.kvn", "y.kvn"} << 1;
    QTest::newRow("stage past the position") << QStringList{"render", "@", "--stage", "4"} << 1;
    QTest::newRow("negative stage") << QStringList{"render", "@", "--stage", "-1"} << 1;
    QTest::newRow("palette 10") << QStringList{"render", "@", "--palette", "10"} << 1;
    QTest::newRow("palette without value") << QStringList{"render", "@", "--palette"} << 2;
    QTest::newRow("stage not a number") << QStringList{"render", "@", "--stage", "x"} << 2;
    QTest::newRow("unknown option") << QStringList{"render", "@", "--smooth"} << 2;
}

void TestCli::usageAndErrors()
{
    QFETCH(QStringList, args);
    const QString out = path("rejected.png");
    if (args.value(1) == QLatin1String("@")) {
        args[1] = path("multi.kvn");
        args.insert(2, out);
    }
    const Run run = runCli(args);
    QTEST(run.exitCode, "exitCode");
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
    QVERIFY(!QFile::exists(out));
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
    Project project = m_project;
    for (int i = 0; i < undos; ++i)
        project.history().undo(project);
    QVERIFY(saveProjectFile(project, path("info.kvn")).ok);

    const Run run = runCli({QStringLiteral("info"), path("info.kvn")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    QCOMPARE(run.out.count(u'\n'), 1);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    const int position = 3 - undos;
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
    QCOMPARE(json.keys().size(), 15);
    // The keys come in the documented order.
    QVERIFY(run.out.startsWith("{\"version\":11,\"mode\":\"multicolor\",\"layout\":2,"));
    QVERIFY(run.out.trimmed().endsWith(QStringLiteral("\"workstages\":%1}").arg(position + 1)));
}

void TestCli::readersMessageOnStderr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("bad signature") << QByteArray("not a project at all");
    QTest::newRow("bad record size") << QByteArray("\xFEkvprj\x00\x0b\x01\x00\x00\x00\x01\x00", 14);
}

void TestCli::readersMessageOnStderr()
{
    QFETCH(QByteArray, bytes);
    QFile file(path("bad.kvn"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();
    Project ignored;
    const ProjectFileResult expected = loadProjectFile(file.fileName(), ignored);
    QVERIFY(!expected.ok);
    for (const QStringList &args : {QStringList{"info", file.fileName()},
                                    QStringList{"render", file.fileName(), path("never.png")},
                                    QStringList{"resolve", file.fileName(), path("never.kvn")}}) {
        const Run run = runCli(args);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err, expected.errorMessage);
    }
    QVERIFY(!QFile::exists(path("never.png")));
    QVERIFY(!QFile::exists(path("never.kvn")));
    const Run missing = runCli({QStringLiteral("info"), path("nope")});
    QCOMPARE(missing.exitCode, 1);
    QVERIFY(missing.err.startsWith("cannot read "));
}

void TestCli::render_data()
{
    QTest::addColumn<bool>("multicolor");
    QTest::addColumn<int>("palette");
    QTest::addColumn<int>("stage"); // -1: the canvas as it is
    QTest::newRow("multicolor, palette 4") << true << 4 << -1;
    QTest::newRow("multicolor, stage 0") << true << 0 << 0;
    QTest::newRow("multicolor, stage 1") << true << 2 << 1;
    QTest::newRow("hires, stage 1") << false << 7 << 1;
}

void TestCli::render()
{
    QFETCH(bool, multicolor);
    QFETCH(int, palette);
    QFETCH(int, stage);
    QString file = path("multi.kvn");
    Project project = m_project;
    if (!multicolor) {
        project = Project(CanvasMode::Hires, 33, 17);
        for (int i = 0; i < 33 * 17; ++i)
            project.colormap().setPixel(i % 33, i / 33, quint8(i * 7 % 16));
        paintNode(project, QRect(3, 3, 20, 4), 14);
        paintNode(project, QRect(0, 10, 33, 2), 0);
        file = path("hires.kvn");
        QVERIFY(saveProjectFile(project, file).ok);
    }
    // The expected picture: undo back to the stage on our own copy.
    while (stage >= 0 && project.history().position() > stage)
        project.history().undo(project);

    const QString out = path("out.png");
    QFile::remove(out);
    QStringList args{QStringLiteral("render"), file, out, QStringLiteral("--palette"),
                     QString::number(palette)};
    if (stage >= 0)
        args << QStringLiteral("--stage") << QString::number(stage);
    const Run run = runCli(args);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QImage image(out);
    const int widen = multicolor ? 2 : 1;
    QCOMPARE(image.size(), QSize(project.width() * widen, project.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xffffff) !=
                (paletteRgb(palette, project.colormap().pixel(x / widen, y)) & 0xffffff))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
}

void TestCli::clashesAndResolve_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<bool>("clashing");
    for (int mode : {0, 1})
        for (int layout : {0, 1, 2})
            for (bool clashing : {false, true})
                QTest::addRow("mode %d layout %d clashing %d", mode, layout, int(clashing))
                    << mode << layout << clashing;
}

void TestCli::clashesAndResolve()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(bool, clashing);
    QList<QRect> units;
    const Project project =
        clashing ? clashingProject(mode, layout, units)
                 : Project(CanvasMode(mode), -1, -1, LayoutSpec{CanvasLayout(layout)});
    QVERIFY(saveProjectFile(project, path("in.kvn")).ok);
    Run run = runCli({QStringLiteral("clashes"), path("in.kvn")});
    QCOMPARE(run.exitCode, 0);
    // The top border sprite with two free colours is also a red frame.
    const QList<QRect> top = layout == 2 && clashing ? units.mid(0, 1) : QList<QRect>();
    QCOMPARE(run.out.trimmed(),
             QStringLiteral("{\"hasClash\":%1,\"clashingUnits\":%2,\"redFrames\":{\"top\":%3,"
                            "\"bottom\":[]}}")
                 .arg(clashing ? "true" : "false", listJson(units), listJson(top)));

    run = runCli({QStringLiteral("resolve"), path("in.kvn"), path("out.kvn")});
    QCOMPARE(run.exitCode, 0);
    QRect all;
    for (const QRect &r : units)
        all |= r;
    QCOMPARE(run.out.trimmed(),
             QStringLiteral("{\"changed\":%1}")
                 .arg(clashing ? listJson({all}).mid(1).chopped(1) : QStringLiteral("null")));
    Project resolved;
    QVERIFY(loadProjectFile(path("out.kvn"), resolved).ok);
    QVERIFY(!canvasHasClash(ClashContext::forSweep(resolved), resolved.colormap()));
    QCOMPARE(resolved.history().nodeCount(), clashing ? 1 : 0);
    if (clashing) {
        // The saved history undoes back to the clashing canvas.
        QCOMPARE(resolved.history().nodes().first().kind, HistoryEntryKind::ResolveAllClashes);
        resolved.history().undo(resolved);
    }
    QCOMPARE(resolved.colormap(), project.colormap());
}

void TestCli::redFramesAndReduce()
{
    // Ten occupied columns in the bottom border, columns 4 and 9 the emptiest.
    Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    const int y0 = project.height() - 42;
    for (int c = 0; c < 10; ++c)
        project.colormap().fillRect(QRect(c * 24, y0 + 20, (c == 4 || c == 9) ? 1 : 3, 1), 7);
    QVERIFY(saveProjectFile(project, path("budget.kvn")).ok);
    const QList<QRect> over = {QRect(96, y0, 24, 42), QRect(216, y0, 24, 42)};
    Run run = runCli({QStringLiteral("clashes"), path("budget.kvn")});
    QCOMPARE(run.out.trimmed(), QStringLiteral("{\"hasClash\":false,\"clashingUnits\":[],"
                                               "\"redFrames\":{\"top\":[],\"bottom\":%1}}")
                                    .arg(listJson(over)));

    run = runCli({QStringLiteral("reduce-borders"), path("budget.kvn"), path("reduced.kvn")});
    QCOMPARE(run.exitCode, 0);
    Project reduced;
    QVERIFY(loadProjectFile(path("reduced.kvn"), reduced).ok);
    Colormap expected = project.colormap();
    for (const QRect &r : over)
        expected.fillRect(r, 0);
    QCOMPARE(reduced.colormap(), expected);
    QCOMPARE(reduced.history().nodeCount(), 1);
    QCOMPARE(reduced.history().nodes().first().kind, HistoryEntryKind::ReduceBorderSprites);
    reduced.history().undo(reduced);
    QCOMPARE(reduced.colormap(), project.colormap());
    // Within budget now: nothing more to reduce.
    run = runCli({QStringLiteral("reduce-borders"), path("reduced.kvn"), path("budget.kvn")});
    QCOMPARE(run.out.trimmed(), QStringLiteral("{\"changed\":null}"));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
