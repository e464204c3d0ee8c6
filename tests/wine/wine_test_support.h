// What the Windows test programs share: the driver's class and interface ids, the folder
// of the running program (quorforce.dll stands beside it), and a DIEFFECT as DirectInput
// passes it.
#pragma once

#include <windows.h>

#include <string>

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>
#include <dinputd.h>

namespace wine_test {

const GUID kClassId = {0x5C0E2A71, 0x3B94, 0x4D6A, {0x9E, 0x21, 0x7F, 0x40, 0xC8, 0xD1, 0xA6, 0xB3}};
const GUID kUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const GUID kEffectDriver = {0x02538130, 0x898F, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};

typedef HRESULT(WINAPI* GetClassObjectFunction)(REFCLSID, REFIID, LPVOID*);

inline std::string ThisFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

// One axis, infinite, full gain, no trigger, no envelope; the record given.
inline DIEFFECT Effect(void* record, DWORD size, DWORD* axes, LONG* directions) {
    DIEFFECT effect = {};
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_OBJECTIDS | DIEFF_POLAR;
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.dwTriggerRepeatInterval = INFINITE;
    effect.cAxes = 1;
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    effect.cbTypeSpecificParams = size;
    effect.lpvTypeSpecificParams = record;
    return effect;
}

}  // namespace wine_test
