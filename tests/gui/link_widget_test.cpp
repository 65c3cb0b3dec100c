#include "gui/shell/hover_link.h"
#include "gui/shell/link_widget.h"
#include "gui/shell/qt_text.h"
#include "tests/gui/gui_test.h"
#include "tests/support/sandbox.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using namespace oblivar::test;
using olvex::HoverLink;
using olvex::link_entry;
using olvex::LinkWidget;

// Catches every address opened with the file and https schemes while it lives.
class opened_urls {
public:
    opened_urls() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder_, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder_, "open");
    }
    ~opened_urls() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }
    const QList<QUrl>& list() const { return recorder_.opened; }

private:
    url_recorder recorder_;
};

void move_to(QWidget& w, QPoint p) {
    QMouseEvent e(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

void release(QWidget& w, QPoint p, Qt::MouseButton button) {
    QMouseEvent e(QEvent::MouseButtonRelease, p, button, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

link_entry make(uint32_t kind, const QString& text, const QString& url = QString()) {
    link_entry e;
    e.kind = kind;
    e.text = text;
    e.url = url;
    return e;
}

TEST(HoverLink, ContentRectFollowsAlignment) {
    const QSize label(100, 40), hint(30, 10);
    const struct {
        Qt::Alignment alignment;
        QRect rect;
    } rows[] = {
        {Qt::AlignLeft | Qt::AlignTop, {0, 0, 30, 10}},
        {Qt::AlignRight | Qt::AlignBottom, {70, 30, 30, 10}},
        {Qt::AlignCenter, {35, 15, 30, 10}},
        {Qt::AlignHCenter | Qt::AlignTop, {35, 0, 30, 10}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(olvex::link_content_rect(label, hint, r.alignment), r.rect) << int(r.alignment);
        // Left and top edges belong to the content, right and bottom edges don't.
        EXPECT_TRUE(r.rect.contains(r.rect.topLeft()));
        EXPECT_FALSE(r.rect.contains(r.rect.left() + 30, r.rect.top()));
    }
}

TEST(HoverLink, WithoutAddressItIsPlainText) {
    opened_urls urls;
    HoverLink link(nullptr, QStringLiteral("a <b> text"), QString());
    EXPECT_EQ(link.text(), QStringLiteral("a <b> text"));
    EXPECT_EQ(link.textFormat(), Qt::PlainText);
    EXPECT_FALSE(link.hasMouseTracking());
    link.resize(link.sizeHint());
    move_to(link, QPoint(1, 1));
    EXPECT_FALSE(link.hovering());
    EXPECT_FALSE(link.font().underline());
    release(link, QPoint(1, 1), Qt::LeftButton);
    EXPECT_TRUE(urls.list().isEmpty());
}

TEST(HoverLink, HoverUnderlinesAndAClickOpensOnce) {
    opened_urls urls;
    HoverLink link(nullptr, QStringLiteral("Help & more"), QStringLiteral("https://example.org/a b"));
    EXPECT_EQ(link.text(), QStringLiteral("<font color='blue'>Help &amp; more</font>"));
    EXPECT_TRUE(link.hasMouseTracking());
    link.resize(link.sizeHint().width() + 50, link.sizeHint().height());
    const Qt::CursorShape before = link.cursor().shape();

    move_to(link, QPoint(link.width() - 2, 1));  // beside the text: no link
    EXPECT_FALSE(link.hovering());
    move_to(link, QPoint(1, 1));
    EXPECT_TRUE(link.hovering());
    EXPECT_TRUE(link.font().underline());
    EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);

    release(link, QPoint(1, 1), Qt::RightButton);
    EXPECT_TRUE(urls.list().isEmpty());
    EXPECT_FALSE(link.visited());
    release(link, QPoint(1, 1), Qt::LeftButton);
    ASSERT_EQ(urls.list().size(), 1);
    EXPECT_EQ(urls.list()[0], QUrl(QStringLiteral("https://example.org/a%20b")));
    EXPECT_TRUE(link.visited());
    EXPECT_EQ(link.text(), QStringLiteral("<font color='purple'>Help &amp; more</font>"));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&link, &leave);
    EXPECT_FALSE(link.hovering());
    EXPECT_FALSE(link.font().underline());
    EXPECT_EQ(link.cursor().shape(), before);
    release(link, QPoint(1, 1), Qt::LeftButton);  // not hovering: nothing more opens
    EXPECT_EQ(urls.list().size(), 1);
}

TEST(HoverLink, PictureAndTextTakeTurns) {
    HoverLink link(nullptr, QStringLiteral("text"), QStringLiteral("https://example.org/"));
    QPixmap picture(20, 10);
    picture.fill(Qt::red);
    link.set_pixmap(picture);
    EXPECT_TRUE(link.shows_pixmap());
    EXPECT_TRUE(link.text().isEmpty());
    link.resize(40, 10);
    move_to(link, QPoint(1, 1));
    EXPECT_TRUE(link.hovering());
    EXPECT_FALSE(link.font().underline());  // a picture is never underlined
    link.set_link_text(QStringLiteral("text"));  // the same text still replaces the picture
    EXPECT_FALSE(link.shows_pixmap());
    EXPECT_EQ(link.text(), QStringLiteral("<font color='blue'>text</font>"));
    link.set_link_color(QStringLiteral("#004a7f"));
    EXPECT_EQ(link.text(), QStringLiteral("<font color='#004a7f'>text</font>"));
    link.set_url(QString());
    EXPECT_EQ(link.text(), QStringLiteral("text"));
    EXPECT_FALSE(link.hasMouseTracking());
}

TEST(LinkWidget, FormAsBuilt) {
    LinkWidget panel;
    EXPECT_EQ(panel.objectName(), QStringLiteral("link_widget"));
    EXPECT_EQ(panel.reference_height(), 30);
    EXPECT_EQ(panel.alignment(), Qt::AlignLeft | Qt::AlignTop);
    EXPECT_EQ(panel.fixed_rows(), 0);
    EXPECT_EQ(panel.sizePolicy().verticalPolicy(), QSizePolicy::Ignored);
    EXPECT_FALSE(panel.navigation_visible());
    EXPECT_TRUE(panel.text().isEmpty());
    auto* drop = panel.findChild<QToolButton*>("drop_btn");
    auto* title = panel.findChild<QLabel*>("title_lab");
    ASSERT_TRUE(drop && title && panel.findChild<QToolButton*>("bak_btn") && panel.findChild<QLabel*>("nav_lab"));
    EXPECT_FALSE(drop->isEnabled());
    EXPECT_EQ(drop->popupMode(), QToolButton::InstantPopup);
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_EQ(panel.link_color(), QStringLiteral("blue"));
    EXPECT_EQ(panel.visited_color(), QStringLiteral("purple"));
    EXPECT_EQ(panel.highlight_color(), QStringLiteral("yellow"));
}

TEST(LinkWidget, EachKindAsRowOrMenuItem) {
    LinkWidget panel;
    panel.set_fixed_rows(10);
    const QString url = QStringLiteral("https://example.org/x");
    ASSERT_EQ(panel.add_entry(make(olvex::entry_link, "plain", url)), 0);
    panel.add_entry(make(olvex::entry_bold_link, "bold", url));
    panel.add_entry(make(olvex::entry_text, "two\nlines", url));
    panel.add_entry(make(olvex::entry_blank, "blank", url));
    panel.add_entry(make(olvex::entry_menu_item, "R&D", url));
    panel.add_entry(make(olvex::entry_menu_disabled, "greyed", url));
    panel.add_entry(make(olvex::entry_menu_separator, ""));
    EXPECT_EQ(panel.entry_count(), 7);
    EXPECT_EQ(panel.row_count(), 4);
    EXPECT_EQ(panel.menu_entry_count(), 3);
    EXPECT_EQ(panel.shown_rows(), 4);

    const struct {
        int index;
        QString text;
        bool link;
        bool bold;
        bool wrap;
    } rows[] = {{0, "plain", true, false, false},
                {1, "bold", true, true, false},
                {2, "two\nlines", false, false, true},
                {3, "", false, false, false}};
    for (const auto& r : rows) {
        HoverLink* row = panel.row_link(r.index);
        ASSERT_TRUE(row) << r.index;
        EXPECT_EQ(row->link_text(), r.text) << r.index;
        EXPECT_EQ(row->url(), r.link ? url : QString()) << r.index;
        EXPECT_EQ(row->isEnabled(), r.link) << r.index;
        EXPECT_EQ(row->font().bold(), r.bold) << r.index;
        EXPECT_EQ(row->wordWrap(), r.wrap) << r.index;
        EXPECT_EQ(row->alignment(), Qt::AlignLeft | Qt::AlignTop) << r.index;
    }
    const QList<QAction*> actions = panel.links_menu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("R&&D"));
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_TRUE(panel.findChild<QToolButton*>("drop_btn")->isEnabled());

    // A row entry turned into a menu item loses its row, and the other way round.
    ASSERT_TRUE(panel.set_entry(0, make(olvex::entry_menu_item, "now in the menu", url)));
    EXPECT_EQ(panel.row_link(0), nullptr);
    EXPECT_EQ(panel.menu_entry_count(), 4);
    ASSERT_TRUE(panel.set_entry(4, make(olvex::entry_link, "now a row", url)));
    EXPECT_NE(panel.row_link(4), nullptr);
    EXPECT_EQ(panel.menu_entry_count(), 3);

    EXPECT_FALSE(panel.set_entry(8, make(olvex::entry_link, "beyond the end")));
    EXPECT_FALSE(panel.set_entry(-1, make(olvex::entry_link, "before the start")));
    EXPECT_FALSE(panel.set_entry(0, make(8, "no such kind")));
    EXPECT_EQ(panel.entry_count(), 7);

    EXPECT_EQ(panel.find_entry("bold"), 1);
    EXPECT_EQ(panel.find_entry("bold", olvex::entry_link), -1);
    EXPECT_EQ(panel.find_entry("bold", olvex::entry_bold_link), 1);
    link_entry copy;
    ASSERT_TRUE(panel.entry_at(1, copy));
    EXPECT_EQ(copy.text, QStringLiteral("bold"));
    EXPECT_EQ(copy.url, url);
    EXPECT_FALSE(panel.entry_at(7, copy));
}

TEST(LinkWidget, PicturesShrinkToTheirScale) {
    sandbox sb;
    const QString tall = olvex::to_qstring(sb.path(L"tall.png"));
    const QString short_one = olvex::to_qstring(sb.path(L"short.png"));
    QImage(10, 100, QImage::Format_RGB32).save(tall);
    QImage(10, 60, QImage::Format_RGB32).save(short_one);
    LinkWidget panel;
    panel.set_fixed_rows(5);
    const QString url = QStringLiteral("https://example.org/");
    panel.add_entry(make(olvex::entry_image, tall, url));
    panel.add_entry(make(olvex::entry_image, short_one, url));
    panel.add_entry(make(olvex::entry_image, olvex::to_qstring(sb.path(L"missing.png")), url));
    ASSERT_TRUE(panel.row_link(0) && panel.row_link(1) && panel.row_link(2));
    EXPECT_EQ(panel.row_link(0)->pixmap(Qt::ReturnByValue).height(), 75);
    EXPECT_EQ(panel.row_link(1)->pixmap(Qt::ReturnByValue).height(), 60);
    HoverLink* missing = panel.row_link(2);
    EXPECT_FALSE(missing->shows_pixmap());
    EXPECT_TRUE(missing->link_text().isEmpty());
    EXPECT_TRUE(missing->url().isEmpty());
    EXPECT_FALSE(missing->isEnabled());
}

TEST(LinkWidget, MirroredRowsGetMenuTwins) {
    LinkWidget panel;
    panel.set_fixed_rows(10);
    const struct {
        uint32_t kind;
        int twin_kind;  // -1: no twin
    } rows[] = {{olvex::entry_link, olvex::entry_menu_item},
                {olvex::entry_bold_link, olvex::entry_menu_item},
                {olvex::entry_image, -1},
                {olvex::entry_text, olvex::entry_menu_disabled},
                {olvex::entry_blank, -1}};
    for (const auto& r : rows) {
        panel.clear();
        link_entry e = make(r.kind | olvex::entry_mirrored, "text", "https://example.org/");
        e.user_value = 42;
        ASSERT_EQ(panel.add_entry(e), 0);
        ASSERT_EQ(panel.entry_count(), r.twin_kind < 0 ? 1 : 2) << r.kind;
        if (r.twin_kind < 0) continue;
        link_entry twin;
        ASSERT_TRUE(panel.entry_at(1, twin));
        EXPECT_EQ(twin.kind, uint32_t(r.twin_kind));
        EXPECT_EQ(twin.text, QStringLiteral("text"));
        EXPECT_EQ(twin.user_value, 42);
    }
}

TEST(LinkWidget, SubmenusAreSharedAndGoWithTheirLastEntry) {
    LinkWidget panel;
    EXPECT_EQ(panel.add_submenu_entry("my links", make(olvex::entry_link, "a row")), -1);
    EXPECT_EQ(panel.add_submenu_entry("", make(olvex::entry_menu_item, "no title")), -1);
    ASSERT_EQ(panel.add_submenu_entry("my links", make(olvex::entry_menu_item, "one")), 0);
    ASSERT_EQ(panel.add_submenu_entry("My Links", make(olvex::entry_menu_item, "two")), 1);
    const QList<QMenu*> subs = panel.links_menu()->findChildren<QMenu*>("sm_MYLINKS");
    ASSERT_EQ(subs.size(), 1);
    EXPECT_EQ(subs[0]->actions().size(), 2);
    EXPECT_EQ(subs[0]->title(), QStringLiteral("my links"));
    EXPECT_TRUE(panel.remove_entry(0));
    EXPECT_EQ(panel.links_menu()->findChildren<QMenu*>("sm_MYLINKS").size(), 1);
    EXPECT_TRUE(panel.remove_entry(0));
    EXPECT_TRUE(panel.links_menu()->findChildren<QMenu*>("sm_MYLINKS").isEmpty());
    EXPECT_TRUE(panel.links_menu()->actions().isEmpty());
    EXPECT_FALSE(panel.findChild<QToolButton*>("drop_btn")->isEnabled());
    EXPECT_FALSE(panel.remove_entry(0));
}

TEST(LinkWidget, RowsUpToTheCapacityInListOrder) {
    LinkWidget panel;
    panel.set_fixed_rows(2);
    for (const char* text : {"a", "b", "c"}) panel.add_entry(make(olvex::entry_link, text, "https://example.org/"));
    panel.add_entry(make(olvex::entry_menu_item, "menu"));
    EXPECT_EQ(panel.shown_rows(), 2);
    EXPECT_EQ(panel.row_link(2), nullptr);
    // An entry that already has a row keeps it when it changes.
    ASSERT_TRUE(panel.set_entry(1, make(olvex::entry_link, "b2", "https://example.org/")));
    ASSERT_NE(panel.row_link(1), nullptr);
    EXPECT_EQ(panel.row_link(1)->link_text(), QStringLiteral("b2"));
    // Removing a shown row brings the next one in.
    ASSERT_TRUE(panel.remove_entry(0));
    ASSERT_TRUE(panel.row_link(0) && panel.row_link(1));
    EXPECT_EQ(panel.row_link(1)->link_text(), QStringLiteral("c"));

    EXPECT_EQ(panel.remove_rows(), 2);
    EXPECT_EQ(panel.entry_count(), 1);
    EXPECT_EQ(panel.remove_menu_entries(), 1);
    EXPECT_EQ(panel.entry_count(), 0);
}

// Without a fixed count the panel shows as many rows as its height holds: each shown row lies
// wholly inside the panel, and the room left under the last one would not hold another.
TEST(LinkWidget, AutomaticRowsAreThoseThatFit) {
    QWidget host;  // a top-level panel could not be made lower than its layout
    auto& panel = *new LinkWidget(&host);
    const int entries = 12;
    for (int i = 0; i < entries; ++i) panel.add_entry(make(olvex::entry_link, QString::number(i), "https://example.org/"));
    host.show();
    int pitch = 0;
    for (int height = 10; height <= 400; height += 7) {
        panel.resize(300, height);
        QApplication::processEvents();
        const int shown = panel.shown_rows();
        ASSERT_GE(shown, 1) << height;
        for (int i = 0; i < entries; ++i) EXPECT_EQ(panel.row_link(i) != nullptr, i < shown) << height << " " << i;
        const QRect last = panel.row_link(shown - 1)->geometry();
        if (shown >= 2) pitch = last.top() - panel.row_link(shown - 2)->geometry().top();
        if (shown > 1) {
            EXPECT_LE(last.bottom(), panel.height() - 1) << height << ": the last row is cut";
            EXPECT_EQ(last.height(), panel.row_link(shown - 1)->sizeHint().height()) << height << ": squeezed rows";
        }
        if (shown < entries && pitch > 0) {
            EXPECT_GT(last.bottom() + pitch, panel.height() - 1) << height << ": room for one more";
        }
    }
    EXPECT_GT(pitch, 0);
    panel.resize(300, 2000);
    QApplication::processEvents();
    EXPECT_EQ(panel.shown_rows(), entries);
}

TEST(LinkWidget, ShufflePutsRowsAfterTheMenuEntries) {
    LinkWidget panel;
    panel.set_fixed_rows(5);
    panel.set_random_source([] { return 0u; });
    for (const char* text : {"A", "B"}) panel.add_entry(make(olvex::entry_link, text, "https://example.org/"));
    panel.add_entry(make(olvex::entry_menu_item, "menu"));
    panel.add_entry(make(olvex::entry_link, "C", "https://example.org/"));
    panel.shuffle_rows();
    // Taken out last first (C B A); each place swapped with place 0: B C A, then A C B.
    QStringList order;
    link_entry e;
    for (int i = 0; i < panel.entry_count(); ++i) order << (panel.entry_at(i, e) ? e.text : QString());
    EXPECT_EQ(order, QStringList({"menu", "A", "C", "B"}));
    EXPECT_EQ(panel.shown_rows(), 3);
    EXPECT_EQ(panel.row_link(2)->link_text(), QStringLiteral("C"));
}

TEST(LinkWidget, ClearKeepsTheNavigationRowsVisibility) {
    LinkWidget panel;
    panel.set_navigation(true, true, true);
    panel.set_navigation_text("page 1", false);
    panel.set_text("Heading", false);
    panel.add_entry(make(olvex::entry_link, "row", "https://example.org/"));
    panel.add_submenu_entry("group", make(olvex::entry_menu_item, "item"));
    panel.clear();
    EXPECT_EQ(panel.entry_count(), 0);
    EXPECT_TRUE(panel.links_menu()->actions().isEmpty());
    EXPECT_TRUE(panel.text().isEmpty());
    EXPECT_TRUE(panel.findChild<QLabel*>("title_lab")->font().bold());
    EXPECT_TRUE(panel.navigation_text().isEmpty());
    EXPECT_TRUE(panel.navigation_visible());
    EXPECT_FALSE(panel.findChild<QToolButton*>("fwd_btn")->isEnabled());
    EXPECT_FALSE(panel.findChild<QToolButton*>("bak_btn")->isEnabled());
}

TEST(LinkWidget, MenuItemsOpenOrActivate) {
    struct activating : LinkWidget {
        QList<int> activated;
        void activate_entry(int index) override { activated << index; }
    } panel;
    opened_urls urls;
    panel.add_entry(make(olvex::entry_menu_item, "opens", "https://example.org/page"));
    panel.add_entry(make(olvex::entry_menu_item | olvex::entry_activates, "activates", "https://example.org/no"));
    panel.add_entry(make(olvex::entry_menu_item, "nothing"));
    for (QAction* a : panel.links_menu()->actions()) a->trigger();
    ASSERT_EQ(urls.list().size(), 1);
    EXPECT_EQ(urls.list()[0], QUrl(QStringLiteral("https://example.org/page")));
    EXPECT_EQ(panel.activated, QList<int>({1}));
}

TEST(LinkWidget, HeadingScrollSteps) {
    int counter = 0;
    QStringList shown;
    do shown << olvex::heading_scroll_step(QStringLiteral("Abc"), counter);
    while (counter != 0);
    EXPECT_EQ(shown, QStringList({"bc ", "c A", " Ab", "Abc"}));
    counter = 0;
    EXPECT_EQ(olvex::heading_scroll_step(QStringLiteral("A"), counter), QStringLiteral("A"));
    EXPECT_EQ(counter, 0);  // one character doesn't scroll
    counter = -5;
    EXPECT_EQ(olvex::heading_scroll_step(QStringLiteral("Abcd"), counter), QStringLiteral("Abcd"));
    EXPECT_EQ(counter, 0);
}

TEST(LinkWidget, SweepGoesDownAndUpTwice) {
    int counter = 0;
    QList<int> lit;
    do lit << olvex::sweep_step(2, 3, counter);
    while (counter != 0);
    EXPECT_EQ(lit, QList<int>({0, 1, 2, -1, 2, 1, 0, -1, -1}));
}

TEST(LinkWidget, AnimationTicks) {
    LinkWidget panel;
    panel.set_fixed_rows(5);
    for (const char* text : {"a", "b", "c"}) panel.add_entry(make(olvex::entry_link, text, "https://example.org/"));
    panel.set_text(QStringLiteral("A"), true);
    auto tick = [&] {
        QTimerEvent e(panel.animation_timer_id());
        QApplication::sendEvent(&panel, &e);
    };
    panel.set_animation(1);
    ASSERT_NE(panel.animation_timer_id(), 0);
    tick();  // a heading of one character ends the scroll at once
    EXPECT_EQ(panel.animation_mode(), 0);
    EXPECT_EQ(panel.animation_timer_id(), 0);

    panel.set_highlight_color(QStringLiteral("#ff0"));
    panel.set_animation(3);
    panel.set_animation(1);  // another mode while one runs does nothing
    EXPECT_EQ(panel.animation_mode(), 3);
    tick();  // heading ends; the rows follow
    EXPECT_EQ(panel.animation_mode(), 3);
    QList<int> lit;
    for (int n = 0; n < 9 && panel.animation_mode() != 0; ++n) {
        tick();
        int at = -1;
        for (int i = 0; i < 3; ++i)
            if (panel.row_link(i)->link_color() == QStringLiteral("#ff0")) at = i;
        lit << at;
    }
    EXPECT_EQ(lit, QList<int>({0, 1, 2, -1, 2, 1, 0, -1, -1}));
    EXPECT_EQ(panel.animation_mode(), 0);
    EXPECT_EQ(panel.row_link(0)->link_color(), QStringLiteral("blue"));
}

TEST(LinkWidget, AlignmentMovesHeadingAndRows) {
    LinkWidget panel;
    panel.set_fixed_rows(2);
    panel.add_entry(make(olvex::entry_link, "row", "https://example.org/"));
    panel.set_alignment(Qt::AlignRight | Qt::AlignTop);
    EXPECT_EQ(panel.findChild<QLabel*>("title_lab")->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(panel.row_link(0)->alignment(), Qt::AlignRight | Qt::AlignTop);
    auto* title_layout = panel.findChild<QLayout*>("title_layout");
    ASSERT_TRUE(title_layout);
    EXPECT_EQ(title_layout->indexOf(panel.findChild<QToolButton*>("drop_btn")), 0);
    panel.set_alignment(Qt::AlignLeft | Qt::AlignBottom);
    EXPECT_EQ(title_layout->indexOf(panel.findChild<QToolButton*>("drop_btn")), 1);
}

}  // namespace
