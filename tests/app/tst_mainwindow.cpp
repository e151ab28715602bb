#include "../canvas/canvastesthelpers.h"
#include "windowtesthelpers.h"

#include "../common/canvasrows.h"
#include "app/aboutdialog.h"
#include "app/crashrecovery.h"
#include "app/menutable.h"
#include "canvas/borderframe.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "document/palette.h"
#include "document/pluraltranslator.h"
#include "history/projectfile.h"
#include "history/recoverystore.h"
#include "widgets/dashboardbar.h"

#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace
{

// A tool holding steps of its own, as staged shapes do.
class SteppedTool : public CanvasTool
{
public:
    using CanvasTool::CanvasTool;
    int steps = 0;
    bool hasLocalUndo() const override { return steps > 0; }
    bool undoLocal() override { return hasLocalUndo() && --steps >= 0; }
};

// A close: an edit recorded, a shape staged (in the canvas's own black), the
// answer to the prompt, a file chosen for Save As; whether it closes, and
// the status message left.
struct CloseCase {
    bool modified, staged;
    QMessageBox::StandardButton answer;
    bool chooseFile, closes;
    QString message;
};

} // namespace

Q_DECLARE_METATYPE(CloseCase)

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { PluralTranslator::install(); }
    void init() { freshSettings(); }
    void titleAndModifiedMarker()
    {
        QTemporaryDir folder;
        TestWindow window;
        QCOMPARE(window.windowTitle(), u"Untitled[*] - KORVEN"_s);
        QVERIFY(!window.isWindowModified());
        recordEdit(window);
        QVERIFY(window.isWindowModified());

        // Save As starts at the last project folder and adds the missing suffix.
        QSettings().setValue(u"files/lastProjectDir"_s, folder.path());
        window.chosenPath = folder.filePath(u"sunset"_s);
        QVERIFY(window.saveProject());
        QCOMPARE(window.proposals, QStringList{folder.filePath(u"untitled.kvn"_s)});
        const QString path = folder.filePath(u"sunset.kvn"_s);
        QCOMPARE(window.projectPath(), path);
        QCOMPARE(window.windowTitle(), u"sunset.kvn[*] - KORVEN"_s);
        QVERIFY(!window.isWindowModified());
        QCOMPARE(statusText(window), u"Saved sunset.kvn."_s);
        Project loaded;
        QVERIFY(loadProjectFile(path, loaded).ok);
        QCOMPARE(loaded.history().nodeCount(), 1);

        // With a path, Save As proposes it; cancelling keeps it.
        window.chosenPath.clear();
        QVERIFY(!window.saveProjectAs());
        QCOMPARE(window.proposals.value(1), path);
        QCOMPARE(statusText(window), u"Save cancelled."_s);
        QCOMPARE(window.projectPath(), path);

        recordEdit(window);
        QVERIFY(window.isWindowModified());
        // Saving again goes to the same file without asking.
        QVERIFY(window.saveProject());
        QCOMPARE(window.proposals.size(), 2);
        QVERIFY(!window.isWindowModified());
    }
    void dragAndDrop_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("one project") << QStringList{"a.kvn"} << false << true;
        QTest::newRow("capitals") << QStringList{"A.KVN"} << false << true;
        QTest::newRow("two projects") << QStringList{"a.kvn", "b.kvn"} << false << false;
        QTest::newRow("remote") << QStringList{"https://example.com/a.kvn"} << false << false;
        QTest::newRow("suffix inside") << QStringList{"a.kvn.png"} << false << false;
        QTest::newRow("while saving") << QStringList{"a.kvn"} << true << false;
    }
    void dragAndDrop()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, busy);
        QFETCH(bool, accepted);
        QTemporaryDir folder;
        MainWindow window;
        QVERIFY(window.acceptDrops());
        QMimeData mime;
        QList<QUrl> urls;
        for (const QString &file : files) {
            const QString path = folder.filePath(file);
            QVERIFY(file.contains(u':') ||
                    saveProjectFile(Project(CanvasMode::Multicolor), path).ok);
            urls << (file.contains(u':') ? QUrl(file) : QUrl::fromLocalFile(path));
        }
        window.setFileTaskBusy(busy);
        mime.setUrls(urls);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(QPoint(9, 9), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        QDropEvent drop(QPointF(9, 9), actions, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
        QCOMPARE(drop.isAccepted(), accepted);
        QVERIFY(!accepted || drop.dropAction() == Qt::CopyAction);

        // The opening waits for the next turn of the event loop, and a task
        // started before then blocks it.
        QCOMPARE(window.project().mode(), CanvasMode::Hires);
        QCoreApplication::processEvents();
        QCOMPARE(window.project().mode(), accepted ? CanvasMode::Multicolor : CanvasMode::Hires);
        QCOMPARE(statusText(window), accepted ? u"Opened %1."_s.arg(files[0]) : FirstStart::hint());
        // A task started before the next turn blocks a pending opening.
        const QString other = folder.filePath(u"other.kvn"_s);
        QVERIFY(saveProjectFile(Project(CanvasMode::Multicolor), other).ok);
        MainWindow blocked;
        blocked.openProjectLater(other);
        blocked.setFileTaskBusy(true);
        QCoreApplication::processEvents();
        QCOMPARE(blocked.project().mode(), CanvasMode::Hires);
    }
    void close_data()
    {
        const QString hint = FirstStart::hint();
        addRows<CloseCase>({
            {"unmodified", {false, false, QMessageBox::Cancel, false, true, hint}},
            {"cancel", {true, false, QMessageBox::Cancel, false, false, {}}},
            {"discard", {true, false, QMessageBox::Discard, false, true, {}}},
            {"save, chooser cancelled",
             {true, false, QMessageBox::Save, false, false, "Save cancelled."}},
            {"save", {true, false, QMessageBox::Save, true, true, "Saved close.kvn."}},
            {"staged, cancel", {true, true, QMessageBox::Cancel, false, false, {}}},
            // Staging records no edit, so the first-start hint still stands.
            {"only staged, cancel", {false, true, QMessageBox::Cancel, false, false, hint}},
        });
    }
    void close()
    {
        QFETCH(CloseCase, row);
        const auto &[modified, staged, answer, chooseFile, closes, message] = row;
        QTemporaryDir folder;
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        if (modified)
            recordEdit(window);
        const ShapeTool *shapes = window.canvas()->shapeTool();
        if (staged) {
            entry(window, "shapeTool")->setChecked(true);
            window.paintSettings()->setPenIndex(0);
            stroke(window.canvas(), {QPoint(20, 20), QPoint(60, 30)});
            QCOMPARE(shapes->stagedCount(), 1);
        }
        if (chooseFile)
            window.chosenPath = folder.filePath(u"close.kvn"_s);
        BoxAnswerer answerer(answer);
        QCOMPARE(window.close(), closes);
        QCOMPARE(answerer.texts, modified || staged ? QStringList{Prompt} : QStringList{});
        // Cancel leaves the stage, the history and the marker as they were.
        QCOMPARE(shapes->stagedCount(), int(staged && !closes));
        QCOMPARE(window.project().history().nodeCount(), int(modified));
        // Save on a project without a path runs Save As.
        QCOMPARE(window.proposals.size(), answer == QMessageBox::Save ? 1 : 0);
        QCOMPARE(QFileInfo::exists(folder.filePath(u"close.kvn"_s)), chooseFile);
        QCOMPARE(statusText(window), message);
        QCOMPARE(window.isWindowModified(), modified && !chooseFile);
        QCOMPARE(QSettings().contains(u"window/geometry"_s), closes);
    }
    void saveFailureAndBusy()
    {
        QTemporaryDir folder;
        TestWindow window;
        recordEdit(window);
        // A failed Save As leaves the project without a path (the message
        // and the old file are failedSaveKeepsTheOldFile's).
        window.chosenPath = folder.filePath(u"missing/art.kvn"_s);
        boxesDuring(QMessageBox::Ok, [&] { QVERIFY(!window.saveProjectAs()); });
        QVERIFY(window.projectPath().isEmpty() && window.isWindowModified());

        // While a project task runs nothing saves, not even from the prompt,
        // no new canvas replaces the document and the window does not close.
        window.chosenPath = folder.filePath(u"busy.kvn"_s);
        window.setFileTaskBusy(true);
        QVERIFY(!window.saveProject());
        QCOMPARE(boxesDuring(QMessageBox::Discard, [&] { QVERIFY(!window.close()); }),
                 QStringList());
        QCOMPARE(boxesDuring(QMessageBox::Save, [&] { QVERIFY(!window.maybeSave()); }),
                 QStringList{Prompt});
        QCOMPARE(
            boxesDuring(QMessageBox::Discard,
                        [&] { QVERIFY(QMetaObject::invokeMethod(&window, "newDualHiresCanvas")); }),
            QStringList());
        QCOMPARE(window.project().history().nodeCount(), 1);
        QCOMPARE(window.proposals.size(), 1);
        QVERIFY(!QFileInfo::exists(window.chosenPath));
    }
    void statusBar()
    {
        MainWindow window;
        window.project().view().setZoom(2.5);
        StatusInputs inputs;
        inputs.roundBrush = false;
        inputs.penWidth = 3;
        inputs.hoverValid = true;
        inputs.hoverPixel = QPoint(100, 50);
        inputs.stagedShapes = 2;
        window.setStatusInputs(inputs);
        const QList<ElidedLabel *> labels =
            window.QMainWindow::statusBar()->findChildren<ElidedLabel *>();
        QStringList texts;
        for (const ElidedLabel *label : labels)
            texts << label->fullText();
        QCOMPARE(texts.join(u'|'),
                 QStringLiteral("Mode: Hires|Size: 320×200|Aspect: Square|Brush: Square 3|Zoom: "
                                "250%|Rotation: 0.00°|Char: (12, 6)|Sprite: --|") +
                     FirstStart::hint() + u"|2 shapes staged"_s);
        inputs.stagedShapes = 1;
        window.setStatusInputs(inputs);
        QCOMPARE(fieldText(window, "statusStage"), u"1 shape staged"_s);

        // Messages clear when their time is up; a new one restarts the timer.
        window.showStatusMessage(u"first"_s, 60000);
        window.showStatusMessage(u"second"_s, 20);
        QCOMPARE(statusText(window), u"second"_s);
        QTRY_VERIFY(statusText(window).isEmpty());

        // Narrowed, texts elide and show in full as their tooltip.
        window.showStatusMessage(u"Saved art.kvn."_s, 60000);
        for (const int width : {1600, 420}) {
            QVERIFY(shownAndExposed(window, QSize(width, 400)));
            QTRY_VERIFY(width > 500 ? labels[0]->width() > 200 : labels[0]->width() < 80);
            for (const ElidedLabel *label : labels)
                QCOMPARE(label->toolTip(), width < 500 ? label->fullText() : QString());
        }
    }
    void labelShowsTextLiterally()
    {
        // A file name may hold characters that look like markup; it must show as typed.
        ElidedLabel label;
        QLabel plain;
        plain.setTextFormat(Qt::PlainText);
        plain.setText(u"Saved a<b>b</b>.kvn."_s);
        label.setFullText(plain.text());
        label.resize(400, 30);
        plain.resize(400, 30);
        QCOMPARE(label.text(), plain.text());
        QCOMPARE(label.grab().toImage(), plain.grab().toImage());
    }
    void clearHistory_data()
    {
        QTest::addColumn<int>("edits");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("empty history asks nothing") << 0 << int(QMessageBox::Yes) << false;
        QTest::newRow("cancel keeps the edits") << 2 << int(QMessageBox::Cancel) << false;
        QTest::newRow("yes clears") << 2 << int(QMessageBox::Yes) << true;
    }
    void clearHistory()
    {
        QFETCH(int, edits);
        QFETCH(int, answer);
        QFETCH(bool, cleared);
        TestWindow window;
        for (int i = 0; i < edits; ++i)
            recordEdit(window);
        window.project().history().undo(window.project());
        window.refreshUndoActions();
        const quint8 background = window.project().slot(ColorSlot::Background);
        const bool modified = window.isWindowModified();
        BoxAnswerer answerer{QMessageBox::StandardButton(answer)};
        QVERIFY(QMetaObject::invokeMethod(&window, "clearHistory"));
        if (edits == 0) {
            QVERIFY(answerer.texts.isEmpty());
        } else {
            QCOMPARE(
                answerer.texts,
                QStringList{QStringLiteral(
                    "KORVEN|Clear the whole history of changes?\n\nThe canvas keeps its current "
                    "content, but every workstage behind it is discarded and this cannot be "
                    "undone.")});
            QCOMPARE(answerer.looks, (QList{std::pair(QMessageBox::Warning, QMessageBox::Cancel)}));
        }
        const History &history = window.project().history();
        QCOMPARE(history.nodeCount(), cleared ? 0 : edits);
        // The canvas keeps what it shows; only the steps behind it go.
        QCOMPARE(window.project().slot(ColorSlot::Background), background);
        QCOMPARE(window.isWindowModified(), cleared || modified);
        for (const char *text : {"Redo", "Clear History"})
            QCOMPARE(action(window, text)->isEnabled(), !cleared && edits > 0);
    }
    void drawUndoRedoSave()
    {
        QTemporaryDir dir;
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CanvasArea *canvas = window.canvas();
        canvas->paintSettings().setPenIndex(7);
        QAction *undo = action(window, "Undo");
        QAction *redo = action(window, "Redo");
        QVERIFY(!undo->isEnabled());

        const QPoint at = canvas->viewTransform().toWidget(QPointF(100.5, 60.5)).toPoint();
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at);
        const Project &project = window.project();
        // The document's colour index and what the canvas shows for it.
        const auto pixel = [&] {
            return std::pair(project.colormap().pixel(100, 60),
                             canvas->artworkImage().pixel(100, 60));
        };
        const auto shown = [&](quint8 index) {
            return std::pair(index, paletteRgb(project.paletteVariant(), index));
        };
        QCOMPARE(pixel(), shown(7));
        QCOMPARE(project.history().nodeCount(), 1);
        QVERIFY(window.isWindowModified() && undo->isEnabled());

        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(pixel(), shown(0));
        // An edit was recorded since the document was new, so it stays modified.
        QVERIFY(window.isWindowModified());
        QVERIFY(redo->isEnabled() && !undo->isEnabled());
        // Redo answers Ctrl+Y besides the platform's own key.
        QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(pixel(), shown(7));

        // Saved, then undone: modified; redone to the saved point: clean again.
        window.chosenPath = dir.filePath(u"art.kvn"_s);
        QVERIFY(window.saveProjectAs());
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(window.isWindowModified());
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(pixel(), shown(7));
        QVERIFY(!window.isWindowModified());
    }
    // The menu entries reach their edits: one node each, the alignment menu
    // following the document, and refused while a tool's button is down.
    void wholeCanvasCommands_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("flip") << "flipVertically" << int(HistoryEntryKind::FlipCanvas);
        QTest::newRow("swap") << "colorSwap" << int(HistoryEntryKind::SwapColors);
        QTest::newRow("replace") << "colorReplace" << int(HistoryEntryKind::ReplaceColors);
        QTest::newRow("clear") << "clearScreen" << int(HistoryEntryKind::ClearScreen);
        QTest::newRow("align") << "topAlignRight" << int(HistoryEntryKind::SetBorderAlignment);
    }
    void wholeCanvasCommands()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        MainWindow window;
        window.newMulticolorTopBottomSpritesCanvas();
        window.project().colormap().fillRect(QRect(0, 0, 20, 30), 1);
        QAction *command = window.findChild<QAction *>(name);
        command->trigger();
        QCOMPARE(window.project().history().nodeCount(), 1);
        QCOMPARE(int(window.project().history().nodes()[0].kind), kind);
        QVERIFY(entry(window, "undo")->isEnabled());
        window.undo();
        QVERIFY(!window.project().history().canUndo());
        QCOMPARE(command->isCheckable() && command->isChecked(), false);
    }
    void toolStepsUndoFirst()
    {
        TestWindow window;
        auto owned = std::make_unique<SteppedTool>(window.canvas());
        SteppedTool *tool = owned.get();
        window.canvas()->installPenTool(std::move(owned));
        QAction *undo = action(window, "Undo");

        // With nothing recorded, the tool's own steps alone enable Undo.
        tool->steps = 1;
        window.refreshUndoActions();
        QVERIFY(undo->isEnabled());
        undo->trigger();
        QCOMPARE(tool->steps, 0);
        QVERIFY(!undo->isEnabled());

        // A recorded edit waits until the tool has no steps left.
        recordEdit(window);
        const Project &project = window.project();
        const quint8 edited = project.slot(ColorSlot::Background);
        tool->steps = 2;
        window.refreshUndoActions();
        for (const int left : {1, 0}) {
            undo->trigger();
            QCOMPARE(std::pair(tool->steps, project.history().position()), std::pair(left, 1));
            QCOMPARE(project.slot(ColorSlot::Background), edited);
        }
        undo->trigger();
        QCOMPARE(project.history().position(), 0);
        QCOMPARE(project.slot(ColorSlot::Background), quint8(edited - 1));
    }
    // Best fit keeps the picture out from under the floating bars, with
    // them shown, and uses the whole canvas without them.
    void bestFitLeavesTheBarsFree()
    {
        TestWindow window;
        QVERIFY(shownAndExposed(window, QSize(1280, 800)));
        window.newMulticolorTopBottomSpritesCanvas();
        const CanvasArea *canvas = window.canvas();
        int top = 0, bottom = canvas->height();
        for (const DashboardBar *bar : canvas->findChildren<DashboardBar *>()) {
            if (!bar->isVisible())
                continue;
            if (bar->geometry().center().y() < canvas->height() / 2)
                top = std::max(top, bar->geometry().bottom() + 1);
            else
                bottom = std::min(bottom, bar->geometry().top());
        }
        QVERIFY(top > 0 && bottom < canvas->height());
        const auto picture = [&window, canvas] {
            return canvas->viewTransform().widgetFromCanvas().mapRect(
                framedPictureRect(window.project()));
        };
        QVERIFY(picture().top() >= top - 0.5 && picture().bottom() <= bottom + 0.5);
        // As large as the band allows: it touches both bars or both sides.
        QVERIFY(picture().height() >= bottom - top - 1.0 ||
                picture().width() >= canvas->width() - 1.0);
        entry(window, "showDashboards")->trigger();
        QVERIFY(picture().height() >= canvas->height() - 1.0 ||
                picture().width() >= canvas->width() - 1.0);
    }
    // The Edit entries around the selection tool, through real keys.
    void selectionEntries()
    {
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        CanvasArea *canvas = window.canvas();
        const SelectTool *tool = canvas->selectTool();
        Project &project = window.project();
        const QRegion whole(project.colormap().rect());
        project.colormap().setPixel(0, 5, 1);
        // Select All from the pen switches to the rectangle selection.
        entry(window, "selectAll")->trigger();
        QVERIFY(entry(window, "rectSelectTool")->isChecked());
        QCOMPARE(tool->selection(), whole);
        QCOMPARE(entry(window, "flipHorizontally")->text(), u"Flip Selection Horizontally"_s);
        QVERIFY(entry(window, "copy")->isEnabled() && !entry(window, "paste")->isEnabled());
        // A right-click deselects, and Ctrl+Z brings the selection back.
        const QPoint inside = canvas->viewTransform().toWidget(QPointF(10.5, 10.5)).toPoint();
        QTest::mouseClick(canvas, Qt::RightButton, Qt::NoModifier, inside);
        QVERIFY(tool->selection().isEmpty() && !entry(window, "copy")->isEnabled());
        QCOMPARE(entry(window, "flipHorizontally")->text(), u"Flip Horizontally"_s);
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(tool->selection(), whole);
        // With a selection, Ctrl+J flips it as a float; Enter drops it as one edit.
        QTest::keyClick(canvas, Qt::Key_J, Qt::ControlModifier);
        QVERIFY(tool->hasFloat());
        QCOMPARE(project.history().nodeCount(), 0);
        QTest::keyClick(canvas, Qt::Key_Enter);
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.colormap().pixel(project.width() - 1, 5), quint8(1));
        QCOMPARE(project.colormap().pixel(0, 5), quint8(0));
        // A cut blanks the pixels as one edit and leaves the outline.
        entry(window, "cut")->trigger();
        QCOMPARE(project.history().nodes().constLast().kind, HistoryEntryKind::CutSelection);
        QCOMPARE(tool->selection(), whole);
        QCOMPARE(project.colormap().pixel(project.width() - 1, 5), quint8(0));
        // Paste from another tool switches back to the selection first; Ctrl+Z
        // takes the float back without touching the history.
        entry(window, "fillTool")->setChecked(true);
        QCOMPARE(tool->marqueeKind(), int(SelectTool::Off));
        entry(window, "paste")->trigger();
        QVERIFY(entry(window, "rectSelectTool")->isChecked() && tool->hasFloat());
        QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!tool->hasFloat());
        QCOMPARE(project.history().position(), 2);
    }

    // Commit and Discard Shapes and the staged count follow the stage,
    // Discard asks first, and no clipboard entry cuts into a shape drag.
    void stagedShapesEntries()
    {
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        CanvasArea *canvas = window.canvas();
        const ShapeTool *shapes = canvas->shapeTool();
        const QWidget *stage = window.findChild<QWidget *>(u"statusStage"_s);
        Project &project = window.project();
        project.colormap().setPixel(3, 3, 1);
        entry(window, "selectAll")->trigger();
        entry(window, "copy")->trigger();
        entry(window, "shapeTool")->setChecked(true);
        const auto entriesOn = [&](bool on) {
            return entry(window, "commitShapes")->isEnabled() == on &&
                   entry(window, "discardShapes")->isEnabled() == on && stage->isVisible() == on;
        };
        QVERIFY(entriesOn(false));
        stroke(canvas, {QPoint(20, 20), QPoint(60, 40)});
        QVERIFY(entriesOn(true));
        QCOMPARE(fieldText(window, "statusStage"), u"1 shape staged"_s);

        // Mid-drag the clipboard entries change nothing and commit nothing.
        const Colormap before = project.colormap();
        press(canvas, at(canvas, QPoint(100, 100)));
        move(canvas, at(canvas, QPoint(140, 120)));
        for (const char *name : {"paste", "pasteTransparent", "copy", "cut"})
            entry(window, name)->trigger();
        QVERIFY(entry(window, "shapeTool")->isChecked() && !canvas->selectTool()->hasFloat());
        QCOMPARE(project.colormap(), before);
        QCOMPARE(project.history().nodeCount(), 0);
        release(canvas, at(canvas, QPoint(140, 120)));
        QCOMPARE(fieldText(window, "statusStage"), u"2 shapes staged"_s);

        // Discard asks, Cancel the default; Cancel keeps the stage and says so.
        const auto discard = [&](const char *answer) {
            QStringList seen;
            QTimer::singleShot(0, this, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                seen << box->text() << box->informativeText()
                     << box->defaultButton()->text().remove(u'&');
                for (QAbstractButton *button : box->buttons())
                    if (button->text().remove(u'&') == QLatin1String(answer))
                        button->click();
            });
            entry(window, "discardShapes")->trigger();
            return seen;
        };
        QCOMPARE(discard("Cancel"),
                 (QStringList{"Discard 2 staged shapes?",
                              "The stage is not part of the undo history, so discarding cannot be "
                              "undone. Commit with Enter to keep the shapes.",
                              "Cancel"}));
        QCOMPARE(shapes->stagedCount(), 2);
        QCOMPARE(statusText(window), u"Discard shapes cancelled."_s);
        entry(window, "commitShapes")->trigger();
        QCOMPARE(project.history().nodeCount(), 1);
        QVERIFY(entriesOn(false));
        stroke(canvas, {QPoint(20, 20), QPoint(60, 40)});
        discard("Discard");
        QCOMPARE(shapes->stagedCount(), 0);
        QCOMPARE(project.history().nodeCount(), 1);
        QVERIFY(entriesOn(false));
    }

    void aboutDialog()
    {
        // The hat goes on in December only, over the logo's top corner.
        const QImage plain = AboutDialog::logo(QDate(2026, 11, 30)).toImage();
        const QImage december = AboutDialog::logo(QDate(2026, 12, 1)).toImage();
        QCOMPARE(plain, QImage(u":/icons/korven-128.png"_s).convertToFormat(plain.format()));
        QVERIFY(december != plain);
        QCOMPARE(december.copy(0, plain.height() / 2, plain.width(), plain.height() / 2),
                 plain.copy(0, plain.height() / 2, plain.width(), plain.height() / 2));
        QCOMPARE(AboutDialog::versionHtml("3.2.1-rc<1>"),
                 u"KORVEN 3.2.1<span style=\"color:#F6811A\">-rc&lt;1&gt;</span>"_s);
        const QStringList info = AboutDialog::buildInfo().split(u'\n');
        QCOMPARE(info.size(), 3);
        QVERIFY(!info[0].contains(u"  "_s));
        QVERIFY(info[2].startsWith(u"Qt runtime in use: %1"_s.arg(qVersion())));
    }

    void firstStart()
    {
        // With no saved geometry the window takes three quarters of the
        // screen, centred, and every dashboard lies inside the canvas area.
        MainWindow window;
        const QRect screen(0, 0, 1280, 800);
        const QRect placed = FirstStart::windowGeometry(screen, window.minimumSizeHint());
        QCOMPARE(placed, QRect(160, 100, 960, 600));
        QCOMPARE(FirstStart::windowGeometry(QRect(0, 0, 400, 300), QSize(500, 200)),
                 QRect(0, 37, 400, 225));
        QVERIFY(shownAndExposed(window, placed.size()));
        QTRY_COMPARE(window.size(), placed.size());
        const QList<DashboardBar *> bars = window.canvas()->findChildren<DashboardBar *>();
        QCOMPARE(bars.size(), 3);
        for (const DashboardBar *bar : bars) {
            QVERIFY(bar->isVisible());
            QVERIFY2(window.canvas()->rect().contains(bar->geometry()),
                     qPrintable(bar->objectName()));
        }
        // The canvas's edge shows on any colour: the outline is none of the
        // C64's colours in any rendition, and it lies just outside the canvas.
        const QColor outline = CanvasArea::outlineColor();
        for (const PaletteVariant variant : paletteVariants())
            for (int index = 0; index < 16; ++index)
                QVERIFY(colorDistance(outline.red(), outline.green(), outline.blue(),
                                      paletteRgb(variant, index),
                                      ColorMetric::Euclidean) > 40 * 40);
        const QImage shot = window.canvas()->grab().toImage();
        const QPointF corner =
            window.canvas()->viewTransform().widgetFromCanvas().map(QPointF(0, 100));
        bool outlined = false;
        for (int dx = -3; dx <= 0; ++dx)
            outlined =
                outlined || shot.pixelColor(int(corner.x()) + dx, int(corner.y())) == outline;
        QVERIFY(outlined);
        QCOMPARE(shot.pixelColor(int(corner.x()) + 1, int(corner.y())), QColor(Qt::black));
        // How to begin stands in the status bar until the first edit.
        QCOMPARE(statusText(window), FirstStart::hint());
        recordEdit(window);
        QCOMPARE(statusText(window), QString());
    }
    void recoveryFiles()
    {
        qputenv("KORVEN_RECOVERY_IDLE_MS", "20");
        QTemporaryDir folder;
        const QDir recovery(CrashRecovery::defaultFolder());
        const auto files = [&](const char *pattern) {
            return recovery.entryList({QLatin1String(pattern)}, QDir::Files);
        };
        {
            TestWindow one;
            TestWindow two;
            QVERIFY(files("*.kvn").isEmpty());
            recordEdit(one);
            recordEdit(two);
            // Each window writes a file of its own once it rests.
            QTRY_COMPARE(files("*.kvn").size(), 2);
            // What a file holds is the pointer burst test's crash and restore.
            const QString oneFile = one.crashRecovery()->projectFile();
            QVERIFY(oneFile != two.crashRecovery()->projectFile());
            // A second program finds nothing to restore while both owners live.
            {
                RecoveryStore other(recovery.path());
                QVERIFY(other.claimOrphans().isEmpty());
            }
            // A save removes the window's file; the next edit writes one again.
            one.chosenPath = folder.filePath(u"saved.kvn"_s);
            QVERIFY(one.saveProject());
            QVERIFY(!QFileInfo::exists(oneFile));
            recordEdit(one);
            QTRY_VERIFY(QFileInfo::exists(oneFile));
            // A new document takes a file of its own.
            BoxAnswerer discard(QMessageBox::Discard);
            QVERIFY(QMetaObject::invokeMethod(&one, "newMulticolorCanvas"));
            QVERIFY(!QFileInfo::exists(oneFile));
            recordEdit(one);
            QTRY_COMPARE(files("*.kvn").size(), 2);
            QVERIFY(one.crashRecovery()->projectFile() != oneFile);
        }
        // Closed windows leave nothing behind.
        QCOMPARE(files("*"), QStringList());
        qunsetenv("KORVEN_RECOVERY_IDLE_MS");
    }

    void userManual()
    {
        // F1 opens one manual window, Esc and Ctrl+W put it away; every
        // picture the manual names loads from the resources.
        MainWindow window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        const QList<QTextBrowser *> browsers = window.findChildren<QTextBrowser *>();
        QCOMPARE(browsers.size(), 1);
        QWidget *manual = browsers.first()->window();
        QCOMPARE(manual->windowTitle(), u"KORVEN User Manual"_s);
        QVERIFY(manual->isVisible());
        for (const QKeySequence &close : {QKeySequence(Qt::Key_Escape), QKeySequence("Ctrl+W")}) {
            manual->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), manual);
            QTest::keySequence(manual, close);
            QVERIFY(!manual->isVisible());
            window.showUserManual();
            QVERIFY(manual->isVisible());
        }
        QCOMPARE(window.findChildren<QTextBrowser *>().size(), 1);
        QFile source(u":/doc/user-manual.md"_s);
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(source.readAll());
        QVERIFY(browsers.first()->toPlainText().startsWith(u"KORVEN User Manual"_s));
        const QRegularExpression picture(u"!\\[[^\\]]*\\]\\(([^)]+)\\)"_s);
        int pictures = 0;
        for (auto match = picture.globalMatch(text); match.hasNext(); ++pictures) {
            const QString name = match.next().captured(1);
            const QImage image =
                QImage::fromData(browsers.first()
                                     ->loadResource(QTextDocument::ImageResource, QUrl(name))
                                     .toByteArray());
            QVERIFY2(!image.isNull(), qPrintable(name));
            // Every picture fits the manual window's width.
            QVERIFY2(image.width() <= 680, qPrintable(name));
        }
        QVERIFY(pictures >= 3);

        // Every entry the manual names in bold, as "Menu → Entry" or followed
        // by its keys in parentheses, is in the menu table with those keys.
        QHash<QString, QString> names; // the text an artist reads -> object name
        const auto readable = [](QString t) {
            return t.replace(u"&&"_s, u"\x01"_s).remove(u'&').replace(QLatin1Char('\x01'), u'&');
        };
        for (const MenuEntry &e : MenuTable::entries()) {
            if (!e.name || !e.menu || !*e.menu)
                continue;
            const QString path =
                readable(QString::fromLatin1(e.menu) + u'>' + QString::fromLatin1(e.text))
                    .replace(u'>', u" → "_s);
            names.insert(path, QLatin1String(e.name));
        }
        for (const MenuEntry &e : MenuTable::hiddenEntries())
            names.insert(QString::fromLatin1(e.text), QLatin1String(e.name));
        // Named as "**Entry** (`keys`)" in the text, or as "| `keys` | **Entry** |"
        // in the shortcut table.
        const QRegularExpression named(
            QStringLiteral("\\*\\*([^*]+)\\*\\*(?: \\(((?:`[^`]+`(?: or )?)+)\\))?|"
                           "^\\| ((?:`[^`]+`(?: or )?)+) \\| \\*\\*([^*]+)\\*\\* \\|$"),
            QRegularExpression::MultilineOption);
        const QRegularExpression key(u"`([^`]+)`"_s);
        QSet<QString> keyed; // object names named with their keys
        int entries = 0;
        for (auto match = named.globalMatch(text); match.hasNext();) {
            const auto m = match.next();
            const QString name = m.hasCaptured(4) ? m.captured(4) : m.captured(1);
            const QString keys = m.hasCaptured(4) ? m.captured(3) : m.captured(2);
            if (!name.contains(u" → "_s) && keys.isEmpty())
                continue; // plain emphasis
            ++entries;
            QVERIFY2(names.contains(name), qPrintable(name));
            const QAction *entry = nullptr;
            for (QAction *a : window.findChildren<QAction *>())
                if (a->objectName() == names.value(name))
                    entry = a;
            QVERIFY2(entry, qPrintable(name));
            for (auto k = key.globalMatch(keys); k.hasNext();) {
                const QKeySequence sequence(k.next().captured(1));
                QVERIFY2(entry->shortcuts().contains(sequence),
                         qPrintable(name + u": "_s + sequence.toString()));
                keyed.insert(entry->objectName());
            }
        }
        QVERIFY(entries >= 60);
        // Every entry with keys is named with them, but the colour keys,
        // which the manual describes as a range.
        for (const QAction *a : window.findChildren<QAction *>())
            if (!a->shortcuts().isEmpty() && !a->objectName().isEmpty() &&
                !a->text().startsWith(u"Pen Color"_s))
                QVERIFY2(keyed.contains(a->objectName()), qPrintable(a->text()));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
