#pragma once

#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

// Start-up steps of the program that do not need the main window.
namespace Startup
{

// The sizes of the application icon in the resources, smallest first.
const QList<int> &iconSizes();

// Organization, application name and version, which also scope the settings.
void setApplicationIdentity();

// Pointer input as the pen needs it: every reported mouse and tablet
// position is delivered, none merged into the next, so a fast stroke keeps
// its corners.
void keepEveryPointerPosition();

// The application icon built from ":/icons/korven-<size>.png" at every size
// of iconSizes(); a missing size contributes nothing.
QIcon applicationIcon();

// The project named on the command line: from the second argument on, the
// first one that does not start with "-"; empty when there is none.
QString projectArgument(const QStringList &arguments);

} // namespace Startup
