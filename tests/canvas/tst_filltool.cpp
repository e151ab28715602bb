// The fill tool through real clicks and keys on a shown canvas: which
// colour each button floods with, Ctrl contours on multicolor only, clicks
// that must record nothing, symmetric copies, and the preview's switch.

#include "canvastesthelpers.h"

#include "canvas/filltool.h"

#include "document/history.h"
#include "document/palette.h"

#include <QSignalSpy>

namespace
{

// A square of colour 2 at (16, 16) and its mirror image across the middle.
Project shapes(CanvasMode mode)
{
    Project p(mode);
    p.colormap().fillRect(QRect(16, 16, 16, 16), 2);
    p.colormap().fillRect(QRect(p.width() - 32, 16, 16, 16), 2);
    // A multicolor cell that holds three colours besides the background.
    for (int x = 0; x < 3 && mode == CanvasMode::Multicolor; ++x)
        p.colormap().setPixel(x, 0, quint8(x + 1));
    return p;
}

} // namespace

class TestFillTool : public QObject
{
    Q_OBJECT

private slots:
    void clicks_data()
    {
        // "r" right button, "c" Ctrl, "m" mirrored copies on; expected -1 for
        // a click that records nothing.
        QTest::addColumn<QPoint>("click");
        QTest::addColumn<bool>("multicolor");
        QTest::addColumn<int>("pen");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<int>("expected");
        const QPoint c(20, 20);
        // clang-format off
        QTest::newRow("left")             << c << false << 5 << ""   << QPoint(16, 31) << 5;
        QTest::newRow("right")            << c << false << 5 << "r"  << QPoint(31, 16) << 6;
        QTest::newRow("hires ctrl fills") << c << false << 5 << "c"  << QPoint(20, 20) << 5;
        QTest::newRow("contour edge")     << c << true  << 5 << "c"  << QPoint(16, 20) << 5;
        QTest::newRow("contour inside")   << c << true  << 5 << "c"  << QPoint(20, 20) << 2;
        QTest::newRow("own colour")       << c << false << 2 << ""   << QPoint(20, 20) << -1;
        QTest::newRow("mirrored")         << c << false << 5 << "m"  << QPoint(20, 20) << 5;
        QTest::newRow("mirrored contour") << c << true  << 5 << "cm" << QPoint(16, 20) << 5;
        // A fourth colour would clash in the cell, so nothing is painted.
        QTest::newRow("would clash") << QPoint(1, 1) << true << 5 << "" << QPoint(1, 1) << -1;
        // clang-format on
    }
    void clicks()
    {
        QFETCH(QPoint, click);
        QFETCH(bool, multicolor);
        QFETCH(int, pen);
        QFETCH(QString, flags);
        QFETCH(QPoint, probe);
        QFETCH(int, expected);
        CanvasFixture f(shapes(multicolor ? CanvasMode::Multicolor : CanvasMode::Hires),
                        QSize(800, 600));
        Project &project = f.project;
        CanvasArea &canvas = *f.canvas;
        const Colormap first = project.colormap();
        canvas.setFillTool(true);
        QCOMPARE(canvas.activeTool(), canvas.fillTool());
        canvas.setPenIndex(quint8(pen));
        canvas.setSecondaryIndex(6);
        canvas.setSymmetryMode(int(SymmetryMode::Vertical));
        canvas.setSymmetryApplyToFill(flags.contains(u'm'));
        QSignalSpy history(&canvas, &CanvasArea::historyChanged);
        const auto mods = flags.contains(u'c') ? Qt::ControlModifier : Qt::NoModifier;
        const auto button = flags.contains(u'r') ? Qt::RightButton : Qt::LeftButton;
        stroke(&canvas, {click}, button, mods);
        if (expected < 0) {
            QCOMPARE(project.history().nodeCount(), 0);
            QCOMPARE(project.colormap(), first);
            return;
        }
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.history().nodes().first().kind, HistoryEntryKind::Fill);
        QCOMPARE(history.count(), 1);
        QCOMPARE(project.colormap().pixel(probe.x(), probe.y()), quint8(expected));
        const int mirrored = project.width() - 1 - probe.x();
        QCOMPARE(project.colormap().pixel(mirrored, probe.y()),
                 flags.contains(u'm') ? quint8(expected) : quint8(2));
        QCOMPARE(project.colormap().pixel(40, 40), quint8(0));
        // The artwork shows the fill at once.
        const QImage &art = canvas.artworkImage();
        QCOMPARE(art.pixel(probe.x() * art.width() / project.width(), probe.y()) | 0xFF000000u,
                 paletteRgb(project.paletteVariant(), expected) | 0xFF000000u);
        project.history().undo(project);
        QCOMPARE(project.colormap(), first);
    }
    void preview()
    {
        CanvasFixture f(shapes(CanvasMode::Multicolor), QSize(800, 600));
        Project &project = f.project;
        CanvasArea &canvas = *f.canvas;
        canvas.setFillTool(true);
        canvas.setPenIndex(5);
        FillTool *tool = canvas.fillTool();
        move(&canvas, at(&canvas, QPoint(20, 20)), Qt::NoButton);
        QCOMPARE(tool->previewArea().isEmpty(), false);
        QVERIFY(tool->previewArea().contains(QRect(16, 16, 16, 16)));
        QCOMPARE(canvas.previewRect(), tool->previewArea());
        canvas.setFillPreviewEnabled(false);
        QVERIFY(tool->previewArea().isEmpty());
        // Ctrl still shows the contour that a click would draw.
        QTest::keyPress(&canvas, Qt::Key_Control);
        QVERIFY(!tool->previewArea().isEmpty());
        QTest::keyRelease(&canvas, Qt::Key_Control);
        QVERIFY(tool->previewArea().isEmpty());
        QCOMPARE(project.history().nodeCount(), 0);
    }
};

QTEST_MAIN(TestFillTool)
#include "tst_filltool.moc"
