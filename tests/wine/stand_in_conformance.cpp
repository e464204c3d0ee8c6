// What DirectInput answers an application about effects, as Windows does, on the wheel through
// the DirectInput stand-in: one actuator (X) or two (X, Y), effects registered by the wheel's
// maker. Each check is a call whose result (or value read back) Windows is known to give for
// such a device; the program prints every check that differs and, after each one, the tally,
// and ends with the number of differences as its exit code. Results that come from the effect
// driver itself (starting with 0 iterations, the status of a playing effect) are not
// checked: they are the driver's own.
#include <windows.h>

#include <cstdio>
#include <cstring>

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>

namespace {

int checks = 0;
int differences = 0;

void Tally(bool same, const char* what, long got, long wanted) {
    ++checks;
    if (!same) {
        ++differences;
        std::printf("FAIL %s: 0x%08lX, Windows 0x%08lX\n", what, static_cast<unsigned long>(got),
                    static_cast<unsigned long>(wanted));
    }
    std::printf("agreement %d of %d\n", checks - differences, checks);
    std::fflush(stdout);
}

void Expect(HRESULT got, HRESULT wanted, const char* what) {
    Tally(got == wanted, what, got, wanted);
}
void Value(long got, long wanted, const char* what) { Tally(got == wanted, what, got, wanted); }

BOOL CALLBACK FirstDevice(LPCDIDEVICEINSTANCEW instance, LPVOID out) {
    *static_cast<GUID*>(out) = instance->guidInstance;
    return DIENUM_STOP;
}

BOOL CALLBACK CountCreated(IDirectInputEffect*, LPVOID count) {
    ++*static_cast<int*>(count);
    return DIENUM_CONTINUE;
}

// A sine on X as an application describes it in full: one axis, by offset, cartesian.
struct FullSine {
    DWORD axes[1] = {DIJOFS_X};
    LONG direction[1] = {1000};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 1000, 2000, 3000, 4000};
    DIPERIODIC periodic = {1000, 2000, 3000, 4000};
    DIEFFECT e = {};
    FullSine() {
        e.dwSize = sizeof e;
        e.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
        e.dwDuration = 1000;
        e.dwSamplePeriod = 2000;
        e.dwGain = 3000;
        e.dwTriggerButton = DIEB_NOTRIGGER;
        e.dwTriggerRepeatInterval = 5000;
        e.cAxes = 1;
        e.rgdwAxes = axes;
        e.rglDirection = direction;
        e.lpEnvelope = &envelope;
        e.cbTypeSpecificParams = sizeof periodic;
        e.lpvTypeSpecificParams = &periodic;
        e.dwStartDelay = 6000;
    }
};

// A record to read parameters back into, with room for three axes.
struct ReadBack {
    DWORD axes[3] = {};
    LONG direction[3] = {};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 0, 0, 0, 0};
    DIPERIODIC periodic = {};
    DIEFFECT e = {};
    explicit ReadBack(DWORD flags) {
        e.dwSize = sizeof e;
        e.dwFlags = flags;
        e.cAxes = 3;
        e.rgdwAxes = axes;
        e.rglDirection = direction;
        e.lpEnvelope = &envelope;
        e.cbTypeSpecificParams = sizeof periodic;
        e.lpvTypeSpecificParams = &periodic;
    }
};

struct Wheel {
    IDirectInput8W* input = nullptr;
    IDirectInputDevice8W* device = nullptr;
    HWND window = nullptr;
};

// Which windows and flags SetCooperativeLevel takes: a top-level window, or none for
// shared background access; the flags are checked first.
void CooperativeLevels(IDirectInputDevice8W* device) {
    HWND top = CreateWindowW(L"static", L"wheel", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    HWND child =
        CreateWindowW(L"static", L"part", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
    const struct {
        HWND window;
        bool needsOne;  // a row about a window given
        DWORD flags;
        HRESULT windows;
        const char* what;
    } rows[] = {
        {nullptr, false, DISCL_FOREGROUND, DIERR_INVALIDPARAM, "no window, foreground only"},
        {nullptr, false, DISCL_FOREGROUND | DISCL_EXCLUSIVE, E_HANDLE,
         "no window, foreground exclusive"},
        {nullptr, false, DISCL_BACKGROUND | DISCL_EXCLUSIVE, E_HANDLE,
         "no window, background exclusive"},
        {nullptr, false, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE, DI_OK,
         "no window, background shared"},
        {top, true, DISCL_BACKGROUND, DIERR_INVALIDPARAM, "a window, background only"},
        {top, true, DISCL_FOREGROUND | DISCL_EXCLUSIVE, DI_OK, "a window, foreground exclusive"},
        {child, true, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE, E_HANDLE, "a child window"},
    };
    // Without a display (the Wine tests run without one) there are no windows to give.
    if (top == nullptr) std::printf("no windows: only the rows without one are checked\n");
    for (const auto& row : rows) {
        if (top != nullptr || !row.needsOne)
            Expect(device->SetCooperativeLevel(row.window, row.flags), row.windows, row.what);
    }
    DestroyWindow(child);
    DestroyWindow(top);
}

bool Open(Wheel& w) {
    GUID instance = GUID_NULL;
    if (FAILED(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION,
                                  IID_IDirectInput8W, reinterpret_cast<void**>(&w.input),
                                  nullptr)) ||
        FAILED(w.input->EnumDevices(DI8DEVCLASS_GAMECTRL, FirstDevice, &instance,
                                    DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK)) ||
        IsEqualGUID(instance, GUID_NULL) ||
        FAILED(w.input->CreateDevice(instance, &w.device, nullptr))) {
        std::printf("FAIL no force-feedback game controller\n");
        return false;
    }
    w.window = GetDesktopWindow();
    CooperativeLevels(w.device);
    DIPROPDWORD buffer = {};
    buffer.diph = {sizeof buffer, sizeof buffer.diph, 0, DIPH_DEVICE};
    buffer.dwData = 32;
    if (FAILED(w.device->SetCooperativeLevel(w.window, DISCL_EXCLUSIVE | DISCL_BACKGROUND)) ||
        FAILED(w.device->SetDataFormat(&c_dfDIJoystick2)) ||
        FAILED(w.device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)) ||
        FAILED(w.device->Acquire())) {
        return false;
    }
    // An acquisition starts from the device's state: nothing has changed yet.
    DIDEVICEOBJECTDATA data = {};
    DWORD count = 1;
    Expect(w.device->GetDeviceData(sizeof data, &data, &count, DIGDD_PEEK), DI_OK,
           "GetDeviceData after the acquisition");
    Value(count, 0, "buffered events after the acquisition");
    return true;
}

// Creation, the effect's type, and what a new effect holds.
void NewEffect(Wheel& w, IDirectInputEffect*& effect) {
    IDirectInputDevice8W* d = w.device;
    Expect(d->CreateEffect(GUID_Sine, nullptr, nullptr, nullptr), E_POINTER,
           "CreateEffect without an out pointer");
    Expect(d->CreateEffect(GUID_NULL, nullptr, &effect, nullptr), DIERR_DEVICENOTREG,
           "CreateEffect of GUID_NULL");
    Expect(d->CreateEffect(GUID_Sine, nullptr, &effect, nullptr), DI_OK, "CreateEffect");
    int count = 0;
    Expect(d->EnumCreatedEffectObjects(CountCreated, &count, 0xdeadbeef), DIERR_INVALIDPARAM,
           "EnumCreatedEffectObjects with unknown flags");
    Expect(d->EnumCreatedEffectObjects(CountCreated, &count, 0), DI_OK, "EnumCreatedEffectObjects");
    Value(count, 1, "created effects");

    HINSTANCE self = GetModuleHandleW(nullptr);
    Expect(effect->Initialize(nullptr, DIRECTINPUT_VERSION, GUID_Sine), DIERR_INVALIDPARAM,
           "Initialize without an instance");
    Expect(effect->Initialize(self, 0x700, GUID_Sine), DIERR_BETADIRECTINPUTVERSION,
           "Initialize for version 7");
    Expect(effect->Initialize(self, 0, GUID_Sine), DIERR_NOTINITIALIZED,
           "Initialize for version 0");
    Expect(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_NULL), DIERR_DEVICENOTREG,
           "Initialize as GUID_NULL");
    Expect(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_Sine), DI_OK, "Initialize as sine");
    Expect(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_Square), DI_OK,
           "Initialize as square");
    GUID guid = GUID_NULL;
    Expect(effect->GetEffectGuid(nullptr), E_POINTER, "GetEffectGuid(NULL)");
    Expect(effect->GetEffectGuid(&guid), DI_OK, "GetEffectGuid");
    Value(IsEqualGUID(guid, GUID_Square), TRUE, "the GUID Initialize gave");

    Expect(effect->GetParameters(nullptr, 0), DI_OK, "GetParameters(NULL, 0)");
    Expect(effect->GetParameters(nullptr, DIEP_DURATION), DI_OK, "GetParameters(NULL, duration)");
    DIEFFECT desc = {};
    Expect(effect->GetParameters(&desc, 0), DIERR_INVALIDPARAM, "GetParameters, size 0");
    desc.dwSize = sizeof(DIEFFECT_DX5) + 2;
    Expect(effect->GetParameters(&desc, 0), DIERR_INVALIDPARAM, "GetParameters, odd size");
    desc.dwSize = sizeof(DIEFFECT_DX5);
    Expect(effect->GetParameters(&desc, 0), DI_OK, "GetParameters, DirectX 5 size");
    Expect(effect->GetParameters(&desc, DIEP_STARTDELAY), DIERR_INVALIDPARAM,
           "GetParameters, start delay in a DirectX 5 record");
    desc.dwSize = sizeof(DIEFFECT);
    Expect(effect->GetParameters(&desc, DIEP_NORESTART | DIEP_NODOWNLOAD), DI_OK,
           "GetParameters with SetParameters' flags");
    ReadBack r(0);
    r.e.dwDuration = r.e.dwGain = r.e.dwSamplePeriod = r.e.dwStartDelay = 0xdeadbeef;
    r.e.dwTriggerRepeatInterval = 0xdeadbeef;
    Expect(effect->GetParameters(&r.e, DIEP_DURATION | DIEP_GAIN | DIEP_SAMPLEPERIOD |
                                           DIEP_TRIGGERREPEATINTERVAL | DIEP_STARTDELAY),
           DI_OK, "GetParameters of a new effect");
    Value(r.e.dwDuration, 0, "a new effect's duration");
    Value(r.e.dwGain, 0, "a new effect's gain");
    Value(r.e.dwSamplePeriod, 0, "a new effect's sample period");
    Value(r.e.dwTriggerRepeatInterval, 0, "a new effect's trigger repeat interval");
    Value(r.e.dwStartDelay, 0, "a new effect's start delay");
}

// GetParameters' own checks on an effect without axes.
void ReadChecks(IDirectInputEffect* effect) {
    ReadBack r(0);
    r.e.lpEnvelope = nullptr;
    Expect(effect->GetParameters(&r.e, DIEP_ENVELOPE), E_POINTER, "envelope into NULL");
    r.e.lpEnvelope = &r.envelope;
    r.envelope.dwSize = 0;
    Expect(effect->GetParameters(&r.e, DIEP_ENVELOPE), DIERR_INVALIDPARAM, "envelope of size 0");
    r.envelope.dwSize = sizeof(DIENVELOPE);
    Expect(effect->GetParameters(&r.e, DIEP_ENVELOPE), DI_OK, "envelope");
    Expect(effect->GetParameters(&r.e, DIEP_ALLPARAMS), DIERR_INVALIDPARAM,
           "all parameters without an object flag");
    Expect(effect->GetParameters(&r.e, DIEP_TRIGGERBUTTON), DIERR_INVALIDPARAM,
           "trigger without an object flag");
    Expect(effect->GetParameters(&r.e, DIEP_AXES), DIERR_INVALIDPARAM,
           "axes without an object flag");
    r.e.dwFlags = DIEFF_OBJECTOFFSETS;
    Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_INVALIDPARAM,
           "direction without coordinates");
    Expect(effect->GetParameters(&r.e, DIEP_TRIGGERBUTTON), DI_OK, "trigger by offset");
    Value(static_cast<long>(r.e.dwTriggerButton), -1, "a new effect's trigger");
    Expect(effect->GetParameters(&r.e, DIEP_AXES), DI_OK, "axes by offset");
    Value(r.e.cAxes, 0, "a new effect's axes");
    r.e.dwFlags = DIEFF_OBJECTIDS | DIEFF_CARTESIAN;
    Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, "no direction, cartesian");
    Value(r.e.dwFlags, DIEFF_OBJECTIDS, "coordinates taken away");
    r.e.dwFlags |= DIEFF_CARTESIAN | DIEFF_POLAR;
    Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_INVALIDPARAM,
           "no direction, cartesian or polar");
    Value(r.e.dwFlags, DIEFF_OBJECTIDS, "coordinates taken away");
    r.e.dwFlags |= DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
    Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, "no direction, any coordinates");
    Value(r.e.dwFlags, DIEFF_OBJECTIDS, "coordinates taken away");
    r.e.dwFlags = DIEFF_OBJECTIDS | DIEFF_SPHERICAL;
    r.e.lpEnvelope = &r.envelope;  // the effect's lack of one took it away
    Expect(effect->GetParameters(&r.e, DIEP_ALLPARAMS), DI_OK, "all parameters of a new effect");
    Value(r.e.lpEnvelope == nullptr, TRUE, "a new effect's envelope");
    Value(r.e.cbTypeSpecificParams, 0, "a new effect's type-specific record");
    Value(static_cast<long>(r.e.dwTriggerButton), -1, "a new effect's trigger");
}

// Parameters given one at a time, while acquired and not; none reaches the device until the
// effect is complete.
void StepByStep(Wheel& w, IDirectInputEffect* effect) {
    FullSine full;
    Expect(w.device->Unacquire(), DI_OK, "Unacquire");
    Expect(effect->Download(), DIERR_NOTEXCLUSIVEACQUIRED, "Download unacquired");
    Expect(effect->SetParameters(&full.e, DIEP_DURATION), DI_DOWNLOADSKIPPED,
           "duration, unacquired");
    Expect(w.device->Acquire(), DI_OK, "Acquire");
    Expect(effect->Download(), DIERR_INCOMPLETEEFFECT, "Download of an empty effect");
    Expect(effect->Unload(), DI_NOEFFECT, "Unload of an effect never downloaded");
    Expect(effect->SetParameters(nullptr, DIEP_NODOWNLOAD), E_POINTER, "SetParameters(NULL)");
    DIEFFECT empty = {};
    Expect(effect->SetParameters(&empty, DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "SetParameters, size 0");
    empty.dwSize = sizeof empty;
    Expect(effect->SetParameters(&empty, DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "SetParameters of nothing");
    Expect(effect->SetParameters(&full.e, DIEP_DURATION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "duration");
    Expect(
        effect->SetParameters(&full.e, DIEP_GAIN | DIEP_SAMPLEPERIOD | DIEP_TRIGGERREPEATINTERVAL |
                                           DIEP_STARTDELAY | DIEP_NODOWNLOAD),
        DI_DOWNLOADSKIPPED, "timing");
    ReadBack r(0);
    Expect(effect->GetParameters(&r.e, DIEP_DURATION | DIEP_GAIN | DIEP_SAMPLEPERIOD |
                                           DIEP_TRIGGERREPEATINTERVAL | DIEP_STARTDELAY),
           DI_OK, "timing read back");
    Value(r.e.dwDuration, 1000, "duration kept");
    Value(r.e.dwSamplePeriod, 2000, "sample period kept");
    Value(r.e.dwGain, 3000, "gain kept");
    Value(r.e.dwTriggerRepeatInterval, 5000, "trigger repeat interval kept");
    Value(r.e.dwStartDelay, 6000, "start delay kept");
    Expect(effect->Download(), DIERR_INCOMPLETEEFFECT, "Download without axes");

    DIEFFECT none = full.e;
    none.lpEnvelope = nullptr;
    Expect(effect->SetParameters(&none, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "no envelope");
    DIENVELOPE bad = {};
    none.lpEnvelope = &bad;
    Expect(effect->SetParameters(&none, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "an envelope of size 0");
    Expect(effect->SetParameters(&full.e, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "envelope");
    Expect(effect->GetParameters(&r.e, DIEP_ENVELOPE), DI_OK, "envelope read back");
    Value(r.envelope.dwAttackLevel + r.envelope.dwAttackTime * 10 + r.envelope.dwFadeLevel * 100 +
              r.envelope.dwFadeTime * 1000,
          1000 + 20000 + 300000 + 4000000, "envelope kept");

    none = full.e;
    none.dwFlags = 0;
    Expect(effect->SetParameters(&none, DIEP_ALLPARAMS | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "all parameters without an object flag");
    Expect(effect->SetParameters(&none, DIEP_AXES | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "axes without an object flag");
    none.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
    Expect(effect->SetParameters(&none, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "a direction before the axes");
    Expect(effect->SetParameters(&full.e, DIEP_AXES | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED, "axes");
}

// The axes and the direction read back as the application gave them.
void AxesAndDirection(Wheel& w, IDirectInputEffect* effect) {
    DIDEVICEOBJECTINSTANCEW x = {};
    x.dwSize = sizeof x;
    w.device->GetObjectInfo(&x, DIJOFS_X, DIPH_BYOFFSET);
    ReadBack r(DIEFF_OBJECTIDS);
    r.e.cAxes = 0;
    Expect(effect->GetParameters(&r.e, DIEP_AXES), DIERR_MOREDATA, "axes into no room");
    Value(r.e.cAxes, 1, "axes needed");
    Expect(effect->GetParameters(&r.e, DIEP_AXES), DI_OK, "axes by id");
    Value(static_cast<long>(r.axes[0]), static_cast<long>(x.dwType), "X by id");
    r.e.dwFlags = DIEFF_OBJECTOFFSETS;
    Expect(effect->GetParameters(&r.e, DIEP_AXES), DI_OK, "axes by offset");
    Value(static_cast<long>(r.axes[0]), DIJOFS_X, "X by offset");
    Expect(effect->Download(), DIERR_INCOMPLETEEFFECT, "Download without a type-specific record");

    FullSine full;
    DIEFFECT d = full.e;
    d.cAxes = 0;
    Expect(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "a direction on no axes");
    d.cAxes = 1;
    d.dwFlags = DIEFF_POLAR;
    Expect(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "polar on one axis");
    Expect(effect->SetParameters(&full.e, DIEP_DIRECTION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "cartesian direction");
    ReadBack c(DIEFF_CARTESIAN);
    c.e.cAxes = 0;
    Expect(effect->GetParameters(&c.e, DIEP_DIRECTION), DIERR_MOREDATA, "direction into no room");
    Value(c.e.cAxes, 1, "direction axes needed");
    Value(c.e.dwFlags, DIEFF_CARTESIAN, "coordinates kept");
    c.e.cAxes = 3;
    c.direction[1] = 0x5EED;
    Expect(effect->GetParameters(&c.e, DIEP_DIRECTION), DI_OK, "cartesian read back");
    Value(c.e.cAxes, 1, "axes read back with the direction");
    Value(c.direction[0], 1000, "cartesian kept as given");
    Value(c.direction[1], 0x5EED, "nothing written past the axes");
    ReadBack s(DIEFF_SPHERICAL);
    s.direction[0] = 0x5EED;
    Expect(effect->GetParameters(&s.e, DIEP_DIRECTION), DI_OK, "spherical read back");
    Value(s.direction[0], 0, "one axis, no angle");
    ReadBack p(DIEFF_POLAR);
    Expect(effect->GetParameters(&p.e, DIEP_DIRECTION), DIERR_INVALIDPARAM, "polar read back");
}

// The effect complete, downloaded, played and taken off the device.
void Playing(Wheel& w, IDirectInputEffect* effect) {
    FullSine full;
    DIEFFECT d = full.e;
    d.cbTypeSpecificParams = 0;
    Expect(effect->SetParameters(&d, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "a type-specific record of size 0");
    Expect(effect->SetParameters(&full.e, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD),
           DI_DOWNLOADSKIPPED, "type-specific record");
    ReadBack r(0);
    Expect(effect->GetParameters(&r.e, DIEP_TYPESPECIFICPARAMS), DI_OK, "record read back");
    Value(r.periodic.dwPeriod, 4000, "record kept");
    Expect(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTDOWNLOADED, "Start, not downloaded");
    Expect(effect->Stop(), DIERR_NOTDOWNLOADED, "Stop, not downloaded");
    DWORD status = 0;
    Expect(effect->GetEffectStatus(nullptr), E_POINTER, "GetEffectStatus(NULL)");
    Expect(effect->GetEffectStatus(&status), DIERR_NOTDOWNLOADED,
           "GetEffectStatus, not downloaded");
    Expect(effect->Download(), DI_OK, "Download");
    Expect(effect->Download(), DI_NOEFFECT, "Download again");
    Expect(effect->Start(1, 0xdeadbeef), DIERR_INVALIDPARAM, "Start with unknown flags");
    Expect(effect->Start(1, DIES_SOLO), DI_OK, "Start solo");
    Expect(effect->Stop(), DI_OK, "Stop");
    Expect(effect->Start(1, 0), DI_OK, "Start");
    Expect(effect->Start(4, 0), DI_OK, "Start four times");
    Expect(effect->Unload(), DI_OK, "Unload");
    Expect(effect->SetParameters(&full.e, DIEP_START), DI_OK, "SetParameters and start");
    Expect(effect->SetParameters(&full.e, DIEP_DURATION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "an update held back");
    Expect(effect->SetParameters(&full.e, 0), DI_OK, "the held update sent");
    Expect(effect->Unload(), DI_OK, "Unload again");
    Expect(effect->Download(), DI_OK, "Download again after Unload");
    Expect(w.device->Unacquire(), DI_OK, "Unacquire");
    Expect(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTEXCLUSIVEACQUIRED, "Start unacquired");
    Expect(effect->Stop(), DIERR_NOTEXCLUSIVEACQUIRED, "Stop unacquired");
    Expect(effect->GetEffectStatus(&status), DIERR_NOTEXCLUSIVEACQUIRED,
           "GetEffectStatus unacquired");
    IDirectInputEffect* another = nullptr;
    Expect(w.device->CreateEffect(GUID_Sine, &full.e, &another, nullptr), DI_OK,
           "CreateEffect in full, unacquired");
    if (another != nullptr) another->Release();
    Expect(w.device->Acquire(), DI_OK, "Acquire");
    Expect(effect->Unload(), DI_NOEFFECT, "Unload after the unacquisition");
}

// A direction read back on two axes, as given; the read-back converted into other
// coordinates; axes given once. Runs where Y is an actuator too.
void TwoAxes(Wheel& w) {
    IDirectInputEffect* effect = nullptr;
    Expect(w.device->CreateEffect(GUID_Sine, nullptr, &effect, nullptr), DI_OK, "CreateEffect");
    if (effect == nullptr) return;
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {3000, 0};
    DIEFFECT d = {};
    d.dwSize = sizeof d;
    d.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;
    d.cAxes = 2;
    d.rgdwAxes = axes;
    d.rglDirection = direction;
    Expect(effect->SetParameters(&d, DIEP_AXES | DIEP_DIRECTION | DIEP_NODOWNLOAD),
           DI_DOWNLOADSKIPPED, "polar on two axes");
    // Each coordinate system: too little room first, then the direction.
    const struct {
        DWORD coords;
        LONG first, second;
        const char* what;
    } polar[] = {
        {DIEFF_SPHERICAL, 30000, 0, "polar 30 degrees as spherical"},
        {DIEFF_CARTESIAN, 5000, -8660, "polar 30 degrees as cartesian"},
        {DIEFF_POLAR, 3000, 0, "polar 30 degrees as polar"},
    };
    for (const auto& row : polar) {
        ReadBack r(row.coords);
        r.e.cAxes = 1;
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_MOREDATA, row.what);
        Value(r.e.dwFlags, row.coords, "the coordinates asked for");
        Value(r.e.cAxes, 2, "the axes needed");
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, row.what);
        Value(r.direction[0], row.first, row.what);
        Value(r.direction[1], row.second, row.what);
    }
    d.cAxes = 1;
    Expect(effect->SetParameters(&d, DIEP_AXES | DIEP_NODOWNLOAD), DIERR_ALREADYINITIALIZED,
           "other axes");
    d.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
    direction[0] = 1000;
    direction[1] = 2000;
    Expect(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM,
           "a direction on fewer axes than the effect's");
    d.cAxes = 2;
    Expect(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED,
           "cartesian on two axes");
    const struct {
        DWORD coords;
        LONG first, second;
        const char* what;
    } cartesian[] = {
        {DIEFF_SPHERICAL, 6343, 0, "(1000, 2000) as spherical"},
        {DIEFF_POLAR, 15343, 0, "(1000, 2000) as polar"},
        {DIEFF_CARTESIAN, 1000, 2000, "(1000, 2000) as cartesian"},
    };
    for (const auto& row : cartesian) {
        ReadBack r(row.coords);
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, row.what);
        Value(r.e.cAxes, 2, "the effect's axes");
        Value(r.direction[0], row.first, row.what);
        Value(r.direction[1], row.second, row.what);
    }
    Value(static_cast<long>(effect->Release()), 0, "the last Release");
}

// The device's own answers.
void Device(Wheel& w) {
    DIEFFECTINFOW info = {};
    info.dwSize = sizeof info;
    Expect(w.device->GetEffectInfo(nullptr, GUID_Sine), E_POINTER, "GetEffectInfo(NULL)");
    w.device->Unacquire();
    DIPROPDWORD centre = {};
    centre.diph = {sizeof centre, sizeof centre.diph, 0x00010030, DIPH_BYUSAGE};
    centre.dwData = DIPROPAUTOCENTER_OFF;
    Expect(w.device->SetProperty(DIPROP_AUTOCENTER, &centre.diph), DIERR_UNSUPPORTED,
           "auto-centre by usage");
    // Last: this one crashed an earlier stand-in.
    IDirectInputEffect* effect = nullptr;
    const GUID* volatile none = nullptr;  // as a C program passes REFGUID
    Expect(w.device->CreateEffect(*none, nullptr, &effect, nullptr), E_POINTER,
           "CreateEffect of a null GUID");
}

}  // namespace

// With "two-actuators", the checks that need a second actuator (Y) only.
int main(int argc, char** argv) {
    Wheel w;
    if (!Open(w)) return 100;
    if (argc > 1 && std::strcmp(argv[1], "two-actuators") == 0) {
        TwoAxes(w);
        w.device->Unacquire();
        w.device->Release();
        w.input->Release();
        return differences;
    }
    IDirectInputEffect* effect = nullptr;
    NewEffect(w, effect);
    if (effect != nullptr) {
        ReadChecks(effect);
        StepByStep(w, effect);
        AxesAndDirection(w, effect);
        Playing(w, effect);
        Value(static_cast<long>(effect->Release()), 0, "the last Release");
    }
    Device(w);
    w.device->Unacquire();
    w.device->Release();
    w.input->Release();
    return differences;
}
