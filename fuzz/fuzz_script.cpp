// Feeds random scripts and arguments to the script interface: the first
// byte picks the canvas, the script runs up to the first NUL byte and the
// rest are its arguments. No input may crash, hang past the instruction
// hook or leave a failed run's traces; a finished run is one undoable step
// that keeps the canvas within the colour rules.

#include "document/project.h"
#include "rules/clashcontext.h"
#include "rules/clashrules.h"
#include "script/scriptrunner.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const CanvasMode mode = data[0] & 1 ? CanvasMode::Multicolor : CanvasMode::Hires;
    const CanvasLayout layout = CanvasLayout((data[0] >> 1) % 3);
    Project project(mode, -1, -1, LayoutSpec{layout});
    if (data[0] & 8)
        project.setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    const Project start = project;

    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QList<QByteArray> parts = rest.split('\0');
    ScriptEnvironment env;
    env.instructionLimit = 2000000;
    env.memoryLimit = 64 << 20;
    env.selection = QRegion(QRect(8, 8, 40, 24));
    for (qsizetype i = 1; i < parts.size(); ++i)
        env.args << QString::fromUtf8(parts.at(i));
    const ScriptOutcome outcome = ScriptRunner::run(project, parts.value(0), env);

    const bool same = project.colormap() == start.colormap() &&
                      project.slotBytes() == start.slotBytes() &&
                      project.layoutSpec() == start.layoutSpec();
    if (!outcome.ok()) {
        if (!same || project.history().nodeCount() != 0 || outcome.message.isEmpty())
            __builtin_trap();
        return 0;
    }
    if (project.history().nodeCount() != (same ? 0 : 1))
        __builtin_trap();
    if (canvasHasClash(ClashContext::forSweep(project), project.colormap()))
        __builtin_trap();
    project.history().undo(project);
    if (!(project.colormap() == start.colormap()) || project.slotBytes() != start.slotBytes())
        __builtin_trap();
    return 0;
}
