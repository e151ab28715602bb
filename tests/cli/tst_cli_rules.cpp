#include "document/geometry.h"
#include "document/project.h"
#include "history/projectfile.h"
#include "rules/clashrules.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(CanvasLayout)

namespace
{

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(KORVEN_CLI_PATH), args);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    run.err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return run;
}

QString rectJson(const QRect &r)
{
    return QStringLiteral("[%1,%2,%3,%4]")
        .arg(r.left())
        .arg(r.top())
        .arg(r.right())
        .arg(r.bottom());
}

QString listJson(const QList<QRect> &rects)
{
    QStringList parts;
    for (const QRect &r : rects)
        parts << rectJson(r);
    return QLatin1Char('[') + parts.join(u',') + QLatin1Char(']');
}

// A canvas with clashes in a side or border sprite and two bitmap cells.
Project clashingProject(CanvasMode mode, CanvasLayout layout, QList<QRect> &units)
{
    Project project(mode, -1, -1, LayoutSpec{layout});
    Colormap &colormap = project.colormap();
    const QRect bitmap = bitmapRegionRect(mode, project.size(), project.layoutSpec());
    const QSize cs = cellSize(mode);
    units.clear();
    if (layout == CanvasLayout::SideBorderSprites) {
        // Left strip, column 1, colour row 2: two free colours.
        const int sw = spriteWidth(mode);
        const QRect sprite(sw, 34, sw, 21);
        colormap.setPixel(sprite.left(), 40, 2);
        colormap.setPixel(sprite.right(), 54, 5);
        units << sprite;
    } else if (layout == CanvasLayout::TopBottomBorderSprites) {
        // Top border, column 3.
        const int sw = spriteWidth(mode);
        colormap.setPixel(3 * sw, 0, 2);
        colormap.setPixel(3 * sw + 1, 41, 5);
        units << QRect(3 * sw, 0, sw, 42);
    }
    // Cell rows are listed top to bottom: the lower cell is filled first
    // but must come out second.
    const QList<QRect> cells = {QRect(bitmap.topLeft() + QPoint(cs.width() * 2, 16), cs),
                                QRect(bitmap.topLeft() + QPoint(cs.width() * 5, 8), cs)};
    for (const QRect &cell : cells) {
        int i = 0;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                colormap.setPixel(x, y, quint8(1 + (i++ % 5)));
    }
    units << cells[1] << cells[0];
    return project;
}

} // namespace

class TestCliRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void clashes_data();
    void clashes();
    void clashesRedFrames();
    void resolve_data();
    void resolve();
    void reduceBorders();
    void usageAndErrors_data();
    void usageAndErrors();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestCliRules::clashes_data()
{
    QTest::addColumn<CanvasMode>("mode");
    QTest::addColumn<CanvasLayout>("layout");
    QTest::addColumn<bool>("clashing");
    for (CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor})
        for (CanvasLayout layout : {CanvasLayout::BitmapOnly, CanvasLayout::SideBorderSprites,
                                    CanvasLayout::TopBottomBorderSprites})
            for (bool clashing : {false, true})
                QTest::addRow("mode %d layout %d clashing %d", int(mode), int(layout),
                              int(clashing))
                    << mode << layout << clashing;
}

void TestCliRules::clashes()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(bool, clashing);
    QList<QRect> units;
    const Project project =
        clashing ? clashingProject(mode, layout, units) : Project(mode, -1, -1, LayoutSpec{layout});
    const QString file = path(QStringLiteral("clashes.kvn"));
    QVERIFY(saveProjectFile(project, file).ok);
    const CliRun run = runCli({QStringLiteral("clashes"), file});
    QCOMPARE(run.exitCode, 0);
    // The sprite's two free colours also make its top border column a red frame.
    const QList<QRect> top = layout == CanvasLayout::TopBottomBorderSprites && clashing
                                 ? QList<QRect>{units.first()}
                                 : QList<QRect>{};
    const QString expected =
        QStringLiteral("{\"hasClash\":%1,\"clashingUnits\":%2,\"redFrames\":{\"top\":%3,"
                       "\"bottom\":[]}}")
            .arg(clashing ? "true" : "false", listJson(units), listJson(top));
    QCOMPARE(run.out, expected);
}

void TestCliRules::clashesRedFrames()
{
    // Ten occupied columns in the bottom border of a hires canvas, the two
    // emptiest (columns 4 and 9) over the budget; no colour clash.
    Project project(CanvasMode::Hires, -1, -1,
                    LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Left,
                               BorderAlignment::Left});
    const int y0 = project.height() - 42;
    for (int c = 0; c < 10; ++c) {
        const int pixels = (c == 4 || c == 9) ? 1 : 3;
        for (int i = 0; i < pixels; ++i)
            project.colormap().setPixel(c * 24 + i, y0 + 20, 7);
    }
    const QString file = path(QStringLiteral("budget.kvn"));
    QVERIFY(saveProjectFile(project, file).ok);
    const CliRun run = runCli({QStringLiteral("clashes"), file});
    QCOMPARE(run.exitCode, 0);
    const QList<QRect> bottom = {QRect(96, y0, 24, 42), QRect(216, y0, 24, 42)};
    QCOMPARE(run.out, QStringLiteral("{\"hasClash\":false,\"clashingUnits\":[],\"redFrames\":{"
                                     "\"top\":[],\"bottom\":%1}}")
                          .arg(listJson(bottom)));

    // reduce-borders clears exactly those two columns, as one edit.
    const QString out = path(QStringLiteral("budget-reduced.kvn"));
    const CliRun reduce = runCli({QStringLiteral("reduce-borders"), file, out});
    QCOMPARE(reduce.exitCode, 0);
    Project reduced;
    QVERIFY(loadProjectFile(out, reduced).ok);
    Colormap expected = project.colormap();
    for (const QRect &r : bottom)
        expected.fillRect(r, 0);
    QCOMPARE(reduced.colormap(), expected);
    QCOMPARE(reduced.history().nodeCount(), 1);
    QCOMPARE(reduced.history().nodes().first().kind, HistoryEntryKind::ReduceBorderSprites);
    reduced.history().undo(reduced);
    QCOMPARE(reduced.colormap(), project.colormap());
    const CliRun after = runCli({QStringLiteral("clashes"), out});
    QVERIFY(after.out.endsWith(QStringLiteral("\"redFrames\":{\"top\":[],\"bottom\":[]}}")));
}

void TestCliRules::resolve_data()
{
    clashes_data();
}

void TestCliRules::resolve()
{
    QFETCH(CanvasMode, mode);
    QFETCH(CanvasLayout, layout);
    QFETCH(bool, clashing);
    QList<QRect> units;
    const Project project =
        clashing ? clashingProject(mode, layout, units) : Project(mode, -1, -1, LayoutSpec{layout});
    const QString in = path(QStringLiteral("resolve-in.kvn"));
    const QString out = path(QStringLiteral("resolve-out.kvn"));
    QFile::remove(out);
    QVERIFY(saveProjectFile(project, in).ok);
    const CliRun run = runCli({QStringLiteral("resolve"), in, out});
    QCOMPARE(run.exitCode, 0);

    Project resolved;
    QVERIFY(loadProjectFile(out, resolved).ok);
    QVERIFY(!canvasHasClash(ClashContext::forSweep(resolved), resolved.colormap()));
    QCOMPARE(resolved.slotBytes(), project.slotBytes());
    QCOMPARE(resolved.history().nodeCount(), clashing ? 1 : 0);
    if (!clashing) {
        QCOMPARE(resolved.colormap(), project.colormap());
        QCOMPARE(run.out, QStringLiteral("{\"changed\":null}"));
        return;
    }
    QRect all;
    for (const QRect &r : units)
        all |= r;
    QCOMPARE(run.out, QStringLiteral("{\"changed\":%1}").arg(rectJson(all)));
    QCOMPARE(resolved.history().nodes().first().kind, HistoryEntryKind::ResolveAllClashes);
    // The saved history undoes back to the clashing canvas.
    resolved.history().undo(resolved);
    QCOMPARE(resolved.colormap(), project.colormap());
}

void TestCliRules::reduceBorders()
{
    // A canvas within budget comes out unchanged with no history.
    const Project project(CanvasMode::Multicolor, -1, -1,
                          LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    const QString in = path(QStringLiteral("reduce-in.kvn"));
    const QString out = path(QStringLiteral("reduce-out.kvn"));
    QVERIFY(saveProjectFile(project, in).ok);
    const CliRun run = runCli({QStringLiteral("reduce-borders"), in, out});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("{\"changed\":null}"));
    Project reduced;
    QVERIFY(loadProjectFile(out, reduced).ok);
    QCOMPARE(reduced.colormap(), project.colormap());
    QCOMPARE(reduced.history().nodeCount(), 0);
}

void TestCliRules::usageAndErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("clashes without file") << QStringList{"clashes"} << 2;
    QTest::newRow("clashes with two files") << QStringList{"clashes", "a.kvn", "b.kvn"} << 2;
    QTest::newRow("resolve with one file") << QStringList{"resolve", "a.kvn"} << 2;
    QTest::newRow("reduce-borders with one file") << QStringList{"reduce-borders", "a.kvn"} << 2;
    QTest::newRow("clashes of a missing file") << QStringList{"clashes", "/nonexistent/x.kvn"} << 1;
    QTest::newRow("resolve of a missing file")
        << QStringList{"resolve", "/nonexistent/x.kvn", "/nonexistent/y.kvn"} << 1;
}

void TestCliRules::usageAndErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const CliRun run = runCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY(run.out.isEmpty());
    QVERIFY(!run.err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliRules)
#include "tst_cli_rules.moc"
