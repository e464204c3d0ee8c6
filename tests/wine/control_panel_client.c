/* A control panel written only against include/quorforce.h and the import library, in
 * plain C99, so the header and the exports stay usable from C.
 *
 *   control_panel_client            calls every export, bad input included, and checks the
 *                                   answers and that nothing outside the record changed;
 *                                   exit code 0 when all hold
 *   control_panel_client global J N sets joystick J's global strength to N, as a control
 *                                   panel beside a running game does
 *   control_panel_client image J H  stores effect handle H's image for joystick J under
 *                                   HKCU\Software\quorforce-test\images\J */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "include/quorforce.h"

static const char kImages[] = "Software\\quorforce-test\\images";
static int failures;

static void expect(int got, int wanted, const char* what) {
    if (got != wanted) {
        printf("FAIL %s: returned %d, expected %d\n", what, got, wanted);
        ++failures;
    }
}

/* The length of an image value under the images key, or -1 when there is none. */
static long image_length(int joystick, int handle) {
    char key[300];
    char name[64];
    DWORD length = 0;
    HKEY k;
    long result = -1;
    sprintf(key, "%s\\%d", kImages, joystick);
    sprintf(name, "Value_Parameter_%d", handle);
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return -1;
    if (RegQueryValueExA(k, name, NULL, NULL, NULL, &length) == ERROR_SUCCESS) {
        result = (long)length;
    }
    RegCloseKey(k);
    return result;
}

static int set_global(int joystick, int value) {
    ForceSettings settings;
    DeviceConfig config;
    memset(&settings, 0, sizeof settings);
    memset(&config, 0, sizeof config);
    settings.mask = QUORFORCE_MASK_GLOBAL;
    settings.global = value;
    config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
    config.forceSettings = &settings;
    return ZXSetDeviceConfig(joystick, &config);
}

static void check_config(void) {
    ForceSettings settings;
    DeviceConfig config;
    DeviceConfig untouched;
    memset(&settings, 0xAB, sizeof settings);
    settings.mask = QUORFORCE_MASK_GLOBAL | QUORFORCE_MASK_SPRING_ON;
    memset(&config, 0, sizeof config);
    config.forceSettings = &settings;
    expect(ZXGetDeviceConfig(0, &config), 0, "get joystick 0");
    expect((int)config.filled, 1, "get fills the record");
    expect(settings.global, 100, "the default global strength");
    expect((int)settings.dynamic, (int)0xABABABAB, "a field outside the mask");

    untouched = config;
    untouched.filled = 0;
    config = untouched;
    expect(ZXGetDeviceConfig(8, &config), 0, "get joystick 8");
    expect(ZXGetDeviceConfig(-1, &config), 0, "get joystick -1");
    expect(memcmp(&config, &untouched, sizeof config) == 0, 1, "a refused get leaves the record");
    expect(ZXGetDeviceConfig(0, NULL), 0, "get with no record");
    config.forceSettings = NULL;
    expect(ZXGetDeviceConfig(0, &config), 0, "get without strengths");
    expect((int)config.filled, 1, "a get without strengths still fills");
    expect(ZXSetDeviceConfig(0, NULL), 0, "set with no record");
    expect(ZXSetDeviceConfig(9, &config), 0, "set joystick 9");
    expect(set_global(0, 80), 0, "set the global strength");
    config.forceSettings = &settings;
    settings.mask = QUORFORCE_MASK_GLOBAL;
    ZXGetDeviceConfig(0, &config);
    expect(settings.global, 80, "the global strength read back");
    expect(ModifyForcesNow(0, 0, 0), 1, "reload joystick 0");
    expect(ModifyForcesNow(0, 0, 8), 0, "reload joystick 8");
    set_global(0, 100);
}

static void check_images(void) {
    char longKey[2100];
    memset(longKey, 'k', sizeof longKey - 1);
    longKey[sizeof longKey - 1] = '\0';
    expect(GetAllEffectsParameters(kImages, 1, 0), 0, "save handle 1");
    expect(image_length(0, 1), 160, "the image of a slot");
    expect(GetAllEffectsParameters(kImages, 0, 0), 0, "save handle 0");
    expect(GetAllEffectsParameters(kImages, 65, 0), 0, "save handle 65");
    expect(GetAllEffectsParameters(kImages, 2, 8), 0, "save on joystick 8");
    expect(GetAllEffectsParameters(NULL, 2, 0), 0, "save without a key");
    expect(GetAllEffectsParameters(longKey, 2, 0), 0, "save under a too long key");
    expect(image_length(0, 0) + image_length(0, 65) + image_length(0, 2), -3,
           "refused saves store nothing");
    expect(SetAllEffectsParameters(kImages, 1, 0, 1), 1, "arm from a stored image");
    expect(SetAllEffectsParameters(kImages, 1, 0, 0), 0, "disarm");
    expect(SetAllEffectsParameters(kImages, 1, 8, 1), 0, "arm joystick 8");
    expect(SetAllEffectsParameters(NULL, 1, 0, 1), 0, "arm without a key");
    expect(SetAllEffectsParameters(kImages, 99, 0, 1), 0, "arm handle 99");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\quorforce-test\\images\\0");
    RegDeleteKeyA(HKEY_CURRENT_USER, kImages);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\quorforce-test");
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "global") == 0) {
        return set_global(atoi(argv[2]), atoi(argv[3]));
    }
    if (argc == 4 && strcmp(argv[1], "image") == 0) {
        return GetAllEffectsParameters(kImages, atoi(argv[3]), atoi(argv[2]));
    }
    check_config();
    check_images();
    printf("control panel client: %s\n", failures == 0 ? "all answers as expected" : "FAILED");
    return failures == 0 ? 0 : 1;
}
