#pragma once

#include <QImage>

// A picture brought to `target`: stretched over it, or fitted inside it
// keeping its aspect ratio and centred on `margin`; smooth or sharp filtering.
QImage fitToCanvas(const QImage &image, QSize target, bool keepAspect, QRgb margin, bool smooth);
