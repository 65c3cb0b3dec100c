#include "vandel/memory_stream.h"
#include "tests/support/throws.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

using oblivar::test::throws;
using vandel::memory_stream;

TEST(MemoryStream, WritesGrowTheBufferAndReadBack) {
    memory_stream s;
    EXPECT_TRUE(s.writable());
    EXPECT_EQ(s.write("12345", 5), 5);
    EXPECT_EQ(s.size(), 5);
    EXPECT_EQ(s.capacity(), 20);
    EXPECT_EQ(s.position(), 5);
    EXPECT_TRUE(s.eof());
    s.rewind();
    char out[10] = {};
    EXPECT_EQ(s.read(out, 10), 5);
    EXPECT_STREQ(out, "12345");
    EXPECT_EQ(s.read(out, 10), 0);

    s.seek(1, memory_stream::from_start);
    EXPECT_EQ(s.write("abc", 3), 3);
    EXPECT_EQ(s.size(), 5);
    EXPECT_EQ(std::memcmp(s.data_at(0), "1abc5", 5), 0);
    *s.at(4) = 'z';
    EXPECT_EQ(*s.data_at(4), 'z');
}

TEST(MemoryStream, CapacityGrowsBy20PercentThen50InStepsOf20) {
    const struct {
        int64_t size, capacity;
    } rows[] = {{1, 20}, {100, 140}, {10240, 12300}, {10241, 15380}};
    for (const auto& r : rows) {
        memory_stream s;
        s.resize(r.size, 0);
        EXPECT_EQ(s.capacity(), r.capacity) << r.size;
    }
}

TEST(MemoryStream, ResizeKeepsTheBufferUnlessItShrinksMuch) {
    memory_stream s(3, 0xAB);
    EXPECT_EQ(s.size(), 3);
    EXPECT_EQ(*s.data_at(2), 0xAB);
    EXPECT_EQ(s.position(), 0);

    memory_stream big(100, 7);
    ASSERT_EQ(big.capacity(), 140);
    big.seek(90, 0);
    EXPECT_TRUE(big.resize(70, 0));
    EXPECT_EQ(big.capacity(), 140);
    EXPECT_EQ(big.position(), 70);

    memory_stream shrink(100, 7);
    shrink.seek(90, 0);
    shrink.resize(50, 0);
    EXPECT_EQ(shrink.capacity(), 80);
    EXPECT_EQ(shrink.position(), 50);
    EXPECT_EQ(*shrink.data_at(49), 7);

    shrink.set_size(60);
    EXPECT_EQ(*shrink.data_at(55), 0);  // new bytes take the fill
    shrink.resize(0, 0);
    EXPECT_EQ(shrink.capacity(), 0);
    EXPECT_EQ(shrink.size(), 0);
}

TEST(MemoryStream, ViewIsReadOnly) {
    const char data[] = "wxyz";
    memory_stream s(data, 4);
    EXPECT_EQ(s.size(), 4);
    EXPECT_FALSE(s.writable());
    EXPECT_TRUE(s.is_open());
    char out[4];
    EXPECT_EQ(s.read(out, 4), 4);
    EXPECT_EQ(std::memcmp(out, "wxyz", 4), 0);
    EXPECT_EQ(s.data_at(1), reinterpret_cast<const uint8_t*>(data + 1));
    EXPECT_TRUE(throws<std::logic_error>([&] { s.write("a", 1); }, "stream is not open for writing"));
    EXPECT_TRUE(throws<std::logic_error>([&] { s.at(0); }, "stream is not open for writing"));
    EXPECT_TRUE(throws<std::logic_error>([&] { s.resize(1, 0); }, "stream is not open for writing"));

    memory_stream owned(10, 1);
    owned.attach(data, 2);
    EXPECT_EQ(owned.size(), 2);
    EXPECT_EQ(owned.capacity(), 0);
    EXPECT_EQ(owned.position(), 0);
}

TEST(MemoryStream, Seek) {
    memory_stream s(10, 0);
    EXPECT_TRUE(s.seek(0, memory_stream::from_end));
    EXPECT_EQ(s.position(), 10);
    EXPECT_FALSE(s.seek(1, memory_stream::from_end));
    EXPECT_TRUE(s.seek(-4, memory_stream::from_current));
    EXPECT_EQ(s.position(), 6);
    EXPECT_FALSE(s.seek(-7, memory_stream::from_current));
    EXPECT_FALSE(s.seek(INT64_MAX, memory_stream::from_current));
    EXPECT_TRUE(s.seek(3, 9));  // any other origin counts from the start
    EXPECT_EQ(s.position(), 3);
}

TEST(MemoryStream, Misuse) {
    memory_stream s(4, 0);
    char b[4];
    EXPECT_TRUE(throws<std::out_of_range>([&] { s.at(4); }, "invalid index"));
    EXPECT_TRUE(throws<std::out_of_range>([&] { s.data_at(-1); }, "invalid index"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { s.read(nullptr, 1); }, "invalid pointer"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { s.write(nullptr, 1); }, "invalid pointer"));
    EXPECT_TRUE(throws<std::invalid_argument>([&] { s.attach(nullptr, 1); }, "invalid pointer"));
    EXPECT_EQ(s.read(nullptr, 0), 0);
    EXPECT_EQ(s.write(nullptr, 0), 0);
    EXPECT_TRUE(throws<std::length_error>([&] { s.read(b, -1); }, "invalid size"));
    EXPECT_TRUE(throws<std::length_error>([&] { s.write(b, -1); }, "invalid size"));
    EXPECT_TRUE(throws<std::length_error>([&] { s.resize(-1, 0); }, "invalid size"));
    s.seek(2, 0);
    EXPECT_TRUE(throws<std::length_error>([&] { s.write(b, INT64_MAX - 1); }, "invalid size"));
    EXPECT_TRUE(throws<std::length_error>([&] { s.attach(b, -1); }, "invalid size"));
    EXPECT_EQ(s.size(), 4);  // nothing changed by the refusals
}

TEST(MemoryStream, WriteFromItsOwnBytesSurvivesGrowth) {
    memory_stream s;
    s.write("0123456789", 10);
    ASSERT_EQ(s.capacity(), 20);
    for (int i = 0; i < 3; ++i) s.write(s.at(0), s.size());  // 20, 40, 80 bytes; the last two grow
    EXPECT_EQ(s.size(), 80);
    EXPECT_EQ(std::memcmp(s.data_at(70), "0123456789", 10), 0);
}

}  // namespace
