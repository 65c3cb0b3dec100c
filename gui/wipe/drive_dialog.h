#pragma once
// The modal picker of volumes, physical devices or recycle bins: one check-box item per entry the
// engine enumerates, the items that may not be chosen greyed, refreshed every two seconds while
// shown, returning the identifiers of the ticked items. ZyDrives adds the texts, options and the
// option check box of each job kind.
#include "gui/wipe/drive_items.h"

#include <QDialog>
#include <QIcon>
#include <QStringList>

#include <memory>
#include <vector>

class QLabel;
class QListWidgetItem;
class QMenu;

namespace Ui {
class drive_form;
}

namespace olvex {

class DriveDialog : public QDialog {
    Q_OBJECT

public:
    // Indexes of set_option.
    enum : int {
        option_ok_always = 0,
        option_system_selectable = 1,
        option_optical_selectable = 2,
        option_empty_bins_selectable = 3,
        option_alternating_rows = 4,
        option_word_wrap = 5,
    };
    // Indexes of set_text.
    enum : int {
        text_drive = 0,
        text_volumes = 1,
        text_none = 2,
        text_empty = 3,
        text_option = 4,
        text_option_hint = 5,
        text_wait = 6,
    };
    // Item type of the system's volume or device.
    static constexpr int system_item_type = 1000;

    DriveDialog(QWidget* parent, const QIcon& icon);
    ~DriveDialog() override;

    // Runs the dialog for list type (drive_list_*) with title and header. Returns true when the
    // user pressed OK; result() then holds at least one identifier unless OK is always enabled.
    virtual bool exec_with_text(int type, const QString& title, const QString& header);
    // Asked whenever an item becomes ticked; false unticks it again.
    virtual bool may_check(QListWidgetItem* item);
    // Asked before All ticks anything; false makes it do nothing.
    virtual bool may_check_all();

    // The identifiers of the items ticked when OK was pressed, in list order.
    QStringList result() const { return result_; }

    bool option_checked() const;
    void set_option_enabled(bool enabled);
    void set_option_icon(const QIcon& icon);
    void set_option_checked(bool checked);
    void set_option_visible(bool visible);
    void set_text(int index, const QString& text);
    void set_option(int index, bool value);

    // Fills the list anew; unforced, it changes nothing while every entry reads as before (the
    // user's ticks survive). Forced, it also applies the view and starts the two-second refresh.
    void refresh(bool force);
    // The running refresh timer's id; 0 when none runs.
    int refresh_timer_id() const { return refresh_timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;

    std::unique_ptr<Ui::drive_form> ui_;

private slots:
    void on_all_btn_clicked();
    void on_none_btn_clicked();
    void on_ok_btn_clicked();
    void on_cancel_btn_clicked();
    void on_view_btn_clicked();
    void on_small_icons_action_triggered();
    void on_large_icons_action_triggered();
    void on_list_widget_itemChanged(QListWidgetItem* item);
    void context_menu_requested(const QPoint& pos);
    void kill_wait();

private:
    // The list is filled a moment after the dialog appeared.
    void on_show_timer();
    // Returns true when the list was rebuilt; ticked names the identifiers it ticks again.
    bool fill(bool force, const QStringList& ticked = QStringList());
    // Shows the list in the large (or small) view, keeping the ticks and the dialog's size.
    void switch_view(bool large);
    QStringList ticked() const;
    void apply_icon_size();
    void fit_width();
    // Shows in an empty list why nothing is listed; hides that text otherwise.
    void show_empty_text();
    void add_item(const drive_item& item, bool checked);
    void clear_list();
    void update_ok();

    QMenu* context_menu_ = nullptr;
    QLabel* empty_label_ = nullptr;
    bool has_icons_ = false;
    bool large_view_ = false;
    bool ok_always_ = false;
    bool system_selectable_ = true;
    bool optical_selectable_ = true;
    bool empty_bins_selectable_ = false;
    int small_size_ = 32;
    int large_size_ = 64;
    int list_type_ = drive_list_none;
    int refresh_timer_ = 0;
    bool keep_size_ = false;
    QString drive_text_;
    QString volumes_text_;
    QString none_text_;
    QString empty_text_;
    QString wait_text_;
    QString saved_title_;
    QStringList result_;
    std::vector<drive_item> shown_;
};

class ZyDrives : public DriveDialog {
    Q_OBJECT

public:
    explicit ZyDrives(QWidget* parent);

    // Runs the picker for a job kind: drive_list_volumes, _devices or _bins with their own title
    // and header (title and header are used only for other types, whose list stays empty). The
    // option check box shows option_text when it is not empty; for recycle bins it offers to run
    // elevated.
    virtual bool exec_by_type(int type, const QString& option_text, const QString& title, const QString& header);
};

}  // namespace olvex
