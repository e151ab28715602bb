// Exported programs run on the emulated C64: the state their set-up
// leaves, the register writes of their raster interrupts line by line on
// PAL and NTSC, and the crunched file unpacking to the same memory image.

#include "prgtesthelpers.h"

#include "c64machine.h"

#include "document/geometry.h"
#include "exchange/nativeformats.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace prgtest;
using Standard = C64Machine::Standard;

namespace
{

// Runs a program from its start address until its set-up reaches `until`
// (an address), then `frames` more frames.
bool runProgram(C64Machine &machine, const QByteArray &prg, int start, int until, int frames)
{
    machine.loadPrg(prg);
    machine.cpu.pc = uint16_t(start);
    if (!machine.runUntil(uint16_t(until), 40'000'000))
        return false;
    machine.run(int64_t(frames) * machine.cyclesPerLine() * machine.linesPerFrame());
    return !machine.cpu.jammed;
}

struct Exported {
    Project project;
    QByteArray prg;
    const KorvenAsmProgram *program = nullptr;
};

Exported exportRandom(CanvasMode mode, CanvasLayout layout, quint32 seed)
{
    Exported e{randomProject(mode, layout, seed), {}, nullptr};
    e.prg = PrgBuilder::buildPrg(e.project);
    e.program = &PrgBuilder::displayProgram(mode, layout);
    return e;
}

QByteArray ramAt(const C64Machine &machine, int address, int size)
{
    return QByteArray(reinterpret_cast<const char *>(machine.ram.data()) + address, size);
}

QByteArray colorRam(const C64Machine &machine)
{
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes.append(char(machine.colorAt(i)));
    return bytes;
}

// The writes to one VIC register during one recorded frame, by line.
QList<C64Machine::VicWrite> writesTo(const C64Machine &machine, int reg)
{
    QList<C64Machine::VicWrite> list;
    for (const auto &w : machine.vicWrites)
        if (w.reg == reg)
            list.append(w);
    return list;
}

void runToLine(C64Machine &machine, int line)
{
    while (machine.line() != line)
        machine.cpu.step();
}

// Runs the program through its set-up and `frames` frames, then records one frame from line 0.
bool runAndRecord(C64Machine &machine, const Exported &e, int frames = 2)
{
    const int start = PrgBuilder::startAddress(e.project.layout());
    if (!runProgram(machine, e.prg, start, e.program->address("forever"), frames))
        return false;
    runToLine(machine, 0);
    machine.recordVicWrites = true;
    machine.run(int64_t(machine.cyclesPerLine()) * machine.linesPerFrame());
    return true;
}

const QString Koala = QStringLiteral(KORVEN_TESTDATA_DIR "/real/koala/");

} // namespace

Q_DECLARE_METATYPE(Standard)

class TestPrgRun : public QObject
{
    Q_OBJECT

private slots:
    void setupState_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<Standard>("standard");
        for (int layout = 0; layout < 3; ++layout)
            for (int mode = 0; mode < 2; ++mode)
                for (Standard s : {Standard::Pal, Standard::Ntsc})
                    QTest::addRow("%s %d %s", mode ? "multi" : "hires", layout,
                                  s == Standard::Pal ? "PAL" : "NTSC")
                        << mode << layout << s;
    }
    // What the set-up leaves in memory and registers, against what the
    // canvas asks for.
    void setupState()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(Standard, standard);
        const Exported e = exportRandom(CanvasMode(mode), CanvasLayout(layout), 40 + mode + layout);
        QVERIFY(!e.prg.isEmpty());
        const Project &p = e.project;
        const bool multi = mode == 1, sprites = layout != 0;
        C64Machine machine(standard);
        QVERIFY(runAndRecord(machine, e));
        // Side borders: after the frame's sprite lines; top/bottom: inside the bitmap,
        // where the top border's state stays until line 200.
        runToLine(machine, layout == 1 ? 260 : 120);

        const QByteArray screen = NativeFormats::encodeScreen(
            p.colormap(), p.mode(), bitmapRegionRect(p.mode(), p.size(), p.layoutSpec()),
            p.slotBytes());
        QCOMPARE(machine.port01() & 7, 5);
        QCOMPARE(machine.ram[machine.ram[0xfffb] << 8 | machine.ram[0xfffa]], uint8_t(0x40)); // RTI
        QVERIFY(machine.nmiHeld());
        QCOMPARE(machine.vicBank(), sprites ? 0x4000 : 0);
        QCOMPARE(ramAt(machine, sprites ? 0x4000 : 0x2000, 8000), screen.left(8000));
        for (int copy : sprites ? QList<int>{0x7400, 0x7800} : QList<int>{0x0400})
            QCOMPARE(ramAt(machine, copy, 1000), screen.mid(8000, 1000));
        if (multi)
            QCOMPARE(colorRam(machine), screen.mid(9000, 1000));
        QCOMPARE(machine.vic[0x11], uint8_t(0x3b));
        QCOMPARE(machine.vic[0x16], uint8_t(multi ? 0xd8 : 0xc8));
        QCOMPARE(machine.vic[0x18], uint8_t(layout == 0 ? 0x18 : layout == 1 ? 0xd0 : 0xe0));
        const quint8 border = p.slot(ColorSlot::Border), background = p.slot(ColorSlot::Background);
        QCOMPARE(machine.vic[0x20] & 15, (multi && layout != 2) ? background : border);
        if (multi)
            QCOMPARE(machine.vic[0x21] & 15, background);
        if (!sprites)
            return;
        QCOMPARE(machine.ram[0xffff] << 8 | machine.ram[0xfffe],
                 e.program->address(layout == 1 ? "stab1" : "prep"));
        const bool side = layout == 1;
        QCOMPARE(machine.vic[0x15], uint8_t(side ? 0xf0 : 0xff));
        QCOMPARE(machine.vic[0x1c], uint8_t(multi ? (side ? 0xf0 : 0xff) : 0));
        const ColorSlot m0 = side ? ColorSlot::SpriteMulticolor0 : ColorSlot::TopMulticolor0;
        QCOMPARE(machine.vic[0x25], p.slot(m0));
        QCOMPARE(machine.vic[0x26], p.slot(ColorSlot(int(m0) + 1)));
        const QByteArray block = e.prg.mid(2 + 0x6800 - 0x3400, 2560);
        if (side) {
            const int leftX = standard == Standard::Pal ? 0x1e0 : 0x1e8;
            const int rightX = multi ? 0x158 : 0x150;
            const QList<int> xs = {leftX, 0, rightX, rightX + 24};
            for (int k = 0; k < 4; ++k) {
                QCOMPARE(machine.vic[size_t(8 + 2 * k)] | (machine.vic[0x10] >> (4 + k) & 1) << 8,
                         xs[k]);
                QCOMPARE(machine.vic[size_t(9 + 2 * k)], uint8_t(0x2a));
                QCOMPARE(machine.ram[size_t(0x77fc + k)], uint8_t(0xa0 + k));
                QCOMPARE(machine.ram[size_t(0x7bfc + k)], uint8_t(0xa4 + k));
                QCOMPARE(machine.vic[size_t(0x2b + k)] & 15, block[64 * k + 63] & 15);
            }
        } else {
            for (int i = 0; i < 8; ++i) {
                const quint8 attribute = quint8(block[64 * (16 + i) + 63]);
                const int column = attribute >> 4;
                const bool right = p.layoutSpec().topAlignment == BorderAlignment::Right;
                const int x = column == 15 ? 0 : 24 + 24 * column - (right ? 16 : 0);
                QCOMPARE(machine.vic[size_t(2 * i)] | (machine.vic[0x10] >> i & 1) << 8, x);
                QCOMPARE(machine.vic[size_t(0x27 + i)] & 15, attribute & 15);
                QCOMPARE(machine.ram[size_t(0x7bf8 + i)], uint8_t(0xb8 + i));
            }
        }
    }

    void sideBorderLines_data()
    {
        QTest::addColumn<Standard>("standard");
        QTest::addColumn<int>("mode");
        QTest::newRow("PAL hires") << Standard::Pal << 0;
        QTest::newRow("NTSC multicolor") << Standard::Ntsc << 1;
    }
    // Every sprite line opens the side border with its write at cycle 56
    // and restores $D016 before the next line's cycle 55; every row change
    // sets the next row's pointer screen and its colours at their points.
    void sideBorderLines()
    {
        QFETCH(Standard, standard);
        QFETCH(int, mode);
        const Exported e = exportRandom(CanvasMode(mode), CanvasLayout::SideBorderSprites, 9);
        C64Machine machine(standard);
        QVERIFY(runAndRecord(machine, e));
        const uint8_t normal = mode ? 0xd8 : 0xc8;
        const auto writes = writesTo(machine, 0x16);
        for (int line = 43; line <= 252; ++line) {
            int opened = -1;
            for (int i = 0; i < writes.size(); ++i)
                if (writes[i].line == line && writes[i].value == (normal & 0xf7))
                    opened = i;
            QVERIFY2(opened >= 0 && writes[opened].cycle == 56, qPrintable(QString::number(line)));
            QVERIFY(opened + 1 < writes.size() && writes[opened + 1].value == normal);
            const auto &back = writes[opened + 1];
            QVERIFY(back.line == line || (back.line == line + 1 && back.cycle < 55));
        }
        const QByteArray block = e.prg.mid(2 + 0x6800 - 0x3400, 2560);
        const auto screens = writesTo(machine, 0x18);
        for (int row = 1; row < 10; ++row) {
            const int last = 42 + 21 * row; // the previous row's last line
            QCOMPARE(screens[row - 1].line, last);
            QVERIFY(screens[row - 1].cycle >= 11);
            QCOMPARE(screens[row - 1].value, uint8_t(row & 1 ? 0xe0 : 0xd0));
            if (row == 5 || row == 8)
                continue; // shares the colour point above
            for (int k = 0; k < 4; ++k) {
                const auto colours = writesTo(machine, 0x2b + k);
                const auto it = std::find_if(colours.begin(), colours.end(), [&](const auto &w) {
                    return w.line == last + (k >= 2 ? 1 : 0);
                });
                QVERIFY(it != colours.end());
                const int upper = row, lower = row + 1;
                int color = block[64 * (4 * upper + k) + 63];
                const quint8 transparent =
                    e.project.slot(mode ? ColorSlot::Background : ColorSlot::Border);
                if ((row == 4 || row == 7) && color == transparent)
                    color = block[64 * (4 * lower + k) + 63];
                QCOMPARE(it->value & 15, color);
            }
        }
    }

    void topBottomLines_data()
    {
        QTest::addColumn<Standard>("standard");
        QTest::addColumn<int>("mode");
        QTest::newRow("PAL multicolor") << Standard::Pal << 1;
        QTest::newRow("PAL hires") << Standard::Pal << 0;
        QTest::newRow("NTSC hires") << Standard::Ntsc << 0;
    }
    // The border stays open: 24 rows before line 251, the bottom border's
    // colours on line 251 before its first visible pixel, the lower row's
    // pointers on line 271, the bitmap's colours back on line 50/51.
    void topBottomLines()
    {
        QFETCH(Standard, standard);
        QFETCH(int, mode);
        const Exported e = exportRandom(CanvasMode(mode), CanvasLayout::TopBottomBorderSprites, 21);
        C64Machine machine(standard);
        QVERIFY(runAndRecord(machine, e));
        const Project &p = e.project;
        const auto control = writesTo(machine, 0x11);
        const auto background = writesTo(machine, 0x21);
        const auto rows = [&](int line) {
            return std::find_if(control.begin(), control.end(),
                                [&](const auto &w) { return w.line == line && w.value == 0x33; });
        };
        QVERIFY(rows(250) != control.end() || rows(249) != control.end());
        const auto &chain = mode ? background : control;
        const auto atBottom =
            std::find_if(chain.begin(), chain.end(), [](const auto &w) { return w.line == 251; });
        QVERIFY(atBottom != chain.end());
        QCOMPARE(atBottom->cycle, 12);
        QCOMPARE(atBottom->value & (mode ? 15 : 0xff),
                 mode ? p.slot(ColorSlot::BottomBackground) : 0x13);
        const auto &restore = mode ? background : control;
        const auto back = std::find_if(restore.begin(), restore.end(), [&](const auto &w) {
            return w.value == (mode ? p.slot(ColorSlot::Background) : 0x3b) &&
                   (w.line == 50 || w.line == 51);
        });
        QVERIFY(back != restore.end());
        QVERIFY(back->line == 50 ? back->cycle >= 57 : back->cycle <= 14);
        if (standard == Standard::Pal) {
            const auto screens = writesTo(machine, 0x18);
            QVERIFY(std::any_of(screens.begin(), screens.end(), [](const auto &w) {
                return w.line == 271 && w.value == 0xe0 && w.cycle >= 11 && w.cycle <= 57;
            }));
            QVERIFY(std::any_of(background.begin(), background.end(), [&](const auto &w) {
                return w.line > 292 && (w.value & 15) == p.slot(ColorSlot::TopBackground);
            }));
        }
    }

    void crunchedRoundTrip_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QString>("koala"); // a real picture instead of a random canvas
        for (int layout = 0; layout < 3; ++layout)
            for (int mode = 0; mode < 2; ++mode)
                QTest::addRow("%s %d", mode ? "multi" : "hires", layout)
                    << mode << layout << QString();
        for (const QString &file : QDir(Koala).entryList(QDir::Files))
            QTest::addRow("%s", qPrintable(file)) << 1 << 0 << Koala + file;
    }
    // The cruncher's output, run through its depacker, leaves the
    // uncrunched program's memory image byte for byte and jumps to it.
    void crunchedRoundTrip()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QString, koala);
        Exported e = exportRandom(CanvasMode(mode), CanvasLayout(layout), 77 + layout);
        if (!koala.isEmpty()) {
            QFile file(koala);
            QVERIFY(file.open(QIODevice::ReadOnly));
            NativeImage image;
            QString error;
            QVERIFY(NativeFormats::recognizeAndDecode(file.readAll(), 0, image, error));
            e.project = Project(CanvasMode::Multicolor);
            e.project.colormap() = NativeFormats::decodeToColormap(image);
            e.project.setSlot(ColorSlot::Background, image.background);
            e.prg = PrgBuilder::buildPrg(e.project);
        }
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.prg"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(e.prg) == e.prg.size());
        out.close();
        const int start = PrgBuilder::startAddress(CanvasLayout(layout));
        QProcess cruncher;
        cruncher.start(QStringLiteral(KORVEN_EXOMIZER),
                       {"sfx", QString::number(start), path, "-o", path, "-n"});
        QVERIFY(cruncher.waitForFinished(30000));
        QCOMPARE(cruncher.exitCode(), 0);
        QFile in(path);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray crunched = in.readAll();
        QVERIFY(crunched.size() < e.prg.size() * 9 / 10);
        if (!koala.isEmpty())
            qInfo("%s: %lld bytes crunched from %lld", qPrintable(QFileInfo(koala).fileName()),
                  qlonglong(crunched.size()), qlonglong(e.prg.size()));
        C64Machine machine;
        QCOMPARE(machine.loadPrg(crunched), 0x0801);
        const QString basic = QString::fromLatin1(crunched.mid(2, 12));
        machine.cpu.pc = uint16_t(basic.mid(5, 4).toInt()); // the number after the SYS token
        QVERIFY(machine.runUntil(uint16_t(start), 20'000'000));
        QCOMPARE(ramAt(machine, start, int(e.prg.size()) - 2), e.prg.mid(2));
        QCOMPARE(machine.port01() & 7, 7);
    }
};

QTEST_GUILESS_MAIN(TestPrgRun)
#include "tst_prgrun.moc"
