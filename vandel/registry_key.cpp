#include "vandel/registry_key.h"

#include "vandel/numbers.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace vandel {

namespace {

std::atomic<registry_backend*> installed_backend{nullptr};

constexpr size_t max_path_units = 254;
constexpr size_t max_string_units = 8190;
constexpr uint32_t name_capacity = 255;

int kind_of(uint32_t type) {
    switch (type) {
    case reg::type_dword: return registry_dword_kind;
    case reg::type_qword: return registry_qword_kind;
    case reg::type_sz: return registry_string_kind;
    case reg::type_expand_sz: return registry_expand_string_kind;
    case reg::type_multi_sz: return registry_multi_string_kind;
    case reg::type_binary: return registry_binary_kind;
    default: return registry_other_kind;
    }
}

void check_path(const std::wstring& path) {
    if (path.size() > max_path_units) throw std::invalid_argument("invalid argument");
}

uint64_t little_endian(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

registry_backend::~registry_backend() = default;

registry_backend* set_registry_backend(registry_backend* backend) {
    return installed_backend.exchange(backend);
}

registry_backend& current_registry_backend() {
    registry_backend* b = installed_backend.load();
    return b ? *b : system_registry_backend();
}

registry_key::registry_key() : backend_(&current_registry_backend()) {}

registry_key::registry_key(registry_backend& backend) : backend_(&backend) {}

registry_key::~registry_key() { close(); }

uint32_t registry_key::view_flag() const {
    return view_ == registry_32_view ? reg::wow64_32key : view_ == registry_64_view ? reg::wow64_64key : 0;
}

bool registry_key::open(int scope, const std::wstring& path, int mode) {
    check_path(path);
    if (mode != 1 && mode != 2) throw std::invalid_argument("invalid argument");
    const uint32_t access = (mode == 2 ? reg::key_read | reg::key_write : reg::key_read) | view_flag();
    registry_backend::handle h = nullptr;
    if (backend_->open_key(scope, path, access, h) != reg::ok) return false;
    close();
    handle_ = h;
    mode_ = mode;
    scope_ = scope;
    path_ = path;
    return true;
}

bool registry_key::create(int scope, const std::wstring& path) {
    if (path.empty()) throw std::invalid_argument("invalid argument");
    check_path(path);
    registry_backend::handle h = nullptr;
    if (backend_->create_key(scope, path, reg::key_all_access | view_flag(), h) != reg::ok) return false;
    close();
    handle_ = h;
    mode_ = 2;
    scope_ = scope;
    path_ = path;
    return true;
}

void registry_key::close() {
    if (mode_ != 0) backend_->close_key(handle_);
    handle_ = nullptr;
    mode_ = 0;
    scope_ = 0;
    path_.clear();
}

bool registry_key::delete_key(int scope, const std::wstring& path) {
    check_path(path);
    if (mode_ != 0 && scope == scope_ && path == path_) close();
    return backend_->delete_key(scope, path, view_flag()) == reg::ok;
}

void registry_key::require_readable() const {
    if (mode_ == 0) throw std::logic_error("invalid state");
}

void registry_key::require_writable() const {
    require_readable();
    if (mode_ != 2) throw std::logic_error("read-only error");
}

bool registry_key::clear() {
    require_writable();
    const int scope = scope_;
    const std::wstring path = path_;
    if (!delete_key(scope, path)) return false;
    return create(scope, path);
}

bool registry_key::delete_value(const std::wstring& name) {
    require_writable();
    return backend_->delete_value(handle_, name) == reg::ok;
}

bool registry_key::flush() {
    require_writable();
    return backend_->flush_key(handle_) == reg::ok;
}

void registry_key::write_string_typed(const std::wstring& name, const std::wstring& text, uint32_t type) {
    require_writable();
    // Checked before any 32-bit size arithmetic, so no length can wrap into a small size.
    if (text.size() > max_string_units) throw std::length_error("invalid size");
    std::vector<uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    if (backend_->set_value(handle_, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())) != reg::ok)
        throw std::runtime_error("failed");
}

void registry_key::write_string(const std::wstring& name, const std::wstring& text) {
    write_string_typed(name, text, reg::type_sz);
}

void registry_key::write_dword(const std::wstring& name, int32_t value) {
    require_writable();
    const auto v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 24)};
    if (backend_->set_value(handle_, name, reg::type_dword, bytes, 4) != reg::ok) throw std::runtime_error("failed");
}

void registry_key::write_qword(const std::wstring& name, int64_t value) {
    require_writable();
    const auto v = static_cast<uint64_t>(value);
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
    if (backend_->set_value(handle_, name, reg::type_qword, bytes, 8) != reg::ok) throw std::runtime_error("failed");
}

bool registry_key::value_exists(const std::wstring& name) const {
    require_readable();
    return backend_->query_value(handle_, name, nullptr, nullptr, nullptr) == reg::ok;
}

int registry_key::value_type(const std::wstring& name) const {
    require_readable();
    uint32_t type = 0;
    if (backend_->query_value(handle_, name, &type, nullptr, nullptr) != reg::ok)
        throw std::runtime_error("not found");
    return kind_of(type);
}

uint32_t registry_key::value_size(const std::wstring& name) const {
    require_readable();
    uint32_t size = 0;
    if (backend_->query_value(handle_, name, nullptr, nullptr, &size) != reg::ok)
        throw std::runtime_error("not found");
    return size;
}

void registry_key::read_exact(const std::wstring& name, uint32_t type, uint8_t* out, uint32_t size) const {
    uint32_t got_type = 0;
    uint32_t got = size;
    // A value shorter than its type would leave bytes of the buffer unread: refused like a
    // failed query, as is a value whose type changed since it was asked.
    if (backend_->query_value(handle_, name, &got_type, out, &got) != reg::ok || got != size || got_type != type)
        throw std::runtime_error("failed");
}

uint32_t registry_key::read_dword(const std::wstring& name) const {
    switch (value_type(name)) {
    case registry_dword_kind: {
        uint8_t bytes[4] = {};
        read_exact(name, reg::type_dword, bytes, 4);
        return static_cast<uint32_t>(little_endian(bytes, 4));
    }
    case registry_qword_kind: {
        const int64_t q = read_qword(name);
        if (q < INT32_MIN || q > INT32_MAX) throw std::range_error("range error");
        return static_cast<uint32_t>(static_cast<int32_t>(q));
    }
    default:
        throw std::runtime_error("invalid type");
    }
}

int64_t registry_key::read_qword(const std::wstring& name) const {
    switch (value_type(name)) {
    case registry_qword_kind: {
        uint8_t bytes[8] = {};
        read_exact(name, reg::type_qword, bytes, 8);
        return static_cast<int64_t>(little_endian(bytes, 8));
    }
    case registry_dword_kind:
        return static_cast<int32_t>(read_dword(name));
    default:
        throw std::runtime_error("invalid type");
    }
}

std::wstring registry_key::read_string(const std::wstring& name) const {
    switch (value_type(name)) {
    case registry_string_kind:
    case registry_expand_string_kind:
    case registry_multi_string_kind: {
        uint32_t n = value_size(name);
        if (n == 0 || n % 2 != 0) return {};
        std::vector<uint8_t> bytes(n, 0);
        if (backend_->query_value(handle_, name, nullptr, bytes.data(), &n) != reg::ok)
            throw std::runtime_error("failed");
        // The value may have shrunk since its size was asked; only what came is text.
        std::wstring text;
        text.reserve(n / 2);
        for (uint32_t i = 0; i + 1 < n && i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
        if (!text.empty() && text.back() == 0) text.pop_back();
        return text;
    }
    case registry_dword_kind:
    case registry_qword_kind:
        return int_to_text<std::wstring>(static_cast<uint64_t>(read_qword(name)));
    default:
        throw std::runtime_error("invalid type");
    }
}

uint32_t registry_key::value_count() const {
    require_readable();
    uint32_t count = 0;
    if (backend_->value_count(handle_, count) != reg::ok || count > INT32_MAX) throw std::runtime_error("failed");
    return count;
}

std::wstring registry_key::value_name(int index) const {
    require_readable();
    if (index < 0 || static_cast<uint32_t>(index) >= value_count()) throw std::out_of_range("invalid index");
    std::wstring name;
    if (backend_->value_name(handle_, static_cast<uint32_t>(index), name_capacity, name) != reg::ok)
        throw std::runtime_error("failed");
    return name;
}

}  // namespace vandel
