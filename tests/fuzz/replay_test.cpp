// Replays every seed and every input that once broke a property through the fuzz targets'
// property functions, on both builds.
#include "tests/fuzz/properties.h"
#include "tests/support/child.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/files.h"

#include <gtest/gtest.h>

#include <vector>

namespace oblivar::fuzz {
namespace {

class FuzzReplay : public ::testing::TestWithParam<std::string> {};

// The files of one target's folder in one input set; empty when it has none.
std::vector<std::wstring> inputs(const std::string& set, const std::string& target) {
    std::wstring folder = vandel::directory_part(oblivar::test::own_program_path());
    for (const std::string& part : {std::string("fuzz-inputs"), set, target})
        folder = vandel::add_trailing_separator(folder) + vandel::widen(part);
    std::vector<std::wstring> files;
    vandel::list_directory(folder, files, vandel::list_files | vandel::list_full_paths);
    return files;
}

TEST_P(FuzzReplay, EveryKeptInputKeepsTheProperty) {
    const target* t = find_target(GetParam());
    ASSERT_NE(t, nullptr);
    const std::vector<std::wstring> seeds = inputs("corpus", t->name);
    EXPECT_FALSE(seeds.empty()) << "no seeds for " << t->name;
    std::vector<std::wstring> all = inputs("regressions", t->name);
    all.insert(all.end(), seeds.begin(), seeds.end());
    for (const std::wstring& file : all) {
        const std::string bytes = oblivar::test::read_bytes(file);
        EXPECT_EQ(t->check(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), "")
            << vandel::narrow(file, '?') << "\n  must hold: " << t->rule;
    }
}

std::vector<std::string> target_names() {
    size_t count = 0;
    const target* all = targets(count);
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i) names.emplace_back(all[i].name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(target_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace oblivar::fuzz
