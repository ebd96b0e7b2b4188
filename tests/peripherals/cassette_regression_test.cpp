// Tape images that fuzzing found mishandled. Each one is refused, and the
// cassette keeps the tape it held.
#include "peripherals/cassette.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/lzrw1_bytes.h"

namespace {

std::filesystem::path RegressionFolder()
{
    const auto folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "cassette_regression";
    std::filesystem::create_directories(folder);
    return folder;
}

void WriteImage(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// "QCS00", length 2, accuracy 1, then a 100-byte tape of alternating bytes.
std::vector<std::uint8_t> SmallTapeImage()
{
    std::vector<std::uint8_t> tape(100);
    for (std::size_t index = 0; index < tape.size(); ++index) {
        tape[index] = index % 2 == 0 ? 0xAA : 0x55;
    }
    const std::vector<std::uint8_t> body = CompressBytes(tape);
    std::vector<std::uint8_t> image = {'Q', 'C', 'S', '0', '0', 2, 1, 0x20, 0x03, 0, 0};
    const auto size = static_cast<std::uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8) {
        image.push_back(static_cast<std::uint8_t>(size >> shift));
    }
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

struct TFoundImage {
    const char* what;
    std::vector<std::uint8_t> bytes;
};

const TFoundImage foundImages[] = {
    // The body's size field says 1.5 GB in a 23-byte file: it was allocated
    // before the file was found too short.
    {"body size far beyond the file",
     {0x51, 0x43, 0x53, 0x30, 0x30, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x57, 0x52, 0x5A, 0x4C, 0x00, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x80}},
    {"largest body size in a header-only file",
     {0x51, 0x43, 0x53, 0x30, 0x30, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}},
};

TEST(CassetteRegression, RefusedImagesKeepTheTape)
{
    const auto folder = RegressionFolder();
    const auto good = folder / "good.qcs";
    WriteImage(good, SmallTapeImage());
    TCassette cassette;
    ASSERT_TRUE(cassette.Load(good));
    const std::vector<std::uint8_t> tape = cassette.GetTape();

    for (const auto& found : foundImages) {
        SCOPED_TRACE(found.what);
        const auto path = folder / "found.qcs";
        WriteImage(path, found.bytes);
        EXPECT_FALSE(cassette.Load(path));
        EXPECT_EQ(cassette.GetFileName(), good);
        EXPECT_EQ(cassette.GetLength(), 2);
        EXPECT_EQ(cassette.GetAccuracy(), 1);
        EXPECT_EQ(cassette.GetTapeBits(), 800);
        EXPECT_EQ(cassette.GetTape(), tape);
    }
}

} // namespace
