#pragma once

#include <cstdint>
#include <vector>

class TMemoryMapper;
class TMSXPrinter;
class TPPI8255;
class TPSG;
class TRTClock;
class TV9918;

// The I/O bus: a fixed port map routes every port to the one device of its kind.
// The handler refers to the devices; it owns none of them.
class TIOHandler {
public:
    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    void SetVDP(TV9918* device) { vdp = device; }
    void SetPPI(TPPI8255* device) { ppi = device; }
    void SetRTC(TRTClock* device) { rtc = device; }
    void SetPSG(TPSG* device) { psg = device; }
    void SetPrinter(TMSXPrinter* device) { printer = device; }
    void AddMemoryMapper(TMemoryMapper* mapper) { mappers.push_back(mapper); }

    TV9918* GetVDP() const { return vdp; }
    TPPI8255* GetPPI() const { return ppi; }
    TPSG* GetPSG() const { return psg; }

private:
    // Reads come from the first mapper; writes reach every mapper so their page
    // registers stay in step.
    std::vector<TMemoryMapper*> mappers;
    TV9918* vdp = nullptr;
    TPPI8255* ppi = nullptr;
    TRTClock* rtc = nullptr;
    TPSG* psg = nullptr;
    TMSXPrinter* printer = nullptr;
};
