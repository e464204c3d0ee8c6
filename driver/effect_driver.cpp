// The COM object over the driver's operations.
#include "driver/effect_driver.h"

#include <new>

#include "driver/download.h"
#include "driver/driver_operations.h"
#include "driver/guids.h"
#include "driver/module_state.h"
#include "driver/query_interface.h"
#include "hid/report_io.h"
#include "util/mutex_lock.h"

namespace quorforce {
namespace {

// While a driver object exists the engine ticks for a device, and its waits need the 1 ms
// timer: at Windows' default resolution of 15.6 ms a 16 ms wait lasts up to 31 ms. Asked
// for here, on the caller's thread, because the threads themselves start and end under
// the loader lock, which winmm may need.
void DriverObjectMade() {
    if (InterlockedIncrement(&Module().driverObjects) == 1) timeBeginPeriod(1);
}

// Closes the device link's shared events once no driver object is left, so that no bound
// link is left waiting on a closed event while another object still uses it.
void DriverObjectGone() {
    ModuleState& module = Module();
    if (InterlockedDecrement(&module.driverObjects) != 0) return;
    timeEndPeriod(1);
    MutexLock table(module.process.tableMutex);
    MutexLock input(module.process.inputMutex);
    ZXCloseEvents(module.process);
}

class EffectDriver final : public IDirectInputEffectDriver {
public:
    EffectDriver() {
        DriverObjectMade();
        LockModule();  // creation raises the lock count for good; Release does not lower it
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        return AnswerQueryInterface<IDirectInputEffectDriver>(this, kEffectDriverInterfaceId, riid,
                                                              ppv);
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            this->~EffectDriver();
            LocalFree(this);
            DriverObjectGone();
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DeviceID(DWORD /*dwDirectInputVersion*/, DWORD dwExternalID,
                                       DWORD /*fBegin*/, DWORD dwInternalId,
                                       LPVOID /*lpReserved*/) override {
        return BindDevice(Process(), dwExternalID, dwInternalId, &firstBindPending_, &area_);
    }
    HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) override {
        return GetDriverVersions(pvers);
    }
    HRESULT STDMETHODCALLTYPE Escape(DWORD /*dwID*/, DWORD /*dwEffect*/,
                                     LPDIEFFESCAPE /*pesc*/) override {
        return E_NOTIMPL;
    }
    // The device gain scales the forces only of a game whose profile asks for it.
    HRESULT STDMETHODCALLTYPE SetGain(DWORD /*dwID*/, DWORD dwGain) override {
        return quorforce::SetGain(Process(), area_, dwGain);
    }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD /*dwID*/, DWORD dwCommand) override {
        return quorforce::SendForceFeedbackCommand(Process(), area_, dwCommand);
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD /*dwID*/, LPDIDEVICESTATE pds) override {
        return quorforce::GetForceFeedbackState(Process(), area_, pds);
    }
    HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD /*dwID*/, DWORD dwEffectID, LPDWORD pdwEffect,
                                             LPCDIEFFECT peff, DWORD dwFlags) override {
        return quorforce::DownloadEffect(Process(), area_, dwEffectID, pdwEffect, peff, dwFlags);
    }
    HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD /*dwID*/, DWORD dwEffect) override {
        return quorforce::DestroyEffect(Process(), area_, dwEffect);
    }
    HRESULT STDMETHODCALLTYPE StartEffect(DWORD /*dwID*/, DWORD dwEffect, DWORD dwMode,
                                          DWORD dwCount) override {
        return quorforce::StartEffect(Process(), area_, dwEffect, dwMode, dwCount);
    }
    HRESULT STDMETHODCALLTYPE StopEffect(DWORD /*dwID*/, DWORD dwEffect) override {
        return quorforce::StopEffect(Process(), area_, dwEffect);
    }
    HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD /*dwID*/, DWORD dwEffect,
                                              LPDWORD pdwStatus) override {
        return quorforce::GetEffectStatus(Process(), area_, dwEffect, pdwStatus);
    }

private:
    ~EffectDriver() = default;
    static ProcessState& Process() { return Module().process; }

    volatile LONG references_ = 1;
    DWORD area_ = 0;  // 0 until the first DeviceID
    std::int32_t firstBindPending_ = 1;
};

}  // namespace

HRESULT CreateEffectDriver(REFIID riid, void** ppv) {
    if (ppv != nullptr) *ppv = nullptr;
    void* memory = LocalAlloc(LPTR, sizeof(EffectDriver));
    if (memory == nullptr) return E_OUTOFMEMORY;
    EffectDriver* driver = new (memory) EffectDriver();
    const HRESULT result = driver->QueryInterface(riid, ppv);
    driver->Release();
    return result;
}

}  // namespace quorforce
