#include "memory/rom_cartridge.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "compression/crc32.h"
#include "settings/state_record.h"

TROMCartridge::TROMCartridge() : TROMCartridge(plainPage0Kind, 16384) {}

TROMCartridge::TROMCartridge(std::uint8_t kind, std::int32_t size)
    : TMemoryBank(romCartridgeType, true, "ROM Cartridge"),
      cartridgeKind(kind),
      blockSize(size == 8192 ? 8192 : 16384)
{
    MakeEmptyBlocks(0);
    blockCount = 1;
}

TROMCartridge::~TROMCartridge() = default;

void TROMCartridge::Write(std::uint16_t, std::uint8_t) {}

void TROMCartridge::Clear() {}

TROMCartridge* TROMCartridge::AsCartridge()
{
    return this;
}

TSCC* TROMCartridge::GetSCC()
{
    return nullptr;
}

void TROMCartridge::SetBlockCount(std::int32_t count)
{
    MakeEmptyBlocks(std::clamp(count, 0, TCartridgeAnalysis::maximumBlockCount));
    SetInitialRegisters();
}

void TROMCartridge::SetInitialRegisters()
{
    if (cartridgeKind > plainPage2Kind) {
        return;
    }
    const int start = cartridgeKind * (16384 / blockSize);
    for (int block = 0; block < blockCount && start + block <= 7; ++block) {
        ShowBlock(start + block, block);
    }
}

std::int32_t TROMCartridge::Load(const std::filesystem::path& fileName)
{
    // A new or ejected cartridge counts one block but holds none: nothing can be loaded.
    if (blocks.size() < 2) {
        return -1;
    }
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        return -1;
    }
    for (std::size_t block = 1; block < blocks.size(); ++block) {
        auto* rom = static_cast<TROMBank*>(blocks[block].get());
        if (!rom->LoadFrom(file, static_cast<std::size_t>(blockSize))) {
            return -1;
        }
    }
    SetName(fileName.filename().string());
    imageFile = fileName;
    return 0;
}

void TROMCartridge::Eject()
{
    MakeEmptyBlocks(0);
    blockCount = 1;
    // A MegaROM's block size belongs to its scheme; only a plain cartridge returns to 16 KB.
    if (cartridgeKind <= plainPage2Kind) {
        blockSize = 16384;
    }
    SetName("ROM Cartridge");
    imageFile.clear();
}

std::uint32_t TROMCartridge::GetImageChecksum() const
{
    std::uint32_t checksum = 0;
    for (std::size_t block = 1; block < blocks.size(); ++block) {
        const std::uint8_t* data = blocks[block]->GetReadableData();
        checksum = Crc32({data, static_cast<std::size_t>(blockSize)}, checksum);
    }
    return checksum;
}

void TROMCartridge::SaveState(TStateWriter& record) const
{
    record.Byte(cartridgeKind);
    record.Long(static_cast<std::uint32_t>(blockSize));
    record.Long(static_cast<std::uint32_t>(blockCount));
    record.Long(GetImageChecksum());
    record.Bytes(bankRegisters);
    for (const int block : shownBlocks) {
        record.Word(static_cast<std::uint16_t>(block));
    }
}

bool TROMCartridge::LoadState(TStateReader& record)
{
    const std::uint8_t kind = record.Byte();
    const std::uint32_t size = record.Long(), count = record.Long(), checksum = record.Long();
    if (kind != cartridgeKind || size != static_cast<std::uint32_t>(blockSize) ||
        count != static_cast<std::uint32_t>(blockCount) || checksum != GetImageChecksum()) {
        return false;
    }
    record.Bytes(bankRegisters);
    for (int region = 0; region < 8; ++region) {
        const int block = static_cast<std::int16_t>(record.Word());
        ShowBlock(region, block >= 0 && block < static_cast<int>(blocks.size()) - 1 ? block : -1);
    }
    return !record.Failed();
}

void TROMCartridge::SetBankRegister(int region, std::uint8_t value)
{
    bankRegisters[region & 7] = value;
    const int block = value & bankNumberMask;
    ShowBlock(region & 7, block < static_cast<int>(blocks.size()) - 1 ? block : -1);
}

void TROMCartridge::ShowFirstBlocks(int firstRegion, int regionCount)
{
    for (int region = 0; region < regionCount; ++region) {
        SetBankRegister(firstRegion + region, static_cast<std::uint8_t>(region));
    }
}

// Replaces all blocks by the empty block and count unloaded ROM blocks (at most 256);
// every register 0 and every region empty.
void TROMCartridge::MakeEmptyBlocks(std::int32_t count)
{
    blocks.clear();
    blocks.reserve(static_cast<std::size_t>(count) + 1);
    blocks.push_back(std::make_unique<TMemoryBank>());
    for (std::int32_t block = 0; block < count; ++block) {
        blocks.push_back(std::make_unique<TROMBank>());
    }
    blockCount = count;
    int lines = 1;
    while (lines < count) lines <<= 1;
    bankNumberMask = static_cast<std::uint8_t>(lines - 1);
    bankRegisters.fill(0);
    for (int region = 0; region < 8; ++region) {
        ShowBlock(region, -1);
    }
}

void TROMCartridge::ShowBlock(int region, int block)
{
    shownBlocks[region] = block;
    regionBanks[region] = blocks[static_cast<std::size_t>(block + 1)].get();
}
