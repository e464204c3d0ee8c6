// Another force-feedback driver's entry for a wheel model, set aside while quorforce drives
// the wheel and put back when quorforce lets it go. Used by the DLL's registration
// (regsvr32) and by the setup's actions, on the thread that registers; never at run time.
// Depends on the registry alone, so that the setup's actions DLL can carry it.
#pragma once

#include "config/registry_layout.h"
#include "platform/win32.h"

namespace quorforce {

// A set-aside entry waits under kSetAsideRoot (config/registry_layout.h), one key per wheel
// model ("VID_XXXX&PID_XXXX") holding a copy of its OEMForceFeedback tree and of the two
// values of the actuator axis (Axes\0) that quorforce's registration writes over.

// Before quorforce writes its own entry for `device`: when the wheel's OEMForceFeedback
// names a class other than `ourClassId`, copies it (replacing an older copy) and deletes
// the original, so that quorforce's entry is not mixed with that driver's effect types. An
// entry of ours, or none, changes nothing: a second registration keeps the first copy.
// false when the copy could not be made; the other driver's entry then stays untouched.
bool SetAsideOtherDriverEntry(const char* device, const char* ourClassId);

// After quorforce's entry for `device` is gone: when the wheel names no driver and a copy is
// kept whose class is still registered, puts the copy back. A wheel that names our class
// keeps the copy for later; one that names another driver, or a copy whose driver is no
// longer registered, drops it. true when an entry was put back.
bool PutBackOtherDriverEntry(const char* device, const char* ourClassId);

}  // namespace quorforce
