// The programs' "Arial": the metric-compatible Liberation Sans shipped in the built-in resources, so that
// texts set in Arial keep their size and width on machines without it.
#pragma once

#include <QFont>

namespace quorvane {

// Registers the shipped sans once and lets "Arial" fall back to it. Needs a GUI application object.
void registerArialFont();

// Arial (after registerArialFont()) at `pointSize`, bold when asked.
QFont arialFont(int pointSize, bool bold = false);

} // namespace quorvane
