// Random calls of a driver object, as a game and a control panel might make them at any
// moment: downloads of every kind (new ones and updates), starts, stops, destroys, status,
// commands and state, on handles inside and around the slots and now and then on a device
// of none. Shared by the host soak and the one under Wine.
#pragma once

#include "harness/effect_builder.h"
#include "platform/win32.h"

namespace soak {

using quorforce::harness::DirectInputEffect;

inline const DWORD kEffectIds[] = {371, 113, 615, 32, 33, 35, 36, 912, 65, 66, 34, 0};
inline const DWORD kCommands[] = {DISFFC_RESET,    DISFFC_STOPALL,        DISFFC_PAUSE,
                                  DISFFC_CONTINUE, DISFFC_SETACTUATORSON, DISFFC_SETACTUATORSOFF,
                                  0x12345678};

struct Client {
    IDirectInputEffectDriver* driver = nullptr;
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

inline void OneCall(Client& c) {
    IDirectInputEffectDriver* d = c.driver;
    const DWORD device = Next(c.seed) % 16 == 0 ? 9 : 0;  // now and then a device of none
    DWORD handle = AnyHandle(c.seed);
    switch (Next(c.seed) % 8) {
    case 0:
    case 1: {
        DICONSTANTFORCE constant = {static_cast<LONG>(Next(c.seed) % 20001) - 10000};
        DICONDITION condition = {0, 5000, 5000, 10000, 10000, 0};
        const DWORD id = kEffectIds[Next(c.seed) % (sizeof kEffectIds / sizeof kEffectIds[0])];
        const bool isCondition = id == 912 || id == 65 || id == 66;
        DirectInputEffect e;
        e.directions[0] = 9000;
        if (isCondition) {
            e.Point(&condition, sizeof condition);
        } else {
            e.Point(&constant, sizeof constant);
        }
        if (!isCondition && id != 371)
            e.Use(id == 113 ? quorforce::EffectKind::Ramp : quorforce::EffectKind::Periodic);
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
    default: {
        DIDEVICESTATE state = {sizeof state, 0, 0};
        d->GetForceFeedbackState(device, &state);
        break;
    }
    }
    InterlockedIncrement(&c.calls);
}

}  // namespace soak
