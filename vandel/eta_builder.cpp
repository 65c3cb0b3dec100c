#include "vandel/eta_builder.h"

#include "vandel/convert.h"
#include "vandel/numbers.h"

namespace vandel {

eta_builder::eta_builder() {
    static const char* const defaults[10] = {"Week",   "Weeks",   "Day",    "Days",    "Hour",
                                             "Hours",  "Minute",  "Minutes", "Second", "Seconds"};
    for (int i = 0; i < 10; ++i) words[i] = widen(defaults[i]);
}

void eta_builder::set_unit_word(int index, const std::wstring& word) {
    if (static_cast<unsigned>(index) < 10) words[index] = word;
}

std::wstring eta_builder::build(int64_t seconds, uint64_t max_units, bool empty_when_zero) {
    if (seconds == 0) return empty_when_zero ? std::wstring() : L"0 " + words[9];
    std::wstring text;
    // Magnitude in unsigned arithmetic, so that INT64_MIN has one too.
    uint64_t s = static_cast<uint64_t>(seconds);
    if (seconds < 0) {
        text = L"-";
        s = 0 - s;
    }
    pending.clear();
    unit_emitted = false;
    units_left = max_units;
    text += add_unit(s / 604800, words[0], words[1]);
    text += add_unit(s / 86400 - 7 * (s / 604800), words[2], words[3]);
    text += add_unit(s / 3600 - 24 * (s / 86400), words[4], words[5]);
    text += add_unit(s / 60 - 60 * (s / 3600), words[6], words[7]);
    text += add_unit(s % 60, words[8], words[9]);
    return text;
}

std::wstring eta_builder::add_unit(uint64_t number, const std::wstring& singular, const std::wstring& plural) {
    if (units_left == 0) return {};
    if (number == 0 && !unit_emitted) return {};
    std::wstring unit = unit_emitted ? L", " : L"";
    unit += int_to_text<std::wstring>(number, 1) + L" " + (number == 1 ? singular : plural);
    --units_left;
    if (number == 0) {
        // Shown only if a later non-zero unit still fits.
        pending += unit;
        return {};
    }
    unit = pending + unit;
    pending.clear();
    unit_emitted = true;
    return unit;
}

}  // namespace vandel
