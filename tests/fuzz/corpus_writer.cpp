// Writes the seed corpora of the fuzz targets with the project's own writers,
// one folder per target:  quib_fuzz_corpus tests/fuzz/corpus
// Seeds are small valid files; a few are cut short to start the search at an
// end of file.
#include "settings/configuration.h"
#include "settings/preferences.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::filesystem::path corpusFolder;

std::filesystem::path Seed(const std::string& target, const std::string& name) {
    const auto folder = corpusFolder / target;
    std::filesystem::create_directories(folder);
    return folder / name;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Keeps only the first length bytes of a written seed.
void Cut(const std::filesystem::path& source, const std::filesystem::path& target, std::size_t length) {
    auto bytes = ReadFile(source);
    bytes.resize(std::min(bytes.size(), length));
    WriteFile(target, bytes);
}

void WriteConfigurations() {
    const std::string target = "configuration_fuzz";
    TConfiguration fresh;
    fresh.Save(Seed(target, "default.qcf"));

    TConfiguration machine;
    machine.description = "C-BIOS MSX1 with a memory mapper and two cartridge slots";
    machine.expanded[3] = 1;
    for (int page = 0; page < 4; ++page) {
        machine.pageType[1][0][page] = TConfiguration::pageCartridgeSlot;
        machine.pageType[2][0][page] = TConfiguration::pageCartridgeSlot;
        machine.pageType[3][0][page] = TConfiguration::pageMemoryMapper;
    }
    machine.mapperSize[3][0] = 2;
    machine.pageType[0][0][0] = TConfiguration::pageROM;
    machine.pageType[0][0][1] = TConfiguration::pageROM;
    machine.romFile[0][0][0] = "cbios_main_msx1.rom";
    machine.romFile[0][0][1] = "cbios_basic.rom";
    machine.romFile[3][1][0] = std::string(50, 'N');
    machine.Save(Seed(target, "machine.qcf"));
    Cut(Seed(target, "machine.qcf"), Seed(target, "machine_cut_in_rom_names.qcf"), 180);
}

void WritePreferences() {
    const std::string target = "preferences_fuzz";
    TPreferences fresh;
    fresh.Save(Seed(target, "default.cfg"));

    TPreferences user;
    user.defaultConfiguration = "MSX1 with mapper.qcf";
    user.cartridgeSlots[0] = {1, 255};
    user.cartridgeSlots[1] = {2, 0};
    user.cartridgeFiles[0] = "game.rom";
    user.cartridgeFiles[1] = std::string(50, 'C');
    user.joystick1Device = 1;
    user.joystick2Device = 2;
    user.joystick2Id = 1;
    user.printerOutput = 2;
    user.printerFile = "printer.txt";
    user.cassetteLength = 3;
    user.cassetteAccuracy = 2;
    user.cassetteFile = "tape.qcs";
    user.psgDisabled = true;
    user.psgVolume = 6;
    user.sccVolume = 20;
    user.Save(Seed(target, "user.cfg"));
    Cut(Seed(target, "user.cfg"), Seed(target, "user_cut_in_numbers.cfg"), 792);
}

// A cartridge seed is one byte choosing the size the fuzz target pads the
// image to (an index into its table of sizes) and a 32-byte header.
void WriteCartridge(const std::string& name, std::uint8_t paddedSize, std::uint16_t start, const std::string& code) {
    std::vector<std::uint8_t> seed(33, 0);
    seed[0] = paddedSize;
    seed[1] = 'A';
    seed[2] = 'B';
    seed[3] = static_cast<std::uint8_t>(start & 0xFF);
    seed[4] = static_cast<std::uint8_t>(start >> 8);
    std::copy(code.begin(), code.end(), seed.begin() + 17);
    WriteFile(Seed("cartridge_fuzz", name), seed);
}

void WriteCartridges() {
    constexpr std::uint8_t size8K = 17, size16K = 19, size32K = 21, size48K = 23, size128K = 26, size136K = 27;
    WriteCartridge("plain_8k_page1.rom", size8K, 0x4010, "");
    WriteCartridge("plain_16k_page2.rom", size16K, 0x8010, "");
    WriteCartridge("plain_32k_page1.rom", size32K, 0x4010, "");
    WriteCartridge("plain_48k_page0.rom", size48K, 0x4000, "");
    WriteCartridge("konami_128k.rom", size128K, 0x4010, "CD");
    WriteCartridge("konami_scc_136k.rom", size136K, 0x4010, "CDAR");
    WriteCartridge("ascii8k_128k.rom", size128K, 0x4010, "");
    WriteCartridge("start_c000_32k.rom", size32K, 0xC000, "");
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 2) {
        std::fprintf(stderr, "usage: quib_fuzz_corpus <corpus folder>\n");
        return 2;
    }
    corpusFolder = arguments[1];
    WriteConfigurations();
    WritePreferences();
    WriteCartridges();
    return 0;
}
