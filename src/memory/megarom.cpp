#include "memory/megarom.h"

TKonamiMegaROM::TKonamiMegaROM() : TROMCartridge(konamiKind, 8192) {}

void TKonamiMegaROM::Write(std::uint16_t address, std::uint8_t value)
{
    switch (address) {
    case 0x4000: SetBankRegister(2, value); break;
    case 0x6000: SetBankRegister(3, value); break;
    case 0x8000: SetBankRegister(4, value); break;
    case 0xA000: SetBankRegister(5, value); break;
    default: break;
    }
}

void TKonamiMegaROM::SetInitialRegisters()
{
    ShowFirstBlocks(2, 4);
}

TKonamiSCCMegaROM::TKonamiSCCMegaROM(std::unique_ptr<TSCC> chip)
    : TROMCartridge(konamiSCCKind, 8192), scc(std::move(chip))
{
}

TKonamiSCCMegaROM::~TKonamiSCCMegaROM() = default;

void TKonamiSCCMegaROM::Write(std::uint16_t address, std::uint8_t value)
{
    switch (address) {
    case 0x5000: SetBankRegister(2, value); break;
    case 0x7000: SetBankRegister(3, value); break;
    case 0x9000: SetBankRegister(4, value); break;
    case 0xB000: SetBankRegister(5, value); break;
    default: break;
    }
    // Bank number 3Fh in the register of 8000h-9FFFh opens the chip's window, whichever
    // block that number shows.
    constexpr std::uint8_t sccBank = 0x3F;
    if (scc && GetBankRegister(4) == sccBank && address >= 0x9800 && address <= 0x98FF) {
        scc->Write(static_cast<std::uint8_t>(address & 0xFF), value);
    }
}

TSCC* TKonamiSCCMegaROM::GetSCC()
{
    return scc.get();
}

void TKonamiSCCMegaROM::SetInitialRegisters()
{
    ShowFirstBlocks(2, 4);
}

TASCII8KMegaROM::TASCII8KMegaROM() : TROMCartridge(ascii8KKind, 8192) {}

void TASCII8KMegaROM::Write(std::uint16_t address, std::uint8_t value)
{
    if (address >= 0x6000 && address <= 0x7FFF) {
        SetBankRegister(2 + ((address & 0x1800) >> 11), value);
    }
}

void TASCII8KMegaROM::SetInitialRegisters()
{
    ShowFirstBlocks(2, 4);
}

TASCII16KMegaROM::TASCII16KMegaROM() : TROMCartridge(ascii16KKind, 16384) {}

void TASCII16KMegaROM::Write(std::uint16_t address, std::uint8_t value)
{
    if (address >= 0x6000 && address <= 0x6FFF) {
        SetBankRegister(1, value);
    } else if (address >= 0x7000 && address <= 0x7FFF) {
        SetBankRegister(2, value);
    }
}

void TASCII16KMegaROM::SetInitialRegisters()
{
    ShowFirstBlocks(1, 2);
}
