#pragma once

#include <QByteArray>

// Inflates a qCompress stream (4-byte big-endian length, then zlib data)
// without Qt's console warnings: a corrupt stream in a file is the file
// reader's to report, in its own words. The caller knows how many bytes the
// pixels take; a stream that states or inflates to any other size is corrupt.
// Returns an empty array on any fault.
QByteArray quietUncompress(const QByteArray &compressed, qsizetype expectedSize);

// Inflates the zlib stream in `compressed` into exactly `outSize` bytes at
// `out`; false on any fault, a stream that ends short or runs long included.
bool inflateExactly(const char *compressed, qsizetype size, char *out, qsizetype outSize);
