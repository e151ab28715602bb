#pragma once

#include "document/canvastypes.h"

#include <QString>

class MainWindow;

// Import Image: a native C64 picture chosen by the artist, checked against
// the canvas and placed on one of its screens as one edit.
class ImageImportFlow
{
public:
    explicit ImageImportFlow(MainWindow &window) : m_window(window) {}

    void run();

private:
    // A picture of the other mode: asks to start a canvas of `mode` for it;
    // false when the artist declined or kept the old document.
    bool offerCanvasOfMode(CanvasMode mode, const QString &problem);

    MainWindow &m_window;
};
