#pragma once
// A number of seconds as a short duration text ("1 Hour, 2 Minutes") in replaceable unit words.
#include <cstdint>
#include <string>

namespace vandel {

class eta_builder {
public:
    // Words by index: 0 "Week", 1 "Weeks", 2 "Day", 3 "Days", 4 "Hour", 5 "Hours", 6 "Minute",
    // 7 "Minutes", 8 "Second", 9 "Seconds" (the plural also names zero seconds).
    eta_builder();
    virtual ~eta_builder() = default;

    // Replaces word index; an index outside 0..9 is ignored.
    void set_unit_word(int index, const std::wstring& word);

    // Returns seconds as at most max_units units from the first non-zero one, "-" before a
    // negative count; zero is "0 Seconds", or empty with empty_when_zero.
    std::wstring build(int64_t seconds, uint64_t max_units, bool empty_when_zero);

    // A step of build: returns the text of one unit, or empty while it is held back or skipped.
    std::wstring add_unit(uint64_t number, const std::wstring& singular, const std::wstring& plural);

private:
    bool unit_emitted = false;
    uint64_t units_left = 0;
    std::wstring pending;
    std::wstring words[10];
};

}  // namespace vandel
