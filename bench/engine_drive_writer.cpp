// The device writer on a loop device and the free-space cleaner on a tmpfs, each side by side in
// one run with peers on the same target: dd with direct writes (the ceiling), shred -n0 -z and
// shred -n1 for the device; sfill -llz and scrub -p fillzero -X for the free space, where they
// are installed. Prints the median MB/s of each and the ratios.
// Usage (as root): bench_engine_drive_writer [device MiB (1024)] [rounds (3)] [tmpfs MiB (256)]
// Everything it touches it creates itself in a folder under the temporary folder: the image
// behind the loop device (checked by its backing file before anything is written) and the tmpfs
// (checked to be mounted, and of its size, before anything is filled).
#include "bench/bench_common.h"
#include "engine/cleaner.h"
#include "engine/drive_writer.h"
#include "engine/drives.h"
#include "engine/posix/linux_targets.h"
#include "engine/scheme.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/os_text.h"
#include "vandel/posix/system_files.h"
#include "vandel/random.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/statvfs.h>
#include <vector>

namespace {

std::string os(const std::wstring& s) { return vandel::to_os_bytes(s); }
std::string quoted(const std::string& s) { return "'" + s + "'"; }
using vandel::posix::real_path;

int run_quietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

bool installed(const char* program) { return run_quietly(std::string("command -v ") + program) == 0; }

// A loop device attached to an image of ours, detached at the end.
class loop_device {
public:
    explicit loop_device(const std::string& image) {
        FILE* out = popen(("losetup -f --show " + quoted(image) + " 2>/dev/null").c_str(), "r");
        if (!out) return;
        char line[256] = {};
        const bool got = std::fgets(line, sizeof line, out) != nullptr;
        pclose(out);
        if (!got) return;
        std::string dev = line;
        while (!dev.empty() && (dev.back() == '\n' || dev.back() == ' ')) dev.pop_back();
        if (dev.rfind("/dev/loop", 0) != 0) return;
        device_ = dev;
        // Written only when the system says it is backed by exactly our image.
        std::ifstream backing("/sys/block/" + dev.substr(5) + "/loop/backing_file");
        std::string name;
        std::getline(backing, name);
        if (name != real_path(image)) {
            std::fprintf(stderr, "%s is not backed by our image: not used\n", dev.c_str());
            checked_ = false;
            return;
        }
        checked_ = true;
    }
    ~loop_device() {
        if (!device_.empty()) run_quietly("losetup -d " + device_);
    }
    bool usable() const { return checked_; }
    const std::string& device() const { return device_; }

private:
    std::string device_;
    bool checked_ = false;
};

// A tmpfs of ours, unmounted at the end.
class tmpfs_mount {
public:
    tmpfs_mount(const std::string& folder, int64_t mib) : folder_(folder) {
        if (run_quietly("mount -t tmpfs -o size=" + std::to_string(mib) + "m oblivar-bench " + quoted(folder)) != 0)
            return;
        mounted_ = true;
        // Filled only when it really is that small tmpfs.
        struct statvfs vs {};
        std::ifstream info("/proc/self/mountinfo");
        bool listed = false;
        for (std::string l; std::getline(info, l);)
            listed = listed || (l.find(" " + folder + " ") != std::string::npos && l.find(" - tmpfs ") != std::string::npos);
        checked_ = listed && statvfs(folder.c_str(), &vs) == 0 &&
                   static_cast<int64_t>(vs.f_blocks * vs.f_frsize) == (mib << 20);
    }
    ~tmpfs_mount() {
        if (mounted_) run_quietly("umount " + quoted(folder_));
    }
    bool usable() const { return checked_; }

private:
    std::string folder_;
    bool mounted_ = false;
    bool checked_ = false;
};

bool olvex_device_run(uint32_t scheme) {
    std::wstring name, identity;
    uint64_t size = 0;
    if (olvex::probe_target(L"0", name, size, identity) != 0) return false;
    olvex::drive_writer w;
    if (w.open_device(L"0", scheme, identity) != 0) return false;
    while (w.step(false)) {
    }
    const bool ok = w.result() == 0 && w.close() == 0;
    w.reset();
    return ok;
}

bool olvex_clean_run(const std::wstring& folder, uint32_t scheme) {
    olvex::cleaner c;
    if (c.open(folder, scheme) != 0) return false;
    while (c.step(false)) {
    }
    return c.result() == 0 && c.close() == 0;
}

uint64_t free_bytes(const std::string& folder) {
    struct statvfs vs {};
    return statvfs(folder.c_str(), &vs) == 0 ? static_cast<uint64_t>(vs.f_bavail) * vs.f_frsize : 0;
}

struct contender {
    std::string name;
    std::function<bool()> run;
    std::vector<double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    const int64_t tmpfs_mib = argc > 3 ? std::atoll(argv[3]) : 256;
    if (mib <= 0 || rounds <= 0 || tmpfs_mib <= 0) {
        std::fprintf(stderr, "usage: %s [device MiB] [rounds] [tmpfs MiB]\n", argv[0]);
        return 2;
    }
    const std::wstring folder = bench::make_bench_folder();
    if (folder.empty()) return 1;
    const std::string base = real_path(os(folder));
    int status = 0;
    {
        // ---- the device ----
        const std::string image = base + "/device.img";
        {
            vandel::file_stream f(vandel::from_os_bytes(image), vandel::open_create_read_write);
            if (!f.is_open() || !f.set_size(mib << 20)) {
                std::fprintf(stderr, "cannot create the %lld MiB image\n", static_cast<long long>(mib));
                status = 1;
            }
        }
        loop_device loop(image);
        if (status == 0 && !loop.usable()) {
            std::fprintf(stderr, "no loop device here: the device part is left out\n");
        } else if (status == 0) {
            olvex::posix::linux_scope scope;
            scope.disks = std::vector<std::wstring>{vandel::from_os_bytes(loop.device().substr(5))};
            scope.mounts = std::vector<std::wstring>{};
            olvex::posix::linux_targets targets(scope);
            olvex::target_provider* previous = olvex::set_target_provider(&targets);
            const std::string dev = loop.device();
            const std::string count = std::to_string(mib);
            std::vector<contender> rows = {
                {"dd bs=1M oflag=direct (ceiling)",
                 [&] { return run_quietly("dd if=/dev/zero of=" + dev + " bs=1M count=" + count + " oflag=direct") == 0; }, {}},
                {"olvex scheme 0 (zeros)", [] { return olvex_device_run(0); }, {}},
                {"shred -n0 -z", [&] { return run_quietly("shred -n0 -z " + dev) == 0; }, {}},
                {"olvex scheme 1 (random)", [] { return olvex_device_run(1); }, {}},
                {"shred -n1", [&] { return run_quietly("shred -n1 " + dev) == 0; }, {}},
            };
            for (int r = 0; r < rounds; ++r)
                for (auto& row : rows) row.seconds.push_back(bench::seconds_of(row.run));
            olvex::set_target_provider(previous);
            std::printf("device wipe of a %lld MiB loop device, median of %d rounds (MB/s = 10^6 bytes/s)\n",
                        static_cast<long long>(mib), rounds);
            std::printf("%-34s %9s %12s %12s\n", "", "MB/s", "vs dd", "vs shred");
            const double bytes = static_cast<double>(mib << 20);
            const double ceiling = bytes / bench::median(rows[0].seconds) / 1e6;
            for (size_t i = 0; i < rows.size(); ++i) {
                const double rate = bytes / bench::median(rows[i].seconds) / 1e6;
                std::printf("%-34s %9.0f %11.2fx", rows[i].name.c_str(), rate, rate / ceiling);
                if (i == 1 || i == 3) std::printf(" %11.2fx", rate / (bytes / bench::median(rows[i + 1].seconds) / 1e6));
                std::printf("\n");
            }
        }
        vandel::remove_path(vandel::from_os_bytes(image), false);
    }
    {
        // ---- the free space ----
        const std::string mount_point = base + "/free";
        vandel::create_directory(vandel::from_os_bytes(mount_point));
        tmpfs_mount fs(mount_point, tmpfs_mib);
        if (!fs.usable()) {
            std::fprintf(stderr, "cannot mount a %lld MiB tmpfs here: the free-space part is left out\n",
                         static_cast<long long>(tmpfs_mib));
        } else {
            const uint64_t free = free_bytes(mount_point);
            std::vector<contender> rows = {
                {"olvex cleaner scheme 0 (zeros)", [&] { return olvex_clean_run(vandel::from_os_bytes(mount_point), 0); }, {}},
            };
            if (installed("sfill"))
                rows.push_back({"sfill -llz", [&] { return run_quietly("sfill -llz " + quoted(mount_point)) == 0; }, {}});
            else
                std::printf("sfill is not installed (Debian package secure-delete): left out\n");
            if (installed("scrub"))
                rows.push_back({"scrub -p fillzero -X", [&] {
                                    const std::string dir = mount_point + "/scrub";
                                    const bool ok = run_quietly("scrub -f -p fillzero -X " + quoted(dir)) == 0;
                                    return run_quietly("rm -rf " + quoted(dir)) == 0 && ok;
                                }, {}});
            else
                std::printf("scrub is not installed (Debian package scrub): left out\n");
            for (int r = 0; r < rounds; ++r)
                for (auto& row : rows) row.seconds.push_back(bench::seconds_of(row.run));
            std::printf("\nfree-space cleaning of a %lld MiB tmpfs (%llu bytes free), median of %d rounds\n",
                        static_cast<long long>(tmpfs_mib), static_cast<unsigned long long>(free), rounds);
            std::printf("%-34s %9s %12s\n", "", "MB/s", "olvex vs it");
            const double ours = static_cast<double>(free) / bench::median(rows[0].seconds) / 1e6;
            for (const auto& row : rows) {
                const double rate = static_cast<double>(free) / bench::median(row.seconds) / 1e6;
                std::printf("%-34s %9.0f %11.2fx\n", row.name.c_str(), rate, ours / rate);
            }
        }
    }
    vandel::remove_path(folder, true);
    return status;
}
