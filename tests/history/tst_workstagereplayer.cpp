#include "edits.h"

#include "document/project.h"
#include "history/projectfile.h"
#include "history/workstagereplayer.h"

#include <QTemporaryDir>
#include <QTest>

using namespace testedits;

namespace
{

struct Stage {
    Colormap pixels;
    quint8 background = 0;
    quint8 border = 0;
};

Stage stageOf(const Project &project)
{
    return {project.colormap(), project.slot(ColorSlot::Background),
            project.slot(ColorSlot::Border)};
}

// Nine edits of every sort, with the picture after each one remembered.
Project editedProject(QList<Stage> &stages)
{
    Project project(CanvasMode::Multicolor, 40, 24,
                    LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    stages = {stageOf(project)};
    const auto remember = [&] { stages.append(stageOf(project)); };
    paint(project, QRect(1, 1, 6, 6), 3);
    remember();
    assignSlot(project, ColorSlot::Background, 6);
    remember();
    paint(project, QRect(4, 4, 20, 3), 5, HistoryEntryKind::Fill);
    remember();
    assignSlot(project, ColorSlot::TopBackground, 9); // not followed by the replayer
    remember();
    setBottomAlignment(project, BorderAlignment::Right);
    remember();
    HistoryNode both = paintNode(project, QRect(0, 0, 40, 24), 0, HistoryEntryKind::ClearScreen);
    both.changes.append(HistoryChange::colorIndex(1, project.slot(ColorSlot::Border), 12));
    project.setSlot(ColorSlot::Border, 12);
    project.history().push(both);
    remember();
    paint(project, QRect(30, 20, 4, 4), 1);
    remember();
    // Overlapping changes in one node: rewinding must take them in reverse.
    HistoryNode shapes;
    shapes.kind = HistoryEntryKind::CommitShapes;
    for (const auto &[rect, color] :
         {std::pair{QRect(2, 2, 8, 8), quint8(4)}, std::pair{QRect(6, 6, 8, 8), quint8(8)}}) {
        const Colormap before = project.colormap().copy(rect);
        project.colormap().fillRect(rect, color);
        recordRegionChange(project, shapes, rect, before);
    }
    project.history().push(shapes);
    remember();
    assignSlot(project, ColorSlot::Border, 2);
    remember();
    return project;
}

} // namespace

class TestWorkstageReplayer : public QObject
{
    Q_OBJECT

private slots:
    void everyStageMatches_data();
    void everyStageMatches();
    void undoneEditsAreNoStages();
    void neverStepsBack();
    void leavesTheHistoryAlone();
};

void TestWorkstageReplayer::everyStageMatches_data()
{
    QTest::addColumn<bool>("reloaded");

    QTest::newRow("edited in place") << false;
    QTest::newRow("reloaded from a file") << true;
}

void TestWorkstageReplayer::everyStageMatches()
{
    QFETCH(bool, reloaded);

    QList<Stage> stages;
    Project project = editedProject(stages);
    if (reloaded) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stages.kvn"));
        QVERIFY(saveProjectFile(project, path).ok);
        QVERIFY(loadProjectFile(path, project).ok);
    }
    WorkstageReplayer replayer(project.colormap(), project.history(),
                               project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    QCOMPARE(replayer.stageCount(), stages.size());
    QCOMPARE(replayer.currentStage(), 0);
    for (int k = 0; k < stages.size(); ++k) {
        QCOMPARE(replayer.advanceTo(k), stages.at(k).pixels);
        QCOMPARE(replayer.currentStage(), k);
        QCOMPARE(replayer.slotsAt(k), std::make_pair(stages.at(k).background, stages.at(k).border));
    }
    // Asking past the end stays at the last workstage, the canvas as it is.
    QCOMPARE(replayer.advanceTo(stages.size() + 3), project.colormap());
    QCOMPARE(replayer.currentStage(), stages.size() - 1);
}

void TestWorkstageReplayer::undoneEditsAreNoStages()
{
    QList<Stage> stages;
    Project project = editedProject(stages);
    for (int i = 0; i < 3; ++i)
        project.history().undo(project);
    WorkstageReplayer replayer(project.colormap(), project.history(),
                               project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    QCOMPARE(replayer.stageCount(), stages.size() - 3);
    QCOMPARE(replayer.advanceTo(0), stages.at(0).pixels);
    QCOMPARE(replayer.advanceTo(100), stages.at(stages.size() - 4).pixels);
    QCOMPARE(replayer.border(), stages.at(stages.size() - 4).border);
}

void TestWorkstageReplayer::neverStepsBack()
{
    QList<Stage> stages;
    const Project project = editedProject(stages);
    WorkstageReplayer replayer(project.colormap(), project.history(),
                               project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    replayer.advanceTo(6);
    QCOMPARE(replayer.advanceTo(2), stages.at(6).pixels);
    QCOMPARE(replayer.currentStage(), 6);
}

void TestWorkstageReplayer::leavesTheHistoryAlone()
{
    QList<Stage> stages;
    Project project = editedProject(stages);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alone.kvn"));
    QVERIFY(saveProjectFile(project, path).ok);
    QVERIFY(loadProjectFile(path, project).ok);
    const Colormap pixels = project.colormap();
    const auto slotBytes = project.slotBytes();

    WorkstageReplayer replayer(project.colormap(), project.history(),
                               project.slot(ColorSlot::Background),
                               project.slot(ColorSlot::Border));
    replayer.advanceTo(3);
    QCOMPARE(project.colormap(), pixels);
    QCOMPARE(project.slotBytes(), slotBytes);
    QCOMPARE(project.history().position(), stages.size() - 1);
    // Crops loaded from the file stay deflated for undo to inflate later.
    bool anyDeflated = false;
    for (const HistoryNode &node : project.history().nodes()) {
        for (const HistoryChange &change : node.changes)
            anyDeflated = anyDeflated || change.before.isDeflated();
    }
    QVERIFY(anyDeflated);
}

QTEST_GUILESS_MAIN(TestWorkstageReplayer)
#include "tst_workstagereplayer.moc"
