// Where the control panel may load quorforce.dll from: a fully qualified path only. A bare
// name, or a path relative to the current directory or drive, would let the loader take a
// quorforce.dll from whatever folder the panel was started in.
#pragma once

#include <string>

namespace quorforce::panel {

// "C:\..." (a drive and its root) or "\\server\share\..." and "\\?\..." (two separators).
// Not "C:file" (the drive's current directory), "\file" (the current drive's root) or a name.
bool IsFullPath(const std::wstring& path);

// `name` in the folder of `modulePath`, which must be a full path; empty otherwise.
std::wstring BesideModule(const std::wstring& modulePath, const std::wstring& name);

}  // namespace quorforce::panel
