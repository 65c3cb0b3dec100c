// Win32 side of the test environment helpers: the C runtime's wide environment, which is what the
// library reads.
#include "tests/support/env.h"
#include "vandel/convert.h"

#include <cstdlib>

namespace oblivar::test {

std::optional<std::wstring> get_env(const std::string& name) {
    const wchar_t* v = _wgetenv(vandel::widen(name).c_str());
    if (!v) return std::nullopt;
    return std::wstring(v);
}

void set_env(const std::string& name, const std::optional<std::wstring>& value) {
    // An empty value unsets the variable here, as it does for the system.
    _wputenv_s(vandel::widen(name).c_str(), value ? value->c_str() : L"");
}

}  // namespace oblivar::test
