#include "app/mainwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "document/viewtransform.h"

#include <QAction>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{

class TestWindow : public MainWindow
{
public:
    QString chosenPath;

protected:
    QString chooseSavePath(const QString &) override { return chosenPath; }
};

QAction *findAction(QWidget *window, const QString &text)
{
    for (QAction *action : window->findChildren<QAction *>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

// A tool holding steps of its own, as staged shapes do.
class SteppedTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;
    int steps = 0;
    bool hasLocalUndo() const override { return steps > 0; }
    bool undoLocal() override
    {
        if (steps == 0)
            return false;
        --steps;
        return true;
    }
};

} // namespace

// Drawing on the window's canvas and stepping through the history, as an
// artist does it: the document, the title's marker and the undo actions
// must follow every step.
class TestWindowEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void drawUndoRedoSave()
    {
        QTemporaryDir dir;
        TestWindow window;
        window.resize(800, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CanvasArea *canvas = window.canvas();
        canvas->setPenIndex(7);

        QAction *undo = findAction(&window, QStringLiteral("Undo"));
        QAction *redo = findAction(&window, QStringLiteral("Redo"));
        QVERIFY(undo && redo);
        QVERIFY(!undo->isEnabled());

        const QPoint at = canvas->viewTransform().toWidget(QPointF(100.5, 60.5)).toPoint();
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
        const Project &project = window.project();
        QCOMPARE(project.colormap().pixel(100, 60), quint8(7));
        QCOMPARE(project.history().nodeCount(), 1);
        QVERIFY(window.isWindowModified());
        QVERIFY(undo->isEnabled());

        undo->trigger();
        QCOMPARE(project.colormap().pixel(100, 60), quint8(0));
        // An edit was recorded since the document was new, so it stays modified.
        QVERIFY(window.isWindowModified());
        QVERIFY(redo->isEnabled() && !undo->isEnabled());
        // The canvas shows the undone pixel again in the background colour.
        QCOMPARE(canvas->artworkImage().pixel(100, 60), paletteRgb(project.paletteVariant(), 0));

        redo->trigger();
        QCOMPARE(project.colormap().pixel(100, 60), quint8(7));
        QCOMPARE(canvas->artworkImage().pixel(100, 60), paletteRgb(project.paletteVariant(), 7));

        // Saved, then undone: modified; redone to the saved point: clean again.
        window.chosenPath = dir.filePath(QStringLiteral("art.kvn"));
        QVERIFY(window.saveProjectAs());
        undo->trigger();
        QVERIFY(window.isWindowModified());
        redo->trigger();
        QVERIFY(!window.isWindowModified());
    }
    void toolStepsUndoFirst()
    {
        TestWindow window;
        CanvasArea *canvas = window.canvas();
        auto owned = std::make_unique<SteppedTool>(canvas);
        SteppedTool *tool = owned.get();
        canvas->installPenTool(std::move(owned));
        QCOMPARE(canvas->activeTool(), tool);
        QAction *undo = findAction(&window, QStringLiteral("Undo"));

        // With nothing recorded, the tool's own steps alone enable Undo.
        tool->steps = 1;
        window.refreshUndoActions();
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(tool->steps, 0);
        QVERIFY(!undo->isEnabled());

        // A recorded edit waits until the tool has no steps left.
        Project &project = window.project();
        HistoryNode node;
        node.kind = HistoryEntryKind::AssignSlot;
        node.changes << HistoryChange::colorIndex(quint8(ColorSlot::Border), 0, 5);
        project.setSlot(ColorSlot::Border, 5);
        project.history().push(node);
        tool->steps = 2;
        window.refreshUndoActions();
        for (const int left : {1, 0}) {
            undo->trigger();
            QCOMPARE(tool->steps, left);
            QCOMPARE(project.history().position(), 1);
            QCOMPARE(project.slot(ColorSlot::Border), quint8(5));
        }
        undo->trigger();
        QCOMPARE(project.history().position(), 0);
        QCOMPARE(project.slot(ColorSlot::Border), quint8(0));
    }
};

QTEST_MAIN(TestWindowEditing)
#include "tst_windowediting.moc"
