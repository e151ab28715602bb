#include "../common/projectstate.h"
#include "edits.h"

#include "document/project.h"
#include "history/projectfile.h"
#include "history/workstagereplayer.h"

#include <QTemporaryDir>
#include <QTest>

class TestWorkstageReplayer : public QObject
{
    Q_OBJECT

private slots:
    void everyStageMatches()
    {
        // Edited in place, then reloaded from a file, whose crops stay
        // deflated for undo to inflate later.
        Project project = testedits::richProject(); // two edits undone: they are no stages
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stages.kvn"));
        QVERIFY(saveProjectFile(project, path).ok);
        for (bool reloaded : {false, true}) {
            if (reloaded)
                QVERIFY(loadProjectFile(path, project).ok);
            // The workstages as undo walks back through them.
            QList<Colormap> pixels;
            QList<std::pair<quint8, quint8>> slotPairs;
            for (Project walk = project;; walk.history().undo(walk)) {
                pixels.prepend(walk.colormap());
                slotPairs.prepend({walk.slot(ColorSlot::Background), walk.slot(ColorSlot::Border)});
                if (!walk.history().canUndo())
                    break;
            }
            const Project before = project;
            const int last = project.history().position();
            WorkstageReplayer replayer(project.colormap(), project.history(),
                                       project.slot(ColorSlot::Background),
                                       project.slot(ColorSlot::Border));
            QCOMPARE((QList<int>{replayer.stageCount(), replayer.currentStage()}),
                     (QList<int>{last + 1, 0}));
            for (int k = 0; k <= last; ++k) {
                QCOMPARE(replayer.advanceTo(k), pixels.at(k));
                QCOMPARE(replayer.currentStage(), k);
                QCOMPARE(replayer.slotsAt(k), slotPairs.at(k));
            }
            // It never steps back, and past the end stays at the canvas as it is.
            QCOMPARE(replayer.advanceTo(2), project.colormap());
            QCOMPARE(replayer.advanceTo(last + 3), project.colormap());
            QCOMPARE(replayer.currentStage(), last);

            // The project and its history are left alone.
            QVERIFY(projectState(project) == projectState(before));
            QCOMPARE(project.history().position(), last);
            bool anyDeflated = false;
            for (const HistoryNode &node : project.history().nodes())
                for (const HistoryChange &change : node.changes)
                    anyDeflated = anyDeflated || change.before.isDeflated();
            QCOMPARE(anyDeflated, reloaded);
        }
    }
};

QTEST_GUILESS_MAIN(TestWorkstageReplayer)
#include "tst_workstagereplayer.moc"
