#pragma once

#include "nativeformats.h"

#include <QCoreApplication>
#include <QRect>

class Project;

// Bringing a classic C64 paint file into a canvas: the checks that can refuse
// it and the one undoable edit that places it.
class NativeImport
{
    Q_DECLARE_TR_FUNCTIONS(NativeImport)

public:
    // Recognises and decodes `bytes` (or reads them as `forcedFormat`, 1 to 9)
    // for a canvas of `mode`; returns the reason it cannot be imported, empty
    // when `image` holds the picture.
    static QString problemWith(const QByteArray &bytes, int forcedFormat, CanvasMode mode,
                               NativeImage &image);
    // Places the picture into screen `screen` of the bitmap, cut to the
    // bitmap, as one ImportImage edit; returns the changed rectangle.
    static QRect importInto(Project &project, const NativeImage &image, int screen);
};
