#pragma once

#include <QPoint>
#include <QString>

class Project;

// What the status bar shows besides the document itself: the brush and the
// canvas pixel under the pointer. The canvas view reports these.
struct StatusInputs {
    bool roundBrush = true;
    int penWidth = 1;
    bool hoverValid = false;
    QPoint hoverPixel;
    int stagedShapes = 0;
};

// The texts of the status bar's eight value fields.
struct StatusFields {
    QString mode;
    QString size;
    QString aspect;
    QString brush;
    QString zoom;
    QString rotation;
    QString charCell;
    QString sprite;
    // Empty while no shapes are staged.
    QString stage;
};

// Pure builders of the status bar texts, so they can be checked without a window.
namespace StatusTexts
{

QString modeText(const Project &project);
QString sizeText(const Project &project);
QString aspectText(double displayAspect);
QString brushText(bool roundBrush, int penWidth);
QString zoomText(double zoom);
QString rotationText(double degrees);
QString stageText(int stagedShapes);

// The char cell and sprite under a canvas pixel: "--" when the pixel lies
// in no drawable region or is not valid.
struct HoverTexts {
    QString charCell;
    QString sprite;
};
HoverTexts hoverTexts(const Project &project, bool valid, QPoint pixel);

StatusFields fields(const Project &project, const StatusInputs &inputs);

} // namespace StatusTexts
