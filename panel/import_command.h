// `quorpanel /import FILE [/quiet]`: the profile file imported for the wheel the panel shows
// first, the outcome in a message box unless /quiet. On the program's main thread, before
// (and instead of) the dialog.
#pragma once

#include "panel/command_line.h"

namespace quorforce::panel {

// 0 when imported, 1 when not (refused, unreadable, or the registry refused).
int RunImportCommand(const PanelCommand& command);

}  // namespace quorforce::panel
