// The selection tool through real pointer and key events: how marquees
// compose with the selection before and come back with the tool's own undo,
// floats that are dragged, nudged, dropped or discarded, opaque and
// transparent, and a cut pasted back.

#include "../common/canvasrows.h"
#include "canvastesthelpers.h"

#include "canvas/selecttool.h"

#include "document/history.h"

#include <QClipboard>
#include <QGuiApplication>

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
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        stroke(c, {from, (from + to) / 2, to}, Qt::LeftButton, modifiers);
    }
    SelectTool *tool = nullptr;
};

struct ComposeRow {
    int kind;
    QList<QPoint> path;
    Qt::KeyboardModifiers modifiers;
    // "replace", "add", "subtract", "intersect", "clear" (a click), "right"
    // (a right-click) and, on a view turned by 45 degrees, "turned".
    const char *result;
};

const QRect First(QPoint(4, 4), QPoint(20, 20));

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
            {"replace", {1, across, {}, "replace"}},
            {"shift adds", {1, across, shift, "add"}},
            {"alt subtracts", {1, across, alt, "subtract"}},
            {"shift alt intersects", {1, across, shift | alt, "intersect"}},
            // Starting inside the selection with Alt does not lift.
            {"alt inside subtracts", {1, {{6, 6}, {8, 8}, {10, 10}}, alt, "subtract"}},
            {"click clears", {1, {{30, 30}}, {}, "clear"}},
            {"right click clears", {1, {{10, 10}}, {}, "right"}},
            {"shift lasso adds", {2, {{30, 2}, {40, 20}, {25, 25}, {30, 2}}, shift, "add"}},
            {"turned view", {1, {{25, 5}, {30, 8}, {35, 25}}, {}, "turned"}},
            {"turned view, ctrl", {1, across, Qt::ControlModifier, "replace"}},
        });
    }
    void compose()
    {
        QFETCH(ComposeRow, row);
        SelectFixture f(row.kind);
        f.c->setSelectTool(SelectTool::Rectangle);
        f.drag(First.topLeft(), First.bottomRight());
        QCOMPARE(f.tool->selection(), QRegion(First));
        f.c->setSelectTool(row.kind);
        const QString result = QLatin1String(row.result);
        if (result.startsWith(QLatin1String("turned"))) {
            f.project.view().setRotation(45.0);
            f.project.view().setOffset(QPointF(400, 0));
        }
        const Colormap before = f.project.colormap();
        if (result == QLatin1String("right")) {
            press(f.c, at(f.c, row.path.first()), Qt::RightButton);
            release(f.c, at(f.c, row.path.first()), Qt::RightButton);
        } else {
            stroke(f.c, row.path, Qt::LeftButton, row.modifiers);
        }
        const QRegion marquee = row.kind == SelectTool::Lasso
                                    ? lassoRegion(row.path)
                                    : QRegion(QRect(row.path.first(), QSize(1, 1)) |
                                              QRect(row.path.last(), QSize(1, 1)));
        const QHash<QString, QRegion> expected{{"replace", marquee},
                                               {"add", marquee.united(First)},
                                               {"subtract", QRegion(First).subtracted(marquee)},
                                               {"intersect", marquee.intersected(First)},
                                               {"clear", {}},
                                               {"right", {}}};
        if (result == QLatin1String("turned")) {
            // The marquee follows the screen: a diamond on the canvas.
            QVERIFY(f.tool->selection() != marquee);
            QVERIFY(f.tool->selection().contains(row.path.first()));
            QVERIFY(f.tool->selection().contains(row.path.last()));
        } else {
            QCOMPARE(f.tool->selection(), expected.value(result));
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
        f.drag(source.topLeft(), source.bottomRight());
        const Colormap first = f.project.colormap();
        // Drag the float by 32 pixels less the nudges' char cells; any
        // number of plain nudges that cancel out.
        const QPoint grab(10, 10), by(32 - 8 * nudges, 0);
        f.drag(grab, grab + by, transparent ? Qt::ControlModifier : Qt::NoModifier);
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

    void cutPastedBack()
    {
        SelectFixture f(SelectTool::Lasso);
        const QList<QPoint> path{{8, 8}, {23, 8}, {8, 15}};
        stroke(f.c, path);
        const Colormap first = f.project.colormap();
        f.tool->cut();
        // The outline stays; the pixels are blank; one entry.
        QCOMPARE(f.tool->selection(), lassoRegion(path));
        QCOMPARE(f.project.history().nodeCount(), 1);
        QCOMPARE(f.project.history().nodes().constFirst().kind, HistoryEntryKind::CutSelection);
        for (const QRect &r : lassoRegion(path))
            QCOMPARE(f.project.colormap().copy(r), Colormap(r.width(), r.height()));
        QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(16, 8));
        // In view, the paste lands where it was cut from.
        f.tool->paste(false);
        QTest::keyClick(f.c, Qt::Key_Enter);
        QCOMPARE(f.project.colormap(), first);
        QCOMPARE(f.project.history().nodeCount(), 2);
    }
};

QTEST_MAIN(TestSelectTool)
#include "tst_selecttool.moc"
