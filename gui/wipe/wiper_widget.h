#pragma once
// The job window: asks for the targets (or takes them from a request), sets the engine's job up,
// waits for the user's go-ahead and polls the engine every 100 ms while the job is busy, showing
// its progress, speed, time left and outcome. Owns the engine, the log window and the pickers.
#include "engine/engine.h"
#include "gui/wipe/job_view.h"
#include "vandel/eta_builder.h"

#include <QPalette>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class wiper_form;
}

namespace olvex {

class Animator;
class HoverLink;
class ZyCommerce;
class DriveDialog;
class LogWindow;
class PathDialog;
class ShutdownManager;
class ZyDrives;

class WiperWidget : public QWidget {
    Q_OBJECT

public:
    explicit WiperWidget(QWidget* parent = nullptr);
    ~WiperWidget() override;

    // Asks for the targets of a job of type 1-5 and starts it. Returns 0 started (or handed to
    // an elevated copy), 1 busy or not chosen, 1024 cancelled or an unknown type, 0x8000 without
    // pickers (dialog mode), else the engine's refusal.
    int new_job(int type);
    // Starts a job of type on the NUL-separated paths. Returns 0 started (or handed to an
    // elevated copy), 0x8000 for type 0 or a relaunch that failed, else the engine's refusal.
    int start_job(int type, const std::wstring& paths);
    // True while the job analyses (after the go-ahead), wipes, removes or aborts.
    bool is_busy() const { return view_.busy(false); }
    // The log window; null until there is one.
    LogWindow* log_window() const { return log_window_; }
    int scheme_word() const { return static_cast<int>(scheme_word_); }
    // The engine's current speed in percent.
    int speed_percent() const;
    // For the main window's taskbar button: -2 partly done or failed, -1 paused, else the value.
    int taskbar_progress() const;
    // For the main window's title: the progress while wiping, done or failed at the end, else empty.
    QString state_caption() const;
    // Applies the theme (with apply, saving the palette first) and the link label.
    void update_link_label(bool apply);
    // Takes the engine's status and shows it; full also refreshes every text and state.
    void refresh(bool force);
    // Sets the speed button and the engine's speed to the band of percent (1-100).
    void set_speed(int percent);
    // Selected data of the shutdown combo: 0 none, 1 log off, 2 power off.
    int shutdown_mode() const;
    // Selects the shutdown item with that data; nothing when none has it.
    void select_shutdown_mode(int mode);
    void retranslate(bool with_form);
    // Shows a status snapshot as the poll does, without the state-change rules (the screen
    // gallery shows states that no job is in). Returns whether it was a full refresh.
    bool show_status(const job_status& status, int32_t state, bool paused, const std::wstring& title, bool force);

    const job_view& view() const { return view_; }
    olvex::engine& job_engine() { return engine_; }
    // The poll timer's id; 0 when none runs.
    int update_timer_id() const { return timer_id_; }
    PathDialog* path_dialog() const { return path_dialog_; }
    ZyDrives* drive_dialog() const { return drives_; }
    Animator* animator() const { return animator_; }
    ShutdownManager* shutdown_manager() const { return shutdown_; }
    // The pending automatic close after a done job; inactive when none is pending.
    const QTimer* auto_close_timer() const { return auto_close_timer_; }

signals:
    // The title caption or the taskbar value changed: the main window follows at once.
    void caption_changed();

public slots:
    void on_log_btn_clicked();

protected:
    void timerEvent(QTimerEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void on_wipe_btn_clicked();
    void on_reset_pause_btn_clicked();
    void on_abort_close_btn_clicked();
    void on_scheme_cmb_currentIndexChanged(int index);
    void on_speed_btn_clicked();
    void on_verify_chk_clicked();
    void on_close();

private:
    // Connected to the speed menu by hand (no form widget carries that name).
    void on_speed_menu_triggered(QAction* act);
    void show_progress(const job_status& status, bool full);
    void show_controls();
    // Shows the location whole where it fits the label; else a files job's path keeps its name
    // whole, and other texts are shortened in the middle.
    void show_location();
    void show_caption_change();
    // Keeps the shutdown combo and its list as wide as their longest item.
    void fit_shutdown_combo();
    // Closes the program when the done job is still shown and the log window still hidden.
    void close_when_still_done();
    void state_changed();
    void apply_scheme(int index);
    // The log window's part of a job: the new lines, a new log file per job, closed at its end.
    void take_log_lines();
    void start_new_log();
    void close_log_file();
    bool log_window_visible() const;
    // Runs the shutdown countdown when the job lock can be held. Returns false, doing nothing,
    // when it can't; resets the shutdown choice when the countdown was cancelled.
    bool hand_over_to_shutdown(int mode);
    // The job lock: held shared while a job is active, so that another copy's countdown waits.
    bool hold_job_lock();
    void release_job_lock();
    bool job_lock_held() const;

    std::unique_ptr<Ui::wiper_form> ui_;
    QPalette saved_palette_;
    vandel::eta_builder eta_;
    olvex::engine engine_;
    job_view view_;
    int timer_id_ = 0;
    int64_t last_labels_ms_ = 0;
    PathDialog* path_dialog_ = nullptr;
    ZyDrives* drives_ = nullptr;
    Animator* animator_ = nullptr;
    HoverLink* link_label_ = nullptr;
    ZyCommerce* commerce_ = nullptr;
    ShutdownManager* shutdown_ = nullptr;
    LogWindow* log_window_ = nullptr;
    QMenu* speed_menu_ = nullptr;
    QTimer* auto_close_timer_ = nullptr;
    QString shown_caption_;
    int shown_taskbar_ = 0;
    bool ready_ = false;
    bool empty_trash_ = false;
    bool lock_wanted_ = false;
    uint32_t scheme_word_ = 1;
    int speed_ = 100;
};

}  // namespace olvex
