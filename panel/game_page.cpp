// The Game tab. The controls of a switch are numbered after its place in the catalogue, so
// the page walks the catalogue; the resource script lays them out.
#include "panel/game_page.h"

// The common controls and the common dialogs need windows.h first.
#include <commctrl.h>
#include <commdlg.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/game_switches.h"
#include "panel/game_profiles.h"
#include "panel/resource.h"
#include "state/game_presence.h"

namespace quorforce::panel {
namespace {

// Each switch's control: the catalogue's order from the first switch id.
constexpr int ControlOf(GameSwitch id) { return QUORPANEL_SWITCH_FIRST + static_cast<int>(id); }

static_assert(QUORPANEL_SWITCH_FIRST + kGameSwitchCount - 1 == QUORPANEL_SWITCH_LOW_LATENCY,
              "one control per switch of the catalogue");
static_assert(ControlOf(GameSwitch::Record) == QUORPANEL_SWITCH_RECORD &&
                  ControlOf(GameSwitch::SpringStabiliser) == QUORPANEL_SWITCH_STABILISER &&
                  ControlOf(GameSwitch::Reconstruction) == QUORPANEL_SWITCH_RECONSTRUCTION &&
                  ControlOf(GameSwitch::SpringGain) == QUORPANEL_SWITCH_SPRING &&
                  ControlOf(GameSwitch::AutoCentre) == QUORPANEL_SWITCH_CENTRE,
              "the controls in the catalogue's order");

constexpr LRESULT kAllGames = -1;  // the item data of "All games"
constexpr int kForceTab = 0;
constexpr int kGameTab = 1;

struct GamePage {
    bool shown = false;  // a wheel's games are listed
    std::string deviceKey;
    GameList games;
    std::string game;      // the chosen game; empty for all games
    bool loading = false;  // the page itself is filling the fields: no change to save
};
GamePage page;

bool IsCheckBox(const GameSwitchEntry& entry) { return entry.minimum == 0 && entry.maximum == 1; }
int ControlOf(const GameSwitchEntry& entry) { return ControlOf(entry.id); }

std::string Key() { return SwitchesKey(page.deviceKey, page.game); }

std::string Lowered(const std::string& name) {
    char lowered[kGameNameSize];
    return ProfileName(name.c_str(), lowered) ? lowered : "";
}

bool IsRunning(const std::string& name) {
    const std::string lowered = Lowered(name);
    return !lowered.empty() && GameIsRunning(lowered.c_str());
}

void Say(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, QUORPANEL_GAME_MESSAGE, text.c_str());
}

// What a saved change means for the chosen game now.
std::string SavedText(const char* what) {
    char text[300];
    if (page.game.empty()) {
        std::snprintf(text, sizeof text,
                      "%s saved for every game without a value of its own; a running game "
                      "takes it the next time it opens the wheel.",
                      what);
    } else if (IsRunning(page.game)) {
        std::snprintf(text, sizeof text,
                      "%s saved. %.64s is running: it takes the change the next time it opens "
                      "the wheel.",
                      what, page.game.c_str());
    } else {
        std::snprintf(text, sizeof text, "%s saved for %.64s.", what, page.game.c_str());
    }
    return text;
}

// Every switch's control from the registry: what the driver would read for the game now.
void LoadSwitches(HWND dialog) {
    const bool profile = !page.game.empty();
    const GameSwitches switches = ReadStoredSwitches(Key(), profile);
    page.loading = true;
    for (const GameSwitchEntry& entry : kGameSwitches) {
        const int control = ControlOf(entry);
        const bool offered = profile || OfferedForAllGames(entry);
        EnableWindow(GetDlgItem(dialog, control), offered ? TRUE : FALSE);
        const std::int32_t value = offered ? switches.Get(entry.id) : -1;
        if (IsCheckBox(entry)) {
            CheckDlgButton(
                dialog, control,
                value < 0 ? BST_INDETERMINATE : (value != 0 ? BST_CHECKED : BST_UNCHECKED));
            continue;
        }
        EnableWindow(GetDlgItem(dialog, control - QUORPANEL_SWITCH_FIRST + QUORPANEL_ARROWS_FIRST),
                     offered ? TRUE : FALSE);
        char text[16] = "";
        if (value >= 0) std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        SetDlgItemTextA(dialog, control, text);
    }
    page.loading = false;
    EnableWindow(GetDlgItem(dialog, QUORPANEL_GAME_EXPORT), profile ? TRUE : FALSE);
}

// The games of the wheel, with the running ones marked; the chosen one stays chosen while it
// is listed.
void FillGames(HWND dialog) {
    const std::string before = page.game;
    page.games = ListGames(page.deviceKey);
    HWND list = GetDlgItem(dialog, QUORPANEL_GAME);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("All games"));
    SendMessageA(list, CB_SETITEMDATA, 0, kAllGames);
    LRESULT chosen = 0;
    for (std::size_t i = 0; i < page.games.names.size(); ++i) {
        const std::string& name = page.games.names[i];
        const std::string text = IsRunning(name) ? name + " (running)" : name;
        const LRESULT item =
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(i));
        if (Lowered(name) == Lowered(page.game) && !page.game.empty()) chosen = item;
    }
    if (chosen == 0) page.game.clear();
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    // The chosen game is gone (its key deleted meanwhile): the fields must not keep showing,
    // and writing, its values.
    if (page.game != before) LoadSwitches(dialog);
    if (page.games.more) {
        char text[120];
        std::snprintf(text, sizeof text, "Only the first %u games are listed.",
                      static_cast<unsigned>(kMaxListedGames));
        Say(dialog, text);
    }
}

void ChooseGame(HWND dialog) {
    HWND list = GetDlgItem(dialog, QUORPANEL_GAME);
    const LRESULT item = SendMessageA(list, CB_GETCURSEL, 0, 0);
    const LRESULT index = item == CB_ERR ? kAllGames : SendMessageA(list, CB_GETITEMDATA, item, 0);
    page.game = index >= 0 && static_cast<std::size_t>(index) < page.games.names.size()
                    ? page.games.names[static_cast<std::size_t>(index)]
                    : "";
    Say(dialog, "");
    LoadSwitches(dialog);
    RefreshGameStatus(dialog);
}

// A number field's text as the switch's value: -1 for an empty field; false for text that is
// no value of the switch (pasted letters, a number out of range).
bool FieldValue(const char* text, const GameSwitchEntry& entry, std::int32_t* value) {
    *value = -1;
    if (text[0] == '\0') return true;
    std::int32_t number = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9' || number > 100000) return false;
        number = number * 10 + (*c - '0');
    }
    *value = number;
    return InRange(entry, static_cast<DWORD>(number));
}

void Store(HWND dialog, const GameSwitchEntry& entry, std::int32_t value) {
    if (!StoreSwitch(Key(), entry, value)) {
        Say(dialog, std::string(entry.name) + " could not be saved: the registry refused.");
        return;
    }
    Say(dialog, SavedText(entry.name));
}

void FieldChanged(HWND dialog, const GameSwitchEntry& entry) {
    char text[16] = "";
    GetDlgItemTextA(dialog, ControlOf(entry), text, sizeof text);
    std::int32_t value = -1;
    if (!FieldValue(text, entry, &value)) {
        char message[160];
        std::snprintf(message, sizeof message, "%s takes %u to %u (or nothing): not saved.",
                      entry.name, static_cast<unsigned>(entry.minimum),
                      static_cast<unsigned>(entry.maximum));
        Say(dialog, message);
        return;
    }
    Store(dialog, entry, value);
}

void BoxClicked(HWND dialog, const GameSwitchEntry& entry) {
    const UINT state = IsDlgButtonChecked(dialog, ControlOf(entry));
    Store(dialog, entry, state == BST_INDETERMINATE ? -1 : (state == BST_CHECKED ? 1 : 0));
}

void Reset(HWND dialog) {
    ResetSwitches(Key(), !page.game.empty());
    LoadSwitches(dialog);
    char text[200];
    if (page.game.empty()) {
        std::snprintf(text, sizeof text, "The switches for all games were cleared.");
    } else {
        std::snprintf(text, sizeof text, "The switches of %.64s were cleared; it stays listed.",
                      page.game.c_str());
    }
    Say(dialog, text);
}

// A profile file's name chosen in the system's dialog; false when the player cancelled.
bool ChooseFile(HWND dialog, bool save, char (&path)[MAX_PATH]) {
    OPENFILENAMEA file = {};
    file.lStructSize = sizeof file;
    file.hwndOwner = dialog;
    file.lpstrFilter = "quorforce profiles (*.qfprofile)\0*.qfprofile\0All files (*.*)\0*.*\0";
    file.lpstrFile = path;
    file.nMaxFile = MAX_PATH;
    file.lpstrDefExt = "qfprofile";
    file.Flags = OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY |
                 (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    return (save ? GetSaveFileNameA(&file) : GetOpenFileNameA(&file)) != FALSE;
}

void Export(HWND dialog) {
    std::string text;
    if (!ExportProfile(page.deviceKey, page.game, &text)) {
        Say(dialog, "A profile file names one game: choose a game to export.");
        return;
    }
    char path[MAX_PATH] = "";
    std::snprintf(path, sizeof path, "%s.qfprofile", Lowered(page.game).c_str());
    if (!ChooseFile(dialog, true, path)) return;
    Say(dialog, WriteTextFile(path, text) ? "Exported to " + std::string(path) + "."
                                          : "The file could not be written.");
}

void Import(HWND dialog) {
    char path[MAX_PATH] = "";
    if (!ChooseFile(dialog, false, path)) return;
    const ImportResult result = ImportProfileFile(page.deviceKey, path);
    if (result.outcome == ImportOutcome::Imported) {
        page.game = result.game;
        FillGames(dialog);
        LoadSwitches(dialog);
        RefreshGameStatus(dialog);
    }
    Say(dialog, result.message);
}

void ShowTab(HWND dialog, int tab) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        if (id >= QUORPANEL_OVERALL && id <= QUORPANEL_FORCE_LAST) {
            ShowWindow(child, tab == kForceTab ? SW_SHOW : SW_HIDE);
        } else if (id >= QUORPANEL_GAME_LABEL && id <= QUORPANEL_GAME_LAST) {
            ShowWindow(child, tab == kGameTab ? SW_SHOW : SW_HIDE);
        }
    }
    // The tab control lies below the controls it frames: what the hidden ones covered is its
    // to paint again, and not every system redraws a sibling below a hidden window.
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

void InitGamePage(HWND dialog) {
    // The applet may show the page again in the same process: a new window, nothing listed.
    page = GamePage();
    HWND tabs = GetDlgItem(dialog, QUORPANEL_TABS);
    const char* titles[] = {"Force", "Game"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(titles[i]);
        SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
    }
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (IsCheckBox(entry)) continue;
        const int arrows = ControlOf(entry) - QUORPANEL_SWITCH_FIRST + QUORPANEL_ARROWS_FIRST;
        SendDlgItemMessageA(dialog, arrows, UDM_SETRANGE32, entry.minimum, entry.maximum);
        SendDlgItemMessageA(dialog, ControlOf(entry), EM_LIMITTEXT, 3, 0);
    }
    // A game's name may be long: the open list is wider than the field.
    SendDlgItemMessageA(dialog, QUORPANEL_GAME, CB_SETDROPPEDWIDTH, 360, 0);
    ShowTab(dialog, kForceTab);
}

void ShowGamesOf(HWND dialog, const DeviceChoice& device) {
    const std::string key = DeviceKeyOf(device);
    if (page.shown && key == page.deviceKey) return;
    page.shown = true;
    page.deviceKey = key;
    FillGames(dialog);
    LoadSwitches(dialog);
    RefreshGameStatus(dialog);
}

void RefreshGameStatus(HWND dialog) {
    const char* text = page.game.empty() ? "Every game's switches."
                                         : (IsRunning(page.game) ? "Running now." : "Not running.");
    char shown[64] = "";
    GetDlgItemTextA(dialog, QUORPANEL_GAME_STATUS, shown, sizeof shown);
    if (std::strcmp(shown, text) != 0) SetDlgItemTextA(dialog, QUORPANEL_GAME_STATUS, text);
}

bool GameCommand(HWND dialog, WPARAM wParam) {
    const int control = LOWORD(wParam);
    const WORD code = HIWORD(wParam);
    const bool ours = control == QUORPANEL_GAME ||
                      (control >= QUORPANEL_GAME_LABEL && control <= QUORPANEL_GAME_LAST);
    // Before a wheel's games are listed there is no key to write to.
    if (!ours || !page.shown) return ours;
    if (control == QUORPANEL_GAME) {
        // Opening the list lists the games anew: one may have started, or run for the first time.
        if (code == CBN_DROPDOWN) FillGames(dialog);
        if (code == CBN_SELCHANGE) ChooseGame(dialog);
        return true;
    }
    switch (control) {
    case QUORPANEL_GAME_RESET: Reset(dialog); return true;
    case QUORPANEL_GAME_EXPORT: Export(dialog); return true;
    case QUORPANEL_GAME_IMPORT: Import(dialog); return true;
    default: break;
    }
    const int index = control - QUORPANEL_SWITCH_FIRST;
    if (index < 0 || index >= static_cast<int>(kGameSwitchCount)) return false;
    const GameSwitchEntry& entry = kGameSwitches[index];
    if (page.loading) return true;
    if (IsCheckBox(entry)) {
        if (code == BN_CLICKED) BoxClicked(dialog, entry);
    } else if (code == EN_CHANGE) {
        FieldChanged(dialog, entry);
    } else if (code == EN_KILLFOCUS) {
        // A field left with a value that was not saved shows the stored one again.
        LoadSwitches(dialog);
    }
    return true;
}

void TabsNotified(HWND dialog, const NMHDR& header) {
    if (header.idFrom != QUORPANEL_TABS || header.code != TCN_SELCHANGE) return;
    ShowTab(dialog, static_cast<int>(SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
}

}  // namespace quorforce::panel
