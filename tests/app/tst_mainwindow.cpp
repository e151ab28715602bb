#include "app/elidedlabel.h"
#include "app/mainwindow.h"

#include "history/projectfile.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace
{

const QString NotAvailable = QStringLiteral("Opening projects is not available in this build yet.");

// A main window whose Save As chooser answers from the test.
class TestWindow : public MainWindow
{
public:
    QString chosenPath;
    QStringList proposals;

protected:
    QString chooseSavePath(const QString &proposedPath) override
    {
        proposals << proposedPath;
        return chosenPath;
    }
};

// Answers every message box that opens while it lives with one button,
// remembering what the boxes said.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QMessageBox::StandardButton answer) : m_answer(answer)
    {
        connect(&m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
        m_timer.start(10);
    }

    QStringList titles;
    QStringList texts;

private:
    void poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        titles << box->windowTitle();
        texts << box->text();
        QAbstractButton *button = box->button(m_answer);
        if (!button) // never leave a box open: that would hang the test
            button = box->buttons().constFirst();
        button->click();
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

void recordEdit(Project &project)
{
    HistoryNode node;
    node.kind = HistoryEntryKind::AssignSlot;
    const quint8 old = project.slot(ColorSlot::Background);
    const quint8 next = quint8((old + 1) % 16);
    project.setSlot(ColorSlot::Background, next);
    node.changes << HistoryChange::colorIndex(quint8(ColorSlot::Background), old, next);
    project.history().push(node);
}

ElidedLabel *field(const MainWindow &window, const char *name)
{
    return window.findChild<ElidedLabel *>(QLatin1String(name));
}

QMimeData *mimeWithUrls(const QList<QUrl> &urls, bool textOnly)
{
    auto *mime = new QMimeData;
    if (textOnly)
        mime->setText(QStringLiteral("/tmp/art.kvn"));
    else
        mime->setUrls(urls);
    return mime;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void freshWindow();
    void titleAndModifiedMarker();
    void dragAndDrop_data();
    void dragAndDrop();
    void deferredOpeningWaitsForTheTask();
    void close_data();
    void close();
    void saveAsProposesAndAppendsSuffix_data();
    void saveAsProposesAndAppendsSuffix();
    void saveFailureShowsTheError();
    void saveWhileBusyDoesNothing();
    void statusFieldsFollowTheInputs();
    void statusMessageClears();
    void statusBarElision();
    void presets_data();
    void presets();
    void presetCancelledKeepsTheDocument();
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("korvensoft-tests"));
    QCoreApplication::setApplicationName(QStringLiteral("tst_mainwindow"));
}

void TestMainWindow::init()
{
    QSettings().clear();
}

void TestMainWindow::freshWindow()
{
    MainWindow window;
    QVERIFY(window.acceptDrops());
    QCOMPARE(window.size(), QSize(500, 500));
    QCOMPARE(window.project().mode(), CanvasMode::Hires);
    QCOMPARE(window.project().size(), QSize(320, 200));
    QVERIFY(window.projectPath().isEmpty());
    QCOMPARE(field(window, "statusMode")->fullText(), QStringLiteral("Mode: Hires"));
    QCOMPARE(field(window, "statusSize")->fullText(), QStringLiteral("Size: 320×200"));
    QCOMPARE(field(window, "statusAspect")->fullText(), QStringLiteral("Aspect: Square"));
    QCOMPARE(field(window, "statusBrush")->fullText(), QStringLiteral("Brush: Round 1"));
    QCOMPARE(field(window, "statusZoom")->fullText(), QStringLiteral("Zoom: 100%"));
    QCOMPARE(field(window, "statusRotation")->fullText(), QStringLiteral("Rotation: 0.00°"));
    QCOMPARE(field(window, "statusChar")->fullText(), QStringLiteral("Char: --"));
    QCOMPARE(field(window, "statusSprite")->fullText(), QStringLiteral("Sprite: --"));
    QVERIFY(field(window, "statusMessage")->fullText().isEmpty());
}

void TestMainWindow::titleAndModifiedMarker()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - KORVEN"));
    QVERIFY(!window.isWindowModified());

    recordEdit(window.project());
    window.updateWindowTitle();
    QVERIFY(window.isWindowModified());

    window.chosenPath = folder.filePath(QStringLiteral("sunset.kvn"));
    QVERIFY(window.saveProject());
    QCOMPARE(window.proposals.size(), 1);
    QCOMPARE(window.projectPath(), window.chosenPath);
    QCOMPARE(window.windowTitle(), QStringLiteral("sunset.kvn[*] - KORVEN"));
    QVERIFY(!window.isWindowModified());
    QCOMPARE(field(window, "statusMessage")->fullText(), QStringLiteral("Saved sunset.kvn."));
    QCOMPARE(QSettings().value(QStringLiteral("files/lastProjectDir")).toString(),
             QFileInfo(window.chosenPath).absolutePath());

    // The file holds the document, edit included.
    Project loaded;
    QVERIFY(loadProjectFile(window.chosenPath, loaded).ok);
    QCOMPARE(loaded.slot(ColorSlot::Background), window.project().slot(ColorSlot::Background));
    QCOMPARE(loaded.history().nodeCount(), 1);

    recordEdit(window.project());
    window.updateWindowTitle();
    QVERIFY(window.isWindowModified());
    QCOMPARE(window.windowTitle(), QStringLiteral("sunset.kvn[*] - KORVEN"));

    // A second save goes to the same path without asking.
    QVERIFY(window.saveProject());
    QCOMPARE(window.proposals.size(), 1);
    QVERIFY(!window.isWindowModified());

    // Undoing past the saved point marks the document modified again.
    window.project().history().undo(window.project());
    window.updateWindowTitle();
    QVERIFY(window.isWindowModified());
}

void TestMainWindow::dragAndDrop_data()
{
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::addColumn<bool>("textOnly");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("accepted");

    const auto local = [](const char *name) {
        return QUrl::fromLocalFile(QStringLiteral("/tmp/") + QLatin1String(name));
    };
    QTest::newRow("one project") << QList<QUrl>{local("art.kvn")} << false << false << true;
    QTest::newRow("capital suffix") << QList<QUrl>{local("ART.KVN")} << false << false << true;
    QTest::newRow("mixed-case suffix") << QList<QUrl>{local("art.Kvn")} << false << false << true;
    QTest::newRow("two projects") << QList<QUrl>{local("a.kvn"), local("b.kvn")} << false << false
                                  << false;
    QTest::newRow("remote project")
        << QList<QUrl>{QUrl("https://example.com/art.kvn")} << false << false << false;
    QTest::newRow("other suffix") << QList<QUrl>{local("art.png")} << false << false << false;
    QTest::newRow("suffix only inside the name")
        << QList<QUrl>{local("art.kvn.png")} << false << false << false;
    QTest::newRow("no suffix") << QList<QUrl>{local("kvn")} << false << false << false;
    QTest::newRow("text, no urls") << QList<QUrl>{} << true << false << false;
    QTest::newRow("empty url list") << QList<QUrl>{} << false << false << false;
    QTest::newRow("while a save runs") << QList<QUrl>{local("art.kvn")} << false << true << false;
}

void TestMainWindow::dragAndDrop()
{
    QFETCH(QList<QUrl>, urls);
    QFETCH(bool, textOnly);
    QFETCH(bool, busy);
    QFETCH(bool, accepted);

    MainWindow window;
    window.setFileTaskBusy(busy);
    std::unique_ptr<QMimeData> mime(mimeWithUrls(urls, textOnly));

    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, mime.get(),
                          Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(enter.dropAction(), Qt::CopyAction);

    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, mime.get(), Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QCOMPARE(drop.isAccepted(), accepted);
    if (accepted)
        QCOMPARE(drop.dropAction(), Qt::CopyAction);

    // The opening is deferred to the next turn of the event loop.
    ElidedLabel *message = field(window, "statusMessage");
    QVERIFY(message->fullText().isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(message->fullText(), accepted ? NotAvailable : QString());
}

void TestMainWindow::deferredOpeningWaitsForTheTask()
{
    MainWindow window;
    window.openProjectLater(QStringLiteral("/tmp/art.kvn"));
    // A save that starts before the opening's turn blocks it.
    window.setFileTaskBusy(true);
    QCoreApplication::processEvents();
    QVERIFY(field(window, "statusMessage")->fullText().isEmpty());

    window.setFileTaskBusy(false);
    window.openProjectLater(QStringLiteral("/tmp/art.kvn"));
    QCoreApplication::processEvents();
    QCOMPARE(field(window, "statusMessage")->fullText(), NotAvailable);
}

void TestMainWindow::close_data()
{
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("chooseFile");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("message");

    QTest::newRow("unmodified closes at once")
        << false << int(QMessageBox::Cancel) << false << true << QString();
    QTest::newRow("cancel keeps it open")
        << true << int(QMessageBox::Cancel) << false << false << QString();
    QTest::newRow("discard closes")
        << true << int(QMessageBox::Discard) << false << true << QString();
    QTest::newRow("save, chooser cancelled")
        << true << int(QMessageBox::Save) << false << false << "Save cancelled.";
    QTest::newRow("save to a new file")
        << true << int(QMessageBox::Save) << true << true << "Saved closing.kvn.";
}

void TestMainWindow::close()
{
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, chooseFile);
    QFETCH(bool, closes);
    QFETCH(QString, message);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (modified) {
        recordEdit(window.project());
        window.updateWindowTitle();
    }
    if (chooseFile)
        window.chosenPath = folder.filePath(QStringLiteral("closing.kvn"));
    const quint8 background = window.project().slot(ColorSlot::Background);

    bool closed = false;
    QStringList titles;
    QStringList texts;
    {
        BoxAnswerer answerer{QMessageBox::StandardButton(answer)};
        closed = window.close();
        titles = answerer.titles;
        texts = answerer.texts;
    }
    QCOMPARE(closed, closes);
    QCOMPARE(window.isVisible(), !closes);
    if (modified) {
        QCOMPARE(titles, QStringList{QStringLiteral("KORVEN")});
        QCOMPARE(
            texts.value(0),
            QStringLiteral("The project has been modified.\nDo you want to save your changes?"));
    } else {
        QVERIFY(titles.isEmpty());
    }
    // Save runs Save As on a project without a path.
    QCOMPARE(window.proposals.size(), answer == QMessageBox::Save ? 1 : 0);
    QCOMPARE(QFileInfo::exists(folder.filePath(QStringLiteral("closing.kvn"))), chooseFile);
    QCOMPARE(field(window, "statusMessage")->fullText(), message);
    // Whatever the answer, the document itself is untouched.
    QCOMPARE(window.project().slot(ColorSlot::Background), background);
    QCOMPARE(window.isWindowModified(), modified && !chooseFile);
    if (closes)
        QVERIFY(QSettings().contains(QStringLiteral("window/geometry")));
    else
        QVERIFY(!QSettings().contains(QStringLiteral("window/geometry")));
}

void TestMainWindow::saveAsProposesAndAppendsSuffix_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no suffix gets one") << "picture"
                                        << "picture.kvn";
    QTest::newRow("own suffix stays") << "picture.kvn"
                                      << "picture.kvn";
    QTest::newRow("other suffix stays") << "picture.bin"
                                        << "picture.bin";
}

void TestMainWindow::saveAsProposesAndAppendsSuffix()
{
    QFETCH(QString, typed);
    QFETCH(QString, saved);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QSettings().setValue(QStringLiteral("files/lastProjectDir"), folder.path());
    TestWindow window;
    window.chosenPath = folder.filePath(typed);
    QVERIFY(window.saveProjectAs());
    QCOMPARE(window.proposals, QStringList{folder.path() + QStringLiteral("/untitled.kvn")});
    QCOMPARE(window.projectPath(), folder.filePath(saved));
    QVERIFY(QFileInfo::exists(folder.filePath(saved)));
    QCOMPARE(window.windowTitle(), saved + QStringLiteral("[*] - KORVEN"));

    // With a path, Save As proposes that path.
    window.chosenPath.clear();
    QVERIFY(!window.saveProjectAs());
    QCOMPARE(window.proposals.value(1), folder.filePath(saved));
    QCOMPARE(field(window, "statusMessage")->fullText(), QStringLiteral("Save cancelled."));
    QCOMPARE(window.projectPath(), folder.filePath(saved));
}

void TestMainWindow::saveFailureShowsTheError()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow window;
    recordEdit(window.project());
    window.updateWindowTitle();
    const QString path = folder.filePath(QStringLiteral("missing/folder/art.kvn"));
    window.chosenPath = path;

    bool saved = true;
    QStringList titles;
    QStringList texts;
    {
        BoxAnswerer answerer(QMessageBox::Ok);
        saved = window.saveProjectAs();
        titles = answerer.titles;
        texts = answerer.texts;
    }
    QVERIFY(!saved);
    QCOMPARE(titles, QStringList{QStringLiteral("KORVEN")});
    QVERIFY2(texts.value(0).startsWith(
                 QStringLiteral("Could not save %1: ").arg(QDir::toNativeSeparators(path))),
             qPrintable(texts.value(0)));
    QVERIFY(texts.value(0).size() > QStringLiteral("Could not save %1: ").arg(path).size());
    // A failed save leaves path and modified state as they were.
    QVERIFY(window.projectPath().isEmpty());
    QVERIFY(window.isWindowModified());
    QVERIFY(window.project().history().isModified());
}

void TestMainWindow::saveWhileBusyDoesNothing()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow window;
    window.chosenPath = folder.filePath(QStringLiteral("busy.kvn"));
    window.setFileTaskBusy(true);
    QVERIFY(!window.saveProject());
    QVERIFY(!window.saveProjectAs());
    QVERIFY(window.proposals.isEmpty());
    QVERIFY(!QFileInfo::exists(window.chosenPath));

    // The prompt's Save branch refuses too, so the close is called off.
    recordEdit(window.project());
    window.updateWindowTitle();
    bool answered = true;
    {
        BoxAnswerer answerer(QMessageBox::Save);
        answered = window.maybeSave();
    }
    QVERIFY(!answered);
    QVERIFY(window.proposals.isEmpty());
}

void TestMainWindow::statusFieldsFollowTheInputs()
{
    MainWindow window;
    window.project().view().setZoom(2.5);
    window.project().view().setRotation(-22.5);
    window.project().view().setDisplayAspect(0.75);
    StatusInputs inputs;
    inputs.roundBrush = false;
    inputs.penWidth = 3;
    inputs.hoverValid = true;
    inputs.hoverPixel = QPoint(100, 50);
    window.setStatusInputs(inputs);
    QCOMPARE(field(window, "statusZoom")->fullText(), QStringLiteral("Zoom: 250%"));
    QCOMPARE(field(window, "statusRotation")->fullText(), QStringLiteral("Rotation: -22.50°"));
    QCOMPARE(field(window, "statusAspect")->fullText(), QStringLiteral("Aspect: NTSC"));
    QCOMPARE(field(window, "statusBrush")->fullText(), QStringLiteral("Brush: Square 3"));
    QCOMPARE(field(window, "statusChar")->fullText(), QStringLiteral("Char: (12, 6)"));
    QCOMPARE(field(window, "statusSprite")->fullText(), QStringLiteral("Sprite: --"));

    // The pointer leaves the canvas.
    inputs.hoverValid = false;
    window.setStatusInputs(inputs);
    QCOMPARE(field(window, "statusChar")->fullText(), QStringLiteral("Char: --"));
}

void TestMainWindow::statusMessageClears()
{
    MainWindow window;
    ElidedLabel *message = field(window, "statusMessage");
    window.showStatusMessage(QStringLiteral("first"), 60000);
    QCOMPARE(message->fullText(), QStringLiteral("first"));
    // A new message replaces the old one and restarts the timer with its own time.
    window.showStatusMessage(QStringLiteral("second"), 20);
    QCOMPARE(message->fullText(), QStringLiteral("second"));
    QTRY_VERIFY_WITH_TIMEOUT(message->fullText().isEmpty(), 5000);
}

void TestMainWindow::statusBarElision()
{
    MainWindow window;
    window.resize(1600, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.showStatusMessage(QStringLiteral("Saved art.kvn."), 60000);

    const char *names[] = {"statusMode",  "statusSize",   "statusAspect",
                           "statusBrush", "statusZoom",   "statusRotation",
                           "statusChar",  "statusSprite", "statusMessage"};
    const int stretch[] = {3, 2, 2, 2, 2, 2, 2, 2, 3};
    QList<ElidedLabel *> labels;
    for (const char *name : names) {
        labels << field(window, name);
        QVERIFY(labels.last());
    }

    const auto checkShares = [&] {
        // Each field keeps its share of the width whatever its text.
        const double unit = labels[1]->width() / 2.0;
        for (int i = 0; i < labels.size(); ++i)
            QVERIFY2(qAbs(labels[i]->width() - stretch[i] * unit) <= 2.0, names[i]);
    };

    QTRY_VERIFY(labels[0]->width() > 200);
    checkShares();
    for (ElidedLabel *label : labels) {
        QCOMPARE(label->text(), label->fullText());
        QVERIFY(label->toolTip().isEmpty());
    }

    window.resize(420, 400);
    QTRY_VERIFY(labels[0]->width() < 80);
    checkShares();
    for (ElidedLabel *label : labels) {
        QVERIFY2(label->text() != label->fullText(), qPrintable(label->fullText()));
        QVERIFY(label->text().endsWith(QChar(0x2026)) || label->text().isEmpty());
        QCOMPARE(label->toolTip(), label->fullText());
    }

    window.resize(1600, 400);
    QTRY_VERIFY(labels[0]->width() > 200);
    checkShares();
    for (ElidedLabel *label : labels) {
        QCOMPARE(label->text(), label->fullText());
        QVERIFY(label->toolTip().isEmpty());
    }
}

void TestMainWindow::presets_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("screens");
    QTest::addColumn<QSize>("size");
    QTest::newRow("hires") << "newHiresCanvas" << 0 << 0 << 1 << QSize(320, 200);
    QTest::newRow("multicolor") << "newMulticolorCanvas" << 1 << 0 << 1 << QSize(160, 200);
    QTest::newRow("hires side") << "newHiresSpritesCanvas" << 0 << 1 << 1 << QSize(416, 200);
    QTest::newRow("hires top/bottom")
        << "newHiresTopBottomSpritesCanvas" << 0 << 2 << 1 << QSize(320, 284);
    QTest::newRow("multicolor side")
        << "newMulticolorSpritesCanvas" << 1 << 1 << 1 << QSize(208, 200);
    QTest::newRow("multicolor top/bottom")
        << "newMulticolorTopBottomSpritesCanvas" << 1 << 2 << 1 << QSize(160, 284);
    QTest::newRow("dual hires") << "newDualHiresCanvas" << 0 << 0 << 2 << QSize(640, 200);
    QTest::newRow("dual multicolor") << "newDualMulticolorCanvas" << 1 << 0 << 2 << QSize(320, 200);
}

void TestMainWindow::presets()
{
    QFETCH(QString, slot);
    QFETCH(int, mode);
    QFETCH(int, layout);
    QFETCH(int, screens);
    QFETCH(QSize, size);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    TestWindow window;
    // Start from a saved, then modified, document with the artist's choices set.
    window.chosenPath = folder.filePath(QStringLiteral("before.kvn"));
    QVERIFY(window.saveProject());
    recordEdit(window.project());
    window.project().setPaletteVariant(3);
    window.project().setHiresClashResolution(HiresClashResolution::PreserveMostUsed);
    window.project().setSpriteCountPolicy(SpriteCountPolicy::Enforce);
    window.project().view().setDisplayAspect(0.9375);

    {
        BoxAnswerer answerer(QMessageBox::Discard);
        QVERIFY(QMetaObject::invokeMethod(&window, slot.toLatin1().constData()));
        QCOMPARE(answerer.titles.size(), 1);
    }
    const Project &project = window.project();
    QCOMPARE(int(project.mode()), mode);
    QCOMPARE(int(project.layout()), layout);
    QCOMPARE(project.screensAcross(), screens);
    QCOMPARE(project.size(), size);
    QCOMPARE(project.history().nodeCount(), 0);
    QCOMPARE(project.slot(ColorSlot::Background), quint8(0));
    QCOMPARE(project.paletteVariant(), 3);
    QCOMPARE(project.hiresClashResolution(), HiresClashResolution::PreserveMostUsed);
    QCOMPARE(project.spriteCountPolicy(), SpriteCountPolicy::Enforce);
    QCOMPARE(project.view().displayAspect(), 0.9375);
    QVERIFY(window.projectPath().isEmpty());
    QCOMPARE(window.windowTitle(), QStringLiteral("Untitled[*] - KORVEN"));
    QVERIFY(!window.isWindowModified());
    QCOMPARE(field(window, "statusSize")->fullText(),
             QStringLiteral("Size: %1×%2").arg(size.width()).arg(size.height()));
}

void TestMainWindow::presetCancelledKeepsTheDocument()
{
    TestWindow window;
    recordEdit(window.project());
    {
        BoxAnswerer answerer(QMessageBox::Cancel);
        window.newMulticolorCanvas();
        QCOMPARE(answerer.titles.size(), 1);
    }
    QCOMPARE(window.project().mode(), CanvasMode::Hires);
    QCOMPARE(window.project().history().nodeCount(), 1);

    // While a project task runs, presets do nothing at all, not even ask.
    window.setFileTaskBusy(true);
    {
        BoxAnswerer answerer(QMessageBox::Discard);
        window.newMulticolorCanvas();
        QVERIFY(answerer.titles.isEmpty());
    }
    QCOMPARE(window.project().mode(), CanvasMode::Hires);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
