#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// A machine configuration: what occupies every page of every slot, kept in a
// .qcf file of fixed size. Fields are read and written directly by the machine
// and the configuration editor; the editor keeps the page types of a slot
// consistent, not this class.
class TConfiguration {
public:
    static constexpr std::string_view magic = "QCF00";
    static constexpr std::size_t fileSize = 3343;

    // Values of pageType.
    static constexpr std::uint8_t pageEmpty = 0;
    static constexpr std::uint8_t pageROM = 1;
    static constexpr std::uint8_t pageRAM = 2;
    static constexpr std::uint8_t pageMemoryMapper = 3;
    static constexpr std::uint8_t pageCartridgeSlot = 4;

    // Replaces the contents from a file; false, with nothing changed, when it
    // cannot be opened. The magic is not compared. In a short file the byte
    // fields beyond its end keep their values and the text fields become empty.
    bool Load(const std::filesystem::path& path);
    // False when the file cannot be written; an old file then stays as it was.
    bool Save(const std::filesystem::path& path);
    // The 3343 bytes of the file, and their reading (fileName stays as it is),
    // for a configuration kept inside another file.
    std::vector<std::uint8_t> GetRecord() const;
    void SetRecord(std::span<const std::uint8_t> bytes);
    // What makes the file unusable as a configuration (too short, a number
    // beyond its choices, a text field not padded with zero bytes); empty when
    // it can be loaded or cannot be opened at all.
    static std::string FindDamage(const std::filesystem::path& path);

    std::string fileName = "NewConfig.qcf";
    std::string description = "New configuration";
    std::uint8_t msxType = 0;  // 0 MSX1, 1 MSX2, 2 MSX2+, 3 MSX Turbo-R
    std::uint8_t cpu = 0;      // 0 Z80, 1 R800
    std::uint8_t vdp = 0;      // 0 TMS9918, 1 V9938, 2 V9958
    std::uint8_t vram = 0;     // 0 16K, 1 128K, 2 192K
    std::uint8_t expanded[4] = {};             // [primary]: 1 = expanded
    std::uint8_t pageType[4][4][4] = {};       // [primary][secondary][page]
    std::uint8_t mapperSize[4][4] = {};        // [primary][secondary]: 0 64 K .. 6 4 MB
    std::string romFile[4][4][4];              // [primary][secondary][page], no folder
};
