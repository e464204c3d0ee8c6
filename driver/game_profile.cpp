// The game's name, presence and switches.
#include "driver/game_profile.h"

#include <cstring>

#include "config/game_switches.h"
#include "config/registry_access.h"
#include "config/settings_store.h"
#include "engine/game_fixes.h"
#include "state/game_presence.h"
#include "util/trace.h"

namespace quorforce {
namespace {

static_assert(kGameNameLength == kGameNameSize, "the process keeps a whole profile name");

// The file name part of a module path.
const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') name = c + 1;
    }
    return name;
}

// The process's executable, once: a path that does not fit or a name a key cannot hold
// leaves the game without a profile (the device key's switches only).
void NameGame(ProcessState& process) {
    if (process.gameKnown != 0) return;
    process.gameKnown = 1;
    char path[1024];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return;
    path[length] = '\0';
    char name[kGameNameSize];
    if (!ProfileName(FileNameOf(path), name)) return;
    std::memcpy(process.gameName, name, sizeof name);
    process.gamePresence = HoldGamePresence(name);
    QF_TRACE("INFO     ", 1, "game \"%s\"\n", name);
}

}  // namespace

void LoadGameProfile(ProcessState& process, DWORD area, int place) {
    if (area >= kAreaCount || process.table == nullptr) return;
    NameGame(process);
    const char* game = process.gameName[0] != '\0' ? process.gameName : nullptr;
    char deviceKey[kKeyPathSize];
    if (!DeviceKey(*process.table, place, deviceKey)) {
        ApplyGameSwitches(process.gameTuning[area], GameSwitches());
        return;
    }
    char profileKey[kKeyPathSize];
    if (game != nullptr && ProfileKey(deviceKey, game, profileKey, sizeof profileKey)) {
        CreateConfigKey(profileKey);
    }
    const GameSwitches switches = LoadGameSwitches(deviceKey, game);
    ApplyGameSwitches(process.gameTuning[area], switches);
    if (switches.ChangesMix()) {
        QF_TRACE("INFO     ", 1, "area %u: the game's switches change its mix\n",
                 static_cast<unsigned>(area));
    }
}

void ReleaseGame(ProcessState& process) {
    if (process.gamePresence != nullptr) CloseHandle(process.gamePresence);
    process.gamePresence = nullptr;
}

}  // namespace quorforce
