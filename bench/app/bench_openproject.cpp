// Opening a long project through the window: a one-screen multicolor canvas
// with 10,000 stroke nodes. Prints how long the open takes, whether the
// progress dialog came up, and how steadily the window kept painting
// meanwhile (frames and the longest pause of a 16 ms repaint timer). The
// second figure reads the same file as if from a slow disk (0.1 ms added per
// record), so the dialog must come up and the window must keep painting.
//
//   QT_QPA_PLATFORM=offscreen bench_openproject

#include "../common/benchstrokes.h"

#include "app/mainwindow.h"
#include "app/projectfileflow.h"
#include "app/projectfiletask.h"

#include "canvas/canvasarea.h"
#include "document/project.h"
#include "history/projectfile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace
{

constexpr int NodeCount = 10000;

// Counts the window's paints between timer ticks that ask for them.
class PaintWatch : public QObject
{
public:
    int paints = 0;
    qint64 longestGapMs = 0;
    QElapsedTimer sinceLast;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            longestGapMs = std::max(longestGapMs, sinceLast.restart());
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.kvn"));
    {
        Project project(CanvasMode::Multicolor);
        QRandomGenerator random(64);
        for (int i = 0; i < NodeCount; ++i)
            addBenchStroke(project, random);
        if (!saveProjectFile(project, path).ok)
            return 1;
    }

    MainWindow window;
    window.show();
    QCoreApplication::processEvents();
    PaintWatch watch;
    QWidget *canvas = window.canvas();
    canvas->installEventFilter(&watch);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout, canvas, [canvas] { canvas->update(); });
    bool dialogShown = false;
    QObject::connect(&repaint, &QTimer::timeout, &window, [&] {
        if (auto *dialog = window.findChild<QProgressDialog *>())
            dialogShown |= dialog->isVisible();
    });
    repaint.start(16);

    QElapsedTimer timer;
    timer.start();
    watch.sinceLast.start();
    const ProjectFileResult result = ProjectFileFlow(window).loadProjectFromFile(path);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("open of %d nodes through the window: %.0f ms (%s), progress dialog %s\n",
                NodeCount, ms, result.ok ? "ok" : "FAILED", dialogShown ? "shown" : "not shown");

    dialogShown = false;
    watch.paints = 0;
    watch.longestGapMs = 0;
    Project slow;
    timer.restart();
    watch.sinceLast.restart();
    const ProjectFileResult slowResult = ProjectFileTask::run(
        &window, QStringLiteral("Opening long.kvn..."), [&](const ProgressCallback &progress) {
            return loadProjectFile(path, slow, [&](qint64 done, qint64 total) {
                QThread::usleep(100);
                return progress(done, total);
            });
        });
    std::printf("slow-disk open: %.0f ms (%s), progress dialog %s   (goal: shown)\n",
                double(timer.nsecsElapsed()) / 1e6, slowResult.ok ? "ok" : "FAILED",
                dialogShown ? "shown" : "not shown");
    std::printf(
        "canvas frames painted meanwhile: %d, longest pause %lld ms   (goal: under 100 ms)\n",
        watch.paints, static_cast<long long>(watch.longestGapMs));
    return result.ok && slowResult.ok && window.project().history().nodeCount() == NodeCount ? 0
                                                                                             : 1;
}
