#pragma once
// Lossless text at the POSIX boundary: UTF-16 units (held one per wchar_t) to the bytes the
// system takes and back. Bytes that are not strict UTF-8 travel as escapes U+DC80..U+DCFF, so
// any name read from the system reaches it again byte for byte.
#include <string>

namespace vandel {

// Returns the system bytes of text: escapes U+DC80..U+DCFF become their low byte, surrogate
// pairs one 4-byte form, any other lone surrogate its 3-byte form.
std::string to_os_bytes(const std::wstring& text);

// Returns UTF-16 units for system bytes: strict UTF-8 (no overlong forms, no surrogates, at most
// U+10FFFF) decodes normally; every other byte becomes the escape U+DC00 + byte.
std::wstring from_os_bytes(const std::string& bytes);

// Returns a name as it may be shown in a console or a log line: control characters (C0 and DEL)
// and the escapes of bytes that are not UTF-8 become "\xNN"; C1 controls, lone surrogates and
// the characters that break lines or turn the writing direction become "\uXXXX". Everything
// else stays, so a plain name reads as itself. For display only: the name that reaches the
// system is the original.
std::wstring printable_name(const std::wstring& name);

}  // namespace vandel
