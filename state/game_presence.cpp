// The games' named objects.
#include "state/game_presence.h"

#include <cstdio>

#include "state/kernel_names.h"
#include "state/named_objects.h"
#include "util/guid_text.h"

namespace quorforce {

bool GameObjectName(const char* profileName, char (&name)[kGameObjectNameSize]) {
    name[0] = '\0';
    if (profileName == nullptr || profileName[0] == '\0') return false;
    char guid[kGuidTextSize];
    FormatGuidText(kGameObjectGuid, guid);
    const int written = std::snprintf(name, sizeof name, "%s.%s", guid, profileName);
    return written > 0 && static_cast<std::size_t>(written) < sizeof name;
}

HANDLE HoldGamePresence(const char* profileName) {
    char name[kGameObjectNameSize];
    if (!GameObjectName(profileName, name)) return nullptr;
    return OpenOrCreateSharedMutex(name);
}

bool GameIsRunning(const char* profileName) {
    char name[kGameObjectNameSize];
    if (!GameObjectName(profileName, name)) return false;
    HANDLE object = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (object != nullptr) {
        CloseHandle(object);
        return true;
    }
    // Refused (not found is the one answer that means gone): someone holds it.
    return GetLastError() != ERROR_FILE_NOT_FOUND;
}

}  // namespace quorforce
