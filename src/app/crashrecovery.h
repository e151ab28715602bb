#pragma once

#include "history/projectfileresult.h"
#include "history/recoverystore.h"

#include <QFutureWatcher>
#include <QObject>
#include <QTimer>
#include <memory>

class EditorSession;

// Keeps a copy of unsaved work where the next start finds it if the program
// ends without closing: while the document has unsaved changes it is
// written, history and all, to this window's recovery file in the
// background, when the window goes idle and at least every two minutes while
// drawing goes on. A save or a clean close removes the file; the next start
// offers what a crashed program left behind.
class CrashRecovery : public QObject
{
    Q_OBJECT

public:
    static constexpr int PeriodMs = 2 * 60 * 1000;
    static constexpr int DefaultIdleMs = 5000;

    explicit CrashRecovery(EditorSession *session);
    ~CrashRecovery() override;

    // The folder under the application's data location.
    static QString defaultFolder();
    // Where this session's recovery project goes.
    QString projectFile() const { return m_store->projectFile(); }
    // Follows the document: unsaved changes schedule a write, a saved or
    // unchanged document has no recovery file.
    void documentStateChanged();
    // A new, opened or restored document takes a recovery file of its own.
    void documentReplaced();
    // Offers, one after another, the work crashed programs left behind.
    void offerRestore();

private:
    void writeNow();
    void writeFinished();
    bool restore(const RecoveryStore::Orphan &orphan);

    EditorSession *m_session;
    std::unique_ptr<RecoveryStore> m_store;
    QTimer m_idleTimer;
    QTimer m_periodTimer;
    QFutureWatcher<ProjectFileResult> m_writer;
    // The history state last written, as (revision, position).
    std::pair<int, int> m_written{-1, -1};
    std::pair<int, int> m_writing{-1, -1};
    bool m_hasFile = false;
    bool m_writeAgain = false;
};
