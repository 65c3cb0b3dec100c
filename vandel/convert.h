#pragma once
// Conversions between 8-bit text (bytes) and UTF-16 text (std::wstring, one unit per wchar_t).
#include <string>

namespace vandel {

// Returns each byte zero-extended to one UTF-16 unit (the Latin-1 reading).
std::wstring widen(const std::string& bytes);

// Returns each unit below 256 as the byte of that value, every other unit as `replacement`.
std::string narrow(const std::wstring& text, char replacement = '\x1A');

}  // namespace vandel
