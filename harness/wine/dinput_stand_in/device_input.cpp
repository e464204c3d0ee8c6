// The stand-in device's data format, state and acquisition: the driver bound and let go, and
// the wheel's input reports read into the state an application polls.
#include <algorithm>
#include <cstring>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {

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
    // A top-level window of the application's, unless access is shared in the background.
    const bool anyWindow = (flags & DISCL_BACKGROUND) != 0 && (flags & DISCL_NONEXCLUSIVE) != 0;
    const bool child = window != nullptr && (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0;
    if (!oneAccess || !oneTime) {
        result = DIERR_INVALIDPARAM;
    } else if (child || (window == nullptr && !anyWindow)) {
        result = E_HANDLE;
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
        EnterCriticalSection(&inputLock_);
        buffered_.clear();  // a new acquisition starts with an empty buffer
        overflowed_ = false;
        baseline_ = true;
        LeaveCriticalSection(&inputLock_);
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

// Each placed object's value in `report`: axes in their range, buttons 0x80 when pressed.
// Without a report (or its parsing), axes stand centred and buttons released.
std::vector<LONG> StandInDevice::ValuesOf(const std::vector<BYTE>& report,
                                          PHIDP_PREPARSED_DATA parsed) const {
    std::vector<LONG> values;
    auto* bytes = reinterpret_cast<PCHAR>(const_cast<BYTE*>(report.data()));
    const auto length = static_cast<ULONG>(report.size());
    for (const Placement& placement : placements_) {
        const DeviceObject& object = *placement.object;
        LONG value =
            object.IsAxis() ? Scaled(object, (object.logicalMin + object.logicalMax + 1) / 2) : 0;
        if (!report.empty() && parsed != nullptr && object.IsAxis()) {
            ULONG raw = 0;
            if (HidP_GetUsageValue(HidP_Input, object.usagePage, 0, object.usage, &raw, parsed,
                                   bytes, length) == HIDP_STATUS_SUCCESS) {
                value = Scaled(object, static_cast<LONG>(raw));
            }
        } else if (!report.empty() && parsed != nullptr) {
            USAGE pressed[128];
            ULONG count = 128;
            if (HidP_GetUsages(HidP_Input, object.usagePage, 0, pressed, &count, parsed, bytes,
                               length) == HIDP_STATUS_SUCCESS) {
                for (ULONG i = 0; i < count; ++i)
                    value |= pressed[i] == object.usage ? 0x80 : 0;
            }
        }
        values.push_back(value);
    }
    return values;
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
        const std::vector<LONG> values = ValuesOf(report, parsed);
        for (std::size_t i = 0; i < placements_.size(); ++i) {
            const Placement& placement = placements_[i];
            if (placement.object->IsAxis() && placement.offset + 4 <= size) {
                std::memcpy(out + placement.offset, &values[i], 4);
            } else if (!placement.object->IsAxis() && placement.offset < size) {
                out[placement.offset] = static_cast<BYTE>(values[i]);
            }
        }
        if (parsed != nullptr) HidD_FreePreparsedData(parsed);
    }
    Record("app GetDeviceState size=%lu -> 0x%08lX", size, result);
    return result;
}

// A new input report: each object it changes becomes one buffered event (the oldest lost
// when the buffer is full), and the application's event is signalled. The first report of
// an acquisition is where it starts from: no change.
void StandInDevice::Received(const std::vector<BYTE>& report, PHIDP_PREPARSED_DATA parsed) {
    EnterCriticalSection(&inputLock_);
    const std::vector<LONG> after = ValuesOf(report, parsed);
    const std::vector<LONG> before = baseline_ ? after : ValuesOf(lastReport_, parsed);
    lastReport_ = report;
    baseline_ = false;
    bool changed = false;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        changed = true;
        if (bufferSize_ == 0) continue;
        if (buffered_.size() >= bufferSize_) {
            buffered_.erase(buffered_.begin());
            overflowed_ = true;
        }
        DIDEVICEOBJECTDATA data = {};
        data.dwOfs = placements_[i].offset;
        data.dwData = static_cast<DWORD>(after[i]);
        data.dwTimeStamp = GetTickCount();
        data.dwSequence = ++sequence_;
        buffered_.push_back(data);
    }
    const HANDLE notify = notify_;
    LeaveCriticalSection(&inputLock_);
    if (changed && notify != nullptr) SetEvent(notify);
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
    PHIDP_PREPARSED_DATA parsed = nullptr;
    HidD_GetPreparsedData(file, &parsed);
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
        device->Received(std::vector<BYTE>(buffer.begin(), buffer.begin() + read), parsed);
    }
    if (parsed != nullptr) HidD_FreePreparsedData(parsed);
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

// The buffered changes, oldest first: copied when `data` is given, removed unless peeked;
// DI_BUFFEROVERFLOW once after events were lost.
HRESULT StandInDevice::GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD count,
                                     DWORD flags) {
    HRESULT result = DI_OK;
    if (!acquired_) {
        result = DIERR_NOTACQUIRED;
    } else if (bufferSize_ == 0) {
        result = DIERR_NOTBUFFERED;
    } else if (count == nullptr || size != sizeof(DIDEVICEOBJECTDATA) ||
               (flags & ~DIGDD_PEEK) != 0) {
        result = DIERR_INVALIDPARAM;
    } else {
        EnterCriticalSection(&inputLock_);
        const DWORD n = std::min<DWORD>(*count, static_cast<DWORD>(buffered_.size()));
        if (data != nullptr) std::copy(buffered_.begin(), buffered_.begin() + n, data);
        if ((flags & DIGDD_PEEK) == 0) buffered_.erase(buffered_.begin(), buffered_.begin() + n);
        result = overflowed_ ? DI_BUFFEROVERFLOW : DI_OK;
        if ((flags & DIGDD_PEEK) == 0) overflowed_ = false;
        LeaveCriticalSection(&inputLock_);
        *count = n;
    }
    Record("app GetDeviceData count=%lu -> 0x%08lX", count != nullptr ? *count : 0, result);
    return result;
}

// The event is signalled whenever the device's input changes; null stops that.
HRESULT StandInDevice::SetEventNotification(HANDLE event) {
    HRESULT result = DI_OK;
    if (acquired_) {
        result = DIERR_ACQUIRED;
    } else {
        EnterCriticalSection(&inputLock_);
        notify_ = event;
        LeaveCriticalSection(&inputLock_);
    }
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

}  // namespace stand_in
