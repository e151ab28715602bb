#include "importimagedialog.h"

#include "imageimportoptionswidget.h"

#include "exchange/nativeformats.h"
#include "exchange/nativeimport.h"

#include <QFile>

ImportImageDialog::ImportImageDialog(QWidget *parent, const QString &directory,
                                     PaletteVariant palette, CanvasMode mode, int screens)
    : ImportFileDialog(parent, tr("Import Image"), directory, tr("All Files (*)")),
      m_palette(palette), m_mode(mode)
{
    if (screens > 1) {
        m_options = new ImageImportOptionsWidget(screens, this);
        addOption(m_options);
    }
    refreshPreview(QString());
}

int ImportImageDialog::targetScreen() const
{
    return m_options ? m_options->targetScreen() : 0;
}

QImage ImportImageDialog::previewFor(const QString &path, QString &info) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        info = file.errorString();
        return {};
    }
    NativeImage image;
    info = NativeImport::problemWith(file.readAll(), 0, m_mode, image);
    if (image.format == 0)
        return {};
    if (info.isEmpty())
        info = NativeFormats::formatName(image.format);
    return NativeFormats::previewImage(image, m_palette);
}
