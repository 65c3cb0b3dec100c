#include "vandel/convert.h"

namespace vandel {

std::wstring widen(const std::string& bytes) {
    std::wstring out(bytes.size(), L'\0');
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return out;
}

std::string narrow(const std::wstring& text, char replacement) {
    std::string out(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) {
        auto u = static_cast<unsigned long>(text[i]);
        out[i] = u < 256 ? static_cast<char>(u) : replacement;
    }
    return out;
}

}  // namespace vandel
