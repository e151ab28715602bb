// The palette strip, the texture bar and the colour slot bar driven with
// real mouse presses.

#include "../common/paintrows.h"

#include "document/project.h"
#include "paint/texture.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/palettewidget.h"
#include "widgets/texturewidget.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(Qt::MouseButton)

namespace
{

Texture randomPattern(QRandomGenerator &random)
{
    std::array<quint16, Texture::Size> rows{};
    for (quint16 &row : rows)
        row = quint16(random.bounded(0xFFFF)); // never all 0xFFFF
    rows[0] = 0x5555;
    return Texture(rows);
}

quint32 rgbAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFF;
}

Project projectWith(CanvasMode mode, CanvasLayout layout, int width = -1)
{
    LayoutSpec spec;
    spec.layout = layout;
    return Project(mode, width, -1, spec, 1);
}

} // namespace

class TestColorWidgets : public QObject
{
    Q_OBJECT

private slots:
    // Any width, any x: the left button makes column floor(16 x / width) the
    // primary colour, the right one the secondary, with a signal on every
    // press, the same colour again included; past the sixteen, with the
    // middle button or an index out of range nothing changes or fires.
    void palettePresses()
    {
        QRandomGenerator random(2026);
        Project project;
        PaletteWidget palette(project);
        QSignalSpy primary(&palette, &PaletteWidget::primaryIndexSelected);
        QSignalSpy secondary(&palette, &PaletteWidget::secondaryIndexSelected);
        int width = 0, x = 0;
        for (int round = 0; round < 300; ++round) {
            const bool right = round % 3 == 2;
            if (round % 3 != 1) { // else the press before it again
                width = 160 + random.bounded(900);
                x = random.bounded(width);
                palette.resize(width, 28);
            }
            QTest::mousePress(&palette, right ? Qt::RightButton : Qt::LeftButton, {}, QPoint(x, 5));
            QCOMPARE(primary.size() + secondary.size(), round + 1);
            QCOMPARE(int(right ? palette.secondaryIndex() : palette.primaryIndex()),
                     x * 16 / width);
            QCOMPARE((right ? secondary : primary).last().first().value<uint8_t>(), x * 16 / width);
        }
        const auto indices = std::pair(palette.primaryIndex(), palette.secondaryIndex());
        for (const auto &[x, button] :
             {std::pair{palette.width(), Qt::LeftButton},
              std::pair{palette.width() + 60, Qt::RightButton}, std::pair{10, Qt::MiddleButton}})
            QTest::mousePress(&palette, button, {}, QPoint(x, 5));
        palette.setPrimaryIndex(16);
        palette.setSecondaryIndex(200);
        QCOMPARE(std::pair(palette.primaryIndex(), palette.secondaryIndex()), indices);
        QCOMPARE(primary.size() + secondary.size(), 300);
    }
    void textureClicks_data() { addTextRows("widgets/colorwidgets.txt", "texture"); }
    void textureClicks()
    {
        QFETCH(QStringList, row);
        const int slot = row[1].toInt(), emitted = row[3].toInt();
        const bool negative = row[2] == u'1';

        QRandomGenerator random(7);
        const QList<Texture> textures = {Texture::solid(), randomPattern(random),
                                         randomPattern(random), randomPattern(random)};
        TextureWidget bar;
        bar.setTextures(textures, QList<QImage>(4, QImage(16, 16, QImage::Format_RGB32)));
        bar.resize(bar.sizeHint());
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        for (const QString &click : row[0].split(u' '))
            QTest::mousePress(&bar, click.startsWith(u'R') ? Qt::RightButton : Qt::LeftButton, {},
                              QPoint(click.mid(1).toInt() * 22 + 11, 11));
        QCOMPARE(bar.selectedIndex(), slot);
        QCOMPARE(bar.isNegative(), negative);
        QCOMPARE(spy.size(), emitted);
        if (emitted > 0)
            QCOMPARE(spy.last().first().value<Texture>(),
                     negative ? textures.at(slot).negative() : textures.at(slot));
    }
    // The selected negative slot shows its swatch inverted; new textures start
    // again at the solid pen, and say so.
    void negativeSwatchAndReset()
    {
        QImage swatch(16, 16, QImage::Format_RGB32);
        swatch.fill(Qt::white);
        swatch.setPixel(5, 5, qRgb(0, 0, 0));
        TextureWidget bar;
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        bar.setTextures({}, {});
        QCOMPARE(spy.size(), 0);
        bar.setTextures({Texture::solid(), Texture::fromStrip(swatch).constFirst()},
                        {swatch, swatch});
        bar.resize(bar.sizeHint());
        QCOMPARE(rgbAt(bar.grab().toImage(), 22 + 8, 8), 0xFFFFFFu);
        QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(30, 10));
        const QImage shown = bar.grab().toImage();
        QCOMPARE(rgbAt(shown, 22 + 8, 8), 0x000000u);
        QCOMPARE(rgbAt(shown, 22 + 5, 5), 0xFFFFFFu);

        QRandomGenerator random(11);
        const QList<Texture> second = {randomPattern(random), Texture::solid(),
                                       randomPattern(random)};
        bar.setTextures(second, {});
        QCOMPARE(bar.selectedIndex(), 0);
        QVERIFY(!bar.isNegative());
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy.last().first().value<Texture>(), second.first());
    }

    // Which slots each canvas shows is the project's (tst_project); the bar
    // lays out all of them, or none.
    void slotBar()
    {
        using S = ColorSlot;
        const QList<S> topBottom{S::Background,        S::Border,           S::TopBackground,
                                 S::TopMulticolor0,    S::TopMulticolor1,   S::BottomBackground,
                                 S::BottomMulticolor0, S::BottomMulticolor1};
        for (const auto &[mode, layout, width, expected] :
             {std::tuple{CanvasMode::Multicolor, CanvasLayout::TopBottomBorderSprites, -1,
                         topBottom},
              std::tuple{CanvasMode::Hires, CanvasLayout::BitmapOnly, 400, QList<S>{}}}) {
            const Project project = projectWith(mode, layout, width);
            ColorAssignmentWidget bar(project);
            QCOMPARE(bar.shownSlots(), expected);
            const auto count = int(expected.size());
            QCOMPARE(bar.sizeHint(), QSize(46 * count, 29));
            bar.resize(bar.sizeHint());
            QSignalSpy spy(&bar, &ColorAssignmentWidget::slotClicked);
            for (int i = 0; i < count; ++i) {
                // The first and last pixel of each slot, left and right buttons.
                QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(i * 46, 14));
                QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(i * 46 + 45, 14));
            }
            QTest::mousePress(&bar, Qt::MiddleButton, {}, QPoint(10, 14));
            QCOMPARE(spy.size(), 2 * count);
            for (int i = 0; i < 2 * count; ++i) {
                QCOMPARE(spy.at(i).at(0).value<ColorSlot>(), expected.at(i / 2));
                QCOMPARE(spy.at(i).at(1).value<Qt::MouseButton>(),
                         i % 2 ? Qt::RightButton : Qt::LeftButton);
            }
        }
    }
    // A stretched bar still splits evenly, and each slot wears the colour it assigns.
    void slotBarStretchedAndPainted()
    {
        Project project = projectWith(CanvasMode::Multicolor, CanvasLayout::SideBorderSprites);
        project.setSlot(ColorSlot::Background, 2);
        project.setSlot(ColorSlot::SpriteMulticolor0, 5);
        project.setSlot(ColorSlot::SpriteMulticolor1, 7);
        ColorAssignmentWidget bar(project);
        bar.resize(bar.sizeHint());
        const QImage image = bar.grab().toImage();
        const int colors[] = {2, 5, 7};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(rgbAt(image, i * 46 + 5, 14),
                     paletteRgb(project.paletteVariant(), colors[i]) & 0xFFFFFF);
        bar.resize(100, 29);
        QCOMPARE(bar.slotIndexAt(33.2), 0);
        QCOMPARE(bar.slotIndexAt(33.4), 1);
        QCOMPARE(bar.slotIndexAt(66.7), 2);
        QCOMPARE(bar.slotIndexAt(100), -1);
    }
};

QTEST_MAIN(TestColorWidgets)
#include "tst_colorwidgets.moc"
