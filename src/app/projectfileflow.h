#pragma once

#include "history/projectfileresult.h"

#include <QCoreApplication>
#include <QString>

class EditorSession;

// Opening and saving projects: the modified prompt, the choosers, the
// background task and what the session shows afterwards.
class ProjectFileFlow
{
    Q_DECLARE_TR_FUNCTIONS(ProjectFileFlow)

public:
    explicit ProjectFileFlow(EditorSession &session) : m_session(session) {}

    static QString projectFilter();

    // False means: stop what you were doing.
    bool maybeSave();
    ProjectFileResult loadProjectFromFile(const QString &path);
    void openProject();
    void openRecentProject(const QString &path);
    bool saveProject();
    bool saveProjectAs();
    bool saveProjectTo(const QString &path);

private:
    EditorSession &m_session;
};
