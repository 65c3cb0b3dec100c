#include "services/interlang.h"
#include "services/text_keys.h"
#include "tests/support/child.h"
#include "tests/support/sandbox.h"
#include "vandel/convert.h"
#include "vandel/files.h"
#include "vandel/strings.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace olvex {
namespace {

using namespace oblivar::test;

std::wstring language_folder() { return vandel::directory_part(own_program_path()) + L"zy-langs"; }

TEST(TextKeys, EveryUsedKeyHasAnEnglishText) {
    interlang t;
    ASSERT_EQ(load_language_files(language_folder(), t), L"");
    std::set<std::wstring> seen;
    for (const wchar_t* key : used_text_keys()) {
        EXPECT_TRUE(seen.insert(key).second) << "listed twice: " << vandel::to_utf8(key, '?');
        std::wstring text;
        EXPECT_TRUE(t.lookup(L"en", key, interlang::fallback_none, &text)) << vandel::to_utf8(key, '?');
        EXPECT_FALSE(text.empty()) << vandel::to_utf8(key, '?');
    }
}

TEST(TextKeys, TheEnglishFileHoldsNoUnusedKey) {
    std::istringstream file(read_bytes(language_folder() + native_separator() + L"english.lang.txt"));
    const auto& used = used_text_keys();
    const std::set<std::wstring> keys(used.begin(), used.end());
    int count = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.rfind("KEY:", 0) != 0) continue;
        ++count;
        const std::string key = vandel::to_utf8(vandel::trim(vandel::from_utf8(line.substr(4)), true, true), '?');
        EXPECT_EQ(keys.count(vandel::from_utf8(key)), 1u) << key;
    }
    EXPECT_EQ(static_cast<size_t>(count), keys.size());
}

TEST(TextKeys, TextsThatTakeAValueHaveItsPlace) {
    interlang t;
    ASSERT_EQ(load_language_files(language_folder(), t), L"");
    for (const wchar_t* key :
         {L"WIPER_TITLE_TOP_LAB", L"WIPER_WORKING_FILE_TITLE", L"WIPER_LOC_MULTI_ITEM_LAB", L"OPTIONS_RENAME_ITEM",
          L"MISC_FILE_TEXT", L"MISC_FILES_TEXT", L"MISC_DIRECTORY_TEXT", L"MISC_DIRECTORIES_TEXT",
          L"SHUTDOWN_IMMINENT_TITLE_LOGOFF", L"SHUTDOWN_IMMINENT_TITLE_PWROFF", L"CXT_PARENT", L"CXT_ABOUT"})
        EXPECT_NE(t.translate(key, L"en").find(L"%1"), std::wstring::npos) << vandel::to_utf8(key, '?');
    EXPECT_EQ(t.translate_count(L"MISC_FILE_TEXT", L"MISC_FILES_TEXT", 1, L"en"), L"1 file");
    EXPECT_EQ(t.translate_count(L"MISC_DIRECTORY_TEXT", L"MISC_DIRECTORIES_TEXT", 0, L"en"), L"0 folders");
}

}  // namespace
}  // namespace olvex
