// The control panel's dialog, shared by quorpanel.exe (a modal dialog) and the Game
// Controllers page of quorpage.dll (a property sheet page), on the one window thread: the
// bound devices; on the Force tab the strengths and the wheel's spring of the chosen one (read
// and saved through ZXGetDeviceConfig and ZXSetDeviceConfig of the quorforce.dll it loads),
// and ten times a second the live effects and the live force, read from read-only views of the
// shared table and the monitor block; the game choice and the Game tab are game_page.cpp's. The
// panel never writes either block and takes no lock: a game's engine must never wait for a window.
#include "platform/win32.h"
// The common controls need windows.h first.
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/registry_layout.h"
#include "include/quorforce.h"
#include "panel/device_choice.h"
#include "panel/driver_library.h"
#include "panel/game_page.h"
#include "panel/live_view.h"
#include "panel/panel_dialog.h"
#include "panel/read_only_view.h"
#include "panel/resource.h"
#include "state/joystick_places.h"
#include "state/kernel_names.h"

namespace quorforce::panel {
namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 100;  // ten times a second
constexpr int kStrengthMax = 100;

struct Slider {
    int control;
    int valueText;
    std::uint32_t mask;
};
const Slider kSliders[] = {
    {QUORPANEL_OVERALL, QUORPANEL_OVERALL_VALUE, QUORFORCE_MASK_GLOBAL},
    {QUORPANEL_EFFECTS, QUORPANEL_EFFECTS_VALUE, QUORFORCE_MASK_STATIC_A},
    {QUORPANEL_CONDITIONS, QUORPANEL_CONDITIONS_VALUE, QUORFORCE_MASK_DYNAMIC},
    {QUORPANEL_SPRING, QUORPANEL_SPRING_VALUE, QUORFORCE_MASK_SPRING},
};

// What the window shows, kept so that a refresh repaints only what changed.
struct PanelState {
    DriverLibrary driver;
    ReadOnlyView<SharedEffectTable> table{kTableMappingGuid};
    ReadOnlyView<MonitorBlock> monitor{kMonitorMappingGuid};
    std::uint32_t joystick = 0;
    DeviceChoice devices[kJoystickCount] = {};
    std::uint32_t bound[kJoystickCount] = {};
    std::size_t boundCount = kJoystickCount + 1;  // none shown yet
    std::string rows[kSlotCount];
    std::size_t rowCount = kSlotCount + 1;
    int levels[2] = {0, 0};
    bool forceMode = true;
    std::uint32_t clipped = 0;
    ClipWindow clips;
};

PanelState* state = nullptr;
bool isPage = false;

// The wheel of the chosen joystick id, whose games the Game tab lists.
DeviceChoice ChosenDevice() {
    const std::size_t count = state->boundCount <= kJoystickCount ? state->boundCount : 0;
    return FirstChoice(state->devices, count, state->joystick);
}

int ValueOf(const ForceSettings& settings, std::uint32_t mask) {
    switch (mask) {
    case QUORFORCE_MASK_GLOBAL: return settings.global;
    case QUORFORCE_MASK_STATIC_A: return settings.staticA;
    case QUORFORCE_MASK_DYNAMIC: return settings.dynamic;
    default: return settings.spring;
    }
}

void ShowSliderValue(HWND dialog, const Slider& slider, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d %%", value);
    SetDlgItemTextA(dialog, slider.valueText, text);
}

// The strengths of the chosen joystick id as the driver reads them from the registry.
void Reload(HWND dialog) {
    ForceSettings settings = {};
    settings.mask = QUORFORCE_MASK_GLOBAL | QUORFORCE_MASK_DYNAMIC | QUORFORCE_MASK_STATIC_A |
                    QUORFORCE_MASK_SPRING | QUORFORCE_MASK_SPRING_ON;
    DeviceConfig config = {};
    config.forceSettings = &settings;
    if (!state->driver.Get(static_cast<int>(state->joystick), &config)) return;
    for (const Slider& slider : kSliders) {
        const int value = ValueOf(settings, slider.mask);
        SendDlgItemMessageA(dialog, slider.control, TBM_SETPOS, TRUE,
                            value < 0 ? 0 : (value > kStrengthMax ? kStrengthMax : value));
        ShowSliderValue(dialog, slider, value);
    }
    CheckDlgButton(dialog, QUORPANEL_SPRING_ON,
                   (settings.springOn & 0xFF) != 0 ? BST_CHECKED : BST_UNCHECKED);
    SetDlgItemTextA(dialog, QUORPANEL_SPRING_NOTE,
                    config.defaultSpringDriven != 0
                        ? "The driver drives the wheel's own spring: a change reaches the "
                          "wheel at once."
                        : "The driver does not drive the wheel's own spring: a change is "
                          "saved and sent when a game opens the wheel.");
}

// One strength (or the spring switch) applied at once and saved.
void Apply(std::uint32_t mask, int value) {
    ForceSettings settings = {};
    settings.mask = mask;
    settings.global = settings.dynamic = settings.staticA = settings.spring = value;
    settings.springOn = value != 0 ? 1 : 0;
    DeviceConfig config = {};
    config.applyFlags = QUORFORCE_APPLY_FORCE_SETTINGS;
    config.forceSettings = &settings;
    state->driver.Set(static_cast<int>(state->joystick), &config);
}

std::string DeviceName(std::uint16_t vendor, std::uint16_t product) {
    char key[160];
    std::snprintf(key, sizeof key, "%sVID_%04X&PID_%04X", kOemRoot, vendor, product);
    char name[128] = "";
    DWORD size = sizeof name;
    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        size = sizeof name;
        if (RegGetValueA(hive, key, kNameValue, RRF_RT_REG_SZ, nullptr, name, &size) ==
                ERROR_SUCCESS &&
            name[0] != '\0') {
            return name;
        }
    }
    std::snprintf(name, sizeof name, "VID_%04X&PID_%04X", vendor, product);
    return name;
}

void SetTextIfChanged(HWND dialog, int control, const char* text) {
    char shown[128] = "";
    GetDlgItemTextA(dialog, control, shown, sizeof shown);
    if (std::strcmp(shown, text) != 0) SetDlgItemTextA(dialog, control, text);
}

// The device list, when the bound joystick ids changed; with none bound, joystick id 0 with
// its registry strengths.
void RefreshDevices(HWND dialog, const SharedEffectTable* table, const MonitorBlock* monitor) {
    DeviceChoice devices[kJoystickCount] = {};
    const std::size_t count = ListDevices(table, monitor, devices);
    std::uint32_t ids[kJoystickCount] = {};
    for (std::size_t i = 0; i < count; ++i)
        ids[i] = devices[i].joystick;
    if (count == state->boundCount && std::memcmp(ids, state->bound, sizeof ids) == 0) return;
    std::memcpy(state->bound, ids, sizeof ids);
    std::memcpy(state->devices, devices, sizeof devices);
    state->boundCount = count;
    HWND list = GetDlgItem(dialog, QUORPANEL_DEVICE);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    int chosen = 0;
    for (std::size_t i = 0; i < count; ++i) {
        char text[200];
        std::snprintf(text, sizeof text, "Joystick %u: %s", static_cast<unsigned>(ids[i] + 1),
                      DeviceName(devices[i].vendor, devices[i].product).c_str());
        const LRESULT item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), ids[i]);
        if (ids[i] == state->joystick) chosen = static_cast<int>(item);
    }
    if (count == 0) {
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Joystick 1"));
        SendMessageA(list, CB_SETITEMDATA, 0, 0);
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    const std::uint32_t joystick =
        static_cast<std::uint32_t>(SendMessageA(list, CB_GETITEMDATA, chosen, 0));
    if (joystick != state->joystick || count == 0) state->clips.Clear();
    state->joystick = joystick < kJoystickIdCount ? joystick : 0;
    ShowGamesOf(dialog, ChosenDevice());
    Reload(dialog);
}

void RefreshEffects(HWND dialog, const SharedEffectTable* table, int area, std::uint32_t now) {
    static EffectRow rows[kSlotCount];
    const std::size_t count = table != nullptr && area >= 0
                                  ? ReadEffects(*table, static_cast<std::uint32_t>(area), now, rows)
                                  : 0;
    HWND list = GetDlgItem(dialog, QUORPANEL_EFFECT_LIST);
    char text[160];
    if (count == state->rowCount) {
        // The same rows: only a line whose text changed is replaced (and repainted).
        for (std::size_t i = 0; i < count; ++i) {
            FormatEffectRow(rows[i], text, sizeof text);
            if (state->rows[i] == text) continue;
            state->rows[i] = text;
            SendMessageA(list, LB_DELETESTRING, i, 0);
            SendMessageA(list, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(text));
        }
        return;
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (std::size_t i = 0; i < count; ++i) {
        FormatEffectRow(rows[i], text, sizeof text);
        state->rows[i] = text;
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    if (count == 0) {
        SendMessageA(list, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(area >= 0 ? "\tNo effect downloaded."
                                                        : "\tNo game is using the wheel."));
    }
    state->rowCount = count;
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void RefreshForce(HWND dialog, const MonitorBlock* monitor, int area, std::uint32_t now) {
    AreaMonitor record = {};
    if (monitor != nullptr && area >= 0) {
        std::memcpy(&record, &monitor->areas[area], sizeof record);
        state->clips.Add(record.tickCount, record.clippedCount);
    }
    const bool recent = TickIsRecent(record, now);
    const bool forceMode = record.forceMode != 0 || !recent;
    const std::uint32_t rest = forceMode ? 0x80 : 0;
    const std::uint32_t first = recent ? (record.firstByte & 0xFF) : rest;
    const std::uint32_t second = recent ? (record.secondByte & 0xFF) : rest;
    const int levels[2] = {ChannelPercent(first, forceMode), ChannelPercent(second, forceMode)};
    const std::uint32_t clipped = state->clips.LastSecond();
    char text[128] = "First channel: at rest";
    if (recent) {
        std::snprintf(text, sizeof text, "First channel: %u (%+d %%)", static_cast<unsigned>(first),
                      levels[0]);
    }
    SetTextIfChanged(dialog, QUORPANEL_FIRST_TEXT, text);
    std::snprintf(text, sizeof text, "Second channel: at rest");
    if (recent) {
        std::snprintf(text, sizeof text, "Second channel: %u (%+d %%)",
                      static_cast<unsigned>(second), levels[1]);
    }
    SetTextIfChanged(dialog, QUORPANEL_SECOND_TEXT, text);
    if (recent) {
        // No tick count here: a text that changes every refresh is a repaint every refresh.
        std::snprintf(text, sizeof text, "The wheel receives 0x%04X.",
                      static_cast<unsigned>(record.outputValue & 0xFFFF));
    } else {
        std::snprintf(text, sizeof text, "No force is being sent.");
    }
    SetTextIfChanged(dialog, QUORPANEL_OUTPUT_TEXT, text);
    if (clipped != 0) {
        std::snprintf(text, sizeof text, "Clipping: %u ticks in the last second",
                      static_cast<unsigned>(clipped));
    } else {
        std::snprintf(text, sizeof text, "No clipping");
    }
    SetTextIfChanged(dialog, QUORPANEL_CLIP_TEXT, text);
    const bool lampChanged = (clipped != 0) != (state->clipped != 0);
    state->clipped = clipped;
    if (levels[0] != state->levels[0] || levels[1] != state->levels[1] ||
        forceMode != state->forceMode) {
        state->levels[0] = levels[0];
        state->levels[1] = levels[1];
        state->forceMode = forceMode;
        InvalidateRect(GetDlgItem(dialog, QUORPANEL_FIRST_METER), nullptr, FALSE);
        InvalidateRect(GetDlgItem(dialog, QUORPANEL_SECOND_METER), nullptr, FALSE);
    }
    if (lampChanged) InvalidateRect(GetDlgItem(dialog, QUORPANEL_CLIP_LAMP), nullptr, FALSE);
}

void Refresh(HWND dialog) {
    const SharedEffectTable* table = state->table.Get();
    const MonitorBlock* monitor = state->monitor.Get();
    const std::uint32_t now = timeGetTime();
    RefreshDevices(dialog, table, monitor);
    // The joystick id's place in the table: its own for ids 0 to 7 unless lent out, the one
    // lent to it for 8 to 15; the force pass names places, not ids.
    const int place = SettingsPlaceOf(monitor, state->joystick);
    const WheelUse use = table != nullptr && place >= 0
                             ? UseOf(*table, monitor, static_cast<std::uint32_t>(place), now)
                             : WheelUse::Unbound;
    SetTextIfChanged(dialog, QUORPANEL_STATUS, UseText(use));
    // The area a game bound the place to, as its force pass last said; before any tick, the
    // area of the place's number (DirectInput's usual choice).
    int area = monitor != nullptr && place >= 0
                   ? AreaOfJoystick(*monitor, static_cast<std::uint32_t>(place))
                   : -1;
    if (area < 0 && state->boundCount != 0) area = place;
    if (state->boundCount == 0) area = -1;
    RefreshEffects(dialog, table, area, now);
    RefreshForce(dialog, monitor, area, now);
    RefreshGameStatus(dialog);
}

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

// A meter: a bar from the middle (force) or the left (vibration) to the level, on a frame.
void DrawMeter(const DRAWITEMSTRUCT& item, int level, bool forceMode) {
    RECT frame = item.rcItem;
    Fill(item.hDC, frame, RGB(64, 64, 64));
    InflateRect(&frame, -1, -1);
    Fill(item.hDC, frame, RGB(255, 255, 255));
    const int width = frame.right - frame.left;
    RECT bar = frame;
    if (forceMode) {
        const int middle = frame.left + width / 2;
        const int end = middle + level * (width / 2) / 100;
        bar.left = level >= 0 ? middle : end;
        bar.right = level >= 0 ? end : middle;
        RECT centre = {middle, frame.top, middle + 1, frame.bottom};
        Fill(item.hDC, centre, RGB(128, 128, 128));
    } else {
        bar.right = frame.left + level * width / 100;
    }
    const bool full = level >= 100 || level <= -100;
    if (bar.right > bar.left) Fill(item.hDC, bar, full ? RGB(200, 0, 0) : RGB(0, 96, 192));
}

void DrawItem(const DRAWITEMSTRUCT& item) {
    switch (item.CtlID) {
    case QUORPANEL_FIRST_METER: DrawMeter(item, state->levels[0], state->forceMode); break;
    case QUORPANEL_SECOND_METER: DrawMeter(item, state->levels[1], state->forceMode); break;
    case QUORPANEL_CLIP_LAMP: {
        RECT lamp = item.rcItem;
        Fill(item.hDC, lamp, RGB(64, 64, 64));
        InflateRect(&lamp, -1, -1);
        Fill(item.hDC, lamp, state->clipped != 0 ? RGB(230, 0, 0) : RGB(0, 150, 0));
        break;
    }
    default: break;
    }
}

// Without quorforce.dll the panel can neither read nor save a strength: it says why, and
// its controls stay off.
void ShowNoDriver(HWND dialog) {
    for (int control :
         {QUORPANEL_DEVICE, QUORPANEL_OVERALL, QUORPANEL_EFFECTS, QUORPANEL_CONDITIONS,
          QUORPANEL_SPRING, QUORPANEL_SPRING_ON, QUORPANEL_RELOAD}) {
        EnableWindow(GetDlgItem(dialog, control), FALSE);
    }
    SetDlgItemTextA(dialog, QUORPANEL_STATUS, "The driver is not loaded.");
    char text[200];
    std::snprintf(text, sizeof text,
                  "quorforce.dll could not be loaded (error %lu): the strengths can be neither "
                  "read nor changed. Install the driver and open the panel again.",
                  static_cast<unsigned long>(state->driver.Error()));
    SetDlgItemTextA(dialog, QUORPANEL_SPRING_NOTE, text);
    SendDlgItemMessageA(dialog, QUORPANEL_EFFECT_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>("\tThe driver is not loaded."));
    SetDlgItemTextA(dialog, QUORPANEL_OUTPUT_TEXT, "No force is being sent.");
}

void InitDialog(HWND dialog) {
    // The applet may show the page again in the same process: a new window shows nothing yet.
    state->boundCount = kJoystickCount + 1;
    state->rowCount = kSlotCount + 1;
    if (!isPage) {
        SendMessageA(dialog, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(
                         LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(QUORPANEL_ICON))));
    }
    for (const Slider& slider : kSliders) {
        SendDlgItemMessageA(dialog, slider.control, TBM_SETRANGE, TRUE,
                            MAKELPARAM(0, kStrengthMax));
        SendDlgItemMessageA(dialog, slider.control, TBM_SETPAGESIZE, 0, 10);
    }
    // Tab stops in dialog units: handle, kind, state, gain, values, direction, time.
    const int stops[] = {28, 66, 102, 132, 200, 240};
    for (int list : {QUORPANEL_EFFECT_HEADER, QUORPANEL_EFFECT_LIST}) {
        SendDlgItemMessageA(dialog, list, LB_SETTABSTOPS, sizeof stops / sizeof stops[0],
                            reinterpret_cast<LPARAM>(stops));
    }
    SendDlgItemMessageA(
        dialog, QUORPANEL_EFFECT_HEADER, LB_ADDSTRING, 0,
        reinterpret_cast<LPARAM>("Handle\tKind\tState\tGain\tValues\tDirection\tTime"));
    InitGamePage(dialog);
    if (!state->driver.Loaded()) {
        ShowNoDriver(dialog);
        // The games' switches need only the registry: the Game tab works on, for the wheel
        // the panel takes when none is bound.
        ShowGamesOf(dialog, DeviceChoice());
        return;
    }
    Refresh(dialog);
    SetTimer(dialog, kRefreshTimer, kRefreshMs, nullptr);
}

void SliderMoved(HWND dialog, HWND control) {
    for (const Slider& slider : kSliders) {
        if (GetDlgItem(dialog, slider.control) != control) continue;
        const int value = static_cast<int>(SendMessageA(control, TBM_GETPOS, 0, 0));
        Apply(slider.mask, value);
        ShowSliderValue(dialog, slider, value);
    }
}

}  // namespace

const char kPanelCaption[] = "quorforce control panel";

bool OpenPanel(std::uint32_t joystick, bool page) {
    static PanelState panel;
    state = &panel;
    isPage = page;
    panel.joystick = joystick < kJoystickIdCount ? joystick : 0;
    return panel.driver.Load();
}

INT_PTR CALLBACK PanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitDialog(dialog); return TRUE;
    case WM_TIMER:
        if (wParam == kRefreshTimer) Refresh(dialog);
        return TRUE;
    case WM_HSCROLL:
        if (lParam != 0) SliderMoved(dialog, reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DRAWITEM: DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case WM_NOTIFY:
        if (lParam != 0) TabsNotified(dialog, *reinterpret_cast<const NMHDR*>(lParam));
        return FALSE;
    case WM_DESTROY: KillTimer(dialog, kRefreshTimer); return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case QUORPANEL_DEVICE:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                HWND list = GetDlgItem(dialog, QUORPANEL_DEVICE);
                const LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
                const LRESULT joystick = SendMessageA(list, CB_GETITEMDATA, item, 0);
                if (joystick >= 0 && joystick < static_cast<LRESULT>(kJoystickIdCount)) {
                    state->joystick = static_cast<std::uint32_t>(joystick);
                    state->clips.Clear();
                    ShowGamesOf(dialog, ChosenDevice());
                    Reload(dialog);
                }
            }
            return TRUE;
        case QUORPANEL_SPRING_ON:
            Apply(QUORFORCE_MASK_SPRING_ON,
                  IsDlgButtonChecked(dialog, QUORPANEL_SPRING_ON) == BST_CHECKED ? 1 : 0);
            return TRUE;
        case QUORPANEL_RELOAD: Reload(dialog); return TRUE;
        case IDCANCEL:
            // A property sheet page is ended by its sheet, never by EndDialog.
            if (isPage) return FALSE;
            EndDialog(dialog, 0);
            return TRUE;
        default: return GameCommand(dialog, wParam) ? TRUE : FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace quorforce::panel
