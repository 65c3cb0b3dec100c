// The program's texts take the system's UI font, or a sans-serif face that the font list holds,
// never a serif that Qt falls back to when the platform's font alias names nothing it has.
#include "gui/shell/system_font.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <gtest/gtest.h>

namespace {

TEST(SystemFont, TheWantedFaceOrTheFirstSansSerifTheListHolds) {
    const struct {
        const char* wanted;
        QStringList families;
        const char* picked;
    } rows[] = {
        {"Tahoma", {"DejaVu Serif", "tahoma", "DejaVu Sans"}, "tahoma"},
        {"MS Shell Dlg 2", {"DejaVu Serif", "DejaVu Sans", "Arial"}, "Arial"},
        {"Segoe UI", {"Times New Roman", "DejaVu Sans", "Tahoma"}, "Tahoma"},
        {"", {"Liberation Serif", "Liberation Sans"}, "Liberation Sans"},
        {"Tahoma", {"Times New Roman", "Courier New"}, ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(olvex::pick_ui_face(QString::fromLatin1(r.wanted), r.families), QString::fromLatin1(r.picked))
            << r.wanted;
}

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
    const QString expected = olvex::pick_ui_face(system.face, families);
    ASSERT_FALSE(expected.isEmpty()) << "no sans-serif face among " << families.join(QStringLiteral(", ")).toStdString();
    EXPECT_EQ(font.family(), expected);
    if (families.contains(system.face, Qt::CaseInsensitive))
        EXPECT_EQ(font.family().toLower(), system.face.toLower()) << "the system's own face, where Qt has it";
    EXPECT_EQ(QFontInfo(font).family(), font.family()) << "drawn with that face, not a stand-in";
    EXPECT_NEAR(font.pointSizeF(), system.points, 0.01);
#endif
}

}  // namespace
