#pragma once

#include <QCoreApplication>

class EditorSession;

// Save Workstages: the chosen workstages replayed into a numbered PNG
// sequence in a folder, behind a progress dialog that can stop it.
class SaveWorkstagesFlow
{
    Q_DECLARE_TR_FUNCTIONS(SaveWorkstagesFlow)

public:
    explicit SaveWorkstagesFlow(EditorSession &session) : m_session(session) {}

    void run();

private:
    EditorSession &m_session;
};
