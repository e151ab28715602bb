#include "brushsettings.h"

#include <cmath>

int effectiveBrushWidth(int storedWidth, bool tabletStroke, bool pressureWidening, double pressure)
{
    if (!tabletStroke || !pressureWidening)
        return qBound(BrushSettings::MinWidth, storedWidth, BrushSettings::MaxWidth);
    const double p = qBound(0.0, pressure, 1.0);
    const int w = int(std::round(storedWidth + 16.0 * p * p));
    return qBound(BrushSettings::MinWidth, w, BrushSettings::MaxWidth);
}

NibOffset nibCentringOffset(int width, double pixelWidth, double displayAspect)
{
    if (width <= 1)
        return {};
    NibOffset offset;
    const long across = std::lround(width / pixelWidth);
    offset.x = (across < 2 || across % 2 != 0) ? 0.5 : 0.0;
    const long down = std::lround(width * displayAspect);
    offset.y = (down > 1 && down % 2 == 0) ? 0.0 : 0.5;
    return offset;
}
