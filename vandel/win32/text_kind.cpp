// Win32 system text kind: the ANSI code page from GetCPInfoExW.
#include "vandel/text_kind.h"
#include "vandel/win32/windows.h"

namespace vandel::detail {

text_kind query_system_text_kind() {
    CPINFOEXW info{};
    if (!GetCPInfoExW(CP_ACP, 0, &info)) return text_kind_ascii;
    const text_kind kind = text_kind_of_code_page(info.CodePage);
    return kind == text_kind_none ? text_kind_system : kind;
}

}  // namespace vandel::detail
