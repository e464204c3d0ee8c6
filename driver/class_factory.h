// The class factory of the effect driver class: a static object whose references are
// module locks. Any thread.
#pragma once

#include "platform/win32.h"

namespace quorforce {

IClassFactory* TheClassFactory();

}  // namespace quorforce
