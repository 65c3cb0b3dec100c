#include "services/shell_open.h"

#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <atomic>

namespace olvex {

namespace {

std::atomic<shell_provider*> provider{nullptr};

}  // namespace

shell_provider* set_shell_provider(shell_provider* p) { return provider.exchange(p); }

int shell_execute(const std::wstring& program, const std::wstring& parameters, bool wait) {
    if (program.empty()) return -1;
    shell_provider* p = provider.load();
    return p ? p->execute(program, parameters, wait) : detail::system_shell_execute(program, parameters, wait);
}

bool open_location(int kind, const std::wstring& text) {
    const std::wstring trimmed = vandel::trim(text, true, true);
    if (trimmed.empty()) return false;
    if (kind == location_web) {
        if (text.find(L"://") != std::wstring::npos) return shell_execute(text, L"", false) == 0;
        // The name that was checked is the one that is opened.
        if (vandel::path_kind(trimmed) == vandel::kind_missing) return false;
        return shell_execute(L"file://" + trimmed, L"", false) == 0;
    }
    if (kind == location_mail) {
        const size_t colon = text.find(L':');
        if (colon != std::wstring::npos && colon > 0) {
            if (vandel::to_lower(vandel::trim(text.substr(0, colon), true, true)) != L"mailto") return false;
            return shell_execute(text, L"", false) == 0;
        }
        return shell_execute(L"mailto:" + trimmed, L"", false) == 0;
    }
    return shell_execute(text, L"", false) == 0;
}

bool open_location(int kind, const std::string& text) { return open_location(kind, vandel::widen(text)); }

}  // namespace olvex
