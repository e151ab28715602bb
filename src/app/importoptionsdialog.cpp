#include "importoptionsdialog.h"

#include "imageimportoptionswidget.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

ImportOptionsDialog::ImportOptionsDialog(int screens, QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Import Image"));
    auto *column = new QVBoxLayout(this);
    m_options = new ImageImportOptionsWidget(screens, this);
    column->addWidget(m_options);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
}

int ImportOptionsDialog::targetScreen() const
{
    return m_options->targetScreen();
}
