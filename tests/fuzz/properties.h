#pragma once
// What must hold for any input of each reader of outside data. The libFuzzer targets and the
// replay test of the normal build call the same functions, so an input that once failed is
// checked on both targets by the normal test run.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oblivar::fuzz {

// Returns empty when the property holds for the input, else what went wrong. Exceptions other
// than those the reader documents pass through: they are findings too.
using property = std::string (*)(const uint8_t* data, size_t size);

struct target {
    const char* name;  // also the folder of its seeds and regressions
    property check;
    const char* rule;  // the property in one line
};

// Returns the targets and sets count to their number.
const target* targets(size_t& count);
// Returns the target of that name; nullptr when there is none.
const target* find_target(const std::string& name);

// The arguments a program started with a parameter string gets: the program, then the words
// between blanks.
std::vector<std::wstring> arguments_of(const std::wstring& program, const std::wstring& parameters);

}  // namespace oblivar::fuzz
