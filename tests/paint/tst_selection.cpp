// Selection shapes and floating selections: random lassos against their
// outline, mirrors and rectangles; random lift, move, flip and drop runs on
// random documents of every layout, which must keep every colour rule, the
// locked pixels and one history entry per drop; the clipboard picture and
// where a paste lands.

#include "../common/borderoccupancy.h"
#include "../common/seedrows.h"
#include "randomdocument.h"

#include "paint/floatingselection.h"
#include "paint/selectiongeometry.h"

#include "document/geometry.h"
#include "document/history.h"
#include "rules/clashrules.h"

#include <QtTest>

namespace
{

QRegion randomLasso(Dice &dice, const QRect &area, int points)
{
    QList<QPoint> path;
    for (int i = 0; i < points; ++i)
        path.append(QPoint(dice.between(area.left(), area.right()),
                           dice.between(area.top(), area.bottom())));
    return lassoRegion(path);
}

int pixelCount(const QRegion &region)
{
    int n = 0;
    for (const QRect &r : region)
        n += r.width() * r.height();
    return n;
}

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void shapes_data() { addSeedRows("KORVEN_PAINT_SEEDS", 40, 2654435761u); }
    void shapes()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        const QRect area(0, 0, 40, 30);
        QList<QPoint> path;
        for (int i = dice.between(1, 9); i > 0; --i)
            path.append(QPoint(dice.below(40), dice.below(30)));
        const QRegion lasso = lassoRegion(path);
        // The outline of the lasso is always selected, the closing edge too.
        for (qsizetype i = 0; i < path.size(); ++i)
            for (QPoint p : linePixels(path[i], path[(i + 1) % path.size()]))
                QVERIFY(lasso.contains(p));
        // The outline runs exactly along the edges between selected and
        // unselected neighbours.
        qreal length = 0;
        for (const QLineF &segment : regionOutline(lasso))
            length += segment.length();
        int edges = 0;
        for (int y = -1; y <= 30; ++y)
            for (int x = -1; x <= 40; ++x)
                edges += (lasso.contains(QPoint(x, y)) != lasso.contains(QPoint(x + 1, y))) +
                         (lasso.contains(QPoint(x, y)) != lasso.contains(QPoint(x, y + 1)));
        QCOMPARE(length, qreal(edges));
        // Mirrors keep the shape's size and box; twice is the shape itself.
        for (Qt::Orientation o : {Qt::Horizontal, Qt::Vertical}) {
            const QRegion mirrored = mirrorRegion(lasso, o);
            QCOMPARE(mirrored.boundingRect(), lasso.boundingRect());
            QCOMPARE(pixelCount(mirrored), pixelCount(lasso));
            QCOMPARE(mirrorRegion(mirrored, o), lasso);
        }
        // A lasso around a rectangle's corners is that rectangle, and so is
        // the screen-aligned marquee of an upright view.
        const QPoint a(dice.below(40), dice.below(30)), b(dice.below(40), dice.below(30));
        const QRegion rect = rectangleMarquee(a, b, area);
        QCOMPARE(lassoRegion({a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())}), rect);
        const QTransform view = QTransform::fromScale(3, 2);
        QCOMPARE(screenMarquee(QPointF(a) + QPointF(0.5, 0.5),
                               view.map(QPointF(b) + QPointF(0.5, 0.5)), view, area),
                 rect);
    }

    void floats_data() { addSeedRows("KORVEN_PAINT_SEEDS", 16, 2246822519u); }
    void floats()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        Project p = randomProject(dice, true);
        const Colormap first = p.colormap();
        const QRect canvas = p.colormap().rect();
        const quint8 blank = quint8(dice.below(16));
        for (int round = 0; round < 6; ++round) {
            const QPoint corner(dice.below(canvas.width() - 8), dice.below(canvas.height() - 8));
            const QRegion selection =
                dice.chance(50) ? randomLasso(dice, QRect(corner, QSize(60, 50)) & canvas, 6)
                                : QRegion(QRect(corner, QSize(dice.between(1, 70), 40))) & canvas;
            FloatingSelection f =
                FloatingSelection::lift(p.colormap(), selection, dice.chance(30), blank);
            for (int step = dice.below(6); step > 0; --step) {
                if (dice.chance(30))
                    f.flip(dice.chance(50) ? Qt::Horizontal : Qt::Vertical);
                else
                    f.moveBy(QPoint(dice.between(-40, 40), dice.between(-30, 30)));
            }
            // The preview is exactly what the drop will record.
            Colormap preview = p.colormap();
            f.render(p, preview);
            const int nodes = p.history().nodeCount();
            const QRect changed = f.drop(p);
            QCOMPARE(p.colormap(), preview);
            QCOMPARE(p.history().nodeCount(), nodes + !changed.isEmpty());
            QVERIFY(changed.isEmpty() ||
                    p.history().nodes().constLast().kind == HistoryEntryKind::DropSelection);
            QVERIFY(!canvasHasClash(ClashContext::forSweep(p), p.colormap()));
            QVERIFY(lockedPixelsHold(p.colormap(), p.lockedRects(), p.slot(ColorSlot::Border)));
            // Two flips the same way give the pixels back.
            const SelectionPixels lifted = f.content();
            f.flip(Qt::Vertical);
            f.flip(Qt::Vertical);
            QCOMPARE(f.content().region, lifted.region);
            QCOMPARE(f.content().pixels, lifted.pixels);
        }
        while (p.history().canUndo())
            p.history().undo(p);
        QCOMPARE(p.colormap(), first);
    }

    void clipboardImage_data()
    {
        QTest::addColumn<bool>("multicolor");
        QTest::newRow("hires") << false;
        QTest::newRow("multicolor") << true;
    }
    void clipboardImage()
    {
        QFETCH(bool, multicolor);
        Project p(multicolor ? CanvasMode::Multicolor : CanvasMode::Hires);
        p.colormap().fillRect(QRect(10, 10, 9, 9), 7);
        const QRegion triangle = lassoRegion({{10, 10}, {18, 10}, {10, 18}});
        const int pw = multicolor ? 2 : 1;
        const QImage image =
            SelectionPixels::take(p.colormap(), triangle).toImage(p.paletteVariant(), pw);
        QCOMPARE(image.size(), QSize(9 * pw, 9));
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 9 * pw; ++x)
                QCOMPARE(image.pixel(x, y), triangle.contains(QPoint(10 + x / pw, 10 + y))
                                                ? paletteRgb(p.paletteVariant(), 7) | 0xff000000u
                                                : 0u);
    }

    void pasteLanding_data() { addSeedRows("KORVEN_PAINT_SEEDS", 12, 2654435761u); }
    void pasteLanding()
    {
        QFETCH(quint32, seed);
        Dice dice{QRandomGenerator(seed)};
        const QSize cell = cellSize(CanvasMode(dice.below(2)));
        QTransform view;
        view.translate(dice.between(-3000, 3000), dice.between(-3000, 3000));
        view.rotate(dice.pick({0.0, 30.0, 90.0}));
        view.scale(dice.between(1, 8), dice.between(1, 8));
        const QRect widget(0, 0, 800, 600);
        const QRect bounds(dice.below(300), dice.below(200), dice.between(1, 40),
                           dice.between(1, 40));
        const QPoint offset = pasteOffset(bounds, view, widget, cell);
        const bool inView = view.mapRect(QRectF(bounds)).intersects(QRectF(widget));
        if (inView) {
            QCOMPARE(offset, QPoint());
            return;
        }
        // Off view, the float lands within half a cell of the view centre
        // on its own char-cell phase.
        QCOMPARE(offset.x() % cell.width(), 0);
        QCOMPARE(offset.y() % cell.height(), 0);
        const QPointF centre = view.inverted().map(QPointF(400, 300));
        const QPointF landed = QRectF(bounds).center() + QPointF(offset);
        QVERIFY(std::abs(landed.x() - centre.x()) <= cell.width() / 2.0);
        QVERIFY(std::abs(landed.y() - centre.y()) <= cell.height() / 2.0);
    }
};

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
