/* quorforce.h: what a control panel calls in quorforce.dll to tune a bound force-feedback
 * device while games play. Plain C (C99 and C++), 32- and 64-bit Windows; link with
 * libquorforce.dll.a or load the DLL and look the functions up by these names. */
#ifndef QUORFORCE_H
#define QUORFORCE_H

#include <stdint.h>

#if defined(_WIN32) && !defined(QUORFORCE_CDECL)
#define QUORFORCE_CDECL __cdecl
#elif !defined(QUORFORCE_CDECL)
#define QUORFORCE_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The class id of the effect driver, as registered for DirectInput. */
#define QUORFORCE_CLSID_TEXT "{5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}"
/* The class id of the control panel's Game Controllers page (IDIGameCntrlPropSheet, served by
 * quorpage.dll beside quorforce.dll), as the wheel's OEM key names it in ConfigCLSID. */
#define QUORFORCE_PAGE_CLSID_TEXT "{5C0E2A72-3B94-4D6A-9E21-7F40C8D1A6B3}"

/* ForceSettings.mask: which strengths a get fills or a set applies. */
#define QUORFORCE_MASK_GLOBAL 0x01u    /* global: every force, percent */
#define QUORFORCE_MASK_DYNAMIC 0x02u   /* dynamic: spring, damper and inertia, percent */
#define QUORFORCE_MASK_STATIC_A 0x04u  /* staticA: constant, ramp, periodic, percent */
#define QUORFORCE_MASK_STATIC_B 0x08u  /* staticB: the same strength; staticA wins a set */
#define QUORFORCE_MASK_SPRING 0x10u    /* spring: the device's own spring, percent */
#define QUORFORCE_MASK_SPRING_ON 0x20u /* springOn: the device's own spring on (non-zero) */

/* DeviceConfig.applyFlags: a set applies forceSettings before it saves. */
#define QUORFORCE_APPLY_FORCE_SETTINGS 0x02u

/* The strengths of one joystick id (32 bytes). */
typedef struct ForceSettings {
    uint32_t reserved; /* never touched */
    uint32_t mask;     /* QUORFORCE_MASK_ bits */
    int32_t global;
    int32_t dynamic;
    int32_t staticA;
    int32_t staticB;
    int32_t spring;
    uint32_t springOn; /* only the low byte counts: 0x100 is off */
} ForceSettings;

/* The record of ZXGetDeviceConfig and ZXSetDeviceConfig: 20 bytes in a 32-bit program; 32 in
 * a 64-bit one, where forceSettings is an 8-byte pointer at offset 16 (after 4 bytes of
 * padding), defaultSpringDriven lies at 24 and 4 bytes of padding end the record. */
typedef struct DeviceConfig {
    uint32_t reserved;            /* never touched */
    uint32_t applyFlags;          /* set: QUORFORCE_APPLY_FORCE_SETTINGS */
    uint32_t filled;              /* get: set to 1 */
    ForceSettings* forceSettings; /* may be null: then no strength is filled or applied */
    uint32_t defaultSpringDriven; /* get: non-zero when the driver drives the device's spring */
} DeviceConfig;

/* The record's size in a program of each size; the build fails where it differs. */
#define QUORFORCE_DEVICE_CONFIG_SIZE (sizeof(void*) == 8 ? 32 : 20)
typedef char
    QuorforceDeviceConfigSizeCheck[sizeof(DeviceConfig) == QUORFORCE_DEVICE_CONFIG_SIZE ? 1 : -1];

/* Joystick ids are DirectInput's, 0..15. An id of 8 to 15 (and an id of 0..7 whose own place
 * a game lent to such an id) is reached while a game has it bound; otherwise the call does
 * nothing, as for an id out of range. */
/* Re-reads the strengths of the joystick id from the registry and fills config; 0. */
int QUORFORCE_CDECL ZXGetDeviceConfig(int joystickId, DeviceConfig* config);
/* Applies the selected strengths (with the apply flag) and saves all five; 0. */
int QUORFORCE_CDECL ZXSetDeviceConfig(int joystickId, DeviceConfig* config);
/* Re-reads the strengths from the registry; 1, or 0 for an id that cannot be reached. */
int QUORFORCE_CDECL ModifyForcesNow(int unused1, int unused2, int joystickId);
/* Stores effect handle 1..64's image under keyPath\joystickId (current user); 0. */
int QUORFORCE_CDECL GetAllEffectsParameters(const char* keyPath, int handle, int joystickId);
/* enable 1: arms the gain override with the stored image's gain (1); else disarms (0).
 * While the override is armed every playing effect of the joystick id plays at its
 * override gain, and an effect whose image was never stored has 0 there and falls silent:
 * a panel stores and arms every effect it keeps playing. */
int QUORFORCE_CDECL SetAllEffectsParameters(const char* keyPath, int handle, int joystickId,
                                            int enable);

#ifdef __cplusplus
}
#endif

#endif /* QUORFORCE_H */
