#pragma once

#include <QString>

// The outcome of a project read or write: success, a cancel asked for by
// the progress callback, or the reader's or writer's message.
struct ProjectFileResult {
    bool ok = false;
    bool cancelled = false;
    QString errorMessage;
};
