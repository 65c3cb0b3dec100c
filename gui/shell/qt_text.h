#pragma once
// The one way between QString and the library's std::wstring: both hold UTF-16 code units, one
// unit per character position (wchar_t is 32 bits on Linux, so Qt's wide-string conversions would
// turn surrogate pairs into single code points there).
#include <QString>

#include <string>

namespace olvex {

// Returns the units of text as a QString, unit for unit.
QString to_qstring(const std::wstring& text);
// Returns the units of text as a std::wstring, unit for unit.
std::wstring from_qstring(const QString& text);

// Returns olvex::tr of key as a QString (inside a Qt object, plain tr is QObject's).
QString qtr(const wchar_t* key);

}  // namespace olvex
