#include "menustateupdater.h"

#include "mainactions.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "document/project.h"
#include "history/recentprojects.h"
#include "paint/paintsettings.h"

#include <QAction>
#include <QCoreApplication>

MenuStateUpdater::MenuStateUpdater(const Project &project, CanvasArea *canvas, MainActions *actions,
                                   QObject *parent)
    : QObject(parent), m_project(project), m_canvas(canvas), m_actions(actions)
{
}

int MenuStateUpdater::refreshUndoActions()
{
    const History &history = m_project.history();
    const CanvasTool *tool = m_canvas->activeTool();
    m_actions->setAvailableEnabled(QStringLiteral("undo"),
                                   history.canUndo() || (tool && tool->hasLocalUndo()));
    m_actions->setAvailableEnabled(QStringLiteral("redo"), history.canRedo());
    m_actions->setAvailableEnabled(QStringLiteral("clearHistory"), history.nodeCount() > 0);
    m_actions->setAvailableEnabled(QStringLiteral("saveWorkstages"), history.canUndo());
    // Stage steps arrive here too: the stage entries and the count follow them.
    const int staged = m_canvas->shapeTool()->stagedCount();
    for (const char *name : {"commitShapes", "discardShapes"})
        m_actions->setAvailableEnabled(QLatin1String(name), staged > 0);
    return staged;
}

void MenuStateUpdater::refreshActionRules()
{
    ActionState state;
    state.mode = m_project.mode();
    state.layout = m_project.layoutSpec().layout;
    state.borderFrame = m_project.hasBorderFrame();
    state.penWidth = m_canvas->paintSettings().brushSettings().width;
    state.pressureWidening = m_canvas->paintSettings().pressureWidening();
    state.referenceImage = !m_canvas->referenceImage().isNull();
    state.recentProjects = !RecentProjects::loadRecent().isEmpty();
    state.selection = !m_canvas->selectTool()->selection().isEmpty();
    state.clipboard = !m_canvas->selectTool()->isClipboardEmpty();
    state.stagedShapes = m_canvas->shapeTool()->stagedCount();
    m_actions->applyRules(state);
    if (!state.referenceImage)
        m_actions->action(QStringLiteral("showReferenceLayer"))->setChecked(false);
}

void MenuStateUpdater::refreshSelectionActions()
{
    const bool selection = !m_canvas->selectTool()->selection().isEmpty();
    const std::pair<const char *, std::pair<const char *, const char *>> renamed[] = {
        {"flipHorizontally", {"Flip Horizontally", "Flip Selection Horizontally"}},
        {"flipVertically", {"Flip Vertically", "Flip Selection Vertically"}},
        {"exportImage", {"Export to Image As...", "Export Selection to Image As..."}}};
    for (const auto &[name, texts] : renamed) {
        m_actions->action(QLatin1String(name))
            ->setText(
                QCoreApplication::translate("MenuTable", selection ? texts.second : texts.first));
    }
    for (const char *name : {"deselect", "invertSelection", "cut", "copy"})
        m_actions->setAvailableEnabled(QLatin1String(name), selection);
    for (const char *name : {"paste", "pasteTransparent"})
        m_actions->setAvailableEnabled(QLatin1String(name),
                                       !m_canvas->selectTool()->isClipboardEmpty());
}

void MenuStateUpdater::syncGroupsFromDocument()
{
    m_actions->checkValue(QStringLiteral("palette"), m_project.paletteVariant());
    m_actions->checkValue(QStringLiteral("clash"), int(m_project.hiresClashResolution()));
    m_actions->checkValue(QStringLiteral("spritePolicy"), int(m_project.spriteCountPolicy()));
    m_actions->checkValue(QStringLiteral("top"), int(m_project.layoutSpec().topAlignment));
    m_actions->checkValue(QStringLiteral("bottom"), int(m_project.layoutSpec().bottomAlignment));
    m_actions->checkValue(QStringLiteral("brush"),
                          int(m_canvas->paintSettings().brushSettings().shape));
    m_actions->checkValue(QStringLiteral("texture"), int(m_canvas->paintSettings().textureMode()));
    m_actions->checkValue(QStringLiteral("symmetry"),
                          int(m_canvas->paintSettings().symmetryMode()));
    m_actions->checkValue(QStringLiteral("contour"),
                          int(m_canvas->paintSettings().contourPlacement()));
    refreshActionRules();
}
