// The stand-in's effect object: the application's parameters checked, converted and kept as
// the driver receives them, and the driver's calls that DirectInput makes for them.
#include <cmath>
#include <cstring>
#include <string>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

constexpr DWORD kCoordinates = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
constexpr DWORD kAppOnly = DIEP_START | DIEP_NORESTART | DIEP_NODOWNLOAD;
constexpr double kPi = 3.14159265358979323846;

std::string Join(const LONG* values, DWORD count) {
    std::string text;
    for (DWORD i = 0; i < count; ++i)
        text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

bool OneBit(DWORD bits) { return bits != 0 && (bits & (bits - 1)) == 0; }

// The size the type-specific record of an effect type must have on `axes` axes (a condition
// takes one record for all of them or one per axis); 0 when any size goes.
bool TypeSpecificSizeFits(DWORD effectType, DWORD size, DWORD axes) {
    switch (DIEFT_GETTYPE(effectType)) {
    case DIEFT_CONSTANTFORCE: return size == sizeof(DICONSTANTFORCE);
    case DIEFT_RAMPFORCE: return size == sizeof(DIRAMPFORCE);
    case DIEFT_PERIODIC: return size == sizeof(DIPERIODIC);
    case DIEFT_CONDITION:
        return size == sizeof(DICONDITION) || (axes > 0 && size == axes * sizeof(DICONDITION));
    case DIEFT_CUSTOMFORCE: return size == sizeof(DICUSTOMFORCE);
    default: return true;
    }
}

LONG Round(double value) { return static_cast<LONG>(std::lround(value)); }

LONG WrapAngle(double hundredths) {
    LONG angle = Round(hundredths) % 36000;
    return angle < 0 ? angle + 36000 : angle;
}

}  // namespace

// A direction in the coordinates `to`. Polar angles run clockwise from (0, -1), spherical ones
// from (1, 0) toward (0, 1) and then toward the next axis; a cartesian direction only counts
// by its orientation. A one-axis direction in polar coordinates is the angle of its side.
void ConvertDirection(DWORD from, const LONG* in, DWORD axes, DWORD to, LONG* out) {
    if (from == to) {
        std::memcpy(out, in, axes * sizeof(LONG));
        return;
    }
    double c[3] = {0, 0, 0};
    if (from == DIEFF_CARTESIAN) {
        for (DWORD i = 0; i < axes && i < 3; ++i)
            c[i] = in[i];
    } else if (from == DIEFF_POLAR) {
        const double a = in[0] * kPi / 18000;
        c[0] = std::sin(a);
        c[1] = -std::cos(a);
    } else {
        const double a0 = axes > 1 ? in[0] * kPi / 18000 : 0;
        const double a1 = axes > 2 ? in[1] * kPi / 18000 : 0;
        c[0] = std::cos(a0) * std::cos(a1);
        c[1] = std::sin(a0) * std::cos(a1);
        c[2] = std::sin(a1);
    }
    for (DWORD i = 0; i < axes; ++i)
        out[i] = 0;
    const bool none = c[0] == 0 && c[1] == 0 && c[2] == 0;
    if (to == DIEFF_POLAR) {
        out[0] = none ? 0 : WrapAngle(std::atan2(c[0], -c[1]) * 18000 / kPi);
    } else if (to == DIEFF_SPHERICAL) {
        if (axes > 1) out[0] = none ? 0 : WrapAngle(std::atan2(c[1], c[0]) * 18000 / kPi);
        if (axes > 2) out[1] = Round(std::atan2(c[2], std::hypot(c[0], c[1])) * 18000 / kPi);
    } else {
        const double largest =
            std::fmax(std::fabs(c[0]), std::fmax(std::fabs(c[1]), std::fabs(c[2])));
        for (DWORD i = 0; i < axes && i < 3; ++i)
            out[i] = none ? 0 : Round(c[i] * DI_FFNOMINALMAX / largest);
    }
}

EffectParameters::EffectParameters() {
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_OBJECTIDS;
    effect.dwGain = DI_FFNOMINALMAX;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    effect.lpvTypeSpecificParams = typeSpecific;
}

// A copy points at its own records.
EffectParameters& EffectParameters::operator=(const EffectParameters& other) {
    effect = other.effect;
    std::memcpy(axes, other.axes, sizeof axes);
    std::memcpy(directions, other.directions, sizeof directions);
    envelope = other.envelope;
    std::memcpy(typeSpecific, other.typeSpecific, sizeof typeSpecific);
    set = other.set;
    effect.rgdwAxes = axes;
    effect.rglDirection = directions;
    effect.lpEnvelope = other.effect.lpEnvelope != nullptr ? &envelope : nullptr;
    effect.lpvTypeSpecificParams = typeSpecific;
    return *this;
}

StandInEffect::StandInEffect(StandInDevice* device, const EffectType& type)
    : device_(device), type_(type) {
    device_->AddRef();
    // The direction is kept in the first coordinates the registration lists for the effect.
    const DWORD coords = type_.attributes.dwCoords;
    parameters_.effect.dwFlags |= (coords & DIEFF_POLAR)       ? DIEFF_POLAR
                                  : (coords & DIEFF_CARTESIAN) ? DIEFF_CARTESIAN
                                                               : DIEFF_SPHERICAL;
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
        device_->Forget(this);
        delete this;
    }
    return static_cast<ULONG>(left);
}

HRESULT StandInEffect::Initialize(HINSTANCE, DWORD, REFGUID) { return DI_OK; }

HRESULT StandInEffect::GetEffectGuid(LPGUID guid) {
    if (guid == nullptr) return DIERR_INVALIDPARAM;
    *guid = type_.guid;
    return DI_OK;
}

// What DirectInput refuses before the driver sees anything.
HRESULT StandInEffect::Validate(const DIEFFECT& from, DWORD flags) const {
    const bool dx6 = from.dwSize == sizeof(DIEFFECT);
    if (!dx6 && from.dwSize != sizeof(DIEFFECT_DX5)) return DIERR_INVALIDPARAM;
    if ((flags & ~(DIEP_ALLPARAMS | kAppOnly)) != 0) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) != 0 && !dx6) return DIERR_INVALIDPARAM;
    const DWORD naming = from.dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS);
    if ((flags & (DIEP_AXES | DIEP_TRIGGERBUTTON)) != 0 && !OneBit(naming)) {
        return DIERR_INVALIDPARAM;
    }
    const DWORD how = naming == DIEFF_OBJECTIDS ? DIPH_BYID : DIPH_BYOFFSET;
    DWORD axes = parameters_.effect.cAxes;
    if ((flags & DIEP_AXES) != 0) {
        if (from.cAxes == 0 || from.cAxes > 4 || from.rgdwAxes == nullptr)
            return DIERR_INVALIDPARAM;
        for (DWORD i = 0; i < from.cAxes; ++i) {
            // Effects play on actuators only.
            const DeviceObject* axis = device_->ObjectOf(from.rgdwAxes[i], how);
            if (axis == nullptr || !axis->IsAxis() || !axis->IsActuator())
                return DIERR_INVALIDPARAM;
            for (DWORD j = 0; j < i; ++j) {
                if (device_->ObjectOf(from.rgdwAxes[j], how) == axis) return DIERR_INVALIDPARAM;
            }
        }
        axes = from.cAxes;
    }
    if ((flags & DIEP_DIRECTION) != 0) {
        const DWORD coords = from.dwFlags & kCoordinates;
        if (!OneBit(coords) || from.rglDirection == nullptr || axes == 0) return DIERR_INVALIDPARAM;
        if (from.cAxes != axes) return DIERR_INVALIDPARAM;
        if (coords == DIEFF_POLAR && axes != 2) return DIERR_INVALIDPARAM;
    }
    if ((flags & DIEP_GAIN) != 0 && from.dwGain > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_TRIGGERBUTTON) != 0 && from.dwTriggerButton != DIEB_NOTRIGGER) {
        const DeviceObject* button = device_->ObjectOf(from.dwTriggerButton, how);
        if (button == nullptr || button->IsAxis()) return DIERR_INVALIDPARAM;
    }
    if ((flags & DIEP_ENVELOPE) != 0 && from.lpEnvelope != nullptr &&
        from.lpEnvelope->dwSize != sizeof(DIENVELOPE)) {
        return DIERR_INVALIDPARAM;
    }
    if ((flags & DIEP_TYPESPECIFICPARAMS) != 0 &&
        (from.lpvTypeSpecificParams == nullptr || from.cbTypeSpecificParams > 256 ||
         !TypeSpecificSizeFits(type_.attributes.dwEffType, from.cbTypeSpecificParams, axes))) {
        return DIERR_INVALIDPARAM;
    }
    return DI_OK;
}

// The parameters of `flags` that the registration declares for the effect, into `to`: axes
// as object ids, the direction in the registered coordinates.
HRESULT StandInEffect::Apply(const DIEFFECT& from, DWORD flags, EffectParameters& to) const {
    DIEFFECT& e = to.effect;
    const DWORD how = (from.dwFlags & DIEFF_OBJECTIDS) != 0 ? DIPH_BYID : DIPH_BYOFFSET;
    if ((flags & DIEP_DURATION) != 0) e.dwDuration = from.dwDuration;
    if ((flags & DIEP_SAMPLEPERIOD) != 0) e.dwSamplePeriod = from.dwSamplePeriod;
    if ((flags & DIEP_GAIN) != 0) e.dwGain = from.dwGain;
    if ((flags & DIEP_TRIGGERBUTTON) != 0) {
        const DeviceObject* button = device_->ObjectOf(from.dwTriggerButton, how);
        e.dwTriggerButton = button != nullptr ? button->type & ~DIDFT_FFACTUATOR : DIEB_NOTRIGGER;
    }
    if ((flags & DIEP_TRIGGERREPEATINTERVAL) != 0) {
        e.dwTriggerRepeatInterval = from.dwTriggerRepeatInterval;
    }
    if ((flags & DIEP_STARTDELAY) != 0) e.dwStartDelay = from.dwStartDelay;
    if ((flags & DIEP_AXES) != 0) {
        e.cAxes = from.cAxes;
        for (DWORD i = 0; i < from.cAxes; ++i)
            to.axes[i] = device_->ObjectOf(from.rgdwAxes[i], how)->type & ~DIDFT_FFACTUATOR;
    }
    if ((flags & DIEP_DIRECTION) != 0) {
        const DWORD kept = e.dwFlags & kCoordinates;
        ConvertDirection(from.dwFlags & kCoordinates, from.rglDirection, e.cAxes, kept,
                         to.directions);
    }
    if ((flags & DIEP_ENVELOPE) != 0) {
        if (from.lpEnvelope != nullptr) to.envelope = *from.lpEnvelope;
        e.lpEnvelope = from.lpEnvelope != nullptr ? &to.envelope : nullptr;
    }
    if ((flags & DIEP_TYPESPECIFICPARAMS) != 0) {
        std::memcpy(to.typeSpecific, from.lpvTypeSpecificParams, from.cbTypeSpecificParams);
        e.cbTypeSpecificParams = from.cbTypeSpecificParams;
    }
    to.set |= flags & DIEP_ALLPARAMS;
    return DI_OK;
}

HRESULT StandInEffect::DownloadWith(const EffectParameters& parameters, DWORD flags) {
    IDirectInputEffectDriver* driver = device_->Driver();
    if (driver == nullptr) return DIERR_UNSUPPORTED;
    EffectParameters sent = parameters;  // the driver may not keep pointers into ours
    const DIEFFECT& e = sent.effect;
    DWORD handle = (flags & DIEP_NODOWNLOAD) != 0 && !device_->AcquiredExclusively() ? 0 : handle_;
    const DWORD before = handle;
    const HRESULT result = driver->DownloadEffect(
        device_->ExternalId(), type_.attributes.dwEffectId, &handle, &sent.effect, flags);
    const auto* specific = reinterpret_cast<const LONG*>(sent.typeSpecific);
    const DIENVELOPE* envelope = e.lpEnvelope;
    Record(
        "driver DownloadEffect id=%lu handle=%lu flags=0x%08lX size=%lu cAxes=%lu "
        "duration=%lu gain=%lu samplePeriod=%lu coords=0x%lX axes=%s direction=%s "
        "startDelay=%lu trigger=0x%lX envelope=%s typeSpecific=%lu:%s -> 0x%08lX handle=%lu",
        type_.attributes.dwEffectId, before, flags, e.dwSize, e.cAxes, e.dwDuration, e.dwGain,
        e.dwSamplePeriod, e.dwFlags & kCoordinates,
        Join(reinterpret_cast<const LONG*>(sent.axes), e.cAxes).c_str(),
        Join(sent.directions, e.cAxes).c_str(), e.dwStartDelay, e.dwTriggerButton,
        envelope != nullptr
            ? (std::to_string(envelope->dwAttackLevel) + "/" +
               std::to_string(envelope->dwAttackTime) + "/" +
               std::to_string(envelope->dwFadeLevel) + "/" + std::to_string(envelope->dwFadeTime))
                  .c_str()
            : "none",
        e.cbTypeSpecificParams, Join(specific, e.cbTypeSpecificParams / 4).c_str(), result, handle);
    if (SUCCEEDED(result) && (flags & DIEP_NODOWNLOAD) == 0) {
        handle_ = handle;
        notOnDevice_ = 0;
    }
    return result;
}

bool Complete(const EffectParameters& parameters) {
    return (parameters.set & DIEP_AXES) != 0 && (parameters.set & DIEP_TYPESPECIFICPARAMS) != 0;
}

// Parameters go to the device at once only while it is acquired exclusively; otherwise the
// driver checks them (DIEP_NODOWNLOAD) and they wait for the next Download or Start.
// Parameters the registration does not declare for the effect are ignored.
HRESULT StandInEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
    HRESULT result = effect != nullptr ? Validate(*effect, flags) : DIERR_INVALIDPARAM;
    const DWORD declared = type_.attributes.dwStaticParams | type_.attributes.dwDynamicParams;
    const DWORD used = flags & DIEP_ALLPARAMS & declared;
    EffectParameters next = parameters_;
    if (SUCCEEDED(result)) result = Apply(*effect, used, next);
    if (SUCCEEDED(result)) {
        const bool now = (flags & DIEP_NODOWNLOAD) == 0 && device_->AcquiredExclusively();
        if (now && handle_ == 0 && !Complete(next)) {
            result = DI_DOWNLOADSKIPPED;
        } else if (now && handle_ == 0) {
            result = DownloadWith(next, DIEP_ALLPARAMS | (flags & DIEP_START));
        } else if (now) {
            result = DownloadWith(next, used | notOnDevice_ | (flags & kAppOnly));
        } else if (device_->EverBound()) {
            // The driver has served the device: it checks what it will be given later.
            result = DownloadWith(next, used | DIEP_NODOWNLOAD);
            if (SUCCEEDED(result))
                result = (flags & DIEP_NODOWNLOAD) != 0 ? DI_OK : DI_DOWNLOADSKIPPED;
        } else {
            result = (flags & DIEP_NODOWNLOAD) != 0 ? DI_OK : DI_DOWNLOADSKIPPED;
        }
        if (SUCCEEDED(result)) {
            parameters_ = next;
            if (!now || result == DI_DOWNLOADSKIPPED) notOnDevice_ |= used;
        }
    }
    Record("app SetParameters flags=0x%08lX ignored=0x%lX -> 0x%08lX", flags,
           flags & DIEP_ALLPARAMS & ~declared, result);
    return result;
}

// The parameters asked for, in the coordinates and by the object naming the caller asks for.
HRESULT StandInEffect::GetParameters(LPDIEFFECT effect, DWORD flags) {
    HRESULT result = DI_OK;
    const DIEFFECT& e = parameters_.effect;
    if (effect == nullptr ||
        (effect->dwSize != sizeof(DIEFFECT) && effect->dwSize != sizeof(DIEFFECT_DX5)) ||
        (flags & ~DIEP_ALLPARAMS) != 0 ||
        ((flags & DIEP_STARTDELAY) != 0 && effect->dwSize != sizeof(DIEFFECT))) {
        result = DIERR_INVALIDPARAM;
    } else {
        const bool byOffset = (effect->dwFlags & DIEFF_OBJECTOFFSETS) != 0;
        auto name = [&](DWORD id) {
            const DeviceObject* object = device_->ObjectOf(id, DIPH_BYID);
            if (!byOffset || object == nullptr) return id;
            DIDEVICEOBJECTINSTANCEA info = {};
            info.dwSize = sizeof info;
            device_->GetObjectInfo(&info, id, DIPH_BYID);
            return info.dwOfs;
        };
        if ((flags & DIEP_DURATION) != 0) effect->dwDuration = e.dwDuration;
        if ((flags & DIEP_SAMPLEPERIOD) != 0) effect->dwSamplePeriod = e.dwSamplePeriod;
        if ((flags & DIEP_GAIN) != 0) effect->dwGain = e.dwGain;
        if ((flags & DIEP_TRIGGERBUTTON) != 0) {
            effect->dwTriggerButton =
                e.dwTriggerButton == DIEB_NOTRIGGER ? DIEB_NOTRIGGER : name(e.dwTriggerButton);
        }
        if ((flags & DIEP_TRIGGERREPEATINTERVAL) != 0) {
            effect->dwTriggerRepeatInterval = e.dwTriggerRepeatInterval;
        }
        if ((flags & DIEP_STARTDELAY) != 0) effect->dwStartDelay = e.dwStartDelay;
        if ((flags & (DIEP_AXES | DIEP_DIRECTION)) != 0 && effect->cAxes < e.cAxes) {
            effect->cAxes = e.cAxes;
            result = DIERR_MOREDATA;
        }
        if (result == DI_OK && (flags & DIEP_AXES) != 0 && effect->rgdwAxes != nullptr) {
            effect->cAxes = e.cAxes;
            for (DWORD i = 0; i < e.cAxes; ++i)
                effect->rgdwAxes[i] = name(parameters_.axes[i]);
        }
        if (result == DI_OK && (flags & DIEP_DIRECTION) != 0 && effect->rglDirection != nullptr) {
            DWORD wanted = effect->dwFlags & kCoordinates;
            const DWORD kept = e.dwFlags & kCoordinates;
            if ((wanted & kept) != 0 || wanted == 0) wanted = kept;
            wanted = (wanted & DIEFF_CARTESIAN) ? DIEFF_CARTESIAN
                     : (wanted & DIEFF_POLAR)   ? DIEFF_POLAR
                                                : DIEFF_SPHERICAL;
            if (wanted == DIEFF_POLAR && e.cAxes != 2) wanted = kept;
            ConvertDirection(kept, parameters_.directions, e.cAxes, wanted, effect->rglDirection);
            effect->dwFlags = (effect->dwFlags & ~kCoordinates) | wanted;
        }
        if (result == DI_OK && (flags & DIEP_ENVELOPE) != 0) {
            if (e.lpEnvelope == nullptr) {
                effect->lpEnvelope = nullptr;
            } else if (effect->lpEnvelope != nullptr) {
                *effect->lpEnvelope = parameters_.envelope;
            }
        }
        if (result == DI_OK && (flags & DIEP_TYPESPECIFICPARAMS) != 0) {
            if (effect->cbTypeSpecificParams < e.cbTypeSpecificParams) {
                result = DIERR_MOREDATA;
            } else if (effect->lpvTypeSpecificParams != nullptr) {
                std::memcpy(effect->lpvTypeSpecificParams, parameters_.typeSpecific,
                            e.cbTypeSpecificParams);
            }
            effect->cbTypeSpecificParams = e.cbTypeSpecificParams;
        }
    }
    Record("app GetParameters flags=0x%08lX -> 0x%08lX", flags, result);
    return result;
}

HRESULT StandInEffect::Start(DWORD iterations, DWORD flags) {
    HRESULT result = DI_OK;
    if ((flags & ~(DIES_SOLO | DIES_NODOWNLOAD)) != 0) {
        result = DIERR_INVALIDPARAM;
    } else if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (!Complete(parameters_)) {
        result = DIERR_INCOMPLETEEFFECT;
    } else if (handle_ == 0 && (flags & DIES_NODOWNLOAD) != 0) {
        result = DIERR_NOTDOWNLOADED;
    } else if (handle_ == 0 && iterations == 1 && (flags & DIES_SOLO) == 0) {
        // Not on the device yet: the download starts it (a single play).
        result = DownloadWith(parameters_, DIEP_ALLPARAMS | DIEP_START);
    } else {
        if (handle_ == 0) {
            result = DownloadWith(parameters_, DIEP_ALLPARAMS);
        } else if (notOnDevice_ != 0 && (flags & DIES_NODOWNLOAD) == 0) {
            result = DownloadWith(parameters_, notOnDevice_);
        }
        if (SUCCEEDED(result)) {
            IDirectInputEffectDriver* driver = device_->Driver();
            result =
                driver->StartEffect(device_->ExternalId(), handle_, flags & DIES_SOLO, iterations);
            Record("driver StartEffect handle=%lu mode=%lu iterations=%lu -> 0x%08lX", handle_,
                   flags & DIES_SOLO, iterations, result);
        }
    }
    Record("app Start iterations=%lu flags=0x%lX -> 0x%08lX", iterations, flags, result);
    return result;
}

HRESULT StandInEffect::Stop() {
    HRESULT result = DI_OK;
    if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (handle_ != 0) {
        result = device_->Driver()->StopEffect(device_->ExternalId(), handle_);
        Record("driver StopEffect handle=%lu -> 0x%08lX", handle_, result);
    }
    Record("app Stop -> 0x%08lX", result);
    return result;
}

HRESULT StandInEffect::GetEffectStatus(LPDWORD status) {
    if (status == nullptr) return DIERR_INVALIDPARAM;
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
    } else if (!Complete(parameters_)) {
        result = DIERR_INCOMPLETEEFFECT;
    } else if (handle_ == 0) {
        result = DownloadWith(parameters_, DIEP_ALLPARAMS);
    } else if (notOnDevice_ != 0) {
        result = DownloadWith(parameters_, notOnDevice_);
    }
    Record("app Download -> 0x%08lX", result);
    return result;
}

HRESULT StandInEffect::UnloadQuietly() {
    HRESULT result = DI_OK;
    if (handle_ != 0) {
        result = device_->Driver()->DestroyEffect(device_->ExternalId(), handle_);
        Record("driver DestroyEffect handle=%lu -> 0x%08lX", handle_, result);
        handle_ = 0;
        notOnDevice_ = parameters_.set;
    }
    return result;
}

void StandInEffect::UnloadForDevice() { UnloadQuietly(); }

HRESULT StandInEffect::Unload() {
    const HRESULT result = UnloadQuietly();
    Record("app Unload -> 0x%08lX", result);
    return result;
}

HRESULT StandInEffect::Escape(LPDIEFFESCAPE escape) {
    HRESULT result = DI_OK;
    if (escape == nullptr || escape->dwSize != sizeof(DIEFFESCAPE)) {
        result = DIERR_INVALIDPARAM;
    } else if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (handle_ == 0) {
        result = DIERR_NOTDOWNLOADED;
    } else {
        result = device_->Driver()->Escape(device_->ExternalId(), handle_, escape);
        Record("driver Escape effect=%lu command=%lu -> 0x%08lX", handle_, escape->dwCommand,
               result);
    }
    Record("app IDirectInputEffect::Escape -> 0x%08lX", result);
    return result;
}

}  // namespace stand_in
