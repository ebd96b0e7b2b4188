#include "memory/memory_selector.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <tuple>
#include <vector>

#include "memory/memory_bank.h"

namespace {

// Reads its tag everywhere, keeps the writes it gets and counts its own deletion.
struct TTagBank : TMemoryBank {
    TTagBank(std::uint8_t tag, int* deletions = nullptr, bool wholeSlot = false)
        : TMemoryBank(ramBankType, wholeSlot, "Tag"), tag(tag), deletions(deletions) {}
    ~TTagBank() override {
        if (deletions != nullptr) ++*deletions;
    }
    std::uint8_t Read(std::uint16_t) override { return tag; }
    void Write(std::uint16_t address, std::uint8_t value) override { writes.push_back({address, value}); }

    std::uint8_t tag;
    int* deletions;
    std::vector<std::pair<int, int>> writes;
};

std::uint8_t Tag(int primary, int secondary, int page) {
    return static_cast<std::uint8_t>((primary << 4) | (secondary << 2) | page);
}

TEST(MemorySelectorTest, PrimaryAndSecondarySlotSelection) {
    TMemorySelector selector;
    for (int position = 0; position < 64; ++position) {
        selector.SetBank(position >> 4, position >> 2 & 3, position & 3, std::make_unique<TTagBank>(position));
    }
    selector.SetExpanded(1, true);
    selector.SetExpanded(3, true);
    // A primary slot register value, then accesses: address, value written (0 for none), value read.
    const std::pair<std::uint8_t, std::vector<std::tuple<std::uint16_t, std::uint8_t, std::uint8_t>>> steps[] = {
        {0xE4, {{0x0123, 0, Tag(0, 0, 0)}, {0x4123, 0, Tag(1, 0, 1)}, {0x8123, 0, Tag(2, 0, 2)}, {0xFFFF, 0, 0x00}}},
        // FFFFh of expanded slot 3 is its secondary register and reads back complemented.
        {0xE4, {{0xFFFF, 0x55, 0xAA}, {0xC000, 0, Tag(3, 1, 3)}, {0xFFFE, 0, Tag(3, 1, 3)}}},
        // The selection holds for every page showing slot 3; pages 0-3 -> 3, 2, 1, 0.
        {0xFF, {{0x0000, 0, Tag(3, 1, 0)}, {0xFFFF, 0x1B, 0xE4}, {0x0000, 0, Tag(3, 3, 0)},
                {0x4000, 0, Tag(3, 2, 1)}, {0x8000, 0, Tag(3, 1, 2)}, {0xC000, 0, Tag(3, 0, 3)}}},
        // Slot 1 in page 3 has its own register; slot 3's is kept.
        {0x7F, {{0xFFFF, 0, 0x00}, {0xFFFF, 0xC0, 0x3F}, {0xC000, 0, Tag(1, 3, 3)}, {0x0000, 0, Tag(3, 3, 0)}}},
        {0xFF, {{0xFFFF, 0, 0xE4}}},
        // Slot 2 is not expanded: FFFFh is memory of its page-3 bank.
        {0x80, {{0xFFFF, 0, Tag(2, 0, 3)}, {0x4000, 0, Tag(0, 0, 1)}}},
    };
    for (const auto& [primary, accesses] : steps) {
        selector.SetPrimarySlotRegister(primary);
        for (const auto& [address, written, read] : accesses) {
            if (written != 0) selector.Write(address, written);
            EXPECT_EQ(selector.Read(address), read) << std::hex << int(primary) << " " << address;
        }
    }
    // The secondary registers never reach a bank.
    EXPECT_TRUE(static_cast<TTagBank*>(selector.GetBank(3, 0, 3))->writes.empty());
    EXPECT_TRUE(static_cast<TTagBank*>(selector.GetBank(1, 0, 3))->writes.empty());
}

TEST(MemorySelectorTest, SlotWideBanksTakeAllPagesAndAreDeletedOnce) {
    int deletions = 0;
    auto selector = std::make_unique<TMemorySelector>();
    selector->SetBank(3, 2, 1, std::make_unique<TTagBank>(0x01, &deletions));
    auto wide = std::make_unique<TTagBank>(0x77, &deletions, true);
    TMemoryBank* wideBank = wide.get();
    selector->SetBank(3, 2, 2, std::move(wide));  // replaces the page bank
    EXPECT_EQ(deletions, 1);
    for (int page = 0; page < 4; ++page) EXPECT_EQ(selector->GetBank(3, 2, page), wideBank);
    // A page bank where a slot-wide bank stands deletes it and leaves empty banks.
    selector->SetBank(3, 2, 1, std::make_unique<TTagBank>(0x02, &deletions));
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(selector->GetBank(3, 2, 3)->GetName(), "N/A");
    // Placing the bank that is already there changes nothing.
    auto again = std::make_unique<TTagBank>(0x04, &deletions, true);
    TMemoryBank* placed = again.get();
    selector->SetBank(1, 1, 0, std::move(again));
    selector->SetBank(1, 1, 2, std::unique_ptr<TMemoryBank>(placed));
    EXPECT_EQ(deletions, 2);
    selector->RemoveBank(1, 1, 3);
    EXPECT_EQ(deletions, 3);
    selector.reset();
    EXPECT_EQ(deletions, 4);
}

// Plain RAM and ROM are read, written and fetched without a call; the shortcut must
// follow every change of bank, of slot selection, of the secondary register and a reset.
TEST(MemorySelectorTest, DirectAccessAndFetchFollowEveryChange) {
    TMemorySelector selector;
    selector.SetBank(0, 0, 0, std::make_unique<TRAMBank>());
    selector.SetBank(1, 0, 0, std::make_unique<TROMBank>());
    selector.SetBank(3, 0, 3, std::make_unique<TRAMBank>());
    selector.SetBank(3, 1, 3, std::make_unique<TRAMBank>());
    // Fetched first, as the change may come right after a fetch from the same page.
    const auto expect = [&](const char* step, std::uint16_t address, std::uint8_t value) {
        EXPECT_EQ(selector.Fetch(address), value) << step;
        EXPECT_EQ(selector.Fetch(address), value) << step << ", fetched again";
        EXPECT_EQ(selector.Read(address), value) << step;
        for (std::uint16_t other : {0x0011, 0x3FFF, 0x8000, 0xC000, 0xFFFE, 0xFFFF}) {
            EXPECT_EQ(selector.Fetch(other), selector.Read(other)) << step << " at " << other;
        }
    };
    selector.Write(0x0010, 0x5A);
    expect("power on", 0x0010, 0x5A);
    selector.Write(0x0010, 0x6B);
    expect("written", 0x0010, 0x6B);
    selector.ClearAll();  // a hard reset
    expect("cleared", 0x0010, 0x00);
    selector.SetPrimarySlotRegister(0xC1);  // page 0 from slot 1 (ROM), page 3 from slot 3
    selector.Write(0x0010, 0x22);
    expect("primary register", 0x0010, 0xFF);
    selector.Write(0xFFFF, 0x77);  // RAM while slot 3 is not expanded
    expect("not expanded", 0xFFFF, 0x77);
    selector.SetExpanded(3, true);  // right after a fetch from page 3
    expect("expanded", 0xFFFF, 0x00);
    selector.Write(0xFFFF, 0x40);  // page 3 from secondary slot 1
    expect("secondary register", 0xFFFF, 0xBF);
    selector.Write(0xC000, 0x12);
    selector.SetBank(3, 1, 3, std::make_unique<TROMBank>());
    expect("new bank", 0xC000, 0xFF);
    selector.SetPrimarySlotRegister(0x00);
    selector.RemoveBank(0, 0, 0);
    selector.Write(0x0010, 0x44);
    expect("removed bank", 0x0010, 0xFF);
}

// The data accesses a watcher is told of: reads and writes of its pages and of
// the secondary slot register in page 3, never a fetch or a peek.
TEST(MemorySelectorTest, AWatcherSeesTheDataAccessesOfItsPagesOnly) {
    struct TRecorder : TMemoryWatcher {
        void MemoryRead(std::uint16_t address, std::uint8_t value) override { seen.push_back({'R', address, value}); }
        void MemoryWritten(std::uint16_t address, std::uint8_t value) override { seen.push_back({'W', address, value}); }
        std::vector<std::tuple<char, int, int>> seen;
    } recorder;
    TMemorySelector selector;
    selector.SetBank(3, 0, 3, std::make_unique<TRAMBank>());
    selector.SetBank(0, 0, 0, std::make_unique<TRAMBank>());
    selector.SetExpanded(3, true);
    selector.SetPrimarySlotRegister(0xC0);
    std::array<std::uint8_t, 0x10000> everyAddress;
    everyAddress.fill(TMemoryWatcher::MapRead | TMemoryWatcher::MapWrite);
    selector.SetWatcher(&recorder, everyAddress.data(), 0x08, 0x08);
    selector.Write(0xC000, 0x12);
    selector.Write(0xFFFF, 0x00);
    selector.Write(0x0010, 0x34);
    for (const std::uint16_t address : {0xC000, 0xFFFF, 0x0010}) {
        selector.Fetch(address);
        selector.Peek(address);
    }
    EXPECT_EQ(selector.Read(0xC000), 0x12);
    EXPECT_EQ(selector.Read(0xFFFF), 0xFF);
    EXPECT_EQ(recorder.seen, (std::vector<std::tuple<char, int, int>>{
                                 {'W', 0xC000, 0x12}, {'W', 0xFFFF, 0x00}, {'R', 0xC000, 0x12}, {'R', 0xFFFF, 0xFF}}));
}

} // namespace
