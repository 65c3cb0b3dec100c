#pragma once
// Checks that a call throws exactly the exception type and text a unit promises.
#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <string>
#include <typeinfo>

namespace oblivar::test {

// EXPECT_TRUE(throws<std::length_error>([&] { s.write(p, -1); }, "invalid size"));
template <class E, class F>
::testing::AssertionResult throws(F&& call, const char* text) {
    try {
        call();
    } catch (const E& e) {
        if (typeid(e) != typeid(E))
            return ::testing::AssertionFailure() << "threw a subclass: " << typeid(e).name();
        if (std::strcmp(e.what(), text) != 0)
            return ::testing::AssertionFailure() << "threw \"" << e.what() << "\", expected \"" << text << "\"";
        return ::testing::AssertionSuccess();
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << "threw another type: " << typeid(e).name() << " \"" << e.what() << "\"";
    }
    return ::testing::AssertionFailure() << "did not throw";
}

}  // namespace oblivar::test
