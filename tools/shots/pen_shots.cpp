// Draws a scripted set of pen strokes on a multicolor canvas (160 x 200 double-wide pixels) through
// real mouse events (anti-aliased curves, textures in both modes, kaleidoscope symmetry, a Shift
// line and an eraser stroke) and saves a grab of the canvas, with the brush preview under the
// pointer. Not a test: a look at the pen as the artist sees it. Run under X or with
// QT_QPA_PLATFORM=offscreen.
//
//   pen_shots [file.png]

#include "canvas/canvasarea.h"
#include "paint/paintsettings.h"

#include "document/project.h"
#include "paint/texture.h"

#include <QApplication>
#include <QMouseEvent>
#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

void send(CanvasArea &canvas, QEvent::Type type, QPointF canvasPoint, Qt::MouseButton button,
          Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF pos = canvas.viewTransform().toWidget(canvasPoint);
    QMouseEvent event(type, pos, canvas.mapToGlobal(pos), button, buttons, modifiers);
    QApplication::sendEvent(&canvas, &event);
}

// One stroke along path(t) for t in 0..1.
void stroke(CanvasArea &canvas, const std::function<QPointF(double)> &path, int steps = 120,
            Qt::MouseButton button = Qt::LeftButton)
{
    send(canvas, QEvent::MouseButtonPress, path(0.0), button, button);
    for (int i = 1; i <= steps; ++i)
        send(canvas, QEvent::MouseMove, path(double(i) / steps), Qt::NoButton, button);
    send(canvas, QEvent::MouseButtonRelease, path(1.0), button, Qt::NoButton);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString file =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/pen_strokes.png");

    Project project(CanvasMode::Multicolor);
    project.setSlot(ColorSlot::Background, 6);
    project.setSlot(ColorSlot::Border, 14);
    project.colormap().fill(6);
    PaintSettings paint;
    CanvasArea canvas(project, paint);
    canvas.resize(1280, 800);
    canvas.show();
    QApplication::processEvents();
    canvas.reloadProject();
    const QList<Texture> textures = Texture::fromStripFile(textureSheetPath(true));

    // Top left: anti-aliased round curves in white and light blue.
    paint.setAntialiasedStrokes(true);
    paint.setPenWidth(10);
    paint.setPenIndex(1);
    stroke(canvas, [](double t) { return QPointF(8 + 60 * t, 40 + 25 * std::sin(t * 6.3)); });
    paint.setPenIndex(14);
    paint.setPenWidth(6);
    stroke(canvas, [](double t) { return QPointF(8 + 60 * t, 75 + 15 * std::cos(t * 9.0)); });
    paint.setAntialiasedStrokes(false);

    // Bottom left: wide square strokes with textures, two-colour then stencil.
    paint.setBrushShape(BrushShape::Square);
    paint.setPenWidth(24);
    if (textures.size() > 4) {
        paint.setTexture(textures[4]);
        paint.setTextureMode(TextureMode::TwoColor);
        paint.setPenIndex(7);
        paint.setSecondaryIndex(2);
        stroke(canvas, [](double t) { return QPointF(10 + 55 * t, 120); });
        paint.setTexture(textures[textures.size() / 2]);
        paint.setTextureMode(TextureMode::Stencil);
        paint.setPenIndex(13);
        stroke(canvas, [](double t) { return QPointF(10 + 55 * t, 160 + 10 * std::sin(t * 12)); });
    }
    paint.setTexture(Texture::solid());
    paint.setBrushShape(BrushShape::Round);

    // Right half: a kaleidoscope flower about (120, 100).
    paint.setSymmetryMode(int(SymmetryMode::Kaleidoscope));
    paint.setSymmetryAxes({200, 240});
    paint.setPenWidth(4);
    paint.setPenIndex(7);
    stroke(canvas,
           [](double t) { return QPointF(120 + 4 + 30 * t, 100 - 30 * std::sin(t * 3.1)); });
    paint.setPenIndex(1);
    paint.setAntialiasedStrokes(true);
    paint.setPenWidth(8);
    stroke(
        canvas, [](double t) { return QPointF(120 + 10 + 12 * t, 100 + 12 * t); }, 40);
    paint.setAntialiasedStrokes(false);
    paint.setSymmetryMode(int(SymmetryMode::None));

    // A one-pixel Shift line from the last stroke's end, then an eraser cut.
    paint.setPenWidth(2);
    paint.setPenIndex(10);
    send(canvas, QEvent::MouseButtonPress, QPointF(150.5, 190.5), Qt::LeftButton, Qt::LeftButton);
    send(canvas, QEvent::MouseButtonRelease, QPointF(150.5, 190.5), Qt::LeftButton, Qt::NoButton);
    send(canvas, QEvent::MouseButtonPress, QPointF(90.5, 190.5), Qt::LeftButton, Qt::LeftButton,
         Qt::ShiftModifier);
    send(canvas, QEvent::MouseButtonRelease, QPointF(90.5, 190.5), Qt::LeftButton, Qt::NoButton,
         Qt::ShiftModifier);
    canvas.setEraserTool(true);
    paint.setPenWidth(6);
    stroke(
        canvas, [](double t) { return QPointF(38, 20 + 80 * t); }, 40);
    canvas.setEraserTool(false);

    // Leave the pointer hovering with a wide brush so its preview shows.
    paint.setPenWidth(16);
    paint.setPenIndex(5);
    send(canvas, QEvent::MouseMove, QPointF(40.5, 140.5), Qt::NoButton, Qt::NoButton);
    QApplication::processEvents();

    const QImage shot = canvas.grab().toImage();
    if (!shot.save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s: %d history entries\n", qPrintable(file), project.history().nodeCount());
    return 0;
}
