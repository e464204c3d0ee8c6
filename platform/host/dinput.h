// Host stand-in for the DirectInput records and constants the driver uses, with the
// names and values of the platform's dinput.h.
#pragma once

#include "platform/host/win_types.h"

#define DIRECTINPUT_VERSION 0x0800

#define DI_OK S_OK
#define DIERR_DEVICEFULL static_cast<HRESULT>(0x80040201u)

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
