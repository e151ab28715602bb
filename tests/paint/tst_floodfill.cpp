// Flood fills and contours: the contour bands of one-pixel brushes against
// their definition, and random clicks on random documents, whose areas must
// match a plain walk and which must keep every colour rule and undo back to
// the first colormap.

#include "../common/borderoccupancy.h"
#include "../common/seedrows.h"
#include "desk.h"
#include "randomdocument.h"

#include "paint/floodfill.h"

#include "document/history.h"
#include "document/project.h"
#include "rules/clashrules.h"

#include <QRandomGenerator>
#include <QtTest>

namespace
{

// The 4-connected area of the start's colour, by a plain walk.
Pixels walkRegion(const Project &p, QPoint start)
{
    const Colormap &map = p.colormap();
    const quint8 colour = map.pixel(start.x(), start.y());
    const auto open = [&](int x, int y) { return !p.isLocked(x, y) && map.pixel(x, y) == colour; };
    return open(start.x(), start.y())
               ? reach(pixelsWhere(map.rect(), open), {start.x(), start.y()}, false)
               : Pixels();
}

Pixels maskPixels(const Project &p, const QImage &mask)
{
    const int pw = mask.width() / p.width();
    return pixelsWhere(p.colormap().rect(),
                       [&](int x, int y) { return mask.constScanLine(y)[x * pw] != 0; });
}

} // namespace

class TestFloodFill : public QObject
{
    Q_OBJECT

private slots:
    void thinContours()
    {
        Desk desk(CanvasMode::Multicolor);
        Project &p = desk.project;
        // A shape with a notch, running into the left rim, and a diagonal neighbour.
        p.colormap().fillRect(QRect(0, 8, 20, 10), 2);
        p.colormap().fillRect(QRect(6, 8, 3, 4), 0);
        p.colormap().setPixel(20, 18, 2);
        FloodFill fill(desk.renderer);
        for (const QPoint click : {QPoint(12, 12), QPoint(100, 100)}) {
            const Pixels region = walkRegion(p, click);
            for (const int placement : {0, 1, 2}) {
                QVERIFY(!fill.buildBand(p, p.colormap(), click, BrushSettings(),
                                        ContourPlacement(placement), false)
                             .isEmpty());
                const Pixels expected = pixelsWhere(p.colormap().rect(), [&](int x, int y) {
                    const bool in = region.contains({x, y});
                    bool edge = false;
                    for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
                        edge |= p.colormap().rect().contains(QPoint(x, y) + d) &&
                                region.contains({x + d.x(), y + d.y()}) != in;
                    return edge && in == (placement != 1);
                });
                QCOMPARE(maskPixels(p, fill.bandMask()), expected);
            }
        }
    }
    void symmetricCopies_data() { addSeedRows("KORVEN_PAINT_SEEDS", 12, 97u); }
    void symmetricCopies()
    {
        // Every copy of a symmetric fill or contour finds its area on the
        // canvas as it was before the click: the result is the union of the
        // copies each done alone on the untouched canvas.
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Desk desk(CanvasMode::Multicolor);
        Project &p = desk.project;
        for (int i = dice.between(1, 4); i > 0; --i)
            p.colormap().fillRect(QRect(dice.between(20, 120), dice.between(30, 150),
                                        dice.between(4, 40), dice.between(4, 40)),
                                  2);
        FloodFill fill(desk.renderer);
        FillSettings s;
        s.brush.setWidth(dice.between(1, 4));
        s.placement = ContourPlacement(dice.below(3));
        const bool contour = dice.chance(75);
        s.transforms = symmetryTransforms(
            SymmetryMode(dice.between(1, 5)),
            SymmetryAxes{dice.between(150, 250), dice.between(120, 200)}, 2, 1.0);
        const QPoint at(dice.between(20, 140), dice.between(30, 170));
        const Project untouched = p;
        Colormap expected = p.colormap();
        for (const SymmetryTransform &copy : s.transforms) {
            Project alone = untouched;
            FillSettings one = s;
            one.transforms.clear();
            fill.apply(alone, one, copy.mapPixel(at), contour, {3, 0});
            for (int y = 0; y < p.height(); ++y)
                for (int x = 0; x < p.width(); ++x)
                    if (alone.colormap().pixel(x, y) != untouched.colormap().pixel(x, y))
                        expected.setPixel(x, y, alone.colormap().pixel(x, y));
        }
        fill.apply(p, s, at, contour, {3, 0});
        QCOMPARE(p.colormap(), expected);
    }
    void randomClicks_data() { addSeedRows("KORVEN_PAINT_SEEDS", 12, 2246822519u); }
    void randomClicks()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Project p = randomProject(dice, true);
        const Colormap first = p.colormap();
        StrokeRenderer renderer;
        renderer.prepare(p);
        FloodFill fill(renderer);
        const QList<Texture> sheet = Texture::fromStripFile(textureSheetPath(false));
        int recorded = 0;
        for (int i = 0; i < 10; ++i) {
            FillSettings s;
            s.brush.setWidth(dice.between(1, 8));
            s.brush.antialiased = dice.below(2);
            s.brush.shape = BrushShape(dice.below(2));
            s.placement = ContourPlacement(dice.below(3));
            if (dice.chance(33))
                s.texture = sheet[dice.below(int(sheet.size()))];
            s.textureMode = TextureMode(dice.below(2));
            s.transforms =
                symmetryTransforms(SymmetryMode(dice.below(6)), SymmetryAxes::centreOf(p.size()),
                                   int(p.view().pixelWidth()), p.view().displayAspect());
            // Half the clicks near the right rim, where locked pixels lie.
            const int x = i % 2 ? p.width() - 1 - dice.below(12) : dice.below(p.width());
            const QPoint at(x, dice.below(p.height()));
            QImage mask(StrokeRenderer::maskSize(p), QImage::Format_Alpha8);
            const QRect bounds = searchRegion(p, p.colormap(), at, mask);
            const Pixels region = walkRegion(p, at);
            QCOMPARE(bounds.isEmpty(), region.isEmpty());
            QVERIFY(bounds.isEmpty() || maskPixels(p, mask) == region);
            const bool ctrl = dice.below(2);
            // Now and then the click's own colour, which must change nothing.
            const bool own = dice.below(4) == 0;
            const quint8 color = own ? p.colormap().pixel(at.x(), at.y()) : quint8(dice.below(16));
            if (own) {
                s.texture = Texture();
                s.transforms.clear();
            }
            const Colormap before = p.colormap();
            const FillCommit c = fill.apply(p, s, at, ctrl, {color, quint8(dice.below(16))});
            QCOMPARE(c.recorded, before != p.colormap());
            QVERIFY(!(own && !FloodFill::isContour(p, ctrl)) || !c.recorded);
            const QRect diff = Colormap::difference(before, p.colormap());
            QVERIFY(diff.isEmpty() || c.changed.contains(diff));
            QVERIFY(!canvasHasClash(ClashContext::forSweep(p), p.colormap()));
            QVERIFY(lockedPixelsHold(p.colormap(), p.lockedRects(), p.slot(ColorSlot::Border)));
            recorded += c.recorded;
            QCOMPARE(p.history().nodeCount(), recorded);
        }
        while (p.history().canUndo())
            p.history().undo(p);
        QCOMPARE(p.colormap(), first);
    }
};

// A width-1 band is the area's own border pixels for Center and Inside and
// the ring just outside it for Outside; the canvas rim is never an edge.
QTEST_GUILESS_MAIN(TestFloodFill)
#include "tst_floodfill.moc"
