// POSIX mount table: the lines of /proc/self/mountinfo.
#include "vandel/posix/mount_table.h"

#include <cstdio>
#include <fstream>

namespace vandel::posix {

namespace {

// Undoes the octal escapes (\040 and the like) of the table's fields.
std::string unescape_field(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
            s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
            out += static_cast<char>(((s[i + 1] - '0') << 6) | ((s[i + 2] - '0') << 3) | (s[i + 3] - '0'));
            i += 3;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

std::vector<mount_entry> read_mount_table(const std::string& file) {
    std::vector<mount_entry> out;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::vector<std::string> f;
        size_t pos = 0;
        while (pos <= line.size()) {
            size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            f.push_back(line.substr(pos, end - pos));
            pos = end + 1;
        }
        mount_entry m;
        char rest = 0;
        if (f.size() < 7 || std::sscanf(f[2].c_str(), "%u:%u%c", &m.major, &m.minor, &rest) != 2) continue;
        m.point = unescape_field(f[4]);
        for (size_t i = 6; i + 1 < f.size(); ++i)
            if (f[i] == "-") {
                m.type = f[i + 1];
                if (i + 2 < f.size()) m.source = unescape_field(f[i + 2]);
                break;
            }
        out.push_back(std::move(m));
    }
    return out;
}

}  // namespace vandel::posix
