#include "spriteimportoptionswidget.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

SpriteImportOptionsWidget::SpriteImportOptionsWidget(bool withPositions, QWidget *parent)
    : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Sprite attributes:"), this));
    m_attributes = new QComboBox(this);
    m_attributes->setObjectName(QStringLiteral("importSpriteAttributeCombo"));
    m_attributes->addItem(tr("Sprite Pad (color)"), qint32(SpriteAttributes::Color));
    m_attributes->addItem(tr("Ignore (use pen color)"), qint32(SpriteAttributes::Ignore));
    if (withPositions)
        m_attributes->addItem(tr("KORVEN (color + position)"),
                              qint32(SpriteAttributes::ColorPosition));
    row->addWidget(m_attributes, 1);
    connect(m_attributes, &QComboBox::currentIndexChanged, this,
            &SpriteImportOptionsWidget::conventionChanged);
}

SpriteAttributes SpriteImportOptionsWidget::convention() const
{
    return SpriteAttributes(m_attributes->currentData().toInt());
}
