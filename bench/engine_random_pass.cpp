// A random pass against a pass of zeros over the same file, in one run: the file writer alone
// overwriting one large file with scheme 0 (zeros) and scheme 1 (random), taking turns, each flushed
// to the medium. Prints the median seconds of each and random / zero, which is 1.0 when making
// the random bytes costs the pass nothing. Then the writer over many one-block files with scheme 1,
// where nothing should be spent on helper threads.
// Usage: bench_engine_random_pass [size in MiB (1024)] [rounds (5)] [folder (the temporary folder)]
//                                 [small files (2000; 0 for none)]
// The file and the small files live in a folder this program creates there and removes again.
#include "bench/bench_common.h"
#include "engine/file_writer.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/os_text.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool make_file(const std::wstring& path, int64_t size) {
    vandel::file_stream f(path, vandel::open_create_read_write);
    if (!f.is_open()) return false;
    vandel::isaac_random g;
    std::vector<uint8_t> block(1 << 20);
    for (int64_t done = 0; done < size; done += static_cast<int64_t>(block.size())) {
        const int64_t n = std::min<int64_t>(static_cast<int64_t>(block.size()), size - done);
        g.fill(block.data(), static_cast<size_t>(n));
        if (f.write(block.data(), n) != n) return false;
    }
    return f.flush();
}

// One writer over the files, as a job reuses its writer from file to file.
bool overwrite(olvex::file_writer& w, const std::vector<std::wstring>& paths, uint32_t scheme) {
    for (const std::wstring& path : paths) {
        if (w.open(path, scheme, 0) != 0) return false;
        while (w.step(false)) {
        }
        const bool ok = w.result() == 0;
        w.reset();  // closes without cutting the file
        if (!ok) return false;
    }
    return true;
}

double load() {
    double l = 0;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &l) != 1) l = 0;
        std::fclose(f);
    }
    return l;
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int small_files = argc > 4 ? std::atoi(argv[4]) : 2000;
    if (mib <= 0 || rounds <= 0 || small_files < 0) {
        std::fprintf(stderr, "usage: %s [size in MiB] [rounds] [folder] [small files]\n", argv[0]);
        return 2;
    }
    std::wstring folder;
    if (argc > 3) {
        folder = vandel::from_os_bytes(argv[3]) + L"/oblivar-bench-random";
        if (!vandel::create_directory(folder)) folder.clear();
    } else {
        folder = bench::make_bench_folder();
    }
    if (folder.empty()) return 1;
    const std::vector<std::wstring> big = {folder + L"/big.bin"};
    std::vector<std::wstring> small;
    for (int i = 0; i < small_files; ++i) small.push_back(folder + L"/s" + std::to_wstring(i));
    bool made = make_file(big[0], mib << 20);
    for (size_t i = 0; made && i < small.size(); ++i) made = make_file(small[i], 1024 * (1 + static_cast<int64_t>(i % 8)));
    if (!made) {
        std::fprintf(stderr, "cannot create the files\n");
        vandel::remove_path(folder, true);
        return 1;
    }

    std::printf("load at start %.1f\n", load());
    olvex::file_writer w(olvex::writer_overwrite, -1);
    std::vector<double> zeros, random, small_zeros, small_random;
    for (int r = 0; r < rounds; ++r) {
        zeros.push_back(bench::seconds_of([&] { return overwrite(w, big, 0); }));
        random.push_back(bench::seconds_of([&] { return overwrite(w, big, 1); }));
        std::printf("round %d: zeros %.3f s, random %.3f s", r + 1, zeros.back(), random.back());
        if (!small.empty()) {
            small_zeros.push_back(bench::seconds_of([&] { return overwrite(w, small, 0); }));
            small_random.push_back(bench::seconds_of([&] { return overwrite(w, small, 1); }));
            std::printf(", %zu small files zeros %.3f s, random %.3f s", small.size(), small_zeros.back(),
                        small_random.back());
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    vandel::remove_path(folder, true);
    const double z = bench::median(zeros), rn = bench::median(random);
    std::printf("%lld MiB file, median of %d rounds (load now %.1f)\n", static_cast<long long>(mib), rounds, load());
    std::printf("  zeros  %.3f s  %.0f MB/s\n", z, static_cast<double>(mib << 20) / z / 1e6);
    std::printf("  random %.3f s  %.0f MB/s\n", rn, static_cast<double>(mib << 20) / rn / 1e6);
    std::printf("  random / zero: %.2f\n", rn / z);
    if (small.empty()) return 0;
    std::printf("%zu files of 1 to 8 KiB: zeros %.3f s, random %.3f s, random / zero: %.2f\n", small.size(),
                bench::median(small_zeros), bench::median(small_random),
                bench::median(small_random) / bench::median(small_zeros));
    return 0;
}
