// Fill rate of the random generators into 64 KiB blocks (the wipe engine's block size), and the
// throughput of the hashes. Bytes per second are reported as bytes_per_second.
#include "vandel/hash.h"
#include "vandel/random.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr size_t block = 64 * 1024;

template <class G>
void fill_64k(benchmark::State& state) {
    G g;
    std::vector<uint8_t> buffer(block);
    for (auto _ : state) {
        g.fill(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block);
}
BENCHMARK_TEMPLATE(fill_64k, vandel::isaac_random);
BENCHMARK_TEMPLATE(fill_64k, vandel::lcg_random);

// The same through the interface, one next64 per eight bytes, as a caller without fill would.
void isaac_next64_64k(benchmark::State& state) {
    vandel::isaac_random g;
    vandel::random_source& source = g;
    std::vector<uint64_t> buffer(block / 8);
    for (auto _ : state) {
        for (auto& v : buffer) v = source.next64();
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block);
}
BENCHMARK(isaac_next64_64k);

template <class H>
void hash_64k(benchmark::State& state) {
    H h;
    std::vector<uint8_t> buffer(block, 0x5A);
    std::vector<uint8_t> digest;
    for (auto _ : state) {
        h.update(buffer.data(), buffer.size());
        benchmark::DoNotOptimize(h);
    }
    h.finish(digest);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * block);
}
BENCHMARK_TEMPLATE(hash_64k, vandel::sha256_hash);
BENCHMARK_TEMPLATE(hash_64k, vandel::tiger_hash);

}  // namespace

BENCHMARK_MAIN();
