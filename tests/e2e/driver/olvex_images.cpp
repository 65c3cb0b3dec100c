// olvex over image files: the console program as users run it, but with the devices, volumes and
// recycle bins that its first arguments describe, all inside the calling test's sandbox. Test
// builds only; the product has no way to be pointed at images.
//
//   olvex_images --sandbox=FOLDER [--device=N|IMAGE|SERIAL]...
//                [--volume=ROOT|IMAGE|LABEL|KIND|DEVICES|BIN]... [--system-volume=ROOT]
//                [--time-scale=N] -- OLVEX ARGUMENTS
//
// --time-scale=N makes the clock run N times faster than the system's: a throttled job, which
// pauses for as long as its work took, then runs about N times slower, so that a test meets it
// in the middle of a file.
// IMAGE, SERIAL and BIN may be "-" for none; DEVICES is a "+"-joined list of device numbers or
// "-". Without --system-volume, no volume or device of the test is the system's.
#include "console/console.h"
#include "tests/support/image_targets.h"
#include "tests/support/sandbox.h"
#include "vandel/clock.h"
#include "vandel/folders.h"
#include "vandel/numbers.h"
#include "vandel/strings.h"

#include <cstdio>
#include <memory>

namespace {

std::vector<std::wstring> fields(const std::wstring& text) {
    std::vector<std::wstring> parts;
    vandel::split(parts, text, false, L"|");
    for (auto& p : parts)
        if (p == L"-") p.clear();
    return parts;
}

int32_t number(const std::wstring& text) {
    int32_t n = -1;
    return vandel::parse_int32(text, n, 10) > 0 ? n : -1;
}

class fast_clock : public vandel::clock_provider {
public:
    explicit fast_clock(int64_t scale) : scale_(scale) {}
    int64_t now_ms() override { return start_ + (vandel::detail::system_now_ms() - start_) * scale_; }
    void sleep_ms(int32_t ms) override { vandel::detail::system_sleep_ms(ms); }

private:
    const int64_t start_ = vandel::detail::system_now_ms();
    const int64_t scale_;
};

int usage(const char* why) {
    std::fprintf(stderr, "olvex_images: %s\n", why);
    return 120;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    vandel::capture_process_args(argc, argv);
    std::vector<std::wstring> args;
    vandel::command_line_args(args);

    std::unique_ptr<oblivar::test::sandbox> sb;
    std::vector<oblivar::test::image_targets::device> devices;
    std::vector<int32_t> device_numbers;
    std::vector<oblivar::test::image_targets::volume> volumes;
    std::wstring system_volume = L"<system>";
    std::unique_ptr<vandel::clock_provider> clock;
    size_t i = 1;
    for (; i < args.size() && args[i] != L"--"; ++i) {
        const std::wstring& a = args[i];
        const size_t eq = a.find(L'=');
        const std::wstring name = a.substr(0, eq), value = eq == std::wstring::npos ? L"" : a.substr(eq + 1);
        const std::vector<std::wstring> f = fields(value);
        if (name == L"--sandbox") {
            sb = std::make_unique<oblivar::test::sandbox>(value);
        } else if (name == L"--device" && f.size() == 3) {
            oblivar::test::image_targets::device d;
            d.image = f[1];
            d.serial = f[2];
            devices.push_back(d);
            device_numbers.push_back(number(f[0]));
        } else if (name == L"--volume" && f.size() == 6) {
            oblivar::test::image_targets::volume v;
            v.root = f[0];
            v.image = f[1];
            v.label = f[2];
            v.kind = number(f[3]);
            std::vector<std::wstring> numbers;
            vandel::split(numbers, f[4], false, L"+");
            for (const auto& n : numbers)
                if (!n.empty()) v.devices.push_back(number(n));
            v.recycle_bin = f[5];
            volumes.push_back(v);
        } else if (name == L"--system-volume") {
            system_volume = value;
        } else if (name == L"--time-scale" && number(value) > 0) {
            clock = std::make_unique<fast_clock>(number(value));
        } else {
            return usage("unknown driver argument");
        }
    }
    if (!sb || i >= args.size()) return usage("--sandbox and -- are required");

    oblivar::test::image_targets targets(*sb);
    for (size_t d = 0; d < devices.size(); ++d) targets.add_device(device_numbers[d], devices[d]);
    for (const auto& v : volumes) targets.add_volume(v);
    targets.set_system_volume(system_volume);
    if (clock) vandel::set_clock_provider(clock.get());

    std::vector<std::wstring> olvex_args{L"olvex"};
    olvex_args.insert(olvex_args.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    try {
        return olvex::console::instance().run(olvex_args);
    } catch (...) {
        return -1;
    }
}
