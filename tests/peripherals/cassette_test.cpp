#include "peripherals/cassette.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "cpu/z80.h"
#include "support/idle_z80.h"
#include "support/lzrw1_bytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;


struct TNotice {
    std::string text;
    std::string caption;
    bool operator==(const TNotice&) const = default;
};

class TRecordingCassette : public TCassette {
public:
    ~TRecordingCassette() override = default;
    std::vector<TNotice> errors;
    std::vector<TNotice> questions;
    bool answer = false;

protected:
    void ShowError(const std::string& text, const std::string& caption) override { errors.push_back({text, caption}); }
    bool AskUser(const std::string& text, const std::string& caption) override
    {
        questions.push_back({text, caption});
        return answer;
    }
};

constexpr std::uint8_t motorOnLow = 0x00;
constexpr std::uint8_t motorOnHigh = 0x20;
constexpr std::uint8_t motorOff = 0x10;

const TNotice endOfTapeWrite = {"Warning! End of tape. Data write is ignored.", "End of tape"};
const TNotice endOfTapeRead = {"Warning! End of tape. Data read is ignored.", "End of tape"};

std::filesystem::path OutputFolder()
{
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "cassette";
    std::filesystem::create_directories(folder);
    return folder;
}

Bytes ReadFile(const std::filesystem::path& name)
{
    std::ifstream file(name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::filesystem::path& name, const Bytes& bytes)
{
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int CountHighSamples(const TCassette& cassette)
{
    int count = 0;
    for (std::uint8_t byte : cassette.GetTape()) {
        count += std::popcount(byte);
    }
    return count;
}

bool Sample(const TCassette& cassette, std::int64_t sample)
{
    return (cassette.GetTape()[static_cast<std::size_t>(sample / 8)] >> (sample % 8)) & 1;
}

class CassetteTest : public ::testing::Test {
protected:
    // A blank 10-minute tape in memory, never saved.
    void SetUp() override
    {
        cassette.SetZ80(&z80);
        cassette.Open("", 0, 1);
    }
    void At(std::uint32_t count) { z80.instructionCount = count; }

    TIdleZ80 z80;
    TRecordingCassette cassette;
};

TEST(CassetteSizeTest, TapeSizeFollowsLengthAndAccuracy)
{
    struct Case {
        std::uint8_t length;
        std::uint8_t accuracy;
        std::int32_t tapeBits;
        std::int32_t instructionsPerSample;
    };
    const Case cases[] = {
        {0, 0, 23976000, 15},  {1, 0, 35964000, 15},  {2, 0, 71928000, 15},  {3, 0, 107892000, 15},
        {0, 1, 36000000, 10},  {1, 1, 54000000, 10},  {2, 1, 108000000, 10}, {3, 1, 162000000, 10},
        {0, 2, 72000000, 5},   {1, 2, 108000000, 5},  {2, 2, 216000000, 5},  {3, 2, 324000000, 5},
        {4, 2, 0, 5},          {0, 3, 36000000, 10},  {255, 255, 0, 10},
    };
    for (const Case& test : cases) {
        TCassette cassette;
        cassette.Open("", test.length, test.accuracy);
        EXPECT_EQ(cassette.GetTapeBits(), test.tapeBits) << int(test.length) << "/" << int(test.accuracy);
        EXPECT_EQ(cassette.GetInstructionsPerSample(), test.instructionsPerSample);
        EXPECT_EQ(cassette.GetTape().size(), static_cast<std::size_t>(test.tapeBits / 8));
        EXPECT_EQ(cassette.GetLength(), test.length);
        EXPECT_EQ(cassette.GetAccuracy(), test.accuracy);
    }
}

TEST_F(CassetteTest, RecordingPlaysBackTheSameLevelsAtTheSameCounts)
{
    // Level changes at known instruction counts, as the tape routines make them.
    const std::vector<std::pair<std::uint32_t, bool>> changes = {
        {0, false}, {400, true}, {650, false}, {900, true}, {1150, false}, {1650, true}, {2150, false},
        {2400, true}, {2410, true}, {2650, false}, {5000, true}, {9000, false}, {9500, false},
    };
    const std::uint32_t end = 10000;
    const auto levelAt = [&](std::uint32_t count) {
        bool level = false;
        for (const auto& [at, high] : changes) {
            if (at <= count) {
                level = high;
            }
        }
        return level;
    };

    cassette.RecordOn();
    for (const auto& [count, high] : changes) {
        At(count);
        cassette.WritePort(TCassette::motorPort, high ? motorOnHigh : motorOnLow);
    }
    At(end);
    cassette.WritePort(TCassette::motorPort, motorOff);
    EXPECT_EQ(cassette.GetPosition(), 1000);
    cassette.RecordOff();
    cassette.Rewind();

    // Play back from another place of the processor's clock.
    const std::uint32_t base = 123450;
    At(base);
    cassette.WritePort(TCassette::controlPort, motorOnLow);
    for (std::uint32_t count = 5; count < end; count += 10) {
        At(base + count);
        const std::uint8_t expected = levelAt(count) ? 0x80 : 0x00;
        ASSERT_EQ(cassette.ReadPort(TCassette::inputPort), expected) << "at " << count;
    }
    EXPECT_EQ(cassette.GetHeadState(), TCassette::Reading);
    EXPECT_TRUE(cassette.questions.empty());
    EXPECT_TRUE(cassette.errors.empty());
}

TEST_F(CassetteTest, LevelHeldForAThousandInstructionsIsAHundredSamples)
{
    cassette.RecordOn();
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(500);
    // Repeating the level changes nothing; the run is written when the level changes.
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    EXPECT_EQ(CountHighSamples(cassette), 0);
    At(1000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    EXPECT_EQ(CountHighSamples(cassette), 100);
    EXPECT_TRUE(Sample(cassette, 0));
    EXPECT_TRUE(Sample(cassette, 99));
    EXPECT_FALSE(Sample(cassette, 100));
    EXPECT_EQ(cassette.GetHeadState(), TCassette::WritingLow);
}

TEST(CassetteNormalTest, FiveHundredInstructionsAtNormalAccuracyAreThirtyThreeOrFourSamples)
{
    for (std::uint32_t start = 1000; start < 1015; ++start) {
        TIdleZ80 z80;
        TCassette cassette;
        cassette.SetZ80(&z80);
        cassette.Open("", 0, 0);
        cassette.RecordOn();
        z80.instructionCount = start;
        cassette.WritePort(TCassette::motorPort, motorOnHigh);
        z80.instructionCount = start + 500;
        cassette.WritePort(TCassette::motorPort, motorOnLow);
        const int high = CountHighSamples(cassette);
        EXPECT_TRUE(high == 33 || high == 34) << "start " << start << ": " << high;
    }
}

TEST_F(CassetteTest, LongRunsFillWholeBytesAndKeepTheirNeighbours)
{
    cassette.RecordOn();
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(30);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(70);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(70 + 10 * 1000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(70 + 10 * 1003);
    cassette.WritePort(TCassette::motorPort, motorOff);
    EXPECT_EQ(CountHighSamples(cassette), 3 + 1000);
    EXPECT_TRUE(Sample(cassette, 2));
    EXPECT_FALSE(Sample(cassette, 3));
    EXPECT_FALSE(Sample(cassette, 6));
    EXPECT_TRUE(Sample(cassette, 7));
    EXPECT_TRUE(Sample(cassette, 1006));
    EXPECT_FALSE(Sample(cassette, 1007));
    EXPECT_EQ(cassette.GetPosition(), 1010);
}

TEST_F(CassetteTest, WritingWithRecordingOffMovesTheHeadOnly)
{
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(1000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    EXPECT_EQ(cassette.GetPosition(), 100);
    EXPECT_EQ(CountHighSamples(cassette), 0);
}

TEST_F(CassetteTest, ReadingWithTheMotorOffGivesLowAndKeepsTheHead)
{
    cassette.Seek(50);
    At(1000);
    EXPECT_EQ(cassette.ReadPort(TCassette::inputPort), 0x00);
    EXPECT_EQ(cassette.GetPosition(), 50);
    EXPECT_EQ(cassette.ReadPort(0xA1), 0xFF);
    cassette.WritePort(0xA8, motorOnLow);
    EXPECT_FALSE(cassette.IsMotorOn());
}

TEST_F(CassetteTest, PortCBitFourStopsTheMotor)
{
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    EXPECT_TRUE(cassette.IsMotorOn());
    At(200);
    cassette.WritePort(TCassette::controlPort, motorOff | 0x0F);
    EXPECT_FALSE(cassette.IsMotorOn());
    EXPECT_EQ(cassette.GetPosition(), 20);
    At(900);
    cassette.WritePort(TCassette::motorPort, motorOff);
    EXPECT_EQ(cassette.GetPosition(), 20);
}

TEST_F(CassetteTest, SeekStopsAtBothEnds)
{
    struct Case {
        std::int32_t from;
        std::int32_t by;
        std::int32_t to;
    };
    const std::int32_t end = cassette.GetTapeBits();
    const Case cases[] = {
        {100, -101, 0}, {100, -100, 0}, {100, 50, 150}, {end - 10, 11, end}, {end, 2147483647, end}, {5, -2147483647 - 1, 0},
    };
    for (const Case& test : cases) {
        cassette.Rewind();
        cassette.Seek(test.from);
        cassette.Seek(test.by);
        EXPECT_EQ(cassette.GetPosition(), test.to) << test.from << " by " << test.by;
    }
}

TEST_F(CassetteTest, EndOfTapeWarningsAreShownOncePerMotorStart)
{
    const std::int32_t end = cassette.GetTapeBits();
    cassette.Seek(end - 10);
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(200);
    EXPECT_EQ(cassette.ReadPort(TCassette::inputPort), 0x00);
    EXPECT_EQ(cassette.GetPosition(), end);
    At(300);
    EXPECT_EQ(cassette.ReadPort(TCassette::inputPort), 0x00);
    EXPECT_EQ(cassette.errors, std::vector<TNotice>{endOfTapeRead});

    cassette.WritePort(TCassette::motorPort, motorOff);
    At(400);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(500);
    cassette.ReadPort(TCassette::inputPort);
    EXPECT_EQ(cassette.errors, (std::vector<TNotice>{endOfTapeRead, endOfTapeRead}));

    cassette.errors.clear();
    cassette.RecordOn();
    cassette.Seek(-5);
    At(1000);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(1100);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(1200);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    EXPECT_EQ(cassette.errors, std::vector<TNotice>{endOfTapeWrite});
    EXPECT_EQ(cassette.GetPosition(), end);
    EXPECT_EQ(CountHighSamples(cassette), 5);
}

TEST_F(CassetteTest, AsksOncePerMotorStartBeforeRiskyTraffic)
{
    const TNotice writeQuestion = {"The MSX is trying to write data to cassette while recording is off.\n"
                                   "Do you want to switch recording on now?",
                                   "Cassette data write"};
    const TNotice readQuestion = {"The MSX is trying to read data from cassette while recording is still on!\n"
                                  "This could result in data loss! Do you want to switch recording off now?",
                                  "Cassette data read"};
    // A low line never asks; the first high one does, once.
    At(0);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    EXPECT_TRUE(cassette.questions.empty());
    At(100);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    At(200);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(300);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    EXPECT_EQ(cassette.questions, std::vector<TNotice>{writeQuestion});
    EXPECT_FALSE(cassette.IsRecording());

    // After a restart, Yes switches recording on before the bit is written.
    cassette.WritePort(TCassette::motorPort, motorOff);
    cassette.answer = true;
    At(1000);
    cassette.WritePort(TCassette::motorPort, motorOnHigh);
    EXPECT_TRUE(cassette.IsRecording());
    At(2000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    EXPECT_EQ(CountHighSamples(cassette), 100);

    // Reading a high sample with recording on asks to switch it off.
    cassette.WritePort(TCassette::motorPort, motorOff);
    cassette.Rewind();
    cassette.questions.clear();
    At(5000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(5000 + 10 * 40);
    EXPECT_EQ(cassette.ReadPort(TCassette::inputPort), 0x80);
    EXPECT_EQ(cassette.questions, std::vector<TNotice>{readQuestion});
    EXPECT_FALSE(cassette.IsRecording());
}

TEST_F(CassetteTest, ProcessorResetWhileTheMotorRunsLeavesTheHeadInPlace)
{
    At(100000);
    cassette.WritePort(TCassette::motorPort, motorOnLow);
    At(101000);
    cassette.ReadPort(TCassette::inputPort);
    EXPECT_EQ(cassette.GetPosition(), 100);
    At(0);
    cassette.ReadPort(TCassette::inputPort);
    EXPECT_EQ(cassette.GetPosition(), 100);
    At(500);
    cassette.ReadPort(TCassette::inputPort);
    EXPECT_EQ(cassette.GetPosition(), 150);
    EXPECT_TRUE(cassette.errors.empty());
}

class CassetteFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = OutputFolder() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        image = folder / "tape.qcs";
    }
    std::filesystem::path folder;
    std::filesystem::path image;
};

Bytes Header(std::uint8_t length, std::uint8_t accuracy, std::int32_t tapeBits, std::int32_t compressedSize)
{
    Bytes header = {'Q', 'C', 'S', '0', '0', length, accuracy};
    for (std::int32_t value : {tapeBits, compressedSize}) {
        for (int i = 0; i < 4; ++i) {
            header.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i)));
        }
    }
    return header;
}


Bytes Image(std::uint8_t length, std::uint8_t accuracy, const Bytes& tape)
{
    Bytes body = CompressBytes(tape);
    Bytes image = Header(length, accuracy, static_cast<std::int32_t>(tape.size() * 8), static_cast<std::int32_t>(body.size()));
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

TEST_F(CassetteFileTest, OpeningAMissingImageCreatesABlankOne)
{
    {
        TCassette cassette;
        cassette.Open(image, 0, 0);
        const Bytes written = ReadFile(image);
        const Bytes expected = Image(0, 0, Bytes(2997000, 0));
        EXPECT_EQ(written, expected);
        EXPECT_EQ(Header(0, 0, 23976000, static_cast<std::int32_t>(written.size() - 15)),
                  Bytes(written.begin(), written.begin() + 15));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "tape.qcs.tmp"));
}

TEST_F(CassetteFileTest, SavedTapeLoadsBackWithItsOwnLengthAndAccuracy)
{
    TIdleZ80 z80;
    Bytes recorded;
    {
        TCassette cassette;
        cassette.SetZ80(&z80);
        cassette.Open(image, 0, 2);
        cassette.RecordOn();
        for (std::uint32_t count = 0; count < 200000; count += 137) {
            z80.instructionCount = count;
            cassette.WritePort(TCassette::motorPort, (count / 137) % 3 == 0 ? motorOnHigh : motorOnLow);
        }
        cassette.WritePort(TCassette::motorPort, motorOff);
        recorded = cassette.GetTape();
        EXPECT_GT(CountHighSamples(cassette), 10000);
    }
    // The destructor saved the tape; preferences asking for another size do not change it.
    EXPECT_EQ(ReadFile(image), Image(0, 2, recorded));
    TRecordingCassette cassette;
    cassette.Open(image, 3, 0);
    EXPECT_EQ(cassette.GetLength(), 0);
    EXPECT_EQ(cassette.GetAccuracy(), 2);
    EXPECT_EQ(cassette.GetInstructionsPerSample(), 5);
    EXPECT_EQ(cassette.GetTapeBits(), 72000000);
    EXPECT_EQ(cassette.GetTape(), recorded);
    EXPECT_FALSE(cassette.IsReadOnly());
    EXPECT_TRUE(cassette.errors.empty());
}

TEST_F(CassetteFileTest, OpeningTheSameTapeAgainKeepsThePosition)
{
    TCassette cassette;
    cassette.Open(image, 0, 1);
    cassette.Seek(1234);
    cassette.Open(image, 0, 1);
    EXPECT_EQ(cassette.GetPosition(), 1234);
    cassette.Open(image, 1, 1);
    EXPECT_EQ(cassette.GetPosition(), 0);
}

TEST_F(CassetteFileTest, DamagedImagesAreRefusedAndKeptOnDisk)
{
    const Bytes tape(1000, 0x5A);
    const Bytes valid = Image(0, 1, tape);
    Bytes corruptBody = valid;
    corruptBody[15 + 11] = 0x40;
    Bytes shortBody = valid;
    shortBody.pop_back();
    Bytes shorterData = Image(0, 1, Bytes(999, 0x5A));
    shorterData[7] = static_cast<std::uint8_t>(8000);
    shorterData[8] = static_cast<std::uint8_t>(8000 >> 8);
    Bytes largerTape = Header(3, 2, TCassette::maximumTapeBits + 8, 11);
    struct Case {
        const char* name;
        Bytes image;
        std::string error;
    };
    const std::string tooShort = "Tape image is damaged: the file is too short.";
    const std::string badSize = "Tape image is damaged: the tape size is invalid.";
    const Case cases[] = {
        {"empty file", {}, tooShort},
        {"short header", Bytes(valid.begin(), valid.begin() + 14), tooShort},
        {"negative size", Header(0, 1, -8, 0), badSize},
        {"size not a multiple of 8", Header(0, 1, 8001, 0), badSize},
        {"size beyond the longest tape", largerTape, badSize},
        {"negative body size", Header(0, 1, 8000, -1), tooShort},
        {"short body", shortBody, tooShort},
        {"corrupt body", corruptBody, "Lzrw1 (decompression LZRW1/KH) : input stream is damaged !"},
        {"body of another size", shorterData,
         "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !"},
    };
    for (const Case& test : cases) {
        WriteFile(image, test.image);
        TRecordingCassette cassette;
        cassette.Open("", 0, 1);
        cassette.Seek(10);
        EXPECT_FALSE(cassette.Load(image)) << test.name;
        // The tape in memory is left as it was.
        EXPECT_EQ(cassette.GetTapeBits(), 36000000) << test.name;
        EXPECT_EQ(cassette.GetFileName(), "") << test.name;
        EXPECT_EQ(cassette.GetPosition(), 10);

        cassette.errors.clear();
        cassette.Open(image, 2, 0);
        EXPECT_EQ(cassette.errors, (std::vector<TNotice>{{test.error, "Warning"}})) << test.name;
        EXPECT_EQ(cassette.GetTapeBits(), 71928000) << test.name;
        EXPECT_EQ(CountHighSamples(cassette), 0) << test.name;
        EXPECT_TRUE(cassette.IsReadOnly()) << test.name;
        cassette.RecordOn();
        EXPECT_FALSE(cassette.IsRecording()) << test.name;
        EXPECT_FALSE(cassette.Save(image)) << test.name;
        EXPECT_EQ(ReadFile(image), test.image) << test.name;
    }
    EXPECT_EQ(ReadFile(image), shorterData);
}

TEST_F(CassetteFileTest, SomethingUnreadableInThePlaceOfTheImageIsNotReplaced)
{
    std::filesystem::create_directories(image);
    {
        TRecordingCassette cassette;
        cassette.Open(image, 0, 1);
        EXPECT_EQ(cassette.errors.size(), 1u);
        EXPECT_EQ(cassette.GetTapeBits(), 36000000);
        EXPECT_TRUE(cassette.IsReadOnly());
    }
    EXPECT_TRUE(std::filesystem::is_directory(image));
}

TEST_F(CassetteFileTest, FailedSaveLeavesTheOldImage)
{
    TCassette cassette;
    cassette.Open(image, 0, 1);
    const Bytes before = ReadFile(image);
    // The temporary file cannot be created where a folder of that name stands.
    std::filesystem::create_directories(folder / "tape.qcs.tmp");
    cassette.RecordOn();
    EXPECT_FALSE(cassette.Save(image));
    EXPECT_EQ(ReadFile(image), before);
    std::filesystem::remove_all(folder / "tape.qcs.tmp");
    EXPECT_TRUE(cassette.Save(image));
    EXPECT_FALSE(cassette.Save(""));
}

TEST_F(CassetteFileTest, ImageThatCanOnlyBeReadIsPlayableButNeverRecordedOrSaved)
{
    const Bytes tape(4500000, 0xFF);
    const Bytes contents = Image(0, 1, tape);
    WriteFile(image, contents);
    std::filesystem::permissions(image, std::filesystem::perms::owner_read);
    if (std::ofstream(image, std::ios::app).is_open()) {
        std::filesystem::permissions(image, std::filesystem::perms::owner_all);
        GTEST_SKIP() << "file permissions do not bind this user";
    }
    {
        TIdleZ80 z80;
        TCassette cassette;
        cassette.SetZ80(&z80);
        cassette.Open(image, 0, 1);
        EXPECT_TRUE(cassette.IsReadOnly());
        cassette.RecordOn();
        EXPECT_FALSE(cassette.IsRecording());
        cassette.WritePort(TCassette::motorPort, motorOnLow);
        z80.instructionCount = 100;
        EXPECT_EQ(cassette.ReadPort(TCassette::inputPort), 0x80);
    }
    std::filesystem::permissions(image, std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFile(image), contents);
}

} // namespace
