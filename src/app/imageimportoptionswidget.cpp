#include "imageimportoptionswidget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

ImageImportOptionsWidget::ImageImportOptionsWidget(int screens, QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Target screen:"), this));
    m_screens = new QComboBox(this);
    m_screens->setObjectName(QStringLiteral("importTargetScreenCombo"));
    for (int screen = 1; screen <= screens; ++screen)
        m_screens->addItem(tr("Screen %1").arg(screen));
    row->addWidget(m_screens, 1);
}

int ImageImportOptionsWidget::targetScreen() const
{
    return m_screens->currentIndex();
}
