// The GUIDs behind the table's mapping and mutexes, and their text form.
#include "driver/kernel_names.h"

#include <cstdio>

namespace quorforce {

const GUID kTableMappingGuid = {0x6B2D9F40, 0x1C7E, 0x4A35,
                                {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};
const GUID kTableMutexGuid = {0x6B2D9F41, 0x1C7E, 0x4A35,
                              {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};
const GUID kInputMutexGuid = {0x3E8B5D27, 0x94A1, 0x4C60,
                              {0xB7, 0xF3, 0x2D, 0x15, 0xE6, 0xC0, 0x8A, 0x9E}};

void FormatGuidText(const GUID& guid, char (&text)[kGuidTextSize]) {
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), static_cast<unsigned>(guid.Data2),
                  static_cast<unsigned>(guid.Data3), guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                  guid.Data4[7]);
}

}  // namespace quorforce
