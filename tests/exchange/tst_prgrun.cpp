// Exported programs run on the emulated C64: the state their set-up
// leaves, the register writes of their raster interrupts line by line on
// PAL and NTSC, and the crunched file unpacking to the same memory image.

#include "../common/programrun.h"
#include "../common/wholefiles.h"
#include "prgtesthelpers.h"

#include "c64machine.h"

#include "exchange/liveimage.h"
#include "exchange/livesession.h"
#include "exchange/nativeformats.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace prgtest;
using Standard = C64Machine::Standard;
Q_DECLARE_METATYPE(Standard)

namespace
{

// Loads the program of `project` and runs its set-up into the main loop.
bool boot(C64Machine &machine, const Project &project)
{
    machine.loadPrg(PrgBuilder::buildPrg(project));
    machine.cpu.pc = uint16_t(PrgBuilder::startAddress(project.layout()));
    const KorvenAsmProgram &program = PrgBuilder::displayProgram(project.mode(), project.layout());
    return machine.runUntil(uint16_t(program.address("forever")), 40'000'000);
}

// Exports a random canvas, runs the program through its set-up and two
// frames, then records the VIC writes of one frame from line 0.
struct Run {
    C64Machine machine;
    Project project;
    QByteArray sprites; // the program's sprite block

    explicit Run(const CanvasRow &row)
        : machine(row.ntsc ? Standard::Ntsc : Standard::Pal), project(row.project()),
          sprites(PrgBuilder::buildPrg(project).mid(2 + 0x6800 - 0x3400, 2560))
    {
        if (boot(machine, project)) {
            machine.runFrames(2);
            machine.runToLine(0);
            machine.recordVicWrites = true;
            machine.runFrames(1);
        }
    }
};

bool writtenOn(const std::vector<C64Machine::VicWrite> &writes, int line, int value)
{
    return std::any_of(writes.begin(), writes.end(),
                       [&](const auto &w) { return w.line == line && w.value == value; });
}

const QString Koala = QStringLiteral(KORVEN_TESTDATA_DIR "/real/koala/");

} // namespace

class TestPrgRun : public QObject
{
    Q_OBJECT

private slots:
    void setupState_data() { addCanvasRows({0, 1, 2}, {40}, {false, true}); }
    // What the set-up leaves in memory and registers, against the canvas.
    void setupState()
    {
        QFETCH(CanvasRow, row);
        const int mode = row.mode, layout = row.layout;
        row.seed += mode + layout; // the rows name the base seed
        Run r(row);
        C64Machine &machine = r.machine;
        const Project &p = r.project;
        QVERIFY(!machine.cpu.jammed && machine.recordVicWrites);
        // Side borders: past the sprite lines; top/bottom: in the bitmap, in the top border's
        // state.
        machine.runToLine(layout == 1 ? 260 : 120);
        const bool multi = mode == 1, sprites = layout != 0, side = layout == 1;
        const QByteArray screen = screenOf(p);
        // The processor port, an RTI at the held NMI's vector, the VIC bank, control
        // registers and colours.
        const quint8 background = p.slot(ColorSlot::Background);
        const auto &vic = machine.vic;
        QCOMPARE((QList<int>{machine.port01() & 7,
                             machine.ram[machine.ram[0xfffb] << 8 | machine.ram[0xfffa]],
                             machine.nmiHeld(), machine.vicBank(), vic[0x11], vic[0x16], vic[0x18],
                             vic[0x20] & 15, multi ? vic[0x21] & 15 : -1}),
                 (QList<int>{5, 0x40, 1, sprites ? 0x4000 : 0, 0x3b, multi ? 0xd8 : 0xc8,
                             layout == 0 ? 0x18 : (side ? 0xd0 : 0xe0),
                             (multi && side) ? background : p.slot(ColorSlot::Border),
                             multi ? background : -1}));
        QCOMPARE(machine.memory(sprites ? 0x4000 : 0x2000, 8000), screen.left(8000));
        for (int copy : sprites ? QList<int>{0x7400, 0x7800} : QList<int>{0x0400})
            QCOMPARE(machine.memory(copy, 1000), screen.mid(8000, 1000));
        if (multi)
            QCOMPARE(machine.colorRamBytes(), screen.mid(9000, 1000));
        if (!sprites)
            return;
        const KorvenAsmProgram &program = PrgBuilder::displayProgram(p.mode(), p.layout());
        // The raster interrupt's vector, the sprites enabled and multicolor, their shared colours.
        const int m0 = int(side ? ColorSlot::SpriteMulticolor0 : ColorSlot::TopMulticolor0);
        QCOMPARE((QList<int>{machine.ram[0xffff] << 8 | machine.ram[0xfffe], vic[0x15], vic[0x1c],
                             vic[0x25], vic[0x26]}),
                 (QList<int>{program.address(side ? "stab1" : "prep"), side ? 0xf0 : 0xff,
                             multi ? (side ? 0xf0 : 0xff) : 0, p.slot(ColorSlot(m0)),
                             p.slot(ColorSlot(m0 + 1))}));
        const int rightX = multi ? 0x158 : 0x150;
        const QList<int> sideX = {row.ntsc ? 0x1e8 : 0x1e0, 0, rightX, rightX + 24};
        const bool right = p.layoutSpec().topAlignment == BorderAlignment::Right;
        for (int i = side ? 4 : 0; i < 8; ++i) {
            // Side: row 0's sprites 4-7; top/bottom: the top border's lower row, sprites 24-31.
            const quint8 attribute = quint8(r.sprites[64 * (side ? i - 4 : 24 + i) + 63]);
            const int column = attribute >> 4;
            const int x =
                side ? sideX[i - 4] : (column == 15 ? 0 : 24 + 24 * column - (right ? 16 : 0));
            // Its x, colour and pointer, and on the side its y.
            QCOMPARE((QList<int>{vic[size_t(2 * i)] | (vic[0x10] >> i & 1) << 8,
                                 vic[size_t(0x27 + i)] & 15,
                                 machine.ram[size_t(side ? 0x77f8 + i : 0x7bf8 + i)],
                                 side ? vic[size_t(2 * i + 1)] : 0x2a}),
                     (QList<int>{x, attribute & 15, side ? 0x9c + i : 0xb8 + i, 0x2a}));
        }
    }

    // Seeds vary the set-up's length, so the interrupts meet the main loop
    // at every phase: eight seeds over the two modes and standards (the
    // rows name 0 or 1, the run takes 4 x that + 2 x mode + standard).
    void sideBorderLines_data() { addCanvasRows({1}, {0, 1}, {false, true}); }
    // Every sprite line opens the side border with its write at cycle 56
    // and restores $D016 before the next line's cycle 55; each row change
    // sets the next pointer screen after the last pointer fetch, and the
    // colours of the next point (rows 4+5 and 7+8 share one).
    void sideBorderLines()
    {
        QFETCH(CanvasRow, row);
        const int mode = row.mode;
        row.seed = 4 * row.seed + 2 * mode + row.ntsc;
        Run r(row);
        C64Machine &machine = r.machine;
        const int normal = mode ? 0xd8 : 0xc8;
        const auto writes = machine.writesTo(0x16);
        for (int line = 43; line <= 252; ++line) {
            const auto open = std::find_if(writes.begin(), writes.end(), [&](const auto &w) {
                return w.line == line && w.value == (normal & 0xf7);
            });
            QVERIFY2(open != writes.end() && open->cycle == 56, qPrintable(QString::number(line)));
            const auto back = open + 1;
            QVERIFY(back != writes.end() && back->value == normal);
            QVERIFY(back->line == line || (back->line == line + 1 && back->cycle < 55));
        }
        const quint8 transparent = r.project.slot(mode ? ColorSlot::Background : ColorSlot::Border);
        const auto screens = machine.writesTo(0x18);
        for (int band = 1; band < 10; ++band) { // the sprite rows down the strips
            const int last = 42 + 21 * band;    // the previous row's last line
            QCOMPARE(screens[size_t(band - 1)].line, last);
            QVERIFY(screens[size_t(band - 1)].cycle >= 11);
            QCOMPARE(screens[size_t(band - 1)].value, band & 1 ? 0xe0 : 0xd0);
            for (int k = 0; k < 4 && band != 5 && band != 8; ++k) {
                int color = r.sprites[64 * (4 * band + k) + 63];
                if ((band == 4 || band == 7) && color == transparent)
                    color = r.sprites[64 * (4 * band + 4 + k) + 63];
                QVERIFY(writtenOn(machine.writesTo(0x2b + k), last + k / 2, color));
            }
        }
    }

    void topBottomLines_data() { addCanvasRows({2}, {0, 1}, {false, true}); }
    // The border stays open: 24 rows before line 251, the bottom border's
    // background (or text mode) at cycle 12 of line 251, the bitmap's state
    // back between lines 50 and 51.
    void topBottomLines()
    {
        QFETCH(CanvasRow, row);
        const int mode = row.mode;
        row.seed = 4 * row.seed + 2 * mode + row.ntsc;
        Run r(row);
        C64Machine &machine = r.machine;
        const auto control = machine.writesTo(0x11);
        const auto colour = machine.writesTo(mode ? 0x21 : 0x11);
        QVERIFY(writtenOn(control, 250, 0x33) || writtenOn(control, 249, 0x33));
        const auto bottom =
            std::find_if(colour.begin(), colour.end(), [](const auto &w) { return w.line == 251; });
        QVERIFY(bottom != colour.end());
        QCOMPARE(bottom->cycle, 12);
        QCOMPARE(bottom->value & (mode ? 15 : 0xff),
                 mode ? r.project.slot(ColorSlot::BottomBackground) : 0x13);
        const int bitmap = mode ? r.project.slot(ColorSlot::Background) : 0x3b;
        const auto back = std::find_if(colour.begin(), colour.end(), [&](const auto &w) {
            return (w.value & (mode ? 15 : 0xff)) == bitmap && (w.line == 50 || w.line == 51);
        });
        QVERIFY(back != colour.end());
        QVERIFY(back->line == 50 ? back->cycle >= 57 : back->cycle <= 14);
    }

    void liveWrites_data() { addCanvasRows({0, 1, 2}, {1, 2, 3}); }
    // A running program given the writes between two canvases holds what a
    // fresh run of the second canvas sets up: all memory above the stack,
    // colour RAM and the colours the set-up loaded once. The image the
    // writes come from is what the program itself sets up.
    void liveWrites()
    {
        QFETCH(CanvasRow, row);
        const int layout = row.layout;
        const quint32 seed = row.seed;
        const Project before = row.project();
        Project after = before;
        QRandomGenerator dice(seed * 31);
        scatterBlocks(after.colormap(), dice, 1 + 20 * int(seed - 1), 6);
        // Border backgrounds stay: they decide which columns hold sprites.
        for (ColorSlot slot :
             {ColorSlot::Background, ColorSlot::Border, ColorSlot::SpriteMulticolor0,
              ColorSlot::TopMulticolor1, ColorSlot::BottomMulticolor0})
            after.setSlot(slot, quint8(dice.bounded(16)));
        resolveAllClashes(after);
        reduceBorderSprites(after);

        C64Machine live, fresh;
        QVERIFY(boot(live, before) && boot(fresh, after));
        live.runFrames(1);
        const LiveImage shown = LiveImage::fromProject(before);
        const LiveImage next = LiveImage::fromProject(after);
        const bool sameColumns = shown.canBecome(next);
        QVERIFY(sameColumns || layout == 2);
        if (!sameColumns)
            return;
        // The image is what the set-up leaves: RAM, colour RAM, and on
        // bitmap-only canvases (no interrupt reloads them) the registers.
        int registers = 0;
        for (int a = 0; a < 0x10000; ++a) {
            const int expected = shown.byteAt(a);
            if (expected < 0)
                continue;
            if (a >= 0xd800 && a < 0xdc00) {
                QCOMPARE(live.colorAt(a - 0xd800), expected & 15);
            } else if (a >= 0xd000 && a < 0xd400) {
                ++registers;
                if (layout == 0)
                    QCOMPARE(live.vic[size_t(a & 0x3f)] & 15, expected & 15);
            } else {
                QCOMPARE(live.ram[size_t(a)], quint8(expected));
            }
        }
        QVERIFY(registers > 0);
        const QList<LiveImage::Block> blocks = shown.writesTo(next, LiveSession::MergeGap);
        for (const LiveImage::Block &block : blocks)
            for (int i = 0; i < block.bytes.size(); ++i)
                live.write(uint16_t(block.address + i), quint8(block.bytes[i]));
        live.runFrames(2);
        fresh.runFrames(2);
        QCOMPARE(live.memory(0x200, 0x10000 - 0x200), fresh.memory(0x200, 0x10000 - 0x200));
        QCOMPARE(live.colorRamBytes(), fresh.colorRamBytes());
        if (layout == 0) {
            QCOMPARE(live.vic[0x20] & 15, fresh.vic[0x20] & 15);
            QCOMPARE(live.vic[0x21] & 15, fresh.vic[0x21] & 15);
        }
        // Nothing but the changes travels: no write repeats what is there.
        for (const LiveImage::Block &block : blocks)
            QVERIFY(block.bytes.at(0) != char(shown.byteAt(block.address)) &&
                    block.bytes.back() !=
                        char(shown.byteAt(block.address + int(block.bytes.size()) - 1)));
    }

    void crunchedRoundTrip_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("koala"); // a real picture instead of a random canvas
        for (int n = 0; n < 6; ++n)
            QTest::addRow("mode %d layout %d", n & 1, n / 2) << (n & 1) << n / 2 << QString();
        for (const QString &file : QDir(Koala).entryList(QDir::Files))
            QTest::addRow("%s", qPrintable(file)) << 1 << 0 << Koala + file;
    }
    // The cruncher's output, run through its depacker from the BASIC line's
    // SYS, leaves the uncrunched program's memory image byte for byte and
    // jumps to its start.
    void crunchedRoundTrip()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QString, koala);
        Project project = randomProject(CanvasMode(mode), CanvasLayout(layout), 77 + layout);
        if (!koala.isEmpty()) {
            NativeImage image;
            QString error;
            QVERIFY(NativeFormats::recognizeAndDecode(readBytes(koala), 0, image, error));
            project = Project(CanvasMode::Multicolor);
            project.colormap() = NativeFormats::decodeToColormap(image);
            project.setSlot(ColorSlot::Background, image.background);
        }
        const QByteArray prg = PrgBuilder::buildPrg(project);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.prg"));
        QVERIFY(writeBytes(path, prg));
        const int start = PrgBuilder::startAddress(CanvasLayout(layout));
        const QStringList sfx{"sfx", QString::number(start), path, "-o", path, "-n"};
        QCOMPARE(runProgram(QStringLiteral(KORVEN_EXOMIZER), sfx).exitCode, 0);
        const QByteArray crunched = readBytes(path);
        QVERIFY(!crunched.isEmpty() && crunched.size() < prg.size() * 9 / 10);
        if (!koala.isEmpty())
            qInfo("%s: %lld bytes crunched from %lld", qPrintable(QFileInfo(koala).fileName()),
                  qlonglong(crunched.size()), qlonglong(prg.size()));
        C64Machine machine;
        QCOMPARE(machine.loadPrg(crunched), 0x0801);
        machine.cpu.pc = uint16_t(crunched.mid(7, 4).toInt()); // the number after the SYS token
        QVERIFY(machine.runUntil(uint16_t(start), 20'000'000));
        QCOMPARE(machine.memory(start, int(prg.size()) - 2), prg.mid(2));
        QCOMPARE(machine.port01() & 7, 7);
    }
};

QTEST_GUILESS_MAIN(TestPrgRun)
#include "tst_prgrun.moc"
