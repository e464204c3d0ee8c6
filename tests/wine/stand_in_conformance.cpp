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

// The table's rows: a call (or a value read back) and the answer Windows gives, printed as
// the call's text and line where they differ.
#define QF_TEXT(x) #x
#define QF_LINE(line) QF_TEXT(line)
#define CHECK(call, windows) \
    Value(static_cast<long>(call), static_cast<long>(windows), "line " QF_LINE(__LINE__) ", " #call)

BOOL CALLBACK FirstDevice(LPCDIDEVICEINSTANCEW instance, LPVOID out) {
    *static_cast<GUID*>(out) = instance->guidInstance;
    return DIENUM_STOP;
}

BOOL CALLBACK CountCreated(IDirectInputEffect*, LPVOID count) {
    ++*static_cast<int*>(count);
    return DIENUM_CONTINUE;
}

// An effect's description and its records: room for three axes, an envelope, a periodic
// record; what a read-back fills in, and the base of the descriptions the checks give.
struct Record {
    DWORD axes[3] = {};
    LONG direction[3] = {};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 0, 0, 0, 0};
    DIPERIODIC periodic = {};
    DIEFFECT e = {};
    explicit Record(DWORD flags, DWORD axisCount = 3) {
        e.dwSize = sizeof e;
        e.dwFlags = flags;
        e.cAxes = axisCount;
        e.rgdwAxes = axes;
        e.rglDirection = direction;
        e.lpEnvelope = &envelope;
        e.cbTypeSpecificParams = sizeof periodic;
        e.lpvTypeSpecificParams = &periodic;
    }
    Record(const Record&) = delete;  // e points into this record
    Record& operator=(const Record&) = delete;
};
using ReadBack = Record;

// A sine on X as an application describes it in full: one axis, by offset, cartesian.
struct FullSine : Record {
    FullSine() : Record(DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS, 1) {
        axes[0] = DIJOFS_X;
        direction[0] = 1000;
        envelope = {sizeof(DIENVELOPE), 1000, 2000, 3000, 4000};
        periodic = {1000, 2000, 3000, 4000};
        e.dwDuration = 1000;
        e.dwSamplePeriod = 2000;
        e.dwGain = 3000;
        e.dwTriggerButton = DIEB_NOTRIGGER;
        e.dwTriggerRepeatInterval = 5000;
        e.dwStartDelay = 6000;
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
    CHECK(w.device->GetDeviceData(sizeof data, &data, &count, DIGDD_PEEK), DI_OK);
    CHECK(count, 0);
    return true;
}

// The effect's timing read back: duration, sample period, gain, trigger repeat interval and
// start delay, each as wanted.
void Timing(IDirectInputEffect* effect, const DWORD (&wanted)[5], const char* what) {
    ReadBack r(0);
    r.e.dwDuration = r.e.dwSamplePeriod = r.e.dwGain = 0xdeadbeef;
    r.e.dwTriggerRepeatInterval = r.e.dwStartDelay = 0xdeadbeef;
    Expect(effect->GetParameters(&r.e, DIEP_DURATION | DIEP_GAIN | DIEP_SAMPLEPERIOD |
                                           DIEP_TRIGGERREPEATINTERVAL | DIEP_STARTDELAY),
           DI_OK, what);
    const DWORD got[5] = {r.e.dwDuration, r.e.dwSamplePeriod, r.e.dwGain,
                          r.e.dwTriggerRepeatInterval, r.e.dwStartDelay};
    for (int i = 0; i < 5; ++i)
        Value(got[i], wanted[i], what);
}

// Creation, the effect's type, and what a new effect holds.
void NewEffect(Wheel& w, IDirectInputEffect*& effect) {
    IDirectInputDevice8W* d = w.device;
    CHECK(d->CreateEffect(GUID_Sine, nullptr, nullptr, nullptr), E_POINTER);
    CHECK(d->CreateEffect(GUID_NULL, nullptr, &effect, nullptr), DIERR_DEVICENOTREG);
    CHECK(d->CreateEffect(GUID_Sine, nullptr, &effect, nullptr), DI_OK);
    int count = 0;
    CHECK(d->EnumCreatedEffectObjects(CountCreated, &count, 0xdeadbeef), DIERR_INVALIDPARAM);
    CHECK(d->EnumCreatedEffectObjects(CountCreated, &count, 0), DI_OK);
    CHECK(count, 1);

    HINSTANCE self = GetModuleHandleW(nullptr);
    CHECK(effect->Initialize(nullptr, DIRECTINPUT_VERSION, GUID_Sine), DIERR_INVALIDPARAM);
    CHECK(effect->Initialize(self, 0x700, GUID_Sine), DIERR_BETADIRECTINPUTVERSION);
    CHECK(effect->Initialize(self, 0, GUID_Sine), DIERR_NOTINITIALIZED);
    CHECK(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_NULL), DIERR_DEVICENOTREG);
    CHECK(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_Sine), DI_OK);
    CHECK(effect->Initialize(self, DIRECTINPUT_VERSION, GUID_Square), DI_OK);
    GUID guid = GUID_NULL;
    CHECK(effect->GetEffectGuid(nullptr), E_POINTER);
    CHECK(effect->GetEffectGuid(&guid), DI_OK);
    CHECK(IsEqualGUID(guid, GUID_Square), TRUE);

    CHECK(effect->GetParameters(nullptr, 0), DI_OK);
    CHECK(effect->GetParameters(nullptr, DIEP_DURATION), DI_OK);
    DIEFFECT desc = {};
    CHECK(effect->GetParameters(&desc, 0), DIERR_INVALIDPARAM);
    desc.dwSize = sizeof(DIEFFECT_DX5) + 2;
    CHECK(effect->GetParameters(&desc, 0), DIERR_INVALIDPARAM);
    desc.dwSize = sizeof(DIEFFECT_DX5);
    CHECK(effect->GetParameters(&desc, 0), DI_OK);
    CHECK(effect->GetParameters(&desc, DIEP_STARTDELAY), DIERR_INVALIDPARAM);
    desc.dwSize = sizeof(DIEFFECT);
    CHECK(effect->GetParameters(&desc, DIEP_NORESTART | DIEP_NODOWNLOAD), DI_OK);
    Timing(effect, {0, 0, 0, 0, 0}, "a new effect's timing");
}

// GetParameters' own checks on an effect without axes.
void ReadChecks(IDirectInputEffect* effect) {
    ReadBack r(0);
    r.e.lpEnvelope = nullptr;
    CHECK(effect->GetParameters(&r.e, DIEP_ENVELOPE), E_POINTER);
    r.e.lpEnvelope = &r.envelope;
    r.envelope.dwSize = 0;
    CHECK(effect->GetParameters(&r.e, DIEP_ENVELOPE), DIERR_INVALIDPARAM);
    r.envelope.dwSize = sizeof(DIENVELOPE);
    CHECK(effect->GetParameters(&r.e, DIEP_ENVELOPE), DI_OK);
    CHECK(effect->GetParameters(&r.e, DIEP_ALLPARAMS), DIERR_INVALIDPARAM);
    CHECK(effect->GetParameters(&r.e, DIEP_TRIGGERBUTTON), DIERR_INVALIDPARAM);
    CHECK(effect->GetParameters(&r.e, DIEP_AXES), DIERR_INVALIDPARAM);
    r.e.dwFlags = DIEFF_OBJECTOFFSETS;
    CHECK(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_INVALIDPARAM);
    CHECK(effect->GetParameters(&r.e, DIEP_TRIGGERBUTTON), DI_OK);
    CHECK(static_cast<long>(r.e.dwTriggerButton), -1);
    CHECK(effect->GetParameters(&r.e, DIEP_AXES), DI_OK);
    CHECK(r.e.cAxes, 0);
    r.e.dwFlags = DIEFF_OBJECTIDS | DIEFF_CARTESIAN;
    CHECK(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK);
    CHECK(r.e.dwFlags, DIEFF_OBJECTIDS);
    r.e.dwFlags |= DIEFF_CARTESIAN | DIEFF_POLAR;
    CHECK(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_INVALIDPARAM);
    CHECK(r.e.dwFlags, DIEFF_OBJECTIDS);
    r.e.dwFlags |= DIEFF_CARTESIAN | DIEFF_POLAR | DIEFF_SPHERICAL;
    CHECK(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK);
    CHECK(r.e.dwFlags, DIEFF_OBJECTIDS);
    r.e.dwFlags = DIEFF_OBJECTIDS | DIEFF_SPHERICAL;
    r.e.lpEnvelope = &r.envelope;  // the effect's lack of one took it away
    CHECK(effect->GetParameters(&r.e, DIEP_ALLPARAMS), DI_OK);
    CHECK(r.e.lpEnvelope == nullptr, TRUE);
    CHECK(r.e.cbTypeSpecificParams, 0);
    CHECK(static_cast<long>(r.e.dwTriggerButton), -1);
}

// Parameters given one at a time, while acquired and not; none reaches the device until the
// effect is complete.
void StepByStep(Wheel& w, IDirectInputEffect* effect) {
    FullSine full;
    CHECK(w.device->Unacquire(), DI_OK);
    CHECK(effect->Download(), DIERR_NOTEXCLUSIVEACQUIRED);
    CHECK(effect->SetParameters(&full.e, DIEP_DURATION), DI_DOWNLOADSKIPPED);
    CHECK(w.device->Acquire(), DI_OK);
    CHECK(effect->Download(), DIERR_INCOMPLETEEFFECT);
    CHECK(effect->Unload(), DI_NOEFFECT);
    CHECK(effect->SetParameters(nullptr, DIEP_NODOWNLOAD), E_POINTER);
    DIEFFECT empty = {};
    CHECK(effect->SetParameters(&empty, DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    empty.dwSize = sizeof empty;
    CHECK(effect->SetParameters(&empty, DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    CHECK(effect->SetParameters(&full.e, DIEP_DURATION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    CHECK(
        effect->SetParameters(&full.e, DIEP_GAIN | DIEP_SAMPLEPERIOD | DIEP_TRIGGERREPEATINTERVAL |
                                           DIEP_STARTDELAY | DIEP_NODOWNLOAD),
        DI_DOWNLOADSKIPPED);
    Timing(effect, {1000, 2000, 3000, 5000, 6000}, "the timing kept");
    ReadBack r(0);
    CHECK(effect->Download(), DIERR_INCOMPLETEEFFECT);

    DIEFFECT none = full.e;
    none.lpEnvelope = nullptr;
    CHECK(effect->SetParameters(&none, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    DIENVELOPE bad = {};
    none.lpEnvelope = &bad;
    CHECK(effect->SetParameters(&none, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    CHECK(effect->SetParameters(&full.e, DIEP_ENVELOPE | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    CHECK(effect->GetParameters(&r.e, DIEP_ENVELOPE), DI_OK);
    CHECK(r.envelope.dwAttackLevel + r.envelope.dwAttackTime * 10 + r.envelope.dwFadeLevel * 100 +
              r.envelope.dwFadeTime * 1000,
          1000 + 20000 + 300000 + 4000000);

    none = full.e;
    none.dwFlags = 0;
    CHECK(effect->SetParameters(&none, DIEP_ALLPARAMS | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    CHECK(effect->SetParameters(&none, DIEP_AXES | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    none.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
    CHECK(effect->SetParameters(&none, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    CHECK(effect->SetParameters(&full.e, DIEP_AXES | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
}

// The axes and the direction read back as the application gave them.
void AxesAndDirection(Wheel& w, IDirectInputEffect* effect) {
    DIDEVICEOBJECTINSTANCEW x = {};
    x.dwSize = sizeof x;
    w.device->GetObjectInfo(&x, DIJOFS_X, DIPH_BYOFFSET);
    ReadBack r(DIEFF_OBJECTIDS);
    r.e.cAxes = 0;
    CHECK(effect->GetParameters(&r.e, DIEP_AXES), DIERR_MOREDATA);
    CHECK(r.e.cAxes, 1);
    CHECK(effect->GetParameters(&r.e, DIEP_AXES), DI_OK);
    CHECK(static_cast<long>(r.axes[0]), static_cast<long>(x.dwType));
    r.e.dwFlags = DIEFF_OBJECTOFFSETS;
    CHECK(effect->GetParameters(&r.e, DIEP_AXES), DI_OK);
    CHECK(static_cast<long>(r.axes[0]), DIJOFS_X);
    CHECK(effect->Download(), DIERR_INCOMPLETEEFFECT);

    FullSine full;
    DIEFFECT d = full.e;
    d.cAxes = 0;
    CHECK(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    d.cAxes = 1;
    d.dwFlags = DIEFF_POLAR;
    CHECK(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    CHECK(effect->SetParameters(&full.e, DIEP_DIRECTION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    ReadBack c(DIEFF_CARTESIAN);
    c.e.cAxes = 0;
    CHECK(effect->GetParameters(&c.e, DIEP_DIRECTION), DIERR_MOREDATA);
    CHECK(c.e.cAxes, 1);
    CHECK(c.e.dwFlags, DIEFF_CARTESIAN);
    c.e.cAxes = 3;
    c.direction[1] = 0x5EED;
    CHECK(effect->GetParameters(&c.e, DIEP_DIRECTION), DI_OK);
    CHECK(c.e.cAxes, 1);
    CHECK(c.direction[0], 1000);
    CHECK(c.direction[1], 0x5EED);
    ReadBack s(DIEFF_SPHERICAL);
    s.direction[0] = 0x5EED;
    CHECK(effect->GetParameters(&s.e, DIEP_DIRECTION), DI_OK);
    CHECK(s.direction[0], 0);
    ReadBack p(DIEFF_POLAR);
    CHECK(effect->GetParameters(&p.e, DIEP_DIRECTION), DIERR_INVALIDPARAM);
}

// The effect complete, downloaded, played and taken off the device.
void Playing(Wheel& w, IDirectInputEffect* effect) {
    FullSine full;
    DIEFFECT d = full.e;
    d.cbTypeSpecificParams = 0;
    CHECK(effect->SetParameters(&d, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    CHECK(effect->SetParameters(&full.e, DIEP_TYPESPECIFICPARAMS | DIEP_NODOWNLOAD),
          DI_DOWNLOADSKIPPED);
    ReadBack r(0);
    CHECK(effect->GetParameters(&r.e, DIEP_TYPESPECIFICPARAMS), DI_OK);
    CHECK(r.periodic.dwPeriod, 4000);
    CHECK(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTDOWNLOADED);
    CHECK(effect->Stop(), DIERR_NOTDOWNLOADED);
    DWORD status = 0;
    CHECK(effect->GetEffectStatus(nullptr), E_POINTER);
    CHECK(effect->GetEffectStatus(&status), DIERR_NOTDOWNLOADED);
    CHECK(effect->Download(), DI_OK);
    CHECK(effect->Download(), DI_NOEFFECT);
    CHECK(effect->Start(1, 0xdeadbeef), DIERR_INVALIDPARAM);
    CHECK(effect->Start(1, DIES_SOLO), DI_OK);
    CHECK(effect->Stop(), DI_OK);
    CHECK(effect->Start(1, 0), DI_OK);
    CHECK(effect->Start(4, 0), DI_OK);
    CHECK(effect->Unload(), DI_OK);
    CHECK(effect->SetParameters(&full.e, DIEP_START), DI_OK);
    CHECK(effect->SetParameters(&full.e, DIEP_DURATION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    CHECK(effect->SetParameters(&full.e, 0), DI_OK);
    CHECK(effect->Unload(), DI_OK);
    CHECK(effect->Download(), DI_OK);
    CHECK(w.device->Unacquire(), DI_OK);
    CHECK(effect->Start(1, DIES_NODOWNLOAD), DIERR_NOTEXCLUSIVEACQUIRED);
    CHECK(effect->Stop(), DIERR_NOTEXCLUSIVEACQUIRED);
    CHECK(effect->GetEffectStatus(&status), DIERR_NOTEXCLUSIVEACQUIRED);
    IDirectInputEffect* another = nullptr;
    CHECK(w.device->CreateEffect(GUID_Sine, &full.e, &another, nullptr), DI_OK);
    if (another != nullptr) another->Release();
    CHECK(w.device->Acquire(), DI_OK);
    CHECK(effect->Unload(), DI_NOEFFECT);
}

// A direction as read back in one coordinate system.
struct DirectionRow {
    DWORD coords;
    LONG first, second;
    const char* what;
};

// A direction read back on two axes, as given; the read-back converted into other
// coordinates; axes given once. Runs where Y is an actuator too.
void TwoAxes(Wheel& w) {
    IDirectInputEffect* effect = nullptr;
    CHECK(w.device->CreateEffect(GUID_Sine, nullptr, &effect, nullptr), DI_OK);
    if (effect == nullptr) return;
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {3000, 0};
    DIEFFECT d = {};
    d.dwSize = sizeof d;
    d.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;
    d.cAxes = 2;
    d.rgdwAxes = axes;
    d.rglDirection = direction;
    CHECK(effect->SetParameters(&d, DIEP_AXES | DIEP_DIRECTION | DIEP_NODOWNLOAD),
          DI_DOWNLOADSKIPPED);
    // Each coordinate system: too little room first, then the direction.
    const DirectionRow polar[] = {
        {DIEFF_SPHERICAL, 30000, 0, "polar 30 degrees as spherical"},
        {DIEFF_CARTESIAN, 5000, -8660, "polar 30 degrees as cartesian"},
        {DIEFF_POLAR, 3000, 0, "polar 30 degrees as polar"},
    };
    for (const auto& row : polar) {
        ReadBack r(row.coords);
        r.e.cAxes = 1;
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DIERR_MOREDATA, row.what);
        CHECK(r.e.dwFlags, row.coords);
        CHECK(r.e.cAxes, 2);
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, row.what);
        Value(r.direction[0], row.first, row.what);
        Value(r.direction[1], row.second, row.what);
    }
    d.cAxes = 1;
    CHECK(effect->SetParameters(&d, DIEP_AXES | DIEP_NODOWNLOAD), DIERR_ALREADYINITIALIZED);
    d.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
    direction[0] = 1000;
    direction[1] = 2000;
    CHECK(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DIERR_INVALIDPARAM);
    d.cAxes = 2;
    CHECK(effect->SetParameters(&d, DIEP_DIRECTION | DIEP_NODOWNLOAD), DI_DOWNLOADSKIPPED);
    const DirectionRow cartesian[] = {
        {DIEFF_SPHERICAL, 6343, 0, "(1000, 2000) as spherical"},
        {DIEFF_POLAR, 15343, 0, "(1000, 2000) as polar"},
        {DIEFF_CARTESIAN, 1000, 2000, "(1000, 2000) as cartesian"},
    };
    for (const auto& row : cartesian) {
        ReadBack r(row.coords);
        Expect(effect->GetParameters(&r.e, DIEP_DIRECTION), DI_OK, row.what);
        CHECK(r.e.cAxes, 2);
        Value(r.direction[0], row.first, row.what);
        Value(r.direction[1], row.second, row.what);
    }
    CHECK(static_cast<long>(effect->Release()), 0);
}

// The device's own answers.
void Device(Wheel& w) {
    DIEFFECTINFOW info = {};
    info.dwSize = sizeof info;
    CHECK(w.device->GetEffectInfo(nullptr, GUID_Sine), E_POINTER);
    w.device->Unacquire();
    DIPROPDWORD centre = {};
    centre.diph = {sizeof centre, sizeof centre.diph, 0x00010030, DIPH_BYUSAGE};
    centre.dwData = DIPROPAUTOCENTER_OFF;
    CHECK(w.device->SetProperty(DIPROP_AUTOCENTER, &centre.diph), DIERR_UNSUPPORTED);
    // Last: this one crashed an earlier stand-in.
    IDirectInputEffect* effect = nullptr;
    const GUID* volatile none = nullptr;  // as a C program passes REFGUID
    CHECK(w.device->CreateEffect(*none, nullptr, &effect, nullptr), E_POINTER);
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
        CHECK(static_cast<long>(effect->Release()), 0);
    }
    Device(w);
    w.device->Unacquire();
    w.device->Release();
    w.input->Release();
    return differences;
}
