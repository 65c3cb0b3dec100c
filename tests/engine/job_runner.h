#pragma once
// Drives an engine as a front end does: set up, go-ahead, poll to the end, collect the log.
#include "engine/engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace oblivar::test {

// The separator both front ends use.
inline const std::wstring nul_separator(1, L'\0');

// The paths as one NUL-separated text.
inline std::wstring path_list(const std::vector<std::wstring>& paths) {
    std::wstring text;
    for (const auto& p : paths) text += p + nul_separator;
    return text;
}

// Options of a job of the type as tests use them: zeros (the fastest scheme), no user lines.
inline olvex::job_options job_of(int32_t type) {
    olvex::job_options o;
    o.job_type = type;
    o.scheme = 0;
    o.log_user = 0;
    return o;
}

class job_runner {
public:
    olvex::engine engine;
    std::vector<std::wstring> log;
    olvex::job_status status;

    // Takes the new log lines.
    void drain() {
        std::vector<std::wstring> lines;
        engine.get_log_lines(lines, true);
        log.insert(log.end(), lines.begin(), lines.end());
    }

    // Sets the job up; fails the test when it is refused.
    void start(const std::vector<std::wstring>& paths, const olvex::job_options& options) {
        ASSERT_EQ(engine.start_job(path_list(paths), options, nul_separator), 0);
    }

    // Waits for the worker to end; returns the final state (status holds the last snapshot).
    int32_t wait_end() {
        while (engine.is_running()) {
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        drain();
        return engine.get_progress(status);
    }

    // Polls until the log holds line (or the job ended); returns whether it does.
    bool wait_for_line(const std::wstring& line) {
        while (!has(line)) {
            if (!engine.is_running()) {
                drain();
                return has(line);
            }
            drain();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // Sets up, gives the go-ahead at once and runs to the end; returns the final state.
    int32_t run(const std::vector<std::wstring>& paths, const olvex::job_options& options) {
        start(paths, options);
        engine.confirm_start();  // refused only when the job already ended (a failed analysis)
        return wait_end();
    }

    // Returns the index of the first line equal to text at or after from; -1 when none.
    int64_t find(const std::wstring& text, int64_t from = 0) const {
        for (size_t i = static_cast<size_t>(from); i < log.size(); ++i)
            if (log[i] == text) return static_cast<int64_t>(i);
        return -1;
    }
    bool has(const std::wstring& text) const { return find(text) >= 0; }
    // Returns true when some line holds part.
    bool mentions(const std::wstring& part) const {
        return std::any_of(log.begin(), log.end(), [&](const std::wstring& l) { return l.find(part) != std::wstring::npos; });
    }
    // Returns true when the lines follow one another in the log, starting at some line.
    bool has_block(const std::vector<std::wstring>& block) const {
        for (int64_t i = find(block.front()); i >= 0; i = find(block.front(), i + 1)) {
            size_t k = 1;
            while (k < block.size() && static_cast<size_t>(i) + k < log.size() && log[static_cast<size_t>(i) + k] == block[k]) ++k;
            if (k == block.size()) return true;
        }
        return false;
    }
    // The whole log, for failure messages.
    std::string dump() const {
        std::string out;
        for (const auto& l : log) {
            for (wchar_t c : l) out += c < 0x80 ? static_cast<char>(c) : '?';
            out += '\n';
        }
        return out;
    }
};

}  // namespace oblivar::test
