#pragma once
// An in-memory registry for tests, behaving as the Windows registry does where the library can
// tell: key and value names compared without case, values listed in the order they were first
// set, keys with sub-keys refused for deletion, handles of a deleted key failing, writes through
// a read-only handle refused. Install it for the process with scoped_registry_backend.
#include "vandel/registry_key.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace oblivar::test {

class fake_registry : public vandel::registry_backend {
public:
    fake_registry();
    ~fake_registry() override;

    long open_key(int scope, const std::wstring& path, uint32_t access, handle& out) override;
    long create_key(int scope, const std::wstring& path, uint32_t access, handle& out) override;
    void close_key(handle key) override;
    long delete_key(int scope, const std::wstring& path, uint32_t view_flag) override;
    long set_value(handle key, const std::wstring& name, uint32_t type, const void* data, uint32_t size) override;
    long query_value(handle key, const std::wstring& name, uint32_t* type, void* data, uint32_t* size) override;
    long delete_value(handle key, const std::wstring& name) override;
    long flush_key(handle key) override;
    long value_count(handle key, uint32_t& count) override;
    long value_name(handle key, uint32_t index, uint32_t capacity, std::wstring& out) override;

    // Handles open now; a test checks that nothing leaked.
    size_t open_handles() const { return handles_.size(); }
    // Whether scope\path exists.
    bool key_exists(int scope, const std::wstring& path) const;
    // Every later call fails with reg::access_denied while set (a registry that went away).
    void set_failing(bool failing) { failing_ = failing; }

    struct node;

private:
    struct open_handle;
    node* find(int scope, const std::wstring& path) const;

    std::map<int, std::shared_ptr<node>> roots_;
    std::set<open_handle*> handles_;
    bool failing_ = false;
};

// Installs a backend for the process while it lives; the one before is restored after.
class scoped_registry_backend {
public:
    explicit scoped_registry_backend(vandel::registry_backend& backend)
        : previous_(vandel::set_registry_backend(&backend)) {}
    ~scoped_registry_backend() { vandel::set_registry_backend(previous_); }
    scoped_registry_backend(const scoped_registry_backend&) = delete;
    scoped_registry_backend& operator=(const scoped_registry_backend&) = delete;

private:
    vandel::registry_backend* previous_;
};

// The registry a parameterised test runs over: the in-memory one (every build) or the system's
// (Windows, where the tests use their own key of the private prefix).
enum class registry_kind { in_memory, system };

class test_registry {
public:
    explicit test_registry(registry_kind kind)
        : fake_(kind == registry_kind::in_memory ? std::make_unique<fake_registry>() : nullptr) {}
    vandel::registry_backend& backend() {
        return fake_ ? static_cast<vandel::registry_backend&>(*fake_) : vandel::system_registry_backend();
    }
    // Null for the system's registry.
    fake_registry* fake() { return fake_.get(); }

private:
    std::unique_ptr<fake_registry> fake_;
};

// Names the instantiations of a test over registry_kind.
inline std::string registry_kind_name(const ::testing::TestParamInfo<registry_kind>& info) {
    return info.param == registry_kind::in_memory ? "InMemory" : "Advapi32";
}

}  // namespace oblivar::test
