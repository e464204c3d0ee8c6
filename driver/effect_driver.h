// EffectDriver: the COM object DirectInput creates for each device it opens with this
// driver, implementing IDirectInputEffectDriver. Each operation is a few lines over the
// plain functions of driver_operations.h, working on the object's area. Any thread.
#pragma once

#include "platform/win32.h"

namespace quorforce {

// Creates a driver object and hands out the interface asked for (the creation reference
// is dropped, so a refused interface destroys the object again).
HRESULT CreateEffectDriver(REFIID riid, void** ppv);

}  // namespace quorforce
