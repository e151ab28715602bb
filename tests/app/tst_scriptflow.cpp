// The Scripts menu in a real window: a run is one named undo step with its
// output in the console; an error or Cancel in the progress dialog leaves
// the document as it was.

#include "app/mainwindow.h"
#include "app/scriptflow.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class TestScriptFlow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString script(const char *name, const QByteArray &text)
    {
        QFile file(m_dir.filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write %s", name);
        return file.fileName();
    }

    // The texts Undo and Redo show once the Edit menu opens.
    static QStringList undoTexts(MainWindow &window)
    {
        QAction *edit = nullptr;
        for (QAction *top : window.menuBar()->actions())
            if (top->text() == u"&Edit"_s)
                edit = top;
        emit edit->menu()->aboutToShow();
        return {window.findChild<QAction *>(u"undo"_s)->text(),
                window.findChild<QAction *>(u"redo"_s)->text()};
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void runIsOneNamedUndoStep()
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
        const auto actions = window.findChildren<QAction *>();
        const auto starfield = std::find_if(actions.begin(), actions.end(),
                                            [](QAction *a) { return a->text() == u"Starfield"_s; });
        QVERIFY(starfield != actions.end());
        (*starfield)->trigger();
        QCOMPARE(window.project().history().nodeCount(), 1);
        QCOMPARE(undoTexts(window).first(), u"Undo Starfield"_s);
    }

    void errorAndCancelChangeNothing()
    {
        MainWindow window;
        auto *flow = window.findChild<ScriptFlow *>();
        const Colormap before = window.project().colormap();
        flow->runScript(script("broken.lua", "set(1, 1, 1)\nerror('nope')\n"));
        QVERIFY(flow->console()->toPlainText().contains(u"broken.lua:2: nope"_s));

        // Cancel in the dialog that shows once the run takes long.
        bool clicked = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *dialog = qobject_cast<QProgressDialog *>(w);
                    dialog && dialog->isVisible())
                    if (auto *cancel = dialog->findChild<QPushButton *>(); cancel && !clicked) {
                        clicked = true;
                        QTest::mouseClick(cancel, Qt::LeftButton);
                    }
        });
        poll.start(50);
        flow->runScript(script("endless.lua", "clear(3)\nwhile true do end\n"));
        poll.stop();
        QVERIFY(clicked);
        QVERIFY(flow->console()->toPlainText().contains(u"cancelled"_s));
        QVERIFY(window.project().colormap() == before);
        QCOMPARE(window.project().history().nodeCount(), 0);
    }
};

QTEST_MAIN(TestScriptFlow)
#include "tst_scriptflow.moc"
