// Programs shaped like real applications of a force-feedback device, for the DirectInput
// stand-in and the virtual wheel: `haptics` (a haptics library's calls), `driving` (a
// driving game's), `rumble` (a game pad's vibration), `refusals` (a table of what
// DirectInput must refuse and what it must let through), `stepwise` (a game that builds its
// effects one parameter at a time) and `applet` (a game-controller applet's page). Each prints
// every call whose result is not the one expected and ends with the number of those as its exit
// code.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#define DIRECTINPUT_VERSION 0x0800
#include <dinput.h>

namespace {

int failures = 0;

HRESULT Check(HRESULT result, const char* call, HRESULT expected = DI_OK) {
    if (result != expected && !(expected == DI_OK && SUCCEEDED(result))) {
        std::printf("FAIL %s -> 0x%08lX\n", call, static_cast<unsigned long>(result));
        ++failures;
    }
    return result;
}

BOOL CALLBACK FirstDevice(LPCDIDEVICEINSTANCEW instance, LPVOID out) {
    *static_cast<GUID*>(out) = instance->guidInstance;
    return DIENUM_STOP;
}

BOOL CALLBACK CountActuator(LPCDIDEVICEOBJECTINSTANCEW object, LPVOID count) {
    if ((object->dwFlags & DIDOI_FFACTUATOR) != 0) ++*static_cast<DWORD*>(count);
    return DIENUM_CONTINUE;
}

BOOL CALLBACK CountEffect(LPCDIEFFECTINFOW, LPVOID count) {
    ++*static_cast<int*>(count);
    return DIENUM_CONTINUE;
}

HRESULT SetDword(IDirectInputDevice8W* device, REFGUID property, DWORD value) {
    DIPROPDWORD p = {};
    p.diph.dwSize = sizeof p;
    p.diph.dwHeaderSize = sizeof p.diph;
    p.diph.dwHow = DIPH_DEVICE;
    p.dwData = value;
    return device->SetProperty(property, &p.diph);
}

// One effect description, DIEFFECT and its records together.
struct Effect {
    DIEFFECT e = {};
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG direction[2] = {0, 0};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 0, 0, 0, 0};
    union {
        DICONSTANTFORCE constant;
        DIRAMPFORCE ramp;
        DIPERIODIC periodic;
        DICONDITION condition[2];
    } specific = {};

    Effect(DWORD axisCount, DWORD coords, DWORD duration, DWORD size) {
        e.dwSize = sizeof e;
        e.dwFlags = coords | DIEFF_OBJECTOFFSETS;
        e.dwDuration = duration;
        e.dwGain = DI_FFNOMINALMAX;
        e.dwTriggerButton = DIEB_NOTRIGGER;
        e.cAxes = axisCount;
        e.rgdwAxes = axes;
        e.rglDirection = direction;
        e.cbTypeSpecificParams = size;
        e.lpvTypeSpecificParams = &specific;
    }
};

struct Session {
    IDirectInput8W* input = nullptr;
    IDirectInputDevice8W* device = nullptr;
    DWORD actuators = 0;
};

// A haptics library opens the device: COM creation, force-feedback game controllers,
// capabilities, exclusive background access, the extended joystick format.
bool Open(Session& s, bool throughCom) {
    if (throughCom) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(Check(CoCreateInstance(CLSID_DirectInput8, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IDirectInput8W, reinterpret_cast<void**>(&s.input)),
                         "CoCreateInstance"))) {
            return false;
        }
        Check(s.input->Initialize(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION), "Initialize");
    } else if (FAILED(Check(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION,
                                               IID_IDirectInput8W,
                                               reinterpret_cast<void**>(&s.input), nullptr),
                            "DirectInput8Create"))) {
        return false;
    }
    GUID instance = GUID_NULL;
    Check(s.input->EnumDevices(DI8DEVCLASS_GAMECTRL, FirstDevice, &instance,
                               DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK),
          "EnumDevices");
    if (IsEqualGUID(instance, GUID_NULL)) {
        std::printf("FAIL no force-feedback game controller\n");
        ++failures;
        return false;
    }
    if (FAILED(Check(s.input->CreateDevice(instance, &s.device, nullptr), "CreateDevice"))) {
        return false;
    }
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof caps;
    Check(s.device->GetCapabilities(&caps), "GetCapabilities");
    if ((caps.dwFlags & DIDC_FORCEFEEDBACK) == 0) {
        std::printf("FAIL no DIDC_FORCEFEEDBACK\n");
        ++failures;
    }
    Check(s.device->SetCooperativeLevel(GetDesktopWindow(), DISCL_EXCLUSIVE | DISCL_BACKGROUND),
          "SetCooperativeLevel");
    Check(s.device->SetDataFormat(&c_dfDIJoystick2), "SetDataFormat");
    Check(s.device->EnumObjects(CountActuator, &s.actuators, DIDFT_AXIS), "EnumObjects");
    std::printf("actuators %lu\n", s.actuators);
    return true;
}

void Close(Session& s) {
    if (s.device != nullptr) {
        s.device->Unacquire();
        s.device->Release();
    }
    if (s.input != nullptr) s.input->Release();
}

IDirectInputEffect* Create(Session& s, REFGUID guid, Effect& effect, const char* name) {
    IDirectInputEffect* created = nullptr;
    if (FAILED(Check(s.device->CreateEffect(guid, &effect.e, &created, nullptr), name))) {
        return nullptr;
    }
    return created;
}

// Nine effects, each played once for a second, each updated once with only what changed.
int Haptics(bool throughCom) {
    Session s;
    if (!Open(s, throughCom)) return failures + 1;
    Check(SetDword(s.device, DIPROP_AUTOCENTER, DIPROPAUTOCENTER_OFF), "SetProperty autocenter");
    Check(s.device->Acquire(), "Acquire");
    Check(s.device->SendForceFeedbackCommand(DISFFC_RESET), "reset");
    Check(s.device->SendForceFeedbackCommand(DISFFC_SETACTUATORSON), "actuators on");
    int types = 0;
    Check(s.device->EnumEffects(CountEffect, &types, DIEFT_ALL), "EnumEffects");
    std::printf("effect types %d\n", types);
    Check(SetDword(s.device, DIPROP_FFGAIN, 10000), "SetProperty ffgain");
    const DWORD n = s.actuators;
    const DWORD second = 1000000;
    const DWORD kCondition = sizeof(DICONDITION);

    struct Case {
        const char* name;
        const GUID* guid;
        DWORD coords;
        LONG direction[2];
        DWORD size;
        DWORD changed;  // the one update's flags
    };
    const Case cases[] = {
        {"sine", &GUID_Sine, DIEFF_POLAR, {9000, 0}, sizeof(DIPERIODIC), DIEP_TYPESPECIFICPARAMS},
        {"sawtooth up", &GUID_SawtoothUp, DIEFF_POLAR, {27000, 0}, sizeof(DIPERIODIC), DIEP_GAIN},
        {"constant",
         &GUID_ConstantForce,
         DIEFF_POLAR,
         {9000, 0},
         sizeof(DICONSTANTFORCE),
         DIEP_DIRECTION},
        {"spring", &GUID_Spring, DIEFF_CARTESIAN, {0, 0}, kCondition * n, DIEP_TYPESPECIFICPARAMS},
        {"damper", &GUID_Damper, DIEFF_CARTESIAN, {0, 0}, kCondition * n, DIEP_GAIN},
        {"inertia",
         &GUID_Inertia,
         DIEFF_CARTESIAN,
         {0, 0},
         kCondition * n,
         DIEP_TYPESPECIFICPARAMS},
        {"ramp", &GUID_RampForce, DIEFF_CARTESIAN, {1, -1}, sizeof(DIRAMPFORCE), DIEP_DURATION},
        {"square", &GUID_Square, DIEFF_SPHERICAL, {0, 0}, sizeof(DIPERIODIC), DIEP_ENVELOPE},
        {"triangle", &GUID_Triangle, DIEFF_CARTESIAN, {1, 0}, sizeof(DIPERIODIC), DIEP_DIRECTION},
    };
    for (const Case& c : cases) {
        const bool polar = c.coords == DIEFF_POLAR;
        Effect effect(polar ? 2 : n, c.coords, second, c.size);
        effect.direction[0] = c.direction[0];
        effect.direction[1] = c.direction[1];
        if (std::strcmp(c.name, "sine") == 0) {
            effect.specific.periodic = {5000, 0, 18000, 100000};
            effect.specific.periodic.dwMagnitude = 5000;
            // A negative magnitude is given as the phase of the wave: half a turn.
            effect.envelope = {sizeof(DIENVELOPE), 0, 200000, 0, 200000};
            effect.e.lpEnvelope = &effect.envelope;
        } else if (std::strcmp(c.name, "constant") == 0) {
            effect.specific.constant.lMagnitude = 6000;
        } else if (std::strcmp(c.name, "ramp") == 0) {
            effect.specific.ramp = {-5000, 5000};
        } else if (c.size % sizeof(DICONDITION) == 0 && c.size >= sizeof(DICONDITION)) {
            for (DICONDITION& condition : effect.specific.condition)
                condition = {0, 5000, 5000, 10000, 10000, 0};
            if (std::strcmp(c.name, "spring") == 0) effect.specific.condition[0].lOffset = 2000;
            if (std::strcmp(c.name, "inertia") == 0) effect.specific.condition[0].lDeadBand = 1000;
        } else {
            effect.specific.periodic = {5000, 0, 0, 200000};
        }
        IDirectInputEffect* created = Create(s, *c.guid, effect, c.name);
        if (created == nullptr) continue;
        Check(created->Start(1, 0), "Start");
        Sleep(500);
        // The one update: only what changed.
        if (c.changed == DIEP_TYPESPECIFICPARAMS && c.size == sizeof(DIPERIODIC)) {
            effect.specific.periodic.dwMagnitude = 8000;
        } else if (c.changed == DIEP_TYPESPECIFICPARAMS) {
            effect.specific.condition[0].lPositiveCoefficient = 8000;
        } else if (c.changed == DIEP_GAIN) {
            effect.e.dwGain = 7000;
        } else if (c.changed == DIEP_DIRECTION) {
            effect.direction[0] = polar ? 27000 : -1;
        } else if (c.changed == DIEP_DURATION) {
            effect.e.dwDuration = second / 2;
        } else if (c.changed == DIEP_ENVELOPE) {
            effect.e.lpEnvelope = &effect.envelope;
        }
        Check(created->SetParameters(&effect.e, c.changed), "SetParameters");
        Sleep(500);
        DWORD status = 0;
        Check(created->GetEffectStatus(&status), "GetEffectStatus");
        created->Release();
    }
    // Pause, continue, stop all on a long constant.
    Effect effect(n, DIEFF_CARTESIAN, INFINITE, sizeof(DICONSTANTFORCE));
    effect.direction[0] = 1;
    effect.specific.constant.lMagnitude = 4000;
    if (IDirectInputEffect* held = Create(s, GUID_ConstantForce, effect, "held")) {
        Check(held->Start(1, 0), "Start held");
        Sleep(300);
        Check(s.device->SendForceFeedbackCommand(DISFFC_PAUSE), "pause");
        Sleep(300);
        DWORD state = 0;
        Check(s.device->GetForceFeedbackState(&state), "GetForceFeedbackState");
        std::printf("paused state 0x%lX\n", state);
        Check(s.device->SendForceFeedbackCommand(DISFFC_CONTINUE), "continue");
        Sleep(300);
        Check(s.device->SendForceFeedbackCommand(DISFFC_STOPALL), "stop all");
        Sleep(200);
        held->Release();
    }
    Close(s);
    return failures;
}

// One constant force on a one-axis wheel, updated every 100 ms for ten seconds while the
// wheel turns, a spring and a damper underneath; then the device is lost and found again.
int Driving(int seconds) {
    Session s;
    if (!Open(s, false)) return failures + 1;
    Check(SetDword(s.device, DIPROP_AUTOCENTER, DIPROPAUTOCENTER_OFF), "SetProperty autocenter");
    DIPROPRANGE range = {};
    range.diph = {sizeof range, sizeof range.diph, DIJOFS_X, DIPH_BYOFFSET};
    range.lMin = -32768;
    range.lMax = 32767;
    Check(s.device->SetProperty(DIPROP_RANGE, &range.diph), "SetProperty range");
    Check(s.device->Acquire(), "Acquire");
    Effect constant(1, DIEFF_CARTESIAN, INFINITE, sizeof(DICONSTANTFORCE));
    constant.direction[0] = 1;
    Effect spring(1, DIEFF_CARTESIAN, INFINITE, sizeof(DICONDITION));
    spring.specific.condition[0] = {0, 3000, 3000, 10000, 10000, 0};
    Effect damper(1, DIEFF_CARTESIAN, INFINITE, sizeof(DICONDITION));
    damper.specific.condition[0] = {0, 2000, 2000, 10000, 10000, 0};
    IDirectInputEffect* force = Create(s, GUID_ConstantForce, constant, "constant");
    IDirectInputEffect* centre = Create(s, GUID_Spring, spring, "spring");
    IDirectInputEffect* friction = Create(s, GUID_Damper, damper, "damper");
    if (force == nullptr || centre == nullptr || friction == nullptr) return failures;
    for (int round = 0; round < 2; ++round) {
        Check(centre->Start(1, 0), "Start spring");
        Check(friction->Start(1, 0), "Start damper");
        for (int step = 0; step < seconds * 10; ++step) {
            Check(s.device->Poll(), "Poll");
            DIJOYSTATE2 state = {};
            Check(s.device->GetDeviceState(sizeof state, &state), "GetDeviceState");
            // Against the turn: the force comes from the side the wheel is turned to.
            const LONG x = state.lX;
            constant.direction[0] = x >= 0 ? 1 : -1;
            constant.specific.constant.lMagnitude = 2000 + (step % 10) * 500;
            Check(force->SetParameters(&constant.e,
                                       DIEP_DIRECTION | DIEP_TYPESPECIFICPARAMS | DIEP_START),
                  "SetParameters");
            if (step % 10 == 0) std::printf("round %d step %d x %ld\n", round, step, x);
            Sleep(100);
        }
        if (round == 0) {
            Check(s.device->Unacquire(), "Unacquire");
            Sleep(200);
            Check(s.device->Acquire(), "Acquire again");
        }
    }
    force->Release();
    centre->Release();
    friction->Release();
    Close(s);
    return failures;
}

// Two sines, one on each motor of a vibration pad, started and stopped rapidly; the gain
// halved midway.
int Rumble() {
    Session s;
    if (!Open(s, false)) return failures + 1;
    Check(s.device->Acquire(), "Acquire");
    if (s.actuators < 2) {
        std::printf("FAIL the pad has %lu actuators\n", s.actuators);
        return failures + 1;
    }
    Effect left(1, DIEFF_CARTESIAN, 200000, sizeof(DIPERIODIC));
    left.axes[0] = DIJOFS_X;
    left.direction[0] = 1;
    left.specific.periodic = {8000, 0, 0, 50000};
    Effect right(1, DIEFF_CARTESIAN, 200000, sizeof(DIPERIODIC));
    right.axes[0] = DIJOFS_Y;
    right.direction[0] = 1;
    right.specific.periodic = {4000, 0, 0, 30000};
    IDirectInputEffect* low = Create(s, GUID_Sine, left, "left");
    IDirectInputEffect* high = Create(s, GUID_Sine, right, "right");
    if (low == nullptr || high == nullptr) return failures;
    for (int i = 0; i < 20; ++i) {
        if (i == 10) Check(SetDword(s.device, DIPROP_FFGAIN, 5000), "SetProperty ffgain");
        Check(low->Start(1, 0), "Start left");
        Check(high->Start(1, 0), "Start right");
        Sleep(60);
        Check(high->Stop(), "Stop right");
        Sleep(40);
        Check(low->Stop(), "Stop left");
    }
    low->Release();
    high->Release();
    Close(s);
    return failures;
}

// What DirectInput refuses before the driver sees anything, one row each, on the built-in
// wheel (X the only actuator). Every effect row starts from a valid one-axis effect on X and
// changes one thing; the valid rows are there so that a stand-in refusing everything fails.
struct EffectRow {
    const char* name;
    const GUID* type;
    DWORD size;  // of the type-specific record
    void (*change)(Effect&);
    HRESULT expected;
};

void Unchanged(Effect&) {}

const EffectRow kEffectRows[] = {
    {"a constant", &GUID_ConstantForce, sizeof(DICONSTANTFORCE), Unchanged, DI_OK},
    {"a constant with a ramp's record", &GUID_ConstantForce, sizeof(DIRAMPFORCE), Unchanged,
     DIERR_INVALIDPARAM},
    {"a constant with a record of no size", &GUID_ConstantForce, 0, Unchanged, DIERR_INVALIDPARAM},
    {"a ramp with a constant's record", &GUID_RampForce, sizeof(DICONSTANTFORCE), Unchanged,
     DIERR_INVALIDPARAM},
    {"a sine with a short record", &GUID_Sine, sizeof(DIPERIODIC) - 4, Unchanged,
     DIERR_INVALIDPARAM},
    {"a spring with one condition", &GUID_Spring, sizeof(DICONDITION), Unchanged, DI_OK},
    {"a spring with two conditions on one axis", &GUID_Spring, 2 * sizeof(DICONDITION), Unchanged,
     DIERR_INVALIDPARAM},
    {"polar on one axis", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.e.dwFlags = DIEFF_POLAR | DIEFF_OBJECTOFFSETS; }, DIERR_INVALIDPARAM},
    {"two coordinate systems at once", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.e.dwFlags |= DIEFF_POLAR; }, DIERR_INVALIDPARAM},
    {"on Y, which is no actuator", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.axes[0] = DIJOFS_Y; }, DIERR_INVALIDPARAM},
    {"on an axis the wheel lacks", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.axes[0] = DIJOFS_RZ; }, DIERR_INVALIDPARAM},
    {"on X twice", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) {
         e.e.cAxes = 2;
         e.axes[1] = DIJOFS_X;
     },
     DIERR_INVALIDPARAM},
    {"axes named neither by offset nor by id", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.e.dwFlags = DIEFF_CARTESIAN; }, DIERR_INVALIDPARAM},
    {"an envelope of the wrong size", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) {
         e.envelope.dwSize = sizeof(DIENVELOPE) - 4;
         e.e.lpEnvelope = &e.envelope;
     },
     DIERR_INVALIDPARAM},
    {"a gain above 10000", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.e.dwGain = DI_FFNOMINALMAX + 1; }, DIERR_INVALIDPARAM},
    {"a DIEFFECT of neither known size", &GUID_ConstantForce, sizeof(DICONSTANTFORCE),
     [](Effect& e) { e.e.dwSize = sizeof(DIEFFECT) + 4; }, DIERR_INVALIDPARAM},
};

struct PropertyRow {
    const char* name;
    bool acquired;
    const GUID* property;
    DWORD how, object, value;
    HRESULT expected;
};

const PropertyRow kPropertyRows[] = {
    {"auto-centre off, unacquired", false, &DIPROP_AUTOCENTER, DIPH_DEVICE, 0, DIPROPAUTOCENTER_OFF,
     DI_OK},
    {"auto-centre off, acquired", true, &DIPROP_AUTOCENTER, DIPH_DEVICE, 0, DIPROPAUTOCENTER_OFF,
     DIERR_ACQUIRED},
    {"auto-centre of 2", false, &DIPROP_AUTOCENTER, DIPH_DEVICE, 0, 2, DIERR_INVALIDPARAM},
    {"auto-centre of one axis", false, &DIPROP_AUTOCENTER, DIPH_BYOFFSET, DIJOFS_X,
     DIPROPAUTOCENTER_OFF, DIERR_INVALIDPARAM},
    {"the gain, acquired", true, &DIPROP_FFGAIN, DIPH_DEVICE, 0, 8000, DI_OK},
    {"a gain above 10000", true, &DIPROP_FFGAIN, DIPH_DEVICE, 0, 10001, DIERR_INVALIDPARAM},
};

// Each row prints its result; a row whose result differs is a failure.
int Refusals() {
    Session s;
    if (!Open(s, false)) return failures + 1;
    for (const PropertyRow& row : kPropertyRows) {
        if (row.acquired) {
            Check(s.device->Acquire(), "Acquire");
        } else {
            s.device->Unacquire();
        }
        DIPROPDWORD p = {};
        p.diph.dwSize = sizeof p;
        p.diph.dwHeaderSize = sizeof p.diph;
        p.diph.dwHow = row.how;
        p.diph.dwObj = row.object;
        p.dwData = row.value;
        const HRESULT result = s.device->SetProperty(*row.property, &p.diph);
        std::printf("property %s -> 0x%08lX\n", row.name, static_cast<unsigned long>(result));
        Check(result, row.name, row.expected);
    }
    // Exclusively acquired: an effect that passed would reach the driver at once.
    Check(s.device->Acquire(), "Acquire");
    for (const EffectRow& row : kEffectRows) {
        Effect effect(1, DIEFF_CARTESIAN, 1000000, row.size);
        effect.direction[0] = 1;
        row.change(effect);
        IDirectInputEffect* created = nullptr;
        const HRESULT result = s.device->CreateEffect(*row.type, &effect.e, &created, nullptr);
        std::printf("effect %s -> 0x%08lX\n", row.name, static_cast<unsigned long>(result));
        Check(result, row.name, row.expected);
        if (created != nullptr) created->Release();
    }
    Close(s);
    return failures;
}

// A game that builds its effects step by step, one parameter per call, before it has the
// device and after, as DirectInput lets it: a constant force that never gets a gain (a new
// effect's gain is 0) and a spring with its gain, both started once complete.
int Stepwise() {
    Session s;
    if (!Open(s, false)) return failures + 1;
    IDirectInputEffect* constant = nullptr;
    IDirectInputEffect* spring = nullptr;
    Check(s.device->CreateEffect(GUID_ConstantForce, nullptr, &constant, nullptr),
          "CreateEffect constant");
    Check(s.device->CreateEffect(GUID_Spring, nullptr, &spring, nullptr), "CreateEffect spring");
    if (constant == nullptr || spring == nullptr) return failures + 1;
    Effect force(1, DIEFF_CARTESIAN, INFINITE, sizeof(DICONSTANTFORCE));
    force.direction[0] = -1;
    force.specific.constant.lMagnitude = 5000;
    Effect centre(1, DIEFF_CARTESIAN, INFINITE, sizeof(DICONDITION));
    centre.specific.condition[0] = {0, 4000, 4000, 10000, 10000, 0};
    centre.e.dwGain = 8000;
    // Unacquired: each step is kept and nothing reaches the device.
    const DWORD steps[] = {DIEP_DURATION, DIEP_TYPESPECIFICPARAMS, DIEP_AXES, DIEP_DIRECTION};
    for (DWORD step : steps) {
        Check(constant->SetParameters(&force.e, step), "step, unacquired", DI_DOWNLOADSKIPPED);
        Check(spring->SetParameters(&centre.e, step), "step, unacquired", DI_DOWNLOADSKIPPED);
    }
    Check(s.device->Acquire(), "Acquire");
    // Acquired: the spring's gain held back, then sent with the start.
    Check(spring->SetParameters(&centre.e, DIEP_GAIN | DIEP_NODOWNLOAD), "gain held back",
          DI_DOWNLOADSKIPPED);
    Check(constant->Download(), "Download constant");
    Check(constant->Download(), "Download constant again", DI_NOEFFECT);
    Check(constant->Start(1, 0), "Start constant");
    Check(spring->Start(1, 0), "Start spring");
    Sleep(500);
    constant->Release();
    spring->Release();
    Close(s);
    return failures;
}

BOOL CALLBACK KeepEffectType(LPCDIEFFECTINFOW info, LPVOID types) {
    static_cast<std::vector<DIEFFECTINFOW>*>(types)->push_back(*info);
    return DIENUM_CONTINUE;
}

// A size of type-specific record that suits an effect type on one axis.
DWORD RecordSize(DWORD type) {
    switch (DIEFT_GETTYPE(type)) {
    case DIEFT_CONSTANTFORCE: return sizeof(DICONSTANTFORCE);
    case DIEFT_RAMPFORCE: return sizeof(DIRAMPFORCE);
    case DIEFT_PERIODIC: return sizeof(DIPERIODIC);
    case DIEFT_CONDITION: return sizeof(DICONDITION);
    default: return 0;
    }
}

// Shaped like a game-controller applet's force-feedback page: every registered effect
// created from a record with a zeroed trigger (offset 0, the X axis, which no effect lists),
// input read when the device's event says it changed, from the state and from the buffer,
// and the effect's parameters read back with the flags it set them with.
int Applet() {
    Session s;
    if (!Open(s, false)) return failures + 1;
    DIPROPDWORD buffer = {};
    buffer.diph = {sizeof buffer, sizeof buffer.diph, 0, DIPH_DEVICE};
    buffer.dwData = 32;
    Check(s.device->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph), "SetProperty buffer size");
    HANDLE changed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    Check(s.device->SetEventNotification(changed), "SetEventNotification");
    Check(s.device->Acquire(), "Acquire");
    std::vector<DIEFFECTINFOW> types;
    Check(s.device->EnumEffects(KeepEffectType, &types, DIEFT_ALL), "EnumEffects");
    std::vector<IDirectInputEffect*> effects;
    for (const DIEFFECTINFOW& type : types) {
        Effect effect(1, DIEFF_CARTESIAN, 2000000, RecordSize(type.dwEffType));
        effect.e.dwTriggerButton = 0;
        effect.direction[0] = 1;
        effect.specific.periodic = {3000, 0, 0, 100000};
        if (RecordSize(type.dwEffType) == sizeof(DICONDITION))
            effect.specific.condition[0] = {0, 3000, 3000, 10000, 10000, 0};
        if (IDirectInputEffect* created = Create(s, type.guid, effect, "CreateEffect"))
            effects.push_back(created);
    }
    std::printf("effects %zu of %zu\n", effects.size(), types.size());
    if (effects.empty() || effects.size() != types.size()) ++failures;
    DWORD wakeups = 0, events = 0;
    for (int i = 0; i < 40 && !effects.empty(); ++i) {
        if (WaitForSingleObject(changed, 2000) != WAIT_OBJECT_0) continue;
        ++wakeups;
        DIJOYSTATE2 state = {};
        Check(s.device->GetDeviceState(sizeof state, &state), "GetDeviceState");
        DIDEVICEOBJECTDATA data[32];
        DWORD count = 32;
        Check(s.device->GetDeviceData(sizeof data[0], data, &count, 0), "GetDeviceData");
        events += count;
        // Only the wheel turns: every event is X's, in order.
        for (DWORD n = 0; n < count; ++n) {
            const bool ordered = n == 0 || data[n].dwSequence > data[n - 1].dwSequence;
            if (data[n].dwOfs != DIJOFS_X || !ordered) {
                std::printf("FAIL event at offset %lu, sequence %lu\n", data[n].dwOfs,
                            data[n].dwSequence);
                ++failures;
            }
        }
        IDirectInputEffect* effect = effects[static_cast<std::size_t>(i) % effects.size()];
        Effect read(1, DIEFF_CARTESIAN, 0, sizeof(DIPERIODIC));
        Check(effect->GetParameters(&read.e, DIEP_DIRECTION | DIEP_NORESTART | DIEP_START),
              "GetParameters with SetParameters' flags");
        Check(effect->Start(1, 0), "Start");
    }
    std::printf("wake-ups %lu, buffered events %lu\n", wakeups, events);
    if (wakeups == 0 || events == 0) ++failures;
    for (IDirectInputEffect* effect : effects)
        effect->Release();
    Close(s);
    CloseHandle(changed);
    return failures;
}

}  // namespace

int main(int argc, char** argv) {
    const char* pattern = argc > 1 ? argv[1] : "";
    int result = 100;
    if (std::strcmp(pattern, "haptics") == 0)
        result = Haptics(argc > 2 && std::strcmp(argv[2], "com") == 0);
    if (std::strcmp(pattern, "driving") == 0) result = Driving(argc > 2 ? std::atoi(argv[2]) : 10);
    if (std::strcmp(pattern, "rumble") == 0) result = Rumble();
    if (std::strcmp(pattern, "refusals") == 0) result = Refusals();
    if (std::strcmp(pattern, "stepwise") == 0) result = Stepwise();
    if (std::strcmp(pattern, "applet") == 0) result = Applet();
    if (result == 100)
        std::printf(
            "usage: quorforce_app_patterns haptics [com]|driving [SECONDS]|rumble|refusals|"
            "stepwise|applet\n");
    std::fflush(stdout);
    return result;
}
