// The libFuzzer entry for every target: OBLIVAR_FUZZ_TARGET names the one to run.
#include "tests/fuzz/properties.h"

#include <cstdio>
#include <cstdlib>

namespace {
const oblivar::fuzz::target* chosen = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* name = std::getenv("OBLIVAR_FUZZ_TARGET");
    chosen = name ? oblivar::fuzz::find_target(name) : nullptr;
    if (!chosen) {
        size_t count = 0;
        const oblivar::fuzz::target* all = oblivar::fuzz::targets(count);
        std::fprintf(stderr, "set OBLIVAR_FUZZ_TARGET to one of:");
        for (size_t i = 0; i < count; ++i) std::fprintf(stderr, " %s", all[i].name);
        std::fprintf(stderr, "\n");
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string failure = chosen->check(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "\n%s: %s\n  broken: %s\n", chosen->name, failure.c_str(), chosen->rule);
        std::abort();
    }
    return 0;
}
