#include "gui/shell/commerce_widget.h"

#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"

#include <QDate>
#include <QLocale>
#include <QTimerEvent>

#include <limits>

namespace olvex {

namespace {

constexpr int rotation_unit_ms = 125;
constexpr int ticks_per_change = 8;
constexpr int history_limit = 1000;
constexpr int draws_against_repeat = 4;

}  // namespace

QString normalise_regions(const QString& regions) {
    QString out;
    for (QChar c : regions.trimmed().toUpper())
        if (!c.isSpace()) out += c;
    return out;
}

bool ad_matches(const ad_entry& ad, const QString& country, int32_t day, QString& key) {
    key.clear();
    if (day < ad.first_day || (ad.end_day > 0 && day >= ad.end_day)) return false;
    const QString& rule = ad.regions;
    if (!country.isEmpty() && !rule.isEmpty() && rule.indexOf(QLatin1Char(':')) != 2) return false;
    if (country.size() <= 1 || rule.isEmpty()) {
        key = rule.left(2);
        return true;
    }
    const QString h = QLatin1Char('/') + rule + QLatin1Char('/');
    const QString patterns[] = {QLatin1Char(':') + country + QLatin1Char(','), QLatin1Char(':') + country + QLatin1Char('/'),
                                QLatin1Char(',') + country + QLatin1Char('/'), QLatin1Char(',') + country + QLatin1Char(','),
                                QStringLiteral(":**/"), QStringLiteral(",**/"), QStringLiteral(":**,"), QStringLiteral(",**,")};
    for (const QString& pattern : patterns) {
        const int at = h.indexOf(pattern);
        if (at < 0) continue;
        const int colon = h.lastIndexOf(QLatin1Char(':'), at);
        if (colon < 3) return false;
        key = h.mid(colon - 2, 2);
        return true;
    }
    return false;
}

QString country_of_locale(const QString& locale_name) {
    QString code = locale_name;
    const int underscore = code.indexOf(QLatin1Char('_'));
    if (underscore >= 0) code = code.mid(underscore + 1).toUpper();
    return code.size() == 2 || code.size() == 3 ? code : QStringLiteral("?");
}

CommerceWidget::CommerceWidget(QWidget* parent) : LinkWidget(parent) {
    CommerceWidget::clear();
    set_navigation(true, false, false);
}

CommerceWidget::~CommerceWidget() { stop_rotation(); }

QString CommerceWidget::system_country() { return country_of_locale(QLocale().name()); }

void CommerceWidget::clear() {
    stop_rotation();
    LinkWidget::clear();
    ads_.clear();
    history_.clear();
    id_counter_ = 0;
    today_ = static_cast<int32_t>(QDate::currentDate().toJulianDay());
    current_ = -1;
    country_ = system_country();
}

QString CommerceWidget::country() const { return country_; }

void CommerceWidget::set_country(const QString& code) {
    const QString normal = code.trimmed().toUpper();
    if (normal == country_) return;
    country_ = normal;
    history_.clear();
}

int32_t CommerceWidget::date() const { return today_; }

void CommerceWidget::set_date(int32_t day) { today_ = day; }

int CommerceWidget::add_ad(const ad_entry& ad) { return set_ad(ad_count(), ad) ? ad_count() - 1 : -1; }

bool CommerceWidget::set_ad(int index, const ad_entry& ad) {
    if (index < 0 || index > ad_count()) return false;
    ad_entry copy = ad;
    copy.regions = normalise_regions(ad.regions);
    copy.id = ++id_counter_;
    if (index == ad_count()) {
        ads_.append(copy);
        history_.clear();
    } else {
        ads_[index] = copy;
    }
    return true;
}

bool CommerceWidget::ad_at(int index, ad_entry& out) const {
    if (index < 0 || index >= ad_count()) return false;
    out = ads_[index];
    return true;
}

bool CommerceWidget::remove_ad(int index) {
    if (index < 0 || index >= ad_count()) return false;
    ads_.removeAt(index);
    // The current index keeps pointing at the ad it showed.
    if (index < current_) --current_;
    if (current_ == ad_count()) --current_;
    history_.clear();
    return true;
}

int CommerceWidget::ad_count() const { return ads_.size(); }

int CommerceWidget::eligible_count() const {
    if (country_.isEmpty()) return ad_count();
    int n = 0;
    QString key;
    for (const ad_entry& ad : ads_)
        if (ad_matches(ad, country_, today_, key)) ++n;
    return n;
}

int CommerceWidget::eligible_index(int n) const {
    if (n < 0 || n >= ad_count()) return -1;
    if (country_.isEmpty()) return n;
    QString key;
    for (int i = 0; i < ad_count(); ++i)
        if (ad_matches(ads_[i], country_, today_, key) && n-- == 0) return i;
    return -1;
}

int CommerceWidget::eligible_at_most_two() const {
    if (country_.isEmpty()) return std::min(2, ad_count());
    int n = 0;
    QString key;
    for (int i = 0; i < ad_count() && n < 2; ++i)
        if (ad_matches(ads_[i], country_, today_, key)) ++n;
    return n;
}

int CommerceWidget::current_ad() const { return current_; }

bool CommerceWidget::show_ad(int index) {
    if (index < 0) index = current_ >= 0 ? current_ : eligible_index(0);
    // The caller may be one of the menu's own actions: its deletion waits for the event loop.
    clear_entries(true);
    const bool valid = index >= 0 && index < ad_count();
    if (valid) {
        const ad_entry& ad = ads_[index];
        set_text(ad.title, true);
        set_navigation_text(ad.navigation_text, ad.navigation_greyed);
        QString key;
        ad_matches(ad, country_, today_, key);
        for (link_entry e : ad.entries) {
            e.row = nullptr;
            e.action = nullptr;
            if (!key.isEmpty()) e.url.replace(QStringLiteral("<CC>"), key);
            add_entry(e);
        }
        if (ad.shuffle) shuffle_rows();
        current_ = index;
        if (history_.size() > history_limit) history_.clear();
        history_.append(index);
    }
    set_navigation(navigation_visible(), eligible_at_most_two() >= 2, history_.size() > 1);

    link_entry separator;
    separator.kind = entry_menu_separator;
    add_entry(separator);
    QString key;
    for (const ad_entry& ad : ads_) {
        if (!ad.in_menu || ad.title.isEmpty() || !ad_matches(ad, country_, today_, key)) continue;
        link_entry item;
        item.kind = entry_menu_item | entry_activates;
        item.text = ad.title;
        const int at = add_submenu_entry(ad.menu_group, item);
        if (at >= 0) set_entry_ad_id(at, ad.id);
    }
    return valid;
}

int CommerceWidget::show_random_ad() {
    std::vector<int64_t> weights;
    int64_t sum = 0;
    QString key;
    for (const ad_entry& ad : ads_) {
        const bool drawn = ad.weight > 0 && (country_.isEmpty() || ad_matches(ad, country_, today_, key));
        weights.push_back(drawn ? ad.weight : 0);
        sum += weights.back();
        if (sum > std::numeric_limits<int32_t>::max()) return -1;
    }
    if (sum == 0) return -1;
    int pick = -1;
    for (int n = 0; n < draws_against_repeat; ++n) {
        pick = pick_by_weight(weights, static_cast<int64_t>(draw() % static_cast<uint64_t>(sum)));
        if (pick != current_) break;
    }
    show_ad(pick);
    return pick;
}

void CommerceWidget::activate_entry(int index) {
    const link_entry* e = entry(index);
    if (!e || e->ad_id <= 0) return;
    const int32_t id = e->ad_id;
    for (int i = 0; i < ad_count(); ++i)
        if (ads_[i].id == id) {
            show_ad(i);
            return;
        }
}

void CommerceWidget::previous_page() {
    if (ad_count() < 2) return;
    const int at = history_.size() - 2;
    if (at >= 0) {
        const int index = history_[at];
        history_.erase(history_.begin() + at, history_.end());
        show_ad(index);
    }
    if (rotation_interval_ > 0) start_rotation(rotation_interval_, rotation_mode_);
}

void CommerceWidget::next_page() {
    if (ad_count() < 2) return;
    if (show_random_ad() < 0) show_ad((current_ + 1) % ad_count());
    if (rotation_interval_ > 0) start_rotation(rotation_interval_, rotation_mode_);
}

bool CommerceWidget::start_rotation(int interval, int mode) {
    stop_rotation();
    if (interval <= 0) return true;
    if (eligible_at_most_two() < 2) return true;
    rotation_mode_ = interval >= 10 ? mode : 0;
    rotation_interval_ = interval;
    rotation_timer_ = startTimer(interval * rotation_unit_ms, Qt::CoarseTimer);
    return rotation_timer_ != 0;
}

int CommerceWidget::rotation_interval() const { return rotation_interval_; }

void CommerceWidget::stop_rotation() {
    if (rotation_timer_ != 0) killTimer(rotation_timer_);
    rotation_timer_ = 0;
    rotation_mode_ = 0;
    ticks_ = 0;
    rotation_interval_ = 0;
    postponed_ = false;
}

void CommerceWidget::timerEvent(QTimerEvent* event) {
    if (rotation_timer_ == 0 || event->timerId() != rotation_timer_) {
        LinkWidget::timerEvent(event);
        return;
    }
    ++ticks_;
    if (ticks_ % ticks_per_change == 0 || postponed_) {
        if (cursor_inside()) {
            postponed_ = true;
            return;
        }
        if (show_random_ad() < 0) {
            stop_rotation();
            return;
        }
        ticks_ = 0;
        postponed_ = false;
        set_animation(rotation_mode_ == 3 ? 1 : rotation_mode_);
    } else if (ticks_ % ticks_per_change == ticks_per_change / 2 && rotation_mode_ == 3 && !cursor_inside()) {
        set_animation(2);
    }
}

ZyCommerce::ZyCommerce(QWidget* parent) : CommerceWidget(parent) {
    set_menu_button_visible(false);
    apply_theme();
}

void ZyCommerce::apply_theme() {
    zyapp& app = zyapp::instance();
    const int theme = app.settings().get_theme_color();
    const bool dark =
        pick_by_brightness(theme_style_sheet(theme, theme_background), "WHITE", "BLACK") == "WHITE";
    const bool portable = app.is_portable();
    const QString banner = portable ? QString::fromStdString(theme_style_sheet(theme, theme_banner_image)) : QString();
    if (!first_build_ && banner == banner_ && dark == dark_) return;
    clear();
    if (!banner.isEmpty()) {
        set_navigation(false, true, true);
        set_alignment(Qt::AlignRight | Qt::AlignTop);
        ad_entry ad;
        ad.navigation_greyed = true;
        ad.in_menu = true;
        ad.weight = 1;
        link_entry picture;
        picture.kind = entry_image;
        picture.text = banner;
        picture.url = web_page_url(web_page::product).toString();
        picture.scale = 1.25;
        ad.entries.append(picture);
        add_ad(ad);
        setVisible(true);
        show_ad(-1);
    } else {
        hide();
    }
    banner_ = banner;
    dark_ = dark;
    first_build_ = false;
}

}  // namespace olvex
