#pragma once
// Environment variables for tests: set or unset one for a scope, the old value restored after.
#include <optional>
#include <string>

namespace oblivar::test {

// Returns the variable's value, or nothing when unset.
std::optional<std::wstring> get_env(const std::string& name);
// Sets the variable, or unsets it for nothing.
void set_env(const std::string& name, const std::optional<std::wstring>& value);

class scoped_env {
public:
    scoped_env(std::string name, const std::optional<std::wstring>& value) : name_(std::move(name)), old_(get_env(name_)) {
        set_env(name_, value);
    }
    ~scoped_env() { set_env(name_, old_); }
    scoped_env(const scoped_env&) = delete;
    scoped_env& operator=(const scoped_env&) = delete;

private:
    std::string name_;
    std::optional<std::wstring> old_;
};

// Points the temporary folder of this process and of the programs it starts at folder (which
// exists): under Wine every process otherwise shares the prefix's one temporary folder.
class scoped_temp_folder {
public:
    explicit scoped_temp_folder(const std::wstring& folder) : tmpdir_("TMPDIR", folder), tmp_("TMP", folder), temp_("TEMP", folder) {}

private:
    scoped_env tmpdir_, tmp_, temp_;
};

}  // namespace oblivar::test
