#pragma once

#include <QDialog>

class ImageImportOptionsWidget;

// Asks for the target screen after the system chooser picked a picture.
class ImportOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    ImportOptionsDialog(int screens, QWidget *parent = nullptr);

    int targetScreen() const;

private:
    ImageImportOptionsWidget *m_options = nullptr;
};
