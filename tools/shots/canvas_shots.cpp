// Shows a CanvasArea for each canvas preset at best fit with the reference
// grids and safe frames on and some artwork in the colormap, and saves a
// grab of each to a folder (default /tmp/shots). Not a test: a look at the
// canvas as the artist sees it. Run with QT_QPA_PLATFORM=offscreen or under X.
//
//   canvas_shots [folder]

#include "canvas/canvasarea.h"
#include "paint/paintsettings.h"

#include "document/canvaspreset.h"
#include "document/geometry.h"
#include "document/project.h"

#include <QApplication>
#include <QDir>
#include <cmath>
#include <cstdio>

namespace
{

// Concentric rings of the 16 colours around the canvas centre, with the
// C64's blue screen colours in the slots.
void paintArtwork(Project &project)
{
    project.setSlot(ColorSlot::Border, 14);
    project.setSlot(ColorSlot::Background, 6);
    const double cx = project.width() / 2.0;
    const double cy = project.height() / 2.0;
    const double pw = modePixelWidth(project.mode());
    for (int y = 0; y < project.height(); ++y)
        for (int x = 0; x < project.width(); ++x) {
            const double d = std::hypot((x + 0.5 - cx) * pw, y + 0.5 - cy);
            project.colormap().setPixel(x, y, quint8(int(d / 9.0) % 16));
        }
    project.repaintLockedPixels();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/shots"));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(out.path()));
        return 1;
    }
    for (const CanvasPreset &preset : CanvasPreset::all()) {
        LayoutSpec layout;
        layout.layout = preset.layout;
        Project project(preset.mode, -1, -1, layout, preset.screens);
        paintArtwork(project);
        PaintSettings paint;
        CanvasArea canvas(project, paint);
        canvas.resize(1280, 800);
        canvas.show();
        QApplication::processEvents();
        canvas.reloadProject();
        canvas.setGridVisible(true);
        canvas.setPixelGridVisible(true);
        canvas.setSafeFramesVisible(true);
        const QString path =
            out.filePath(QString::fromLatin1(preset.slot) + QStringLiteral(".png"));
        if (!canvas.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s: %s, zoom %.3f\n", qPrintable(path), preset.text,
                    canvas.viewTransform().zoom());
    }
    return 0;
}
