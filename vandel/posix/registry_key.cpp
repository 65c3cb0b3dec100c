// POSIX registry backend: these systems have no registry, so every call fails.
#include "vandel/registry_key.h"

namespace vandel {

namespace {

class no_registry final : public registry_backend {
public:
    long open_key(int, const std::wstring&, uint32_t, handle&) override { return reg::not_implemented; }
    long create_key(int, const std::wstring&, uint32_t, handle&) override { return reg::not_implemented; }
    void close_key(handle) override {}
    long delete_key(int, const std::wstring&, uint32_t) override { return reg::not_implemented; }
    long set_value(handle, const std::wstring&, uint32_t, const void*, uint32_t) override {
        return reg::not_implemented;
    }
    long query_value(handle, const std::wstring&, uint32_t*, void*, uint32_t*) override {
        return reg::not_implemented;
    }
    long delete_value(handle, const std::wstring&) override { return reg::not_implemented; }
    long flush_key(handle) override { return reg::not_implemented; }
    long value_count(handle, uint32_t&) override { return reg::not_implemented; }
    long value_name(handle, uint32_t, uint32_t, std::wstring&) override { return reg::not_implemented; }
};

}  // namespace

registry_backend& system_registry_backend() {
    static no_registry backend;
    return backend;
}

}  // namespace vandel
