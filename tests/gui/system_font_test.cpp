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

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>

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

// A face that has every character and draws it; one without a glyph; blanks need no ink.
TEST(SystemFont, DrawsEveryCharacterWantsAGlyphWithInkForEach) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    if (QFontInfo(font).family() != QStringLiteral("DejaVu Sans")) GTEST_SKIP() << "no DejaVu Sans here";
    const struct {
        QString text;
        bool drawn;
    } rows[] = {
        {QStringLiteral("User Interface, Icon size: 1|l.\u00D7"), true},
        {QStringLiteral(" \t"), true},
        {QStringLiteral("A") + QChar(0x0378), false},  // no character at all
        {QStringLiteral("I") + QChar(0xE000), false},  // private use: no face of ours has it
    };
    for (const auto& r : rows) EXPECT_EQ(olvex::draws_every_character(font, r.text), r.drawn) << r.text.toStdString();
}

#ifdef _WIN32
// The usual sans-serif faces, in the order the program prefers them.
const char* const usual_faces[] = {"Segoe UI", "Tahoma", "Microsoft Sans Serif", "Arial", "Liberation Sans", "DejaVu Sans"};

// The face the program should take: the system's when the font list holds it, else the first usual
// face the list holds.
std::string expected_face(const QString& system, const QStringList& families) {
    if (families.contains(system, Qt::CaseInsensitive)) return system.toStdString();
    for (const char* face : usual_faces)
        if (families.contains(QString::fromLatin1(face), Qt::CaseInsensitive)) return face;
    return std::string();
}
#endif

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
    const QStringList families = QFontDatabase().families();
    const std::string expected = expected_face(system.face, families);
    ASSERT_FALSE(expected.empty()) << "no sans-serif face: " << families.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(font.family().toStdString(), expected);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), expected) << "drawn as itself, not a stand-in";
    EXPECT_NEAR(font.pointSizeF(), system.points, 0.01);
#endif
}

struct probe_report {
    int exit_code = -1;
    std::string output;
    std::map<std::string, std::string> values;
};

// Runs the probe in a process of its own on the given platform, with the shipped language files.
probe_report run_probe(const std::wstring& platform) {
    oblivar::test::sandbox sb;
    const std::wstring io = sb.path(L"io");
    oblivar::test::make_dirs(io);
    oblivar::test::scoped_env platform_env("QT_QPA_PLATFORM", platform);
    const std::wstring folder = oblivar::test::own_folder();
    const oblivar::test::program_result r =
        oblivar::test::run_program(folder + UI_FONT_PROBE, {folder + L"../zy-langs"}, "", io, 120);
    probe_report report{r.exit_code, r.output, {}};
    // After anything Qt said on the way: the probe's name=value lines.
    for (const QString& line : QString::fromUtf8(r.output.c_str()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QLatin1Char('='));
        if (at > 0) report.values[line.left(at).toStdString()] = line.mid(at + 1).toStdString();
    }
    return report;
}

// The same on Windows's own platform, where Qt's font list is GDI's: before, its texts fell to the
// first family of that list (a serif under Wine, whose prefix lacks the alias's substitute).
TEST(SystemFont, OnWindowsOwnPlatformTheTextsAreNeverAStandIn) {
#ifndef _WIN32
    GTEST_SKIP() << "the platform theme gives Qt the desktop's UI font here";
#else
    probe_report r = run_probe(L"windows");
    ASSERT_EQ(r.exit_code, 0) << r.output;
    const std::string face = r.values["face"];
    EXPECT_EQ(r.values["drawn"], face) << "drawn with the face asked for, not a stand-in";
    if (r.values["system_drawn"] == "1" && r.values["system_blank"].empty()) {
        EXPECT_EQ(face, r.values["system"]) << "the face the system draws its own texts with";
    } else {
        // Under Wine: Liberation Sans at 11 pixels, whose capital I Qt draws without ink.
        EXPECT_NE(face, r.values["system"]) << "drawn blank: " << r.values["system_blank"];
        EXPECT_NE(std::find(std::begin(usual_faces), std::end(usual_faces), face), std::end(usual_faces))
            << face << " is one of the usual sans-serif faces";
    }
#endif
}

// Every character of every shipped language has a glyph in the face the texts are drawn with, and
// drawing it puts ink on the screen (under Wine a capital I once came out blank). On Windows on
// Windows's own platform; elsewhere on the tests' own.
TEST(SystemFont, EveryShippedCharacterIsDrawn) {
#ifdef _WIN32
    probe_report r = run_probe(L"windows");
#else
    probe_report r = run_probe(L"offscreen");
#endif
    ASSERT_EQ(r.exit_code, 0) << r.output;
    EXPECT_GT(std::atoi(r.values["characters"].c_str()), 40) << "the shipped texts were read";
    EXPECT_EQ(r.values["missing"], "") << "no glyph in " << r.values["face"];
    EXPECT_EQ(r.values["blank"], "") << "drawn blank in " << r.values["drawn"];
}

}  // namespace
