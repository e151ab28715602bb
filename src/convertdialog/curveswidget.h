#pragma once

#include "conversion/curvesmodel.h"
#include "conversion/imagehistogram.h"

#include <QWidget>

// The converter's curve editor: the selected channel's control points over
// the picture's histogram, with all four curves drawn.
class CurvesWidget : public QWidget
{
    Q_OBJECT

public:
    // Points keep this many levels apart from their neighbours.
    static constexpr int Gap = 7;

    explicit CurvesWidget(QWidget *parent = nullptr);

    const CurvesModel &curves() const { return m_curves; }
    void setHistogram(const ImageHistogram &histogram);
    int channel() const { return m_channel; }
    bool logarithmicScale() const { return m_logarithmic; }

    // The plot square, and the mapping between curve values and widget points.
    QRect plotRect() const;
    QPointF widgetPoint(QPoint curvePoint) const;
    QPoint curvePoint(QPointF widgetPoint) const;

    QSize sizeHint() const override { return QSize(280, 280); }
    QSize minimumSizeHint() const override { return QSize(140, 140); }

public slots:
    void setChannel(int channel);
    void setLogarithmicScale(bool logarithmic);
    void resetCurves();

signals:
    void curvesChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int pointAt(QPointF position) const;
    // The histogram height fraction f as drawn, with the logarithmic scale applied.
    double scaled(double fraction) const;
    void paintHistogram(QPainter &painter) const;

    CurvesModel m_curves;
    ImageHistogram m_histogram;
    int m_channel = CurvesModel::Master;
    bool m_logarithmic = true;
    int m_dragged = -1;
};
