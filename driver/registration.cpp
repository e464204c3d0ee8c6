// The registration's entries and their writing and removal. Runs on the thread that calls
// DllRegisterServer or DllUnregisterServer (regsvr32 or an installer).
#include "driver/registration.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "driver/guids.h"
#include "state/effect_ids.h"
#include "util/guid_text.h"

namespace quorforce {
namespace {

constexpr HRESULT kClassNotWritten = static_cast<HRESULT>(0x80040201u);  // SELFREG_E_CLASS

// What the driver reads of every effect and may change while it plays: a download stores
// the whole record, an update rewrites it in place. The sample period, the trigger and its
// repeat interval are stored but never acted on, so they are not claimed.
constexpr DWORD kParameters = DIEP_DURATION | DIEP_GAIN | DIEP_AXES | DIEP_DIRECTION |
                              DIEP_TYPESPECIFICPARAMS | DIEP_STARTDELAY;
constexpr DWORD kWithEnvelope = kParameters | DIEP_ENVELOPE;
// Constant and periodic forces are shaped by the envelope and wait out a start delay. A
// ramp waits out its delay too but runs from its start to its end level unshaped: claiming
// an envelope for it would have games send one that changes nothing.
constexpr DWORD kShaped = DIEFT_FFATTACK | DIEFT_FFFADE | DIEFT_STARTDELAY;
// Conditions honour the offset's dead band, a coefficient and a saturation on each side.
constexpr DWORD kConditionCaps = DIEFT_CONDITION | DIEFT_SATURATION | DIEFT_POSNEGCOEFFICIENTS |
                                 DIEFT_POSNEGSATURATION | DIEFT_DEADBAND | DIEFT_STARTDELAY;
// The first direction is read as an angle in hundredths of a degree.
constexpr DWORD kCoordinates = DIEFF_POLAR;

constexpr DIEFFECTATTRIBUTES Shaped(DWORD id, DWORD type) {
    return {id, type | kShaped, kWithEnvelope, kWithEnvelope, kCoordinates};
}
constexpr DIEFFECTATTRIBUTES Ramp(DWORD id) {
    return {id, DIEFT_RAMPFORCE | DIEFT_STARTDELAY, kParameters, kParameters, kCoordinates};
}
constexpr DIEFFECTATTRIBUTES Condition(DWORD id) {
    return {id, kConditionCaps, kParameters, kParameters, kCoordinates};
}

const char kClassName[] = "quorforce force-feedback effect driver";

HKEY Create(const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return nullptr;
    }
    return key;
}

bool SetString(HKEY key, const char* name, const char* text) {
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

bool SetBinary(HKEY key, const char* name, const void* data, DWORD size) {
    return RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

// Creates `path` and lets `fill` write its values; false when either fails.
template <typename Fill>
bool WriteKey(const std::string& path, Fill fill) {
    HKEY key = Create(path.c_str());
    if (key == nullptr) return false;
    const bool written = fill(key);
    RegCloseKey(key);
    return written;
}

std::string ClassIdText() {
    char text[kGuidTextSize];
    FormatGuidText(kEffectDriverClassId, text);
    return text;
}

std::string ClassKey() { return "Software\\Classes\\CLSID\\" + ClassIdText(); }

bool WriteClass(const char* modulePath) {
    return WriteKey(ClassKey(), [](HKEY k) { return SetString(k, nullptr, kClassName); }) &&
           WriteKey(ClassKey() + "\\InprocServer32", [modulePath](HKEY k) {
               return SetString(k, nullptr, modulePath) && SetString(k, "ThreadingModel", "Both");
           });
}

bool WriteForceFeedback() {
    const std::string classId = ClassIdText();
    bool ok = WriteKey(kForceFeedbackKey, [&classId](HKEY k) {
        return SetString(k, "CLSID", classId.c_str()) &&
               SetBinary(k, "Attributes", &kDeviceAttributes, sizeof kDeviceAttributes);
    });
    for (std::size_t i = 0; ok && i < kRegisteredEffectCount; ++i) {
        const RegisteredEffect& e = kRegisteredEffects[i];
        ok = WriteKey(std::string(kForceFeedbackKey) + "\\Effects\\" + e.guid, [&e](HKEY k) {
            return SetString(k, nullptr, e.name) &&
                   SetBinary(k, "Attributes", &e.attributes, sizeof e.attributes);
        });
    }
    return ok;
}

// Removes the named values of `path`, if it is there.
void RemoveValues(const std::string& path, std::initializer_list<const char*> names) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return;
    }
    for (const char* name : names)
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Deletes `path` when it has neither values nor subkeys left: the OEM key of the device
// may hold entries of the device's own installation, which stay.
void DeleteIfEmpty(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    DWORD subKeys = 1, values = 1;
    const bool empty =
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys == 0 && values == 0;
    RegCloseKey(key);
    if (empty) RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

}  // namespace

const RegisteredEffect kRegisteredEffects[] = {
    {"{13541C20-8E33-11D0-9AD0-00A0C9A06E35}", "Constant Force",
     Shaped(kEffectConstant, DIEFT_CONSTANTFORCE)},
    {"{13541C21-8E33-11D0-9AD0-00A0C9A06E35}", "Ramp Force", Ramp(kEffectRamp)},
    {"{13541C22-8E33-11D0-9AD0-00A0C9A06E35}", "Square", Shaped(kEffectSquare, DIEFT_PERIODIC)},
    {"{13541C23-8E33-11D0-9AD0-00A0C9A06E35}", "Sine", Shaped(kEffectSine, DIEFT_PERIODIC)},
    {"{13541C24-8E33-11D0-9AD0-00A0C9A06E35}", "Triangle", Shaped(kEffectTriangle, DIEFT_PERIODIC)},
    {"{13541C25-8E33-11D0-9AD0-00A0C9A06E35}", "Sawtooth Up",
     Shaped(kEffectSawtoothUp, DIEFT_PERIODIC)},
    {"{13541C26-8E33-11D0-9AD0-00A0C9A06E35}", "Sawtooth Down",
     Shaped(kEffectSawtoothDown, DIEFT_PERIODIC)},
    {"{13541C27-8E33-11D0-9AD0-00A0C9A06E35}", "Spring", Condition(kEffectSpring)},
    {"{13541C28-8E33-11D0-9AD0-00A0C9A06E35}", "Damper", Condition(kEffectDamper)},
    {"{13541C29-8E33-11D0-9AD0-00A0C9A06E35}", "Inertia", Condition(kEffectInertia)},
};
const std::size_t kRegisteredEffectCount = sizeof kRegisteredEffects / sizeof kRegisteredEffects[0];

// The engine's tick, 16 ms at the default polling step, is both the sample period and the
// finest time it resolves; the envelope, saturations, dead band and start delay are its own.
const DIFFDEVICEATTRIBUTES kDeviceAttributes = {
    DIDC_FFATTACK | DIDC_FFFADE | DIDC_SATURATION | DIDC_POSNEGCOEFFICIENTS |
        DIDC_POSNEGSATURATION | DIDC_DEADBAND | DIDC_STARTDELAY,
    16000, 16000};

const char* const kForceFeedbackKey =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\"
    "VID_5A1C&PID_E410\\OEMForceFeedback";

HRESULT RegisterServer(const char* modulePath) {
    if (modulePath == nullptr || !WriteClass(modulePath) || !WriteForceFeedback()) {
        return kClassNotWritten;
    }
    return S_OK;
}

HRESULT UnregisterServer() {
    const std::string ff = kForceFeedbackKey;
    for (std::size_t i = 0; i < kRegisteredEffectCount; ++i) {
        const std::string effect = ff + "\\Effects\\" + kRegisteredEffects[i].guid;
        RemoveValues(effect, {"", "Attributes"});
        DeleteIfEmpty(effect);
    }
    DeleteIfEmpty(ff + "\\Effects");
    RemoveValues(ff, {"CLSID", "Attributes"});
    DeleteIfEmpty(ff);
    DeleteIfEmpty(ff.substr(0, ff.rfind('\\')));  // the device's OEM key, when we made it alone
    RemoveValues(ClassKey() + "\\InprocServer32", {"", "ThreadingModel"});
    DeleteIfEmpty(ClassKey() + "\\InprocServer32");
    RemoveValues(ClassKey(), {""});
    DeleteIfEmpty(ClassKey());
    return S_OK;
}

}  // namespace quorforce
