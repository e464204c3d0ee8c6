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
        // Before the axes are known, one record for each of up to four axes.
        if (axes == 0)
            return size > 0 && size % sizeof(DICONDITION) == 0 && size <= 4 * sizeof(DICONDITION);
        return size == sizeof(DICONDITION) || size == axes * sizeof(DICONDITION);
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
// by its orientation and is given back as a unit vector in 10000ths. A one-axis direction in polar
// coordinates is the angle of its side.
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
        // A unit vector in 10000ths.
        const double length = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
        for (DWORD i = 0; i < axes && i < 3; ++i)
            out[i] = none ? 0 : Round(c[i] * DI_FFNOMINALMAX / length);
    }
}

EffectParameters::EffectParameters() {
    // A new effect: no gain, no trigger, no axes, no direction, nothing else.
    effect.dwSize = sizeof(DIEFFECT);
    effect.dwFlags = DIEFF_OBJECTIDS;
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

// Makes the object an effect of another registered type (or the same one) afresh: off the
// device, with a new effect's parameters.
HRESULT StandInEffect::Initialize(HINSTANCE instance, DWORD version, REFGUID guid) {
    HRESULT result = DI_OK;
    const EffectType* type = nullptr;
    if (instance == nullptr) {
        result = DIERR_INVALIDPARAM;
    } else if (version == 0) {
        result = DIERR_NOTINITIALIZED;
    } else if (version < DIRECTINPUT_VERSION) {
        result = DIERR_BETADIRECTINPUTVERSION;
    } else if (version > DIRECTINPUT_VERSION) {
        result = DIERR_OLDDIRECTINPUTVERSION;
    } else if (Missing(guid)) {
        result = E_POINTER;
    } else if ((type = device_->Device().Effect(guid)) == nullptr) {
        result = DIERR_DEVICENOTREG;
    } else {
        UnloadQuietly();
        type_ = *type;
        parameters_ = EffectParameters();
        notOnDevice_ = 0;
    }
    Record("app IDirectInputEffect::Initialize version=0x%lX -> 0x%08lX", version, result);
    return result;
}

HRESULT StandInEffect::GetEffectGuid(LPGUID guid) {
    if (guid == nullptr) return E_POINTER;
    *guid = type_.guid;
    return DI_OK;
}

// The parameters the effect keeps: those its registration declares, and the sample period
// and trigger repeat interval, which DirectInput keeps for every effect. Any other is ignored.
DWORD StandInEffect::Kept() const {
    return Declared() | DIEP_SAMPLEPERIOD | DIEP_TRIGGERREPEATINTERVAL;
}

DWORD StandInEffect::Declared() const {
    return type_.attributes.dwStaticParams | type_.attributes.dwDynamicParams;
}

// The coordinates the driver receives a direction given in `given` in: the same when the
// registration lists them for the effect, else the first it lists (polar before cartesian).
DWORD StandInEffect::DriverCoordinates(DWORD given) const {
    const DWORD listed = type_.attributes.dwCoords;
    if ((given & listed) != 0) return given;
    return (listed & DIEFF_POLAR)       ? DIEFF_POLAR
           : (listed & DIEFF_CARTESIAN) ? DIEFF_CARTESIAN
                                        : DIEFF_SPHERICAL;
}

// The axes `from` names, as object ids, into `ids`; false when one is no actuator of the
// device, absent, or named twice.
bool StandInEffect::ResolveAxes(const DIEFFECT& from, DWORD* ids) const {
    const DWORD how = (from.dwFlags & DIEFF_OBJECTIDS) != 0 ? DIPH_BYID : DIPH_BYOFFSET;
    for (DWORD i = 0; i < from.cAxes; ++i) {
        // Effects play on actuators only.
        const DeviceObject* axis = device_->ObjectOf(from.rgdwAxes[i], how);
        if (axis == nullptr || !axis->IsAxis() || !axis->IsActuator()) return false;
        ids[i] = axis->type & ~DIDFT_FFACTUATOR;
        for (DWORD j = 0; j < i; ++j) {
            if (ids[j] == ids[i]) return false;
        }
    }
    return true;
}

// What DirectInput refuses before the driver sees anything. Only the parameters the effect
// keeps (`used`) are looked at.
HRESULT StandInEffect::Validate(const DIEFFECT& from, DWORD flags, DWORD used) const {
    const bool dx6 = from.dwSize == sizeof(DIEFFECT);
    if (!dx6 && from.dwSize != sizeof(DIEFFECT_DX5)) return DIERR_INVALIDPARAM;
    if ((flags & ~(DIEP_ALLPARAMS | kAppOnly)) != 0) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) != 0 && !dx6) return DIERR_INVALIDPARAM;
    const DWORD naming = from.dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS);
    if ((used & (DIEP_AXES | DIEP_TRIGGERBUTTON)) != 0 && !OneBit(naming)) {
        return DIERR_INVALIDPARAM;
    }
    const DWORD how = naming == DIEFF_OBJECTIDS ? DIPH_BYID : DIPH_BYOFFSET;
    DWORD axes = parameters_.effect.cAxes;
    if ((used & DIEP_AXES) != 0) {
        DWORD ids[4] = {};
        if (from.cAxes == 0 || from.cAxes > 4 || from.rgdwAxes == nullptr ||
            !ResolveAxes(from, ids)) {
            return DIERR_INVALIDPARAM;
        }
        // An effect's axes are given once.
        if ((parameters_.set & DIEP_AXES) != 0 &&
            (from.cAxes != axes || std::memcmp(ids, parameters_.axes, axes * sizeof(DWORD)) != 0)) {
            return DIERR_ALREADYINITIALIZED;
        }
        axes = from.cAxes;
    }
    if ((used & DIEP_DIRECTION) != 0) {
        const DWORD coords = from.dwFlags & kCoordinates;
        if (!OneBit(coords) || from.rglDirection == nullptr || axes == 0) return DIERR_INVALIDPARAM;
        if (from.cAxes != axes) return DIERR_INVALIDPARAM;
        if (coords == DIEFF_POLAR && axes != 2) return DIERR_INVALIDPARAM;
    }
    if ((used & DIEP_GAIN) != 0 && from.dwGain > DI_FFNOMINALMAX) return DIERR_INVALIDPARAM;
    if ((used & DIEP_TRIGGERBUTTON) != 0 && from.dwTriggerButton != DIEB_NOTRIGGER) {
        const DeviceObject* button = device_->ObjectOf(from.dwTriggerButton, how);
        if (button == nullptr || button->IsAxis()) return DIERR_INVALIDPARAM;
    }
    if ((used & DIEP_ENVELOPE) != 0 && from.lpEnvelope != nullptr &&
        from.lpEnvelope->dwSize != sizeof(DIENVELOPE)) {
        return DIERR_INVALIDPARAM;
    }
    if ((used & DIEP_TYPESPECIFICPARAMS) != 0 &&
        (from.lpvTypeSpecificParams == nullptr || from.cbTypeSpecificParams > 256 ||
         !TypeSpecificSizeFits(type_.attributes.dwEffType, from.cbTypeSpecificParams, axes))) {
        return DIERR_INVALIDPARAM;
    }
    return DI_OK;
}

// The parameters of `flags` into `to`, as the application gave them: the axes as object ids,
// the direction in the application's coordinates.
void StandInEffect::Apply(const DIEFFECT& from, DWORD flags, EffectParameters& to) const {
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
        ResolveAxes(from, to.axes);
    }
    if ((flags & DIEP_DIRECTION) != 0) {
        e.dwFlags = (e.dwFlags & ~kCoordinates) | (from.dwFlags & kCoordinates);
        std::memcpy(to.directions, from.rglDirection, e.cAxes * sizeof(LONG));
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
}

// The parameters as the driver receives them: the direction in the coordinates the
// registration lists for the effect (with none given yet, zeros in the first it lists).
EffectParameters StandInEffect::ForDriver(const EffectParameters& parameters) const {
    EffectParameters sent = parameters;
    const DWORD given = parameters.effect.dwFlags & kCoordinates;
    const DWORD coords = DriverCoordinates(given);
    sent.effect.dwFlags = (sent.effect.dwFlags & ~kCoordinates) | coords;
    if (given == 0) {
        std::memset(sent.directions, 0, sizeof sent.directions);
    } else {
        ConvertDirection(given, parameters.directions, parameters.effect.cAxes, coords,
                         sent.directions);
    }
    return sent;
}

HRESULT StandInEffect::DownloadWith(const EffectParameters& parameters, DWORD flags) {
    IDirectInputEffectDriver* driver = device_->Driver();
    if (driver == nullptr) return DIERR_UNSUPPORTED;
    EffectParameters sent = ForDriver(parameters);  // the driver may not keep pointers into ours
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

// Parameters go to the device at once only while it is acquired exclusively and the effect
// is complete (axes and type-specific record); otherwise they are kept for the next Download
// or Start, and a complete effect's are checked by the driver (DIEP_NODOWNLOAD) if it has
// served the device. Parameters the effect does not keep are ignored.
HRESULT StandInEffect::SetParameters(LPCDIEFFECT effect, DWORD flags) {
    const DWORD used = flags & DIEP_ALLPARAMS & Kept();
    const DWORD sent = used & Declared();
    HRESULT result = effect != nullptr ? Validate(*effect, flags, used) : E_POINTER;
    EffectParameters next = parameters_;
    if (SUCCEEDED(result)) Apply(*effect, used, next);
    const bool now = (flags & DIEP_NODOWNLOAD) == 0 && device_->AcquiredExclusively();
    if (SUCCEEDED(result)) {
        if (!Complete(next) || (!now && !device_->EverBound())) {
            result = DI_DOWNLOADSKIPPED;
        } else if (!now) {
            // The driver has served the device: it checks what it will be given later.
            result = DownloadWith(next, sent | DIEP_NODOWNLOAD);
            if (SUCCEEDED(result)) result = DI_DOWNLOADSKIPPED;
        } else if (handle_ == 0) {
            result = DownloadWith(next, DIEP_ALLPARAMS | (flags & DIEP_START));
        } else {
            result = DownloadWith(next, sent | notOnDevice_ | (flags & kAppOnly));
        }
        if (SUCCEEDED(result)) {
            parameters_ = next;
            if (result == DI_DOWNLOADSKIPPED) notOnDevice_ |= sent;
        }
    }
    Record("app SetParameters flags=0x%08lX ignored=0x%lX -> 0x%08lX", flags,
           flags & DIEP_ALLPARAMS & ~Kept(), result);
    return result;
}

// The coordinates a direction is read back in: the effect's own when the caller accepts
// them, else the first the caller accepts of spherical, polar, cartesian.
DWORD ReadBackCoordinates(DWORD accepted, DWORD kept) {
    if ((accepted & kept) != 0) return kept;
    return (accepted & DIEFF_SPHERICAL) ? DIEFF_SPHERICAL
           : (accepted & DIEFF_POLAR)   ? DIEFF_POLAR
                                        : DIEFF_CARTESIAN;
}

// The effect's direction into the caller's record, in coordinates the caller accepts.
HRESULT StandInEffect::ReadDirection(DIEFFECT& to) const {
    const DIEFFECT& e = parameters_.effect;
    const DWORD accepted = to.dwFlags & kCoordinates;
    if (accepted == 0) return DIERR_INVALIDPARAM;
    if (e.cAxes == 0) {
        // No axes, so no direction: the caller learns it by the coordinates taken away.
        to.dwFlags &= ~kCoordinates;
        return ReadBackCoordinates(accepted, 0) == DIEFF_POLAR ? DIERR_INVALIDPARAM : DI_OK;
    }
    const DWORD kept = e.dwFlags & kCoordinates;
    const DWORD wanted = ReadBackCoordinates(accepted, kept);
    if (wanted == DIEFF_POLAR && e.cAxes != 2) return DIERR_INVALIDPARAM;
    to.dwFlags = (to.dwFlags & ~kCoordinates) | wanted;
    const bool room = to.cAxes >= e.cAxes;
    to.cAxes = e.cAxes;
    if (!room) return DIERR_MOREDATA;
    if (to.rglDirection == nullptr) return E_POINTER;
    if (kept == 0) {
        std::memset(to.rglDirection, 0, e.cAxes * sizeof(LONG));
    } else {
        ConvertDirection(kept, parameters_.directions, e.cAxes, wanted, to.rglDirection);
    }
    // Angles read back between 0 and 359.99 degrees.
    const DWORD angles = wanted == DIEFF_POLAR ? 1 : wanted == DIEFF_SPHERICAL ? e.cAxes - 1 : 0;
    for (DWORD i = 0; i < angles; ++i)
        to.rglDirection[i] = WrapAngle(to.rglDirection[i]);
    return DI_OK;
}

// An axis (or trigger) of the effect by the naming the caller asks for.
DWORD StandInEffect::NameFor(DWORD id, bool byOffset) const {
    const DeviceObject* object = device_->ObjectOf(id, DIPH_BYID);
    if (object == nullptr) return id;
    if (!byOffset) return object->type;  // with its DIDFT_FFACTUATOR, as the objects list it
    DIDEVICEOBJECTINSTANCEA info = {};
    info.dwSize = sizeof info;
    device_->GetObjectInfo(&info, id, DIPH_BYID);
    return info.dwOfs;
}

HRESULT StandInEffect::ReadAxes(DIEFFECT& to) const {
    const DIEFFECT& e = parameters_.effect;
    const bool room = to.cAxes >= e.cAxes;
    to.cAxes = e.cAxes;
    if (!room) return DIERR_MOREDATA;
    if (e.cAxes > 0 && to.rgdwAxes == nullptr) return E_POINTER;
    const bool byOffset = (to.dwFlags & DIEFF_OBJECTOFFSETS) != 0;
    for (DWORD i = 0; i < e.cAxes; ++i)
        to.rgdwAxes[i] = NameFor(parameters_.axes[i], byOffset);
    return DI_OK;
}

HRESULT StandInEffect::ReadEnvelope(DIEFFECT& to) const {
    if (to.lpEnvelope == nullptr) return E_POINTER;
    if (to.lpEnvelope->dwSize != sizeof(DIENVELOPE)) return DIERR_INVALIDPARAM;
    if (parameters_.effect.lpEnvelope == nullptr) {
        to.lpEnvelope = nullptr;  // the effect has none
    } else {
        *to.lpEnvelope = parameters_.envelope;
    }
    return DI_OK;
}

HRESULT StandInEffect::ReadTypeSpecific(DIEFFECT& to) const {
    const DWORD size = parameters_.effect.cbTypeSpecificParams;
    const bool room = to.cbTypeSpecificParams >= size;
    to.cbTypeSpecificParams = size;
    if (!room) return DIERR_MOREDATA;
    if (size > 0 && to.lpvTypeSpecificParams == nullptr) return E_POINTER;
    std::memcpy(to.lpvTypeSpecificParams, parameters_.typeSpecific, size);
    return DI_OK;
}

// What the caller's record and flags must be before anything is read back.
HRESULT CheckReadRequest(const DIEFFECT& to, DWORD flags) {
    const bool dx6 = to.dwSize == sizeof(DIEFFECT);
    if (!dx6 && to.dwSize != sizeof(DIEFFECT_DX5)) return DIERR_INVALIDPARAM;
    if ((flags & ~(DIEP_ALLPARAMS | kAppOnly)) != 0) return DIERR_INVALIDPARAM;
    if ((flags & DIEP_STARTDELAY) != 0 && !dx6) return DIERR_INVALIDPARAM;
    const DWORD naming = to.dwFlags & (DIEFF_OBJECTIDS | DIEFF_OBJECTOFFSETS);
    if ((flags & (DIEP_AXES | DIEP_TRIGGERBUTTON)) != 0 && !OneBit(naming)) {
        return DIERR_INVALIDPARAM;
    }
    return DI_OK;
}

// The parameters asked for, in the coordinates and by the object naming the caller asks for.
// SetParameters' own flags are accepted and mean nothing here. A record too small for the
// axes, the direction or the type-specific record gets the size it needs and DIERR_MOREDATA.
HRESULT StandInEffect::GetParameters(LPDIEFFECT effect, DWORD flags) {
    HRESULT result = DI_OK;
    if (effect != nullptr) result = CheckReadRequest(*effect, flags);
    if (effect != nullptr && result == DI_OK) {
        const DIEFFECT& e = parameters_.effect;
        const bool byOffset = (effect->dwFlags & DIEFF_OBJECTOFFSETS) != 0;
        if ((flags & DIEP_DURATION) != 0) effect->dwDuration = e.dwDuration;
        if ((flags & DIEP_SAMPLEPERIOD) != 0) effect->dwSamplePeriod = e.dwSamplePeriod;
        if ((flags & DIEP_GAIN) != 0) effect->dwGain = e.dwGain;
        if ((flags & DIEP_TRIGGERBUTTON) != 0) {
            effect->dwTriggerButton = e.dwTriggerButton == DIEB_NOTRIGGER
                                          ? DIEB_NOTRIGGER
                                          : NameFor(e.dwTriggerButton, byOffset);
        }
        if ((flags & DIEP_TRIGGERREPEATINTERVAL) != 0) {
            effect->dwTriggerRepeatInterval = e.dwTriggerRepeatInterval;
        }
        if ((flags & DIEP_STARTDELAY) != 0) effect->dwStartDelay = e.dwStartDelay;
        // The first failure is the answer; DIERR_MOREDATA lets the rest be read.
        auto merge = [&result](HRESULT part) {
            if (part != DI_OK &&
                (result == DI_OK || result == static_cast<HRESULT>(DIERR_MOREDATA)))
                result = part;
        };
        if ((flags & DIEP_AXES) != 0) merge(ReadAxes(*effect));
        if ((flags & DIEP_DIRECTION) != 0) merge(ReadDirection(*effect));
        if ((flags & DIEP_ENVELOPE) != 0) merge(ReadEnvelope(*effect));
        if ((flags & DIEP_TYPESPECIFICPARAMS) != 0) merge(ReadTypeSpecific(*effect));
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
    } else if (handle_ == 0) {
        result = DIERR_NOTDOWNLOADED;
    } else {
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
    if (!device_->AcquiredExclusively()) {
        result = DIERR_NOTEXCLUSIVEACQUIRED;
    } else if (handle_ == 0) {
        result = DIERR_NOTDOWNLOADED;
    } else {
        result = device_->Driver()->GetEffectStatus(device_->ExternalId(), handle_, status);
        Record("driver GetEffectStatus handle=%lu -> 0x%08lX status=%lu", handle_, result, *status);
    }
    Record("app GetEffectStatus -> 0x%08lX status=%lu", result, *status);
    return result;
}

// DI_NOEFFECT when the device already has the effect as it is.
HRESULT StandInEffect::Download() {
    HRESULT result = DI_NOEFFECT;
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

// DI_NOEFFECT when the effect is not on the device.
HRESULT StandInEffect::UnloadQuietly() {
    HRESULT result = DI_NOEFFECT;
    if (handle_ != 0) {
        result = device_->Driver()->DestroyEffect(device_->ExternalId(), handle_);
        Record("driver DestroyEffect handle=%lu -> 0x%08lX", handle_, result);
        handle_ = 0;
        notOnDevice_ = parameters_.set & Declared();
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
