// The COM object over the driver's operations.
#include "driver/effect_driver.h"

#include <new>

#include "driver/download.h"
#include "driver/driver_operations.h"
#include "driver/guids.h"
#include "driver/module_state.h"
#include "driver/query_interface.h"
#include "driver/recorded_calls.h"
#include "hid/report_io.h"
#include "record/recorder.h"
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

// The writer's last lines go to the file before the release returns (outside the loader lock).
constexpr DWORD kRecordingStopWaitMs = 2000;

// Closes the device link's shared events once no driver object is left, so that no bound
// link is left waiting on a closed event while another object still uses it.
void DriverObjectGone() {
    ModuleState& module = Module();
    if (InterlockedDecrement(&module.driverObjects) != 0) return;
    timeEndPeriod(1);
    MutexLock table(module.process.tableMutex);
    MutexLock input(module.process.inputMutex);
    ZXCloseEvents(module.process);
    StopRecording(kRecordingStopWaitMs);
}

// A call that changed what the area's wheel receives, for the low-latency path: the force
// thread mixes the area at once when the area's switch asks for it.
HRESULT Woken(HRESULT result, DWORD area) {
    if (SUCCEEDED(result)) WakeForce(Module().engine, area);
    return result;
}

// A download changes the wheel's force only for an effect that plays after it.
HRESULT WokenIfPlaying(HRESULT result, DWORD area, const DWORD* handle) {
    DWORD status = 0;
    if (SUCCEEDED(result) && handle != nullptr && LowLatency(Module().engine.wake, area) &&
        GetEffectStatus(Module().process, area, *handle, &status) == S_OK &&
        (status & DIEGES_PLAYING) != 0) {
        WakeForce(Module().engine, area);
    }
    return result;
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
        return RecordedDeviceID(Process(), Caller(), dwExternalID, dwInternalId, &firstBindPending_,
                                &area_);
    }
    HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) override {
        return RecordedGetVersions(Process(), Caller(), pvers);
    }
    HRESULT STDMETHODCALLTYPE Escape(DWORD /*dwID*/, DWORD dwEffect,
                                     LPDIEFFESCAPE /*pesc*/) override {
        return RecordedEscape(Process(), Caller(), dwEffect, E_NOTIMPL);
    }
    // The device gain scales the forces only of a game whose profile asks for it.
    HRESULT STDMETHODCALLTYPE SetGain(DWORD /*dwID*/, DWORD dwGain) override {
        const HRESULT result = RecordedSetGain(Process(), Caller(), dwGain);
        if (GainWakes(Module().engine.wake, area_)) Woken(result, area_);
        return result;
    }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD /*dwID*/, DWORD dwCommand) override {
        return Woken(RecordedCommand(Process(), Caller(), dwCommand), area_);
    }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD /*dwID*/, LPDIDEVICESTATE pds) override {
        return RecordedGetState(Process(), Caller(), pds);
    }
    HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD /*dwID*/, DWORD dwEffectID, LPDWORD pdwEffect,
                                             LPCDIEFFECT peff, DWORD dwFlags) override {
        return WokenIfPlaying(
            RecordedDownload(Process(), Caller(), dwEffectID, pdwEffect, peff, dwFlags), area_,
            pdwEffect);
    }
    HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD /*dwID*/, DWORD dwEffect) override {
        return Woken(RecordedDestroy(Process(), Caller(), dwEffect), area_);
    }
    HRESULT STDMETHODCALLTYPE StartEffect(DWORD /*dwID*/, DWORD dwEffect, DWORD dwMode,
                                          DWORD dwCount) override {
        return Woken(RecordedStart(Process(), Caller(), dwEffect, dwMode, dwCount), area_);
    }
    HRESULT STDMETHODCALLTYPE StopEffect(DWORD /*dwID*/, DWORD dwEffect) override {
        return Woken(RecordedStop(Process(), Caller(), dwEffect), area_);
    }
    HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD /*dwID*/, DWORD dwEffect,
                                              LPDWORD pdwStatus) override {
        return RecordedStatus(Process(), Caller(), dwEffect, pdwStatus);
    }

private:
    ~EffectDriver() = default;
    static ProcessState& Process() { return Module().process; }
    RecordedCaller Caller() { return {&recordId_, area_}; }

    volatile LONG references_ = 1;
    DWORD area_ = 0;  // 0 until the first DeviceID
    std::int32_t firstBindPending_ = 1;
    std::uint32_t recordId_ = 0;  // the object's number in a recording, 0 until its first line
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
