#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "memory/memory_bank.h"

class TSCC;
class TStateReader;
class TStateWriter;

// What the header and size of a cartridge image say about it.
struct TROMAnalysis {
    std::uint8_t cartridgeKind = 0;
    std::int32_t blockSize = 16384;
    std::int32_t blockCount = 1;
};

// A cartridge slot: splits an image into 8 KB or 16 KB blocks and shows them through eight
// bank registers. The plain cartridge (kinds 0, 1, 2) maps the image once from page 0, 1
// or 2; the MegaROM subclasses switch blocks on writes. Answers for its whole slot.
class TROMCartridge : public TMemoryBank {
public:
    static constexpr std::uint8_t plainPage0Kind = 0;
    static constexpr std::uint8_t plainPage1Kind = 1;
    static constexpr std::uint8_t plainPage2Kind = 2;
    static constexpr std::uint8_t konamiKind = 3;
    static constexpr std::uint8_t konamiSCCKind = 4;
    static constexpr std::uint8_t ascii8KKind = 5;
    static constexpr std::uint8_t ascii16KKind = 6;
    // The largest image that loads: 4 MB.
    static constexpr std::uintmax_t maximumImageSize = 4 * 1024 * 1024;

    // An empty plain cartridge in 16 KB blocks, reading FFh everywhere.
    TROMCartridge();
    // A plain cartridge of the kind and block size an analysis gave.
    TROMCartridge(std::uint8_t kind, std::int32_t blockSize);
    ~TROMCartridge() override;

    std::uint8_t Read(std::uint16_t address) override
    {
        if (blockSize == 8192) {
            return regionBanks[address >> 13]->Read(address & 0x1FFF);
        }
        return regionBanks[address >> 14]->Read(address & 0x3FFF);
    }
    void Write(std::uint16_t address, std::uint8_t value) override;
    // Cartridges keep their contents and registers on a hard reset.
    void Clear() override;
    TROMCartridge* AsCartridge() override;

    // Reads blocks 1 .. blockCount from the image; 0 on success, -1 when the file is
    // missing or short (blocks read so far keep their data, the rest reads FFh). Success
    // renames the cartridge after the file.
    virtual std::int32_t Load(const std::filesystem::path& fileName);
    // Creates count empty ROM blocks and sets the registers to the kind's initial map.
    virtual void SetBlockCount(std::int32_t count);
    // The cartridge's SCC chip, null for all kinds but the Konami SCC MegaROM.
    virtual TSCC* GetSCC();

    // Leaves the cartridge empty (FFh everywhere); the class and kind stay.
    void Eject();

    // Kind, block size and block count of an image file; 0, or -1 when the file is
    // missing, shorter than its 32-byte header, or larger than 4 MB.
    static std::int32_t AnalyseROM(const std::filesystem::path& fileName, TROMAnalysis& analysis);

    // Kind, block layout, bank registers and the checksum of the loaded image.
    void SaveState(TStateWriter& record) const;
    // False when the cartridge holds another image or layout than the record's.
    bool LoadState(TStateReader& record);
    // CRC-32 of the image as loaded into the blocks.
    std::uint32_t GetImageChecksum() const;
    // The file the image was loaded from, with its folder; empty when none is.
    const std::filesystem::path& GetImageFile() const { return imageFile; }

    std::uint8_t GetCartridgeKind() const { return cartridgeKind; }
    std::int32_t GetBlockCount() const { return blockCount; }
    std::int32_t GetBlockSize() const { return blockSize; }
    std::uint8_t GetBankRegister(int region) const { return bankRegisters[region & 7]; }

protected:
    // Stores bank number value of a MegaROM register: value v shows image block v, FFh the
    // empty block.
    void SetBankRegister(int region, std::uint8_t value);
    // Shows image blocks 0, 1, ... in regionCount regions from firstRegion on.
    void ShowFirstBlocks(int firstRegion, int regionCount);
    // The kind's registers after SetBlockCount; plain cartridges map the image once.
    virtual void SetInitialRegisters();

private:
    void MakeEmptyBlocks(std::int32_t count);
    void UpdateRegionBank(int region);

    std::uint8_t cartridgeKind;
    std::int32_t blockCount = 1;
    std::int32_t blockSize;
    // Entry 0 is the empty block; entries 1 .. blockCount hold image blocks 0 .. blockCount-1.
    std::vector<std::unique_ptr<TMemoryBank>> blocks;
    std::array<std::uint8_t, 8> bankRegisters{};
    // The block each region shows now; a register naming a block the image lacks shows
    // the empty block.
    std::array<TMemoryBank*, 8> regionBanks{};
    std::filesystem::path imageFile;
};
