// The stand-in's device: its objects, its driver, its acquisition and its effects' ids.
#include <cstring>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

const GUID* const kAxisGuids[3] = {&GUID_XAxis, &GUID_YAxis, &GUID_RzAxis};
const DWORD kAxisOffsets[3] = {DIJOFS_X, DIJOFS_Y, DIJOFS_RZ};
const char* const kAxisNames[3] = {"X Axis", "Y Axis", "Rz Axis"};

}  // namespace

IDirectInputDevice8A* CreateStandInDevice(const ForceDevice& device) {
    return new StandInDevice(device);
}

StandInDevice::StandInDevice(const ForceDevice& device) : device_(device) {}

StandInDevice::~StandInDevice() {
    if (driver_ != nullptr) {
        // The application is done with the device: DeviceID with fBegin false, then the end.
        const HRESULT result =
            driver_->DeviceID(DIRECTINPUT_VERSION, device_.joystickId, FALSE, 0, nullptr);
        Record("driver DeviceID version=0x%X external=%lu begin=0 internal=0 -> 0x%08lX",
               DIRECTINPUT_VERSION, device_.joystickId, result);
        driver_->Release();
    }
    if (comStarted_) CoUninitialize();
}

HRESULT StandInDevice::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDirectInputDevice8A)) {
        return E_NOINTERFACE;
    }
    AddRef();
    *out = this;
    return S_OK;
}

ULONG StandInDevice::AddRef() { return InterlockedIncrement(&references_); }

ULONG StandInDevice::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        Record("app IDirectInputDevice8A::Release -> 0x00000000");
        delete this;
    }
    return static_cast<ULONG>(left);
}

DWORD StandInDevice::ActuatorIdAt(DWORD offset) const {
    for (DWORD i = 0; i < AxisCount(); ++i) {
        if (kAxisOffsets[i] == offset && (device_.actuators >> i & 1) != 0) {
            return DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(i);
        }
    }
    return 0;
}

HRESULT StandInDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                   DWORD flags) {
    Record("app EnumObjects flags=0x%lX -> 0x00000000", flags);
    if (callback == nullptr) return DIERR_INVALIDPARAM;
    if (flags != DIDFT_ALL && (flags & DIDFT_AXIS) == 0) return DI_OK;  // axes are all it has
    for (DWORD i = 0; i < AxisCount(); ++i) {
        DIDEVICEOBJECTINSTANCEA object = {};
        object.dwSize = sizeof object;
        object.guidType = *kAxisGuids[i];
        object.dwOfs = kAxisOffsets[i];
        const bool actuator = (device_.actuators >> i & 1) != 0;
        object.dwType = DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(i) | (actuator ? DIDFT_FFACTUATOR : 0);
        object.dwFlags = actuator ? DIDOI_FFACTUATOR : 0;
        lstrcpynA(object.tszName, kAxisNames[i], MAX_PATH);
        if (callback(&object, ref) == DIENUM_STOP) break;
    }
    return DI_OK;
}

// The device's own centring is the driver's business; the property is only recorded.
HRESULT StandInDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    const bool autoCentre = &property == &DIPROP_AUTOCENTER;
    DWORD value = 0;
    if (autoCentre && header != nullptr && header->dwSize >= sizeof(DIPROPDWORD)) {
        value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    }
    Record("app SetProperty %s value=%lu -> 0x00000000", autoCentre ? "autocenter" : "other",
           value);
    return DI_OK;
}

// The first exclusive acquisition puts the driver's device into a known state.
HRESULT StandInDevice::Acquire() {
    HRESULT result = acquired_ ? S_FALSE : DI_OK;
    if (!acquired_) {
        acquired_ = true;
        if (exclusive_ && SUCCEEDED(CreateDriver())) SendForceFeedbackCommand(DISFFC_RESET);
    }
    Record("app Acquire -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::Unacquire() {
    const HRESULT result = acquired_ ? DI_OK : DI_NOEFFECT;
    acquired_ = false;
    Record("app Unacquire -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    const HRESULT result = format != nullptr ? DI_OK : DIERR_INVALIDPARAM;
    Record("app SetDataFormat size=%lu objects=%lu -> 0x%08lX",
           format != nullptr ? format->dwDataSize : 0, format != nullptr ? format->dwNumObjs : 0,
           result);
    return result;
}

HRESULT StandInDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    exclusive_ = (flags & DISCL_EXCLUSIVE) != 0;
    Record("app SetCooperativeLevel window=%d flags=0x%lX -> 0x00000000", window != nullptr, flags);
    return DI_OK;
}

HRESULT StandInDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA info) {
    HRESULT result = DIERR_INVALIDPARAM;
    if (info != nullptr && info->dwSize == sizeof(DIDEVICEINSTANCEA)) {
        std::memset(reinterpret_cast<BYTE*>(info) + sizeof info->dwSize, 0,
                    sizeof *info - sizeof info->dwSize);
        info->guidInstance = device_.instance;
        info->guidFFDriver = device_.driverClass;
        info->dwDevType = DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_LIMITED << 8);
        lstrcpynA(info->tszInstanceName, device_.product.c_str(), MAX_PATH);
        lstrcpynA(info->tszProductName, device_.product.c_str(), MAX_PATH);
        result = DI_OK;
    }
    Record("app GetDeviceInfo -> 0x%08lX", result);
    return result;
}

// The driver effect id registered for the effect type, or 0.
DWORD StandInDevice::EffectIdOf(const GUID& guid) const {
    WCHAR wide[64];
    char text[64];
    StringFromGUID2(guid, wide, 64);
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    const std::string path = device_.registrationKey + "\\Effects\\" + text;
    DIEFFECTATTRIBUTES attributes = {};
    DWORD size = sizeof attributes;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    const bool found =
        RegQueryValueExA(key, "Attributes", nullptr, nullptr, reinterpret_cast<BYTE*>(&attributes),
                         &size) == ERROR_SUCCESS &&
        size == sizeof attributes;
    RegCloseKey(key);
    return found ? attributes.dwEffectId : 0;
}

HRESULT StandInDevice::CreateEffect(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                                    LPUNKNOWN outer) {
    HRESULT result = DI_OK;
    const DWORD id = EffectIdOf(guid);
    if (out == nullptr) {
        result = E_POINTER;
    } else if (outer != nullptr) {
        result = CLASS_E_NOAGGREGATION;
    } else if (id == 0) {
        result = DIERR_DEVICENOTREG;  // no such effect type registered for the device
    } else if (FAILED(CreateDriver())) {
        result = DIERR_UNSUPPORTED;
    }
    if (out != nullptr) *out = nullptr;
    if (result == DI_OK) {
        auto* created = new StandInEffect(this, guid, id);
        if (effect != nullptr) result = created->SetParameters(effect, DIEP_ALLPARAMS);
        if (FAILED(result)) {
            created->Release();
        } else {
            *out = created;
        }
    }
    Record("app CreateEffect id=%lu -> 0x%08lX", id, result);
    return result;
}

HRESULT StandInDevice::SendForceFeedbackCommand(DWORD command) {
    const HRESULT result = driver_ != nullptr
                               ? driver_->SendForceFeedbackCommand(device_.joystickId, command)
                               : DIERR_UNSUPPORTED;
    Record("driver SendForceFeedbackCommand command=0x%lX -> 0x%08lX", command, result);
    return result;
}

// The registered driver through COM, bound to the device once.
HRESULT StandInDevice::CreateDriver() {
    if (driver_ != nullptr) return S_OK;
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    HRESULT result =
        CoCreateInstance(device_.driverClass, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver_));
    Record("driver CoCreateInstance -> 0x%08lX", result);
    if (FAILED(result)) {
        driver_ = nullptr;
        return result;
    }
    std::wstring path(device_.path.begin(), device_.path.end());
    DIHIDFFINITINFO init = {sizeof init, &path[0], device_.instance};
    result = driver_->DeviceID(DIRECTINPUT_VERSION, device_.joystickId, TRUE, 0, &init);
    Record("driver DeviceID version=0x%X external=%lu begin=1 internal=0 -> 0x%08lX",
           DIRECTINPUT_VERSION, device_.joystickId, result);
    return result;
}

}  // namespace stand_in
