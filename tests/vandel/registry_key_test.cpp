#include "vandel/registry_key.h"
#include "vandel/strings.h"
#include "tests/support/fake_registry.h"
#include "tests/support/registry_test_key.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using oblivar::test::fake_registry;
using oblivar::test::registry_test_key;
using oblivar::test::throws;
using vandel::registry_key;
namespace reg = vandel::reg;

constexpr int hkcu = vandel::registry_current_user;

// Every case runs over the in-memory registry and, on Windows, over the real one (a unique key
// of HKCU\Software in the test run's private prefix, deleted afterwards).
class RegistryKey : public ::testing::TestWithParam<oblivar::test::registry_kind> {
protected:
    using registry_backend = vandel::registry_backend;

    void SetUp() override {
        registry_key probe(*backend_);
        ASSERT_FALSE(probe.open(hkcu, root(), 1)) << "test key exists already";
        ASSERT_TRUE(key_.create(hkcu, root()));
    }

    void TearDown() override {
        key_.close();
        if (fake_) {
            EXPECT_EQ(fake_->open_handles(), 0u);
        }
    }

    const std::wstring& root() const { return test_key_.path(); }

    // Writes raw bytes the wrapper itself would never write.
    void set_raw(const std::wstring& name, uint32_t type, const std::vector<uint8_t>& bytes) {
        registry_backend::handle h = nullptr;
        ASSERT_EQ(backend_->open_key(hkcu, root(), reg::key_all_access, h), reg::ok);
        EXPECT_EQ(backend_->set_value(h, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), reg::ok);
        backend_->close_key(h);
    }

    oblivar::test::test_registry registry_{GetParam()};
    fake_registry* fake_ = registry_.fake();
    registry_backend* backend_ = &registry_.backend();
    registry_test_key test_key_;
    registry_key key_{*backend_};
};

TEST_P(RegistryKey, PathLimitsAndTheRoot) {
    registry_key k(*backend_);
    const std::wstring padded = root() + L"\\" + std::wstring(254 - root().size() - 1, L'p');
    ASSERT_EQ(padded.size(), 254u);
    EXPECT_FALSE(k.open(hkcu, padded, 1));  // tried: missing
    EXPECT_TRUE(throws<std::invalid_argument>([&] { k.open(hkcu, padded + L"q", 1); }, "invalid argument"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { k.create(hkcu, padded + L"q"); }, "invalid argument"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { k.delete_key(hkcu, padded + L"q"); }, "invalid argument"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { k.create(hkcu, L""); }, "invalid argument"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { k.open(hkcu, root(), 3); }, "invalid argument"));

    ASSERT_TRUE(k.create(hkcu, padded));
    EXPECT_EQ(k.mode(), 2);
    EXPECT_EQ(k.path(), padded);
    EXPECT_TRUE(k.delete_key(hkcu, padded));
    EXPECT_EQ(k.mode(), 0);

    ASSERT_TRUE(k.open(hkcu, L"", 1));
    EXPECT_EQ(k.mode(), 1);
    EXPECT_EQ(k.scope(), hkcu);
    EXPECT_TRUE(k.path().empty());
    EXPECT_FALSE(k.open(99, L"Software", 1));  // no such root
    EXPECT_EQ(k.scope(), hkcu);                // the root stays open
}

TEST_P(RegistryKey, FailedOpenKeepsTheKeyHeld) {
    key_.write_dword(L"v", 7);
    EXPECT_FALSE(key_.open(hkcu, root() + L"\\missing", 1));
    EXPECT_FALSE(key_.create(99, L"x"));
    EXPECT_EQ(key_.mode(), 2);
    EXPECT_EQ(key_.path(), root());
    EXPECT_EQ(key_.read_dword(L"v"), 7u);
}

TEST_P(RegistryKey, ModesGuardEveryValueOperation) {
    registry_key closed(*backend_);
    EXPECT_TRUE(throws<std::logic_error>([&] { closed.write_dword(L"v", 1); }, "invalid state"));
    EXPECT_TRUE(throws<std::logic_error>([&] { closed.read_dword(L"v"); }, "invalid state"));
    EXPECT_TRUE(throws<std::logic_error>([&] { closed.value_exists(L"v"); }, "invalid state"));
    EXPECT_TRUE(throws<std::logic_error>([&] { closed.value_name(-1); }, "invalid state"));
    EXPECT_TRUE(throws<std::logic_error>([&] { closed.clear(); }, "invalid state"));

    key_.write_dword(L"v", 1);
    registry_key reader(*backend_);
    ASSERT_TRUE(reader.open(hkcu, root(), 1));
    EXPECT_TRUE(throws<std::logic_error>([&] { reader.write_dword(L"v", 2); }, "read-only error"));
    EXPECT_TRUE(throws<std::logic_error>([&] { reader.write_string(L"v", L"x"); }, "read-only error"));
    EXPECT_TRUE(throws<std::logic_error>([&] { reader.delete_value(L"v"); }, "read-only error"));
    EXPECT_TRUE(throws<std::logic_error>([&] { reader.clear(); }, "read-only error"));
    EXPECT_EQ(reader.mode(), 1);
    EXPECT_EQ(reader.read_dword(L"v"), 1u);
}

TEST_P(RegistryKey, StringSizeLimit) {
    const std::wstring longest(8190, L's');
    key_.write_string(L"s", longest);
    EXPECT_EQ(key_.value_size(L"s"), 16382u);
    EXPECT_EQ(key_.read_string(L"s"), longest);
    EXPECT_TRUE(throws<std::length_error>([&] { key_.write_string(L"t", longest + L"s"); }, "invalid size"));
    EXPECT_FALSE(key_.value_exists(L"t"));
}

TEST_P(RegistryKey, NumbersAcrossTypes) {
    key_.write_qword(L"q5", 5);
    key_.write_qword(L"q31", int64_t(1) << 31);
    key_.write_qword(L"qmin", INT32_MIN);
    key_.write_qword(L"qneg", -7);
    key_.write_dword(L"dall", -1);
    key_.write_dword(L"d42", 42);
    key_.write_string(L"s", L"12");

    EXPECT_EQ(key_.value_type(L"q5"), vandel::registry_qword_kind);
    EXPECT_EQ(key_.value_type(L"d42"), vandel::registry_dword_kind);
    EXPECT_EQ(key_.read_dword(L"q5"), 5u);
    EXPECT_EQ(key_.read_dword(L"qmin"), 0x80000000u);
    EXPECT_TRUE(throws<std::range_error>([&] { key_.read_dword(L"q31"); }, "range error"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_dword(L"s"); }, "invalid type"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_qword(L"s"); }, "invalid type"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_dword(L"missing"); }, "not found"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.value_size(L"missing"); }, "not found"));
    EXPECT_EQ(key_.read_qword(L"dall"), -1);
    EXPECT_EQ(key_.read_dword(L"dall"), 0xFFFFFFFFu);
    EXPECT_EQ(key_.read_qword(L"q31"), int64_t(1) << 31);
    EXPECT_EQ(key_.read_string(L"d42"), L"42");
    EXPECT_EQ(key_.read_string(L"qneg"), L"-7");
    EXPECT_EQ(key_.value_size(L"q5"), 8u);
}

TEST_P(RegistryKey, ShortNumbersAreRefused) {
    // A numeric type whose data is too short would leave bytes of the result unset.
    key_.write_string_typed(L"d2", L"", reg::type_dword);  // 2 bytes
    set_raw(L"q4", reg::type_qword, {1, 0, 0, 0});
    set_raw(L"d0", reg::type_dword, {});
    set_raw(L"d8", reg::type_dword, {1, 0, 0, 0, 0, 0, 0, 0});
    for (const wchar_t* name : {L"d2", L"q4", L"d0", L"d8"}) {
        EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_dword(name); }, "failed"));
        EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_qword(name); }, "failed"));
        EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_string(name); }, "failed"));
    }
}

TEST_P(RegistryKey, StringsAsStored) {
    set_raw(L"bare", reg::type_sz, {'a', 0, 'b', 0});  // no terminator
    set_raw(L"empty", reg::type_sz, {});
    set_raw(L"odd", reg::type_sz, {'a', 0, 'b'});
    set_raw(L"bin", reg::type_binary, {1, 2});
    set_raw(L"big", reg::type_dword_big_endian, {0, 0, 0, 1});
    set_raw(L"multi", reg::type_multi_sz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0});
    key_.write_string_typed(L"exp", L"%TEMP%\\x", reg::type_expand_sz);

    EXPECT_EQ(key_.read_string(L"bare"), L"ab");
    EXPECT_EQ(key_.read_string(L"empty"), L"");
    EXPECT_EQ(key_.read_string(L"odd"), L"");
    EXPECT_EQ(key_.read_string(L"multi"), std::wstring(L"a\0b\0", 4));
    EXPECT_EQ(key_.read_string(L"exp"), L"%TEMP%\\x");
    EXPECT_EQ(key_.value_type(L"exp"), vandel::registry_expand_string_kind);
    EXPECT_EQ(key_.value_type(L"multi"), vandel::registry_multi_string_kind);
    EXPECT_EQ(key_.value_type(L"bin"), vandel::registry_binary_kind);
    EXPECT_EQ(key_.value_type(L"big"), vandel::registry_other_kind);
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_string(L"bin"); }, "invalid type"));
    EXPECT_TRUE(throws<std::runtime_error>([&] { key_.read_string(L"big"); }, "invalid type"));

    const std::wstring unit_text{wchar_t(0xD83D), wchar_t(0xDE00), wchar_t(0xE9)};
    key_.write_string(L"units", unit_text);
    EXPECT_EQ(key_.read_string(L"units"), unit_text);
}

TEST_P(RegistryKey, ListsValueNames) {
    key_.write_string(L"", L"default");
    key_.write_dword(L"Beta", 1);
    key_.write_dword(std::wstring(255, L'n'), 1);  // longer than a listed name may be
    key_.write_dword(L"beta", 2);                  // the same value: names ignore case
    ASSERT_EQ(key_.value_count(), 3u);
    EXPECT_EQ(key_.read_dword(L"BETA"), 2u);

    std::vector<std::wstring> names;
    int failed = 0;
    for (int i = 0; i < 3; ++i) {
        try {
            names.push_back(key_.value_name(i));
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "failed");
            ++failed;
        }
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(failed, 1);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], L"");
    EXPECT_EQ(vandel::to_lower(names[1]), L"beta");
    EXPECT_TRUE(throws<std::out_of_range>([&] { key_.value_name(3); }, "invalid index"));
    EXPECT_TRUE(throws<std::out_of_range>([&] { key_.value_name(-1); }, "invalid index"));
}

TEST_P(RegistryKey, DeletingKeysAndValues) {
    key_.write_dword(L"a", 1);
    EXPECT_TRUE(key_.delete_value(L"a"));
    EXPECT_FALSE(key_.delete_value(L"a"));
    EXPECT_TRUE(key_.flush());

    registry_key sub(*backend_);
    ASSERT_TRUE(sub.create(hkcu, root() + L"\\sub"));
    sub.close();
    // Our own key with a sub-key: closed first, the deletion still fails.
    EXPECT_FALSE(key_.delete_key(hkcu, root()));
    EXPECT_EQ(key_.mode(), 0);
    EXPECT_TRUE(key_.path().empty());

    ASSERT_TRUE(key_.open(hkcu, root(), 2));
    EXPECT_FALSE(key_.clear());  // the deletion fails: left closed
    EXPECT_EQ(key_.mode(), 0);

    ASSERT_TRUE(key_.delete_key(hkcu, root() + L"\\sub"));
    ASSERT_TRUE(key_.open(hkcu, root(), 2));
    key_.write_string(L"x", L"y");
    EXPECT_TRUE(key_.clear());
    EXPECT_EQ(key_.mode(), 2);
    EXPECT_EQ(key_.path(), root());
    EXPECT_EQ(key_.value_count(), 0u);
    EXPECT_FALSE(key_.delete_key(hkcu, root() + L"\\missing"));
    EXPECT_EQ(key_.mode(), 2);  // another key: ours stays open
}

INSTANTIATE_TEST_SUITE_P(Fake, RegistryKey, ::testing::Values(oblivar::test::registry_kind::in_memory),
                         oblivar::test::registry_kind_name);
#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(System, RegistryKey, ::testing::Values(oblivar::test::registry_kind::system),
                         oblivar::test::registry_kind_name);
#else
TEST(SystemRegistry, NoneOnThisSystem) {
    registry_key k;
    EXPECT_FALSE(k.open(hkcu, L"Software", 1));
    EXPECT_FALSE(k.create(hkcu, L"Software\\OblivarTest"));
    EXPECT_FALSE(k.delete_key(hkcu, L"Software\\OblivarTest"));
    EXPECT_EQ(k.mode(), 0);
}
#endif

TEST(RegistryBackend, ProcessWideProviderIsUsedByNewKeys) {
    fake_registry fake;
    {
        oblivar::test::scoped_registry_backend installed(fake);
        registry_key k;
        ASSERT_TRUE(k.create(hkcu, L"Software\\Provided"));
        k.write_dword(L"v", 3);
    }
    EXPECT_TRUE(fake.key_exists(hkcu, L"software\\PROVIDED"));
    EXPECT_EQ(&vandel::current_registry_backend(), &vandel::system_registry_backend());
    EXPECT_EQ(fake.open_handles(), 0u);
}

}  // namespace
