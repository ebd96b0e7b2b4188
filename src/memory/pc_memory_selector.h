#pragma once

#include <memory>

#include "memory/memory_selector.h"

// What the memory debug window offers its selector: grids of bank names that
// the selector asks to refresh whenever a slot register changes.
class TMemoryDebugForm {
public:
    virtual ~TMemoryDebugForm() = default;
    virtual void SetupGrids() = 0;
    virtual void Show() = 0;
    virtual void ShowSelectedSlots() = 0;
    virtual void ShowPrimarySlots() = 0;
    virtual void ShowSecondarySlots(int primary) = 0;
};

// The slot selector the host machine uses: it keeps its debug window, while
// shown, up to date with every slot register write.
class TPCMemorySelector final : public TMemorySelector {
public:
    void SetPrimarySlotRegister(std::uint8_t value) override;
    void SetSecondarySlotRegister(int primary, std::uint8_t value) override;

    void ShowDebugWindow();
    void DebugWindowClosed() { windowShown = false; }

    // Null on a host without windows.
    std::unique_ptr<TMemoryDebugForm> form;
    bool windowShown = false;
};
