#pragma once

#include <string>

// The checks made before a publication starts, so that a run that cannot work is refused with
// the system's reason instead of failing picture by picture.

// The prefix of the files the program makes for itself beside the user's.
inline constexpr const char* kOwnFilePrefix = ".galvane-";

// Whether files can be made and removed in `folder`: creates a probe file there (a name of its
// own, created exclusively, so no existing file is touched), writes one byte and removes it.
// False with the system's reason ("Read-only file system", "Permission denied", ...) otherwise.
bool CanWriteIntoFolder(const std::string& folder, std::string& reason);

enum class SourceState { HoldsPictures, NoPictures, Unreadable };

// Whether `folder` holds at least one picture that the scan would list; with `albums`, one in
// any of its albums counts too (a folder of folders). Unreadable comes with the system's reason
// ("Permission denied", "Not a directory", ...).
SourceState CheckSourcePictures(const std::string& folder, std::string& reason, bool albums = false);
