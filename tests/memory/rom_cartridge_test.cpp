// The plain cartridge and the MegaROM schemes built on it.
#include "memory/rom_cartridge.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "memory/megarom.h"
#include "settings/scratch_files.h"
#include "sound/scc.h"

namespace {

// An image whose every byte is the number of its 8 KB block, under a header with the
// given start-address high byte and optional "CD" and game code.
std::filesystem::path CartridgeImage(const std::string& name, std::size_t size, std::uint8_t startHigh = 0x40,
                                     bool cd = false, std::uint8_t code = 0) {
    Bytes image(std::max<std::size_t>(size, 32));
    for (std::size_t i = 32; i < size; ++i) image[i] = static_cast<std::uint8_t>(i >> 13);
    image[3] = startHigh;
    image[16] = cd ? 'C' : 0;
    image[17] = cd ? 'D' : 0;
    image[19] = code;
    image.resize(size);
    return WriteFile(ScratchFolder() / name, image);
}

// The 8 KB block each region of the slot shows; -1 for FFh.
std::vector<int> Regions(TROMCartridge& cartridge) {
    std::vector<int> shown;
    for (int end = 0x1FFF; end < 0x10000; end += 0x2000) {
        const std::uint8_t block = cartridge.Read(static_cast<std::uint16_t>(end));
        shown.push_back(block == 0xFF ? -1 : block);
    }
    return shown;
}

TEST(ROMCartridgeTest, PlainCartridgeLayouts) {
    const std::tuple<std::size_t, std::uint8_t, std::vector<int>> cases[] = {
        {32768, 0x40, {-1, -1, 0, 1, 2, 3, -1, -1}}, {16384, 0x80, {-1, -1, -1, -1, 0, 1, -1, -1}},
        {49152, 0x40, {0, 1, 2, 3, 4, 5, -1, -1}},   {8192, 0x40, {-1, -1, 0, -1, -1, -1, -1, -1}},
        {65536, 0x00, {0, 1, 2, 3, 4, 5, 6, 7}},
        {65536, 0x80, {-1, -1, 0, 1, 2, 3, 4, 5}}};  // what lies past FFFFh is not shown
    for (const auto& [size, startHigh, regions] : cases) {
        const auto path = CartridgeImage("plain.rom", size, startHigh);
        TROMAnalysis analysis;
        ASSERT_EQ(TCartridgeAnalysis::AnalyseROM(path, analysis), 0);
        TROMCartridge cartridge(analysis.cartridgeKind, analysis.blockSize);
        cartridge.SetBlockCount(analysis.blockCount);
        ASSERT_EQ(cartridge.Load(path), 0);
        cartridge.Clear();  // a hard reset keeps the image
        EXPECT_EQ(Regions(cartridge), regions) << size << " at " << int(startHigh);
    }
}

TEST(ROMCartridgeTest, ShortAndMissingImagesLoadWhatThereIs) {
    EXPECT_EQ(TROMCartridge().Load(CartridgeImage("no_blocks.rom", 16384)), -1);  // no blocks to load to
    // 40000 bytes in 16 KB blocks: the third block holds 7232 bytes, the rest reads FFh.
    TROMCartridge cartridge(0, 16384);
    cartridge.SetBlockCount(3);
    EXPECT_EQ(cartridge.Load(CartridgeImage("short.rom", 40000, 0x00)), -1);
    for (const auto& [address, value] : {std::pair{0x4100, 2}, {0x9C3F, 4}, {0x9C40, 0xFF}, {0xC000, 0xFF}}) {
        EXPECT_EQ(cartridge.Read(static_cast<std::uint16_t>(address)), value) << address;
    }
}

TEST(MegaROMTest, BankSwitchingAtEveryRegisterAddress) {
    struct Scheme {
        const char* name;
        std::function<std::unique_ptr<TROMCartridge>()> create;
        int regionsPerBank;                                    // 8 KB regions a bank register switches
        std::vector<std::pair<std::uint16_t, int>> registers;  // address, first region
        std::vector<std::uint16_t> ignored;
    };
    const Scheme schemes[] = {
        {"Konami", [] { return std::make_unique<TKonamiMegaROM>(); }, 1,
         {{0x4000, 2}, {0x6000, 3}, {0x8000, 4}, {0xA000, 5}},
         {0x0000, 0x3FFF, 0x4001, 0x5000, 0x6001, 0x7000, 0x9000, 0xA001, 0xB000, 0xC000, 0xE000}},
        {"KonamiSCC", [] { return std::make_unique<TKonamiSCCMegaROM>(std::make_unique<TSCC>()); }, 1,
         {{0x5000, 2}, {0x7000, 3}, {0x9000, 4}, {0xB000, 5}},
         {0x0000, 0x4000, 0x5001, 0x6000, 0x7001, 0x8000, 0x9001, 0x9800, 0xA000, 0xB001, 0xD000}},
        {"ASCII8K", [] { return std::make_unique<TASCII8KMegaROM>(); }, 1,
         {{0x6000, 2}, {0x67FF, 2}, {0x6800, 3}, {0x6FFF, 3}, {0x7000, 4}, {0x77FF, 4}, {0x7800, 5}, {0x7FFF, 5}},
         {0x0000, 0x4000, 0x5FFF, 0x8000, 0xA000, 0xE7FF}},
        {"ASCII16K", [] { return std::make_unique<TASCII16KMegaROM>(); }, 2,
         {{0x6000, 2}, {0x6FFF, 2}, {0x7000, 4}, {0x7FFF, 4}}, {0x0000, 0x4000, 0x5FFF, 0x8000, 0xA000, 0xE000}},
    };
    // 96 KB: 12 blocks of 8 KB or 6 of 16 KB. A bank number selects its block modulo 16
    // or 8, the block count rounded up to a power of two; past the image it reads FFh.
    const auto path = CartridgeImage("mega.rom", 98304);
    const std::tuple<int, int, int> numbers[] = {
        // value, bank shown with 8 KB blocks, with 16 KB blocks (-1: FFh)
        {5, 5, 5}, {0, 0, 0}, {0xFF, -1, -1}, {0x1B, 11, 3}, {0x0C, -1, 4}, {0x45, 5, 5}, {0x0E, -1, -1}};
    const std::vector<int> initial = {-1, -1, 0, 1, 2, 3, -1, -1};
    for (const Scheme& scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        auto cartridge = scheme.create();
        cartridge->SetBlockCount(12 / scheme.regionsPerBank);
        ASSERT_EQ(cartridge->Load(path), 0);
        for (std::uint16_t address : scheme.ignored) cartridge->Write(address, 5);
        EXPECT_EQ(Regions(*cartridge), initial);
        for (const auto& [address, region] : scheme.registers) {
            for (const auto& [value, bank8K, bank16K] : numbers) {
                const int bank = scheme.regionsPerBank == 1 ? bank8K : bank16K;
                cartridge->Write(address, static_cast<std::uint8_t>(value));
                std::vector<int> expected = initial;
                for (int part = 0; part < scheme.regionsPerBank; ++part) {
                    expected[region + part] = bank < 0 ? -1 : bank * scheme.regionsPerBank + part;
                }
                EXPECT_EQ(Regions(*cartridge), expected) << "value " << value << " at " << address;
                EXPECT_EQ(cartridge->GetBankRegister(region / scheme.regionsPerBank), value);
            }
            const int first = (region - 2) / scheme.regionsPerBank;
            cartridge->Write(address, static_cast<std::uint8_t>(first));
        }
        EXPECT_EQ(Regions(*cartridge), initial);
    }
    // Every 8-bit bank number reaches a block of a 256-block image.
    TASCII8KMegaROM largest;
    largest.SetBlockCount(257);
    EXPECT_EQ(largest.GetBlockCount(), 256);
    largest.Write(0x7800, 0xFF);
    EXPECT_EQ(largest.GetShownBlock(5), 255);
}

// The chip answers in 9800h-98FFh while bank number 3Fh is in the register of 8000h, which
// on a 128 KB image shows block 15; reads still show the ROM.
TEST(MegaROMTest, SCCWindowOpensWithBank3F) {
    auto chip = std::make_unique<TSCC>();
    TSCC* scc = chip.get();
    TKonamiSCCMegaROM cartridge(std::move(chip));
    cartridge.SetBlockCount(16);
    ASSERT_EQ(cartridge.Load(CartridgeImage("scc.rom", 131072)), 0);
    for (const auto& [address, value] : {std::pair{0x9800, 0x80}, {0x9000, 0x3F}, {0x9800, 0x80}, {0x987F, 0x7F},
                                         {0x988F, 0x1F}, {0x97FF, 0x11}, {0x9900, 0x22}, {0x9000, 0x2F}, {0x9801, 0x55}}) {
        cartridge.Write(static_cast<std::uint16_t>(address), static_cast<std::uint8_t>(value));
        EXPECT_EQ(cartridge.Read(0x9800), cartridge.Read(0x8000));
    }
    EXPECT_EQ(cartridge.Read(0x8000), 15) << "2Fh, like 3Fh, selects block 15, and closes the window";
    for (int offset = 0; offset < TSCC::waveformBytes; ++offset) {
        EXPECT_EQ(scc->GetWaveByte(offset), offset == 0x00 ? 0x80 : offset == 0x7F ? 0x7F : 0) << offset;
    }
    for (int index = 0; index < TSCC::registerCount; ++index) EXPECT_EQ(scc->GetRegister(index), index == 15 ? 0x1F : 0);
    TKonamiSCCMegaROM chipless(nullptr);  // harmless without a chip
    chipless.Write(0x9000, 0x3F);
    chipless.Write(0x9800, 0x01);
}

} // namespace
