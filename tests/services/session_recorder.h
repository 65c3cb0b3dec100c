#pragma once
// A session provider that records what was asked and ends nothing.
#include "services/session.h"

#include <utility>
#include <vector>

namespace oblivar::test {

class session_recorder : public olvex::session_provider {
public:
    explicit session_recorder(int elevation = olvex::elevation_none, bool accept = true)
        : elevation_(elevation), accept_(accept), previous_(olvex::set_session_provider(this)) {}
    ~session_recorder() override { olvex::set_session_provider(previous_); }
    session_recorder(const session_recorder&) = delete;
    session_recorder& operator=(const session_recorder&) = delete;

    int elevation_type() override { return elevation_; }
    bool end_session(int kind, bool force) override {
        calls.emplace_back(kind, force);
        return accept_;
    }

    std::vector<std::pair<int, bool>> calls;

private:
    int elevation_;
    bool accept_;
    olvex::session_provider* previous_;
};

}  // namespace oblivar::test
