#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class EditorSession;
class QProgressDialog;
class QWidget;

// File -> Export to PRG File As...: the clash prompt, the build with its
// budget check, the file chooser, the write into a temporary directory, the
// cruncher run and the move onto the chosen file.
class PrgExportFlow : public QObject
{
    Q_OBJECT

public:
    explicit PrgExportFlow(EditorSession *session);

    void run();

    // The PRG of the session's canvas, built with the busy flag held. When the
    // builder refuses (a border over its sprite budget) it warns under
    // `failureLine`, names the edit that trims the strips, and returns empty.
    static QByteArray buildCheckedPrg(EditorSession *session, const QString &failureLine);

    struct CompressOutcome {
        bool cancelled = false;
        // What the user is to be told when the file stays uncompressed.
        QString warning;
    };
    // Compresses the PRG at `path` in place with exomizer.exe beside the
    // program while `progress` is up, its cancel ending the wait. Showing the
    // dialog and the warning is the caller's. `basicStart` says the program
    // will get a BASIC line if it stays uncompressed, so the warning says RUN.
    static CompressOutcome compressUnder(QProgressDialog &progress, const QString &path,
                                         int startAddress, bool basicStart = false);

    // Compresses the PRG at `path` in place with exomizer.exe beside the
    // program, behind a progress dialog shown after 400 ms; warns and keeps
    // the file as it is when the cruncher is missing or fails. True when the
    // user cancelled.
    static bool compressWithExomizer(QWidget *window, const QString &path, int startAddress,
                                     bool basicStart = false);

    static constexpr int ProgressDelayMs = 400;
    static constexpr int TimeoutMs = 30000;

protected:
    // The target file, proposed in the last PRG folder; empty when cancelled.
    virtual QString choosePath(const QString &proposedPath);

private:
    EditorSession *m_session;
};
