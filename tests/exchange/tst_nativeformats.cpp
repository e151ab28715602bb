// The classic C64 picture formats: recognition with its messages, the
// decoding conventions, and encoding round trips over real artists' files.

#include "../common/paintrows.h"
#include "../common/wholefiles.h"

#include "document/palette.h"
#include "exchange/nativeformats.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTest>

namespace
{

QByteArray fileOf(int load, int size)
{
    QByteArray bytes(size, '\0');
    if (size >= 2) {
        bytes[0] = char(load & 0xff);
        bytes[1] = char(load >> 8);
    }
    return bytes;
}

const QString Real = QStringLiteral(KORVEN_TESTDATA_DIR "/real/");

} // namespace

class TestNativeFormats : public QObject
{
    Q_OBJECT

private slots:
    void recognition_data() { addTextRows("exchange/nativeformats.txt", "recognition"); }
    void recognition()
    {
        QFETCH(QStringList, row);
        NativeImage image;
        QString error;
        const QByteArray file = fileOf(row[0].toInt(nullptr, 0), row[1].toInt());
        const bool ok = NativeFormats::recognizeAndDecode(file, row[2].toInt(), image, error);
        QCOMPARE(ok ? NativeFormats::formatName(image.format) : error,
                 QString(row[3]).replace(QLatin1String("\\n"), QLatin1String("\n")));
    }

    // Background and border bytes keep their low nibble only (the other
    // decoding conventions are pinned by the real pictures below).
    void backgroundAndBorderNibbles()
    {
        NativeImage multi;
        QByteArray advanced = fileOf(0x2000, 10018);
        advanced[9002] = char(0xf6);
        advanced[9003] = char(0x3b);
        QString error;
        QVERIFY(NativeFormats::recognizeAndDecode(advanced, 0, multi, error));
        QCOMPARE((QList<int>{multi.format, multi.background, multi.border}),
                 (QList<int>{8, 11, 6}));
    }

    // Slots given as {background, border}.
    void encodingEdges()
    {
        // One colour in a hires cell: both nibbles, no bits.
        Colormap flat(320, 200);
        flat.fill(5);
        const QByteArray one =
            NativeFormats::encodeScreen(flat, CanvasMode::Hires, flat.rect(), {});
        QCOMPARE(quint8(one[8000]), quint8(0x55));
        QCOMPARE(one.left(8), QByteArray(8, '\0'));
        // A tie goes to the lower index: 3 is A (0 bits), 9 is B.
        flat.fillRect(QRect(8, 0, 4, 8), 3);
        flat.fillRect(QRect(12, 0, 4, 8), 9);
        const QByteArray tie =
            NativeFormats::encodeScreen(flat, CanvasMode::Hires, flat.rect(), {});
        QCOMPARE(quint8(tie[8001]), quint8(0x93));
        QCOMPARE(quint8(tie[8]), quint8(0x0f));
        // A column beyond the area (the side canvas's sprite-covered one)
        // takes the border colour with no pixels.
        flat.setPixel(317, 0, 9);
        const QByteArray side =
            NativeFormats::encodeScreen(flat, CanvasMode::Hires, QRect(0, 0, 312, 200), {0, 6});
        QCOMPARE(quint8(side[8000 + 39]), quint8(0x66));
        QCOMPARE(side.mid(39 * 8, 8), QByteArray(8, '\0'));
        QVERIFY(NativeFormats::writeNative(flat, CanvasMode::Hires, 1, {}).isEmpty());
    }

    // Every real picture decodes and previews as an independent decoder
    // shows it (the pairs saved by two programs thus alike), and encoding
    // its pixels gives them back, through the writer's own files as well.
    void realPictures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        const std::pair<const char *, int> folders[] = {
            {"artstudio", 1}, {"interpaint", 2}, {"doodle", 4},       {"vidcom", 5},
            {"koala", 6},     {"artist64", 7},   {"advartstudio", 8}, {"blazingpaddles", 9}};
        for (const auto &[folder, format] : folders)
            for (const QString &name : QDir(Real + QLatin1String(folder)).entryList(QDir::Files))
                QTest::newRow(qPrintable(name))
                    << Real + QLatin1String(folder) + u'/' + name << format;
        // Missing shared test data fails the test rather than running nothing.
        if (!QDir(Real).exists())
            QTest::newRow("no test data") << QString() << 0;
    }
    void realPictures()
    {
        QFETCH(QString, file);
        QFETCH(int, format);
        QVERIFY2(!file.isEmpty(), qPrintable(QStringLiteral("no pictures under ") + Real));
        NativeImage image;
        QString error;
        QVERIFY2(NativeFormats::recognizeAndDecode(readBytes(file), 0, image, error),
                 qPrintable(error));
        QCOMPARE(image.format, format);
        QCOMPARE(image.hasBorder, format == 8);
        const Colormap pixels = NativeFormats::decodeToColormap(image);
        const CanvasMode mode = NativeFormats::formatMode(format);
        // The picture an independent decoder made of the same file.
        const QFileInfo info(file);
        const QImage expected = QImage(Real + "../real-expected/" + info.dir().dirName() + u'/' +
                                       info.baseName() + ".png")
                                    .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(expected.size(), QSize(320, 200));
        // Multicolor pixels doubled across, through the palette as tst_colormap pins it.
        QCOMPARE(pixels.toImage(0).scaled(320, 200), expected);
        QCOMPARE(NativeFormats::previewImage(image, 0).convertToFormat(QImage::Format_RGB32),
                 expected);
        const QByteArray written =
            NativeFormats::writeNative(pixels, mode, 0, {image.background, image.border});
        NativeImage again;
        QVERIFY(NativeFormats::recognizeAndDecode(written, 0, again, error));
        QCOMPARE(again.format, mode == CanvasMode::Multicolor ? 6 : 1);
        QCOMPARE(NativeFormats::decodeToColormap(again), pixels);
        QCOMPARE(again.background, mode == CanvasMode::Multicolor ? image.background : quint8(0));
    }
};

QTEST_APPLESS_MAIN(TestNativeFormats)
#include "tst_nativeformats.moc"
