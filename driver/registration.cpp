// The registration's entries and their writing and removal. Runs on the thread that calls
// DllRegisterServer or DllUnregisterServer (regsvr32 or an installer).
#include "driver/registration.h"

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <string>

#include "config/accepted_devices.h"
#include "config/other_driver_entry.h"
#include "config/registry_layout.h"
#include "config/registry_tree.h"
#include "config/settings_store.h"
#include "driver/driver_operations.h"
#include "driver/guids.h"
#include "include/quorforce.h"
#include "state/effect_ids.h"
#include "util/guid_text.h"

namespace quorforce {
namespace {

constexpr HRESULT kClassNotWritten = static_cast<HRESULT>(0x80040201u);  // SELFREG_E_CLASS
// HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND): the page's DLL is not beside this one.
constexpr HRESULT kPageMissing = static_cast<HRESULT>(0x80070002u);

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
// The first direction is read as an angle in hundredths of a degree. Cartesian is listed
// too: DirectInput documents polar directions for two axes only, and a wheel's effects have
// one, so the download turns a cartesian direction into that angle itself.
constexpr DWORD kCoordinates = DIEFF_CARTESIAN | DIEFF_POLAR;

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

HKEY Create(HKEY hive, const char* path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(hive, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
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

// Creates `path` under the local machine and lets `fill` write its values; false when either
// fails.
template <typename Fill>
bool WriteKey(const std::string& path, Fill fill) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, path.c_str());
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

// CharUpperA's upper case, as the class ids are compared.
std::string UpperCase(std::string text) {
    CharUpperA(&text[0]);
    return text;
}

std::string ClassKey() { return kClassesKey + ClassIdText(); }

// The control panel's Game Controllers page: quorpage.dll beside this module, named by the
// wheel's OEM key in ConfigCLSID when asked for (it replaces the applet's own Test and
// Settings pages).
std::string PageClassKey() { return kPageClassKey; }

// The class only when its DLL is there: a ConfigCLSID naming a class that cannot load
// leaves the wheel with no page at all.
bool WritePageClass(const char* modulePath) {
    std::string page = modulePath;
    page = page.substr(0, page.find_last_of("\\/") + 1) + "quorpage.dll";
    if (GetFileAttributesA(page.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
    return WriteKey(PageClassKey(),
                    [](HKEY k) { return SetString(k, nullptr, "quorforce control panel page"); }) &&
           WriteKey(PageClassKey() + kInprocServerSubkey, [&page](HKEY k) {
               return SetString(k, nullptr, page.c_str()) &&
                      SetString(k, "ThreadingModel", "Apartment");
           });
}

bool WriteClass(const char* modulePath) {
    // The page's class without a wheel naming it changes nothing in the applet; it is there
    // for a ConfigCLSID a maker asks for, and only beside its DLL.
    WritePageClass(modulePath);
    return WriteKey(ClassKey(), [](HKEY k) { return SetString(k, nullptr, kClassName); }) &&
           WriteKey(ClassKey() + kInprocServerSubkey, [modulePath](HKEY k) {
               return SetString(k, nullptr, modulePath) && SetString(k, "ThreadingModel", "Both");
           });
}

// The class in the registry view of the other size (on 32-bit Windows, this view again).
bool OtherViewHasClass() {
    const REGSAM otherView = sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    HKEY key = nullptr;
    const std::string path = ClassKey() + kInprocServerSubkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | otherView, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

bool WriteForceFeedback(const std::string& oem) {
    const std::string ff = oem + kForceFeedbackSubkey;
    const std::string classId = ClassIdText();
    bool ok = WriteKey(ff, [&classId](HKEY k) {
        return SetString(k, kClassValue, classId.c_str()) &&
               SetBinary(k, "Attributes", &kDeviceAttributes, sizeof kDeviceAttributes);
    });
    for (std::size_t i = 0; ok && i < kRegisteredEffectCount; ++i) {
        const RegisteredEffect& e = kRegisteredEffects[i];
        ok = WriteKey(ff + kEffectTypesSubkey + "\\" + e.guid, [&e](HKEY k) {
            return SetString(k, nullptr, e.name) &&
                   SetBinary(k, "Attributes", &e.attributes, sizeof e.attributes);
        });
    }
    return ok && WriteKey(oem + kActuatorAxisSubkey, [](HKEY k) {
               return SetBinary(k, "Attributes", &kActuatorAxisAttributes,
                                sizeof kActuatorAxisAttributes) &&
                      SetBinary(k, "FFAttributes", &kActuatorAxisForce, sizeof kActuatorAxisForce);
           });
}

// What WriteForceFeedback wrote, value by value: keys that then hold nothing go too.
void RemoveOwnEntry(const std::string& oem) {
    const std::string ff = oem + kForceFeedbackSubkey;
    for (std::size_t i = 0; i < kRegisteredEffectCount; ++i) {
        const std::string effect = ff + kEffectTypesSubkey + "\\" + kRegisteredEffects[i].guid;
        DeleteValues(HKEY_LOCAL_MACHINE, effect, {"", "Attributes"});
        DeleteIfEmpty(HKEY_LOCAL_MACHINE, effect);
    }
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, ff + kEffectTypesSubkey);
    DeleteValues(HKEY_LOCAL_MACHINE, ff, {kClassValue, "Attributes"});
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, ff);
    DeleteValues(HKEY_LOCAL_MACHINE, oem + kActuatorAxisSubkey, {"Attributes", "FFAttributes"});
}

// The wheel's page, only when it is ours: another's ConfigCLSID is its maker's choice.
void RemovePageEntry(const std::string& oem) {
    std::string named;
    if (ReadText(HKEY_LOCAL_MACHINE, oem, kPageValue, &named, kClassIdTextSize) &&
        kPageClassId == UpperCase(named)) {
        DeleteValues(HKEY_LOCAL_MACHINE, oem, {kPageValue});
    }
}

bool NamesOtherClass(const std::string& oem) {
    std::string named;
    return ReadText(HKEY_LOCAL_MACHINE, oem + kForceFeedbackSubkey, kClassValue, &named,
                    kClassIdTextSize) &&
           ClassIdText() != UpperCase(named);
}

std::string DeviceNameOf(const std::string& oem) { return oem.substr(oem.rfind('\\') + 1); }

// Our entry and page, and then the entry another driver had before ours. An entry that
// names another driver now is that driver's: it stays as it is.
void RemoveForceFeedback(const std::string& oem) {
    RemovePageEntry(oem);
    if (!NamesOtherClass(oem)) RemoveOwnEntry(oem);
    PutBackOtherDriverEntry(DeviceNameOf(oem).c_str(), ClassIdText().c_str());
    // Axes\0, Axes and the device's OEM key, when we made them alone.
    DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, oem + kActuatorAxisSubkey, 2);
}

// DirectInput reads the OEM entry under the current user too; a copy there that names
// another class is another driver's, left behind, and would shadow this registration.
void RemoveStaleUserEntry(const std::string& oem) {
    const std::string ff = oem + kForceFeedbackSubkey;
    std::string classId;
    if (!ReadText(HKEY_CURRENT_USER, ff, kClassValue, &classId, kClassIdTextSize)) return;
    if (ClassIdText() != UpperCase(classId)) DeleteTree(HKEY_CURRENT_USER, ff);
}

bool IsBuiltInVendor(std::uint16_t vendorId) {
    return vendorId == kBuiltInVendorId || vendorId == kSecondVendorId;
}

// The machine's list of accepted devices, read and rewritten whole.
int ReadAcceptedDevices(AcceptedDevice (&devices)[kMaxAcceptedDevices]) {
    std::string text;
    return ReadText(HKEY_LOCAL_MACHINE, kProductKey, kAcceptedDevicesValue, &text, 1024)
               ? ParseAcceptedDevices(text.c_str(), devices)
               : 0;
}

bool WriteAcceptedDevices(const AcceptedDevice* devices, int count) {
    if (count == 0) {
        DeleteValues(HKEY_LOCAL_MACHINE, kProductKey, {kAcceptedDevicesValue});
        DeleteEmptyUpwards(HKEY_LOCAL_MACHINE, kProductKey,
                           2);  // FFB_API, Quorvane, the built-in wheel's key
        return true;
    }
    std::string text;
    for (int i = 0; i < count; ++i) {
        char name[kDeviceNameSize];
        FormatDeviceName(devices[i], name);
        text += (i == 0 ? "" : " ") + std::string(name);
    }
    return WriteKey(kProductKey,
                    [&text](HKEY k) { return SetString(k, kAcceptedDevicesValue, text.c_str()); });
}

bool SameDevice(const AcceptedDevice& d, std::uint16_t vendorId, std::uint16_t productId) {
    return d.vendorId == vendorId && !d.anyProduct && d.productId == productId;
}

bool AddAcceptedDevice(std::uint16_t vendorId, std::uint16_t productId) {
    if (IsBuiltInVendor(vendorId)) return true;  // the binding knows it already
    AcceptedDevice devices[kMaxAcceptedDevices];
    int count = ReadAcceptedDevices(devices);
    for (int i = 0; i < count; ++i) {
        if (SameDevice(devices[i], vendorId, productId)) return true;
    }
    if (count == kMaxAcceptedDevices) return false;
    devices[count].vendorId = vendorId;
    devices[count].productId = productId;
    devices[count].anyProduct = false;
    return WriteAcceptedDevices(devices, count + 1);
}

void RemoveAcceptedDevice(std::uint16_t vendorId, std::uint16_t productId) {
    AcceptedDevice devices[kMaxAcceptedDevices];
    const int count = ReadAcceptedDevices(devices);
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (!SameDevice(devices[i], vendorId, productId)) devices[kept++] = devices[i];
    }
    if (kept != count) WriteAcceptedDevices(devices, kept);
}

bool IsPageWord(const char* word, int length) {
    static const char kPage[] = "page";
    if (length != 4) return false;
    for (int i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(word[i])) != kPage[i]) return false;
    }
    return true;
}

}  // namespace

bool ParseInstallCommand(const char* text, InstallCommand* command) {
    if (text == nullptr || command == nullptr) return false;
    *command = InstallCommand();
    int words = 0;
    for (const char* at = text; *at != '\0';) {
        if (*at == ' ') {
            ++at;
            continue;
        }
        const char* end = at;
        while (*end != '\0' && *end != ' ')
            ++end;
        const int length = static_cast<int>(end - at);
        if (IsPageWord(at, length) && !command->page) {
            command->page = true;
        } else if (!command->hasDevice && ParseDeviceName(at, length, &command->device) &&
                   !command->device.anyProduct) {
            command->hasDevice = true;
        } else {
            return false;
        }
        ++words;
        at = end;
    }
    return words > 0;
}

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
    {"{13541C2A-8E33-11D0-9AD0-00A0C9A06E35}", "Friction", Condition(kEffectFriction)},
};
const std::size_t kRegisteredEffectCount = sizeof kRegisteredEffects / sizeof kRegisteredEffects[0];

// The engine's tick, 16 ms at the default polling step, is both the sample period and the
// finest time it resolves. The flags are reserved and must be 0: each effect's own
// attributes say what it honours.
const DIFFDEVICEATTRIBUTES kDeviceAttributes = {0, 16000, 16000};

// The X axis reports the wheel's position and is where its force acts. An object without
// force-feedback attributes, or with a maximum force of 0, has no force feedback for
// DirectInput, which then refuses every effect on it. The maximum is in newtons at the
// rim: a cheap wheel's motor gives a few; DirectInput only reports it to applications and
// scales nothing by it. The resolution is what the driver can send: a channel byte centred
// on 0x80 has 127 steps from no force to full force either way.
const DIOBJECTATTRIBUTES kActuatorAxisAttributes = {DIDOI_FFACTUATOR | DIDOI_ASPECTPOSITION, 0x01,
                                                    0x30};
const DIFFOBJECTATTRIBUTES kActuatorAxisForce = {10, 127};

std::string OemKeyOf(std::uint16_t vendorId, std::uint16_t productId) {
    char device[kDeviceNameSize];
    FormatDeviceName({vendorId, productId, false}, device);
    return std::string(kOemRoot) + device;
}

HRESULT RegisterServer(const char* modulePath) {
    if (modulePath == nullptr || !WriteClass(modulePath)) return kClassNotWritten;
    return RegisterDevice(kBuiltInVendorId, kBuiltInProductId);
}

HRESULT UnregisterServer() {
    DeleteValues(HKEY_LOCAL_MACHINE, ClassKey() + kInprocServerSubkey, {"", "ThreadingModel"});
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, ClassKey() + kInprocServerSubkey);
    DeleteValues(HKEY_LOCAL_MACHINE, ClassKey(), {""});
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, ClassKey());
    for (const std::string& key : {PageClassKey() + kInprocServerSubkey, PageClassKey()}) {
        DeleteValues(HKEY_LOCAL_MACHINE, key, {"", "ThreadingModel"});
        DeleteIfEmpty(HKEY_LOCAL_MACHINE, key);
    }
    if (!OtherViewHasClass()) RemoveForceFeedback(OemKeyOf(kBuiltInVendorId, kBuiltInProductId));
    return S_OK;
}

HRESULT RegisterDevice(std::uint16_t vendorId, std::uint16_t productId) {
    const std::string oem = OemKeyOf(vendorId, productId);
    // Another driver's entry is set aside first, whole, so that ours does not mix with its
    // effect types and the uninstall can give the player that driver back.
    if (!SetAsideOtherDriverEntry(DeviceNameOf(oem).c_str(), ClassIdText().c_str()) ||
        !WriteForceFeedback(oem) || !AddAcceptedDevice(vendorId, productId)) {
        return kClassNotWritten;
    }
    RemoveStaleUserEntry(oem);
    return S_OK;
}

HRESULT UnregisterDevice(std::uint16_t vendorId, std::uint16_t productId) {
    RemoveForceFeedback(OemKeyOf(vendorId, productId));
    RemoveAcceptedDevice(vendorId, productId);
    return S_OK;
}

HRESULT RegisterPage(const char* modulePath, std::uint16_t vendorId, std::uint16_t productId) {
    if (modulePath == nullptr || !WritePageClass(modulePath)) return kPageMissing;
    return WriteKey(OemKeyOf(vendorId, productId),
                    [](HKEY k) { return SetString(k, kPageValue, kPageClassId); })
               ? S_OK
               : kClassNotWritten;
}

HRESULT UnregisterPage(std::uint16_t vendorId, std::uint16_t productId) {
    const std::string oem = OemKeyOf(vendorId, productId);
    RemovePageEntry(oem);
    DeleteIfEmpty(HKEY_LOCAL_MACHINE, oem);
    return S_OK;
}

HRESULT RunInstallCommand(bool install, const char* commandLine, const char* modulePath) {
    InstallCommand command;
    if (!ParseInstallCommand(commandLine, &command)) return E_INVALIDARG;
    const std::uint16_t vendorId = command.hasDevice ? command.device.vendorId : kBuiltInVendorId;
    const std::uint16_t productId =
        command.hasDevice ? command.device.productId : kBuiltInProductId;
    HRESULT result = S_OK;
    if (install) {
        if (command.hasDevice) result = RegisterDevice(vendorId, productId);
        if (SUCCEEDED(result) && command.page)
            result = RegisterPage(modulePath, vendorId, productId);
        return result;
    }
    if (command.page) UnregisterPage(vendorId, productId);
    return command.hasDevice ? UnregisterDevice(vendorId, productId) : S_OK;
}

}  // namespace quorforce
