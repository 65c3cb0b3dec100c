#pragma once
// POSIX side only: the system's table of mounts, as /proc/self/mountinfo lists them.
#include <string>
#include <vector>

namespace vandel::posix {

struct mount_entry {
    unsigned major = 0;  // the device number of the mounted file system
    unsigned minor = 0;
    std::string point;   // where it is mounted
    std::string type;    // file-system type
    std::string source;  // what was mounted ("/dev/sdb1", "tmpfs")
};

// Returns every mount of the table file in its order (a later mount at the same point lies on
// top of an earlier one); empty when the file can't be read.
std::vector<mount_entry> read_mount_table(const std::string& file = "/proc/self/mountinfo");

}  // namespace vandel::posix
