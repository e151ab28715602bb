#pragma once

#include "history/projectfileresult.h"

#include <QString>

class MainWindow;

// Opening and saving projects from the window: the modified prompt, the
// choosers, the background task and what the window shows afterwards.
class ProjectFileFlow
{
public:
    explicit ProjectFileFlow(MainWindow &window) : m_window(window) {}

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
    MainWindow &m_window;
};
