#include "document/geometry.h"
#include "document/project.h"
#include "history/projectfile.h"
#include "rules/clashrules.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Runs korven-cli; returns its exit code and puts its trimmed output in `out`.
int runCli(const QStringList &args, QString &out, QString *err = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(KORVEN_CLI), args);
    if (!process.waitForFinished(60000))
        return -1;
    out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    if (err)
        *err = QString::fromUtf8(process.readAllStandardError()).trimmed();
    return process.exitCode();
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

class TestCliRules : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void clashesAndResolve_data();
    void clashesAndResolve();
    void redFramesAndReduce();
    void usageAndErrors_data();
    void usageAndErrors();

private:
    QTemporaryDir m_dir;
};

void TestCliRules::clashesAndResolve_data()
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

void TestCliRules::clashesAndResolve()
{
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(bool, clashing);
    QList<QRect> units;
    const Project project =
        clashing ? clashingProject(mode, layout, units)
                 : Project(CanvasMode(mode), -1, -1, LayoutSpec{CanvasLayout(layout)});
    const QString in = m_dir.filePath(QStringLiteral("in.kvn"));
    const QString outFile = m_dir.filePath(QStringLiteral("out.kvn"));
    QVERIFY(saveProjectFile(project, in).ok);
    QString out;
    QCOMPARE(runCli({QStringLiteral("clashes"), in}, out), 0);
    // The top border sprite with two free colours is also a red frame.
    const QList<QRect> top = layout == 2 && clashing ? units.mid(0, 1) : QList<QRect>();
    QCOMPARE(out, QStringLiteral("{\"hasClash\":%1,\"clashingUnits\":%2,\"redFrames\":{\"top\":%3,"
                                 "\"bottom\":[]}}")
                      .arg(clashing ? "true" : "false", listJson(units), listJson(top)));

    QCOMPARE(runCli({QStringLiteral("resolve"), in, outFile}, out), 0);
    QRect all;
    for (const QRect &r : units)
        all |= r;
    QCOMPARE(out, QStringLiteral("{\"changed\":%1}")
                      .arg(clashing ? listJson({all}).mid(1).chopped(1) : QStringLiteral("null")));
    Project resolved;
    QVERIFY(loadProjectFile(outFile, resolved).ok);
    QVERIFY(!canvasHasClash(ClashContext::forSweep(resolved), resolved.colormap()));
    QCOMPARE(resolved.history().nodeCount(), clashing ? 1 : 0);
    if (clashing) {
        // The saved history undoes back to the clashing canvas.
        QCOMPARE(resolved.history().nodes().first().kind, HistoryEntryKind::ResolveAllClashes);
        resolved.history().undo(resolved);
    }
    QCOMPARE(resolved.colormap(), project.colormap());
}

void TestCliRules::redFramesAndReduce()
{
    // Ten occupied columns in the bottom border, columns 4 and 9 the emptiest.
    Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    const int y0 = project.height() - 42;
    for (int c = 0; c < 10; ++c)
        project.colormap().fillRect(QRect(c * 24, y0 + 20, (c == 4 || c == 9) ? 1 : 3, 1), 7);
    const QString in = m_dir.filePath(QStringLiteral("budget.kvn"));
    const QString outFile = m_dir.filePath(QStringLiteral("budget-reduced.kvn"));
    QVERIFY(saveProjectFile(project, in).ok);
    const QList<QRect> over = {QRect(96, y0, 24, 42), QRect(216, y0, 24, 42)};
    QString out;
    QCOMPARE(runCli({QStringLiteral("clashes"), in}, out), 0);
    QCOMPARE(out, QStringLiteral("{\"hasClash\":false,\"clashingUnits\":[],\"redFrames\":{"
                                 "\"top\":[],\"bottom\":%1}}")
                      .arg(listJson(over)));

    QCOMPARE(runCli({QStringLiteral("reduce-borders"), in, outFile}, out), 0);
    Project reduced;
    QVERIFY(loadProjectFile(outFile, reduced).ok);
    Colormap expected = project.colormap();
    for (const QRect &r : over)
        expected.fillRect(r, 0);
    QCOMPARE(reduced.colormap(), expected);
    QCOMPARE(reduced.history().nodeCount(), 1);
    QCOMPARE(reduced.history().nodes().first().kind, HistoryEntryKind::ReduceBorderSprites);
    reduced.history().undo(reduced);
    QCOMPARE(reduced.colormap(), project.colormap());

    // Within budget now: nothing more to reduce.
    QCOMPARE(runCli({QStringLiteral("reduce-borders"), outFile, in}, out), 0);
    QCOMPARE(out, QStringLiteral("{\"changed\":null}"));
}

void TestCliRules::usageAndErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("clashes without file") << QStringList{"clashes"} << 2;
    QTest::newRow("resolve with one file") << QStringList{"resolve", "a.kvn"} << 2;
    QTest::newRow("reduce-borders with three") << QStringList{"reduce-borders", "a", "b", "c"} << 2;
    QTest::newRow("missing file") << QStringList{"resolve", "/nonexistent/x.kvn", "y.kvn"} << 1;
}

void TestCliRules::usageAndErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QString out;
    QString err;
    QCOMPARE(runCli(args, out, &err), exitCode);
    QVERIFY(out.isEmpty());
    QVERIFY(!err.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliRules)
#include "tst_cli_rules.moc"
