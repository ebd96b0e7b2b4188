#include "machine/pc_msx.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "memory/memory_mapper.h"
#include "memory/rom_cartridge.h"
#include "support/test_host.h"

namespace {

namespace fs = std::filesystem;

// A folder of ROM pages for one test, removed afterwards.
struct TTemporaryFolder {
    TTemporaryFolder() : path(fs::temp_directory_path() / ("quib_machine_" + std::to_string(::getpid()))) {
        fs::create_directories(path);
    }
    ~TTemporaryFolder() { fs::remove_all(path); }
    fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(path / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path / name;
    }
    fs::path path;
};

struct MSXTest : ::testing::Test {
    MSXTest() {
        machine.preferences = &preferences;
        machine.SetROMFolder(folder.path);
    }

    TTestHost host;
    TTemporaryFolder folder;
    TPreferences preferences;
    TConfiguration configuration;
    TPCMSX machine{host.Services()};
};

TEST_F(MSXTest, EmptyConfigurationReadsFFEverywhere) {
    machine.Build(configuration);
    for (std::uint32_t address = 0; address < 0x10000; address += 0x1001) {
        EXPECT_EQ(machine.GetMemorySelector()->Read(static_cast<std::uint16_t>(address)), 0xFF);
    }
    EXPECT_EQ(machine.GetIOHandler()->ReadPort(0xFE), 0xFF);
}

TEST_F(MSXTest, ROMPagesLoadFromTheROMFolderAndAMissingFileLeavesTheBankUnloaded) {
    std::vector<std::uint8_t> page(16384, 0x00);
    page[0] = 0xC3;
    page[0x3FFF] = 0x99;
    folder.Write("page0.rom", page);
    configuration.pageType[0][0][0] = TConfiguration::pageROM;
    configuration.romFile[0][0][0] = "page0.rom";
    configuration.pageType[0][0][1] = TConfiguration::pageROM;
    configuration.romFile[0][0][1] = "missing.rom";
    machine.Build(configuration);

    TMemorySelector& selector = *machine.GetMemorySelector();
    EXPECT_EQ(selector.Read(0x0000), 0xC3);
    EXPECT_EQ(selector.Read(0x3FFF), 0x99);
    EXPECT_EQ(selector.Read(0x4000), 0xFF);
    EXPECT_EQ(selector.GetBank(0, 0, 1)->GetName(), "missing.rom");
    // Writes to ROM change nothing, and the machine runs on the unloaded page.
    selector.Write(0x0000, 0x00);
    EXPECT_EQ(selector.Read(0x0000), 0xC3);
    machine.GetZ80()->registers.Set(TZ80Registers::PC, 0x4000);
    machine.GetZ80()->Start();
    for (int step = 0; step < 20000; ++step) machine.GetZ80()->Step();
}

TEST_F(MSXTest, MapperInPageZeroKeepsItsWholeSlotWhateverTheLaterPagesSay) {
    configuration.expanded[3] = 1;
    configuration.pageType[3][2][0] = TConfiguration::pageMemoryMapper;
    configuration.pageType[3][2][1] = TConfiguration::pageRAM;
    configuration.pageType[3][2][2] = TConfiguration::pageCartridgeSlot;
    configuration.mapperSize[3][2] = 1;
    configuration.pageType[2][0][0] = TConfiguration::pageCartridgeSlot;
    configuration.pageType[2][0][1] = TConfiguration::pageROM;
    machine.Build(configuration);

    TMemorySelector& selector = *machine.GetMemorySelector();
    TMemoryBank* mapper = selector.GetBank(3, 2, 0);
    for (int page = 1; page < 4; ++page) EXPECT_EQ(selector.GetBank(3, 2, page), mapper);
    EXPECT_EQ(mapper->GetBankType(), TMemoryBank::memoryMapperType);
    machine.GetIOHandler()->WritePort(0xFC, 0x0A);
    EXPECT_EQ(machine.GetIOHandler()->ReadPort(0xFC), 0xFA);
    EXPECT_NE(machine.GetCartridge(2, 0), nullptr);
    EXPECT_EQ(selector.GetBank(2, 0, 1), selector.GetBank(2, 0, 0));
}

TEST_F(MSXTest, ResetKindsKeepOrClearMemory) {
    FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    machine.Build(configuration);
    std::vector<std::uint8_t> image(16384, 0x00);
    image[0] = 'A';
    image[1] = 'B';
    image[2] = 0x10;
    image[3] = 0x40;
    image[0x10] = 0x77;
    machine.InsertCartridge(1, 0, folder.Write("game.rom", image));

    TMemorySelector& selector = *machine.GetMemorySelector();
    selector.Write(0x8000, 0x42);
    selector.SetPrimarySlotRegister(0x04);  // page 1 from slot 1
    machine.GetZ80()->registers.Set(TZ80Registers::PC, 0x1234);

    machine.Reset(0);
    EXPECT_EQ(machine.GetZ80()->registers.Get(TZ80Registers::PC), 0x0000);
    EXPECT_EQ(selector.Read(0x8000), 0x42);

    machine.Reset(1);
    EXPECT_EQ(selector.Read(0x8000), 0x00);
    EXPECT_EQ(selector.GetPrimarySlotRegister(), 0x04);
    EXPECT_EQ(selector.Read(0x4010), 0x77);

    // A rebuild makes new devices from the configuration: fresh RAM, an empty
    // cartridge slot, the power-on slot register; the machine stays stopped.
    selector.Write(0x8000, 0x42);
    machine.Reset(2);
    EXPECT_EQ(machine.GetMemorySelector()->Read(0x8000), 0x00);
    EXPECT_EQ(machine.GetCartridge(1, 0)->Read(0x4010), 0xFF);
    EXPECT_TRUE(machine.IsStopped());
    EXPECT_FALSE(machine.GetZ80()->running);
    EXPECT_EQ(machine.GetMemorySelector()->GetPrimarySlotRegister(), 0x00);
}

TEST_F(MSXTest, RebuildWhileRunningStartsTheNewProcessorAndFollowsTheChangedConfiguration) {
    FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
    machine.Build(configuration);
    machine.TMSX::Run();
    FillSlot(configuration, 0, 0, TConfiguration::pageEmpty);
    machine.Reset(2);
    EXPECT_TRUE(machine.GetZ80()->running);
    machine.GetMemorySelector()->Write(0x0000, 0x12);
    EXPECT_EQ(machine.GetMemorySelector()->Read(0x0000), 0xFF);
}

TEST_F(MSXTest, InsertCartridgeByKindAndEjectOnEmptyOrBadFile) {
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
    machine.Build(configuration);

    // A Konami SCC image: 128 KB, start address 4000h, "CD" and an SCC game code in the header.
    std::vector<std::uint8_t> megaROM(131072, 0x00);
    megaROM[0] = 'A';
    megaROM[1] = 'B';
    megaROM[3] = 0x40;
    megaROM[16] = 'C';
    megaROM[17] = 'D';
    megaROM[19] = 0x52;
    machine.InsertCartridge(1, 0, folder.Write("scc.rom", megaROM));
    TROMCartridge* cartridge = machine.GetCartridge(1, 0);
    ASSERT_NE(cartridge, nullptr);
    EXPECT_EQ(cartridge->GetCartridgeKind(), TROMCartridge::konamiSCCKind);
    EXPECT_NE(cartridge->GetSCC(), nullptr);

    // Sound follows the machine's pause and resume.
    machine.Stop();
    machine.Stop();
    EXPECT_TRUE(machine.IsSoundPaused());
    machine.ResumeSound();
    EXPECT_FALSE(machine.IsSoundPaused());
    EXPECT_TRUE(machine.IsStopped());

    machine.InsertCartridge(1, 0, "");
    for (std::uint16_t address : {0x0000, 0x4000, 0x8000, 0xC000}) {
        EXPECT_EQ(machine.GetCartridge(1, 0)->Read(address), 0xFF);
    }
    machine.InsertCartridge(1, 0, folder.path / "absent.rom");
    EXPECT_EQ(machine.GetCartridge(1, 0)->Read(0x4000), 0xFF);

    // A slot that holds no cartridge is left alone.
    machine.InsertCartridge(0, 0, folder.path / "scc.rom");
    EXPECT_EQ(machine.GetMemorySelector()->GetBank(0, 0, 0)->GetBankType(), TMemoryBank::ramBankType);
}

TEST_F(MSXTest, TeardownTwiceIsHarmless) {
    machine.Build(configuration);
    machine.Teardown();
    machine.Teardown();
    EXPECT_EQ(machine.GetZ80(), nullptr);
    EXPECT_EQ(machine.GetMemorySelector(), nullptr);
}

}  // namespace
