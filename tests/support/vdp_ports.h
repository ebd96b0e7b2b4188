#pragma once

#include <cstdint>
#include <initializer_list>

#include "video/v9918.h"

// Drives a video processor through its ports the way a program would.

inline void WriteVdpRegister(TV9918& vdp, int index, std::uint8_t value)
{
    vdp.WritePort(0x99, value);
    vdp.WritePort(0x99, static_cast<std::uint8_t>(0x80 | index));
}

inline void SetVdpWriteAddress(TV9918& vdp, std::uint16_t address)
{
    vdp.WritePort(0x99, static_cast<std::uint8_t>(address & 0xFF));
    vdp.WritePort(0x99, static_cast<std::uint8_t>(0x40 | ((address >> 8) & 0x3F)));
}

inline void SetVdpReadAddress(TV9918& vdp, std::uint16_t address)
{
    vdp.WritePort(0x99, static_cast<std::uint8_t>(address & 0xFF));
    vdp.WritePort(0x99, static_cast<std::uint8_t>((address >> 8) & 0x3F));
}

inline void LoadVram(TV9918& vdp, std::uint16_t address, std::initializer_list<std::uint8_t> bytes)
{
    SetVdpWriteAddress(vdp, address);
    for (const std::uint8_t value : bytes)
        vdp.WritePort(0x98, value);
}

inline void FillVram(TV9918& vdp, std::uint16_t address, int count, std::uint8_t value)
{
    SetVdpWriteAddress(vdp, address);
    for (int i = 0; i < count; ++i)
        vdp.WritePort(0x98, value);
}
