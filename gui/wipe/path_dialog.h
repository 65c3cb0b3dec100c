#pragma once
// The program's own modal file and folder picker: browses the local file system in a details or
// an icon view, with back, forward, up, computer and home buttons, an address box that remembers
// the folders visited, and a filter that decides what is listed and what may be chosen (only
// regular files and folders, never a drive root). Returns the chosen paths with "/" separators.
#include "gui/wipe/path_rules.h"

#include <QDialog>
#include <QItemSelection>
#include <QStringList>

#include <memory>

class QAbstractItemView;
class QFileSystemModel;
class QMenu;
class QModelIndex;

namespace Ui {
class path_form;
}

namespace olvex {

class PathDialog : public QDialog {
    Q_OBJECT

public:
    // Indexes of set_text.
    enum : int {
        text_computer = 0,
        text_not_found_caption = 1,
        text_not_found_message = 2,
        text_option = 3,
        text_option_hint = 4,
        text_wait = 5,
    };

    explicit PathDialog(QWidget* parent);
    ~PathDialog() override;

    // What is listed (list_* bits; from the next showing on) and what may be chosen (choose_* bits).
    void set_filter_options(int options);
    void set_mode(int mode);
    void set_text(int index, const QString& text);
    void show_option(bool show);
    // Runs the dialog with title. Returns true when the user chose something.
    bool exec_with_title(const QString& title);
    // The paths chosen in the last accepted run, each once, in the selection's order.
    QStringList selected_paths() const { return result_; }
    // Goes to folder (empty: the computer level). Returns false, changing nothing, when it is no
    // folder, or a hidden one while hidden entries aren't listed.
    bool navigate(const QString& folder);

    // The folder shown; empty at the computer level.
    QString current_folder() const { return current_; }
    const path_history& history() const { return history_; }
    // The current view (a QTreeView for details, a QListView for icons); null while hidden.
    QAbstractItemView* view() const { return view_; }
    QFileSystemModel* model() const { return model_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_left_btn_clicked();
    void on_right_btn_clicked();
    void on_up_btn_clicked();
    void on_root_btn_clicked();
    void on_home_btn_clicked();
    void on_view_btn_clicked();
    void on_ok_btn_clicked();
    void on_cancel_btn_clicked();
    void on_show_details_action_triggered();
    void on_show_icons_action_triggered();
    void on_show_hidden_action_triggered();
    void kill_wait();
    void view_activate(const QModelIndex& idx);
    void combo_select(const QString& text);
    void select_changed(const QItemSelection& sel, const QItemSelection& desel);
    void context_menu_requested(const QPoint& pos);
    void fit_columns();

private:
    void build_view();
    void fit_width();
    void show_folder();
    void show_history_entry();
    void put_into_address_box(const QString& folder);
    bool hidden_listed() const;
    // The selected paths, each once, in the selection's order.
    QStringList selection() const;

    std::unique_ptr<Ui::path_form> ui_;
    QMenu* view_menu_ = nullptr;
    QAbstractItemView* view_ = nullptr;
    QFileSystemModel* model_ = nullptr;
    QString current_;
    path_history history_;
    int icon_size_ = 24;
    int filter_options_ = 0x1E3;
    int mode_ = choose_files;
    bool details_ = true;
    bool opened_ = false;
    QString saved_title_;
    QString computer_text_;
    QString not_found_caption_;
    QString not_found_message_;
    QString wait_text_;
    QStringList result_;
};

}  // namespace olvex
