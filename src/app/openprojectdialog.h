#pragma once

#include "importfiledialog.h"

#include "document/palette.h"

// Open Project with the saved picture and its description beside the list.
class OpenProjectDialog : public ImportFileDialog
{
    Q_OBJECT

public:
    OpenProjectDialog(QWidget *parent, const QString &directory, PaletteVariant palette);

protected:
    QImage previewFor(const QString &path, QString &info) const override;
    QString noFileText() const override;

private:
    PaletteVariant m_palette;
};
