// Opening and closing the named objects of the shared table for one process.
#include "driver/shared_objects.h"

#include "state/kernel_names.h"
#include "util/guid_text.h"

namespace quorforce {
namespace {

HANDLE CreateNamedMutex(const GUID& guid) {
    char name[kGuidTextSize];
    FormatGuidText(guid, name);
    return CreateMutexA(nullptr, FALSE, name);
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

bool OpenSharedObjects(ProcessState& process) {
    process.tableMutex = CreateNamedMutex(kTableMutexGuid);
    process.inputMutex = process.tableMutex ? CreateNamedMutex(kInputMutexGuid) : nullptr;
    if (process.inputMutex != nullptr) {
        char name[kGuidTextSize];
        FormatGuidText(kTableMappingGuid, name);
        process.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                             sizeof(SharedEffectTable), name);
    }
    if (process.mapping != nullptr) {
        process.table = static_cast<SharedEffectTable*>(MapViewOfFile(
            process.mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(SharedEffectTable)));
    }
    if (process.table == nullptr) {
        CloseSharedObjects(process);
        return false;
    }
    OpenMonitorBlock(process);
    return true;
}

void OpenMonitorBlock(ProcessState& process) {
    char name[kGuidTextSize];
    FormatGuidText(kMonitorMappingGuid, name);
    process.monitorMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                sizeof(MonitorBlock), name);
    if (process.monitorMapping == nullptr) return;
    process.monitor = static_cast<MonitorBlock*>(MapViewOfFile(
        process.monitorMapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(MonitorBlock)));
    if (process.monitor == nullptr) {
        CloseAndClear(process.monitorMapping);
        return;
    }
    // Every process writes the same three words, so a reader can tell the block from
    // another program's bytes whichever process made it.
    process.monitor->areaCount = kAreaCount;
    process.monitor->version = kMonitorVersion;
    process.monitor->magic = kMonitorMagic;
}

void CloseSharedObjects(ProcessState& process) {
    if (process.monitor != nullptr) UnmapViewOfFile(process.monitor);
    process.monitor = nullptr;
    CloseAndClear(process.monitorMapping);
    if (process.table != nullptr) UnmapViewOfFile(process.table);
    process.table = nullptr;
    CloseAndClear(process.mapping);
    CloseAndClear(process.tableMutex);
    CloseAndClear(process.inputMutex);
}

}  // namespace quorforce
