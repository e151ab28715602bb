#include "referenceopacitydialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

ReferenceOpacityDialog::ReferenceOpacityDialog(int percent, QWidget *parent)
    : QDialog(parent), m_opening(percent)
{
    setWindowTitle(tr("Reference Layer Opacity"));
    auto *column = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Opacity:"), this));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(0, 100);
    m_slider->setValue(percent);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(25);
    m_slider->setMinimumWidth(200);
    row->addWidget(m_slider, 1);
    m_value = new QLabel(this);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(tr("%1 %").arg(100)));
    m_value->setText(tr("%1 %").arg(percent));
    row->addWidget(m_value);
    column->addLayout(row);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        m_value->setText(tr("%1 %").arg(value));
        emit opacityChanged(value);
    });
}

int ReferenceOpacityDialog::opacity() const
{
    return m_slider->value();
}

void ReferenceOpacityDialog::reject()
{
    // Cancel takes back what the slider showed meanwhile.
    if (m_slider->value() != m_opening)
        emit opacityChanged(m_opening);
    QDialog::reject();
}
