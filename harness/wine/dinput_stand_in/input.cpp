// The stand-in's IDirectInput8A and its one export.
#include "harness/wine/dinput_stand_in/stand_in.h"

namespace stand_in {
namespace {

class StandInInput final : public IDirectInput8A {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IDirectInput8A)) {
            return E_NOINTERFACE;
        }
        AddRef();
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            Record("app IDirectInput8A::Release -> 0x00000000");
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* out,
                                           LPUNKNOWN outer) override {
        HRESULT result = DIERR_DEVICENOTREG;
        if (out == nullptr) result = E_POINTER;
        if (out != nullptr) *out = nullptr;
        for (const ForceDevice& device : FindForceDevices()) {
            if (out != nullptr && outer == nullptr && IsEqualGUID(device.instance, instance)) {
                *out = CreateStandInDevice(device);
                result = *out != nullptr ? DI_OK : E_FAIL;
            }
        }
        Record("app CreateDevice -> 0x%08lX", result);
        return result;
    }
    // Force-feedback game controllers only: those are all the stand-in knows.
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback,
                                          LPVOID reference, DWORD flags) override {
        Record("app EnumDevices class=%lu flags=0x%lX", type, flags);
        if (callback == nullptr) return DIERR_INVALIDPARAM;
        if (type != 0 && type != DI8DEVCLASS_GAMECTRL) return DI_OK;
        for (const ForceDevice& device : FindForceDevices()) {
            DIDEVICEINSTANCEA instance = {};
            instance.dwSize = sizeof instance;
            instance.guidInstance = device.instance;
            instance.guidFFDriver = device.driverClass;
            lstrcpynA(instance.tszProductName, device.product.c_str(), MAX_PATH);
            if (callback(&instance, reference) == DIENUM_STOP) break;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return DI_OK; }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA,
                                                     LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                                     DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                               LPVOID) override {
        return E_NOTIMPL;
    }

private:
    volatile LONG references_ = 1;
};

}  // namespace
}  // namespace stand_in

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD version, REFIID riid, LPVOID* out,
                                             LPUNKNOWN outer) {
    HRESULT result = DI_OK;
    if (out == nullptr) {
        result = E_POINTER;
    } else if (outer != nullptr || !IsEqualGUID(riid, IID_IDirectInput8A)) {
        *out = nullptr;
        result = outer != nullptr ? CLASS_E_NOAGGREGATION : E_NOINTERFACE;
    } else {
        *out = static_cast<IDirectInput8A*>(new stand_in::StandInInput);
    }
    stand_in::Record("app DirectInput8Create version=0x%lX -> 0x%08lX", version, result);
    return result;
}
