#include "editcommands.h"

#include "editorsession.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/selecttool.h"
#include "document/project.h"
#include "paint/paintsettings.h"
#include "rules/ruleedits.h"
#include "rules/wholecanvasedits.h"
#include "widgets/previewarea.h"

#include <QMessageBox>

EditCommands::EditCommands(EditorSession &session, PreviewArea *preview, QObject *parent)
    : QObject(parent), m_session(session), m_project(session.project()), m_canvas(session.canvas()),
      m_preview(preview)
{
}

bool EditCommands::isCanvasBusy() const
{
    return m_session.isFileTaskBusy() || m_canvas->isGestureUnderWay() || !wholeCanvasEditAllowed();
}

bool EditCommands::wholeCanvasEditAllowed() const
{
    const CanvasTool *tool = m_canvas->activeTool();
    return !m_canvas->penStrokeInProgress() && !(tool && tool->pressedButton() != Qt::NoButton);
}

void EditCommands::undo()
{
    if (m_session.isFileTaskBusy())
        return;
    // A tool holding steps of its own (staged shapes, a selection) takes
    // them back first, and the history is left alone.
    if (CanvasTool *tool = m_canvas->activeTool(); tool && tool->hasLocalUndo()) {
        if (tool->undoLocal()) {
            m_canvas->update();
            emit undoStepsChanged();
            return;
        }
    }
    // A floating selection waits for its drop or discard.
    if (isCanvasBusy() || m_canvas->selectTool()->hasFloat() || !m_project.history().canUndo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().undo(m_project));
}

void EditCommands::redo()
{
    if (isCanvasBusy() || m_canvas->selectTool()->hasFloat() || !m_project.history().canRedo())
        return;
    m_canvas->setConnectPoint(std::nullopt);
    showHistoryStep(m_project.history().redo(m_project));
}

void EditCommands::showHistoryStep(const QRect &dirty)
{
    // A step that only changed slots or alignments shows through the frame
    // and overlays, in both windows; pixels need the artwork rebuilt.
    if (dirty.isNull()) {
        m_canvas->update();
        m_preview->update();
    } else
        m_canvas->refreshWholeImage();
    m_session.documentChanged();
}

void EditCommands::clearHistory()
{
    if (isCanvasBusy() || m_project.history().nodeCount() == 0)
        return;
    const auto answer = QMessageBox::warning(
        m_session.dialogParent(), tr("KORVEN"),
        tr("Clear the whole history of changes?\n\nThe canvas keeps its current content, but every "
           "workstage behind it is discarded and this cannot be undone."),
        QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel);
    if (answer != QMessageBox::Yes)
        return;
    m_project.history().clear();
    emit undoStepsChanged();
}

void EditCommands::runWholeCanvasEdit(const std::function<QRect()> &edit)
{
    if (!wholeCanvasEditAllowed())
        return;
    m_session.settleStagedWork();
    const int revision = m_project.history().revision();
    edit();
    // Slot and alignment changes show too, so look at the history, not the pixels.
    if (m_project.history().revision() == revision)
        return;
    m_canvas->setConnectPoint(std::nullopt);
    m_canvas->refreshWholeImage();
    m_session.documentChanged();
}

void EditCommands::assignColorSlot(ColorSlot slot, Qt::MouseButton button)
{
    const quint8 color = button == Qt::RightButton ? m_canvas->paintSettings().secondaryIndex()
                                                   : m_canvas->paintSettings().penIndex();
    runWholeCanvasEdit([this, slot, color] { return ::assignColorSlot(m_project, slot, color); });
}

void EditCommands::resolveAllClashes()
{
    runWholeCanvasEdit([this] { return ::resolveAllClashes(m_project); });
}

void EditCommands::reduceBorderSprites()
{
    runWholeCanvasEdit([this] { return ::reduceBorderSprites(m_project); });
}

void EditCommands::swapColors()
{
    runWholeCanvasEdit([this] {
        const QRegion selection = m_canvas->selectTool()->selection();
        return swapOrReplaceColors(m_project, true, m_canvas->paintSettings().penIndex(),
                                   m_canvas->paintSettings().secondaryIndex(),
                                   {selection.begin(), selection.end()});
    });
}

void EditCommands::replaceColors()
{
    runWholeCanvasEdit([this] {
        const QRegion selection = m_canvas->selectTool()->selection();
        return swapOrReplaceColors(m_project, false, m_canvas->paintSettings().penIndex(),
                                   m_canvas->paintSettings().secondaryIndex(),
                                   {selection.begin(), selection.end()});
    });
}

void EditCommands::flipCanvas(Qt::Orientation orientation)
{
    // With a selection the selection flips, as a float.
    if (!m_canvas->selectTool()->selection().isEmpty()) {
        if (wholeCanvasEditAllowed())
            m_canvas->flipSelection(orientation);
        return;
    }
    runWholeCanvasEdit([this, orientation] { return ::flipCanvas(m_project, orientation); });
}

void EditCommands::setBorderAlignment(int border, BorderAlignment alignment)
{
    runWholeCanvasEdit([this, border, alignment] {
        return ::setBorderAlignment(m_project, border, alignment, true);
    });
}
