// Host stand-in for the HID class driver's HidD_ and HidP_ functions and the SetupAPI
// device-interface enumeration, with the platform headers' names, types and values.
#pragma once

#include "platform/host/win_types.h"

typedef USHORT USAGE;
typedef USAGE* PUSAGE;

typedef struct _HIDP_PREPARSED_DATA* PHIDP_PREPARSED_DATA;

enum HIDP_REPORT_TYPE { HidP_Input, HidP_Output, HidP_Feature };

#define HIDP_ERROR_CODES(SEV, CODE) \
    (static_cast<NTSTATUS>((static_cast<uint32_t>(SEV) << 28) | (0x11u << 16) | (CODE)))
#define HIDP_STATUS_SUCCESS (HIDP_ERROR_CODES(0x0, 0))
#define HIDP_STATUS_INVALID_PREPARSED_DATA (HIDP_ERROR_CODES(0xC, 1))
#define HIDP_STATUS_INVALID_REPORT_TYPE (HIDP_ERROR_CODES(0xC, 2))
#define HIDP_STATUS_INVALID_REPORT_LENGTH (HIDP_ERROR_CODES(0xC, 3))
#define HIDP_STATUS_USAGE_NOT_FOUND (HIDP_ERROR_CODES(0xC, 4))
#define HIDP_STATUS_VALUE_OUT_OF_RANGE (HIDP_ERROR_CODES(0xC, 5))
#define HIDP_STATUS_BUFFER_TOO_SMALL (HIDP_ERROR_CODES(0xC, 7))
#define HIDP_STATUS_INCOMPATIBLE_REPORT_ID (HIDP_ERROR_CODES(0xC, 0xA))
#define HIDP_STATUS_IS_VALUE_ARRAY (HIDP_ERROR_CODES(0xC, 0xC))

struct HIDD_ATTRIBUTES {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
};
typedef HIDD_ATTRIBUTES* PHIDD_ATTRIBUTES;

struct HIDP_CAPS {
    USAGE Usage;
    USAGE UsagePage;
    USHORT InputReportByteLength;
    USHORT OutputReportByteLength;
    USHORT FeatureReportByteLength;
    USHORT Reserved[17];
    USHORT NumberLinkCollectionNodes;
    USHORT NumberInputButtonCaps;
    USHORT NumberInputValueCaps;
    USHORT NumberInputDataIndices;
    USHORT NumberOutputButtonCaps;
    USHORT NumberOutputValueCaps;
    USHORT NumberOutputDataIndices;
    USHORT NumberFeatureButtonCaps;
    USHORT NumberFeatureValueCaps;
    USHORT NumberFeatureDataIndices;
};
typedef HIDP_CAPS* PHIDP_CAPS;

struct HIDP_VALUE_CAPS {
    USAGE UsagePage;
    UCHAR ReportID;
    BOOLEAN IsAlias;
    USHORT BitField;
    USHORT LinkCollection;
    USAGE LinkUsage;
    USAGE LinkUsagePage;
    BOOLEAN IsRange;
    BOOLEAN IsStringRange;
    BOOLEAN IsDesignatorRange;
    BOOLEAN IsAbsolute;
    BOOLEAN HasNull;
    UCHAR Reserved;
    USHORT BitSize;
    USHORT ReportCount;
    USHORT Reserved2[5];
    ULONG UnitsExp;
    ULONG Units;
    LONG LogicalMin, LogicalMax;
    LONG PhysicalMin, PhysicalMax;
    union {
        struct {
            USAGE UsageMin, UsageMax;
            USHORT StringMin, StringMax;
            USHORT DesignatorMin, DesignatorMax;
            USHORT DataIndexMin, DataIndexMax;
        } Range;
        struct {
            USAGE Usage, Reserved1;
            USHORT StringIndex, Reserved2;
            USHORT DesignatorIndex, Reserved3;
            USHORT DataIndex, Reserved4;
        } NotRange;
    };
};
typedef HIDP_VALUE_CAPS* PHIDP_VALUE_CAPS;

void HidD_GetHidGuid(LPGUID guid);
BOOLEAN HidD_GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes);
BOOLEAN HidD_GetPreparsedData(HANDLE device, PHIDP_PREPARSED_DATA* preparsed);
BOOLEAN HidD_FreePreparsedData(PHIDP_PREPARSED_DATA preparsed);
BOOLEAN HidD_SetFeature(HANDLE device, PVOID report, ULONG length);

NTSTATUS HidP_GetCaps(PHIDP_PREPARSED_DATA preparsed, PHIDP_CAPS caps);
NTSTATUS HidP_GetSpecificValueCaps(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                                   USAGE usage, PHIDP_VALUE_CAPS caps, PUSHORT capsLength,
                                   PHIDP_PREPARSED_DATA preparsed);
NTSTATUS HidP_SetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                            USAGE usage, ULONG value, PHIDP_PREPARSED_DATA preparsed, PCHAR report,
                            ULONG reportLength);
NTSTATUS HidP_GetUsageValue(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                            USAGE usage, PULONG value, PHIDP_PREPARSED_DATA preparsed, PCHAR report,
                            ULONG reportLength);
NTSTATUS HidP_GetUsages(HIDP_REPORT_TYPE type, USAGE usagePage, USHORT linkCollection,
                        PUSAGE usageList, PULONG usageLength, PHIDP_PREPARSED_DATA preparsed,
                        PCHAR report, ULONG reportLength);

// SetupAPI: the present device interfaces of a class.
typedef void* HDEVINFO;

#define DIGCF_PRESENT 0x00000002u
#define DIGCF_DEVICEINTERFACE 0x00000010u

struct SP_DEVICE_INTERFACE_DATA {
    DWORD cbSize;
    GUID InterfaceClassGuid;
    DWORD Flags;
    ULONG_PTR Reserved;
};
typedef SP_DEVICE_INTERFACE_DATA* PSP_DEVICE_INTERFACE_DATA;

struct SP_DEVICE_INTERFACE_DETAIL_DATA_A {
    DWORD cbSize;
    CHAR DevicePath[1];
};
typedef SP_DEVICE_INTERFACE_DETAIL_DATA_A* PSP_DEVICE_INTERFACE_DETAIL_DATA_A;

struct SP_DEVINFO_DATA;

HDEVINFO SetupDiGetClassDevsA(const GUID* classGuid, LPCSTR enumerator, HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInterfaces(HDEVINFO devices, SP_DEVINFO_DATA* deviceData,
                                 const GUID* interfaceGuid, DWORD index,
                                 PSP_DEVICE_INTERFACE_DATA interfaceData);
BOOL SetupDiGetDeviceInterfaceDetailA(HDEVINFO devices, PSP_DEVICE_INTERFACE_DATA interfaceData,
                                      PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD detailSize,
                                      PDWORD requiredSize, SP_DEVINFO_DATA* deviceData);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO devices);
