#pragma once
// A link panel that shows one of a list of ads at a time: chosen at random by weight among those
// meant for the user's country and today, changed at an interval while the mouse is away, with
// a history for the back button and a menu of ads. ZyCommerce is the job window's panel: hidden
// in an installed copy, one banner that opens the product page in a portable copy.
#include "gui/shell/link_widget.h"

#include <QList>

namespace olvex {

struct ad_entry {
    QString title;
    QString navigation_text;
    bool navigation_greyed = false;
    bool shuffle = false;
    bool in_menu = false;
    int32_t first_day = 0;  // Julian day numbers of the local date
    int32_t end_day = 0;    // not eligible from this day on; 0 or less: no end
    int32_t weight = 0;     // 0 or less is never drawn
    QString menu_group;
    QString regions;  // "KK:C1,C2/KK:**": a key, ":" and the countries it stands for
    QList<link_entry> entries;
    int32_t id = 0;
};

// Returns a country rule trimmed, upper-cased and without blanks.
QString normalise_regions(const QString& regions);
// Returns whether the ad is meant for country on day, with key the two letters that stand for
// it in the ad's addresses.
bool ad_matches(const ad_entry& ad, const QString& country, int32_t day, QString& key);
// Returns the country part of a locale name such as "en_GB", upper-cased; "?" when it is not 2 or
// 3 letters long.
QString country_of_locale(const QString& locale_name);

class CommerceWidget : public LinkWidget {
    Q_OBJECT

public:
    explicit CommerceWidget(QWidget* parent = nullptr);
    ~CommerceWidget() override;

    void activate_entry(int index) override;
    void next_page() override;
    void previous_page() override;
    void clear() override;

    virtual QString country() const;
    // A changed code is stored trimmed and upper-cased and empties the history.
    virtual void set_country(const QString& code);
    virtual int32_t date() const;
    virtual void set_date(int32_t day);
    // Returns the new ad's index, -1 on failure.
    virtual int add_ad(const ad_entry& ad);
    // Stores ad at index (the count appends); false outside 0..count.
    virtual bool set_ad(int index, const ad_entry& ad);
    virtual bool ad_at(int index, ad_entry& out) const;
    // Returns the index of the n-th ad eligible for the country today (n itself without a
    // country); -1 for n outside the list or no such ad.
    virtual int eligible_index(int n) const;
    // Returns whether an ad went.
    virtual bool remove_ad(int index);
    virtual int ad_count() const;
    // Returns the number of ads eligible for the country today: the ad count without a country.
    virtual int eligible_count() const;
    virtual int current_ad() const;
    // index -1 shows the current ad (or the first eligible). Returns whether an ad was shown.
    virtual bool show_ad(int index);
    // Returns the index shown, -1 when nothing could be drawn.
    virtual int show_random_ad();
    // interval in 125 ms units; mode the animation after each change (0-3). Returns whether the
    // rotation runs or was meant to stay off.
    virtual bool start_rotation(int interval, int mode);
    virtual int rotation_interval() const;
    virtual void stop_rotation();

    // Returns the country of the application's default locale.
    static QString system_country();
    const QList<int>& history() const { return history_; }
    int rotation_mode() const { return rotation_mode_; }
    int rotation_timer_id() const { return rotation_timer_; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void reset_ads();
    // Returns min(2, eligible ads) as the forward button counts them.
    int eligible_at_most_two() const;

    int32_t id_counter_ = 0;
    int32_t today_ = 0;
    int ticks_ = 0;
    bool postponed_ = false;
    int rotation_interval_ = 0;
    int rotation_mode_ = 0;
    int rotation_timer_ = 0;
    int current_ = -1;
    QString country_;
    QList<ad_entry> ads_;
    QList<int> history_;
};

class ZyCommerce : public CommerceWidget {
    Q_OBJECT

public:
    explicit ZyCommerce(QWidget* parent);

    // Rebuilds the panel when the banner picture or the darkness of the theme changed.
    void apply_theme();

private:
    QString banner_;
    bool dark_ = false;
    bool first_build_ = true;
};

}  // namespace olvex
