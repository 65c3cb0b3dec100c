// For the whole test program, ending the session reaches a provider that fails the test instead
// of the system; tests that need a recorder install their own over it.
#include "services/session.h"

#include <gtest/gtest.h>

namespace {

class refusing_provider : public olvex::session_provider {
public:
    int elevation_type() override { return olvex::detail::system_elevation_type(); }
    bool end_session(int kind, bool) override {
        ADD_FAILURE() << "a test asked to end the session (kind " << kind << ")";
        return false;
    }
};

class session_guard : public ::testing::Environment {
public:
    void SetUp() override { olvex::set_session_provider(&provider_); }
    void TearDown() override { olvex::set_session_provider(nullptr); }

private:
    refusing_provider provider_;
};

[[maybe_unused]] ::testing::Environment* const guard = ::testing::AddGlobalTestEnvironment(new session_guard);

}  // namespace
