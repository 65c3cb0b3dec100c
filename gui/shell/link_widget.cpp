#include "gui/shell/link_widget.h"

#include "gui/shell/hover_link.h"

#include "ui_link_widget.h"

#include <QAction>
#include <QCursor>
#include <QDesktopServices>
#include <QMenu>
#include <QPixmap>
#include <QTimerEvent>
#include <QUrl>

#include <algorithm>

namespace olvex {

namespace {

constexpr int animation_period_ms = 150;
constexpr int sweep_passes = 2;

QString doubled_ampersands(QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); }

uint32_t qt_random() {
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    return static_cast<uint32_t>(qrand());
    QT_WARNING_POP
}

}  // namespace

QString heading_scroll_step(const QString& heading, int& counter) {
    const int n = heading.size();
    if (counter < 0 || counter >= n + n / 2 - 1) {
        counter = 0;
        return heading;
    }
    ++counter;
    const QString once = heading + QString(n / 2, QLatin1Char(' '));
    return (once + once).mid(counter, n);
}

int sweep_step(int passes, int rows, int& counter) {
    const int period = rows + 1;
    if (counter < 0 || counter >= passes * period) {
        counter = 0;
        return -1;
    }
    const int b = counter++;
    const int position = (b / period) % 2 == 0 ? b % period : rows - b % period - 1;
    return position < rows ? position : -1;
}

int pick_by_weight(const std::vector<int64_t>& weights, int64_t r) {
    int64_t total = 0;
    for (size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] <= 0) continue;
        total += weights[i];
        if (total > r) return static_cast<int>(i);
    }
    return -1;
}

LinkWidget::LinkWidget(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::link_widget>()) {
    // The links menu exists before the form connects its slots by name.
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("menu"));
    ui_->setupUi(this);
    LinkWidget::clear();
    LinkWidget::set_fixed_rows(0);
    LinkWidget::set_alignment(Qt::AlignLeft | Qt::AlignTop);
    // A plain child label's height is the unit that pictures are scaled by.
    QLabel probe(this);
    reference_height_ = probe.height();
}

LinkWidget::~LinkWidget() {
    try {
        clear_entries(false);
    } catch (...) {
    }
}

void LinkWidget::activate_entry(int) {}
void LinkWidget::next_page() {}
void LinkWidget::previous_page() {}

void LinkWidget::clear() { clear_entries(false); }

void LinkWidget::clear_entries(bool later) {
    set_animation(0);
    for (auto& e : entries_) {
        if (e->row) {
            ui_->lab_layout->removeWidget(e->row);
            e->row->hide();
            if (later) {
                e->row->setParent(nullptr);
                e->row->deleteLater();
            } else {
                delete e->row;
            }
            e->row = nullptr;
        }
        if (e->action) {
            for (QWidget* w : e->action->associatedWidgets()) w->removeAction(e->action);
            if (later) {
                e->action->setParent(nullptr);
                e->action->deleteLater();
            } else {
                delete e->action;
            }
            e->action = nullptr;
        }
    }
    for (QMenu* sub : submenus_) {
        menu_->removeAction(sub->menuAction());
        if (later) {
            sub->setParent(nullptr);
            sub->deleteLater();
        } else {
            delete sub;
        }
    }
    submenus_.clear();
    menu_->clear();
    entries_.clear();
    menu_entries_ = 0;
    shown_rows_ = 0;
    set_text(QString(), true);
    ui_->drop_btn->setEnabled(false);
    ui_->nav_lab->clear();
    ui_->bak_btn->setEnabled(false);
    ui_->fwd_btn->setEnabled(false);
}

QString LinkWidget::text() const { return heading_; }

void LinkWidget::set_text(const QString& text, bool bold) {
    heading_ = text;
    QFont f = ui_->title_lab->font();
    f.setBold(bold);
    ui_->title_lab->setFont(f);
    ui_->title_lab->setText(text);
}

bool LinkWidget::navigation_visible() const { return navigation_visible_; }

void LinkWidget::set_navigation(bool visible, bool forward_enabled, bool back_enabled) {
    navigation_visible_ = visible;
    ui_->nav_lab->setVisible(visible);
    ui_->bak_btn->setVisible(visible);
    ui_->fwd_btn->setVisible(visible);
    ui_->fwd_btn->setEnabled(forward_enabled);
    ui_->bak_btn->setEnabled(back_enabled);
}

QString LinkWidget::navigation_text() const { return ui_->nav_lab->text(); }

void LinkWidget::set_navigation_text(const QString& text, bool greyed) {
    ui_->nav_lab->setText(text);
    ui_->nav_lab->setEnabled(!greyed);
}

bool LinkWidget::menu_button_visible() const { return !ui_->drop_btn->isHidden(); }

void LinkWidget::set_menu_button_visible(bool visible) { ui_->drop_btn->setVisible(visible); }

const link_entry* LinkWidget::entry(int index) const {
    if (index < 0 || index >= static_cast<int>(entries_.size())) return nullptr;
    return entries_[static_cast<size_t>(index)].get();
}

void LinkWidget::set_entry_ad_id(int index, int32_t ad_id) {
    if (entry(index)) entries_[static_cast<size_t>(index)]->ad_id = ad_id;
}

HoverLink* LinkWidget::row_link(int index) const {
    const link_entry* e = entry(index);
    return e ? e->row : nullptr;
}

int LinkWidget::add_entry(const link_entry& e) {
    const int index = entry_count();
    if (!set_entry(index, e)) return -1;
    const uint32_t kind = e.kind_only();
    if ((e.kind & entry_mirrored) && kind != entry_blank && kind != entry_image && kind <= entry_text) {
        link_entry twin;
        twin.kind = kind == entry_text ? entry_menu_disabled : entry_menu_item;
        twin.text = e.text;
        twin.url = e.url;
        twin.user_value = e.user_value;
        twin.scale = e.scale;
        set_entry(index + 1, twin);
    }
    return index;
}

int LinkWidget::add_submenu_entry(const QString& title, const link_entry& e) {
    if (e.kind_only() < entry_menu_item || title.isEmpty()) return -1;
    QString name = QStringLiteral("sm_");
    for (QChar c : title.toUpper())
        if (c != QLatin1Char(' ')) name += c;
    QMenu* sub = nullptr;
    for (QMenu* m : submenus_)
        if (m->objectName() == name) sub = m;
    if (!sub) {
        sub = menu_->addMenu(doubled_ampersands(title));
        sub->setObjectName(name);
        submenus_.push_back(sub);
    }
    const int index = entry_count();
    return store_entry(index, e, sub) ? index : -1;
}

bool LinkWidget::set_entry(int index, const link_entry& e) { return store_entry(index, e, nullptr); }

bool LinkWidget::store_entry(int index, const link_entry& source, QMenu* submenu) {
    if (index < 0 || index > entry_count() || source.kind_only() > entry_menu_separator) {
        refresh_drop_button();
        return false;
    }
    if (index == entry_count()) entries_.push_back(std::make_unique<link_entry>());
    link_entry& e = *entries_[static_cast<size_t>(index)];
    e.kind = source.kind;
    e.text = source.text;
    e.url = source.url;
    e.user_value = source.user_value;
    e.scale = source.scale;

    const uint32_t kind = e.kind_only();
    // A row already shown stays shown when its entry changes.
    build_row(e, e.is_row() && (e.row || shown_rows_ < row_capacity()));
    if (e.is_row()) {
        delete_action(e);
    } else {
        QMenu* menu = submenu ? submenu : menu_;
        if (e.action) {
            e.action->setText(doubled_ampersands(e.text));
        } else {
            e.action = menu->addAction(doubled_ampersands(e.text));
            ++menu_entries_;
        }
        e.action->setEnabled(kind != entry_menu_disabled);
        e.action->setSeparator(kind == entry_menu_separator);
    }
    adjustSize();
    refresh_drop_button();
    return true;
}

void LinkWidget::refresh_drop_button() { ui_->drop_btn->setEnabled(menu_entries_ > 0); }

void LinkWidget::delete_row(link_entry& e) {
    if (!e.row) return;
    delete e.row;
    e.row = nullptr;
    --shown_rows_;
}

void LinkWidget::delete_action(link_entry& e) {
    if (!e.action) return;
    delete e.action;
    e.action = nullptr;
    --menu_entries_;
}

void LinkWidget::build_row(link_entry& e, bool show) {
    if (!show) {
        delete_row(e);
        return;
    }
    if (!e.row) {
        e.row = new HoverLink(this, QString(), QString());
        e.row->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        // In list order among the rows shown.
        int position = 0;
        for (const auto& other : entries_) {
            if (other.get() == &e) break;
            if (other->row) ++position;
        }
        ui_->lab_layout->insertWidget(position, e.row);
        ++shown_rows_;
    }
    HoverLink* row = e.row;
    const uint32_t kind = e.kind_only();
    if (kind == entry_image) {
        QPixmap picture(e.text);
        if (picture.isNull()) {
            row->set_pixmap(QPixmap());
            row->set_link_text(QString());
            row->set_url(QString());
            row->setEnabled(false);
        } else {
            const int most = static_cast<int>(reference_height_ * e.scale);
            if (most < picture.height()) picture = picture.scaledToHeight(most, Qt::SmoothTransformation);
            row->set_pixmap(picture);
            row->set_url(e.url);
            row->setEnabled(true);
        }
    } else {
        const QString text = kind == entry_blank ? QString() : e.text;
        row->setWordWrap(text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')));
        QFont f = row->font();
        f.setWeight(kind == entry_bold_link ? QFont::Bold : QFont::Normal);
        row->setFont(f);
        row->set_link_color(link_color_);
        row->set_visited_color(visited_color_);
        row->set_link_text(text);
        const bool link = kind == entry_link || kind == entry_bold_link;
        row->set_url(link ? e.url : QString());
        row->setEnabled(link);
    }
    row->setAlignment((alignment_ & Qt::Alignment(0x1F)) | Qt::AlignTop);
}

int LinkWidget::row_capacity() const {
    if (fixed_rows_ > 0) return fixed_rows_;
    // The rows get what the heading and the navigation row leave; a row more than fits would
    // squeeze them all.
    int room = contentsRect().height();
    for (const QLayout* above : {static_cast<QLayout*>(ui_->top_layout), static_cast<QLayout*>(ui_->top_layout_2)})
        if (!above->isEmpty()) room -= above->sizeHint().height();
    const int spacing = ui_->lab_layout->spacing();
    const int per_row = spacing + fontMetrics().height();
    return std::max(1, (room + spacing) / std::max(1, per_row));
}

void LinkWidget::lay_out_rows() {
    const int capacity = row_capacity();
    int counted = 0;
    for (auto& e : entries_) {
        if (!e->is_row()) continue;
        build_row(*e, counted < capacity);
        ++counted;
    }
}

bool LinkWidget::entry_at(int index, link_entry& out) const {
    const link_entry* e = entry(index);
    if (!e) return false;
    out.kind = e->kind;
    out.text = e->text;
    out.url = e->url;
    out.user_value = e->user_value;
    out.scale = e->scale;
    return true;
}

bool LinkWidget::remove_entry(int index) {
    if (!entry(index)) return false;
    link_entry& e = *entries_[static_cast<size_t>(index)];
    delete_row(e);
    QMenu* noted = nullptr;
    if (e.action) {
        for (QMenu* sub : submenus_)
            if (sub->actions().contains(e.action)) noted = sub;
        delete_action(e);
    }
    entries_.erase(entries_.begin() + index);
    if (noted) {
        const bool used = std::any_of(entries_.begin(), entries_.end(), [&](const std::unique_ptr<link_entry>& other) {
            return other->action && noted->actions().contains(other->action);
        });
        if (!used) {
            submenus_.erase(std::find(submenus_.begin(), submenus_.end(), noted));
            delete noted;
        }
    }
    lay_out_rows();
    refresh_drop_button();
    return true;
}

int LinkWidget::remove_rows() {
    int removed = 0;
    for (int i = entry_count() - 1; i >= 0; --i)
        if (entries_[static_cast<size_t>(i)]->is_row() && remove_entry(i)) ++removed;
    shown_rows_ = 0;
    return removed;
}

int LinkWidget::remove_menu_entries() {
    int removed = 0;
    for (int i = entry_count() - 1; i >= 0; --i)
        if (!entries_[static_cast<size_t>(i)]->is_row() && remove_entry(i)) ++removed;
    menu_entries_ = 0;
    return removed;
}

int LinkWidget::find_entry(const QString& text, uint32_t kind) const {
    for (int i = 0; i < entry_count(); ++i) {
        const link_entry& e = *entries_[static_cast<size_t>(i)];
        if (e.text == text && e.kind_only() == (kind & entry_kind_mask)) return i;
    }
    return -1;
}

int LinkWidget::find_entry(const QString& text) const {
    for (int i = 0; i < entry_count(); ++i)
        if (entry(i)->text == text) return i;
    return -1;
}

int LinkWidget::entry_count() const { return static_cast<int>(entries_.size()); }
int LinkWidget::row_count() const { return entry_count() - menu_entries_; }
int LinkWidget::menu_entry_count() const { return menu_entries_; }
int LinkWidget::fixed_rows() const { return fixed_rows_; }

void LinkWidget::set_fixed_rows(int n) {
    if (n == fixed_rows_) return;
    QSizePolicy policy = sizePolicy();
    policy.setVerticalPolicy(QSizePolicy::Ignored);
    setSizePolicy(policy);
    fixed_rows_ = n;
    lay_out_rows();
}

void LinkWidget::set_random_source(std::function<uint32_t()> source) { random_ = std::move(source); }

uint32_t LinkWidget::draw() { return random_ ? random_() : qt_random(); }

void LinkWidget::shuffle_rows() {
    std::vector<std::unique_ptr<link_entry>> rows;
    for (int i = entry_count() - 1; i >= 0; --i) {
        if (!entries_[static_cast<size_t>(i)]->is_row()) continue;
        rows.push_back(std::move(entries_[static_cast<size_t>(i)]));
        entries_.erase(entries_.begin() + i);
    }
    const size_t n = rows.size();
    for (size_t i = 0; i < n; ++i) std::swap(rows[i], rows[draw() % n]);
    for (auto& e : rows) {
        delete_row(*e);
        entries_.push_back(std::move(e));
    }
    lay_out_rows();
}

void LinkWidget::set_animation(int mode) {
    if (mode != 0) {
        if (anim_timer_ != 0) return;
        anim_mode_ = mode;
        anim_heading_phase_ = true;
        anim_counter_ = 0;
        anim_timer_ = startTimer(animation_period_ms, Qt::CoarseTimer);
        return;
    }
    if (anim_timer_ != 0) killTimer(anim_timer_);
    anim_timer_ = 0;
    ui_->title_lab->setText(heading_);
    if (anim_mode_ & 2) highlight_row(-1);
    anim_mode_ = 0;
    anim_counter_ = 0;
    anim_heading_phase_ = true;
}

void LinkWidget::timerEvent(QTimerEvent* event) {
    if (event->timerId() != anim_timer_ || anim_timer_ == 0) {
        QWidget::timerEvent(event);
        return;
    }
    if (anim_mode_ == 1 || (anim_mode_ == 3 && anim_heading_phase_)) {
        if (heading_.isEmpty()) {
            anim_counter_ = 0;
            ui_->title_lab->setText(heading_);
        } else {
            ui_->title_lab->setText(heading_scroll_step(heading_, anim_counter_));
        }
    } else {
        int rows = 0;
        for (const auto& e : entries_)
            if (e->row && e->kind_only() <= entry_image) ++rows;
        highlight_row(sweep_step(sweep_passes, rows, anim_counter_));
    }
    if (anim_counter_ != 0) return;
    if (anim_mode_ == 3 && anim_heading_phase_)
        anim_heading_phase_ = false;
    else
        set_animation(0);
}

void LinkWidget::apply_row_colors(link_entry& e, bool highlighted) {
    if (!e.row) return;
    e.row->set_link_color(highlighted ? highlight_color_ : link_color_);
    e.row->set_visited_color(highlighted ? highlight_color_ : visited_color_);
}

void LinkWidget::highlight_row(int position) {
    int n = 0;
    for (auto& e : entries_) {
        if (!e->row) continue;
        const bool counted = e->kind_only() <= entry_image;
        apply_row_colors(*e, counted && n == position);
        if (counted) ++n;
    }
}

Qt::Alignment LinkWidget::alignment() const { return alignment_; }

void LinkWidget::set_alignment(Qt::Alignment flags) {
    if (flags == alignment_) return;
    alignment_ = flags;
    const Qt::Alignment horizontal = flags & Qt::AlignHorizontal_Mask;
    ui_->title_lab->setAlignment(horizontal | Qt::AlignVCenter);
    ui_->nav_lab->setAlignment(horizontal | Qt::AlignVCenter);

    QSizePolicy::Policy left = QSizePolicy::Preferred, right = QSizePolicy::Preferred;
    if (horizontal & Qt::AlignRight)
        left = QSizePolicy::Ignored;
    else if (!(horizontal & Qt::AlignHCenter))
        right = QSizePolicy::Ignored;
    ui_->title_left_spacer->changeSize(0, 0, left, QSizePolicy::Minimum);
    ui_->nav_left_spacer->changeSize(0, 0, left, QSizePolicy::Minimum);
    ui_->title_right_spacer->changeSize(0, 0, right, QSizePolicy::Minimum);
    ui_->nav_right_spacer->changeSize(0, 0, right, QSizePolicy::Minimum);

    const bool right_aligned = horizontal & Qt::AlignRight;
    ui_->title_layout->removeWidget(ui_->drop_btn);
    ui_->title_layout->insertWidget(right_aligned ? 0 : 1, ui_->drop_btn);
    ui_->nav_layout->removeWidget(ui_->nav_lab);
    ui_->nav_layout->insertWidget(right_aligned ? 0 : 2, ui_->nav_lab);

    const bool low = flags & (Qt::AlignBottom | Qt::AlignVCenter);
    ui_->upper_spacer->changeSize(20, 5, QSizePolicy::Minimum, low ? QSizePolicy::Expanding : QSizePolicy::Ignored);
    ui_->lower_spacer->changeSize(20, 5, QSizePolicy::Minimum,
                                  (flags & Qt::AlignBottom) ? QSizePolicy::Ignored : QSizePolicy::Expanding);
    ui_->verticalLayout->invalidate();
    for (auto& e : entries_)
        if (e->row) e->row->setAlignment((alignment_ & Qt::Alignment(0x1F)) | Qt::AlignTop);
    lay_out_rows();
}

QString LinkWidget::link_color() const { return link_color_; }

void LinkWidget::set_link_color(const QString& color) {
    link_color_ = color;
    highlight_row(-1);
}

QString LinkWidget::visited_color() const { return visited_color_; }

void LinkWidget::set_visited_color(const QString& color) {
    visited_color_ = color;
    highlight_row(-1);
}

QString LinkWidget::highlight_color() const { return highlight_color_; }

void LinkWidget::set_highlight_color(const QString& color) { highlight_color_ = color; }

int LinkWidget::visited_count() const {
    return static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                          [](const std::unique_ptr<link_entry>& e) { return e->row && e->row->visited(); }));
}

bool LinkWidget::cursor_inside() const {
    const QPoint p = mapFromGlobal(QCursor::pos());
    return p.x() >= 0 && p.y() >= 0 && p.x() < width() && p.y() < height();
}

void LinkWidget::resizeEvent(QResizeEvent* event) {
    if (fixed_rows_ <= 0) {
        const int capacity = row_capacity();
        if (capacity != last_capacity_) {
            last_capacity_ = capacity;
            lay_out_rows();
        }
    }
    QWidget::resizeEvent(event);
}

void LinkWidget::on_menu_triggered(QAction* action) {
    for (int i = 0; i < entry_count(); ++i) {
        const link_entry& e = *entries_[static_cast<size_t>(i)];
        if (e.action != action) continue;
        if (e.kind & entry_activates)
            activate_entry(i);
        else if (!e.url.isEmpty())
            QDesktopServices::openUrl(QUrl(e.url, QUrl::TolerantMode));
        return;
    }
}

void LinkWidget::on_drop_btn_clicked() { menu_->exec(ui_->drop_btn->mapToGlobal(ui_->drop_btn->rect().bottomLeft())); }

void LinkWidget::on_bak_btn_clicked() { previous_page(); }

void LinkWidget::on_fwd_btn_clicked() { next_page(); }

}  // namespace olvex
