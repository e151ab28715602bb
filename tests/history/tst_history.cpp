#include "../common/paintrows.h"
#include "../common/projectstate.h"
#include "../common/seedrows.h"
#include "edits.h"

#include "document/project.h"

#include <QRandomGenerator>

using namespace testedits;

namespace
{

// Plays the steps of a history.txt row, a new colour for every step.
void play(Project &project, const QString &steps)
{
    History &history = project.history();
    for (int i = 0; i < steps.size(); ++i) {
        const QChar step = steps.at(i);
        const quint8 color = quint8(1 + i);
        if (step == u'e') {
            QVERIFY(paint(project, QRect(color, 0, 1, 1), color));
        } else if (step == u's') {
            const int n = steps.at(++i).digitValue();
            paint(project, QRect(0, n, n + 1, 1), color, HistoryEntryKind::Stroke, QPoint(n, n));
        } else if (step == u'a') {
            assignSlot(project, ColorSlot::Border, color);
        } else if (step == u'x' || step == u'f') {
            paint(project, project.colormap().rect(), color,
                  step == u'x' ? HistoryEntryKind::ClearScreen : HistoryEntryKind::FlipCanvas);
        } else if (step == u'u' || step == u'r') {
            step == u'u' ? history.undo(project) : history.redo(project);
        } else if (step == u'm') {
            history.markClean();
        } else if (step == u'c') {
            // Clearing forgets every node but keeps the picture.
            const Colormap pixels = project.colormap();
            history.clear();
            QCOMPARE((QList<int>{history.nodeCount(), history.position()}), (QList<int>{0, 0}));
            QCOMPARE(project.colormap(), pixels);
        }
    }
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void regionChangeKeepsOnlyTheDifference_data()
    {
        addTextRows("history/history.txt", "difference");
    }
    void regionChangeKeepsOnlyTheDifference()
    {
        QFETCH(QStringList, row);
        const QRect expected = rectOf(row[2]);
        Project project(CanvasMode::Hires, 20, 20);
        project.colormap().fillRect(rectOf(row[0]), 3);
        const Colormap start = project.colormap();
        HistoryNode node = paintNode(project, rectOf(row[1]), 3);
        project.history().push(node);
        QCOMPARE(project.history().nodeCount(), node.changes.size());
        QCOMPARE(node.changes.size(), expected.isNull() ? 0 : 1);
        if (expected.isNull())
            return;
        const HistoryChange &change = node.changes.first();
        QCOMPARE(change.rect, expected);
        QCOMPARE(change.before.pixels(), start.copy(expected));
        QCOMPARE(change.after.pixels(), project.colormap().copy(expected));
    }
    void randomUndoRedo_data() { addSeedRows("KORVEN_HISTORY_SOAK", 20, 7919); }
    void randomUndoRedo()
    {
        // Edits, undos and redos at random against a list of snapshots: the
        // canvas always matches the snapshot at the position, a new edit drops
        // the snapshots after it, and undo and redo report the node's rects.
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        Project project(CanvasMode::Multicolor, 24, 16);
        History &history = project.history();
        QList<Colormap> snapshots{project.colormap()};
        QList<QRect> dirty;
        int position = 0;
        for (int step = 0; step < 60; ++step) {
            const int op = random.bounded(5);
            if (op < 2) {
                // One or two possibly overlapping rectangles in one node: only
                // undoing them in reverse gets the overlap back.
                HistoryNode node;
                for (int n = 0; n <= op; ++n) {
                    const QRect rect(random.bounded(20), random.bounded(12), 1 + random.bounded(8),
                                     1 + random.bounded(6));
                    for (const HistoryChange &change :
                         paintNode(project, rect, quint8(random.bounded(4))).changes)
                        node.changes.append(change);
                }
                history.push(node);
                if (node.changes.isEmpty())
                    continue;
                snapshots.resize(++position);
                snapshots.append(project.colormap());
                dirty.resize(position - 1);
                dirty.append(QRect());
                for (const HistoryChange &change : node.changes)
                    dirty.last() |= change.rect;
            } else if (op < 4) {
                QCOMPARE(history.undo(project), position > 0 ? dirty.at(position - 1) : QRect());
                position = qMax(0, position - 1);
            } else {
                const bool redo = position < dirty.size();
                QCOMPARE(history.redo(project), redo ? dirty.at(position) : QRect());
                position += redo;
            }
            QCOMPARE(project.colormap(), snapshots.at(position));
            QCOMPARE(
                (QList<int>{history.position(), history.nodeCount(), history.canUndo(),
                            history.canRedo()}),
                (QList<int>{position, int(dirty.size()), position > 0, position < dirty.size()}));
        }
    }
    void cleanMark_data() { addTextRows("history/history.txt", "clean"); }
    void cleanMark()
    {
        QFETCH(QStringList, row);
        Project project(CanvasMode::Hires, 16, 16);
        play(project, row[0]);
        QCOMPARE(project.history().isModified(), row[1] == u'1');
    }
    void connectPoint_data() { addTextRows("history/history.txt", "connect"); }
    void connectPoint()
    {
        QFETCH(QStringList, row);
        Project project(CanvasMode::Hires, 32, 32);
        play(project, row[0]);
        const int n = row[1].toInt();
        QCOMPARE(project.history().lastConnectPoint(),
                 row[1].isEmpty() ? std::nullopt : std::optional<QPoint>(QPoint(n, n)));
    }
    void slotAndAlignmentChanges()
    {
        // Slots beyond the ten are ignored rather than written past the end;
        // border 0 is the top alignment, any other value the bottom.
        Project project(CanvasMode::Hires, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
        const Project start = project;
        HistoryNode node;
        for (const auto &[slot, from, to] : {std::array{0, 0, 6}, std::array{9, 10, 2},
                                             std::array{10, 0, 5}, std::array{255, 0, 5}})
            node.changes.append(HistoryChange::colorIndex(quint8(slot), quint8(from), quint8(to)));
        for (int border : {0, 7})
            node.changes.append(HistoryChange::borderAlignment(quint8(border), 0, 1));
        project.history().push(node);
        project.history().undo(project);
        QVERIFY(project.history().redo(project).isNull());
        const std::array<quint8, ColorSlotCount> after{6, 0, 4, 10, 0, 4, 10, 0, 4, 2};
        QCOMPARE(project.slotBytes(), after);
        QCOMPARE(project.layoutSpec(),
                 (LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment::Right,
                             BorderAlignment::Right}));
        QVERIFY(project.history().undo(project).isNull() &&
                projectState(project) == projectState(start));
    }
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
