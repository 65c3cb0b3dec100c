#include "gui/shell/qinterlang.h"
#include "tests/gui/gui_test.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;

const char* const texts =
    "KEY: MAIN_MENU_ABOUT\nLANG: en\nTEXT: About Oblivar\nLANG: de\nTEXT: Über Oblivar\n"
    "KEY: ONLY_EN\nLANG: en\nTEXT: English only\n"
    "KEY: TWICE\nLANG: en\nTEXT: %1 then %1\n";

TEST(QInterlang, EmptyUntilTheTableIsReady) {
    table_scope scope;
    olvex::interlang::instance().clear();
    QInterlang t;
    EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(t.translate("main_form", "About...", "MAIN_MENU_ABOUT"), QString());
    ASSERT_EQ(load_table(texts), 0);
    EXPECT_FALSE(t.isEmpty());
}

TEST(QInterlang, KeyThenSourceText) {
    table_scope scope;
    ASSERT_EQ(load_table(texts, L"de"), 0);
    QInterlang t;
    const struct {
        const char* source;
        const char* key;
        QString expected;
    } cases[] = {
        {"About...", "MAIN_MENU_ABOUT", QString::fromUtf8("Über Oblivar")},  // current language
        {"x", "ONLY_EN", QStringLiteral("English only")},                    // primary language stands in
        {"About...", "NO_SUCH_KEY", QStringLiteral("About...")},             // the form's text, not the key
        {"ONLY_EN", "NO_SUCH_KEY", QStringLiteral("English only")},          // a source text that is a key
        {"Plain", nullptr, QStringLiteral("Plain")},
        {"Plain", "", QStringLiteral("Plain")},
        {nullptr, "NO_SUCH_KEY", QString()},
        {"", "", QString()},
    };
    for (const auto& c : cases) EXPECT_EQ(t.translate("ctx", c.source, c.key), c.expected) << c.source << " " << c.key;
}

TEST(QInterlang, InstalledItAnswersQtsTranslationHook) {
    table_scope scope;
    ASSERT_EQ(load_table(texts), 0);
    QInterlang t;
    QCoreApplication::installTranslator(&t);
    EXPECT_EQ(QCoreApplication::translate("main_form", "About...", "MAIN_MENU_ABOUT"), QStringLiteral("About Oblivar"));
    EXPECT_EQ(QCoreApplication::translate("log_form", "save_btn", "LOG_UNKNOWN"), QStringLiteral("save_btn"));
    QCoreApplication::removeTranslator(&t);
}

TEST(QInterlang, TrArgReplacesEveryPlaceholder) {
    table_scope scope;
    ASSERT_EQ(load_table(texts), 0);
    EXPECT_EQ(olvex::tr_arg(L"TWICE", L"7"), L"7 then 7");
}

}  // namespace
