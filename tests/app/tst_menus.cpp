// The menu bar and the keys as an artist meets them: the commands behind the
// keys and entries, reached through the menus by their paths. Every keyed
// entry's keys are checked against the manual in tst_mainwindow.

#include "app/mainwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/erasertool.h"
#include "canvas/eyedroppertool.h"
#include "canvas/filltool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

// Walks the menus in order: "Menu>Sub>Text" for entries, "Menu>---" for separators.
void collect(QMenu *menu, const QString &path, QList<std::pair<QString, QAction *>> &out)
{
    for (QAction *action : menu->actions()) {
        const QString entry = path + u'>' + (action->isSeparator() ? u"---"_s : action->text());
        out.append({entry, action});
        if (action->menu())
            collect(action->menu(), entry, out);
    }
}

QList<std::pair<QString, QAction *>> menuEntries(MainWindow &window)
{
    QList<std::pair<QString, QAction *>> entries;
    for (QAction *top : window.menuBar()->actions())
        collect(top->menu(), top->text(), entries);
    for (QAction *hidden : window.actions())
        if (!hidden->text().startsWith(u"Pen Color"_s))
            entries.append({u"(hidden)>"_s + hidden->text(), hidden});
    return entries;
}

QAction *entry(MainWindow &window, const QString &path)
{
    for (const auto &[entryPath, action] : menuEntries(window))
        if (entryPath == path)
            return action;
    qFatal("no menu entry %s", qPrintable(path));
}

struct Shown {
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
    Shown()
    {
        window->resize(640, 480);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    CanvasArea *canvas() const { return window->canvas(); }
};

} // namespace

class TestMenus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().clear(); }
    void penColorKeys()
    {
        Shown shown;
        CanvasArea *canvas = shown.canvas();
        // 1-8 pick colors 0-7, Shift with them 8-15; the secondary color stays.
        for (const auto &[key, shift, index] :
             {std::tuple{Qt::Key_1, false, 0}, {Qt::Key_8, false, 7}, {Qt::Key_3, true, 10}}) {
            QTest::keyClick(canvas, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(std::pair(int(canvas->paintSettings().penIndex()),
                               int(canvas->paintSettings().secondaryIndex())),
                     std::pair(index, 0));
        }
    }
    void penWidthKeys()
    {
        Shown shown;
        MainWindow &window = *shown.window;
        CanvasArea *canvas = shown.canvas();
        QAction *smooth = entry(window, "&Options>Anti-Aliased Strokes");
        const auto state = [&] {
            return std::pair(canvas->paintSettings().brushSettings().width, smooth->isEnabled());
        };
        entry(window, "&File>Presets>Multicolor Canvas")->trigger();
        QAction *pressure = entry(window, "&Options>Pressure-Widened Strokes");
        pressure->trigger();
        // No edge to smooth on a one-pixel nib that pressure cannot widen.
        QCOMPARE(state(), std::pair(1, false));
        QTest::keyClick(canvas, Qt::Key_Period);
        QCOMPARE(state(), std::pair(2, true));
        QTest::keyClick(canvas, Qt::Key_Comma);
        QTest::keyClick(canvas, Qt::Key_BracketLeft);
        QCOMPARE(state(), std::pair(1, false));
        pressure->trigger();
        QCOMPARE(state(), std::pair(1, true));
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(canvas, Qt::Key_BracketRight);
        QCOMPARE(canvas->paintSettings().brushSettings().width, 32);
        // Hires has no anti-aliasing at any width.
        entry(window, "&File>Presets>Hires Canvas")->trigger();
        QVERIFY(!smooth->isEnabled());
    }
    void toolKeys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("tool");
        const auto row = [](const char *keys, const char *tool) {
            QTest::newRow(keys) << QString::fromLatin1(keys) << QString::fromLatin1(tool);
        };
        row("GG", "Fill Tool"); // a second press keeps the tool
        row("GE", "Eraser Tool");
        row("I", "Eyedropper Tool");
        row("H", "Pan Tool");
        row("Y", "Symmetry>Move Axes");
        row("GB", "Pen Tool");
    }
    void toolKeys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, tool);
        Shown shown;
        CanvasArea *c = shown.canvas();
        for (QChar key : keys)
            QTest::keyClick(c, Qt::Key(key.unicode()));
        QAction *chosen = entry(*shown.window, u"&Options>"_s + tool);
        QVERIFY(chosen->isChecked());
        const QMap<QString, CanvasTool *> tools = {{"Pen Tool", c->penTool()},
                                                   {"Eraser Tool", c->eraserTool()},
                                                   {"Fill Tool", c->fillTool()},
                                                   {"Pan Tool", c->panTool()},
                                                   {"Eyedropper Tool", c->eyedropperTool()},
                                                   {"Symmetry>Move Axes", c->symmetryTool()}};
        QCOMPARE(c->activeTool(), tools.value(tool));
    }
    void radioEntriesReachTheCanvas()
    {
        MainWindow window;
        for (const char *path :
             {"Fill Contour Placement>Outside", "Symmetry>Kaleidoscope",
              "Symmetry>Apply to Flood Fill", "Square Brush", "Two-Color Texture"})
            entry(window, u"&Options>"_s + QLatin1String(path))->trigger();
        const PaintSettings *c = window.paintSettings();
        QCOMPARE(std::tuple(c->contourPlacement(), c->symmetryMode(), c->symmetry().applyToFill(),
                            c->brushSettings().shape, c->textureMode()),
                 std::tuple(ContourPlacement::Outside, SymmetryMode::Kaleidoscope, true,
                            BrushShape::Square, TextureMode::TwoColor));
    }
    void newCanvasTakesMenuChoices()
    {
        MainWindow window;
        entry(window, "&Palette>CCS64")->trigger();
        entry(window, "&View>PAL Pixels")->trigger();
        entry(window, "&Options>Border Sprites>Enforce 8-Sprite Border Limit")->trigger();
        entry(window, "&Options>Hires Clash Resolution>Preserve Most-Used Color")->trigger();
        QCOMPARE(window.project().paletteVariant(), 3);
        // The choices live in the menus: a document that lost them gets them back.
        window.project().setPaletteVariant(0);
        window.project().setSpriteCountPolicy(SpriteCountPolicy::Flag);
        const Project *before = &window.project();
        entry(window, "&File>Presets>Multicolor + Top/Bottom Sprites Canvas")->trigger();
        // The same document object with new content, shown whole on the canvas.
        const Project &project = window.project();
        QCOMPARE(&project, before);
        QCOMPARE(project.size(), QSize(160, 284));
        QCOMPARE(window.canvas()->artworkImage().size(), QSize(320, 284)); // widened pixels
        QVERIFY(window.canvas()->isFitMode());
        QCOMPARE(std::tuple(project.paletteVariant(), project.view().displayAspect(),
                            project.spriteCountPolicy(), project.hiresClashResolution()),
                 std::tuple(3, 0.9375, SpriteCountPolicy::Enforce,
                            HiresClashResolution::PreserveMostUsed));
        QVERIFY(entry(window, "&Options>Border Sprites")->isEnabled());
        entry(window, "&File>Presets>Dual Multicolor Canvas")->trigger();
        QVERIFY(!entry(window, "&Options>Border Sprites")->isEnabled());
        QVERIFY(!entry(window, "&Options>Hires Clash Resolution")->isEnabled());
        QVERIFY(entry(window, "&Options>Fill Contour Placement")->isEnabled());
    }
    void wholeCanvasEditsWaitForStroke()
    {
        Shown shown;
        MainWindow &window = *shown.window;
        entry(window, "&File>Presets>Multicolor + Top/Bottom Sprites Canvas")->trigger();
        entry(window, "&Options>Border Sprites>Flag Sprites over the Border Limit")->trigger();
        CanvasArea *canvas = shown.canvas();
        QTest::keyClick(canvas, Qt::Key_BracketRight);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(canvas, Qt::Key_Period);
        // Nine sprite columns of the top border in use: one over the limit.
        const QRect top = canvas->rect();
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(top.left() + 5, top.top() + 60));
        QTest::mouseMove(canvas, QPoint(top.right() - 5, top.top() + 60));
        QAction *reduce = entry(window, "&Options>Border Sprites>Reduce Borders to 8 Sprites");
        const int before = window.project().history().nodeCount();
        reduce->trigger();
        QCOMPARE(window.project().history().nodeCount(), before);
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(top.right() - 5, top.top() + 60));
        QCOMPARE(window.project().history().nodeCount(), before + 1);
        reduce->trigger();
        QCOMPARE(window.project().history().nodeCount(), before + 2);
    }
};

QTEST_MAIN(TestMenus)
#include "tst_menus.moc"
