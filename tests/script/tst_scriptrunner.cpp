// Scripts against the real engines: a table of small scripts with the
// canvas or output worked out by hand, the sandbox, runs that fail or are
// cancelled, undo, and the bundled scripts on every canvas kind.

#include "../common/paintrows.h"
#include "../common/projectstate.h"
#include "../common/wholefiles.h"

#include "document/canvaspreset.h"
#include "document/palette.h"
#include "document/project.h"
#include "history/projectfile.h"
#include "paint/strokerenderer.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "script/scriptrunner.h"

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

// Table fields write a line break as \n and a tab as \t.
QString unescaped(QString text)
{
    return text.replace(QLatin1String("\\n"), QLatin1String("\n"))
        .replace(QLatin1String("\\t"), QLatin1String("\t"));
}

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
    // Small scripts with their outcome worked out by hand (script/scripts.txt).
    void interface_data() { addTextRows("script/scripts.txt", "interface"); }

    void interface()
    {
        QFETCH(QStringList, row);
        const QRgb white = paletteRgb(0, 1);
        const QString output = unescaped(row[3]).replace(
            QLatin1String("WHITE"),
            QStringLiteral("%1\t%2\t%3").arg(qRed(white)).arg(qGreen(white)).arg(qBlue(white)));
        Project project = canvasOf(row[0]);
        const Run run = runOn(project, unescaped(row[1]));
        if (output.startsWith(u'!')) {
            QVERIFY(!run.outcome.ok());
            QCOMPARE(run.outcome.message, output.mid(1));
            QCOMPARE(run.outcome.line, output.section(u':', 1, 1).toInt());
        } else {
            QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
            QCOMPARE(run.output.join(u'\n'), output);
        }
        for (const QString &p : row[2].split(u' ', Qt::SkipEmptyParts)) {
            const QPoint at = pointOf(p.section(u'=', 0, 0));
            QCOMPARE(int(project.colormap().pixel(at.x(), at.y())), p.section(u'=', 1).toInt());
        }
    }

    // Nothing reaches files, processes, native code or bytecode.
    void sandbox_data() { addTextRows("script/scripts.txt", "sandbox"); }

    void sandbox()
    {
        QFETCH(QStringList, row);
        Project project;
        const Run run = runOn(project, row[0]);
        QVERIFY2(!run.outcome.ok() &&
                     run.outcome.message.contains(QStringLiteral("attempt to ") + row[1]),
                 qPrintable(row[0] + u' ' + run.outcome.message));
    }

    // set() paints what a pen dab of width 1 paints, refusals included: two
    // routes over the same seeded random dabs on every canvas kind.
    void setIsAWidthOnePenDab()
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
                renderer.paintSegment(pass, params, QPoint(x, y), QPoint(x, y),
                                      {quint8(c), quint8(c)});
            }
            const Run run = runOn(viaScript, script);
            QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
            refused += run.outcome.refusedPixels;
            QVERIFY2(viaScript.colormap() == viaPen.colormap(), kind);
        }
        QVERIFY(refused > 0);
    }

    void failedAndCancelledRunsChangeNothing_data()
    {
        addTextRows("script/scripts.txt", "failing");
    }

    void failedAndCancelledRunsChangeNothing()
    {
        QFETCH(QStringList, row);
        const bool cancel = row[1] == u'1';
        QTemporaryDir dir;
        Project project(CanvasMode::Multicolor);
        runOn(project, QStringLiteral("rect(2, 2, 30, 30, 7, {filled = true})"));
        QCOMPARE(project.history().nodeCount(), 1);
        const QByteArray before = savedBytes(project, dir);
        QVERIFY(!before.isEmpty());
        const std::atomic_bool cancelled(cancel);
        ScriptEnvironment env;
        env.cancel = &cancelled;
        env.instructionLimit = row[2].toLongLong();
        env.memoryLimit = 8 << 20;
        const Run run = runOn(project, row[0], env);
        QCOMPARE(run.outcome.status,
                 cancel ? ScriptOutcome::Status::Cancelled : ScriptOutcome::Status::Failed);
        QCOMPARE(run.outcome.message, row[3]);
        QCOMPARE(savedBytes(project, dir), before);
    }

    void undoAndRedoTheRun()
    {
        Project project(CanvasMode::Hires, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        const auto before = projectState(project);
        QVERIFY(runOn(project, QStringLiteral("print(get(0, 0))")).outcome.ok());
        QCOMPARE(project.history().nodeCount(), 0); // nothing changed, nothing recorded

        const Run run =
            runOn(project, QStringLiteral("set(100, 100, 1) setSlot('border', 3) "
                                          "setSlot('topBackground', 2) align('bottom', 'right')"));
        QVERIFY2(run.outcome.ok(), qPrintable(run.outcome.message));
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.history().nodes().at(0).kind, HistoryEntryKind::ConvertImage);
        QCOMPARE(project.colormap().pixel(100, 100), quint8(1));
        QCOMPARE(project.slot(ColorSlot::Border), quint8(3));
        QCOMPARE(project.layoutSpec().bottomAlignment, BorderAlignment::Right);
        QVERIFY(undoesAndRedoes(project, before));
    }

    void bundledScriptsStayClashFree()
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
                const QRect selection(13, 21, 50, 30);
                if (withSelection)
                    env.selection = selection;
                const Colormap before = project.colormap();
                const Run run = runOn(project, QString::fromUtf8(source), env);
                const QRect changed = Colormap::difference(before, project.colormap());
                QVERIFY2(!withSelection || !keepsToSelection || changed.isEmpty() ||
                             selection.contains(changed),
                         qPrintable(path + u' ' + QLatin1String(preset.text)));
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
    void colourReportFindsFullCells()
    {
        ScriptRunner::bundledScripts(); // registers the resources
        Project project;
        project.colormap().setPixel(17, 9, 1);
        const Run run = runOn(
            project, QString::fromUtf8(readBytes(QStringLiteral(":/scripts/colourreport.lua"))));
        QVERIFY(run.outcome.ok());
        QCOMPARE(run.output, (QStringList{"1 of 1000 units use all their colours",
                                          "bitmap cell at 16,8: colours 0 1", "No clashes"}));
        QCOMPARE(project.history().nodeCount(), 0);
    }

    // Pixels row by row as 0xRRGGBB; a relative path starts in the script's folder.
    void pictureReader()
    {
        QTemporaryDir dir;
        QImage picture(2, 2, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 0, 255), qRgb(1, 2, 3),
                                qRgb(255, 255, 255)};
        for (int i = 0; i < 4; ++i)
            picture.setPixel(i % 2, i / 2, colours[i]);
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
};

QTEST_GUILESS_MAIN(TstScriptRunner)
#include "tst_scriptrunner.moc"
