// Colour slot clicks through the window: the slot bar on the palette
// dashboard assigns the pen colours as one undoable edit.

#include "windowtesthelpers.h"

#include "app/dashboardcontroller.h"
#include "canvas/canvasarea.h"
#include "document/history.h"
#include "widgets/colorassignmentwidget.h"

class TestColorSlots : public QObject
{
    Q_OBJECT

private slots:
    void init() { freshSettings(); }
    void clickAssignsAndUndoRestores()
    {
        TestWindow window;
        QVERIFY(shownAndExposed(window, QSize(1000, 700)));
        window.newMulticolorSpritesCanvas();
        Project &project = window.project();
        // Background, sprite multicolour 0 and 1.
        ColorAssignmentWidget *slotBar = window.dashboards()->slotWidget();
        const Colormap before = project.colormap();
        QCOMPARE(project.slot(ColorSlot::Background), quint8(0));

        window.paintSettings()->setPenIndex(6);
        window.paintSettings()->setSecondaryIndex(2);
        QTest::mouseClick(slotBar, Qt::LeftButton, {}, QPoint(20, 14));
        QCOMPARE(project.slot(ColorSlot::Background), quint8(6));
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.history().nodes().first().kind, HistoryEntryKind::AssignSlot);
        // The background follows over the whole side-border canvas.
        QCOMPARE(project.colormap().pixel(0, 0), quint8(6));
        QCOMPARE(project.colormap().pixel(project.size().width() - 1, 100), quint8(6));
        QVERIFY(window.isWindowModified());

        // The same colour again records nothing.
        QTest::mouseClick(slotBar, Qt::LeftButton, {}, QPoint(30, 14));
        QCOMPARE(project.history().nodeCount(), 1);
        // The right button assigns the secondary colour, to the slot clicked.
        QTest::mouseClick(slotBar, Qt::RightButton, {}, QPoint(46 * 2 + 20, 14));
        QCOMPARE(project.slot(ColorSlot::SpriteMulticolor1), quint8(2));
        QCOMPARE(project.slot(ColorSlot::SpriteMulticolor0), quint8(4));
        QCOMPARE(project.history().nodeCount(), 2);

        window.undo();
        QCOMPARE(project.slot(ColorSlot::SpriteMulticolor1), quint8(10));
        window.undo();
        QCOMPARE(project.slot(ColorSlot::Background), quint8(0));
        QVERIFY(project.colormap().bytes() == before.bytes());
        QCOMPARE(project.history().position(), 0);
    }
};

QTEST_MAIN(TestColorSlots)
#include "tst_colorslots.moc"
