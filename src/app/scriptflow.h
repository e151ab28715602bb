#pragma once

#include "document/historynode.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class EditorSession;
class QDockWidget;
class QMenu;
class QPlainTextEdit;

// The Scripts menu and its runs: lists the bundled scripts and those of the
// user's script folder, runs one on a worker against a copy of the document
// behind a progress dialog with Cancel, and adopts a finished run as one
// undo step. print output and errors go to the script console pane, which
// the window docks.
class ScriptFlow : public QObject
{
    Q_OBJECT

public:
    ScriptFlow(EditorSession *session, QMenu *menu);

    // The user's script folder, made on first use.
    static QString userFolder();
    // Runs the script at `path` (a file or a bundled resource).
    void runScript(const QString &path);
    QPlainTextEdit *console() const { return m_console; }
    QDockWidget *consolePane() const { return m_pane; }

    // Names Undo and Redo after the script whose run they would take back
    // or bring back, while that run is where they act.
    void nameUndoSteps();

public slots:
    // Asks for a script file and runs it.
    void chooseAndRun();
    void openFolder();

private:
    void fillMenu();
    void appendConsole(const QString &text);
    QString runTitle(const HistoryNode &node) const;

    EditorSession *m_session = nullptr;
    QPointer<QMenu> m_menu;
    QDockWidget *m_pane = nullptr;
    QPlainTextEdit *m_console = nullptr;
    // The runs of this session with their titles; the history file keeps no names.
    QList<std::pair<HistoryNode, QString>> m_runs;
    QString m_undoText;
    QString m_redoText;
};
