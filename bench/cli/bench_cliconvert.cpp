// A conversion on the command line as a whole process: start-up, reading the
// PNG, converting and writing the project. A pipeline converting many
// pictures pays this per picture; the goal is 12 ms for a 320 x 200 picture.
// Prints the median wall and processor time of each run beside the goal.
//
//   bench_cliconvert [runs]

#include <QCoreApplication>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace
{

constexpr double GoalMs = 12.0;

struct Run {
    double wallMs = 0, cpuMs = 0;
    bool ok = false;
};

Run runOnce(std::vector<QByteArray> args)
{
    std::vector<char *> argv;
    for (QByteArray &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    Run run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("kodim01-320.png"));
    const QImage photo(QStringLiteral(KORVEN_TESTDATA_DIR "/photos/kodim01.png"));
    if (photo.isNull() || !photo.scaled(320, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                               .convertToFormat(QImage::Format_RGB888)
                               .save(picture)) {
        std::fprintf(stderr, "bench_cliconvert: cannot prepare the picture\n");
        return 1;
    }
    const QByteArray out = dir.filePath(QStringLiteral("out.kvn")).toLocal8Bit();
    std::printf("korven-cli convert of a 320 x 200 PNG, median of %d runs, written to %s\n", runs,
                qPrintable(dir.path()));
    struct Row {
        const char *label;
        std::vector<QByteArray> options;
    };
    const Row rows[] = {
        {"hires", {"--mode", "hires"}},
        {"multicolor", {"--mode", "multicolor"}},
        {"hires, Floyd-Steinberg", {"--mode", "hires", "--dither", "floyd-steinberg"}},
        {"multicolor, Floyd-Steinberg", {"--mode", "multicolor", "--dither", "floyd-steinberg"}},
    };
    for (const Row &row : rows) {
        std::vector<QByteArray> args = {KORVEN_CLI, "convert", picture.toLocal8Bit(), out};
        args.insert(args.end(), row.options.begin(), row.options.end());
        std::vector<double> wall, cpu;
        for (int i = 0; i < runs + 5; ++i) {
            const Run run = runOnce(args);
            if (!run.ok) {
                std::fprintf(stderr, "bench_cliconvert: %s failed\n", row.label);
                return 1;
            }
            if (i >= 5) { // the first runs warm the caches
                wall.push_back(run.wallMs);
                cpu.push_back(run.cpuMs);
            }
        }
        const double ms = median(wall);
        std::printf("%-32s %6.2f ms  %6.2f ms cpu  (goal %.0f ms: %s)\n", row.label, ms,
                    median(cpu), GoalMs, ms <= GoalMs ? "met" : "missed");
    }
    return 0;
}
