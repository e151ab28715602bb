// The menu bar and the keys as an artist meets them: every entry's text,
// shortcut, check state, group and data against a transcribed table, and the
// commands behind the keys that exist so far.

#include "app/mainwindow.h"

#include "canvas/canvasarea.h"
#include "canvas/canvastool.h"
#include "canvas/erasertool.h"
#include "canvas/eyedroppertool.h"
#include "canvas/filltool.h"
#include "canvas/pantool.h"
#include "canvas/symmetrytool.h"
#include "document/viewtransform.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

namespace
{

// Walks the menus in order: "Menu>Sub>Text" for entries, "Menu>---" for separators.
void collect(QMenu *menu, const QString &path, QList<std::pair<QString, QAction *>> &out)
{
    for (QAction *action : menu->actions()) {
        const QString entry = path + QLatin1Char('>') +
                              (action->isSeparator() ? QStringLiteral("---") : action->text());
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
        if (!hidden->text().startsWith(QLatin1String("Pen Color")))
            entries.append({QStringLiteral("(hidden)>") + hidden->text(), hidden});
    return entries;
}

QAction *entry(MainWindow &window, const QString &path)
{
    for (const auto &[entryPath, action] : menuEntries(window))
        if (entryPath == path)
            return action;
    qFatal("no menu entry %s", qPrintable(path));
}

QList<QKeySequence> expectedKeys(const QString &field)
{
    QList<QKeySequence> keys;
    if (field.isEmpty())
        return keys;
    const QMetaEnum standard = QMetaEnum::fromType<QKeySequence::StandardKey>();
    for (const QString &token : field.split(QStringLiteral(" | "))) {
        QList<QKeySequence> add{QKeySequence(token)};
        if (token.startsWith(QLatin1Char('=')))
            add = QKeySequence::keyBindings(
                QKeySequence::StandardKey(standard.keyToValue(qPrintable(token.mid(1)))));
        for (const QKeySequence &key : add)
            if (!keys.contains(key))
                keys.append(key);
    }
    return keys;
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
    void menuTable()
    {
        QFile file(QStringLiteral(KORVEN_SOURCE_DIR "/tests/app/menus.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList rows;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                rows.append(line);

        MainWindow window;
        const auto entries = menuEntries(window);
        QHash<QString, QActionGroup *> groups;
        for (int i = 0; i < qMin(rows.size(), entries.size()); ++i) {
            const QStringList f = rows[i].split(QLatin1Char(';'));
            QCOMPARE(f.size(), 6);
            const auto &[path, action] = entries[i];
            QCOMPARE(path, f[0]);
            if (action->isSeparator())
                continue;
            QCOMPARE(action->shortcuts(), expectedKeys(f[1]));
            QCOMPARE(action->isCheckable(), f[2] != QLatin1String("-"));
            QCOMPARE(action->isChecked(), f[2] == QLatin1String("on"));
            const QStringList group = f[3].split(QLatin1Char('='));
            if (f[3].isEmpty()) {
                QVERIFY2(!action->actionGroup(), qPrintable(path));
            } else {
                QVERIFY2(action->actionGroup() && action->actionGroup()->isExclusive(),
                         qPrintable(path));
                QActionGroup *&known = groups[group[0]];
                if (!known)
                    known = action->actionGroup();
                QCOMPARE(action->actionGroup(), known);
                if (group.size() == 2)
                    QCOMPARE(action->data().toDouble(), group[1].toDouble());
            }
            QVERIFY2(action->isEnabled() == (f[4] == QLatin1String("y")), qPrintable(path));
            QCOMPARE(action->shortcutContext(),
                     f[5] == QLatin1String("app") ? Qt::ApplicationShortcut : Qt::WindowShortcut);
        }
        QCOMPARE(entries.size(), rows.size());
        // Groups with different names are different groups.
        QCOMPARE(QSet<QActionGroup *>(groups.cbegin(), groups.cend()).size(), groups.size());
    }
    void penColorKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("index");
        QTest::newRow("1") << int(Qt::Key_1) << false << 0;
        QTest::newRow("8") << int(Qt::Key_8) << false << 7;
        QTest::newRow("Shift+3") << int(Qt::Key_3) << true << 10;
    }
    void penColorKeys()
    {
        QFETCH(int, key);
        QFETCH(bool, shift);
        QFETCH(int, index);
        Shown shown;
        QTest::keyClick(shown.canvas(), Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
        QCOMPARE(int(shown.canvas()->penIndex()), index);
        QCOMPARE(int(shown.canvas()->secondaryIndex()), 0);
    }
    void penWidthKeys()
    {
        Shown shown;
        CanvasArea *canvas = shown.canvas();
        QAction *preset = entry(*shown.window, QStringLiteral("&File>Presets>Multicolor Canvas"));
        preset->trigger();
        QAction *pressure =
            entry(*shown.window, QStringLiteral("&Options>Pressure-Widened Strokes"));
        QAction *smooth = entry(*shown.window, QStringLiteral("&Options>Anti-Aliased Strokes"));
        pressure->trigger();
        QVERIFY(!pressure->isChecked());
        QCOMPARE(canvas->brushSettings().width, 1);
        // No edge to smooth on a one-pixel nib that pressure cannot widen.
        QVERIFY(!smooth->isEnabled());
        QTest::keyClick(canvas, Qt::Key_Period);
        QCOMPARE(canvas->brushSettings().width, 2);
        QVERIFY(smooth->isEnabled());
        QTest::keyClick(canvas, Qt::Key_Comma);
        QTest::keyClick(canvas, Qt::Key_BracketLeft);
        QCOMPARE(canvas->brushSettings().width, 1);
        QVERIFY(!smooth->isEnabled());
        pressure->trigger();
        QVERIFY(smooth->isEnabled());
        for (int i = 0; i < 40; ++i)
            QTest::keyClick(canvas, Qt::Key_BracketRight);
        QCOMPARE(canvas->brushSettings().width, 32);
        // Hires has no anti-aliasing at any width.
        entry(*shown.window, QStringLiteral("&File>Presets>Hires Canvas"))->trigger();
        QVERIFY(!smooth->isEnabled());
    }
    void toolKeys_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("tool");
        const auto row = [](const char *keys, const char *tool) {
            QTest::newRow(keys) << QString::fromLatin1(keys) << QString::fromLatin1(tool);
        };
        row("BB", "Pen Tool");
        row("GG", "Fill Tool");
        row("E", "Eraser Tool");
        row("I", "Eyedropper Tool");
        row("H", "Pan Tool");
        row("Y", "Symmetry>Move Axes");
        row("GB", "Pen Tool");
        row("EG", "Fill Tool");
    }
    void toolKeys()
    {
        QFETCH(QString, keys);
        QFETCH(QString, tool);
        Shown shown;
        CanvasArea *c = shown.canvas();
        for (QChar key : keys)
            QTest::keyClick(c, Qt::Key(key.unicode()));
        QAction *chosen = entry(*shown.window, QStringLiteral("&Options>") + tool);
        QVERIFY(chosen->isChecked());
        const QMap<QString, CanvasTool *> tools = {{"Pen Tool", c->penTool()},
                                                   {"Eraser Tool", c->eraserTool()},
                                                   {"Fill Tool", c->fillTool()},
                                                   {"Pan Tool", c->panTool()},
                                                   {"Eyedropper Tool", c->eyedropperTool()},
                                                   {"Symmetry>Move Axes", c->symmetryTool()}};
        QCOMPARE(c->activeTool(), tools.value(tool));
        // No other tool stays switched on; the pen is on whenever none is.
        for (auto it = tools.cbegin(); it != tools.cend(); ++it)
            if (it.value() != c->penTool())
                QCOMPARE(it.value()->isActive(), it.key() == tool);
    }
    void radioEntriesReachTheCanvas()
    {
        MainWindow window;
        CanvasArea *canvas = window.canvas();
        entry(window, QStringLiteral("&Options>Fill Contour Placement>Outside"))->trigger();
        QCOMPARE(canvas->contourPlacement(), ContourPlacement::Outside);
        entry(window, QStringLiteral("&Options>Symmetry>Kaleidoscope"))->trigger();
        QCOMPARE(canvas->symmetryMode(), SymmetryMode::Kaleidoscope);
        entry(window, QStringLiteral("&Options>Symmetry>Apply to Flood Fill"))->trigger();
        QVERIFY(canvas->symmetry().applyToFill());
        entry(window, QStringLiteral("&Options>Square Brush"))->trigger();
        QCOMPARE(canvas->brushSettings().shape, BrushShape::Square);
        entry(window, QStringLiteral("&Options>Two-Color Texture"))->trigger();
        QCOMPARE(canvas->textureMode(), TextureMode::TwoColor);
    }
    void persistedEntries_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // null: not persisted
        const auto row = [](const char *path, const char *key, QVariant stored) {
            QTest::newRow(path) << QString::fromLatin1(path) << QString::fromLatin1(key) << stored;
        };
        row("&View>Show Pixel Grids", "view/showPixelGrid", true);
        row("&View>Bilinear Filtering", "view/bilinearFiltering", true);
        row("&Options>Pixel-Perfect Strokes", "tools/pixelPerfectStrokes", true);
        row("&Options>Pressure-Widened Strokes", "tools/pressureWidening", false);
        row("&Options>Disable Fill Preview", "tools/disableFillPreview", true);
        row("&View>NTSC Pixels", "view/displayPixelAspect", 0.75);
        row("&View>Mirror Preview Horizontally", "preview/mirrorHorizontally", true);
        row("&Options>Symmetry>Kaleidoscope", "", QVariant());
        row("&Options>Fill Tool", "", QVariant());
    }
    void persistedEntries()
    {
        QFETCH(QString, path);
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        bool toggled = false;
        {
            MainWindow window;
            entry(window, QStringLiteral("&File>Presets>Multicolor + Side Sprites Canvas"))
                ->trigger();
            QAction *action = entry(window, path);
            if (action->isEnabled())
                action->trigger();
            else
                action->setChecked(!action->isChecked());
            toggled = action->isChecked();
            // Written when the window closes, not before.
            if (!key.isEmpty())
                QVERIFY(!QSettings().contains(key));
            window.close();
        }
        if (!key.isEmpty())
            QCOMPARE(QSettings().value(key), stored);
        MainWindow next;
        QCOMPARE(entry(next, path)->isChecked(), key.isEmpty() ? !toggled : toggled);
        if (path == QLatin1String("&View>NTSC Pixels"))
            QCOMPARE(next.project().view().displayAspect(), 0.75);
        if (path == QLatin1String("&Options>Disable Fill Preview"))
            QVERIFY(!next.canvas()->fillPreviewEnabled());
    }
    void newCanvasTakesMenuChoices()
    {
        MainWindow window;
        entry(window, QStringLiteral("&Palette>CCS64"))->trigger();
        entry(window, QStringLiteral("&View>PAL Pixels"))->trigger();
        entry(window, QStringLiteral("&Options>Border Sprites>Enforce 8-Sprite Border Limit"))
            ->trigger();
        entry(window, QStringLiteral("&Options>Hires Clash Resolution>Preserve Most-Used Color"))
            ->trigger();
        QCOMPARE(window.project().paletteVariant(), 3);
        // The choices live in the menus: a document that lost them gets them back.
        window.project().setPaletteVariant(0);
        window.project().setSpriteCountPolicy(SpriteCountPolicy::Flag);
        const Project *before = &window.project();
        entry(window, QStringLiteral("&File>Presets>Multicolor + Top/Bottom Sprites Canvas"))
            ->trigger();
        // The same document object with new content, shown whole on the canvas.
        const Project &project = window.project();
        QCOMPARE(&project, before);
        QCOMPARE(project.size(), QSize(160, 284));
        QCOMPARE(window.canvas()->artworkImage().size(), QSize(320, 284)); // widened pixels
        QVERIFY(window.canvas()->isFitMode());
        QCOMPARE(project.paletteVariant(), 3);
        QCOMPARE(project.view().displayAspect(), 0.9375);
        QCOMPARE(project.spriteCountPolicy(), SpriteCountPolicy::Enforce);
        QCOMPARE(project.hiresClashResolution(), HiresClashResolution::PreserveMostUsed);
        QVERIFY(entry(window, QStringLiteral("&Options>Border Sprites"))->isEnabled());
        entry(window, QStringLiteral("&File>Presets>Dual Multicolor Canvas"))->trigger();
        QVERIFY(!entry(window, QStringLiteral("&Options>Border Sprites"))->isEnabled());
        QVERIFY(!entry(window, QStringLiteral("&Options>Hires Clash Resolution"))->isEnabled());
        QVERIFY(entry(window, QStringLiteral("&Options>Fill Contour Placement"))->isEnabled());
    }
    void redoAnswersCtrlY()
    {
        Shown shown;
        CanvasArea *canvas = shown.canvas();
        const QPoint spot = canvas->rect().center();
        QTest::mouseClick(canvas, Qt::LeftButton, {}, spot);
        QCOMPARE(shown.window->project().history().position(), 1);
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(shown.window->project().history().position(), 0);
        QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(shown.window->project().history().position(), 1);
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shown.window->project().history().position(), 1);
    }
    void viewKeysFollowActiveWindow()
    {
        Shown shown;
        CanvasArea *canvas = shown.canvas();
        QTest::keyClick(canvas, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(canvas->viewTransform().zoom(), 1.0);
        QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
        const double zoomed = canvas->viewTransform().zoom();
        QVERIFY(zoomed > 1.0);
        // With another window active the app-wide keys leave the canvas alone.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::keyClick(&other, Qt::Key_0, Qt::ControlModifier);
        QTest::keyClick(&other, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(canvas->viewTransform().zoom(), zoomed);
    }
    void wholeCanvasEditsWaitForStroke()
    {
        Shown shown;
        MainWindow &window = *shown.window;
        entry(window, QStringLiteral("&File>Presets>Multicolor + Top/Bottom Sprites Canvas"))
            ->trigger();
        entry(window, QStringLiteral("&Options>Border Sprites>Flag Sprites over the Border Limit"))
            ->trigger();
        CanvasArea *canvas = shown.canvas();
        QTest::keyClick(canvas, Qt::Key_BracketRight);
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(canvas, Qt::Key_Period);
        // Nine sprite columns of the top border in use: one over the limit.
        const QRect top = canvas->rect();
        QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(top.left() + 5, top.top() + 60));
        QTest::mouseMove(canvas, QPoint(top.right() - 5, top.top() + 60));
        QAction *reduce =
            entry(window, QStringLiteral("&Options>Border Sprites>Reduce Borders to 8 Sprites"));
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
