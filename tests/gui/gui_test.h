#pragma once
// Helpers of the GUI tests: the process's translation table filled from a text.
#include "services/interlang.h"

#include <string>

namespace oblivar::test {

// Empties the process's table, loads the language-file text (UTF-8) and selects current with
// "en" as primary. Returns the line of a syntax error, 0 when the text loaded.
int load_table(const std::string& text, const std::wstring& current = L"en");

// Empties the process's table again when it goes.
class table_scope {
public:
    table_scope() = default;
    ~table_scope() { olvex::interlang::instance().clear(); }
    table_scope(const table_scope&) = delete;
    table_scope& operator=(const table_scope&) = delete;
};

}  // namespace oblivar::test
