#pragma once

#include <QDialog>

class QLabel;
class QSlider;

// The reference layer's opacity, applied to the canvas while the slider moves.
class ReferenceOpacityDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ReferenceOpacityDialog(int percent, QWidget *parent = nullptr);

    int opacity() const;

signals:
    void opacityChanged(int percent);

public slots:
    void reject() override;

private:
    int m_opening;
    QSlider *m_slider = nullptr;
    QLabel *m_value = nullptr;
};
