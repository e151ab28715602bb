#pragma once

#include "document/colormap.h"

#include <QTransform>
#include <QWidget>

class Project;

// The converter's live result: the canvas, in its border frame when it has
// one, with the reference grid, scaled to fit.
class ConversionPreviewWidget : public QWidget
{
    Q_OBJECT

public:
    // `project` gives geometry, slots and palette; it outlives the widget.
    explicit ConversionPreviewWidget(const Project &project, QWidget *parent = nullptr);

    void setResult(const Colormap &result);
    const Colormap &result() const { return m_result; }
    // Colormap pixels to widget points.
    QTransform pictureTransform() const;

    QSize sizeHint() const override { return QSize(400, 300); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect pictureRect() const;

    const Project &m_project;
    Colormap m_result;
};
