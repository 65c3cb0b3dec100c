// POSIX side of the application-data redirection: the XDG variables.
#include "tests/support/app_data.h"
#include "tests/support/env.h"

namespace oblivar::test {

struct scoped_app_data::state {
    scoped_env user;
    scoped_env common;
};

scoped_app_data::scoped_app_data(const std::wstring& user_folder, const std::wstring& common_folder)
    : state_(new state{{"XDG_CONFIG_HOME", user_folder}, {"XDG_CONFIG_DIRS", common_folder}}) {}

scoped_app_data::~scoped_app_data() = default;

bool scoped_app_data::active() const { return true; }

}  // namespace oblivar::test
