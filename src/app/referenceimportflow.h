#pragma once

#include <QCoreApplication>

class EditorSession;

// Import Reference Image: a picture shown over the artwork to trace, fitted
// to the canvas's on-screen size; it never enters the document.
class ReferenceImportFlow
{
    Q_DECLARE_TR_FUNCTIONS(ReferenceImportFlow)

public:
    explicit ReferenceImportFlow(EditorSession &session) : m_session(session) {}

    void run();

private:
    EditorSession &m_session;
};
