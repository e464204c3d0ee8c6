// The stand-in device's force feedback: its created effects, device commands and state, and
// escapes, handed to the driver as DirectInput does.
#include <algorithm>

#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {

HRESULT StandInDevice::CreateEffect(REFGUID guid, LPCDIEFFECT effect, LPDIRECTINPUTEFFECT* out,
                                    LPUNKNOWN outer) {
    HRESULT result = DI_OK;
    const EffectType* type = Missing(guid) ? nullptr : device_.Effect(guid);
    if (out == nullptr || Missing(guid)) {
        result = E_POINTER;
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

}  // namespace stand_in
