// The five plain exports of the control panel, cdecl and undecorated, over this process's
// state.
#include "driver/control_panel.h"
#include "driver/module_state.h"

using namespace quorforce;

extern "C" {

int QUORFORCE_CDECL ZXGetDeviceConfig(int joystick, DeviceConfig* config) {
    return GetDeviceConfig(Module().process, joystick, config);
}

int QUORFORCE_CDECL ZXSetDeviceConfig(int joystick, DeviceConfig* config) {
    return SetDeviceConfig(Module().process, joystick, config);
}

int QUORFORCE_CDECL ModifyForcesNow(int, int, int joystick) {
    return ReloadStrengths(Module().process, joystick);
}

int QUORFORCE_CDECL GetAllEffectsParameters(const char* keyPath, int handle, int joystick) {
    return SaveEffectImage(Module().process, keyPath, handle, joystick);
}

int QUORFORCE_CDECL SetAllEffectsParameters(const char* keyPath, int handle, int joystick,
                                            int enable) {
    return ArmGainOverride(Module().process, keyPath, handle, joystick, enable);
}

}  // extern "C"
