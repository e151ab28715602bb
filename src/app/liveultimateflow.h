#pragma once

#include <QObject>
#include <QString>

class LiveSession;
class EditorSession;
class QAction;

// File -> Live on Ultimate: sends the program as Export to Ultimate Device
// does, then keeps a live session writing every change of the canvas into
// the running program's memory until the entry is switched off, the device
// fails or the canvas can no longer be shown.
class LiveUltimateFlow : public QObject
{
    Q_OBJECT

public:
    explicit LiveUltimateFlow(EditorSession *editor);

    void setLive(bool on);
    // The session while live, else null.
    LiveSession *session() const { return m_session; }
    // How long the first write waits for a started program; for tests.
    void setSettleMs(int ms) { m_settleMs = ms; }

private:
    void end(const QString &status);
    QAction *action() const;

    EditorSession *m_editor;
    LiveSession *m_session = nullptr;
    int m_settleMs;
};
