#include "documentlifecycle.h"

#include "editorsession.h"
#include "mainactions.h"
#include "newcanvasdialog.h"
#include "projectfileflow.h"

#include "canvas/canvasarea.h"
#include "document/canvaspreset.h"
#include "document/project.h"

#include <QTimer>

namespace
{

constexpr int StatusMessageMs = 5000;

} // namespace

DocumentLifecycle::DocumentLifecycle(EditorSession &session, QObject *parent)
    : QObject(parent), m_session(session)
{
}

void DocumentLifecycle::newCanvasFromDialog()
{
    if (m_session.isFileTaskBusy() || !m_session.maybeSave())
        return;
    // The prompt comes first, so answering it never throws the dialog's choices away.
    NewCanvasDialog dialog(m_session.dialogParent());
    if (dialog.exec() != QDialog::Accepted) {
        m_session.showStatusMessage(tr("New canvas cancelled."), StatusMessageMs);
        return;
    }
    LayoutSpec layout;
    layout.layout = dialog.layout();
    resetDocument(dialog.mode(), layout, dialog.screensAcross(), dialog.canvasSize());
}

void DocumentLifecycle::newCanvasFromPreset(const char *slot)
{
    if (m_session.isFileTaskBusy() || !m_session.maybeSave())
        return;
    for (const CanvasPreset &preset : CanvasPreset::all()) {
        if (qstrcmp(preset.slot, slot) == 0) {
            LayoutSpec layout;
            layout.layout = preset.layout;
            resetDocument(preset.mode, layout, preset.screens);
            return;
        }
    }
}

void DocumentLifecycle::resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                                      QSize size)
{
    const MainActions *actions = m_session.menuActions();
    Project &project = m_session.project();
    const double aspect =
        actions->checkedValue(QStringLiteral("aspect"), project.view().displayAspect());
    project = Project(mode, size.width(), size.height(), layout, screensAcross);
    // The palette, the display pixel shape and the two rule policies are the
    // artist's choices in the menus, not the document's: a new canvas takes them.
    project.setPaletteVariant(PaletteVariant(actions->checkedValue(QStringLiteral("palette"))));
    project.view().setDisplayAspect(aspect);
    project.setHiresClashResolution(
        HiresClashResolution(int(actions->checkedValue(QStringLiteral("clash")))));
    project.setSpriteCountPolicy(
        SpriteCountPolicy(int(actions->checkedValue(QStringLiteral("spritePolicy")))));

    m_session.setProjectPath(QString());
    m_session.canvas()->reloadProject();
    emit documentReplaced();
}

void DocumentLifecycle::adoptProject(Project &&loaded, const QString &path)
{
    const MainActions *actions = m_session.menuActions();
    // With no pixel shape checked the view keeps the one it shows.
    const double aspect =
        actions->checkedValue(QStringLiteral("aspect"), m_session.project().view().displayAspect());
    m_session.project() = std::move(loaded);
    m_session.setProjectPath(path);
    CanvasArea *canvas = m_session.canvas();
    canvas->reloadProject();
    // The palette and the pixel shape on screen are the artist's, not the file's.
    canvas->setPaletteVariant(PaletteVariant(actions->checkedValue(QStringLiteral("palette"))));
    canvas->setDisplayPixelAspect(aspect);
    emit documentReplaced();
}

void DocumentLifecycle::openProjectLater(const QString &path)
{
    QTimer::singleShot(0, this, [this, path] {
        if (m_session.isFileTaskBusy() || !m_session.maybeSave())
            return;
        ProjectFileFlow(m_session).loadProjectFromFile(path);
    });
}
