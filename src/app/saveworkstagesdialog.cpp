#include "saveworkstagesdialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

const char ReductionKey[] = "saveWorkstagesDialog/reduction";
const char GeometryKey[] = "saveWorkstagesDialog/geometry";

} // namespace

SaveWorkstagesDialog::SaveWorkstagesDialog(int stageCount, QWidget *parent)
    : QDialog(parent), m_stageCount(stageCount)
{
    setWindowTitle(tr("Save Workstages"));
    auto *column = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    m_all = new QRadioButton(tr("&All Workstages"), this);
    m_subset = new QRadioButton(tr("&Subset"), this);
    auto *amount = new QButtonGroup(this);
    amount->addButton(m_all);
    amount->addButton(m_subset);
    m_subset->setChecked(true);
    m_count = new QSpinBox(this);
    m_count->setRange(1, std::max(1, stageCount));
    m_count->setValue(std::min(stageCount, 5));
    m_uniform = new QRadioButton(tr("&Uniform"), this);
    m_smart = new QRadioButton(tr("S&mart"), this);
    auto *method = new QButtonGroup(this);
    method->addButton(m_uniform);
    method->addButton(m_smart);
    (QSettings().value(QLatin1String(ReductionKey), 0).toInt() == 1 ? m_smart : m_uniform)
        ->setChecked(true);
    grid->addWidget(m_all, 0, 0);
    grid->addWidget(new QLabel(QString::number(stageCount), this), 0, 1);
    grid->addWidget(m_subset, 1, 0);
    grid->addWidget(m_count, 1, 1);
    grid->addWidget(new QLabel(tr("Reduction Method:"), this), 2, 0, Qt::AlignTop);
    auto *methods = new QVBoxLayout;
    methods->addWidget(m_uniform);
    methods->addWidget(m_smart);
    grid->addLayout(methods, 2, 1);
    column->addLayout(grid);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(buttons);
    // The subset's count and method mean something only while Subset is chosen.
    for (QWidget *w : {static_cast<QWidget *>(m_count), static_cast<QWidget *>(m_uniform),
                       static_cast<QWidget *>(m_smart)})
        connect(m_subset, &QRadioButton::toggled, w, &QWidget::setEnabled);
    restoreGeometry(QSettings().value(QLatin1String(GeometryKey)).toByteArray());
}

int SaveWorkstagesDialog::frameCount() const
{
    return m_all->isChecked() ? m_stageCount : m_count->value();
}

bool SaveWorkstagesDialog::smart() const
{
    return m_subset->isChecked() && m_smart->isChecked();
}

void SaveWorkstagesDialog::done(int result)
{
    QSettings settings;
    settings.setValue(QLatin1String(GeometryKey), saveGeometry());
    settings.setValue(QLatin1String(ReductionKey), m_smart->isChecked() ? 1 : 0);
    QDialog::done(result);
}
