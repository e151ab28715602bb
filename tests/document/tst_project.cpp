#include "../common/paintrows.h"

#include "document/canvaspreset.h"
#include "document/colorslotinfo.h"
#include "document/geometry.h"
#include "document/project.h"

namespace
{

Project projectOf(const QStringList &row, int screens = 1)
{
    const QPoint size = pointOf(row[2]);
    return Project(CanvasMode(row[0].toInt()), size.x(), size.y(),
                   LayoutSpec{CanvasLayout(row[1].toInt())}, screens);
}

} // namespace

class TestProject : public QObject
{
    Q_OBJECT

private slots:
    void construction_data() { addTextRows("document/project.txt", "construct"); }
    void construction()
    {
        QFETCH(QStringList, row);
        const Project project = projectOf(row, row[3].toInt());
        const QPoint size = pointOf(row[4]);
        QCOMPARE(project.screensAcross(), row[5].toInt());
        QCOMPARE(project.colormap(), Colormap(size.x(), size.y()));
        QCOMPARE(project.spriteCountPolicy(), SpriteCountPolicy::Flag);
        QCOMPARE(project.hiresClashResolution(), HiresClashResolution::ReplaceOverwritten);
    }
    void lockedPixelsHoldBorder()
    {
        // Hires side canvases lock the last 8 columns and the first 48 pixels of line 0.
        Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        project.colormap().fill(3);
        project.setSlot(ColorSlot::Border, 6);
        QCOMPARE(project.repaintLockedPixels(), QRect(0, 0, 416, 200));
        Colormap expected(416, 200);
        expected.fill(3);
        expected.fillRect(QRect(408, 0, 8, 200), 6);
        expected.fillRect(QRect(0, 0, 48, 1), 6);
        QCOMPARE(project.colormap(), expected);
        for (int y = 0; y < 200; y += 3)
            for (int x = 0; x < 416; ++x)
                QCOMPARE(project.isLocked(x, y), expected.pixel(x, y) == 6);

        // No other canvas locks anything.
        for (const auto &[mode, layout] :
             {std::pair{CanvasMode::Multicolor, CanvasLayout::SideBorderSprites},
              std::pair{CanvasMode::Hires, CanvasLayout::TopBottomBorderSprites},
              std::pair{CanvasMode::Hires, CanvasLayout::BitmapOnly}})
            QVERIFY(Project(mode, -1, -1, LayoutSpec{layout}).lockedRects().isEmpty());
    }
    void visibleSlots_data() { addTextRows("document/project.txt", "slots"); }
    void visibleSlots()
    {
        QFETCH(QStringList, row);
        QList<int> shown;
        for (ColorSlot s : projectOf(row).visibleSlots())
            shown.append(int(s));
        QCOMPARE(shown, intsOf(row[3]));
    }
    void slotLabels()
    {
        using I = ColorSlotInfo;
        const auto top = CanvasLayout::TopBottomBorderSprites;
        QCOMPARE((QStringList{I::label(ColorSlot::Border, CanvasLayout::BitmapOnly),
                              I::label(ColorSlot::Border, top), I::iconName(ColorSlot::Border, top),
                              I::iconName(ColorSlot::BottomMulticolor1, top),
                              I::toolTip(ColorSlot::TopBackground, top)}),
                 (QStringList{"Border", "Side borders", "col_sideborders",
                              "col_lowerborder_spriteglobal2",
                              "Top border background\nLeft-click: assign primary color, "
                              "right-click: secondary."}));
    }
    void screens()
    {
        Project project(CanvasMode::Multicolor, -1, -1, LayoutSpec{}, 3);
        QCOMPARE(
            (QList<QRect>{project.screenRect(0), project.screenRect(2), project.screenRect(3)}),
            (QList<QRect>{QRect(0, 0, 160, 200), QRect(320, 0, 160, 200), QRect()}));
        QVERIFY(!project.isScreenDrawnOn(0));
        project.colormap().fill(5); // one colour everywhere is still an empty screen
        project.colormap().setPixel(479, 199, 2);
        QCOMPARE((QList<bool>{project.isScreenDrawnOn(1), project.isScreenDrawnOn(2)}),
                 (QList<bool>{false, true}));

        const Project side(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        QCOMPARE(side.screenRect(0), QRect(48, 0, 312, 200));
    }
    void presets()
    {
        QList<QSize> sizes;
        for (const CanvasPreset &p : CanvasPreset::all())
            sizes << Project(p.mode, -1, -1, LayoutSpec{p.layout}, p.screens).size();
        QCOMPARE(sizes, (QList<QSize>{QSize(320, 200), QSize(160, 200), QSize(416, 200),
                                      QSize(320, 284), QSize(208, 200), QSize(160, 284),
                                      QSize(640, 200), QSize(320, 200)}));
    }
};

QTEST_APPLESS_MAIN(TestProject)
#include "tst_project.moc"
