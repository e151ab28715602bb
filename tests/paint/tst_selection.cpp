// Selection shapes and floating selections: random lassos against their
// outline and rectangles; random lift, move, flip and drop runs on random
// documents of every layout, which must keep every colour rule, the locked
// pixels and one history entry per drop, each flip a mirror; the clipboard
// picture and where a paste lands.

#include "../common/borderoccupancy.h"
#include "../common/paintrows.h"
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

QList<QPoint> randomPath(Dice &dice, const QRect &area, int points)
{
    QList<QPoint> path;
    for (int i = 0; i < points; ++i)
        path.append(QPoint(dice.between(area.left(), area.right()),
                           dice.between(area.top(), area.bottom())));
    return path;
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
        const QList<QPoint> path = randomPath(dice, area, dice.between(1, 9));
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
        // A lasso around a rectangle's corners is that rectangle.
        const QPoint a = path.first(), b = path.last();
        QCOMPARE(lassoRegion({a, QPoint(b.x(), a.y()), b, QPoint(a.x(), b.y())}),
                 rectangleMarquee(a, b, area));
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
                dice.chance(50)
                    ? lassoRegion(randomPath(dice, QRect(corner, QSize(60, 50)) & canvas, 6))
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
            // A flip mirrors every pixel inside the bounds, colour and all.
            const SelectionPixels lifted = f.content();
            const bool across = dice.chance(50);
            f.flip(across ? Qt::Horizontal : Qt::Vertical);
            const QRect b = lifted.bounds();
            for (const QRect &r : lifted.region)
                for (int y = r.top(); y <= r.bottom(); ++y)
                    for (int x = r.left(); x <= r.right(); ++x) {
                        const QPoint m = across ? QPoint(b.left() + b.right() - x, y)
                                                : QPoint(x, b.top() + b.bottom() - y);
                        QVERIFY(f.content().region.contains(m) &&
                                f.content().at(m.x(), m.y()) == lifted.at(x, y));
                    }
            QCOMPARE(f.content().region.boundingRect(), b);
        }
        while (p.history().canUndo())
            p.history().undo(p);
        QCOMPARE(p.colormap(), first);
    }

    void clipboardImage()
    {
        // A lasso's picture has transparent corners; multicolor doubles it.
        const QRegion triangle = lassoRegion({{10, 10}, {18, 10}, {10, 18}});
        for (const int pw : {1, 2}) {
            Project p(pw == 2 ? CanvasMode::Multicolor : CanvasMode::Hires);
            p.colormap().fillRect(QRect(10, 10, 9, 9), 7);
            const QImage image =
                SelectionPixels::take(p.colormap(), triangle).toImage(p.paletteVariant(), pw);
            QCOMPARE(image.size(), QSize(9 * pw, 9));
            for (int i = 0; i < 81 * pw; ++i)
                QCOMPARE(image.pixel(i % (9 * pw), i / (9 * pw)),
                         triangle.contains(QPoint(10 + i % (9 * pw) / pw, 10 + i / (9 * pw)))
                             ? paletteRgb(p.paletteVariant(), 7) | 0xff000000u
                             : 0u);
        }
    }

    void antsDashes_data() { addTextRows("paint/selection.txt", "ants"); }
    void antsDashes()
    {
        QFETCH(QStringList, row);
        const QLineF segment(pointFOf(row[0]), pointFOf(row[1]));
        const qreal offset = row[2].toDouble();
        QCOMPARE(std::pair(antsDashOffset(segment, false), antsDashOffset(segment, true)),
                 std::pair(offset, offset + 4));
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
        const QRect bounds(randomPath(dice, QRect(0, 0, 300, 200), 1).first(), QSize(9, 30));
        const QPoint offset = pasteOffset(bounds, view, widget, cell);
        if (view.mapRect(QRectF(bounds)).intersects(QRectF(widget))) {
            QCOMPARE(offset, QPoint());
            return;
        }
        // Off view, the float lands within half a cell of the view centre
        // on its own char-cell phase.
        QVERIFY(offset.x() % cell.width() == 0 && offset.y() % cell.height() == 0);
        const QPointF miss = QRectF(bounds).center() + QPointF(offset) -
                             view.inverted().map(QRectF(widget).center());
        QVERIFY(std::abs(miss.x()) <= cell.width() / 2.0 &&
                std::abs(miss.y()) <= cell.height() / 2.0);
    }
};

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
