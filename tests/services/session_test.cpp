#include "services/session.h"

#include "tests/services/session_recorder.h"

#include <gtest/gtest.h>

namespace olvex {
namespace {

using oblivar::test::session_recorder;

TEST(session, system_elevation_state_is_known) {
    const int state = detail::system_elevation_type();
#ifdef _WIN32
    EXPECT_GE(state, elevation_none);
    EXPECT_LE(state, elevation_full);
#else
    // On POSIX only root counts as elevated; there is no limited state.
    EXPECT_NE(state, elevation_limited);
#endif
}

TEST(session, provider_forces_the_elevation_state_also_after_caching) {
    const int before = cached_elevation_type();
    {
        session_recorder limited(elevation_limited);
        EXPECT_EQ(elevation_type(), elevation_limited);
        EXPECT_EQ(cached_elevation_type(), elevation_limited);
    }
    EXPECT_EQ(cached_elevation_type(), before);
}

TEST(session, end_session_passes_only_known_kinds) {
    session_recorder rec;
    EXPECT_FALSE(end_session(0, false));
    EXPECT_FALSE(end_session(4, true));
    EXPECT_FALSE(end_session(-1, false));
    EXPECT_TRUE(rec.calls.empty());

    EXPECT_TRUE(end_session(session_log_off, false));
    EXPECT_TRUE(end_session(session_restart, true));
    const std::vector<std::pair<int, bool>> expected{{1, false}, {3, true}};
    EXPECT_EQ(rec.calls, expected);
}

TEST(session, refused_end_is_false) {
    session_recorder rec(elevation_none, false);
    EXPECT_FALSE(end_session(session_power_off, false));
    EXPECT_EQ(rec.calls.size(), 1u);
}

TEST(session, posix_commands) {
    using cmd = std::vector<std::string>;
    EXPECT_EQ(detail::session_end_command(1, false, "c7"), (cmd{"loginctl", "terminate-session", "c7"}));
    EXPECT_EQ(detail::session_end_command(1, true, ""), (cmd{"loginctl", "terminate-session", "self"}));
    EXPECT_EQ(detail::session_end_command(2, false, "c7"), (cmd{"systemctl", "poweroff"}));
    EXPECT_EQ(detail::session_end_command(3, true, ""), (cmd{"systemctl", "reboot", "--check-inhibitors=no"}));
    EXPECT_TRUE(detail::session_end_command(0, false, "").empty());
    EXPECT_TRUE(detail::session_end_command(4, false, "").empty());
}

}  // namespace
}  // namespace olvex
