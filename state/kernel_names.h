// The GUIDs behind the three named kernel objects that carry and guard the
// SharedEffectTable, and the one of the MonitorBlock's mapping; the objects are named by
// their text form (FormatGuidText). Every process must produce the same names.
#pragma once

#include "platform/win32.h"

namespace quorforce {

inline constexpr GUID kTableMappingGuid = {
    0x6B2D9F40, 0x1C7E, 0x4A35, {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};
inline constexpr GUID kTableMutexGuid = {
    0x6B2D9F41, 0x1C7E, 0x4A35, {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};
inline constexpr GUID kInputMutexGuid = {
    0x3E8B5D27, 0x94A1, 0x4C60, {0xB7, 0xF3, 0x2D, 0x15, 0xE6, 0xC0, 0x8A, 0x9E}};

// The MonitorBlock's mapping (state/monitor_block.h).
inline constexpr GUID kMonitorMappingGuid = {
    0x6B2D9F42, 0x1C7E, 0x4A35, {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};

// The objects that mark the table's 8 per-joystick places as held (state/joystick_places.h):
// this GUID with the place added to Data1, {6B2D9F48-...} to {6B2D9F4F-...}.
inline constexpr GUID kPlaceObjectGuid = {
    0x6B2D9F48, 0x1C7E, 0x4A35, {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};

// The object a game's process holds while it uses the driver, so that the panel can show the
// game as running (state/game_presence.h): this GUID's text, a dot and the game's profile name.
inline constexpr GUID kGameObjectGuid = {
    0x6B2D9F50, 0x1C7E, 0x4A35, {0x8D, 0x62, 0x0E, 0x9B, 0x4F, 0x7A, 0x2C, 0x15}};

}  // namespace quorforce
