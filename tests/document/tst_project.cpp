#include "document/canvaspreset.h"
#include "document/colorslotinfo.h"
#include "document/geometry.h"
#include "document/project.h"

#include <QTest>

namespace
{

int countColor(const Colormap &map, const QRect &rect, quint8 color)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += map.pixel(x, y) == color;
    }
    return n;
}

} // namespace

class TestProject : public QObject
{
    Q_OBJECT

private slots:
    void construction_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<int>("screens");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("screensAcross");
        QTest::newRow("multicolor side, 0x0, 3 screens")
            << 1 << 1 << QSize(0, 0) << 3 << QSize(208, 200) << 1;
        QTest::newRow("hires default") << 0 << 0 << QSize(-1, -1) << 1 << QSize(320, 200) << 1;
        QTest::newRow("hires triple") << 0 << 0 << QSize(-1, -1) << 3 << QSize(960, 200) << 3;
        QTest::newRow("free size kept") << 0 << 0 << QSize(64, 48) << 1 << QSize(64, 48) << 1;
        QTest::newRow("only width free") << 1 << 0 << QSize(40, 0) << 1 << QSize(40, 200) << 1;
        QTest::newRow("top/bottom") << 0 << 2 << QSize(-1, -1) << 1 << QSize(320, 284) << 1;
        QTest::newRow("screens below one") << 0 << 0 << QSize(-1, -1) << 0 << QSize(320, 200) << 1;
    }
    void construction()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QSize, requested);
        QFETCH(int, screens);
        QFETCH(QSize, size);
        QFETCH(int, screensAcross);
        const Project project(CanvasMode(mode), requested.width(), requested.height(),
                              LayoutSpec{CanvasLayout(layout)}, screens);
        QCOMPARE(project.size(), size);
        QCOMPARE(project.screensAcross(), screensAcross);
        QCOMPARE(project.view().pixelWidth(), modePixelWidth(CanvasMode(mode)));
        QCOMPARE(countColor(project.colormap(), project.colormap().rect(), 0),
                 size.width() * size.height());
    }
    void defaults()
    {
        const Project project;
        const std::array<quint8, ColorSlotCount> expectedSlots = {0, 0, 4, 10, 0, 4, 10, 0, 4, 10};
        QCOMPARE(project.slotBytes(), expectedSlots);
        QCOMPARE(project.spriteCountPolicy(), SpriteCountPolicy::Flag);
        QCOMPARE(project.hiresClashResolution(), HiresClashResolution::ReplaceOverwritten);
        QCOMPARE(project.paletteVariant(), 0);
        QCOMPARE(project.view().zoom(), 1.0);
        QCOMPARE(project.history().nodeCount(), 0);
        QVERIFY(!project.history().isModified());
    }
    void lockedPixelsHoldBorder()
    {
        Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        QCOMPARE(project.lockedRects().size(), 2);
        project.colormap().fill(3);
        project.setSlot(ColorSlot::Border, 6);
        const QRect changed = project.repaintLockedPixels();
        QCOMPARE(changed, QRect(QPoint(0, 0), QPoint(415, 199)));
        const Colormap &map = project.colormap();
        QCOMPARE(countColor(map, QRect(QPoint(408, 0), QPoint(415, 199)), 6), 8 * 200);
        QCOMPARE(countColor(map, QRect(0, 0, 48, 1), 6), 48);
        QCOMPARE(map.pixel(48, 0), quint8(3));
        QCOMPARE(map.pixel(0, 1), quint8(3));
        QCOMPARE(map.pixel(407, 5), quint8(3));
        QVERIFY(project.isLocked(47, 0));
        QVERIFY(project.isLocked(408, 150));
        QVERIFY(!project.isLocked(48, 0));
        QVERIFY(!project.isLocked(407, 150));

        for (const auto &[mode, layout] :
             {std::pair{CanvasMode::Multicolor, CanvasLayout::SideBorderSprites},
              std::pair{CanvasMode::Hires, CanvasLayout::TopBottomBorderSprites},
              std::pair{CanvasMode::Hires, CanvasLayout::BitmapOnly}}) {
            const Project other(mode, -1, -1, LayoutSpec{layout});
            QVERIFY(other.lockedRects().isEmpty());
            QVERIFY(!other.isLocked(other.width() - 1, 0));
        }
    }
    void visibleSlots_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("layout");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("mc side") << 1 << 1 << QSize(-1, -1) << QList<int>{0, 2, 3};
        QTest::newRow("mc bitmap framed") << 1 << 0 << QSize(-1, -1) << QList<int>{0, 1};
        QTest::newRow("mc bitmap free") << 1 << 0 << QSize(168, 200) << QList<int>{0};
        QTest::newRow("mc top/bottom")
            << 1 << 2 << QSize(-1, -1) << QList<int>{0, 1, 4, 5, 6, 7, 8, 9};
        QTest::newRow("hires bitmap framed") << 0 << 0 << QSize(-1, -1) << QList<int>{1};
        QTest::newRow("hires bitmap free") << 0 << 0 << QSize(64, 64) << QList<int>{};
        QTest::newRow("hires side") << 0 << 1 << QSize(-1, -1) << QList<int>{1};
        QTest::newRow("hires top/bottom") << 0 << 2 << QSize(-1, -1) << QList<int>{1, 4, 7};
    }
    void visibleSlots()
    {
        QFETCH(int, mode);
        QFETCH(int, layout);
        QFETCH(QSize, size);
        QFETCH(QList<int>, expected);
        const Project project(CanvasMode(mode), size.width(), size.height(),
                              LayoutSpec{CanvasLayout(layout)});
        QList<int> shown;
        for (ColorSlot s : project.visibleSlots())
            shown.append(int(s));
        QCOMPARE(shown, expected);
    }
    void slotLabels()
    {
        QCOMPARE(ColorSlotInfo::label(ColorSlot::Border, CanvasLayout::BitmapOnly),
                 QStringLiteral("Border"));
        QCOMPARE(ColorSlotInfo::label(ColorSlot::Border, CanvasLayout::TopBottomBorderSprites),
                 QStringLiteral("Side borders"));
        QCOMPARE(ColorSlotInfo::iconName(ColorSlot::Border, CanvasLayout::TopBottomBorderSprites),
                 QStringLiteral("col_sideborders"));
        QCOMPARE(ColorSlotInfo::iconName(ColorSlot::BottomMulticolor1,
                                         CanvasLayout::TopBottomBorderSprites),
                 QStringLiteral("col_lowerborder_spriteglobal2"));
        QCOMPARE(
            ColorSlotInfo::toolTip(ColorSlot::TopBackground, CanvasLayout::TopBottomBorderSprites),
            QStringLiteral("Top border background\nLeft-click: assign primary color, right-click: "
                           "secondary."));
    }
    void screens()
    {
        Project project(CanvasMode::Multicolor, -1, -1, LayoutSpec{}, 3);
        QCOMPARE(project.screenRect(0), QRect(0, 0, 160, 200));
        QCOMPARE(project.screenRect(2), QRect(320, 0, 160, 200));
        QVERIFY(project.screenRect(3).isEmpty());
        for (int s = 0; s < 3; ++s)
            QVERIFY(!project.isScreenDrawnOn(s));
        project.colormap().fill(5); // one colour everywhere is still an empty screen
        QVERIFY(!project.isScreenDrawnOn(1));
        project.colormap().setPixel(479, 199, 2);
        QVERIFY(!project.isScreenDrawnOn(1));
        QVERIFY(project.isScreenDrawnOn(2));

        const Project side(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        QCOMPARE(side.screenRect(0), QRect(QPoint(48, 0), QPoint(359, 199)));
    }
    void copyingSharesPixels()
    {
        Project project;
        HistoryNode node;
        node.changes.append(
            HistoryChange::region(QRect(0, 0, 2, 2), Colormap(2, 2), Colormap(2, 2)));
        project.history().push(node);
        const Project copy = project;
        QCOMPARE(copy.colormap().constBits(), project.colormap().constBits());
        QCOMPARE(copy.history().nodes().constData(), project.history().nodes().constData());
        project.colormap().setPixel(0, 0, 1);
        QVERIFY(copy.colormap().constBits() != project.colormap().constBits());
        QCOMPARE(copy.colormap().pixel(0, 0), quint8(0));
    }
    void presets()
    {
        const QList<CanvasPreset> &presets = CanvasPreset::all();
        QCOMPARE(presets.size(), 8);
        const QList<QSize> onScreen = {QSize(320, 200), QSize(320, 200), QSize(416, 200),
                                       QSize(320, 284), QSize(416, 200), QSize(320, 284),
                                       QSize(640, 200), QSize(640, 200)};
        for (int i = 0; i < presets.size(); ++i) {
            const CanvasPreset &p = presets[i];
            const Project project(p.mode, -1, -1, LayoutSpec{p.layout}, p.screens);
            QCOMPARE(QSize(int(project.width() * modePixelWidth(p.mode)), project.height()),
                     onScreen[i]);
            QCOMPARE(project.hasBorderFrame(), p.screens == 1);
        }
        QCOMPARE(QByteArray(presets[3].slot), QByteArray("newHiresTopBottomSpritesCanvas"));
    }
};

QTEST_APPLESS_MAIN(TestProject)
#include "tst_project.moc"
