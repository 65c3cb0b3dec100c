#include "engine/engine.h"
#include "engine/cleaner.h"
#include "engine/file_writer.h"
#include "vandel/clock.h"
#include "vandel/files.h"
#include "vandel/version.h"

#include <algorithm>

namespace olvex {

namespace {

std::wstring size_text(uint64_t bytes) { return vandel::format_bytes<std::wstring>(bytes); }

}  // namespace

bool engine::check_point(bool force) {
    if (is_abort_requested()) throw thread_interrupt();
    if (!job_.refresh_watch.running()) job_.refresh_watch.start();
    if (!force && job_.refresh_watch.intervals(100, true) == 0) return false;
    ced_.set_status(job_.status);
    while (is_paused()) sleep(100);
    return true;
}

void engine::sleep(int32_t ms) {
    if (ms > 0) vandel::sleep_ms(ms);
    if (is_abort_requested()) throw thread_interrupt();
}

error_code engine::drive_poller(poller& p, const std::wstring& caption, const cleaner* fill) {
    job_status& st = job_.status;
    if (options_.simulate) {
        ced_.log_warning(L"Safety lock protection error", L"", false);
        return err_failed;
    }
    error_code result = p.result();
    const bool file_mode = p.kind() == 1;
    if (!caption.empty()) {
        if (file_mode)
            ced_.begin_line(caption);
        else
            ced_.add_line(caption, true);
    }

    if (result == 0 && p.state() == writer_active) {
        const int64_t base = st.done_bytes;
        int32_t speed = ced_.speed();
        // Full speed needs no measured rate: a job calibrates only once it is to run slower,
        // since calibration flushes every step.
        auto calibrate_when_slowed = [&] {
            if (speed >= 100 || job_.calibrating || job_.calibrated) return;
            job_.calibrating = true;
            job_.cal_start_ms = static_cast<uint64_t>(job_.step_watch.elapsed_ms());
            job_.cal_start_bytes = static_cast<uint64_t>(st.done_bytes);
        };
        calibrate_when_slowed();
        p.set_tolerance(options_.tolerance);
        bool report_errors = options_.tolerance > 0 && !file_mode;
        try {
            for (bool more = true; more;) {
                // Batches let a fast medium take many steps between flushes; while calibrating,
                // and at "no speed", every step is flushed and none is throttled.
                bool batch_end = true, growth = false;
                if (!job_.calibrating && speed >= 1) {
                    batch_end = ++job_.batch_steps > job_.batch_size;
                    if (batch_end) {
                        job_.batch_steps = 0;
                        growth = true;
                    }
                }

                const int64_t t0 = job_.step_watch.elapsed_ms();
                if (!job_.first_step) job_.step_watch.start();
                more = p.step(batch_end);
                job_.step_watch.stop();
                const int64_t took = job_.step_watch.elapsed_ms() - t0;
                job_.first_step = false;

                if (report_errors && (p.bad_write_bytes() != 0 || p.bad_verify_bytes() != 0)) {
                    report_errors = false;
                    ced_.log_warning(L"Errors detected (details to follow)", L"", false);
                }
                st.done_bytes = base + static_cast<int64_t>(p.bytes_done());

                if (took > 3000) {
                    // A batch of one step is the least: a slow medium must not stop throttling.
                    job_.batch_size = std::max<uint64_t>(job_.batch_size >> 1, 1);
                } else if (batch_end && growth && took < 1000 && job_.batch_size < 0x7FFFFFFF) {
                    job_.batch_size <<= 1;
                }

                if (check_point(false)) {
                    speed = ced_.speed();
                    const uint64_t done = static_cast<uint64_t>(st.done_bytes);
                    const uint64_t stepped = static_cast<uint64_t>(job_.step_watch.elapsed_ms()) - job_.cal_start_ms;
                    if (job_.calibrating && done > job_.cal_start_bytes && stepped > 3000) {
                        job_.cal_bytes = done - job_.cal_start_bytes;
                        job_.cal_ms = stepped;
                        job_.mark_bytes = done;
                        job_.calibrating = false;
                        job_.calibrated = true;
                    }
                    calibrate_when_slowed();
                }

                if (speed >= 100 || speed < 1) {
                    // Bytes written at full speed owe no pause when the speed is lowered later.
                    job_.mark_bytes = static_cast<uint64_t>(st.done_bytes);
                } else if (!batch_end && job_.calibrated) {
                    // The time the bytes since the last pause took at full speed.
                    uint64_t m = (static_cast<uint64_t>(st.done_bytes) - job_.mark_bytes) * job_.cal_ms / job_.cal_bytes;
                    m = std::min<uint64_t>(m, 10000);
                    if (m >= 100) {
                        job_.mark_bytes = static_cast<uint64_t>(st.done_bytes);
                        sleep(static_cast<int32_t>(static_cast<uint64_t>(100 - speed) * m / 100));
                    }
                }
            }
            p.close();
            result = p.result();
        } catch (const thread_interrupt&) {
            // Not closed: a file stays where it is under its own name, neither cut nor renamed.
            result = err_aborted;
        }
    }

    st.pass_bytes += static_cast<int64_t>(p.size());
    st.bad_write_bytes += static_cast<int64_t>(p.bad_write_bytes());
    st.bad_verify_bytes += static_cast<int64_t>(p.bad_verify_bytes());
    // Free space the fill could not reach may still hold old data: never reported as done OK.
    const uint64_t unreached = fill && result == 0 ? fill->left_over() : 0;
    const uint64_t records = fill && result == 0 ? fill->records() : 0;
    if (unreached != 0 || records != 0) job_.incomplete = true;
    const bool bad = p.bad_write_bytes() != 0 || p.bad_verify_bytes() != 0 || unreached != 0 || records != 0;
    if (file_mode) ced_.end_line(result != 0 ? 3 : bad ? 2 : 1);
    if (p.bad_write_bytes() != 0)
        ced_.log_warning((p.met_full_disk() ? L"Disk full - " : L"Bad i/o - ") + size_text(p.bad_write_bytes()) +
                             L" could not be written",
                         L"", false);
    if (p.bad_verify_bytes() != 0)
        ced_.log_warning(L"Bad Verify - " + size_text(p.bad_verify_bytes()) + L" does not verify", L"", false);
    if (unreached != 0)
        ced_.log_warning(size_text(unreached) +
                             L" of free space could not be overwritten: the file system keeps it back from this program.",
                         L"", false);
    if (records != 0)
        ced_.log_warning(size_text(records) + L" of free space held the work files' own records and may not have been overwritten.",
                         L"", false);
    if (result != 0)
        ced_.log_error(result, L"", p.result_note(), false);
    else if (!file_mode)
        ced_.add_line(bad ? L"Finished" : L"Finished OK");
    else if (!bad)
        return 0;
    ced_.add_blank_line();
    if (result == err_aborted) throw thread_interrupt();
    return result;
}

error_code engine::wipe_file_item(int64_t index, uint32_t scheme, bool remove, bool read_only) {
    job_status& st = job_.status;
    const std::wstring path = full_path(index);
    const std::wstring caption = options_.verbose ? path : vandel::file_name_part(path, true);
    auto refuse = [&](error_code code, const std::wstring& note) {
        ced_.begin_line(caption);
        ced_.end_line(3);
        ced_.log_error(code, L"", note, true);
        return code;
    };
    error_code code = 0;
    std::wstring note;
    struct vandel::file_info found;
    const vandel::folder_handle* holder = reach_item(index, code, note, &found);
    if (!holder) return refuse(code, note);
    if (options_.simulate) {
        // An empty file is as wipeable as any: only one that is not there any more fails.
        ced_.begin_line(caption);
        st.done_bytes += static_cast<int64_t>(found.size);
        st.pass_bytes += static_cast<int64_t>(found.size);
        ced_.end_line(1);
        return 0;
    }

    const std::wstring name = folder_chain::entry_name(job_.items, index);
    if (read_only && !holder->set_attributes(name, 0))
        return refuse(err_access_denied, L"The read-only attribute could not be cleared.");
    file_writer writer(writer_overwrite, remove ? options_.rename_count : -1);
    writer.open_at(*holder, name, job_.items[static_cast<size_t>(index)].id, scheme);
    return drive_poller(writer, caption);
}

}  // namespace olvex
