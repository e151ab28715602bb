#include "../common/paintrows.h"
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

} // namespace

class TestSpriteBudget : public QObject
{
    Q_OBJECT

private slots:
    void overBudget_data() { addTextRows("rules/spritebudget.txt", "over"); }
    void overBudget()
    {
        QFETCH(QStringList, row);
        const int mode = row[0].toInt(), alignment = row[1].toInt();
        const quint8 background = quint8(row[2].toInt());
        for (RegionKind kind : {Top, Bottom}) {
            // The other border has the other alignment and no sprites.
            Project project = kind == Top ? borderProject(mode, alignment, 1 - alignment)
                                          : borderProject(mode, 1 - alignment, alignment);
            project.setSlot(ColorSlot::TopBackground, background);
            project.setSlot(ColorSlot::BottomBackground, background);
            project.colormap().fill(background);
            occupy(project, kind, row[3], background == 0 ? 5 : 0);
            // Bitmap pixels never count.
            project.colormap().fillRect(region(project, RegionKind::Bitmap).rect, 3);
            // The sprites over the budget are framed red, in their own border only.
            QList<QRect> rects;
            for (int c : intsOf(row[4]))
                rects.append(column(project, kind, c));
            const RedFrameSet frames =
                redFrameSet(ClashContext::forSweep(project), project.colormap());
            QVERIFY(frames.all() == rects && (kind == Top ? frames.top : frames.bottom) == rects);
        }
    }
    void redFrames()
    {
        auto frames = [](const Project &p) {
            return redFrameSet(ClashContext::forSweep(p), p.colormap());
        };
        // Top border: nine columns, column 6 the smallest, column 2 holding two
        // free colours (the multicolor commons are 0, 4 and 10); sprite
        // multicolours alone still occupy columns 7 and 8.
        Project project = borderProject(1, 0, 0);
        occupy(project, Top, QStringLiteral("0:9,1:9,2:9,3:9,4:9,5:9,6:2"), 7);
        occupy(project, Top, QStringLiteral("7:9,8:9"), 4);
        project.colormap().setPixel(column(project, Top, 2).left(), 0, 9);
        const QRect two = column(project, Top, 2), six = column(project, Top, 6);
        QVERIFY(frames(project).top == QList<QRect>({two, six}) &&
                frames(project).bottom.isEmpty());
        // A column over both limits is framed twice.
        project.colormap().setPixel(six.left(), 0, 13);
        QCOMPARE(frames(project).all(), QList<QRect>({two, six, six}));
        // That other layouts draw no red frames is pinned by the canvas tests.
    }
    void enforce_data() { addTextRows("rules/spritebudget.txt", "enforce"); }
    void enforce()
    {
        QFETCH(QStringList, row);
        const int policy = row[0].toInt();
        const quint8 color = quint8(row[4].toInt());
        Project project = borderProject(0, row[1].toInt(), 0);
        occupy(project, Top, row[2], 6);
        SpriteBudgetState state(ClashContext::forStroke(project, color, false), project.colormap(),
                                SpriteCountPolicy(policy));
        QCOMPARE(state.blocked(pointOf(row[3]), color), row[5] == u'1');
    }
    void erasingFreesAColumn()
    {
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
    void reduceBorders_data() { addTextRows("rules/spritebudget.txt", "reduce"); }
    void reduceBorders()
    {
        QFETCH(QStringList, row);
        Project project = borderProject(row[0].toInt(), row[1].toInt(), row[1].toInt());
        project.setSlot(ColorSlot::TopBackground, 6);
        project.setSlot(ColorSlot::BottomBackground, 11);
        project.colormap().fillRect(region(project, Top).rect, 6);
        project.colormap().fillRect(region(project, Bottom).rect, 11);
        occupy(project, Top, row[2], 2);
        occupy(project, Bottom, row[3], 6);
        const Colormap original = project.colormap();
        Colormap expected = original;
        for (int c : intsOf(row[4]))
            expected.fillRect(column(project, Top, c), 6);
        for (int c : intsOf(row[5]))
            expected.fillRect(column(project, Bottom, c), 11);

        const QRect changed = reduceBorderSprites(project);
        QCOMPARE(project.colormap(), expected);
        QCOMPARE(changed, Colormap::difference(original, expected));
        // Undoing the recorded edit is pinned by the command-line tests.
        QCOMPARE(project.history().nodeCount(), row[4].isEmpty() && row[5].isEmpty() ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestSpriteBudget)
#include "tst_spritebudget.moc"
