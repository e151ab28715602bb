#pragma once

#include <QDialog>

// Asks for an import's options after the system chooser picked the file.
class ImportOptionsDialog : public QDialog
{
    Q_OBJECT

public:
    // Takes over `options`, shown above OK and Cancel.
    ImportOptionsDialog(const QString &title, QWidget *options, QWidget *parent = nullptr);
};
