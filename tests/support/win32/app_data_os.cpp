// Win32 side of the application-data redirection: HKCU and HKLM of this process overridden onto
// keys that hold only the shell's folder values.
#include "tests/support/app_data.h"
#include "tests/support/registry_test_key.h"
#include "vandel/win32/windows.h"

namespace oblivar::test {

namespace {

const wchar_t* const shell_folders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Creates under\name holding the shell folder value; returns the key, null on failure.
HKEY hive_with_folder(const std::wstring& under, const wchar_t* name, const wchar_t* value, const std::wstring& folder) {
    HKEY hive = nullptr, folders = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, (under + L"\\" + name).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &hive, nullptr) != ERROR_SUCCESS)
        return nullptr;
    const bool ok =
        RegCreateKeyExW(hive, shell_folders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &folders, nullptr) == ERROR_SUCCESS &&
        RegSetValueExW(folders, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    if (folders) RegCloseKey(folders);
    if (!ok) {
        RegCloseKey(hive);
        return nullptr;
    }
    return hive;
}

}  // namespace

struct scoped_app_data::state {
    registry_test_key key;  // destroyed last: the tree goes after the overrides are undone
    HKEY user = nullptr;
    HKEY machine = nullptr;
    bool active = false;
};

scoped_app_data::scoped_app_data(const std::wstring& user_folder, const std::wstring& common_folder)
    : state_(new state) {
    state_->user = hive_with_folder(state_->key.path(), L"hkcu", L"AppData", user_folder);
    state_->machine = hive_with_folder(state_->key.path(), L"hklm", L"Common AppData", common_folder);
    state_->active = state_->user && state_->machine &&
                     RegOverridePredefKey(HKEY_CURRENT_USER, state_->user) == ERROR_SUCCESS &&
                     RegOverridePredefKey(HKEY_LOCAL_MACHINE, state_->machine) == ERROR_SUCCESS;
}

scoped_app_data::~scoped_app_data() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    if (state_->user) RegCloseKey(state_->user);
    if (state_->machine) RegCloseKey(state_->machine);
}

bool scoped_app_data::active() const { return state_->active; }

}  // namespace oblivar::test
