// The program on a real X display, driven by xdotool. A fast stroke: a
// press, three moves and a release queued by the X server while the program
// is busy must all reach the pen, so the stroke keeps its corners instead of
// cutting straight across. A crash: the real program, killed after drawing,
// gives its unsaved work, history and all, back to the next start.

#include "../canvas/canvastesthelpers.h"
#include "windowtesthelpers.h"

#include "app/crashrecovery.h"
#include "app/startup.h"
#include "history/projectfile.h"

#include <QProcess>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace
{

bool xdotool(const QStringList &args)
{
    return QProcess::execute(u"xdotool"_s, args) == 0;
}

QStringList stroke(QPoint from, QPoint to)
{
    const auto xy = [](int x, int y) { return u"%1 %2"_s.arg(x).arg(y); };
    return u"mousemove %1 mousedown 1 mousemove %2 mousemove %3 mouseup 1"_s
        .arg(xy(from.x(), from.y()), xy((from.x() + to.x()) / 2, (from.y() + to.y()) / 2),
             xy(to.x(), to.y()))
        .split(u' ');
}

} // namespace

class TestPointerBurst : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"xcb"_s)
            QFAIL("runs on an X display (ctest starts it under xvfb-run)");
    }
    void burstKeepsCorners()
    {
        CanvasFixture f(Project(CanvasMode::Hires), QSize(640, 400));
        f.project.view().setDisplayAspect(1.0);
        f.canvas->move(0, 0);
        f.c->zoomBestFit();
        QTest::qWait(100);
        const QList<QPoint> path = {{40, 40}, {140, 90}, {240, 160}, {300, 60}};
        QStringList args;
        for (qsizetype i = 0; i < path.size(); ++i) {
            const QPoint global = f.c->mapToGlobal(at(f.c, path[i]).toPoint());
            args << u"mousemove %1 %2"_s.arg(global.x()).arg(global.y()).split(u' ');
            if (i == 0)
                args << u"mousedown"_s << u"1"_s;
        }
        args << u"mouseup"_s << u"1"_s;
        QSignalSpy history(f.c, &CanvasArea::historyChanged);
        // The program does not run while xdotool queues the whole burst.
        QVERIFY(xdotool(args));
        QTRY_VERIFY(!history.isEmpty());
        for (const QPoint corner : path)
            QVERIFY2(f.project.colormap().pixel(corner.x(), corner.y()) != 0,
                     qPrintable(u"corner %1,%2 not drawn"_s.arg(corner.x()).arg(corner.y())));
    }
    void unsavedWorkSurvivesKill()
    {
        // The program and this test share a data folder of their own.
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        const QDir recovery(CrashRecovery::defaultFolder());
        QVERIFY(recovery.path().startsWith(data.path()));
        const auto recoveryProjects = [&] { return recovery.entryList({u"*.kvn"_s}, QDir::Files); };

        qputenv("KORVEN_RECOVERY_IDLE_MS", "100");
        QProcess korven;
        korven.start(QStringLiteral(KORVEN_BINARY), {});
        QVERIFY(korven.waitForStarted());
        QProcess search;
        search.start(u"xdotool"_s, {"search", "--sync", "--onlyvisible", "--pid",
                                    QString::number(korven.processId()), "--name", "KORVEN$"});
        QVERIFY(search.waitForFinished(30000));
        const QString windowId = QString::fromLatin1(search.readAllStandardOutput()).trimmed();
        QVERIFY(!windowId.isEmpty());
        QTest::qWait(500); // the first layout and best fit

        // Three strokes across the middle of the screen, where the canvas
        // is, then one undo: the history holds three, the third undone.
        const QPoint middle(512, 384);
        for (int row = 0; row < 3; ++row)
            QVERIFY(xdotool(stroke(middle + QPoint(-60, row * 20), middle + QPoint(60, row * 20))));
        QVERIFY(xdotool({"windowfocus", "--sync", windowId.section('\n', 0, 0)}));
        QVERIFY(xdotool({"key", "ctrl+z"}));

        // The window at rest has written what it shows.
        Project written;
        const auto writtenState = [&] {
            const QStringList files = recoveryProjects();
            if (files.size() != 1 || !loadProjectFile(recovery.filePath(files[0]), written).ok)
                return std::pair(-1, -1);
            return std::pair(written.history().nodeCount(), written.history().position());
        };
        QTRY_COMPARE_WITH_TIMEOUT(writtenState(), std::pair(3, 2), 20000);
        for (const HistoryNode &node : written.history().nodes())
            QCOMPARE(node.kind, HistoryEntryKind::Stroke);

        korven.kill(); // SIGKILL: nothing is cleaned up
        QVERIFY(korven.waitForFinished());
        QCOMPARE(recoveryProjects().size(), 1);

        // The next start offers the orphan and restores it.
        MainWindow window;
        QStringList asked;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            asked << box->text();
            for (QAbstractButton *button : box->buttons())
                if (button->text() == u"Restore"_s)
                    button->click();
        });
        answer.start(20);
        window.crashRecovery()->offerRestore();
        answer.stop();
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked[0].contains(u"untitled"_s));
        QVERIFY(window.isWindowModified());
        // The written project, history and all (that a file holds every
        // workstage is tst_projectfile's): undone, the canvas is blank again.
        const Project &restored = window.project();
        QCOMPARE(restored.slotBytes(), written.slotBytes());
        QCOMPARE(restored.colormap(), written.colormap());
        QCOMPARE(std::pair(restored.history().nodeCount(), restored.history().position()),
                 std::pair(3, 2));
        window.undo();
        window.undo();
        QCOMPARE(restored.colormap(), Colormap(restored.width(), restored.height()));
        // The restored copy is gone; the window keeps a new one of its own.
        QTRY_COMPARE(recoveryProjects(),
                     QStringList{QFileInfo(window.crashRecovery()->projectFile()).fileName()});
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("KORVEN_RECOVERY_IDLE_MS");
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup::keepEveryPointerPosition();
    Startup::setApplicationIdentity();
    TestPointerBurst test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pointerburst.moc"
