#pragma once

#include "document/canvastypes.h"

#include <QCoreApplication>
#include <QString>

class EditorSession;

// Import Image: a native C64 picture chosen by the artist, checked against
// the canvas and placed on one of its screens as one edit.
class ImageImportFlow
{
    Q_DECLARE_TR_FUNCTIONS(ImageImportFlow)

public:
    explicit ImageImportFlow(EditorSession &session) : m_session(session) {}

    void run();

private:
    // A picture of the other mode: asks to start a canvas of `mode` for it;
    // false when the artist declined or kept the old document.
    bool offerCanvasOfMode(CanvasMode mode, const QString &problem);

    EditorSession &m_session;
};
