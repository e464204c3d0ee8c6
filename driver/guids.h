// The class id of the effect driver and the interface ids the driver answers to.
#pragma once

#include "platform/win32.h"

namespace quorforce {

extern const GUID kEffectDriverClassId;  // {5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}
extern const GUID kUnknownInterfaceId;
extern const GUID kClassFactoryInterfaceId;
extern const GUID kEffectDriverInterfaceId;  // IDirectInputEffectDriver

}  // namespace quorforce
