#include "vandel/native_store.h"

#include "vandel/map_settings.h"
#include "vandel/numbers.h"

#include <stdexcept>

namespace vandel {

namespace {

wchar_t fold(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

int settings_type_of(int kind) {
    switch (kind) {
    case registry_dword_kind:
    case registry_qword_kind: return settings_int;
    case registry_string_kind:
    case registry_expand_string_kind:
    case registry_multi_string_kind: return settings_str;
    default: return settings_absent;
    }
}

}  // namespace

std::wstring registry_settings_path(const std::wstring& company, const std::wstring& application) {
    std::wstring path = L"Software\\" + company;
    if (!company.empty() && !application.empty()) path += L'\\';
    return path + application;
}

bool native_store::no_case::operator()(const std::wstring& a, const std::wstring& b) const {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const wchar_t x = fold(a[i]), y = fold(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

native_store::native_store() : key_(std::make_unique<registry_key>()) {}

native_store::native_store(registry_backend& backend) : key_(std::make_unique<registry_key>(backend)) {}

native_store::~native_store() {
    try {
        close();
    } catch (...) {
    }
}

void native_store::written(const std::wstring& name) {
    modified_ = true;
    flags_[name] = true;
}

bool native_store::copy_from(const settings_interface<std::wstring>& other) {
    if (!writable()) return false;
    std::vector<std::wstring> lines;
    return other.to_lines(lines, true) && from_lines(lines, false);
}

bool native_store::value_modified(const std::wstring& name) const {
    if (!is_open() || type(name) == settings_absent) return false;
    auto it = flags_.find(name);
    return it != flags_.end() ? it->second : default_flag_;
}

bool native_store::modified() const { return is_open() && modified_; }

bool native_store::set_value_modified(const std::wstring& name, bool flag) {
    if (!is_open() || type(name) == settings_absent) return false;
    flags_[name] = flag;
    modified_ = modified_ || flag;
    return true;
}

bool native_store::set_modified(bool flag) {
    if (!is_open()) return false;
    flags_.clear();
    modified_ = default_flag_ = flag;
    return true;
}

bool native_store::clear() {
    if (!writable()) return false;
    try {
        const int64_t n = count();
        const int scope = key_->scope();
        const std::wstring path = key_->path();
        const bool cleared = key_->clear();
        // A key that could not be deleted (it has sub-keys) is left closed by the wrapper: open
        // it again so the store stays usable, or close the store when even that fails.
        if (key_->mode() == 0 && !key_->create(scope, path)) close();
        flags_.clear();
        modified_ = default_flag_ = n > 0 || modified_;
        return cleared;
    } catch (const std::exception&) {
        return false;
    }
}

int64_t native_store::count() const {
    if (!is_open()) return 0;
    try {
        return key_->value_count();
    } catch (const std::exception&) {
        return 0;
    }
}

bool native_store::erase(const std::wstring& name) {
    if (!writable()) return false;
    try {
        const bool erased = key_->delete_value(name);
        modified_ = modified_ || erased;
        return erased;
    } catch (const std::exception&) {
        return false;
    }
}

int native_store::type(const std::wstring& name) const {
    if (!is_open()) return settings_absent;
    try {
        return key_->value_exists(name) ? settings_type_of(key_->value_type(name)) : settings_absent;
    } catch (const std::exception&) {
        return settings_absent;
    }
}

std::wstring native_store::get_string(const std::wstring& name, const std::wstring& def) const {
    if (!is_open()) return def;
    try {
        return key_->read_string(name);
    } catch (const std::exception&) {
        return def;
    }
}

bool native_store::set_string(const std::wstring& name, const std::wstring& text) {
    if (!writable()) return false;
    try {
        if (type(name) == settings_str && key_->read_string(name) == text) return true;
        key_->write_string(name, text);
        written(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool native_store::read_int(const std::wstring& name, int64_t& out) const {
    try {
        out = key_->read_qword(name);
        return true;
    } catch (const std::runtime_error&) {
        const std::wstring text = get_string(name, L"");
        return !text.empty() && parse_int64(text, out, 0) > 0;
    } catch (const std::exception&) {
        return false;
    }
}

int64_t native_store::get_int(const std::wstring& name, int64_t def, int64_t min, int64_t max) const {
    int64_t r = 0;
    if (!is_open() || !read_int(name, r)) return def;
    return r >= min && r <= max ? r : def;
}

bool native_store::set_int(const std::wstring& name, int64_t value) {
    if (!writable()) return false;
    try {
        int64_t held = 0;
        if (type(name) == settings_int && read_int(name, held) && held == value) return true;
        if (value >= INT32_MIN && value <= INT32_MAX)
            key_->write_dword(name, static_cast<int32_t>(value));
        else
            key_->write_qword(name, value);
        written(name);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

double native_store::get_float(const std::wstring& name, double def) const {
    const std::wstring text = get_string(name, L"");
    double value = 0;
    return !text.empty() && parse_settings_float(text, value) > 0 ? value : def;
}

bool native_store::set_float(const std::wstring& name, double value) {
    return writable() && set_string(name, settings_float_text<std::wstring>(value));
}

bool native_store::get_bool(const std::wstring& name, bool def) const {
    return get_int(name, def ? 1 : 0, INT64_MIN, INT64_MAX) != 0;
}

bool native_store::set_bool(const std::wstring& name, bool value) { return writable() && set_int(name, value ? 1 : 0); }

bool native_store::names(std::vector<std::wstring>& out) const {
    if (!is_open()) return false;
    out.clear();
    try {
        const uint32_t n = key_->value_count();
        for (uint32_t i = 0; i < n; ++i) out.push_back(key_->value_name(static_cast<int>(i)));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool native_store::to_lines(std::vector<std::wstring>& out, bool with_types) const {
    if (!is_open()) return false;
    out.clear();
    try {
        const uint32_t n = key_->value_count();
        for (uint32_t i = 0; i < n; ++i) {
            const std::wstring name = key_->value_name(static_cast<int>(i));
            const int t = type(name);
            if (t == settings_str || t == settings_int)
                out.push_back(settings_line(name, key_->read_string(name), with_types ? t : settings_absent));
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool native_store::from_lines(const std::vector<std::wstring>& lines, bool keep) {
    if (!writable()) return false;
    try {
        if (!keep) clear();
        std::wstring name, text;
        for (const auto& line : lines) {
            settings_value<std::wstring> v;
            if (!settings_value<std::wstring>::from_text(text, split_settings_line(line, name, text), v)) continue;
            bool ok = false;
            switch (v.type) {
            case settings_int: ok = set_int(name, v.integer); break;
            case settings_float: ok = set_float(name, v.real); break;
            case settings_bool: ok = set_bool(name, v.boolean); break;
            default: ok = set_string(name, v.text); break;
            }
            if (!ok) return false;
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool native_store::open(int mode, const std::wstring& company, const std::wstring& application) {
    if (mode < store_user_read || mode > store_machine_write || application.empty()) return false;
    close();
    const int scope = mode >= store_machine_read ? registry_local_machine : registry_current_user;
    const std::wstring path = registry_settings_path(company, application);
    bool opened = false;
    try {
        opened = mode == store_user_write || mode == store_machine_write ? key_->create(scope, path)
                                                                          : key_->open(scope, path, 1);
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) return false;
    modified_ = default_flag_ = true;
    mode_ = mode;
    company_ = company;
    application_ = application;
    return true;
}

bool native_store::flush() {
    if (!writable()) return false;
    try {
        return key_->flush();
    } catch (const std::exception&) {
        return false;
    }
}

void native_store::close() {
    if (mode_ == 0) return;
    key_->close();
    flags_.clear();
    mode_ = 0;
    modified_ = default_flag_ = false;
}

bool native_store::remove(const std::wstring& company, const std::wstring& application, bool per_user) {
    if (is_open() || application.empty()) return false;
    const int scope = per_user ? registry_current_user : registry_local_machine;
    try {
        const bool removed = key_->delete_key(scope, registry_settings_path(company, application));
        if (removed && !company.empty()) return key_->delete_key(scope, registry_settings_path(company, L""));
        return removed;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vandel
