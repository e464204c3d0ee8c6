// The stand-in's device and effect objects (internal to the stand-in).
#pragma once

#include <vector>

#include "harness/wine/dinput_stand_in/stand_in.h"

namespace stand_in {

// A name into a DirectInput record's text field, ANSI or wide (MAX_PATH characters).
inline void CopyName(char* to, const std::string& from) { lstrcpynA(to, from.c_str(), MAX_PATH); }
inline void CopyName(WCHAR* to, const std::string& from) {
    MultiByteToWideChar(CP_ACP, 0, from.c_str(), -1, to, MAX_PATH);
}

class StandInDevice;

// Whether a GUID an application passed is missing: C callers pass REFGUID as a pointer, which
// may be null; the empty asm keeps the compiler from assuming a reference never is.
inline bool Missing(const GUID& guid) {
    const GUID* pointer = &guid;
    asm("" : "+r"(pointer));
    return pointer == nullptr;
}

// An effect's parameters as the application gave them: the axes as object ids, the direction
// in the application's coordinates, the records copied. Only what the application has set is
// marked; the rest keeps a new effect's values.
struct EffectParameters {
    DIEFFECT effect = {};
    DWORD axes[4] = {};
    LONG directions[4] = {};
    DIENVELOPE envelope = {};
    BYTE typeSpecific[256] = {};
    DWORD set = 0;  // DIEP_ bits the application has given

    EffectParameters();
    EffectParameters(const EffectParameters& other) { *this = other; }
    EffectParameters& operator=(const EffectParameters& other);
};

class StandInEffect final : public IDirectInputEffect {
public:
    StandInEffect(StandInDevice* device, const EffectType& type);
    ~StandInEffect();
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override;
    HRESULT STDMETHODCALLTYPE GetEffectGuid(LPGUID guid) override;
    HRESULT STDMETHODCALLTYPE GetParameters(LPDIEFFECT effect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetParameters(LPCDIEFFECT effect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Start(DWORD iterations, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE GetEffectStatus(LPDWORD status) override;
    HRESULT STDMETHODCALLTYPE Download() override;
    HRESULT STDMETHODCALLTYPE Unload() override;
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override;

    // The device let the driver go (unacquisition or reset): the effect is off the device.
    void Forget() { handle_ = 0; }
    // Called by the device before it lets the driver go: the effect comes off the device.
    void UnloadForDevice();

private:
    DWORD Declared() const;
    DWORD Kept() const;
    DWORD DriverCoordinates(DWORD given) const;
    bool ResolveAxes(const DIEFFECT& from, DWORD* ids) const;
    HRESULT Validate(const DIEFFECT& from, DWORD flags, DWORD used) const;
    void Apply(const DIEFFECT& from, DWORD flags, EffectParameters& to) const;
    EffectParameters ForDriver(const EffectParameters& parameters) const;
    HRESULT DownloadWith(const EffectParameters& parameters, DWORD flags);
    HRESULT UnloadQuietly();
    DWORD NameFor(DWORD id, bool byOffset) const;
    HRESULT ReadAxes(DIEFFECT& to) const;
    HRESULT ReadDirection(DIEFFECT& to) const;
    HRESULT ReadEnvelope(DIEFFECT& to) const;
    HRESULT ReadTypeSpecific(DIEFFECT& to) const;

    volatile LONG references_ = 1;
    StandInDevice* device_;
    EffectType type_;
    EffectParameters parameters_;
    DWORD handle_ = 0;       // the driver's, 0 while not downloaded
    DWORD notOnDevice_ = 0;  // DIEP_ bits changed since the last download
};

class StandInDevice final : public IDirectInputDevice8A, public IDirectInputDevice8W {
public:
    explicit StandInDevice(const ForceDevice& device);
    ~StandInDevice();
    const ForceDevice& Device() const { return device_; }
    IDirectInputEffectDriver* Driver() const { return driver_; }
    bool Bound() const { return bound_; }
    bool EverBound() const { return everBound_; }
    DWORD ExternalId() const { return device_.joystickId; }
    bool AcquiredExclusively() const { return acquired_ && exclusive_; }
    // The object an effect names by offset (in the data format) or by id, or null.
    const DeviceObject* ObjectOf(DWORD value, DWORD how) const;
    void Forget(StandInEffect* effect);

    // IUnknown, and what the ANSI and the wide interfaces share.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override;
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID property, LPDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID property, LPCDIPROPHEADER header) override;
    HRESULT STDMETHODCALLTYPE Acquire() override;
    HRESULT STDMETHODCALLTYPE Unacquire() override;
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override;
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD count,
                                            DWORD flags) override;
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override;
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE event) override;
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override;
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD version, REFGUID instance) override;
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID guid, LPCDIEFFECT effect,
                                           LPDIRECTINPUTEFFECT* out, LPUNKNOWN outer) override;
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD state) override;
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD command) override;
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(
        LPDIENUMCREATEDEFFECTOBJECTSCALLBACK callback, LPVOID ref, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE escape) override;
    HRESULT STDMETHODCALLTYPE Poll() override;
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) override;

    // ANSI.
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA callback, LPVOID ref,
                                          DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD object,
                                            DWORD how) override;
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA info) override;
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA callback, LPVOID ref,
                                          DWORD type) override;
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override;
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) override;
    HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) override;

    // Wide.
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKW callback, LPVOID ref,
                                          DWORD flags) override;
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEW info, DWORD object,
                                            DWORD how) override;
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEW info) override;
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKW callback, LPVOID ref,
                                          DWORD type) override;
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOW info, REFGUID guid) override;
    HRESULT STDMETHODCALLTYPE EnumEffectsInFile(LPCWSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID,
                                                DWORD) override;
    HRESULT STDMETHODCALLTYPE WriteEffectToFile(LPCWSTR, DWORD, LPDIFILEEFFECT, DWORD) override;
    HRESULT STDMETHODCALLTYPE BuildActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE SetActionMap(LPDIACTIONFORMATW, LPCWSTR, DWORD) override;
    HRESULT STDMETHODCALLTYPE GetImageInfo(LPDIDEVICEIMAGEINFOHEADERW) override;

private:
    // Where an object of the device lands in the application's data format.
    struct Placement {
        const DeviceObject* object;
        DWORD offset;
    };
    // An axis' range and dead zone, as the properties set them.
    struct AxisSettings {
        LONG min = 0;
        LONG max = 65535;
        DWORD deadZone = 0;
    };

    template <typename Instance>
    void Describe(const DeviceObject& object, Instance& instance) const;
    template <typename Instance>
    HRESULT DescribeDevice(Instance* info, const char* interfaceName);
    template <typename Callback, typename Instance>
    HRESULT EnumObjectsAs(Callback callback, LPVOID ref, DWORD flags, const char* interfaceName);
    template <typename Info>
    void DescribeEffect(const EffectType& type, Info& info) const;
    template <typename Callback, typename Info>
    HRESULT EnumEffectsAs(Callback callback, LPVOID ref, DWORD type, const char* interfaceName);
    template <typename Info>
    HRESULT GetEffectInfoAs(Info* info, REFGUID guid, const char* interfaceName);
    template <typename Instance>
    HRESULT GetObjectInfoAs(Instance* info, DWORD object, DWORD how, const char* interfaceName);

    HRESULT CreateDriver();
    HRESULT Bind();
    void LetDriverGo();
    HRESULT DriverCommand(DWORD command);
    DWORD OffsetOf(const DeviceObject& object) const;
    const DeviceObject* Find(DWORD value, DWORD how) const;
    AxisSettings* AxisOf(const DeviceObject* object);
    HRESULT GetDwordProperty(UINT_PTR id, LPDIPROPHEADER header);
    HRESULT SetDwordProperty(UINT_PTR id, LPCDIPROPHEADER header);
    LONG Scaled(const DeviceObject& object, LONG raw) const;
    std::vector<LONG> ValuesOf(const std::vector<BYTE>& report, PHIDP_PREPARSED_DATA parsed) const;
    void Received(const std::vector<BYTE>& report, PHIDP_PREPARSED_DATA parsed);
    void StartReading();
    void StopReading();
    static DWORD WINAPI ReadReports(LPVOID self);

    volatile LONG references_ = 1;
    ForceDevice device_;
    IDirectInputEffectDriver* driver_ = nullptr;
    bool comStarted_ = false;
    bool bound_ = false;  // DeviceID with fBegin true given, fBegin false not yet
    bool everBound_ = false;
    bool acquired_ = false;
    bool exclusive_ = false;
    bool formatSet_ = false;
    DWORD formatSize_ = 0;
    std::vector<Placement> placements_;
    std::vector<DWORD> povOffsets_;
    std::vector<AxisSettings> axisSettings_;  // one per axis, by instance
    DWORD gain_ = 10000;
    DWORD autoCentre_ = DIPROPAUTOCENTER_ON;
    DWORD bufferSize_ = 0;
    std::vector<StandInEffect*> effects_;

    // The latest input report, the changes it brought (when buffered) and the event the
    // application waits on, kept by the reading thread.
    CRITICAL_SECTION inputLock_;
    std::vector<BYTE> lastReport_;
    std::vector<DIDEVICEOBJECTDATA> buffered_;
    bool overflowed_ = false;
    bool baseline_ = false;  // the next report is the state an acquisition starts from
    DWORD sequence_ = 0;
    HANDLE notify_ = nullptr;
    HANDLE reader_ = nullptr;
    HANDLE readerStop_ = nullptr;
};

}  // namespace stand_in
