#include "testcanvas.h"

#include "document/geometry.h"
#include "document/project.h"
#include "rules/ruleedits.h"
#include "rules/spritebudget.h"

#include <QTest>

using namespace testcanvas;

namespace
{

const auto Top = RegionKind::TopBorder;
const auto Bottom = RegionKind::BottomBorder;

Project borderProject(int mode, int topAlignment, int bottomAlignment)
{
    return Project(CanvasMode(mode), -1, -1,
                   LayoutSpec{CanvasLayout::TopBottomBorderSprites, BorderAlignment(topAlignment),
                              BorderAlignment(bottomAlignment)});
}

CanvasRegion region(const Project &project, RegionKind kind)
{
    return project.regions()[kind == Top ? 0 : kind == Bottom ? 2 : 1];
}

QRect column(const Project &project, RegionKind kind, int c)
{
    return spriteRect(spriteGridOf(region(project, kind), project.mode(), project.layoutSpec()), c,
                      0);
}

// "0:3,5:1" paints 3 pixels into column 0 and 1 into column 5, from the
// column's bottom-left corner along its bottom line.
void occupy(Project &project, RegionKind kind, const QString &counts, quint8 color)
{
    for (const auto &[c, count] : parseCounts(counts)) {
        const QRect r = column(project, kind, c);
        for (int i = 0; i < count; ++i)
            project.colormap().setPixel(r.left() + i % r.width(), r.bottom() - i / r.width(),
                                        color);
    }
}

QList<int> parseList(const QString &text)
{
    QList<int> list;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts))
        list.append(part.toInt());
    return list;
}

} // namespace

class TestSpriteBudget : public QObject
{
    Q_OBJECT

private slots:
    void overBudget_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<int>("background");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("over");

        const QString nine = QStringLiteral("0:3,1:5,2:5,3:5,4:5,5:3,6:5,7:5,8:5");
        QTest::newRow("left: the tie leaves the column further right")
            << 0 << 0 << 0 << nine << "5";
        QTest::newRow("right: the tie leaves the column further left")
            << 0 << 1 << 0 << nine << "0";
        QTest::newRow("exactly eight") << 0 << 0 << 0 << "0:1,2:1,4:1,6:1,8:1,10:1,12:1,13:1"
                                       << "";
        QTest::newRow("three-way tie at the cut, left")
            << 0 << 0 << 0 << "0:1,1:1,13:1,3:5,4:5,5:5,6:5,7:5,8:5,9:5"
            << "1,13";
        QTest::newRow("three-way tie at the cut, right")
            << 1 << 1 << 0 << "0:1,1:1,13:1,3:5,4:5,5:5,6:5,7:5,8:5,9:5"
            << "0,1";
        QTest::newRow("colour 0 counts on a background of 6") << 0 << 0 << 6 << nine << "5";
    }
    void overBudget()
    {
        QFETCH(int, mode);
        QFETCH(int, alignment);
        QFETCH(int, background);
        QFETCH(QString, counts);
        QFETCH(QString, over);

        for (RegionKind kind : {Top, Bottom}) {
            // The other border has the other alignment and no sprites.
            Project project = kind == Top ? borderProject(mode, alignment, 1 - alignment)
                                          : borderProject(mode, 1 - alignment, alignment);
            project.setSlot(ColorSlot::TopBackground, quint8(background));
            project.setSlot(ColorSlot::BottomBackground, quint8(background));
            project.colormap().fill(quint8(background));
            occupy(project, kind, counts, background == 0 ? 5 : 0);
            // Bitmap pixels never count.
            project.colormap().fillRect(region(project, RegionKind::Bitmap).rect, 3);
            const ClashContext context = ClashContext::forSweep(project);
            QCOMPARE(overBudgetColumns(context, project.colormap(), region(project, kind)),
                     parseList(over));
            QList<QRect> rects;
            for (int c : parseList(over))
                rects.append(column(project, kind, c));
            QCOMPARE(overBudgetSprites(context, project.colormap(), region(project, kind)), rects);
            const RedFrameSet frames = redFrameSet(context, project.colormap());
            QCOMPARE(kind == Top ? frames.top : frames.bottom, rects);
            QVERIFY((kind == Top ? frames.bottom : frames.top).isEmpty());
        }
    }
    void redFrames()
    {
        // Top border: nine columns, column 6 the smallest, column 2 holding two
        // free colours (the multicolor commons are 0, 4 and 10); sprite
        // multicolours alone still occupy columns 7 and 8.
        Project project = borderProject(1, 0, 0);
        occupy(project, Top, QStringLiteral("0:9,1:9,2:9,3:9,4:9,5:9,6:2"), 7);
        occupy(project, Top, QStringLiteral("7:9,8:9"), 4);
        project.colormap().setPixel(column(project, Top, 2).left(), 0, 9);
        const ClashContext context = ClashContext::forSweep(project);
        const QList<QRect> top = {column(project, Top, 2), column(project, Top, 6)};
        QCOMPARE(redFrameSet(context, project.colormap()).top, top);
        QVERIFY(redFrameSet(context, project.colormap()).bottom.isEmpty());
        // A column over both limits is framed twice.
        project.colormap().setPixel(column(project, Top, 6).left(), 0, 13);
        QCOMPARE(redFrameSet(context, project.colormap()).all(),
                 QList<QRect>({top[0], top[1], top[1]}));

        // Right-aligned, pixels at x = 7 and 8 of column 0 fall into the sliver
        // and column 1: nine columns from eight, and the sliver loses the tie.
        Project split = borderProject(0, 0, 0);
        occupy(split, Top, QStringLiteral("2:5,3:5,4:5,5:5,6:5,7:5,8:5"), 2);
        split.colormap().setPixel(7, 3, 2);
        split.colormap().setPixel(8, 3, 2);
        QVERIFY(redFrameSet(ClashContext::forSweep(split), split.colormap()).isEmpty());
        split.layoutSpec().topAlignment = BorderAlignment::Right;
        QCOMPARE(redFrameSet(ClashContext::forSweep(split), split.colormap()).top,
                 QList<QRect>({QRect(0, 0, 8, 42)}));

        // Other layouts have no red frames even when their sprites clash.
        Project side(CanvasMode::Hires, -1, -1, LayoutSpec{CanvasLayout::SideBorderSprites});
        fillScan(side.colormap(), QRect(0, 0, 48, 30), QStringLiteral("1:400,2:400,3:400"));
        QVERIFY(redFrameSet(ClashContext::forSweep(side), side.colormap()).isEmpty());
    }
    void enforce_data()
    {
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("occupied");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<int>("color");
        QTest::addColumn<bool>("blocked");

        const QString eight = QStringLiteral("0:3,1:3,2:3,3:3,4:3,5:3,6:3,7:3");
        const QString ten = eight + QStringLiteral(",8:3,9:3");
        QTest::newRow("ninth column") << 0 << 0 << eight << QPoint(8 * 24 + 3, 10) << 2 << true;
        QTest::newRow("ninth, background colour")
            << 0 << 0 << eight << QPoint(195, 10) << 0 << false;
        QTest::newRow("occupied column")
            << 0 << 0 << eight << QPoint(5 * 24 + 20, 30) << 9 << false;
        QTest::newRow("sliver as ninth") << 0 << 0 << eight << QPoint(315, 5) << 2 << true;
        QTest::newRow("right-aligned sliver") << 0 << 1 << eight << QPoint(4, 5) << 2 << false;
        QTest::newRow("right-aligned ninth")
            << 0 << 1 << eight << QPoint(8 + 7 * 24, 5) << 2 << true;
        QTest::newRow("bottom border counts apart")
            << 0 << 0 << eight << QPoint(200, 250) << 2 << false;
        QTest::newRow("ten occupied, eleventh") << 0 << 0 << ten << QPoint(241, 1) << 2 << true;
        QTest::newRow("flag policy never blocks")
            << 1 << 0 << eight << QPoint(195, 10) << 2 << false;
    }
    void enforce()
    {
        QFETCH(int, policy);
        QFETCH(int, alignment);
        QFETCH(QString, occupied);
        QFETCH(QPoint, pixel);
        QFETCH(int, color);
        QFETCH(bool, blocked);
        Project project = borderProject(0, alignment, 0);
        occupy(project, Top, occupied, 6);
        SpriteBudgetState state(ClashContext::forStroke(project, quint8(color), false),
                                project.colormap(), SpriteCountPolicy(policy));
        QCOMPARE(state.blocked(pixel, quint8(color)), blocked);
        QCOMPARE(state.occupiedCount(0), policy == 0 ? parseCounts(occupied).size() : 0);
        QCOMPARE(state.occupiedCount(1), 0);
    }
    void enforceOpensColumnsUpToTheBudget()
    {
        // A stroke along the top border with six columns occupied opens two new
        // ones and then paints nothing in the others.
        Project project = borderProject(1, 0, 0);
        occupy(project, Top, QStringLiteral("2:1,4:1,6:1,8:1,10:1,12:1"), 3);
        // Built before the stroke, reading the colormap on first use.
        SpriteBudgetState state(ClashContext::forStroke(project, 3, false), project.colormap());
        for (int x = 0; x < project.width(); ++x) {
            if (!state.blocked(QPoint(x, 20), 3)) {
                project.colormap().setPixel(x, 20, 3);
                state.markPainted(QPoint(x, 20), 3);
            }
        }
        QCOMPARE(state.occupiedCount(0), 8);
        for (int c = 0; c < 14; ++c) {
            const bool open = c <= 2 || (c % 2 == 0 && c <= 12);
            QCOMPARE(state.isOccupied(0, c), open);
            QCOMPARE(project.colormap().pixel(column(project, Top, c).left(), 20),
                     quint8(open ? 3 : 0));
        }
        QVERIFY(!state.blocked(QPoint(13 * 12 + 1, 20), 0));

        // A two-colour stroke that first paints the background over the only
        // pixel of an occupied column frees that column for a new one.
        Project erased = borderProject(0, 0, 0);
        occupy(erased, Top, QStringLiteral("0:1,1:1,2:1,3:1,4:1,5:1,6:1,7:1"), 3);
        SpriteBudgetState twoColour(ClashContext::forStroke(erased, 3, false), erased.colormap());
        const QPoint only = column(erased, Top, 7).bottomLeft();
        QVERIFY(!twoColour.blocked(only, 0));
        erased.colormap().setPixel(only.x(), only.y(), 0);
        twoColour.markPainted(only, 0);
        QVERIFY(!twoColour.blocked(column(erased, Top, 9).center(), 3));
    }
    void reduceBorders_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("alignment");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("bottom");
        QTest::addColumn<QString>("erasedTop");
        QTest::addColumn<QString>("erasedBottom");

        QTest::newRow("ten columns lose the two smallest")
            << 0 << 0 << "0:9,1:2,2:9,3:9,4:9,5:9,6:9,7:1,8:9,9:9"
            << ""
            << "1,7"
            << "";
        QTest::newRow("both borders, right-aligned")
            << 1 << 1 << "0:4,1:9,2:9,3:9,4:9,5:9,6:9,7:9,8:9"
            << "13:1,12:1,11:1,10:1,9:1,8:1,7:1,6:1,5:1"
            << "0"
            << "5";
        QTest::newRow("within budget: nothing recorded")
            << 0 << 0 << "0:1,2:1,4:1,6:1,8:1,10:1,12:1,13:1"
            << "0:1,13:1"
            << ""
            << "";
    }
    void reduceBorders()
    {
        QFETCH(int, mode);
        QFETCH(int, alignment);
        QFETCH(QString, top);
        QFETCH(QString, bottom);
        QFETCH(QString, erasedTop);
        QFETCH(QString, erasedBottom);

        Project project = borderProject(mode, alignment, alignment);
        project.setSlot(ColorSlot::TopBackground, 6);
        project.setSlot(ColorSlot::BottomBackground, 11);
        project.colormap().fillRect(region(project, Top).rect, 6);
        project.colormap().fillRect(region(project, Bottom).rect, 11);
        occupy(project, Top, top, 2);
        occupy(project, Bottom, bottom, 6);
        const Colormap original = project.colormap();
        Colormap expected = original;
        for (int c : parseList(erasedTop))
            expected.fillRect(column(project, Top, c), 6);
        for (int c : parseList(erasedBottom))
            expected.fillRect(column(project, Bottom, c), 11);

        const QRect changed = reduceBorderSprites(project);
        QCOMPARE(project.colormap(), expected);
        QCOMPARE(changed, Colormap::difference(original, expected));
        QVERIFY(redFrameSet(ClashContext::forSweep(project), project.colormap()).isEmpty());
        const int changes = (erasedTop.isEmpty() ? 0 : 1) + (erasedBottom.isEmpty() ? 0 : 1);
        QCOMPARE(project.history().nodeCount(), changes ? 1 : 0);
        if (!changes)
            return;
        QCOMPARE(project.history().nodes().first().kind, HistoryEntryKind::ReduceBorderSprites);
        QCOMPARE(project.history().nodes().first().changes.size(), changes);
        project.history().undo(project);
        QCOMPARE(project.colormap(), original);
        project.history().redo(project);
        QCOMPARE(project.colormap(), expected);
    }
};

QTEST_GUILESS_MAIN(TestSpriteBudget)
#include "tst_spritebudget.moc"
