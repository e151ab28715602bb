// Exported programs run on the emulated C64: the state their set-up
// leaves and the register writes of their raster interrupts, line by line.

#include "prgtesthelpers.h"

#include <QTest>

using namespace prgtest;

class TestPrgRun : public QObject
{
    Q_OBJECT

private slots:
    void sideBorderLines()
    {
        for (auto standard : {C64Machine::Standard::Pal, C64Machine::Standard::Ntsc}) {
            const Project project = randomProject(CanvasMode::Hires, CanvasLayout::SideBorderSprites, 5);
            const QByteArray prg = PrgBuilder::buildPrg(project);
            const KorvenAsmProgram &program = PrgBuilder::displayProgram(project.mode(), project.layout());
            C64Machine machine(standard);
            QVERIFY(runProgram(machine, prg, 0x3400, program.address("forever"), 3));
            for (const char *l : {"stab1", "stab2", "stabpal", "openlines", "stream"}) {
                machine.runUntil(uint16_t(program.address(l)), 1000000);
                qDebug("%s at %d:%d", l, machine.line(), machine.cycle());
            }
            machine.recordVicWrites = true;
            machine.run(machine.cyclesPerLine() * machine.linesPerFrame());
            int line = -1;
            for (const auto &w : machine.vicWrites) {
                if (w.reg == 0x16 || w.reg == 0x18 || (w.reg >= 0x2b && w.reg <= 0x2e) || w.reg == 9)
                    qDebug("%3d %2d  $%02x = $%02x", w.line, w.cycle, w.reg, w.value);
                (void)line;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPrgRun)
#include "tst_prgrun.moc"
