// The stand-in device's properties, the ones games and input libraries ask for.
#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

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
    // Auto-centring belongs to the device as a whole: no object, found by usage, has it.
    if (id == 9 && header->dwHow == DIPH_BYUSAGE) return DIERR_UNSUPPORTED;
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

}  // namespace stand_in
