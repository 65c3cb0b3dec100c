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
// While a fill runs its length is unknown: the pattern is given one the fill never reaches, so it
// hands out whole requests. A pass's blocks don't depend on its length, so the passes after the
// fill, given the length it found, write and verify the same bytes.
constexpr uint64_t fill_pass_bytes = uint64_t(1) << 62;

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
        flags = vandel::open_create_read_write | (grow_by_writes_ ? vandel::open_grow_by_writes : 0);
        break;
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
        pattern_.set_pass_bytes(mode_ == writer_fill ? fill_pass_bytes : size_);
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
    flush_span_ = 0;
    careful_end_ = 0;
    careful_flush_ = false;
    unflushed_ = 0;
    unflushed_ms_ = 0;
    fill_limit_ = bufgen::request_bytes;
    fill_flushed_ = 0;
    held_ = 0;
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
    if (static_cast<uint64_t>(std::max<int64_t>(written, 0)) < n && target_->disk_full()) full_disk_ = true;
    if (flush && written > 0 && !target_->flush()) {
        if (target_->disk_full()) full_disk_ = true;
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
    return mode_ == writer_fill ? fill_step(flush) : pass_step(flush);
}

bool base_writer::flush_works() const {
    const uint32_t flags = target_->flags();
    return !(flags & vandel::open_write_through) || (flags & vandel::open_device);
}

bool base_writer::cached() const { return flush_works() && !target_->direct(); }

bool base_writer::flush_after(uint64_t chunk, bool asked, bool ends_pass, bool careful) const {
    // A write-through file needs no flush; a device is flushed at the pass end.
    if ((asked || ends_pass) && !(target_->flags() & vandel::open_write_through)) return true;
    // The range of a failed request is retried as that request was written.
    if (careful && careful_flush_) return true;
    if (!flush_works()) return false;
    // What the cache holds reaches the medium only at the flush, so on a cached stream the first
    // request is flushed at once: that flush shows what the medium takes, as a direct request does.
    const uint64_t span = flush_span_ ? flush_span_ : cached() ? 0 : first_flush_span;
    return unflushed_ + chunk >= span;
}

void base_writer::after_write(uint64_t chunk, uint64_t got, int64_t took_ms, bool flushed, bool careful) {
    const uint64_t moved = unflushed_ + got;  // what a flush of this step wrote back
    const auto span_for = [&](int64_t ms, uint64_t least) {
        const uint64_t span = moved * flush_ms / static_cast<uint64_t>(std::max<int64_t>(ms, 1));
        flush_span_ = std::min(std::max(span, least), max_flush_span);
    };
    if (cached()) {
        // Writes into the cache look fast; the flush pays for them all. Requests and flushes are
        // sized by what the flushed bytes took since the last flush, so a flushing step stays short.
        if (flushed) {
            const int64_t ms = unflushed_ms_ + took_ms;
            if (!careful) pace(moved, ms);
            span_for(ms, bufgen::block_bytes);
        } else if (!careful) {
            pace(chunk, took_ms, false);
        }
    } else {
        // Direct flushes come by bytes, not by request size: they don't size requests, but the
        // next flush.
        if (!careful && !flushed) pace(chunk, took_ms);
        if (flushed) span_for(took_ms, min_flush_span);
    }
    unflushed_ = flushed ? 0 : moved;
    unflushed_ms_ = flushed ? 0 : unflushed_ms_ + took_ms;
}

bool base_writer::pass_step(bool flush) {
    const uint64_t position = static_cast<uint64_t>(target_->position());
    const uint64_t left = size_ > position ? size_ - position : 0;
    const bool verify = pattern_.is_verify_pass();

    // After a failed request its range is retried one block at a time, so a bad region is found
    // and skipped as finely as if every request had been a single block.
    const bool careful = position < careful_end_;
    const uint64_t block_rest = bufgen::block_bytes - position % bufgen::block_bytes;
    uint64_t chunk = std::min(pattern_.remaining(), careful ? block_rest : request_limit_);
    if (chunk >= left) chunk = left;
    // A verification writes nothing: it neither flushes nor moves the span the writes go by.
    const bool flush_chunk = !verify && flush_after(chunk, flush, chunk == left, careful);
    const uint64_t unflushed = unflushed_;
    const int64_t started = vandel::now_ms();
    uint64_t got;
    uint64_t mismatches = 0;
    if (verify)
        got = verify_chunk(chunk, mismatches);
    else
        got = write_chunk(chunk, flush_chunk);
    const int64_t took = vandel::now_ms() - started;
    const bool flushed = flush_chunk && got > 0;  // a failed flush gives 0
    if (verify) {
        if (!careful) pace(chunk, took);
    } else {
        after_write(chunk, got, took, flushed, careful);
    }
    if (!verify && grow_by_writes_ && mode_ == writer_create && pattern_.pass() == 0 && got < chunk && full_disk_) {
        // The volume filled before the file: it ends here. A refused flush leaves what came after
        // the last good one unsure, so the file ends before that.
        const uint64_t end = got > 0 ? position + got : position - std::min(position, unflushed);
        if (!target_->set_size(static_cast<int64_t>(end))) {
            set_state(writer_finished, err_failed);
            return false;
        }
        end_first_pass_at(end, false);
        return state_ == writer_active;
    }
    if (got < chunk && chunk > block_rest) {
        careful_end_ = position + chunk;
        careful_flush_ = flush_chunk;
        // Nothing of it done: no bad region is known yet, the first block is tried next.
        if (got == 0) return true;
    }
    bad_total_ += mismatches;
    bad_verify_ += mismatches;
    done_ += got;
    const bool complete = got >= left;
    if (!complete) pattern_.advance(got);
    finish_chunk(got > 0 || left == 0, complete, left, verify, flushed);
    return state_ == writer_active;
}

bool base_writer::fill_step(bool flush) {
    // A write the cache took may still be refused for want of space when it is flushed (delayed
    // allocation). Until its flush, a cached fill keeps its bytes at hand, in the pattern's
    // request, to write them again in smaller requests: it flushes before it moves past that
    // request. A direct write meets a full disk at once.
    const bool hold = cached();
    const uint64_t room = pattern_.remaining() - held_;
    const uint64_t chunk = std::min({room, request_limit_, fill_limit_});
    // Near the end, every request is flushed, so a refusal costs no more than that request.
    const bool near_end = fill_limit_ < bufgen::request_bytes;
    const bool flush_chunk =
        flush_works() && (near_end || (hold && chunk == room) || flush_after(chunk, flush, false, false));
    const int64_t started = vandel::now_ms();
    const uint64_t written =
        static_cast<uint64_t>(std::max<int64_t>(target_->write(pattern_.data() + held_, static_cast<int64_t>(chunk)), 0));
    const bool full = written < chunk && target_->disk_full();
    if (written < chunk && !full) {
        // There is no pass end to skip to: a failed fill fails the file.
        set_state(writer_finished, err_failed);
        return false;
    }
    done_ += written;
    if (hold)
        held_ += written;
    else
        pattern_.advance(written);
    const auto halved = [&](uint64_t bytes) { return std::max(block_size_, bytes / 2 / block_size_ * block_size_); };
    // The end is met when a single block finds no room.
    bool ends = full && chunk <= block_size_;
    if (full) fill_limit_ = halved(chunk);
    bool flushed = false, refused = false;
    if ((flush_chunk || ends) && unflushed_ + written > 0 && flush_works()) {
        if (target_->flush()) {
            flushed = true;
            pattern_.advance(held_);
            held_ = 0;
            fill_flushed_ = done_;
        } else if (!target_->disk_full()) {
            set_state(writer_finished, err_failed);
            return false;
        } else {
            // Refused for want of space: what came after the last flush may not be on the medium.
            // It is counted no more, and a cached fill writes it again in smaller requests.
            refused = true;
            const uint64_t lost = done_ - fill_flushed_;
            done_ = fill_flushed_;
            held_ = 0;
            if (!target_->seek(static_cast<int64_t>(fill_flushed_), vandel::seekable_stream::from_start)) {
                set_state(writer_finished, err_failed);
                return false;
            }
            ends = !hold || lost <= block_size_;
            fill_limit_ = halved(std::min(lost, fill_limit_));
        }
    }
    size_ = done_;
    after_write(chunk, written, vandel::now_ms() - started, flushed, near_end);
    if (refused) {
        unflushed_ = 0;
        unflushed_ms_ = 0;
    }
    if (!ends) return true;
    // The free space is used up: the remaining passes run in place over what was filled, all of
    // it on the medium.
    mode_ = writer_overwrite;
    end_first_pass_at(done_, true);
    return state_ == writer_active;
}

void base_writer::end_first_pass_at(uint64_t bytes, bool flushed) {
    size_ = done_ = bytes;
    total_ = static_cast<uint64_t>(scheme_pass_count(pattern_.scheme())) * bytes;
    pattern_.set_pass_bytes(bytes);
    finish_chunk(true, true, 0, false, flushed);
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
    // A chunk that ended the pass with its own flush has put the whole pass on the medium.
    if (!flushed && !target_->flush() && flush_works() && !verify) {
        if (target_->disk_full()) full_disk_ = true;
        set_state(writer_finished, err_failed);
        return;
    }
    careful_end_ = 0;
    unflushed_ = 0;
    unflushed_ms_ = 0;
    if (pattern_.set_pass(pattern_.pass() + 1)) {
        if (!target_->rewind()) set_state(writer_finished, err_failed);
    } else {
        set_state(writer_finished, 0);
    }
}

void base_writer::pace(uint64_t bytes, int64_t took_ms, bool may_grow) {
    if (took_ms > 2 * request_ms) {
        // A slow medium: about what it takes in request_ms, a power of two of blocks. Requests
        // never run past the end of the pattern's: from its start they divide it evenly, but
        // after a skip, which may end anywhere, the one before that end is shorter.
        const uint64_t fit = bytes * static_cast<uint64_t>(request_ms) / static_cast<uint64_t>(took_ms);
        request_limit_ = bufgen::block_bytes;
        while (request_limit_ * 2 <= fit) request_limit_ *= 2;
    } else if (may_grow && took_ms < request_ms / 2 && bytes >= request_limit_) {
        request_limit_ = std::min(request_limit_ * 2, bufgen::request_bytes);
    }
}

}  // namespace olvex
