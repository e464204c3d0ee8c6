// Opening and closing the named objects of the shared table for one process.
#include "driver/shared_objects.h"

#include "state/kernel_names.h"
#include "state/named_objects.h"
#include "util/guid_text.h"

namespace quorforce {
namespace {

HANDLE OpenMutexOf(const GUID& guid) {
    char name[kGuidTextSize];
    FormatGuidText(guid, name);
    return OpenOrCreateSharedMutex(name);
}

HANDLE OpenBlockOf(const GUID& guid, DWORD size) {
    char name[kGuidTextSize];
    FormatGuidText(guid, name);
    return OpenOrCreateSharedBlock(name, size);
}

void CloseAndClear(HANDLE& handle) {
    if (handle != nullptr) CloseHandle(handle);
    handle = nullptr;
}

}  // namespace

bool OpenSharedObjects(ProcessState& process) {
    process.tableMutex = OpenMutexOf(kTableMutexGuid);
    process.inputMutex = process.tableMutex ? OpenMutexOf(kInputMutexGuid) : nullptr;
    if (process.inputMutex != nullptr) {
        process.mapping = OpenBlockOf(kTableMappingGuid, sizeof(SharedEffectTable));
    }
    // A mapping of that name smaller than the table (another program's) refuses the view.
    if (process.mapping != nullptr) {
        process.table = static_cast<SharedEffectTable*>(
            MapViewOfFile(process.mapping, kBlockRights, 0, 0, sizeof(SharedEffectTable)));
    }
    if (process.table == nullptr) {
        CloseSharedObjects(process);
        return false;
    }
    OpenMonitorBlock(process);
    return true;
}

void OpenMonitorBlock(ProcessState& process) {
    process.monitorMapping = OpenBlockOf(kMonitorMappingGuid, sizeof(MonitorBlock));
    if (process.monitorMapping == nullptr) return;
    process.monitor = static_cast<MonitorBlock*>(
        MapViewOfFile(process.monitorMapping, kBlockRights, 0, 0, sizeof(MonitorBlock)));
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
    for (HANDLE& place : process.placeObjects)
        CloseAndClear(place);
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
