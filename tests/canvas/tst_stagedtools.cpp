// The selection and shape tools through real pointer and key events, both
// staging their work on the canvas until it is dropped or committed: how
// marquees compose with the selection before and come back with the tool's
// own undo, floats that are dragged, nudged, dropped or discarded, opaque
// and transparent; shape creation boxes and latched properties, the handles,
// keys, the stage undo, restyling and the commit as one history entry.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

#include "canvas/selecttool.h"
#include "canvas/shapetool.h"

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

struct ShapeFixture : CanvasFixture {
    ShapeTool *tool = nullptr;

    explicit ShapeFixture(CanvasMode mode = CanvasMode::Hires) : CanvasFixture(Project(mode))
    {
        canvas->setShapeTool(true);
        paint.setPenIndex(5);
        paint.setSecondaryIndex(6);
        tool = canvas->shapeTool();
    }
    // The widget point of a point in display units.
    QPointF w(QPointF display) const
    {
        return c->viewTransform().toWidget(tool->fromDisplay(display));
    }
    // A rectangle from (100, 80) to (160, 120), selected.
    const StagedShape &box()
    {
        tool->setKind(ShapeKind::Rectangle);
        drag(c, {w({100, 80}), w({160, 120})});
        drag(c, {w({130, 100})});
        return tool->stage().last();
    }
};

} // namespace

class TestStagedTools : public QObject
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
        SelectFixture f;
        stroke(f.c, {First.topLeft(), First.bottomRight()});
        QCOMPARE(f.tool->selection(), QRegion(First));
        f.c->setSelectTool(kind);
        if (result == Turned || modifiers & Qt::ControlModifier) {
            f.project.view().setRotation(45.0);
            f.project.view().setOffset(QPointF(400, 0));
        }
        const Colormap before = f.project.colormap();
        stroke(f.c, path, result == RightClick ? Qt::RightButton : Qt::LeftButton, modifiers);
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
            const QRegion diamond = f.tool->selection();
            QVERIFY(diamond != marquee && diamond.contains(path.first()) &&
                    diamond.contains(path.last()));
        } else {
            QCOMPARE(f.tool->selection(), expected[result]);
        }
        QCOMPARE(f.project.colormap(), before);
        // The tool's own undo brings the first selection back.
        QVERIFY(f.tool->hasLocalUndo() && f.tool->undoLocal());
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
            QCOMPARE(f.tool->selection(), QRegion(source));
            QVERIFY(f.project.colormap() == first && f.project.history().nodeCount() == 0);
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
    void createShape_data() { addTextRows("canvas/shapetool.txt", "create"); }
    void createShape()
    {
        QFETCH(QStringList, row);
        ShapeFixture f;
        f.c->project().view().setRotation(row[1].toDouble());
        const Colormap before = f.project.colormap();
        f.tool->setKind(ShapeKind(row[0].toInt()));
        const Qt::KeyboardModifiers mods = modifiersOf(row[2]);
        drag(f.c, {f.w({100, 100}), f.w(pointFOf(row[4]))},
             row[3] == u'r' ? Qt::RightButton : Qt::LeftButton, mods);
        QCOMPARE(f.tool->stagedCount(), row[5].toInt());
        QVERIFY(f.project.colormap() == before && f.project.history().nodeCount() == 0);
        if (row[5] == u'0')
            return;
        const StagedShape &s = f.tool->stage().first();
        QVERIFY(near(s.halfSize, pointFOf(row[6])));
        QVERIFY(std::abs(s.rotation - row[7].toDouble()) < 1e-6);
        QCOMPARE(s.filled, row[8] == u'1');
        QCOMPARE(int(s.strokeColor), row[9].toInt());
        QCOMPARE(int(s.otherColor), 11 - row[9].toInt());
        // The first corner stays at the press point; the box edges run along
        // the screen unless Ctrl holds them to the canvas.
        const std::array<QPointF, 4> c = s.corners();
        QVERIFY(s.kind == ShapeKind::Path || near(c[0], {100, 100}));
        QVERIFY(mods || std::abs(f.w(c[1]).y() - f.w(c[0]).y()) < 1e-6);
    }
    void linesRunPressToRelease()
    {
        // A staged line from a press to a release in any of the eight
        // principal directions paints exactly the pixels between them, one
        // per step, on both modes.
        for (const CanvasMode mode : {CanvasMode::Hires, CanvasMode::Multicolor})
            for (const QPoint d : {QPoint(1, 0), QPoint(1, 1), QPoint(0, 1), QPoint(-1, 1),
                                   QPoint(-1, 0), QPoint(-1, -1), QPoint(0, -1), QPoint(1, -1)}) {
                ShapeFixture f(mode);
                const QPoint from(80, 100), to = from + 31 * d;
                stroke(f.c, {from, to});
                f.tool->commitStaged();
                Colormap line(f.project.width(), f.project.height());
                for (int step = 0; step <= 31; ++step)
                    line.setPixel(from.x() + step * d.x(), from.y() + step * d.y(), 5);
                QCOMPARE(f.project.colormap(), line);
            }
    }
    void shapeHandles_data() { addTextRows("canvas/shapetool.txt", "handle"); }
    void shapeHandles()
    {
        QFETCH(QStringList, row);
        const int handle = row[0].toInt();
        const Qt::KeyboardModifiers mods = modifiersOf(row[1]);
        const QPointF by = pointFOf(row[2]);
        ShapeFixture f;
        const StagedShape start = f.box();
        const QPointF from = *f.tool->handlePosition(handle);
        // Esc in the middle of the drag puts the shape back exactly.
        press(f.c, from, Qt::LeftButton, mods);
        move(f.c, from + by, Qt::LeftButton, mods);
        QTest::keyClick(f.c, Qt::Key_Escape);
        QVERIFY(f.tool->stage().first() == start && f.tool->stageUndoDepth() == 1);
        release(f.c, from + by);
        drag(f.c, {from, from + by}, Qt::LeftButton, mods);
        const StagedShape &s = f.tool->stage().first();
        QCOMPARE(f.tool->stageUndoDepth(), 2);
        const std::array<QPointF, 4> was = start.corners(), now = s.corners();
        if (handle == 2) {
            QVERIFY(near(now[0], was[0]));
            QCOMPARE(qFuzzyCompare(s.halfSize.x() / s.halfSize.y(), 1.5), mods != Qt::NoModifier);
        } else if (handle == 1) {
            QVERIFY(near(f.w(now[1]), from + by));
            QVERIFY(near(now[0], was[0]) && near(now[2], was[2]) && near(now[3], was[3]));
        } else if (handle == 4) {
            QVERIFY(s.rotation != 0.0 && std::fmod(s.rotation, 22.5) == 0.0);
        } else {
            QVERIFY(s.cornerRadius > 0.0 && s.cornerRadius < 10.0);
        }
    }
    void keysRestylingAndStageUndo()
    {
        ShapeFixture f;
        const QPointF centre = f.box().centre;
        // A new texture and width restyle the selected shape; a new kind does not.
        std::array<quint16, 16> bits;
        bits.fill(0x5555);
        const Texture stripes(bits);
        f.paint.setTexture(stripes);
        f.paint.setPenWidth(3);
        f.tool->setKind(ShapeKind::Circle);
        const StagedShape &s = f.tool->stage().first();
        QVERIFY(s.texture == stripes && s.kind == ShapeKind::Rectangle && s.width == 3);
        drag(f.c, {f.w({200, 200}), f.w({220, 230})});
        QCOMPARE(f.tool->stagedCount(), 2);
        // Cycling from nothing selected picks the bottom shape.
        QTest::keyClick(f.c, Qt::Key_QuoteLeft);
        QCOMPARE(f.tool->selection(), QList<int>{0});
        QTest::keyClick(f.c, Qt::Key_Right);
        QTest::keyEvent(QTest::Press, f.c, Qt::Key_Right, Qt::NoModifier, -1);
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(f.c, &repeat);
        QVERIFY(near(f.tool->stage().first().centre, centre + QPointF(3, 0)));
        const int depth = f.tool->stageUndoDepth();
        QTest::keyClick(f.c, Qt::Key_Delete);
        QCOMPARE(f.tool->stagedCount(), 1);
        // Undo takes back stage steps and leaves the history alone.
        QVERIFY(f.tool->hasLocalUndo() && f.tool->undoLocal() && f.tool->undoLocal());
        QCOMPARE(f.tool->stageUndoDepth(), depth - 1);
        QVERIFY(near(f.tool->stage().first().centre, centre + QPointF(1, 0)));
        // Switching tools commits the stage as one entry.
        f.c->setShapeTool(false);
        QCOMPARE(f.project.history().nodeCount(), 1);
        QCOMPARE(f.project.history().nodes().at(0).kind, HistoryEntryKind::CommitShapes);
        QVERIFY(f.tool->stagedCount() == 0 && !f.tool->hasLocalUndo());
        // The texture patterns the inside: its clear columns stay blank.
        const int x = int(centre.x()) - 28,
                  y = int(centre.y() * f.c->viewTransform().displayAspect());
        QVERIFY(f.project.colormap().pixel(x, y) == 5 && f.project.colormap().pixel(x + 1, y) == 0);
    }
};

QTEST_MAIN(TestStagedTools)
#include "tst_stagedtools.moc"
