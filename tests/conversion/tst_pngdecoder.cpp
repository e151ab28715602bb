#include "../common/wholefiles.h"

#include "conversion/pngdecoder.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

namespace
{

QByteArray be32(quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    return QByteArray(bytes, 4);
}

QByteArray chunk(const char *type, const QByteArray &body)
{
    const QByteArray typed = type + body;
    return be32(quint32(body.size())) + typed +
           be32(quint32(
               crc32(0, reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()))));
}

// A PNG file made by hand: the header's fields and the filtered rows as bytes.
QByteArray handMade(int width, int height, int depth, int colorType, const QByteArray &rows,
                    const QByteArray &palette = {}, const QByteArray &extra = {})
{
    const QByteArray header = be32(quint32(width)) + be32(quint32(height)) + char(depth) +
                              char(colorType) + QByteArray(3, '\0');
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) + extra +
           (palette.isEmpty() ? QByteArray() : chunk("PLTE", palette)) +
           chunk("IDAT", qCompress(rows).mid(4)) + chunk("IEND", {});
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// Rows of raw bytes, each filtered with `filter` as the format defines its
// predictors: a is the byte one pixel left, b the one above, c above-left.
QByteArray filtered(const QByteArray &raw, int stride, int bpp, int filter)
{
    QByteArray out;
    const auto at = [&](qsizetype row, qsizetype i) {
        return row < 0 || i < 0 ? 0 : int(uchar(raw[row * stride + i]));
    };
    for (qsizetype row = 0; row * stride < raw.size(); ++row) {
        out.append(char(filter));
        for (qsizetype i = 0; i < stride; ++i) {
            const int a = at(row, i - bpp), b = at(row - 1, i), c = at(row - 1, i - bpp);
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            const int predictor[] = {0, a, b, (a + b) / 2,
                                     pa <= pb && pa <= pc ? a
                                     : pb <= pc           ? b
                                                          : c};
            out.append(char(at(row, i) - predictor[filter]));
        }
    }
    return out;
}

} // namespace

class TestPngDecoder : public QObject
{
    Q_OBJECT

private slots:
    // Pixels worked out by hand, one filter or bit depth per row.
    void handMadeFiles_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<QRgb>>("pixels");
        // 2 x 4 RGB, rows filtered Sub, Up, Average and Paeth in turn.
        QTest::newRow("rgb, every filter")
            << handMade(2, 4, 8, 2,
                        bytes({1, 10,  20, 30,  30,  30,  30, 2, 1,  2,   3, 4,   5,   6,
                               3, 195, 89, 240, 134, 178, 95, 4, 63, 164, 9, 250, 157, 205}))
            << QList<QRgb>{qRgb(10, 20, 30), qRgb(40, 50, 60),  qRgb(11, 22, 33),
                           qRgb(44, 55, 66), qRgb(200, 100, 0), qRgb(0, 255, 128),
                           qRgb(7, 8, 9),    qRgb(250, 1, 77)};
        QTest::newRow("palette, 2 bits")
            << handMade(3, 1, 2, 3, bytes({0, 0xC8}),
                        bytes({255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9}))
            << QList<QRgb>{qRgb(9, 9, 9), qRgb(255, 0, 0), qRgb(0, 0, 255)};
        QTest::newRow("gray, 1 bit")
            << handMade(3, 1, 1, 0, bytes({0, 0xA0}))
            << QList<QRgb>{qRgb(255, 255, 255), 0xff000000, qRgb(255, 255, 255)};
        QTest::newRow("gray, 4 bits") << handMade(2, 1, 4, 0, bytes({0, 0xF3}))
                                      << QList<QRgb>{qRgb(255, 255, 255), qRgb(51, 51, 51)};
        QTest::newRow("gray and opaque alpha")
            << handMade(1, 1, 8, 4, bytes({0, 77, 255})) << QList<QRgb>{qRgb(77, 77, 77)};
        QTest::newRow("an ancillary chunk is skipped")
            << handMade(1, 1, 8, 6, bytes({0, 1, 2, 3, 255}), {}, chunk("tEXt", "Comment\0x"))
            << QList<QRgb>{qRgb(1, 2, 3)};
    }
    void handMadeFiles()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<QRgb>, pixels);
        const std::optional<RgbPicture> picture = PngDecoder::decode(file);
        QVERIFY(picture);
        QList<QRgb> read;
        for (int y = 0; y < picture->height(); ++y)
            for (int x = 0; x < picture->width(); ++x)
                read << picture->pixel(x, y);
        QCOMPARE(read, pixels);
        // Qt's reader is the second opinion on the same bytes.
        QCOMPARE(picture->toImage(),
                 QImage::fromData(file, "png").convertToFormat(QImage::Format_RGB32));
    }

    // Every filter on every layout and depth, over seeded random bytes of a
    // random size: Qt's reader is the judge.
    void everyFilterOnEveryLayout_data()
    {
        QTest::addColumn<int>("colorType");
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("filter");
        const char *filters[] = {"none", "sub", "up", "average", "paeth"};
        const char *types[] = {"gray", "", "rgb", "palette", "gray and alpha", "", "rgba"};
        for (int filter = 0; filter < 5; ++filter)
            for (const auto &[type, depth] : {std::pair{0, 1},
                                              {0, 2},
                                              {0, 4},
                                              {0, 8},
                                              {3, 1},
                                              {3, 2},
                                              {3, 4},
                                              {3, 8},
                                              {4, 8},
                                              {2, 8},
                                              {6, 8}})
                QTest::addRow("%s, %d bits, %s", types[type], depth, filters[filter])
                    << type << depth << filter;
    }
    void everyFilterOnEveryLayout()
    {
        QFETCH(int, colorType);
        QFETCH(int, depth);
        QFETCH(int, filter);
        QRandomGenerator random(quint32(colorType * 100 + depth * 10 + filter));
        const int channels[] = {1, 0, 3, 1, 2, 0, 4};
        const int width = random.bounded(1, 40), height = random.bounded(1, 12);
        // Bytes per pixel for the predictors, a whole byte at the least.
        const int bpp = std::max(1, channels[colorType] * depth / 8),
                  stride = (width * channels[colorType] * depth + 7) / 8;
        QByteArray raw(stride * height, Qt::Uninitialized), palette;
        for (int i = 0; i < raw.size(); ++i) // opaque: alpha is a pixel's last byte
            raw[i] = char(colorType >= 4 && i % bpp == bpp - 1 ? 255 : random.bounded(256));
        for (int i = 0; colorType == 3 && i < (3 << depth); ++i)
            palette.append(char(random.bounded(256)));
        const QByteArray file =
            handMade(width, height, depth, colorType, filtered(raw, stride, bpp, filter), palette);
        const std::optional<RgbPicture> picture = PngDecoder::decode(file);
        QVERIFY(picture);
        QCOMPARE(picture->toImage(),
                 QImage::fromData(file, "png").convertToFormat(QImage::Format_RGB32));
    }

    // What the decoder leaves to Qt's reader, and damage, give nothing.
    void declines_data()
    {
        QTest::addColumn<QByteArray>("file");
        const QByteArray rgb = bytes({0, 1, 2, 3});
        QTest::newRow("see-through pixel") << handMade(1, 1, 8, 6, bytes({0, 1, 2, 3, 254}));
        QTest::newRow("transparency chunk")
            << handMade(1, 1, 8, 2, rgb, {}, chunk("tRNS", bytes({0, 1, 0, 2, 0, 3})));
        QTest::newRow("orientation") << handMade(1, 1, 8, 2, rgb, {}, chunk("eXIf", "MM"));
        QTest::newRow("16 bits") << handMade(1, 1, 16, 2, bytes({0, 1, 1, 2, 2, 3, 3}));
        QTest::newRow("index past the palette")
            << handMade(1, 1, 8, 3, bytes({0, 1}), bytes({1, 2, 3}));
        QTest::newRow("unknown filter") << handMade(1, 1, 8, 2, bytes({5, 1, 2, 3}));
        QTest::newRow("short pixel data") << handMade(2, 1, 8, 2, rgb);
        QByteArray interlaced = handMade(1, 1, 8, 2, rgb);
        interlaced[8 + 8 + 12] = 1;
        QTest::newRow("interlaced") << interlaced;
        QByteArray badCrc = handMade(1, 1, 8, 2, rgb);
        badCrc[8 + 8 + 13] = badCrc[8 + 8 + 13] ^ 1;
        QTest::newRow("damaged header checksum") << badCrc;
        QByteArray huge = handMade(1, 1, 8, 2, rgb);
        huge.replace(16, 8, be32(60000) + be32(60000));
        QTest::newRow("size the data cannot fill") << huge;
    }
    void declines()
    {
        QFETCH(QByteArray, file);
        QVERIFY(!PngDecoder::decode(file));
    }

    // Every cut of a good file is refused, never read past its end.
    void truncatedFiles()
    {
        const QByteArray file = handMade(2, 4, 8, 2, QByteArray(4 * 7, '\x01'));
        QVERIFY(PngDecoder::decode(file));
        for (qsizetype length = 0; length < file.size(); ++length)
            QVERIFY2(!PngDecoder::decode(file.left(length)), qPrintable(QString::number(length)));
    }

    // The shared photographs and reference pictures: what the decoder reads
    // it reads exactly as Qt does, and it reads the plain ones.
    void agreesWithQtOnRealFiles()
    {
        int files = 0;
        QDirIterator it(QStringLiteral(KORVEN_TESTDATA_DIR), {"*.png"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const std::optional<RgbPicture> picture = PngDecoder::decode(readBytes(path));
            ++files;
            QVERIFY2(picture &&
                         picture->toImage() == QImage(path).convertToFormat(QImage::Format_RGB32),
                     qPrintable(path));
        }
        QVERIFY(files >= 20);
    }
};

QTEST_GUILESS_MAIN(TestPngDecoder)
#include "tst_pngdecoder.moc"
