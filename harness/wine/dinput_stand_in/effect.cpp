// The stand-in's effect object: the application's parameters kept, and the driver's calls
// that DirectInput makes for them.
#include <cstring>
#include <string>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

std::string Join(const LONG* values, DWORD count) {
    std::string text;
    for (DWORD i = 0; i < count; ++i)
        text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

}  // namespace

// The driver receives the axes as object ids, whatever the application named them by.
HRESULT EffectParameters::Take(const DIEFFECT& from) {
    if (from.dwSize != sizeof(DIEFFECT) || from.cAxes > 4 ||
        from.cbTypeSpecificParams > sizeof typeSpecific ||
        (from.cAxes > 0 && (from.rgdwAxes == nullptr || from.rglDirection == nullptr))) {
        return DIERR_INVALIDPARAM;
    }
    effect = from;
    std::memcpy(axes, from.rgdwAxes, from.cAxes * sizeof(DWORD));
    std::memcpy(directions, from.rglDirection, from.cAxes * sizeof(LONG));
    if (from.lpEnvelope != nullptr) envelope = *from.lpEnvelope;
    if (from.lpvTypeSpecificParams != nullptr) {
        std::memcpy(typeSpecific, from.lpvTypeSpecificParams, from.cbTypeSpecificParams);
    }
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    effect.lpEnvelope = from.lpEnvelope != nullptr ? &envelope : nullptr;
    effect.lpvTypeSpecificParams = typeSpecific;
    return DI_OK;
}

StandInEffect::StandInEffect(StandInDevice* device, const GUID& guid, DWORD effectId)
    : device_(device), guid_(guid), effectId_(effectId) {
    device_->AddRef();
}

StandInEffect::~StandInEffect() { device_->Release(); }

HRESULT StandInEffect::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDirectInputEffect)) {
        return E_NOINTERFACE;
    }
    AddRef();
    *out = this;
    return S_OK;
}

ULONG StandInEffect::AddRef() { return InterlockedIncrement(&references_); }

// The last release takes the effect off the device, as an Unload would.
ULONG StandInEffect::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
        Record("app IDirectInputEffect::Release -> 0x00000000");
        if (handle_ != 0) Unload();
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT StandInEffect::GetEffectGuid(LPGUID guid) {
    if (guid == nullptr) return E_POINTER;
    *guid = guid_;
    return DI_OK;
}

HRESULT StandInEffect::DownloadWith(DWORD flags) {
    IDirectInputEffectDriver* driver = device_->Driver();
    if (driver == nullptr) return DIERR_UNSUPPORTED;
    const DIEFFECT& e = parameters_.effect;
    DWORD handle = handle_;
    const HRESULT result = driver->DownloadEffect(device_->ExternalId(), effectId_, &handle,
                                                  &parameters_.effect, flags);
    const auto* specific = reinterpret_cast<const LONG*>(parameters_.typeSpecific);
    Record(
        "driver DownloadEffect id=%lu handle=%lu flags=0x%08lX size=%lu cAxes=%lu "
        "duration=%lu gain=%lu samplePeriod=%lu axes=%s direction=%s typeSpecific=%lu:%s -> "
        "0x%08lX handle=%lu",
        effectId_, handle_, flags, e.dwSize, e.cAxes, e.dwDuration, e.dwGain, e.dwSamplePeriod,
        Join(reinterpret_cast<const LONG*>(parameters_.axes), e.cAxes).c_str(),
        Join(parameters_.directions, e.cAxes).c_str(), e.cbTypeSpecificParams,
        Join(specific, e.cbTypeSpecificParams / 4).c_str(), result, handle);
    if (SUCCEEDED(result)) handle_ = handle;
    return result;
}

// DirectInput plays effects on actuators only: axes given that act on none, or an axis,
// given by its offset in the data format, that the registration does not make one, refuse
// the parameters.
HRESULT StandInEffect::OnActuatorsOnly(const DIEFFECT& effect, DWORD flags) const {
    if ((flags & DIEP_AXES) != 0 && effect.cAxes == 0) return DIERR_INVALIDPARAM;
    if ((effect.dwFlags & DIEFF_OBJECTOFFSETS) == 0 || effect.rgdwAxes == nullptr) return DI_OK;
    for (DWORD i = 0; i < effect.cAxes && i < 4; ++i) {
        if (device_->ActuatorIdAt(effect.rgdwAxes[i]) == 0) return DIERR_INVALIDPARAM;
    }
    return DI_OK;
}

// Parameters go to the device at once only while it is acquired exclusively; otherwise
// they wait for the next Download or Start.
HRESULT StandInEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
    HRESULT result = effect != nullptr ? OnActuatorsOnly(*effect, flags) : E_POINTER;
    if (SUCCEEDED(result)) result = parameters_.Take(*effect);
    if (SUCCEEDED(result)) {
        hasParameters_ = true;
        for (DWORD i = 0; i < effect->cAxes; ++i) {
            if ((effect->dwFlags & DIEFF_OBJECTOFFSETS) != 0) {
                parameters_.axes[i] = device_->ActuatorIdAt(effect->rgdwAxes[i]);
            }
        }
        parameters_.effect.dwFlags = (effect->dwFlags & ~DIEFF_OBJECTOFFSETS) | DIEFF_OBJECTIDS;
        if ((flags & DIEP_NODOWNLOAD) == 0 && handle_ != 0 && device_->AcquiredExclusively()) {
            result = DownloadWith(flags & DIEP_ALLPARAMS);
        } else if ((flags & DIEP_NODOWNLOAD) == 0) {
            result = DI_DOWNLOADSKIPPED;
        }
    }
    Record("app SetParameters flags=0x%08lX -> 0x%08lX", flags, result);
    return result;
}

HRESULT StandInEffect::Start(DWORD iterations, DWORD flags) {
    HRESULT result = DI_OK;
    if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (!hasParameters_) {
        result = DIERR_INCOMPLETEEFFECT;
    } else if (handle_ == 0) {
        // Not on the device yet: the download starts it (a single play).
        result = DownloadWith(DIEP_ALLPARAMS | DIEP_START);
    } else {
        IDirectInputEffectDriver* driver = device_->Driver();
        result = driver->StartEffect(device_->ExternalId(), handle_, flags & DIES_SOLO, iterations);
        Record("driver StartEffect handle=%lu mode=%lu iterations=%lu -> 0x%08lX", handle_,
               flags & DIES_SOLO, iterations, result);
    }
    Record("app Start iterations=%lu flags=0x%lX -> 0x%08lX", iterations, flags, result);
    return result;
}

HRESULT StandInEffect::Stop() {
    HRESULT result = DI_OK;
    if (handle_ != 0) {
        result = device_->Driver()->StopEffect(device_->ExternalId(), handle_);
        Record("driver StopEffect handle=%lu -> 0x%08lX", handle_, result);
    }
    Record("app Stop -> 0x%08lX", result);
    return result;
}

HRESULT StandInEffect::GetEffectStatus(LPDWORD status) {
    if (status == nullptr) return E_POINTER;
    *status = 0;
    HRESULT result = DI_OK;
    if (handle_ != 0) {
        result = device_->Driver()->GetEffectStatus(device_->ExternalId(), handle_, status);
        Record("driver GetEffectStatus handle=%lu -> 0x%08lX status=%lu", handle_, result, *status);
    }
    Record("app GetEffectStatus -> 0x%08lX status=%lu", result, *status);
    return result;
}

HRESULT StandInEffect::Download() {
    HRESULT result = DI_OK;
    if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (!hasParameters_) {
        result = DIERR_INCOMPLETEEFFECT;
    } else if (handle_ == 0) {
        result = DownloadWith(DIEP_ALLPARAMS);
    }
    Record("app Download -> 0x%08lX", result);
    return result;
}

HRESULT StandInEffect::Unload() {
    HRESULT result = DI_OK;
    if (handle_ != 0) {
        result = device_->Driver()->DestroyEffect(device_->ExternalId(), handle_);
        Record("driver DestroyEffect handle=%lu -> 0x%08lX", handle_, result);
        handle_ = 0;
    }
    Record("app Unload -> 0x%08lX", result);
    return result;
}

}  // namespace stand_in
