// The stand-in's IDirectInput8 (ANSI and wide in one object) and how an application gets
// one: DirectInput8Create, or COM's CLSID_DirectInput8 followed by Initialize.
#include "harness/wine/dinput_stand_in/device.h"

namespace stand_in {
namespace {

volatile LONG objects = 0;  // live objects of the module, for DllCanUnloadNow

bool ClassWanted(DWORD type) {
    const DWORD kind = type & 0xFF;
    return kind == DI8DEVCLASS_ALL || kind == DI8DEVCLASS_GAMECTRL || kind == DI8DEVTYPE_DRIVING;
}

class StandInInput final : public IDirectInput8A, public IDirectInput8W {
public:
    // Made by COM: not usable until Initialize.
    explicit StandInInput(bool initialized) : initialized_(initialized) {
        InterlockedIncrement(&objects);
    }
    ~StandInInput() { InterlockedDecrement(&objects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInput8A)) {
            *out = static_cast<IDirectInput8A*>(this);
        } else if (IsEqualGUID(riid, IID_IDirectInput8W)) {
            *out = static_cast<IDirectInput8W*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            Record("app IDirectInput8::Release -> 0x00000000");
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version) override {
        HRESULT result = DI_OK;
        if (version < 0x0800) {
            result = DIERR_BETADIRECTINPUTVERSION;
        } else if (version > 0x0800) {
            result = DIERR_OLDDIRECTINPUTVERSION;
        }
        initialized_ = initialized_ || result == DI_OK;
        Record("app IDirectInput8::Initialize version=0x%lX -> 0x%08lX", version, result);
        return result;
    }

    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8A* out,
                                           LPUNKNOWN outer) override {
        StandInDevice* device = nullptr;
        const HRESULT result = Create(instance, out != nullptr, outer, &device, "A");
        if (out != nullptr) *out = device != nullptr ? AnsiOf(device) : nullptr;
        return result;
    }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID instance, LPDIRECTINPUTDEVICE8W* out,
                                           LPUNKNOWN outer) override {
        StandInDevice* device = nullptr;
        const HRESULT result = Create(instance, out != nullptr, outer, &device, "W");
        if (out != nullptr) *out = device != nullptr ? WideOf(device) : nullptr;
        return result;
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback,
                                          LPVOID reference, DWORD flags) override {
        return Enum<DIDEVICEINSTANCEA>(type, callback, reference, flags, "A");
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKW callback,
                                          LPVOID reference, DWORD flags) override {
        return Enum<DIDEVICEINSTANCEW>(type, callback, reference, flags, "W");
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID instance) override {
        HRESULT result = initialized_ ? DI_NOTATTACHED : DIERR_NOTINITIALIZED;
        for (const ForceDevice& device : FindForceDevices()) {
            if (initialized_ && IsEqualGUID(device.instance, instance)) result = DI_OK;
        }
        Record("app GetDeviceStatus -> 0x%08lX", result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return DIERR_UNSUPPORTED; }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCSTR, LPGUID) override {
        return DIERR_DEVICENOTREG;
    }
    HRESULT STDMETHODCALLTYPE FindDevice(REFGUID, LPCWSTR, LPGUID) override {
        return DIERR_DEVICENOTREG;
    }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA,
                                                     LPDIENUMDEVICESBYSEMANTICSCBA, LPVOID,
                                                     DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE EnumDevicesBySemantics(LPCWSTR, LPDIACTIONFORMATW,
                                                     LPDIENUMDEVICESBYSEMANTICSCBW, LPVOID,
                                                     DWORD) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                               LPVOID) override {
        return DIERR_UNSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK,
                                               LPDICONFIGUREDEVICESPARAMSW, DWORD,
                                               LPVOID) override {
        return DIERR_UNSUPPORTED;
    }

private:
    HRESULT Create(REFGUID instance, bool out, LPUNKNOWN outer, StandInDevice** device,
                   const char* interfaceName) {
        HRESULT result = DIERR_DEVICENOTREG;
        if (!out) {
            result = DIERR_INVALIDPARAM;
        } else if (outer != nullptr) {
            result = CLASS_E_NOAGGREGATION;
        } else if (!initialized_) {
            result = DIERR_NOTINITIALIZED;
        } else {
            for (const ForceDevice& found : FindForceDevices()) {
                if (*device == nullptr && IsEqualGUID(found.instance, instance)) {
                    *device = CreateStandInDevice(found);
                    result = DI_OK;
                }
            }
        }
        Record("app CreateDevice%s -> 0x%08lX", interfaceName, result);
        return result;
    }

    // Force-feedback game controllers are all the stand-in knows: they are listed for the
    // game-controller class, the driving type and all devices, attached or not asked.
    template <typename Instance, typename Callback>
    HRESULT Enum(DWORD type, Callback callback, LPVOID reference, DWORD flags,
                 const char* interfaceName) {
        HRESULT result = DI_OK;
        int listed = 0;
        if (callback == nullptr) {
            result = DIERR_INVALIDPARAM;
        } else if (!initialized_) {
            result = DIERR_NOTINITIALIZED;
        } else if (ClassWanted(type)) {
            for (const ForceDevice& device : FindForceDevices()) {
                Instance instance;
                instance.dwSize = sizeof instance;
                FillInstance(device, instance);
                ++listed;
                if (callback(&instance, reference) == DIENUM_STOP) break;
            }
        }
        Record("app EnumDevices%s class=%lu flags=0x%lX listed=%d -> 0x%08lX", interfaceName, type,
               flags, listed, result);
        return result;
    }

    volatile LONG references_ = 1;
    bool initialized_;
};

class InputFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (!IsEqualGUID(riid, IID_IUnknown) && !IsEqualGUID(riid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* input = new StandInInput(false);
        const HRESULT result = static_cast<IDirectInput8A*>(input)->QueryInterface(riid, out);
        static_cast<IDirectInput8A*>(input)->Release();
        Record("app CoCreateInstance CLSID_DirectInput8 -> 0x%08lX", result);
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) InterlockedIncrement(&objects);
        if (!lock) InterlockedDecrement(&objects);
        return S_OK;
    }
};

InputFactory factory;

}  // namespace
}  // namespace stand_in

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE, DWORD version, REFIID riid, LPVOID* out,
                                             LPUNKNOWN outer) {
    HRESULT result = DI_OK;
    if (out == nullptr) {
        result = E_POINTER;
    } else if (outer != nullptr) {
        *out = nullptr;
        result = CLASS_E_NOAGGREGATION;
    } else {
        auto* input = new stand_in::StandInInput(false);
        result = static_cast<IDirectInput8A*>(input)->Initialize(nullptr, version);
        if (SUCCEEDED(result)) {
            result = static_cast<IDirectInput8A*>(input)->QueryInterface(riid, out);
        } else {
            *out = nullptr;
        }
        static_cast<IDirectInput8A*>(input)->Release();
    }
    stand_in::Record("app DirectInput8Create version=0x%lX -> 0x%08lX", version, result);
    return result;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!IsEqualGUID(clsid, CLSID_DirectInput8)) return CLASS_E_CLASSNOTAVAILABLE;
    return stand_in::factory.QueryInterface(riid, out);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return stand_in::objects == 0 ? S_OK : S_FALSE; }
