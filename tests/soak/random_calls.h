// Random calls of a driver object, as a game and a control panel might make them at any
// moment: downloads of every kind (new ones and updates), starts, stops, destroys, status,
// commands and state, on handles inside and around the slots and now and then on a device
// of none; and, where the soak gives them, the control panel's five exports with ids,
// handles, records and key paths good and bad. Shared by the host soak and the one under
// Wine.
#pragma once

#include <string>

#include "harness/effect_builder.h"
#include "include/quorforce.h"
#include "platform/win32.h"
#include "state/effect_ids.h"

namespace soak {

using quorforce::EffectKind;
using quorforce::harness::DirectInputEffect;

inline const DWORD kEffectIds[] = {371, 113, 615, 32, 33, 35, 36, 912, 65, 66, 34, 0};
inline const DWORD kCommands[] = {DISFFC_RESET,    DISFFC_STOPALL,        DISFFC_PAUSE,
                                  DISFFC_CONTINUE, DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF,
                                  0x12345678};

// The five exports, linked or looked up by the soak.
struct ControlPanel {
    int(QUORFORCE_CDECL* getConfig)(int, DeviceConfig*) = nullptr;
    int(QUORFORCE_CDECL* setConfig)(int, DeviceConfig*) = nullptr;
    int(QUORFORCE_CDECL* modifyForcesNow)(int, int, int) = nullptr;
    int(QUORFORCE_CDECL* getAllEffectsParameters)(const char*, int, int) = nullptr;
    int(QUORFORCE_CDECL* setAllEffectsParameters)(const char*, int, int, int) = nullptr;
};

struct Client {
    IDirectInputEffectDriver* driver = nullptr;
    const ControlPanel* panel = nullptr;  // null: no control panel calls
    DWORD seed = 1;
    DWORD stopAt = 0;
    volatile LONG calls = 0;
};

inline DWORD Next(DWORD& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// A handle from the slots and around them: 0, 1..64, 65, a wild one.
inline DWORD AnyHandle(DWORD& seed) {
    const DWORD r = Next(seed) % 70;
    return r < 66 ? r : Next(seed);
}

// Joystick ids 0 and 1 mostly, now and then another or one outside 0..7.
inline int AnyJoystick(DWORD& seed) {
    static const int kIds[] = {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 7, 2, -1, 8, 0x7FFFFFFF, -0x7FFFFFFF};
    return kIds[Next(seed) % 16];
}

inline const char* AnyKeyPath(DWORD& seed) {
    static const std::string tooLong(400, 'k');
    switch (Next(seed) % 8) {
    case 0: return nullptr;
    case 1: return "";
    case 2: return tooLong.c_str();
    default: return "Software\\Quorvane\\Soak";
    }
}

inline void OneControlCall(Client& c) {
    const ControlPanel& p = *c.panel;
    ForceSettings settings = {0,
                              Next(c.seed) & 0x3F,
                              static_cast<std::int32_t>(Next(c.seed) % 300) - 50,
                              static_cast<std::int32_t>(Next(c.seed) % 150),
                              static_cast<std::int32_t>(Next(c.seed) % 150),
                              static_cast<std::int32_t>(Next(c.seed) % 150),
                              static_cast<std::int32_t>(Next(c.seed) % 150),
                              Next(c.seed) % 2};
    DeviceConfig config = {0, Next(c.seed) % 4 == 0 ? 0u : QUORFORCE_APPLY_FORCE_SETTINGS, 0,
                           Next(c.seed) % 8 == 0 ? nullptr : &settings, 0};
    DeviceConfig* record = Next(c.seed) % 16 == 0 ? nullptr : &config;
    const int joystick = AnyJoystick(c.seed);
    const int handle = static_cast<int>(AnyHandle(c.seed));
    switch (Next(c.seed) % 5) {
    case 0: p.getConfig(joystick, record); break;
    case 1: p.setConfig(joystick, record); break;
    case 2: p.modifyForcesNow(0, 0, joystick); break;
    case 3: p.getAllEffectsParameters(AnyKeyPath(c.seed), handle, joystick); break;
    default:
        p.setAllEffectsParameters(AnyKeyPath(c.seed), handle, joystick,
                                  static_cast<int>(Next(c.seed) % 3));
        break;
    }
}

inline void OneCall(Client& c) {
    IDirectInputEffectDriver* d = c.driver;
    const DWORD device = Next(c.seed) % 16 == 0 ? 9 : 0;  // now and then a device of none
    DWORD handle = AnyHandle(c.seed);
    const DWORD kinds = c.panel != nullptr ? 9 : 8;  // one call in nine a control panel's
    switch (Next(c.seed) % kinds) {
    case 0:
    case 1: {
        DICONSTANTFORCE constant = {static_cast<LONG>(Next(c.seed) % 20001) - 10000};
        DICONDITION condition = {0, 5000, 5000, 10000, 10000, 0};
        const DWORD id = kEffectIds[Next(c.seed) % (sizeof kEffectIds / sizeof kEffectIds[0])];
        // Ids the driver refuses go with a periodic record.
        const quorforce::EffectIdEntry* entry = quorforce::FindEffectId(id);
        const EffectKind kind = entry != nullptr ? entry->kind : EffectKind::Periodic;
        DirectInputEffect e;
        e.directions[0] = 9000;
        if (kind == EffectKind::Condition) {
            e.Point(&condition, sizeof condition);
        } else {
            e.Point(&constant, sizeof constant);
        }
        if (kind == EffectKind::Ramp || kind == EffectKind::Periodic) e.Use(kind);
        if (Next(c.seed) % 2 == 0) handle = 0;  // a new download
        d->DownloadEffect(device, id, &handle, &e.effect, Next(c.seed) % 4 == 0 ? 0 : DIEP_START);
        break;
    }
    case 2: d->StartEffect(device, handle, Next(c.seed) % 2, 1 + Next(c.seed) % 3); break;
    case 3: d->StopEffect(device, handle); break;
    case 4: d->DestroyEffect(device, handle); break;
    case 5: {
        DWORD status = 0;
        d->GetEffectStatus(device, handle, &status);
        break;
    }
    case 6:
        d->SendForceFeedbackCommand(
            device, kCommands[Next(c.seed) % (sizeof kCommands / sizeof kCommands[0])]);
        break;
    case 7: {
        DIDEVICESTATE state = {sizeof state, 0, 0};
        d->GetForceFeedbackState(device, &state);
        break;
    }
    default: OneControlCall(c); break;
    }
    InterlockedIncrement(&c.calls);
}

}  // namespace soak
