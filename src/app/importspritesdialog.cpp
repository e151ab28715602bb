#include "importspritesdialog.h"

#include "spriteimportoptionswidget.h"

#include <QFile>

ImportSpritesDialog::ImportSpritesDialog(QWidget *parent, const QString &directory,
                                         const Project &project, quint8 penColor)
    : ImportFileDialog(parent, tr("Import Sprites"), directory,
                       tr("Sprite Files (*.prg *.pmap);;All Files (*)")),
      m_project(project), m_penColor(penColor)
{
    m_options = new SpriteImportOptionsWidget(
        project.layout() == CanvasLayout::TopBottomBorderSprites, this);
    addOption(m_options);
    connect(m_options, &SpriteImportOptionsWidget::conventionChanged, this,
            [this] { refreshPreview(previewedPath()); });
    refreshPreview(QString());
}

SpriteAttributes ImportSpritesDialog::convention() const
{
    return m_options->convention();
}

QImage ImportSpritesDialog::previewFor(const QString &path, QString &info) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        info = file.errorString();
        return {};
    }
    QList<QByteArray> sprites;
    if (!SpriteFile::readSpriteFile(file.readAll(), sprites, info))
        return {};
    info = SpriteFile::capacityProblem(m_project, sprites.size());
    if (!info.isEmpty())
        return {};
    info = tr("%n sprite(s)", nullptr, int(sprites.size()));
    return SpriteFile::spriteSheetPreview(m_project, sprites, m_options->convention(), m_penColor);
}
