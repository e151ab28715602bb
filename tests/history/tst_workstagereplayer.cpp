#include "edits.h"

#include "document/project.h"
#include "history/projectfile.h"
#include "history/workstagereplayer.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testedits;

class TestWorkstageReplayer : public QObject
{
    Q_OBJECT

private slots:
    void everyStageMatches_data()
    {
        QTest::addColumn<bool>("reloaded");
        QTest::newRow("edited in place") << false;
        QTest::newRow("reloaded from a file") << true;
    }
    void everyStageMatches()
    {
        QFETCH(bool, reloaded);
        Project project = richProject(); // two edits undone: they are no stages
        if (reloaded) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("stages.kvn"));
            QVERIFY(saveProjectFile(project, path).ok);
            QVERIFY(loadProjectFile(path, project).ok);
        }
        // The workstages as undo walks back through them.
        QList<Colormap> pixels;
        QList<std::pair<quint8, quint8>> slotPairs;
        for (Project walk = project;; walk.history().undo(walk)) {
            pixels.prepend(walk.colormap());
            slotPairs.prepend({walk.slot(ColorSlot::Background), walk.slot(ColorSlot::Border)});
            if (!walk.history().canUndo())
                break;
        }
        const auto slotBytes = project.slotBytes();
        const int last = project.history().position();
        QCOMPARE(pixels.size(), last + 1);

        WorkstageReplayer replayer(project.colormap(), project.history(),
                                   project.slot(ColorSlot::Background),
                                   project.slot(ColorSlot::Border));
        QCOMPARE(replayer.stageCount(), last + 1);
        QCOMPARE(replayer.currentStage(), 0);
        for (int k = 0; k <= last; ++k) {
            QCOMPARE(replayer.advanceTo(k), pixels.at(k));
            QCOMPARE(replayer.currentStage(), k);
            QCOMPARE(replayer.slotsAt(k), slotPairs.at(k));
        }
        QCOMPARE(replayer.border(), slotPairs.at(last).second);
        // It never steps back, and past the end stays at the canvas as it is.
        QCOMPARE(replayer.advanceTo(2), project.colormap());
        QCOMPARE(replayer.advanceTo(last + 3), project.colormap());
        QCOMPARE(replayer.currentStage(), last);

        // The project and its history are left alone; crops loaded from a file
        // stay deflated for undo to inflate later.
        QCOMPARE(project.colormap(), pixels.at(last));
        QCOMPARE(project.slotBytes(), slotBytes);
        QCOMPARE(project.history().position(), last);
        bool anyDeflated = false;
        for (const HistoryNode &node : project.history().nodes())
            for (const HistoryChange &change : node.changes)
                anyDeflated = anyDeflated || change.before.isDeflated();
        QVERIFY(anyDeflated || !reloaded);
    }
};

QTEST_GUILESS_MAIN(TestWorkstageReplayer)
#include "tst_workstagereplayer.moc"
