#pragma once

#include <memory>

#include "memory/rom_cartridge.h"
#include "sound/scc.h"

// Konami: 8 KB blocks, registers written at exactly 4000h, 6000h, 8000h, A000h.
class TKonamiMegaROM : public TROMCartridge {
public:
    TKonamiMegaROM();
    void Write(std::uint16_t address, std::uint8_t value) override;

protected:
    void SetInitialRegisters() override;
};

// Konami with SCC: registers at exactly 5000h, 7000h, 9000h, B000h; bank 3Fh at 9000h
// opens the SCC window at 9800h-98FFh for writes.
class TKonamiSCCMegaROM : public TROMCartridge {
public:
    // Takes ownership of the chip; a null chip leaves the window without effect.
    explicit TKonamiSCCMegaROM(std::unique_ptr<TSCC> chip);
    ~TKonamiSCCMegaROM() override;

    void Write(std::uint16_t address, std::uint8_t value) override;
    TSCC* GetSCC() override;

protected:
    void SetInitialRegisters() override;

private:
    std::unique_ptr<TSCC> scc;
};

// ASCII 8 KB: writes to 6000h-7FFFh set the registers of 4000h, 6000h, 8000h, A000h by
// address bits 12-11.
class TASCII8KMegaROM : public TROMCartridge {
public:
    TASCII8KMegaROM();
    void Write(std::uint16_t address, std::uint8_t value) override;

protected:
    void SetInitialRegisters() override;
};

// ASCII 16 KB: writes to 6000h-6FFFh set the block at 4000h, 7000h-7FFFh the one at 8000h.
class TASCII16KMegaROM : public TROMCartridge {
public:
    TASCII16KMegaROM();
    void Write(std::uint16_t address, std::uint8_t value) override;

protected:
    void SetInitialRegisters() override;
};
