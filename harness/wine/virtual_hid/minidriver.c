/* A virtual HID wheel for Wine: a HID minidriver with the built-in wheel's report
 * descriptor (the one the host stand-in's wheel is made from). hidclass and hid.dll expose
 * it like a USB device; a test channel (a device interface of its own) injects input
 * reports and hands back, in order, every output and feature report the device received.
 * Test code only: never shipped. */
#include <ntddk.h>

#include "platform/host/virtual_hid_wheel_descriptor.h"

#define HID_REVISION 0x00000001
#define HID_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_NEITHER, FILE_ANY_ACCESS)
#define HID_IN_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_IN_DIRECT, FILE_ANY_ACCESS)
#define HID_OUT_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_OUT_DIRECT, FILE_ANY_ACCESS)
#define IOCTL_HID_GET_DEVICE_DESCRIPTOR HID_CTL(0)
#define IOCTL_HID_GET_REPORT_DESCRIPTOR HID_CTL(1)
#define IOCTL_HID_READ_REPORT HID_CTL(2)
#define IOCTL_HID_WRITE_REPORT HID_CTL(3)
#define IOCTL_HID_GET_STRING HID_CTL(4)
#define IOCTL_HID_ACTIVATE_DEVICE HID_CTL(7)
#define IOCTL_HID_DEACTIVATE_DEVICE HID_CTL(8)
#define IOCTL_HID_GET_DEVICE_ATTRIBUTES HID_CTL(9)
#define IOCTL_HID_GET_FEATURE HID_OUT_CTL(100)
#define IOCTL_HID_SET_FEATURE HID_IN_CTL(100)
#define IOCTL_HID_SET_OUTPUT_REPORT HID_IN_CTL(101)
#define IOCTL_HID_GET_INPUT_REPORT HID_OUT_CTL(104)

/* The test channel's own codes. */
#define IOCTL_TEST_INJECT CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_TEST_POP CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* Pop with the performance counter's reading when the device received the report. */
#define IOCTL_TEST_POP_STAMPED \
    CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS)
/* Faults of the output side, one byte: 0 none, 1 writes fail as from an unplugged device,
 * 2 writes stall (their IRP stays pending) until the fault is set back to 0, 3 feature
 * requests are refused (writes go through). */
#define IOCTL_TEST_SET_FAULT CTL_CODE(FILE_DEVICE_UNKNOWN, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define FAULT_UNPLUGGED 1
#define FAULT_STALL 2
#define FAULT_REFUSE_FEATURES 3

typedef struct {
    ULONG Revision;
    PDRIVER_OBJECT DriverObject;
    PUNICODE_STRING RegistryPath;
    ULONG DeviceExtensionSize;
    BOOLEAN DevicesArePolled;
    UCHAR Reserved[3];
} HID_MINIDRIVER_REGISTRATION;

typedef struct {
    PDEVICE_OBJECT PhysicalDeviceObject;
    PDEVICE_OBJECT NextDeviceObject;
    PVOID MiniDeviceExtension;
} HID_DEVICE_EXTENSION;

#pragma pack(push, 1)
typedef struct {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdHID;
    UCHAR bCountry;
    UCHAR bNumDescriptors;
    UCHAR bReportType;
    USHORT wReportLength;
} HID_DESCRIPTOR;
#pragma pack(pop)

typedef struct {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
    USHORT Reserved[11];
} HID_DEVICE_ATTRIBUTES;

typedef struct {
    PUCHAR reportBuffer;
    ULONG reportBufferLen;
    UCHAR reportId;
} HID_XFER_PACKET;

NTSTATUS WINAPI HidRegisterMinidriver(HID_MINIDRIVER_REGISTRATION* registration);

static const GUID test_interface = {
    0x8e6f4f2a, 0x4c1d, 0x4b2e, {0x9a, 0x11, 0x51, 0x7a, 0x0c, 0x3d, 0x22, 0x10}};

/* Records: kind (1 output, 2 feature), length, bytes, and when they came. Each wheel of the
 * prefix has its own records, pending read, queued input and test channel, in hidclass's
 * mini extension. A ring: a reader that pops as it goes may take any number of them. */
#define RECORDS 4096
#define RECORD_BYTES 16
typedef struct {
    UCHAR records[RECORDS][RECORD_BYTES + 2];
    LONGLONG stamps[RECORDS];
    volatile LONG records_written;
    volatile LONG records_read;
    IRP* volatile pending_read;
    UCHAR queued_input[8];
    volatile LONG input_queued;
    volatile LONG fault;
    IRP* volatile stalled_write;
    UNICODE_STRING test_path;
    USHORT vendor_id, product_id;
} WHEEL;

static PDRIVER_DISPATCH hidclass_device_control;

static WHEEL* wheel_of(DEVICE_OBJECT* device) {
    return ((HID_DEVICE_EXTENSION*)device->DeviceExtension)->MiniDeviceExtension;
}

static void record(WHEEL* wheel, UCHAR kind, const UCHAR* bytes, ULONG length) {
    LONGLONG now = KeQueryPerformanceCounter(NULL).QuadPart;
    LONG slot = (InterlockedIncrement(&wheel->records_written) - 1) % RECORDS;
    UCHAR* r = wheel->records[slot];
    wheel->stamps[slot] = now;
    if (length > RECORD_BYTES) length = RECORD_BYTES;
    r[0] = kind;
    r[1] = (UCHAR)length;
    RtlCopyMemory(r + 2, bytes, length);
}

static NTSTATUS complete(IRP* irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS copy_out(IRP* irp, const void* data, ULONG size, ULONG capacity) {
    if (capacity < size) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    RtlCopyMemory(irp->UserBuffer, data, size);
    return complete(irp, STATUS_SUCCESS, size);
}

/* A read of hidclass waits for the next injected report. */
static NTSTATUS read_report(WHEEL* wheel, IRP* irp, ULONG capacity) {
    if (capacity < 5) return complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    if (InterlockedExchange(&wheel->input_queued, 0)) {
        RtlCopyMemory(irp->UserBuffer, wheel->queued_input, 5);
        return complete(irp, STATUS_SUCCESS, 5);
    }
    IoMarkIrpPending(irp);
    (void)InterlockedExchangePointer((PVOID*)&wheel->pending_read, irp);
    return STATUS_PENDING;
}

static NTSTATUS WINAPI internal_ioctl(DEVICE_OBJECT* device, IRP* irp) {
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    WHEEL* wheel = wheel_of(device);
    switch (code) {
    case IOCTL_HID_GET_DEVICE_DESCRIPTOR: {
        HID_DESCRIPTOR d = {sizeof(HID_DESCRIPTOR),         0x21, 0x0100, 0, 1, 0x22,
                            sizeof(kBuiltInWheelDescriptor)};
        return copy_out(irp, &d, sizeof d, out);
    }
    case IOCTL_HID_GET_REPORT_DESCRIPTOR:
        return copy_out(irp, kBuiltInWheelDescriptor, sizeof(kBuiltInWheelDescriptor), out);
    case IOCTL_HID_GET_DEVICE_ATTRIBUTES: {
        HID_DEVICE_ATTRIBUTES a = {
            sizeof(HID_DEVICE_ATTRIBUTES), wheel->vendor_id, wheel->product_id, 0x0100, {0}};
        return copy_out(irp, &a, sizeof a, out);
    }
    case IOCTL_HID_GET_STRING: {
        static const WCHAR name[] = L"quorforce virtual wheel";
        return copy_out(irp, name, sizeof(name), out);
    }
    case IOCTL_HID_READ_REPORT: return read_report(wheel, irp, out);
    case IOCTL_HID_WRITE_REPORT:
    case IOCTL_HID_SET_OUTPUT_REPORT:
        if (wheel->fault == FAULT_UNPLUGGED) return complete(irp, STATUS_DEVICE_NOT_CONNECTED, 0);
        if (wheel->fault == FAULT_STALL && wheel->stalled_write == NULL) {
            IoMarkIrpPending(irp);
            (void)InterlockedExchangePointer((PVOID*)&wheel->stalled_write, irp);
            return STATUS_PENDING;
        }
        /* fall through */
    case IOCTL_HID_SET_FEATURE: {
        HID_XFER_PACKET* packet = irp->UserBuffer;
        if (code == IOCTL_HID_SET_FEATURE && wheel->fault == FAULT_REFUSE_FEATURES)
            return complete(irp, STATUS_UNSUCCESSFUL, 0);
        record(wheel, code == IOCTL_HID_SET_FEATURE ? 2 : 1, packet->reportBuffer,
               packet->reportBufferLen);
        /* Wine 8's hidclass reports one byte less than is returned here. */
        return complete(irp, STATUS_SUCCESS, packet->reportBufferLen + 1);
    }
    case IOCTL_HID_ACTIVATE_DEVICE:
    case IOCTL_HID_DEACTIVATE_DEVICE: return complete(irp, STATUS_SUCCESS, 0);
    default: return complete(irp, STATUS_NOT_SUPPORTED, 0);
    }
}

static NTSTATUS test_ioctl(WHEEL* wheel, IRP* irp, ULONG code, ULONG in, ULONG out) {
    UCHAR* buffer = irp->AssociatedIrp.SystemBuffer;
    if (code == IOCTL_TEST_INJECT) {
        IRP* read;
        if (in < 5) return complete(irp, STATUS_INVALID_PARAMETER, 0);
        read = InterlockedExchangePointer((PVOID*)&wheel->pending_read, NULL);
        if (read) {
            RtlCopyMemory(read->UserBuffer, buffer, 5);
            complete(read, STATUS_SUCCESS, 5);
        } else {
            RtlCopyMemory(wheel->queued_input, buffer, 5);
            InterlockedExchange(&wheel->input_queued, 1);
        }
        return complete(irp, STATUS_SUCCESS, 0);
    }
    if (code == IOCTL_TEST_SET_FAULT) {
        IRP* stalled;
        if (in < 1) return complete(irp, STATUS_INVALID_PARAMETER, 0);
        InterlockedExchange(&wheel->fault, buffer[0]);
        stalled =
            buffer[0] == 0 ? InterlockedExchangePointer((PVOID*)&wheel->stalled_write, NULL) : NULL;
        if (stalled) {
            HID_XFER_PACKET* packet = stalled->UserBuffer;
            record(wheel, 1, packet->reportBuffer, packet->reportBufferLen);
            complete(stalled, STATUS_SUCCESS, packet->reportBufferLen + 1);
        }
        return complete(irp, STATUS_SUCCESS, 0);
    }
    /* Pop: the oldest record still in the ring, stamped or not, or nothing (0 bytes). A
     * reader that fell more than the ring behind goes on from the oldest one kept. */
    {
        ULONG size = RECORD_BYTES + 2 + (code == IOCTL_TEST_POP_STAMPED ? sizeof(LONGLONG) : 0);
        LONG slot;
        if (wheel->records_written - wheel->records_read > RECORDS)
            InterlockedExchange(&wheel->records_read, wheel->records_written - RECORDS);
        slot = wheel->records_read % RECORDS;
        if (wheel->records_read >= wheel->records_written || out < size) {
            return complete(irp, STATUS_SUCCESS, 0);
        }
        RtlCopyMemory(buffer, wheel->records[slot], RECORD_BYTES + 2);
        if (code == IOCTL_TEST_POP_STAMPED) {
            RtlCopyMemory(buffer + RECORD_BYTES + 2, &wheel->stamps[slot], sizeof(LONGLONG));
        }
        InterlockedIncrement(&wheel->records_read);
        return complete(irp, STATUS_SUCCESS, size);
    }
}

static NTSTATUS WINAPI device_control(DEVICE_OBJECT* device, IRP* irp) {
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    if (code == IOCTL_TEST_INJECT || code == IOCTL_TEST_POP || code == IOCTL_TEST_POP_STAMPED ||
        code == IOCTL_TEST_SET_FAULT) {
        return test_ioctl(wheel_of(device), irp, code,
                          stack->Parameters.DeviceIoControl.InputBufferLength,
                          stack->Parameters.DeviceIoControl.OutputBufferLength);
    }
    return hidclass_device_control(device, irp);
}

static NTSTATUS WINAPI pnp(DEVICE_OBJECT* device, IRP* irp) {
    HID_DEVICE_EXTENSION* ext = device->DeviceExtension;
    IO_STACK_LOCATION* stack = IoGetCurrentIrpStackLocation(irp);
    WHEEL* wheel = wheel_of(device);
    if (stack->MinorFunction == IRP_MN_START_DEVICE) {
        IoSetDeviceInterfaceState(&wheel->test_path, TRUE);
    }
    if (stack->MinorFunction == IRP_MN_REMOVE_DEVICE) {
        IoSetDeviceInterfaceState(&wheel->test_path, FALSE);
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(ext->NextDeviceObject, irp);
}

static NTSTATUS WINAPI power(DEVICE_OBJECT* device, IRP* irp) {
    HID_DEVICE_EXTENSION* ext = device->DeviceExtension;
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(ext->NextDeviceObject, irp);
}

/* Four hexadecimal digits, or -1. */
static LONG hex4(const WCHAR* text) {
    LONG value = 0;
    for (int i = 0; i < 4; ++i) {
        WCHAR c = text[i];
        LONG digit = c >= '0' && c <= '9'   ? c - '0'
                     : c >= 'a' && c <= 'f' ? c - 'a' + 10
                     : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                            : -1;
        if (digit < 0) return -1;
        value = value * 16 + digit;
    }
    return value;
}

/* The wheel's ids: a hardware id "VID_XXXX&PID_XXXX" beside root\quorvhid names them, so
 * that a test can plug another vendor's wheel; without one it is the built-in 5A1C:E410. */
static void read_ids(DEVICE_OBJECT* pdo, WHEEL* wheel) {
    WCHAR ids[256];
    ULONG size = 0;
    wheel->vendor_id = 0x5A1C;
    wheel->product_id = 0xE410;
    if (IoGetDeviceProperty(pdo, DevicePropertyHardwareID, sizeof ids - sizeof(WCHAR), ids,
                            &size) != STATUS_SUCCESS) {
        return;
    }
    ids[size / sizeof(WCHAR) < 255 ? size / sizeof(WCHAR) : 255] = 0;
    for (ULONG i = 0; i + 17 <= size / sizeof(WCHAR); ++i) {
        if ((ids[i] == 'V' || ids[i] == 'v') && ids[i + 3] == '_' && ids[i + 8] == '&' &&
            hex4(ids + i + 4) >= 0 && hex4(ids + i + 13) >= 0) {
            wheel->vendor_id = (USHORT)hex4(ids + i + 4);
            wheel->product_id = (USHORT)hex4(ids + i + 13);
            return;
        }
    }
}

static NTSTATUS WINAPI add_device(DRIVER_OBJECT* driver, DEVICE_OBJECT* fdo) {
    HID_DEVICE_EXTENSION* ext = fdo->DeviceExtension;
    WHEEL* wheel = ext->MiniDeviceExtension;
    (void)driver;
    RtlZeroMemory(wheel, sizeof *wheel);
    read_ids(ext->PhysicalDeviceObject, wheel);
    IoRegisterDeviceInterface(ext->PhysicalDeviceObject, &test_interface, NULL, &wheel->test_path);
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void WINAPI unload(DRIVER_OBJECT* driver) { (void)driver; }

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT* driver, UNICODE_STRING* registry) {
    HID_MINIDRIVER_REGISTRATION registration;
    NTSTATUS status;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = internal_ioctl;
    driver->MajorFunction[IRP_MJ_PNP] = pnp;
    driver->MajorFunction[IRP_MJ_POWER] = power;
    driver->DriverExtension->AddDevice = add_device;
    driver->DriverUnload = unload;
    RtlZeroMemory(&registration, sizeof registration);
    registration.Revision = HID_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registry;
    registration.DeviceExtensionSize = sizeof(WHEEL);
    registration.DevicesArePolled = FALSE;
    status = HidRegisterMinidriver(&registration);
    /* hidclass now owns the dispatch table; take device control for the test channel. */
    hidclass_device_control = driver->MajorFunction[IRP_MJ_DEVICE_CONTROL];
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = device_control;
    return status;
}
