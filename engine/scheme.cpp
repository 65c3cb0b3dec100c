#include "engine/scheme.h"

namespace olvex {

namespace {

struct scheme_row {
    const wchar_t* name;
    int32_t write_passes;
};

const scheme_row schemes[] = {
    {L"Zero Overwrite", 1}, {L"Random Data", 1}, {L"GOST R 50739-95", 2}, {L"DOD 5220.22-M", 3},
    {L"VORNA", 2},          {L"VORNA+", 3},      {L"VORNA++", 4},         {L"VSITR", 7},
    {L"Schneier", 7},       {L"Gutmann", 35},
};

const scheme_row* find(uint32_t scheme_word) {
    uint32_t number = scheme_word & 0xFF;
    return number <= 9 ? &schemes[number] : nullptr;
}

}  // namespace

std::wstring scheme_text(uint32_t scheme_word) {
    const scheme_row* row = find(scheme_word);
    return row ? row->name : L"";
}

int32_t scheme_pass_count(uint32_t scheme_word) {
    const scheme_row* row = find(scheme_word);
    if (!row) return 0;
    bool first = scheme_word & verify_first;
    bool last = scheme_word & verify_last;
    // A one-pass scheme has one pass to check, so it gets one verification pass whatever the bits.
    if (row->write_passes == 1) return first || last ? 2 : 1;
    return row->write_passes + (first ? 1 : 0) + (last ? 1 : 0);
}

std::wstring verify_text(int32_t scheme_word) {
    switch (static_cast<uint32_t>(scheme_word) >> 28) {
    case 0x8: return L"Last";
    case 0xC: return L"Two Pass";
    case 0x4: return L"First";
    default: return L"None";
    }
}

bool is_verify_pass(uint32_t scheme_word, int32_t pass) {
    if (pass == 1 && (scheme_word & verify_first)) return true;
    return (scheme_word & verify_last) && pass == scheme_pass_count(scheme_word & ~verify_last);
}

int32_t content_index(uint32_t scheme_word, int32_t pass) {
    return (scheme_word & verify_first) && pass > 0 ? pass - 1 : pass;
}

}  // namespace olvex
