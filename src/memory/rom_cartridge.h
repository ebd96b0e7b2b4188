#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "memory/cartridge_analysis.h"
#include "memory/memory_bank.h"

class TSCC;
class TStateReader;
class TStateWriter;

// A cartridge slot: splits an image into 8 KB or 16 KB blocks and shows them in its eight
// regions. The plain cartridge (kinds 0, 1, 2) maps the image once from page 0, 1 or 2;
// the MegaROM subclasses switch blocks when bank numbers are written to their registers.
// Answers for its whole slot.
class TROMCartridge : public TMemoryBank {
public:
    static constexpr std::uint8_t plainPage0Kind = 0;
    static constexpr std::uint8_t plainPage1Kind = 1;
    static constexpr std::uint8_t plainPage2Kind = 2;
    static constexpr std::uint8_t konamiKind = 3;
    static constexpr std::uint8_t konamiSCCKind = 4;
    static constexpr std::uint8_t ascii8KKind = 5;
    static constexpr std::uint8_t ascii16KKind = 6;

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
    // Creates count empty ROM blocks (at most 256) and sets the registers to the kind's
    // initial map.
    virtual void SetBlockCount(std::int32_t count);
    // The cartridge's SCC chip, null for all kinds but the Konami SCC MegaROM.
    virtual TSCC* GetSCC();

    // Leaves the cartridge empty (FFh everywhere); the class and kind stay.
    void Eject();

    // Kind, block layout, bank registers, the blocks shown and the checksum of the image.
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
    // The bank number last written to a region's register; always 0 on a plain cartridge.
    std::uint8_t GetBankRegister(int region) const { return bankRegisters[region & 7]; }
    // The image block a region shows, or -1 where it reads FFh.
    int GetShownBlock(int region) const { return shownBlocks[region & 7]; }

protected:
    // Stores bank number value in a MegaROM register and shows the block it selects: the
    // number modulo the block count rounded up to a power of two, as the address lines
    // the image does not have are not connected. A block in that range past the end of
    // the image reads FFh.
    void SetBankRegister(int region, std::uint8_t value);
    // Bank numbers 0, 1, ... in regionCount regions from firstRegion on.
    void ShowFirstBlocks(int firstRegion, int regionCount);
    // The kind's registers after SetBlockCount; plain cartridges map the image once.
    virtual void SetInitialRegisters();

private:
    void MakeEmptyBlocks(std::int32_t count);
    // Shows image block block (-1 for none) in region.
    void ShowBlock(int region, int block);

    std::uint8_t cartridgeKind;
    std::int32_t blockCount = 1;
    std::int32_t blockSize;
    // Entry 0 is the empty block; entries 1 .. n hold image blocks 0 .. n-1.
    std::vector<std::unique_ptr<TMemoryBank>> blocks;
    // The bank number bits the image's blocks use: the block count rounded up to a power of
    // two, less one.
    std::uint8_t bankNumberMask = 0;
    std::array<std::uint8_t, 8> bankRegisters{};
    std::array<int, 8> shownBlocks{};
    // The bank of the block each region shows: the empty block where it shows none.
    std::array<TMemoryBank*, 8> regionBanks{};
    std::filesystem::path imageFile;
};
