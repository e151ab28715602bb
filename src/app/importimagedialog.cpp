#include "importimagedialog.h"

#include "imageimportoptionswidget.h"

#include "exchange/nativeformats.h"

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

QString ImportImageDialog::problemWith(const QByteArray &bytes, CanvasMode mode, NativeImage &image)
{
    QString error;
    if (!NativeFormats::recognizeAndDecode(bytes, 0, image, error))
        return error;
    const CanvasMode format = NativeFormats::formatMode(image.format);
    if (format == mode)
        return {};
    const QString name = NativeFormats::formatName(image.format);
    return format == CanvasMode::Hires
               ? tr("%1 is a hires format; this canvas is multicolor.").arg(name)
               : tr("%1 is a multicolor format; this canvas is hires.").arg(name);
}

QImage ImportImageDialog::previewFor(const QString &path, QString &info) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        info = file.errorString();
        return {};
    }
    NativeImage image;
    info = problemWith(file.readAll(), m_mode, image);
    if (image.format == 0)
        return {};
    if (info.isEmpty())
        info = NativeFormats::formatName(image.format);
    return NativeFormats::previewImage(image, m_palette);
}
