#include "newcanvasdialog.h"

#include "document/canvassizerules.h"
#include "document/geometry.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace Rules = CanvasSizeRules;

NewCanvasDialog::NewCanvasDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("New Canvas"));
    auto *column = new QVBoxLayout(this);

    const auto addRadio = [this](QButtonGroup *group, QLayout *box, const QString &text, int id) {
        auto *button = new QRadioButton(text, this);
        group->addButton(button, id);
        box->addWidget(button);
        button->setChecked(id == 0);
    };
    auto *modeBox = new QGroupBox(tr("Mode"), this);
    auto *modeLayout = new QVBoxLayout(modeBox);
    m_modes = new QButtonGroup(this);
    addRadio(m_modes, modeLayout, tr("&Hires"), int(CanvasMode::Hires));
    addRadio(m_modes, modeLayout, tr("&Multicolor"), int(CanvasMode::Multicolor));

    auto *layoutBox = new QGroupBox(tr("Layout"), this);
    auto *layoutLayout = new QVBoxLayout(layoutBox);
    m_layouts = new QButtonGroup(this);
    addRadio(m_layouts, layoutLayout, tr("&Bitmap only"), int(CanvasLayout::BitmapOnly));
    addRadio(m_layouts, layoutLayout, tr("Side-border &sprites"),
             int(CanvasLayout::SideBorderSprites));
    addRadio(m_layouts, layoutLayout, tr("&Top/bottom-border sprites"),
             int(CanvasLayout::TopBottomBorderSprites));
    auto *screensForm = new QFormLayout;
    m_screens = new QSpinBox(this);
    m_screens->setRange(1, Rules::MaxScreens);
    screensForm->addRow(tr("Screens &across:"), m_screens);
    layoutLayout->addLayout(screensForm);

    auto *sizeBox = new QGroupBox(tr("Canvas Size"), this);
    auto *sizeForm = new QFormLayout(sizeBox);
    m_width = new QSpinBox(this);
    m_height = new QSpinBox(this);
    m_displaySize = new QLabel(this);
    m_displaySize->setObjectName(QStringLiteral("displaySize"));
    sizeForm->addRow(tr("&Width:"), m_width);
    sizeForm->addRow(tr("H&eight:"), m_height);
    sizeForm->addRow(m_displaySize);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QWidget *part : {static_cast<QWidget *>(modeBox), static_cast<QWidget *>(layoutBox),
                          static_cast<QWidget *>(sizeBox), static_cast<QWidget *>(buttons)})
        column->addWidget(part);

    const QSize start = defaultCanvasSize(CanvasMode::Hires, {}, 1);
    m_width->setRange(1, Rules::MaxSize);
    m_height->setRange(1, Rules::MaxSize);
    m_width->setValue(start.width());
    m_height->setValue(start.height());
    updateForLayout();

    connect(m_modes, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            updateForLayout();
    });
    connect(m_layouts, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on)
            updateForLayout();
    });
    connect(m_screens, &QSpinBox::valueChanged, this, &NewCanvasDialog::updateForLayout);
    for (QSpinBox *box : {m_width, m_height}) {
        connect(box, &QSpinBox::valueChanged, this, &NewCanvasDialog::updateDisplaySizeLabel);
        connect(box, &QSpinBox::editingFinished, this, [this, box] { snapEdited(box); });
    }
}

CanvasMode NewCanvasDialog::mode() const
{
    return CanvasMode(m_modes->checkedId());
}

CanvasLayout NewCanvasDialog::layout() const
{
    return CanvasLayout(m_layouts->checkedId());
}

int NewCanvasDialog::screensAcross() const
{
    return m_screens->value();
}

QSize NewCanvasDialog::canvasSize() const
{
    LayoutSpec spec;
    spec.layout = layout();
    if (spec.isSpriteLayout())
        return defaultCanvasSize(mode(), spec, screensAcross());
    return {Rules::snapWidth(m_width->value(), mode()), Rules::snapHeight(m_height->value())};
}

void NewCanvasDialog::updateForLayout()
{
    const CanvasMode newMode = mode();
    const QSignalBlocker blockWidth(m_width), blockHeight(m_height), blockScreens(m_screens);
    int width = m_width->value();
    int height = m_height->value();
    // The on-screen width stays when the pixel shape changes.
    if (newMode != m_shownMode)
        width = Rules::rescaleWidth(width, m_shownMode, newMode);

    LayoutSpec spec;
    spec.layout = layout();
    const bool sprites = spec.isSpriteLayout();
    if (sprites)
        m_screens->setValue(1);
    m_screens->setEnabled(!sprites);
    const int screens = m_screens->value();
    const QSize preset = defaultCanvasSize(newMode, spec, screens);
    if (sprites || m_shownSprites) {
        // A sprite layout has one size, and leaving it offers a bitmap's.
        width = preset.width();
        height = preset.height();
    } else if (screens > 1 || screens != m_shownScreens) {
        // The screens decide the width; the height typed stays.
        width = preset.width();
    }
    m_width->setEnabled(!sprites && screens == 1);
    m_height->setEnabled(!sprites);

    m_width->setRange(Rules::minimumWidth(newMode), Rules::MaxSize);
    m_width->setSingleStep(Rules::widthStep(newMode));
    m_height->setRange(Rules::minimumHeight(), Rules::MaxSize);
    m_height->setSingleStep(Rules::heightStep());
    // A sprite layout's size is exact hardware geometry (284 lines with the
    // top and bottom borders), shown as it is rather than rounded to cells.
    m_width->setValue(sprites ? width : Rules::snapWidth(width, newMode));
    m_height->setValue(sprites ? height : Rules::snapHeight(height));
    m_shownMode = newMode;
    m_shownScreens = screens;
    m_shownSprites = sprites;
    updateDisplaySizeLabel();
}

void NewCanvasDialog::snapEdited(QSpinBox *box)
{
    box->setValue(box == m_width ? Rules::snapWidth(box->value(), mode())
                                 : Rules::snapHeight(box->value()));
}

void NewCanvasDialog::updateDisplaySizeLabel()
{
    m_displaySize->setText(tr("%1 × %2 pixels on screen")
                               .arg(Rules::onScreenWidth(m_width->value(), mode()))
                               .arg(m_height->value()));
}
