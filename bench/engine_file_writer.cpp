// The file writer overwriting one large file with schemes 0, 1 and 3, side by side in one run
// with shred doing the same number of passes on the same file (shred -n0 -z, -n1, -n3).
// Prints the median MB/s of each and the speed ratio to shred.
// Usage: bench_engine_file_writer [size in MiB (1024)] [rounds (3)]
// The file lives in a folder this program creates in the temporary folder and removes again.
#include "engine/file_writer.h"
#include "engine/scheme.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/os_text.h"
#include "vandel/random.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_of(const std::function<bool()>& run) {
    auto start = clock_type::now();
    if (!run()) {
        std::fprintf(stderr, "a run failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

bool make_file(const std::wstring& path, int64_t size) {
    vandel::file_stream f(path, vandel::open_create_read_write);
    if (!f.is_open()) return false;
    vandel::isaac_random g;
    std::vector<uint8_t> block(65536);
    for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
        g.fill(block.data(), block.size());
        if (f.write(block.data(), static_cast<int64_t>(block.size())) != static_cast<int64_t>(block.size()))
            return false;
    }
    return f.flush();
}

bool olvex_run(const std::wstring& path, uint32_t scheme) {
    olvex::file_writer w(olvex::writer_overwrite, -1);
    if (w.open(path, scheme, 0) != 0) return false;
    while (w.step(false)) {
    }
    bool ok = w.result() == 0;
    w.reset();  // closes without cutting the file, for the next contender
    return ok;
}

bool shred_run(const std::wstring& path, const std::string& options) {
    std::string command = "shred " + options + " '" + vandel::to_os_bytes(path) + "'";
    return std::system(command.c_str()) == 0;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    if (mib <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [size in MiB] [rounds]\n", argv[0]);
        return 2;
    }
    const int64_t size = mib << 20;

    std::wstring temp;
    if (!vandel::known_folder(vandel::folder_temp, temp)) return 1;
    vandel::lcg_random names;
    std::wstring folder = temp + L"oblivar-bench-";
    for (int i = 0; i < 8; ++i) folder.push_back(static_cast<wchar_t>(L'a' + names.next31() % 26));
    if (!vandel::create_directory(folder)) {
        std::fprintf(stderr, "cannot create the bench folder\n");
        return 1;
    }
    const std::wstring file = folder + L"/bench.bin";
    if (!make_file(file, size)) {
        std::fprintf(stderr, "cannot create the %lld MiB file\n", static_cast<long long>(mib));
        vandel::remove_path(folder, true);
        return 1;
    }

    struct pair_row {
        uint32_t scheme;
        int passes;
        std::string shred_options;
        std::vector<double> olvex, shred;
    };
    std::vector<pair_row> rows = {{0, 1, "-n0 -z", {}, {}}, {1, 1, "-n1", {}, {}}, {3, 3, "-n3", {}, {}}};
    for (int r = 0; r < rounds; ++r) {
        for (auto& row : rows) {
            row.olvex.push_back(seconds_of([&] { return olvex_run(file, row.scheme); }));
            row.shred.push_back(seconds_of([&] { return shred_run(file, row.shred_options); }));
        }
    }
    vandel::remove_path(folder, true);

    std::printf("file writer vs shred, %lld MiB file, median of %d rounds (MB/s = 10^6 bytes/s over all passes)\n",
                static_cast<long long>(mib), rounds);
    std::printf("%-28s %10s   %-16s %10s   %s\n", "olvex", "MB/s", "shred", "MB/s", "ratio");
    for (const auto& row : rows) {
        const double bytes = static_cast<double>(size) * row.passes;
        const double ours = bytes / median(row.olvex) / 1e6, theirs = bytes / median(row.shred) / 1e6;
        std::string name = "scheme " + std::to_string(row.scheme) + " (" + vandel::to_os_bytes(olvex::scheme_text(row.scheme)) + ")";
        std::printf("%-28s %10.0f   shred %-10s %10.0f   %.2f\n", name.c_str(), ours, row.shred_options.c_str(), theirs,
                    ours / theirs);
    }
    return 0;
}
