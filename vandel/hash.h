#pragma once
// Incremental message digests: SHA-256 (FIPS 180-4) and Tiger/192 as first published (padding
// byte 0x01). Feed data in any pieces, then finish; the result does not depend on the split.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vandel {

class stream;

class hash_obj {
public:
    // Feeds size bytes (data is not checked; see update_checked). Returns size.
    virtual int64_t update(const void* data, size_t size) = 0;
    virtual ~hash_obj();
    // Starts a new message.
    virtual void reset() = 0;
    virtual size_t digest_size() const = 0;
    virtual size_t block_size() const = 0;
    // Completes the message and appends the digest to out (a second call appends it again; the
    // next update starts a new message). Returns digest_size().
    virtual size_t finish(std::vector<uint8_t>& out) = 0;

    // As update; throws invalid_argument "invalid pointer" for null data with a non-zero size.
    int64_t update_checked(const void* data, size_t size);
    // Feeds the text's bytes. Returns their count.
    int64_t update(const std::string& text);
    // Feeds the text's UTF-8 bytes. Returns their count.
    int64_t update(const std::wstring& text);
    // Feeds count bytes (negative: all that remain) read from input in 32 KiB pieces, stopping
    // at the first short read. Returns the bytes hashed.
    int64_t update_from_stream(stream& input, int64_t count);
    // Finishes and returns the digest as upper-case hex, separator between the bytes.
    std::string hex_digest(const std::string& separator);
    std::wstring hex_digest(const std::wstring& separator);

protected:
    hash_obj() = default;
    hash_obj(const hash_obj&) = default;
    hash_obj& operator=(const hash_obj&) = default;
};

class sha256_hash : public hash_obj {
public:
    sha256_hash();
    using hash_obj::update;
    int64_t update(const void* data, size_t size) override;
    void reset() override;
    size_t digest_size() const override { return 32; }
    size_t block_size() const override { return 64; }
    size_t finish(std::vector<uint8_t>& out) override;

private:
    void compress(const uint8_t* block);

    bool finished_ = false;
    uint64_t length_done_ = 0;
    uint32_t words_[8];
    uint64_t buffered_ = 0;
    uint8_t block_[64];
    uint8_t digest_[32];
};

class tiger_hash : public hash_obj {
public:
    tiger_hash();
    using hash_obj::update;
    int64_t update(const void* data, size_t size) override;
    void reset() override;
    size_t digest_size() const override { return 24; }
    size_t block_size() const override { return 64; }
    size_t finish(std::vector<uint8_t>& out) override;

private:
    bool finished_ = false;
    uint64_t length_total_ = 0;
    uint64_t chain_[3];
    uint64_t buffered_ = 0;
    uint8_t block_[64];
};

}  // namespace vandel
