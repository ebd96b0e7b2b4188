#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "peripherals/cassette.h"
#include "tape_recording.h"

namespace {

// A full 45-minute Very High image of the realistic recording, written once.
const std::filesystem::path& RealisticImage()
{
    static const std::filesystem::path image = [] {
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quib_bench";
        std::filesystem::create_directories(folder);
        const std::filesystem::path name = folder / "full_tape.qcs";
        std::vector<std::uint8_t> tape = bench::RealisticTape();
        TCassetteStream source(tape.data(), static_cast<std::int64_t>(tape.size()));
        TMemoryStream body;
        Tlzrw1 compressor;
        compressor.InputStream = &source;
        compressor.OutputStream = &body;
        compressor.Compress();
        const std::int32_t fields[2] = {static_cast<std::int32_t>(tape.size() * 8),
                                        static_cast<std::int32_t>(body.GetSize())};
        std::ofstream file(name, std::ios::binary | std::ios::trunc);
        file.write("QCS00\x03\x02", 7);
        for (std::int32_t field : fields) {
            const char bytes[4] = {static_cast<char>(field), static_cast<char>(field >> 8),
                                   static_cast<char>(field >> 16), static_cast<char>(field >> 24)};
            file.write(bytes, 4);
        }
        file.write(reinterpret_cast<const char*>(body.GetData().data()), body.GetSize());
        return name;
    }();
    return image;
}

// What the window waits for when a full tape is stored: compression and the file.
void BM_SaveFullTapeImage(benchmark::State& state)
{
    TCassette cassette;
    cassette.Open(RealisticImage(), 3, 2);
    if (cassette.GetTapeBits() != TCassette::maximumTapeBits) {
        state.SkipWithError("the image did not load");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(cassette.Save(RealisticImage()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * TCassette::maximumTapeBits / 8);
}

void BM_LoadFullTapeImage(benchmark::State& state)
{
    TCassette cassette;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cassette.Load(RealisticImage()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * TCassette::maximumTapeBits / 8);
}

} // namespace

BENCHMARK(BM_SaveFullTapeImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFullTapeImage)->Unit(benchmark::kMillisecond);
