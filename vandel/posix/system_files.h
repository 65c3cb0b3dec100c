#pragma once
// POSIX side only: whole reads of the system's small files and links, and resolved paths.
#include <string>

namespace vandel::posix {

// Returns whether the whole file was read into out (a file of /proc or /sys, a few pages at
// most); false, out undefined, when it can't be opened or read.
bool read_small_file(const std::string& path, std::string& out);

// Returns whether the text of the link was read into out, whole however long it is.
bool read_link(const std::string& path, std::string& out);

// Returns the path with every link, "." and ".." resolved (all of it must exist); empty when it
// can't be resolved.
std::string real_path(const std::string& path);

}  // namespace vandel::posix
