#include <benchmark/benchmark.h>

#include <vector>

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "peripherals/cassette.h"
#include "tape_recording.h"

namespace {

void BM_CompressFullTape(benchmark::State& state)
{
    std::vector<std::uint8_t> tape = bench::RealisticTape();
    std::int64_t compressedSize = 0;
    for (auto _ : state) {
        TCassetteStream source(tape.data(), static_cast<std::int64_t>(tape.size()));
        TMemoryStream target;
        Tlzrw1 compressor;
        compressor.InputStream = &source;
        compressor.OutputStream = &target;
        compressedSize = compressor.Compress();
        benchmark::DoNotOptimize(target.GetData().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(tape.size()));
    state.counters["compressed_bytes"] = static_cast<double>(compressedSize);
}

void BM_DecompressFullTape(benchmark::State& state)
{
    const std::vector<std::uint8_t>& tape = bench::RealisticTape();
    TCassetteStream source(const_cast<std::uint8_t*>(tape.data()), static_cast<std::int64_t>(tape.size()));
    TMemoryStream compressed;
    Tlzrw1 compressor;
    compressor.InputStream = &source;
    compressor.OutputStream = &compressed;
    compressor.Compress();

    std::vector<std::uint8_t> restored(tape.size());
    for (auto _ : state) {
        compressed.SetPosition(0);
        TCassetteStream target(restored.data(), static_cast<std::int64_t>(restored.size()));
        Tlzrw1 decompressor;
        decompressor.InputStream = &compressed;
        decompressor.OutputStream = &target;
        decompressor.Decompress();
        benchmark::DoNotOptimize(restored.data());
    }
    if (restored != tape) {
        state.SkipWithError("the tape did not survive the round trip");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(tape.size()));
    state.counters["compressed_bytes"] = static_cast<double>(compressed.GetSize());
}

} // namespace

BENCHMARK(BM_CompressFullTape)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompressFullTape)->Unit(benchmark::kMillisecond);
