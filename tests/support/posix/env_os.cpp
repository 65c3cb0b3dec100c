// POSIX side of the test environment helpers: getenv, setenv and unsetenv on system bytes.
#include "tests/support/env.h"
#include "vandel/os_text.h"

#include <cstdlib>

namespace oblivar::test {

std::optional<std::wstring> get_env(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    if (!v) return std::nullopt;
    return vandel::from_os_bytes(v);
}

void set_env(const std::string& name, const std::optional<std::wstring>& value) {
    if (value)
        setenv(name.c_str(), vandel::to_os_bytes(*value).c_str(), 1);
    else
        unsetenv(name.c_str());
}

}  // namespace oblivar::test
