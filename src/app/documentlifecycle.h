#pragma once

#include "document/canvastypes.h"

#include <QObject>
#include <QSize>

class EditorSession;
class Project;

// New, opened and restored documents: each replaces the content of the one
// Project (never the object), takes the artist's palette, pixel shape and rule
// choices from the menus, and tells the window to follow.
class DocumentLifecycle : public QObject
{
    Q_OBJECT

public:
    DocumentLifecycle(EditorSession &session, QObject *parent);

    // File > New Canvas...: asks to save, then the dialog's canvas.
    void newCanvasFromDialog();
    // A preset by the normalised signature of its window slot.
    void newCanvasFromPreset(const char *slot);
    void resetDocument(CanvasMode mode, const LayoutSpec &layout, int screensAcross,
                       QSize size = QSize(-1, -1));
    void adoptProject(Project &&loaded, const QString &path);
    // Opens a project from the command line or a drop on the next turn of the event loop.
    void openProjectLater(const QString &path);

signals:
    // The document's content was replaced: everything showing it follows.
    void documentReplaced();

private:
    EditorSession &m_session;
};
