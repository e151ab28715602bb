#include "edits.h"

#include "document/project.h"

#include <QTest>

using namespace testedits;

Q_DECLARE_METATYPE(std::optional<QPoint>)

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void regionChangeKeepsOnlyTheDifference_data();
    void regionChangeKeepsOnlyTheDifference();
    void undoAndRedoWalkTheSnapshots();
    void changesUndoInReverseOrder();
    void pushAfterUndoDropsTheRedoTail();
    void cleanMark_data();
    void cleanMark();
    void connectPointAfterEachKind_data();
    void connectPointAfterEachKind();
    void connectPointSequences_data();
    void connectPointSequences();
    void slotOnlyNodeLeavesPixelsAlone();
    void alignmentChangesPickTheirBorder_data();
    void alignmentChangesPickTheirBorder();
    void slotsAboveNineAreIgnored();
    void clear();
    void assignClampsPosition_data();
    void assignClampsPosition();
    void copiesAreIndependent();
    void deflatedCropsInflateOnUndo();
    void corruptCropBecomesZero();
};

void TestHistory::regionChangeKeepsOnlyTheDifference_data()
{
    QTest::addColumn<QRect>("prepainted");
    QTest::addColumn<QRect>("dirty");
    QTest::addColumn<QRect>("expected");

    // The canvas is 0 except `prepainted`, which holds 3; the edit paints `dirty` with 3.
    QTest::newRow("top half already painted")
        << QRect(2, 2, 10, 5) << QRect(2, 2, 10, 10) << QRect(2, 7, 10, 5);
    QTest::newRow("everything already painted")
        << QRect(0, 0, 20, 20) << QRect(4, 4, 6, 6) << QRect();
    QTest::newRow("one pixel missing") << QRect(5, 5, 4, 4) << QRect(5, 5, 4, 4) << QRect();
    QTest::newRow("hole in the middle") << QRect(0, 0, 20, 20) << QRect() << QRect();
    QTest::newRow("nothing painted before") << QRect() << QRect(3, 1, 2, 7) << QRect(3, 1, 2, 7);
    QTest::newRow("left column painted")
        << QRect(0, 0, 1, 20) << QRect(0, 10, 6, 1) << QRect(1, 10, 5, 1);
}

void TestHistory::regionChangeKeepsOnlyTheDifference()
{
    QFETCH(QRect, prepainted);
    QFETCH(QRect, dirty);
    QFETCH(QRect, expected);

    Project project(CanvasMode::Hires, 20, 20);
    project.colormap().fillRect(prepainted, 3);
    const Colormap start = project.colormap();
    HistoryNode node = paintNode(project, dirty, 3);

    if (expected.isNull()) {
        QVERIFY(node.changes.isEmpty());
        project.history().push(node);
        QCOMPARE(project.history().nodeCount(), 0);
        return;
    }
    QCOMPARE(node.changes.size(), 1);
    const HistoryChange &change = node.changes.first();
    QCOMPARE(change.type, HistoryChange::Type::RegionChange);
    QCOMPARE(change.rect, expected);
    QCOMPARE(change.before.pixels(), start.copy(expected));
    QCOMPARE(change.after.pixels(), project.colormap().copy(expected));
    Colormap allThree(expected.width(), expected.height());
    allThree.fill(3);
    QCOMPARE(change.after.pixels(), allThree);
}

void TestHistory::undoAndRedoWalkTheSnapshots()
{
    Project project(CanvasMode::Multicolor, 40, 30);
    QList<Colormap> snapshots{project.colormap()};
    const QList<QRect> rects{QRect(1, 1, 5, 5), QRect(3, 3, 10, 2), QRect(0, 20, 40, 10)};
    quint8 color = 1;
    for (const QRect &rect : rects) {
        QVERIFY(paint(project, rect, color++));
        snapshots.append(project.colormap());
    }
    History &history = project.history();
    QCOMPARE(history.nodeCount(), 3);
    QCOMPARE(history.workstageCount(), 4);

    for (int i = 2; i >= 0; --i) {
        QVERIFY(history.canUndo());
        QCOMPARE(history.undo(project), rects.at(i));
        QCOMPARE(history.position(), i);
        QCOMPARE(project.colormap(), snapshots.at(i));
    }
    QVERIFY(!history.canUndo());
    QVERIFY(history.undo(project).isNull());
    QCOMPARE(project.colormap(), snapshots.at(0));

    for (int i = 1; i <= 3; ++i) {
        QVERIFY(history.canRedo());
        QCOMPARE(history.redo(project), rects.at(i - 1));
        QCOMPARE(project.colormap(), snapshots.at(i));
    }
    QVERIFY(!history.canRedo());
    QVERIFY(history.redo(project).isNull());
    QCOMPARE(history.position(), 3);
}

void TestHistory::changesUndoInReverseOrder()
{
    // Two overlapping changes in one node: only the reverse order gets the
    // overlap back to its original colour.
    Project project(CanvasMode::Hires, 16, 16);
    const Colormap start = project.colormap();
    HistoryNode node;
    node.kind = HistoryEntryKind::CommitShapes;
    for (const auto &[rect, color] :
         {std::pair{QRect(0, 0, 8, 8), quint8(1)}, std::pair{QRect(4, 4, 8, 8), quint8(2)}}) {
        const Colormap before = project.colormap().copy(rect);
        project.colormap().fillRect(rect, color);
        recordRegionChange(project, node, rect, before);
    }
    const Colormap painted = project.colormap();
    project.history().push(node);

    QCOMPARE(project.history().undo(project), QRect(0, 0, 12, 12));
    QCOMPARE(project.colormap(), start);
    project.history().redo(project);
    QCOMPARE(project.colormap(), painted);
}

void TestHistory::pushAfterUndoDropsTheRedoTail()
{
    Project project(CanvasMode::Hires, 16, 16);
    paint(project, QRect(0, 0, 2, 2), 1);
    paint(project, QRect(4, 4, 2, 2), 2);
    paint(project, QRect(8, 8, 2, 2), 3);
    History &history = project.history();
    history.undo(project);
    history.undo(project);
    const int revision = history.revision();
    paint(project, QRect(10, 0, 2, 2), 4);

    QCOMPARE(history.nodeCount(), 2);
    QCOMPARE(history.position(), 2);
    QCOMPARE(history.revision(), revision + 1);
    QVERIFY(!history.canRedo());
    QCOMPARE(history.nodes().at(1).changes.first().rect, QRect(10, 0, 2, 2));
    QCOMPARE(project.colormap().pixel(4, 4), quint8(0));
    QCOMPARE(project.colormap().pixel(8, 8), quint8(0));
}

void TestHistory::cleanMark_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("modified");

    // e = new edit, u = undo, r = redo, s = save (clean mark), c = clear history
    QTest::newRow("new canvas") << "" << false;
    QTest::newRow("edit") << "e" << true;
    QTest::newRow("edit, save") << "es" << false;
    QTest::newRow("save, undo") << "ees"
                                   "u"
                                << true;
    QTest::newRow("save, undo, redo") << "eesur" << false;
    QTest::newRow("save, redo back to it") << "eeusru" << false;
    QTest::newRow("save, undo, new edit") << "eesue" << true;
    QTest::newRow("save, undo, new edit, undo") << "eesueu" << true;
    QTest::newRow("clear an empty history") << "c" << false;
    QTest::newRow("clear after save") << "esc" << true;
    // Edits count even when undone: the clean mark holds revision 0.
    QTest::newRow("undo every edit of a new canvas") << "eeuu" << true;
    QTest::newRow("undo past the save") << "esuu" << true;
}

void TestHistory::cleanMark()
{
    QFETCH(QString, steps);
    QFETCH(bool, modified);

    Project project(CanvasMode::Hires, 16, 16);
    History &history = project.history();
    quint8 color = 1;
    for (QChar step : steps) {
        switch (step.toLatin1()) {
        case 'e':
            QVERIFY(paint(project, QRect(color, 0, 1, 1), color));
            ++color;
            break;
        case 'u':
            history.undo(project);
            break;
        case 'r':
            history.redo(project);
            break;
        case 's':
            history.markClean();
            break;
        case 'c':
            history.clear();
            break;
        }
    }
    QCOMPARE(history.isModified(), modified);
}

void TestHistory::connectPointAfterEachKind_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("barrier");

    // Clear Screen, Convert Image, Import Image, Import Sprites and Flip Canvas
    // replace the picture: a connecting line must not reach across them.
    const QList<int> barriers{2, 8, 11, 12, 13};
    for (int kind = 0; kind < HistoryEntryKindCount; ++kind)
        QTest::addRow("kind %d", kind) << kind << barriers.contains(kind);
}

void TestHistory::connectPointAfterEachKind()
{
    QFETCH(int, kind);
    QFETCH(bool, barrier);

    Project project(CanvasMode::Hires, 32, 32);
    paint(project, QRect(3, 4, 1, 1), 1, HistoryEntryKind::Stroke, QPoint(3, 4));
    QVERIFY(paint(project, QRect(10, 10, 5, 5), 2, HistoryEntryKind(kind)));
    QCOMPARE(isConnectBarrier(HistoryEntryKind(kind)), barrier);

    const std::optional<QPoint> point = project.history().lastConnectPoint();
    if (barrier)
        QVERIFY(!point.has_value());
    else
        QCOMPARE(point, std::optional<QPoint>(QPoint(3, 4)));

    // Undoing the later node always brings the stroke's point back.
    project.history().undo(project);
    QCOMPARE(project.history().lastConnectPoint(), std::optional<QPoint>(QPoint(3, 4)));
}

void TestHistory::connectPointSequences_data()
{
    QTest::addColumn<QString>("steps");
    QTest::addColumn<std::optional<QPoint>>("expected");

    // sN = stroke ending at (N, N); a = slot assignment; x = Clear Screen; u = undo
    QTest::newRow("empty history") << "" << std::optional<QPoint>();
    QTest::newRow("last stroke wins") << "s1s5" << std::optional<QPoint>(QPoint(5, 5));
    QTest::newRow("undo moves it back") << "s1s5u" << std::optional<QPoint>(QPoint(1, 1));
    QTest::newRow("undo everything") << "s1u" << std::optional<QPoint>();
    QTest::newRow("slot assignment between strokes")
        << "s2a" << std::optional<QPoint>(QPoint(2, 2));
    QTest::newRow("clear screen") << "s2x" << std::optional<QPoint>();
    QTest::newRow("stroke after clear screen") << "s2xs7" << std::optional<QPoint>(QPoint(7, 7));
    QTest::newRow("undo the stroke after clear screen") << "s2xs7u" << std::optional<QPoint>();
    QTest::newRow("undo clear screen") << "s2xu" << std::optional<QPoint>(QPoint(2, 2));
}

void TestHistory::connectPointSequences()
{
    QFETCH(QString, steps);
    QFETCH(std::optional<QPoint>, expected);

    Project project(CanvasMode::Hires, 32, 32);
    quint8 color = 1;
    for (int i = 0; i < steps.size(); ++i) {
        switch (steps.at(i).toLatin1()) {
        case 's': {
            const int n = steps.at(++i).digitValue();
            paint(project, QRect(0, n, n + 1, 1), color++, HistoryEntryKind::Stroke, QPoint(n, n));
            break;
        }
        case 'a':
            assignSlot(project, ColorSlot::Border, color++);
            break;
        case 'x':
            paint(project, project.colormap().rect(), 0, HistoryEntryKind::ClearScreen);
            break;
        case 'u':
            project.history().undo(project);
            break;
        }
    }
    QCOMPARE(project.history().lastConnectPoint(), expected);
}

void TestHistory::slotOnlyNodeLeavesPixelsAlone()
{
    Project project(CanvasMode::Multicolor, 16, 8);
    project.colormap().fillRect(QRect(0, 0, 4, 4), 9);
    const Colormap pixels = project.colormap();

    HistoryNode node;
    node.kind = HistoryEntryKind::SwapColors;
    node.changes.append(HistoryChange::colorIndex(quint8(ColorSlot::Background), 0, 6));
    node.changes.append(HistoryChange::colorIndex(quint8(ColorSlot::SpriteMulticolor1), 10, 2));
    project.setSlot(ColorSlot::Background, 6);
    project.setSlot(ColorSlot::SpriteMulticolor1, 2);
    project.history().push(node);
    QCOMPARE(project.history().nodeCount(), 1);

    QVERIFY(project.history().undo(project).isNull());
    QCOMPARE(project.slot(ColorSlot::Background), quint8(0));
    QCOMPARE(project.slot(ColorSlot::SpriteMulticolor1), quint8(10));
    QCOMPARE(project.colormap(), pixels);

    QVERIFY(project.history().redo(project).isNull());
    QCOMPARE(project.slot(ColorSlot::Background), quint8(6));
    QCOMPARE(project.slot(ColorSlot::SpriteMulticolor1), quint8(2));
    QCOMPARE(project.colormap(), pixels);
}

void TestHistory::alignmentChangesPickTheirBorder_data()
{
    QTest::addColumn<int>("border");
    QTest::addColumn<bool>("top");

    QTest::newRow("top") << 0 << true;
    QTest::newRow("bottom") << 1 << false;
    QTest::newRow("any other value is the bottom") << 7 << false;
}

void TestHistory::alignmentChangesPickTheirBorder()
{
    QFETCH(int, border);
    QFETCH(bool, top);

    Project project(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::TopBottomBorderSprites});
    HistoryNode node;
    node.kind = HistoryEntryKind::SetBorderAlignment;
    node.changes.append(HistoryChange::borderAlignment(quint8(border), 0, 1));
    project.history().push(node);

    project.history().undo(project);
    project.history().redo(project);
    const LayoutSpec &spec = project.layoutSpec();
    QCOMPARE(spec.topAlignment, top ? BorderAlignment::Right : BorderAlignment::Left);
    QCOMPARE(spec.bottomAlignment, top ? BorderAlignment::Left : BorderAlignment::Right);
    project.history().undo(project);
    QCOMPARE(spec.topAlignment, BorderAlignment::Left);
    QCOMPARE(spec.bottomAlignment, BorderAlignment::Left);
}

void TestHistory::slotsAboveNineAreIgnored()
{
    Project project(CanvasMode::Hires, 8, 8);
    const auto slotBytes = project.slotBytes();
    HistoryNode node;
    node.kind = HistoryEntryKind::AssignSlot;
    node.changes.append(HistoryChange::colorIndex(10, 0, 5));
    node.changes.append(HistoryChange::colorIndex(255, 0, 5));
    project.history().push(node);
    project.history().undo(project);
    project.history().redo(project);
    QCOMPARE(project.slotBytes(), slotBytes);
}

void TestHistory::clear()
{
    Project project(CanvasMode::Hires, 8, 8);
    History &history = project.history();
    history.clear();
    QCOMPARE(history.revision(), 0);

    paint(project, QRect(0, 0, 2, 2), 5);
    paint(project, QRect(2, 2, 2, 2), 6);
    history.undo(project);
    const Colormap pixels = project.colormap();
    const int revision = history.revision();
    history.clear();
    QCOMPARE(history.nodeCount(), 0);
    QCOMPARE(history.position(), 0);
    QCOMPARE(history.revision(), revision + 1);
    QCOMPARE(project.colormap(), pixels);
    QVERIFY(!history.canUndo());
    QVERIFY(!history.canRedo());
}

void TestHistory::assignClampsPosition_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("expected");

    QTest::newRow("inside") << 2 << 2;
    QTest::newRow("all applied") << 3 << 3;
    QTest::newRow("beyond the nodes") << 9 << 3;
    QTest::newRow("negative") << -4 << 0;
}

void TestHistory::assignClampsPosition()
{
    QFETCH(int, stored);
    QFETCH(int, expected);

    Project source(CanvasMode::Hires, 8, 8);
    for (quint8 i = 0; i < 3; ++i)
        paint(source, QRect(i, i, 1, 1), quint8(i + 1));

    History history;
    history.assign(source.history().nodes(), stored);
    QCOMPARE(history.nodeCount(), 3);
    QCOMPARE(history.position(), expected);
    QCOMPARE(history.revision(), 1);
    QCOMPARE(history.workstageCount(), expected + 1);
}

void TestHistory::copiesAreIndependent()
{
    Project project(CanvasMode::Hires, 16, 16);
    paint(project, QRect(0, 0, 4, 4), 1);
    paint(project, QRect(2, 2, 4, 4), 2);
    const Project copy = project;
    const Colormap pixels = project.colormap();

    project.history().undo(project);
    project.history().undo(project);
    paint(project, QRect(8, 8, 2, 2), 3);

    QCOMPARE(copy.colormap(), pixels);
    QCOMPARE(copy.history().nodeCount(), 2);
    QCOMPARE(copy.history().position(), 2);
    QCOMPARE(copy.history().nodes().at(1).changes.first().rect, QRect(2, 2, 4, 4));
}

void TestHistory::deflatedCropsInflateOnUndo()
{
    Project project(CanvasMode::Hires, 8, 8);
    Colormap before(3, 2);
    Colormap after(3, 2);
    for (int i = 0; i < 6; ++i) {
        before.setPixel(i % 3, i / 3, quint8(i + 1));
        after.setPixel(i % 3, i / 3, quint8(15 - i));
    }
    HistoryChange change;
    change.type = HistoryChange::Type::RegionChange;
    change.rect = QRect(4, 5, 3, 2);
    change.before = ColormapCrop::fromCompressed(qCompress(before.bytes()), 3, 2);
    change.after = ColormapCrop::fromCompressed(qCompress(after.bytes()), 3, 2);
    HistoryNode node;
    node.changes.append(change);
    History history;
    history.assign({node}, 1);

    QCOMPARE(history.undo(project), QRect(4, 5, 3, 2));
    QCOMPARE(project.colormap().copy(QRect(4, 5, 3, 2)), before);
    history.redo(project);
    QCOMPARE(project.colormap().copy(QRect(4, 5, 3, 2)), after);
}

void TestHistory::corruptCropBecomesZero()
{
    Project project(CanvasMode::Hires, 8, 8);
    project.colormap().fill(7);
    HistoryChange change;
    change.type = HistoryChange::Type::RegionChange;
    change.rect = QRect(1, 1, 2, 2);
    // Inflates to 3 bytes where 4 are needed.
    change.before = ColormapCrop::fromCompressed(qCompress(QByteArray(3, '\x05')), 2, 2);
    change.after = ColormapCrop::fromColormap(project.colormap().copy(change.rect));
    HistoryNode node;
    node.changes.append(change);
    History history;
    history.assign({node}, 1);

    QTest::ignoreMessage(QtWarningMsg, "ColormapCrop: 2 x 2 crop failed to inflate");
    history.undo(project);
    QCOMPARE(project.colormap().copy(QRect(1, 1, 2, 2)), Colormap(2, 2));
    QCOMPARE(project.colormap().pixel(0, 0), quint8(7));
    QCOMPARE(project.colormap().pixel(3, 3), quint8(7));
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
