#include "vandel/file_store.h"

#include "vandel/clock.h"
#include "vandel/file_stream.h"
#include "vandel/files.h"
#include "vandel/folders.h"
#include "vandel/strings.h"

namespace vandel {

namespace {

// An existing file that can't be read may be in the middle of being replaced: it gets this
// many tries, this far apart, before the open gives up.
constexpr int load_tries = 5;
constexpr int32_t retry_ms = 200;

std::wstring clean_name(const std::wstring& name) {
    std::wstring out = trim(name, true, true);
    for (wchar_t& c : out)
        if (c == L'\\' || c == L'/' || static_cast<uint32_t>(c) < 0x20) c = L'_';
    return out;
}

bool only_dots(const std::wstring& name) {
    return !name.empty() && name.find_first_not_of(L'.') == std::wstring::npos;
}

bool base_folder(int mode, std::wstring& out) {
    const bool per_user = mode == store_user_read || mode == store_user_write;
    const int kind = per_user ? folder_app_data : folder_common_app_data;
    if (known_folder(kind, out)) return true;
    // A new account may not have its configuration folder yet (Linux: ~/.config): a per-user
    // store that writes makes it.
    if (mode != store_user_write || !detail::system_folder(kind, out) || out.empty() || !create_directory(out)) {
        out.clear();
        return false;
    }
    return known_folder(kind, out);
}

enum class load_result { missing, empty, loaded, unreadable };

load_result load(const std::wstring& path, map_settings<std::wstring>& values, int& format) {
    using outcome = map_settings<std::wstring>::read_outcome;
    format = 0;
    file_stream f;
    if (!f.open(path, open_read, 0))
        return path_kind(path) == kind_missing ? load_result::missing : load_result::unreadable;
    switch (values.read_settings(f)) {
    case outcome::binary: return load_result::loaded;
    case outcome::text: format = 1; return load_result::loaded;
    case outcome::nothing: return load_result::empty;
    default: return load_result::unreadable;
    }
}

}  // namespace

std::wstring settings_file_name(const std::wstring& company, const std::wstring& application,
                                std::wstring& company_folder) {
    company_folder.clear();
    const std::wstring folder = clean_name(company);
    std::wstring file = clean_name(application);
    if (file.empty() || only_dots(file) || only_dots(folder)) return {};
    if (!folder.empty()) company_folder = add_trailing_separator(folder);
    if (file.rfind(L'.') == std::wstring::npos) file += L".cfg";
    return file;
}

std::wstring settings_file_path(const std::wstring& company, const std::wstring& application, int mode) {
    if (trim(application, true, true).empty()) return {};
    std::wstring base, company_folder;
    if (!base_folder(mode, base)) return {};
    const std::wstring file = settings_file_name(company, application, company_folder);
    if (file.empty()) return {};
    const std::wstring folder = base + company_folder;
    if ((mode == store_user_write || mode == store_machine_write) && !company_folder.empty() && !is_directory(folder))
        create_directory(folder);
    return is_directory(folder) ? folder + file : std::wstring();
}

file_store::file_store() = default;

file_store::~file_store() {
    try {
        close();
    } catch (...) {
    }
}

bool file_store::copy_from(const settings_interface<std::wstring>& other) {
    if (!held_writable()) return false;
    std::vector<std::wstring> lines;
    return other.to_lines(lines, true) && from_lines(lines, false);
}

bool file_store::value_modified(const std::wstring& name) const { return held() && values_->value_modified(name); }
bool file_store::modified() const { return held() && values_->modified(); }
bool file_store::set_value_modified(const std::wstring& name, bool flag) {
    return held() && values_->set_value_modified(name, flag);
}
bool file_store::set_modified(bool flag) { return held() && values_->set_modified(flag); }
bool file_store::clear() { return held_writable() && values_->clear(); }
int64_t file_store::count() const { return held() ? values_->count() : 0; }
bool file_store::erase(const std::wstring& name) { return held_writable() && values_->erase(name); }
int file_store::type(const std::wstring& name) const { return held() ? values_->type(name) : settings_absent; }

std::wstring file_store::get_string(const std::wstring& name, const std::wstring& def) const {
    return held() ? values_->get_string(name, def) : def;
}
bool file_store::set_string(const std::wstring& name, const std::wstring& text) {
    return held_writable() && values_->set_string(name, text);
}
int64_t file_store::get_int(const std::wstring& name, int64_t def, int64_t min, int64_t max) const {
    return held() ? values_->get_int(name, def, min, max) : def;
}
bool file_store::set_int(const std::wstring& name, int64_t value) { return held_writable() && values_->set_int(name, value); }
double file_store::get_float(const std::wstring& name, double def) const {
    return held() ? values_->get_float(name, def) : def;
}
bool file_store::set_float(const std::wstring& name, double value) {
    return held_writable() && values_->set_float(name, value);
}
bool file_store::get_bool(const std::wstring& name, bool def) const { return held() ? values_->get_bool(name, def) : def; }
bool file_store::set_bool(const std::wstring& name, bool value) { return held_writable() && values_->set_bool(name, value); }
bool file_store::names(std::vector<std::wstring>& out) const { return held() && values_->names(out); }
bool file_store::to_lines(std::vector<std::wstring>& out, bool with_types) const {
    return held() && values_->to_lines(out, with_types);
}
bool file_store::from_lines(const std::vector<std::wstring>& lines, bool keep) {
    return held_writable() && values_->from_lines(lines, keep);
}

bool file_store::open(int mode, const std::wstring& company, const std::wstring& application) {
    if (mode < store_user_read || mode > store_machine_write) return false;
    const std::wstring path = settings_file_path(company, application, mode);
    if (path.empty()) return false;
    close();

    std::unique_ptr<map_settings<std::wstring>> values;
    int format = 0;
    load_result result = load_result::unreadable;
    for (int tries = 0; result == load_result::unreadable && tries < load_tries; ++tries) {
        if (tries > 0) sleep_ms(retry_ms);
        values = std::make_unique<map_settings<std::wstring>>();  // nothing of a failed try stays
        result = load(path, *values, format);
    }
    // What can't be read is never overwritten: no store over it at all.
    if (result == load_result::unreadable) return false;
    if (result != load_result::loaded && mode != store_user_write && mode != store_machine_write) return false;

    values_ = std::move(values);
    mode_ = mode;
    format_ = format;
    path_ = path;
    company_ = company;
    application_ = application;
    return true;
}

bool file_store::save() {
    if (!held_writable()) return false;
    return values_->save_file(path_, format_ == 1);
}

bool file_store::flush() {
    if (!held_writable()) return false;
    return !values_->changed_since_save() || save();
}

void file_store::close() {
    if (mode_ == 0) return;
    flush();
    mode_ = 0;
    values_.reset();
}

bool file_store::remove(const std::wstring& company, const std::wstring& application, bool per_user) {
    if (is_open()) return false;
    std::wstring base, company_folder;
    if (!base_folder(per_user ? store_user_write : store_machine_write, base)) return false;
    const std::wstring file = settings_file_name(company, application, company_folder);
    if (file.empty()) return false;
    const std::wstring path = base + company_folder + file;
    if (path_kind(path) != kind_missing && !remove_path(path, false)) return false;
    if (!company_folder.empty()) remove_path(base + company_folder, false);
    return true;
}

}  // namespace vandel
