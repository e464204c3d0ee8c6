// The class factory.
#include "driver/class_factory.h"

#include "driver/effect_driver.h"
#include "driver/guids.h"
#include "driver/module_state.h"
#include "driver/query_interface.h"

namespace quorforce {
namespace {

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return AnswerQueryInterface<IClassFactory>(this, kClassFactoryInterfaceId, riid, ppv);
    }
    // The factory has no count of its own: its references are module locks.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(LockModule()); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(UnlockModule()); }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (ppv != nullptr) *ppv = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        if (ppv == nullptr) return E_POINTER;
        return CreateEffectDriver(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            LockModule();
        } else {
            UnlockModule();
        }
        return S_OK;
    }
};

}  // namespace

IClassFactory* TheClassFactory() {
    static ClassFactory factory;
    return &factory;
}

}  // namespace quorforce
