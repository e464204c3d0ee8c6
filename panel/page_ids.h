// The Game Controllers applet's extension interface, IDIGameCntrlPropSheet, which the Windows
// SDK of mingw-w64 does not declare: IUnknown and four methods. The applet creates the class a
// device's OEM key names in ConfigCLSID, gives it the joystick id (SetID) and takes from it
// one DIGCSHEETINFO and an array of DIGCPAGEINFO, which stay the object's. The records are
// laid out at natural alignment: 20 and 40 bytes in a 32-bit process, 32 and 80 in a 64-bit
// one.
#pragma once

#include "platform/win32.h"

namespace quorforce::panel {

// The page's class: QUORFORCE_PAGE_CLSID_TEXT of include/quorforce.h.
inline constexpr GUID kPageClassId = {
    0x5C0E2A72, 0x3B94, 0x4D6A, {0x9E, 0x21, 0x7F, 0x40, 0xC8, 0xD1, 0xA6, 0xB3}};
// IID_IDIGameCntrlPropSheet.
inline constexpr GUID kGameControllerSheetId = {
    0x7854FB22, 0x8EE3, 0x11D0, {0xA1, 0xAC, 0x00, 0x00, 0xF8, 0x02, 0x69, 0x77}};

}  // namespace quorforce::panel

#ifdef _WIN32
struct DIGCSHEETINFO {
    DWORD dwSize;
    USHORT nNumPages;
    LPWSTR lpwszSheetCaption;  // text or resource id
    BOOL fSheetIconFlag;       // TRUE: lpwszSheetIcon is the sheet's small icon
    LPWSTR lpwszSheetIcon;
};

struct DIGCPAGEINFO {
    DWORD dwSize;
    LPWSTR lpwszPageTitle;  // text or resource id; the template's caption otherwise
    DLGPROC fpPageProc;     // never calls EndDialog
    BOOL fProcFlag;         // TRUE: fpPrePostProc is called at the page's creation and end
    DLGPROC fpPrePostProc;
    BOOL fIconFlag;
    LPWSTR lpwszPageIcon;
    LPWSTR lpwszTemplate;  // resource name or id in hInstance
    LPARAM lParam;
    HINSTANCE hInstance;
};

static_assert(sizeof(DIGCSHEETINFO) == (sizeof(void*) == 8 ? 32 : 20), "DIGCSHEETINFO");
static_assert(sizeof(DIGCPAGEINFO) == (sizeof(void*) == 8 ? 80 : 40), "DIGCPAGEINFO");

struct IDIGameCntrlPropSheet : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetSheetInfo(DIGCSHEETINFO** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPageInfo(DIGCPAGEINFO** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetID(USHORT id) = 0;
    virtual USHORT STDMETHODCALLTYPE GetID() = 0;
};
#endif
