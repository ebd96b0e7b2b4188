#include "memory/memory_mapper.h"

#include "settings/state_record.h"

namespace {

constexpr std::array<std::int32_t, 7> segmentCounts{4, 8, 16, 32, 64, 128, 256};
constexpr std::uint8_t firstPort = 0xFC;

} // namespace

TMemoryMapper::TMemoryMapper() : TMemoryBank(memoryMapperType, true, "Memory mapper")
{
    UpdatePageBanks();
}

void TMemoryMapper::Clear()
{
    for (int segment = 0; segment < segmentCount; ++segment) {
        if (segments[segment]) {
            segments[segment]->Clear();
        }
    }
}

void TMemoryMapper::SetSize(std::int8_t sizeIndex)
{
    for (auto& segment : segments) {
        segment.reset();
    }
    if (sizeIndex >= 0 && sizeIndex < static_cast<int>(segmentCounts.size())) {
        segmentCount = segmentCounts[sizeIndex];
    }
    for (int segment = 0; segment < segmentCount; ++segment) {
        segments[segment] = std::make_unique<TRAMBank>();
    }
    segmentMask = static_cast<std::uint8_t>(segmentCount - 1);
    for (int page = 0; page < 4; ++page) {
        pageSegment[page] = static_cast<std::uint8_t>(3 - page);
    }
    UpdatePageBanks();
}

std::uint8_t TMemoryMapper::ReadPort(std::uint8_t port)
{
    if (port < firstPort) {
        return 0xFF;
    }
    return static_cast<std::uint8_t>(~segmentMask | pageSegment[port - firstPort]);
}

void TMemoryMapper::WritePort(std::uint8_t port, std::uint8_t value)
{
    if (port < firstPort) {
        return;
    }
    pageSegment[port - firstPort] = value & segmentMask;
    UpdatePageBanks();
}

void TMemoryMapper::SaveState(TStateWriter& record) const
{
    record.Word(static_cast<std::uint16_t>(segmentCount));
    record.Bytes(pageSegment);
    for (int segment = 0; segment < segmentCount; ++segment) {
        segments[segment]->SaveState(record);
    }
}

bool TMemoryMapper::LoadState(TStateReader& record)
{
    if (record.Word() != segmentCount || !segments[0]) {
        return false;
    }
    record.Bytes(pageSegment);
    for (std::uint8_t& segment : pageSegment) {
        segment &= segmentMask;
    }
    for (int segment = 0; segment < segmentCount; ++segment) {
        segments[segment]->LoadState(record);
    }
    UpdatePageBanks();
    return !record.Failed();
}

void TMemoryMapper::UpdatePageBanks()
{
    for (int page = 0; page < 4; ++page) {
        TRAMBank* segment = segments[pageSegment[page]].get();
        pageBanks[page] = segment != nullptr ? static_cast<TMemoryBank*>(segment) : &noSegment;
    }
}
