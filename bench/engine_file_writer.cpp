// Files wiped by Oblivar's engine and by the peers, side by side in one run:
//  - the file writer alone overwriting one large file with schemes 0, 1 and 3, against shred
//    doing the same number of passes on the same file (shred -n0 -z, -n1, -n3);
//  - whole jobs through engine::start_job (analysis, passes, rename, delete) on a fresh copy of
//    that file with schemes 0, 1, 3 and 3 verifying its last pass, against shred -u;
//  - a whole job over a tree of small files (scheme 1, three renames each), against srm -r -ll
//    (one random pass, rename, delete) and shred -n1 -u over every file, then rm -r of the folders.
// Prints the median of each and the speed ratio to the peer.
// Usage: bench_engine_file_writer [size in MiB (1024)] [rounds (3)] [files (10000)]
// Everything lives in a folder this program creates in the temporary folder and removes again.
#include "bench/bench_common.h"
#include "engine/engine.h"
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
#include <thread>
#include <tuple>
#include <vector>

namespace {

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

// A files job on path run as a front end runs it: set up, go-ahead, poll, take the log lines.
bool job_run(const std::wstring& path, uint32_t scheme, int32_t rename_count) {
    olvex::engine e;
    olvex::job_options o;
    o.job_type = olvex::job_files;
    o.scheme = scheme;
    o.rename_count = rename_count;
    o.log_user = 0;
    const std::wstring nul(1, L'\0');
    if (e.start_job(path + nul, o, nul) != 0 || e.confirm_start() != 0) return false;
    std::vector<std::wstring> lines;
    while (e.is_running()) {
        e.get_log_lines(lines, true);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    olvex::job_status status;
    return e.get_progress(status) == olvex::state_done;
}

std::string quoted(const std::wstring& path) { return "'" + vandel::to_os_bytes(path) + "'"; }

bool run_command(const std::string& command) { return std::system(command.c_str()) == 0; }

bool shred_run(const std::wstring& path, const std::string& options) {
    return run_command("shred " + options + " " + quoted(path));
}

// A tree of files of 4 KiB: 100 files a folder.
bool make_tree(const std::wstring& root, int files) {
    if (!vandel::create_directory(root)) return false;
    std::wstring folder;
    for (int i = 0; i < files; ++i) {
        if (i % 100 == 0) {
            folder = root + L"/d" + std::to_wstring(i / 100);
            if (!vandel::create_directory(folder)) return false;
        }
        if (!make_file(folder + L"/f" + std::to_wstring(i) + L".dat", 4096)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const int files = argc > 3 ? std::atoi(argv[3]) : 10000;
    if (mib <= 0 || rounds <= 0 || files <= 0) {
        std::fprintf(stderr, "usage: %s [size in MiB] [rounds] [files]\n", argv[0]);
        return 2;
    }
    const int64_t size = mib << 20;

    const std::wstring folder = bench::make_bench_folder();
    if (folder.empty()) return 1;
    const std::wstring file = folder + L"/bench.bin";
    if (!make_file(file, size)) {
        std::fprintf(stderr, "cannot create the %lld MiB file\n", static_cast<long long>(mib));
        vandel::remove_path(folder, true);
        return 1;
    }

    struct pair_row {
        std::string ours_name;
        int passes;
        std::function<bool()> ours, theirs;
        std::string theirs_name;
        std::vector<double> ours_s, theirs_s;
    };
    auto scheme_name = [](uint32_t scheme) {
        return "scheme " + std::to_string(scheme & 0xFF) + " (" + vandel::to_os_bytes(olvex::scheme_text(scheme)) + ")";
    };
    std::vector<pair_row> writer_rows, job_rows;
    for (const auto& [scheme, passes, options] :
         std::vector<std::tuple<uint32_t, int, std::string>>{{0, 1, "-n0 -z"}, {1, 1, "-n1"}, {3, 3, "-n3"}})
        writer_rows.push_back({scheme_name(scheme), passes, [&file, scheme = scheme] { return olvex_run(file, scheme); },
                               [&file, options = options] { return shred_run(file, options); }, "shred " + options, {}, {}});
    for (const auto& [scheme, passes, options] : std::vector<std::tuple<uint32_t, int, std::string>>{
             {0, 1, "-n0 -z -u"}, {1, 1, "-n1 -u"}, {3, 3, "-n3 -u"}, {olvex::verify_last | 3, 4, "-n3 -u"}}) {
        std::string name = scheme_name(scheme) + ((scheme & olvex::verify_last) ? " + verify" : "");
        job_rows.push_back({name, passes, [&file, scheme = scheme] { return job_run(file, scheme, 3); },
                            [&file, options = options] { return shred_run(file, options); }, "shred " + options, {}, {}});
    }
    // Creating the file is not timed: each contender gets a fresh one.
    auto time_fresh = [&](const std::function<bool()>& run) {
        if (!make_file(file, size)) {
            std::fprintf(stderr, "cannot create the file\n");
            std::exit(1);
        }
        return bench::seconds_of(run);
    };
    for (int r = 0; r < rounds; ++r) {
        if (vandel::path_kind(file) == vandel::kind_missing && !make_file(file, size)) return 1;
        for (auto& row : writer_rows) {
            row.ours_s.push_back(bench::seconds_of(row.ours));
            row.theirs_s.push_back(bench::seconds_of(row.theirs));
        }
        for (auto& row : job_rows) {
            row.ours_s.push_back(time_fresh(row.ours));
            row.theirs_s.push_back(time_fresh(row.theirs));
        }
    }

    std::printf("%lld MiB file, median of %d rounds (MB/s = 10^6 bytes/s over all passes)\n",
                static_cast<long long>(mib), rounds);
    auto print_rows = [&](const char* title, const std::vector<pair_row>& list) {
        std::printf("%-40s %8s   %-18s %8s   %s\n", title, "MB/s", "peer", "MB/s", "ratio");
        for (const auto& row : list) {
            const double bytes = static_cast<double>(size) * row.passes;
            const double ours = bytes / bench::median(row.ours_s) / 1e6, theirs = bytes / bench::median(row.theirs_s) / 1e6;
            std::printf("%-40s %8.0f   %-18s %8.0f   %.2f\n", row.ours_name.c_str(), ours, row.theirs_name.c_str(),
                        theirs, ours / theirs);
        }
    };
    print_rows("file writer", writer_rows);
    print_rows("whole job (engine::start_job), rename 3", job_rows);

    // The tree: one run of each contender on a fresh tree, as many rounds.
    const std::wstring tree = folder + L"/tree";
    struct tree_row {
        std::string name;
        std::function<bool()> run;
        std::vector<double> s;
    };
    std::vector<tree_row> tree_rows = {
        {"olvex job, scheme 1, rename 3", [&] { return job_run(tree, 1, 3); }, {}},
        {"srm -r -ll", [&] { return run_command("srm -r -ll " + quoted(tree)); }, {}},
        {"shred -n1 -u each file, rm -r",
         [&] {
             return run_command("find " + quoted(tree) + " -type f -print0 | xargs -0 shred -n1 -u") &&
                    run_command("rm -r " + quoted(tree));
         },
         {}},
    };
    for (int r = 0; r < rounds; ++r) {
        for (auto& row : tree_rows) {
            if (!make_tree(tree, files)) {
                std::fprintf(stderr, "cannot create the tree\n");
                vandel::remove_path(folder, true);
                return 1;
            }
            row.s.push_back(bench::seconds_of(row.run));
            if (vandel::path_kind(tree) != vandel::kind_missing) {
                std::fprintf(stderr, "%s left the tree behind\n", row.name.c_str());
                vandel::remove_path(tree, true);
            }
        }
    }
    vandel::remove_path(folder, true);
    std::printf("tree of %d files of 4 KiB (100 a folder), median of %d rounds\n", files, rounds);
    std::printf("%-40s %8s %10s   %s\n", "", "seconds", "files/s", "vs olvex");
    const double ours = bench::median(tree_rows[0].s);
    for (const auto& row : tree_rows) {
        const double t = bench::median(row.s);
        std::printf("%-40s %8.2f %10.0f   %.2f\n", row.name.c_str(), t, files / t, t / ours);
    }
    return 0;
}
