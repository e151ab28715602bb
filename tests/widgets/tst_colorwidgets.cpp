// The palette strip, the texture bar and the colour slot bar driven with
// real mouse presses.

#include "document/project.h"
#include "paint/texture.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/palettewidget.h"
#include "widgets/texturewidget.h"

#include <QApplication>
#include <QHelpEvent>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(CanvasMode)
Q_DECLARE_METATYPE(CanvasLayout)

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

} // namespace

class TestColorWidgets : public QObject
{
    Q_OBJECT

private slots:
    void palettePress_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("x");
        QTest::addColumn<Qt::MouseButton>("button");
        // -1: that index must not change and its signal must not fire.
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("secondary");

        QTest::newRow("left edge") << 384 << 0 << Qt::LeftButton << 0 << -1;
        QTest::newRow("last pixel of column 0") << 384 << 23 << Qt::LeftButton << 0 << -1;
        QTest::newRow("first pixel of column 1") << 384 << 24 << Qt::LeftButton << 1 << -1;
        QTest::newRow("12.5 wide, just short of 3") << 200 << 37 << Qt::LeftButton << 2 << -1;
        QTest::newRow("12.5 wide, just into 3") << 200 << 38 << Qt::LeftButton << 3 << -1;
        QTest::newRow("6.25 wide, 14") << 100 << 93 << Qt::LeftButton << 14 << -1;
        QTest::newRow("6.25 wide, 15") << 100 << 94 << Qt::LeftButton << 15 << -1;
        QTest::newRow("right button, last column") << 384 << 383 << Qt::RightButton << -1 << 15;
        QTest::newRow("right button, column 5") << 200 << 70 << Qt::RightButton << -1 << 5;
        QTest::newRow("beyond the sixteen") << 384 << 384 << Qt::LeftButton << -1 << -1;
        QTest::newRow("far beyond, right") << 200 << 260 << Qt::RightButton << -1 << -1;
        QTest::newRow("middle button") << 384 << 100 << Qt::MiddleButton << -1 << -1;
    }
    void palettePress()
    {
        QFETCH(int, width);
        QFETCH(int, x);
        QFETCH(Qt::MouseButton, button);
        QFETCH(int, primary);
        QFETCH(int, secondary);

        Project project;
        PaletteWidget palette(project);
        palette.resize(width, 28);
        palette.setPrimaryIndex(9);
        palette.setSecondaryIndex(8);
        QSignalSpy primarySpy(&palette, &PaletteWidget::primaryIndexSelected);
        QSignalSpy secondarySpy(&palette, &PaletteWidget::secondaryIndexSelected);
        QTest::mousePress(&palette, button, {}, QPoint(x, 10));

        QCOMPARE(int(palette.primaryIndex()), primary < 0 ? 9 : primary);
        QCOMPARE(int(palette.secondaryIndex()), secondary < 0 ? 8 : secondary);
        QCOMPARE(primarySpy.size(), primary < 0 ? 0 : 1);
        QCOMPARE(secondarySpy.size(), secondary < 0 ? 0 : 1);
        if (primary >= 0)
            QCOMPARE(primarySpy.first().first().value<uint8_t>(), uint8_t(primary));
        if (secondary >= 0)
            QCOMPARE(secondarySpy.first().first().value<uint8_t>(), uint8_t(secondary));
    }
    // Any width, any x: column floor(16 x / width), nothing past the last.
    void paletteColumnsRandom()
    {
        QRandomGenerator random(2026);
        Project project;
        PaletteWidget palette(project);
        for (int round = 0; round < 300; ++round) {
            const int width = 192 + random.bounded(900);
            palette.resize(width, 28);
            const int x = random.bounded(width);
            QCOMPARE(palette.columnAt(x), x * 16 / width);
            const bool right = random.bounded(2) == 1;
            QSignalSpy spy(&palette, right ? &PaletteWidget::secondaryIndexSelected
                                           : &PaletteWidget::primaryIndexSelected);
            QTest::mousePress(&palette, right ? Qt::RightButton : Qt::LeftButton, {}, QPoint(x, 5));
            QCOMPARE(spy.size(), 1);
            QCOMPARE(int(right ? palette.secondaryIndex() : palette.primaryIndex()),
                     x * 16 / width);
        }
    }
    void paletteSignalsEvenWhenUnchanged()
    {
        Project project;
        PaletteWidget palette(project);
        palette.resize(160, 28);
        QSignalSpy primarySpy(&palette, &PaletteWidget::primaryIndexSelected);
        QSignalSpy secondarySpy(&palette, &PaletteWidget::secondaryIndexSelected);
        // The defaults are primary 1 and secondary 0.
        QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(15, 5));
        QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(15, 5));
        QTest::mousePress(&palette, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(primarySpy.size(), 2);
        QCOMPARE(secondarySpy.size(), 1);
        QCOMPARE(primarySpy.at(1).first().value<uint8_t>(), uint8_t(1));
        QCOMPARE(secondarySpy.first().first().value<uint8_t>(), uint8_t(0));
    }
    void paletteSettersIgnoreOutOfRange()
    {
        Project project;
        PaletteWidget palette(project);
        QCOMPARE(int(palette.primaryIndex()), 1);
        QCOMPARE(int(palette.secondaryIndex()), 0);
        palette.setPrimaryIndex(16);
        palette.setSecondaryIndex(200);
        QCOMPARE(int(palette.primaryIndex()), 1);
        QCOMPARE(int(palette.secondaryIndex()), 0);
        palette.setPrimaryIndex(15);
        palette.setSecondaryIndex(7);
        QCOMPARE(int(palette.primaryIndex()), 15);
        QCOMPARE(int(palette.secondaryIndex()), 7);
        QCOMPARE(palette.sizeHint(), QSize(384, 28));
        QCOMPARE(palette.minimumSizeHint(), QSize(192, 20));
    }
    // The primary swatch wears the black-white-black frame, the secondary its square.
    void palettePaintsMarkers()
    {
        Project project;
        PaletteWidget palette(project);
        palette.resize(320, 28);
        palette.setPrimaryIndex(6);
        palette.setSecondaryIndex(2);
        const QImage image = palette.grab().toImage();
        const auto rgb = [&](int index) {
            return paletteRgb(project.paletteVariant(), index) & 0xFFFFFF;
        };
        // Column 6 spans x 120..139: the frame at insets 0, 1 and 2, colour inside.
        QCOMPARE(image.pixel(130, 0) & 0xFFFFFF, 0x000000u);
        QCOMPARE(image.pixel(130, 1) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(image.pixel(130, 2) & 0xFFFFFF, 0x000000u);
        QCOMPARE(image.pixel(130, 3) & 0xFFFFFF, rgb(6));
        QCOMPARE(image.pixel(130, 14) & 0xFFFFFF, rgb(6));
        QCOMPARE(image.pixel(120, 14) & 0xFFFFFF, 0x000000u);
        QCOMPARE(image.pixel(139, 14) & 0xFFFFFF, 0x000000u);
        // The secondary (column 2: x 40..59) carries its 6 x 6 square at
        // x 52..57, y 20..25, ringed white then black.
        QCOMPARE(image.pixel(54, 22) & 0xFFFFFF, rgb(2));
        QCOMPARE(image.pixel(51, 22) & 0xFFFFFF, 0xFFFFFFu);
        QCOMPARE(image.pixel(50, 22) & 0xFFFFFF, 0x000000u);
        QCOMPARE(image.pixel(45, 22) & 0xFFFFFF, rgb(2));
        QCOMPARE(image.pixel(45, 3) & 0xFFFFFF, rgb(2));
    }

    void textureClicks_data()
    {
        // Clicks as "L2 R2 ..."; then the slot, the negative flag, the number
        // of textureSelected signals and what the last one carried (slot, negative).
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<int>("slot");
        QTest::addColumn<bool>("negative");
        QTest::addColumn<int>("emitted");
        QTest::addColumn<int>("lastSlot");
        QTest::addColumn<bool>("lastNegative");

        QTest::newRow("right on the solid pen") << "R0" << 0 << false << 0 << -1 << false;
        QTest::newRow("left on the selected solid") << "L0" << 0 << false << 0 << -1 << false;
        QTest::newRow("left picks a pattern") << "L2" << 2 << false << 1 << 2 << false;
        QTest::newRow("left twice is one pick") << "L1 L1" << 1 << false << 1 << 1 << false;
        QTest::newRow("right picks a negative") << "R3" << 3 << true << 1 << 3 << true;
        QTest::newRow("right twice keeps the negative")
            << "L2 R2 R2" << 2 << true << 2 << 2 << true;
        QTest::newRow("left returns to the pattern")
            << "L2 R2 R2 L2" << 2 << false << 3 << 2 << false;
        QTest::newRow("right then the solid pen") << "R2 R0" << 0 << false << 2 << 0 << false;
        QTest::newRow("negative to another negative") << "R1 R3" << 3 << true << 2 << 3 << true;
        QTest::newRow("beyond the list") << "L4 R5" << 0 << false << 0 << -1 << false;
    }
    void textureClicks()
    {
        QFETCH(QString, clicks);
        QFETCH(int, slot);
        QFETCH(bool, negative);
        QFETCH(int, emitted);
        QFETCH(int, lastSlot);
        QFETCH(bool, lastNegative);

        QRandomGenerator random(7);
        const QList<Texture> textures = {Texture::solid(), randomPattern(random),
                                         randomPattern(random), randomPattern(random)};
        QList<QImage> swatches;
        for (int i = 0; i < textures.size(); ++i)
            swatches << QImage(16, 16, QImage::Format_RGB32);
        TextureWidget bar;
        bar.setTextures(textures, swatches);
        QCOMPARE(bar.sizeHint(), QSize(4 * 22, 22));
        bar.resize(bar.sizeHint());
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        for (const QString &click : clicks.split(QLatin1Char(' '))) {
            const int index = click.mid(1).toInt();
            QTest::mousePress(&bar,
                              click.startsWith(QLatin1Char('R')) ? Qt::RightButton : Qt::LeftButton,
                              {}, QPoint(index * 22 + 11, 11));
        }
        QCOMPARE(bar.selectedIndex(), slot);
        QCOMPARE(bar.isNegative(), negative);
        QCOMPARE(spy.size(), emitted);
        if (lastSlot >= 0) {
            const Texture expected =
                lastNegative ? textures.at(lastSlot).negative() : textures.at(lastSlot);
            QCOMPARE(spy.last().first().value<Texture>(), expected);
        }
    }
    void textureSlotEdges()
    {
        const QList<Texture> textures(5, Texture::solid().negative());
        TextureWidget bar;
        bar.setTextures(textures, {});
        bar.resize(110, 22);
        QCOMPARE(bar.slotAt(0), 0);
        QCOMPARE(bar.slotAt(21.9), 0);
        QCOMPARE(bar.slotAt(22), 1);
        QCOMPARE(bar.slotAt(109.9), 4);
        QCOMPARE(bar.slotAt(110), -1);
        QCOMPARE(bar.slotAt(-1), -1);
    }
    // New textures start again at the solid pen, and say so.
    void setTexturesResets()
    {
        QRandomGenerator random(11);
        const QList<Texture> first = {Texture::solid(), randomPattern(random)};
        TextureWidget bar;
        QSignalSpy spy(&bar, &TextureWidget::textureSelected);
        bar.setTextures({}, {});
        QCOMPARE(spy.size(), 0);
        QCOMPARE(bar.sizeHint(), QSize(22, 22));
        bar.setTextures(first, {});
        bar.resize(bar.sizeHint());
        QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(33, 5));
        QVERIFY(bar.isNegative());
        const QList<Texture> second = {randomPattern(random), Texture::solid(),
                                       randomPattern(random)};
        bar.setTextures(second, {});
        QCOMPARE(bar.selectedIndex(), 0);
        QVERIFY(!bar.isNegative());
        QCOMPARE(spy.size(), 3);
        QCOMPARE(spy.last().first().value<Texture>(), second.first());
        QCOMPARE(bar.sizeHint(), QSize(66, 22));
    }
    // The selected negative slot shows its swatch inverted.
    void textureNegativeSwatch()
    {
        QImage swatch(16, 16, QImage::Format_RGB32);
        swatch.fill(Qt::white);
        swatch.setPixel(5, 5, qRgb(0, 0, 0));
        const Texture pattern = Texture::fromStrip(swatch).constFirst();
        TextureWidget bar;
        bar.setTextures({Texture::solid(), pattern}, {swatch, swatch});
        bar.resize(44, 22);
        QCOMPARE(bar.grab().toImage().pixel(22 + 8, 8) & 0xFFFFFF, 0xFFFFFFu);
        QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(30, 10));
        const QImage shown = bar.grab().toImage();
        QCOMPARE(shown.pixel(22 + 8, 8) & 0xFFFFFF, 0x000000u);
        QCOMPARE(shown.pixel(22 + 5, 5) & 0xFFFFFF, 0xFFFFFFu);
    }

    void slotBar_data()
    {
        using S = ColorSlot;
        QTest::addColumn<CanvasMode>("mode");
        QTest::addColumn<CanvasLayout>("layout");
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<ColorSlot>>("expected");
        const auto M = CanvasMode::Multicolor;
        const auto H = CanvasMode::Hires;
        QTest::newRow("multicolor side")
            << M << CanvasLayout::SideBorderSprites << -1
            << QList<S>{S::Background, S::SpriteMulticolor0, S::SpriteMulticolor1};
        QTest::newRow("multicolor bitmap, framed")
            << M << CanvasLayout::BitmapOnly << -1 << QList<S>{S::Background, S::Border};
        QTest::newRow("multicolor bitmap, wider")
            << M << CanvasLayout::BitmapOnly << 200 << QList<S>{S::Background};
        QTest::newRow("multicolor top/bottom")
            << M << CanvasLayout::TopBottomBorderSprites << -1
            << QList<S>{S::Background,        S::Border,           S::TopBackground,
                        S::TopMulticolor0,    S::TopMulticolor1,   S::BottomBackground,
                        S::BottomMulticolor0, S::BottomMulticolor1};
        QTest::newRow("hires bitmap, framed")
            << H << CanvasLayout::BitmapOnly << -1 << QList<S>{S::Border};
        QTest::newRow("hires bitmap, wider") << H << CanvasLayout::BitmapOnly << 400 << QList<S>{};
        QTest::newRow("hires side")
            << H << CanvasLayout::SideBorderSprites << -1 << QList<S>{S::Border};
        QTest::newRow("hires top/bottom")
            << H << CanvasLayout::TopBottomBorderSprites << -1
            << QList<S>{S::Border, S::TopBackground, S::BottomBackground};
    }
    void slotBar()
    {
        QFETCH(CanvasMode, mode);
        QFETCH(CanvasLayout, layout);
        QFETCH(int, width);
        QFETCH(QList<ColorSlot>, expected);

        LayoutSpec spec;
        spec.layout = layout;
        const Project project(mode, width, -1, spec, 1);
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
        for (int i = 0; i < count; ++i) {
            QCOMPARE(spy.at(2 * i).at(0).value<ColorSlot>(), expected.at(i));
            QCOMPARE(spy.at(2 * i).at(1).value<Qt::MouseButton>(), Qt::LeftButton);
            QCOMPARE(spy.at(2 * i + 1).at(0).value<ColorSlot>(), expected.at(i));
            QCOMPARE(spy.at(2 * i + 1).at(1).value<Qt::MouseButton>(), Qt::RightButton);
        }
    }
    void slotBarToolTip_data()
    {
        QTest::addColumn<CanvasLayout>("layout");
        QTest::addColumn<int>("x");
        QTest::addColumn<QString>("label");
        QTest::newRow("top/bottom: side borders")
            << CanvasLayout::TopBottomBorderSprites << 50 << QStringLiteral("Side borders");
        QTest::newRow("top/bottom: bottom background")
            << CanvasLayout::TopBottomBorderSprites << 5 * 46 + 3
            << QStringLiteral("Bottom border background");
        QTest::newRow("side: sprite multicolor 1")
            << CanvasLayout::SideBorderSprites << 2 * 46 + 40
            << QStringLiteral("Sprite multicolor 1 (both side borders)");
        QTest::newRow("bitmap: border")
            << CanvasLayout::BitmapOnly << 47 << QStringLiteral("Border");
    }
    void slotBarToolTip()
    {
        QFETCH(CanvasLayout, layout);
        QFETCH(int, x);
        QFETCH(QString, label);
        LayoutSpec spec;
        spec.layout = layout;
        const Project project(CanvasMode::Multicolor, -1, -1, spec, 1);
        ColorAssignmentWidget bar(project);
        bar.resize(bar.sizeHint());
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
        QHelpEvent help(QEvent::ToolTip, QPoint(x, 10), bar.mapToGlobal(QPoint(x, 10)));
        QApplication::sendEvent(&bar, &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(),
                 label +
                     QStringLiteral("\nLeft-click: assign primary color, right-click: secondary."));
        QToolTip::hideText();
    }
    // A wider bar still splits evenly: slot floor(count x / width).
    void slotBarStretched()
    {
        LayoutSpec spec;
        spec.layout = CanvasLayout::TopBottomBorderSprites;
        const Project project(CanvasMode::Hires, -1, -1, spec, 1);
        ColorAssignmentWidget bar(project);
        bar.resize(100, 29);
        QCOMPARE(bar.slotIndexAt(33.2), 0);
        QCOMPARE(bar.slotIndexAt(33.4), 1);
        QCOMPARE(bar.slotIndexAt(66.7), 2);
        QCOMPARE(bar.slotIndexAt(100), -1);
    }
    // Each slot is filled with the colour it assigns.
    void slotBarPaintsSlotColours()
    {
        LayoutSpec spec;
        spec.layout = CanvasLayout::SideBorderSprites;
        Project project(CanvasMode::Multicolor, -1, -1, spec, 1);
        project.setSlot(ColorSlot::Background, 2);
        project.setSlot(ColorSlot::SpriteMulticolor0, 5);
        project.setSlot(ColorSlot::SpriteMulticolor1, 7);
        ColorAssignmentWidget bar(project);
        bar.resize(bar.sizeHint());
        const QImage image = bar.grab().toImage();
        const int colors[] = {2, 5, 7};
        for (int i = 0; i < 3; ++i)
            QCOMPARE(image.pixel(i * 46 + 5, 14) & 0xFFFFFF,
                     paletteRgb(project.paletteVariant(), colors[i]) & 0xFFFFFF);
    }
};

QTEST_MAIN(TestColorWidgets)
#include "tst_colorwidgets.moc"
