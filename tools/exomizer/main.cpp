// The cruncher beside korven: "exomizer.exe sfx START FILE -o FILE -n"
// rewrites a C64 program file as a self-extracting one: a BASIC line that
// SYSes into the depacker, which unpacks the program to its load address
// and jumps to START. Exit code 0 on success; failures go to stderr.

#include "lzpacker.h"

#include "asm/depacker.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <cstdio>

namespace
{

int fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    return 1;
}

bool parseAddress(const QString &text, int &value)
{
    bool ok = false;
    if (text.startsWith(u'$'))
        value = text.mid(1).toInt(&ok, 16);
    else if (text.startsWith(QLatin1String("0x")))
        value = text.mid(2).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    return ok && value >= 0 && value <= 0xffff;
}

void patch(QByteArray &program, const char *label, int value)
{
    program[korvenAsm_depacker.offsetOf(label)] = char(value & 0xff);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 6 || args.at(0) != QLatin1String("sfx") ||
        args.at(3) != QLatin1String("-o") || args.at(5) != QLatin1String("-n"))
        return fail(QStringLiteral("usage: exomizer.exe sfx START FILE -o FILE -n"));
    int start = 0;
    if (!parseAddress(args.at(1), start))
        return fail(QStringLiteral("not a start address: %1").arg(args.at(1)));
    QFile in(args.at(2));
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(args.at(2), in.errorString()));
    const QByteArray file = in.readAll();
    in.close();
    if (file.size() < 3)
        return fail(QStringLiteral("%1 is not a C64 program file").arg(args.at(2)));
    const int load = uint8_t(file[0]) | uint8_t(file[1]) << 8;
    const QByteArray data = file.mid(2);
    const QByteArray packed = LzPacker::pack(data);
    const int pages = int((packed.size() + 255) / 256);
    // The packed data moves up to end at $D000 and must stay above the output.
    const int packedStart = 0xd000 - pages * 256;
    const int sfxEnd = korvenAsm_depacker.address("packed") + int(packed.size());
    if (load + data.size() > packedStart || sfxEnd > packedStart || load < sfxEnd - packed.size())
        return fail(QStringLiteral("the program at $%1-$%2 does not fit beside its packed data")
                        .arg(load, 4, 16, QLatin1Char('0'))
                        .arg(load + int(data.size()) - 1, 4, 16, QLatin1Char('0')));

    QByteArray program(reinterpret_cast<const char *>(korvenAsm_depacker.bytes),
                       korvenAsm_depacker.size);
    patch(program, "plen", pages);
    patch(program, "dest", load);
    patch(program, "dest_hi", load >> 8);
    patch(program, "entry", start);
    program[korvenAsm_depacker.offsetOf("entry") + 1] = char(start >> 8);
    QByteArray out;
    out.append(char(korvenAsm_depacker.origin & 0xff));
    out.append(char(korvenAsm_depacker.origin >> 8));
    out.append(program);
    out.append(packed);

    QSaveFile save(args.at(4));
    if (!save.open(QIODevice::WriteOnly) || save.write(out) != out.size() || !save.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(args.at(4), save.errorString()));
    return 0;
}
