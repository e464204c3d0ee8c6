// Making and opening the driver's named objects with explicit security and minimal rights.
#include "state/named_objects.h"

namespace quorforce {
namespace {

// A race between two first users of a block is settled by opening again; bounded so that a
// name held by an object of another kind cannot loop.
constexpr int kBlockOpenTries = 3;

// SECURITY_ATTRIBUTES made from SDDL text, freed with it. Without the descriptor (the
// conversion failed) the object gets the default security rather than not being made.
class SecurityFromText {
public:
    explicit SecurityFromText(const char* sddl) {
        if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                 &descriptor_, nullptr)) {
            attributes_.nLength = sizeof attributes_;
            attributes_.lpSecurityDescriptor = descriptor_;
            attributes_.bInheritHandle = FALSE;
        }
    }
    ~SecurityFromText() {
        if (descriptor_ != nullptr) LocalFree(descriptor_);
    }
    SecurityFromText(const SecurityFromText&) = delete;
    SecurityFromText& operator=(const SecurityFromText&) = delete;
    LPSECURITY_ATTRIBUTES Get() { return descriptor_ != nullptr ? &attributes_ : nullptr; }

private:
    PSECURITY_DESCRIPTOR descriptor_ = nullptr;
    SECURITY_ATTRIBUTES attributes_ = {};
};

}  // namespace

HANDLE OpenOrCreateSharedMutex(const char* name) {
    // CreateMutexA would ask an existing mutex for MUTEX_ALL_ACCESS, which its security
    // refuses a non-administrator; the Ex form asks for only what is used, made or opened.
    SecurityFromText security(kMutexSecurity);
    return CreateMutexExA(security.Get(), name, 0, kMutexRights);
}

HANDLE OpenOrCreateSharedEvent(const char* name) {
    // As the mutex: CreateEventA would ask an existing event for EVENT_ALL_ACCESS.
    SecurityFromText security(kEventSecurity);
    return CreateEventExA(security.Get(), name,
                          CREATE_EVENT_MANUAL_RESET | CREATE_EVENT_INITIAL_SET, kEventRights);
}

HANDLE OpenOrCreateSharedBlock(const char* name, DWORD size) {
    // CreateFileMappingA has no way to ask for fewer rights on an existing mapping: open first.
    SecurityFromText security(kBlockSecurity);
    for (int attempt = 0; attempt < kBlockOpenTries; ++attempt) {
        HANDLE mapping = OpenFileMappingA(kBlockRights, FALSE, name);
        if (mapping != nullptr || GetLastError() != ERROR_FILE_NOT_FOUND) return mapping;
        mapping =
            CreateFileMappingA(INVALID_HANDLE_VALUE, security.Get(), PAGE_READWRITE, 0, size, name);
        // Denied: another process made it between the open and the create.
        if (mapping != nullptr || GetLastError() != ERROR_ACCESS_DENIED) return mapping;
    }
    return nullptr;
}

const void* MapBlockForReading(const char* name, std::size_t size, HANDLE* mapping) {
    *mapping = OpenFileMappingA(kReaderRights, FALSE, name);
    if (*mapping == nullptr) return nullptr;
    const void* view = MapViewOfFile(*mapping, kReaderRights, 0, 0, size);
    if (view != nullptr) return view;
    CloseHandle(*mapping);
    *mapping = nullptr;
    return nullptr;
}

}  // namespace quorforce
