#include "gui/shell/qt_text.h"

#include <gtest/gtest.h>

namespace {

using olvex::from_qstring;
using olvex::to_qstring;

// Units travel one for one, surrogates (paired or not) included, on both builds.
TEST(QtText, UnitsTravelUnchanged) {
    const std::wstring samples[] = {
        L"",
        L"plain.txt",
        std::wstring{L'a', 0xD83D, 0xDE00, L'b'},  // a pair: one code point, two units
        std::wstring{0xDC80, L'x', 0xD800},         // lone surrogates of undecodable names
        std::wstring{0xFFFF, 0x00E9, L'\0', L'z'},  // NUL inside a path list
    };
    for (const std::wstring& s : samples) {
        const QString q = to_qstring(s);
        ASSERT_EQ(static_cast<size_t>(q.size()), s.size());
        for (size_t i = 0; i < s.size(); ++i) EXPECT_EQ(q.at(static_cast<int>(i)).unicode(), static_cast<ushort>(s[i]));
        EXPECT_EQ(from_qstring(q), s);
    }
}

TEST(QtText, MatchesQtsOwnUtf16) {
    const QString q = QString::fromUtf8("caf\xC3\xA9 \xF0\x9F\x98\x80");
    const std::wstring w = from_qstring(q);
    EXPECT_EQ(w, (std::wstring{L'c', L'a', L'f', 0xE9, L' ', 0xD83D, 0xDE00}));
    EXPECT_EQ(to_qstring(w), q);
}

}  // namespace
