#pragma once
// POSIX side only: one description of a directory entry for the path functions and the folder
// handles alike, so an item found by either compares equal.
#include "vandel/files.h"

#include <string>

namespace vandel::posix {

// Describes the entry name, relative to dirfd (AT_FDCWD for a path), without following it; the
// kind is that of what a link names. Returns the kind; kind_missing (errno set) when it is gone
// or can't be read.
int describe_entry(int dirfd, const std::string& name, struct file_info& info);

// True when the folder name (relative to dirfd) is the root of a mount: another file system, or
// a bind mount.
bool is_mount_root(int dirfd, const std::string& name);

}  // namespace vandel::posix
