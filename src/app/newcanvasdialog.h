#pragma once

#include "document/canvastypes.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QSpinBox;

// New Canvas: mode, layout, screens across and, for bitmap-only canvases,
// a free size in whole char cells.
class NewCanvasDialog : public QDialog
{
    Q_OBJECT

public:
    explicit NewCanvasDialog(QWidget *parent = nullptr);

    CanvasMode mode() const;
    CanvasLayout layout() const;
    int screensAcross() const;
    // In colormap pixels: the snapped size for bitmap only, else the layout's own.
    QSize canvasSize() const;

public slots:
    void updateForLayout();
    void updateDisplaySizeLabel();

private:
    void snapEdited(QSpinBox *box);

    QButtonGroup *m_modes = nullptr;
    QButtonGroup *m_layouts = nullptr;
    QSpinBox *m_screens = nullptr;
    QSpinBox *m_width = nullptr;
    QSpinBox *m_height = nullptr;
    QLabel *m_displaySize = nullptr;
    CanvasMode m_shownMode = CanvasMode::Hires;
    int m_shownScreens = 1;
    bool m_shownSprites = false;
};
