#pragma once

#include <QString>
#include <QStringList>

// How the external cruncher is called: "exomizer.exe" beside the program,
// compressing a PRG in place into a self-extracting program.
namespace ExomizerCall
{

inline QString compressorPath(const QString &applicationDir)
{
    return applicationDir + QStringLiteral("/exomizer.exe");
}

inline QStringList arguments(const QString &prgPath, int startAddress)
{
    return {QStringLiteral("sfx"),
            QString::number(startAddress),
            prgPath,
            QStringLiteral("-o"),
            prgPath,
            QStringLiteral("-n")};
}

} // namespace ExomizerCall
