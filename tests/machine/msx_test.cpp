// The machine built from a configuration, its cartridge slots, and its paced run loop.
#include "machine/pc_msx.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/test_host.h"

namespace {

namespace fs = std::filesystem;

struct MSXTest : ::testing::Test {
    MSXTest() {
        fs::create_directories(folder);
        machine.preferences = &preferences;
        machine.SetROMFolder(folder);
    }
    ~MSXTest() override { fs::remove_all(folder); }
    // A program that loops forever in RAM at 0000h: JR 0000h.
    void BuildLoop() {
        FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
        machine.Build(configuration);
        machine.GetMemorySelector()->Write(0x0000, 0x18);
        machine.GetMemorySelector()->Write(0x0001, 0xFE);
    }
    std::pair<int, int> Slot(int entry) const {
        return {preferences.cartridgeSlots[entry].primary, preferences.cartridgeSlots[entry].secondary};
    }

    fs::path folder = fs::temp_directory_path() / ("quib_machine_" + std::to_string(::getpid()));
    TTestHost host;
    TPreferences preferences;
    TConfiguration configuration;
    TPCMSX machine{host.Services()};
};

// A mapper or cartridge slot in page 0 answers for the whole slot, whatever the later pages say.
TEST_F(MSXTest, BuildsTheMemoryTheConfigurationNames) {
    std::vector<char> page(16384, 0);
    page[0] = char(0xC3), page[0x3FFF] = char(0x99);
    std::ofstream(folder / "page0.rom", std::ios::binary).write(page.data(), std::streamsize(page.size()));
    configuration.pageType[0][0][0] = configuration.pageType[0][0][1] = TConfiguration::pageROM;
    configuration.romFile[0][0][0] = "page0.rom";
    configuration.romFile[0][0][1] = "missing.rom";
    configuration.expanded[3] = 1;
    configuration.pageType[3][2][0] = TConfiguration::pageMemoryMapper;
    configuration.pageType[3][2][1] = TConfiguration::pageRAM;
    configuration.mapperSize[3][2] = 1;
    configuration.pageType[2][0][0] = TConfiguration::pageCartridgeSlot;
    configuration.pageType[2][0][1] = TConfiguration::pageROM;
    machine.Build(configuration);
    TMemorySelector& selector = *machine.GetMemorySelector();
    selector.Write(0x0000, 0x00);
    for (const auto& [address, value] : {std::pair{0x0000, 0xC3}, {0x3FFF, 0x99}, {0x4000, 0xFF}, {0x8000, 0xFF}})
        EXPECT_EQ(selector.Read(std::uint16_t(address)), value) << address;  // a missing file leaves its bank empty
    for (int page = 1; page < 4; ++page) EXPECT_EQ(selector.GetBank(3, 2, page), selector.GetBank(3, 2, 0));
    machine.GetIOHandler()->WritePort(0xFC, 0x0A);
    EXPECT_EQ(machine.GetIOHandler()->ReadPort(0xFC), 0xFA);
    ASSERT_NE(machine.GetCartridge(2, 0), nullptr);
    EXPECT_EQ(selector.GetBank(2, 0, 1), selector.GetBank(2, 0, 0));
}

TEST_F(MSXTest, ReconcileKeepsFilesWithTheirSlotsAndWarnsAboutLostOnes) {
    const std::string lost = "Warning|Warning: Cartridge slot ",
                      unavailable = " is no longer available.\nCartridge file will not be loaded.";
    const struct {
        const char* name;
        std::vector<TCartridgeSlot> before;  // the preferences' list
        std::vector<std::string> files, filesAfter, warnings;
    } cases[] = {
        {"none listed yet", {}, {}, {"", "", ""}, {}},
        {"same slots, moved in the list", {{3, 2}, {1, 255}}, {"b.rom", "a.rom"}, {"a.rom", "b.rom", ""}, {}},
        {"lost slots warn, with or without a file", {{2, 255}, {2, 3}, {3, 3}}, {"x.rom", "", "c.rom"},
         {"", "", "c.rom"}, {lost + "2" + unavailable, lost + "2 - 3" + unavailable}},
        {"an expanded entry does not match a plain slot", {{1, 0}}, {"a.rom"}, {"", "", ""}, {}},
    };
    // Cartridge slots at 1 (not expanded), 3-2 and 3-3 (expanded).
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    configuration.expanded[3] = 1;
    FillSlot(configuration, 3, 2, TConfiguration::pageCartridgeSlot);
    FillSlot(configuration, 3, 3, TConfiguration::pageCartridgeSlot);
    for (const auto& c : cases) {
        preferences = TPreferences{};
        host.messages.shown.clear();
        std::copy(c.before.begin(), c.before.end(), preferences.cartridgeSlots);
        std::copy(c.files.begin(), c.files.end(), preferences.cartridgeFiles);
        machine.Build(configuration);
        EXPECT_EQ(preferences.cartridgeSlotCount, 3) << c.name;
        EXPECT_EQ((std::vector{Slot(0), Slot(1), Slot(2), Slot(3)}),
                  (std::vector<std::pair<int, int>>{{1, 255}, {3, 2}, {3, 3}, {255, 255}})) << c.name;
        EXPECT_EQ(std::vector(preferences.cartridgeFiles, preferences.cartridgeFiles + 3), c.filesAfter) << c.name;
        EXPECT_EQ(host.messages.shown, c.warnings) << c.name;
    }
    for (int primary = 0; primary < 4; ++primary) {  // at most fourteen slots are listed
        configuration.expanded[primary] = 1;
        for (int secondary = 0; secondary < 4; ++secondary)
            FillSlot(configuration, primary, secondary, TConfiguration::pageCartridgeSlot);
    }
    machine.Build(configuration);
    EXPECT_EQ(preferences.cartridgeSlotCount, 14);
    EXPECT_EQ(Slot(13), std::pair(3, 1));
}

// The kind given beats a tag in the file name, which beats the kind chosen by hand for
// the slot and image, which beats the analysis; every insert is logged.
TEST_F(MSXTest, CartridgeKindsFollowTheirPrecedenceAndEveryInsertIsLogged) {
    // 32 KB whose code switches banks at 6000h and 7000h: ASCII 16K to the analysis.
    std::vector<char> image(32768, 0);
    image[0] = 'A', image[1] = 'B', image[3] = 0x40;
    for (std::size_t at = 0x100; at < image.size(); at += 0x1000) {
        for (const char byte : {'\x32', '\x00', '\x60', '\x32', '\x00', '\x70'}) image[at++] = byte;
    }
    for (const char* name : {"Game.rom", "Game [Konami].rom"}) {
        std::ofstream(folder / name, std::ios::binary).write(image.data(), std::streamsize(image.size()));
    }
    std::ofstream(folder / "three.rom", std::ios::binary).write("AB\x10", 3);
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    configuration.expanded[3] = 1;
    FillSlot(configuration, 3, 2, TConfiguration::pageCartridgeSlot);
    machine.Build(configuration);
    std::vector<std::string> log;
    machine.statusLog = [&log](const std::string& line) { log.push_back(line); };
    std::vector<std::pair<int, int>> asked;
    TCartridgeKind chosen = TCartridgeKind::automatic;
    machine.chosenCartridgeKind = [&](TCartridgeSlot slot, const fs::path& file) {
        EXPECT_EQ(file.filename().string().find('['), std::string::npos) << "a tag is not overruled";
        asked.emplace_back(slot.primary, slot.secondary);
        return chosen;
    };
    const struct {
        int primary, secondary;
        const char* file;
        TCartridgeKind given, chosenByHand;
        int kind;  // -1: the slot is empty
        std::string line;
    } cases[] = {
        {1, 0, "Game.rom", TCartridgeKind::automatic, TCartridgeKind::automatic, 6,
         "Cartridge 1: Game.rom - ASCII 16K, 2 blocks of 16 KB"},
        {3, 2, "Game.rom", TCartridgeKind::automatic, TCartridgeKind::ascii8K, 5,
         "Cartridge 2: Game.rom - ASCII 8K, 4 blocks of 8 KB (kind set by hand)"},
        {1, 0, "Game [Konami].rom", TCartridgeKind::automatic, TCartridgeKind::plain, 3,
         "Cartridge 1: Game [Konami].rom - Konami, 4 blocks of 8 KB (kind from the file name)"},
        {1, 0, "Game [Konami].rom", TCartridgeKind::plain, TCartridgeKind::automatic, 1,
         "Cartridge 1: Game [Konami].rom - Plain at page 1 (4000h), 2 blocks of 16 KB (kind set by hand)"},
        {3, 2, "three.rom", TCartridgeKind::automatic, TCartridgeKind::automatic, -1,
         "Cartridge 2: three.rom - not inserted: the image is shorter than a cartridge header (3 bytes)"},
        {3, 2, "", TCartridgeKind::automatic, TCartridgeKind::automatic, -1, ""},
    };
    for (const auto& c : cases) {
        log.clear();
        chosen = c.chosenByHand;
        machine.InsertCartridge(c.primary, c.secondary, c.file[0] ? folder / c.file : fs::path(), c.given);
        const TROMCartridge& cartridge = *machine.GetCartridge(c.primary, c.secondary);
        EXPECT_EQ(cartridge.GetBlockCount() > 1 ? cartridge.GetCartridgeKind() : -1, c.kind) << c.line;
        EXPECT_EQ(log, c.line.empty() ? std::vector<std::string>{} : std::vector{c.line});
    }
    EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{1, 255}, {3, 2}, {3, 2}}));
}

struct TManualClock : TSteadyClock {
    std::chrono::nanoseconds Now() const override { return now; }
    std::chrono::nanoseconds now = std::chrono::seconds(1000);
};

TEST_F(MSXTest, APacedRunLoopWaitsOncePerFrameForItsTime) {
    TManualClock clock;
    TFramePacer pacer(clock);
    machine.pacer = &pacer;
    BuildLoop();
    host.pump.onProcess = [this] { if (host.pump.waits.size() == 3) machine.Stop(); };
    machine.Run();
    // Host time stands still, so each frame waits for its whole 59 736 cycles (a RAM machine
    // declares 60 Hz), counted from the start.
    using std::chrono::nanoseconds;
    EXPECT_EQ(host.pump.waits, (std::vector{nanoseconds(16'688'154), nanoseconds(33'376'309), nanoseconds(50'064'463)}));
    // JR $ takes 13 cycles: the third frame flag, at cycle 163 248, ends step 12 558. Messages come
    // after each frame and in each wait; the stop lets one more step run, in a batch of its own.
    EXPECT_EQ(machine.GetZ80()->instructionCount, 12559u);
    EXPECT_EQ(host.pump.calls, 3 + 3 + 1);
    EXPECT_TRUE(machine.IsSoundPaused());
}

// A handler run between batches may tear the machine down: the loop ends with
// it, stopped, instead of stepping a processor that is gone.
TEST_F(MSXTest, TheRunLoopEndsWhenAHandlerTearsTheMachineDown) {
    BuildLoop();
    host.pump.onProcess = [this] { machine.Teardown(); };
    machine.Run();
    EXPECT_EQ(machine.GetZ80(), nullptr);
    EXPECT_TRUE(machine.IsStopped());
}

// Frame n is due n frame times (59 736 cycles at 60 Hz) after the start: a late frame waits
// for nothing and the next one makes up for it. Time lost in a stall or at full speed is given up.
TEST(FramePacer, WaitsForEachFramesDueTimeAndGivesUpTimeLostInAStall) {
    using namespace std::chrono;
    TManualClock clock;
    TFramePacer pacer(clock);
    clock.now += milliseconds(4);
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(16'688'154 - 4'000'000));
    clock.now = seconds(1000) + milliseconds(36);  // frame 2, due at 33.4 ms, is late
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(50'064'463 - 36'000'000));
    clock.now += seconds(5);  // a modal dialog held the thread
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(16'688'154));
    pacer.SetFrameCycles(313 * 228);  // a 50 Hz machine: 19.94 ms a frame, from now
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(19'936'612));
    pacer.SetFullSpeed(true);
    for (int frame = 0; frame < 1000; ++frame) EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    clock.now += seconds(1);
    pacer.SetFullSpeed(false);
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(19'936'612));
}

// Automatic takes bit 7 of the main ROM's byte 002Bh, as each C-BIOS of the cbios package
// declares it; a frequency set by hand beats it. A frame is 262 or 313 lines of 228 cycles.
TEST_F(MSXTest, TheVideoFrequencyComesFromTheMainROMUnlessSetByHand) {
    const struct {
        const char* rom;
        TVideoFrequency setting;
        int hertz;
    } cases[] = {
        {"cbios_main_msx1.rom", TVideoFrequency::automatic, 50},
        {"cbios_main_msx1_br.rom", TVideoFrequency::automatic, 60},
        {"cbios_main_msx1_jp.rom", TVideoFrequency::automatic, 60},
        {"cbios_main_msx1.rom", TVideoFrequency::hertz60, 60},
        {"cbios_main_msx1_jp.rom", TVideoFrequency::hertz50, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.rom) + " " + std::to_string(int(c.setting)));
        std::ifstream source(fs::path("/usr/share/cbios") / c.rom, std::ios::binary);
        std::vector<char> page(16384);
        ASSERT_TRUE(source.read(page.data(), std::streamsize(page.size()))) << "the cbios package is installed";
        std::ofstream(folder / "main.rom", std::ios::binary).write(page.data(), std::streamsize(page.size()));
        configuration.pageType[0][0][0] = TConfiguration::pageROM;
        configuration.romFile[0][0][0] = "main.rom";
        machine.SetVideoFrequency(c.setting);
        machine.Build(configuration);
        EXPECT_EQ(machine.GetVideoHertz(), c.hertz);
        EXPECT_EQ(machine.GetVDP()->FrameCycles(), c.hertz == 50 ? 313u * 228 : 262u * 228);
        EXPECT_EQ(machine.GetVDP()->NextFrameFlagCycle(), 192u * 228) << "the beam starts at the first active line";
    }
}

}  // namespace
