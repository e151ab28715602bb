#include "statusbarfields.h"

#include "elidedlabel.h"
#include "firststart.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "paint/paintsettings.h"

#include <QHBoxLayout>
#include <QMainWindow>
#include <QStatusBar>

StatusBarFields::StatusBarFields(QMainWindow *window, const Project &project, CanvasArea *canvas)
    : QObject(window), m_project(project), m_canvas(canvas)
{
    auto *container = new QWidget(window);
    auto *layout = new QHBoxLayout(container);
    layout->setContentsMargins(0, 0, 0, 0);

    const auto addField = [&](const char *name, int stretch) {
        auto *label = new ElidedLabel(container);
        label->setObjectName(QLatin1String(name));
        label->setContentsMargins(6, 0, 6, 0);
        layout->addWidget(label, stretch);
        return label;
    };
    m_modeLabel = addField("statusMode", 3);
    m_sizeLabel = addField("statusSize", 2);
    m_aspectLabel = addField("statusAspect", 2);
    m_brushLabel = addField("statusBrush", 2);
    m_zoomLabel = addField("statusZoom", 2);
    m_rotationLabel = addField("statusRotation", 2);
    m_charLabel = addField("statusChar", 2);
    m_spriteLabel = addField("statusSprite", 2);
    m_messageLabel = addField("statusMessage", 3);
    // Shown only while shapes wait on the stage.
    m_stageLabel = addField("statusStage", 2);
    m_stageLabel->hide();

    window->statusBar()->addPermanentWidget(container, 1);

    m_messageTimer.setSingleShot(true);
    connect(&m_messageTimer, &QTimer::timeout, this,
            [this] { m_messageLabel->setFullText(QString()); });
}

void StatusBarFields::showStartHint()
{
    if (m_project.history().nodeCount() > 0)
        return;
    m_startHint = FirstStart::hint();
    m_messageLabel->setFullText(m_startHint);
}

void StatusBarFields::documentStateChanged()
{
    if (!m_startHint.isEmpty() && m_project.history().nodeCount() > 0)
        endStartHint();
}

void StatusBarFields::endStartHint()
{
    // Another message may have taken its place already.
    if (m_messageLabel->fullText() == m_startHint)
        m_messageLabel->setFullText(QString());
    m_startHint.clear();
}

void StatusBarFields::canvasStatusChanged()
{
    StatusInputs inputs = m_inputs;
    inputs.roundBrush = m_canvas->paintSettings().brushSettings().shape == BrushShape::Round;
    inputs.penWidth = m_canvas->paintSettings().brushSettings().width;
    inputs.hoverValid = m_canvas->isHoverValid();
    inputs.hoverPixel = m_canvas->hoverPixel();
    setInputs(inputs);
}

void StatusBarFields::showMessage(const QString &text, int milliseconds)
{
    m_messageLabel->setFullText(text);
    m_messageTimer.start(milliseconds);
}

void StatusBarFields::setInputs(const StatusInputs &inputs)
{
    m_inputs = inputs;
    update();
}

void StatusBarFields::setStagedShapes(int count)
{
    if (m_inputs.stagedShapes == count)
        return;
    m_inputs.stagedShapes = count;
    update();
}

void StatusBarFields::update()
{
    const StatusFields fields = StatusTexts::fields(m_project, m_inputs);
    m_modeLabel->setFullText(fields.mode);
    m_sizeLabel->setFullText(fields.size);
    m_aspectLabel->setFullText(fields.aspect);
    m_brushLabel->setFullText(fields.brush);
    m_zoomLabel->setFullText(fields.zoom);
    m_rotationLabel->setFullText(fields.rotation);
    m_charLabel->setFullText(fields.charCell);
    m_spriteLabel->setFullText(fields.sprite);
    m_stageLabel->setFullText(fields.stage);
    m_stageLabel->setVisible(!fields.stage.isEmpty());
}
