#include "tests/e2e/e2e.h"

#ifndef _WIN32
#include "vandel/os_text.h"

#include <sys/stat.h>
#endif

namespace oblivar::test {

size_t count_of(const std::string& output, const std::wstring& text) {
    const std::string t = utf8(text);
    size_t n = 0;
    for (size_t at = output.find(t); at != std::string::npos; at = output.find(t, at + t.size())) ++n;
    return n;
}

void e2e_test::SetUp() {
    io_ = sb.path(L"io");
    make_dirs(io_);
}

program_result e2e_test::olvex(const args& arguments, const std::string& input) {
    // The real program acts on whatever it is given: every path must be the test's own.
    for (const auto& a : arguments)
        if (!a.empty() && a[0] != L'-') sb.require_inside(a);
    return run_program(own_folder() + OLVEX_PROGRAM, arguments, input, io_);
}

program_result e2e_test::olvex_at_prompt(const args& arguments, const std::function<void()>& at_prompt,
                                         const std::string& answer) {
    for (const auto& a : arguments)
        if (!a.empty() && a[0] != L'-') sb.require_inside(a);
    return run_program_at_prompt(own_folder() + OLVEX_PROGRAM, arguments, "Start now? [y/n]: ", at_prompt, answer, io_);
}

std::wstring e2e_test::images_program() const { return own_folder() + OLVEX_IMAGES_PROGRAM; }

args e2e_test::images_arguments(const args& driver, const args& arguments) const {
    args all{L"--sandbox=" + sb.root()};
    all.insert(all.end(), driver.begin(), driver.end());
    all.push_back(L"--");
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

program_result e2e_test::olvex_images(const args& driver, const args& arguments, const std::string& input) {
    return run_program(images_program(), images_arguments(driver, arguments), input, io_);
}

std::wstring e2e_test::copy_program(const std::wstring& rel) {
    const std::wstring original = own_folder() + OLVEX_PROGRAM;
    const std::wstring copy = sb.path(rel) + native_separator() + original.substr(original.find_last_of(L"/\\") + 1);
    make_dirs(sb.path(rel));
    write_bytes(copy, read_bytes(original));
#ifndef _WIN32
    chmod(vandel::to_os_bytes(copy).c_str(), 0755);
#endif
    return copy;
}

void e2e_test::make_file(const std::wstring& rel, size_t size) {
    const std::wstring path = sb.path(rel);
    make_dirs(path.substr(0, path.find_last_of(native_separator())));
    write_bytes(path, pattern_bytes(size, "OBLIVAR-MARKER-"));
}

std::wstring e2e_test::make_tree() {
    make_file(L"t/a.txt", 5000);
    make_file(L"t/b.dat", 100);
    make_file(L"t/sub/c.txt", 70000);
    make_file(L"t/sub/deeper/d.txt", 1);
    make_file(L"t/sub/deeper/e.bin", 0);
    make_dirs(sb.path(L"t/empty"));
    return sb.path(L"t");
}

}  // namespace oblivar::test
