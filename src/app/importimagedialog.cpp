#include "importimagedialog.h"

#include "exchange/nativeformats.h"

#include <QComboBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>

ImportImageDialog::ImportImageDialog(QWidget *parent, const QString &directory,
                                     PaletteVariant palette, CanvasMode mode, int screens)
    : ImportFileDialog(parent, tr("Import Image"), directory, tr("All Files (*)")),
      m_palette(palette), m_mode(mode)
{
    if (screens > 1) {
        auto *option = new QWidget(this);
        auto *row = new QHBoxLayout(option);
        row->setContentsMargins(0, 0, 0, 0);
        row->addWidget(new QLabel(tr("Target screen:"), option));
        m_screens = new QComboBox(option);
        m_screens->setObjectName(QStringLiteral("importTargetScreenCombo"));
        for (int screen = 1; screen <= screens; ++screen)
            m_screens->addItem(tr("Screen %1").arg(screen));
        row->addWidget(m_screens, 1);
        addOption(option);
    }
    refreshPreview(QString());
}

int ImportImageDialog::targetScreen() const
{
    return m_screens ? m_screens->currentIndex() : 0;
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
