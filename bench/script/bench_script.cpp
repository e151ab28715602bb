// A script that sets every pixel of a 320 x 200 canvas: the Lua calls, the
// pen-dab pipeline behind set() and the recording of the one undo step.
#include "script/scriptrunner.h"

#include "document/project.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

double medianMs(const Project &start, const QByteArray &source, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Project p = start;
        QElapsedTimer timer;
        timer.start();
        const ScriptOutcome outcome = ScriptRunner::run(p, source, {});
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!outcome.ok()) {
            std::printf("failed: %s\n", qPrintable(outcome.message));
            return -1;
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main()
{
    const int runs = 15;
    // Colours that change every cell without a clash: two per hires cell.
    const QByteArray everyPixel = "for y = 0, canvas.height - 1 do\n"
                                  "  for x = 0, canvas.width - 1 do\n"
                                  "    set(x, y, (x + y) % 2 == 0 and 1 or 6)\n"
                                  "  end\n"
                                  "end\n";
    std::printf("set every pixel, 320x200 hires:      %.1f ms (goal < 100 ms)\n",
                medianMs(Project(CanvasMode::Hires, 320, 200), everyPixel, runs));
    std::printf("set every pixel, 160x200 multicolor: %.1f ms (goal < 100 ms)\n",
                medianMs(Project(CanvasMode::Multicolor, 160, 200), everyPixel, runs));
    const QByteArray readOnly = "local n = 0\n"
                                "for y = 0, canvas.height - 1 do\n"
                                "  for x = 0, canvas.width - 1 do n = n + get(x, y) end\n"
                                "end\n";
    std::printf("get every pixel, 320x200 hires:      %.1f ms\n",
                medianMs(Project(CanvasMode::Hires, 320, 200), readOnly, runs));
    return 0;
}
