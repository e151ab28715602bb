#pragma once

#include <QLabel>

// A label that never asks for the width of its text: the layout decides its
// width, and the text is cut short with an ellipsis to fit. When cut, the
// whole text becomes the tooltip.
class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QString fullText() const { return m_fullText; }
    void setFullText(const QString &text);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void elide();

    QString m_fullText;
};
