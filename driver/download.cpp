// Effect download and the per-kind stores.
#include "driver/download.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "driver/slots.h"
#include "state/effect_ids.h"
#include "util/mutex_lock.h"
#include "util/trace.h"

namespace quorforce {
namespace {

constexpr DWORD kNoTrigger = 0xFFFFFFFFu;
constexpr DWORD kInfiniteInterval = 0xFFFFFFFFu;
constexpr DWORD kFullLevel = 10000;

static_assert(sizeof(DIENVELOPE) == sizeof(SlotEnvelope), "envelope layout");
static_assert(sizeof(DICONSTANTFORCE) == sizeof(SlotConstant), "constant layout");
static_assert(sizeof(DIRAMPFORCE) == sizeof(SlotRamp), "ramp layout");
static_assert(sizeof(DIPERIODIC) == sizeof(SlotPeriodic), "periodic layout");
static_assert(sizeof(DICONDITION) == sizeof(SlotCondition), "condition layout");

// A DirectInput 5 caller's DIEFFECT ends before dwStartDelay.
bool HasStartDelay(const DIEFFECT& effect) { return effect.dwSize >= sizeof(DIEFFECT); }

DWORD StartDelayOf(const DIEFFECT& effect) {
    return HasStartDelay(effect) ? effect.dwStartDelay : 0;
}

EffectSlot& SlotOf(ProcessState& process, DWORD area, DWORD handle) {
    return process.table->areas[area].slots[handle - 1];
}

// Checks that the record can be read without leaving what the caller handed over, and
// that an update names an allocated slot of a valid area.
HRESULT CheckBoundaries(const ProcessState& process, DWORD area, DWORD effectId,
                        const DWORD* pdwEffect, const DIEFFECT* peff) {
    if (process.table == nullptr) return E_FAIL;
    if (pdwEffect == nullptr || peff == nullptr || !IsValidArea(area)) return E_INVALIDARG;
    if (peff->dwSize < offsetof(DIEFFECT, dwStartDelay)) return E_INVALIDARG;
    if (peff->cAxes > kMaxAxes) return E_INVALIDARG;
    if (peff->cAxes > 0 && (peff->rgdwAxes == nullptr || peff->rglDirection == nullptr)) {
        return E_INVALIDARG;
    }
    // The envelope is copied whole: one that says it is shorter would be read past its end.
    if (peff->lpEnvelope != nullptr && peff->lpEnvelope->dwSize < sizeof(DIENVELOPE)) {
        return E_INVALIDARG;
    }
    std::size_t recordSize = RecordSizeOfKind(KindOfEffect(effectId));
    if (recordSize > 0 &&
        (peff->lpvTypeSpecificParams == nullptr || peff->cbTypeSpecificParams < recordSize)) {
        return E_INVALIDARG;
    }
    DWORD handle = *pdwEffect;
    if (handle != 0 &&
        (!IsValidHandle(handle) || process.table->areas[area].slotUsed[handle - 1] == 0)) {
        return E_HANDLE;
    }
    return S_OK;
}

// Only the device's first push button can trigger an effect.
HRESULT CheckTriggerButton(const DIEFFECT& effect, DWORD flags) {
    if (!(flags & DIEP_TRIGGERBUTTON) || effect.dwTriggerButton == kNoTrigger) return S_OK;
    bool pushButton = (effect.dwTriggerButton & DIDFT_PSHBUTTON) != 0;
    bool firstInstance = DIDFT_GETINSTANCE(effect.dwTriggerButton) == 0;
    return pushButton && firstInstance ? S_OK : E_NOTIMPL;
}

constexpr DWORD kCoordinateFlags = DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
constexpr LONG kPositiveX = 9000;
constexpr LONG kNegativeX = 27000;

// The engine reads the first direction as a polar angle. A direction given in cartesian
// coordinates alone is turned into that angle; polar (and anything else) is kept as given.
bool IsCartesian(const DIEFFECT& effect) {
    return effect.cAxes > 0 && (effect.dwFlags & kCoordinateFlags) == DIEFF_CARTESIAN;
}

// DirectInput's polar angle runs clockwise from (0, -1), so the vector (x, y) lies at
// atan2(x, -y). One axis is x alone, and its sign is the whole direction. A zero vector
// names no direction: it is taken as the positive x axis, so a one-axis effect whose sign
// rides on its magnitude (the direction left at 0, as DirectInput's samples do) acts along
// the wheel's axis. Axes past the second are not the wheel's and play no part.
LONG PolarAngleOf(const DIEFFECT& effect) {
    const LONG x = effect.rglDirection[0];
    const LONG y = effect.cAxes > 1 ? effect.rglDirection[1] : 0;
    if (y == 0) return x < 0 ? kNegativeX : kPositiveX;
    constexpr double kHundredthsPerRadian = 18000.0 / 3.14159265358979323846;
    const long angle = std::lround(std::atan2(static_cast<double>(x), -static_cast<double>(y)) *
                                   kHundredthsPerRadian);
    return static_cast<LONG>(angle < 0 ? angle + 36000 : angle);
}

void CopyAxesAndDirections(EffectSlot& slot, const DIEFFECT& effect) {
    slot.axisCount = effect.cAxes;
    for (DWORD i = 0; i < kMaxAxes; ++i) {
        bool given = i < effect.cAxes;
        slot.axes[i] = given ? effect.rgdwAxes[i] : 0;
        slot.directions[i] = given ? effect.rglDirection[i] : 0;
    }
    if (!IsCartesian(effect)) return;
    for (DWORD i = 0; i < kMaxAxes; ++i)
        slot.directions[i] = 0;  // a polar direction's entries after the angle are unused
    slot.directions[0] = PolarAngleOf(effect);
}

// The record's DIEFF_ bits, with a cartesian direction marked as the polar angle it is kept as.
DWORD StoredFlags(const DIEFFECT& effect) {
    if (!IsCartesian(effect)) return effect.dwFlags;
    return (effect.dwFlags & ~DIEFF_CARTESIAN) | DIEFF_POLAR;
}

// Every axis must be an absolute axis whose instance is below the axis count.
HRESULT CheckAxes(const DIEFFECT& effect) {
    for (DWORD i = 0; i < effect.cAxes; ++i) {
        DWORD axis = effect.rgdwAxes[i];
        if (!(axis & DIDFT_ABSAXIS) || DIDFT_GETINSTANCE(axis) >= effect.cAxes) return E_NOTIMPL;
    }
    return S_OK;
}

// Writes the changed parameters of an existing effect at once. What it wrote stays when
// a later check refuses, and also under DIEP_NODOWNLOAD.
HRESULT UpdateChangedParameters(EffectSlot& slot, const DIEFFECT& effect, DWORD flags) {
    if (flags & DIEP_SAMPLEPERIOD) slot.samplePeriod = effect.dwSamplePeriod;
    if (flags & DIEP_GAIN) slot.gain = effect.dwGain;
    if ((flags & DIEP_ENVELOPE) && effect.lpEnvelope != nullptr) {
        std::memcpy(&slot.envelope, effect.lpEnvelope, sizeof slot.envelope);
    }
    if (flags & DIEP_DIRECTION) CopyAxesAndDirections(slot, effect);
    if (flags & DIEP_DURATION) slot.duration = effect.dwDuration;
    slot.startDelay = (flags & DIEP_STARTDELAY) ? StartDelayOf(effect) : 0;
    if (flags & DIEP_TRIGGERREPEATINTERVAL) {
        slot.triggerRepeatInterval = effect.dwTriggerRepeatInterval;
        // Auto-repeat of a triggered effect is not supported.
        if (effect.dwTriggerButton != kNoTrigger &&
            effect.dwTriggerRepeatInterval != kInfiniteInterval) {
            return E_NOTIMPL;
        }
    }
    if (flags & DIEP_AXES) return CheckAxes(effect);
    return S_OK;
}

// A spring takes no trigger and exactly one condition record per axis.
HRESULT CheckSpring(DWORD effectId, const DIEFFECT& effect) {
    if (effectId != kEffectSpring) return S_OK;
    std::uint64_t expected = std::uint64_t{sizeof(DICONDITION)} * effect.cAxes;
    bool ok = effect.dwTriggerButton == kNoTrigger && effect.cbTypeSpecificParams == expected;
    return ok ? S_OK : E_NOTIMPL;
}

// The part of every store that copies the whole DIEFFECT, whatever dwFlags says.
EffectSlot& StoreCommon(ProcessState& process, DWORD area, DWORD handle, DWORD effectId,
                        const DIEFFECT& effect) {
    EffectSlot& slot = SlotOf(process, area, handle);
    slot.effectTypeId = effectId;
    slot.flags = StoredFlags(effect);
    slot.startDelay = StartDelayOf(effect);
    slot.duration = effect.dwDuration;
    slot.samplePeriod = effect.dwSamplePeriod;
    slot.gain = effect.dwGain;
    slot.triggerButton = effect.dwTriggerButton;
    slot.triggerRepeatInterval = effect.dwTriggerRepeatInterval;
    CopyAxesAndDirections(slot, effect);
    if (effect.lpEnvelope != nullptr) {
        std::memcpy(&slot.envelope, effect.lpEnvelope, sizeof slot.envelope);
    } else {
        // Leaves the magnitude unchanged; the stored size stays as it was.
        slot.envelope.attackLevel = kFullLevel;
        slot.envelope.attackTime = 0;
        slot.envelope.fadeLevel = kFullLevel;
        slot.envelope.fadeTime = 0;
    }
    return slot;
}

// The slot's record of the kind: where the type-specific parameters go.
void* RecordOfKind(EffectSlot& slot, EffectKind kind) {
    switch (kind) {
    case EffectKind::Periodic: return &slot.periodic;
    case EffectKind::Constant: return &slot.constant;
    case EffectKind::Ramp: return &slot.ramp;
    case EffectKind::Condition: return &slot.condition;
    case EffectKind::None: break;
    }
    return nullptr;
}

// The whole DIEFFECT and the kind's record (CheckBoundaries has made sure that the
// caller's record holds at least that many bytes). Of a condition only the first DICONDITION
// is kept, whatever cAxes is.
HRESULT StoreWithRecord(ProcessState& process, DWORD area, DWORD handle, DWORD effectId,
                        const DIEFFECT& effect, EffectKind kind) {
    EffectSlot& slot = StoreCommon(process, area, handle, effectId, effect);
    void* record = RecordOfKind(slot, kind);
    if (record == nullptr) return E_NOTIMPL;
    std::memcpy(record, effect.lpvTypeSpecificParams, RecordSizeOfKind(kind));
    return S_OK;
}

// The whole DIEFFECT and the record of the effect's kind; an id of no kind stores nothing.
HRESULT StoreKind(ProcessState& process, DWORD area, DWORD handle, DWORD effectId,
                  const DIEFFECT& effect) {
    EffectKind kind = KindOfEffect(effectId);
    if (kind == EffectKind::None) return E_NOTIMPL;
    return StoreWithRecord(process, area, handle, effectId, effect, kind);
}

HRESULT DownloadLocked(ProcessState& process, DWORD area, DWORD effectId, DWORD* pdwEffect,
                       const DIEFFECT& effect, DWORD flags) {
    HRESULT result = CheckTriggerButton(effect, flags);
    if (FAILED(result)) return result;
    if (*pdwEffect != 0) {
        result = UpdateChangedParameters(SlotOf(process, area, *pdwEffect), effect, flags);
        if (FAILED(result)) return result;
    }
    result = CheckSpring(effectId, effect);
    if (FAILED(result)) return result;
    if (flags & DIEP_NODOWNLOAD) return S_OK;

    DWORD handle = *pdwEffect;
    if (handle == 0) {
        result = AllocateSlot(process, area, &handle);
        if (FAILED(result)) return result;
    }
    QF_TRACE("INFO     ", 1, "Download effect... dwEffectID = %d\n", static_cast<int>(effectId));
    result = StoreKind(process, area, handle, effectId, effect);
    if (FAILED(result)) {
        FreeSlot(process, area, handle);
        return result;
    }
    *pdwEffect = handle;
    if (flags & DIEP_START) result = StartSlot(process, area, handle, 0, 1);
    return result;
}

}  // namespace

HRESULT DownloadEffect(ProcessState& process, DWORD area, DWORD effectId, DWORD* pdwEffect,
                       const DIEFFECT* peff, DWORD flags) {
    MutexLock lock(process.tableMutex);
    HRESULT result = CheckBoundaries(process, area, effectId, pdwEffect, peff);
    if (SUCCEEDED(result))
        result = DownloadLocked(process, area, effectId, pdwEffect, *peff, flags);
    if (FAILED(result)) {
        QF_TRACE("WARNING  ", 1,
                 "DownloadEffect area %u effect id %u handle %u flags 0x%08X: refused, 0x%08X\n",
                 static_cast<unsigned>(area), static_cast<unsigned>(effectId),
                 pdwEffect != nullptr ? static_cast<unsigned>(*pdwEffect) : 0u,
                 static_cast<unsigned>(flags), static_cast<unsigned>(result));
    }
    return result;
}

}  // namespace quorforce
