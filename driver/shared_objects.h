// Opening and closing the named objects that carry and guard the shared table for one
// process: the TableMutex, the InputMutex and the table's mapping. Called by the module's
// load and unload.
#pragma once

#include "state/process_state.h"

namespace quorforce {

// Creates or opens the TableMutex, the InputMutex and the table's mapping, and maps the
// whole block. All or nothing: on failure whatever was opened is closed again.
bool OpenSharedObjects(ProcessState& process);
// Creates or opens the MonitorBlock's mapping and maps it, after the table. Without it the
// process runs as before and records nothing: process.monitor stays null. Called by
// OpenSharedObjects.
void OpenMonitorBlock(ProcessState& process);
// Unmaps and closes what is open, the monitor block too; safe to call twice.
void CloseSharedObjects(ProcessState& process);

}  // namespace quorforce
