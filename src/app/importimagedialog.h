#pragma once

#include "importfiledialog.h"

#include "document/canvastypes.h"
#include "document/palette.h"

class ImageImportOptionsWidget;
struct NativeImage;

// Import Image: the highlighted C64 picture in the canvas's palette, its
// format named, and on a canvas of several screens the screen to fill.
class ImportImageDialog : public ImportFileDialog
{
    Q_OBJECT

public:
    ImportImageDialog(QWidget *parent, const QString &directory, PaletteVariant palette,
                      CanvasMode mode, int screens);

    int targetScreen() const;

protected:
    QImage previewFor(const QString &path, QString &info) const override;

private:
    PaletteVariant m_palette;
    CanvasMode m_mode;
    ImageImportOptionsWidget *m_options = nullptr;
};
