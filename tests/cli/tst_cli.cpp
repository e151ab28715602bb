// The command-line tool's wiring: each command reads the project, runs the
// same library call the editor runs and reports it in its fixed format.

#include "conversion/curvesmodel.h"
#include "conversion/imageconverter.h"
#include "document/palette.h"
#include "document/project.h"
#include "exchange/nativeformats.h"
#include "history/projectfile.h"
#include "history/projectpreview.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"
#include "rules/wholecanvasedits.h"

#include "../history/filebytes.h"

#include "exchange/prgbuilder.h"
#include "standindevice.h"
#include <QDir>
#include <QFile>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run runCli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(KORVEN_CLI), args);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
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

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

    QString path(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
    Project m_project;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Three strokes on a bordered multicolor canvas, the last one undone.
        m_project = Project(CanvasMode::Multicolor, 160, 100,
                            LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                                       BorderAlignment::Left});
        m_project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
        m_project.setHiresClashResolution(HiresClashResolution::PreserveMostUsed);
        m_project.colormap().fill(6);
        paintNode(m_project, QRect(0, 0, 10, 10), 1);
        paintNode(m_project, QRect(5, 5, 10, 10), 2);
        paintNode(m_project, QRect(100, 50, 3, 3), 5);
        m_project.history().undo(m_project);
        QVERIFY(saveProjectFile(m_project, path("multi.kvn")).ok);
    }

    void usageAndErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        // "@" is the saved project, followed by an output picture.
        QTest::newRow("unknown command") << QStringList{"no-such-command"} << 2;
        QTest::newRow("resolve with one file") << QStringList{"resolve", "a.kvn"} << 2;
        QTest::newRow("missing file") << QStringList{"resolve", "/nonexistent/x.kvn", "y.kvn"} << 1;
        QTest::newRow("stage past the position") << QStringList{"render", "@", "--stage", "3"} << 1;
        QTest::newRow("palette 10") << QStringList{"render", "@", "--palette", "10"} << 1;
        QTest::newRow("unknown option") << QStringList{"render", "@", "--smooth"} << 2;
        QTest::newRow("slot 10") << QStringList{"assign-slot", "@", "10", "3"} << 2;
        QTest::newRow("colour 16") << QStringList{"swap-colors", "@", "16", "1"} << 2;
        QTest::newRow("diagonal flip") << QStringList{"flip", "@", "diagonal"} << 2;
        QTest::newRow("middle border") << QStringList{"align", "@", "middle", "left"} << 2;
        QTest::newRow("prg of a free-sized canvas") << QStringList{"export-prg", "@"} << 1;
        QTest::newRow("prg, unknown option") << QStringList{"export-prg", "@", "--fast"} << 2;
        QTest::newRow("convert without mode") << QStringList{"convert", "@"} << 2;
        QTest::newRow("unknown dither")
            << QStringList{"convert", "@", "--mode", "hires", "--dither", "random"} << 2;
        QTest::newRow("curve without its end points")
            << QStringList{"convert", "@", "--mode", "hires", "--curve", "r=10:0,255:255"} << 2;
        QTest::newRow("slot 10 of a conversion")
            << QStringList{"convert", "@", "--mode", "hires", "--slot", "10=1"} << 2;
        QTest::newRow("project as picture") << QStringList{"convert", "@", "--mode", "hires"} << 1;
        QTest::newRow("thumbnail size 0") << QStringList{"thumbnail", "@", "0"} << 2;
        QTest::newRow("no such screen") << QStringList{"export-native", "@", "--screen", "1"} << 1;
        QTest::newRow("not a C64 picture") << QStringList{"import", "@"} << 1;
        QTest::newRow("send with two files") << QStringList{"send", "@", "--host", "h"} << 2;
        QTest::newRow("live without a host") << QStringList{"live", "x.kvn"} << 2;
        QTest::newRow("smart without a count") << QStringList{"workstages", "@", "--smart"} << 2;
    }
    void usageAndErrors()
    {
        QFETCH(QStringList, args);
        const QString out = path("rejected.png");
        if (args.value(1) == QLatin1String("@")) {
            args[1] = path("multi.kvn");
            args.insert(2, out);
        }
        const Run run = runCli(args);
        QTEST(run.exitCode, "exitCode");
        QVERIFY(run.out.isEmpty() && !run.err.isEmpty());
        QVERIFY(!QFile::exists(out));
    }

    // send runs the program once, with the password the device wants; live
    // then writes each saved change into the running machine.
    void sendAndLive()
    {
        StandInDevice device;
        QVERIFY(device.start());
        device.setPassword("pw 1");
        Project project(CanvasMode::Hires);
        paintNode(project, QRect(10, 10, 30, 20), 1);
        const QString file = path("live.kvn");
        QVERIFY(saveProjectFile(project, file).ok);
        const QStringList target{file, "--host", device.host(), "--timeout", "30"};
        QProcess cli;
        cli.start(QStringLiteral(KORVEN_CLI), QStringList{"send"} + target);
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 30000);
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("wants its network password"));
        QCOMPARE(device.requestCount("/v1/runners:run_prg"), 0);
        cli.start(QStringLiteral(KORVEN_CLI),
                  QStringList{"send"} + target + QStringList{"--password", "pw 1"});
        QTRY_COMPARE_WITH_TIMEOUT(cli.state(), QProcess::NotRunning, 30000);
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(device.requestCount("/v1/runners:run_prg"), 1);

        device.setRunsPrograms(true);
        cli.start(QStringLiteral(KORVEN_CLI),
                  QStringList{"live"} + target + QStringList{"--password", "pw 1"});
        QTRY_VERIFY_WITH_TIMEOUT(device.programIdles(), 30000);
        paintNode(project, QRect(100, 50, 40, 40), 2);
        project.setSlot(ColorSlot::Border, 7);
        QVERIFY(saveProjectFile(project, file).ok);
        const QByteArray expected = PrgBuilder::buildPrg(project);
        QTRY_COMPARE_WITH_TIMEOUT(device.readMemory(0x1e00, int(expected.size()) - 2),
                                  expected.mid(2), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(device.readMemory(0xd020, 1).at(0) & 15, 7, 30000);
        cli.kill();
        cli.waitForFinished();
    }

    void info()
    {
        const Run run = runCli({QStringLiteral("info"), path("multi.kvn")});
        QCOMPARE(run.exitCode, 0);
        // Keys in their documented order; the record count is the file's own.
        QVERIFY2(run.out.startsWith("{\"version\":11,\"mode\":\"multicolor\",\"layout\":2,"
                                    "\"screens\":1,\"width\":160,\"height\":100,"),
                 qPrintable(run.out));
        QVERIFY2(run.out.endsWith("\"topAlignment\":1,\"bottomAlignment\":0,"
                                  "\"spriteCountPolicy\":0,\"hiresClashResolution\":2,"
                                  "\"nodes\":3,\"position\":2,\"records\":7,\"workstages\":3}"),
                 qPrintable(run.out));
    }

    void readersMessageOnStderr()
    {
        // The reader's message is all that reaches stderr; no library warning
        // about the corrupt canvas stream leaks in front of it.
        const QByteArray corruptCanvas =
            filebytes::bytesOf(QStringLiteral("h11 {1 head d1 d0 b1 d9 x000000046A756E6B21}"));
        for (const QByteArray &bytes : {QByteArray("not a project at all"), corruptCanvas}) {
            QFile file(path("bad.kvn"));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) > 0);
            file.close();
            Project ignored;
            const ProjectFileResult expected = loadProjectFile(file.fileName(), ignored);
            QVERIFY(!expected.ok);
            for (const QStringList &args :
                 {QStringList{"info", file.fileName()},
                  QStringList{"render", file.fileName(), path("never.png")}}) {
                const Run run = runCli(args);
                QCOMPARE(run.exitCode, 1);
                QCOMPARE(run.err, expected.errorMessage);
            }
        }
        QVERIFY(!QFile::exists(path("never.png")));
    }

    void render_data()
    {
        QTest::addColumn<int>("palette");
        QTest::addColumn<int>("stage"); // -1: the canvas as it is
        QTest::newRow("as it is, palette 4") << 4 << -1;
        QTest::newRow("stage 1, palette 2") << 2 << 1;
    }
    void render()
    {
        QFETCH(int, palette);
        QFETCH(int, stage);
        Project project = m_project;
        while (stage >= 0 && project.history().position() > stage)
            project.history().undo(project);
        QStringList args{"render", path("multi.kvn"), path("out.png"), "--palette",
                         QString::number(palette)};
        if (stage >= 0)
            args << QStringLiteral("--stage") << QString::number(stage);
        const Run run = runCli(args);
        QCOMPARE(run.exitCode, 0);
        const QImage image(path("out.png"));
        QCOMPARE(image.size(), QSize(320, 100));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((image.pixel(x, y) ^ paletteRgb(palette, project.colormap().pixel(x / 2, y))) &
                    0xffffff)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 differs").arg(x).arg(y)));
    }

    void workstages()
    {
        // Two applied nodes: three workstages, or two of them on request.
        for (const auto &[extra, frames] :
             {std::pair{QStringList{}, 3}, std::pair{QStringList{"--count", "2", "--smart"}, 2}}) {
            QTemporaryDir out;
            const Run run =
                runCli(QStringList{"workstages", path("multi.kvn"), out.path()} + extra);
            QCOMPARE(run.out, QStringLiteral("{\"frames\":%1}").arg(frames));
            QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), frames);
            QVERIFY(QFile::exists(out.filePath(
                QStringLiteral("multi-%1.png").arg(frames - 1, 6, 10, QLatin1Char('0')))));
        }
    }

    // The plain export is the render at the project's palette; the borders
    // frame it 24 double-wide pixels left and right, 9 above and 8 below.
    void exportImage()
    {
        const QString palette = QString::number(int(m_project.paletteVariant()));
        QCOMPARE(runCli({"render", path("multi.kvn"), path("render.png"), "--palette", palette})
                     .exitCode,
                 0);
        QCOMPARE(runCli({"export-image", path("multi.kvn"), path("plain.png")}).exitCode, 0);
        QCOMPARE(
            runCli({"export-image", path("multi.kvn"), path("framed.png"), "--borders"}).exitCode,
            0);
        const auto read = [this](const char *name) {
            return QImage(path(name)).convertToFormat(QImage::Format_RGB32);
        };
        QCOMPARE(read("plain.png"), read("render.png"));
        QCOMPARE(read("framed.png").size(), QSize(2 * (160 + 48), 100 + 17));
        QCOMPARE(read("framed.png").copy(48, 9, 320, 100), read("render.png"));
    }

    // export-prg names the rows a 263-line machine leaves out; with
    // --basic-start the program loads at $0801 behind "10 SYS 13312" and
    // holds the plain export's bytes from $3400 on.
    void exportPrg()
    {
        Project project(CanvasMode::Hires, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        QVERIFY(saveProjectFile(project, path("tb.kvn")).ok);
        const Run plain = runCli({"export-prg", path("tb.kvn"), path("plain.prg"), "--no-crunch"});
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(plain.out, QStringLiteral("An NTSC machine does not show rows 0-20 and 263-283."));
        QCOMPARE(runCli({"export-prg", path("tb.kvn"), path("basic.prg"), "--basic-start",
                         "--no-crunch"})
                     .exitCode,
                 0);
        const auto read = [this](const char *name) {
            QFile file(path(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray basic = read("basic.prg");
        // Load address, link to $080C, line 10, SYS, the digits, line end, program end.
        QCOMPARE(basic.left(15), QByteArray("\x01\x08\x0c\x08\x0a\x00\x9e"
                                            "13312\0\0\0",
                                            15));
        QCOMPARE(basic.mid(2 + 0x3400 - 0x0801), read("plain.prg").mid(2));
    }

    // Each edit command saves one more node of its kind, with results worked
    // out by hand: recolourings on a 64 x 16 hires canvas of 6 (no frame, no
    // locked pixels) with a cell of 1 at x 0-7 and one of 2 at x 8-15; slots
    // and alignment on the bordered project. "x,y=c" is a pixel (b: the
    // background slot's colour), "sN=c" slot N, "align=TB" the top and
    // bottom alignments (1: right).
    void canvasEdits()
    {
        Project cells(CanvasMode::Hires, 64, 16);
        cells.colormap().fill(6);
        paintNode(cells, QRect(0, 0, 8, 8), 1);
        paintNode(cells, QRect(8, 0, 8, 8), 2);
        QVERIFY(saveProjectFile(cells, path("cells.kvn")).ok);
        using K = HistoryEntryKind;
        const std::tuple<const char *, K, const char *> rows[] = {
            {"cells swap-colors 6 1", K::SwapColors, "0,0=6 8,0=2 20,0=1 63,15=1"},
            {"cells replace-colors 1 6", K::ReplaceColors, "0,0=1 8,0=2 20,0=1 63,15=1"},
            {"cells flip horizontal", K::FlipCanvas, "63,0=1 55,0=2 0,0=6 0,15=6"},
            {"cells flip vertical", K::FlipCanvas, "0,15=1 8,8=2 0,0=6 63,15=6"},
            {"cells clear", K::ClearScreen, "0,0=b 8,0=b 63,15=b"},
            {"multi assign-slot background 3", K::AssignSlot, "s0=3"},
            {"multi assign-slot 5 7", K::AssignSlot, "s5=7"},
            {"multi align bottom right", K::SetBorderAlignment, "align=11"},
        };
        for (const auto &[line, kind, expected] : rows) {
            QStringList command = QString::fromLatin1(line).split(u' ');
            command.insert(2, path("edited.kvn"));
            command.move(0, 1);
            command[1] = m_dir.filePath(command[1] + QStringLiteral(".kvn"));
            QCOMPARE(runCli(command).exitCode, 0);
            Project saved;
            QVERIFY(loadProjectFile(path("edited.kvn"), saved).ok);
            QCOMPARE(saved.history().nodeCount(), 3);
            QCOMPARE(saved.history().nodes().last().kind, kind);
            for (const QString &check : QString::fromLatin1(expected).split(u' ')) {
                const QString key = check.section(u'=', 0, 0), value = check.section(u'=', 1);
                const QStringList xy = key.split(u',');
                const int got =
                    key == QLatin1String("align") ? int(saved.layoutSpec().topAlignment) * 10 +
                                                        int(saved.layoutSpec().bottomAlignment)
                    : key.startsWith(u's') ? saved.slot(ColorSlot(key.mid(1).toInt()))
                                           : saved.colormap().pixel(xy[0].toInt(), xy[1].toInt());
                const int want =
                    value == QLatin1String("b") ? saved.slot(ColorSlot::Background) : value.toInt();
                QVERIFY2(got == want, qPrintable(QStringLiteral("%1: %2").arg(line, check)));
            }
        }
    }
    // A script run is one saved edit; a failing one writes nothing.
    void scriptCommand()
    {
        const auto write = [this](const char *name, const QByteArray &text) {
            QFile file(path(name));
            return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
        };
        QVERIFY(write("good.lua", "print(arg[1], #arg)\nreplace(6, 9)\n"));
        QVERIFY(write("bad.lua", "clear()\nerror('broken')\n"));
        Run run = runCli({"script", path("good.lua"), path("multi.kvn"), path("s.kvn"), "hi", "x"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("hi\t2"));
        Project expected = m_project, saved;
        swapOrReplaceColors(expected, false, 9, 6);
        QVERIFY(loadProjectFile(path("s.kvn"), saved).ok);
        QCOMPARE(saved.history().nodeCount(), 3);
        QCOMPARE(saved.history().nodes().last().kind, HistoryEntryKind::ConvertImage);
        QCOMPARE(saved.colormap(), expected.colormap());

        run = runCli({"script", path("bad.lua"), path("multi.kvn"), path("t.kvn")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("bad.lua:2: broken"));
        QVERIFY(!QFile::exists(path("t.kvn")));

        run = runCli({"script", "colourreport", path("multi.kvn"), path("u.kvn")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QLatin1String("units use all their colours")),
                 qPrintable(run.out));
    }

    // A picture becomes a new project whose one edit holds the converter's
    // result; a picture of another size is stretched to the canvas first.
    void convertCommand()
    {
        QImage image(100, 60, QImage::Format_RGB32);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 100; ++x)
                image.setPixel(x, y, qRgb(x * 2, y * 4, (x * y) % 256));
        QVERIFY(image.save(path("picture.png")));
        const Run run =
            runCli({"convert", path("picture.png"), path("converted.kvn"), "--mode", "multicolor",
                    "--layout", "2", "--dither", "ordered", "--distance", "euclidean", "--palette",
                    "3", "--background", "6", "--border", "14", "--method", "most-used"});
        QCOMPARE(run.exitCode, 0);
        const Project expected(CanvasMode::Multicolor, -1, -1,
                               LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        ConversionOptions options{expected.mode(),           expected.layoutSpec(),
                                  DitherKind::Ordered,       ColorMetric::Euclidean,
                                  expected.slotBytes(),      3,
                                  ConversionMethod::MostUsed};
        options.slotBytes[size_t(ColorSlot::Background)] = 6;
        options.slotBytes[size_t(ColorSlot::Border)] = 14;
        const QSize target = conversionSourceSize(expected.mode(), expected.size());
        Project saved;
        QVERIFY(loadProjectFile(path("converted.kvn"), saved).ok);
        QCOMPARE(saved.history().nodeCount(), 1);
        QCOMPARE(saved.history().nodes().last().kind, HistoryEntryKind::ConvertImage);
        QCOMPARE(saved.colormap(), convert(fitToCanvas(image, target, false, qRgb(0, 0, 0), true),
                                           expected.size(), CurvesModel(), options));
        QCOMPARE(saved.slotBytes(), options.slotBytes);

        // Every choice of the dialog: curves, slots, alignment, fitting, the
        // newer dithers and distances; the background chosen for the picture.
        QCOMPARE(runCli({"convert",
                         path("picture.png"),
                         path("again.kvn"),
                         "--mode",
                         "multicolor",
                         "--layout",
                         "2",
                         "--dither",
                         "atkinson",
                         "--scaling",
                         "sharp",
                         "--fit",
                         "--slot",
                         "4=11",
                         "--align-bottom",
                         "right",
                         "--curve",
                         "rgb=0:20,100:160,255:230",
                         "--curve",
                         "b=0:0,255:128"})
                     .exitCode,
                 0);
        CurvesModel curves;
        curves.movePoint(CurvesModel::Master, 0, 0, 20, 7);
        curves.movePoint(CurvesModel::Master, 1, 255, 230, 7);
        curves.addPoint(CurvesModel::Master, 100, 160, 7);
        curves.movePoint(CurvesModel::Blue, 1, 255, 128, 7);
        options = ConversionOptions();
        options.mode = CanvasMode::Multicolor;
        options.layout = LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Left,
                                    BorderAlignment::Right};
        options.dither = DitherKind::Atkinson;
        options.slotBytes = expected.slotBytes();
        options.slotBytes[size_t(ColorSlot::TopBackground)] = 11;
        options.chooseBackground = true;
        const ConversionResult again =
            convertImage(fitToCanvas(image, target, true, qRgb(0, 0, 0), false), expected.size(),
                         curves, options);
        QVERIFY(loadProjectFile(path("again.kvn"), saved).ok);
        QCOMPARE(saved.colormap(), again.colormap);
        QCOMPARE(saved.slotBytes(), again.slotBytes);
        QCOMPARE(saved.layoutSpec(), options.layout);
    }

    void reportsAndRepairs_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("resolve") << "resolve";
        QTest::newRow("reduce-borders") << "reduce-borders";
    }
    void reportsAndRepairs()
    {
        // A clashing cell, a two-colour top border sprite and ten occupied
        // bottom border columns.
        QFETCH(QString, command);
        Project project(CanvasMode::Hires, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        Colormap &map = project.colormap();
        map.setPixel(72, 2, 2);
        map.setPixel(73, 40, 5);
        for (int i = 0; i < 64; ++i)
            map.setPixel(48 + i % 8, 64 + i / 8, quint8(1 + i % 5));
        const int y0 = project.height() - 42;
        for (int c = 0; c < 10; ++c)
            map.fillRect(QRect(c * 24, y0 + 20, (c == 4 || c == 9) ? 1 : 3, 1), 7);
        QVERIFY(saveProjectFile(project, path("in.kvn")).ok);

        const ClashContext context = ClashContext::forSweep(project);
        const RedFrameSet frames = redFrameSet(context, map);
        QVERIFY(!frames.top.isEmpty() && !frames.bottom.isEmpty());
        Run run = runCli({QStringLiteral("clashes"), path("in.kvn")});
        QCOMPARE(run.out, QStringLiteral("{\"hasClash\":true,\"clashingUnits\":%1,\"redFrames\":"
                                         "{\"top\":%2,\"bottom\":%3}}")
                              .arg(listJson(clashingUnits(context, map)), listJson(frames.top),
                                   listJson(frames.bottom)));

        run = runCli({command, path("in.kvn"), path("out.kvn")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("{\"changed\":["));
        Project repaired;
        QVERIFY(loadProjectFile(path("out.kvn"), repaired).ok);
        const ClashContext after = ClashContext::forSweep(repaired);
        if (command == QLatin1String("resolve"))
            QVERIFY(!canvasHasClash(after, repaired.colormap()));
        else
            QVERIFY(redFrameSet(after, repaired.colormap()).bottom.isEmpty());
        QCOMPARE(repaired.history().nodeCount(), 1);
        // The saved history undoes back to the file as it was.
        repaired.history().undo(repaired);
        QCOMPARE(repaired.colormap(), map);
        // Repaired, there is nothing more to do.
        run = runCli({command, path("out.kvn"), path("again.kvn")});
        QCOMPARE(run.out, QStringLiteral("{\"changed\":null}"));
    }
    // A real paint file becomes a one-screen project holding it as one
    // import; written back out natively and read again, the pixels survive;
    // its thumbnail is the saved picture fitted to the box.
    void nativeFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mode");
        QTest::newRow("koala") << "koala/abydos.koa"
                               << "";
        QTest::newRow("art studio") << "artstudio/frontpic.art"
                                    << "";
        QTest::newRow("koala forced") << "koala/ninja3.koa"
                                      << "multicolor";
        QTest::newRow("koala as hires") << "koala/pvm.koa"
                                        << "hires";
    }
    void nativeFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, mode);
        QFile source(QStringLiteral(KORVEN_TESTDATA_DIR "/real/") + file);
        QVERIFY(source.open(QIODevice::ReadOnly));
        NativeImage image;
        QString error;
        QVERIFY(NativeFormats::recognizeAndDecode(source.readAll(), 0, image, error));
        QStringList args{"import", source.fileName(), path("imported.kvn")};
        if (!mode.isEmpty())
            args << QStringLiteral("--mode") << mode;
        Run run = runCli(args);
        if (mode == QLatin1String("hires")) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err,
                     QStringLiteral("Koala Painter is a multicolor format; this canvas is hires."));
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("{\"format\":\"%1\",\"changed\":[")
                                       .arg(NativeFormats::formatName(image.format))));
        Project imported;
        QVERIFY(loadProjectFile(path("imported.kvn"), imported).ok);
        const Colormap picture = NativeFormats::decodeToColormap(image);
        QCOMPARE(imported.colormap(), picture);
        QCOMPARE(imported.history().nodeCount(), 1);
        QCOMPARE(imported.history().nodes().first().kind, HistoryEntryKind::ImportImage);

        run = runCli({"export-native", path("imported.kvn"), path("native.bin")});
        QCOMPARE(run.exitCode, 0);
        QFile written(path("native.bin"));
        QVERIFY(written.open(QIODevice::ReadOnly));
        NativeImage again;
        QVERIFY(NativeFormats::recognizeAndDecode(written.readAll(), 0, again, error));
        QCOMPARE(NativeFormats::decodeToColormap(again), picture);
        if (imported.mode() == CanvasMode::Multicolor)
            QCOMPARE(again.background, image.background);

        run = runCli({"thumbnail", path("imported.kvn"), path("thumb.png"), "256"});
        QCOMPARE(run.exitCode, 0);
        ProjectPreviewInfo info;
        QVERIFY(readProjectPreview(path("imported.kvn"), info, error));
        const QImage expected = ProjectPreview::previewPicture(info, 0).scaled(
            256, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(QImage(path("thumb.png")).convertToFormat(expected.format()), expected);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
