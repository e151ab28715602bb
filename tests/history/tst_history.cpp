#include "edits.h"

#include "document/project.h"

#include <QTest>

using namespace testedits;

Q_DECLARE_METATYPE(std::optional<QPoint>)

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void regionChangeKeepsOnlyTheDifference_data()
    {
        QTest::addColumn<QRect>("prepainted");
        QTest::addColumn<QRect>("dirty");
        QTest::addColumn<QRect>("expected");
        // The canvas is 0 except `prepainted`, which holds 3; the edit paints `dirty` with 3.
        QTest::newRow("top half already painted")
            << QRect(2, 2, 10, 5) << QRect(2, 2, 10, 10) << QRect(2, 7, 10, 5);
        QTest::newRow("left column painted")
            << QRect(0, 0, 1, 20) << QRect(0, 10, 6, 1) << QRect(1, 10, 5, 1);
        QTest::newRow("nothing painted before")
            << QRect() << QRect(3, 1, 2, 7) << QRect(3, 1, 2, 7);
        QTest::newRow("everything already painted")
            << QRect(0, 0, 20, 20) << QRect(4, 4, 6, 6) << QRect();
    }
    void regionChangeKeepsOnlyTheDifference()
    {
        QFETCH(QRect, prepainted);
        QFETCH(QRect, dirty);
        QFETCH(QRect, expected);
        Project project(CanvasMode::Hires, 20, 20);
        project.colormap().fillRect(prepainted, 3);
        const Colormap start = project.colormap();
        HistoryNode node = paintNode(project, dirty, 3);
        QCOMPARE(node.changes.size(), expected.isNull() ? 0 : 1);
        project.history().push(node);
        QCOMPARE(project.history().nodeCount(), node.changes.size());
        if (expected.isNull())
            return;
        const HistoryChange &change = node.changes.first();
        QCOMPARE(change.type, HistoryChange::Type::RegionChange);
        QCOMPARE(change.rect, expected);
        QCOMPARE(change.before.pixels(), start.copy(expected));
        Colormap allThree(expected.width(), expected.height());
        allThree.fill(3);
        QCOMPARE(change.after.pixels(), allThree);
    }
    void undoAndRedoWalkTheSnapshots()
    {
        Project project(CanvasMode::Multicolor, 40, 30);
        QList<Colormap> snapshots{project.colormap()};
        QVERIFY(paint(project, QRect(1, 1, 5, 5), 1));
        snapshots.append(project.colormap());
        QVERIFY(paint(project, QRect(3, 3, 10, 2), 2));
        snapshots.append(project.colormap());
        // Two overlapping changes in one node: only undoing them in reverse
        // order gets the overlap back to its colour before.
        HistoryNode node;
        node.kind = HistoryEntryKind::CommitShapes;
        for (const auto &[rect, color] :
             {std::pair{QRect(0, 0, 8, 8), quint8(3)}, std::pair{QRect(4, 4, 8, 8), quint8(4)}}) {
            const Colormap before = project.colormap().copy(rect);
            project.colormap().fillRect(rect, color);
            recordRegionChange(project, node, rect, before);
        }
        project.history().push(node);
        snapshots.append(project.colormap());
        const QList<QRect> rects{QRect(1, 1, 5, 5), QRect(3, 3, 10, 2), QRect(0, 0, 12, 12)};

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
        for (int i = 1; i <= 3; ++i) {
            QVERIFY(history.canRedo());
            QCOMPARE(history.redo(project), rects.at(i - 1));
            QCOMPARE(project.colormap(), snapshots.at(i));
        }
        QVERIFY(!history.canRedo());
        QVERIFY(history.redo(project).isNull());
        QCOMPARE(history.position(), 3);
    }
    void pushAfterUndoDropsTheRedoTail()
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
    void cleanMark_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("modified");
        // e = new edit, u = undo, r = redo, s = save (clean mark), c = clear history
        QTest::newRow("new canvas") << "" << false;
        QTest::newRow("edit") << "e" << true;
        QTest::newRow("edit, save") << "es" << false;
        QTest::newRow("save, undo") << "eesu" << true;
        QTest::newRow("save, undo, redo") << "eesur" << false;
        QTest::newRow("save, redo back to it") << "eeusru" << false;
        QTest::newRow("save, undo, new edit") << "eesue" << true;
        QTest::newRow("save, undo, new edit, undo") << "eesueu" << true;
        QTest::newRow("clear an empty history") << "c" << false;
        QTest::newRow("clear after save") << "eusc" << true;
        // Edits count even when undone: the clean mark holds revision 0.
        QTest::newRow("undo every edit of a new canvas") << "eeuu" << true;
        QTest::newRow("undo past the save") << "esuu" << true;
    }
    void cleanMark()
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
            case 'c': {
                // Clearing forgets every node but keeps the picture.
                const Colormap pixels = project.colormap();
                history.clear();
                QCOMPARE(history.nodeCount(), 0);
                QCOMPARE(history.position(), 0);
                QVERIFY(!history.canUndo() && !history.canRedo());
                QCOMPARE(project.colormap(), pixels);
                break;
            }
            }
        }
        QCOMPARE(history.isModified(), modified);
    }
    void connectPoint_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<std::optional<QPoint>>("expected");
        // sN = stroke ending at (N, N); a = slot assignment; x = Clear Screen;
        // f = Flip Canvas; u = undo
        const auto at = [](int n) { return std::optional<QPoint>(QPoint(n, n)); };
        QTest::newRow("empty history") << "" << std::optional<QPoint>();
        QTest::newRow("last stroke wins") << "s1s5" << at(5);
        QTest::newRow("undo moves it back") << "s1s5u" << at(1);
        QTest::newRow("undo everything") << "s1u" << std::optional<QPoint>();
        QTest::newRow("slot assignment between strokes") << "s2a" << at(2);
        QTest::newRow("clear screen") << "s2x" << std::optional<QPoint>();
        QTest::newRow("flip canvas") << "s2af" << std::optional<QPoint>();
        QTest::newRow("stroke after clear screen") << "s2xs7" << at(7);
        QTest::newRow("undo the stroke after clear screen") << "s2xs7u" << std::optional<QPoint>();
        QTest::newRow("undo clear screen") << "s2xu" << at(2);
    }
    void connectPoint()
    {
        QFETCH(QString, steps);
        QFETCH(std::optional<QPoint>, expected);
        Project project(CanvasMode::Hires, 32, 32);
        quint8 color = 1;
        for (int i = 0; i < steps.size(); ++i) {
            const char step = steps.at(i).toLatin1();
            if (step == 's') {
                const int n = steps.at(++i).digitValue();
                paint(project, QRect(0, n, n + 1, 1), color++, HistoryEntryKind::Stroke,
                      QPoint(n, n));
            } else if (step == 'a') {
                assignSlot(project, ColorSlot::Border, color++);
            } else if (step == 'x' || step == 'f') {
                paint(project, project.colormap().rect(), color++,
                      step == 'x' ? HistoryEntryKind::ClearScreen : HistoryEntryKind::FlipCanvas);
            } else if (step == 'u') {
                project.history().undo(project);
            }
        }
        QCOMPARE(project.history().lastConnectPoint(), expected);
    }
    void slotChanges()
    {
        Project project(CanvasMode::Multicolor, 16, 8);
        project.colormap().fillRect(QRect(0, 0, 4, 4), 9);
        const Colormap pixels = project.colormap();
        HistoryNode node;
        node.kind = HistoryEntryKind::SwapColors;
        node.changes.append(HistoryChange::colorIndex(quint8(ColorSlot::Background), 0, 6));
        node.changes.append(HistoryChange::colorIndex(quint8(ColorSlot::SpriteMulticolor1), 10, 2));
        // Slots beyond the ten are ignored rather than written past the end.
        node.changes.append(HistoryChange::colorIndex(10, 0, 5));
        node.changes.append(HistoryChange::colorIndex(255, 0, 5));
        project.setSlot(ColorSlot::Background, 6);
        project.setSlot(ColorSlot::SpriteMulticolor1, 2);
        const auto after = project.slotBytes();
        project.history().push(node);
        QCOMPARE(project.history().nodeCount(), 1);

        QVERIFY(project.history().undo(project).isNull());
        QCOMPARE(project.slot(ColorSlot::Background), quint8(0));
        QCOMPARE(project.slot(ColorSlot::SpriteMulticolor1), quint8(10));
        QCOMPARE(project.colormap(), pixels);
        QVERIFY(project.history().redo(project).isNull());
        QCOMPARE(project.slotBytes(), after);
        QCOMPARE(project.colormap(), pixels);
    }
    void alignmentChangesPickTheirBorder_data()
    {
        QTest::addColumn<int>("border");
        QTest::addColumn<bool>("top");
        QTest::newRow("top") << 0 << true;
        QTest::newRow("bottom") << 1 << false;
        QTest::newRow("any other value is the bottom") << 7 << false;
    }
    void alignmentChangesPickTheirBorder()
    {
        QFETCH(int, border);
        QFETCH(bool, top);
        Project project(CanvasMode::Hires, -1, -1,
                        LayoutSpec{CanvasLayout::TopBottomBorderSprites});
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
    void corruptCropBecomesZero()
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
};

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
