#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "memory/memory_bank.h"

class TStateReader;
class TStateWriter;
class TZ80;

// Told of the processor's data accesses in the pages it watches, at the
// addresses its map marks.
class TMemoryWatcher {
public:
    // Bits of the watcher's address map.
    static constexpr std::uint8_t MapRead = 0x01;
    static constexpr std::uint8_t MapWrite = 0x02;

    virtual ~TMemoryWatcher() = default;
    virtual void MemoryRead(std::uint16_t address, std::uint8_t value) = 0;
    virtual void MemoryWritten(std::uint16_t address, std::uint8_t value) = 0;
};

// The MSX slot system: four primary slots, each optionally expanded into four secondary
// slots, seen through four 16 KB pages. The selector owns every bank placed in it.
class TMemorySelector {
public:
    TMemorySelector();
    virtual ~TMemorySelector();

    TMemorySelector(const TMemorySelector&) = delete;
    TMemorySelector& operator=(const TMemorySelector&) = delete;

    // The processor's memory access. FFFFh of an expanded primary slot is that slot's
    // secondary slot register (reads give its complement).
    std::uint8_t Read(std::uint16_t address)
    {
        if (address == 0xFFFF && expanded[pagePrimary[3]]) {
            return ReadSecondarySlotRegister();
        }
        if (const std::uint8_t* data = readableData[address >> 14]) {
            return data[address & 0x3FFF];
        }
        return visibleBanks[address >> 14]->Read(address);
    }

    // Read for an instruction byte. The page of the last fetch is remembered, so
    // that the next byte of code, nearly always in the same page, needs no look-up
    // in the page table: it depends on the address alone.
    std::uint8_t Fetch(std::uint16_t address)
    {
        if ((address >> 14) == fetchPage) {
            return fetchData[address & 0x3FFF];
        }
        return FetchFromOtherPage(address);
    }

    // Read without the watcher seeing it, for debuggers and trace texts.
    std::uint8_t Peek(std::uint16_t address) const
    {
        if (address == 0xFFFF && expanded[pagePrimary[3]]) {
            return static_cast<std::uint8_t>(~secondarySlotRegister[pagePrimary[3]]);
        }
        return selectedBanks[address >> 14]->Read(address);
    }

    void Write(std::uint16_t address, std::uint8_t value)
    {
        if (address == 0xFFFF && expanded[pagePrimary[3]]) {
            WriteSecondarySlotRegister(value);
            return;
        }
        if (std::uint8_t* data = writableData[address >> 14]) {
            data[address & 0x3FFF] = value;
            return;
        }
        visibleBanks[address >> 14]->Write(address, value);
    }

    // Bit pairs 1-0, 3-2, 5-4, 7-6 select the slot for pages 0, 1, 2, 3.
    virtual void SetPrimarySlotRegister(std::uint8_t value);
    virtual void SetSecondarySlotRegister(int primary, std::uint8_t value);
    std::uint8_t GetPrimarySlotRegister() const { return primarySlotRegister; }
    std::uint8_t GetSecondarySlotRegister(int primary) const;

    // Places a bank, taking ownership; whatever the position held is deleted. A bank that
    // occupies its slot takes all four pages of (primary, secondary), whatever page is
    // given. A page bank placed where a slot-wide bank stands deletes that bank and leaves
    // empty banks in the other pages, so a builder that must keep a slot-wide bank (one
    // the I/O bus refers to) checks GetBank(...)->OccupiesSlot() first. A null bank places
    // an empty bank; an invalid position deletes the bank and changes nothing.
    void SetBank(int primary, int secondary, int page, std::unique_ptr<TMemoryBank> bank);
    // The bank at the position (never null for a valid position), null for an invalid one.
    TMemoryBank* GetBank(int primary, int secondary, int page) const;
    // Deletes the bank at the position and leaves empty banks in its place.
    void RemoveBank(int primary, int secondary, int page);

    void SetExpanded(int primary, bool flag);
    bool IsExpanded(int primary) const;

    // The slot selected for a page, as the debug window shows it.
    int GetPagePrimary(int page) const;
    int GetPageSecondary(int primary, int page) const;
    // Both as one number, primary * 4 + secondary, for a page 0-3: the profiler's per-step key.
    int GetPageSlot(int page) const { return pageSlots[page]; }

    // Hard reset: every bank back to its power-on contents.
    void ClearAll();

    // The slot registers and the selection of every page; the banks keep their own.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

    // Routes the reads of the pages set in readPages (bit n for page n) and the
    // writes of those in writePages through the watcher, which is called for
    // the addresses its map (64 KB of MapRead / MapWrite bits, not owned) marks;
    // null watches nothing. The other pages, and instruction fetches, keep
    // their direct path.
    void SetWatcher(TMemoryWatcher* newWatcher, const std::uint8_t* addressMap, std::uint8_t readPages,
                    std::uint8_t writePages);

    void SetZ80(TZ80* z80) { processor = z80; }
    TZ80* GetZ80() const { return processor; }

private:
    // A watched page: the page's bank behind a watcher. It takes the bank's
    // place in visibleBanks, so the access path itself has no test for it;
    // plain memory it reads and writes itself, without the bank's call.
    class TWatchedPage final : public TMemoryBank {
    public:
        std::uint8_t Read(std::uint16_t address) override {
            const std::uint8_t value = readable ? readable[address & 0x3FFF] : bank->Read(address);
            if (map[address] & MapRead & watched) [[unlikely]] watcher->MemoryRead(address, value);
            return value;
        }
        void Write(std::uint16_t address, std::uint8_t value) override {
            if (writable) {
                writable[address & 0x3FFF] = value;
            } else {
                bank->Write(address, value);
            }
            if (map[address] & MapWrite & watched) [[unlikely]] watcher->MemoryWritten(address, value);
        }

        static constexpr std::uint8_t MapRead = TMemoryWatcher::MapRead;
        static constexpr std::uint8_t MapWrite = TMemoryWatcher::MapWrite;
        TMemoryBank* bank = nullptr;
        const std::uint8_t* readable = nullptr;
        std::uint8_t* writable = nullptr;
        TMemoryWatcher* watcher = nullptr;
        const std::uint8_t* map = nullptr;
        std::uint8_t watched = 0;  // MapRead and MapWrite for this page
    };

    // FFFFh of an expanded slot, which a watched page 3 watches too.
    std::uint8_t ReadSecondarySlotRegister();
    void WriteSecondarySlotRegister(std::uint8_t value);
    void DeleteBank(int primary, int secondary, int page);
    void UpdateVisibleBanks();
    std::uint8_t FetchFromOtherPage(std::uint16_t address);

    TZ80* processor = nullptr;
    std::array<int, 4> pagePrimary{};
    std::array<std::array<int, 4>, 4> pageSecondary{};
    std::array<std::array<std::array<TMemoryBank*, 4>, 4>, 4> banks{};
    // 00h, matching the power-on selection of slot 0 in every page: the system ROM
    // reads this register back and keeps the slots of pages 0 and 1 from it.
    std::uint8_t primarySlotRegister = 0x00;
    std::array<std::uint8_t, 4> secondarySlotRegister{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<bool, 4> expanded{};
    // The bank each page shows now, recomputed whenever a register or a bank changes.
    std::array<TMemoryBank*, 4> visibleBanks{};
    std::array<int, 4> pageSlots{};
    // The banks selected for the pages, watched or not, and their plain memory
    // for instruction fetches.
    std::array<TMemoryBank*, 4> selectedBanks{};
    std::array<const std::uint8_t*, 4> fetchableData{};
    TMemoryWatcher* watcher = nullptr;
    const std::uint8_t* watchMap = nullptr;
    std::uint8_t watchedReadPages = 0;
    std::uint8_t watchedWritePages = 0;
    std::array<TWatchedPage, 4> watchedPages;
    // Their plain memory, where they have it: the common RAM and ROM accesses
    // then need no call at all.
    std::array<const std::uint8_t*, 4> readableData{};
    std::array<std::uint8_t*, 4> writableData{};
    // The page Fetch reads directly, and its memory; no page (4) when the last
    // fetch went to a bank with logic of its own or to a secondary slot register.
    static constexpr unsigned noFetchPage = 4;
    unsigned fetchPage = noFetchPage;
    const std::uint8_t* fetchData = nullptr;
};
