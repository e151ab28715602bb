#pragma once

#include "exchange/spritefile.h"

#include <QWidget>

class QComboBox;

// How an imported sheet's attribute bytes are read.
class SpriteImportOptionsWidget : public QWidget
{
    Q_OBJECT

public:
    // The position convention is offered on top/bottom-border canvases only.
    SpriteImportOptionsWidget(bool withPositions, QWidget *parent = nullptr);

    SpriteAttributes convention() const;

signals:
    void conventionChanged();

private:
    QComboBox *m_attributes = nullptr;
};
