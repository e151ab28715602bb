#include "openprojectdialog.h"

#include "history/projectpreview.h"

OpenProjectDialog::OpenProjectDialog(QWidget *parent, const QString &directory,
                                     PaletteVariant palette)
    : ImportFileDialog(
          parent, tr("Open Project"), directory,
          tr("KORVEN Project (*.%1);;All Files (*)").arg(QLatin1String(ProjectFileExtension))),
      m_palette(palette)
{
    refreshPreview(QString());
}

QString OpenProjectDialog::noFileText() const
{
    return tr("Select a project to preview it.");
}

QImage OpenProjectDialog::previewFor(const QString &path, QString &info) const
{
    ProjectPreviewInfo preview;
    if (!readProjectPreview(path, preview, info))
        return {};
    const QImage picture = ProjectPreview::previewPicture(preview, m_palette);
    info = ProjectPreview::previewMetadata(preview, picture.size());
    return picture;
}
