#pragma once

#include <QObject>
#include <QString>

class EditorSession;

// File -> Export to Ultimate Device: the clash prompt, the build with its
// budget check, the cruncher run in a temporary directory, and the two
// requests that check the device and have it run the program, all under one
// progress dialog that is the only thing taking input meanwhile.
class UltimateSendFlow : public QObject
{
    Q_OBJECT

public:
    explicit UltimateSendFlow(EditorSession *session);

    // True when the device took the program.
    bool run();

    static constexpr char HostKey[] = "ultimate/host";
    static constexpr char TimeoutKey[] = "ultimate/timeoutSeconds";
    static constexpr char PasswordKey[] = "ultimate/password";
    static constexpr char DefaultHost[] = "192.168.0.64";
    static constexpr double DefaultTimeoutSeconds = 2.5;
    static constexpr int ProgressDelayMs = 400;

private:
    EditorSession *m_session;
};
