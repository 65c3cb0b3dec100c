#pragma once
// What the side-by-side benchmark programs share: timing a run, the median of the rounds, and a
// folder of their own under the temporary folder.
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/random.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace bench {

// Seconds the run took; a failed run ends the program, since its figure would mean nothing.
inline double seconds_of(const std::function<bool()>& run) {
    const auto start = std::chrono::steady_clock::now();
    if (!run()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Creates a new folder "oblivar-bench-xxxxxxxx" in the temporary folder; empty when it can't.
inline std::wstring make_bench_folder() {
    std::wstring temp;
    if (!vandel::known_folder(vandel::folder_temp, temp)) return std::wstring();
    vandel::lcg_random names;
    std::wstring folder = temp + L"oblivar-bench-";
    for (int i = 0; i < 8; ++i) folder.push_back(static_cast<wchar_t>(L'a' + names.next31() % 26));
    if (!vandel::create_directory(folder)) {
        std::fprintf(stderr, "cannot create the bench folder\n");
        return std::wstring();
    }
    return folder;
}

}  // namespace bench
