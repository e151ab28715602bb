#pragma once

#include <QCoreApplication>
#include <QRect>
#include <QString>

class QWidget;

// How the window greets an artist who has never used it: a size that fits
// the screen with room for every dashboard, and a line that says how to begin.
class FirstStart
{
    Q_DECLARE_TR_FUNCTIONS(FirstStart)

public:
    // Three quarters of the available area, never below the window's
    // minimum nor beyond the area, centred in it.
    static QRect windowGeometry(const QRect &available, const QSize &minimum);
    // Places a window that has no saved geometry on its screen.
    static void placeWindow(QWidget *window);
    // The status bar's line until the first edit.
    static QString hint();
};
