#include "clashprompt.h"

#include "editorsession.h"

#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "rules/ruleedits.h"

#include <QMessageBox>
#include <QPushButton>

namespace
{

constexpr int StatusMs = 5000;

bool clashes(const Project &project)
{
    return canvasHasClash(ClashContext::forSweep(project), project.colormap());
}

} // namespace

bool ClashPrompt::confirmClashFree(EditorSession *session, const QString &what,
                                   const QString &cancelledText)
{
    if (!clashes(session->project()))
        return true;
    QMessageBox box(QMessageBox::Warning, tr("KORVEN"),
                    tr("Could not export %1: the canvas holds unresolved color clashes.").arg(what),
                    QMessageBox::NoButton, session->dialogParent());
    box.setInformativeText(tr("Resolving merges the surplus colors into their nearest survivors "
                              "across the whole canvas, as one undoable edit."));
    QPushButton *resolve = box.addButton(tr("Resolve and Export"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(resolve);
    box.exec();
    if (box.clickedButton() == resolve) {
        session->runWholeCanvasEdit([session] { return resolveAllClashes(session->project()); });
        if (!clashes(session->project())) {
            session->showStatusMessage(tr("Resolved the color clashes as one undoable edit."),
                                       StatusMs);
            return true;
        }
    }
    session->showStatusMessage(cancelledText, StatusMs);
    return false;
}
