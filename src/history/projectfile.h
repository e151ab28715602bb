#pragma once

#include "projectfileresult.h"

#include "document/canvastypes.h"
#include "document/colormap.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>

class Project;

// The extension of KORVEN project files, without the dot.
inline constexpr char ProjectFileExtension[] = "kvn";

// Called as (done, total) in records while a project is read or written;
// returning false cancels. May be empty.
using ProgressCallback = std::function<bool(qint64 done, qint64 total)>;

// What the first record of a project file tells without reading its
// history: enough to draw the picture and describe it.
struct ProjectPreviewInfo {
    int version = 0;
    CanvasMode mode = CanvasMode::Hires;
    LayoutSpec layout;
    int screensAcross = 1;
    HiresClashResolution hiresClashResolution = HiresClashResolution::ReplaceOverwritten;
    SpriteCountPolicy spriteCountPolicy = SpriteCountPolicy::Flag;
    std::array<quint8, ColorSlotCount> slotValues = {};
    Colormap colormap; // inflated
    qint32 recordCount = 0;
    qint32 position = 0; // as stored, not yet clamped to the node count
};

// Writes the whole project, history included. A failed or cancelled save
// leaves any existing file at `path` untouched.
ProjectFileResult saveProjectFile(const Project &project, const QString &path,
                                  const ProgressCallback &progress = {});

// Reads a project file. `out` is written only on success.
ProjectFileResult loadProjectFile(const QString &path, Project &out,
                                  const ProgressCallback &progress = {});

// The same reader over bytes already in memory (used by tests and fuzzing).
ProjectFileResult loadProjectFromBytes(const QByteArray &bytes, Project &out,
                                       const ProgressCallback &progress = {});

// Reads only the header and the project state record.
bool readProjectPreview(const QString &path, ProjectPreviewInfo &info, QString &error);
bool readProjectPreviewFromBytes(const QByteArray &bytes, ProjectPreviewInfo &info, QString &error);
