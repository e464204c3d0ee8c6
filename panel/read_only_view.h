// A read-only view of one of the driver's named blocks (the shared table, the monitor block),
// opened on first use and refused when the mapping is smaller than the record (another
// program's object of the same name). The panel's window thread and its command line's
// import use it; neither ever writes the blocks.
#pragma once

#include "platform/win32.h"
#include "state/named_objects.h"
#include "util/guid_text.h"

namespace quorforce::panel {

template <typename Record>
class ReadOnlyView {
public:
    explicit ReadOnlyView(const GUID& guid) : guid_(guid) {}
    ~ReadOnlyView() { Close(); }
    ReadOnlyView(const ReadOnlyView&) = delete;
    ReadOnlyView& operator=(const ReadOnlyView&) = delete;

    const Record* Get() {
        if (record_ == nullptr) Open();
        return record_;
    }
    void Open() {
        char name[kGuidTextSize];
        FormatGuidText(guid_, name);
        // The driver's own way in: reading rights only, which its objects give every user.
        const void* view = MapBlockForReading(name, sizeof(Record), &mapping_);
        MEMORY_BASIC_INFORMATION region = {};
        if (view != nullptr && VirtualQuery(view, &region, sizeof region) == sizeof region &&
            region.RegionSize >= sizeof(Record)) {
            record_ = static_cast<const Record*>(view);
            return;
        }
        if (view != nullptr) UnmapViewOfFile(view);
        Close();
    }
    void Close() {
        if (record_ != nullptr) UnmapViewOfFile(record_);
        record_ = nullptr;
        if (mapping_ != nullptr) CloseHandle(mapping_);
        mapping_ = nullptr;
    }

private:
    GUID guid_;
    HANDLE mapping_ = nullptr;
    const Record* record_ = nullptr;
};

}  // namespace quorforce::panel
