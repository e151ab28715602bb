#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <functional>

class Project;

// The time-lapse of a project: the canvas at chosen workstages, written as
// a numbered PNG sequence into a folder.
class WorkstageSequence
{
    Q_DECLARE_TR_FUNCTIONS(WorkstageSequence)

public:
    enum class Reduction { Uniform = 0, Smart = 1 };

    // `count` workstage indices out of `total`: all of them in order when
    // count equals total (Uniform); Smart gathers more near the start.
    static QList<int> selectFrames(int count, int total, Reduction method);
    // "<folder>/<base>-000042.png".
    static QString frameFileName(const QString &folder, const QString &base, int sequence);

    struct Result {
        int written = 0;
        QString error; // "Could not save %1." when a frame failed
    };
    // Replays the history once, writing frame j as workstage frames[j]; a
    // bordered frame takes the border colour of its own stage. `goOn` is
    // asked before each frame and stops the run when it returns false.
    static Result write(const Project &project, const QList<int> &frames, const QString &folder,
                        const QString &base, bool withBorders,
                        const std::function<bool(int done)> &goOn = {});
};
