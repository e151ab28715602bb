// The selection tool through real pointer and key events: how marquees
// compose with the selection before and come back with the tool's own undo,
// floats that are dragged, nudged, dropped or discarded, opaque and
// transparent.

#include "../common/canvasrows.h"
#include "canvastesthelpers.h"

#include "canvas/selecttool.h"

#include "document/history.h"

namespace
{

// Zoom 4, origin at the widget origin; a hires canvas with a checkerboard
// of colours 1 and 0 in the two cells at (8, 8) and colour 1 in the two
// cells at (40, 8). The secondary colour 0 is the blank colour.
struct SelectFixture : CanvasFixture {
    explicit SelectFixture(int kind = SelectTool::Rectangle) : CanvasFixture(Project())
    {
        project.view().setZoom(4.0);
        project.view().setOffset(QPointF(0, 0));
        for (int y = 8; y < 16; ++y)
            for (int x = 8; x < 24; ++x)
                project.colormap().setPixel(x, y, quint8((x + y) % 2));
        project.colormap().fillRect(QRect(40, 8, 16, 8), 1);
        c->setSelectTool(kind);
        tool = c->selectTool();
    }
    SelectTool *tool = nullptr;
};

struct ComposeRow {
    int kind;
    QList<QPoint> path;
    Qt::KeyboardModifiers modifiers;
    // Replace, Add, Subtract, Intersect as in SelectionCompose; Clear after
    // a click or a right-click; Turned for a drag on a view turned by 45°.
    int result;
};

const QRect First(QPoint(4, 4), QPoint(20, 20));
enum { Clear = 4, RightClick, Turned };

} // namespace

Q_DECLARE_METATYPE(ComposeRow)

class TestSelectTool : public QObject
{
    Q_OBJECT

private slots:
    void compose_data()
    {
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier, alt = Qt::AltModifier;
        const QList<QPoint> across{{30, 30}, {20, 25}, {12, 12}};
        addRows<ComposeRow>({
            {"replace", {1, across, {}, 0}},
            {"shift adds", {1, across, shift, 1}},
            {"alt subtracts", {1, across, alt, 2}},
            {"shift alt intersects", {1, across, shift | alt, 3}},
            // Starting inside the selection with Alt does not lift.
            {"alt inside subtracts", {1, {{6, 6}, {8, 8}, {10, 10}}, alt, 2}},
            {"click clears", {1, {{30, 30}}, {}, Clear}},
            {"right click clears", {1, {{10, 10}}, {}, RightClick}},
            {"shift lasso adds", {2, {{30, 2}, {40, 20}, {25, 25}, {30, 2}}, shift, 1}},
            {"turned view", {1, {{25, 5}, {30, 8}, {35, 25}}, {}, Turned}},
            {"turned view, ctrl", {1, across, Qt::ControlModifier, 0}},
        });
    }
    void compose()
    {
        QFETCH(ComposeRow, row);
        SelectFixture f(row.kind);
        f.c->setSelectTool(SelectTool::Rectangle);
        stroke(f.c, {First.topLeft(), First.bottomRight()});
        QCOMPARE(f.tool->selection(), QRegion(First));
        f.c->setSelectTool(row.kind);
        if (row.result == Turned || row.modifiers & Qt::ControlModifier) {
            f.project.view().setRotation(45.0);
            f.project.view().setOffset(QPointF(400, 0));
        }
        const Colormap before = f.project.colormap();
        if (row.result == RightClick) {
            press(f.c, at(f.c, row.path.first()), Qt::RightButton);
            release(f.c, at(f.c, row.path.first()), Qt::RightButton);
        } else {
            stroke(f.c, row.path, Qt::LeftButton, row.modifiers);
        }
        const QRegion marquee = row.kind == SelectTool::Lasso
                                    ? lassoRegion(row.path)
                                    : QRegion(QRect(row.path.first(), QSize(1, 1)) |
                                              QRect(row.path.last(), QSize(1, 1)));
        const QRegion expected[] = {marquee,
                                    marquee.united(First),
                                    QRegion(First).subtracted(marquee),
                                    marquee.intersected(First),
                                    {},
                                    {}};
        if (row.result == Turned) {
            // The marquee follows the screen: a diamond on the canvas.
            QVERIFY(f.tool->selection() != marquee);
            QVERIFY(f.tool->selection().contains(row.path.first()));
            QVERIFY(f.tool->selection().contains(row.path.last()));
        } else {
            QCOMPARE(f.tool->selection(), expected[row.result]);
        }
        QCOMPARE(f.project.colormap(), before);
        // The tool's own undo brings the first selection back.
        QVERIFY(f.tool->hasLocalUndo());
        QVERIFY(f.tool->undoLocal());
        QCOMPARE(f.tool->selection(), QRegion(First));
    }

    void floats_data()
    {
        QTest::addColumn<bool>("transparent");
        QTest::addColumn<int>("nudges");
        QTest::addColumn<int>("finish"); // Enter, Escape, or 0 for the tool's undo
        QTest::newRow("opaque drag, enter") << false << 0 << int(Qt::Key_Enter);
        QTest::newRow("transparent drag, enter") << true << 0 << int(Qt::Key_Return);
        QTest::newRow("opaque nudged, enter") << false << 3 << int(Qt::Key_Enter);
        QTest::newRow("transparent nudged, escape") << true << 3 << int(Qt::Key_Escape);
        QTest::newRow("opaque, undo") << false << 3 << 0;
    }
    void floats()
    {
        QFETCH(bool, transparent);
        QFETCH(int, nudges);
        QFETCH(int, finish);
        SelectFixture f;
        const QRect source(8, 8, 16, 8);
        stroke(f.c, {source.topLeft(), source.bottomRight()});
        const Colormap first = f.project.colormap();
        // Drag the float by 32 pixels less the nudges' char cells; any
        // number of plain nudges that cancel out.
        const QPoint grab(10, 10), by(32 - 8 * nudges, 0);
        stroke(f.c, {grab, grab + by}, Qt::LeftButton,
               transparent ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(f.tool->state(), SelectTool::FloatPlaced);
        for (int i = 0; i < nudges; ++i) {
            QTest::keyClick(f.c, Qt::Key_Right, Qt::ShiftModifier);
            QTest::keyClick(f.c, Qt::Key_Up);
            QTest::keyClick(f.c, Qt::Key_Down);
        }
        // Nothing reaches the document before the drop.
        QCOMPARE(f.project.colormap(), first);
        QCOMPARE(f.tool->selection(), QRegion(source.translated(32, 0)));
        if (finish)
            QTest::keyClick(f.c, Qt::Key(finish));
        else
            QVERIFY(f.tool->undoLocal());
        QCOMPARE(f.tool->state(), SelectTool::Idle);
        if (finish != Qt::Key_Enter && finish != Qt::Key_Return) {
            QCOMPARE(f.project.colormap(), first);
            QCOMPARE(f.tool->selection(), QRegion(source));
            QCOMPARE(f.project.history().nodeCount(), 0);
            return;
        }
        QCOMPARE(f.project.history().nodeCount(), 1);
        QCOMPARE(f.project.history().nodes().constFirst().kind, HistoryEntryKind::DropSelection);
        QCOMPARE(f.tool->selection(), QRegion(source.translated(32, 0)));
        for (int y = source.top(); y <= source.bottom(); ++y) {
            for (int x = source.left(); x <= source.right(); ++x) {
                const quint8 lifted = first.pixel(x, y);
                QCOMPARE(f.project.colormap().pixel(x, y), quint8(0));
                QCOMPARE(f.project.colormap().pixel(x + 32, y),
                         transparent && lifted == 0 ? quint8(1) : lifted);
            }
        }
    }
};

QTEST_MAIN(TestSelectTool)
#include "tst_selecttool.moc"
