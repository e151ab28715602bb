#include "document/palette.h"

#include <QTest>

class TestPalette : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("index");
        QTest::addColumn<uint>("rgb");
        QTest::newRow("pepto red") << 1 << 2 << 0xFF68372Bu;
        QTest::newRow("vice white") << 5 << 1 << 0xFFFDFEFCu;
        QTest::newRow("ccs64 black is not black") << 3 << 0 << 0xFF101010u;
        QTest::newRow("colodore index clamps to 15") << 2 << 200 << 0xFFB2B2B2u;
        QTest::newRow("unknown variant reads the first table") << 12 << 2 << 0xFF894036u;
        QTest::newRow("negative variant reads the first table") << -1 << 14 << 0xFF7C70DAu;
        QTest::newRow("high contrast last") << 9 << 15 << 0xFFB0B0B0u;
    }
    void lookup()
    {
        QFETCH(int, variant);
        QFETCH(int, index);
        QFETCH(uint, rgb);
        QCOMPARE(paletteRgb(variant, index), QRgb(rgb));
    }
    void everyColourOpaqueAndDistinct()
    {
        // A transcription slip tends to duplicate a neighbour or drop a digit.
        for (PaletteVariant v : paletteVariants()) {
            QSet<QRgb> seen;
            for (int i = 0; i < 16; ++i) {
                const QRgb c = paletteRgb(v, i);
                QCOMPARE(qAlpha(c), 255);
                seen.insert(c);
            }
            QVERIFY2(seen.size() == 16, qPrintable(paletteVariantName(v)));
        }
    }
    void names()
    {
        QCOMPARE(paletteVariants().size(), 10);
        QCOMPARE(paletteVariants().first(), 0);
        QCOMPARE(paletteVariants().last(), 9);
        QCOMPARE(paletteVariantName(0), QStringLiteral("Pixcen"));
        QCOMPARE(paletteVariantName(9), QStringLiteral("High Contrast"));
        QVERIFY(paletteVariantName(10).isEmpty());
        QVERIFY(paletteVariantName(-1).isEmpty());
    }
    void distances()
    {
        const QRgb ccs0 = paletteRgb(3, 0);
        const QRgb ccs11 = paletteRgb(3, 11);
        QCOMPARE(colorDistance(0, 0, 0, ccs0, ColorMetric::Euclidean), 3.0 * 16 * 16);
        QVERIFY(colorDistance(0, 0, 0, ccs0, ColorMetric::Euclidean) <
                colorDistance(0, 0, 0, ccs11, ColorMetric::Euclidean));
        QCOMPARE(colorDistance(10, 0, 0, qRgb(0, 0, 0), ColorMetric::Weighted), 0.299 * 100);
        QCOMPARE(colorDistance(0, 10, 0, qRgb(0, 0, 0), ColorMetric::Weighted), 0.587 * 100);
        QCOMPARE(colorDistance(0, 0, 10, qRgb(0, 0, 0), ColorMetric::Weighted), 0.114 * 100);
    }
    void nearestCandidate_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("index");
        QTest::addColumn<QList<int>>("candidates");
        QTest::addColumn<int>("expected");
        // Pixcen's mid grey lies exactly between its dark and light greys.
        QTest::newRow("tie goes to the lower index") << 0 << 12 << QList<int>{15, 11} << 11;
        QTest::newRow("tie, order of the list does not matter")
            << 0 << 12 << QList<int>{11, 15} << 11;
        // CCS64's black is equally far from its red, green and blue.
        QTest::newRow("three-way tie") << 3 << 0 << QList<int>{6, 5, 2} << 2;
        QTest::newRow("itself") << 0 << 7 << QList<int>{1, 7} << 7;
        QTest::newRow("black nearer dark grey than white") << 0 << 0 << QList<int>{1, 11} << 11;
        QTest::newRow("none") << 0 << 0 << QList<int>{} << -1;
    }
    void nearestCandidate()
    {
        QFETCH(int, variant);
        QFETCH(int, index);
        QFETCH(QList<int>, candidates);
        QFETCH(int, expected);
        QCOMPARE(::nearestCandidate(variant, index, candidates), expected);
    }
};

QTEST_APPLESS_MAIN(TestPalette)
#include "tst_palette.moc"
