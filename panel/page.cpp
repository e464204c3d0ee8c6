// quorpage.dll: the control panel as the wheel's own page in the Game Controllers applet. The
// applet creates the class the wheel's OEM key names in ConfigCLSID for
// IDIGameCntrlPropSheet, asks it for the sheet and its pages and shows them in a property
// sheet; the one page is the control panel's dialog (panel_dialog.cpp) in a page template.
// A DLL of its own rather than a part of quorforce.dll, so that the effect driver that every
// game loads carries no window code and no common controls. Called on the applet's window
// thread (apartment-threaded).
#include "platform/win32.h"
// The common controls need windows.h first.
#include <commctrl.h>

#include <new>

#include "include/quorforce.h"
#include "panel/page_ids.h"
#include "panel/panel_dialog.h"
#include "panel/resource.h"

namespace quorforce::panel {
namespace {

HINSTANCE pageModule = nullptr;
LONG liveObjects = 0;
LONG locks = 0;

wchar_t kSheetCaption[] = L"quorforce wheel";
wchar_t kPageTitle[] = L"Force";

class PropSheet final : public IDIGameCntrlPropSheet {
public:
    PropSheet() { InterlockedIncrement(&liveObjects); }
    virtual ~PropSheet() { InterlockedDecrement(&liveObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, kGameControllerSheetId)) {
            return E_NOINTERFACE;
        }
        *object = static_cast<IDIGameCntrlPropSheet*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // The records stay the object's: the applet reads them through the pointers it gets.
    HRESULT STDMETHODCALLTYPE GetSheetInfo(DIGCSHEETINFO** info) override {
        if (info == nullptr) return E_POINTER;
        sheet_ = {};
        sheet_.dwSize = sizeof sheet_;
        sheet_.nNumPages = 1;
        sheet_.lpwszSheetCaption = kSheetCaption;
        *info = &sheet_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPageInfo(DIGCPAGEINFO** info) override {
        if (info == nullptr) return E_POINTER;
        // The panel's state is made here, before the page's dialog, with the joystick id
        // that SetID gave. Without quorforce.dll the page still comes: it says why, and
        // calls nothing of the driver.
        OpenPanel(id_, true);
        page_ = {};
        page_.dwSize = sizeof page_;
        page_.lpwszPageTitle = kPageTitle;
        page_.fpPageProc = PanelProc;
        page_.lpwszTemplate = MAKEINTRESOURCEW(QUORPANEL_PAGE);
        page_.hInstance = pageModule;
        *info = &page_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetID(USHORT id) override {
        id_ = id;
        return S_OK;
    }
    USHORT STDMETHODCALLTYPE GetID() override { return id_; }

private:
    LONG references_ = 1;
    USHORT id_ = 0;
    DIGCSHEETINFO sheet_ = {};
    DIGCPAGEINFO page_ = {};
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, IID_IClassFactory)) {
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    // The one factory is static: its references keep nothing alive.
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto* sheet = new (std::nothrow) PropSheet();
        if (sheet == nullptr) return E_OUTOFMEMORY;
        const HRESULT result = sheet->QueryInterface(iid, object);
        sheet->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&locks);
        } else {
            InterlockedDecrement(&locks);
        }
        return S_OK;
    }
};

Factory factory;

}  // namespace
}  // namespace quorforce::panel

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        quorforce::panel::pageModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, LPVOID* object) {
    using namespace quorforce::panel;
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualGUID(classId, kPageClassId)) return CLASS_E_CLASSNOTAVAILABLE;
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    return factory.QueryInterface(iid, object);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    using namespace quorforce::panel;
    return InterlockedCompareExchange(&liveObjects, 0, 0) == 0 &&
                   InterlockedCompareExchange(&locks, 0, 0) == 0
               ? S_OK
               : S_FALSE;
}
