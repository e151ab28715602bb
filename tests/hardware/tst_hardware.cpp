// Exported programs on a cycle-exact C64 (VICE's x64sc through c64-run):
// every canvas kind, crunched and uncrunched, on every video chip, must
// show the canvas's own framed picture pixel for pixel wherever the
// machine can show it.
//
// The emulator is found through KORVEN_C64RUN (a c64-run script),
// KORVEN_X64SC (an installed x64sc, run with c64-run's options) or the
// c64-run beside the checkout; without one the test skips.

#include "../common/programrun.h"
#include "../common/wholefiles.h"
#include "../exchange/prgtesthelpers.h"

#include "document/geometry.h"
#include "document/palette.h"
#include "exchange/exomizercall.h"
#include "exchange/pictureexport.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "rules/spritebudget.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <array>
#include <functional>
#include <numeric>

namespace
{

// What c64-run's screenshots measure for the 16 colours (its README).
constexpr std::array<QRgb, 16> PalRgb = {
    qRgb(0, 0, 0),       qRgb(255, 255, 255), qRgb(188, 74, 58),   qRgb(138, 245, 255),
    qRgb(184, 78, 240),  qRgb(120, 221, 59),  qRgb(76, 56, 233),   qRgb(255, 255, 113),
    qRgb(193, 116, 25),  qRgb(123, 89, 0),    qRgb(249, 143, 128), qRgb(106, 106, 106),
    qRgb(160, 160, 160), qRgb(205, 255, 149), qRgb(154, 135, 255), qRgb(214, 214, 214)};

// The first of the nearest measured colours.
int nearestColor(QRgb rgb)
{
    const auto distance = [rgb](QRgb c) {
        const int r = qRed(rgb) - qRed(c), g = qGreen(rgb) - qGreen(c), b = qBlue(rgb) - qBlue(c);
        return r * r + g * g + b * b;
    };
    return int(std::ranges::min_element(PalRgb, {}, distance) - PalRgb.begin());
}

// The chips c64-run offers: where the frame's raster line 0 and the 320 x
// 200 display window lie, and how many lines a frame has.
struct Chip {
    const char *name;
    QStringList options;
    int lines;
};
const std::array<Chip, 4> Chips = {{{"PAL", {"--pal"}, 312},
                                    {"NTSC", {"--ntsc"}, 263},
                                    {"old NTSC", {"--model", "oldntsc"}, 262},
                                    {"PAL-N", {"--model", "paln"}, 312}}};

// How a program starts: SYS to its load address, RUN of the cruncher's
// program, or RUN of the BASIC line an uncompressed export may carry.
enum class Start { Sys, Crunched, Basic };

struct Case {
    QString name;
    Project project;
    const Chip *chip = nullptr;
    Start start = Start::Sys;
    QString prgPath, shotPath;
    QString runError = {};
};

// Seeded noise in every pixel, slots all different and none black, the
// top/bottom borders cut to `topColumns` and `bottomColumns` random
// columns, then swept clash-free: content in every unit.
Project noiseProject(CanvasMode mode, LayoutSpec spec, int topColumns, int bottomColumns,
                     quint32 seed)
{
    QRandomGenerator dice(seed);
    Project project(mode, -1, -1, spec);
    std::array<quint8, 15> colors;
    std::iota(colors.begin(), colors.end(), quint8(1));
    std::shuffle(colors.begin(), colors.end(), dice);
    for (int s = 0; s < ColorSlotCount; ++s)
        project.setSlot(ColorSlot(s), colors[size_t(s)]);
    Colormap &pixels = project.colormap();
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            pixels.setPixel(x, y, quint8(dice.bounded(16)));
    for (const CanvasRegion &region : project.regions()) {
        if (region.kind != RegionKind::TopBorder && region.kind != RegionKind::BottomBorder)
            continue;
        const bool top = region.kind == RegionKind::TopBorder;
        const SpriteGrid grid = spriteGridOf(region, mode, spec);
        QList<int> order(grid.columns);
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), dice);
        const quint8 transparent =
            project.slot(top ? ColorSlot::TopBackground : ColorSlot::BottomBackground);
        for (int i = top ? topColumns : bottomColumns; i < grid.columns; ++i)
            pixels.fillRect(spriteRect(grid, order.at(i), 0), transparent);
    }
    resolveAllClashes(project);
    project.repaintLockedPixels();
    return project;
}

// When the screenshot is taken: the crunched programs have unpacked and
// every program has faded out the start screen and shown a few frames.
constexpr int Cycles = 5'000'000;

// Where to find the machine: a command and the arguments before the
// program's own.
struct Emulator {
    QString program;
    bool direct = false; // an x64sc run with c64-run's options
};

Emulator findEmulator()
{
    const auto usable = [](const QString &path) { return QFileInfo(path).isExecutable(); };
    const QString run = qEnvironmentVariable("KORVEN_C64RUN");
    const QString x64sc = qEnvironmentVariable("KORVEN_X64SC");
    const QString beside = QStringLiteral(KORVEN_SOURCE_DIR "/../shared/tools/vice/c64-run");
    if (usable(run))
        return {run};
    if (usable(x64sc))
        return {x64sc, true};
    return {usable(beside) && run.isEmpty() && x64sc.isEmpty() ? beside : QString()};
}

QStringList emulatorArguments(const Emulator &emulator, const Case &c, int start)
{
    if (!emulator.direct) {
        QStringList args{c.prgPath, c.shotPath};
        args << c.chip->options << "--cycles" << QString::number(Cycles);
        if (c.start == Start::Sys)
            args << "--sys" << QString::number(start);
        return args;
    }
    QStringList args{
        "-default",     "-VICIIborders",     "2",          "-VICIIfilter", "0",      "+VICIIdsize",
        "-VICIIextpal", "-VICIIpalette",     "pixcen.vpl", "-sounddev",    "dummy",  "+sound",
        "-warp",        "-autostartprgmode", "1",          "-autostart",   c.prgPath};
    // ROMs beside the binary, as c64-run keeps them; an installed x64sc finds its own.
    const QString data = QFileInfo(emulator.program).absolutePath() + "/data";
    if (QFileInfo(data).isDir())
        args << "-directory" << data + "/C64:" + data + "/DRIVES:" + data;
    args << (c.chip->options.size() == 1 ? QStringList{QString(c.chip->options.at(0)).mid(1)}
                                         : QStringList{"-model", c.chip->options.at(1)});
    if (c.start == Start::Sys)
        args << "-keybuf" << QStringLiteral("sys%1\\x0d").arg(start);
    args << "-limitcycles" << QString::number(Cycles) << "-exitscreenshot" << c.shotPath;
    return args;
}

// Runs every case's program, a few at a time.
void runAll(const Emulator &emulator, QList<Case> &cases, int jobs)
{
    QEventLoop loop;
    int next = 0, running = 0;
    std::function<void()> launch = [&] {
        while (running < jobs && next < cases.size()) {
            Case &c = cases[next++];
            auto *process = new QProcess(&loop);
            process->setProcessChannelMode(QProcess::MergedChannels);
            if (emulator.direct) { // a settings home of its own, as c64-run gives it
                const QString home = QFileInfo(c.shotPath).absolutePath() + "/home";
                QDir(home).mkpath(".local/state/vice");
                QDir(home).mkpath(".config/vice");
                QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
                environment.insert("HOME", home);
                process->setProcessEnvironment(environment);
            }
            ++running;
            QObject::connect(process, &QProcess::finished, &loop, [&, process, &c = c] {
                if (!QFileInfo(c.shotPath).size())
                    c.runError = QString::fromLocal8Bit(process->readAll()).right(400);
                process->deleteLater();
                --running;
                launch();
                if (running == 0)
                    loop.quit();
            });
            process->start(
                emulator.program,
                emulatorArguments(emulator, c, PrgBuilder::startAddress(c.project.layout())));
        }
    };
    launch();
    if (running > 0)
        loop.exec();
}

// The raster line on which `chip` shows frame line f (frame line 0 is
// raster 0), or -1 when the chip never shows that line of the canvas.
int rasterOfFrameLine(const Project &project, const Chip &chip, int f)
{
    if (chip.lines >= 312)
        return f;
    if (project.layout() != CanvasLayout::TopBottomBorderSprites)
        return f < chip.lines ? f : -1;
    // The bottom strip runs on past the frame's end into the next frame's
    // first lines, the top strip's upper row is hidden behind it, and there
    // is no room for the bands.
    const int topStripLower = 9 + 21, bottomStripEnd = project.height() - 21 + 9;
    if (f < topStripLower || f >= bottomStripEnd)
        return -1;
    return f % chip.lines;
}

} // namespace

class TestHardware : public QObject
{
    Q_OBJECT

    Emulator m_emulator;
    QTemporaryDir m_dir;
    QList<Case> m_cases;

private slots:
    void initTestCase()
    {
        m_emulator = findEmulator();
        if (m_emulator.program.isEmpty())
            QSKIP("No cycle-exact C64: set KORVEN_C64RUN to an executable c64-run or KORVEN_X64SC "
                  "to an x64sc, or put c64-run at ../shared/tools/vice beside the checkout.");
        // Every mode and layout, both alignments of each border, 1 to 8
        // sprite columns, crunched on PAL and NTSC and uncrunched: behind a
        // BASIC line started with RUN on PAL, with SYS on NTSC and, for the
        // sprite layouts, on the two older chips.
        const QRegularExpression only(qEnvironmentVariable("KORVEN_HARDWARE_CASES"));
        quint32 seed = 4000;
        int index = 0;
        for (int kind = 0; kind < 6; ++kind) {
            for (int variant = 0; variant < 2; ++variant) {
                LayoutSpec spec;
                spec.layout = CanvasLayout(kind / 2);
                spec.topAlignment = BorderAlignment(variant);
                spec.bottomAlignment = BorderAlignment(1 - variant);
                // Columns used in the top and bottom borders: 1 to 8 over the four canvases.
                const int top =
                    kind < 4 ? 8 : std::array{1, 4, 7, 2}[size_t(2 * (kind - 4) + variant)];
                const int bottom =
                    kind < 4 ? 8 : std::array{8, 3, 6, 5}[size_t(2 * (kind - 4) + variant)];
                const Project project =
                    noiseProject(CanvasMode(kind & 1), spec, top, bottom, ++seed);
                const QByteArray prg = PrgBuilder::buildPrg(project);
                QString canvas = QStringLiteral("%1 %2").arg(
                    kind & 1 ? "multicolor" : "hires",
                    std::array{"bitmap", "side", "top/bottom"}[size_t(kind / 2)]);
                if (kind >= 4) // the columns used and the alignment of each border
                    canvas += QStringLiteral(" %1%2 %3%4")
                                  .arg(top)
                                  .arg(QChar("LR"[variant]))
                                  .arg(bottom)
                                  .arg(QChar("LR"[1 - variant]));
                for (const Start start : {Start::Sys, Start::Crunched, Start::Basic}) {
                    const QByteArray bytes =
                        start == Start::Basic ? PrgBuilder::withBasicStart(prg) : prg;
                    const QString path = m_dir.filePath(QStringLiteral("p%1.prg").arg(index++));
                    QVERIFY(writeBytes(path, bytes));
                    if (start == Start::Crunched) {
                        const QStringList args =
                            ExomizerCall::arguments(path, PrgBuilder::startAddress(spec.layout));
                        QCOMPARE(runProgram(QStringLiteral(KORVEN_EXOMIZER), args).exitCode, 0);
                    }
                    for (const Chip &chip : Chips) {
                        const bool pal = &chip == &Chips[0], older = &chip >= &Chips[2];
                        // PAL starts its uncrunched programs with RUN, the others with SYS.
                        if ((start == Start::Sys && pal) || (start == Start::Basic && !pal) ||
                            (older &&
                             (start == Start::Crunched || spec.layout == CanvasLayout::BitmapOnly)))
                            continue;
                        const char *suffix = std::array{"", " crunched", " RUN"}[size_t(start)];
                        const QString name =
                            QStringLiteral("%1 %2%3").arg(canvas, chip.name, suffix);
                        if (only.match(name).hasMatch())
                            m_cases.append(
                                {name, project, &chip, start, path,
                                 m_dir.filePath(QStringLiteral("s%1.png").arg(m_cases.size()))});
                    }
                }
            }
        }
        const int jobs = std::max(1, qEnvironmentVariableIntValue("KORVEN_HARDWARE_JOBS"));
        runAll(m_emulator, m_cases, qEnvironmentVariableIsSet("KORVEN_HARDWARE_JOBS") ? jobs : 2);
    }

    void framesMatch_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_cases.size(); ++i)
            QTest::addRow("%s", qPrintable(m_cases.at(i).name)) << i;
    }

    // The screenshot, each pixel taken as the nearest measured colour,
    // against the export image with borders, line by line where the chip
    // shows that line; differences are counted per area of the frame.
    void framesMatch()
    {
        QFETCH(int, index);
        const Case &c = m_cases.at(index);
        QVERIFY2(c.runError.isEmpty(), qPrintable(c.runError));
        const QImage shot = QImage(c.shotPath).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.height(), c.chip->lines);
        const Project &project = c.project;
        const QImage frame = PictureExport::exportImage(project, true);
        QCOMPARE(frame.size(), QSize(416, 301));
        const QRect frameRect =
            borderFrameRect(project.mode(), project.size(), project.layoutSpec());
        const int pixelWidth = project.mode() == CanvasMode::Multicolor ? 2 : 1;
        const PaletteVariant variant = project.paletteVariant();
        std::array<int, 6> differing = {}; // per region kind, then the border
        QList<int> hidden;
        for (int f = 0; f < frame.height(); ++f) {
            const int raster = rasterOfFrameLine(project, *c.chip, f);
            if (raster < 0) {
                hidden.append(f + frameRect.top());
                continue;
            }
            // PAL screenshot rows are raster lines; NTSC ones start at raster 20,
            // rasters 0-19 being the last rows.
            const int lines = c.chip->lines;
            const int row = lines == 312 ? raster : (raster + lines - 20) % lines;
            for (int x = 0; x < frame.width(); ++x) {
                const QRgb want = frame.pixel(x, f);
                const int shown = nearestColor(shot.pixel(136 - 48 + x, row));
                if (paletteRgb(variant, shown) == want)
                    continue;
                const QPoint canvas(x / pixelWidth + frameRect.left(), f + frameRect.top());
                int area = 5;
                for (const CanvasRegion &region : project.regions())
                    area = region.rect.contains(canvas) ? int(region.kind) : area;
                ++differing[size_t(area)];
            }
        }
        const int total = std::accumulate(differing.begin(), differing.end(), 0);
        qInfo("bitmap %d, left %d, right %d, top %d, bottom %d, border %d", differing[0],
              differing[1], differing[2], differing[3], differing[4], differing[5]);
        if (total > 0)
            QFile::copy(c.shotPath,
                        QDir::temp().filePath(QStringLiteral("korven-hardware-%1.png").arg(index)));
        QCOMPARE(total, 0);
        // The canvas marks exactly the rows this chip leaves out.
        QList<int> marked;
        for (const QRect &rows : ntscHiddenRows(project.size(), project.layoutSpec()))
            for (int y = rows.top(); y <= rows.bottom() && c.chip->lines < 312; ++y)
                marked.append(y);
        hidden.removeIf([&](int y) { return y < 0 || y >= project.height(); });
        QCOMPARE(hidden, marked);
    }
};

QTEST_GUILESS_MAIN(TestHardware)
#include "tst_hardware.moc"
