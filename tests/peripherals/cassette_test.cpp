#include "peripherals/cassette.h"

#include <gtest/gtest.h>

#include <bit>

#include "settings/scratch_files.h"
#include "support/idle_z80.h"
#include "support/lzrw1_bytes.h"

namespace {

struct TNoticedCassette : TCassette {
    std::vector<std::string> errors;
    void ShowError(const std::string& text, const std::string&) override { errors.push_back(text); }
};

constexpr std::uint8_t low = 0x00, high = 0x20, off = 0x10;  // port C: motor and output level
const std::string endOfTapeRead = "Warning! End of tape. Data read is ignored.";

int HighSamples(const TCassette& cassette) {
    int count = 0;
    for (std::uint8_t byte : cassette.GetTape()) count += std::popcount(byte);
    return count;
}

// The header: magic, length, accuracy, then tape bits and body size little-endian.
Bytes Image(std::uint8_t length, std::uint8_t accuracy, std::int32_t tapeBits, std::uint32_t bodySize, const Bytes& body = {}) {
    Bytes image = {'Q', 'C', 'S', '0', '0', length, accuracy};
    for (const std::uint32_t value : {static_cast<std::uint32_t>(tapeBits), bodySize}) {
        for (int shift = 0; shift < 32; shift += 8) image.push_back(static_cast<std::uint8_t>(value >> shift));
    }
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

Bytes Image(std::uint8_t length, std::uint8_t accuracy, const Bytes& tape) {
    const Bytes body = CompressBytes(tape);
    return Image(length, accuracy, static_cast<std::int32_t>(tape.size() * 8), static_cast<std::uint32_t>(body.size()), body);
}

// The processor cycle at which `count` instructions of the machine the first
// tapes were made on (600 060 a second) have passed: sample count / 10 at High
// accuracy (count / 15 at Normal, count / 5 at Very High) begins there.
std::uint64_t CyclesOf(std::uint64_t count) { return (count * TZ80::clockRate + 600059) / 600060; }

// A blank 10-minute tape at High accuracy (10 instructions a sample) in memory, never saved.
struct CassetteTest : ::testing::Test {
    CassetteTest() {
        cassette.SetZ80(&z80);
        cassette.Open("", 0, 1);
    }
    void At(std::uint32_t count, std::uint8_t portC) {
        z80.cycles = CyclesOf(count);
        cassette.WritePort(TCassette::motorPort, portC);
    }
    std::uint8_t ReadAt(std::uint32_t count) {
        z80.cycles = CyclesOf(count);
        return cassette.ReadPort(TCassette::inputPort);
    }
    TIdleZ80 z80;
    TNoticedCassette cassette;
};

TEST_F(CassetteTest, RecordingPlaysBackTheSameLevelsAtTheSameCountsAtEveryAccuracy) {
    // In tenths of a sample: the instruction counts at High accuracy.
    const std::vector<std::pair<std::uint32_t, bool>> changes = {
        {0, false}, {400, true}, {650, false}, {900, true}, {1150, false}, {1650, true}, {2150, false},
        {2400, true}, {2410, true}, {2650, false}, {5000, true}, {9000, false}, {9500, false}};
    for (const std::uint8_t accuracy : {0, 1, 2}) {
        SCOPED_TRACE(int(accuracy));
        cassette.Open("", 0, accuracy);
        const std::uint32_t perSample = static_cast<std::uint32_t>(cassette.GetInstructionsPerSample());
        const auto scaled = [&](std::uint32_t count) { return count * perSample / 10; };
        cassette.RecordOn();
        for (const auto& [count, level] : changes) At(scaled(count), level ? high : low);
        At(scaled(10000), off);
        EXPECT_EQ(cassette.GetPosition(), 1000);
        cassette.RecordOff();
        cassette.Rewind();
        At(scaled(123450), low);  // played back from another place of the processor's clock
        for (std::uint32_t count = 5; count < 10000; count += 10) {
            bool level = false;
            for (const auto& [at, isHigh] : changes) level = at <= count ? isHigh : level;
            ASSERT_EQ(ReadAt(scaled(123450 + count)), level ? 0x80 : 0x00) << "at " << count;
        }
        At(scaled(200000), off);
        EXPECT_TRUE(cassette.errors.empty());
    }
}

// tapes/instruction_clock.qcs was recorded at Normal accuracy (15 instructions a sample)
// by the build that counted time in instructions: 4000 runs of 1 to 9 samples, low first.
// It plays back at the same real-time rate.
TEST_F(CassetteTest, ATapeRecordedByTheInstructionCountingBuildPlaysBack) {
    // A copy: the recorder writes its tape back when it is done with it.
    const auto copy = ScratchFolder() / "instruction_clock.qcs";
    std::filesystem::copy_file(QUIB_INSTRUCTION_CLOCK_TAPE, copy, std::filesystem::copy_options::overwrite_existing);
    cassette.Open(copy, 0, 1);
    ASSERT_EQ(cassette.GetInstructionsPerSample(), 15);
    std::vector<bool> samples;
    for (int change = 0; change < 4000; ++change) samples.insert(samples.end(), 1 + (change * 7) % 9, change % 2 != 0);
    At(15 * 1000, low);
    for (std::uint32_t sample = 0; sample < samples.size(); ++sample) {
        ASSERT_EQ(ReadAt(15 * (1000 + sample) + 7), samples[sample] ? 0x80 : 0x00) << "sample " << sample;
    }
    EXPECT_TRUE(cassette.errors.empty());
}

TEST_F(CassetteTest, TheHeadMovesWithTheMotorOnlyAndRecordsOnlyWhenRecording) {
    At(0, high);
    At(1000, low);
    EXPECT_EQ(HighSamples(cassette), 0);
    EXPECT_EQ(cassette.GetPosition(), 100);
    cassette.WritePort(TCassette::controlPort, off | 0x0F);
    EXPECT_EQ(ReadAt(3000), 0x00);
    EXPECT_EQ(cassette.GetPosition(), 100);
    At(100000, low);  // a processor reset sets the clock back while the motor runs
    EXPECT_EQ(ReadAt(0), 0x00);
    EXPECT_EQ(ReadAt(500), 0x00);
    EXPECT_EQ(cassette.GetPosition(), 150);
    for (const auto& [by, to] : {std::pair{-151, 0}, {35999990, 35999990}, {11, 36000000}, {2147483647, 36000000}}) {
        cassette.Seek(by);
        EXPECT_EQ(cassette.GetPosition(), to) << by;
    }
}

TEST_F(CassetteTest, EndOfTapeIsWarnedOncePerMotorStart) {
    const std::int32_t end = cassette.GetTapeBits();
    cassette.Seek(end - 10);
    At(0, low);
    EXPECT_EQ(ReadAt(200), 0x00);
    EXPECT_EQ(ReadAt(300), 0x00);
    EXPECT_EQ(cassette.GetPosition(), end);
    EXPECT_EQ(cassette.errors, std::vector<std::string>{endOfTapeRead});
    At(400, off);
    At(400, low);
    ReadAt(500);
    EXPECT_EQ(cassette.errors, (std::vector<std::string>{endOfTapeRead, endOfTapeRead}));
    cassette.errors.clear();
    cassette.RecordOn();
    cassette.Seek(-5);
    At(1000, high);
    At(1100, low);
    At(1200, high);
    EXPECT_EQ(cassette.errors, std::vector<std::string>{"Warning! End of tape. Data write is ignored."});
    EXPECT_EQ(cassette.GetPosition(), end);
    EXPECT_EQ(HighSamples(cassette), 5);
}

TEST(CassetteFileTest, TapesAreSavedAndLoadedWithTheirOwnLengthAndAccuracy) {
    const auto image = ScratchFolder() / "tape.qcs";
    TIdleZ80 z80;
    Bytes recorded;
    {
        TCassette cassette;
        cassette.SetZ80(&z80);
        cassette.Open(ScratchFolder() / "blank.qcs", 0, 0);  // a missing image is created blank
        EXPECT_EQ(ReadFile(ScratchFolder() / "blank.qcs"), Image(0, 0, Bytes(2997000, 0)));
        cassette.Open(image, 0, 2);
        cassette.RecordOn();
        for (std::uint32_t count = 0; count < 200000; count += 137) {
            z80.cycles = CyclesOf(count);
            cassette.WritePort(TCassette::motorPort, (count / 137) % 3 == 0 ? high : low);
        }
        cassette.WritePort(TCassette::motorPort, off);
        recorded = cassette.GetTape();
        EXPECT_GT(HighSamples(cassette), 10000);
    }  // saved on destruction
    EXPECT_EQ(ReadFile(image), Image(0, 2, recorded));
    TNoticedCassette cassette;
    cassette.Open(image, 3, 0);  // other preferences do not change a tape
    EXPECT_EQ(cassette.GetInstructionsPerSample(), 5);
    EXPECT_EQ(cassette.GetTapeBits(), 72000000);
    EXPECT_EQ(cassette.GetTape(), recorded);
}

TEST(CassetteFileTest, DamagedImagesAreRefusedAndKeptOnDisk) {
    const Bytes valid = Image(0, 1, Bytes(1000, 0x5A));
    Bytes corrupt = valid;
    corrupt[15 + 11] = 0x40;
    const Bytes body = CompressBytes(Bytes(999, 0x5A));
    const std::string tooShort = "Tape image is damaged: the file is too short.";
    const std::string badSize = "Tape image is damaged: the tape size is invalid.";
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes(valid.begin(), valid.begin() + 14), tooShort},
        {Image(0, 1, -8, 0), badSize},
        {Image(0, 1, 8001, 0), badSize},
        {Image(3, 2, TCassette::maximumTapeBits + 8, 11), badSize},
        {Image(0, 1, 8000, 0xFFFFFFFF), tooShort},
        {Bytes(valid.begin(), valid.end() - 1), tooShort},
        // Found by fuzzing: body sizes far beyond the file were allocated before the file was found short.
        {Image(1, 0, 0, 0x5A525700, {0x4C, 0, 0, 0, 0, 1, 0, 0x80}), tooShort},
        {Image(0, 0, 8, 0x7FFFFFFF), tooShort},
        {corrupt, "Lzrw1 (decompression LZRW1/KH) : input stream is damaged !"},
        {Image(0, 1, 8000, static_cast<std::uint32_t>(body.size()), body),
         "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"}};
    const auto image = ScratchFolder() / "tape.qcs";
    for (const auto& [bytes, error] : cases) {
        SCOPED_TRACE(error + " " + std::to_string(bytes.size()));
        TNoticedCassette cassette;
        ASSERT_TRUE(cassette.Load(WriteFile(ScratchFolder() / "good.qcs", valid)));
        EXPECT_FALSE(cassette.Load(WriteFile(image, bytes)));
        EXPECT_EQ(cassette.GetTape(), Bytes(1000, 0x5A));  // the tape held is kept
        // Opened, it is a blank write-protected tape, and the file stays.
        cassette.errors.clear();
        cassette.Open(image, 2, 0);
        EXPECT_EQ(cassette.errors, std::vector<std::string>{error});
        EXPECT_EQ(cassette.GetTapeBits(), 71928000);
        EXPECT_FALSE(cassette.Save(image));
        EXPECT_EQ(ReadFile(image), bytes);
    }
    std::filesystem::remove(image);  // nor is something unreadable in its place replaced
    std::filesystem::create_directories(image);
    TNoticedCassette cassette;
    cassette.Open(image, 0, 1);
    EXPECT_EQ(cassette.errors.size(), 1u);
    EXPECT_TRUE(cassette.IsReadOnly());
}

}  // namespace
