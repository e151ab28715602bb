// run-prg: loads a C64 program file, starts it at its load address (or at
// the address of a BASIC SYS line) and prints the VIC-II and CIA state and
// a memory checksum after N cycles.
//   run-prg FILE.prg [CYCLES] [--ntsc]

#include "c64machine.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ntsc = args.removeAll(QStringLiteral("--ntsc")) > 0;
    if (args.isEmpty() || args.size() > 2) {
        std::fprintf(stderr, "usage: run-prg FILE.prg [CYCLES] [--ntsc]\n");
        return 2;
    }
    QFile file(args.at(0));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(0)));
        return 1;
    }
    const QByteArray prg = file.readAll();
    const qint64 cycles = args.size() > 1 ? args.at(1).toLongLong() : 3000000;
    C64Machine machine(ntsc ? C64Machine::Standard::Ntsc : C64Machine::Standard::Pal);
    int start = machine.loadPrg(prg);
    if (start == 0x0801) {
        const QRegularExpressionMatch sys =
            QRegularExpression(QStringLiteral("\\x9e\\s*(\\d+)")).match(QString::fromLatin1(prg));
        if (sys.hasMatch())
            start = sys.captured(1).toInt();
    }
    machine.cpu.pc = uint16_t(start);
    machine.run(cycles);
    std::printf("pc $%04X  a $%02X x $%02X y $%02X s $%02X p $%02X%s\n", machine.cpu.pc,
                machine.cpu.a, machine.cpu.x, machine.cpu.y, machine.cpu.s, machine.cpu.p,
                machine.cpu.jammed ? "  (jammed)" : "");
    std::printf("line %d cycle %d  $01 $%02X  bank $%04X\n", machine.line(), machine.cycle(),
                machine.port01(), machine.vicBank());
    for (int row = 0; row < 4; ++row) {
        std::printf("$D0%X0:", row);
        for (int i = 0; i < 16; ++i)
            std::printf(" %02X", machine.vic[size_t(row * 16 + i)]);
        std::printf("\n");
    }
    std::printf("IRQ $%02X%02X  NMI $%02X%02X  CIA2 control $%02X mask $%02X\n",
                machine.ram[0xffff], machine.ram[0xfffe], machine.ram[0xfffb], machine.ram[0xfffa],
                machine.cia2Control(), machine.cia2Mask());
    QByteArray memory(reinterpret_cast<const char *>(machine.ram.data()), 65536);
    for (uint8_t c : machine.colorRam)
        memory.append(char(c & 15));
    std::printf("memory md5 %s\n",
                QCryptographicHash::hash(memory, QCryptographicHash::Md5).toHex().constData());
    return 0;
}
