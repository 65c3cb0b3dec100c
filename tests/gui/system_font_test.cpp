// The program's texts take the system's UI font, or a sans-serif face that the font list holds,
// never a serif that Qt falls back to when the platform's font alias names nothing it has.
#include "gui/shell/system_font.h"
#include "tests/e2e/support/program.h"
#include "tests/support/env.h"
#include "tests/support/sandbox.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

TEST(SystemFont, TheWantedFaceOrTheFirstSansSerifDrawnAsItself) {
    const struct {
        const char* wanted;
        QStringList drawn;
        const char* picked;
    } rows[] = {
        {"Liberation Sans", {"DejaVu Serif", "Liberation Sans", "DejaVu Sans"}, "Liberation Sans"},
        {"MS Shell Dlg 2", {"C059", "DejaVu Sans", "Arial"}, "Arial"},
        {"Segoe UI", {"Times New Roman", "DejaVu Sans", "Tahoma"}, "Tahoma"},
        {"", {"Liberation Serif", "Liberation Sans"}, "Liberation Sans"},
        {"Tahoma", {"Times New Roman", "Courier New"}, ""},
    };
    for (const auto& r : rows) {
        const auto draws = [&r](const QString& face) { return r.drawn.contains(face); };
        EXPECT_EQ(olvex::pick_ui_face(QString::fromLatin1(r.wanted), draws).toStdString(), r.picked) << r.wanted;
    }
}

// What the program does at start, in this process: the face it takes is drawn as itself, in the
// system's UI size. Under Wine the system's message font is an alias whose substitute the prefix
// lacks, and Qt's own choice falls to the first family it knows.
TEST(SystemFont, TheApplicationDrawsWithTheSystemsUIFont) {
    const olvex::ui_font system = olvex::system_ui_font();
#ifndef _WIN32
    EXPECT_TRUE(system.face.isEmpty());
    GTEST_SKIP() << "the platform theme gives Qt the desktop's UI font here";
#else
    ASSERT_FALSE(system.face.isEmpty()) << "the system names a message font";
    EXPECT_GT(system.points, 5.0);
    const QFont before = QApplication::font();
    olvex::apply_system_ui_font();
    const QFont font = QApplication::font();
    QApplication::setFont(before);
    const QString expected = olvex::pick_ui_face(system.face, &olvex::draws_as_itself);
    ASSERT_FALSE(expected.isEmpty()) << "no sans-serif face: " << QFontDatabase().families().join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(font.family().toStdString(), expected.toStdString());
    if (olvex::draws_as_itself(system.face)) {
        EXPECT_EQ(font.family().toStdString(), system.face.toStdString()) << "the system's own face, where Qt has it";
    }
    EXPECT_EQ(QFontInfo(font).family().toStdString(), font.family().toStdString()) << "drawn as itself, not a stand-in";
    EXPECT_NEAR(font.pointSizeF(), system.points, 0.01);
#endif
}

// The same on Windows's own platform, where Qt's font list is GDI's: before, its texts fell to the
// first family of that list (a serif under Wine, whose prefix lacks the alias's substitute).
TEST(SystemFont, OnWindowsOwnPlatformTheTextsAreNeverAStandIn) {
#ifndef UI_FONT_PROBE
    GTEST_SKIP() << "the platform theme gives Qt the desktop's UI font here";
#else
    oblivar::test::sandbox sb;
    const std::wstring io = sb.path(L"io");
    oblivar::test::make_dirs(io);
    oblivar::test::scoped_env platform("QT_QPA_PLATFORM", std::wstring(L"windows"));
    const oblivar::test::program_result r =
        oblivar::test::run_program(oblivar::test::own_folder() + UI_FONT_PROBE, {}, "", io, 120);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    QStringList lines = QString::fromUtf8(r.output.c_str()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    ASSERT_GE(lines.size(), 4) << r.output;
    lines = lines.mid(lines.size() - 4);  // after anything Qt said on the way
    const std::string face = lines[0].toStdString(), drawn = lines[1].toStdString(), system = lines[2].toStdString();
    EXPECT_EQ(drawn, face) << "drawn with the face asked for, not a stand-in";
    if (lines[3] == QStringLiteral("1")) {
        EXPECT_EQ(face, system) << "the face the system draws its own texts with";
    } else {
        const auto held = [&face](const QString& f) { return f.toStdString() == face; };
        EXPECT_EQ(olvex::pick_ui_face(QString(), held).toStdString(), face) << "one of the usual sans-serif faces";
    }
#endif
}

}  // namespace
