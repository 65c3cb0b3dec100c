// The job window's picture: which frame and image it shows as its timer ticks, the shield, and
// the SHOW_GRAPHIC and THEME_COLOR settings.
#include "gui/wipe/animator.h"

#include "gui/shell/gui_resources.h"
#include "gui/shell/zyapp.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTimerEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

using olvex::Animator;

QImage image_of(const QString& path) { return QPixmap(path).toImage(); }

QImage shown(const Animator& a) { return a.pixmap(Qt::ReturnByValue).toImage(); }

QImage with_shield(const QString& picture, const QString& shield) {
    QPixmap p(picture);
    QPainter painter(&p);
    painter.drawPixmap(p.rect(), QPixmap(shield));
    painter.end();
    return p.toImage();
}

class AnimatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        olvex::init_gui_resources();
        settings().set_show_graphic(true);
        settings().set_theme_color(0);
        animator.setFixedSize(64, 64);
        animator.show();
    }
    void TearDown() override {
        settings().set_show_graphic(true);
        settings().set_theme_color(0);
    }
    static olvex::settings& settings() { return olvex::zyapp::instance().settings(); }

    // One tick of the frame timer, as Qt delivers it.
    void tick() {
        ASSERT_NE(animator.frame_timer(), 0);
        QTimerEvent event(animator.frame_timer());
        QCoreApplication::sendEvent(&animator, &event);
    }

    Animator animator{nullptr, 200};
};

TEST(AnimatorFrames, SequencesSwingOrCycle) {
    const std::vector<int> swing = {6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 6, 5};
    const std::vector<int> cycle = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1};
    for (size_t n = 1; n <= swing.size(); ++n) EXPECT_EQ(olvex::animator_frame(-8, static_cast<int>(n)), swing[n - 1]) << n;
    for (size_t n = 1; n <= cycle.size(); ++n) EXPECT_EQ(olvex::animator_frame(16, static_cast<int>(n)), cycle[n - 1]) << n;
}

TEST_F(AnimatorTest, BusyJobPlaysItsFramesAtTheInterval) {
    struct row {
        int picture;
        const char* frames;
        std::vector<int> expected;  // after ticks 1, 2, ...
    };
    const row rows[] = {
        {olvex::picture_clean, ":/main/clean_idx%1.png", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1}},
        {olvex::picture_device, ":/main/device_idx%1.png", {6, 5, 4, 3, 2, 1, 0, 1, 2, 3, 4, 5, 6, 7, 6}},
        {olvex::picture_volume, ":/main/volume_idx%1.png", {6, 5, 4}},
        {olvex::picture_files, ":/main/files_idx%1.png", {6, 5, 4}},
        {olvex::picture_trash, ":/main/trash_idx%1.png", {6, 5, 4}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.picture);
        animator.set_state(r.picture, true, true);
        ASSERT_TRUE(animator.is_animating());
        EXPECT_FALSE(animator.has_overlay()) << "no shield while it moves";
        EXPECT_EQ(shown(animator), image_of(QString::fromLatin1(r.frames).arg(0)));
        for (int expected : r.expected) {
            tick();
            EXPECT_EQ(animator.frame(), expected);
            EXPECT_EQ(shown(animator), image_of(QString::fromLatin1(r.frames).arg(expected)));
        }
    }
    animator.set_state(olvex::picture_done, false, false);
    EXPECT_FALSE(animator.is_animating());
}

TEST_F(AnimatorTest, ShieldOnlyOverStillPicturesThatHaveOne) {
    struct row {
        int picture;
        const char* image;
        const char* shield;  // nullptr: never one
    };
    const row rows[] = {
        {olvex::picture_idle, ":/main/state_default_lbk.png", ":/main/shield_left.png"},
        {olvex::picture_done, ":/main/state_check.png", nullptr},
        {olvex::picture_error, ":/main/state_error.png", nullptr},
        {olvex::picture_paused, ":/main/state_pause.png", nullptr},
        {olvex::picture_warning, ":/main/state_warning.png", nullptr},
        // A job waiting for its start: the first frame, still.
        {olvex::picture_device, ":/main/device_idx0.png", ":/main/shield_left.png"},
        {olvex::picture_volume, ":/main/volume_idx0.png", ":/main/shield_right.png"},
        {olvex::picture_files, ":/main/files_idx0.png", ":/main/shield_right.png"},
        {olvex::picture_clean, ":/main/clean_idx0.png", ":/main/shield_left.png"},
        {olvex::picture_trash, ":/main/trash_idx0.png", ":/main/shield_right.png"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.picture);
        animator.set_state(r.picture, false, false);
        EXPECT_EQ(shown(animator), image_of(QString::fromLatin1(r.image)));
        animator.set_state(0, false, false);
        animator.set_state(r.picture, false, true);
        EXPECT_FALSE(animator.is_animating());
        const QImage expected =
            r.shield ? with_shield(QString::fromLatin1(r.image), QString::fromLatin1(r.shield)) : image_of(QString::fromLatin1(r.image));
        EXPECT_EQ(shown(animator), expected);
        if (r.shield) {
            EXPECT_NE(shown(animator), image_of(QString::fromLatin1(r.image)));
        }
        animator.set_state(0, false, false);
    }
    animator.set_state(42, false, true);
    EXPECT_TRUE(animator.pixmap(Qt::ReturnByValue).isNull()) << "an unknown picture shows nothing";
}

TEST_F(AnimatorTest, SamePictureAgainKeepsItsPlace) {
    animator.set_state(olvex::picture_files, true, false);
    tick();
    tick();
    tick();
    const int timer = animator.frame_timer();
    animator.set_state(olvex::picture_files, true, false);
    EXPECT_EQ(animator.frame_timer(), timer);
    EXPECT_EQ(animator.frame(), 4);
    tick();
    EXPECT_EQ(animator.frame(), 3);
    // Another picture starts from its first frame.
    animator.set_state(olvex::picture_volume, true, false);
    EXPECT_EQ(animator.frame(), 0);
    tick();
    EXPECT_EQ(animator.frame(), 6);
}

TEST_F(AnimatorTest, HiddenBySettingItDrawsNoFrames) {
    animator.set_state(olvex::picture_clean, true, false);
    tick();
    settings().set_show_graphic(false);
    animator.refresh();
    EXPECT_FALSE(animator.isVisible());
    const QImage before = shown(animator);
    tick();
    tick();
    EXPECT_EQ(animator.frame(), 1);
    EXPECT_EQ(shown(animator), before);
    settings().set_show_graphic(true);
    animator.refresh();
    EXPECT_TRUE(animator.isVisible());
    tick();
    EXPECT_EQ(animator.frame(), 2);
}

TEST_F(AnimatorTest, IdlePictureFollowsTheTheme) {
    animator.set_state(olvex::picture_idle, false, false);
    EXPECT_EQ(shown(animator), image_of(QStringLiteral(":/main/state_default_lbk.png")));
    settings().set_theme_color(2);
    animator.refresh();
    EXPECT_EQ(shown(animator), image_of(QStringLiteral(":/main/state_default_dbk.png")));
    // A moving picture is not redrawn by a theme change.
    animator.set_state(olvex::picture_trash, true, false);
    tick();
    animator.refresh();
    EXPECT_EQ(animator.frame(), 6);
}

TEST_F(AnimatorTest, SmallerLabelGetsTheImageScaledDown) {
    animator.setFixedSize(32, 40);
    animator.set_state(olvex::picture_done, false, false);
    EXPECT_EQ(animator.pixmap(Qt::ReturnByValue).size(), QSize(32, 32));
}

TEST_F(AnimatorTest, WithoutIntervalItNeverAnimates) {
    Animator still(nullptr, 0);
    still.setFixedSize(64, 64);
    still.set_state(olvex::picture_clean, true, true);
    EXPECT_FALSE(still.is_animating());
    EXPECT_EQ(still.frame(), 0);
}

}  // namespace
