#pragma once

#include "document/canvastypes.h"

#include <QObject>
#include <QRect>
#include <functional>

class CanvasArea;
class EditorSession;
class PreviewArea;
class Project;

// Undo, Redo, Clear History and the whole-canvas edits of the Edit and
// Options menus and the slot bar. Each waits while the canvas is in the
// middle of a stroke or a tool's drag, lands staged work first, and records
// one history step.
class EditCommands : public QObject
{
    Q_OBJECT

public:
    EditCommands(EditorSession &session, PreviewArea *preview, QObject *parent);

    void undo();
    void redo();
    void clearHistory();
    // Whole-canvas edits wait while a stroke or a tool's drag is under way.
    bool wholeCanvasEditAllowed() const;
    // Runs one whole-canvas edit when the canvas is idle, then shows what it recorded.
    void runWholeCanvasEdit(const std::function<QRect()> &edit);

    // The slot takes the primary (left) or the secondary (right) pen colour.
    void assignColorSlot(ColorSlot slot, Qt::MouseButton button);
    void resolveAllClashes();
    void reduceBorderSprites();
    void swapColors();
    void replaceColors();
    // With a selection the selection flips, as a float.
    void flipCanvas(Qt::Orientation orientation);
    // Border 0 is the top, 1 the bottom.
    void setBorderAlignment(int border, BorderAlignment alignment);

signals:
    // A tool's own step was taken back, or the history emptied: the history
    // entries need a fresh look.
    void undoStepsChanged();

private:
    // Undo and redo wait while a file task runs or the canvas is in the middle
    // of a gesture, a stroke or a tool's drag.
    bool isCanvasBusy() const;
    void showHistoryStep(const QRect &dirty);

    EditorSession &m_session;
    Project &m_project;
    CanvasArea *m_canvas;
    PreviewArea *m_preview;
};
