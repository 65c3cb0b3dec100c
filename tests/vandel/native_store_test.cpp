#include "vandel/map_settings.h"
#include "vandel/native_store.h"
#include "vandel/registry_key.h"
#include "tests/support/fake_registry.h"
#include "tests/support/registry_test_key.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using oblivar::test::fake_registry;
using oblivar::test::registry_test_key;
using vandel::native_store;
using vandel::registry_key;
using wstrings = std::vector<std::wstring>;

constexpr int hkcu = vandel::registry_current_user;
const std::wstring app = L"App";

// The store over the in-memory registry and, on Windows, over the real one: the company is a
// unique key of HKCU\Software in the test run's private prefix, deleted afterwards.
class NativeStore : public ::testing::TestWithParam<oblivar::test::registry_kind> {
protected:
    void TearDown() override {
        store_.close();
        if (fake_) {
            EXPECT_EQ(fake_->open_handles(), 0u);
        }
    }

    std::wstring company() const { return test_key_.name(); }
    std::wstring app_path() const { return test_key_.path() + L"\\" + app; }

    // A key on the store's values, to see and plant what the store itself would not write.
    std::unique_ptr<registry_key> raw() {
        auto k = std::make_unique<registry_key>(*backend_);
        EXPECT_TRUE(k->create(hkcu, app_path()));
        return k;
    }

    bool open_rw() { return store_.open(vandel::store_user_write, company(), app); }

    oblivar::test::test_registry registry_{GetParam()};
    fake_registry* fake_ = registry_.fake();
    vandel::registry_backend* backend_ = &registry_.backend();
    registry_test_key test_key_;
    native_store store_{*backend_};
};

TEST_P(NativeStore, OpensAndTracksWhatChanged) {
    EXPECT_FALSE(store_.open(vandel::store_user_read, company(), app));  // missing key, read-only
    EXPECT_FALSE(store_.is_open());
    EXPECT_FALSE(store_.open(vandel::store_user_write, company(), L""));
    EXPECT_FALSE(store_.open(0, company(), app));
    EXPECT_FALSE(store_.open(5, company(), app));

    raw()->write_dword(L"Existing", 1);
    ASSERT_TRUE(open_rw());
    EXPECT_EQ(store_.mode(), vandel::store_user_write);
    EXPECT_TRUE(store_.writable());
    EXPECT_EQ(store_.company(), company());
    EXPECT_EQ(store_.application(), app);
    // Every value counts as modified until the caller clears the flags.
    EXPECT_TRUE(store_.modified());
    EXPECT_TRUE(store_.value_modified(L"Existing"));
    EXPECT_FALSE(store_.value_modified(L"absent"));

    ASSERT_TRUE(store_.set_modified(false));
    EXPECT_FALSE(store_.modified());
    EXPECT_FALSE(store_.value_modified(L"Existing"));
    EXPECT_TRUE(store_.set_int(L"existing", 1));  // what it holds: nothing written, no flag
    EXPECT_FALSE(store_.modified());
    EXPECT_TRUE(store_.set_int(L"EXISTING", 2));
    EXPECT_TRUE(store_.modified());
    EXPECT_TRUE(store_.value_modified(L"Existing"));  // names ignore case, as the registry's do
    EXPECT_TRUE(store_.set_value_modified(L"existing", false));
    EXPECT_FALSE(store_.value_modified(L"EXISTING"));
    EXPECT_FALSE(store_.set_value_modified(L"absent", true));

    store_.set_modified(false);
    EXPECT_TRUE(store_.set_string(L"s", L"x"));
    store_.set_modified(false);
    EXPECT_TRUE(store_.set_string(L"s", L"x"));
    EXPECT_FALSE(store_.modified());
    EXPECT_TRUE(store_.flush());

    store_.close();
    EXPECT_FALSE(store_.is_open());
    EXPECT_FALSE(store_.modified());
    EXPECT_EQ(store_.get_int(L"existing", 9, 0, 10), 9);
    ASSERT_TRUE(store_.open(vandel::store_user_read, company(), app));
    EXPECT_FALSE(store_.writable());
    EXPECT_EQ(store_.get_int(L"existing", 9, 0, 10), 2);
    EXPECT_FALSE(store_.set_int(L"existing", 3));
    EXPECT_FALSE(store_.set_string(L"s", L"y"));
    EXPECT_FALSE(store_.erase(L"s"));
    EXPECT_FALSE(store_.clear());
    EXPECT_FALSE(store_.from_lines({L"a.int=1"}, true));
    EXPECT_FALSE(store_.flush());
    EXPECT_EQ(store_.get_string(L"s", L""), L"x");
}

TEST_P(NativeStore, NumbersAndTextsAsTheRegistryHoldsThem) {
    ASSERT_TRUE(open_rw());
    auto k = raw();
    ASSERT_TRUE(store_.set_int(L"neg", -5));
    EXPECT_EQ(k->value_type(L"neg"), vandel::registry_dword_kind);
    EXPECT_EQ(k->read_dword(L"neg"), 0xFFFFFFFBu);
    EXPECT_EQ(store_.get_int(L"neg", 0, INT64_MIN, INT64_MAX), -5);
    ASSERT_TRUE(store_.set_int(L"big", int64_t(1) << 31));
    EXPECT_EQ(k->value_type(L"big"), vandel::registry_qword_kind);
    EXPECT_EQ(store_.get_int(L"big", 0, INT64_MIN, INT64_MAX), int64_t(1) << 31);
    EXPECT_EQ(store_.get_int(L"big", 7, 0, INT32_MAX), 7);  // out of range: the default, not clamped
    EXPECT_EQ(store_.type(L"big"), vandel::settings_int);

    ASSERT_TRUE(store_.set_bool(L"flag", true));
    EXPECT_EQ(k->value_type(L"flag"), vandel::registry_dword_kind);
    EXPECT_EQ(k->read_dword(L"flag"), 1u);
    EXPECT_EQ(store_.type(L"flag"), vandel::settings_int);
    EXPECT_TRUE(store_.get_bool(L"flag", false));

    ASSERT_TRUE(store_.set_float(L"f", 1.5));
    EXPECT_EQ(k->read_string(L"f"), L"1.5");
    EXPECT_EQ(store_.type(L"f"), vandel::settings_str);
    EXPECT_EQ(store_.get_float(L"f", 0), 1.5);
    EXPECT_EQ(store_.get_float(L"neg", 0), -5.0);

    k->write_string(L"word", L"true");
    k->write_string(L"lead", L"12abc");
    k->write_string(L"hex", L"0x20");
    k->write_string_typed(L"bin", L"12", vandel::reg::type_binary);
    k->write_string_typed(L"short", L"", vandel::reg::type_dword);
    EXPECT_TRUE(store_.get_bool(L"word", true));  // only numbers count
    EXPECT_FALSE(store_.get_bool(L"word", false));
    EXPECT_EQ(store_.get_int(L"lead", 0, INT64_MIN, INT64_MAX), 12);
    EXPECT_EQ(store_.get_int(L"hex", 0, INT64_MIN, INT64_MAX), 32);
    EXPECT_EQ(store_.get_int(L"short", 4, INT64_MIN, INT64_MAX), 4);
    EXPECT_EQ(store_.type(L"bin"), vandel::settings_absent);
    EXPECT_EQ(store_.get_string(L"bin", L"d"), L"d");
    EXPECT_EQ(store_.get_int(L"bin", 4, INT64_MIN, INT64_MAX), 4);
    EXPECT_FALSE(store_.value_modified(L"bin"));

    EXPECT_TRUE(store_.set_string(L"long", std::wstring(8190, L'x')));
    EXPECT_FALSE(store_.set_string(L"long", std::wstring(8191, L'x')));
    EXPECT_EQ(store_.get_string(L"long", L"").size(), 8190u);
}

TEST_P(NativeStore, LinesAndCopies) {
    ASSERT_TRUE(open_rw());
    raw()->write_string_typed(L"bin", L"12", vandel::reg::type_binary);
    ASSERT_TRUE(store_.from_lines({L"i.int=0x10", L"f.float=2.5", L"b.bool=yes", L"s=a=b", L"junk"}, true));
    EXPECT_EQ(store_.count(), 5);
    wstrings lines;
    ASSERT_TRUE(store_.to_lines(lines, true));
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (wstrings{L"b.int=1", L"f.str=2.5", L"i.int=16", L"s.str=a=b"}));
    ASSERT_TRUE(store_.to_lines(lines, false));
    EXPECT_EQ(lines.size(), 4u);

    vandel::map_settings<std::wstring> memory;
    ASSERT_TRUE(memory.copy_from(store_));
    EXPECT_EQ(memory.get_int(L"i", 0, 0, 100), 16);
    EXPECT_EQ(memory.type(L"f"), vandel::settings_str);

    memory.set_float(L"g", -0.25);
    memory.erase(L"i");
    ASSERT_TRUE(store_.copy_from(memory));  // replaces everything
    EXPECT_EQ(store_.type(L"i"), vandel::settings_absent);
    EXPECT_EQ(store_.type(L"bin"), vandel::settings_absent);
    EXPECT_EQ(store_.get_float(L"g", 0), -0.25);
    EXPECT_EQ(store_.count(), 4);

    wstrings names;
    ASSERT_TRUE(store_.names(names));
    EXPECT_EQ(names.size(), 4u);
}

TEST_P(NativeStore, ClearAndErase) {
    ASSERT_TRUE(open_rw());
    store_.set_int(L"a", 1);
    store_.set_int(L"b", 2);
    store_.set_modified(false);
    EXPECT_TRUE(store_.erase(L"A"));
    EXPECT_FALSE(store_.erase(L"a"));
    EXPECT_TRUE(store_.modified());

    store_.set_modified(false);
    EXPECT_TRUE(store_.clear());
    EXPECT_TRUE(store_.modified());
    EXPECT_EQ(store_.count(), 0);

    // A key with a sub-key can't be deleted: clear fails and the store still works.
    registry_key sub(*backend_);
    ASSERT_TRUE(sub.create(hkcu, app_path() + L"\\sub"));
    sub.close();
    store_.set_int(L"c", 3);
    EXPECT_FALSE(store_.clear());
    EXPECT_TRUE(store_.is_open());
    EXPECT_EQ(store_.get_int(L"c", 0, 0, 10), 3);
    EXPECT_TRUE(store_.set_int(L"d", 4));
}

TEST_P(NativeStore, RemovesKeysOfClosedStoresOnly) {
    ASSERT_TRUE(store_.open(vandel::store_user_write, company(), L"Other"));
    EXPECT_FALSE(store_.remove(company(), L"Other", true));  // open
    store_.close();
    ASSERT_TRUE(open_rw());
    store_.close();

    // The company key still holds "Other": the application goes, the result is false.
    EXPECT_FALSE(store_.remove(company(), app, true));
    EXPECT_FALSE(store_.open(vandel::store_user_read, company(), app));
    EXPECT_TRUE(store_.remove(company(), L"Other", true));
    registry_key k(*backend_);
    EXPECT_FALSE(k.open(hkcu, test_key_.path(), 1));
    EXPECT_FALSE(store_.remove(company(), L"", true));
}

INSTANTIATE_TEST_SUITE_P(Fake, NativeStore, ::testing::Values(oblivar::test::registry_kind::in_memory),
                         oblivar::test::registry_kind_name);
#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(System, NativeStore, ::testing::Values(oblivar::test::registry_kind::system),
                         oblivar::test::registry_kind_name);
#else
TEST(NativeStoreWithoutRegistry, EveryOpenFails) {
    native_store store;
    EXPECT_FALSE(store.open(vandel::store_user_write, L"Tarnhollow", L"Olvex Main"));
    EXPECT_FALSE(store.open(vandel::store_machine_read, L"Tarnhollow", L"Olvex Main"));
    EXPECT_FALSE(store.is_open());
    EXPECT_FALSE(store.set_int(L"x", 1));
    EXPECT_EQ(store.get_int(L"x", 5, 0, 10), 5);
}
#endif

TEST(NativeStoreBackend, UsesTheInstalledRegistryAndItsPaths) {
    EXPECT_EQ(vandel::registry_settings_path(L"Co", L"App"), L"Software\\Co\\App");
    EXPECT_EQ(vandel::registry_settings_path(L"", L"App"), L"Software\\App");
    EXPECT_EQ(vandel::registry_settings_path(L"Co", L""), L"Software\\Co");

    fake_registry fake;
    oblivar::test::scoped_registry_backend installed(fake);
    native_store user, machine;
    ASSERT_TRUE(user.open(vandel::store_user_write, L"Co", L"App"));
    ASSERT_TRUE(machine.open(vandel::store_machine_write, L"Co", L"App"));
    EXPECT_TRUE(fake.key_exists(vandel::registry_current_user, L"Software\\Co\\App"));
    EXPECT_TRUE(fake.key_exists(vandel::registry_local_machine, L"Software\\Co\\App"));
    // Key paths beyond the wrapper's limit fail the open instead of throwing.
    EXPECT_FALSE(user.open(vandel::store_user_write, L"Co", std::wstring(250, L'a')));
    EXPECT_FALSE(user.is_open());
}

}  // namespace
