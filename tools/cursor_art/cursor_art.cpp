// Paints the canvas cursors as 24 x 24 PNGs: a white body with a black
// outline, so each reads on light and on dark artwork. The hotspots the
// canvas uses are marked in comments next to each drawing.
//
//   cursor_art <output folder>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cstdio>

namespace
{

constexpr int Size = 24;

QImage blank()
{
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Outlines a path twice: a wide black stroke underneath, then the white body.
void drawOutlined(QPainter &p, const QPainterPath &path, qreal outline = 2.0)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.strokePath(path, QPen(Qt::black, outline * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, Qt::white);
}

// Pen, hotspot (3, 20): nib tip at the lower left.
QImage pen()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath body;
    body.moveTo(3.5, 20.5);
    body.lineTo(5.0, 15.0);
    body.lineTo(16.0, 4.0);
    body.lineTo(20.0, 8.0);
    body.lineTo(9.0, 19.0);
    body.closeSubpath();
    drawOutlined(p, body, 1.5);
    p.setPen(QPen(Qt::black, 1.0));
    p.drawLine(QPointF(5.0, 15.0), QPointF(9.0, 19.0));
    p.drawLine(QPointF(14.0, 6.0), QPointF(18.0, 10.0));
    return image;
}

// Crosshair, hotspot (11, 11): a gap at the centre keeps the pixel visible.
QImage crosshair()
{
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QList<QRect> arms = {QRect(10, 1, 3, 8), QRect(10, 14, 3, 8), QRect(1, 10, 8, 3),
                               QRect(14, 10, 8, 3)};
    for (const QRect &arm : arms)
        p.fillRect(arm, Qt::black);
    for (const QRect &arm : arms)
        p.fillRect(arm.adjusted(1, 1, -1, -1), Qt::white);
    p.fillRect(QRect(11, 11, 1, 1), Qt::black);
    return image;
}

// Drag (move), hotspot (2, 2): an arrow with a four-way cross.
QImage drag()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath arrow;
    arrow.moveTo(2.5, 2.5);
    arrow.lineTo(2.5, 14.0);
    arrow.lineTo(5.5, 11.0);
    arrow.lineTo(8.0, 16.0);
    arrow.lineTo(10.0, 15.0);
    arrow.lineTo(7.5, 10.0);
    arrow.lineTo(11.5, 10.0);
    arrow.closeSubpath();
    drawOutlined(p, arrow, 1.0);
    QPainterPath cross;
    const QPointF c(16.5, 16.5);
    cross.moveTo(c + QPointF(0, -6));
    cross.lineTo(c + QPointF(2.5, -3.5));
    cross.lineTo(c + QPointF(1, -3.5));
    cross.lineTo(c + QPointF(1, -1));
    cross.lineTo(c + QPointF(3.5, -1));
    cross.lineTo(c + QPointF(3.5, -2.5));
    cross.lineTo(c + QPointF(6, 0));
    cross.lineTo(c + QPointF(3.5, 2.5));
    cross.lineTo(c + QPointF(3.5, 1));
    cross.lineTo(c + QPointF(1, 1));
    cross.lineTo(c + QPointF(1, 3.5));
    cross.lineTo(c + QPointF(2.5, 3.5));
    cross.lineTo(c + QPointF(0, 6));
    cross.lineTo(c + QPointF(-2.5, 3.5));
    cross.lineTo(c + QPointF(-1, 3.5));
    cross.lineTo(c + QPointF(-1, 1));
    cross.lineTo(c + QPointF(-3.5, 1));
    cross.lineTo(c + QPointF(-3.5, 2.5));
    cross.lineTo(c + QPointF(-6, 0));
    cross.lineTo(c + QPointF(-3.5, -2.5));
    cross.lineTo(c + QPointF(-3.5, -1));
    cross.lineTo(c + QPointF(-1, -1));
    cross.lineTo(c + QPointF(-1, -3.5));
    cross.lineTo(c + QPointF(-2.5, -3.5));
    cross.closeSubpath();
    drawOutlined(p, cross, 1.0);
    return image;
}

// Eraser, hotspot (4, 18): the lower-left corner of the rubber's edge.
QImage eraser()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath body;
    body.moveTo(4.0, 18.0);
    body.lineTo(14.0, 4.0);
    body.lineTo(21.0, 9.0);
    body.lineTo(11.0, 23.0);
    body.lineTo(4.0, 23.0);
    body.closeSubpath();
    // The body is drawn shifted so its working corner meets the hotspot.
    drawOutlined(p, body.translated(0, -3), 1.5);
    QPainterPath tip;
    tip.moveTo(4.0, 15.0);
    tip.lineTo(8.3, 9.0);
    tip.lineTo(15.3, 14.0);
    tip.lineTo(11.0, 20.0);
    tip.lineTo(4.0, 20.0);
    tip.closeSubpath();
    p.fillPath(tip, Qt::black);
    p.fillRect(QRectF(4, 18, 1, 1), Qt::black);
    return image;
}

// Fill (bucket), hotspot (18, 19): the tip of the pouring drop.
QImage fill()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath bucket;
    bucket.moveTo(3.0, 10.0);
    bucket.lineTo(10.0, 3.0);
    bucket.lineTo(17.0, 10.0);
    bucket.lineTo(10.0, 17.0);
    bucket.closeSubpath();
    drawOutlined(p, bucket, 1.5);
    p.setPen(QPen(Qt::black, 1.2));
    p.drawLine(QPointF(6.5, 10.0), QPointF(13.5, 10.0));
    QPainterPath drop;
    drop.moveTo(18.0, 11.0);
    drop.cubicTo(QPointF(20.5, 15.0), QPointF(20.0, 19.5), QPointF(18.0, 19.5));
    drop.cubicTo(QPointF(16.0, 19.5), QPointF(15.5, 15.0), QPointF(18.0, 11.0));
    p.setRenderHint(QPainter::Antialiasing, true);
    p.strokePath(drop, QPen(Qt::white, 2.0));
    p.fillPath(drop, Qt::black);
    return image;
}

// Pan (open hand), hotspot (12, 12): the palm's centre.
QImage pan()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(6.5, 10.5, 12.0, 10.0), 3.0, 3.0);
    const qreal fingers[4][2] = {{7.0, 5.0}, {10.0, 2.5}, {13.0, 2.5}, {16.0, 4.5}};
    for (const auto &f : fingers)
        hand.addRoundedRect(QRectF(f[0], f[1], 2.8, 11.0), 1.4, 1.4);
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(0, 0, 2.8, 8.0), 1.4, 1.4);
    hand.addPath(QTransform().translate(3.0, 12.0).rotate(-40).map(thumb));
    hand = hand.simplified();
    drawOutlined(p, hand, 1.2);
    p.setPen(QPen(Qt::black, 0.8));
    for (const auto &f : fingers)
        p.drawLine(QPointF(f[0] + 2.9, f[1] + 6.0), QPointF(f[0] + 2.9, 11.5));
    return image;
}

// Picker (dropper), hotspot (3, 20): the dropper's tip.
QImage picker()
{
    QImage image = blank();
    QPainter p(&image);
    QPainterPath tube;
    tube.moveTo(3.5, 20.5);
    tube.lineTo(4.0, 17.0);
    tube.lineTo(13.0, 8.0);
    tube.lineTo(16.0, 11.0);
    tube.lineTo(7.0, 20.0);
    tube.closeSubpath();
    drawOutlined(p, tube, 1.3);
    QPainterPath bulb;
    bulb.addEllipse(QPointF(17.5, 6.5), 3.6, 3.6);
    QPainterPath collar;
    collar.moveTo(11.5, 8.0);
    collar.lineTo(15.5, 4.0);
    collar.lineTo(20.0, 8.5);
    collar.lineTo(16.0, 12.5);
    collar.closeSubpath();
    QPainterPath top = bulb.united(collar);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.strokePath(top, QPen(Qt::white, 2.0));
    p.fillPath(top, Qt::black);
    return image;
}

// Rotate, hotspot (11, 11): a circular arrow around the centre dot.
QImage rotate()
{
    QImage image = blank();
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath arc;
    arc.arcMoveTo(QRectF(3.5, 3.5, 16, 16), 120);
    arc.arcTo(QRectF(3.5, 3.5, 16, 16), 120, 270);
    p.strokePath(arc, QPen(Qt::black, 5.0, Qt::SolidLine, Qt::FlatCap));
    p.strokePath(arc, QPen(Qt::white, 2.2, Qt::SolidLine, Qt::FlatCap));
    // Arrow head at the arc's start, pointing along it.
    QPainterPath head;
    const QPointF s = arc.pointAtPercent(0.0);
    head.moveTo(s + QPointF(-4.5, -2.0));
    head.lineTo(s + QPointF(3.5, -3.5));
    head.lineTo(s + QPointF(0.5, 4.0));
    head.closeSubpath();
    drawOutlined(p, head, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(QPointF(11.5, 11.5), 2.2, 2.2);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(11.5, 11.5), 1.0, 1.0);
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cursor_art <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QList<std::pair<const char *, QImage>> cursors = {
        {"pen", pen()},       {"crosshair", crosshair()}, {"drag", drag()},
        {"eraser", eraser()}, {"fill", fill()},           {"pan", pan()},
        {"picker", picker()}, {"rotate", rotate()},
    };
    for (const auto &[name, image] : cursors) {
        const QString path = out.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
