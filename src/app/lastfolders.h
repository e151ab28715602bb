#pragma once

#include <QString>

// The folders the file choosers start in, remembered per purpose under the
// "files/last...Dir" settings keys.
namespace LastFolders
{

inline constexpr char ProjectKey[] = "files/lastProjectDir";
inline constexpr char ExportKey[] = "files/lastExportDir";
inline constexpr char PrgExportKey[] = "files/lastPrgExportDir";
inline constexpr char ConvertImageKey[] = "files/lastConvertImageDir";
inline constexpr char ImportImageKey[] = "files/lastImportImageDir";
inline constexpr char ImportSpritesKey[] = "files/lastImportSpritesDir";
inline constexpr char WorkstagesKey[] = "files/lastWorkstagesDir";
inline constexpr char ReferenceImageKey[] = "files/lastReferenceImageDir";

// The stored folder when it is set and still exists, else the current directory.
QString lastDir(const QString &key);
// Remembers the absolute folder of a chosen file.
void storeDir(const QString &key, const QString &filePath);

} // namespace LastFolders
