// A fast stroke on a real X display: a press, three moves and a release
// queued by the X server while the program is busy must all reach the pen,
// so the stroke keeps its corners instead of cutting straight across.

#include "../canvas/canvastesthelpers.h"
#include "app/startup.h"

#include <QProcess>
#include <QSignalSpy>

class TestPointerBurst : public QObject
{
    Q_OBJECT

private slots:
    void burstKeepsCorners()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("runs on an X display (ctest starts it under xvfb-run)");
        CanvasFixture f(Project(CanvasMode::Hires), QSize(640, 400));
        f.project.view().setDisplayAspect(1.0);
        f.canvas->move(0, 0);
        f.c->zoomBestFit();
        QTest::qWait(100);
        const QList<QPoint> path = {{40, 40}, {140, 90}, {240, 160}, {300, 60}};
        QStringList args;
        for (qsizetype i = 0; i < path.size(); ++i) {
            const QPoint global = f.c->mapToGlobal(at(f.c, path[i]).toPoint());
            args << "mousemove" << QString::number(global.x()) << QString::number(global.y());
            if (i == 0)
                args << "mousedown"
                     << "1";
        }
        args << "mouseup"
             << "1";
        QSignalSpy history(f.c, &CanvasArea::historyChanged);
        // The program does not run while xdotool queues the whole burst.
        QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
        QTRY_VERIFY(!history.isEmpty());
        for (const QPoint corner : path)
            QVERIFY2(f.project.colormap().pixel(corner.x(), corner.y()) != 0,
                     qPrintable(
                         QStringLiteral("corner %1,%2 not drawn").arg(corner.x()).arg(corner.y())));
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Startup::keepEveryPointerPosition();
    TestPointerBurst test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pointerburst.moc"
