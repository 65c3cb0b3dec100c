#include "gui/shell/main_window.h"

#include "gui/shell/about_dialog.h"
#include "gui/shell/log_window.h"
#include "gui/shell/options_dialog.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/system_features.h"
#include "gui/shell/taskbar_button.h"
#include "gui/shell/theme.h"
#include "gui/shell/web_pages.h"
#include "gui/shell/zyapp.h"
#include "gui/wipe/page_dialog.h"
#include "gui/wipe/wiper_widget.h"
#include "services/interlang.h"
#include "services/session.h"

#include "ui_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <exception>

namespace olvex {

namespace {

constexpr int title_period_ms = 750;
constexpr int start_delay_ms = 250;

QString text_of(const wchar_t* key) { return to_qstring(tr(key)); }

QString without_ampersands(QString text) { return text.remove(QLatin1Char('&')); }

// Runs a dialog of this window modally, built on first use.
template <typename Dialog>
void run_dialog(Dialog*& dialog, QWidget* parent) {
    if (!dialog) dialog = new Dialog(parent);
    dialog->exec();
}

}  // namespace

MainWindow::MainWindow() : QMainWindow(nullptr), ui_(std::make_unique<Ui::main_form>()) {
    ui_->setupUi(this);
    set_system_colors(palette().color(QPalette::Window).name().toStdString(),
                      palette().color(QPalette::WindowText).name().toStdString());
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);

    job_ = new WiperWidget(this);
    setCentralWidget(job_);
    // The timer alone would leave the title on the last percentage for most of a second after
    // the window says the job ended.
    connect(job_, &WiperWidget::caption_changed, this, &MainWindow::show_job_caption);

    zyapp& app = zyapp::instance();
    if (!app.is_dialog_mode()) {
        const struct {
            QAction* action;
            const char* icon;
        } icons[] = {{ui_->wipe_file_action, "menu_files"},      {ui_->wipe_device_action, "menu_device"},
                     {ui_->wipe_volume_action, "menu_volume"},   {ui_->wipe_space_action, "menu_clean"},
                     {ui_->wipe_trash_action, "menu_trash"},     {ui_->page_action, "menu_page"},
                     {ui_->exit_action, "menu_close"},           {ui_->elevate_action, "menu_shield"},
                     {ui_->deelevate_action, "menu_deelevate"},  {ui_->log_action, "menu_log"},
                     {ui_->options_action, "menu_tools"},        {ui_->help_action, "menu_help"},
                     {ui_->facebook_action, "menu_facebook"},    {ui_->twitter_action, "menu_twitter"},
                     {ui_->check_version_action, "menu_updates"}, {ui_->about_action, "menu_about"}};
        for (const auto& i : icons)
            i.action->setIcon(QIcon(QStringLiteral(":/main/") + QLatin1String(i.icon) + QStringLiteral(".png")));
        ui_->check_version_action->setVisible(!app.is_portable());
        build_tool_bar();
        ui_->elevate_action->setVisible(cached_elevation_type() == elevation_limited || app.is_relaunched());
        ui_->deelevate_action->setVisible(ui_->elevate_action->isVisible());

        context_menu_ = new QMenu(this);
        context_menu_->addAction(ui_->elevate_action);
        context_menu_->addAction(ui_->deelevate_action);
        context_menu_->addSeparator();
        context_menu_->addAction(ui_->log_action);
        context_menu_->addAction(ui_->options_action);
        context_menu_->addSeparator();
        context_menu_->addAction(ui_->help_action);
        context_menu_->addAction(ui_->check_version_action);
        // Right clicks on the job window come here.
        job_->setContextMenuPolicy(Qt::NoContextMenu);
    }

    apply_settings(true);
    setWindowTitle(base_title_);
    title_timer_ = startTimer(title_period_ms, Qt::CoarseTimer);
    QTimer::singleShot(start_delay_ms, this, &MainWindow::on_create_timer);
}

MainWindow::~MainWindow() = default;

void MainWindow::build_tool_bar() {
    auto add = [this](QAction* like, void (MainWindow::*slot)()) {
        QAction* a = ui_->tool_bar->addAction(like->icon(), QString());
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    tb_files_ = add(ui_->wipe_file_action, &MainWindow::on_wipe_file_action_triggered);
    tb_device_ = add(ui_->wipe_device_action, &MainWindow::on_wipe_device_action_triggered);
    tb_volume_ = add(ui_->wipe_volume_action, &MainWindow::on_wipe_volume_action_triggered);
    tb_space_ = add(ui_->wipe_space_action, &MainWindow::on_wipe_space_action_triggered);
    tb_trash_ = add(ui_->wipe_trash_action, &MainWindow::on_wipe_trash_action_triggered);
    tb_page_ = add(ui_->page_action, &MainWindow::on_page_action_triggered);

    tools_button_ = new QToolButton(this);
    tools_button_->setObjectName(QStringLiteral("tools_btn"));
    tools_button_->setAutoRaise(true);
    tools_button_->setPopupMode(QToolButton::MenuButtonPopup);
    tools_button_->setMenu(ui_->tools_menu);
    tools_button_->setIcon(QIcon(QStringLiteral(":/main/menu_tools.png")));
    connect(tools_button_, &QToolButton::clicked, this, &MainWindow::on_options_action_triggered);
    tb_tools_ = ui_->tool_bar->addWidget(tools_button_);
}

void MainWindow::retranslate(bool with_form) {
    try {
        if (with_form) ui_->retranslateUi(this);
        base_title_ = QStringLiteral("Oblivar");
        if (!tb_files_) return;
        const struct {
            QAction* action;
            const wchar_t* bar_key;
            const wchar_t* menu_key;
        } texts[] = {{tb_files_, L"MAIN_TBAR_FILES", L"MAIN_MENU_FILES"},
                     {tb_device_, L"MAIN_TBAR_DEVICE", L"MAIN_MENU_DEVICE"},
                     {tb_volume_, L"MAIN_TBAR_VOLUME", L"MAIN_MENU_VOLUME"},
                     {tb_space_, L"MAIN_TBAR_CLEAN", L"MAIN_MENU_CLEAN"},
                     {tb_trash_, L"MAIN_TBAR_TRASH", L"MAIN_MENU_TRASH"},
                     {tb_page_, L"MAIN_TBAR_PAGE", L"MAIN_MENU_PAGE"}};
        for (const auto& t : texts) {
            if (t.action == tb_trash_)
                t.action->setText(text_of(t.bar_key));
            else
                t.action->setIconText(text_of(t.bar_key));
            t.action->setToolTip(without_ampersands(text_of(t.menu_key)));
        }
        tools_button_->setText(text_of(L"MAIN_TBAR_TOOLS"));
        tools_button_->setToolTip(without_ampersands(text_of(L"MAIN_TBAR_TOOLS")));
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Exception"), QString::fromLocal8Bit(e.what()), QMessageBox::Ok);
    }
}

void MainWindow::apply_settings(bool initial) {
    if (initial) retranslate(false);
    zyapp& app = zyapp::instance();
    if (app.is_dialog_mode()) {
        if (initial) {
            menuBar()->hide();
            ui_->tool_bar->hide();
            job_->resize(job_->minimumSize());
        }
    } else if (initial || app.settings().layout_changed()) {
        apply_layout();
    }
    if (!initial) {
        job_->update_link_label(false);
        return;
    }
    apply_geometry();
}

void MainWindow::apply_layout() {
    zyapp& app = zyapp::instance();
    const main_settings s = read_main_settings(app.settings());
    const main_layout l = layout_of(s, !app.is_portable() && registry_features());
    QToolBar* bar = ui_->tool_bar;
    bar->setVisible(l.toolbar_visible);
    tb_device_->setVisible(l.device_button);
    tb_volume_->setVisible(l.volume_button);
    tb_files_->setVisible(l.files_button);
    tb_space_->setVisible(l.space_button);
    tb_trash_->setVisible(l.trash_button);
    tb_page_->setVisible(l.page_button);
    ui_->page_action->setVisible(l.page_entry);
    tb_tools_->setVisible(l.tools_button);
    bar->setIconSize(QSize(l.icon_size, l.icon_size));
    const auto style = static_cast<Qt::ToolButtonStyle>(l.button_style);
    bar->setToolButtonStyle(style);
    tools_button_->setToolButtonStyle(style);

    bar->setStyleSheet(QStringLiteral("QToolButton{ min-width:0; }"));
    const Qt::ToolBarArea area = l.place == toolbar_top     ? Qt::TopToolBarArea
                                 : l.place == toolbar_right ? Qt::RightToolBarArea
                                                            : Qt::LeftToolBarArea;
    addToolBar(area, bar);
    if (l.place != toolbar_top) bar->adjustSize();
    bar->setStyleSheet(QString::fromStdString(toolbar_style_sheet(s, toolbar_place_styles(l.place, bar->width()))));

    menuBar()->setVisible(l.menu_bar_visible);
    if (l.menu_bar_visible)
        menuBar()->setStyleSheet(QString::fromStdString(menubar_style_sheet(
            s, palette().color(QPalette::Window).name().toStdString(),
            palette().color(QPalette::WindowText).name().toStdString())));
}

void MainWindow::apply_geometry() {
    settings& st = zyapp::instance().settings();
    const bool dialog = zyapp::instance().is_dialog_mode();
    const int32_t width = st.get_window_width(dialog), height = st.get_window_height(dialog);
    if (width > 0 && height > 0)
        resize(width, height);
    else
        adjustSize();
    int32_t x = st.get_window_posx(), y = st.get_window_posy();
    if (!stored_position(x, y)) return;
    move(x, y);
    st.set_window_pos(-1, -1);
    // The log window comes back where it was, once.
    x = st.get_logwin_posx();
    y = st.get_logwin_posy();
    if (!stored_position(x, y)) return;
    if (LogWindow* log = job_->log_window()) {
        // The screens may have changed since: it comes back inside one.
        log->place_at(QPoint(x, y), QSize(st.get_logwin_width(), st.get_logwin_height()));
        log->show();
    }
    st.set_logwin_geometry(-1, -1, -1, -1);
}

void MainWindow::save_geometry(bool with_position) {
    settings& st = zyapp::instance().settings();
    st.set_window_size(width(), height(), zyapp::instance().is_dialog_mode());
    if (!with_position) return;
    st.set_window_pos(x(), y());
    const LogWindow* log = job_->log_window();
    if (log && log->isVisible()) st.set_logwin_geometry(log->x(), log->y(), log->width(), log->height());
    st.close();
    st.clear_changed();
}

void MainWindow::show_job_caption() {
    const QString title = to_qstring(window_title(from_qstring(base_title_), from_qstring(job_->state_caption())));
    if (title != windowTitle()) setWindowTitle(title);
    if (taskbar_) {
        apply_taskbar_value(indicator_, job_->taskbar_progress());
        taskbar_->show(indicator_);
    }
}

void MainWindow::timerEvent(QTimerEvent*) {
    show_job_caption();
    const bool busy = job_->is_busy();
    const int elevation = cached_elevation_type();
    ui_->elevate_action->setEnabled(!busy && elevation == elevation_limited);
    ui_->deelevate_action->setEnabled(zyapp::instance().is_relaunched() && !busy && elevation == elevation_full);
}

void MainWindow::on_create_timer() {
    taskbar_ = std::make_unique<taskbar_button>(static_cast<uint64_t>(winId()));
    zyapp& app = zyapp::instance();
    // A portable copy starts no job that its command line names.
    if (app.is_portable()) return;
    if (app.start_job_kind() != 0) job_->start_job(app.start_job_kind(), app.start_paths());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    save_geometry(zyapp::instance().is_relaunched());
    QApplication::closeAllWindows();
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    if (!context_menu_) return;
    try {
        context_menu_->exec(event->globalPos());
    } catch (...) {
    }
}

void MainWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        retranslate(true);
        return;
    }
    QMainWindow::changeEvent(event);
}

QMenu* MainWindow::createPopupMenu() { return nullptr; }

void MainWindow::on_wipe_device_action_triggered() { job_->new_job(3); }
void MainWindow::on_wipe_volume_action_triggered() { job_->new_job(2); }
void MainWindow::on_wipe_file_action_triggered() { job_->new_job(1); }
void MainWindow::on_wipe_space_action_triggered() { job_->new_job(4); }
void MainWindow::on_wipe_trash_action_triggered() { job_->new_job(5); }
void MainWindow::on_page_action_triggered() { run_dialog(page_, this); }
void MainWindow::on_exit_action_triggered() { close(); }

void MainWindow::on_elevate_action_triggered() {
    if (job_->is_busy()) return;
    zyapp::instance().relaunch_elevated(0, static_cast<uint32_t>(job_->scheme_word()), job_->speed_percent(), std::wstring());
}

void MainWindow::on_deelevate_action_triggered() { zyapp::instance().close_for_deelevate(); }
void MainWindow::on_log_action_triggered() { job_->on_log_btn_clicked(); }
void MainWindow::on_options_action_triggered() { run_dialog(options_, this); }
void MainWindow::on_help_action_triggered() { open_web_page(web_page::user_guide); }
void MainWindow::on_facebook_action_triggered() { open_web_page(web_page::community); }
void MainWindow::on_twitter_action_triggered() { open_web_page(web_page::news); }
void MainWindow::on_check_version_action_triggered() { open_web_page(web_page::updates); }
void MainWindow::on_about_action_triggered() { run_dialog(about_, this); }

}  // namespace olvex
