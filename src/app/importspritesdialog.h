#pragma once

#include "importfiledialog.h"

#include "document/project.h"
#include "exchange/spritefile.h"

class SpriteImportOptionsWidget;

// The own chooser of Import Sprites: the highlighted sheet decoded in the
// canvas's colours, with the attribute convention beside it.
class ImportSpritesDialog : public ImportFileDialog
{
    Q_OBJECT

public:
    ImportSpritesDialog(QWidget *parent, const QString &directory, const Project &project,
                        quint8 penColor);

    SpriteAttributes convention() const;

protected:
    QImage previewFor(const QString &path, QString &info) const override;

private:
    const Project &m_project;
    quint8 m_penColor;
    SpriteImportOptionsWidget *m_options = nullptr;
};
