#pragma once

#include "editorsession.h"

// Holds the session's busy flag for the life of a step and gives back what
// was there before, so a step inside a longer task does not end the task's
// busy time early.
class FileTaskBusy
{
public:
    explicit FileTaskBusy(EditorSession *session)
        : m_session(session), m_before(session->isFileTaskBusy())
    {
        m_session->setFileTaskBusy(true);
    }
    ~FileTaskBusy() { m_session->setFileTaskBusy(m_before); }
    FileTaskBusy(const FileTaskBusy &) = delete;
    FileTaskBusy &operator=(const FileTaskBusy &) = delete;

private:
    EditorSession *m_session;
    bool m_before;
};
