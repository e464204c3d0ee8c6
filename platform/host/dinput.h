// Host stand-in for the DirectInput records and constants the driver uses, with the
// names and values of the platform's dinput.h.
#pragma once

#include "platform/host/win_types.h"

#define DIRECTINPUT_VERSION 0x0800

#define DI_OK S_OK
#define DIERR_DEVICEFULL static_cast<HRESULT>(0x80040201u)
#define DIERR_INVALIDPARAM E_INVALIDARG

#define DIEFF_OBJECTIDS 0x00000001u
#define DIEFF_OBJECTOFFSETS 0x00000002u
#define DIEFF_CARTESIAN 0x00000010u
#define DIEFF_POLAR 0x00000020u
#define DIEFF_SPHERICAL 0x00000040u

#define DIEP_DURATION 0x00000001u
#define DIEP_SAMPLEPERIOD 0x00000002u
#define DIEP_GAIN 0x00000004u
#define DIEP_TRIGGERBUTTON 0x00000008u
#define DIEP_TRIGGERREPEATINTERVAL 0x00000010u
#define DIEP_AXES 0x00000020u
#define DIEP_DIRECTION 0x00000040u
#define DIEP_ENVELOPE 0x00000080u
#define DIEP_TYPESPECIFICPARAMS 0x00000100u
#define DIEP_STARTDELAY 0x00000200u
#define DIEP_ALLPARAMS 0x000003FFu
#define DIEP_START 0x20000000u
#define DIEP_NORESTART 0x40000000u
#define DIEP_NODOWNLOAD 0x80000000u

#define DIEB_NOTRIGGER 0xFFFFFFFFu

#define DIEFT_CONSTANTFORCE 0x00000001u
#define DIEFT_RAMPFORCE 0x00000002u
#define DIEFT_PERIODIC 0x00000003u
#define DIEFT_CONDITION 0x00000004u
#define DIEFT_FFATTACK 0x00000200u
#define DIEFT_FFFADE 0x00000400u
#define DIEFT_SATURATION 0x00000800u
#define DIEFT_POSNEGCOEFFICIENTS 0x00001000u
#define DIEFT_POSNEGSATURATION 0x00002000u
#define DIEFT_DEADBAND 0x00004000u
#define DIEFT_STARTDELAY 0x00008000u

#define DIDC_FFATTACK 0x00000200u
#define DIDC_FFFADE 0x00000400u
#define DIDC_SATURATION 0x00000800u
#define DIDC_POSNEGCOEFFICIENTS 0x00001000u
#define DIDC_POSNEGSATURATION 0x00002000u
#define DIDC_DEADBAND 0x00004000u
#define DIDC_STARTDELAY 0x00008000u

// The force-feedback registration's records (dinputd.h).
struct DIEFFECTATTRIBUTES {
    DWORD dwEffectId;
    DWORD dwEffType;
    DWORD dwStaticParams;
    DWORD dwDynamicParams;
    DWORD dwCoords;
};
struct DIFFDEVICEATTRIBUTES {
    DWORD dwFlags;
    DWORD dwFFSamplePeriod;
    DWORD dwFFMinTimeResolution;
};
struct DIOBJECTATTRIBUTES {
    DWORD dwFlags;
    WORD wUsagePage;
    WORD wUsage;
};
struct DIFFOBJECTATTRIBUTES {
    DWORD dwFFMaxForce;
    DWORD dwFFForceResolution;
};

#define DIDOI_FFACTUATOR 0x00000001u
#define DIDOI_ASPECTPOSITION 0x00000100u

#define DIES_SOLO 0x00000001u
#define DIES_NODOWNLOAD 0x80000000u

#define DIEGES_PLAYING 0x00000001u
#define DIEGES_EMULATED 0x00000002u

#define DIDFT_RELAXIS 0x00000001u
#define DIDFT_ABSAXIS 0x00000002u
#define DIDFT_AXIS 0x00000003u
#define DIDFT_PSHBUTTON 0x00000004u
#define DIDFT_TGLBUTTON 0x00000008u
#define DIDFT_BUTTON 0x0000000Cu
#define DIDFT_MAKEINSTANCE(n) (static_cast<DWORD>(static_cast<WORD>(n)) << 8)
#define DIDFT_GETINSTANCE(n) (static_cast<WORD>((n) >> 8))

struct DIENVELOPE {
    DWORD dwSize;
    DWORD dwAttackLevel;
    DWORD dwAttackTime;
    DWORD dwFadeLevel;
    DWORD dwFadeTime;
};
typedef DIENVELOPE* LPDIENVELOPE;
typedef const DIENVELOPE* LPCDIENVELOPE;

struct DIEFFECT {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwDuration;
    DWORD dwSamplePeriod;
    DWORD dwGain;
    DWORD dwTriggerButton;
    DWORD dwTriggerRepeatInterval;
    DWORD cAxes;
    LPDWORD rgdwAxes;
    LPLONG rglDirection;
    LPDIENVELOPE lpEnvelope;
    DWORD cbTypeSpecificParams;
    LPVOID lpvTypeSpecificParams;
    DWORD dwStartDelay;
};
typedef DIEFFECT* LPDIEFFECT;
typedef const DIEFFECT* LPCDIEFFECT;

struct DICONSTANTFORCE {
    LONG lMagnitude;
};

struct DIRAMPFORCE {
    LONG lStart;
    LONG lEnd;
};

struct DIPERIODIC {
    DWORD dwMagnitude;
    LONG lOffset;
    DWORD dwPhase;
    DWORD dwPeriod;
};

struct DICONDITION {
    LONG lOffset;
    LONG lPositiveCoefficient;
    LONG lNegativeCoefficient;
    DWORD dwPositiveSaturation;
    DWORD dwNegativeSaturation;
    LONG lDeadBand;
};

#define DISFFC_RESET 0x00000001u
#define DISFFC_STOPALL 0x00000002u
#define DISFFC_PAUSE 0x00000004u
#define DISFFC_CONTINUE 0x00000008u
#define DISFFC_SETACTUATORSON 0x00000010u
#define DISFFC_SETACTUATORSOFF 0x00000020u

#define DIGFFS_EMPTY 0x00000001u
#define DIGFFS_STOPPED 0x00000002u
#define DIGFFS_PAUSED 0x00000004u
#define DIGFFS_ACTUATORSON 0x00000010u
#define DIGFFS_ACTUATORSOFF 0x00000020u

struct DIDRIVERVERSIONS {
    DWORD dwSize;
    DWORD dwFirmwareRevision;
    DWORD dwHardwareRevision;
    DWORD dwFFDriverVersion;
};
typedef DIDRIVERVERSIONS* LPDIDRIVERVERSIONS;

struct DIDEVICESTATE {
    DWORD dwSize;
    DWORD dwState;
    DWORD dwLoad;
};
typedef DIDEVICESTATE* LPDIDEVICESTATE;

struct DIEFFESCAPE {
    DWORD dwSize;
    DWORD dwCommand;
    LPVOID lpvInBuffer;
    DWORD cbInBuffer;
    LPVOID lpvOutBuffer;
    DWORD cbOutBuffer;
};
typedef DIEFFESCAPE* LPDIEFFESCAPE;

// COM interfaces, in the platform's slot order.
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

struct IDirectInputEffectDriver : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DeviceID(DWORD dwDirectInputVersion, DWORD dwExternalID,
                                               DWORD fBegin, DWORD dwInternalId,
                                               LPVOID lpReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetVersions(LPDIDRIVERVERSIONS pvers) = 0;
    virtual HRESULT STDMETHODCALLTYPE Escape(DWORD dwID, DWORD dwEffect, LPDIEFFESCAPE pesc) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGain(DWORD dwID, DWORD dwGain) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD dwID, DWORD dwCommand) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetForceFeedbackState(DWORD dwID, LPDIDEVICESTATE pds) = 0;
    virtual HRESULT STDMETHODCALLTYPE DownloadEffect(DWORD dwID, DWORD dwEffectID,
                                                     LPDWORD pdwEffect, LPCDIEFFECT peff,
                                                     DWORD dwFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DestroyEffect(DWORD dwID, DWORD dwEffect) = 0;
    virtual HRESULT STDMETHODCALLTYPE StartEffect(DWORD dwID, DWORD dwEffect, DWORD dwMode,
                                                  DWORD dwCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE StopEffect(DWORD dwID, DWORD dwEffect) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetEffectStatus(DWORD dwID, DWORD dwEffect,
                                                      LPDWORD pdwStatus) = 0;
};
