// Feeds arbitrary bytes to the project file reader. A file the reader
// accepts is then walked through its whole history (undo to the start,
// redo to the end, and a workstage replay), which inflates every stored
// crop and pastes it: the reader's checks must make that safe.

#include "document/project.h"
#include "history/projectfile.h"
#include "history/workstagereplayer.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace
{

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Corrupt streams make qUncompress and the crop inflater warn; that is expected.
    qInstallMessageHandler(quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    ProjectPreviewInfo info;
    QString error;
    readProjectPreviewFromBytes(bytes, info, error);

    Project project;
    if (!loadProjectFromBytes(bytes, project).ok)
        return 0;
    History &history = project.history();
    const Project loaded = project;
    // A deep copy, sharing nothing with either project.
    const QByteArray loadedPixels(project.colormap().bytes().constData(),
                                  project.colormap().bytes().size());
    WorkstageReplayer replayer(project.colormap(), history, project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    for (int stage = 0; stage < replayer.stageCount(); ++stage)
        replayer.advanceTo(stage);
    while (history.canUndo())
        history.undo(project);
    while (history.canRedo())
        history.redo(project);
    // The copy shares pixels and nodes with the walked project; none of the
    // walk may show through.
    if (loaded.colormap().bytes() != loadedPixels)
        __builtin_trap();
    return 0;
}
