// Where quorforce's registry entries live, named once for every program that reads or
// writes them: the DLL's settings and registration, the panel and its page, the setup's
// actions and the Wine harness. Plain names, no code: the setup's actions include this
// without linking anything of the driver. The package's tables (make-msi) and the .reg
// templates spell the same paths as data; a host test ties them to these names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "include/quorforce.h"

namespace quorforce {

// A key written from its parts at compile time: the parts, each ending in its '\0', joined
// into one text of the summed length.
template <std::size_t A, std::size_t B>
constexpr std::array<char, A + B - 1> JoinKey(const char* head, const char* tail) {
    std::array<char, A + B - 1> joined = {};
    for (std::size_t i = 0; i + 1 < A; ++i)
        joined[i] = head[i];
    for (std::size_t i = 0; i < B; ++i)
        joined[A - 1 + i] = tail[i];
    return joined;
}
template <std::size_t A, std::size_t B>
constexpr std::array<char, A + B - 1> JoinKey(const char (&head)[A], const char (&tail)[B]) {
    return JoinKey<A, B>(&head[0], &tail[0]);
}
template <std::size_t A, std::size_t B>
constexpr std::array<char, A + B - 1> JoinKey(const std::array<char, A>& head,
                                              const char (&tail)[B]) {
    return JoinKey<A, B>(head.data(), &tail[0]);
}

// DirectInput's joystick OEM key, under the local machine and the current user; each wheel
// model has a key below it named kDeviceNameForm with its ids.
inline constexpr char kOemRoot[] =
    "System\\CurrentControlSet\\Control\\MediaProperties\\PrivateProperties\\Joystick\\OEM\\";
// The built-in wheel's vendor and product ids, and the second vendor the driver binds by
// itself; the model key name, "VID_XXXX&PID_XXXX" with upper-case hex digits.
inline constexpr std::uint16_t kBuiltInVendorId = 0x5A1C;
inline constexpr std::uint16_t kBuiltInProductId = 0xE410;
inline constexpr std::uint16_t kSecondVendorId = 0x7B3E;
inline constexpr char kBuiltInDevice[] = "VID_5A1C&PID_E410";

// Below a wheel model's key: DirectInput's force-feedback entry (CLSID, Attributes and an
// Effects key per effect type), the first axis's object key, and quorforce's own product
// key (its tuning values; per joystick id a numbered key below it with the strengths).
inline constexpr char kForceFeedbackSubkey[] = "\\OEMForceFeedback";
inline constexpr char kEffectTypesSubkey[] = "\\Effects";
inline constexpr char kActuatorAxisSubkey[] = "\\Axes\\0";
inline constexpr char kMakerSubkey[] = "\\Quorvane";
inline constexpr char kProductSubkey[] = "\\Quorvane\\FFB_API";

// The built-in wheel's product key holds what is not per wheel: the engine's settings, the
// accepted devices, the effects' images (per joystick id, under the local machine) and the
// entries of other drivers set aside while quorforce drives their wheel (per model).
inline constexpr auto kProductKeyText = JoinKey(JoinKey(kOemRoot, kBuiltInDevice), kProductSubkey);
inline constexpr const char* kProductKey = kProductKeyText.data();
inline constexpr auto kEffectsKeyText = JoinKey(kProductKeyText, "\\EFFECTS");
inline constexpr const char* kEffectsKey = kEffectsKeyText.data();
inline constexpr auto kSetAsideRootText = JoinKey(kProductKeyText, "\\Replaced");
inline constexpr const char* kSetAsideRoot = kSetAsideRootText.data();

// COM classes, under the local machine's Software\Classes in the view of each size: the
// effect driver (quorforce.dll) and the Game Controllers page (quorpage.dll), which a
// wheel's OEM key names in its ConfigCLSID value.
inline constexpr char kClassesKey[] = "Software\\Classes\\CLSID\\";
inline constexpr char kInprocServerSubkey[] = "\\InprocServer32";
inline constexpr char kDriverClassId[] = QUORFORCE_CLSID_TEXT;
inline constexpr char kPageClassId[] = QUORFORCE_PAGE_CLSID_TEXT;
inline constexpr auto kDriverClassKeyText = JoinKey(kClassesKey, kDriverClassId);
inline constexpr const char* kDriverClassKey = kDriverClassKeyText.data();
inline constexpr auto kPageClassKeyText = JoinKey(kClassesKey, kPageClassId);
inline constexpr const char* kPageClassKey = kPageClassKeyText.data();

// Room for a class id's text read back ("{XXXXXXXX-...}" is 38 characters): a longer value
// names no class.
inline constexpr unsigned kClassIdTextSize = 64;

// The values DirectInput and the applet read under a wheel model's key and its entry.
inline constexpr char kClassValue[] = "CLSID";
inline constexpr char kPageValue[] = "ConfigCLSID";
inline constexpr char kNameValue[] = "OEMName";

}  // namespace quorforce
