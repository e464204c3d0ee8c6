// The stand-in's device: its COM surface, its objects and the effect types it offers
// (device_input.cpp: data format, state and acquisition; device_force.cpp: force feedback;
// device_properties.cpp: properties).
#include <cstring>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

// The force-feedback capability bits of an effect type (DIEFT_FFATTACK ... DIEFT_STARTDELAY),
// which DIDEVCAPS reports with the same values.
constexpr DWORD kCapabilityBits = 0xFE00;

bool SizeIs(DWORD size, DWORD a, DWORD b) { return size == a || size == b; }

}  // namespace

template <typename Instance>
void FillInstance(const ForceDevice& device, Instance& info) {
    const DWORD size = info.dwSize;
    std::memset(&info, 0, size);
    info.dwSize = size;
    info.guidInstance = device.instance;
    info.guidProduct = {static_cast<DWORD>(MAKELONG(device.vendor, device.product_id)),
                        0,
                        0,
                        {0, 0, 'P', 'I', 'D', 'V', 'I', 'D'}};
    info.dwDevType = DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_LIMITED << 8) | DIDEVTYPE_HID;
    CopyName(info.tszInstanceName, device.product);
    CopyName(info.tszProductName, device.product);
    if (size >= sizeof(Instance)) {
        info.guidFFDriver = device.driverClass;
        info.wUsagePage = 0x01;
        info.wUsage = 0x04;
    }
}
template void FillInstance(const ForceDevice&, DIDEVICEINSTANCEA&);
template void FillInstance(const ForceDevice&, DIDEVICEINSTANCEW&);

StandInDevice* CreateStandInDevice(const ForceDevice& device) { return new StandInDevice(device); }
IDirectInputDevice8A* AnsiOf(StandInDevice* device) { return device; }
IDirectInputDevice8W* WideOf(StandInDevice* device) { return device; }

StandInDevice::StandInDevice(const ForceDevice& device)
    : device_(device), axisSettings_(device.AxisCount()) {
    InitializeCriticalSection(&inputLock_);
    // DirectInput loads the effect driver with the device, and binds it when the device is
    // acquired.
    CreateDriver();
}

StandInDevice::~StandInDevice() {
    if (acquired_) Unacquire();
    StopReading();
    if (driver_ != nullptr) driver_->Release();
    if (comStarted_) CoUninitialize();
    DeleteCriticalSection(&inputLock_);
}

HRESULT StandInDevice::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInputDevice8A)) {
        *out = static_cast<IDirectInputDevice8A*>(this);
    } else if (IsEqualGUID(riid, IID_IDirectInputDevice8W)) {
        *out = static_cast<IDirectInputDevice8W*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG StandInDevice::AddRef() { return InterlockedIncrement(&references_); }

ULONG StandInDevice::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        Record("app IDirectInputDevice8::Release -> 0x00000000");
        delete this;
    }
    return static_cast<ULONG>(left);
}

// ---- objects ------------------------------------------------------------------------------

DWORD StandInDevice::OffsetOf(const DeviceObject& object) const {
    if (!formatSet_) return object.jointOffset;
    for (const Placement& placement : placements_) {
        if (placement.object == &object) return placement.offset;
    }
    return static_cast<DWORD>(-1);
}

const DeviceObject* StandInDevice::Find(DWORD value, DWORD how) const {
    for (const DeviceObject& object : device_.objects) {
        switch (how) {
        case DIPH_BYOFFSET:
            if (OffsetOf(object) == value) return &object;
            break;
        case DIPH_BYID:
            if ((DIDFT_GETTYPE(value) & DIDFT_GETTYPE(object.type)) != 0 &&
                DIDFT_GETINSTANCE(value) == object.Instance()) {
                return &object;
            }
            break;
        case DIPH_BYUSAGE:
            if (value == static_cast<DWORD>(MAKELONG(object.usage, object.usagePage))) {
                return &object;
            }
            break;
        default: return nullptr;
        }
    }
    return nullptr;
}

const DeviceObject* StandInDevice::ObjectOf(DWORD value, DWORD how) const {
    return Find(value, how);
}

template <typename Instance>
void StandInDevice::Describe(const DeviceObject& object, Instance& info) const {
    const DWORD size = info.dwSize;
    std::memset(&info, 0, size);
    info.dwSize = size;
    info.guidType = object.guid;
    info.dwOfs = OffsetOf(object);
    info.dwType = object.type;
    info.dwFlags = object.flags;
    CopyName(info.tszName, object.name);
    if (size >= sizeof(Instance)) {
        info.dwFFMaxForce = object.ffMaxForce;
        info.dwFFForceResolution = object.ffResolution;
        info.wUsagePage = object.usagePage;
        info.wUsage = object.usage;
    }
}

template <typename Callback, typename Instance>
HRESULT StandInDevice::EnumObjectsAs(Callback callback, LPVOID ref, DWORD flags,
                                     const char* interfaceName) {
    HRESULT result = callback != nullptr ? DI_OK : DIERR_INVALIDPARAM;
    int listed = 0;
    for (const DeviceObject& object : device_.objects) {
        if (callback == nullptr) break;
        const DWORD kinds = DIDFT_GETTYPE(flags);
        if (kinds != 0 && (kinds & DIDFT_GETTYPE(object.type)) == 0) continue;
        if ((flags & DIDFT_FFACTUATOR) != 0 && !object.IsActuator()) continue;
        if ((flags & DIDFT_FFEFFECTTRIGGER) != 0 && (object.flags & DIDOI_FFEFFECTTRIGGER) == 0) {
            continue;
        }
        Instance info;
        info.dwSize = sizeof info;
        Describe(object, info);
        ++listed;
        if (callback(&info, ref) == DIENUM_STOP) break;
    }
    Record("app EnumObjects%s flags=0x%lX listed=%d -> 0x%08lX", interfaceName, flags, listed,
           result);
    return result;
}

HRESULT StandInDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                   DWORD flags) {
    return EnumObjectsAs<LPDIENUMDEVICEOBJECTSCALLBACKA, DIDEVICEOBJECTINSTANCEA>(callback, ref,
                                                                                  flags, "A");
}
HRESULT StandInDevice::EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref,
                                   DWORD flags) {
    return EnumObjectsAs<LPDIENUMDEVICEOBJECTSCALLBACKW, DIDEVICEOBJECTINSTANCEW>(callback, ref,
                                                                                  flags, "W");
}

template <typename Instance>
HRESULT StandInDevice::GetObjectInfoAs(Instance* info, DWORD object, DWORD how,
                                       const char* interfaceName) {
    HRESULT result = DI_OK;
    const DeviceObject* found = Find(object, how);
    if (info == nullptr || info->dwSize < offsetof(Instance, dwFFMaxForce)) {
        result = DIERR_INVALIDPARAM;
    } else if (found == nullptr) {
        result = DIERR_OBJECTNOTFOUND;
    } else {
        Describe(*found, *info);
    }
    Record("app GetObjectInfo%s object=0x%lX how=%lu -> 0x%08lX", interfaceName, object, how,
           result);
    return result;
}
HRESULT StandInDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object, DWORD how) {
    return GetObjectInfoAs(info, object, how, "A");
}
HRESULT StandInDevice::GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW info, DWORD object, DWORD how) {
    return GetObjectInfoAs(info, object, how, "W");
}

template <typename Instance>
HRESULT StandInDevice::DescribeDevice(Instance* info, const char* interfaceName) {
    HRESULT result = DIERR_INVALIDPARAM;
    if (info != nullptr && info->dwSize >= offsetof(Instance, guidFFDriver)) {
        FillInstance(device_, *info);
        result = DI_OK;
    }
    Record("app GetDeviceInfo%s -> 0x%08lX", interfaceName, result);
    return result;
}
HRESULT StandInDevice::GetDeviceInfo(LPDIDEVICEINSTANCEA info) { return DescribeDevice(info, "A"); }
HRESULT StandInDevice::GetDeviceInfo(LPDIDEVICEINSTANCEW info) { return DescribeDevice(info, "W"); }

HRESULT StandInDevice::GetCapabilities(LPDIDEVCAPS caps) {
    HRESULT result = DI_OK;
    if (caps == nullptr || !SizeIs(caps->dwSize, sizeof(DIDEVCAPS), sizeof(DIDEVCAPS_DX3))) {
        result = DIERR_INVALIDPARAM;
    } else {
        const DWORD size = caps->dwSize;
        std::memset(caps, 0, size);
        caps->dwSize = size;
        caps->dwFlags = DIDC_ATTACHED | DIDC_FORCEFEEDBACK;
        for (const EffectType& effect : device_.effects)
            caps->dwFlags |= effect.attributes.dwEffType & kCapabilityBits;
        caps->dwDevType = DI8DEVTYPE_DRIVING | (DI8DEVTYPEDRIVING_LIMITED << 8) | DIDEVTYPE_HID;
        caps->dwAxes = device_.AxisCount();
        caps->dwButtons = device_.ButtonCount();
        if (size == sizeof(DIDEVCAPS)) {
            caps->dwFFSamplePeriod = device_.attributes.dwFFSamplePeriod;
            caps->dwFFMinTimeResolution = device_.attributes.dwFFMinTimeResolution;
            DIDRIVERVERSIONS versions = {};
            versions.dwSize = sizeof versions;
            if (driver_ != nullptr && SUCCEEDED(driver_->GetVersions(&versions))) {
                caps->dwFirmwareRevision = versions.dwFirmwareRevision;
                caps->dwHardwareRevision = versions.dwHardwareRevision;
                caps->dwFFDriverVersion = versions.dwFFDriverVersion;
            }
        }
    }
    Record(
        "app GetCapabilities flags=0x%lX axes=%lu buttons=%lu period=%lu resolution=%lu "
        "-> 0x%08lX",
        result == DI_OK ? caps->dwFlags : 0, result == DI_OK ? caps->dwAxes : 0,
        result == DI_OK ? caps->dwButtons : 0, result == DI_OK ? caps->dwFFSamplePeriod : 0,
        result == DI_OK ? caps->dwFFMinTimeResolution : 0, result);
    return result;
}

// ---- effect types ---------------------------------------------------------------------------

template <typename Info>
void StandInDevice::DescribeEffect(const EffectType& type, Info& info) const {
    std::memset(&info, 0, sizeof info);
    info.dwSize = sizeof info;
    info.guid = type.guid;
    info.dwEffType = type.attributes.dwEffType;
    info.dwStaticParams = type.attributes.dwStaticParams;
    info.dwDynamicParams = type.attributes.dwDynamicParams;
    CopyName(info.tszName, type.name);
}

template <typename Callback, typename Info>
HRESULT StandInDevice::EnumEffectsAs(Callback callback, LPVOID ref, DWORD type,
                                     const char* interfaceName) {
    HRESULT result = callback != nullptr ? DI_OK : DIERR_INVALIDPARAM;
    int listed = 0;
    for (const EffectType& effect : device_.effects) {
        if (callback == nullptr) break;
        const DWORD wanted = DIEFT_GETTYPE(type);
        if (wanted != DIEFT_ALL && wanted != DIEFT_GETTYPE(effect.attributes.dwEffType)) continue;
        Info info;
        DescribeEffect(effect, info);
        ++listed;
        if (callback(&info, ref) == DIENUM_STOP) break;
    }
    Record("app EnumEffects%s type=0x%lX listed=%d -> 0x%08lX", interfaceName, type, listed,
           result);
    return result;
}
HRESULT StandInDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID ref, DWORD type) {
    return EnumEffectsAs<LPDIENUMEFFECTSCALLBACKA, DIEFFECTINFOA>(callback, ref, type, "A");
}
HRESULT StandInDevice::EnumEffects(LPDIENUMEFFECTSCALLBACKW callback, LPVOID ref, DWORD type) {
    return EnumEffectsAs<LPDIENUMEFFECTSCALLBACKW, DIEFFECTINFOW>(callback, ref, type, "W");
}

template <typename Info>
HRESULT StandInDevice::GetEffectInfoAs(Info* info, REFGUID guid, const char* interfaceName) {
    HRESULT result = DI_OK;
    const EffectType* type = Missing(guid) ? nullptr : device_.Effect(guid);
    if (info == nullptr || Missing(guid)) {
        result = E_POINTER;
    } else if (info->dwSize != sizeof(Info)) {
        result = DIERR_INVALIDPARAM;
    } else if (type == nullptr) {
        result = DIERR_DEVICENOTREG;
    } else {
        DescribeEffect(*type, *info);
    }
    Record("app GetEffectInfo%s guid=%s -> 0x%08lX", interfaceName,
           Missing(guid) ? "null" : GuidText(guid).c_str(), result);
    return result;
}
HRESULT StandInDevice::GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) {
    return GetEffectInfoAs(info, guid, "A");
}
HRESULT StandInDevice::GetEffectInfo(LPDIEFFECTINFOW info, REFGUID guid) {
    return GetEffectInfoAs(info, guid, "W");
}

// ---- what the wide and ANSI interfaces do not serve ------------------------------------------

HRESULT StandInDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) {
    return DIERR_UNSUPPORTED;
}
HRESULT StandInDevice::SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) { return DIERR_UNSUPPORTED; }
HRESULT StandInDevice::SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) { return DIERR_UNSUPPORTED; }
HRESULT StandInDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) { return DIERR_UNSUPPORTED; }
HRESULT StandInDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) { return DIERR_UNSUPPORTED; }

}  // namespace stand_in
