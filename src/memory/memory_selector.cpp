#include "memory/memory_selector.h"

#include "settings/state_record.h"

namespace {

bool ValidSlot(int slot)
{
    return slot >= 0 && slot < 4;
}

bool ValidPosition(int primary, int secondary, int page)
{
    return ValidSlot(primary) && ValidSlot(secondary) && ValidSlot(page);
}

} // namespace

TMemorySelector::TMemorySelector()
{
    for (auto& secondaries : banks) {
        for (auto& pages : secondaries) {
            for (auto& bank : pages) {
                bank = new TMemoryBank();
            }
        }
    }
    UpdateVisibleBanks();
}

TMemorySelector::~TMemorySelector()
{
    for (int primary = 0; primary < 4; ++primary) {
        for (int secondary = 0; secondary < 4; ++secondary) {
            for (int page = 0; page < 4; ++page) {
                DeleteBank(primary, secondary, page);
            }
        }
    }
}

void TMemorySelector::SetPrimarySlotRegister(std::uint8_t value)
{
    primarySlotRegister = value;
    for (int page = 0; page < 4; ++page) {
        pagePrimary[page] = (value >> (2 * page)) & 3;
    }
    UpdateVisibleBanks();
}

void TMemorySelector::SetSecondarySlotRegister(int primary, std::uint8_t value)
{
    if (!ValidSlot(primary)) {
        return;
    }
    secondarySlotRegister[primary] = value;
    for (int page = 0; page < 4; ++page) {
        pageSecondary[primary][page] = (value >> (2 * page)) & 3;
    }
    UpdateVisibleBanks();
}

std::uint8_t TMemorySelector::GetSecondarySlotRegister(int primary) const
{
    return ValidSlot(primary) ? secondarySlotRegister[primary] : 0xFF;
}

void TMemorySelector::SetBank(int primary, int secondary, int page, std::unique_ptr<TMemoryBank> bank)
{
    if (!ValidPosition(primary, secondary, page)) {
        return;
    }
    if (!bank) {
        bank = std::make_unique<TMemoryBank>();
    }
    if (banks[primary][secondary][page] == bank.get()) {
        bank.release();
        return;
    }
    RemoveBank(primary, secondary, page);
    TMemoryBank* placed = bank.release();
    if (placed->OccupiesSlot()) {
        for (int other = 0; other < 4; ++other) {
            DeleteBank(primary, secondary, other);
            banks[primary][secondary][other] = placed;
        }
    } else {
        DeleteBank(primary, secondary, page);
        banks[primary][secondary][page] = placed;
    }
    UpdateVisibleBanks();
}

TMemoryBank* TMemorySelector::GetBank(int primary, int secondary, int page) const
{
    if (!ValidPosition(primary, secondary, page)) {
        return nullptr;
    }
    return banks[primary][secondary][page];
}

void TMemorySelector::RemoveBank(int primary, int secondary, int page)
{
    if (!ValidPosition(primary, secondary, page)) {
        return;
    }
    TMemoryBank* bank = banks[primary][secondary][page];
    if (bank != nullptr && bank->OccupiesSlot()) {
        for (int other = 0; other < 4; ++other) {
            DeleteBank(primary, secondary, other);
            banks[primary][secondary][other] = new TMemoryBank();
        }
    } else {
        DeleteBank(primary, secondary, page);
        banks[primary][secondary][page] = new TMemoryBank();
    }
    UpdateVisibleBanks();
}

void TMemorySelector::SetExpanded(int primary, bool flag)
{
    if (ValidSlot(primary)) {
        expanded[primary] = flag;
        // FFFFh of the slot may have become its register.
        fetchPage = noFetchPage;
    }
}

bool TMemorySelector::IsExpanded(int primary) const
{
    return ValidSlot(primary) && expanded[primary];
}

int TMemorySelector::GetPagePrimary(int page) const
{
    return ValidSlot(page) ? pagePrimary[page] : 0;
}

int TMemorySelector::GetPageSecondary(int primary, int page) const
{
    return ValidSlot(primary) && ValidSlot(page) ? pageSecondary[primary][page] : 0;
}

void TMemorySelector::ClearAll()
{
    for (auto& secondaries : banks) {
        for (auto& pages : secondaries) {
            for (TMemoryBank* bank : pages) {
                bank->Clear();
            }
        }
    }
}

// The page selection is kept beside the registers: before its first write a
// secondary register reads FFh while its slot's pages show secondary slot 0.
void TMemorySelector::SaveState(TStateWriter& record) const
{
    record.Byte(primarySlotRegister);
    record.Bytes(secondarySlotRegister);
    for (const int primary : pagePrimary) {
        record.Byte(static_cast<std::uint8_t>(primary));
    }
    for (const auto& pages : pageSecondary) {
        for (const int secondary : pages) {
            record.Byte(static_cast<std::uint8_t>(secondary));
        }
    }
}

bool TMemorySelector::LoadState(TStateReader& record)
{
    primarySlotRegister = record.Byte();
    record.Bytes(secondarySlotRegister);
    for (int& primary : pagePrimary) {
        primary = record.Byte() & 3;
    }
    for (auto& pages : pageSecondary) {
        for (int& secondary : pages) {
            secondary = record.Byte() & 3;
        }
    }
    UpdateVisibleBanks();
    return !record.Failed();
}

// Deletes the bank at one position and leaves the position null. A slot-wide bank is
// deleted once and every page of its slot that referred to it is emptied.
void TMemorySelector::DeleteBank(int primary, int secondary, int page)
{
    TMemoryBank* bank = banks[primary][secondary][page];
    if (bank == nullptr) {
        return;
    }
    if (bank->OccupiesSlot()) {
        for (auto& entry : banks[primary][secondary]) {
            if (entry == bank) {
                entry = nullptr;
            }
        }
    } else {
        banks[primary][secondary][page] = nullptr;
    }
    delete bank;
}

std::uint8_t TMemorySelector::FetchFromOtherPage(std::uint16_t address)
{
    const unsigned page = address >> 14;
    // Page 3 of an expanded slot holds the secondary slot register at FFFFh.
    const bool holdsRegister = page == 3 && expanded[pagePrimary[3]];
    fetchPage = fetchableData[page] != nullptr && !holdsRegister ? page : noFetchPage;
    fetchData = fetchableData[page];
    // Instruction bytes are no data reads: a watched page does not see them.
    if (address == 0xFFFF && holdsRegister) return Peek(address);
    if (fetchData) return fetchData[address & 0x3FFF];
    return selectedBanks[page]->Read(address);
}

std::uint8_t TMemorySelector::ReadSecondarySlotRegister()
{
    const auto value = static_cast<std::uint8_t>(~secondarySlotRegister[pagePrimary[3]]);
    if ((watchedReadPages & 0x08) != 0 && (watchMap[0xFFFF] & TMemoryWatcher::MapRead) != 0) {
        watcher->MemoryRead(0xFFFF, value);
    }
    return value;
}

void TMemorySelector::WriteSecondarySlotRegister(std::uint8_t value)
{
    SetSecondarySlotRegister(pagePrimary[3], value);
    if ((watchedWritePages & 0x08) != 0 && (watchMap[0xFFFF] & TMemoryWatcher::MapWrite) != 0) {
        watcher->MemoryWritten(0xFFFF, value);
    }
}

void TMemorySelector::SetWatcher(TMemoryWatcher* newWatcher, const std::uint8_t* addressMap, std::uint8_t readPages,
                                 std::uint8_t writePages)
{
    watcher = newWatcher;
    watchMap = addressMap;
    watchedReadPages = newWatcher ? readPages : 0;
    watchedWritePages = newWatcher ? writePages : 0;
    UpdateVisibleBanks();
}

void TMemorySelector::UpdateVisibleBanks()
{
    fetchPage = noFetchPage;
    for (int page = 0; page < 4; ++page) {
        const int primary = pagePrimary[page];
        TMemoryBank* bank = banks[primary][pageSecondary[primary][page]][page];
        pageSlots[page] = primary * 4 + pageSecondary[primary][page];
        selectedBanks[page] = bank;
        visibleBanks[page] = bank;
        fetchableData[page] = bank->GetReadableData();
        readableData[page] = fetchableData[page];
        writableData[page] = bank->GetWritableData();
        const bool reads = (watchedReadPages >> page) & 1;
        const bool writes = (watchedWritePages >> page) & 1;
        if (reads || writes) {
            TWatchedPage& watched = watchedPages[page];
            watched.bank = bank;
            watched.readable = readableData[page];
            watched.writable = writableData[page];
            watched.watcher = watcher;
            watched.map = watchMap;
            watched.watched = static_cast<std::uint8_t>((reads ? TMemoryWatcher::MapRead : 0) |
                                                        (writes ? TMemoryWatcher::MapWrite : 0));
            visibleBanks[page] = &watched;
            if (reads) readableData[page] = nullptr;
            if (writes) writableData[page] = nullptr;
        }
    }
}
