#pragma once
// The translation keys that the programs use: the windows of zygui, the Explorer menu (the
// console uses none). The English language file holds a text for each of them and for nothing
// else; a window or menu that uses a new key adds it here and its text there.
#include <vector>

namespace olvex {

// Returns every key once.
const std::vector<const wchar_t*>& used_text_keys();

}  // namespace olvex
