// A process state over a private, zero-filled table and an unnamed mutex, so that unit
// tests never meet the named objects of a driver that may be loaded.
#pragma once

#include <cstring>
#include <memory>

#include "state/process_state.h"

namespace quorforce::test {

class TestTable {
public:
    TestTable() : table_(new SharedEffectTable()) {
        process.table = table_.get();
        process.tableMutex = CreateMutexA(nullptr, FALSE, nullptr);
        process.inputMutex = CreateMutexA(nullptr, FALSE, nullptr);
    }
    ~TestTable() {
        CloseHandle(process.tableMutex);
        CloseHandle(process.inputMutex);
    }
    TestTable(const TestTable&) = delete;
    TestTable& operator=(const TestTable&) = delete;

    DeviceArea& area(int index) { return table_->areas[index]; }
    EffectSlot& slot(int area, int handle) { return table_->areas[area].slots[handle - 1]; }

    // A copy of the whole table, to show that a refused call changed nothing.
    std::unique_ptr<SharedEffectTable> Snapshot() const {
        return std::make_unique<SharedEffectTable>(*table_);
    }
    bool Unchanged(const SharedEffectTable& before) const {
        return std::memcmp(&before, table_.get(), sizeof before) == 0;
    }

    ProcessState process;

private:
    std::unique_ptr<SharedEffectTable> table_;
};

}  // namespace quorforce::test
