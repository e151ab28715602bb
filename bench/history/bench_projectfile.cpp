// Project file speed with a long history: a 320 x 200 multicolor canvas
// with 10,000 stroke nodes of 16 x 16 pixels each. Prints the median of a
// few runs of every figure next to the cost of the file's bytes alone.
//
//   bench_projectfile [runs]

#include "../common/benchstrokes.h"

#include "document/project.h"
#include "history/projectfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace
{

constexpr int NodeCount = 10000;

double medianMs(int runs, const std::function<void()> &body)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        body();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

long rssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "bench_projectfile: %s failed\n", what);
        std::exit(1);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.kvn"));
    const QString resavePath = dir.filePath(QStringLiteral("resaved.kvn"));
    const QString emptyPath = dir.filePath(QStringLiteral("empty.kvn"));
    const QString copyPath = dir.filePath(QStringLiteral("copy.kvn"));

    QRandomGenerator random(4);
    Project project(CanvasMode::Multicolor, 320, 200);
    for (int i = 0; i < NodeCount; ++i)
        addBenchStroke(project, random);
    check(project.history().nodeCount() == NodeCount, "building the history");

    const double save = medianMs(runs, [&] { check(saveProjectFile(project, path).ok, "save"); });
    const qint64 fileSize = QFileInfo(path).size();

    const long rssBefore = rssKb();
    Project loaded;
    check(loadProjectFile(path, loaded).ok, "load");
    const long rssAfter = rssKb();
    // Loaded projects are freed after the clock stops: freeing is not loading.
    QList<Project> loads(runs);
    int next = 0;
    const double load =
        medianMs(runs, [&] { check(loadProjectFile(path, loads[next++]).ok, "load"); });
    loads.clear();
    const double resave =
        medianMs(runs, [&] { check(saveProjectFile(loaded, resavePath).ok, "re-save"); });

    // The floor: the same bytes read and written without any parsing. A
    // loaded project keeps the bytes it was read from, so the reads keep
    // theirs too, and both land in fresh memory.
    QList<QByteArray> reads(runs);
    next = 0;
    const double readBytes = medianMs(runs, [&] {
        QFile file(path);
        check(file.open(QIODevice::ReadOnly), "read");
        reads[next++] = file.readAll();
    });
    const QByteArray bytes = reads.first();
    reads.clear();
    const double writeBytes = medianMs(runs, [&] {
        QSaveFile file(copyPath);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit(),
              "write");
    });

    Project empty(CanvasMode::Multicolor, 320, 200);
    empty.colormap() = project.colormap();
    check(saveProjectFile(empty, emptyPath).ok, "save without history");
    ProjectPreviewInfo info;
    QString error;
    const int previewRuns = runs * 20;
    const double previewEmpty = medianMs(
        previewRuns, [&] { check(readProjectPreview(emptyPath, info, error), "preview"); });
    const double previewLong =
        medianMs(previewRuns, [&] { check(readProjectPreview(path, info, error), "preview"); });

    std::printf("project: 320 x 200 multicolor, %d stroke nodes of 16 x 16, median of %d runs\n",
                NodeCount, runs);
    std::printf("file size               %10lld bytes\n", static_cast<long long>(fileSize));
    std::printf("save                    %10.2f ms\n", save);
    std::printf("load                    %10.2f ms  (%.2fx reading the bytes)\n", load,
                load / readBytes);
    std::printf("re-save after load      %10.2f ms  (%.2fx writing the bytes)\n", resave,
                resave / writeBytes);
    std::printf("read the bytes alone    %10.2f ms\n", readBytes);
    std::printf("write the bytes alone   %10.2f ms\n", writeBytes);
    std::printf("preview, no history     %10.3f ms\n", previewEmpty);
    std::printf("preview, %d nodes    %10.3f ms\n", NodeCount, previewLong);
    std::printf("memory after load       %10ld kB more resident\n", rssAfter - rssBefore);
    // A second argument keeps the long project for timing the tools that read it.
    if (argc > 2) {
        QFile::remove(QString::fromLocal8Bit(argv[2]));
        check(QFile::copy(path, QString::fromLocal8Bit(argv[2])), "keep the long project");
    }
    return 0;
}
