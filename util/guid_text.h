// The text form of a GUID, as the named kernel objects and the registry spell it.
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace quorforce {

constexpr std::size_t kGuidTextSize = 260;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case, 38 characters with the braces.
void FormatGuidText(const GUID& guid, char (&text)[kGuidTextSize]);

}  // namespace quorforce
