// The command-line tool's wiring: each command reads the project, runs the
// same library call the editor runs and reports it in its fixed format.

#include "document/palette.h"
#include "document/project.h"
#include "history/projectfile.h"

#include "../common/paintrows.h"
#include "../common/programrun.h"
#include "../common/wholefiles.h"
#include "../history/edits.h"
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

ProgramRun runCli(const QStringList &args)
{
    return runProgram(QStringLiteral(KORVEN_CLI), args);
}

bool succeeds(const QStringList &args)
{
    return runCli(args).exitCode == 0;
}

// The project saved at `path`; one that does not load fails the test.
Project loaded(const QString &path)
{
    Project project;
    if (const ProjectFileResult result = loadProjectFile(path, project); !result.ok)
        QTest::qFail(qPrintable(path + u' ' + result.errorMessage), __FILE__, __LINE__);
    return project;
}

// Checks words of `expected` against a saved project: "x,y=c" a pixel (b:
// the background slot's colour), "sN=c" slot N, "align=TB" the top and
// bottom alignments (1: right).
void checkProject(const Project &saved, const QString &line, const QString &expected)
{
    for (const QString &check : expected.split(u' ')) {
        const QString key = check.section(u'=', 0, 0), value = check.section(u'=', 1);
        const QStringList xy = key.split(u',');
        const int got = key == QLatin1String("align") ? int(saved.layoutSpec().topAlignment) * 10 +
                                                            int(saved.layoutSpec().bottomAlignment)
                        : key.startsWith(u's')
                            ? saved.slot(ColorSlot(key.mid(1).toInt()))
                            : saved.colormap().pixel(xy[0].toInt(), xy[1].toInt());
        const int want =
            value == QLatin1String("b") ? saved.slot(ColorSlot::Background) : value.toInt();
        QVERIFY2(got == want, qPrintable(QStringLiteral("%1: %2").arg(line, check)));
    }
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
        testedits::paint(m_project, QRect(0, 0, 10, 10), 1);
        testedits::paint(m_project, QRect(5, 5, 10, 10), 2);
        testedits::paint(m_project, QRect(100, 50, 3, 3), 5);
        m_project.history().undo(m_project);
        QVERIFY(saveProjectFile(m_project, path("multi.kvn")).ok);

        // A 64 x 16 hires canvas of 6 with a cell of 1 at x 0-7 and one of 2
        // at x 8-15, and a 100 x 60 picture of white, for the edit commands.
        Project cells(CanvasMode::Hires, 64, 16);
        cells.colormap().fill(6);
        testedits::paint(cells, QRect(0, 0, 8, 8), 1);
        testedits::paint(cells, QRect(8, 0, 8, 8), 2);
        QVERIFY(saveProjectFile(cells, path("cells.kvn")).ok);
        QImage white(100, 60, QImage::Format_RGB32);
        white.fill(Qt::white);
        QVERIFY(white.save(path("white.png")));
    }

    // The row's name is the command line; "@" stands for the saved project,
    // followed by an output picture.
    void usageAndErrors_data() { addTextRows("cli/cli.txt", "usage"); }
    void usageAndErrors()
    {
        QFETCH(QStringList, row);
        QStringList args = QString::fromLatin1(QTest::currentDataTag()).split(u' ');
        const QString out = path("rejected.png");
        if (args.value(1) == QLatin1String("@")) {
            args[1] = path("multi.kvn");
            args.insert(2, out);
        }
        const auto run = runCli(args);
        QCOMPARE(run.exitCode, row[0].toInt());
        QVERIFY(run.out.isEmpty() && !run.err.isEmpty() && !QFile::exists(out));
    }

    // send runs the program once, with the password the device wants; live
    // then writes each saved change into the running machine.
    void sendAndLive()
    {
        StandInDevice device;
        QVERIFY(device.start());
        device.setPassword("pw 1");
        Project project(CanvasMode::Hires);
        testedits::paint(project, QRect(10, 10, 30, 20), 1);
        const QString file = path("live.kvn");
        QVERIFY(saveProjectFile(project, file).ok);
        const QStringList target{file, "--host", device.host(), "--timeout", "30"};
        const QStringList password{"--password", "pw 1"};
        QProcess cli;
        const auto start = [&cli](const QStringList &args) {
            cli.start(QStringLiteral(KORVEN_CLI), args);
            return QTest::qWaitFor([&cli] { return cli.state() == QProcess::NotRunning; }, 30000);
        };
        QVERIFY(start(QStringList{"send"} + target));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("wants its network password"));
        QCOMPARE(device.requestCount("/v1/runners:run_prg"), 0);
        QVERIFY(start(QStringList{"send"} + target + password));
        QCOMPARE(cli.exitCode(), 0);
        QCOMPARE(device.requestCount("/v1/runners:run_prg"), 1);

        device.setRunsPrograms(true);
        cli.start(QStringLiteral(KORVEN_CLI), QStringList{"live"} + target + password);
        QTRY_VERIFY_WITH_TIMEOUT(device.programIdles(), 30000);
        testedits::paint(project, QRect(100, 50, 40, 40), 2);
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
        const auto run = runCli({QStringLiteral("info"), path("multi.kvn")});
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
        for (const auto &[bytes, message] :
             {std::pair{QByteArray("not a project at all"),
                        "not a KORVEN project file (bad signature)"},
              std::pair{corruptCanvas, "the canvas pixel data is corrupt"}}) {
            QVERIFY(writeBytes(path("bad.kvn"), bytes));
            for (const QStringList &args :
                 {QStringList{"info", path("bad.kvn")},
                  QStringList{"render", path("bad.kvn"), path("never.png")}}) {
                const auto run = runCli(args);
                QCOMPARE(run.exitCode, 1);
                QCOMPARE(run.err, QString::fromLatin1(message));
            }
        }
        QVERIFY(!QFile::exists(path("never.png")));
    }

    void render_data() { addTextRows("cli/cli.txt", "render"); }
    void render()
    {
        QFETCH(QStringList, row);
        const int palette = row[0].toInt(), stage = row[1].toInt();
        Project project = m_project;
        while (stage >= 0 && project.history().position() > stage)
            project.history().undo(project);
        QStringList args{"render", path("multi.kvn"), path("out.png"), "--palette",
                         QString::number(palette)};
        if (stage >= 0)
            args << QStringLiteral("--stage") << QString::number(stage);
        const auto run = runCli(args);
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
            const ProgramRun run =
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
        QVERIFY(succeeds({"render", path("multi.kvn"), path("render.png"), "--palette", palette}));
        QVERIFY(succeeds({"export-image", path("multi.kvn"), path("plain.png")}));
        QVERIFY(succeeds({"export-image", path("multi.kvn"), path("framed.png"), "--borders"}));
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
        const ProgramRun plain =
            runCli({"export-prg", path("tb.kvn"), path("plain.prg"), "--no-crunch"});
        QCOMPARE(plain.exitCode, 0);
        QCOMPARE(plain.out, QStringLiteral("An NTSC machine does not show rows 0-20 and 263-283."));
        QVERIFY(succeeds(
            {"export-prg", path("tb.kvn"), path("basic.prg"), "--basic-start", "--no-crunch"}));
        const QByteArray basic = readBytes(path("basic.prg"));
        // Load address, link to $080C, line 10, SYS, the digits, line end, program end.
        QCOMPARE(basic.left(15), QByteArray("\x01\x08\x0c\x08\x0a\x00\x9e"
                                            "13312\0\0\0",
                                            15));
        QCOMPARE(basic.mid(2 + 0x3400 - 0x0801), readBytes(path("plain.prg")).mid(2));
    }

    // Each edit command saves one more node of its kind, a conversion a new
    // project holding the converter's result as its one edit; the results
    // are worked out by hand in cli/cli.txt.
    void editCommands_data() { addTextRows("cli/cli.txt", "edit"); }
    void editCommands()
    {
        QFETCH(QStringList, row);
        QStringList args = row[1].split(u' ');
        args.insert(1, m_dir.filePath(row[0]));
        args.insert(2, path("edited.kvn"));
        QFile::remove(args[2]); // no earlier row's result may pass for this one
        QVERIFY(succeeds(args));
        const Project saved = loaded(path("edited.kvn"));
        QCOMPARE(saved.history().nodeCount(), row[2].toInt());
        QCOMPARE(int(saved.history().nodes().last().kind), row[3].toInt());
        checkProject(saved, row[1], row[4]);
    }
    // A script run is one saved edit; a failing one writes nothing.
    void scriptCommand()
    {
        QVERIFY(writeBytes(path("good.lua"), "print(arg[1], #arg)\nreplace(6, 9)\n"));
        QVERIFY(writeBytes(path("bad.lua"), "clear()\nerror('broken')\n"));
        auto run =
            runCli({"script", path("good.lua"), path("multi.kvn"), path("s.kvn"), "hi", "x"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("hi\t2"));
        const Project saved = loaded(path("s.kvn"));
        QCOMPARE(saved.history().nodeCount(), 3);
        QCOMPARE(saved.history().nodes().last().kind, HistoryEntryKind::ConvertImage);
        // The canvas of 6 turns 9, in the borders and the bitmap (y 42-57).
        checkProject(saved, "replace", "30,20=9 159,0=9 159,99=9 100,50=9");

        run = runCli({"script", path("bad.lua"), path("multi.kvn"), path("t.kvn")});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, QStringLiteral("bad.lua:2: broken"));
        QVERIFY(!QFile::exists(path("t.kvn")));

        run = runCli({"script", "colourreport", path("multi.kvn"), path("u.kvn")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QLatin1String("units use all their colours")),
                 qPrintable(run.out));
    }

    void reportsAndRepairs_data()
    {
        QTest::addColumn<QString>("command");
        for (const char *command : {"resolve", "reduce-borders"})
            QTest::newRow(command) << QString::fromLatin1(command);
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

        // Worked out by hand: top border column 3 (x 72-95) holds two colours
        // where a hires sprite takes one; the cells at x 48-55, y 58-65 and
        // 66-73 hold six and five; columns 4 and 9 are the smallest of ten.
        auto run = runCli({QStringLiteral("clashes"), path("in.kvn")});
        QCOMPARE(run.out, QStringLiteral("{\"hasClash\":true,\"clashingUnits\":[[72,0,95,41],"
                                         "[48,58,55,65],[48,66,55,73]],\"redFrames\":{\"top\":"
                                         "[[72,0,95,41]],\"bottom\":[[96,242,119,283],"
                                         "[216,242,239,283]],\"sides\":[]}}"));
        run = runCli({command, path("in.kvn"), path("out.kvn")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith("{\"changed\":["));
        run = runCli({QStringLiteral("clashes"), path("out.kvn")});
        QVERIFY2(command == QLatin1String("resolve")
                     ? run.out.startsWith("{\"hasClash\":false")
                     : run.out.endsWith("\"bottom\":[],\"sides\":[]}}"),
                 qPrintable(run.out));
        Project repaired = loaded(path("out.kvn"));
        QCOMPARE(repaired.history().nodeCount(), 1);
        // The saved history undoes back to the file as it was.
        repaired.history().undo(repaired);
        QCOMPARE(repaired.colormap(), map);
        // Repaired, there is nothing more to do.
        run = runCli({command, path("out.kvn"), path("again.kvn")});
        QCOMPARE(run.out, QStringLiteral("{\"changed\":null}"));
    }
    void clashesFrameSideSprites()
    {
        // Worked out by hand: a hires side sprite takes one colour. The left
        // strip's first sprite (x 0-23) holds two in its first colour row
        // (y 0-12); the right strip starts at x 416 - 56 = 360 and holds two
        // in its second row (y 13-33).
        Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        Colormap &map = project.colormap();
        map.setPixel(0, 0, 2);
        map.setPixel(1, 12, 5);
        map.setPixel(370, 20, 3);
        map.setPixel(383, 33, 4);
        map.setPixel(384, 33, 6); // the next sprite, alone in its row
        QVERIFY(saveProjectFile(project, path("sides.kvn")).ok);
        const QString frames = QStringLiteral("[[0,0,23,12],[360,13,383,33]]");
        QCOMPARE(runCli({QStringLiteral("clashes"), path("sides.kvn")}).out,
                 QStringLiteral("{\"hasClash\":true,\"clashingUnits\":%1,\"redFrames\":{"
                                "\"top\":[],\"bottom\":[],\"sides\":%1}}")
                     .arg(frames));
    }
    // A real paint file becomes a one-screen project holding it as one
    // import, which renders as the independent decoder's picture; the
    // converter makes the same canvas of that picture; written back out
    // natively and imported again, the pixels survive; its thumbnail is the
    // render fitted to the box.
    void nativeFiles_data() { addTextRows("cli/cli.txt", "native"); }
    void nativeFiles()
    {
        QFETCH(QStringList, row);
        const QString &file = row[0], &mode = row[1];
        const QString source = QStringLiteral(KORVEN_TESTDATA_DIR "/real/") + file;
        const QString picture = QStringLiteral(KORVEN_TESTDATA_DIR "/real-expected/") +
                                file.section(u'.', 0, 0) + QStringLiteral(".png");
        QStringList args{"import", source, path("imported.kvn")};
        if (!mode.isEmpty())
            args << QStringLiteral("--mode") << mode;
        auto run = runCli(args);
        if (mode == QLatin1String("hires")) {
            QCOMPARE(run.exitCode, 1);
            QCOMPARE(run.err,
                     QStringLiteral("Koala Painter is a multicolor format; this canvas is hires."));
            return;
        }
        QCOMPARE(run.exitCode, 0);
        QVERIFY(
            run.out.startsWith(QStringLiteral("{\"format\":\"%1\",\"changed\":[")
                                   .arg(file.startsWith(u'k') ? "Koala Painter" : "Art Studio")));
        const Project imported = loaded(path("imported.kvn"));
        QCOMPARE(imported.history().nodeCount(), 1);
        QCOMPARE(imported.history().nodes().first().kind, HistoryEntryKind::ImportImage);
        QVERIFY(succeeds({"render", path("imported.kvn"), path("render.png")}));
        const QImage rendered = QImage(path("render.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(rendered, QImage(picture).convertToFormat(QImage::Format_RGB32));

        const QString modeName = imported.mode() == CanvasMode::Multicolor ? "multicolor" : "hires";
        const QString background = QString::number(imported.slot(ColorSlot::Background));
        QVERIFY(succeeds({"convert", picture, path("converted.kvn"), "--mode", modeName,
                          "--scaling", "sharp", "--background", background}));
        QCOMPARE(loaded(path("converted.kvn")).colormap(), imported.colormap());

        QVERIFY(succeeds({"export-native", path("imported.kvn"), path("native.bin")}));
        QVERIFY(succeeds({"import", path("native.bin"), path("again.kvn")}));
        const Project again = loaded(path("again.kvn"));
        QCOMPARE(again.colormap(), imported.colormap());
        QCOMPARE(again.slotBytes(), imported.slotBytes());

        QVERIFY(succeeds({"thumbnail", path("imported.kvn"), path("thumb.png"), "256"}));
        const QImage expected =
            rendered.scaled(256, 160, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QCOMPARE(QImage(path("thumb.png")).convertToFormat(expected.format()), expected);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
