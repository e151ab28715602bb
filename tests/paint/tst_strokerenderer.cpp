// Single strokes whose exact outcome the random stroke test cannot know.

#include "../common/paintrows.h"
#include "desk.h"

#include "paint/brushsettings.h"
#include "rules/clashrules.h"

#include <QRandomGenerator>
#include <QtTest>

namespace
{

// The number of pixels that differ from 0.
int countPainted(const Colormap &map)
{
    return int(map.bytes().size() - map.bytes().count('\0'));
}

// The offset of q from the nearest point of the segment from p0 along d.
QPointF fromSegment(QPointF q, QPointF p0, QPointF d)
{
    const double l2 = QPointF::dotProduct(d, d);
    return q -
           (p0 + (l2 > 0 ? std::clamp(QPointF::dotProduct(q - p0, d) / l2, 0.0, 1.0) : 0.0) * d);
}

} // namespace

class TestStrokeRenderer : public QObject
{
    Q_OBJECT

private slots:
    void dabPerClick_data() { addTextRows("paint/strokerenderer.txt", "dab"); }
    void dabPerClick()
    {
        QFETCH(QStringList, row);
        Desk desk(CanvasMode(row[0].toInt()), row[1].toInt());
        desk.settings.brush.shape = BrushShape(row[2].toInt());
        const QPoint p(60, 100);
        QVERIFY(desk.click(p).recorded);
        const QRect bounds =
            Colormap::difference(Colormap(desk.project.width(), 200), desk.project.colormap());
        QCOMPARE(countPainted(desk.project.colormap()), row[3].toInt());
        QCOMPARE(bounds.size(), QSize(pointOf(row[4]).x(), pointOf(row[4]).y()));
        QVERIFY(bounds.contains(p));
    }
    void pixelPerfectCorner()
    {
        // A mouse stroke drops the corner of a right-then-down turn; a light
        // tablet stroke with widening on stays width 1 but is plainly strict.
        for (const auto &[tablet, widening] :
             {std::pair{false, true}, {true, false}, {true, true}}) {
            Desk desk(CanvasMode::Hires);
            desk.settings.brush.pixelPerfect = true;
            desk.settings.pressureWidening = widening;
            desk.stroke({{10, 10}, {11, 10}, {11, 11}}, {1, 0}, PenEvent{{}, tablet, 0.1});
            QCOMPARE(desk.at(11, 10), quint8(tablet && widening));
            QVERIFY(desk.at(10, 10) && desk.at(11, 11));
            QCOMPARE(countPainted(desk.project.colormap()), tablet && widening ? 3 : 2);
        }
    }
    void textures_data() { addTextRows("paint/strokerenderer.txt", "texture"); }
    void textures()
    {
        QFETCH(QStringList, row);
        const QPoint centre = pointOf(row[3]);
        Desk desk(CanvasMode(row[0].toInt()), 8);
        desk.settings.brush.shape = BrushShape::Square;
        std::array<quint16, 16> rows;
        rows.fill(quint16(row[1].toUInt(nullptr, 0)));
        desk.settings.texture = Texture(rows);
        desk.settings.textureMode = row[2] == u'1' ? TextureMode::TwoColor : TextureMode::Stencil;
        desk.click(centre, {1, 2});
        // Every row of the dab as `row[4]`, which reaches a pixel beyond each side.
        const int left = centre.x() - (row[4].size() - 2) / 2 - 1;
        for (int y = centre.y() - 5; y <= centre.y() + 4; ++y)
            for (int i = 0; i < row[4].size(); ++i)
                QCOMPARE(desk.at(left + i, y),
                         quint8(qAbs(2 * (y - centre.y()) + 1) < 8 ? row[4][i].digitValue() : 0));
    }
    void spriteBudget()
    {
        // Six of eight sprite columns of the top border occupied: under Enforce
        // a stroke opens two more columns, then stops; under Flag it goes on.
        for (const bool enforce : {true, false}) {
            Desk desk(CanvasMode::Hires, 1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
            desk.project.setSpriteCountPolicy(SpriteCountPolicy(!enforce));
            for (int c = 0; c < 6; ++c)
                desk.project.colormap().setPixel(c * 24 + 3, 40, 1);
            desk.stroke({QPoint(0, 20), QPoint(319, 20)});
            for (int x = 0; x < 320; ++x)
                QCOMPARE(desk.at(x, 20), quint8(x < 8 * 24 || !enforce));
        }
    }
    void antialiasing()
    {
        // Soft edges in multicolor only; going back over a segment within one
        // stroke keeps its edges, as coverage does not add up.
        for (const CanvasMode mode : {CanvasMode::Multicolor, CanvasMode::Hires}) {
            Desk there(mode, 8), andBack(mode, 8);
            there.settings.brush.antialiased = andBack.settings.brush.antialiased = true;
            there.stroke({QPoint(20, 40), QPoint(90, 70)});
            andBack.stroke({QPoint(20, 40), QPoint(90, 70), QPoint(20, 40)});
            QCOMPARE(andBack.project.colormap(), there.project.colormap());
            const QByteArray bytes = there.project.colormap().bytes();
            QCOMPARE(bytes.count('\0') + bytes.count('\1') < bytes.size(),
                     mode == CanvasMode::Multicolor);
        }
    }
    void antialiasedEdgeCoverage_data() { addTextRows("paint/strokerenderer.txt", "edge"); }
    void antialiasedEdgeCoverage()
    {
        QFETCH(QStringList, row);
        const QPoint pixel = pointOf(row[1]);
        Desk desk(CanvasMode::Hires, row[0].toInt());
        const QPoint c(20, 20);
        QVERIFY(desk.segment(c, c, true, BrushShape::Round).contains(c));
        QCOMPARE(int(desk.renderer.mask().constScanLine(pixel.y())[pixel.x()]), row[2].toInt());
    }
    void samplesAtAnyAngle()
    {
        // Random segments, both modes and nibs, the first anti-aliased ones
        // long and axis-aligned. Anti-aliased on an upright
        // view, every sample follows the coverage rule: full within half the
        // width less half a pixel of the segment's nearest point (the larger
        // axis distance for a square nib), empty beyond half the width plus
        // half a pixel, a ramp between; and full on every pixel the one-pixel
        // pen paints between the same pixels (its centre within half a unit
        // of the line between their centres, or on the strict line), so the
        // stroke never thins below it. Hard-edged, at any aspect and nib
        // turn, a pixel is painted exactly when its centre, in display units
        // and turned into the nib's frame, lies inside the nib swept along the
        // segment: within half the width of the segment (round), or of some
        // point of it along both frame axes (square).
        for (const bool aa : {true, false}) {
            QRandomGenerator dice(aa ? 7 : 11);
            for (int n = 0; n < (aa ? 60 : 80); ++n) {
                const int width = 2 + dice.bounded(aa ? 30 : 31);
                const BrushShape shape = n % 4 < 2 ? BrushShape::Round : BrushShape::Square;
                Desk desk(CanvasMode(n % 2), width);
                const double aspect = aa || n % 3 == 0 ? 1.0 : 0.9375;
                desk.project.view().setDisplayAspect(aspect);
                const double nibAngle = aa || n % 5 == 0 ? 0.0 : dice.bounded(360.0);
                const int spread = aa ? 20 : 30;
                const QPoint a(spread + dice.bounded(40), 40 + dice.bounded(60));
                QPoint b = a + QPoint(dice.bounded(2 * spread + 1) - spread,
                                      dice.bounded(2 * spread + 1) - spread);
                if (aa && n < 8) // long and straight across or down, in both modes and nibs
                    b = a + (n < 4 ? QPoint(90, 0) : QPoint(0, 90));
                const QRect box = desk.segment(a, b, aa, shape, nibAngle);
                const QImage &mask = desk.renderer.mask();
                const double pw = desk.project.view().pixelWidth();
                const NibOffset off = nibCentringOffset(width, pw, aspect);
                const double rad = nibAngle * M_PI / 180.0;
                // Display units, turned into the nib's frame.
                const auto turned = [&](double x, double y) {
                    const double fx = x * pw, fy = y / aspect;
                    return QPointF(fx * std::cos(rad) - fy * std::sin(rad),
                                   fx * std::sin(rad) + fy * std::cos(rad));
                };
                const QPointF p0 = turned(a.x() + off.x, a.y() + off.y);
                const QPointF d = turned(b.x() + off.x, b.y() + off.y) - p0;
                const double r = width / 2.0 + 1e-6;
                const auto where = [&](int x, int y) {
                    return QString::asprintf("%s segment %d: sample %d,%d",
                                             aa ? "anti-aliased" : "hard-edged", n, x, y)
                        .toUtf8();
                };
                if (aa) {
                    const int steps = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
                    const QPointF c0((a.x() + 0.5) * pw, a.y() + 0.5),
                        cd = QPointF((b - a).x() * pw, (b - a).y());
                    Pixels thin = pixelsWhere(box, [&](int x, int y) {
                        const QPointF q = fromSegment(QPointF((x + 0.5) * pw, y + 0.5), c0, cd);
                        return std::hypot(q.x(), q.y()) <= 0.5 + 1e-6;
                    });
                    for (int i = 0; i <= steps; ++i) {
                        const double t = steps ? double(i) / steps : 0.0;
                        thin.insert({a.x() + int(std::round(t * (b.x() - a.x()))),
                                     a.y() + int(std::round(t * (b.y() - a.y())))});
                    }
                    for (int y = box.top(); y <= box.bottom(); ++y)
                        for (int k = box.left() * int(pw); k < (box.right() + 1) * int(pw); ++k) {
                            const QPointF q = fromSegment(QPointF(k + 0.5, y + 0.5), p0, d);
                            const double dist = shape == BrushShape::Square
                                                    ? std::max(std::abs(q.x()), std::abs(q.y()))
                                                    : std::hypot(q.x(), q.y());
                            const double e = r + 0.5 - dist;
                            const int expected = e > 1.0 || thin.contains({k / int(pw), y}) ? 255
                                                 : e >= 0.0 ? int(std::round(255.0 * e))
                                                            : 0;
                            QVERIFY2(mask.constScanLine(y)[k] == expected, where(k, y));
                        }
                    continue;
                }
                // The distance along the larger axis to the nearest point of
                // the segment: the smallest of a convex piecewise-linear
                // function, found at an end, a kink of either axis or where
                // the axes cross.
                const auto squareDistance = [&](QPointF q) {
                    const QPointF u = q - p0;
                    double best = std::numeric_limits<double>::infinity();
                    for (double t :
                         {0.0, 1.0, u.x() / d.x(), u.y() / d.y(), (u.x() - u.y()) / (d.x() - d.y()),
                          (u.x() + u.y()) / (d.x() + d.y())}) {
                        // Dividing by zero gives an end (an infinity clamps to 0 or 1) or no
                        // number.
                        const QPointF e = u - std::clamp(std::isnan(t) ? 0.0 : t, 0.0, 1.0) * d;
                        best = std::min(best, std::max(std::abs(e.x()), std::abs(e.y())));
                    }
                    return best;
                };
                const int bytes = mask.width() / desk.project.width();
                int painted = 0;
                const QRect around = box.adjusted(-2, -2, 2, 2) & desk.project.colormap().rect();
                for (int y = around.top(); y <= around.bottom(); ++y)
                    for (int x = around.left(); x <= around.right(); ++x) {
                        const QPointF q = turned(x + 0.5, y + 0.5), e = fromSegment(q, p0, d);
                        const bool inside = shape == BrushShape::Square
                                                ? squareDistance(q) <= r
                                                : QPointF::dotProduct(e, e) <= r * r;
                        const bool onMask = box.contains(x, y) && mask.constScanLine(y)[x * bytes];
                        painted += onMask;
                        QVERIFY2(onMask == inside, where(x, y));
                    }
                QVERIFY(painted > 0);
            }
        }
    }
    void symmetryCopiesMirrorTheDab()
    {
        // Each copy paints the mirror image of the dab, a turned nib included;
        // the multicolor nib is centred across but not down.
        for (const auto &[mode, width] :
             {std::pair{CanvasMode::Hires, 7}, {CanvasMode::Multicolor, 6}}) {
            Desk one(mode, width), all(mode, width);
            one.settings.brush.shape = BrushShape::Square;
            one.settings.viewRotation = 30;
            all.settings = one.settings;
            all.settings.transforms = symmetryTransforms(SymmetryMode::Quadrant,
                                                         SymmetryAxes::centreOf(all.project.size()),
                                                         int(all.project.view().pixelWidth()), 1.0);
            one.click(QPoint(30, 40));
            all.click(QPoint(30, 40));
            Colormap expected = one.project.colormap();
            for (int i = 0; i < expected.width() * expected.height(); ++i)
                for (const SymmetryTransform &t : all.settings.transforms)
                    if (const QPoint p(i % expected.width(), i / expected.width());
                        one.at(p.x(), p.y()))
                        expected.setPixel(t.mapPixel(p).x(), t.mapPixel(p).y(), 1);
            QVERIFY(countPainted(one.project.colormap()) > width);
            QCOMPARE(all.project.colormap(), expected);
        }
    }
    void externalMask()
    {
        // Contours and shapes hand their own mask to the same pixel loop: any
        // non-zero byte of a colormap pixel's display bytes covers it.
        Desk desk(CanvasMode::Multicolor);
        QImage mask(StrokeRenderer::maskSize(desk.project), QImage::Format_Alpha8);
        mask.fill(0);
        mask.scanLine(5)[3 * 2 + 1] = 1; // the second display byte of (3, 5)
        mask.scanLine(6)[9 * 2] = 200;
        mask.scanLine(7)[40 * 2] = 255; // outside the bounds below
        PaintPass pass = desk.renderer.beginEdit(desk.project);
        const QRect changed =
            desk.renderer.paintMask(pass, mask, QRect(0, 0, 20, 20), {1, 0}, false, Texture(),
                                    TextureMode::Stencil, nullptr);
        QVERIFY(changed == QRect(QPoint(3, 5), QPoint(9, 6)) && pass.changed() == changed);
        QVERIFY(countPainted(desk.project.colormap()) == 2 && desk.at(3, 5) && desk.at(9, 6));
    }
};

QTEST_GUILESS_MAIN(TestStrokeRenderer)
#include "tst_strokerenderer.moc"
