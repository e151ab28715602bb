// Scripts against the real engines: a table of small scripts with the
// canvas or output worked out by hand, the sandbox, runs that fail or are
// cancelled, undo, and the bundled scripts on every canvas kind.

#include "../common/wholefiles.h"

#include "document/canvaspreset.h"
#include "document/palette.h"
#include "document/project.h"
#include "history/projectfile.h"
#include "paint/strokerenderer.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "script/scriptrunner.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace
{

Project canvasOf(const QString &kind)
{
    if (kind == QLatin1String("multi"))
        return Project(CanvasMode::Multicolor);
    if (kind == QLatin1String("side"))
        return Project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
    if (kind == QLatin1String("topbottom"))
        return Project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    return Project(CanvasMode::Hires);
}

struct Run {
    ScriptOutcome outcome;
    QStringList output;
};

Run runOn(Project &project, const QString &source, ScriptEnvironment env = {})
{
    Run run;
    env.print = [&run](const QString &line) { run.output << line; };
    run.outcome = ScriptRunner::run(project, source.toUtf8(), env);
    return run;
}

QByteArray savedBytes(const Project &project, const QTemporaryDir &dir)
{
    const QString path = dir.filePath(QStringLiteral("p.kvn"));
    return saveProjectFile(project, path).ok ? readBytes(path) : QByteArray();
}

} // namespace

class TstScriptRunner : public QObject
{
    Q_OBJECT

private slots:
    void interface_data();
    void interface();
    void sandbox();
    void setIsAWidthOnePenDab();
    void failedAndCancelledRunsChangeNothing_data();
    void failedAndCancelledRunsChangeNothing();
    void undoAndRedoTheRun();
    void bundledScriptsStayClashFree();
    void colourReportFindsFullCells();
    void pictureReader();
};

// Small scripts with their outcome worked out by hand: the canvas kind,
// the script, "x,y=c" pixels after the run, and what it printed (lines
// joined by newlines; "!" an error message, WHITE the palette's white).
void TstScriptRunner::interface_data()
{
    QTest::addColumn<QString>("canvas");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("pixels");
    QTest::addColumn<QString>("output");
    const std::array<const char *, 5> rows[] = {
        {"facts hires", "hires",
         "print(canvas.width, canvas.height, canvas.mode, canvas.layout, canvas.screens)", "",
         "320\t200\thires\tbitmap\t1"},
        {"facts multicolor", "multi", "print(canvas.width, canvas.mode, canvas.pixelWidth)", "",
         "160\tmulticolor\t2.0"},
        {"set then get", "hires", "print(set(5, 6, 7), get(5, 6), get(6, 6))", "5,6=7 6,6=0",
         "true\t7\t0"},
        // Like the pen, a hires dab gives the overwritten colour's pixels of
        // the cell the new colour; a multicolor dab cannot displace the
        // background and is refused.
        {"hires overwritten colour gives way", "hires",
         "set(0, 0, 1) print(set(1, 0, 2), fits(3, 0, 5), fits(3, 0, 1))",
         "0,0=1 1,0=2 2,0=2 7,7=2 8,0=0", "true\tfalse\ttrue"},
        {"multicolor fourth colour refused", "multi",
         "set(0,0,1) set(1,0,2) set(2,0,3) print(set(3,0,4)) print(set(3,0,0))", "2,0=3 3,0=0",
         "false\tclash\ntrue"},
        {"fits", "multi",
         "set(0,0,1) set(1,0,2) set(2,0,3) "
         "print(fits(3,0,4), fits(3,0,1), fits(2,0,4))",
         "", "false\ttrue\ttrue"},
        {"next cell is free", "hires", "set(0,0,1) print(set(8,0,2))", "8,0=2", "true"},
        {"line width 1", "hires", "line(2, 3, 5, 3, 4)", "1,3=0 2,3=4 5,3=4 6,3=0 3,4=0", ""},
        {"line uses the pen colour", "hires", "line(0, 0, 0, 2)", "0,0=1 0,2=1 0,3=0", ""},
        {"textured line", "hires",
         "local t = {} for i = 1, 16 do t[i] = 0x5555 end "
         "line(0, 0, 3, 0, 1, {texture = t})",
         "0,0=1 1,0=0 2,0=1 3,0=0", ""},
        {"rectangle outline", "hires", "rect(0, 0, 3, 2, 5)",
         "0,0=5 3,0=5 0,2=5 3,2=5 0,1=5 1,1=0 2,1=0 4,1=0", ""},
        {"filled rectangle", "hires", "rect(0, 0, 3, 2, 5, {filled = true})",
         "1,1=5 2,1=5 4,1=0 0,3=0", ""},
        {"ellipse", "hires", "ellipse(20, 20, 5, 5, 1)", "15,20=1 25,20=1 20,15=1 20,25=1 20,20=0",
         ""},
        {"filled ellipse", "hires", "ellipse(20, 20, 5, 5, 1, {filled = true})", "20,20=1 26,20=0",
         ""},
        {"star", "hires", "star(40, 40, 10, 10, 1)", "40,30=1 40,40=0", ""},
        {"path", "hires", "path({0, 0, 5, 0, 5, 5}, 1)", "0,0=1 3,0=1 5,0=1 5,3=1 5,5=1 0,5=0", ""},
        {"fill", "hires", "rect(0, 0, 9, 9, 1) print(fill(5, 5, 2))",
         "5,5=2 1,1=2 0,0=1 12,12=2 20,20=0", "true"},
        {"swap", "hires", "set(0, 0, 1) swap(0, 1)", "0,0=0 1,0=1 319,199=1", ""},
        {"replace", "hires", "set(0, 0, 1) replace(0, 6)", "0,0=1 1,0=6 319,199=6", ""},
        {"flip", "hires", "set(0, 0, 1) flip('horizontal')", "0,0=0 319,0=1", ""},
        {"clear", "hires", "set(0, 0, 1) clear(2)", "0,0=2 100,100=2", ""},
        {"slot follows", "multi", "setSlot('background', 6) print(slot('background'))", "0,0=6",
         "6"},
        {"palette", "hires", "print(rgb(1)) print(nearest(rgb(7)))", "", "WHITE\n7"},
        {"no selection", "hires", "print(selection(), selected(0, 0))", "", "nil\tfalse"},
        {"unit", "hires",
         "set(9, 9, 1) local u = unit(9, 9) "
         "print(u.kind, u.x, u.y, u.width, u.height, #u.colors, u.limit, "
         "u.free, u.counts[1])",
         "", "cell\t8\t8\t8\t8\t2\t2\t2\t1"},
        {"would clash", "multi",
         "set(0,0,1) set(1,0,2) set(2,0,3) "
         "print(wouldClash(3, 0, 4), wouldClash(3, 0, 1))",
         "", "true\tfalse"},
        {"no clashes", "hires", "print(#clashes(), hasClash())", "", "0\tfalse"},
        {"budget", "topbottom", "local n, over = budget('top') print(n, #over)", "", "0\t0"},
        {"no top border", "hires", "print(budget('top'))", "", "nil"},
        {"arguments", "hires", "print(#arg)", "", "0"},
        {"outside", "hires", "\nset(400, 0, 1)", "",
         "!script:2: pixel (400, 0) is outside the 320 x 200 canvas"},
        {"bad colour", "hires", "set(0, 0, 16)", "",
         "!script:1: bad argument #3 to 'set' (a colour is 0 to 15)"},
        {"bad option", "hires", "flip('sideways')", "",
         "!script:1: bad argument #1 to 'flip' (invalid option "
         "'sideways')"},
        {"no slot there", "hires", "setSlot('topBackground', 3)", "",
         "!script:1: this canvas has no topBackground slot"},
        {"error", "hires", "set(0, 0, 1)\n\nerror('boom')", "0,0=0", "!script:3: boom"},
        {"syntax", "hires", "x = = 1", "", "!script:1: unexpected symbol near '='"},
    };
    for (const auto &[name, canvas, script, pixels, output] : rows)
        QTest::newRow(name) << canvas << script << pixels << output;
}

void TstScriptRunner::interface()
{
    QFETCH(QString, canvas);
    QFETCH(QString, script);
    QFETCH(QString, pixels);
    QFETCH(QString, output);
    output.replace(QLatin1String("WHITE"), [] {
        const QRgb c = paletteRgb(0, 1);
        return QStringLiteral("%1\t%2\t%3").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
    }());
    Project project = canvasOf(canvas);
    const Run run = runOn(project, script);
    if (output.startsWith(u'!')) {
        QVERIFY(!run.outcome.ok());
        QCOMPARE(run.outcome.message, output.mid(1));
        QCOMPARE(run.outcome.line, output.section(u':', 1, 1).toInt());
    } else {
        QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
        QCOMPARE(run.output.join(u'\n'), output);
    }
    for (const QString &p : pixels.split(u' ', Qt::SkipEmptyParts)) {
        const int x = p.section(u',', 0, 0).toInt();
        const int y = p.section(u',', 1).section(u'=', 0, 0).toInt();
        QCOMPARE(int(project.colormap().pixel(x, y)), p.section(u'=', 1).toInt());
    }
}

// Nothing reaches files, processes, native code or bytecode: each row is
// a script and the start of its message.
void TstScriptRunner::sandbox()
{
    const std::pair<const char *, const char *> rows[] = {
        {"os.exit(1)", "index a nil value (global 'os')"},
        {"io.open('x', 'w')", "index a nil value (global 'io')"},
        {"debug.getinfo(1)", "index a nil value (global 'debug')"},
        {"package.loadlib('x', 'y')", "index a nil value (global 'package')"},
        {"require('os')", "call a nil value (global 'require')"},
        {"dofile('x')", "call a nil value (global 'dofile')"},
        {"loadfile('x')", "call a nil value (global 'loadfile')"},
        {"load(string.dump(print))", "call a nil value (field 'dump')"},
        {"assert(load('\\27Lua', 'x', 'b'))", "load a binary chunk (mode is 't')"},
        {"assert(load('return os'))() .exit()", "index a nil value"},
        {"getmetatable('').__index.dump()", "call a nil value (field 'dump')"}};
    for (const auto &[script, message] : rows) {
        Project project;
        const Run run = runOn(project, QString::fromLatin1(script));
        QVERIFY2(!run.outcome.ok() && run.outcome.message.contains(QLatin1String("attempt to ") +
                                                                   QLatin1String(message)),
                 qPrintable(QLatin1String(script) + u' ' + run.outcome.message));
    }
}

// set() paints what a pen dab of width 1 paints, refusals included: two
// routes over the same seeded random dabs on every canvas kind.
void TstScriptRunner::setIsAWidthOnePenDab()
{
    int refused = 0;
    for (const char *kind : {"hires", "multi", "side", "topbottom"}) {
        Project viaScript = canvasOf(QLatin1String(kind));
        viaScript.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
        Project viaPen = viaScript;
        QString script;
        QRandomGenerator random(7);
        StrokeRenderer renderer;
        renderer.prepare(viaPen);
        PaintParams params;
        for (int i = 0; i < 3000; ++i) {
            // Dabs crowd into a corner so cells fill up and refuse.
            const int x = random.bounded(std::min(40, viaPen.width()));
            const int y = random.bounded(std::min(60, viaPen.height()));
            const int c = random.bounded(16);
            script += QStringLiteral("set(%1,%2,%3)\n").arg(x).arg(y).arg(c);
            PaintPass pass = renderer.beginEdit(viaPen);
            renderer.paintSegment(pass, params, QPoint(x, y), QPoint(x, y), {quint8(c), quint8(c)});
        }
        const Run run = runOn(viaScript, script);
        QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
        refused += run.outcome.refusedPixels;
        QVERIFY2(viaScript.colormap() == viaPen.colormap(), kind);
    }
    QVERIFY(refused > 0);
}

void TstScriptRunner::failedAndCancelledRunsChangeNothing_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<QString>("message");
    QTest::newRow("error after edits")
        << "set(1, 1, 3) setSlot('background', 4) clear(5) error('stop')" << false << qint64(0)
        << "script:1: stop";
    QTest::newRow("cancelled") << "clear(5) while true do set(0, 0, 1) end" << true << qint64(0)
                               << "Cancelled.";
    QTest::newRow("cancel is not caught")
        << "clear(5) while true do pcall(function() while true do end end) end" << true << qint64(0)
        << "Cancelled.";
    QTest::newRow("instruction limit") << "clear(5) while true do end" << false << qint64(100000)
                                       << "script: the script ran too long";
    QTest::newRow("memory") << "clear(5) local t = {} while true do t[#t + 1] = {} end" << false
                            << qint64(0) << "script: not enough memory";
}

void TstScriptRunner::failedAndCancelledRunsChangeNothing()
{
    QFETCH(QString, script);
    QFETCH(bool, cancel);
    QFETCH(qint64, limit);
    QFETCH(QString, message);
    QTemporaryDir dir;
    Project project(CanvasMode::Multicolor);
    runOn(project, QStringLiteral("rect(2, 2, 30, 30, 7, {filled = true})"));
    QCOMPARE(project.history().nodeCount(), 1);
    const QByteArray before = savedBytes(project, dir);
    QVERIFY(!before.isEmpty());
    const std::atomic_bool cancelled(cancel);
    ScriptEnvironment env;
    env.cancel = &cancelled;
    env.instructionLimit = limit;
    env.memoryLimit = 8 << 20;
    const Run run = runOn(project, script, env);
    QCOMPARE(run.outcome.status,
             cancel ? ScriptOutcome::Status::Cancelled : ScriptOutcome::Status::Failed);
    QCOMPARE(run.outcome.message, message);
    QCOMPARE(savedBytes(project, dir), before);
}

void TstScriptRunner::undoAndRedoTheRun()
{
    Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    const Colormap colormap = project.colormap();
    const auto slotsBefore = project.slotBytes();
    const LayoutSpec layout = project.layoutSpec();
    Run run = runOn(project, QStringLiteral("print(get(0, 0))"));
    QVERIFY(run.outcome.ok());
    QCOMPARE(project.history().nodeCount(), 0); // nothing changed, nothing recorded

    run = runOn(project, QStringLiteral("set(100, 100, 1) setSlot('border', 3) "
                                        "setSlot('topBackground', 2) align('bottom', 'right')"));
    QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
    QCOMPARE(project.history().nodeCount(), 1);
    QCOMPARE(project.history().nodes().at(0).kind, HistoryEntryKind::ConvertImage);
    QCOMPARE(project.colormap().pixel(100, 100), quint8(1));
    QCOMPARE(project.slot(ColorSlot::Border), quint8(3));
    QCOMPARE(project.layoutSpec().bottomAlignment, BorderAlignment::Right);
    const Colormap after = project.colormap();
    const auto slotsAfter = project.slotBytes();

    // Saved and read back, it is the project file round trip of any node.
    project.history().undo(project);
    QVERIFY(project.colormap() == colormap);
    QCOMPARE(project.slotBytes(), slotsBefore);
    QCOMPARE(project.layoutSpec(), layout);
    project.history().redo(project);
    QVERIFY(project.colormap() == after);
    QCOMPARE(project.slotBytes(), slotsAfter);
}

void TstScriptRunner::bundledScriptsStayClashFree()
{
    QTemporaryDir dir;
    // A picture for the converter: a colour wheel of sorts.
    QImage picture(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 6, 255 - x * 2));
    const QString picturePath = dir.filePath(QStringLiteral("in.png"));
    QVERIFY(picture.save(picturePath));

    const QStringList scripts = ScriptRunner::bundledScripts();
    QVERIFY(scripts.size() >= 6);
    for (const QString &path : scripts) {
        const QByteArray source = readBytes(path);
        QVERIFY(!source.isEmpty());
        QVERIFY(!ScriptRunner::scriptTitle(path, source).endsWith(QLatin1String(".lua")));
        int changedCanvases = 0;
        // Every other canvas has a selection, which the generators keep to.
        bool withSelection = false;
        const bool keepsToSelection = !path.endsWith(QLatin1String("mirroredge.lua")) &&
                                      !path.endsWith(QLatin1String("ordereddither.lua"));
        for (const CanvasPreset &preset : CanvasPreset::all()) {
            withSelection = !withSelection;
            Project project(preset.mode, -1, -1, LayoutSpec{preset.layout}, preset.screens);
            // Something to work around: a clash-free scribble of pen dabs.
            ScriptEnvironment env;
            env.primary = 2;
            env.secondary = 14;
            QString scribble;
            QRandomGenerator random(11);
            for (int i = 0; i < 400; ++i)
                scribble += QStringLiteral("set(%1, %2, %3)\n")
                                .arg(random.bounded(project.width()))
                                .arg(random.bounded(project.height()))
                                .arg(random.bounded(16));
            QVERIFY(runOn(project, scribble, env).outcome.ok());
            const int nodes = project.history().nodeCount();
            if (ScriptRunner::wantsPicture(source))
                env.args = {picturePath};
            env.name = QFileInfo(path).fileName();
            const QRegion selection(QRect(13, 21, 50, 30));
            if (withSelection)
                env.selection = selection;
            const Colormap before = project.colormap();
            const Run run = runOn(project, QString::fromUtf8(source), env);
            for (int y = 0; withSelection && keepsToSelection && y < project.height(); ++y)
                for (int x = 0; x < project.width(); ++x)
                    if (!selection.contains(QPoint(x, y)) &&
                        project.colormap().pixel(x, y) != before.pixel(x, y))
                        QFAIL(qPrintable(QStringLiteral("%1 changed %2,%3 outside the selection")
                                             .arg(path)
                                             .arg(x)
                                             .arg(y)));
            QVERIFY2(run.outcome.ok(), qPrintable(path + u' ' + run.outcome.message));
            QVERIFY2(!canvasHasClash(ClashContext::forSweep(project), project.colormap()),
                     qPrintable(path + u' ' + QLatin1String(preset.text)));
            changedCanvases += project.history().nodeCount() - nodes;
        }
        // Every script but the report changes something somewhere.
        QCOMPARE(changedCanvases > 0, !path.endsWith(QLatin1String("colourreport.lua")));
    }
}

// One hires cell with two colours among 1000 cells; nothing changes.
void TstScriptRunner::colourReportFindsFullCells()
{
    ScriptRunner::bundledScripts(); // registers the resources
    Project project;
    project.colormap().setPixel(17, 9, 1);
    const Run run =
        runOn(project, QString::fromUtf8(readBytes(QStringLiteral(":/scripts/colourreport.lua"))));
    QVERIFY(run.outcome.ok());
    QCOMPARE(run.output, (QStringList{"1 of 1000 units use all their colours",
                                      "bitmap cell at 16,8: colours 0 1", "No clashes"}));
    QCOMPARE(project.history().nodeCount(), 0);
}

// Pixels row by row as 0xRRGGBB; a relative path starts in the script's folder.
void TstScriptRunner::pictureReader()
{
    QTemporaryDir dir;
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 255));
    picture.setPixel(0, 1, qRgb(1, 2, 3));
    picture.setPixel(1, 1, qRgb(255, 255, 255));
    QVERIFY(picture.save(dir.filePath(QStringLiteral("p.png"))));
    ScriptEnvironment env;
    env.folder = dir.path();
    Project project;
    const Run run = runOn(project,
                          QStringLiteral("local p = readPicture('p.png') "
                                         "print(p.width, p.height, p[1], p[2], p[3], p[4]) "
                                         "print(readPicture('missing.png'))"),
                          env);
    QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
    QCOMPARE(run.output.value(0), QStringLiteral("2\t2\t16711680\t255\t66051\t16777215"));
    QVERIFY2(run.output.value(1).startsWith(QLatin1String("nil\tcannot read missing.png")),
             qPrintable(run.output.value(1)));
}

QTEST_GUILESS_MAIN(TstScriptRunner)
#include "tst_scriptrunner.moc"
