#include "engine/writer.h"

#include "engine/scheme.h"
#include "vandel/clock.h"
#include "vandel/files.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace olvex {

namespace {

// What one request may keep the medium busy for: pause, abort and progress wait for no longer.
constexpr int64_t request_ms = 25;
// Direct writes leave nothing in the system's cache, but a medium (or the host of a virtual
// one) may hold them in a cache of its own, which a flush has to empty. Flushing every so many
// bytes keeps each flush, and so each step, near flush_ms: the span follows what the last such
// flush took.
constexpr uint64_t flush_ms = 40;
constexpr uint64_t first_flush_span = 32 << 20;
constexpr uint64_t min_flush_span = 16 << 20;
constexpr uint64_t max_flush_span = 1 << 30;

}  // namespace

poller::~poller() = default;

std::wstring poller::result_note() const { return std::wstring(); }

bool poller::met_full_disk() const { return false; }

base_writer::base_writer(int32_t mode, std::unique_ptr<vandel::file_stream> stream)
    : target_(stream ? std::move(stream) : std::make_unique<vandel::file_stream>()),
      buffered_(mode != writer_raw),
      mode_(mode) {
    reset();
}

base_writer::~base_writer() = default;

void base_writer::set_tolerance(const double& percent) {
    // NaN counts as no tolerance.
    tolerance_ = percent > 0 ? std::min(percent, 100.0) : 0.0;
}

uint32_t base_writer::open_flags(uint32_t scheme_word) const {
    uint32_t flags = 0;
    switch (mode_) {
    case writer_overwrite: flags = vandel::open_read_write; break;  // in place: never truncated
    case writer_create:
    case writer_fill: flags = vandel::open_create_read_write; break;
    default: flags = vandel::open_read_write | vandel::open_share_read_write | vandel::open_device; break;
    }
    if (!buffered_) flags |= vandel::open_write_through;
    // Large requests go straight to the medium where the system allows it, sparing the copy into
    // its cache and the core that makes it.
    flags |= vandel::open_direct;
    // A verification pass must read what reached the medium, not the system's cache.
    if (scheme_word & (verify_first | verify_last)) flags |= vandel::open_no_buffering;
    return flags;
}

error_code base_writer::open(const std::wstring& path, uint32_t scheme_word, uint64_t size) {
    const error_code code = open_with(
        scheme_word, size, [&](uint32_t flags) { return target_->open(path, flags); },
        [&] {
            std::wstring folder, name;
            vandel::split_path(path, folder, name);
            if (name.empty()) return err_invalid_input;
            if ((!folder.empty() && !vandel::is_directory(folder)) || (mode_ == writer_overwrite && !vandel::is_file(path)))
                return err_path_not_found;
            return err_access_denied;
        });
    if (code == err_bad_write) vandel::remove_path(path, false);  // a file of its own that got no size: gone again
    return code;
}

error_code base_writer::open_with(uint32_t scheme_word, uint64_t size, const std::function<bool(uint32_t)>& opener,
                                  const std::function<error_code()>& failure) {
    if (state_ != writer_closed) return err_invalid_state;
    try {
        reset();
        if (!pattern_.set(scheme_word, 0)) {
            // A scheme without passes: nothing it could write.
            result_ = err_invalid_input;
            return err_invalid_input;
        }
        const uint32_t flags = open_flags(scheme_word);
        bool opened = opener(flags);
        if (!opened) {
            vandel::sleep_ms(150);
            opened = opener(flags);
        }
        if (!opened) {
            const error_code code = failure();
            reset();
            result_ = code;
            return code;
        }
        switch (mode_) {
        case writer_overwrite: size_ = round_up(static_cast<uint64_t>(target_->size()), block_size_); break;
        case writer_create:
            size_ = round_up(size, block_size_);
            if (size_ > INT64_MAX || !target_->set_size(static_cast<int64_t>(size_))) {
                reset();
                result_ = err_bad_write;
                return err_bad_write;
            }
            break;
        case writer_fill: size_ = 0; break;
        default: size_ = static_cast<uint64_t>(target_->size()); break;
        }
        total_ = static_cast<uint64_t>(scheme_pass_count(scheme_word)) * size_;
        pattern_.set_pass_bytes(size_);
        state_ = writer_active;
        result_ = 0;
        return 0;
    } catch (const std::exception&) {
        reset();
        result_ = err_failed;
        return err_failed;
    }
}

std::wstring base_writer::result_note() const { return full_disk_ ? L"The disk is full." : L""; }

void base_writer::reset() {
    full_disk_ = false;
    target_->close();
    size_ = done_ = total_ = bad_total_ = bad_verify_ = bad_write_ = 0;
    state_ = writer_closed;
    result_ = 0;
    pattern_.set_pass_bytes(0);
    pattern_.set(1, 0);
    skip_size_ = block_size_;
    skip_count_ = 0;
    request_limit_ = bufgen::request_bytes;
    flush_span_ = first_flush_span;
    careful_end_ = 0;
    careful_flush_ = false;
    unflushed_ = 0;
}

error_code base_writer::close() {
    if (state_ != writer_finished || !target_->is_open()) return err_invalid_state;
    target_->close();
    state_ = writer_closed;
    return 0;
}

uint64_t base_writer::write_chunk(uint64_t n, bool flush) {
    n = std::min(n, pattern_.remaining());
    int64_t written = target_->write(pattern_.data(), static_cast<int64_t>(n));
    // Filling until the disk is full is the fill's way to end; anywhere else a full disk is a fault.
    if (static_cast<uint64_t>(std::max<int64_t>(written, 0)) < n && mode_ != writer_fill && target_->disk_full())
        full_disk_ = true;
    if (flush && written > 0 && !target_->flush()) {
        if (target_->disk_full() && mode_ != writer_fill) full_disk_ = true;
        // Not known to be on the medium: treat the chunk as failed, and keep the stream in step
        // with the pattern so a skip starts where the chunk did.
        target_->seek(-written, vandel::seekable_stream::from_current);
        return 0;
    }
    return static_cast<uint64_t>(std::max<int64_t>(written, 0));
}

uint64_t base_writer::verify_chunk(uint64_t n, uint64_t& mismatches) {
    n = std::min(n, pattern_.remaining());
    mismatches = 0;
    uint8_t* buffer = read_buffer_.hold(n);
    // Taken first, so the next request is made while this one is read.
    const uint8_t* expected = pattern_.data();
    int64_t got = target_->read(buffer, static_cast<int64_t>(n));
    if (got <= 0) return 0;
    if (std::memcmp(buffer, expected, static_cast<size_t>(got)) != 0) {
        for (int64_t i = 0; i < got; ++i) mismatches += buffer[i] != expected[i];
    }
    return static_cast<uint64_t>(got);
}

uint64_t base_writer::next_skip(uint64_t left) {
    if (skip_count_ != 0 && skip_count_ % 16 == 0) skip_size_ = std::min<uint64_t>(skip_size_ * 16, 0xFFFFF000);
    if (left < skip_size_) skip_size_ = left;
    ++skip_count_;
    return skip_size_;
}

bool base_writer::step(bool flush) {
    // Stepping a writer that is not active must not turn a failed open into success.
    if (state_ != writer_active) return false;
    const uint64_t position = static_cast<uint64_t>(target_->position());
    const uint64_t left = size_ > position ? size_ - position : 0;
    const bool write_through = target_->flags() & vandel::open_write_through;
    const bool flush_now = flush && !write_through;
    const bool verify = pattern_.is_verify_pass();

    if (mode_ == writer_fill) {
        // Every chunk is flushed, so a full disk shows at the chunk that met it.
        uint64_t got = write_chunk(block_size_, !write_through);
        pattern_.advance(got);
        done_ += got;
        size_ = done_;
        if (got > 0) {
            finish_chunk(true, false, left, false, false);
        } else if (target_->disk_full()) {
            // The free space is used up: the remaining passes run in place over what was filled.
            mode_ = writer_overwrite;
            total_ = static_cast<uint64_t>(scheme_pass_count(pattern_.scheme())) * done_;
            pattern_.set_pass_bytes(done_);
            finish_chunk(true, true, left, false, false);
        } else {
            // There is no pass end to skip to: a failed fill fails the file.
            set_state(writer_finished, err_failed);
        }
        return state_ == writer_active;
    }

    // After a failed request its range is retried one block at a time, so a bad region is found
    // and skipped as finely as if every request had been a single block.
    const bool careful = position < careful_end_;
    const uint64_t block_rest = bufgen::block_bytes - position % bufgen::block_bytes;
    uint64_t chunk = std::min(pattern_.remaining(), careful ? block_rest : request_limit_);
    if (chunk >= left) chunk = left;
    const bool ends_pass = chunk == left;
    const bool flush_works = !write_through || (target_->flags() & vandel::open_device);
    const bool flush_due = flush_works && target_->direct() && unflushed_ + chunk >= flush_span_;
    const bool flush_chunk =
        !verify && (flush_now || flush_due || (ends_pass && !write_through) || (careful && careful_flush_));
    const int64_t started = vandel::now_ms();
    uint64_t got;
    uint64_t mismatches = 0;
    if (verify)
        got = verify_chunk(chunk, mismatches);
    else
        got = write_chunk(chunk, flush_chunk);
    const int64_t took = vandel::now_ms() - started;
    // Flushes come by bytes, not by request size: they don't size requests, but the next flush.
    if (!careful && !flush_chunk) pace(chunk, took);
    if (flush_due && got > 0) {
        const uint64_t span = (unflushed_ + got) * flush_ms / static_cast<uint64_t>(std::max<int64_t>(took, 1));
        flush_span_ = std::min(std::max(span, min_flush_span), max_flush_span);
    }
    if (got < chunk && chunk > block_rest) {
        careful_end_ = position + chunk;
        careful_flush_ = flush_chunk;
        // Nothing of it done: no bad region is known yet, the first block is tried next.
        if (got == 0) return true;
    }
    bad_total_ += mismatches;
    bad_verify_ += mismatches;
    const bool flushed = flush_chunk && got > 0;  // a failed flush gives 0
    unflushed_ = flushed ? 0 : unflushed_ + got;
    done_ += got;
    const bool complete = got >= left;
    if (!complete) pattern_.advance(got);
    finish_chunk(got > 0 || left == 0, complete, left, verify, flushed);
    return state_ == writer_active;
}

void base_writer::finish_chunk(bool good, bool complete, uint64_t left, bool verify, bool flushed) {
    if (good) {
        skip_size_ = block_size_;
        skip_count_ = 0;
    } else if (tolerance_ <= 0) {
        set_state(writer_finished, err_failed);
        return;
    } else {
        uint64_t skip = next_skip(left);
        complete = skip == left;
        done_ += skip;
        bad_total_ += skip;
        if (verify)
            bad_verify_ = bad_total_;
        else
            bad_write_ = std::max(bad_write_, bad_total_);
        if (!complete) {
            pattern_.advance(skip);
            if (!target_->seek(static_cast<int64_t>(skip), vandel::seekable_stream::from_current)) {
                set_state(writer_finished, err_failed);
                return;
            }
        }
    }
    const uint64_t limit = static_cast<uint64_t>(tolerance_ / 100.0 * static_cast<double>(size_));
    if (bad_total_ > limit) {
        set_state(writer_finished, verify ? err_verify_failed : err_too_many_write_errors);
        return;
    }
    if (!complete || state_ != writer_active) return;
    skip_size_ = block_size_;
    skip_count_ = 0;
    // Every pass, the last one too, reaches the medium before the next begins or the job is
    // reported (a device is flushed here; a write-through file needs nothing). A pass whose
    // writes may not have reached the medium is no pass done.
    const uint32_t flags = target_->flags();
    const bool flush_is_real = !(flags & vandel::open_write_through) || (flags & vandel::open_device);
    // A chunk that ended the pass with its own flush has put the whole pass on the medium.
    if (!flushed && !target_->flush() && flush_is_real && !verify) {
        if (target_->disk_full()) full_disk_ = true;
        set_state(writer_finished, err_failed);
        return;
    }
    careful_end_ = 0;
    unflushed_ = 0;
    if (pattern_.set_pass(pattern_.pass() + 1)) {
        if (!target_->rewind()) set_state(writer_finished, err_failed);
    } else {
        set_state(writer_finished, 0);
    }
}

void base_writer::pace(uint64_t bytes, int64_t took_ms) {
    if (took_ms > 2 * request_ms) {
        // A slow medium: about what it takes in request_ms, a power of two of blocks, so that
        // requests still end where the pattern's do.
        const uint64_t fit = bytes * static_cast<uint64_t>(request_ms) / static_cast<uint64_t>(took_ms);
        request_limit_ = bufgen::block_bytes;
        while (request_limit_ * 2 <= fit) request_limit_ *= 2;
    } else if (took_ms < request_ms / 2 && bytes >= request_limit_) {
        request_limit_ = std::min(request_limit_ * 2, bufgen::request_bytes);
    }
}

}  // namespace olvex
