#pragma once

#include <QImage>

class Colormap;
class Project;
class QPainter;

// The artwork as a picture file shows it: the colormap through the
// project's palette, optionally inside its border frame, multicolor pixels
// as wide as on screen. Shared by the window, the workstage export and the
// command line.
class PictureExport
{
public:
    // `pixels` is the project's colormap or one of its workstages;
    // `frameColor` fills the border frame when `withBorders` is set.
    static QImage exportImage(const Project &project, const Colormap &pixels, bool withBorders,
                              quint8 frameColor);
    static QImage exportImage(const Project &project, bool withBorders);
    // Fills the border frame around the canvas as the machine shows it,
    // painting in colormap pixels; nothing when the canvas has no frame.
    static void paintFrame(QPainter &painter, const Project &project, quint8 frameColor);
};
