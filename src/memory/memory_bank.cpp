#include "memory/memory_bank.h"

#include <fstream>

#include "settings/state_record.h"

TMemoryBank::TMemoryBank() : TMemoryBank(emptyBankType, false, "N/A") {}

TMemoryBank::TMemoryBank(std::int32_t type, bool wholeSlot, std::string label)
    : bankType(type), occupiesSlot(wholeSlot), name(std::move(label))
{
}

std::uint8_t TMemoryBank::Read(std::uint16_t)
{
    return 0xFF;
}

void TMemoryBank::Write(std::uint16_t, std::uint8_t) {}

void TMemoryBank::Clear() {}

TROMCartridge* TMemoryBank::AsCartridge()
{
    return nullptr;
}

TRAMBank::TRAMBank() : TMemoryBank(ramBankType, false, "RAM")
{
    Clear();
}

void TRAMBank::SaveState(TStateWriter& record) const
{
    record.Bytes(data);
}

bool TRAMBank::LoadState(TStateReader& record)
{
    record.Bytes(data);
    return !record.Failed();
}

void TRAMBank::Clear()
{
    data.fill(0x00);
}

TROMBank::TROMBank() : TMemoryBank(romBankType, false, "ROM")
{
    data.fill(0xFF);
}

// The ROM is write-protected; writes are lost without an error.
void TROMBank::Write(std::uint16_t, std::uint8_t) {}

void TROMBank::Clear() {}

std::int32_t TROMBank::Load(const std::filesystem::path& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file) {
        return -1;
    }
    return LoadFrom(file, bankSize) ? 0 : -1;
}

bool TROMBank::LoadFrom(std::istream& stream, std::size_t count)
{
    if (count > bankSize) {
        count = bankSize;
    }
    stream.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(stream.gcount()) == count;
}
