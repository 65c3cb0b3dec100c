#pragma once
// Date and time macros in paths and file-name templates, and the title of a files job.
#include "vandel/files.h"

#include <string>
#include <vector>

namespace olvex {

// Returns text with every macro replaced by the current date and time: "%DATETIME%" (local
// YYYYMMDDThhmmss), "%DATE%", "%TIME%", "%YYYY%", "%YY%", "%MM%", "%DD%", "%hh%", "%mm%", "%ss%",
// and the UTC forms "%DATETIMEZ%", "%DATEZ%", "%TIMEZ%", "%YYYYZ%", "%YYZ%", "%MMZ%", "%DDZ%",
// "%hhZ%" (with "Z" after a time). Letter case counts. A text without "%" comes back unchanged,
// and so does any text when the time can't be told.
std::wstring expand_path_macros(const std::wstring& text);

// Returns the title of a files job: the folder that all paths share (with its separator), the
// one path itself when there is one, and fallback when there is none or nothing is shared.
std::wstring file_job_title(const std::vector<std::wstring>& paths, const std::wstring& fallback,
                            vandel::path_style style = vandel::path_style::native);

}  // namespace olvex
