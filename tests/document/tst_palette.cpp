#include "../common/paintrows.h"

#include "document/palette.h"

class TestPalette : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data() { addTextRows("document/palette.txt", "rgb"); }
    void lookup()
    {
        QFETCH(QStringList, row);
        QCOMPARE(paletteRgb(row[0].toInt(), row[1].toInt()), QRgb(row[2].toUInt(nullptr, 16)));
    }
    void everyColourOpaqueAndDistinct()
    {
        // A transcription slip tends to duplicate a neighbour or drop a digit.
        for (PaletteVariant v : paletteVariants()) {
            QSet<QRgb> seen;
            for (int i = 0; i < 16; ++i) {
                QCOMPARE(qAlpha(paletteRgb(v, i)), 255);
                seen.insert(paletteRgb(v, i));
            }
            QVERIFY2(seen.size() == 16, qPrintable(paletteVariantName(v)));
        }
    }
    void distances()
    {
        QCOMPARE(colorDistance(0, 0, 0, paletteRgb(3, 0), ColorMetric::Euclidean), 3.0 * 16 * 16);
        QCOMPARE(colorDistance(10, 0, 0, qRgb(0, 0, 0), ColorMetric::Weighted), 0.299 * 100);
        QCOMPARE(colorDistance(0, 10, 0, qRgb(0, 0, 0), ColorMetric::Weighted), 0.587 * 100);
        QCOMPARE(colorDistance(0, 0, 10, qRgb(0, 0, 0), ColorMetric::Weighted), 0.114 * 100);
    }
};

QTEST_APPLESS_MAIN(TestPalette)
#include "tst_palette.moc"
