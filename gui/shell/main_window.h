#pragma once
// zygui's main window around the job window: the five kinds of job, the page-file dialog, the
// return to and from administrator rights, the log, the options, the help pages and the about box
// through a menu bar, a tool bar, a tools button and a context menu. It applies the appearance
// settings, refreshes its title and taskbar indicator every 750 ms and, 250 ms after it is built,
// starts the job the command line asked for. In dialog mode it shows the job window alone.
#include "gui/shell/first_window.h"
#include "gui/shell/main_layout.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class QAction;
class QMenu;
class QToolButton;

namespace Ui {
class main_form;
}

namespace olvex {

class AboutDialog;
class OptionsDialog;
class PageDialog;
class WiperWidget;
class taskbar_button;

class MainWindow : public QMainWindow, public main_window_hooks {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Applies the appearance settings: all of them at construction (initial), else only when a
    // layout option changed, and the job window's theme.
    void apply_settings(bool initial) override;
    // The window title's base and the tool bar's texts; with_form also every text of the form.
    void retranslate(bool with_form);
    // Stores the size; with_position also the place, the log window's, and writes the settings.
    void save_geometry(bool with_position) override;

    WiperWidget* job_window() const { return job_; }
    // Null in dialog mode.
    QMenu* context_menu() const { return context_menu_; }
    QToolButton* tools_button() const { return tools_button_; }
    const taskbar_indicator& indicator() const { return indicator_; }
    // Once, 250 ms after construction: the taskbar button, and the job the command line asked for.
    void on_create_timer();
    int title_timer_id() const { return title_timer_; }
    // No menu of bars to hide.
    QMenu* createPopupMenu() override;

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void on_wipe_device_action_triggered();
    void on_wipe_volume_action_triggered();
    void on_wipe_file_action_triggered();
    void on_wipe_space_action_triggered();
    void on_wipe_trash_action_triggered();
    void on_page_action_triggered();
    void on_exit_action_triggered();
    void on_elevate_action_triggered();
    void on_deelevate_action_triggered();
    void on_log_action_triggered();
    void on_options_action_triggered();
    void on_help_action_triggered();
    void on_facebook_action_triggered();
    void on_twitter_action_triggered();
    void on_check_version_action_triggered();
    void on_about_action_triggered();

private:
    // The title and the taskbar indicator from the job window's caption and progress.
    void show_job_caption();
    void build_tool_bar();
    void apply_layout();
    void apply_geometry();

    std::unique_ptr<Ui::main_form> ui_;
    QString base_title_;
    WiperWidget* job_ = nullptr;
    AboutDialog* about_ = nullptr;
    OptionsDialog* options_ = nullptr;
    PageDialog* page_ = nullptr;
    QMenu* context_menu_ = nullptr;
    QAction* tb_device_ = nullptr;
    QAction* tb_volume_ = nullptr;
    QAction* tb_files_ = nullptr;
    QAction* tb_space_ = nullptr;
    QAction* tb_trash_ = nullptr;
    QAction* tb_page_ = nullptr;
    QToolButton* tools_button_ = nullptr;
    QAction* tb_tools_ = nullptr;
    std::unique_ptr<taskbar_button> taskbar_;
    taskbar_indicator indicator_;
    int title_timer_ = 0;
};

}  // namespace olvex
