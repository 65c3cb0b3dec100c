#include "engine/engine.h"

namespace olvex {

std::wstring engine::target_title(bool) const { return {}; }

std::vector<std::wstring> engine::all_recycle_bins() { return {}; }

bool engine::add_target_item(const std::wstring&) { return false; }

bool engine::is_bin_setting(const std::wstring&) { return false; }

error_code engine::wipe_target_item(int64_t, uint32_t) { return err_not_available; }

void engine::empty_bin(int64_t) {}

}  // namespace olvex
