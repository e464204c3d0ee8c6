// quortest: one modal dialog that opens the first force-feedback game controller DirectInput
// reports, shows its product name, and plays one of three sample effects for five seconds
// per button press, through whatever effect driver DirectInput loads for the device. It
// never names the driver. Everything runs on the dialog's thread.
#include "platform/win32.h"
#include "tester/resource.h"
#include "tester/sample_effect.h"

namespace quortest {
namespace {

static_assert(DIJOFS_X == 0 && DIJOFS_Y == 4, "the sample effects' axis offsets");
static_assert(sizeof(DIEFFECT) == kSampleEffectSize, "DIEFFECT with dwStartDelay");

const char kCaption[] = "QV FFB Tester";

IDirectInput8A* testerInput = nullptr;
IDirectInputDevice8A* testerDevice = nullptr;
IDirectInputEffect* testerEffect = nullptr;
DWORD testerAxisCount = 0;

BOOL CALLBACK PickForceDevice(LPCDIDEVICEINSTANCEA instance, LPVOID) {
    if (FAILED(testerInput->CreateDevice(instance->guidInstance, &testerDevice, nullptr))) {
        testerDevice = nullptr;
        return DIENUM_CONTINUE;
    }
    return DIENUM_STOP;
}

BOOL CALLBACK CountActuatorAxis(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID count) {
    if (object->dwFlags & DIDOI_FFACTUATOR) ++*static_cast<DWORD*>(count);
    return DIENUM_CONTINUE;
}

// The device's own centring goes off, so that only the sample effects act.
HRESULT TurnAutoCentreOff() {
    DIPROPDWORD property = {};
    property.diph.dwSize = sizeof property;
    property.diph.dwHeaderSize = sizeof property.diph;
    property.diph.dwObj = 0;
    property.diph.dwHow = DIPH_DEVICE;
    property.dwData = DIPROPAUTOCENTER_OFF;
    return testerDevice->SetProperty(DIPROP_AUTOCENTER, &property.diph);
}

// The rest of the opening once a device was created: its name, format, cooperation, the
// centring and the actuator count.
HRESULT PrepareForceDevice(HWND dialog) {
    DIDEVICEINSTANCEA info = {};
    info.dwSize = sizeof info;
    testerDevice->GetDeviceInfo(&info);  // the name is shown as far as it was filled
    SetDlgItemTextA(dialog, kDeviceNameEdit, info.tszProductName);
    HRESULT result = testerDevice->SetDataFormat(&c_dfDIJoystick);
    if (SUCCEEDED(result)) {
        result = testerDevice->SetCooperativeLevel(dialog, DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    }
    if (SUCCEEDED(result)) result = TurnAutoCentreOff();
    if (SUCCEEDED(result)) {
        result = testerDevice->EnumObjects(CountActuatorAxis, &testerAxisCount, DIDFT_AXIS);
    }
    if (testerAxisCount > 2) testerAxisCount = 2;
    return FAILED(result) ? result : 0;
}

HRESULT OpenForceDevice(HWND dialog) {
    HRESULT result =
        DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                           reinterpret_cast<void**>(&testerInput), nullptr);
    if (FAILED(result)) return result;
    result = testerInput->EnumDevices(DI8DEVCLASS_GAMECTRL, PickForceDevice, nullptr,
                                      DIEDFL_FORCEFEEDBACK);
    if (FAILED(result)) return result;
    if (testerDevice == nullptr) {
        MessageBoxA(dialog, "Force feedback device not found.", kCaption, MB_ICONERROR);
        EndDialog(dialog, 0);
        return 0;  // the dialog is ended already
    }
    return PrepareForceDevice(dialog);
}

const GUID& SampleGuid(int kind) {
    switch (kind) {
    case kConstantSample: return GUID_ConstantForce;
    case kRampSample: return GUID_RampForce;
    default: return GUID_Sine;
    }
}

// Replaces the effect before: a playing one is unloaded first, so at most one exists.
void DropEffect() {
    if (testerEffect == nullptr) return;
    DWORD status = 0;
    testerEffect->GetEffectStatus(&status);
    if (status == DIEGES_PLAYING) testerEffect->Unload();
    testerEffect->Release();
    testerEffect = nullptr;
}

HRESULT StartSampleEffect(int kind) {
    DropEffect();
    SampleEffect sample;
    if (FillSampleEffect(kind, testerAxisCount, sample) != S_OK) return E_FAIL;
    const HRESULT result =
        testerDevice->CreateEffect(SampleGuid(kind), &sample.effect, &testerEffect, nullptr);
    if (FAILED(result)) return result;
    if (testerEffect == nullptr) return E_FAIL;
    testerDevice->Acquire();
    testerEffect->Start(1, 0);
    return 0;
}

void CloseForceDevice() {
    if (testerDevice != nullptr) testerDevice->Unacquire();
    if (testerEffect != nullptr) testerEffect->Release();
    testerEffect = nullptr;
    if (testerDevice != nullptr) testerDevice->Release();
    testerDevice = nullptr;
    if (testerInput != nullptr) testerInput->Release();
    testerInput = nullptr;
}

void ReportFailure(HWND dialog) {
    MessageBoxA(dialog, "Setting force feedback effect failed", kCaption, MB_OK);
}

BOOL OnCommand(HWND dialog, WORD id) {
    switch (id) {
    case IDCANCEL: EndDialog(dialog, 0); return TRUE;
    case kConstantButton:
    case kRampButton:
    case kPeriodicButton:
        if (StartSampleEffect(id - kConstantButton + 1) != 0) ReportFailure(dialog);
        return TRUE;
    case kStopButton:
        if (testerEffect != nullptr && testerEffect->Stop() != 0) ReportFailure(dialog);
        return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK TesterDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        if (OpenForceDevice(dialog) < 0) EndDialog(dialog, 0);
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        if (BeginPaint(dialog, &paint) != nullptr) EndPaint(dialog, &paint);
        return TRUE;
    }
    case WM_ACTIVATE: return TRUE;
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam));
    case WM_DESTROY: CloseForceDevice(); return TRUE;
    default: return FALSE;
    }
}

}  // namespace
}  // namespace quortest

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(quortest::kTesterDialog), nullptr,
                    quortest::TesterDialogProc, 0);
    return 0;
}
