// The selection tool through real pointer and key events: how marquees
// compose with the selection before and come back with the tool's own undo,
// floats that are dragged, nudged, dropped or discarded, opaque and
// transparent.

#include "../common/paintrows.h"
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

const QRect First(QPoint(4, 4), QPoint(20, 20));
enum { Clear = 4, RightClick, Turned };

// Canvas pixels written "x,y x,y ...".
QList<QPoint> pathOf(const QString &text)
{
    QList<QPoint> path;
    for (const QString &point : text.split(u' ', Qt::SkipEmptyParts))
        path << pointOf(point);
    return path;
}

} // namespace

class TestSelectTool : public QObject
{
    Q_OBJECT

private slots:
    void compose_data() { addTextRows("canvas/selecttool.txt", "compose"); }
    void compose()
    {
        QFETCH(QStringList, row);
        const int kind = row[0].toInt(), result = row[3].toInt();
        const QList<QPoint> path = pathOf(row[1]);
        const Qt::KeyboardModifiers modifiers = modifiersOf(row[2]);
        SelectFixture f(kind);
        f.c->setSelectTool(SelectTool::Rectangle);
        stroke(f.c, {First.topLeft(), First.bottomRight()});
        QCOMPARE(f.tool->selection(), QRegion(First));
        f.c->setSelectTool(kind);
        if (result == Turned || modifiers & Qt::ControlModifier) {
            f.project.view().setRotation(45.0);
            f.project.view().setOffset(QPointF(400, 0));
        }
        const Colormap before = f.project.colormap();
        if (result == RightClick) {
            press(f.c, at(f.c, path.first()), Qt::RightButton);
            release(f.c, at(f.c, path.first()), Qt::RightButton);
        } else {
            stroke(f.c, path, Qt::LeftButton, modifiers);
        }
        const QRegion marquee =
            kind == SelectTool::Lasso
                ? lassoRegion(path)
                : QRegion(QRect(path.first(), QSize(1, 1)) | QRect(path.last(), QSize(1, 1)));
        const QRegion expected[] = {marquee,
                                    marquee.united(First),
                                    QRegion(First).subtracted(marquee),
                                    marquee.intersected(First),
                                    {},
                                    {}};
        if (result == Turned) {
            // The marquee follows the screen: a diamond on the canvas.
            QVERIFY(f.tool->selection() != marquee);
            QVERIFY(f.tool->selection().contains(path.first()));
            QVERIFY(f.tool->selection().contains(path.last()));
        } else {
            QCOMPARE(f.tool->selection(), expected[result]);
        }
        QCOMPARE(f.project.colormap(), before);
        // The tool's own undo brings the first selection back.
        QVERIFY(f.tool->hasLocalUndo());
        QVERIFY(f.tool->undoLocal());
        QCOMPARE(f.tool->selection(), QRegion(First));
    }

    void floats_data() { addTextRows("canvas/selecttool.txt", "floats"); }
    void floats()
    {
        QFETCH(QStringList, row);
        const bool transparent = row[0] == u'1';
        const int nudges = row[1].toInt();
        const QString finish = row[2];
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
        if (finish == u"undo")
            QVERIFY(f.tool->undoLocal());
        else
            QTest::keyClick(f.c, finish == u"enter"    ? Qt::Key_Enter
                                 : finish == u"return" ? Qt::Key_Return
                                                       : Qt::Key_Escape);
        QCOMPARE(f.tool->state(), SelectTool::Idle);
        if (finish == u"escape" || finish == u"undo") {
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
