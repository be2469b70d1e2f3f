// Quorvane Viewer after its application object is set up: the start-up dialog (unless the user switched
// it off), then the main window, the event loop, and the teardown in order.
#pragma once

#include <QStringList>

namespace quorvane {

// `arguments`: the program's arguments after its own name. Returns the event loop's exit code.
int runViewer(const QStringList& arguments);

} // namespace quorvane
