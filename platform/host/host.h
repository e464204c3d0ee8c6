// Host stand-in for the Windows API subset the driver calls. Test and tool code only:
// it never goes into quorforce.dll.
#pragma once

// The Windows types first: every other part of the stand-in is written in them.
#include "platform/host/win_types.h"

#include "platform/host/dinput.h"
#include "platform/host/file_io.h"
#include "platform/host/hid.h"
#include "platform/host/kernel.h"
#include "platform/host/registry.h"
#include "platform/host/system.h"
