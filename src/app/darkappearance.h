#pragma once

#include <QPalette>

class QApplication;

// The program's dark look: the Fusion style with a dark application palette.
class DarkAppearance
{
public:
    static QPalette palette();
    // Sets the style and the palette on the application; call before any
    // window exists.
    static void apply(QApplication &app);
};
