// Writes the seed corpora of the fuzz targets with the project's own writers,
// one folder per target:  quib_fuzz_corpus tests/fuzz/corpus
// Seeds are small valid files; a few are cut short to start the search at an
// end of file.
#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "peripherals/cassette.h"
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

std::vector<std::uint8_t> Compressed(const std::vector<std::uint8_t>& data) {
    TMemoryStream source(data);
    TMemoryStream compressed;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &compressed;
    coder.Compress();
    return compressed.GetData();
}

std::vector<std::uint8_t> Pulses(std::size_t size, std::size_t period) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t index = 0; index < size; ++index) {
        data[index] = (index / period) % 2 == 0 ? 0xFF : 0x00;
    }
    return data;
}

std::vector<std::uint8_t> Noise(std::size_t size) {
    std::vector<std::uint8_t> data(size);
    std::uint32_t state = 12345;
    for (auto& byte : data) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return data;
}

void WriteCompressedStreams() {
    const std::string target = "lzrw1_fuzz";
    const std::string text = "ABCABCABC";
    WriteFile(Seed(target, "empty.wrzl"), Compressed({}));
    WriteFile(Seed(target, "abcabcabc.wrzl"), Compressed({text.begin(), text.end()}));
    WriteFile(Seed(target, "zeros_100.wrzl"), Compressed(std::vector<std::uint8_t>(100, 0)));
    WriteFile(Seed(target, "zeros_32768.wrzl"), Compressed(std::vector<std::uint8_t>(32768, 0)));
    WriteFile(Seed(target, "pulses_3000.wrzl"), Compressed(Pulses(3000, 7)));
    WriteFile(Seed(target, "noise_300.wrzl"), Compressed(Noise(300)));
}

// A tape of any size as the cassette stores it: header and compressed body.
std::vector<std::uint8_t> TapeImage(std::uint8_t length, std::uint8_t accuracy, const std::vector<std::uint8_t>& tape) {
    std::vector<std::uint8_t> image = {'Q', 'C', 'S', '0', '0', length, accuracy};
    const auto body = Compressed(tape);
    for (const auto value : {static_cast<std::uint32_t>(tape.size() * 8), static_cast<std::uint32_t>(body.size())}) {
        for (int shift = 0; shift < 32; shift += 8) {
            image.push_back(static_cast<std::uint8_t>(value >> shift));
        }
    }
    image.insert(image.end(), body.begin(), body.end());
    return image;
}

// Each tape goes through the cassette's own Load and Save.
void WriteTape(const std::string& name, const std::vector<std::uint8_t>& image) {
    const auto path = Seed("cassette_fuzz", name);
    WriteFile(path, image);
    TCassette cassette;
    if (!cassette.Load(path) || !cassette.Save(path)) {
        std::fprintf(stderr, "cannot write the tape seed %s\n", name.c_str());
    }
}

void WriteTapes() {
    WriteTape("pulses_high.qcs", TapeImage(0, 1, Pulses(2000, 9)));
    WriteTape("noise_very_high.qcs", TapeImage(3, 2, Noise(200)));
    WriteTape("empty.qcs", TapeImage(1, 0, {}));
    // A real blank tape as a new cassette creates it: 10 minutes, Normal.
    const auto blank = Seed("cassette_fuzz", "blank_10_minutes.qcs");
    std::filesystem::remove(blank);
    TCassette cassette;
    cassette.Open(blank, 0, 0);
}

// A processor seed: 24 register bytes (F A C B E D L H, IX, IY, PC, SP, the
// alternate set), cpuState, I, the countdown period, the acknowledge choice,
// its vector, options, the stop port; then a program at address 0.
void WriteProgram(const std::string& name, std::uint8_t cpuState, std::uint8_t acknowledge, std::uint8_t options,
                  const std::vector<std::uint8_t>& program) {
    std::vector<std::uint8_t> seed(32, 0);
    seed[14] = 0x00;  // SP F000h
    seed[15] = 0xF0;
    seed[24] = cpuState;
    seed[25] = 0x12;
    seed[26] = 50;
    seed[27] = acknowledge;
    seed[28] = 0x34;
    seed[29] = 0x12;
    seed[30] = options;
    seed[31] = 0x99;
    seed.insert(seed.end(), program.begin(), program.end());
    WriteFile(Seed("z80_fuzz", name), seed);
}

void WritePrograms() {
    // LD HL,0100h; LD DE,8000h; LD BC,0040h; LDIR; EI; HALT; JR back to the start.
    WriteProgram("ldir_halt.bin", 0x01, 2, 0,
                 {0x21, 0x00, 0x01, 0x11, 0x00, 0x80, 0x01, 0x40, 0x00, 0xED, 0xB0, 0xFB, 0x76, 0x18, 0xF1});
    // IM 2 with the table at 1234h; a loop with DJNZ, ADD, DAA, RLCA, and an OUT to the stop port.
    WriteProgram("im2_loop.bin", 0x05, 3, 3,
                 {0xED, 0x5E, 0xFB, 0x06, 0x10, 0x3E, 0x99, 0x80, 0x27, 0x07, 0x10, 0xFA, 0xD3, 0x99, 0x18, 0xF1});
    // Index forms: LD IX,4000h; LD (IX+5),7; SET 3,(IX+5); DD DD prefix; FD CB rotate; the trap ED FE.
    WriteProgram("index_trap.bin", 0, 1, 1,
                 {0xDD, 0x21, 0x00, 0x40, 0xDD, 0x36, 0x05, 0x07, 0xDD, 0xCB, 0x05, 0xDE, 0xDD, 0xDD, 0x21,
                  0x00, 0x50, 0xFD, 0xCB, 0x02, 0x06, 0xED, 0xFE, 0xED, 0xED, 0x18, 0xE5});
    // Block I/O and compares: OTIR, INIR, CPIR, then RETN and RETI after a PUSH.
    WriteProgram("block_io.bin", 0x40, 0, 1,
                 {0x01, 0x98, 0x08, 0x21, 0x00, 0x60, 0xED, 0xB3, 0xED, 0xB2, 0x01, 0x00, 0x01, 0x3E, 0xAA,
                  0xED, 0xB1, 0x21, 0x00, 0x00, 0xE5, 0xED, 0x45, 0xE5, 0xED, 0x4D});
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
    WriteCompressedStreams();
    WriteTapes();
    WritePrograms();
    return 0;
}
