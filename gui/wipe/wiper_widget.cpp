#include "gui/wipe/wiper_widget.h"

#include "ui_wiper_form.h"

#include "engine/drives.h"
#include "engine/scheme.h"
#include "gui/shell/commerce_widget.h"
#include "gui/shell/hover_link.h"
#include "gui/shell/log_window.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/animator.h"
#include "gui/wipe/drive_dialog.h"
#include "gui/wipe/harm_question.h"
#include "gui/wipe/job_sound.h"
#include "gui/wipe/path_dialog.h"
#include "gui/wipe/shutdown_manager.h"
#include "services/interlang.h"
#include "services/session.h"
#include "vandel/clock.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionMenuItem>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace olvex {

namespace {

settings& app_settings() { return zyapp::instance().settings(); }

// The engine's text of a refusal; a combination of codes shows its number.
QString refusal_text(int code) {
    std::wstring text = error_text(code);
    if (text.empty()) {
        char number[16];
        std::snprintf(number, sizeof number, "0x%X", static_cast<unsigned>(code));
        return QString::fromLatin1(number);
    }
    return to_qstring(text);
}

std::wstring join_picked(const QStringList& picked) {
    std::vector<std::wstring> paths;
    for (const QString& p : picked) paths.push_back(from_qstring(QDir::toNativeSeparators(p)));
    return join_path_list(paths);
}

}  // namespace

WiperWidget::WiperWidget(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::wiper_form>()) {
    ui_->setupUi(this);
    // The location label learns its width only when the layout has placed it.
    ui_->loc_lab->installEventFilter(this);

    animator_ = new Animator(this, 200);
    animator_->setFixedSize(64, 64);
    ui_->figures_layout->insertWidget(0, animator_);

    commerce_ = new ZyCommerce(this);
    if (QLayout* panel = commerce_->layout()) panel->setContentsMargins(10, 1, 0, 0);
    ui_->top_layout->addWidget(commerce_);

    link_label_ = new HoverLink(this, QString(), QString());
    link_label_->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    link_label_->set_link_color(QStringLiteral("#004a7f"));
    link_label_->set_visited_color(QStringLiteral("#004a7f"));
    ui_->status_layout->addWidget(link_label_);

    view_.elevated = cached_elevation_type() == elevation_full;
    view_.dialog_mode = zyapp::instance().is_dialog_mode();

    for (uint32_t id = 0; id <= 9; ++id) ui_->scheme_cmb->addItem(to_qstring(scheme_text(id)));

    update_link_label(true);

    speed_menu_ = new QMenu(this);
    connect(speed_menu_, &QMenu::triggered, this, &WiperWidget::on_speed_menu_triggered);
    ui_->speed_btn->setMenu(speed_menu_);
    auto* speeds = new QActionGroup(this);
    speeds->setExclusive(true);
    const struct {
        QAction* action;
        int percent;
        const char* icon;
    } speed_items[] = {{ui_->max_action, 100, ":/main/speed_max.png"},
                       {ui_->med_action, 65, ":/main/speed_med.png"},
                       {ui_->slow_action, 30, ":/main/speed_slow.png"}};
    for (const auto& item : speed_items) {
        item.action->setData(item.percent);
        item.action->setIcon(QIcon(QString::fromLatin1(item.icon)));
        speed_menu_->addAction(item.action);
        speeds->addAction(item.action);
    }
    ready_ = true;

    log_window_ = new LogWindow();
    shutdown_ = new ShutdownManager(this, QIcon(QStringLiteral(":/main/zyicon.png")));
    auto_close_timer_ = new QTimer(this);
    auto_close_timer_->setSingleShot(true);
    auto_close_timer_->setInterval(1000);
    connect(auto_close_timer_, &QTimer::timeout, this, &WiperWidget::close_when_still_done);

    zyapp& app = zyapp::instance();
    settings& s = app.settings();
    bool verify = s.get_def_verify();
    app.start_verify(verify);
    s.set_def_verify(verify);
    ui_->verify_chk->setChecked(verify);

    scheme_word_ = 1;
    uint32_t scheme = static_cast<uint32_t>(s.get_default_scheme());
    app.start_scheme(scheme);
    if (scheme > 9) scheme = 1;
    {
        const QSignalBlocker quiet(ui_->scheme_cmb);
        ui_->scheme_cmb->setCurrentIndex(static_cast<int>(scheme));
    }
    apply_scheme(static_cast<int>(scheme));

    uint32_t speed = 100;
    app.start_speed(speed);
    set_speed(static_cast<int>(speed));

    if (!view_.dialog_mode) {
        path_dialog_ = new PathDialog(this);
        path_dialog_->show_option(false);
        path_dialog_->set_filter_options(0x1EF);
        path_dialog_->set_mode(0x13);
        drives_ = new ZyDrives(this);
        retranslate(false);
    }
}

WiperWidget::~WiperWidget() {
    if (timer_id_) killTimer(timer_id_);
    delete log_window_;
}

int WiperWidget::speed_percent() const { return engine_.speed(); }

int WiperWidget::taskbar_progress() const {
    return job_taskbar_progress(view_.state, view_.paused, ui_->progress_bar->value());
}

QString WiperWidget::state_caption() const {
    return to_qstring(job_state_caption(view_.state, from_qstring(ui_->progress_bar->text())));
}

int WiperWidget::shutdown_mode() const { return ui_->shutdown_cmb->currentData().toInt(); }

void WiperWidget::select_shutdown_mode(int mode) {
    const int index = ui_->shutdown_cmb->findData(mode);
    if (index >= 0) ui_->shutdown_cmb->setCurrentIndex(index);
}

int WiperWidget::new_job(int type) {
    if (!path_dialog_ || !drives_) return err_failed;
    if (engine_.is_running() && engine_.get_state() != state_waiting) {
        QMessageBox::warning(this, QStringLiteral("Oblivar"), qtr(L"DIALOG_NEW_JOB_BUSY_MSG"), QMessageBox::Ok);
        return 1;
    }
    if (type == job_files) {
        if (!path_dialog_->exec_with_title(qtr(L"FSEL_FILES_TITLE"))) return err_aborted;
        return start_job(type, join_picked(path_dialog_->selected_paths()));
    }
    const picker_request request = picker_request_for(type);
    if (request.list_type == drive_list_none) return err_aborted;
    drives_->set_option(DriveDialog::option_system_selectable, request.system_selectable);
    const QString option = request.empty_trash_option ? qtr(L"DDLG_EMPTY_TRASH_CHK") : QString();
    if (!drives_->exec_by_type(request.list_type, option, QString(), QString())) return err_aborted;
    const std::wstring paths = join_picked(drives_->result());
    if (type == job_free_space) empty_trash_ = drives_->option_checked();
    if (type == job_recycler && drives_->option_checked() &&
        zyapp::instance().relaunch_elevated(static_cast<uint32_t>(type), scheme_word_, engine_.speed(), paths))
        return 0;
    return start_job(type, paths);
}

int WiperWidget::start_job(int type, const std::wstring& paths) {
    if ((type == job_volumes || type == job_devices) && elevation_type() == elevation_limited &&
        probe_path_list(paths, &probe_target_access) == 1)
        return zyapp::instance().relaunch_elevated(static_cast<uint32_t>(type), scheme_word_, engine_.speed(), paths)
                   ? 0
                   : err_failed;
    if (type < job_files || type > job_recycler) return err_failed;

    const job_options options = make_job_options(app_settings(), type, scheme_word_, empty_trash_, speed_);
    empty_trash_ = false;
    engine_.reset();
    const error_code result = engine_.start_job(paths, options, std::wstring(1, L'\0'));
    if (result == err_ok) {
        start_new_log();
        refresh(true);
        return 0;
    }
    engine_.set_speed(speed_);
    QMessageBox::critical(this, QStringLiteral("Oblivar"), refusal_text(result), QMessageBox::Ok);
    return result;
}

void WiperWidget::refresh(bool force) {
    job_status status;
    const int32_t state = engine_.get_progress(status);
    const bool full = show_status(status, state, engine_.is_paused(), engine_.job_title(false), force);
    if (lock_wanted_ && !job_lock_held()) hold_job_lock();
    if (!full) return;
    // The poll stops before the state-change rules: the shutdown countdown runs a modal loop.
    if (view_.busy(true)) {
        if (!timer_id_) timer_id_ = startTimer(100, Qt::CoarseTimer);
    } else if (timer_id_) {
        killTimer(timer_id_);
        timer_id_ = 0;
    }
    if (view_.state_changed) state_changed();
}

bool WiperWidget::show_status(const job_status& status, int32_t state, bool paused, const std::wstring& title,
                              bool force) {
    const std::wstring location = view_.location;
    update_job_view(view_, status, state, paused, title);
    const bool full = force || view_.state_changed;
    show_progress(status, full);
    if (full) {
        show_controls();
    } else if (view_.location != location) {
        // The analysis counts the chosen paths after the window showed the job.
        ui_->loc_lab->setToolTip(to_qstring(view_.location));
        show_location();
    }
    show_caption_change();
    return full;
}

void WiperWidget::show_caption_change() {
    const QString caption = state_caption();
    const int taskbar = taskbar_progress();
    if (caption == shown_caption_ && taskbar == shown_taskbar_) return;
    shown_caption_ = caption;
    shown_taskbar_ = taskbar;
    emit caption_changed();
}

void WiperWidget::show_progress(const job_status& status, bool full) {
    QProgressBar* bar = ui_->progress_bar;
    if (view_.state == state_idle) {
        ui_->total_lab->clear();
        ui_->time_lab->clear();
        ui_->speed_lab->clear();
        bar->setTextVisible(false);
        bar->setInvertedAppearance(false);
        bar->setValue(0);
        return;
    }
    bar->setTextVisible(true);
    bar->setValue(job_progress_value(status, view_.state, view_.job_type));
    const int64_t now = vandel::now_ms();
    // A speed just learnt is shown at once: a short job may be over before the next second.
    const bool speed_learnt = view_.speed_known && ui_->speed_lab->text().isEmpty();
    if (!full && !speed_learnt && now - last_labels_ms_ < 1000) return;
    take_log_lines();
    ui_->time_lab->setText(to_qstring(job_time_left_text(eta_, view_.state, job_time_left(status))));
    ui_->speed_lab->setText(to_qstring(job_speed_text(status.rate, view_.speed_known)));
    ui_->total_lab->setText(to_qstring(job_total_text(status, view_.job_type)));
    last_labels_ms_ = now;
}

void WiperWidget::show_controls() {
    const job_controls c = job_view_controls(view_);
    ui_->title_lab->setText(to_qstring(view_.title));
    ui_->loc_prefix_lab->setText(to_qstring(c.location_prefix));
    ui_->loc_lab->setToolTip(to_qstring(view_.location));
    show_location();
    ui_->status_lab->setText(to_qstring(view_.detail));
    ui_->confirm_lab->setText(to_qstring(view_.confirm));
    ui_->abort_close_btn->setText(to_qstring(c.abort_close_text));
    ui_->abort_close_btn->setEnabled(true);
    ui_->reset_pause_btn->setText(to_qstring(c.reset_pause_text));
    ui_->reset_pause_btn->setEnabled(c.reset_pause_enabled);
    ui_->progress_bar->setFormat(to_qstring(c.progress_format));
    ui_->scheme_cmb->setEnabled(c.choices_enabled);
    ui_->verify_chk->setEnabled(c.choices_enabled);
    ui_->wipe_btn->setEnabled(c.wipe_enabled);
    animator_->set_state(view_.image, c.animate, view_.elevated);
}

void WiperWidget::show_location() {
    // A long path keeps its root and its name; the tool tip holds it whole.
    QLabel* label = ui_->loc_lab;
    const int room = label->contentsRect().width();
    const QFontMetrics metrics = label->fontMetrics();
    const std::wstring path = fit_location_text(
        view_, room, [&metrics](const std::wstring& text) { return metrics.horizontalAdvance(to_qstring(text)); });
    label->setText(path.empty() ? metrics.elidedText(label->toolTip(), Qt::ElideMiddle, room) : to_qstring(path));
}

bool WiperWidget::eventFilter(QObject* watched, QEvent* event) {
    // The prefix beside it changes with the job, and the layout resizes the label later.
    if (watched == ui_->loc_lab && event->type() == QEvent::Resize) show_location();
    return QWidget::eventFilter(watched, event);
}

void WiperWidget::state_changed() {
    settings& s = app_settings();
    state_change_input in;
    in.state = view_.state;
    in.job_type = view_.job_type;
    in.shutdown_mode = shutdown_mode();
    in.sys_sounds = s.get_sys_sounds();
    in.force_shutdown = s.get_force_shutdown();
    in.dialog_mode = view_.dialog_mode;
    in.auto_close = s.get_auto_close();
    in.log_visible = log_window_visible();
    const state_change_actions a = state_change_rules(in);
    play_job_sound(a.sound);
    if (!(a.shutdown && hand_over_to_shutdown(in.shutdown_mode))) {
        if (a.hold_lock)
            hold_job_lock();
        else
            release_job_lock();
        if (a.auto_close) auto_close_timer_->start();
    }
    if (a.close_log) close_log_file();
}

void WiperWidget::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_id_ || timer_id_ == 0) {
        QWidget::timerEvent(event);
        return;
    }
    event->accept();
    try {
        refresh(false);
    } catch (...) {
        killTimer(timer_id_);
        timer_id_ = 0;
    }
}

void WiperWidget::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) retranslate(true);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) fit_shutdown_combo();
    QWidget::changeEvent(event);
}

void WiperWidget::fit_shutdown_combo() {
    // The form's least width of 125 lets the layout squeeze the box below its contents (and Qt
    // keeps its size hints from the first items): its items would be cut, in the box and in its
    // open list.
    QComboBox* combo = ui_->shutdown_cmb;
    const QFontMetrics metrics = combo->fontMetrics();
    int text = 0;
    for (int i = 0; i < combo->count(); ++i) {
        const int icon = combo->itemIcon(i).isNull() ? 0 : combo->iconSize().width() + 4;
        text = std::max(text, metrics.horizontalAdvance(combo->itemText(i)) + icon);
    }
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = false;
    option.frame = true;
    option.iconSize = combo->iconSize();
    const QSize box = combo->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                      QSize(text, metrics.height()), combo);
    combo->setMinimumWidth(std::max(125, box.width()));
    // Where the style draws the open list as a menu, its items need a menu's margins, which are
    // wider than the box's: without room for them the list cuts its own items.
    int item = 0;
    for (int i = 0; i < combo->count(); ++i) {
        QStyleOptionMenuItem entry;
        entry.initFrom(combo);
        entry.text = combo->itemText(i);
        entry.icon = combo->itemIcon(i);
        entry.maxIconWidth = combo->iconSize().width() + 4;
        const QSize contents(metrics.horizontalAdvance(entry.text), metrics.height());
        item = std::max(item, combo->style()->sizeFromContents(QStyle::CT_MenuItem, &entry, contents, combo).width());
    }
    QAbstractItemView* list = combo->view();
    list->setMinimumWidth(item + 2 * list->frameWidth());
}

void WiperWidget::retranslate(bool with_form) {
    try {
        if (with_form) ui_->retranslateUi(this);
        QComboBox* sd = ui_->shutdown_cmb;
        {
            const QSignalBlocker quiet(sd);
            sd->clear();
            sd->addItem(QIcon(QStringLiteral(":/main/sd_none.png")), qtr(L"SHUTDOWN_NONE_ITEM"), 0);
            sd->addItem(QIcon(QStringLiteral(":/main/sd_logoff.png")), qtr(L"SHUTDOWN_WIN_TITLE_LOGOFF"), 1);
            sd->addItem(QIcon(QStringLiteral(":/main/sd_pwroff.png")), qtr(L"SHUTDOWN_WIN_TITLE_PWROFF"), 2);
            sd->setCurrentIndex(0);
        }
        fit_shutdown_combo();
        const wchar_t* const units[] = {L"MISC_WEEK_TEXT",   L"MISC_WEEKS_TEXT",   L"MISC_DAY_TEXT",
                                        L"MISC_DAYS_TEXT",   L"MISC_HOUR_TEXT",    L"MISC_HOURS_TEXT",
                                        L"MISC_MINUTE_TEXT", L"MISC_MINUTES_TEXT", L"MISC_SECOND_TEXT",
                                        L"MISC_SECONDS_TEXT"};
        for (int i = 0; i < 10; ++i) eta_.set_unit_word(i, olvex::tr(units[i]));
        if (path_dialog_) {
            path_dialog_->set_text(PathDialog::text_computer, qtr(L"FSEL_COMPUTER_NAME"));
            path_dialog_->set_text(PathDialog::text_not_found_caption, qtr(L"FSEL_NOT_EXIST_CAP"));
            path_dialog_->set_text(PathDialog::text_not_found_message, qtr(L"FSEL_NOT_EXIST_MSG"));
            path_dialog_->set_text(PathDialog::text_wait, qtr(L"FSEL_WAIT_TEXT"));
        }
        refresh(true);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Exception"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

void WiperWidget::update_link_label(bool apply) {
    if (apply) {
        saved_palette_ = palette();
        retranslate(false);
        adjustSize();
    }
    QPalette window = saved_palette_;
    QPalette title = saved_palette_;
    const int theme = app_settings().get_theme_color();
    auto item = [theme](int i) { return QString::fromStdString(theme_style_sheet(theme, i)); };
    if (theme != theme_default) {
        setAutoFillBackground(true);
        window.setColor(QPalette::Window, QColor(item(theme_background)));
        window.setColor(QPalette::WindowText, QColor(item(theme_text)));
        title.setColor(QPalette::WindowText, QColor(item(theme_strong_text)));
    }
    setPalette(window);
    ui_->title_lab->setPalette(title);
    // Some styles draw the speed button's drop-down arrow in the window-text colour, on the
    // button's own face: a dark theme's light text would all but hide it there.
    QPalette speed = window;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        speed.setColor(group, QPalette::WindowText, window.color(group, QPalette::ButtonText));
    ui_->speed_btn->setPalette(speed);
    ui_->progress_bar->setStyleSheet(item(theme_progress_style));
    link_label_->set_link_color(item(theme_link));
    link_label_->set_visited_color(link_label_->link_color());
    animator_->refresh();
    refresh(true);
    link_label_->set_link_text(web_site_name());
    link_label_->set_url(web_page_url(web_page::home).toString());
    commerce_->apply_theme();
}

void WiperWidget::set_speed(int percent) {
    const int band = speed_band(percent);
    if (band == 0) return;
    QAction* action = band == 100 ? ui_->max_action : band == 65 ? ui_->med_action : ui_->slow_action;
    action->setChecked(true);
    ui_->speed_btn->setIcon(action->icon());
    speed_ = band;
    engine_.set_speed(band);
}

void WiperWidget::apply_scheme(int index) {
    if (!ready_) return;
    const int64_t word = scheme_word_for(index, ui_->verify_chk->isChecked(), app_settings().get_verify_scheme());
    if (word < 0) return;
    if (!engine_.set_scheme(static_cast<uint32_t>(word))) return;
    refresh(true);
    scheme_word_ = static_cast<uint32_t>(word);
}

void WiperWidget::on_wipe_btn_clicked() {
    const int32_t type = engine_.job_options().job_type;
    if ((type == job_volumes || type == job_devices) && app_settings().get_confirm_wipe()) {
        if (!ask_before_harm(this, QMessageBox::Warning, QStringLiteral("Oblivar"), qtr(L"DIALOG_CONFIRM_WIPE_MSG"),
                             QMessageBox::Yes, QMessageBox::Abort)) {
            engine_.abort();
            refresh(false);
            return;
        }
    }
    engine_.confirm_start();
    refresh(true);
}

void WiperWidget::on_reset_pause_btn_clicked() {
    if (!view_.inactive()) {
        if (engine_.is_paused())
            engine_.resume();
        else
            engine_.pause();
        refresh(true);
        return;
    }
    if (view_.dialog_mode) return;
    if (zyapp::instance().close_for_deelevate()) return;
    engine_.reset();
    engine_.set_speed(speed_);
    refresh(true);
}

void WiperWidget::on_abort_close_btn_clicked() {
    if (view_.inactive() || (view_.dialog_mode && view_.waiting())) {
        QApplication::closeAllWindows();
        return;
    }
    engine_.abort();
    refresh(false);
}

void WiperWidget::on_scheme_cmb_currentIndexChanged(int index) { apply_scheme(index); }

void WiperWidget::on_verify_chk_clicked() { apply_scheme(ui_->scheme_cmb->currentIndex()); }

void WiperWidget::on_speed_btn_clicked() {
    speed_menu_->popup(ui_->speed_btn->mapToGlobal(QPoint(0, ui_->speed_btn->height())));
}

void WiperWidget::on_speed_menu_triggered(QAction* act) {
    if (ready_ && act) set_speed(act->data().toInt());
}

void WiperWidget::on_close() { QApplication::closeAllWindows(); }

void WiperWidget::close_when_still_done() {
    // The second before is the user's chance to open the log or to start over.
    if (view_.state == state_done && !log_window_visible()) on_close();
}

// ---- The log window and the job lock ----

void WiperWidget::on_log_btn_clicked() {
    if (!log_window_->shown_once()) log_window_->place_beside(QApplication::activeWindow());
    log_window_->show();
    log_window_->raise();
    log_window_->activateWindow();
}

bool WiperWidget::log_window_visible() const { return log_window_->isVisible(); }

void WiperWidget::start_new_log() { log_window_->start_new_log(); }

void WiperWidget::close_log_file() { log_window_->close_log_file(); }

void WiperWidget::take_log_lines() {
    std::vector<std::wstring> lines;
    engine_.get_log_lines(lines, true);
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) text += L'\n';
        text += lines[i];
    }
    log_window_->append_line(text);
}

bool WiperWidget::hold_job_lock() {
    // Kept wanted while the job is active: a lock that could not be had is tried at every poll.
    lock_wanted_ = true;
    return shutdown_->hold_job_lock();
}

bool WiperWidget::job_lock_held() const { return shutdown_->job_lock_held(); }

void WiperWidget::release_job_lock() {
    lock_wanted_ = false;
    shutdown_->release_job_lock();
}

bool WiperWidget::hand_over_to_shutdown(int mode) {
    if (!job_lock_held() && !shutdown_->hold_job_lock()) return false;
    lock_wanted_ = false;
    if (!shutdown_->run(mode)) select_shutdown_mode(0);
    return true;
}

}  // namespace olvex
