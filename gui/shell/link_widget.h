#pragma once
// A panel of link entries: a heading with a drop-down button for a menu of further links, a
// navigation row with back and forward arrows, and a column of link rows (as many as fit), with
// a 150 ms animation that scrolls the heading or sweeps a highlight over the rows. Activating an
// entry and paging are left to a subclass.
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace Ui {
class link_widget;
}

namespace olvex {

class HoverLink;

// Kinds of entries (the low four bits of link_entry::kind) and the flags above them.
enum : uint32_t {
    entry_link = 0,            // row link
    entry_bold_link = 1,       // row link in bold
    entry_image = 2,           // row picture loaded from the text, opening the url
    entry_text = 3,            // greyed row text
    entry_blank = 4,           // blank row
    entry_menu_item = 5,       // menu item
    entry_menu_disabled = 6,   // greyed menu item
    entry_menu_separator = 7,  // menu separator
    entry_kind_mask = 0x0F,
    entry_activates = 0x10,  // the menu item asks the panel to activate it instead of opening a url
    entry_mirrored = 0x20,   // a row that gets a twin in the menu
};

struct link_entry {
    uint32_t kind = entry_link;
    QString text;  // for a picture: its file or resource path
    QString url;
    int64_t user_value = 0;
    double scale = 2.5;  // a picture's largest height in reference row heights
    HoverLink* row = nullptr;
    QAction* action = nullptr;
    int32_t ad_id = 0;

    uint32_t kind_only() const { return kind & entry_kind_mask; }
    bool is_row() const { return kind_only() <= entry_blank; }
};

// Returns the text a heading of n characters shows at the next scroll step; counter steps on (to
// 0 at the end of a pass, where the heading shows unchanged).
QString heading_scroll_step(const QString& heading, int& counter);
// Returns the row to highlight at the next sweep step over rows rows in passes passes, -1 for
// none; counter steps on (to 0 at the end).
int sweep_step(int passes, int rows, int& counter);
// Returns the index that a weighted draw r (0 <= r < sum of weights) picks: the first whose
// running total exceeds r; -1 when none does.
int pick_by_weight(const std::vector<int64_t>& weights, int64_t r);

class LinkWidget : public QWidget {
    Q_OBJECT

public:
    explicit LinkWidget(QWidget* parent = nullptr);
    ~LinkWidget() override;

    // Left to a subclass: activate the entry at index, show the next or the previous page.
    virtual void activate_entry(int index);
    virtual void next_page();
    virtual void previous_page();
    // Removes every entry, row, menu item and submenu at once.
    virtual void clear();

    virtual QString text() const;
    virtual void set_text(const QString& text, bool bold);
    virtual bool navigation_visible() const;
    virtual void set_navigation(bool visible, bool forward_enabled, bool back_enabled);
    virtual QString navigation_text() const;
    virtual void set_navigation_text(const QString& text, bool greyed);
    virtual bool menu_button_visible() const;
    virtual void set_menu_button_visible(bool visible);

    // Returns the new entry's index, -1 on failure. A mirrored row gets a menu twin after it.
    virtual int add_entry(const link_entry& entry);
    // Returns the new menu entry's index under the submenu title, -1 for a row kind or no title.
    virtual int add_submenu_entry(const QString& title, const link_entry& entry);
    // Stores entry at index (the count appends). Returns false for an index outside 0..count or a
    // kind above 7.
    virtual bool set_entry(int index, const link_entry& entry);
    // Copies kind, texts, user value and scale; false for an index outside the list.
    virtual bool entry_at(int index, link_entry& out) const;
    virtual bool remove_entry(int index);
    // Return how many entries went.
    virtual int remove_rows();
    virtual int remove_menu_entries();
    // Return the first index whose text (and kind) is equal; -1 when none.
    virtual int find_entry(const QString& text, uint32_t kind) const;
    virtual int find_entry(const QString& text) const;
    virtual int entry_count() const;
    virtual int row_count() const;
    virtual int menu_entry_count() const;

    virtual int fixed_rows() const;
    // n above 0 fixes the number of rows; 0 lets the height decide.
    virtual void set_fixed_rows(int n);
    virtual void shuffle_rows();
    // 0 stops; 1 scrolls the heading once, 2 sweeps the rows twice, 3 does both in turn. Another
    // mode while one runs does nothing.
    virtual void set_animation(int mode);
    virtual Qt::Alignment alignment() const;
    virtual void set_alignment(Qt::Alignment flags);

    virtual QString link_color() const;
    virtual void set_link_color(const QString& color);
    virtual QString visited_color() const;
    virtual void set_visited_color(const QString& color);
    virtual QString highlight_color() const;
    virtual void set_highlight_color(const QString& color);
    // Returns the number of rows whose link was opened.
    virtual int visited_count() const;
    virtual bool cursor_inside() const;

    int animation_mode() const { return anim_mode_; }
    int animation_timer_id() const { return anim_timer_; }
    int reference_height() const { return reference_height_; }
    // Returns the rows shown now.
    int shown_rows() const { return shown_rows_; }
    // Returns the row link of the entry at index, null when it has none.
    HoverLink* row_link(int index) const;
    QMenu* links_menu() const { return menu_; }

    // The draws of shuffle_rows and of subclasses (default: qrand); tests give a fixed sequence.
    void set_random_source(std::function<uint32_t()> source);

protected:
    void timerEvent(QTimerEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    uint32_t draw();
    // later: detach rows, actions and submenus and delete them from the event loop (the caller
    // may be inside one of their signals).
    void clear_entries(bool later);
    // Returns the entry at index, null outside the list.
    const link_entry* entry(int index) const;
    // Marks the entry at index as the menu entry of that ad.
    void set_entry_ad_id(int index, int32_t ad_id);
    Ui::link_widget& form() { return *ui_; }

private slots:
    void on_menu_triggered(QAction* action);
    void on_drop_btn_clicked();
    void on_bak_btn_clicked();
    void on_fwd_btn_clicked();

private:
    bool store_entry(int index, const link_entry& entry, QMenu* submenu);
    int row_capacity() const;
    void lay_out_rows();
    void build_row(link_entry& e, bool show);
    void delete_row(link_entry& e);
    void delete_action(link_entry& e);
    void refresh_drop_button();
    void apply_row_colors(link_entry& e, bool highlighted);
    void highlight_row(int position);

    std::unique_ptr<Ui::link_widget> ui_;
    std::vector<std::unique_ptr<link_entry>> entries_;
    QString heading_;
    QMenu* menu_ = nullptr;
    std::vector<QMenu*> submenus_;
    Qt::Alignment alignment_ = Qt::Alignment();
    int reference_height_ = 30;
    int anim_timer_ = 0;
    int anim_mode_ = 0;
    bool anim_heading_phase_ = true;
    int anim_counter_ = 0;
    int shown_rows_ = 0;
    int menu_entries_ = 0;
    int fixed_rows_ = -1;
    int last_capacity_ = -1;
    bool navigation_visible_ = false;
    QString link_color_ = QStringLiteral("blue");
    QString visited_color_ = QStringLiteral("purple");
    QString highlight_color_ = QStringLiteral("yellow");
    std::function<uint32_t()> random_;
};

}  // namespace olvex
