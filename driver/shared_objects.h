// Opening and closing the named objects that carry and guard the shared table for one
// process: the TableMutex, the InputMutex and the table's mapping. Called by the module's
// load and unload.
#pragma once

#include "state/process_state.h"

namespace quorforce {

// Creates or opens the TableMutex, the InputMutex and the table's mapping, and maps the
// whole block. All or nothing: on failure whatever was opened is closed again.
bool OpenSharedObjects(ProcessState& process);
// Unmaps and closes what is open; safe to call twice.
void CloseSharedObjects(ProcessState& process);

}  // namespace quorforce
