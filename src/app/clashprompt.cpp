#include "clashprompt.h"

#include "mainwindow.h"

#include "rules/clashcontext.h"
#include "rules/clashrules.h"

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

bool ClashPrompt::confirmClashFree(MainWindow *window, const QString &what,
                                   const QString &cancelledText)
{
    if (!clashes(window->project()))
        return true;
    QMessageBox box(QMessageBox::Warning, tr("KORVEN"),
                    tr("Could not export %1: the canvas holds unresolved color clashes.").arg(what),
                    QMessageBox::NoButton, window);
    box.setInformativeText(tr("Resolving merges the surplus colors into their nearest survivors "
                              "across the whole canvas, as one undoable edit."));
    QPushButton *resolve = box.addButton(tr("Resolve and Export"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(resolve);
    box.exec();
    if (box.clickedButton() == resolve) {
        window->resolveAllClashes();
        if (!clashes(window->project())) {
            window->showStatusMessage(tr("Resolved the color clashes as one undoable edit."),
                                      StatusMs);
            return true;
        }
    }
    window->showStatusMessage(cancelledText, StatusMs);
    return false;
}
