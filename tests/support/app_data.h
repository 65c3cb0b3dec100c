#pragma once
// Points this process's per-user (roaming) and machine-wide application-data folders at folders
// of the test while it lives. Linux: XDG_CONFIG_HOME and XDG_CONFIG_DIRS. Windows: the shell's
// folder values, seen through a per-process override of HKCU and HKLM onto a test key of the
// private prefix (so other test processes are not affected). Both folders must exist.
#include <memory>
#include <string>

namespace oblivar::test {

class scoped_app_data {
public:
    scoped_app_data(const std::wstring& user_folder, const std::wstring& common_folder);
    ~scoped_app_data();
    scoped_app_data(const scoped_app_data&) = delete;
    scoped_app_data& operator=(const scoped_app_data&) = delete;

    // False when the redirection could not be set up; the test must then stop.
    bool active() const;

    struct state;

private:
    std::unique_ptr<state> state_;
};

}  // namespace oblivar::test
