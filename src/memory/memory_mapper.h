#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "memory/memory_bank.h"

// A pool of 16 KB RAM segments; the registers at ports FCh-FFh choose the segment
// shown in pages 0-3. It answers for the whole slot it is placed in.
class TMemoryMapper : public TMemoryBank {
public:
    static constexpr int maximumSegments = 256;

    // Four segments are announced but none exists until SetSize.
    TMemoryMapper();

    std::uint8_t Read(std::uint16_t address) override { return pageBanks[address >> 14]->Read(address & 0x3FFF); }
    void Write(std::uint16_t address, std::uint8_t value) override { pageBanks[address >> 14]->Write(address & 0x3FFF, value); }
    // Zeroes every segment; the page registers stay.
    void Clear() override;

    // Size index 0-6: 4, 8, 16, 32, 64, 128, 256 segments (64 KB to 4 MB). Any other index
    // keeps the previous count. New segments read 00h; registers become 3, 2, 1, 0.
    void SetSize(std::int8_t sizeIndex);

    // Port FCh is the register of page 0 up to FFh for page 3; other ports read FFh and
    // ignore writes. Bits above the mapper size read as 1.
    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    // The page registers and every segment; the size comes from the configuration.
    void SaveState(TStateWriter& record) const;
    // False when the record is for a mapper of another size.
    bool LoadState(TStateReader& record);

    std::int32_t GetSegmentCount() const { return segmentCount; }
    std::uint8_t GetPageSegment(int page) const { return pageSegment[page & 3]; }

private:
    void UpdatePageBanks();

    std::int32_t segmentCount = 4;
    std::uint8_t segmentMask = 0x03;
    std::array<std::unique_ptr<TRAMBank>, maximumSegments> segments;
    std::array<std::uint8_t, 4> pageSegment{3, 2, 1, 0};
    // The segment each page shows; the empty bank before the first SetSize.
    std::array<TMemoryBank*, 4> pageBanks{};
    TMemoryBank noSegment;
};
