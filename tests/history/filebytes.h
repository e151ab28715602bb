#pragma once

// Project files built byte by byte from the small notation of
// history/projectfile.txt, independently of the writer, so tests can craft
// exactly the malformed input they need. Words, separated by spaces: hN the
// header of version N; bN wN dN a 1, 2 or 4 byte little-endian integer; xHEX
// bytes; rHEX zHEX sHEX a pixel blob stored raw, compressed, or compressed at
// level 0; {K ... } a record of kind K; any other word a "def | word | ..."
// line of the file.

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QtEndian>

namespace filebytes
{

inline QStringList wordsOf(QString text)
{
    return text.replace(u'}', QLatin1String(" }")).split(u' ', Qt::SkipEmptyParts);
}

inline const QHash<QString, QStringList> &defs()
{
    static const QHash<QString, QStringList> table = [] {
        QHash<QString, QStringList> defs;
        QFile in(QStringLiteral(KORVEN_SOURCE_DIR "/tests/history/projectfile.txt"));
        if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
            qFatal("projectfile.txt is missing");
        for (const QString &line : QString::fromUtf8(in.readAll()).split(u'\n'))
            if (const QStringList f = line.split(u'|'); f.size() == 3 && f[0].trimmed() == "def")
                defs.insert(f[1].trimmed(), wordsOf(f[2]));
        return defs;
    }();
    return table;
}

inline QByteArray le(qint64 v, int size)
{
    char b[4];
    qToLittleEndian(quint32(v), b);
    return QByteArray(b, size);
}

// Consumes words up to the closing brace of the record being read.
inline QByteArray build(QStringList &words)
{
    QByteArray out;
    while (!words.isEmpty()) {
        const QString word = words.takeFirst();
        const QChar c = word.at(0);
        bool ok = false;
        const qint64 n = word.mid(1).toLongLong(&ok, 0);
        const QByteArray hex = QByteArray::fromHex(word.mid(1).toLatin1());
        if (word == u'}')
            return out;
        if (QStringList inner = defs().value(word); !inner.isEmpty())
            out += build(inner);
        else if (c == u'x')
            out += hex;
        else if (c == u'r' || c == u'z' || c == u's') {
            const QByteArray data = c == u'r' ? hex : qCompress(hex, c == u's' ? 0 : -1);
            out += char(c != u'r') + le(data.size(), 4) + data;
        } else if (!ok)
            qFatal("unknown word %s", qPrintable(word));
        else if (c == u'h')
            out += QByteArray("\xFEkvprj", 7) + char(n);
        else if (c == u'{') {
            const QByteArray payload = build(words);
            out += le(payload.size() + 2, 4) + le(n, 2) + payload;
        } else
            out += le(n, c == u'b' ? 1 : c == u'w' ? 2 : 4);
    }
    return out;
}

inline QByteArray bytesOf(const QString &text)
{
    QStringList words = wordsOf(text);
    return build(words);
}

} // namespace filebytes
