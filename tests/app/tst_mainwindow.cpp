// The main window as an artist meets it: titles, saving and closing, the
// status bar, the menus and their keys, the Edit entries, colour slots,
// scripts, the preview window beside it, the settings and what persists,
// opening, saving and creating projects, the manual, crash recovery and the
// dark look.

#include "../canvas/canvastesthelpers.h"
#include "windowtesthelpers.h"

#include "../common/paintrows.h"
#include "../common/wholefiles.h"
#include "app/aboutdialog.h"
#include "app/crashrecovery.h"
#include "app/darkappearance.h"
#include "app/dashboardcontroller.h"
#include "app/exportimageflow.h"
#include "app/generalsettings.h"
#include "app/importimagedialog.h"
#include "app/importoptionsdialog.h"
#include "app/importspritesdialog.h"
#include "app/lastfolders.h"
#include "app/menupolishfilter.h"
#include "app/menutable.h"
#include "app/newcanvasdialog.h"
#include "app/openprojectdialog.h"
#include "app/projectfiletask.h"
#include "app/referenceopacitydialog.h"
#include "app/saveworkstagesdialog.h"
#include "app/scriptflow.h"
#include "app/settingsdialog.h"
#include "app/settingsflow.h"
#include "app/startup.h"
#include "app/statustexts.h"
#include "canvas/borderframe.h"
#include "canvas/erasertool.h"
#include "canvas/eyedroppertool.h"
#include "canvas/filltool.h"
#include "canvas/pantool.h"
#include "canvas/selecttool.h"
#include "canvas/shapetool.h"
#include "canvas/symmetrytool.h"
#include "convertdialog/convertimagedialog.h"
#include "document/palette.h"
#include "document/pluraltranslator.h"
#include "exchange/nativeformats.h"
#include "history/projectfile.h"
#include "history/recentprojects.h"
#include "history/recoverystore.h"
#include "widgets/colorassignmentwidget.h"
#include "widgets/dashboardbar.h"
#include "widgets/previewarea.h"
#include "widgets/previewwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QDoubleSpinBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QResource>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextBrowser>
#include <QThread>

using namespace Qt::StringLiterals;

namespace
{

// The preview counts as part of the main window's activation, so waiting for
// "active" would not wait; the application's active window tells them apart.
bool activate(QWidget *window)
{
    window->activateWindow();
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; });
}

// Notes the preview's look at the moment it is shown.
class ShowWatcher : public QObject
{
public:
    QList<std::tuple<bool, bool, bool>> shown; // stay on top, mirror, CRT
    QSize mainSize;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            if (auto *preview = qobject_cast<PreviewWindow *>(watched)) {
                shown.append({preview->stayOnTop(), preview->area()->mirror(),
                              preview->area()->crtFilter()});
                mainSize = preview->parentWidget()->size();
            }
        return false;
    }
};

// The entry at a path of menu texts, "Menu>Sub>Text", among `actions`
// (whose texts follow `at`).
QAction *menuEntry(const QList<QAction *> &actions, const QString &path, const QString &at = {})
{
    for (QAction *action : actions) {
        const QString here = at + action->text();
        if (here == path)
            return action;
        if (QMenu *menu = action->menu(); menu && path.startsWith(here + u'>'))
            if (QAction *found = menuEntry(menu->actions(), path, here + u'>'))
                return found;
    }
    return nullptr;
}

QAction *menuEntry(MainWindow &window, const QString &path)
{
    QAction *found = menuEntry(window.menuBar()->actions(), path);
    if (!found)
        qFatal("no menu entry %s", qPrintable(path));
    return found;
}

const char *const CheckBoxes[] = {"invertZoomWheel", "bindZoomToCanvas", "smoothImageScaling",
                                  "nativeFileDialogs", "prgBasicStart"};

template <class T> T *child(const QWidget &parent, const char *name)
{
    auto *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

// Opens Edit > Settings... on the window, lets `use` look at and edit the
// dialog while it runs, then closes it with OK or Cancel.
void runSettingsDialog(MainWindow &window, const std::function<void(SettingsDialog &)> &use,
                       bool ok)
{
    bool ran = false;
    QTimer::singleShot(0, &window, [&] {
        auto *dialog = window.findChild<SettingsDialog *>();
        QVERIFY(dialog);
        ran = true;
        use(*dialog);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        QTest::mouseClick(buttons->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel),
                          Qt::LeftButton);
        // Never leave it open, whatever the buttons did.
        if (dialog->isVisible())
            dialog->reject();
    });
    entry(window, "settings")->trigger();
    QVERIFY(ran);
}

// Replaces a spin box's value as a user would: select it all and type over it.
void typeInto(QDoubleSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
}

// Flips every check box of the dialog with the mouse.
void clickCheckBoxes(SettingsDialog &dialog)
{
    for (const char *name : CheckBoxes)
        QTest::mouseClick(child<QCheckBox>(dialog, name), Qt::LeftButton, {}, QPoint(8, 8));
}

// The picture a native file holds; empty when it does not decode.
Colormap decodedFile(const QString &path)
{
    NativeImage image;
    QString error;
    return NativeFormats::recognizeAndDecode(readBytes(path), 0, image, error)
               ? NativeFormats::decodeToColormap(image)
               : Colormap();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString script(const char *name, const QByteArray &text)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        if (!writeBytes(path, text))
            qFatal("cannot write %s", name);
        return path;
    }

    // The texts Undo and Redo show once the Edit menu opens.
    static QStringList undoTexts(MainWindow &window)
    {
        emit menuEntry(window, u"&Edit"_s)->menu()->aboutToShow();
        return {window.findChild<QAction *>(u"undo"_s)->text(),
                window.findChild<QAction *>(u"redo"_s)->text()};
    }

    QString saved(const QString &name, int nodes, int undo = 0)
    {
        Project project(CanvasMode::Multicolor);
        project.colormap().fillRect(QRect(10, 10, 60, 40), 7);
        for (int i = 0; i < nodes; ++i)
            recordEdit(project);
        for (int i = 0; i < undo; ++i)
            project.history().undo(project);
        const QString path = m_dir.filePath(name);
        return saveProjectFile(project, path).ok ? path : QString();
    }

private slots:
    void initTestCase() { PluralTranslator::install(); }
    void init() { freshSettings(); }
    void cleanup() { qApp->setStyleSheet(QString()); }
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
    void dragAndDrop_data() { addTextRows("app/windowrows.txt", "drops"); }
    void dragAndDrop()
    {
        QFETCH(QStringList, row);
        const QStringList files = row[0].split(u' ');
        const bool busy = row[1] == u"yes"_s, accepted = row[2] == u"yes"_s;
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
    void close_data() { addTextRows("app/windowrows.txt", "close"); }
    void close()
    {
        QFETCH(QStringList, row);
        const bool modified = row[0] == u"yes"_s, staged = row[1] == u"yes"_s;
        const QMessageBox::StandardButton answer = buttonOf(row[2]);
        const bool chooseFile = row[3] == u"yes"_s, closes = row[4] == u"yes"_s;
        const QString message = hintOr(row[5]);
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
        QCOMPARE(boxesDuring(answer, [&] { QCOMPARE(window.close(), closes); }),
                 modified || staged ? QStringList{Prompt} : QStringList{});
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
        // A failed Save As says why and leaves the project without a path;
        // that the old file stays is tst_projectfile's.
        window.chosenPath = folder.filePath(u"missing/art.kvn"_s);
        const QStringList said =
            boxesDuring(QMessageBox::Ok, [&] { QVERIFY(!window.saveProjectAs()); });
        QVERIFY(said.value(0).startsWith(u"KORVEN|Could not save %1: cannot write"_s.arg(
            QDir::toNativeSeparators(window.chosenPath))));
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
        StatusInputs inputs{false, 3, true, QPoint(100, 50), 2}; // square 3, hovering, 2 staged
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
        // A file name may hold characters that look like markup; it shows as typed.
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
    void clearHistory_data() { addTextRows("app/windowrows.txt", "clear history"); }
    void clearHistory()
    {
        QFETCH(QStringList, row);
        const int edits = row[0].toInt();
        const bool cleared = row[2] == u"yes"_s;
        TestWindow window;
        for (int i = 0; i < edits; ++i)
            recordEdit(window);
        window.project().history().undo(window.project());
        window.refreshUndoActions();
        const quint8 background = window.project().slot(ColorSlot::Background);
        const bool modified = window.isWindowModified();
        BoxAnswerer answerer(buttonOf(row[1]));
        QVERIFY(QMetaObject::invokeMethod(&window, "clearHistory"));
        const QString question =
            u"KORVEN|Clear the whole history of changes?\n\nThe canvas keeps its current content, "
            "but every workstage behind it is discarded and this cannot be undone."_s;
        QCOMPARE(answerer.texts, edits ? QStringList{question} : QStringList());
        QVERIFY(!edits ||
                answerer.looks.value(0) == std::pair(QMessageBox::Warning, QMessageBox::Cancel));
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
        QVERIFY(shownAndActive(window));
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
        QVERIFY(shownAndActive(window));
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
        // Then the tool's own steps go first; the history waits until none is left.
        while (project.history().position() == 2) {
            const bool local = tool->hasLocalUndo();
            QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(project.history().position(), local ? 2 : 1);
        }
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
            WhenModal<QMessageBox> asked([&](QMessageBox *box) {
                seen << box->text() << box->informativeText()
                     << box->defaultButton()->text().remove(u'&');
                clickButton(box, answer);
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
        // C64's colours in any rendition (where it lies is tst_canvasview's).
        const QColor outline = CanvasArea::outlineColor();
        for (const PaletteVariant variant : paletteVariants())
            for (int index = 0; index < 16; ++index)
                QVERIFY(colorDistance(outline.red(), outline.green(), outline.blue(),
                                      paletteRgb(variant, index),
                                      ColorMetric::Euclidean) > 40 * 40);
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
        // picture the manual names loads from the resources and fits its width.
        MainWindow window;
        QVERIFY(shownAndActive(window));
        QTest::keyClick(&window, Qt::Key_F1);
        auto *browser = window.findChild<QTextBrowser *>();
        QWidget *manual = browser->window();
        QCOMPARE(manual->windowTitle(), u"KORVEN User Manual"_s);
        for (const QKeySequence &close : {QKeySequence(Qt::Key_Escape), QKeySequence("Ctrl+W")}) {
            QVERIFY(manual->isVisible());
            manual->activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), manual);
            QTest::keySequence(manual, close);
            QVERIFY(!manual->isVisible());
            window.showUserManual();
        }
        QVERIFY(manual->isVisible() && window.findChildren<QTextBrowser *>().size() == 1);
        QVERIFY(browser->toPlainText().startsWith(u"KORVEN User Manual"_s));
        const QString text = QString::fromUtf8(readBytes(u":/doc/user-manual.md"_s));
        int pictures = 0;
        for (auto m = QRegularExpression(u"!\\[[^\\]]*\\]\\(([^)]+)\\)"_s).globalMatch(text);
             m.hasNext(); ++pictures) {
            const QString name = m.next().captured(1);
            const QVariant data = browser->loadResource(QTextDocument::ImageResource, QUrl(name));
            const QImage image = QImage::fromData(data.toByteArray());
            QVERIFY2(!image.isNull() && image.width() <= 680, qPrintable(name));
        }
        QVERIFY(pictures >= 3);

        // Every entry the manual names in bold, as "Menu → Entry" or with its
        // keys (in parentheses, or in the shortcut table's "| `keys` | **Entry** |"),
        // is in the menu table with those keys.
        QHash<QString, const QAction *> named; // the text an artist reads
        for (const MenuEntry &e : MenuTable::entries() + MenuTable::hiddenEntries())
            if (e.name)
                named.insert(QString((e.menu ? QString::fromLatin1(e.menu) + u'>' : QString()) +
                                     QString::fromLatin1(e.text))
                                 .replace(u"&&"_s, u"\x01"_s)
                                 .remove(u'&')
                                 .replace(u'\x01', u'&')
                                 .replace(u'>', u" → "_s),
                             window.findChild<QAction *>(QLatin1String(e.name)));
        const QRegularExpression bold(u"\\*\\*([^*]+)\\*\\*(?: \\(((?:`[^`]+`(?: or )?)+)\\))?|"
                                      "^\\| ((?:`[^`]+`(?: or )?)+) \\| \\*\\*([^*]+)\\*\\* \\|$"_s,
                                      QRegularExpression::MultilineOption);
        QSet<const QAction *> keyed;
        int entries = 0;
        for (auto match = bold.globalMatch(text); match.hasNext();) {
            const auto m = match.next();
            const bool table = m.hasCaptured(4);
            const QString name = m.captured(table ? 4 : 1), keys = m.captured(table ? 3 : 2);
            if (!name.contains(u" → "_s) && keys.isEmpty())
                continue; // plain emphasis
            ++entries;
            const QAction *entry = named.value(name);
            QVERIFY2(entry, qPrintable(name));
            for (auto k = QRegularExpression(u"`([^`]+)`"_s).globalMatch(keys); k.hasNext();) {
                const QKeySequence sequence(k.next().captured(1));
                QVERIFY2(entry->shortcuts().contains(sequence),
                         qPrintable(name + u": "_s + sequence.toString()));
                keyed.insert(entry);
            }
        }
        QVERIFY(entries >= 60);
        // Every entry with keys is named with them, but the colour keys,
        // which the manual describes as a range.
        for (const QAction *a : window.findChildren<QAction *>())
            QVERIFY2(a->shortcuts().isEmpty() || a->objectName().isEmpty() ||
                         a->text().startsWith(u"Pen Color"_s) || keyed.contains(a),
                     qPrintable(a->text()));
    }

    // The slot bar on the palette dashboard assigns the pen colours as one
    // undoable edit.
    void colorSlotClicksAssignAndUndo()
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

    // The Scripts menu: a run is one named undo step with its output in the
    // console; an error or Cancel in the progress dialog leaves the document
    // as it was.
    void scripts()
    {
        MainWindow window;
        auto *flow = window.findChild<ScriptFlow *>();
        flow->runScript(
            script("dots.lua", "-- Title: Test Dots\nprint('hello', 2)\nset(3, 4, 5)\n"));
        QCoreApplication::processEvents();
        QCOMPARE(window.project().colormap().pixel(3, 4), quint8(5));
        QCOMPARE(window.project().history().nodeCount(), 1);
        QVERIFY(flow->consolePane()->isVisibleTo(&window));
        QVERIFY(flow->console()->toPlainText().contains(u"hello\t2"_s));
        QCOMPARE(undoTexts(window), (QStringList{"Undo Test Dots", "Redo"}));
        window.findChild<QAction *>(u"undo"_s)->trigger();
        QCOMPARE(window.project().colormap().pixel(3, 4), quint8(0));
        QCOMPARE(undoTexts(window), (QStringList{"Undo", "Redo Test Dots"}));
        // A bundled script from the menu.
        action(window, "Starfield")->trigger();
        QCOMPARE(window.project().history().nodeCount(), 1);
        QCOMPARE(undoTexts(window).first(), u"Undo Starfield"_s);

        const Colormap before = window.project().colormap();
        flow->runScript(script("broken.lua", "set(1, 1, 1)\nerror('nope')\n"));
        QVERIFY(flow->console()->toPlainText().contains(u"broken.lua:2: nope"_s));
        // Cancel in the dialog that shows once the run takes long.
        WhenModal<QProgressDialog> cancel([](QProgressDialog *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        });
        flow->runScript(script("endless.lua", "clear(3)\nwhile true do end\n"));
        QVERIFY(cancel.seen);
        QVERIFY(flow->console()->toPlainText().contains(u"cancelled"_s));
        QVERIFY(window.project().colormap() == before);
        QCOMPARE(window.project().history().nodeCount(), 1);
    }

    // The preview window beside the main window: the View entries drive it,
    // F8 and the view keys work from either window and act on the active
    // one, the preview never rotates, and it comes back as it was left.
    void entriesDriveThePreview()
    {
        MainWindow window;
        window.setGeometry(40, 60, 560, 420);
        window.show();
        QVERIFY(activate(&window));
        PreviewWindow *preview = window.findChild<PreviewWindow *>();
        PreviewArea *area = preview->area();
        QCOMPARE(preview->parentWidget(), &window);
        // A first start leaves it closed and plain; each entry turns one thing on.
        QVERIFY(!preview->isVisible() && !area->invertWheel() && !area->bilinearFiltering());
        action(window, "Preview Stays on Top")->trigger();
        QAction *show = action(window, "Show Preview Window");
        show->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(preview->stayOnTop() && (preview->windowFlags() & Qt::WindowStaysOnTopHint));
        // Without a remembered place it first shows at the picture's size,
        // clear of the menus, and leaves the keyboard with the main window,
        // also when a dialog has come and gone.
        QVERIFY(preview->width() >= 384 && preview->height() >= 272);
        const QRect menus(window.menuBar()->mapToGlobal(QPoint(0, 0)), window.menuBar()->size());
        QVERIFY(!preview->frameGeometry().intersects(menus));
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        boxesDuring(QMessageBox::Ok,
                    [&] { QMessageBox::information(&window, u"KORVEN"_s, u"Noted."_s); });
        QTest::qWait(50);
        QCOMPARE(QApplication::activeWindow(), &window);

        action(window, "Mirror Preview Horizontally")->trigger();
        QVERIFY(area->mirror());
        action(window, "Enable CRT Filter in Preview Window")->trigger();
        QVERIFY(area->crtFilter() && !area->crtImage().isNull());
        action(window, "Bilinear Filtering")->trigger();
        QVERIFY(area->bilinearFiltering() && window.canvas()->bilinearFiltering());
        // The preview shows the document the window holds now.
        action(window, "Multicolor + Top/Bottom Sprites Canvas")->trigger();
        QCOMPARE(area->crtImage().size(), window.canvas()->artworkImage().size());
        QCOMPARE(area->viewTransform().pixelWidth(), 2.0);
        QVERIFY(area->isFitMode());
        // An undone slot edit changes no pixel, yet the preview's border repaints.
        struct Paints : QObject {
            int count = 0;
            bool eventFilter(QObject *, QEvent *event) override
            {
                count += event->type() == QEvent::Paint;
                return false;
            }
        } paints;
        area->installEventFilter(&paints);
        window.paintSettings()->setPenIndex(2);
        window.assignColorSlot(ColorSlot::Border, Qt::LeftButton);
        QCOMPARE(window.project().history().nodeCount(), 1);
        for (const bool undo : {true, false}) {
            QTRY_VERIFY(paints.count > 0);
            paints.count = 0;
            undo ? window.undo() : window.redo();
        }
        QTRY_VERIFY(paints.count > 0);
        // Closing the window takes the check mark away.
        preview->close();
        QVERIFY(!show->isChecked() && !preview->isVisible());
        show->trigger();
        QVERIFY(preview->isVisible());
    }
    void keysDriveTheActiveWindow()
    {
        MainWindow window;
        QVERIFY(shownAndExposed(window, QSize(640, 480)) && activate(&window));
        PreviewWindow *preview = window.findChild<PreviewWindow *>();
        PreviewArea *area = preview->area();
        CanvasArea *canvas = window.canvas();
        QTest::keyClick(canvas, Qt::Key_F8);
        QVERIFY(preview->isVisible());
        preview->resize(416, 301);
        QVERIFY(QTest::qWaitForWindowExposed(preview));
        QVERIFY(activate(preview));
        QTest::keyClick(area, Qt::Key_W);
        QVERIFY(area->mirror());
        QTest::keyClick(area, Qt::Key_F8, Qt::AltModifier);
        QVERIFY(area->crtFilter());
        // A turned canvas is left alone by the preview's keys.
        window.project().view().setRotation(30);
        const ViewTransform canvasView = canvas->viewTransform();
        QVERIFY(area->isFitMode() && area->viewTransform().zoom() == 1.0);
        // The preview never turns: Ctrl+Home only fits it, and Ctrl+R is the
        // main window's alone.
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        for (const auto &[key, modifiers, zoom, fit] :
             {std::tuple{Qt::Key_Plus, ctrl, 2.0, false},
              {Qt::Key_Minus, ctrl, 1.0, false},
              {Qt::Key_Plus, ctrl, 2.0, false},
              {Qt::Key_0, ctrl, 1.0, false},
              {Qt::Key_0, ctrl | Qt::ShiftModifier, 1.0, true},
              {Qt::Key_Plus, ctrl, 2.0, false},
              {Qt::Key_Home, ctrl, 1.0, true}}) {
            QTest::keyClick(area, key, modifiers);
            QCOMPARE(std::tuple(area->viewTransform().zoom(), area->isFitMode(),
                                area->viewTransform().rotation()),
                     std::tuple(zoom, fit, 0.0));
        }
        QTest::keyClick(area, Qt::Key_R, Qt::ControlModifier);
        QCOMPARE(canvas->viewTransform(), canvasView);

        // Back in the main window the same keys drive the canvas.
        QVERIFY(activate(&window));
        const ViewTransform previewView = area->viewTransform();
        QTest::keyClick(canvas, Qt::Key_Home, Qt::ControlModifier);
        QVERIFY(canvas->viewTransform().rotation() == 0.0 && canvas->isFitMode());
        QTest::keyClick(canvas, Qt::Key_Plus, Qt::ControlModifier);
        QVERIFY(!canvas->isFitMode());
        QCOMPARE(area->viewTransform(), previewView);
        // F8 from the preview closes it.
        QVERIFY(activate(preview));
        QTest::keyClick(area, Qt::Key_F8);
        QVERIFY(!preview->isVisible() && !action(window, "Show Preview Window")->isChecked());
    }
    void rememberedBetweenRuns()
    {
        QRect geometry;
        {
            MainWindow window;
            PreviewWindow *preview = window.findChild<PreviewWindow *>();
            action(window, "Show Preview Window")->trigger();
            preview->setGeometry(120, 90, 333, 222);
            QVERIFY(QTest::qWaitForWindowExposed(preview));
            geometry = preview->geometry();
            action(window, "Preview Stays on Top")->trigger();
            action(window, "Enable CRT Filter in Preview Window")->trigger();
            window.resize(620, 410);
            window.close();
        }
        // Each toggle's key round trip is persistedRoundTrip's.
        QSettings settings;
        QVERIFY(!settings.value(u"preview/geometry"_s).toByteArray().isEmpty());
        settings.setValue(u"general/invertZoomWheel"_s, true);
        settings.sync();

        ShowWatcher watcher;
        qApp->installEventFilter(&watcher);
        MainWindow next;
        qApp->removeEventFilter(&watcher);
        PreviewWindow *preview = next.findChild<PreviewWindow *>();
        QVERIFY(preview->isVisible());
        // The main window is placed as well, before the preview shows.
        QCOMPARE(watcher.mainSize, QSize(620, 410));
        QCOMPARE(preview->size(), geometry.size());
        // A window restored before it was ever shown may be placed by its frame.
        QVERIFY2(preview->geometry().topLeft() == geometry.topLeft() ||
                     preview->frameGeometry().topLeft() == geometry.topLeft(),
                 qPrintable(u"at %1,%2"_s.arg(preview->x()).arg(preview->y())));
        // Shown last, with its look already chosen (the entries' checks are
        // persistedRoundTrip's).
        QCOMPARE(watcher.shown.value(0), std::tuple(true, false, true));
        QVERIFY(preview->area()->invertWheel());
    }

    // The menu bar and the keys as an artist meets them: the commands behind
    // the keys and entries, reached through the menus by their paths.
    void penKeys()
    {
        MainWindow window;
        QVERIFY(shownAndActive(window, QSize(640, 480)));
        CanvasArea *canvas = window.canvas();
        // 1-8 pick colors 0-7, Shift with them 8-15; the secondary color stays.
        for (const auto &[key, shift, index] :
             {std::tuple{Qt::Key_1, false, 0}, {Qt::Key_8, false, 7}, {Qt::Key_3, true, 10}}) {
            QTest::keyClick(canvas, key, shift ? Qt::ShiftModifier : Qt::NoModifier);
            QCOMPARE(std::pair(int(canvas->paintSettings().penIndex()),
                               int(canvas->paintSettings().secondaryIndex())),
                     std::pair(index, 0));
        }
        QAction *smooth = menuEntry(window, "&Options>Anti-Aliased Strokes");
        const auto state = [&] {
            return std::pair(canvas->paintSettings().brushSettings().width, smooth->isEnabled());
        };
        menuEntry(window, "&File>Presets>Multicolor Canvas")->trigger();
        QAction *pressure = menuEntry(window, "&Options>Pressure-Widened Strokes");
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
        menuEntry(window, "&File>Presets>Hires Canvas")->trigger();
        QVERIFY(!smooth->isEnabled());
    }
    void toolKeys_data() { addTextRows("app/windowrows.txt", "tool keys"); }
    void toolKeys()
    {
        QFETCH(QStringList, row);
        const QString &keys = row[0], &tool = row[1];
        MainWindow window;
        QVERIFY(shownAndActive(window, QSize(640, 480)));
        CanvasArea *c = window.canvas();
        for (QChar key : keys)
            QTest::keyClick(c, Qt::Key(key.unicode()));
        QAction *chosen = menuEntry(window, u"&Options>"_s + tool);
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
            menuEntry(window, u"&Options>"_s + QLatin1String(path))->trigger();
        const PaintSettings *c = window.paintSettings();
        QCOMPARE(std::tuple(c->contourPlacement(), c->symmetryMode(), c->symmetry().applyToFill(),
                            c->brushSettings().shape, c->textureMode()),
                 std::tuple(ContourPlacement::Outside, SymmetryMode::Kaleidoscope, true,
                            BrushShape::Square, TextureMode::TwoColor));
    }
    void newCanvasTakesMenuChoices()
    {
        MainWindow window;
        menuEntry(window, "&Palette>CCS64")->trigger();
        menuEntry(window, "&View>PAL Pixels")->trigger();
        menuEntry(window, "&Options>Border Sprites>Enforce 8-Sprite Border Limit")->trigger();
        menuEntry(window, "&Options>Hires Clash Resolution>Preserve Most-Used Color")->trigger();
        QCOMPARE(window.project().paletteVariant(), 3);
        // The choices live in the menus: a document that lost them gets them back.
        window.project().setPaletteVariant(0);
        window.project().setSpriteCountPolicy(SpriteCountPolicy::Flag);
        const Project *before = &window.project();
        menuEntry(window, "&File>Presets>Multicolor + Top/Bottom Sprites Canvas")->trigger();
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
        QVERIFY(menuEntry(window, "&Options>Border Sprites")->isEnabled());
        menuEntry(window, "&File>Presets>Dual Multicolor Canvas")->trigger();
        QVERIFY(!menuEntry(window, "&Options>Border Sprites")->isEnabled());
        QVERIFY(!menuEntry(window, "&Options>Hires Clash Resolution")->isEnabled());
        QVERIFY(menuEntry(window, "&Options>Fill Contour Placement")->isEnabled());
    }
    void wholeCanvasEditsWaitForStroke()
    {
        MainWindow window;
        QVERIFY(shownAndActive(window, QSize(640, 480)));
        CanvasArea *canvas = window.canvas();
        const History &history = window.project().history();
        QAction *flip = menuEntry(window, "&Edit>Transform>Flip Vertically");
        press(canvas, at(canvas, QPoint(10, 10)));
        move(canvas, at(canvas, QPoint(60, 40)));
        flip->trigger();
        QCOMPARE(history.nodeCount(), 0);
        release(canvas, at(canvas, QPoint(60, 40)));
        flip->trigger();
        QCOMPARE(history.nodes().constLast().kind, HistoryEntryKind::FlipCanvas);
        QCOMPARE(history.nodeCount(), 2);
    }

    void projectArgument_data() { addTextRows("app/windowrows.txt", "arguments"); }
    void projectArgument()
    {
        QFETCH(QStringList, row);
        QCOMPARE(Startup::projectArgument(row[0].split(u' ')), row[1]);
    }
    void lastDir()
    {
        const QString key = QString::fromLatin1(LastFolders::ProjectKey);
        QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
        auto folder = std::make_unique<QTemporaryDir>();
        LastFolders::storeDir(key, folder->filePath(u"art.kvn"_s));
        QCOMPARE(LastFolders::lastDir(key), folder->path());
        QCOMPARE(LastFolders::lastDir(u"files/lastExportDir"_s), QDir::currentPath());
        // A remembered folder that has gone away no longer counts.
        folder.reset();
        QCOMPARE(LastFolders::lastDir(key), QDir::currentPath());
    }
    void valueTexts()
    {
        // PAL only at its exact ratio; zoom rounds half up; no minus on a zero angle.
        QCOMPARE((QStringList{StatusTexts::aspectText(0.9375), StatusTexts::aspectText(0.9376),
                              StatusTexts::zoomText(0.125), StatusTexts::rotationText(-0.0)}),
                 (QStringList{"Aspect: PAL", "Aspect: Square", "Zoom: 13%", "Rotation: 0.00°"}));
    }
    void hover_data() { addTextRows("app/statustexts.txt", "hover"); }
    void hover()
    {
        QFETCH(QStringList, row);
        const QList<int> canvas = intsOf(row[0]);
        const auto alignment = [&](int which) {
            return canvas[3] == which ? BorderAlignment::Right : BorderAlignment::Left;
        };
        const LayoutSpec spec{CanvasLayout(canvas[1]), alignment(1), alignment(2)};
        const Project project{CanvasMode(canvas[0]), -1, -1, spec, canvas[2]};
        const StatusTexts::HoverTexts texts =
            StatusTexts::hoverTexts(project, !row[1].isEmpty(), pointOf(row[1]));
        QCOMPARE((QStringList{texts.charCell, texts.sprite}), row.mid(2));
    }

    // Nothing stored, or garbage in a key, reads as the defaults.
    void defaultsAndUnreadableKeys()
    {
        // The window is to set the chooser attribute from the settings.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
        const GeneralSettings defaults{false, false,          false, false, 0.5,
                                       0.5,   "192.168.0.64", 2.5,   {},    false};
        QCOMPARE(GeneralSettings::read(), defaults);
        QSettings().setValue(QLatin1String(GeneralSettings::UltimateTimeoutKey), "soon");
        QSettings().setValue(QLatin1String(GeneralSettings::FlyoutHoverDelayKey), "later");
        QCOMPARE(GeneralSettings::read(), defaults);
        QCOMPARE(GeneralSettings::read().ultimateTimeoutMs(), 2500);

        // An on/off key reads as on or off only when it says so.
        const QVariantList stored = {u"true"_s, u"FALSE"_s, 1, u"0"_s, u"maybe"_s, 2.5, {}};
        const int read[] = {1, 0, 1, 0, -1, -1, -1}; // -1: the fallback
        for (int i = 0; i < stored.size(); ++i)
            for (const bool fallback : {false, true})
                QCOMPARE(GeneralSettings::toBool(stored[i], fallback),
                         read[i] < 0 ? fallback : read[i] == 1);
        QSettings settings;
        for (const char *key :
             {GeneralSettings::InvertZoomWheelKey, GeneralSettings::NativeFileDialogsKey,
              "tools/pressureWidening", "view/showPixelGrid", "files/exportIncludeBorders"})
            settings.setValue(QLatin1String(key), u"maybe"_s);
        QCOMPARE(GeneralSettings::read(), defaults);
        // The window and its canvas start as on a first start.
        MainWindow window;
        for (const char *name :
             {"showReferenceGrids", "showPixelGrids", "showSafeFrames", "bilinearFiltering",
              "pixelPerfect", "disableFillPreview", "palPixels", "ntscPixels", "showPreview",
              "previewOnTop", "mirrorPreview", "previewCrt"})
            QVERIFY2(!entry(window, name)->isChecked(), name);
        QVERIFY(entry(window, "pressureWidening")->isChecked());
        QVERIFY(entry(window, "squarePixels")->isChecked());
        // The canvas follows the entries (persistedRoundTrip) and the general
        // settings (dialogOutcome).
        QVERIFY(!window.canvas()->smoothReferenceScaling());
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        QVERIFY(QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        // Borders are left out unless the artist once asked for them.
        BoxAnswerer boxes(QMessageBox::Cancel);
        bool include = true;
        QVERIFY(!ExportImageFlow::askIncludeBorders(&window, u"Export"_s, include));
        QCOMPARE(boxes.looks.value(0).second, QMessageBox::No);
    }

    // The timeout's clamp and the seconds-to-milliseconds rounding (halves
    // away from zero, never to even), with the flyouts never negative.
    void timeConversions_data() { addTextRows("app/windowrows.txt", "times"); }
    void timeConversions()
    {
        QFETCH(QStringList, row);
        const double seconds = row[0].toDouble(), clamped = row[1].toDouble();
        const int ms = row[2].toInt();
        QCOMPARE(GeneralSettings::secondsToMilliseconds(seconds), ms);
        GeneralSettings general;
        general.ultimateTimeoutSeconds = general.flyoutLeaveGraceSeconds = seconds;
        QCOMPARE(GeneralSettings::clampTimeout(seconds), clamped);
        QCOMPARE(general.clampedTimeoutSeconds(), clamped);
        QCOMPARE(general.flyoutLeaveGraceMs(), std::max(0, ms));
    }

    // The dialog opens on what is stored (the defaults at first start). OK
    // stores what it shows, the host trimmed, and applies it at once;
    // Cancel leaves every key as it was and applies nothing.
    void dialogOutcome_data() { addTextRows("app/windowrows.txt", "settings dialog"); }
    void dialogOutcome()
    {
        QFETCH(QStringList, row);
        const bool ok = row[0] == u"OK"_s, storedBefore = row[1] == u"yes"_s;
        const QString typed = row[2].mid(1).chopped(1), host = row[3];
        if (storedBefore)
            GeneralSettings{false, true, false, false, 0.5, 1.5, "10.1.1.1", 9.0, "old"}.write();
        const GeneralSettings before = GeneralSettings::read();
        const QStringList keysBefore = QSettings().allKeys();
        MainWindow window;
        QSignalSpy wheel(window.settingsFlow(), &SettingsFlow::invertZoomWheelApplied);
        QSignalSpy flyout(window.settingsFlow(), &SettingsFlow::flyoutTimesApplied);
        runSettingsDialog(
            window,
            [&](SettingsDialog &dialog) {
                QCOMPARE(dialog.settings(), before);
                clickCheckBoxes(dialog);
                auto *host = child<QLineEdit>(dialog, "ultimateHost");
                host->selectAll();
                QTest::keyClicks(host, typed);
                // A password is kept as typed, spaces and all, and never shown.
                auto *password = child<QLineEdit>(dialog, "ultimatePassword");
                QCOMPARE(password->echoMode(), QLineEdit::Password);
                password->selectAll();
                QTest::keyClicks(password, typed);
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutHoverDelay"), "1.3");
                typeInto(child<QDoubleSpinBox>(dialog, "toolFlyoutLeaveGrace"), "0");
                typeInto(child<QDoubleSpinBox>(dialog, "ultimateTimeout"), "12.5");
            },
            ok);
        const CanvasArea *canvas = window.canvas();
        if (!ok) {
            QCOMPARE(QSettings().allKeys(), keysBefore);
            QCOMPARE(GeneralSettings::read(), before);
            QCOMPARE(wheel.size() + flyout.size(), 0);
            QVERIFY(!canvas->invertWheel());
            QCOMPARE(canvas->bindZoomToCanvas(), storedBefore);
            return;
        }
        QCOMPARE(GeneralSettings::read(), (GeneralSettings{true, !storedBefore, true, true, 1.3,
                                                           0.0, host, 12.5, typed, true}));
        QVERIFY(canvas->invertWheel() && canvas->smoothReferenceScaling());
        QCOMPARE(canvas->bindZoomToCanvas(), !storedBefore);
        QVERIFY(!QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
        QCOMPARE(std::pair(window.settingsFlow()->flyoutHoverDelayMs(),
                           window.settingsFlow()->flyoutLeaveGraceMs()),
                 std::pair(1300, 0));
        QCOMPARE(wheel, (QList<QVariantList>{{true}}));
        QCOMPARE(flyout, (QList<QVariantList>{{1300, 0}}));
    }

    // Each persisted entry is checked from its key at start, its handler
    // applies it, and the close writes it back.
    void persistedRoundTrip_data() { addTextRows("app/windowrows.txt", "persisted"); }
    void persistedRoundTrip()
    {
        QFETCH(QStringList, row);
        const QString &key = row[0], &checked = row[2];
        const QVariant stored = row[1] == u"true"_s || row[1] == u"false"_s
                                    ? QVariant(row[1] == u"true"_s)
                                : row[1].contains(u'.') ? QVariant(row[1].toDouble())
                                                        : QVariant(row[1].toInt());
        const bool flag = stored.typeId() == QMetaType::Bool;
        QSettings().setValue(key, stored);
        {
            MainWindow window;
            const CanvasArea *canvas = window.canvas();
            if (!checked.isEmpty())
                QCOMPARE(entry(window, checked.toLatin1().constData())->isChecked(),
                         !flag || stored.toBool());
            const auto on = [&](const char *name) { return entry(window, name)->isChecked(); };
            // The handlers ran: the canvas shows what the entries say.
            QCOMPARE(canvas->isGridVisible(), on("showReferenceGrids"));
            QCOMPARE(canvas->isPixelGridVisible(), on("showPixelGrids"));
            QCOMPARE(canvas->areSafeFramesVisible(), on("showSafeFrames"));
            QCOMPARE(canvas->bilinearFiltering(), on("bilinearFiltering"));
            QCOMPARE(canvas->paintSettings().brushSettings().pixelPerfect, on("pixelPerfect"));
            QCOMPARE(canvas->paintSettings().pressureWidening(), on("pressureWidening"));
            QCOMPARE(canvas->paintSettings().fillPreviewEnabled(), !on("disableFillPreview"));
            if (key == QLatin1String(SettingsFlow::DisplayPixelAspectKey))
                QCOMPARE(window.project().view().displayAspect(), stored.toDouble());
            QCOMPARE(canvas->referenceOpacity(), checked.isEmpty() ? stored.toInt() : 50);
            QSettings().clear();
            // Toggling an entry writes nothing until the window closes.
            for (int i = 0; flag && i < 2; ++i)
                entry(window, checked.toLatin1().constData())->toggle();
            QVERIFY(QSettings().allKeys().isEmpty());
            window.close();
        }
        // Everything persisted is written back, this key with its value.
        const QSettings settings;
        QCOMPARE(settings.value(key).toString(), stored.toString());
        QList<const char *> written =
            SettingsFlow::viewAndToolToggleKeys() + SettingsFlow::previewToggleKeys();
        written << SettingsFlow::WindowGeometryKey << SettingsFlow::ReferenceOpacityKey
                << SettingsFlow::DisplayPixelAspectKey;
        for (const char *one : written)
            QVERIFY2(settings.contains(QLatin1String(one)), one);
        // The general group is the dialog's to write, not the close's.
        QVERIFY(!settings.childGroups().contains("general") &&
                !settings.childGroups().contains("ultimate"));
    }

    // A stored pixel aspect no entry carries leaves the group unchecked and
    // the view where it was; a new canvas keeps that view too.
    void unmatchedAspect_data() { addTextRows("app/windowrows.txt", "unmatched aspect"); }
    void unmatchedAspect()
    {
        QFETCH(QStringList, row);
        const double stored = row[0].toDouble();
        QSettings().setValue(QLatin1String(SettingsFlow::DisplayPixelAspectKey), stored);
        MainWindow window;
        for (const char *name : {"squarePixels", "palPixels", "ntscPixels"})
            QVERIFY2(!entry(window, name)->isChecked(), name);
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        window.newMulticolorCanvas();
        QCOMPARE(window.project().view().displayAspect(), 1.0);
        // Choosing one afterwards works as ever.
        entry(window, "ntscPixels")->trigger();
        QCOMPARE(window.project().view().displayAspect(), 0.75);
        entry(window, "ntscPixels")->setChecked(false);
        window.close();
        // Nothing checked: the stored value stays for the next start.
        QCOMPARE(QSettings().value(QLatin1String(SettingsFlow::DisplayPixelAspectKey)).toDouble(),
                 stored);
    }

    // Opening, saving and creating projects through the window, with the
    // background task, its progress dialog and the program's own choosers.
    // The dialog shows only for slow tasks; Esc, its Cancel button and
    // closing it cancel; other windows paint but take no input meanwhile.
    void taskBehindProgressDialog_data() { addTextRows("app/windowrows.txt", "progress"); }
    void taskBehindProgressDialog()
    {
        QFETCH(QStringList, row);
        const QString how = row[0];
        struct Painted : QLineEdit {
            int paints = 0, presses = 0;
            void paintEvent(QPaintEvent *event) override { ++paints, QLineEdit::paintEvent(event); }
            void mousePressEvent(QMouseEvent *event) override
            {
                ++presses, QLineEdit::mousePressEvent(event);
            }
        } other;
        QVERIFY(shownAndExposed(other));
        QTimer repaint;
        connect(&repaint, &QTimer::timeout, &other, [&] { other.update(); });
        repaint.start(20);
        WhenModal<QProgressDialog> watch([&](QProgressDialog *dialog) {
            QCOMPARE(dialog->maximum(), 1000);
            other.paints = 0;
            QTest::keyClicks(&other, u"typed"_s);
            QTest::mouseClick(&other, Qt::LeftButton);
            if (how == u"Esc"_s)
                QTest::keyClick(dialog, Qt::Key_Escape);
            else if (how == u"close"_s)
                dialog->close();
            else
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
        });
        const bool quick = how == u"quick"_s;
        const ProjectFileResult result =
            ProjectFileTask::run(nullptr, u"Working..."_s, [&](const auto &progress) {
                // A quick task takes a fraction of the dialog's delay.
                const int steps = quick ? 3 : 1000;
                for (int i = 0; i < steps; ++i) {
                    if (!progress(i, steps))
                        return ProjectFileResult{false, true, {}};
                    QThread::msleep(10);
                }
                return ProjectFileResult{true, false, {}};
            });
        QCOMPARE(watch.seen, !quick);
        QCOMPARE(std::pair(result.ok, result.cancelled), std::pair(quick, !quick));
        QVERIFY(other.text().isEmpty() && other.presses == 0);
        QTRY_VERIFY(quick || other.paints > 0);
    }

    void openFromChooserAndRecent()
    {
        const QString sunset = saved(u"sunset.kvn"_s, 5, 3);
        const QString broken = m_dir.filePath(u"broken.kvn"_s);
        QVERIFY(QFile::copy(sunset, broken));
        QSettings().setValue(u"files/lastProjectDir"_s, m_dir.path());
        TestWindow window;
        QStringList previews;
        WhenModal<OpenProjectDialog> chooser([&](OpenProjectDialog *dialog) {
            previews << dialog->infoLabel()->text() << dialog->directory().path();
            clickFile(dialog, u"sunset.kvn"_s);
            previews << dialog->infoLabel()->text()
                     << QString::number(dialog->previewLabel()->pixmap().width());
            static_cast<QDialog *>(dialog)->accept();
        });
        window.openProject();
        QCOMPARE(previews, (QStringList{"Select a project to preview it.", m_dir.path(),
                                        "Multicolor, 320 x 200, 3 workstages", "320"}));
        QCOMPARE(window.project().colormap().pixel(12, 12), quint8(7));
        QCOMPARE(window.project().history().position(), 2);
        QCOMPARE(window.windowTitle(), u"sunset.kvn[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Opened sunset.kvn."_s);
        WhenModal<OpenProjectDialog> cancel([](OpenProjectDialog *dialog) { dialog->reject(); });
        window.openProject();
        QCOMPARE(statusText(window), u"Open cancelled."_s);

        // Open Recent lists what still exists; an entry that fails to open leaves it.
        RecentProjects::addRecent(broken);
        RecentProjects::addRecent(m_dir.filePath(u"gone.kvn"_s));
        QVERIFY(QFile::resize(broken, 20));
        QMenu *file = window.findChild<QMenu *>(u"fileMenu"_s);
        QMenu *recent = window.findChild<QMenu *>(u"openRecentMenu"_s);
        emit file->aboutToShow();
        QStringList texts;
        for (const QAction *entry : recent->actions())
            texts << entry->text();
        QCOMPARE(texts,
                 (QStringList{"&1  broken.kvn", "&2  sunset.kvn", "", "Clear Recent File List"}));
        emit recent->hovered(recent->actions()[1]);
        QVERIFY(recent->actions()[1]->toolTip().startsWith(u"<img src='data:image/png"_s));
        const QStringList said =
            boxesDuring(QMessageBox::Ok, [&] { recent->actions()[0]->trigger(); });
        QVERIFY(said.size() == 1 && said[0].startsWith(u"KORVEN|Could not open %1: "_s.arg(
                                        QDir::toNativeSeparators(broken))));
        QCOMPARE(window.projectPath(), sunset);
        QCOMPARE(RecentProjects::loadRecent(), QStringList{sunset});
        recent->actions().last()->trigger();
        QVERIFY(!recent->menuAction()->isEnabled());
    }

    void importImage()
    {
        QTemporaryDir folder;
        Colormap picture(160, 200), hires(320, 200);
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 320; ++x) {
                hires.setPixel(x, y, quint8((x / 8 + y) % 2 ? 1 : 6));
                if (x < 160)
                    picture.setPixel(x, y, quint8(x / 4 % 2 ? 11 : (y / 8 + x / 4) % 3 + 1));
            }
        QVERIFY(writeBytes(folder.filePath(u"pic.koa"_s),
                           NativeFormats::writeNative(picture, CanvasMode::Multicolor, 0, {11})));
        QVERIFY(writeBytes(folder.filePath(u"other.art"_s),
                           NativeFormats::writeNative(hires, CanvasMode::Hires, 0, {11})));
        QSettings().setValue(u"files/lastImportImageDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorCanvas();
        QStringList infos;
        WhenModal<ImportImageDialog> previewing([&](ImportImageDialog *dialog) {
            for (const char *name : {"other.art", "pic.koa"}) {
                clickFile(dialog, QLatin1String(name));
                infos << dialog->infoLabel()->text();
            }
            static_cast<QDialog *>(dialog)->accept();
        });
        window.importImage();
        QCOMPARE(infos, (QStringList{"Art Studio is a hires format; this canvas is multicolor.",
                                     "Koala Painter"}));
        QCOMPARE(window.project().colormap(), picture);
        QCOMPARE(window.project().slot(ColorSlot::Background), quint8(11));
        QCOMPARE(window.project().history().nodes().value(0).kind, HistoryEntryKind::ImportImage);
        QCOMPARE(window.windowTitle(), u"pic[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Imported pic.koa (Koala Painter)."_s);

        // On a dual canvas the chooser asks for the screen; what the import
        // does to the other screen and the cells is tst_wholecanvasedits'.
        window.project().history().markClean();
        window.newDualMulticolorCanvas();
        auto chooser = choosing<ImportImageDialog>("pic.koa", [](ImportImageDialog *dialog) {
            dialog->findChild<QComboBox *>(u"importTargetScreenCombo"_s)->setCurrentIndex(1);
        });
        window.importImage();
        QCOMPARE(window.project().colormap().copy(window.project().screenRect(1)), picture);

        // Through the system's chooser the file is checked before the screen
        // is asked for, and a hires picture is offered a hires canvas.
        window.project().history().markClean();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
        QStringList asked;
        auto system = choosing<QFileDialog>("other.art");
        WhenModal<ImportOptionsDialog> screen([&](ImportOptionsDialog *dialog) {
            asked << u"screen"_s;
            dialog->reject();
        });
        WhenModal<QMessageBox> offer([&](QMessageBox *box) {
            asked << box->text() + u'|' + box->informativeText();
            clickButton(box, "New Hires Canvas");
        });
        window.importImage();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
        QCOMPARE(asked, QStringList{"Art Studio is a hires format; this canvas is multicolor.|"
                                    "Import it into a new hires canvas instead?"});
        QCOMPARE(window.project().mode(), CanvasMode::Hires);
        QCOMPARE(window.project().colormap(), hires);
        QCOMPARE(statusText(window), u"Imported other.art (Art Studio)."_s);
    }

    // Import Sprites: the chooser previews each sheet with its count or the
    // capacity refusal, the attribute choice is read, and the sheet replaces
    // the strips as one edit; a sheet too large is refused with a warning.
    void importSprites()
    {
        QTemporaryDir folder;
        // Saved under the chooser's sprite file extension.
        for (const char *name : {"rozne", "tfight"})
            QVERIFY(
                QFile::copy(QStringLiteral(KORVEN_TESTDATA_DIR "/real/sprites/%1.spr").arg(name),
                            folder.filePath(u"%1.prg"_s.arg(name))));
        QSettings().setValue(u"files/lastImportSpritesDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorTopBottomSpritesCanvas();
        window.paintSettings()->setPenIndex(13);
        const Project before = window.project();
        QStringList infos;
        const auto pick = [&](const char *name) {
            WhenModal<ImportSpritesDialog> chooser([&](ImportSpritesDialog *dialog) {
                dialog->findChild<QComboBox *>(u"importSpriteAttributeCombo"_s)->setCurrentIndex(1);
                for (const char *file : {"tfight.prg", name}) {
                    clickFile(dialog, QLatin1String(file));
                    infos << dialog->infoLabel()->text();
                }
                static_cast<QDialog *>(dialog)->accept();
            });
            window.importSprites();
        };
        pick("rozne.prg");
        QCOMPARE(infos, (QStringList{"The file holds 64 sprites; this canvas takes at most 32.",
                                     "13 sprites"}));
        // The sheet's own colours are 0 and 10; ignoring them, its pixels take
        // the pen's 13. Where they land is tst_spritefile's.
        const QRect bitmap = before.regionRect(RegionKind::Bitmap);
        QCOMPARE(window.project().colormap().copy(bitmap), before.colormap().copy(bitmap));
        QVERIFY(window.project().colormap().bytes().contains(char(13)));
        QCOMPARE(window.project().history().nodes().value(0).kind, HistoryEntryKind::ImportSprites);
        QCOMPARE(statusText(window), u"Imported 13 sprites from rozne.prg."_s);

        QString warning;
        WhenModal<QMessageBox> refusal([&](QMessageBox *box) {
            warning = box->text();
            box->accept();
        });
        pick("tfight.prg");
        QCOMPARE(warning, u"The file holds 64 sprites; this canvas takes at most 32."_s);
        QCOMPARE(window.project().history().nodeCount(), 1);
    }

    // Convert Image: a picture of another size is fitted after the scale
    // question, the dialog's result and slots land as one edit, and the
    // window takes the picture's name and the dialog's palette.
    void convertImage()
    {
        QTemporaryDir folder;
        QImage picture(100, 50, QImage::Format_RGB32);
        picture.fill(qRgb(200, 180, 40));
        QVERIFY(picture.save(folder.filePath(u"sunrise.png"_s)));
        QVERIFY(picture.scaled(640, 400).save(folder.filePath(u"wide.png"_s)));
        QSettings().setValue(u"files/lastConvertImageDir"_s, folder.path());
        TestWindow window;
        window.newHiresCanvas();
        const Project &project = window.project();
        const Project before = project;
        QString question;
        Colormap shown;
        std::array<quint8, ColorSlotCount> chosen{};
        const auto convert = [&](const char *name, int palette) {
            question.clear();
            auto chooser = choosing<QFileDialog>(name);
            WhenModal<QMessageBox> scale([&](QMessageBox *box) {
                question = box->text();
                clickButton(box, "Keep Aspect Ratio");
            });
            WhenModal<ConvertImageDialog> converter([&](ConvertImageDialog *dialog) {
                dialog->findChild<QComboBox *>(u"paletteCombo"_s)->setCurrentIndex(palette);
                const size_t border = size_t(ColorSlot::Border);
                dialog->assignSlot(ColorSlot::Border,
                                   quint8((dialog->slotBytes()[border] + 1) % 16));
                dialog->accept();
                shown = dialog->resultColormap();
                chosen = dialog->slotBytes();
            });
            window.convertImage();
        };
        convert("sunrise.png", 5);
        QVERIFY(question.startsWith(QLatin1String(
            "sunrise.png is 100 x 50 pixels; the canvas displays at 320 x 200 pixels.")));
        QCOMPARE(project.colormap(), shown);
        QCOMPARE(project.slotBytes(), chosen);
        QVERIFY(chosen != before.slotBytes());
        // Kept aspect: black bands above and below the picture.
        QCOMPARE(shown.copy(QRect(0, 0, 320, 20)).bytes().count(char(0)), 320 * 20);
        QVERIFY(shown.pixel(160, 100) != 0);
        QCOMPARE(project.paletteVariant(), 5);
        QCOMPARE(project.history().nodeCount(), 1);
        QCOMPARE(project.history().nodes().value(0).kind, HistoryEntryKind::ConvertImage);
        QCOMPARE(window.windowTitle(), u"sunrise[*] - KORVEN"_s);
        QCOMPARE(statusText(window), u"Converted sunrise.png."_s);
        // One undo takes back the pixels and the slots alike.
        window.undo();
        QCOMPARE(project.colormap(), before.colormap());
        QCOMPARE(project.slotBytes(), before.slotBytes());

        // A picture of the canvas's own shape fills it without a question.
        convert("wide.png", 0);
        QCOMPARE(question, QString());
        QCOMPARE(statusText(window), u"Converted wide.png."_s);
        QCOMPARE(shown.pixel(160, 2), shown.pixel(160, 100));
    }

    // Import Reference Image: a picture of another size, stretched, becomes
    // the shown reference layer and leaves the document as it was.
    void importReferenceImage()
    {
        QTemporaryDir folder;
        QImage picture(64, 40, QImage::Format_RGB32);
        picture.fill(qRgb(30, 160, 90));
        QVERIFY(picture.save(folder.filePath(u"trace.png"_s)));
        QSettings().setValue(u"files/lastReferenceImageDir"_s, folder.path());
        TestWindow window;
        window.newMulticolorCanvas();
        auto *show = window.findChild<QAction *>(u"showReferenceLayer"_s);
        QVERIFY(!show->isEnabled());
        auto chooser = choosing<QFileDialog>("trace.png");
        WhenModal<QMessageBox> scale([](QMessageBox *box) { clickButton(box, "Stretch to Fit"); });
        window.importReferenceImage();
        const QImage reference = window.canvas()->referenceImage();
        QCOMPARE(reference.size(), QSize(320, 200));
        QCOMPARE(reference.pixel(0, 0), picture.pixel(0, 0));
        QVERIFY(show->isEnabled() && show->isChecked());
        QCOMPARE(window.project().history().nodeCount(), 0);

        // The opacity follows the slider at once; Cancel takes it back.
        const int opening = window.canvas()->referenceOpacity();
        for (const bool keep : {false, true}) {
            int live = -1;
            WhenModal<ReferenceOpacityDialog> opacity([&](ReferenceOpacityDialog *dialog) {
                dialog->findChild<QSlider *>()->setValue(opening / 2 + 3);
                live = window.canvas()->referenceOpacity();
                keep ? dialog->accept() : dialog->reject();
            });
            window.showReferenceOpacityDialog();
            QCOMPARE(live, opening / 2 + 3);
            QCOMPARE(window.canvas()->referenceOpacity(), keep ? live : opening);
        }
    }

    // Export to Image: a dual bitmap canvas goes out natively as one file per
    // screen, asks before replacing them, and a border canvas goes out as a
    // modern picture with its borders.
    void exportImage()
    {
        QTemporaryDir folder;
        QSettings().setValue(u"files/lastExportDir"_s, folder.path());
        TestWindow window;
        window.newDualMulticolorCanvas();
        Colormap &pixels = window.project().colormap();
        for (int x = 0; x < pixels.width(); ++x)
            pixels.fillRect(QRect(x, x % 200, 1, 3), quint8(x / 160 ? 2 : 7));
        const auto save = [&](const QString &name, QMessageBox::StandardButton answer) {
            // The format dialog, where the canvas offers one, keeps its choice.
            WhenModal<QDialog> family([](QDialog *dialog) {
                if (!qobject_cast<QFileDialog *>(dialog) && !qobject_cast<QMessageBox *>(dialog))
                    dialog->accept();
            });
            WhenModal<QFileDialog> chooser([&](QFileDialog *dialog) {
                dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(name);
                static_cast<QDialog *>(dialog)->accept();
            });
            return boxesDuring(answer, [&] { window.exportImage(); });
        };
        save(u"pair.koa"_s, QMessageBox::Yes);
        QCOMPARE(statusText(window), u"Exported 2 screens: pair-0.koa ... pair-1.koa."_s);
        for (int screen = 0; screen < 2; ++screen)
            QCOMPARE(decodedFile(folder.filePath(u"pair-%1.koa"_s.arg(screen))),
                     pixels.copy(window.project().screenRect(screen)));
        // A name typed without a suffix takes the format's.
        save(u"solo"_s, QMessageBox::Yes);
        QCOMPARE(statusText(window), u"Exported 2 screens: solo-0.koa ... solo-1.koa."_s);
        const QStringList asked = save(u"pair.koa"_s, QMessageBox::Cancel);
        QVERIFY(asked.value(0).contains(u"The export would replace:"_s));
        QCOMPARE(statusText(window), u"Export to image cancelled."_s);

        window.project().history().markClean();
        window.newHiresSpritesCanvas();
        save(u"framed.png"_s, QMessageBox::Yes);
        // With the borders: taller than the canvas, its corner the border colour.
        const QImage framed(folder.filePath(u"framed.png"_s));
        QVERIFY(framed.height() > window.project().height());
        QCOMPARE(framed.pixelColor(0, 0).rgb(),
                 paletteRgb(window.project().paletteVariant(),
                            window.project().slot(ColorSlot::Border)));
        QCOMPARE(statusText(window), u"Exported framed.png."_s);
    }

    // Save Workstages: a subset of the applied stages, chosen in the dialog,
    // goes into the chosen folder under the project's name.
    void saveWorkstages()
    {
        QTemporaryDir folder;
        TestWindow window;
        window.newHiresCanvas();
        for (int i = 0; i < 6; ++i)
            recordEdit(window);
        // Saves this many frames (0: as many as the dialog offers) into the
        // folder without the borders; gives back what the border question said.
        const auto save = [&](int frames) {
            WhenModal<SaveWorkstagesDialog> amount([frames](SaveWorkstagesDialog *dialog) {
                if (frames > 0)
                    dialog->findChild<QSpinBox *>()->setValue(frames);
                dialog->accept();
            });
            WhenModal<QFileDialog> chooser([&](QFileDialog *dialog) {
                dialog->setDirectory(folder.path());
                static_cast<QDialog *>(dialog)->accept();
            });
            return boxesDuring(QMessageBox::No, [&] { window.saveWorkstages(); });
        };
        QCOMPARE(save(3), QStringList{"Save Workstages|Include all borders?"});
        // Stages 2, 4 and 6 of 7, uniformly.
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::Files),
            (QStringList{"untitled-000000.png", "untitled-000001.png", "untitled-000002.png"}));
        QCOMPARE(QImage(folder.filePath(u"untitled-000002.png"_s)).size(), QSize(320, 200));
        QCOMPARE(statusText(window),
                 u"Saved 3 workstage frames to %1."_s.arg(QDir(folder.path()).dirName()));

        // While the frames are written, undo waits; a cancel before the
        // first frame says so.
        QList<int> positions;
        QTimer meanwhile;
        connect(&meanwhile, &QTimer::timeout, this, [&] {
            if (auto *progress = window.findChild<QProgressDialog *>()) {
                window.undo();
                positions << window.project().history().position();
                progress->cancel();
            }
        });
        meanwhile.start(0);
        save(0);
        QCOMPARE(positions, QList<int>{6});
        QCOMPARE(statusText(window), u"Saving workstages cancelled after 0 of 5 frames."_s);
    }

    // Every export lands staged shapes and a floating selection first, so
    // the file holds what the canvas shows: a staged line over row 20, or
    // pixel (0, 5) flipped by a float to the right edge.
    void exportsHoldWhatTheCanvasShows_data() { addTextRows("app/windowrows.txt", "exports"); }
    void exportsHoldWhatTheCanvasShows()
    {
        QFETCH(QStringList, row);
        const QString route = row[0];
        const bool shape = row[1] == u"yes"_s;
        QTemporaryDir folder;
        const QString path = folder.filePath(route == u"native"_s ? "art.ocp"
                                             : route == u"prg"_s  ? "art.prg"
                                                                  : "art.png");
        TestWindow window;
        QVERIFY(shownAndExposed(window));
        CanvasArea *canvas = window.canvas();
        Project &project = window.project();
        QPoint lit(40, 20), dark(40, 30);
        if (shape) {
            entry(window, "shapeTool")->setChecked(true);
            canvas->paintSettings().setPenIndex(1);
            stroke(canvas, {QPoint(20, 20), QPoint(60, 20)});
        } else {
            project.colormap().setPixel(0, 5, 1);
            entry(window, "selectAll")->trigger();
            window.flipCanvas(Qt::Horizontal);
            lit = QPoint(319, 5), dark = QPoint(0, 5);
        }
        QVERIFY(canvas->selectTool()->hasFloat() != shape);
        QCOMPARE(canvas->shapeTool()->stagedCount(), int(shape));
        QCOMPARE(project.colormap().pixel(lit.x(), lit.y()), quint8(0)); // on screen only, so far

        BoxAnswerer boxes(QMessageBox::No);
        // All workstages, or the native or modern family, where asked first.
        WhenModal<QDialog> family([&](QDialog *dialog) {
            if (!qobject_cast<QFileDialog *>(dialog) && !qobject_cast<QMessageBox *>(dialog)) {
                dialog->findChildren<QRadioButton *>()[route == u"modern"_s]->click();
                dialog->accept();
            }
        });
        WhenModal<QFileDialog> chooser([&](QFileDialog *dialog) {
            if (dialog->fileMode() == QFileDialog::Directory)
                dialog->setDirectory(folder.path());
            else
                dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(path);
            static_cast<QDialog *>(dialog)->accept();
        });
        route == u"prg"_s          ? window.exportPrg()
        : route == u"workstages"_s ? window.saveWorkstages()
                                   : window.exportImage();

        QVERIFY(!canvas->selectTool()->hasFloat() && canvas->shapeTool()->stagedCount() == 0);
        QCOMPARE(project.colormap().pixel(lit.x(), lit.y()), quint8(1));
        const Colormap native = decodedFile(path);
        const QImage modern(route == u"workstages"_s ? folder.filePath(u"untitled-000001.png"_s)
                                                     : path);
        if (route == u"native"_s)
            QCOMPARE(std::pair(native.pixel(lit.x(), lit.y()), native.pixel(dark.x(), dark.y())),
                     std::pair(quint8(1), quint8(0)));
        else if (route == u"prg"_s) // built from the document, checked above
            QVERIFY(QFileInfo(path).size() > 0);
        else
            QCOMPARE(std::pair(modern.pixel(lit), modern.pixel(dark)),
                     std::pair(paletteRgb(project.paletteVariant(), 1),
                               paletteRgb(project.paletteVariant(), 0)));
    }

    // A save cancelled in the progress dialog leaves the previous file byte
    // for byte.
    void cancelledSaveKeepsTheOldFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"keep.kvn"_s);
        TestWindow window;
        window.chosenPath = path;
        QVERIFY(window.saveProject());
        const QByteArray before = readBytes(path);
        // Enough noisy strokes that the save is still running when cancelled.
        QRandomGenerator random(11);
        for (int i = 0; i < 150; ++i) {
            Colormap &pixels = window.project().colormap();
            const Colormap old = pixels;
            for (int p = 0; p < 320 * 200; ++p)
                pixels.setPixel(p % 320, p / 320, quint8(random.bounded(16)));
            HistoryNode node;
            recordRegionChange(window.project(), node, pixels.rect(), old);
            window.project().history().push(node);
        }
        window.updateWindowTitle();
        QTimer canceller;
        connect(&canceller, &QTimer::timeout, this, [&] {
            if (auto *dialog = window.findChild<QProgressDialog *>())
                dialog->reject();
        });
        canceller.start(0);
        QCOMPARE(boxesDuring(QMessageBox::Ok, [&] { QVERIFY(!window.saveProject()); }),
                 QStringList());
        QCOMPARE(readBytes(path), before);
        QVERIFY(window.isWindowModified());
        QCOMPARE(statusText(window), u"Save cancelled."_s);
    }

    // The presets and the New Canvas dialog ask before replacing a modified
    // project; Cancel keeps it and the dialog never opens.
    void newCanvas()
    {
        TestWindow window;
        window.chosenPath = m_dir.filePath(u"before.kvn"_s);
        QVERIFY(window.saveProject());
        recordEdit(window);
        WhenModal<NewCanvasDialog> dialog([](NewCanvasDialog *d) {
            d->findChildren<QRadioButton *>()[1]->click(); // Multicolor
            d->findChild<QSpinBox *>()->setValue(2);
            d->accept();
        });
        QCOMPARE(boxesDuring(QMessageBox::Cancel,
                             [&] {
                                 window.newCanvasFromDialog();
                                 QVERIFY(QMetaObject::invokeMethod(
                                     &window, "newMulticolorTopBottomSpritesCanvas"));
                             }),
                 (QStringList{Prompt, Prompt}));
        QVERIFY(!dialog.seen);
        QCOMPARE(window.project().history().nodeCount(), 1);
        QCOMPARE(boxesDuring(QMessageBox::Discard, [&] { window.newCanvasFromDialog(); }),
                 QStringList{Prompt});
        const Project &project = window.project();
        QCOMPARE(std::tuple(project.mode(), project.size(), project.history().nodeCount()),
                 std::tuple(CanvasMode::Multicolor, QSize(320, 200), 0));
        QCOMPARE(fieldText(window, "statusSize"), u"Size: 320×200"_s);
        QCOMPARE(window.windowTitle(), u"Untitled[*] - KORVEN"_s);
        QVERIFY(!window.isWindowModified());
        WhenModal<NewCanvasDialog> cancel([](NewCanvasDialog *d) { d->reject(); });
        window.newCanvasFromDialog();
        QCOMPARE(statusText(window), u"New canvas cancelled."_s);
    }

    // Steps: M multicolor, H hires, S<n> screens, L<n> layout, W<n> and E<n>
    // typed width and height.
    // Expected: width, height, which of width/height/screens are enabled, label.
    void newCanvasDialogRules_data() { addTextRows("app/windowrows.txt", "new canvas"); }
    void newCanvasDialogRules()
    {
        QFETCH(QStringList, row);
        const QString &steps = row[0], &shown = row[1];
        NewCanvasDialog dialog;
        const QList<QRadioButton *> radios = dialog.findChildren<QRadioButton *>();
        const QList<QSpinBox *> boxes = dialog.findChildren<QSpinBox *>(); // screens, width, height
        for (const QString &step : steps.split(u' ', Qt::SkipEmptyParts)) {
            const int n = step.mid(1).toInt();
            if (step[0] == u'M' || step[0] == u'H')
                radios[step[0] == u'M' ? 1 : 0]->click();
            else if (step[0] == u'L')
                radios[2 + n]->click();
            else if (step[0] == u'S')
                boxes[0]->setValue(n);
            else if ((step[0] == u'W' || step[0] == u'E') && n > 0)
                boxes[step[0] == u'W' ? 1 : 2]->setValue(n),
                    emit boxes[step[0] == u'W' ? 1 : 2]->editingFinished();
        }
        QString enabled;
        for (const QSpinBox *box : {boxes[1], boxes[2], boxes[0]})
            enabled += box->isEnabled() ? u'y' : u'n';
        QCOMPARE(u"%1 %2 %3 %4"_s.arg(boxes[1]->value())
                     .arg(boxes[2]->value())
                     .arg(enabled, dialog.findChild<QLabel *>(u"displaySize"_s)->text()),
                 shown);
        QCOMPARE(dialog.canvasSize(), QSize(boxes[1]->value(), boxes[2]->value()));
    }

    // Last, for they restyle the whole application: the dark look.
    // The sheet is stored compressed, and every image it names is in the
    // resources and can be drawn.
    void styleSheetAndImages()
    {
        const QString sheet = DarkAppearance::styleSheet();
        QVERIFY(sheet.contains(u"qproperty-backdropColor"_s));
        const QResource resource(QLatin1String(DarkAppearance::StyleSheetPath));
        QVERIFY(resource.compressionAlgorithm() != QResource::NoCompression);
        QVERIFY(resource.size() < resource.uncompressedSize());
        QSet<QString> seen;
        for (auto it = QRegularExpression(QStringLiteral(R"(url\(([^)]+)\))")).globalMatch(sheet);
             it.hasNext();)
            seen.insert(it.next().captured(1));
        // The indicators, arrows, menu marks and the chooser's buttons at least.
        QVERIFY(seen.size() >= 30);
        for (const QString &path : seen) {
            QVERIFY2(path.startsWith(u":/styles/controls/"_s) ||
                         path.startsWith(u":/styles/filedialog/"_s),
                     qPrintable(path));
            QImageReader reader(path);
            const QImage image = reader.read();
            QVERIFY2(image.width() >= 8 && image.width() <= 16,
                     qPrintable(path + u' ' + reader.errorString()));
        }
    }

    // The look set on a running window reaches the drawing area's backdrop.
    void missingSheetAndBackdrop()
    {
        // Without its sheet the look keeps Fusion, still dark, disabled text
        // legible on it and the highlight a colour.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"style sheet.*nothing\\.qss"_s));
        DarkAppearance::apply(*qApp, u":/styles/nothing.qss"_s);
        QVERIFY(qApp->styleSheet().isEmpty());
        QCOMPARE(QApplication::style()->name(), u"fusion"_s);
        const QPalette palette = qApp->palette();
        const int base = palette.color(QPalette::Base).lightness();
        QVERIFY(base < 64 &&
                palette.color(QPalette::Disabled, QPalette::Text).lightness() > base + 80);
        QVERIFY(palette.color(QPalette::Highlight).hslSaturation() > 128);
        // With it, on a running window, the sheet's dark grey replaces the
        // drawing area's backdrop set before.
        MainWindow window;
        window.canvas()->setBackdropColor(Qt::red);
        DarkAppearance::apply(*qApp);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QColor backdrop = window.canvas()->backdropColor();
        QVERIFY(backdrop.saturation() == 0 && backdrop.lightness() < 64);
        QVERIFY(qApp->palette().color(QPalette::Window).lightness() < 80);
        QVERIFY(!qApp->styleSheet().isEmpty());
    }

    // Menus and sub-menus lose their frame and shadow and draw on a clear
    // background; other windows are left as they are.
    void menusBecomeFramelessAndTranslucent()
    {
        DarkAppearance::apply(*qApp);
        DarkAppearance::apply(*qApp);
        // One filter, however often the look is applied.
        QCOMPARE(
            qApp->findChildren<MenuPolishFilter *>(QString(), Qt::FindDirectChildrenOnly).size(),
            1);
        for (const bool submenu : {false, true}) {
            QMenu top;
            QMenu *menu = submenu ? top.addMenu(u"More"_s) : &top;
            QVERIFY(!menu->testAttribute(Qt::WA_TranslucentBackground));
            menu->ensurePolished();
            QVERIFY(menu->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::Popup |
                                                  Qt::NoDropShadowWindowHint));
            QVERIFY(menu->testAttribute(Qt::WA_TranslucentBackground));
            // Still so once shown.
            menu->addAction(u"Entry"_s);
            menu->popup(QPoint(20, 20));
            QVERIFY(menu->isVisible() && menu->windowFlags().testFlag(Qt::FramelessWindowHint));
        }
        QWidget plain;
        plain.ensurePolished();
        QVERIFY(!plain.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!plain.testAttribute(Qt::WA_TranslucentBackground));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
