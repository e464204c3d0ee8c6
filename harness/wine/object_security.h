// The security a kernel object carries, read back from a handle to it (opened with
// READ_CONTROL): whether its DACL is protected, each entry of its DACL and of its label
// (SACL) as type, access mask and SID, so that a test compares them with plain equality.
#pragma once

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <ostream>
#include <string>
#include <vector>

namespace wine_test {

struct AccessEntry {
    BYTE type = 0;
    DWORD mask = 0;
    std::vector<BYTE> sid;
    bool operator==(const AccessEntry& other) const {
        return type == other.type && mask == other.mask && sid == other.sid;
    }
};

// As a failed check shows it: "type 0, mask 0x1f0001, S-1-5-18".
inline void PrintTo(const AccessEntry& entry, std::ostream* out) {
    std::string sid = "no SID";
    char* text = nullptr;
    if (!entry.sid.empty() &&
        ConvertSidToStringSidA(const_cast<BYTE*>(entry.sid.data()), &text) != FALSE) {
        sid = text;
        LocalFree(text);
    }
    *out << "type " << static_cast<int>(entry.type) << ", mask 0x" << std::hex << entry.mask
         << std::dec << ", " << sid;
}

struct ObjectSecurity {
    bool read = false;  // GetSecurityInfo answered
    bool protectedDacl = false;
    std::vector<AccessEntry> dacl, label;
};

// A well-known SID's bytes.
inline std::vector<BYTE> WellKnownSid(WELL_KNOWN_SID_TYPE type) {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(type, nullptr, sid, &size)) return {};
    return std::vector<BYTE>(sid, sid + size);
}

// The entries of an ACL, in order; ACCESS_ALLOWED_ACE and SYSTEM_MANDATORY_LABEL_ACE share
// this layout (header, mask, SID).
inline std::vector<AccessEntry> AclEntries(PACL acl) {
    std::vector<AccessEntry> entries;
    for (WORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) break;
        const auto* sid = reinterpret_cast<const BYTE*>(&ace->SidStart);
        entries.push_back({ace->Header.AceType, ace->Mask,
                           std::vector<BYTE>(sid, sid + GetLengthSid(&ace->SidStart))});
    }
    return entries;
}

inline ObjectSecurity ReadObjectSecurity(HANDLE object) {
    ObjectSecurity security;
    PACL dacl = nullptr, sacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(object, SE_KERNEL_OBJECT,
                        DACL_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION, nullptr, nullptr,
                        &dacl, &sacl, &descriptor) != ERROR_SUCCESS) {
        return security;
    }
    security.read = true;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    security.protectedDacl = GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                             (control & SE_DACL_PROTECTED);
    security.dacl = AclEntries(dacl);
    security.label = AclEntries(sacl);
    LocalFree(descriptor);
    return security;
}

}  // namespace wine_test
