// Sprite sheets into the border strips: the real sheets, the sprite block of
// an exported program coming back exactly, and the file-size and capacity
// refusals.

#include "../common/paintrows.h"
#include "../common/wholefiles.h"
#include "prgtesthelpers.h"

#include "document/project.h"
#include "exchange/prgbuilder.h"
#include "exchange/spritefile.h"

#include <QDir>
#include <QSet>
#include <QTest>

class TestSpriteFile : public QObject
{
    Q_OBJECT

private slots:
    void exportedBlockComesBack_data() { prgtest::addCanvasRows({1, 2}, {1, 2, 3}); }
    void exportedBlockComesBack()
    {
        QFETCH(prgtest::CanvasRow, row);
        Project p = row.project();
        // Some top borders of few columns, padded with empty sprites.
        if (row.layout == 2 && row.seed != 2)
            p.colormap().fillRect(QRect(60, 0, 260, 42), p.slot(ColorSlot::TopBackground));
        const QByteArray prg = PrgBuilder::buildPrg(p);
        QVERIFY(!prg.isEmpty());
        const int count = SpriteFile::spriteCapacity(p.layout());
        const int at = 2 + PrgBuilder::SpriteBlockAddress - PrgBuilder::startAddress(p.layout());
        QList<QByteArray> sprites;
        QString error;
        QVERIFY(SpriteFile::readSpriteFile(prg.left(2) + prg.mid(at, count * 64), sprites, error));
        QCOMPARE(sprites.size(), count);
        // Whatever the strips hold before, the sheet replaces it; locked
        // pixels keep theirs.
        Project blank = p;
        Colormap expected = p.colormap();
        for (const CanvasRegion &region : p.regions())
            if (region.isSprite())
                blank.colormap().fillRect(region.rect, 5);
        for (const QRect &locked : p.lockedRects()) {
            blank.colormap().fillRect(locked, 5);
            expected.fillRect(locked, 5);
        }
        const SpriteAttributes convention =
            row.layout == 1 ? SpriteAttributes::Color : SpriteAttributes::ColorPosition;
        QCOMPARE(SpriteFile::spritesToStrips(blank, sprites, convention, 1), expected);
    }

    void realSheets()
    {
        const QDir dir(QStringLiteral(KORVEN_TESTDATA_DIR "/real/sprites"));
        const QStringList files = dir.entryList(QDir::Files);
        QVERIFY(files.size() >= 4);
        for (const QString &name : files) {
            QList<QByteArray> sprites;
            QString error;
            QVERIFY2(SpriteFile::readSpriteFile(readBytes(dir.filePath(name)), sprites, error),
                     qPrintable(name));
            for (const CanvasLayout layout :
                 {CanvasLayout::SideBorderSprites, CanvasLayout::TopBottomBorderSprites}) {
                const Project p(CanvasMode::Multicolor, -1, -1, LayoutSpec{layout});
                const int capacity = SpriteFile::spriteCapacity(layout);
                const QString problem = SpriteFile::capacityProblem(p, sprites.size());
                QCOMPARE(problem.isEmpty(), sprites.size() <= capacity);
                const Colormap strips =
                    SpriteFile::spritesToStrips(p, sprites, SpriteAttributes::Color, 1);
                // A sheet that fits changes the strips and nothing else.
                QCOMPARE(strips == p.colormap(), !problem.isEmpty());
                const QRect bitmap = p.regionRect(RegionKind::Bitmap);
                QCOMPARE(strips.copy(bitmap), p.colormap().copy(bitmap));
                QVERIFY(
                    !SpriteFile::spriteSheetPreview(p, sprites, SpriteAttributes::Color).isNull());
            }
        }
    }

    void pairsShareTheUpperColour_data() { addTextRows("exchange/spritefile.txt", "pair"); }
    void pairsShareTheUpperColour()
    {
        QFETCH(QStringList, row);
        const int layout = row[0].toInt(), upper = row[1].toInt(), lower = row[2].toInt();
        const bool upperEmpty = row[3] == u'1';
        const int lowerColour = row[4].toInt();
        QByteArray file(2 + 32 * 64, '\0');
        const auto record = [&](int i) { return 2 + i * 64; };
        file[record(upper) + 63] = char(2);
        file[record(lower) + 63] = char(5);
        if (!upperEmpty)
            file[record(upper) + 30] = char(0xFF);
        file[record(lower) + 30] = char(0xFF); // row 10 of the sprite, all inside the canvas
        QList<QByteArray> sprites;
        QString error;
        QVERIFY(SpriteFile::readSpriteFile(file, sprites, error));
        const Project p(CanvasMode::Hires, -1, -1, {CanvasLayout(layout)});
        const Colormap strips = SpriteFile::spritesToStrips(p, sprites, SpriteAttributes::Color, 1);
        QSet<quint8> colours;
        for (int i = 0; i < strips.width() * strips.height(); ++i)
            colours << strips.pixel(i % strips.width(), i / strips.width());
        QCOMPARE(colours.contains(2), !upperEmpty || lowerColour == 2);
        QVERIFY(colours.contains(quint8(lowerColour)));
        QCOMPARE(colours.contains(5), lowerColour == 5);
    }

    void firstSpriteAndRefusals()
    {
        QByteArray one(66, '\0');
        one[2] = char(0x80); // the top-left pixel of sprite 0
        one[65] = char(7);
        QList<QByteArray> sprites;
        QString error;
        QVERIFY(SpriteFile::readSpriteFile(one, sprites, error));
        const Project side(CanvasMode::Hires, -1, -1, {CanvasLayout::SideBorderSprites});
        const QRect left = side.regionRect(RegionKind::LeftStrip);
        // Sprite 0's first eight lines lie above the canvas.
        Colormap strips = SpriteFile::spritesToStrips(side, sprites, SpriteAttributes::Color, 1);
        QCOMPARE(strips.pixel(left.left(), left.top()), side.slot(ColorSlot::Border));
        one[2 + 8 * 3] = char(0x80);
        QVERIFY(SpriteFile::readSpriteFile(one, sprites, error));
        // The hires side canvas's top line is locked; the multicolor one shows it.
        strips = SpriteFile::spritesToStrips(side, sprites, SpriteAttributes::Color, 1);
        QCOMPARE(strips.pixel(left.left(), left.top()), side.slot(ColorSlot::Border));
        const Project multi(CanvasMode::Multicolor, -1, -1, {CanvasLayout::SideBorderSprites});
        strips = SpriteFile::spritesToStrips(multi, sprites, SpriteAttributes::Color, 1);
        QCOMPARE(strips.pixel(0, 0), 7);

        for (const int size : {2, 65, 67, 131})
            QVERIFY(!SpriteFile::readSpriteFile(QByteArray(size, '\0'), sprites, error));
        QCOMPARE(error, QStringLiteral("Unknown file format."));
        QVERIFY(SpriteFile::readSpriteFile(QByteArray(2 + 41 * 64, '\0'), sprites, error));
        QCOMPARE(SpriteFile::capacityProblem(side, sprites.size()),
                 QStringLiteral("The file holds 41 sprites; this canvas takes at most 40."));
    }
};

QTEST_GUILESS_MAIN(TestSpriteFile)
#include "tst_spritefile.moc"
