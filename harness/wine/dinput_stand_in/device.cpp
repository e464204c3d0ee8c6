// The stand-in's device: its objects, data format and state, its driver, its acquisition and
// its effects.
#include <algorithm>
#include <cstring>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

void CopyName(char* to, const std::string& from) { lstrcpynA(to, from.c_str(), MAX_PATH); }
void CopyName(WCHAR* to, const std::string& from) {
    MultiByteToWideChar(CP_ACP, 0, from.c_str(), -1, to, MAX_PATH);
}

// The force-feedback capability bits of an effect type (DIEFT_FFATTACK ... DIEFT_STARTDELAY),
// which DIDEVCAPS reports with the same values.
constexpr DWORD kCapabilityBits = 0xFE00;

bool SizeIs(DWORD size, DWORD a, DWORD b) { return size == a || size == b; }

const char* PropertyName(UINT_PTR id) {
    switch (id) {
    case 1: return "buffersize";
    case 4: return "range";
    case 5: return "deadzone";
    case 7: return "ffgain";
    case 8: return "ffload";
    case 9: return "autocenter";
    case 12: return "guidandpath";
    case 13: return "instancename";
    case 14: return "productname";
    case 15: return "joystickid";
    case 24: return "vidpid";
    default: return "other";
    }
}

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
    const EffectType* type = device_.Effect(guid);
    if (info == nullptr || info->dwSize != sizeof(Info)) {
        result = DIERR_INVALIDPARAM;
    } else if (type == nullptr) {
        result = DIERR_DEVICENOTREG;
    } else {
        DescribeEffect(*type, *info);
    }
    Record("app GetEffectInfo%s guid=%s -> 0x%08lX", interfaceName, GuidText(guid).c_str(), result);
    return result;
}
HRESULT StandInDevice::GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) {
    return GetEffectInfoAs(info, guid, "A");
}
HRESULT StandInDevice::GetEffectInfo(LPDIEFFECTINFOW info, REFGUID guid) {
    return GetEffectInfoAs(info, guid, "W");
}

// ---- data format, state, acquisition --------------------------------------------------------

HRESULT StandInDevice::SetDataFormat(LPCDIDATAFORMAT format) {
    HRESULT result = DI_OK;
    if (format == nullptr || format->dwSize != sizeof(DIDATAFORMAT) ||
        format->dwObjSize != sizeof(DIOBJECTDATAFORMAT) || format->dwDataSize % 4 != 0) {
        result = DIERR_INVALIDPARAM;
    } else if (acquired_) {
        result = DIERR_ACQUIRED;
    } else {
        // Each entry takes the first object not taken yet that matches its GUID, kind,
        // instance and aspect; an entry that matches none must be optional.
        std::vector<Placement> placements;
        std::vector<DWORD> povs;
        std::vector<bool> taken(device_.objects.size());
        for (DWORD i = 0; i < format->dwNumObjs && result == DI_OK; ++i) {
            const DIOBJECTDATAFORMAT& entry = format->rgodf[i];
            if ((DIDFT_GETTYPE(entry.dwType) & DIDFT_POV) != 0) {
                povs.push_back(entry.dwOfs);
                continue;
            }
            bool found = false;
            for (std::size_t n = 0; n < device_.objects.size() && !found; ++n) {
                const DeviceObject& object = device_.objects[n];
                const DWORD instance = DIDFT_GETINSTANCE(entry.dwType);
                if (taken[n] ||
                    (entry.pguid != nullptr && !IsEqualGUID(*entry.pguid, object.guid)) ||
                    (DIDFT_GETTYPE(entry.dwType) & DIDFT_GETTYPE(object.type)) == 0 ||
                    (instance != 0xFFFF && instance != object.Instance()) ||
                    ((entry.dwFlags & DIDOI_FFACTUATOR) != 0 && !object.IsActuator())) {
                    continue;
                }
                taken[n] = found = true;
                placements.push_back({&object, entry.dwOfs});
            }
            if (!found && (entry.dwType & DIDFT_OPTIONAL) == 0) result = DIERR_INVALIDPARAM;
        }
        if (result == DI_OK) {
            placements_ = placements;
            povOffsets_ = povs;
            formatSize_ = format->dwDataSize;
            formatSet_ = true;
        }
    }
    Record("app SetDataFormat size=%lu objects=%lu placed=%zu -> 0x%08lX",
           format != nullptr ? format->dwDataSize : 0, format != nullptr ? format->dwNumObjs : 0,
           placements_.size(), result);
    return result;
}

HRESULT StandInDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    HRESULT result = DI_OK;
    const bool oneAccess = ((flags & DISCL_EXCLUSIVE) != 0) != ((flags & DISCL_NONEXCLUSIVE) != 0);
    const bool oneTime = ((flags & DISCL_FOREGROUND) != 0) != ((flags & DISCL_BACKGROUND) != 0);
    if (!oneAccess || !oneTime) {
        result = DIERR_INVALIDPARAM;
    } else if (acquired_) {
        result = DIERR_ACQUIRED;
    } else {
        exclusive_ = (flags & DISCL_EXCLUSIVE) != 0;
    }
    Record("app SetCooperativeLevel window=%d flags=0x%lX -> 0x%08lX", window != nullptr, flags,
           result);
    return result;
}

// The registered driver through COM, created with the device.
HRESULT StandInDevice::CreateDriver() {
    if (driver_ != nullptr) return S_OK;
    comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    const HRESULT result =
        CoCreateInstance(device_.driverClass, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IDirectInputEffectDriver, reinterpret_cast<void**>(&driver_));
    Record("driver CoCreateInstance -> 0x%08lX", result);
    if (FAILED(result)) driver_ = nullptr;
    return result;
}

// Access to the device begins: the driver learns which device it serves.
HRESULT StandInDevice::Bind() {
    if (FAILED(CreateDriver())) return DIERR_UNSUPPORTED;
    std::wstring path(device_.path.begin(), device_.path.end());
    DIHIDFFINITINFO init = {sizeof init, &path[0], device_.instance};
    const HRESULT result =
        driver_->DeviceID(DIRECTINPUT_VERSION, device_.joystickId, TRUE, 0, &init);
    Record("driver DeviceID version=0x%X external=%lu begin=1 internal=0 -> 0x%08lX",
           DIRECTINPUT_VERSION, device_.joystickId, result);
    bound_ = SUCCEEDED(result);
    everBound_ = everBound_ || bound_;
    return result;
}

// Access ends: the effects come off the device, the device is reset, the driver told.
void StandInDevice::LetDriverGo() {
    if (!bound_) return;
    for (StandInEffect* effect : effects_)
        effect->UnloadForDevice();
    DriverCommand(DISFFC_RESET);
    const HRESULT result =
        driver_->DeviceID(DIRECTINPUT_VERSION, device_.joystickId, FALSE, 0, nullptr);
    Record("driver DeviceID version=0x%X external=%lu begin=0 internal=0 -> 0x%08lX",
           DIRECTINPUT_VERSION, device_.joystickId, result);
    bound_ = false;
}

HRESULT StandInDevice::DriverCommand(DWORD command) {
    const HRESULT result = driver_ != nullptr
                               ? driver_->SendForceFeedbackCommand(device_.joystickId, command)
                               : DIERR_UNSUPPORTED;
    Record("driver SendForceFeedbackCommand command=0x%lX -> 0x%08lX", command, result);
    if (command == DISFFC_RESET) {
        for (StandInEffect* effect : effects_)
            effect->Forget();
    }
    return result;
}

// The first exclusive acquisition binds the driver, puts the device into a known state and
// gives it the device gain.
HRESULT StandInDevice::Acquire() {
    HRESULT result = DI_OK;
    if (acquired_) {
        result = S_FALSE;
    } else if (!formatSet_) {
        result = DIERR_INVALIDPARAM;
    } else {
        acquired_ = true;
        StartReading();
        if (exclusive_ && SUCCEEDED(Bind())) {
            DriverCommand(DISFFC_RESET);
            const HRESULT gain = driver_->SetGain(device_.joystickId, gain_);
            Record("driver SetGain gain=%lu -> 0x%08lX", gain_, gain);
        }
    }
    Record("app Acquire -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::Unacquire() {
    HRESULT result = DI_NOEFFECT;
    if (acquired_) {
        LetDriverGo();
        StopReading();
        acquired_ = false;
        result = DI_OK;
    }
    Record("app Unacquire -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::Poll() {
    // A HID device's reports arrive by themselves: there is nothing to poll.
    const HRESULT result = acquired_ ? DI_NOEFFECT : DIERR_NOTACQUIRED;
    Record("app Poll -> 0x%08lX", result);
    return result;
}

StandInDevice::AxisSettings* StandInDevice::AxisOf(const DeviceObject* object) {
    if (object == nullptr || !object->IsAxis() || object->Instance() >= axisSettings_.size()) {
        return nullptr;
    }
    return &axisSettings_[object->Instance()];
}

// A raw axis value in the axis' range; inside the dead zone around the centre, the centre.
LONG StandInDevice::Scaled(const DeviceObject& object, LONG raw) const {
    const AxisSettings& axis = axisSettings_[object.Instance()];
    const LONGLONG span = static_cast<LONGLONG>(object.logicalMax) - object.logicalMin;
    if (span <= 0) return axis.min;
    const LONGLONG centre2 = static_cast<LONGLONG>(object.logicalMax) + object.logicalMin;
    const LONGLONG offset2 = 2LL * raw - centre2;  // twice the distance from the centre
    const LONGLONG dead2 = span * axis.deadZone / 10000;
    LONGLONG position2 = 0;  // from -span to span
    if (offset2 > dead2)
        position2 = (offset2 - dead2) * span / (span - dead2 > 0 ? span - dead2 : 1);
    if (offset2 < -dead2)
        position2 = (offset2 + dead2) * span / (span - dead2 > 0 ? span - dead2 : 1);
    const LONGLONG range = static_cast<LONGLONG>(axis.max) - axis.min;
    return static_cast<LONG>(axis.min + (position2 + span) * range / (2 * span));
}

HRESULT StandInDevice::GetDeviceState(DWORD size, LPVOID data) {
    HRESULT result = DI_OK;
    if (!acquired_) {
        result = DIERR_NOTACQUIRED;
    } else if (data == nullptr || !formatSet_ || size != formatSize_) {
        result = DIERR_INVALIDPARAM;
    } else {
        BYTE* out = static_cast<BYTE*>(data);
        std::memset(out, 0, size);
        for (DWORD pov : povOffsets_) {
            if (pov + 4 <= size) std::memset(out + pov, 0xFF, 4);  // centred
        }
        EnterCriticalSection(&inputLock_);
        std::vector<BYTE> report = lastReport_;
        LeaveCriticalSection(&inputLock_);
        PHIDP_PREPARSED_DATA parsed = nullptr;
        HANDLE file = CreateFileA(device_.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            HidD_GetPreparsedData(file, &parsed);
            CloseHandle(file);
        }
        for (const Placement& placement : placements_) {
            const DeviceObject& object = *placement.object;
            LONG value = 0;
            if (!report.empty() && parsed != nullptr) {
                if (object.IsAxis()) {
                    ULONG raw = 0;
                    if (HidP_GetUsageValue(HidP_Input, object.usagePage, 0, object.usage, &raw,
                                           parsed, reinterpret_cast<PCHAR>(report.data()),
                                           static_cast<ULONG>(report.size())) ==
                        HIDP_STATUS_SUCCESS) {
                        value = Scaled(object, static_cast<LONG>(raw));
                    }
                } else {
                    USAGE pressed[128];
                    ULONG count = 128;
                    if (HidP_GetUsages(HidP_Input, object.usagePage, 0, pressed, &count, parsed,
                                       reinterpret_cast<PCHAR>(report.data()),
                                       static_cast<ULONG>(report.size())) == HIDP_STATUS_SUCCESS) {
                        for (ULONG i = 0; i < count; ++i)
                            value |= pressed[i] == object.usage ? 0x80 : 0;
                    }
                }
            } else if (object.IsAxis()) {
                value = Scaled(object, (object.logicalMin + object.logicalMax + 1) / 2);
            }
            if (object.IsAxis() && placement.offset + 4 <= size) {
                std::memcpy(out + placement.offset, &value, 4);
            } else if (!object.IsAxis() && placement.offset < size) {
                out[placement.offset] = static_cast<BYTE>(value);
            }
        }
        if (parsed != nullptr) HidD_FreePreparsedData(parsed);
    }
    Record("app GetDeviceState size=%lu -> 0x%08lX", size, result);
    return result;
}

// The device's input reports, read as they come on a handle of the stand-in's own.
DWORD WINAPI StandInDevice::ReadReports(LPVOID self) {
    auto* device = static_cast<StandInDevice*>(self);
    HANDLE file =
        CreateFileA(device->device_.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<BYTE> buffer(
        device->device_.inputReportLength > 0 ? device->device_.inputReportLength : 64);
    for (;;) {
        ResetEvent(overlapped.hEvent);
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &read, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING) {
            break;
        }
        HANDLE waits[2] = {device->readerStop_, overlapped.hEvent};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            CancelIo(file);
            WaitForSingleObject(overlapped.hEvent, 1000);
            break;
        }
        if (!GetOverlappedResult(file, &overlapped, &read, FALSE)) break;
        EnterCriticalSection(&device->inputLock_);
        device->lastReport_.assign(buffer.begin(), buffer.begin() + read);
        LeaveCriticalSection(&device->inputLock_);
    }
    CloseHandle(overlapped.hEvent);
    CloseHandle(file);
    return 0;
}

void StandInDevice::StartReading() {
    if (reader_ != nullptr) return;
    readerStop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    reader_ = CreateThread(nullptr, 0, ReadReports, this, 0, nullptr);
}

void StandInDevice::StopReading() {
    if (reader_ == nullptr) return;
    SetEvent(readerStop_);
    WaitForSingleObject(reader_, 5000);
    CloseHandle(reader_);
    CloseHandle(readerStop_);
    reader_ = readerStop_ = nullptr;
}

HRESULT StandInDevice::GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA, LPDWORD count, DWORD) {
    // Buffered data is not kept: an application that asks for it finds the buffer empty.
    HRESULT result = DI_OK;
    if (!acquired_) {
        result = DIERR_NOTACQUIRED;
    } else if (bufferSize_ == 0) {
        result = DIERR_NOTBUFFERED;
    } else if (count == nullptr || size != sizeof(DIDEVICEOBJECTDATA)) {
        result = DIERR_INVALIDPARAM;
    } else {
        *count = 0;
    }
    Record("app GetDeviceData -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::SetEventNotification(HANDLE) {
    const HRESULT result = acquired_ ? DIERR_ACQUIRED : DI_OK;
    Record("app SetEventNotification -> 0x%08lX", result);
    return result;
}

HRESULT StandInDevice::RunControlPanel(HWND, DWORD) {
    Record("app RunControlPanel -> 0x%08lX", DIERR_UNSUPPORTED);
    return DIERR_UNSUPPORTED;
}

HRESULT StandInDevice::Initialize(HINSTANCE, DWORD version, REFGUID instance) {
    const HRESULT result = IsEqualGUID(instance, device_.instance) ? DI_OK : DIERR_DEVICENOTREG;
    Record("app IDirectInputDevice8::Initialize version=0x%lX -> 0x%08lX", version, result);
    return result;
}

HRESULT StandInDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) {
    Record("app SendDeviceData -> 0x%08lX", DIERR_UNSUPPORTED);
    return DIERR_UNSUPPORTED;
}

// ---- force feedback ------------------------------------------------------------------------

HRESULT StandInDevice::CreateEffect(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                                    LPUNKNOWN outer) {
    HRESULT result = DI_OK;
    const EffectType* type = device_.Effect(guid);
    if (out == nullptr) {
        result = DIERR_INVALIDPARAM;
    } else if (outer != nullptr) {
        result = CLASS_E_NOAGGREGATION;
    } else if (type == nullptr) {
        result = DIERR_DEVICENOTREG;  // no such effect type registered for the device
    } else if (FAILED(CreateDriver())) {
        result = DIERR_UNSUPPORTED;
    }
    if (out != nullptr) *out = nullptr;
    if (result == DI_OK) {
        auto* created = new StandInEffect(this, *type);
        effects_.push_back(created);
        if (effect != nullptr) result = created->SetParameters(effect, DIEP_ALLPARAMS);
        if (result == DI_DOWNLOADSKIPPED) result = DI_OK;
        if (FAILED(result)) {
            created->Release();
        } else {
            *out = created;
        }
    }
    Record("app CreateEffect id=%lu -> 0x%08lX", type != nullptr ? type->attributes.dwEffectId : 0,
           result);
    return result;
}

void StandInDevice::Forget(StandInEffect* effect) {
    effects_.erase(std::remove(effects_.begin(), effects_.end(), effect), effects_.end());
}

HRESULT StandInDevice::EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback,
                                                LPVOID ref, DWORD flags) {
    HRESULT result = callback != nullptr && flags == 0 ? DI_OK : DIERR_INVALIDPARAM;
    const std::vector<StandInEffect*> effects = effects_;  // the callback may release one
    for (StandInEffect* effect : effects) {
        if (result != DI_OK || callback(effect, ref) == DIENUM_STOP) break;
    }
    Record("app EnumCreatedEffectObjects count=%zu -> 0x%08lX", effects.size(), result);
    return result;
}

HRESULT StandInDevice::SendForceFeedbackCommand(DWORD command) {
    HRESULT result = DI_OK;
    switch (command) {
    case DISFFC_RESET:
    case DISFFC_STOPALL:
    case DISFFC_PAUSE:
    case DISFFC_CONTINUE:
    case DISFFC_SETACTUATORSON:
    case DISFFC_SETACTUATORSOFF: break;
    default: result = DIERR_INVALIDPARAM;
    }
    if (result == DI_OK && !AcquiredExclusively()) result = DIERR_NOTEXCLUSIVEACQUIRED;
    if (result == DI_OK) result = DriverCommand(command);
    Record("app SendForceFeedbackCommand command=0x%lX -> 0x%08lX", command, result);
    return result;
}

HRESULT StandInDevice::GetForceFeedbackState(LPDWORD state) {
    HRESULT result = DI_OK;
    DIDEVICESTATE ds = {};
    ds.dwSize = sizeof ds;
    if (state == nullptr) {
        result = DIERR_INVALIDPARAM;
    } else if (!AcquiredExclusively() || !bound_) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else {
        result = driver_->GetForceFeedbackState(device_.joystickId, &ds);
        Record("driver GetForceFeedbackState -> 0x%08lX state=0x%lX load=%lu", result, ds.dwState,
               ds.dwLoad);
        if (SUCCEEDED(result)) *state = ds.dwState;
    }
    Record("app GetForceFeedbackState -> 0x%08lX state=0x%lX", result, ds.dwState);
    return result;
}

HRESULT StandInDevice::Escape(LPDIEFFESCAPE escape) {
    HRESULT result = DI_OK;
    if (escape == nullptr || escape->dwSize != sizeof(DIEFFESCAPE)) {
        result = DIERR_INVALIDPARAM;
    } else if (!AcquiredExclusively() || !bound_) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else {
        result = driver_->Escape(device_.joystickId, 0, escape);
        Record("driver Escape effect=0 command=%lu -> 0x%08lX", escape->dwCommand, result);
    }
    Record("app Escape -> 0x%08lX", result);
    return result;
}

// ---- properties ----------------------------------------------------------------------------

HRESULT StandInDevice::GetProperty(REFGUID property, LPDIPROPHEADER header) {
    const auto id = reinterpret_cast<UINT_PTR>(&property);
    HRESULT result = DI_OK;
    DWORD shown = 0;
    if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER)) {
        result = DIERR_INVALIDPARAM;
    } else if (id == reinterpret_cast<UINT_PTR>(&DIPROP_RANGE)) {
        AxisSettings* axis = AxisOf(Find(header->dwObj, header->dwHow));
        if (header->dwSize != sizeof(DIPROPRANGE)) {
            result = DIERR_INVALIDPARAM;
        } else if (axis == nullptr) {
            result = DIERR_OBJECTNOTFOUND;
        } else {
            reinterpret_cast<DIPROPRANGE*>(header)->lMin = axis->min;
            reinterpret_cast<DIPROPRANGE*>(header)->lMax = axis->max;
            shown = static_cast<DWORD>(axis->max);
        }
    } else if (id == reinterpret_cast<UINT_PTR>(&DIPROP_PRODUCTNAME) ||
               id == reinterpret_cast<UINT_PTR>(&DIPROP_INSTANCENAME)) {
        if (header->dwSize != sizeof(DIPROPSTRING) || header->dwHow != DIPH_DEVICE) {
            result = DIERR_INVALIDPARAM;
        } else {
            CopyName(reinterpret_cast<DIPROPSTRING*>(header)->wsz, device_.product);
        }
    } else if (id == reinterpret_cast<UINT_PTR>(&DIPROP_GUIDANDPATH)) {
        if (header->dwSize != sizeof(DIPROPGUIDANDPATH) || header->dwHow != DIPH_DEVICE) {
            result = DIERR_INVALIDPARAM;
        } else {
            auto* out = reinterpret_cast<DIPROPGUIDANDPATH*>(header);
            out->guidClass = {
                0x745a17a0, 0x74d3, 0x11d0, {0xb6, 0xfe, 0x00, 0xa0, 0xc9, 0x0f, 0x57, 0xda}};
            CopyName(out->wszPath, device_.path);
        }
    } else {
        result = GetDwordProperty(id, header);
        if (result == DI_OK) shown = reinterpret_cast<DIPROPDWORD*>(header)->dwData;
    }
    Record("app GetProperty %s how=%lu obj=0x%lX -> 0x%08lX value=%lu", PropertyName(id),
           header != nullptr ? header->dwHow : 0, header != nullptr ? header->dwObj : 0, result,
           shown);
    return result;
}

HRESULT StandInDevice::GetDwordProperty(UINT_PTR id, LPDIPROPHEADER header) {
    if (id == reinterpret_cast<UINT_PTR>(&DIPROP_DEADZONE)) {
        AxisSettings* axis = AxisOf(Find(header->dwObj, header->dwHow));
        if (header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
        if (axis == nullptr) return DIERR_OBJECTNOTFOUND;
        reinterpret_cast<DIPROPDWORD*>(header)->dwData = axis->deadZone;
        return DI_OK;
    }
    if (header->dwSize != sizeof(DIPROPDWORD) || header->dwHow != DIPH_DEVICE ||
        header->dwObj != 0) {
        return DIERR_INVALIDPARAM;
    }
    DWORD& value = reinterpret_cast<DIPROPDWORD*>(header)->dwData;
    switch (id) {
    case 1: value = bufferSize_; return DI_OK;
    case 7: value = gain_; return DI_OK;
    case 9: value = autoCentre_; return DI_OK;
    case 15: value = device_.joystickId; return DI_OK;
    case 24: value = static_cast<DWORD>(MAKELONG(device_.vendor, device_.product_id)); return DI_OK;
    case 8: {
        // The share of the device's memory in use, as the driver reports it.
        if (!AcquiredExclusively() || !bound_) return DIERR_NOTEXCLUSIVEACQUIRED;
        DIDEVICESTATE state = {};
        state.dwSize = sizeof state;
        const HRESULT result = driver_->GetForceFeedbackState(device_.joystickId, &state);
        Record("driver GetForceFeedbackState -> 0x%08lX state=0x%lX load=%lu", result,
               state.dwState, state.dwLoad);
        if (FAILED(result)) return result;
        value = state.dwLoad;
        return DI_OK;
    }
    default: return DIERR_UNSUPPORTED;
    }
}

HRESULT StandInDevice::SetProperty(REFGUID property, LPCDIPROPHEADER header) {
    const auto id = reinterpret_cast<UINT_PTR>(&property);
    HRESULT result = DI_OK;
    LONG shown = 0;
    if (header == nullptr || header->dwHeaderSize != sizeof(DIPROPHEADER)) {
        result = DIERR_INVALIDPARAM;
    } else if (id == reinterpret_cast<UINT_PTR>(&DIPROP_RANGE)) {
        const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
        if (header->dwSize != sizeof(DIPROPRANGE) || range->lMin >= range->lMax) {
            result = DIERR_INVALIDPARAM;
        } else if (acquired_) {
            result = DIERR_ACQUIRED;
        } else if (header->dwHow == DIPH_DEVICE && header->dwObj == 0) {
            for (AxisSettings& axis : axisSettings_) {
                axis.min = range->lMin;
                axis.max = range->lMax;
            }
        } else if (AxisSettings* axis = AxisOf(Find(header->dwObj, header->dwHow))) {
            axis->min = range->lMin;
            axis->max = range->lMax;
        } else {
            result = DIERR_OBJECTNOTFOUND;
        }
        shown = header->dwSize == sizeof(DIPROPRANGE) ? range->lMax : 0;
    } else if (id == reinterpret_cast<UINT_PTR>(&DIPROP_PRODUCTNAME) ||
               id == reinterpret_cast<UINT_PTR>(&DIPROP_INSTANCENAME)) {
        result = header->dwSize == sizeof(DIPROPSTRING) ? DI_OK : DIERR_INVALIDPARAM;
    } else {
        result = SetDwordProperty(id, header);
        if (header->dwSize == sizeof(DIPROPDWORD)) {
            shown = static_cast<LONG>(reinterpret_cast<const DIPROPDWORD*>(header)->dwData);
        }
    }
    Record("app SetProperty %s how=%lu obj=0x%lX value=%ld -> 0x%08lX", PropertyName(id),
           header != nullptr ? header->dwHow : 0, header != nullptr ? header->dwObj : 0, shown,
           result);
    return result;
}

HRESULT StandInDevice::SetDwordProperty(UINT_PTR id, LPCDIPROPHEADER header) {
    if (header->dwSize != sizeof(DIPROPDWORD)) return DIERR_INVALIDPARAM;
    const DWORD value = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
    if (id == reinterpret_cast<UINT_PTR>(&DIPROP_DEADZONE)) {
        if (value > 10000) return DIERR_INVALIDPARAM;
        if (acquired_) return DIERR_ACQUIRED;
        if (header->dwHow == DIPH_DEVICE && header->dwObj == 0) {
            for (AxisSettings& axis : axisSettings_)
                axis.deadZone = value;
            return DI_OK;
        }
        AxisSettings* axis = AxisOf(Find(header->dwObj, header->dwHow));
        if (axis == nullptr) return DIERR_OBJECTNOTFOUND;
        axis->deadZone = value;
        return DI_OK;
    }
    if (header->dwHow != DIPH_DEVICE || header->dwObj != 0) return DIERR_INVALIDPARAM;
    switch (id) {
    case 7:  // the device gain: the only property that may change while acquired
        if (value > 10000) return DIERR_INVALIDPARAM;
        gain_ = value;
        if (AcquiredExclusively() && bound_) {
            const HRESULT result = driver_->SetGain(device_.joystickId, value);
            Record("driver SetGain gain=%lu -> 0x%08lX", value, result);
            return result;
        }
        return DI_OK;
    case 9:  // auto-centring is the device's own business: kept, no driver call exists for it
        if (value != DIPROPAUTOCENTER_OFF && value != DIPROPAUTOCENTER_ON) {
            return DIERR_INVALIDPARAM;
        }
        if (acquired_) return DIERR_ACQUIRED;
        autoCentre_ = value;
        return DI_OK;
    case 1:
        if (acquired_) return DIERR_ACQUIRED;
        bufferSize_ = value;
        return DI_OK;
    case 8:
    case 12:
    case 15:
    case 24: return DIERR_READONLY;
    default: return DIERR_UNSUPPORTED;
    }
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
