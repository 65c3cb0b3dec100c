#include "gui/wipe/drive_dialog.h"

#include "gui/shell/message_dialog.h"
#include "gui/shell/qt_text.h"
#include "services/interlang.h"
#include "services/session.h"
#include "ui_drive_dialog.h"

#include <QActionGroup>
#include <QCursor>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace olvex {

namespace {

// Only Windows builds the helper that restarts the program elevated.
#ifdef _WIN32
constexpr bool elevation_offered = true;
#else
constexpr bool elevation_offered = false;
#endif

QString key_text(const wchar_t* key) { return to_qstring(tr(key)); }

}  // namespace

DriveDialog::DriveDialog(QWidget* parent, const QIcon& icon)
    : QDialog(parent, Qt::WindowCloseButtonHint), ui_(std::make_unique<Ui::drive_form>()) {
    ui_->setupUi(this);
    setWindowIcon(icon);
    ui_->option_chk->hide();
    ui_->list_widget->setSpacing(3);
    context_menu_ = new QMenu(this);
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    group->addAction(ui_->small_icons_action);
    group->addAction(ui_->large_icons_action);
    context_menu_->addAction(ui_->small_icons_action);
    context_menu_->addAction(ui_->large_icons_action);
    ui_->view_btn->setMenu(context_menu_);
    ui_->list_widget->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui_->list_widget, &QWidget::customContextMenuRequested, this, &DriveDialog::context_menu_requested);
    // An empty list says why in its own place, rather than stay a blank box.
    empty_label_ = new QLabel(ui_->list_widget->viewport());
    empty_label_->setObjectName(QStringLiteral("empty_label"));
    empty_label_->setAlignment(Qt::AlignCenter);
    empty_label_->setWordWrap(true);
    empty_label_->setMargin(12);
    empty_label_->hide();
    auto* empty_layout = new QVBoxLayout(ui_->list_widget->viewport());
    empty_layout->addWidget(empty_label_);
    drive_text_ = tr("DRIVE", "DDLG_DRIVE_TEXT");
    volumes_text_ = tr("Volumes", "DDLG_VOLUMES_TEXT");
    none_text_ = tr("NONE", "DDLG_NONE_TEXT");
    empty_text_ = tr("Empty", "DDLG_EMPTY_TEXT");
    wait_text_ = tr("Please wait...", "DDLG_WAIT_TEXT");
    resize(sizeHint().expandedTo(QSize(350, 375)));
    clear_list();
}

DriveDialog::~DriveDialog() = default;

bool DriveDialog::exec_with_text(int type, const QString& title, const QString& header) {
    saved_title_ = title;
    setWindowTitle(wait_text_);
    ui_->hdr_label->setText(header);
    list_type_ = type;
    return exec() == QDialog::Accepted;
}

bool DriveDialog::may_check(QListWidgetItem*) { return true; }

bool DriveDialog::may_check_all() { return true; }

bool DriveDialog::option_checked() const { return ui_->option_chk->isChecked(); }
void DriveDialog::set_option_enabled(bool enabled) { ui_->option_chk->setEnabled(enabled); }
void DriveDialog::set_option_icon(const QIcon& icon) { ui_->option_chk->setIcon(icon); }
void DriveDialog::set_option_checked(bool checked) { ui_->option_chk->setChecked(checked); }
void DriveDialog::set_option_visible(bool visible) { ui_->option_chk->setVisible(visible); }

void DriveDialog::set_text(int index, const QString& text) {
    switch (index) {
    case text_drive: drive_text_ = text; break;
    case text_volumes: volumes_text_ = text; break;
    case text_none: none_text_ = text; break;
    case text_empty: empty_text_ = text; break;
    case text_option: ui_->option_chk->setText(text); break;
    case text_option_hint: ui_->option_chk->setToolTip(text); break;
    case text_wait: wait_text_ = text; break;
    default: break;
    }
}

void DriveDialog::set_option(int index, bool value) {
    switch (index) {
    case option_ok_always: ok_always_ = value; break;
    case option_system_selectable: system_selectable_ = value; break;
    case option_optical_selectable: optical_selectable_ = value; break;
    case option_empty_bins_selectable: empty_bins_selectable_ = value; break;
    case option_alternating_rows: ui_->list_widget->setAlternatingRowColors(value); break;
    case option_word_wrap: ui_->list_widget->setWordWrap(value); break;
    default: break;
    }
}

void DriveDialog::refresh(bool force) {
    if (force) apply_icon_size();
    fill(force);
    if (!force) return;
    ui_->large_icons_action->setChecked(large_view_);
    ui_->small_icons_action->setChecked(!large_view_);
    ui_->view_btn->setVisible(has_icons_ && small_size_ > 0 && small_size_ < large_size_);
    if (list_type_ != drive_list_none && refresh_timer_ == 0) refresh_timer_ = startTimer(2000, Qt::CoarseTimer);
}

void DriveDialog::apply_icon_size() {
    int size = large_view_ ? std::max(small_size_, large_size_) : small_size_;
    if (size <= 0) size = 32;
    ui_->list_widget->setIconSize(QSize(size, size));
}

bool DriveDialog::fill(bool force, const QStringList& ticked) {
    std::vector<drive_item> items;
    try {
        drive_rules rules;
        rules.system_selectable = system_selectable_;
        rules.optical_selectable = optical_selectable_;
        rules.empty_bins_selectable = empty_bins_selectable_;
        rules.large_view = large_view_;
        rules.drive_text = from_qstring(drive_text_);
        rules.volumes_text = from_qstring(volumes_text_);
        rules.none_text = from_qstring(none_text_);
        rules.empty_text = from_qstring(empty_text_);
        items = drive_items(list_type_, rules);
    } catch (const std::exception&) {
        return false;  // the list stays as it was
    }
    if (!force && items == shown_) return false;
    clear_list();
    for (const drive_item& item : items) add_item(item, item.enabled && ticked.contains(to_qstring(item.data)));
    shown_ = std::move(items);
    if (!keep_size_) fit_width();
    show_empty_text();
    update_ok();
    return true;
}

void DriveDialog::show_empty_text() {
    const wchar_t* key = ui_->list_widget->count() == 0 ? empty_list_key(list_type_, cached_elevation_type()) : nullptr;
    empty_label_->setText(key ? key_text(key) : QString());
    empty_label_->setVisible(key != nullptr);
}

QStringList DriveDialog::ticked() const {
    QStringList ids;
    for (int i = 0; i < ui_->list_widget->count(); ++i) {
        const QListWidgetItem* item = ui_->list_widget->item(i);
        if (item->checkState() == Qt::Checked) ids.append(item->data(Qt::UserRole).toString());
    }
    return ids;
}

void DriveDialog::switch_view(bool large) {
    if (large == large_view_) return;
    // A tick belongs to the entry as last listed: an entry that changed since loses its tick here
    // as on any refresh, before the rest are carried over by identifier.
    if (list_type_ != drive_list_none) fill(false);
    const QStringList keep = ticked();
    large_view_ = large;
    apply_icon_size();
    // The user's size stays: a view the user chose is no reason to widen the dialog.
    keep_size_ = true;
    const bool rebuilt = fill(true, keep);
    keep_size_ = false;
    if (!rebuilt) {
        // The engine failed to list: the list stays, in the view it was in.
        large_view_ = !large;
        apply_icon_size();
    }
    ui_->large_icons_action->setChecked(large_view_);
    ui_->small_icons_action->setChecked(!large_view_);
}

void DriveDialog::fit_width() {
    // Long mount points and labels: widen the dialog (within the screen) rather than hide them.
    QListWidget* list = ui_->list_widget;
    if (list->count() == 0 || !isVisible()) return;
    const int needed = list->sizeHintForColumn(0) + 2 * list->frameWidth() + 2 * list->spacing() +
                       list->verticalScrollBar()->sizeHint().width();
    const int extra = needed - list->width();
    if (extra <= 0) return;
    const QScreen* on = screen();
    const int most = on ? on->availableGeometry().width() * 9 / 10 : width() + extra;
    const int wanted = std::min(width() + extra, most);
    if (wanted <= width()) return;
    const QPoint centre = geometry().center();
    resize(wanted, height());
    move(centre - rect().center());
}

void DriveDialog::add_item(const drive_item& entry, bool checked) {
    QIcon icon(to_qstring(entry.icon));
    // The system's own volume or device is greyed, but its mark stays in colour.
    if (entry.system && !icon.isNull())
        for (const QSize& size : icon.availableSizes()) icon.addPixmap(icon.pixmap(size), QIcon::Disabled);
    auto* item = new QListWidgetItem(icon, to_qstring(entry.text), nullptr,
                                     entry.system ? system_item_type : QListWidgetItem::Type);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
    if (entry.enabled) flags |= Qt::ItemIsEnabled;
    item->setFlags(flags);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    item->setData(Qt::UserRole, to_qstring(entry.data));
    ui_->list_widget->addItem(item);
    if (!icon.isNull()) has_icons_ = true;
}

void DriveDialog::clear_list() {
    has_icons_ = false;
    empty_label_->hide();
    ui_->list_widget->clear();
    shown_.clear();
    result_.clear();
    ui_->ok_btn->setEnabled(ok_always_);
}

void DriveDialog::update_ok() {
    bool any = false;
    for (int i = 0; i < ui_->list_widget->count() && !any; ++i)
        any = ui_->list_widget->item(i)->checkState() == Qt::Checked;
    ui_->ok_btn->setEnabled(ok_always_ || any);
}

void DriveDialog::showEvent(QShowEvent* event) {
    centre_on_parent(this);
    setCursor(Qt::WaitCursor);
    QDialog::showEvent(event);
    clear_list();
    QTimer::singleShot(300, this, &DriveDialog::on_show_timer);
}

void DriveDialog::hideEvent(QHideEvent* event) {
    if (refresh_timer_ != 0) killTimer(refresh_timer_);
    refresh_timer_ = 0;
    QDialog::hideEvent(event);
}

void DriveDialog::timerEvent(QTimerEvent* event) {
    if (event->timerId() == refresh_timer_ && refresh_timer_ != 0) {
        fill(false);
        return;
    }
    QDialog::timerEvent(event);
}

void DriveDialog::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        const QString title = windowTitle();
        ui_->retranslateUi(this);
        setWindowTitle(title);
    }
    QDialog::changeEvent(event);
}

void DriveDialog::on_show_timer() {
    // A run that ended before the list was due starts no refresh.
    if (!isVisible()) return;
    refresh(true);
    QTimer::singleShot(500, this, &DriveDialog::kill_wait);
}

void DriveDialog::kill_wait() {
    setCursor(Qt::ArrowCursor);
    setWindowTitle(saved_title_);
}

void DriveDialog::on_all_btn_clicked() {
    if (!may_check_all()) return;
    for (int i = 0; i < ui_->list_widget->count(); ++i) {
        QListWidgetItem* item = ui_->list_widget->item(i);
        if (item->flags() & Qt::ItemIsEnabled) item->setCheckState(Qt::Checked);
    }
}

void DriveDialog::on_none_btn_clicked() {
    for (int i = 0; i < ui_->list_widget->count(); ++i) {
        QListWidgetItem* item = ui_->list_widget->item(i);
        if (item->flags() & Qt::ItemIsEnabled) item->setCheckState(Qt::Unchecked);
    }
}

void DriveDialog::on_ok_btn_clicked() {
    // What was ticked must still be what is there: a medium swapped since the last refresh
    // rebuilds the list (unticked) instead of handing on an identifier that now names another.
    if (list_type_ != drive_list_none && fill(false)) return;
    result_.clear();
    for (int i = 0; i < ui_->list_widget->count(); ++i) {
        const QListWidgetItem* item = ui_->list_widget->item(i);
        if (item->checkState() == Qt::Checked) result_.append(item->data(Qt::UserRole).toString());
    }
    if (result_.isEmpty() && !ok_always_) return;
    accept();
}

void DriveDialog::on_cancel_btn_clicked() { reject(); }

void DriveDialog::on_view_btn_clicked() { switch_view(!large_view_); }

void DriveDialog::on_small_icons_action_triggered() { switch_view(false); }

void DriveDialog::on_large_icons_action_triggered() { switch_view(true); }

void DriveDialog::on_list_widget_itemChanged(QListWidgetItem* item) {
    if (item->checkState() == Qt::Checked && !may_check(item)) {
        item->setCheckState(Qt::Unchecked);
        return;
    }
    update_ok();
}

void DriveDialog::context_menu_requested(const QPoint&) { context_menu_->exec(QCursor::pos()); }

ZyDrives::ZyDrives(QWidget* parent) : DriveDialog(parent, QIcon(QStringLiteral(":/main/zyicon.png"))) {
    set_option(option_alternating_rows, true);
}

bool ZyDrives::exec_by_type(int type, const QString& option_text, const QString& title, const QString& header) {
    if (type != drive_list_none) {
        set_text(text_drive, key_text(L"DDLG_DRIVE_TEXT"));
        set_text(text_volumes, key_text(L"DDLG_VOLUMES_TEXT"));
        set_text(text_none, key_text(L"DDLG_NONE_TEXT"));
        set_text(text_empty, key_text(L"DDLG_EMPTY_TEXT"));
        set_text(text_wait, key_text(L"DDLG_WAIT_TEXT"));
    }
    set_option_visible(!option_text.isEmpty());
    if (!option_text.isEmpty()) {
        set_option_checked(false);
        set_option_enabled(true);
        set_text(text_option, option_text);
        set_option_icon(QIcon());
    }
    switch (type) {
    case drive_list_volumes:
        set_option(option_optical_selectable, false);
        return exec_with_text(type, key_text(L"DDLG_VOLUME_TITLE"), key_text(L"DDLG_VOLUME_HDR"));
    case drive_list_devices:
        set_option(option_optical_selectable, false);
        return exec_with_text(type, key_text(L"DDLG_DEVICE_TITLE"), key_text(L"DDLG_DEVICE_HDR"));
    case drive_list_bins: {
        const option_box box = elevation_choice(cached_elevation_type(), elevation_offered);
        set_option_visible(box.visible);
        if (option_text.isEmpty()) set_text(text_option, key_text(L"DDLG_ADMIN_TEXT"));
        set_option(option_optical_selectable, false);
        set_option(option_empty_bins_selectable, false);
        set_option_icon(QIcon(QStringLiteral(":/main/menu_shield.png")));
        set_option_enabled(box.enabled);
        set_option_checked(box.checked);
        return exec_with_text(type, key_text(L"DDLG_TRASH_TITLE"), key_text(L"DDLG_TRASH_HDR"));
    }
    default:
        return exec_with_text(type, title, header);
    }
}

}  // namespace olvex
