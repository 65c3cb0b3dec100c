#pragma once
// Random generators: ISAAC (the random overwrite data) and a 64-bit LCG (random names), behind
// one interface. Each seeds itself from the clock and its own address when constructed; within
// a run an isaac_random's stream is fully determined by its state, so a copy replays it.
#include <cstddef>
#include <cstdint>

namespace vandel {

class random_source {
public:
    virtual ~random_source();

    // Reseeds from the clock and a counter, so two reseeds in one millisecond still differ.
    virtual void randomize();
    // Restarts the stream from size bytes of seed. Throws invalid_argument "invalid pointer"
    // for null data with a non-zero size (the state is then unchanged).
    virtual void seed(const void* data, size_t size) = 0;
    // Restarts the stream from one value, expanded to seed_size() bytes with SHA-256.
    virtual void seed_u64(uint64_t value);
    // Returns the seed bytes the generator takes.
    virtual size_t seed_size() const = 0;
    // Returns 0 .. 2^31 - 1 (drawn through next64).
    virtual int32_t next31();
    virtual uint32_t next32() = 0;
    virtual uint64_t next64() = 0;
    // Fills size bytes with the little-endian bytes of ceil(size / 8) draws of next64 (the last
    // one's low-order bytes end the buffer). Returns buffer. Throws invalid_argument
    // "invalid pointer" for a null buffer with a non-zero size.
    virtual void* fill(void* buffer, size_t size);
    // Returns a value from lower to upper (upper first); equal bounds return it without
    // drawing. Throws invalid_argument "min cannot be greater than max" for upper < lower or
    // a bound that is not a number.
    virtual double uniform_real(const double& upper, const double& lower);
    // Returns a normally distributed value, mean 0, standard deviation 1.
    virtual double normal_real();

protected:
    random_source();
    random_source(const random_source&) = default;
    random_source& operator=(const random_source&) = default;

private:
    uint64_t reseed_counter_;
};

class isaac_random : public random_source {
public:
    isaac_random();
    isaac_random(const isaac_random&) = default;
    isaac_random& operator=(const isaac_random&) = default;

    // The first min(size, 1024) bytes become the seed words (little-endian), the rest zero.
    void seed(const void* data, size_t size) override;
    size_t seed_size() const override { return 1024; }
    // Returns the words of each block in ascending order.
    uint32_t next32() override;
    // Returns the first word drawn in the high half.
    uint64_t next64() override;
    // As random_source::fill, without a call per word.
    void* fill(void* buffer, size_t size) override;

private:
    // Makes the next block of 256 words in results_ and starts handing them out.
    void step();
    // Makes the next block and writes it straight into out as fill would (1024 bytes, each
    // pair of words swapped); the block counts as handed out.
    void step_into_fill(uint8_t* out);
    template <bool fill_order>
    void generate(uint8_t* out);

    uint64_t next_index_ = 256;
    uint32_t isaac_a_ = 0;
    uint32_t isaac_b_ = 0;
    uint32_t isaac_c_ = 0;
    uint32_t results_[256] = {};
    uint32_t memory_[256] = {};
};

class lcg_random : public random_source {
public:
    lcg_random();

    // The state becomes the first min(size, 8) bytes read as a little-endian number.
    void seed(const void* data, size_t size) override;
    size_t seed_size() const override { return 8; }
    // Returns the low half of next64 XOR its high half.
    uint32_t next32() override;
    // Returns the next state: state * 0x27BB2EE687B0B0FD + 0xB504F32D.
    uint64_t next64() override;

private:
    uint64_t state_ = 0;
};

}  // namespace vandel
