#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "memory/memory_bank.h"
#include "memory/memory_mapper.h"
#include "memory/memory_selector.h"

namespace {

// Reads its tag everywhere, remembers the last write and counts its own deletion.
class TTagBank : public TMemoryBank {
public:
    TTagBank(std::uint8_t tag, int* deletions, bool wholeSlot = false)
        : TMemoryBank(ramBankType, wholeSlot, "Tag"), tag(tag), deletions(deletions)
    {
    }
    ~TTagBank() override
    {
        if (deletions != nullptr) {
            ++*deletions;
        }
    }
    std::uint8_t Read(std::uint16_t address) override
    {
        lastReadAddress = address;
        return tag;
    }
    void Write(std::uint16_t address, std::uint8_t value) override
    {
        lastWriteAddress = address;
        lastWriteValue = value;
        ++writes;
    }

    std::uint8_t tag;
    int* deletions;
    int lastReadAddress = -1;
    int lastWriteAddress = -1;
    int lastWriteValue = -1;
    int writes = 0;
};

std::uint8_t Tag(int primary, int secondary, int page)
{
    return static_cast<std::uint8_t>((primary << 4) | (secondary << 2) | page);
}

// Every position holds a bank reading (primary << 4 | secondary << 2 | page);
// slots 1 and 3 are expanded.
void FillWithTags(TMemorySelector& selector, int* deletions)
{
    for (int p = 0; p < 4; ++p) {
        for (int s = 0; s < 4; ++s) {
            for (int n = 0; n < 4; ++n) {
                selector.SetBank(p, s, n, std::make_unique<TTagBank>(Tag(p, s, n), deletions));
            }
        }
    }
    selector.SetExpanded(1, true);
    selector.SetExpanded(3, true);
}

TEST(MemorySelectorTest, SlotLayoutReadsAndWrites)
{
    enum class Action { Primary, Write, Read };
    struct Step {
        Action action;
        std::uint16_t address; // or the register value for Primary
        std::uint8_t value;    // written, or expected on Read
    };
    const std::vector<Step> steps = {
        // Before any register write every page shows 0-0; slot 0 is not expanded.
        {Action::Read, 0x0000, Tag(0, 0, 0)},
        {Action::Read, 0x7FFF, Tag(0, 0, 1)},
        {Action::Read, 0xFFFF, Tag(0, 0, 3)},
        // E4h: page n shows primary slot n.
        {Action::Primary, 0xE4, 0},
        {Action::Read, 0x0123, Tag(0, 0, 0)},
        {Action::Read, 0x4123, Tag(1, 0, 1)},
        {Action::Read, 0x8123, Tag(2, 0, 2)},
        {Action::Read, 0xC123, Tag(3, 0, 3)},
        // Slot 3 is expanded: FFFFh is its secondary register, FFh until written.
        {Action::Read, 0xFFFF, 0x00},
        {Action::Write, 0xFFFF, 0x55},
        {Action::Read, 0xFFFF, 0xAA},
        {Action::Read, 0xC000, Tag(3, 1, 3)},
        {Action::Read, 0xFFFE, Tag(3, 1, 3)},
        // The secondary selection holds for every page showing slot 3.
        {Action::Primary, 0xFF, 0},
        {Action::Read, 0x0000, Tag(3, 1, 0)},
        {Action::Read, 0x4000, Tag(3, 1, 1)},
        {Action::Read, 0x8000, Tag(3, 1, 2)},
        // Mixed secondary slots: pages 0-3 -> 3, 2, 1, 0.
        {Action::Write, 0xFFFF, 0x1B},
        {Action::Read, 0x0000, Tag(3, 3, 0)},
        {Action::Read, 0x4000, Tag(3, 2, 1)},
        {Action::Read, 0x8000, Tag(3, 1, 2)},
        {Action::Read, 0xC000, Tag(3, 0, 3)},
        {Action::Read, 0xFFFF, 0xE4},
        // Slot 1 in page 3 has its own secondary register.
        {Action::Primary, 0x7F, 0},
        {Action::Read, 0xFFFF, 0x00},
        {Action::Write, 0xFFFF, 0xC0},
        {Action::Read, 0xFFFF, 0x3F},
        {Action::Read, 0xC000, Tag(1, 3, 3)},
        {Action::Read, 0x0000, Tag(3, 3, 0)},
        // Back to slot 3: its selection was kept.
        {Action::Primary, 0xFF, 0},
        {Action::Read, 0xFFFF, 0xE4},
        // Slot 2 is not expanded: FFFFh is ordinary memory of the page-3 bank.
        {Action::Primary, 0x80, 0},
        {Action::Read, 0xFFFF, Tag(2, 0, 3)},
        {Action::Read, 0x0000, Tag(0, 0, 0)},
        {Action::Read, 0x4000, Tag(0, 0, 1)},
    };
    TMemorySelector selector;
    FillWithTags(selector, nullptr);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        SCOPED_TRACE(i);
        switch (step.action) {
        case Action::Primary:
            selector.SetPrimarySlotRegister(static_cast<std::uint8_t>(step.address));
            EXPECT_EQ(selector.GetPrimarySlotRegister(), step.address);
            break;
        case Action::Write: selector.Write(step.address, step.value); break;
        case Action::Read: EXPECT_EQ(selector.Read(step.address), step.value); break;
        }
    }
    EXPECT_EQ(selector.GetSecondarySlotRegister(3), 0x1B);
    EXPECT_EQ(selector.GetSecondarySlotRegister(1), 0xC0);
    EXPECT_EQ(selector.GetSecondarySlotRegister(0), 0xFF);
    EXPECT_EQ(selector.GetPageSecondary(3, 0), 3);
    EXPECT_EQ(selector.GetPagePrimary(3), 2);
}

TEST(MemorySelectorTest, BanksSeeFullAddressAndExpandedFFFFIsNotTouched)
{
    TMemorySelector selector;
    selector.SetExpanded(3, true);
    auto bank = std::make_unique<TTagBank>(0x42, nullptr);
    TTagBank* ram = bank.get();
    selector.SetBank(3, 0, 3, std::move(bank));
    selector.SetPrimarySlotRegister(0xC0);
    selector.Write(0xFFFE, 0x99);
    EXPECT_EQ(ram->lastWriteAddress, 0xFFFE);
    EXPECT_EQ(selector.Read(0xC001), 0x42);
    EXPECT_EQ(ram->lastReadAddress, 0xC001);
    selector.Write(0xFFFF, 0x00);
    selector.Read(0xFFFF);
    EXPECT_EQ(ram->writes, 1);
    EXPECT_EQ(ram->lastReadAddress, 0xC001);
    // Without expansion the same address reaches the bank.
    selector.SetExpanded(3, false);
    selector.Write(0xFFFF, 0x77);
    EXPECT_EQ(ram->lastWriteAddress, 0xFFFF);
    EXPECT_EQ(ram->lastWriteValue, 0x77);
}

TEST(MemorySelectorTest, SlotWideBankOwnershipAndReplacement)
{
    int deletions = 0;
    auto selector = std::make_unique<TMemorySelector>();
    selector->SetExpanded(3, true);
    selector->SetBank(3, 2, 1, std::make_unique<TTagBank>(0x01, &deletions));
    // A slot-wide bank given for page 2 takes all four pages and deletes the page bank.
    auto wide = std::make_unique<TTagBank>(0x77, &deletions, true);
    TMemoryBank* wideBank = wide.get();
    selector->SetBank(3, 2, 2, std::move(wide));
    EXPECT_EQ(deletions, 1);
    for (int page = 0; page < 4; ++page) {
        EXPECT_EQ(selector->GetBank(3, 2, page), wideBank);
    }
    selector->SetPrimarySlotRegister(0xFF);
    selector->Write(0xFFFF, 0xAA);
    EXPECT_EQ(selector->Read(0x0000), 0x77);
    EXPECT_EQ(selector->Read(0xC000), 0x77);
    // A page bank in page 1 deletes the slot-wide bank once and leaves empty banks.
    selector->SetBank(3, 2, 1, std::make_unique<TTagBank>(0x02, &deletions));
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(selector->Read(0x4000), 0x02);
    for (int page : {0, 2, 3}) {
        EXPECT_EQ(selector->GetBank(3, 2, page)->GetName(), "N/A");
        EXPECT_EQ(selector->Read(static_cast<std::uint16_t>(page << 14)), 0xFF);
    }
    // RemoveBank of a slot-wide bank empties all four pages.
    selector->SetBank(3, 2, 0, std::make_unique<TTagBank>(0x03, &deletions, true));
    EXPECT_EQ(deletions, 3);
    selector->RemoveBank(3, 2, 3);
    EXPECT_EQ(deletions, 4);
    EXPECT_EQ(selector->Read(0x8000), 0xFF);
    // Placing the bank that is already there changes nothing.
    auto again = std::make_unique<TTagBank>(0x04, &deletions, true);
    TMemoryBank* placed = again.get();
    selector->SetBank(1, 1, 0, std::move(again));
    selector->SetBank(1, 1, 2, std::unique_ptr<TMemoryBank>(placed));
    EXPECT_EQ(selector->GetBank(1, 1, 3), placed);
    EXPECT_EQ(deletions, 4);
    // The selector deletes each bank it holds once.
    selector->SetBank(0, 0, 0, std::make_unique<TTagBank>(0x05, &deletions));
    selector.reset();
    EXPECT_EQ(deletions, 6);
}

TEST(MemorySelectorTest, InvalidPositionsAreIgnored)
{
    int deletions = 0;
    TMemorySelector selector;
    selector.SetBank(4, 0, 0, std::make_unique<TTagBank>(0x01, &deletions));
    selector.SetBank(0, -1, 0, std::make_unique<TTagBank>(0x01, &deletions));
    EXPECT_EQ(deletions, 2);
    EXPECT_EQ(selector.GetBank(0, 0, 4), nullptr);
    selector.RemoveBank(0, 4, 0);
    selector.SetSecondarySlotRegister(7, 0x12);
    selector.SetBank(0, 0, 0, nullptr);
    EXPECT_EQ(selector.Read(0x0000), 0xFF);
}

TEST(MemorySelectorTest, ClearAllClearsRAMAndMapperOnly)
{
    TMemorySelector selector;
    selector.SetBank(0, 0, 0, std::make_unique<TRAMBank>());
    auto mapper = std::make_unique<TMemoryMapper>();
    mapper->SetSize(0);
    selector.SetBank(1, 0, 0, std::move(mapper));
    selector.Write(0x0010, 0x5A);
    selector.SetPrimarySlotRegister(0x55);
    selector.Write(0x4010, 0xA5);
    selector.ClearAll();
    EXPECT_EQ(selector.Read(0x4010), 0x00);
    EXPECT_EQ(selector.GetPrimarySlotRegister(), 0x55);
    selector.SetPrimarySlotRegister(0x00);
    EXPECT_EQ(selector.Read(0x0010), 0x00);
}

// The system ROM's first slot set-up reads the register back and ORs in slot 3 for
// pages 2 and 3; the power-on value must keep pages 0 and 1 on slot 0.
TEST(MemorySelectorTest, PowerOnPrimaryRegisterMatchesTheSelection)
{
    TMemorySelector selector;
    auto rom = std::make_unique<TRAMBank>();
    rom->Write(0x0000, 0xF3);
    selector.SetBank(0, 0, 0, std::move(rom));
    selector.SetBank(3, 0, 0, std::make_unique<TRAMBank>());
    EXPECT_EQ(selector.GetPrimarySlotRegister(), 0x00);
    selector.SetPrimarySlotRegister(selector.GetPrimarySlotRegister() | 0xF0);
    EXPECT_EQ(selector.Read(0x0000), 0xF3);
    EXPECT_EQ(selector.GetPagePrimary(0), 0);
    EXPECT_EQ(selector.GetPagePrimary(3), 3);
}

// Plain RAM and ROM are read and written without a call; the shortcut must follow
// every change of bank and of slot selection.
TEST(MemorySelectorTest, DirectAccessFollowsBankAndSlotChanges)
{
    TMemorySelector selector;
    selector.SetBank(0, 0, 2, std::make_unique<TRAMBank>());
    selector.SetBank(1, 0, 2, std::make_unique<TROMBank>());
    selector.Write(0x8001, 0x11);
    EXPECT_EQ(selector.Read(0x8001), 0x11);

    selector.SetPrimarySlotRegister(0x10);  // page 2 from slot 1: ROM
    selector.Write(0x8001, 0x22);
    EXPECT_EQ(selector.Read(0x8001), 0xFF);

    selector.SetPrimarySlotRegister(0x00);
    EXPECT_EQ(selector.Read(0x8001), 0x11);
    selector.SetBank(0, 0, 2, std::make_unique<TROMBank>());
    selector.Write(0x8001, 0x33);
    EXPECT_EQ(selector.Read(0x8001), 0xFF);
    selector.RemoveBank(0, 0, 2);
    EXPECT_EQ(selector.Read(0x8001), 0xFF);
    selector.Write(0x8001, 0x44);
    EXPECT_EQ(selector.Read(0x8001), 0xFF);
}

// Fetch remembers the page of the last instruction byte; it must give what Read
// gives after every change of bank, of slot selection and of the secondary register.
TEST(MemorySelectorTest, FetchFollowsEveryChangeOfTheVisibleBanks)
{
    TMemorySelector selector;
    auto ram = std::make_unique<TRAMBank>();
    TRAMBank* slot0Ram = ram.get();
    selector.SetBank(0, 0, 0, std::move(ram));
    selector.SetBank(1, 0, 0, std::make_unique<TROMBank>());
    selector.SetBank(3, 0, 3, std::make_unique<TRAMBank>());
    selector.SetBank(3, 1, 3, std::make_unique<TRAMBank>());
    slot0Ram->Write(0x0010, 0x5A);
    const std::uint16_t addresses[] = {0x0010, 0x0011, 0x3FFF, 0x8000, 0xC000, 0xFFFE, 0xFFFF};
    const auto expectFetchAsRead = [&](const char* step) {
        for (std::uint16_t address : addresses) {
            const std::uint8_t read = selector.Read(address);
            EXPECT_EQ(selector.Fetch(address), read) << step << " at " << address;
            EXPECT_EQ(selector.Fetch(address), read) << step << " again at " << address;
        }
    };
    expectFetchAsRead("power on");
    EXPECT_EQ(selector.Fetch(0x0010), 0x5A);
    selector.Write(0x0010, 0x6B);
    EXPECT_EQ(selector.Fetch(0x0010), 0x6B);
    selector.SetPrimarySlotRegister(0xC1);  // page 0 from slot 1, page 3 from slot 3
    expectFetchAsRead("primary register");
    EXPECT_EQ(selector.Fetch(0x0010), 0xFF);
    selector.Write(0xFFFF, 0x77);  // RAM while slot 3 is not expanded
    EXPECT_EQ(selector.Fetch(0xFFFF), 0x77);
    selector.SetExpanded(3, true);  // right after a fetch from page 3
    EXPECT_EQ(selector.Fetch(0xFFFF), 0x00);
    expectFetchAsRead("expanded");
    selector.Write(0xFFFF, 0x40);  // page 3 of slot 3 from secondary slot 1
    expectFetchAsRead("secondary register");
    EXPECT_EQ(selector.Fetch(0xFFFF), 0xBF);
    selector.SetBank(1, 0, 0, std::make_unique<TMemoryBank>());
    expectFetchAsRead("new bank");
}

} // namespace
