#include "gui/shell/zyapp.h"

#include "gui/shell/first_window.h"
#include "gui/shell/gui_resources.h"
#include "gui/shell/qinterlang.h"
#include "gui/shell/qt_text.h"
#include "gui/shell/requesting_window.h"
#include "gui/shell/system_font.h"
#include "gui/shell/web_pages.h"
#include "gui/wipe/page_file.h"
#include "services/command_bridge.h"
#include "services/interlang.h"
#include "services/session.h"
#include "services/shell_extension.h"
#include "vandel/files.h"
#include "vandel/folders.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QTime>
#include <QWidget>

namespace olvex {

namespace {

// Centres window on the screen that holds the mouse cursor.
void centre_under_cursor(QWidget* window) {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect g = screen->geometry();
    // The frame counts once the window has one: move() places the frame.
    const QSize size = window->frameGeometry().size();
    window->move(g.left() + g.width() / 2 - size.width() / 2, g.top() + g.height() / 2 - size.height() / 2);
}

}  // namespace

zyapp& zyapp::instance() {
    static zyapp app;
    return app;
}

zyapp::zyapp() = default;

zyapp::~zyapp() = default;

int zyapp::run(int argc, char** argv) {
    std::vector<std::wstring> args;
    vandel::command_line_args(args);
    command_bridge bridge(L".tmp");
    const uint32_t word = bridge.parse(args);
    portable_ = is_portable_copy();

    int exit_code = 0;
    if (run_headless_command(bridge, exit_code)) return exit_code;

    QApplication app(argc, argv);
    apply_system_ui_font();
    init_gui_resources();
    route_local_addresses(&app);
    QApplication::setWindowIcon(
        QIcon(cached_elevation_type() == elevation_full ? ":/main/zyadmin.png" : ":/main/zyicon.png"));
    // The panels draw with qrand; its seed is the clock's milliseconds.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    qsrand(static_cast<uint>(QTime::currentTime().msec()));
    QT_WARNING_POP
    settings_.open(portable_ ? settings_portable : settings_per_user);

    const std::wstring plain =
        word == 0 && bridge.payload().data.empty() ? existing_path_list(plain_arguments(args)) : std::wstring();
    const start_request request = decode_request(word, bridge.payload().data, plain, portable_);

    const std::wstring language_error = load_languages();
    set_language(settings_.get_language());

    request_ = request;
    if (request.relaunched && bridge.payload().window != 0) close_requesting_window(bridge.payload().window);
    return run_windows(language_error);
}

int zyapp::run_windows(const std::wstring& language_error) {
    const start_request request = request_;
    // A window shown alone sees, while it is built, the dialog mode of the word alone.
    if (request.first_window != first_window_kind::main)
        request_.dialog_mode = dialog_mode_of_word(request.command, portable_);
    std::unique_ptr<QWidget> window(create_first_window(request.first_window));
    request_.dialog_mode = request.dialog_mode;
    if (window && request.first_window == first_window_kind::main) main_window_ = window.get();

    if (window && request_.dialog_mode) centre_under_cursor(window.get());
    if (window) window->show();
    // A dialog may fix its size as it is shown: centred again at that size.
    if (window && request_.dialog_mode) centre_under_cursor(window.get());
    if (!language_error.empty())
        QMessageBox::warning(window.get(), QStringLiteral("Oblivar"), to_qstring(language_error), QMessageBox::Ok);
    if (!window) {
        // The request can't be carried out here: say why rather than show nothing, and end as
        // a request that failed.
        if (const wchar_t* key = missing_window_key(request.first_window))
            QMessageBox::warning(nullptr, QStringLiteral("Oblivar"), to_qstring(tr(key)), QMessageBox::Ok);
        return 1;
    }
    const int result = QApplication::exec();
    window.reset();
    main_window_ = nullptr;
    return result;
}

bool zyapp::run_headless_command(const command_bridge& bridge, int& exit_code) {
    const uint32_t word = bridge.command;
    if (!is_headless_command(word)) return false;
    bool ok = false;
    switch (word) {
    case CMD_INSTALL_SHELL_EXTENSION:
        ok = install_shell_extension();
        break;
    case CMD_UNINSTALL:
    {
        ok = uninstall_shell_extension();
        // The stored page-file setting is only known once the settings are open; a copy without
        // a settings file has none, and an uninstall must not leave a new file behind.
        const int mode = portable_ ? settings_portable : settings_per_user;
        if (settings::has_file(mode) && settings_.open(mode) && settings_.has_pagefile_state() &&
            !settings_.get_pagefile_state())
            ok = set_page_file_clearing(page_file_clear_off) && ok;
        break;
    }
    case CMD_UNINSTALL_SHELL_EXTENSION:
        ok = uninstall_shell_extension();
        break;
    case CMD_PAGE_FILE_CLEAR_OFF:
        ok = set_page_file_clearing(page_file_clear_off);
        break;
    case CMD_PAGE_FILE_CLEAR_NEXT:
        ok = set_page_file_clearing(page_file_clear_next);
        break;
    case CMD_PAGE_FILE_CLEAR_ALWAYS:
        ok = set_page_file_clearing(page_file_clear_always);
        break;
    default:
        break;
    }
    exit_code = ok ? 0 : 1;
    return true;
}

std::wstring zyapp::load_languages() {
    std::wstring folder;
    vandel::known_folder(vandel::folder_program, folder);
    return load_language_files(vandel::add_trailing_separator(folder + L"../" + L"zy-langs"), interlang::instance());
}

void zyapp::set_language(const std::wstring& code) {
    {
        interlang::update_scope update(interlang::instance());
        interlang::instance().set_languages(code, L"en");
    }
    if (translator_)
        QCoreApplication::removeTranslator(translator_.get());
    else
        translator_ = std::make_unique<QInterlang>();
    QCoreApplication::installTranslator(translator_.get());
}

void zyapp::apply_settings() {
    if (settings_.language_changed()) set_language(settings_.get_language());
    if (auto* hooks = dynamic_cast<main_window_hooks*>(main_window_)) hooks->apply_settings(false);
    settings_.clear_changed();
}

bool zyapp::relaunch_elevated(uint32_t action, uint32_t scheme_word, int speed, const std::wstring& paths) {
    if (cached_elevation_type() != elevation_limited) return false;
    command_bridge bridge(L".tmp");
    command_payload payload;
    payload.data = paths;
    if (main_window_) {
        payload.window = static_cast<uint64_t>(main_window_->winId());
        if (auto* hooks = dynamic_cast<main_window_hooks*>(main_window_)) hooks->save_geometry(true);
    }
    return bridge.launch(L"zyuac.exe", relaunch_word(action, scheme_word, speed, request_.dialog_mode), launch_open,
                         payload) == 0;
}

bool zyapp::close_for_deelevate() {
    if (!request_.relaunched) return false;
    QApplication::closeAllWindows();
    QCoreApplication::exit(exit_deelevate);
    return true;
}

void zyapp::raise_main_window() {
    if (!main_window_) return;
    main_window_->setWindowState(main_window_->windowState() & ~Qt::WindowMinimized);
    main_window_->activateWindow();
}

bool zyapp::offers_registry_features() const {
#ifdef _WIN32
    return !portable_;
#else
    return false;
#endif
}

bool zyapp::start_scheme(uint32_t& scheme) const { return scheme_of_field(request_.scheme_field, scheme); }

bool zyapp::start_speed(uint32_t& speed) const {
    if (request_.start_speed < 1 || request_.start_speed > 100) return false;
    speed = static_cast<uint32_t>(request_.start_speed);
    return true;
}

bool zyapp::start_verify(bool& verify) const {
    if (!request_.verify_on && !request_.verify_off) return false;
    verify = request_.verify_on;
    return true;
}

}  // namespace olvex
