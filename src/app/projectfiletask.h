#pragma once

#include "history/projectfile.h"

#include <QCoreApplication>
#include <functional>

class QWidget;

// The work of one project read or write: it reports (done, total) through
// the callback and stops when the callback answers false.
using ProjectTask = std::function<ProjectFileResult(const ProgressCallback &progress)>;

// Runs a project read or write on a worker thread behind a modal progress
// dialog. Quick tasks finish before the dialog would show; long ones show a
// bar the user can cancel with its button, Esc or by closing it. Meanwhile a
// nested event loop keeps the windows painting while their input is blocked.
class ProjectFileTask
{
    Q_DECLARE_TR_FUNCTIONS(ProjectFileTask)

public:
    static constexpr int MinimumDurationMs = 400;

    static ProjectFileResult run(QWidget *parent, const QString &label, const ProjectTask &task);
};
