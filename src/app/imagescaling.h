#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class QWidget;

// The question asked when a picture is not the canvas's on-screen size, and
// the scaling that follows the answer.
namespace ImageScaling
{

struct Answer {
    bool accepted = false;
    bool keepAspect = true;
};

Answer askScaling(QWidget *parent, const QString &fileName, QSize imageSize, QSize canvasSize,
                  const QString &marginWord);

// A new premultiplied ARGB image of `target` filled with `margin`, the
// picture stretched over it or fitted and centred keeping its aspect ratio.
QImage scaleToCanvas(const QImage &image, QSize target, bool keepAspect, const QColor &margin,
                     bool smooth);

// The setting general/smoothImageScaling.
bool smoothScalingEnabled();

} // namespace ImageScaling
