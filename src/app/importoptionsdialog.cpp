#include "importoptionsdialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

ImportOptionsDialog::ImportOptionsDialog(const QString &title, QWidget *options, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(title);
    auto *column = new QVBoxLayout(this);
    options->setParent(this);
    column->addWidget(options);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}
