// Save states: every device's record round trips into a machine built from
// another configuration, and damaged files or changed images leave the
// running machine as it was.
#include "machine/machine_state.h"

#include <gtest/gtest.h>

#include <functional>

#include "memory/rom_cartridge.h"
#include "settings/scratch_files.h"
#include "support/test_host.h"

namespace {

namespace fs = std::filesystem;

struct MachineStateTest : ::testing::Test {
    MachineStateTest() {
        Bytes rom(16384, 0x00);
        rom[0] = 0x18, rom[1] = 0xFE;  // JR $
        WriteFile(folder / "system.rom", rom);
        Bytes scc(65536);
        for (std::size_t i = 0; i < scc.size(); ++i) scc[i] = std::uint8_t(i >> 13);
        const std::uint8_t header[20] = {'A', 'B', 0x10, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'C', 'D', 0, 'Q'};
        std::copy(std::begin(header), std::end(header), scc.begin());
        WriteFile(folder / "scc.rom", scc);

        configuration.pageType[0][0][0] = TConfiguration::pageROM;
        configuration.romFile[0][0][0] = "system.rom";
        for (int page = 1; page < 4; ++page) configuration.pageType[0][0][page] = TConfiguration::pageRAM;
        FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
        configuration.expanded[3] = 1;
        FillSlot(configuration, 3, 2, TConfiguration::pageMemoryMapper);
        configuration.mapperSize[3][2] = 1;
        preferences.cartridgeFiles[0] = (folder / "scc.rom").string();
        preferences.cartridgeSlots[0] = {1, 255};
        preferences.cassetteFile = (folder / "tape.qcs").string();
        for (TPCMSX* machine : {&saved, &loaded}) {
            machine->preferences = machine == &saved ? &preferences : &otherPreferences;
            machine->SetROMFolder(folder);
        }
        saved.Build(configuration);
        saved.ApplyPreferences(true);
        FillSlot(otherConfiguration, 0, 0, TConfiguration::pageRAM);
        loaded.Build(otherConfiguration);
        loaded.ApplyPreferences(true);
    }

    // Every device away from its power-on state.
    void Play() {
        TIOHandler& io = *saved.GetIOHandler();
        TMemorySelector& memory = *saved.GetMemorySelector();
        const std::pair<int, int> writes[] = {
            {0x99, 0x42}, {0x99, 0x81}, {0x99, 0x00}, {0x99, 0x40}, {0x98, 0x5A}, {0x99, 0x07},  // R1, VRAM, a latch byte
            {0xA0, 0x00}, {0xA1, 0xFE}, {0xA0, 0x08}, {0xA1, 0x0F}, {0xA0, 0x07}, {0xA1, 0xBE},  // tone A at 440 Hz
            {0xAB, 0x82}, {0xAA, 0x05},                                                          // row 5, motor on
            {0xB4, 0x0D}, {0xB5, 0x02}, {0xB4, 0x03}, {0xB5, 0x05},                              // RTC block 2
            {0x91, 0x41}, {0xFE, 0x05}, {0xA8, 0xD4}};                                           // slots 0, 1, 1, 3
        for (const auto& [port, value] : writes) io.WritePort(std::uint8_t(port), std::uint8_t(value));
        memory.Write(0xFFFF, 0xAA);  // slot 3-2 in every page
        memory.Write(0xC000, 0x77);  // mapper segment 0
        memory.Write(0x9000, 0x3F);  // the SCC window
        memory.Write(0x9800, 0x42);
        memory.Write(0x988F, 0x01);
        memory.Write(0x7000, 0x05);
        host.keys.Press('A');
        saved.GetKeyboard()->Scan();
        saved.GetCassette()->Seek(500);
        io.WritePort(0xAA, 0x05);
        TZ80& processor = *saved.GetZ80();
        processor.registers.Set(TZ80Registers::HL, 0x1234);
        processor.cpuState = TZ80::StateIFF1 | TZ80::StateMode1 | TZ80::StateHalted;
        processor.cycles += 4321;
        processor.instructionCount = 99;
        saved.SetFrameCount(42);
    }

    static Bytes Capture(TPCMSX& machine) { return TMachineState::Capture(machine).GetBytes(); }

    fs::path folder = ScratchFolder(), state = folder / "state.qst";
    TTestHost host;
    TConfiguration configuration, otherConfiguration;
    TPreferences preferences, otherPreferences;
    TPCMSX saved{host.Services()}, loaded{host.Services()};
};

TEST_F(MachineStateTest, EveryDeviceRoundTripsIntoAMachineBuiltFromAnotherConfiguration) {
    Play();
    std::string error;
    ASSERT_TRUE(TMachineState::Save(saved, state, error)) << error;
    ASSERT_TRUE(TMachineState::Load(loaded, state, error)) << error;
    EXPECT_EQ(Capture(loaded), Capture(saved));
    EXPECT_EQ(otherConfiguration.GetRecord(), configuration.GetRecord()) << "the state's configuration is current now";
    EXPECT_EQ(otherPreferences.cartridgeFiles[0], preferences.cartridgeFiles[0]);
    EXPECT_EQ(otherPreferences.cassetteFile, preferences.cassetteFile);
    // What the program sees and the sound chips' registers.
    TIOHandler& io = *loaded.GetIOHandler();
    EXPECT_EQ(io.ReadPort(0xFE), 0xFD);
    EXPECT_EQ(loaded.GetMemorySelector()->Read(0xC000), 0x77);
    EXPECT_EQ(loaded.GetMemorySelector()->Read(0x6000), 0x05) << "block 5 at 6000h";
    EXPECT_EQ(loaded.GetCartridge(1, 0)->GetSCC()->GetRegister(15), 0x01);
    EXPECT_EQ(loaded.GetKeyboard()->GetMatrixRow(2), 0xBF);
    EXPECT_TRUE(loaded.GetCassette()->IsMotorOn());
    EXPECT_EQ(loaded.GetPSG()->GetRegister(0), 0xFE);
    EXPECT_EQ(loaded.GetPSG()->GetRegister(7), 0xBE);
    EXPECT_EQ(loaded.GetFrameCount(), 42u);
}

TEST_F(MachineStateTest, DamagedFilesAndChangedImagesLeaveTheRunningMachineAsItWas) {
    Play();
    std::string error;
    ASSERT_TRUE(TMachineState::Save(saved, state, error)) << error;
    const Bytes good = ReadFile(state), rom = ReadFile(folder / "system.rom"), tape = ReadFile(folder / "tape.qcs");
    TCassette otherTape;
    otherTape.Open(folder / "other.qcs", 1, 0);
    const struct {
        const char* name;
        std::function<void(Bytes&)> damage;
        const char* reason;
    } cases[] = {
        {"cut in the header", [](Bytes& b) { b.resize(10); }, "cut short"},
        {"cut in a record", [](Bytes& b) { b.resize(b.size() / 2); }, "cut short"},
        {"without its end record", [](Bytes& b) { b.resize(b.size() - 16); }, "cut short"},
        {"a flipped bit", [](Bytes& b) { b[b.size() / 2] ^= 0x10; }, "fails its checksum"},
        {"a foreign file", [&](Bytes& b) { b = rom; }, "not a Quib state file"},
        {"a newer version", [](Bytes& b) { b[9] = 5; }, "newer version of Quib (state format 5; this version reads formats 3 to 4)"},
        {"an earlier version", [](Bytes& b) { b[9] = 2; }, "earlier version of Quib (state format 2; this version reads formats 3 to 4)"},
        {"a ROM image changed", [&](Bytes&) { WriteFile(folder / "system.rom", Bytes(16384, 0xC9)); }, "differs"},
        {"a cartridge missing", [&](Bytes&) { fs::rename(folder / "scc.rom", folder / "gone.rom"); }, "is missing"},
        {"another tape", [&](Bytes&) { fs::copy_file(folder / "other.qcs", folder / "tape.qcs", fs::copy_options::overwrite_existing); },
         "has changed"},
    };
    const Bytes before = Capture(loaded);
    for (const auto& c : cases) {
        Bytes bytes = good;
        c.damage(bytes);
        WriteFile(state, bytes);
        EXPECT_FALSE(TMachineState::Load(loaded, state, error)) << c.name;
        EXPECT_NE(error.find("Cannot load the state file " + state.string() + ": "), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(Capture(loaded), before) << c.name;
        WriteFile(folder / "system.rom", rom);
        WriteFile(folder / "tape.qcs", tape);
        if (fs::exists(folder / "gone.rom")) fs::rename(folder / "gone.rom", folder / "scc.rom");
    }
}

TEST_F(MachineStateTest, AFailedSaveLeavesTheOldStateFile) {
    std::string error;
    ASSERT_TRUE(TMachineState::Save(saved, state, error));
    const Bytes old = ReadFile(state);
    fs::create_directory(folder / "state.qst.tmp");  // the temporary file cannot be made, even by root
    Play();
    EXPECT_FALSE(TMachineState::Save(saved, state, error));
    EXPECT_EQ(error, "Cannot save the state file " + state.string() + ": the file cannot be written.");
    EXPECT_EQ(ReadFile(state), old);
}

}  // namespace
