// The class id of the effect driver and the interface ids the driver answers to. Plain
// constants, so that the driver needs no GUID library and the Windows test programs use
// the very same values.
#pragma once

#include "platform/win32.h"

namespace quorforce {

// {5C0E2A71-3B94-4D6A-9E21-7F40C8D1A6B3}
inline constexpr GUID kEffectDriverClassId = {
    0x5C0E2A71, 0x3B94, 0x4D6A, {0x9E, 0x21, 0x7F, 0x40, 0xC8, 0xD1, 0xA6, 0xB3}};
inline constexpr GUID kUnknownInterfaceId = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID kClassFactoryInterfaceId = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// IDirectInputEffectDriver
inline constexpr GUID kEffectDriverInterfaceId = {
    0x02538130, 0x898F, 0x11D0, {0x9A, 0xD0, 0x00, 0xA0, 0xC9, 0xA0, 0x6E, 0x35}};

}  // namespace quorforce
