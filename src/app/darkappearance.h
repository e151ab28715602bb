#pragma once

#include <QPalette>
#include <QString>

class QApplication;

// The program's dark look: the Fusion style with a dark application palette,
// the dark style sheet over it and rounded, shadowless menus.
class DarkAppearance
{
public:
    static constexpr char StyleSheetPath[] = ":/styles/dark.qss";

    static QPalette palette();
    // The style sheet's text; empty, with a warning, when it cannot be read.
    static QString styleSheet(const QString &path = QLatin1String(StyleSheetPath));
    // Sets the style, the palette and the style sheet on the application and
    // installs the menu filter; call before any window exists. Without the
    // style sheet the Fusion style with the dark palette remains.
    static void apply(QApplication &app,
                      const QString &styleSheetPath = QLatin1String(StyleSheetPath));
};
