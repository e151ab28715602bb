#pragma once

#include <QCoreApplication>
#include <QString>

class EditorSession;

// The question every native export asks first: a canvas with unresolved
// colour clashes is resolved (one undoable edit) or nothing is exported.
class ClashPrompt
{
    Q_DECLARE_TR_FUNCTIONS(ClashPrompt)

public:
    // `what` completes "Could not export %1: ..."; `cancelledText` is the
    // status message when the export does not go on. True: go on.
    static bool confirmClashFree(EditorSession *session, const QString &what,
                                 const QString &cancelledText);
};
