#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "memory/image_file.h"
#include "memory/megarom.h"
#include "memory/memory_selector.h"
#include "sound/scc.h"

namespace {

// Every byte is the number of its 8 KB block.
std::filesystem::path BlockImage(const std::string& name, std::size_t size)
{
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i >> 13);
    }
    return memory_test::WriteImage(name, image);
}

// The 8 KB block number each region shows, -1 for FFh.
std::vector<int> Regions(TROMCartridge& cartridge)
{
    std::vector<int> shown;
    for (int region = 0; region < 8; ++region) {
        const std::uint8_t value = cartridge.Read(static_cast<std::uint16_t>((region << 13) + 0x155));
        shown.push_back(value == 0xFF ? -1 : value);
    }
    return shown;
}

class TRecordingSCC : public TSCC {
public:
    void RegisterWritten(int index, std::uint8_t value) override { registerWrites.push_back({index, value}); }
    void WaveWritten(int offset, std::uint8_t value) override { waveWrites.push_back({offset, value}); }
    void ResetSound() override { ++resets; }

    std::vector<std::pair<int, int>> registerWrites;
    std::vector<std::pair<int, int>> waveWrites;
    int resets = 0;
};

struct RegisterAddress {
    std::uint16_t address;
    int region; // in the scheme's own region size
};

struct Scheme {
    const char* name;
    std::function<std::unique_ptr<TROMCartridge>()> create;
    std::uint8_t kind;
    std::int32_t blockSize;
    std::vector<RegisterAddress> registers;
    std::vector<std::uint16_t> ignored;
};

std::vector<Scheme> Schemes()
{
    return {
        {"Konami", [] { return std::make_unique<TKonamiMegaROM>(); }, 3, 8192,
         {{0x4000, 2}, {0x6000, 3}, {0x8000, 4}, {0xA000, 5}},
         {0x0000, 0x3FFF, 0x4001, 0x5000, 0x5FFF, 0x6001, 0x7000, 0x9000, 0xA001, 0xB000, 0xC000, 0xE000}},
        {"KonamiSCC", [] { return std::make_unique<TKonamiSCCMegaROM>(std::make_unique<TSCC>()); }, 4, 8192,
         {{0x5000, 2}, {0x7000, 3}, {0x9000, 4}, {0xB000, 5}},
         {0x0000, 0x4000, 0x5001, 0x6000, 0x7001, 0x8000, 0x9001, 0x9800, 0xA000, 0xB001, 0xD000}},
        {"ASCII8K", [] { return std::make_unique<TASCII8KMegaROM>(); }, 5, 8192,
         {{0x6000, 2}, {0x67FF, 2}, {0x6800, 3}, {0x6FFF, 3}, {0x7000, 4}, {0x77FF, 4}, {0x7800, 5}, {0x7FFF, 5}},
         {0x0000, 0x4000, 0x5FFF, 0x8000, 0xA000, 0xE7FF}},
        {"ASCII16K", [] { return std::make_unique<TASCII16KMegaROM>(); }, 6, 16384,
         {{0x6000, 1}, {0x6FFF, 1}, {0x7000, 2}, {0x7FFF, 2}},
         {0x0000, 0x4000, 0x5FFF, 0x8000, 0xA000, 0xE000}},
    };
}

// Every scheme starts with image bytes 0-32767 at 4000h-BFFFh.
std::vector<int> InitialRegions(const Scheme&)
{
    return {-1, -1, 0, 1, 2, 3, -1, -1};
}

TEST(MegaROMTest, BankSwitchingAtEveryRegisterAddress)
{
    const auto path = BlockImage("mega_128k.rom", 131072);
    for (const Scheme& scheme : Schemes()) {
        SCOPED_TRACE(scheme.name);
        const std::int32_t blocks = 131072 / scheme.blockSize;
        const int perRegion = scheme.blockSize / 8192;
        auto fresh = [&] {
            auto cartridge = scheme.create();
            cartridge->SetBlockCount(blocks);
            EXPECT_EQ(cartridge->Load(path), 0);
            return cartridge;
        };
        {
            auto cartridge = fresh();
            EXPECT_EQ(cartridge->GetCartridgeKind(), scheme.kind);
            EXPECT_EQ(cartridge->GetBlockSize(), scheme.blockSize);
            EXPECT_EQ(cartridge->GetName(), "mega_128k.rom");
            EXPECT_EQ(Regions(*cartridge), InitialRegions(scheme));
        }
        for (const RegisterAddress& entry : scheme.registers) {
            SCOPED_TRACE(entry.address);
            auto cartridge = fresh();
            // Bank v shows image block v; FFh and blocks the image lacks read FFh.
            const std::pair<std::uint8_t, int> values[] = {{5, 5}, {0, 0}, {0xFF, -1}, {0x40, -1}, {7, 7}};
            for (const auto& [value, block] : values) {
                cartridge->Write(entry.address, value);
                std::vector<int> expected = InitialRegions(scheme);
                for (int part = 0; part < perRegion; ++part) {
                    expected[entry.region * perRegion + part] = block < 0 ? -1 : block * perRegion + part;
                }
                EXPECT_EQ(Regions(*cartridge), expected) << "value " << int(value);
            }
        }
        auto cartridge = fresh();
        for (std::uint16_t address : scheme.ignored) {
            cartridge->Write(address, 5);
            EXPECT_EQ(Regions(*cartridge), InitialRegions(scheme)) << "address " << address;
        }
    }
}

TEST(MegaROMTest, EjectedMegaROMStaysSafe)
{
    const auto path = BlockImage("mega_eject.rom", 65536);
    for (const Scheme& scheme : Schemes()) {
        SCOPED_TRACE(scheme.name);
        auto cartridge = scheme.create();
        cartridge->SetBlockCount(65536 / scheme.blockSize);
        ASSERT_EQ(cartridge->Load(path), 0);
        cartridge->Eject();
        EXPECT_EQ(cartridge->GetCartridgeKind(), scheme.kind);
        EXPECT_EQ(cartridge->GetName(), "ROM Cartridge");
        EXPECT_EQ(Regions(*cartridge), std::vector<int>(8, -1));
        for (const RegisterAddress& entry : scheme.registers) {
            cartridge->Write(entry.address, 1);
        }
        EXPECT_EQ(Regions(*cartridge), std::vector<int>(8, -1));
    }
}

TEST(MegaROMTest, SCCWindowOpensWithBank3F)
{
    auto chip = std::make_unique<TRecordingSCC>();
    TRecordingSCC* scc = chip.get();
    TKonamiSCCMegaROM cartridge(std::move(chip));
    EXPECT_EQ(cartridge.GetSCC(), scc);
    EXPECT_EQ(cartridge.AsCartridge(), &cartridge);
    // 64 blocks of 8 KB, so bank 3Fh is the last image block.
    const auto path = BlockImage("scc_512k.rom", 524288);
    cartridge.SetBlockCount(64);
    ASSERT_EQ(cartridge.Load(path), 0);

    cartridge.Write(0x9800, 0x80);
    EXPECT_TRUE(scc->waveWrites.empty());
    cartridge.Write(0x9000, 0x3F);
    cartridge.Write(0x9800, 0x80);
    cartridge.Write(0x987F, 0x7F);
    cartridge.Write(0x9880, 0x34);
    cartridge.Write(0x988F, 0x1F);
    cartridge.Write(0x98FF, 0x66);
    cartridge.Write(0x97FF, 0x11);
    cartridge.Write(0x9900, 0x22);
    EXPECT_EQ(scc->waveWrites, (std::vector<std::pair<int, int>>{{0x00, 0x80}, {0x7F, 0x7F}}));
    EXPECT_EQ(scc->registerWrites, (std::vector<std::pair<int, int>>{{0, 0x34}, {15, 0x1F}}));
    EXPECT_EQ(scc->GetWaveByte(0), 0x80);
    // Reads of the window are not redirected: they show the block.
    EXPECT_EQ(cartridge.Read(0x9800), 0x3F);
    EXPECT_EQ(cartridge.Read(0x8000), 0x3F);

    cartridge.Write(0x9000, 0x02);
    cartridge.Write(0x9801, 0x55);
    EXPECT_EQ(scc->waveWrites.size(), 2u);
    EXPECT_EQ(scc->GetWaveByte(1), 0x00);

    // An ejected cartridge keeps its chip; the window still follows the register.
    cartridge.Eject();
    EXPECT_EQ(cartridge.GetSCC(), scc);
    cartridge.Write(0x9000, 0x3F);
    cartridge.Write(0x9802, 0x44);
    EXPECT_EQ(scc->GetWaveByte(2), 0x44);
    EXPECT_EQ(cartridge.Read(0x9802), 0xFF);

    // Without a chip the window is harmless.
    TKonamiSCCMegaROM chipless(nullptr);
    chipless.SetBlockCount(64);
    chipless.Write(0x9000, 0x3F);
    chipless.Write(0x9800, 0x01);
    EXPECT_EQ(chipless.GetSCC(), nullptr);
}

// The machine finds cartridges and their chips through the selector.
TEST(MegaROMTest, CartridgeAndChipFoundThroughTheSelector)
{
    TMemorySelector selector;
    auto cartridge = std::make_unique<TKonamiSCCMegaROM>(std::make_unique<TSCC>());
    TSCC* scc = cartridge->GetSCC();
    cartridge->SetBlockCount(64);
    selector.SetBank(1, 0, 0, std::move(cartridge));
    selector.SetBank(2, 0, 0, std::make_unique<TKonamiMegaROM>());
    EXPECT_EQ(selector.GetBank(0, 0, 0)->AsCartridge(), nullptr);
    ASSERT_NE(selector.GetBank(1, 0, 0)->AsCartridge(), nullptr);
    EXPECT_EQ(selector.GetBank(1, 0, 0)->AsCartridge()->GetCartridgeKind(), TROMCartridge::konamiSCCKind);
    EXPECT_EQ(selector.GetBank(1, 0, 0)->AsCartridge()->GetSCC(), scc);
    EXPECT_EQ(selector.GetBank(2, 0, 0)->AsCartridge()->GetSCC(), nullptr);
    // Processor writes reach the chip through the slot.
    selector.SetPrimarySlotRegister(0x10);
    selector.Write(0x9000, 0x3F);
    selector.Write(0x988A, 0x0F);
    EXPECT_EQ(scc->GetRegister(10), 0x0F);
}

} // namespace
