#pragma once
// Version texts compared as numbers, and byte counts as short texts in 1024-based units.
#include <cstdint>
#include <string>

namespace vandel {

// Compares two version texts part by part as numbers ("5.2" equals "5.2.0", "5.10" is newer than
// "5.9"; an empty part ranks below 0). Returns -1 when a is older, 1 when newer, 0 when equal.
int compare_versions(const std::string& a, const std::string& b);

// Returns bytes in the largest unit it reaches ("bytes", KB, MB ... EB) with at most one decimal,
// truncated: 1536 gives "1.5 KB", 1023 "1023 bytes". S is std::string or std::wstring.
template <class S = std::string>
S format_bytes(uint64_t bytes);

}  // namespace vandel
