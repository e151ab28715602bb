#pragma once

#include <QByteArray>

// Deflates pixels into the qCompress form (4-byte big-endian length, then a
// zlib stream) at the default level, three times faster than zlib itself
// does on colormaps: a save, and a conversion on the command line, spend most
// of their time here otherwise. Any zlib reader inflates the result.
QByteArray deflatePixels(const QByteArray &raw);
