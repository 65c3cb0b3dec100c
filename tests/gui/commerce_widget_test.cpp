#include "gui/shell/commerce_widget.h"
#include "gui/shell/hover_link.h"
#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/shell/gui_resources.h"
#include "tests/gui/gui_test.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QMenu>
#include <QTimerEvent>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>

namespace {

using namespace oblivar::test;
using olvex::ad_entry;
using olvex::CommerceWidget;
using olvex::link_entry;

ad_entry make_ad(const QString& title, int32_t weight, const QString& regions = QString()) {
    ad_entry ad;
    ad.title = title;
    ad.weight = weight;
    ad.regions = regions;
    ad.in_menu = true;
    link_entry row;
    row.kind = olvex::entry_link;
    row.text = title;
    row.url = QStringLiteral("https://example.org/<CC>/") + title;
    ad.entries.append(row);
    return ad;
}

// A panel with a fixed day and country, drawing from a list of numbers (then 0).
struct panel_fixture {
    CommerceWidget panel;
    QList<uint32_t> draws;
    int drawn = 0;
    panel_fixture() {
        panel.set_country(QStringLiteral("DE"));
        panel.set_date(2460000);
        panel.set_fixed_rows(5);
        panel.set_random_source([this] {
            ++drawn;
            return draws.isEmpty() ? 0u : draws.takeFirst();
        });
    }
    void tick() {
        QTimerEvent e(panel.rotation_timer_id());
        QApplication::sendEvent(&panel, &e);
    }
};

TEST(CommerceWidget, CountryRules) {
    const struct {
        const char* regions;
        const char* country;
        bool eligible;
        const char* key;
    } rows[] = {
        {"US:**", "DE", true, "US"},
        {"US:**", "?", true, "US"},
        {"USA:**", "DE", false, ""},  // a first key of three letters fits no country
        {"USA:**", "?", false, ""},
        {"USA:**", "", true, "US"},
        {"DE:DE,AT,CH/EN:**", "AT", true, "DE"},
        {"DE:DE,AT,CH/EN:**", "FR", true, "EN"},
        {"DE:DE,AT,CH/EN:**", "CH", true, "DE"},
        {"EN:**/DE:AT", "AT", true, "DE"},  // a listed country wins over every "**"
        {"DE:DE,AT", "FR", false, ""},
        {"", "FR", true, ""},
        {"DE:AT,DEU", "DE", false, ""},  // codes match whole
    };
    for (const auto& r : rows) {
        ad_entry ad;
        ad.regions = olvex::normalise_regions(QString::fromLatin1(r.regions));
        QString key = QStringLiteral("stale");
        EXPECT_EQ(olvex::ad_matches(ad, QString::fromLatin1(r.country), 100, key), r.eligible) << r.regions << " " << r.country;
        EXPECT_EQ(key, QString::fromLatin1(r.key)) << r.regions << " " << r.country;
    }
    EXPECT_EQ(olvex::normalise_regions(QStringLiteral(" de : de, at /en:** ")), QStringLiteral("DE:DE,AT/EN:**"));
}

TEST(CommerceWidget, DaysOfAnAd) {
    ad_entry ad;
    ad.first_day = 100;
    ad.end_day = 110;
    QString key;
    EXPECT_FALSE(olvex::ad_matches(ad, "DE", 99, key));
    EXPECT_TRUE(olvex::ad_matches(ad, "DE", 100, key));   // from its first day
    EXPECT_TRUE(olvex::ad_matches(ad, "DE", 109, key));
    EXPECT_FALSE(olvex::ad_matches(ad, "DE", 110, key));  // not on its end day
    ad.end_day = 0;
    EXPECT_TRUE(olvex::ad_matches(ad, "DE", 100000, key));
}

TEST(CommerceWidget, CountryOfLocale) {
    const struct {
        const char* name;
        const char* country;
    } rows[] = {{"en_GB", "GB"}, {"de_de", "DE"}, {"C", "?"}, {"es_419", "419"}, {"sr_Latn_RS", "?"}, {"", "?"}};
    for (const auto& r : rows)
        EXPECT_EQ(olvex::country_of_locale(QString::fromLatin1(r.name)), QString::fromLatin1(r.country)) << r.name;
}

TEST(CommerceWidget, StoringGivesNewIds) {
    panel_fixture f;
    EXPECT_EQ(f.panel.add_ad(make_ad("one", 1, " us : ** ")), 0);
    EXPECT_EQ(f.panel.add_ad(make_ad("two", 1)), 1);
    ad_entry stored;
    ASSERT_TRUE(f.panel.ad_at(0, stored));
    EXPECT_EQ(stored.id, 1);
    EXPECT_EQ(stored.regions, QStringLiteral("US:**"));
    ASSERT_TRUE(f.panel.set_ad(0, make_ad("one again", 1)));
    ASSERT_TRUE(f.panel.ad_at(0, stored));
    EXPECT_EQ(stored.id, 3);
    EXPECT_FALSE(f.panel.set_ad(3, make_ad("gap", 1)));
    EXPECT_FALSE(f.panel.set_ad(-1, make_ad("before", 1)));
    EXPECT_FALSE(f.panel.ad_at(2, stored));
    EXPECT_EQ(f.panel.ad_count(), 2);
}

TEST(CommerceWidget, ShowingAnAd) {
    panel_fixture f;
    ad_entry first = make_ad("First", 1, "US:**");
    first.navigation_text = QStringLiteral("1 of 3");
    first.menu_group = QStringLiteral("More offers");
    f.panel.add_ad(first);
    ad_entry second = make_ad("Second", 1, "EN:GB");  // not for DE
    second.menu_group = QStringLiteral("More offers");
    f.panel.add_ad(second);
    ad_entry third = make_ad("Third", 1);
    third.menu_group = QStringLiteral("More offers");
    f.panel.add_ad(third);
    EXPECT_EQ(f.panel.eligible_count(), 2);
    EXPECT_EQ(f.panel.eligible_index(1), 2);
    EXPECT_EQ(f.panel.eligible_index(2), -1);

    ASSERT_TRUE(f.panel.show_ad(-1));  // none current: the first eligible
    EXPECT_EQ(f.panel.current_ad(), 0);
    EXPECT_EQ(f.panel.text(), QStringLiteral("First"));
    EXPECT_EQ(f.panel.navigation_text(), QStringLiteral("1 of 3"));
    ASSERT_NE(f.panel.row_link(0), nullptr);
    EXPECT_EQ(f.panel.row_link(0)->url(), QStringLiteral("https://example.org/US/First"));
    EXPECT_TRUE(f.panel.findChild<QToolButton*>("fwd_btn")->isEnabled());
    EXPECT_FALSE(f.panel.findChild<QToolButton*>("bak_btn")->isEnabled());

    // The menu lists the eligible ads under their group; choosing one shows it.
    QMenu* group = f.panel.links_menu()->findChild<QMenu*>("sm_MOREOFFERS");
    ASSERT_TRUE(group);
    ASSERT_EQ(group->actions().size(), 2);
    EXPECT_EQ(group->actions()[1]->text(), QStringLiteral("Third"));
    group->actions()[1]->trigger();
    QApplication::processEvents();  // the old rows and actions go from the event loop
    EXPECT_EQ(f.panel.current_ad(), 2);
    EXPECT_EQ(f.panel.text(), QStringLiteral("Third"));
    EXPECT_EQ(f.panel.row_link(0)->url(), QStringLiteral("https://example.org/<CC>/Third"));  // no key, no change
    EXPECT_EQ(f.panel.history(), QList<int>({0, 2}));
    EXPECT_TRUE(f.panel.findChild<QToolButton*>("bak_btn")->isEnabled());

    f.panel.previous_page();
    EXPECT_EQ(f.panel.current_ad(), 0);
    EXPECT_EQ(f.panel.history(), QList<int>({0}));
    EXPECT_FALSE(f.panel.show_ad(7));
    EXPECT_EQ(f.panel.row_count(), 0);  // the menu alone: its separator and the two eligible ads
    EXPECT_EQ(f.panel.menu_entry_count(), 3);
    EXPECT_TRUE(f.panel.text().isEmpty());
}

TEST(CommerceWidget, HistoryIsEmptiedPastAThousand) {
    panel_fixture f;
    f.panel.add_ad(make_ad("a", 1));
    for (int i = 0; i < 1001; ++i) f.panel.show_ad(0);
    EXPECT_EQ(f.panel.history().size(), 1001);
    f.panel.show_ad(0);
    EXPECT_EQ(f.panel.history().size(), 1);
}

TEST(CommerceWidget, WeightedDraws) {
    panel_fixture f;
    f.panel.add_ad(make_ad("light", 1));
    f.panel.add_ad(make_ad("heavy", 3));
    f.panel.add_ad(make_ad("never", 0));
    f.panel.add_ad(make_ad("elsewhere", 5, "EN:GB"));
    const struct {
        uint32_t r;
        int pick;
    } rows[] = {{0, 0}, {1, 1}, {3, 1}, {4, 0}, {7, 1}};
    for (const auto& r : rows) {
        f.panel.show_ad(2);  // a current ad that is never drawn
        f.draws = {r.r};
        EXPECT_EQ(f.panel.show_random_ad(), r.pick) << r.r;
    }
    EXPECT_EQ(olvex::pick_by_weight({0, 2, 0, 1}, 2), 3);
    EXPECT_EQ(olvex::pick_by_weight({0, 2}, 2), -1);
}

TEST(CommerceWidget, DrawsAgainstTheCurrentAdAtMostFourTimes) {
    panel_fixture f;
    f.panel.add_ad(make_ad("a", 1));
    f.panel.add_ad(make_ad("b", 1));
    f.panel.show_ad(0);
    f.draws = {0, 0, 0, 1};
    f.drawn = 0;
    EXPECT_EQ(f.panel.show_random_ad(), 1);
    EXPECT_EQ(f.drawn, 4);
    f.panel.show_ad(0);
    f.draws = {0, 0, 0, 0, 1};
    f.drawn = 0;
    EXPECT_EQ(f.panel.show_random_ad(), 0);  // the fourth draw stands
    EXPECT_EQ(f.drawn, 4);
}

TEST(CommerceWidget, NothingToDraw) {
    panel_fixture f;
    f.panel.add_ad(make_ad("a", 0));
    f.panel.add_ad(make_ad("b", -4));
    EXPECT_EQ(f.panel.show_random_ad(), -1);
    f.panel.clear();
    f.panel.set_country("DE");
    f.panel.add_ad(make_ad("a", std::numeric_limits<int32_t>::max()));
    f.panel.add_ad(make_ad("b", 1));
    EXPECT_EQ(f.panel.show_random_ad(), -1);  // the sum runs past 32 bits
}

TEST(CommerceWidget, RotationChangesEveryEighthTick) {
    panel_fixture f;
    EXPECT_TRUE(f.panel.start_rotation(15, 3));
    EXPECT_EQ(f.panel.rotation_timer_id(), 0);  // fewer than two ads: no timer
    f.panel.add_ad(make_ad("a", 1));
    f.panel.add_ad(make_ad("b", 1));
    f.panel.show_ad(0);
    EXPECT_TRUE(f.panel.start_rotation(5, 3));
    EXPECT_EQ(f.panel.rotation_mode(), 0);  // short intervals rotate without animation
    EXPECT_TRUE(f.panel.start_rotation(15, 3));
    EXPECT_EQ(f.panel.rotation_mode(), 3);
    EXPECT_EQ(f.panel.rotation_interval(), 15);
    ASSERT_NE(f.panel.rotation_timer_id(), 0);
    QCursor::setPos(f.panel.mapToGlobal(QPoint(-50, -50)));
    ASSERT_FALSE(f.panel.cursor_inside());

    f.draws = {1, 0};
    for (int i = 0; i < 3; ++i) f.tick();
    EXPECT_EQ(f.panel.animation_mode(), 0);
    f.tick();  // the fourth tick sweeps the rows
    EXPECT_EQ(f.panel.animation_mode(), 2);
    for (int i = 0; i < 3; ++i) f.tick();
    EXPECT_EQ(f.panel.current_ad(), 0);
    f.tick();  // the eighth changes the ad and scrolls the heading
    EXPECT_EQ(f.panel.current_ad(), 1);
    EXPECT_EQ(f.panel.animation_mode(), 1);

    // Paging starts the period again.
    f.panel.next_page();
    EXPECT_EQ(f.panel.current_ad(), 0);
    EXPECT_EQ(f.panel.rotation_interval(), 15);
    EXPECT_EQ(f.panel.rotation_mode(), 3);

    // With nothing left to draw the rotation stops at its next change.
    ad_entry a;
    f.panel.ad_at(0, a);
    a.weight = 0;
    f.panel.set_ad(0, a);
    f.panel.set_ad(1, a);
    for (int i = 0; i < 8; ++i) f.tick();
    EXPECT_EQ(f.panel.rotation_timer_id(), 0);
    EXPECT_EQ(f.panel.rotation_interval(), 0);
}

TEST(CommerceWidget, RotationWaitsWhileTheMouseIsOver) {
    panel_fixture f;
    f.panel.resize(200, 100);
    f.panel.show();
    f.panel.add_ad(make_ad("a", 1));
    f.panel.add_ad(make_ad("b", 1));
    f.panel.show_ad(0);
    ASSERT_TRUE(f.panel.start_rotation(10, 0));
    QCursor::setPos(f.panel.mapToGlobal(QPoint(10, 10)));
    if (!f.panel.cursor_inside()) GTEST_SKIP() << "this platform does not move the cursor";
    f.draws = {1};
    for (int i = 0; i < 8; ++i) f.tick();
    EXPECT_EQ(f.panel.current_ad(), 0);
    f.tick();
    EXPECT_EQ(f.panel.current_ad(), 0);
    QCursor::setPos(f.panel.mapToGlobal(QPoint(-50, -50)));
    f.tick();  // the postponed change comes at the next tick
    EXPECT_EQ(f.panel.current_ad(), 1);
}

TEST(CommerceWidget, RemovingAnAd) {
    panel_fixture f;
    for (const char* t : {"a", "b", "c"}) f.panel.add_ad(make_ad(t, 1));
    f.panel.show_ad(2);
    EXPECT_FALSE(f.panel.remove_ad(3));
    EXPECT_TRUE(f.panel.remove_ad(2));
    EXPECT_EQ(f.panel.current_ad(), 1);
    EXPECT_TRUE(f.panel.history().isEmpty());
    f.panel.show_ad(1);
    EXPECT_TRUE(f.panel.remove_ad(0));
    ad_entry current;
    ASSERT_TRUE(f.panel.ad_at(f.panel.current_ad(), current));
    EXPECT_EQ(current.title, QStringLiteral("b"));
}

TEST(ZyCommerce, HiddenWhenInstalledOneBannerWhenPortable) {
    olvex::init_gui_resources();
    olvex::zyapp& app = olvex::zyapp::instance();
    const bool was_portable = app.is_portable();
    const int32_t was_theme = app.settings().get_theme_color();
    QWidget window;
    app.set_portable(false);
    auto* installed = new olvex::ZyCommerce(&window);
    window.show();
    EXPECT_FALSE(installed->isVisible());
    EXPECT_EQ(installed->ad_count(), 0);

    app.set_portable(true);
    app.settings().set_theme_color(olvex::theme_white);
    auto* portable = new olvex::ZyCommerce(&window);
    EXPECT_TRUE(portable->isVisible());
    EXPECT_FALSE(portable->navigation_visible());
    EXPECT_FALSE(portable->menu_button_visible());
    EXPECT_EQ(portable->alignment(), Qt::AlignRight | Qt::AlignTop);
    olvex::HoverLink* banner = portable->row_link(0);
    ASSERT_TRUE(banner);
    EXPECT_TRUE(banner->shows_pixmap());
    EXPECT_LE(banner->pixmap(Qt::ReturnByValue).height(), int(portable->reference_height() * 1.25));
    EXPECT_EQ(banner->url(), olvex::web_page_url(olvex::web_page::product).toString());
    EXPECT_TRUE(portable->text().isEmpty());

    // The same theme again changes nothing; a dark one builds the banner anew with the dark
    // theme's picture, and the white one brings the first picture back.
    const QImage light = banner->pixmap(Qt::ReturnByValue).toImage();
    portable->apply_theme();
    EXPECT_EQ(portable->row_link(0), banner);
    app.settings().set_theme_color(olvex::theme_dark);
    portable->apply_theme();
    ASSERT_TRUE(portable->row_link(0));
    EXPECT_EQ(portable->ad_count(), 1);
    const QImage dark = portable->row_link(0)->pixmap(Qt::ReturnByValue).toImage();
    EXPECT_EQ(dark.size(), light.size());
    EXPECT_NE(dark, light);
    app.settings().set_theme_color(olvex::theme_white);
    portable->apply_theme();
    ASSERT_TRUE(portable->row_link(0));
    EXPECT_EQ(portable->row_link(0)->pixmap(Qt::ReturnByValue).toImage(), light);
    EXPECT_EQ(portable->ad_count(), 1);

    app.settings().set_theme_color(was_theme);
    app.set_portable(was_portable);
}

}  // namespace
