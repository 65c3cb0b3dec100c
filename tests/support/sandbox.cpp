#include "tests/support/sandbox.h"

#include <cstdio>
#include <cstdlib>

namespace oblivar::test {

std::wstring sandbox::path(const std::wstring& rel) const {
    std::wstring p = root_;
    p += native_separator();
    for (wchar_t c : rel) p += (c == L'/') ? native_separator() : c;
    return p;
}

void sandbox::require_inside(const std::wstring& p) const {
    if (contains(p)) return;
    std::fprintf(stderr, "FATAL: a test aimed a destructive call outside its sandbox\n");
    std::abort();
}

std::string pattern_bytes(size_t size, const std::string& pattern) {
    std::string out;
    out.reserve(size);
    while (out.size() < size) out += pattern.substr(0, size - out.size());
    return out;
}

}  // namespace oblivar::test
