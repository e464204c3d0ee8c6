// Names of the three named kernel objects that carry and guard the SharedEffectTable,
// made from fixed GUIDs in their text form. Every process must produce the same names.
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace quorforce {

constexpr std::size_t kGuidTextSize = 260;

extern const GUID kTableMappingGuid;
extern const GUID kTableMutexGuid;
extern const GUID kInputMutexGuid;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, 38 characters with the braces.
void FormatGuidText(const GUID& guid, char (&text)[kGuidTextSize]);

}  // namespace quorforce
