#include "settings/configuration.h"

#include <gtest/gtest.h>

#include "settings/scratch_files.h"

namespace {

constexpr std::size_t recordSize = 3343;
const std::string longDescription = "A machine with a description longer than fifty characters";

// File names of every length: a full field, one too long, bytes outside ASCII.
std::string RomName(int index) {
    switch (index) {
    case 0: return std::string(50, 'F');
    case 1: return std::string(50, 'L') + "0123456789";
    case 2: return "\xE9t\xE9-\xFF.rom";
    default: return "slot" + std::to_string(index) + std::string(static_cast<std::size_t>(index % 7), 'x') + ".rom";
    }
}

TEST(TConfigurationTest, RecordFormat) {
    // Every byte field holds a value of its own, so that a field in the wrong place shows.
    TConfiguration filled;
    filled.description = longDescription;
    filled.msxType = 3;
    filled.cpu = 1;
    filled.vdp = 2;
    filled.vram = 4;
    // Magic, description, the four bytes above, expanded[4], pageType[64], mapperSize[16], romFile[64].
    Bytes record(recordSize, 0);
    PutText(record, 0, "QCF00");
    PutText(record, 5, longDescription);
    for (std::size_t i = 0; i < 64; ++i) {
        filled.expanded[i % 4] = static_cast<std::uint8_t>(10 + i % 4);
        filled.mapperSize[i / 16][i / 4 % 4] = static_cast<std::uint8_t>(200 + i / 4);
        filled.pageType[i / 16][i / 4 % 4][i % 4] = static_cast<std::uint8_t>(100 + i);
        filled.romFile[i / 16][i / 4 % 4][i % 4] = RomName(static_cast<int>(i));
        record[55 + i % 4] = Bytes{3, 1, 2, 4}[i % 4];
        record[59 + i % 4] = static_cast<std::uint8_t>(10 + i % 4);
        record[63 + i] = static_cast<std::uint8_t>(100 + i);
        record[127 + i / 4] = static_cast<std::uint8_t>(200 + i / 4);
        PutText(record, 143 + 50 * i, RomName(static_cast<int>(i)));
    }
    ExpectRecordFormat(filled, record, 5, [](std::size_t offset) { return offset >= 55 && offset < 143 ? 9 : 0; });
}

}  // namespace
