#pragma once
// End-to-end tests: the built olvex (or olvex_images, olvex over image files) run as a user runs
// it, on trees in the test's sandbox. Options are written "--name=value", which both builds
// read; messages show the build's own display names (shown()).
#include "tests/e2e/support/program.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oblivar::test {

using args = std::vector<std::wstring>;

// The build's display name of a long option: "/wipe" on Windows, "--wipe" elsewhere.
inline std::wstring shown(const std::wstring& name) {
#ifdef _WIN32
    return L"/" + name;
#else
    return L"--" + name;
#endif
}

inline std::string utf8(const std::wstring& text) {
    return vandel::to_utf8(text, '?');
}

// Returns whether output holds text (given as UTF-16).
inline bool holds(const std::string& output, const std::wstring& text) {
    return output.find(utf8(text)) != std::string::npos;
}

// Counts the occurrences of text in output.
size_t count_of(const std::string& output, const std::wstring& text);

class e2e_test : public sandbox_test {
protected:
    void SetUp() override;

    // Runs olvex with the arguments and the typed input; every argument that is no option must
    // lie inside the sandbox.
    program_result olvex(const args& arguments, const std::string& input = "");
    // Runs olvex as olvex does, but answers its confirmation prompt only after at_prompt ran.
    program_result olvex_at_prompt(const args& arguments, const std::function<void()>& at_prompt,
                                   const std::string& answer);
    // Runs olvex over the image targets described by driver (see olvex_images).
    program_result olvex_images(const args& driver, const args& arguments, const std::string& input = "");
    // The program and arguments of such a run.
    std::wstring images_program() const;
    args images_arguments(const args& driver, const args& arguments) const;

    // Makes the tree t/: a.txt, b.dat, sub/c.txt, sub/deeper/d.txt, sub/deeper/e.bin, empty/.
    // Returns the folder.
    std::wstring make_tree();
    // Writes a file of size bytes of a marker pattern, folders included.
    void make_file(const std::wstring& rel, size_t size);

    // Copies the olvex program into the sandbox folder rel (created); returns the copy's path.
    std::wstring copy_program(const std::wstring& rel);

    std::wstring io_;
};

}  // namespace oblivar::test
