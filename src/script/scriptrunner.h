#pragma once

#include "document/historynode.h"
#include "paint/brushsettings.h"
#include "paint/floodfill.h"
#include "paint/texture.h"

#include <QByteArray>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

class Project;

// What a script sees of the program around it: the tools' current brush and
// pen colours, the selection, its arguments and where its output goes.
struct ScriptEnvironment {
    BrushSettings brush;
    Texture texture;
    TextureMode textureMode = TextureMode::Stencil;
    ContourPlacement placement = ContourPlacement::Center;
    quint8 primary = 1;
    quint8 secondary = 0;
    QRegion selection;
    // The script's arguments, the table `arg` (arg[1] is the first).
    QStringList args;
    // The name errors and messages show, usually the file name.
    QString name = QStringLiteral("script");
    // Where relative picture paths start; empty for the working directory.
    QString folder;
    // Receives every line of print output.
    std::function<void(const QString &)> print;
    // Set from another thread to stop the script at its next hook.
    const std::atomic_bool *cancel = nullptr;
    // Stops the script after this many Lua instructions (0: no limit).
    qint64 instructionLimit = 0;
    // Memory the script's own values may take.
    qsizetype memoryLimit = qsizetype(512) * 1024 * 1024;
};

// How a run ended, and what it would change.
struct ScriptOutcome {
    enum class Status { Ok, Failed, Cancelled };
    Status status = Status::Ok;
    // The error text as Lua gives it ("name:line: what"), empty on success.
    QString message;
    // The script's line the error came from, 0 when not known.
    int line = 0;
    // One node of kind ConvertImage with every change of the run; no
    // changes when the script changed nothing or did not finish.
    HistoryNode node;
    // Pixels that set() refused under the colour rules.
    int refusedPixels = 0;
    bool ok() const { return status == Status::Ok; }
};

// Runs Lua scripts against a project. A script works on its own copy of the
// document through the real paint, rule and exchange engines; only a run
// that finishes turns into an edit, recorded as one history node, so an
// error or a cancel leaves the document as it was.
class ScriptRunner
{
public:
    // Runs `source` against a copy of `project`; thread-safe for a project
    // that nobody writes meanwhile.
    static ScriptOutcome execute(const Project &project, const QByteArray &source,
                                 const ScriptEnvironment &environment);
    // Applies a finished run to the project and records its node; returns
    // the changed rectangle (empty, recording nothing, when nothing changed).
    static QRect apply(Project &project, const ScriptOutcome &outcome);
    // Both in one.
    static ScriptOutcome run(Project &project, const QByteArray &source,
                             const ScriptEnvironment &environment, QRect *changed = nullptr);
    // Builds the node that takes `before` to `after` (same canvas kind).
    static HistoryNode differenceNode(const Project &before, const Project &after);
    // The bundled scripts, as resource paths.
    static QStringList bundledScripts();
    // A script's title: its first comment line "-- Title: ..." or its file name.
    static QString scriptTitle(const QString &path, const QByteArray &source);
    // Whether the script asks for a picture file as its first argument
    // ("-- Argument: picture").
    static bool wantsPicture(const QByteArray &source);
};
