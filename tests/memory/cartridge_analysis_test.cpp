// The kind of a cartridge image: from its bank-switching stores, its header, or a name.
#include "memory/cartridge_analysis.h"

#include <gtest/gtest.h>

#include <random>

#include "memory/rom_cartridge.h"
#include "settings/scratch_files.h"

namespace {

using Kinds = TROMCartridge;

// An image as programs look: the "AB" header at headerOffset (FFh before it), then
// random data in which every 4 KB a routine sets a bank (LD A,n / LD (nnnn),A at the next
// of the given register addresses) and stores a variable in RAM (LD (C0xxh),A).
Bytes Image(std::size_t size, const std::vector<std::uint16_t>& registers, std::size_t headerOffset = 0) {
    std::minstd_rand random(static_cast<std::uint32_t>(size));
    Bytes image(size);
    for (std::size_t at = 0; at < size; ++at) image[at] = at < headerOffset ? 0xFF : static_cast<std::uint8_t>(random());
    const Bytes header = {'A', 'B', 0x10, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::copy(header.begin(), header.end(), image.begin() + static_cast<std::ptrdiff_t>(headerOffset));
    std::size_t next = 0;
    for (std::size_t at = headerOffset + 0x100; at + 16 < size; at += 4096) {
        const Bytes code = {0x3E, static_cast<std::uint8_t>(at >> 13), 0x32, 0x00, 0xC0, 0xCD, 0x00, 0x41};
        std::copy(code.begin(), code.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
        if (registers.empty()) continue;
        const std::uint16_t bank = registers[next++ % registers.size()];
        const Bytes store = {0x32, static_cast<std::uint8_t>(bank), static_cast<std::uint8_t>(bank >> 8), 0xC9};
        std::copy(store.begin(), store.end(), image.begin() + static_cast<std::ptrdiff_t>(at + 8));
    }
    return image;
}

TROMAnalysis Analyse(const Bytes& image, TCartridgeKind kind = TCartridgeKind::automatic) {
    TROMAnalysis analysis;
    EXPECT_TRUE(TCartridgeAnalysis::AnalyseImage(image, analysis, kind));
    return analysis;
}

TEST(CartridgeAnalysisTest, MegaROMsAreKnownByTheirBankStoresAtEverySize) {
    const std::tuple<const char*, std::vector<std::uint16_t>, std::uint8_t, std::int32_t> schemes[] = {
        {"Konami", {0x6000, 0x8000, 0xA000}, Kinds::konamiKind, 8192},
        {"Konami SCC", {0x5000, 0x7000, 0x9000, 0xB000}, Kinds::konamiSCCKind, 8192},
        {"ASCII 8K", {0x6000, 0x6800, 0x7000, 0x7800}, Kinds::ascii8KKind, 8192},
        {"ASCII 16K", {0x6000, 0x7000}, Kinds::ascii16KKind, 16384},
        {"ASCII 16K at 77FFh", {0x6000, 0x77FF}, Kinds::ascii16KKind, 16384}};
    for (const auto& [name, registers, kind, blockSize] : schemes) {
        for (const std::size_t size : {32768u, 65536u, 131072u, 262144u}) {
            SCOPED_TRACE(testing::Message() << name << ", " << size);
            const TROMAnalysis analysis = Analyse(Image(size, registers));
            EXPECT_EQ(std::tuple(analysis.cartridgeKind, analysis.blockSize, analysis.blockCount),
                      std::tuple(kind, blockSize, std::int32_t(size / blockSize)));
        }
    }
}

TEST(CartridgeAnalysisTest, PlainImagesAndHeaderRules) {
    // Image, expected kind, block size, block count.
    const std::tuple<const char*, Bytes, std::uint8_t, std::int32_t, std::int32_t> cases[] = {
        {"48 KB, first page empty", Image(49152, {}, 0x4000), Kinds::plainPage0Kind, 16384, 3},
        {"64 KB, first page empty", Image(65536, {}, 0x4000), Kinds::plainPage0Kind, 16384, 4},
        {"32 KB without stores", Image(32768, {}), Kinds::plainPage1Kind, 16384, 2},
        {"16 KB with stores", Image(16384, {0x6000, 0x7000}), Kinds::plainPage1Kind, 16384, 1},
        {"128 KB without stores", Image(131072, {}), Kinds::ascii8KKind, 8192, 16}};
    for (const auto& [name, image, kind, blockSize, blockCount] : cases) {
        const TROMAnalysis analysis = Analyse(image);
        EXPECT_EQ(std::tuple(analysis.cartridgeKind, analysis.blockSize, analysis.blockCount),
                  std::tuple(kind, blockSize, blockCount))
            << name;
    }
    // The header alone: size, start high byte, "CD", game code; kind, block size, block count.
    const std::tuple<std::size_t, std::uint8_t, bool, std::uint8_t, std::uint8_t, std::int32_t, std::int32_t> headers[] = {
        {32768, 0x3F, false, 0, 0, 16384, 2},    {32768, 0x40, false, 0, 1, 16384, 2},
        {65536, 0x40, false, 0, 0, 16384, 4},    {65537, 0x40, false, 0, 5, 8192, 9},
        {131072, 0x40, true, 0x00, 3, 8192, 16}, {131072, 0x40, true, 0x51, 4, 8192, 16},
        {131072, 0x40, true, 0x64, 4, 8192, 16}, {8192, 0xBF, false, 0, 2, 8192, 1},
        {32768, 0x80, false, 0, 1, 16384, 2},    {131072, 0x80, true, 0x52, 1, 16384, 8},
        {16384, 0xC0, false, 0, 1, 16384, 1},    {40000, 0x40, true, 0, 3, 8192, 5},
        {2097152, 0x40, false, 0, 5, 8192, 256}};
    for (const auto& [size, startHigh, cd, code, kind, blockSize, blockCount] : headers) {
        Bytes image(size, 0x00);
        image[3] = startHigh, image[16] = cd ? 'C' : 0, image[17] = cd ? 'D' : 0, image[19] = code;
        const TROMAnalysis analysis = Analyse(image);
        EXPECT_EQ(std::tuple(analysis.cartridgeKind, analysis.blockSize, analysis.blockCount),
                  std::tuple(kind, blockSize, blockCount))
            << size << " at " << int(startHigh) << " code " << int(code);
    }
    // A kind given by hand beats the image; plain still takes its page from the header.
    const Bytes ascii8K = Image(131072, {0x6000, 0x6800, 0x7000, 0x7800});
    for (const auto& [kind, number, blockSize] : {std::tuple{TCartridgeKind::plain, Kinds::plainPage0Kind, 16384},
                                                  {TCartridgeKind::konamiSCC, Kinds::konamiSCCKind, 8192}}) {
        const TROMAnalysis analysis = Analyse(ascii8K, kind);
        EXPECT_EQ(std::tuple(analysis.cartridgeKind, analysis.blockSize), std::tuple(number, blockSize));
    }
    // The ASCII 16K mapper has 16 KB blocks whatever the image's size.
    EXPECT_EQ(Analyse(Image(8192, {}), TCartridgeKind::ascii16K).blockSize, 16384);
}

TEST(CartridgeAnalysisTest, ImagesThatCannotBeCartridgesAreRefusedWithAReason) {
    const auto folder = ScratchFolder();
    const auto big = WriteFile(folder / "big.rom", Bytes(TCartridgeAnalysis::maximumImageSize, 0));
    const std::tuple<std::filesystem::path, TCartridgeKind, std::string> cases[] = {
        {folder / "missing.rom", TCartridgeKind::automatic, "the file cannot be read"},
        {folder, TCartridgeKind::automatic, "the file cannot be read"},
        {WriteFile(folder / "three.rom", {'A', 'B', 0x10}), TCartridgeKind::automatic,
         "the image is shorter than a cartridge header (3 bytes)"},
        {WriteFile(folder / "huge.rom", Bytes(TCartridgeAnalysis::maximumImageSize + 1, 0)), TCartridgeKind::automatic,
         "the image is larger than 4 MB"},
        {big, TCartridgeKind::ascii8K, "512 blocks of 8 KB are more than the 256 a cartridge can select"}};
    for (const auto& [path, kind, reason] : cases) {
        TROMAnalysis analysis{6, 1234, 5678};
        std::string problem;
        EXPECT_EQ(TCartridgeAnalysis::AnalyseROM(path, analysis, kind, &problem), -1) << path;
        EXPECT_EQ(problem, reason);
        EXPECT_EQ(std::tuple(analysis.cartridgeKind, analysis.blockSize, analysis.blockCount), std::tuple(6, 1234, 5678));
    }
    TROMAnalysis analysis;
    EXPECT_EQ(TCartridgeAnalysis::AnalyseROM(big, analysis, TCartridgeKind::ascii16K), 0);
    EXPECT_EQ(TCartridgeAnalysis::Describe(analysis), "ASCII 16K, 256 blocks of 16 KB");
    EXPECT_EQ(TCartridgeAnalysis::Describe({1, 16384, 1}), "Plain at page 1 (4000h), 1 block of 16 KB");
}

TEST(CartridgeAnalysisTest, KindsAreNamedOnCommandLinesAndInFileNameTags) {
    const std::pair<const char*, std::optional<TCartridgeKind>> names[] = {
        {"ascii 16k", TCartridgeKind::ascii16K}, {"Konami-SCC", TCartridgeKind::konamiSCC},
        {"auto", TCartridgeKind::automatic},     {"ASCII", std::nullopt}, {"16", std::nullopt}};
    for (const auto& [text, kind] : names) EXPECT_EQ(ParseCartridgeKind(text), kind) << text;
    for (const TCartridgeKind kind : cartridgeKinds) EXPECT_EQ(ParseCartridgeKind(CartridgeKindKey(kind)), kind);
    const std::pair<const char*, TCartridgeKind> files[] = {
        {"/roms/[Konami]/Game [ASCII16].rom", TCartridgeKind::ascii16K},
        {"Game (1987) [a1] [Automatic] [konamiscc] [Plain].ROM", TCartridgeKind::konamiSCC},
        {"Game [Konami.rom", TCartridgeKind::automatic}};
    for (const auto& [file, kind] : files) EXPECT_EQ(CartridgeKindInFileName(file), kind) << file;
}

} // namespace
