#pragma once

#include "statustexts.h"

#include <QObject>
#include <QTimer>

class CanvasArea;
class ElidedLabel;
class Project;
class QMainWindow;

// The main window's status bar: the value fields filled from the document
// and what the canvas reports, the transient message field, and the hint on
// how to begin that stays until the first edit.
class StatusBarFields : public QObject
{
    Q_OBJECT

public:
    // Builds the fields into the window's status bar.
    StatusBarFields(QMainWindow *window, const Project &project, CanvasArea *canvas);

    // A transient message in the last field, cleared after the time.
    void showMessage(const QString &text, int milliseconds);
    const StatusInputs &inputs() const { return m_inputs; }
    void setInputs(const StatusInputs &inputs);
    // The count of staged shapes, shown in a field of its own while non-zero.
    void setStagedShapes(int count);
    // Refills the value fields.
    void update();
    // The brush and the pixel under the pointer, as the canvas reports them.
    void canvasStatusChanged();
    void showStartHint();
    // The hint goes with the first recorded edit.
    void documentStateChanged();

private:
    void endStartHint();

    const Project &m_project;
    CanvasArea *m_canvas;
    StatusInputs m_inputs;
    QString m_startHint;
    ElidedLabel *m_modeLabel = nullptr;
    ElidedLabel *m_sizeLabel = nullptr;
    ElidedLabel *m_aspectLabel = nullptr;
    ElidedLabel *m_brushLabel = nullptr;
    ElidedLabel *m_zoomLabel = nullptr;
    ElidedLabel *m_rotationLabel = nullptr;
    ElidedLabel *m_charLabel = nullptr;
    ElidedLabel *m_spriteLabel = nullptr;
    ElidedLabel *m_stageLabel = nullptr;
    ElidedLabel *m_messageLabel = nullptr;
    QTimer m_messageTimer;
};
