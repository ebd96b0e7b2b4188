#include "memory/rom_cartridge.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "compression/crc32.h"
#include "settings/state_record.h"

namespace {

constexpr std::array<std::uint8_t, 6> SCCGameCodes{0x51, 0x52, 0x58, 0x59, 0x60, 0x64};
constexpr std::size_t headerSize = 32;

std::uint8_t KindFromHeader(const std::array<std::uint8_t, headerSize>& header, std::uintmax_t size)
{
    const std::uint8_t startHigh = header[3];
    if (startHigh < 0x40) {
        return TROMCartridge::plainPage0Kind;
    }
    if (startHigh < 0x80) {
        if (header[16] == 'C' && header[17] == 'D') {
            const bool sccGame =
                std::find(SCCGameCodes.begin(), SCCGameCodes.end(), header[19]) != SCCGameCodes.end();
            return sccGame ? TROMCartridge::konamiSCCKind : TROMCartridge::konamiKind;
        }
        if (size > 65536) {
            return TROMCartridge::ascii8KKind;
        }
        return size > 32768 ? TROMCartridge::plainPage0Kind : TROMCartridge::plainPage1Kind;
    }
    if (startHigh < 0xC0) {
        return size <= 16384 ? TROMCartridge::plainPage2Kind : TROMCartridge::plainPage1Kind;
    }
    // No start page fits; page 1 is where a cartridge program usually begins.
    return TROMCartridge::plainPage1Kind;
}

} // namespace

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

std::int32_t TROMCartridge::AnalyseROM(const std::filesystem::path& fileName, TROMAnalysis& analysis)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        return -1;
    }
    std::array<std::uint8_t, headerSize> header{};
    file.read(reinterpret_cast<char*>(header.data()), headerSize);
    if (static_cast<std::size_t>(file.gcount()) != headerSize) {
        return -1;
    }
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(fileName, error);
    if (error || size > maximumImageSize) {
        return -1;
    }
    const std::uint8_t kind = KindFromHeader(header, size);
    const bool eightKilobytes = size == 8192 || kind == konamiKind || kind == konamiSCCKind || kind == ascii8KKind;
    analysis.cartridgeKind = kind;
    analysis.blockSize = eightKilobytes ? 8192 : 16384;
    analysis.blockCount = static_cast<std::int32_t>((size + analysis.blockSize - 1) / analysis.blockSize);
    return 0;
}

void TROMCartridge::SetBlockCount(std::int32_t count)
{
    const std::int32_t largest = static_cast<std::int32_t>(maximumImageSize / blockSize);
    MakeEmptyBlocks(std::clamp(count, 0, largest));
    SetInitialRegisters();
}

void TROMCartridge::SetInitialRegisters()
{
    if (cartridgeKind > plainPage2Kind) {
        return;
    }
    const int start = cartridgeKind * (16384 / blockSize);
    for (int block = 0; block < blockCount && start + block <= 7; ++block) {
        bankRegisters[start + block] = static_cast<std::uint8_t>(block + 1);
        UpdateRegionBank(start + block);
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
}

bool TROMCartridge::LoadState(TStateReader& record)
{
    const bool sameImage = record.Byte() == cartridgeKind && record.Long() == static_cast<std::uint32_t>(blockSize) &&
                           record.Long() == static_cast<std::uint32_t>(blockCount) &&
                           record.Long() == GetImageChecksum();
    record.Bytes(bankRegisters);
    for (int region = 0; region < 8; ++region) {
        UpdateRegionBank(region);
    }
    return sameImage && !record.Failed();
}

void TROMCartridge::SetBankRegister(int region, std::uint8_t value)
{
    bankRegisters[region & 7] = static_cast<std::uint8_t>(value + 1);
    UpdateRegionBank(region & 7);
}

void TROMCartridge::ShowFirstBlocks(int firstRegion, int regionCount)
{
    for (int region = 0; region < regionCount; ++region) {
        SetBankRegister(firstRegion + region, static_cast<std::uint8_t>(region));
    }
}

// Replaces all blocks by the empty block and count unloaded ROM blocks, every register 0.
void TROMCartridge::MakeEmptyBlocks(std::int32_t count)
{
    blocks.clear();
    blocks.reserve(static_cast<std::size_t>(count) + 1);
    blocks.push_back(std::make_unique<TMemoryBank>());
    for (std::int32_t block = 0; block < count; ++block) {
        blocks.push_back(std::make_unique<TROMBank>());
    }
    blockCount = count;
    bankRegisters.fill(0);
    for (int region = 0; region < 8; ++region) {
        UpdateRegionBank(region);
    }
}

void TROMCartridge::UpdateRegionBank(int region)
{
    const std::uint8_t block = bankRegisters[region];
    regionBanks[region] = block < blocks.size() ? blocks[block].get() : blocks[0].get();
}
