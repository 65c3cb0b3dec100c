#pragma once
// zygui's application object: start-up from the internal command line (a headless command, or a
// Qt application with its first window), the settings and the translator it owns, the request's
// values that the windows read later, and the restarts with and without administrator rights.
#include "gui/shell/start_request.h"
#include "services/settings.h"

#include <cstdint>
#include <memory>
#include <string>

class QInterlang;
class QWidget;

namespace olvex {

class command_bridge;

// Exit code of an instance that returns to normal rights.
constexpr int exit_deelevate = 152;

class zyapp {
public:
    // Returns the process's application object, built on first use.
    static zyapp& instance();

    zyapp();
    virtual ~zyapp();
    zyapp(const zyapp&) = delete;
    zyapp& operator=(const zyapp&) = delete;

    // The whole start-up. Returns the exit code: the event loop's, 0 or 1 for a headless
    // command, 152 after a return to normal rights.
    int run(int argc, char** argv);
    // Shows the request's first window (a dialog alone centred under the cursor) and runs the event
    // loop until the last window closes; returns its result. Where the system lacks the feature
    // of the window (the page file outside Windows) it says so and returns 1, a failed request.
    int run_windows(const std::wstring& language_error);
    // Returns true (exit_code set: 0 done, 1 failed) when the bridge's word is a headless command.
    bool run_headless_command(const command_bridge& bridge, int& exit_code);
    // Selects the language (empty: the user's locale language; English stands in) and installs
    // the translator, which makes every window retranslate itself.
    void set_language(const std::wstring& code);
    // After the options were saved: a changed language and the main window's settings.
    void apply_settings();
    // Restarts elevated through the helper with the request. Returns whether it was started
    // (never when the process can't be raised).
    bool relaunch_elevated(uint32_t action, uint32_t scheme_word, int speed, const std::wstring& paths);
    // Returns true, closing every window and ending the event loop with 152, in an instance
    // started through the helper; false otherwise.
    bool close_for_deelevate();
    // The main window that apply_settings and a restart reach (start-up sets it; null: none).
    void set_main_window(QWidget* window) { main_window_ = window; }
    // Brings the main window back from the minimised state and activates it.
    void raise_main_window();

    olvex::settings& settings() { return settings_; }
    bool is_dialog_mode() const { return request_.dialog_mode; }
    bool is_portable() const { return portable_; }
    // Whether the Explorer extension and page-file clearing are offered: only an installed copy
    // on a system with a registry.
    bool offers_registry_features() const;
    bool is_relaunched() const { return request_.relaunched; }
    int start_job_kind() const { return request_.start_job_kind; }
    std::wstring start_paths() const { return request_.paths; }
    // True with the scheme number 0-9 when the request carried one.
    bool start_scheme(uint32_t& scheme) const;
    // True with the percentage when the request carried a speed of 1 to 100.
    bool start_speed(uint32_t& speed) const;
    // False when the request said nothing on verification; else true, with bit 9 winning.
    bool start_verify(bool& verify) const;

    // The current request's values (tests and windows read them; start-up sets them).
    const start_request& request() const { return request_; }
    void set_request(const start_request& request) { request_ = request; }
    void set_portable(bool portable) { portable_ = portable; }

private:
    // Loads the language files beside the program; returns the loader's error text.
    std::wstring load_languages();

    start_request request_;
    bool portable_ = false;
    olvex::settings settings_;
    QWidget* main_window_ = nullptr;
    std::unique_ptr<QInterlang> translator_;
};

}  // namespace olvex
