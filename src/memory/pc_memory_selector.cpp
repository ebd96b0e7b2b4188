#include "memory/pc_memory_selector.h"

void TPCMemorySelector::SetPrimarySlotRegister(std::uint8_t value)
{
    TMemorySelector::SetPrimarySlotRegister(value);
    if (!windowShown) {
        return;
    }
    form->ShowSelectedSlots();
    form->ShowPrimarySlots();
}

void TPCMemorySelector::SetSecondarySlotRegister(int primary, std::uint8_t value)
{
    TMemorySelector::SetSecondarySlotRegister(primary, value);
    if (!windowShown || primary < 0 || primary > 3) {
        return;
    }
    form->ShowSelectedSlots();
    form->ShowSecondarySlots(primary);
}

void TPCMemorySelector::ShowDebugWindow()
{
    if (!form) {
        return;
    }
    windowShown = true;
    form->SetupGrids();
    form->Show();
    form->ShowSelectedSlots();
    form->ShowPrimarySlots();
    form->ShowSecondarySlots(0);
}
