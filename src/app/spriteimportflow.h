#pragma once

#include <QCoreApplication>

class EditorSession;

// Import Sprites: choose a sheet and how its attribute bytes read, then
// replace the border strips with it as one edit.
class SpriteImportFlow
{
    Q_DECLARE_TR_FUNCTIONS(SpriteImportFlow)

public:
    explicit SpriteImportFlow(EditorSession &session) : m_session(session) {}

    void run();

private:
    EditorSession &m_session;
};
