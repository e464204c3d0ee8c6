/* A control panel written only against include/quorforce.h and the import library: built
 * as C99 by the win32 build, so the header and the exports stay usable from plain C. */
#include <stdio.h>

#include "include/quorforce.h"

int main(int argc, char** argv) {
    ForceSettings settings = {0, QUORFORCE_MASK_GLOBAL | QUORFORCE_MASK_SPRING_ON, 0, 0, 0, 0, 0,
                              0};
    DeviceConfig config = {0, 0, 0, &settings, 0};
    int joystick = argc > 1 ? argv[1][0] - '0' : 0;
    ZXGetDeviceConfig(joystick, &config);
    printf("filled %u global %d spring on %u driven %u\n", (unsigned)config.filled,
           (int)settings.global, (unsigned)settings.springOn, (unsigned)config.defaultSpringDriven);
    config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
    ZXSetDeviceConfig(joystick, &config);
    ModifyForcesNow(0, 0, joystick);
    GetAllEffectsParameters("Software\\quorforce\\images", 1, joystick);
    SetAllEffectsParameters("Software\\quorforce\\images", 1, joystick, 0);
    return 0;
}
