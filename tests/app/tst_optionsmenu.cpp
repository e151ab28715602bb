// The Options menu as an artist uses it: tool shortcuts switch the canvas's
// tool, the fill entries reach the fill tool, and Disable Fill Preview is
// remembered for the next window.

#include "app/mainwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/erasertool.h"
#include "canvas/eyedroppertool.h"
#include "canvas/filltool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace
{

QAction *findAction(QWidget *window, const QString &text)
{
    for (QAction *action : window->findChildren<QAction *>())
        if (action->text() == text)
            return action;
    return nullptr;
}

CanvasTool *toolNamed(CanvasArea *c, const QString &name)
{
    const QMap<QString, CanvasTool *> tools = {
        {"pen", c->penTool()}, {"eraser", c->eraserTool()},         {"fill", c->fillTool()},
        {"pan", c->panTool()}, {"eyedropper", c->eyedropperTool()}, {"axes", c->symmetryTool()}};
    return tools.value(name);
}

} // namespace

class TestOptionsMenu : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void toolKeys_data();
    void toolKeys();
    void fillEntries();
};

void TestOptionsMenu::toolKeys_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("tool");
    QTest::newRow("G") << "G"
                       << "fill";
    QTest::newRow("E") << "E"
                       << "eraser";
    QTest::newRow("I") << "I"
                       << "eyedropper";
    QTest::newRow("H") << "H"
                       << "pan";
    QTest::newRow("Y") << "Y"
                       << "axes";
    QTest::newRow("G then B") << "GB"
                              << "pen";
    QTest::newRow("E then G") << "EG"
                              << "fill";
}

void TestOptionsMenu::toolKeys()
{
    QFETCH(QString, keys);
    QFETCH(QString, tool);
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *canvas = window.findChild<CanvasArea *>();
    for (QChar key : keys)
        QTest::keyClick(&window, Qt::Key(key.unicode()));
    QCOMPARE(canvas->activeTool(), toolNamed(canvas, tool));
    // Exactly one tool is switched on: the one the last key chose.
    for (const QString &other : {"eraser", "fill", "eyedropper", "pan", "axes"})
        QCOMPARE(toolNamed(canvas, other)->isActive(), other == tool);
}

void TestOptionsMenu::fillEntries()
{
    QSettings().remove(QStringLiteral("tools/disableFillPreview"));
    auto window = std::make_unique<MainWindow>();
    auto *canvas = window->findChild<CanvasArea *>();
    QVERIFY(canvas->fillPreviewEnabled());
    findAction(window.get(), "Fill Tool")->trigger();
    QCOMPARE(canvas->activeTool(), canvas->fillTool());
    findAction(window.get(), "Outside")->trigger();
    QCOMPARE(canvas->contourPlacement(), ContourPlacement::Outside);
    findAction(window.get(), "Apply to Flood Fill")->trigger();
    QVERIFY(canvas->symmetry().applyToFill());
    findAction(window.get(), "Disable Fill Preview")->trigger();
    QVERIFY(!canvas->fillPreviewEnabled());
    window->close();
    window = std::make_unique<MainWindow>();
    QVERIFY(!window->findChild<CanvasArea *>()->fillPreviewEnabled());
    QVERIFY(findAction(window.get(), "Disable Fill Preview")->isChecked());
}

QTEST_MAIN(TestOptionsMenu)
#include "tst_optionsmenu.moc"
