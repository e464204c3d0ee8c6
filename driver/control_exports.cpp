// The five plain exports of the control panel, cdecl and undecorated, over this process's
// state.
#include "driver/control_panel.h"
#include "driver/module_state.h"

using namespace quorforce;

extern "C" {

int QUORFORCE_CDECL ZXGetDeviceConfig(int joystickId, DeviceConfig* config) {
    return GetDeviceConfig(Module().process, joystickId, config);
}

int QUORFORCE_CDECL ZXSetDeviceConfig(int joystickId, DeviceConfig* config) {
    return SetDeviceConfig(Module().process, joystickId, config);
}

int QUORFORCE_CDECL ModifyForcesNow(int, int, int joystickId) {
    return ReloadForceGains(Module().process, joystickId);
}

int QUORFORCE_CDECL GetAllEffectsParameters(const char* keyPath, int handle, int joystickId) {
    return SaveEffectImage(Module().process, keyPath, handle, joystickId);
}

int QUORFORCE_CDECL SetAllEffectsParameters(const char* keyPath, int handle, int joystickId,
                                            int enable) {
    return ArmGainOverride(Module().process, keyPath, handle, joystickId, enable);
}

}  // extern "C"
