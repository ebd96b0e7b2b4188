#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <utility>

class TROMCartridge;
class TStateReader;
class TStateWriter;

// Anything that answers for memory. The base class is the empty bank: it reads FFh
// everywhere and ignores writes, which is what an open bus shows.
class TMemoryBank {
public:
    static constexpr std::int32_t emptyBankType = 0;
    static constexpr std::int32_t romBankType = 1;
    static constexpr std::int32_t ramBankType = 2;
    static constexpr std::int32_t memoryMapperType = 3;
    static constexpr std::int32_t romCartridgeType = 4;

    TMemoryBank();
    virtual ~TMemoryBank() = default;

    TMemoryBank(const TMemoryBank&) = delete;
    TMemoryBank& operator=(const TMemoryBank&) = delete;

    // Banks receive the full processor address and use the bits they need.
    virtual std::uint8_t Read(std::uint16_t address);
    virtual void Write(std::uint16_t address, std::uint8_t value);
    // Returns the contents to their power-on state.
    virtual void Clear();

    // The cartridge behind this bank, or null when the bank is no cartridge; with the
    // cartridge's GetSCC the machine finds the SCC of a Konami SCC cartridge.
    virtual TROMCartridge* AsCartridge();

    // The 16 KB behind a bank that is plain memory, so the selector can read (and,
    // for RAM, write) it without a call; null for banks with logic of their own.
    virtual const std::uint8_t* GetReadableData() { return nullptr; }
    virtual std::uint8_t* GetWritableData() { return nullptr; }

    std::int32_t GetBankType() const { return bankType; }
    // True when one object answers for all four pages of its slot.
    bool OccupiesSlot() const { return occupiesSlot; }
    const std::string& GetName() const { return name; }
    void SetName(std::string newName) { name = std::move(newName); }

protected:
    TMemoryBank(std::int32_t type, bool wholeSlot, std::string label);

private:
    std::int32_t bankType;
    bool occupiesSlot;
    std::string name;
};

class TRAMBank : public TMemoryBank {
public:
    static constexpr std::size_t bankSize = 16384;

    TRAMBank();

    std::uint8_t Read(std::uint16_t address) override { return data[address & 0x3FFF]; }
    void Write(std::uint16_t address, std::uint8_t value) override { data[address & 0x3FFF] = value; }
    // All 00h, the state of a new bank.
    void Clear() override;
    const std::uint8_t* GetReadableData() override { return data.data(); }
    std::uint8_t* GetWritableData() override { return data.data(); }

    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

private:
    std::array<std::uint8_t, bankSize> data;
};

class TROMBank : public TMemoryBank {
public:
    static constexpr std::size_t bankSize = 16384;

    // Unloaded contents read FFh.
    TROMBank();

    std::uint8_t Read(std::uint16_t address) override { return data[address & 0x3FFF]; }
    void Write(std::uint16_t address, std::uint8_t value) override;
    void Clear() override;
    const std::uint8_t* GetReadableData() override { return data.data(); }

    // 0 when the first 16384 bytes of the file were read, -1 otherwise. A short file leaves
    // the bytes read at the start; a missing file leaves the contents untouched.
    virtual std::int32_t Load(const std::filesystem::path& fileName);

    // Reads up to count (at most 16384) bytes from the stream into the start of the bank;
    // true when all of them arrived.
    bool LoadFrom(std::istream& stream, std::size_t count);

private:
    std::array<std::uint8_t, bankSize> data;
};
