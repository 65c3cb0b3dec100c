#include "tests/support/fake_registry.h"

#include "vandel/strings.h"

#include <algorithm>
#include <cstring>

namespace oblivar::test {

namespace reg = vandel::reg;

struct fake_registry::node {
    struct value {
        std::wstring name;
        uint32_t type;
        std::vector<uint8_t> data;
    };
    std::map<std::wstring, std::shared_ptr<node>> children;  // by lower-cased name
    std::vector<value> values;                                // in the order first set
    bool deleted = false;

    value* find_value(const std::wstring& name) {
        const std::wstring key = vandel::to_lower(name);
        for (auto& v : values)
            if (vandel::to_lower(v.name) == key) return &v;
        return nullptr;
    }
};

struct fake_registry::open_handle {
    std::shared_ptr<node> target;
    bool writable;
};

namespace {

std::vector<std::wstring> parts_of(const std::wstring& path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    for (wchar_t c : path) {
        if (c == L'\\') {
            if (!part.empty()) parts.push_back(vandel::to_lower(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(vandel::to_lower(part));
    return parts;
}

}  // namespace

fake_registry::fake_registry() {
    for (int scope = 1; scope <= 5; ++scope) roots_[scope] = std::make_shared<node>();
}

fake_registry::~fake_registry() {
    for (open_handle* h : handles_) delete h;
}

fake_registry::node* fake_registry::find(int scope, const std::wstring& path) const {
    auto r = roots_.find(scope);
    if (r == roots_.end()) return nullptr;
    node* n = r->second.get();
    for (const auto& part : parts_of(path)) {
        auto c = n->children.find(part);
        if (c == n->children.end()) return nullptr;
        n = c->second.get();
    }
    return n;
}

bool fake_registry::key_exists(int scope, const std::wstring& path) const { return find(scope, path) != nullptr; }

long fake_registry::open_key(int scope, const std::wstring& path, uint32_t access, handle& out) {
    if (failing_) return reg::access_denied;
    if (!roots_.count(scope)) return reg::invalid_handle;
    node* n = find(scope, path);
    if (!n) return reg::file_not_found;
    std::shared_ptr<node> target = roots_[scope];
    for (const auto& part : parts_of(path)) target = target->children[part];
    auto* h = new open_handle{target, (access & reg::key_write & ~reg::key_read) != 0};
    handles_.insert(h);
    out = h;
    return reg::ok;
}

long fake_registry::create_key(int scope, const std::wstring& path, uint32_t access, handle& out) {
    if (failing_) return reg::access_denied;
    if (!roots_.count(scope)) return reg::invalid_handle;
    std::shared_ptr<node> target = roots_[scope];
    for (const auto& part : parts_of(path)) {
        auto& child = target->children[part];
        if (!child) child = std::make_shared<node>();
        target = child;
    }
    auto* h = new open_handle{target, (access & reg::key_write & ~reg::key_read) != 0};
    handles_.insert(h);
    out = h;
    return reg::ok;
}

void fake_registry::close_key(handle key) {
    auto* h = static_cast<open_handle*>(key);
    if (handles_.erase(h)) delete h;
}

long fake_registry::delete_key(int scope, const std::wstring& path, uint32_t) {
    if (failing_) return reg::access_denied;
    const auto parts = parts_of(path);
    if (parts.empty()) return reg::access_denied;
    std::wstring parent_path;
    for (size_t i = 0; i + 1 < parts.size(); ++i) parent_path += parts[i] + L"\\";
    node* parent = find(scope, parent_path);
    if (!parent) return reg::file_not_found;
    auto c = parent->children.find(parts.back());
    if (c == parent->children.end()) return reg::file_not_found;
    if (!c->second->children.empty()) return reg::access_denied;
    c->second->deleted = true;
    parent->children.erase(c);
    return reg::ok;
}

long fake_registry::set_value(handle key, const std::wstring& name, uint32_t type, const void* data, uint32_t size) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    if (h->target->deleted) return reg::key_deleted;
    if (!h->writable) return reg::access_denied;
    const auto* p = static_cast<const uint8_t*>(data);
    std::vector<uint8_t> bytes(p, p + size);
    if (auto* v = h->target->find_value(name)) {
        v->type = type;
        v->data = std::move(bytes);
    } else {
        h->target->values.push_back({name, type, std::move(bytes)});
    }
    return reg::ok;
}

long fake_registry::query_value(handle key, const std::wstring& name, uint32_t* type, void* data, uint32_t* size) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    if (h->target->deleted) return reg::key_deleted;
    auto* v = h->target->find_value(name);
    if (!v) return reg::file_not_found;
    if (type) *type = v->type;
    const auto n = static_cast<uint32_t>(v->data.size());
    if (data) {
        if (!size) return reg::invalid_handle;
        if (*size < n) {
            *size = n;
            return reg::more_data;
        }
        if (n) std::memcpy(data, v->data.data(), n);
    }
    if (size) *size = n;
    return reg::ok;
}

long fake_registry::delete_value(handle key, const std::wstring& name) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    if (h->target->deleted) return reg::key_deleted;
    if (!h->writable) return reg::access_denied;
    auto& values = h->target->values;
    const std::wstring lower = vandel::to_lower(name);
    auto it = std::find_if(values.begin(), values.end(),
                           [&](const node::value& v) { return vandel::to_lower(v.name) == lower; });
    if (it == values.end()) return reg::file_not_found;
    values.erase(it);
    return reg::ok;
}

long fake_registry::flush_key(handle key) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    return h->target->deleted ? reg::key_deleted : reg::ok;
}

long fake_registry::value_count(handle key, uint32_t& count) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    if (h->target->deleted) return reg::key_deleted;
    count = static_cast<uint32_t>(h->target->values.size());
    return reg::ok;
}

long fake_registry::value_name(handle key, uint32_t index, uint32_t capacity, std::wstring& out) {
    auto* h = static_cast<open_handle*>(key);
    if (failing_) return reg::access_denied;
    if (!handles_.count(h)) return reg::invalid_handle;
    if (h->target->deleted) return reg::key_deleted;
    if (index >= h->target->values.size()) return reg::no_more_items;
    const std::wstring& name = h->target->values[index].name;
    if (name.size() + 1 > capacity) return reg::more_data;
    out = name;
    return reg::ok;
}

}  // namespace oblivar::test
