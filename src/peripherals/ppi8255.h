#pragma once

#include <cstdint>

class TCassette;
class TKeyboard;
class TMemorySelector;
class TStateReader;
class TStateWriter;

// The 8255 parallel interface behind ports A8h-ABh: port A is the primary
// slot register, port B reads the selected keyboard row, port C selects the
// row (bits 0-3) and drives the cassette motor (bit 4, 0 = running) and
// output level (bit 5); bits 6-7 are only stored.
class TPPI8255 {
public:
    TPPI8255() = default;

    // Links, not owned; the machine sets them once after building.
    void SetMemorySelector(TMemorySelector* memorySelector) { selector = memorySelector; }
    void SetKeyboard(TKeyboard* matrix) { keyboard = matrix; }
    TKeyboard* GetKeyboard() const { return keyboard; }
    void SetCassette(TCassette* recorder) { cassette = recorder; }

    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    // Port C and the control word; restoring them tells neither the keyboard nor
    // the cassette, which keep states of their own.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

    std::uint8_t GetPortC() const { return portC; }
    std::uint8_t GetControlWord() const { return controlWord; }

private:
    void PortCWritten(std::uint8_t port);

    std::uint8_t portC = 0;
    std::uint8_t controlWord = 0;
    TMemorySelector* selector = nullptr;
    TKeyboard* keyboard = nullptr;
    TCassette* cassette = nullptr;
};
