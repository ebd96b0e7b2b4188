// quib-run end to end: the stop conditions, the exit statuses and the memory dump; and the
// determinism that save states promise, process to process.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "machine/state_file.h"
#include "settings/scratch_files.h"

namespace {

namespace fs = std::filesystem;

struct TRunResult {
    int status;
    std::string output;
};

TRunResult RunQuibRun(const std::string& arguments) {
    const std::filesystem::path output = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "quib_run_output.txt";
    std::filesystem::create_directories(output.parent_path());
    const std::string command = std::string(QUIB_RUN) + " --cartridge1 " + QUIB_DEBUG_PROGRAM + " --symbols " +
                                QUIB_DEBUG_SYMBOLS + " " + arguments + " > " + output.string() + " 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream file(output);
    std::ostringstream text;
    text << file.rdbuf();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
}

TEST(QuibRunTest, StopConditionsExitStatusesAndTheMemoryDump) {
    const std::filesystem::path dump = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "fill.bin";
    std::filesystem::remove(dump);
    const std::filesystem::path profile = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "profile.csv";
    std::filesystem::remove(profile);
    const struct {
        std::string arguments;
        int status;
        const char* printed;
    } cases[] = {
        {"--break after_out", 0, "stopped in frame"},
        {"--break after_fill --dump-memory C000:4:" + dump.string(), 0, "breakpoint 1 at 401Ah (after_fill)"},
        {"--watch-write C010=42", 0, "watchpoint 1: write of 42h to C010h"},
        {"--watch-port 2E=7", 0, "PC 4026"},
        {"--frames 300 --watch-write C010-C011=43 --watch-port 2E=8", 1, "frames ran out after 300 frames"},
        {"--frames 10", 0, "frames 10,"},
        {"--break nowhere", 2, "--break takes an address or a label, optionally @P-S, not nowhere"},
        {"--break 4010@4-0", 2, "not 4010@4-0"},
        {"--watch-write C010=142", 2, "a byte, not C010=142"},
        {"--watch-port 2E-100", 2, "within 00-FF"},
        {"--dump-memory C000:4", 2, "START:LENGTH:FILE"},
        {"--symbols /nonexistent/program.sym", 2, "cannot open symbol file"},
        {"--frames 1 --cartridge1-kind ascii16", 0, " - ASCII 16K, 1 block of 16 KB (kind set by hand)"},
        {"--cartridge1-kind ASCII", 2, "--cartridge1-kind takes a cartridge kind, not ASCII"},
        {"--frames 400 --profile " + profile.string(), 0, "frame load over "},
        {"--profile /nonexistent-folder/profile.csv", 2, "cannot write profile /nonexistent-folder/profile.csv"},
    };
    for (const auto& test : cases) {
        const TRunResult result = RunQuibRun(test.arguments);
        EXPECT_EQ(result.status, test.status) << test.arguments << "\n" << result.output;
        EXPECT_NE(result.output.find(test.printed), std::string::npos) << test.arguments << "\n" << result.output;
    }
    std::ifstream file(dump, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("\x04\x03\x02\x01", 4));
    // The program ends in its "done" loop, which the profile shows first.
    std::ifstream csv(profile);
    std::string header, first;
    std::getline(csv, header);
    std::getline(csv, first);
    EXPECT_EQ(header, "symbol,address,slot,cycles,instructions,share");
    EXPECT_EQ(first.rfind("done,", 0), 0u) << first;
}

int QuibRun(const std::string& arguments) {
    return std::system((std::string(QUIB_RUN) + " " + arguments + " > /dev/null 2>&1").c_str());
}

// A 10-minute tape at Normal accuracy with varied runs of highs and lows at its start.
void WriteTape(const fs::path& path) {
    Bytes tape(2997000, 0);
    for (std::size_t i = 0; i < 200000; ++i) tape[i] = std::uint8_t((i * 37) ^ (i >> 3));
    TMemoryStream source(std::move(tape)), body;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &body;
    coder.Compress();
    Bytes image = {'Q', 'C', 'S', '0', '0', 0, 0};
    for (const std::uint32_t value : {23976000u, std::uint32_t(body.GetData().size())})
        for (int shift = 0; shift < 32; shift += 8) image.push_back(std::uint8_t(value >> shift));
    image.insert(image.end(), body.GetData().begin(), body.GetData().end());
    WriteFile(path, image);
}

Bytes Record(const fs::path& path, const char* tag) {
    TStateFile file;
    std::string error;
    EXPECT_TRUE(file.Read(path, error)) << error;
    const TStateRecord* record = file.Find(tag);
    return record ? record->data : Bytes{};
}

TEST(QuibRunTest, AStateLoadedIntoAFreshProcessGoesOnExactlyAsTheRunThatSavedIt) {
    const fs::path folder = ScratchFolder();
    WriteTape(folder / "tape.qcs");
    const struct {
        const char* name;
        std::string options;
        const char* busy;  // a record that must change in the loaded half
    } cases[] = {
        {"the C-BIOS start", "", "Z80 "},
        {"an SCC MegaROM in use", std::string("--cartridge1 ") + QUIB_SCC_CARTRIDGE, "SCC "},
        {"a program reading the tape", std::string("--cartridge1 ") + QUIB_TAPE_CARTRIDGE + " --tape " +
                                           (folder / "tape.qcs").string(), "CASS"},
    };
    for (const auto& c : cases) {
        // The typing spans the save at frame 300.
        const std::string run = "--frames 600 --clock '2026-12-06 12:34:56' " + c.options +
                                " --type 'print 1+2, the quick brown fox jumps over the lazy dog; 10 goto' ";
        const auto at = [&](const char* name) { return (folder / name).string(); };
        ASSERT_EQ(QuibRun(run + "--save-state 300:" + at("half.qst") + " --save-state 600:" + at("whole.qst") +
                          " --screenshot " + at("whole.png")), 0) << c.name;
        ASSERT_EQ(QuibRun(run + "--load-state " + at("half.qst") + " --save-state 600:" + at("resumed.qst") +
                          " --screenshot " + at("resumed.png")), 0) << c.name;
        // The states hold the frame, RAM, VRAM and the PSG and SCC registers, among the rest.
        EXPECT_EQ(ReadFile(folder / "resumed.qst"), ReadFile(folder / "whole.qst")) << c.name;
        EXPECT_EQ(ReadFile(folder / "resumed.png"), ReadFile(folder / "whole.png")) << c.name;
        EXPECT_NE(Record(folder / "half.qst", c.busy), Record(folder / "whole.qst", c.busy)) << c.name;
    }
    EXPECT_NE(QuibRun("--frames 1 --load-state " + (folder / "tape.qcs").string()), 0) << "not a state file";
    EXPECT_NE(QuibRun("--save-state 300"), 0) << "no file";
}

// The samples of a WAV file quib-run wrote, after checking its header: 16-bit mono PCM
// at 44100 Hz, the sizes matching the file.
std::vector<std::int16_t> WavSamples(const fs::path& path) {
    const Bytes bytes = ReadFile(path);
    const auto little = [&](std::size_t at, int size) {
        std::uint32_t value = 0;
        for (int index = size - 1; index >= 0; --index) value = value << 8 | bytes[at + index];
        return value;
    };
    EXPECT_GE(bytes.size(), 44u) << path;
    if (bytes.size() < 44) return {};
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4) + std::string(bytes.begin() + 8, bytes.begin() + 16),
              "RIFFWAVEfmt ");
    EXPECT_EQ(little(4, 4), bytes.size() - 8);
    EXPECT_EQ(little(16, 4), 16u);
    EXPECT_EQ(little(20, 2), 1u) << "PCM";
    EXPECT_EQ(little(22, 2), 1u) << "mono";
    EXPECT_EQ(little(24, 4), 44100u);
    EXPECT_EQ(little(28, 4), 88200u);
    EXPECT_EQ(little(34, 2), 16u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(little(40, 4), bytes.size() - 44);
    std::vector<std::int16_t> samples;
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) samples.push_back(std::int16_t(little(at, 2)));
    return samples;
}

// Rising zero crossings a second over the last two seconds.
double Frequency(const std::vector<std::int16_t>& samples) {
    int rises = 0;
    for (std::size_t index = samples.size() - 88200; index < samples.size(); ++index) {
        rises += samples[index - 1] < 0 && samples[index] >= 0;
    }
    return rises / 2.0;
}

// The largest and smallest swing of one window of 100 samples over the last two
// seconds, in dB, windows of silence (or hardly more) left out: level 1 swings 32.
double SwingRange(const std::vector<std::int16_t>& samples) {
    int largest = 0, smallest = 65536;
    for (std::size_t from = samples.size() - 88200; from + 100 <= samples.size(); from += 100) {
        const auto [low, high] = std::minmax_element(samples.begin() + from, samples.begin() + from + 100);
        const int swing = *high - *low;
        largest = std::max(largest, swing);
        if (swing > 16) smallest = std::min(smallest, swing);
    }
    return 20 * std::log10(double(largest) / smallest);
}

// Five seconds of each test cartridge's sound, measured in the file; the same bytes
// on every run; a file that cannot be written stops the run with status 2.
TEST(QuibRunTest, WavFilesHoldTheCartridgesSoundTheSameOnEveryRun) {
    const fs::path folder = ScratchFolder();
    const auto wav = [&](const char* cartridge, const char* name) {
        const fs::path file = folder / name;
        EXPECT_EQ(QuibRun(std::string("--frames 250 --cartridge1 ") + cartridge + " --wav " + file.string()), 0) << name;
        return file;
    };
    const std::vector<std::int16_t> tone = WavSamples(wav(QUIB_TONE_CARTRIDGE, "tone.wav"));
    ASSERT_GT(tone.size(), 200000u);
    EXPECT_NEAR(Frequency(tone), 440.4, 1.0);
    EXPECT_EQ(ReadFile(wav(QUIB_TONE_CARTRIDGE, "again.wav")), ReadFile(folder / "tone.wav"));
    const std::vector<std::int16_t> square = WavSamples(wav(QUIB_LEVEL_SQUARE_CARTRIDGE, "square.wav"));
    ASSERT_GT(square.size(), 200000u);
    EXPECT_NEAR(Frequency(square), 998.8, 2.0) << "played by writing the level alone";
    const auto [low, high] = std::minmax_element(square.end() - 44100, square.end());
    EXPECT_NEAR(*high - *low, 4096, 400) << "level 15 and 0";
    const std::vector<std::int16_t> envelope = WavSamples(wav(QUIB_ENVELOPE_CARTRIDGE, "envelope.wav"));
    ASSERT_GT(envelope.size(), 200000u);
    EXPECT_NEAR(SwingRange(envelope), 42, 6) << "the envelope falls 3 dB a step from 15 to 1";
    EXPECT_EQ(QuibRun("--frames 5 --wav /nonexistent/folder/sound.wav"), 2 << 8);
}

// A run resumed from a state sounds as the unbroken run, once the resumed run's
// filter has settled (half a second).
TEST(QuibRunTest, AResumedStateSoundsAsTheUnbrokenRun) {
    const fs::path folder = ScratchFolder();
    const auto at = [&](const char* name) { return (folder / name).string(); };
    const std::string run = std::string("--frames 300 --cartridge1 ") + QUIB_ENVELOPE_CARTRIDGE;
    ASSERT_EQ(QuibRun(run + " --save-state 150:" + at("half.qst") + " --wav " + at("whole.wav")), 0);
    ASSERT_EQ(QuibRun(run + " --load-state " + at("half.qst") + " --wav " + at("resumed.wav")), 0);
    const std::vector<std::int16_t> whole = WavSamples(folder / "whole.wav"), resumed = WavSamples(folder / "resumed.wav");
    ASSERT_GT(resumed.size(), 44100u);
    ASSERT_LT(resumed.size(), whole.size());
    EXPECT_TRUE(std::equal(resumed.begin() + 22050, resumed.end(), whole.end() - (resumed.end() - resumed.begin() - 22050)));
}

TEST(QuibRunTest, ACopyWithoutConfigurationsFindsCbiosInTheHomeConfigurationFolder) {
    const fs::path folder = ScratchFolder();
    fs::create_directories(folder / "home");
    fs::copy_file(QUIB_RUN, folder / "quib-run");
    const std::string command = "env -u XDG_CONFIG_HOME HOME=" + (folder / "home").string() + " " +
                                (folder / "quib-run").string() + " --frames 10 > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_TRUE(fs::exists(folder / "home" / ".config" / "quib" / "Configurations" / "MSX1.qcf"));
    EXPECT_FALSE(fs::exists(folder / "Configurations"));
}

}  // namespace
