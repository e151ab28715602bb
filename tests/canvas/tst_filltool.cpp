// The fill tool through real clicks and keys on a shown canvas: which
// colour each button floods with, Ctrl contours on multicolor only, clicks
// that must record nothing, symmetric copies, and the preview's switch.

#include "../common/paintrows.h"
#include "canvastesthelpers.h"

#include "canvas/filltool.h"

#include "document/history.h"

#include <QSignalSpy>

namespace
{

// A square of colour 2 at (16, 16) and its mirror image across the middle;
// on multicolor a cell at the origin that holds three colours besides the
// background. The fill tool is active with colours 5 and 6.
Project shapes(bool multicolor)
{
    Project p(multicolor ? CanvasMode::Multicolor : CanvasMode::Hires);
    p.colormap().fillRect(QRect(16, 16, 16, 16), 2);
    p.colormap().fillRect(QRect(p.width() - 32, 16, 16, 16), 2);
    for (int x = 0; x < 3 && multicolor; ++x)
        p.colormap().setPixel(x, 0, quint8(x + 1));
    return p;
}

struct FillFixture : CanvasFixture {
    explicit FillFixture(bool multicolor) : CanvasFixture(shapes(multicolor), QSize(800, 600))
    {
        canvas->setFillTool(true);
        paint.setPenIndex(5);
        paint.setSecondaryIndex(6);
    }
};

} // namespace

class TestFillTool : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data() { addTextRows("canvas/filltool.txt", "fill"); }
    void clicks()
    {
        QFETCH(QStringList, row);
        const QString flags = row[3];
        const int expected = row[5].toInt();
        FillFixture f(row[1] == u'1');
        const Colormap first = f.project.colormap();
        f.paint.setPenIndex(quint8(row[2].toInt()));
        f.paint.setSymmetryMode(int(SymmetryMode::Vertical));
        f.paint.setSymmetryApplyToFill(flags.contains(u'm'));
        QSignalSpy history(f.c, &CanvasArea::historyChanged);
        stroke(f.c, {pointOf(row[0])}, flags.contains(u'r') ? Qt::RightButton : Qt::LeftButton,
               flags.contains(u'c') ? Qt::ControlModifier : Qt::NoModifier);
        const Colormap &map = f.project.colormap();
        QCOMPARE(history.count(), expected < 0 ? 0 : 1);
        if (expected < 0) {
            QCOMPARE(map, first);
            return;
        }
        QCOMPARE(f.project.history().nodes().first().kind, HistoryEntryKind::Fill);
        const QPoint p = pointOf(row[4]), mirror(map.width() - 1 - p.x(), p.y());
        const quint8 copy = flags.contains(u'm') ? quint8(expected) : quint8(2);
        QCOMPARE(map.pixel(p.x(), p.y()), quint8(expected));
        QCOMPARE(map.pixel(mirror.x(), mirror.y()), copy);
        // The artwork shows the fill at once.
        QVERIFY(f.showsDocument());
        f.project.history().undo(f.project);
        QCOMPARE(map, first);
    }
    void preview()
    {
        FillFixture f(true);
        FillTool *tool = f.canvas->fillTool();
        move(f.c, at(f.c, QPoint(20, 20)), Qt::NoButton);
        QVERIFY(tool->previewArea().contains(QRect(16, 16, 16, 16)));
        QCOMPARE(f.canvas->previewRect(), tool->previewArea());
        f.paint.setFillPreviewEnabled(false);
        QVERIFY(tool->previewArea().isEmpty());
        // Ctrl still shows the contour that a click would draw.
        QTest::keyPress(f.c, Qt::Key_Control);
        QVERIFY(!tool->previewArea().isEmpty());
        QTest::keyRelease(f.c, Qt::Key_Control);
        QVERIFY(tool->previewArea().isEmpty());
        QCOMPARE(f.project.history().nodeCount(), 0);
    }
};

QTEST_MAIN(TestFillTool)
#include "tst_filltool.moc"
